// The whole demo drawn through the GL layer on OpenGL ES 3 (velmorrow-capture-gles) beside the same
// frames from Mesa's own fixed-function OpenGL (velmorrow-capture): at each of the README's clocks the
// pictures agree within 35 dB PSNR. Both run on the built data, at 10 frames a second.
#include "tests/support/process.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr const char* clocks = "14500,20000,47000,78000,99000,118000,135000";
constexpr double leastPsnr = 35;

std::unique_ptr<testsupport::Process> capture(const std::string& program, const fs::path& out) {
  return std::make_unique<testsupport::Process>(std::vector<std::string>{
      (testsupport::binaryDir() / program).string(), "--data", (testsupport::binaryDir() / "data").string(), "--fps",
      "10", "--size", "640x480", "--at", clocks, "--out", out.string()});
}

// The peak signal-to-noise ratio of b against a over all RGB bytes, in dB (infinite if equal).
double psnr(const fs::path& a, const fs::path& b) {
  int wa = 0, ha = 0, wb = 0, hb = 0, channels = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> pa(stbi_load(a.c_str(), &wa, &ha, &channels, 3), stbi_image_free);
  std::unique_ptr<stbi_uc, void (*)(void*)> pb(stbi_load(b.c_str(), &wb, &hb, &channels, 3), stbi_image_free);
  if (!pa || !pb || wa != wb || ha != hb) return 0;
  double squares = 0;
  const std::size_t bytes = std::size_t(wa) * ha * 3;
  for (std::size_t i = 0; i < bytes; ++i) {
    const double d = double(pa.get()[i]) - pb.get()[i];
    squares += d * d;
  }
  return squares == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 * double(bytes) / squares);
}

TEST(GlesCapture, EveryReadmeClockMatchesMesasFixedFunctionPicture) {
  testsupport::TempDir dir;
  auto reference = capture("velmorrow-capture", dir / "mesa");
  auto layered = capture("velmorrow-capture-gles", dir / "gles");
  const auto referenceRun = reference->wait(std::chrono::minutes(9));
  const auto layeredRun = layered->wait(std::chrono::minutes(9));
  ASSERT_EQ(referenceRun.exitCode, 0) << referenceRun.err;
  ASSERT_EQ(layeredRun.exitCode, 0) << layeredRun.err;
  for (const std::string clock : {"014500", "020000", "047000", "078000", "099000", "118000", "135000"}) {
    const std::string name = "frame_" + clock + ".png";
    const double db = psnr(dir / "mesa" / name, dir / "gles" / name);
    std::printf("clock %s ms: %.2f dB\n", clock.c_str(), db);
    RecordProperty("psnr_" + clock, std::to_string(db));
    EXPECT_GE(db, leastPsnr) << "at " << clock << " ms";
  }
}

}  // namespace
