#include "tools/capture/frame_plan.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST(FramePlan, NonsenseRatesAreRefused) {
  FrameRequest request;
  request.fps = 0;
  EXPECT_THROW(planFrames(request), std::invalid_argument);
}

}  // namespace
