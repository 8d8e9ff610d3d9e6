#pragma once
// Scenes 1 and 2 driven without the shell: the textures they bind (with known GL names), the particle
// systems, the camera and a clean random generator, all in demo_state for one test and gone after it.

#include "scenes/demo_state.h"
#include "tests/scenes/demo_state_fixture.h"
#include "tests/support/gl_recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace openingtest {

constexpr GLuint text1Name = scenetest::textureName(&scenes::texText1);
constexpr GLuint background1Name = scenetest::textureName(&scenes::texBackground1);
constexpr GLuint flareBigName = scenetest::textureName(&scenes::texFlareBig);
constexpr GLuint flareName = scenetest::textureName(&scenes::texFlare);

class OpeningScenes : public scenetest::DemoState {
 protected:
  static void at(std::int32_t clock) { scenes::demoClock = clock; }
};

// The calls of every glBegin(mode) ... glEnd() block, without glBegin and glEnd.
inline std::vector<std::vector<glrec::Call>> blocks(GLenum mode) {
  std::vector<std::vector<glrec::Call>> found;
  bool inside = false;
  for (const glrec::Call& call : glrec::calls()) {
    if (call.name == "glBegin") {
      inside = call.args[0] == mode;
      if (inside) found.emplace_back();
    } else if (call.name == "glEnd") {
      inside = false;
    } else if (inside) {
      found.back().push_back(call);
    }
  }
  return found;
}

// For every glBegin(mode) block, the calls since the end of the block before it (of any mode): the state
// changes that lead into it.
inline std::vector<std::vector<glrec::Call>> leadIns(GLenum mode) {
  std::vector<std::vector<glrec::Call>> found;
  std::vector<glrec::Call> since;
  for (const glrec::Call& call : glrec::calls()) {
    if (call.name == "glBegin" && call.args[0] == mode) found.push_back(since);
    if (call.name == "glBegin" || call.name == "glEnd") {
      since.clear();
    } else {
      since.push_back(call);
    }
  }
  return found;
}

// The calls named `name` inside one block.
inline std::vector<glrec::Call> named(const std::vector<glrec::Call>& block, const char* name) {
  std::vector<glrec::Call> found;
  for (const glrec::Call& call : block) {
    if (call.name == name) found.push_back(call);
  }
  return found;
}

inline void expectArgs(const glrec::Call& call, std::vector<double> expected) {
  ASSERT_EQ(call.args.size(), expected.size()) << call;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_FLOAT_EQ(static_cast<float>(call.args[i]), static_cast<float>(expected[i])) << call << " argument " << i;
  }
}

inline double S(double t, double period) { return std::sin(t / period); }
inline double C(double t, double period) { return std::cos(t / period); }

}  // namespace openingtest
