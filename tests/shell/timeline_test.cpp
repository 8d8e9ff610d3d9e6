#include "shell/timeline.h"

#include "scenes/demo_state.h"
#include "shell/main_sequence.h"
#include "scenes/scenes.h"

#include <gtest/gtest.h>

namespace {

using shell::Procedure;
using namespace scenes;

struct Owners {
  std::int32_t clock;
  Procedure start;
  Procedure render;
  Procedure post;
};

const Procedure none = shell::doNothing;

// Every boundary of the scenes' spans, on all three tracks.
const Owners boundaries[] = {
    {0, scene1Start, scene1Render, scene1Post},      {100, scene1Start, scene1Render, scene1Post},
    {101, none, scene1Render, scene1Post},           {14999, none, scene1Render, scene1Post},
    {15000, scene2Start, scene2Render, scene2Post},  {15100, scene2Start, scene2Render, scene2Post},
    {15101, none, scene2Render, scene2Post},         {45729, none, scene2Render, scene2Post},
    {45730, scene3Start, scene3Render, scene3Post},  {45830, scene3Start, scene3Render, scene3Post},
    {45831, none, scene3Render, scene3Post},         {71138, none, scene3Render, scene3Post},
    {71139, scene4Start, scene4Render, scene4Post},  {71239, scene4Start, scene4Render, scene4Post},
    {71240, none, scene4Render, scene4Post},         {86179, none, scene4Render, scene4Post},
    {86180, scene5Start, scene5Render, scene5Post},  {86280, scene5Start, scene5Render, scene5Post},
    {86281, none, scene5Render, scene5Post},         {100999, none, scene5Render, scene5Post},
    {101000, none, scene5RenderRings, scene5Post},   {101001, none, scene5RenderRings, none},
    {101499, none, scene5RenderRings, none},         {101500, scene6Start, scene6Render, scene6Post},
    {105100, scene6Start, scene6Render, scene6Post}, {105101, none, scene6Render, scene6Post},
    {121919, none, scene6Render, scene6Post},        {121920, scene7Start, scene7Render, scene7Post},
    {122020, scene7Start, scene7Render, scene7Post}, {122021, none, scene7Render, scene7Post},
    {149999, none, scene7Render, scene7Post},        {150000, none, scene7Render2, scene7Post},
    {158400, none, scene7Render2, scene7Post},
};

TEST(Timeline, EveryBoundaryIsOwnedByTheRightProcedure) {
  shell::fillTimeline();
  for (const Owners& owners : boundaries) {
    SCOPED_TRACE(owners.clock);
    EXPECT_EQ(shell::startTrack[owners.clock], owners.start);
    EXPECT_EQ(shell::renderTrack[owners.clock], owners.render);
    EXPECT_EQ(shell::postTrack[owners.clock], owners.post);
  }
}

TEST(Timeline, OwnersChangeOnlyAtTheBoundaries) {
  shell::fillTimeline();
  // Between two listed boundaries every millisecond has the owners of the earlier one, so the listed
  // clocks are all the places where an owner changes.
  for (std::size_t i = 0; i + 1 < std::size(boundaries); ++i) {
    for (std::int32_t clock = boundaries[i].clock; clock < boundaries[i + 1].clock; ++clock) {
      ASSERT_EQ(shell::startTrack[clock], boundaries[i].start) << clock;
      ASSERT_EQ(shell::renderTrack[clock], boundaries[i].render) << clock;
      ASSERT_EQ(shell::postTrack[clock], boundaries[i].post) << clock;
    }
  }
}

TEST(Timeline, ScenesSpanFromTheirStartProcedureToTheNextOrTheEnd) {
  shell::fillTimeline();
  const Procedure starts[] = {scene1Start, scene2Start, scene3Start, scene4Start,
                              scene5Start, scene6Start, scene7Start};
  const std::vector<shell::SceneSpan> spans = shell::sceneSpans();
  ASSERT_EQ(spans.size(), std::size(starts));
  for (std::size_t i = 0; i < spans.size(); ++i) {
    SCOPED_TRACE(spans[i].number);
    EXPECT_EQ(spans[i].number, static_cast<int>(i) + 1);
    EXPECT_EQ(shell::startTrack[spans[i].from], starts[i]);
    if (i > 0) {
      EXPECT_NE(shell::startTrack[spans[i].from - 1], starts[i]);
    }
    EXPECT_EQ(spans[i].to, i + 1 < spans.size() ? spans[i + 1].from : shell::demoEndClock);
  }
  EXPECT_EQ(spans[0].from, 0);
}

TEST(Timeline, FillResetsTheSceneMarker) {
  currentScene = 990;
  shell::fillTimeline();
  EXPECT_EQ(currentScene, 0);
}

TEST(Timeline, ClocksOutsideTheTracksAreClamped) {
  EXPECT_EQ(shell::trackIndex(-5), 0u);
  EXPECT_EQ(shell::trackIndex(0), 0u);
  EXPECT_EQ(shell::trackIndex(158400), 158400u);
  EXPECT_EQ(shell::trackIndex(158401), 158400u);
  EXPECT_EQ(shell::trackIndex(INT32_MAX), 158400u);
}

}  // namespace
