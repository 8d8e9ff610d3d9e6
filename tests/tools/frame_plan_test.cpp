#include "tools/capture/frame_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using capture::FrameRequest;
using capture::planFrames;
using capture::PlannedFrame;

std::vector<std::int32_t> written(const std::vector<PlannedFrame>& frames) {
  std::vector<std::int32_t> clocks;
  for (const PlannedFrame& frame : frames) {
    if (frame.write) clocks.push_back(frame.clock);
  }
  return clocks;
}

TEST(FramePlan, TheWholeDemoStepsByWholeMillisecondsAndEndsAtTheFirstFramePastTheEnd) {
  FrameRequest request;
  request.fps = 30;
  const auto frames = planFrames(request);
  ASSERT_GE(frames.size(), 4u);
  EXPECT_EQ(frames[0], (PlannedFrame{0, true}));
  EXPECT_EQ(frames[1].clock, 33);  // 1000/30 rounded down
  EXPECT_EQ(frames[2].clock, 66);
  EXPECT_EQ(frames[3].clock, 100);
  EXPECT_EQ(frames.back().clock, 157900);  // 4737 frames of 33.3 ms reach 157900 exactly
  EXPECT_EQ(frames[frames.size() - 2].clock, 157866);
  EXPECT_TRUE(std::all_of(frames.begin(), frames.end(), [](const PlannedFrame& f) { return f.write; }));
}

TEST(FramePlan, RequestedClocksAreInsertedAndTheRunStopsAfterTheLastOne) {
  FrameRequest request;
  request.fps = 60;
  request.at = {1000, 50, 34};
  const auto frames = planFrames(request);
  EXPECT_EQ(written(frames), (std::vector<std::int32_t>{34, 50, 1000}));
  EXPECT_EQ(frames.back().clock, 1000);
  // The stepped frames before them still run, in order.
  EXPECT_EQ(frames[0].clock, 0);
  EXPECT_EQ(frames[1].clock, 16);
  EXPECT_EQ(frames[2].clock, 33);
  EXPECT_EQ(frames[3], (PlannedFrame{34, true}));
  EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end(),
                             [](const PlannedFrame& a, const PlannedFrame& b) { return a.clock < b.clock; }));
}

TEST(FramePlan, ARangeWritesTheSteppedFramesInsideIt) {
  FrameRequest request;
  request.fps = 10;
  request.from = 250;
  request.to = 600;
  EXPECT_EQ(written(planFrames(request)), (std::vector<std::int32_t>{300, 400, 500, 600}));
}

// floor(frame * 1000 / fps) in whole numbers: fps = m 2^e exactly, with m a 53-bit integer.
std::int64_t exactClock(std::int64_t frame, double fps) {
  int e = 0;
  const auto m = static_cast<std::int64_t>(std::ldexp(std::frexp(fps, &e), 53));
  e -= 53;  // fps = m 2^e, e < 0 for every rate up to 1000
  return static_cast<std::int64_t>((static_cast<unsigned __int128>(frame * 1000) << -e) / m);
}

TEST(FramePlan, ClocksAreExactAtRatesThatAreNoWholeNumber) {
  for (double fps : {29.97, 23.976, 59.94, 1000.0 / 3, 7.3, 999.9999, 0.1}) {
    FrameRequest request;
    request.fps = fps;
    const auto frames = planFrames(request);
    for (std::size_t i = 0; i < frames.size(); ++i) {
      ASSERT_EQ(frames[i].clock, exactClock(static_cast<std::int64_t>(i), fps)) << fps << " frame " << i;
    }
  }
  FrameRequest slow;
  slow.fps = 1e-300;  // the second frame's clock is far past the end: the run stops there
  EXPECT_EQ(planFrames(slow).size(), 2u);
}

TEST(FramePlan, NonsenseRatesAreRefused) {
  FrameRequest request;
  request.fps = 0;
  EXPECT_THROW(planFrames(request), std::invalid_argument);
}

}  // namespace
