#pragma once
// The demo state the scenes read, set up for a test under the GL call recorder as the shell leaves it:
// the camera, the five particle systems (all zero), every texture with a GL name of its own (101 on, in
// the loading order of texture_list.h), the scene marker cleared, the random generator at its start,
// and the OpenGL state a frame starts from (blending on and additive). Recorded calls start empty. Also
// the helpers the scene tests share.

#include "engine/camera.h"
#include "engine/particles.h"
#include "scenes/demo_state.h"
#include "tests/support/gl_recorder.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace scenetest {

constexpr GLuint firstTextureName = 101;

// The GL name DemoState gives a texture global: firstTextureName on, in the loading order.
constexpr GLuint textureName(engine::Texture* const* global) {
  for (std::size_t i = 0; i < scenes::textureCount; ++i) {
    if (scenes::textureTable[i].global == global) return static_cast<GLuint>(firstTextureName + i);
  }
  return 0;
}

class DemoState : public ::testing::Test {
 protected:
  void SetUp() override {
    glrec::reset();
    scenes::resetRandom();
    scenes::currentScene = 0;
    scenes::demoClock = 0;
    scenes::captions = {};
    scenes::camera = engine::initCamera(0, 0, 0, 0, 0, -1, 0, 1, 0);
    for (auto [system, capacity] : systems()) *system = engine::initParticleSystem(capacity);
    for (std::size_t i = 0; i < scenes::textureCount; ++i) {
      textures[i].glName = static_cast<std::uint32_t>(firstTextureName + i);
      *scenes::textureTable[i].global = &textures[i];
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glrec::clearCalls();
  }

  void TearDown() override {
    for (auto [system, capacity] : systems()) {
      engine::doneParticleSystem(*system);
      *system = nullptr;
    }
    for (const scenes::TextureRow& row : scenes::textureTable) *row.global = nullptr;
    engine::doneCamera(scenes::camera);
    scenes::camera = nullptr;
  }

  // Runs a procedure at clock t with a clean call list.
  template <typename Procedure>
  void runAt(std::int32_t t, Procedure procedure) {
    scenes::demoClock = t;
    glrec::clearCalls();
    procedure();
  }

 private:
  static std::vector<std::pair<engine::ParticleSystem**, int>> systems() {
    return {{&scenes::particles1, 200},
            {&scenes::particles2, 200},
            {&scenes::particles3, 200},
            {&scenes::particles4, 600},
            {&scenes::particles5, 2000}};
  }

  std::array<engine::Texture, scenes::textureCount> textures{};
};

// The calls from index `from` up to (not including) the first call named `until` after it.
inline std::vector<glrec::Call> callsBetween(std::size_t from, const std::string& until) {
  const auto& calls = glrec::calls();
  std::vector<glrec::Call> out;
  for (std::size_t i = from; i < calls.size() && calls[i].name != until; ++i) out.push_back(calls[i]);
  return out;
}

// The index of the first call equal to `call`, at or after `from`, in `calls` (the recorded calls unless
// given); calls.size() if there is none.
inline std::size_t indexOf(const glrec::Call& call, std::size_t from = 0,
                           const std::vector<glrec::Call>& calls = glrec::calls()) {
  for (std::size_t i = from; i < calls.size(); ++i) {
    if (calls[i] == call) return i;
  }
  return calls.size();
}

// calls[from, to), both clamped to the end.
inline std::vector<glrec::Call> slice(const std::vector<glrec::Call>& calls, std::size_t from, std::size_t to) {
  return {calls.begin() + std::min(from, calls.size()), calls.begin() + std::min(to, calls.size())};
}

// The calls of a list that have this name, in order (glrec::callsNamed for a part of the recording).
inline std::vector<glrec::Call> callsNamed(const std::vector<glrec::Call>& calls, const std::string& name) {
  std::vector<glrec::Call> found;
  for (const glrec::Call& call : calls) {
    if (call.name == name) found.push_back(call);
  }
  return found;
}

// Expected calls, with values rounded to single precision as glVertex3f and glColor4f receive them. The
// helpers take floats and stay out of line, so the rounding happens whatever the optimiser does with a
// braced list of converted values (GCC 12's straight-line vectoriser once dropped it; the build now
// turns that vectoriser off).
[[gnu::noinline]] inline glrec::Call vertex(float x, float y, float z) { return {"glVertex3f", {x, y, z}}; }
[[gnu::noinline]] inline glrec::Call texCoord(float s, float t) { return {"glTexCoord2f", {s, t}}; }
[[gnu::noinline]] inline glrec::Call colour(float r, float g, float b, float a) { return {"glColor4f", {r, g, b, a}}; }
[[gnu::noinline]] inline double single(float value) { return value; }
[[gnu::noinline]] inline std::vector<double> singles(std::initializer_list<float> values) {
  return {values.begin(), values.end()};
}

// The second caption as a scene's set-up leaves it: placed, in its row, not yet shown.
inline void expectCaptionPlaced(float x, float y, int row) {
  const scenes::Caption& caption = scenes::captions[1];
  EXPECT_EQ((std::array<float, 3>{caption.x, caption.y, caption.alpha}), (std::array<float, 3>{x, y, 0}));
  EXPECT_EQ(caption.row, row);
}

// The state every procedure leaves between drawing steps.
inline void expectFrameStateRestored() {
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
  EXPECT_FALSE(glrec::isEnabled(GL_DEPTH_TEST));
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(glrec::state().blendSource, static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(glrec::state().blendDestination, static_cast<GLenum>(GL_ONE));
  EXPECT_EQ(glrec::state().polygonModeFront, static_cast<GLenum>(GL_FILL));
  EXPECT_EQ(glrec::state().polygonModeBack, static_cast<GLenum>(GL_FILL));
  EXPECT_EQ(glrec::state().matrixMode, static_cast<GLenum>(GL_MODELVIEW));
  EXPECT_EQ(glrec::state().projectionDepth, 0);
  EXPECT_EQ(glrec::state().modelviewDepth, 0);
}

}  // namespace scenetest
