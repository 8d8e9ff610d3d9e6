#include "shell/demo.h"

#include "scenes/demo_state.h"
#include "shell/timeline.h"
#include "tests/support/gl_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> steps;

void note(const char* what) {
  steps.push_back(std::string(what) + "@" + std::to_string(scenes::demoClock));
  for (const glrec::Call& call : glrec::calls()) {
    if (call.name == "glClear") steps.back() += "+cleared";
  }
  glrec::reset();
}

class Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    scenes::demoClock = 0;
    shell::fillTimeline();
    steps.clear();
    glrec::reset();
    for (std::size_t i : {std::size_t(0), std::size_t(7), shell::trackIndex(158400)}) {
      shell::startTrack[i] = [] { note("start"); };
      shell::renderTrack[i] = [] { note("render"); };
      shell::postTrack[i] = [] { note("post"); };
    }
  }
  void TearDown() override { shell::fillTimeline(); }
};

TEST_F(Frame, ClearsThenRunsStartRenderPresentPostAtOneClock) {
  shell::useDescription({.presentFrame = [] { note("present"); }});
  shell::runFrame([] {
    note("clock");
    return std::int32_t{7};
  });
  EXPECT_EQ(steps, (std::vector<std::string>{"clock@0+cleared", "start@7", "render@7", "present@7", "post@7"}));
  EXPECT_EQ(scenes::demoClock, 7);
}

TEST_F(Frame, ClockBeyondTheTracksUsesTheLastEntryButKeepsItsValue) {
  shell::useDescription({});
  shell::runFrame([] { return std::int32_t{170000}; });
  EXPECT_EQ(steps, (std::vector<std::string>{"start@170000+cleared", "render@170000", "post@170000"}));
  steps.clear();
  shell::runFrame([] { return std::int32_t{-20}; });
  EXPECT_EQ(steps, (std::vector<std::string>{"start@-20+cleared", "render@-20", "post@-20"}));
}

}  // namespace
