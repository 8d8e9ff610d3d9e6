#pragma once
// A test fixture that gives the scenes the objects the shell creates at start-up (the camera, the
// particle systems, textures with known GL names) and an empty GL call recorder, and frees them again.

#include "engine/camera.h"
#include "engine/particles.h"
#include "engine/texture.h"
#include "scenes/demo_state.h"
#include "tests/support/gl_recorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace scenetest {

class DemoStateFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    glrec::reset();
    scenes::resetRandom();
    scenes::currentScene = 0;
    scenes::demoClock = 0;
    scenes::captions = {};
    scenes::camera = engine::initCamera(0, 0, 0, 0, 0, -1, 0, 1, 0);
    scenes::particles1 = engine::initParticleSystem(200);
    scenes::particles2 = engine::initParticleSystem(200);
    GLuint name = 101;
    for (engine::Texture** texture : textureGlobals()) {
      textures.push_back(std::make_unique<engine::Texture>());
      textures.back()->glName = name++;
      *texture = textures.back().get();
    }
    glrec::reset();
  }

  void TearDown() override {
    for (engine::Texture** texture : textureGlobals()) *texture = nullptr;
    engine::doneParticleSystem(scenes::particles1);
    engine::doneParticleSystem(scenes::particles2);
    scenes::particles1 = scenes::particles2 = nullptr;
    engine::doneCamera(scenes::camera);
    scenes::camera = nullptr;
  }

  static std::vector<engine::Texture**> textureGlobals() {
    using namespace scenes;
    return {&texText2, &texBackground4, &texFlare, &texFlareBig, &texGlare, &texFivebox1};
  }

  std::vector<std::unique_ptr<engine::Texture>> textures;
};

}  // namespace scenetest
