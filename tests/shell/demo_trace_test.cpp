#include "shell/demo.h"
#include "tests/support/flat_hwl.h"
#include "tests/support/gl_recorder.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>

// The whole demo's OpenGL calls, every scene from start-up to the end, folded into one fingerprint.
// Every build (x86-64, 32-bit Windows, ARM64) must give the same calls with the same argument bits, so
// the fingerprint is pinned: a change here means a different picture somewhere, on some machine.

namespace {

std::uint64_t fingerprint = 14695981039346656037ull;  // FNV-1a over names and argument bits
std::size_t callCount = 0;

void fold(std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    fingerprint = (fingerprint ^ (value >> (8 * i) & 0xFF)) * 1099511628211ull;
  }
}

void foldCalls() {
  for (const glrec::Call& call : glrec::calls()) {
    for (char c : call.name) fold(static_cast<unsigned char>(c), 1);
    for (double arg : call.args) fold(std::bit_cast<std::uint64_t>(arg), 8);
  }
  callCount += glrec::calls().size();
  glrec::clearCalls();
}

std::int32_t clock = 0;

TEST(DemoTrace, EveryFramesCallsAreTheSameOnEveryMachine) {
  testsupport::TempDir dir;
  testsupport::writeFlatDataSet(dir.path());
  glrec::reset();
  fingerprint = 14695981039346656037ull;
  shell::startDemo({.presentFrame = foldCalls, .dataDirectory = dir.path().string()});
  for (clock = 0; clock <= 158000; clock += 97) shell::runFrame([] { return clock; });
  shell::stopDemo();
  foldCalls();
  std::printf("%zu calls, fingerprint %016llx\n", callCount, static_cast<unsigned long long>(fingerprint));
  EXPECT_EQ(fingerprint, 0xd16640828032ac8eull);
}

}  // namespace
