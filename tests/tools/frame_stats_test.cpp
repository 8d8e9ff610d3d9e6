#include "tools/capture/frame_stats.h"

#include "shell/timeline.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameStats, SummariesUseNearestRanks) {
  std::vector<double> times;
  for (int i = 100; i >= 1; --i) times.push_back(i);  // unsorted on purpose
  const capture::TimeSummary s = capture::summarise(times);
  EXPECT_EQ(s.min, 1);
  EXPECT_EQ(s.median, 50);
  EXPECT_EQ(s.p95, 95);
  EXPECT_EQ(s.max, 100);
  const capture::TimeSummary one = capture::summarise({7});
  EXPECT_EQ(one.median, 7);
  EXPECT_EQ(one.p95, 7);
}

TEST(FrameStats, FramesGoToTheSceneThatOwnsTheirClock) {
  capture::FrameStats stats;
  for (std::int32_t clock : {0, 14999, 15000, 45729, 45730, 121919, 121920, 157900}) stats.add(clock, 1);
  const auto& scenes = stats.scenes();
  ASSERT_EQ(scenes.size(), 7u);
  EXPECT_EQ(scenes[0].milliseconds.size(), 2u);  // 0, 14999
  EXPECT_EQ(scenes[1].milliseconds.size(), 2u);  // 15000, 45729
  EXPECT_EQ(scenes[2].milliseconds.size(), 1u);  // 45730
  EXPECT_EQ(scenes[5].milliseconds.size(), 1u);  // 121919 belongs to scene 6
  EXPECT_EQ(scenes[6].milliseconds.size(), 2u);  // 121920, 157900
}

TEST(FrameStats, ScenesAreTheTimelines) {
  const std::vector<shell::SceneSpan> spans = shell::sceneSpans();
  capture::FrameStats stats;
  for (const shell::SceneSpan& span : spans) {  // each scene's first and last millisecond
    stats.add(span.from, 1);
    stats.add(span.to - 1, 1);
  }
  ASSERT_EQ(stats.scenes().size(), spans.size());
  for (std::size_t i = 0; i < spans.size(); ++i) {
    EXPECT_EQ(stats.scenes()[i].scene, "scene " + std::to_string(spans[i].number));
    EXPECT_EQ(stats.scenes()[i].milliseconds.size(), 2u) << stats.scenes()[i].scene;
  }
}

}  // namespace
