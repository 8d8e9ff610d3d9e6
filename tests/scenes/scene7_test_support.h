#pragma once
// Scene 7 as the timeline finds it: the camera, particles5 and the four textures it binds, its set-up
// run at 121,950 ms, the random generator started afresh before it. Shared by scene 7's GL-trace and
// unit tests.

#include "engine/camera.h"
#include "engine/particles.h"
#include "engine/texture.h"
#include "scenes/demo_state.h"
#include "scenes/scene7.h"
#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"
#include "tests/support/gl_recorder.h"

#include <gtest/gtest.h>

namespace scene7test {

constexpr GLuint text3Name = scenetest::textureName(&scenes::texText3);
constexpr GLuint skyName = scenetest::textureName(&scenes::texBackground99);
constexpr GLuint butterflyName = scenetest::textureName(&scenes::texButterfly);
constexpr GLuint butterflyShapeName = scenetest::textureName(&scenes::texButterflyShape);

class Scene7 : public scenetest::DemoState {
 protected:
  void SetUp() override {
    DemoState::SetUp();
    scenes::demoClock = 121950;
    scenes::scene7Start();
    glrec::clearCalls();
  }

  // The post procedure at one clock.
  static void post(std::int32_t clock) {
    scenes::demoClock = clock;
    scenes::scene7Post();
  }

  // The render procedure the timeline holds at this clock; returns its calls only.
  static const std::vector<glrec::Call>& render(std::int32_t clock) {
    scenes::demoClock = clock;
    glrec::clearCalls();
    if (clock < 150000) {
      scenes::scene7Render();
    } else {
      scenes::scene7Render2();
    }
    return glrec::calls();
  }
};

}  // namespace scene7test
