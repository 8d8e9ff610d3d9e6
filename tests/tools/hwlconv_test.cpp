#include "hwl/encoder.h"
#include "tests/support/process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cmath>
#include <regex>

namespace {

using testsupport::ProcessResult;
using testsupport::TempDir;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

ProcessResult hwlconv(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{(testsupport::binaryDir() / "hwlconv").string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return testsupport::run(argv, {}, std::chrono::seconds(60));
}

// A P6 (colour) or P5 (grey) picture with smooth shapes and a few edges.
std::string portablePixmap(int w, int h, int channels) {
  std::string out = (channels == 3 ? "P6\n" : "P5\n") + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int ch = 0; ch < channels; ++ch) {
        const double v = 120 + 70 * std::sin(x * 0.11 + ch) * std::cos(y * 0.05 + 2 * ch) +
                         (x > w / 2 && y > h / 3 ? 40 : 0);
        out += static_cast<char>(static_cast<int>(std::clamp(v, 0.0, 255.0)));
      }
    }
  }
  return out;
}

struct Png {
  int width = 0, height = 0, channels = 0;
  std::vector<std::uint8_t> samples;
};
Png readPng(const std::filesystem::path& path) {
  Png png;
  stbi_uc* data = stbi_load(path.c_str(), &png.width, &png.height, &png.channels, 0);
  if (data) png.samples.assign(data, data + png.width * png.height * png.channels);
  stbi_image_free(data);
  return png;
}

double psnrOf(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return 10 * std::log10(255.0 * 255 * a.size() / sum);
}

double reportedPsnr(const std::string& out) {
  std::smatch m;
  const std::regex pattern("PSNR ([0-9.]+) dB");
  return std::regex_search(out, m, pattern) ? std::stod(m[1]) : -1;
}

TEST(Hwlconv, EncodesDecodesAndReportsWhatItWrote) {
  TempDir dir;
  testsupport::writeFile(dir / "in.ppm", portablePixmap(96, 64, 3));
  const ProcessResult encoded =
      hwlconv({"-v", "--bits", "7,6,6", "--threshold", "2", (dir / "in.ppm").string(), (dir / "out.hwl").string()});
  ASSERT_EQ(encoded.exitCode, 0) << encoded.err;
  EXPECT_THAT(encoded.out, MatchesRegex(".*out.hwl: 96x64 24-bit, [0-9]+ bytes, [0-9.]+ bits per pixel, "
                                        "PSNR [0-9.]+ dB\n"));
  ASSERT_EQ(hwlconv({(dir / "out.hwl").string(), (dir / "back.png").string()}).exitCode, 0);
  ASSERT_EQ(hwlconv({(dir / "out.hwl").string(), (dir / "back.raw").string()}).exitCode, 0);

  const hwl::HwlPicture decoded = hwl::hwlDecode((dir / "out.hwl").string());
  const std::string raw = testsupport::readFile(dir / "back.raw");
  EXPECT_EQ(std::vector<std::uint8_t>(raw.begin(), raw.end()), decoded.pixels);
  EXPECT_EQ(raw.size(), 96u * 64 * 4);
  const Png png = readPng(dir / "back.png");
  ASSERT_EQ(png.channels, 3);
  for (std::size_t i = 0; i < 96 * 64; ++i) {
    ASSERT_EQ(png.samples[3 * i], decoded.pixels[4 * i + 2]);
    ASSERT_EQ(png.samples[3 * i + 2], decoded.pixels[4 * i]);
  }
  const std::string input = portablePixmap(96, 64, 3);
  const std::vector<std::uint8_t> original(input.end() - 96 * 64 * 3, input.end());
  EXPECT_NEAR(psnrOf(original, png.samples), reportedPsnr(encoded.out), 0.005);

  const ProcessResult info = hwlconv({"--info", (dir / "out.hwl").string()});
  EXPECT_EQ(info.exitCode, 0);
  EXPECT_THAT(info.out, MatchesRegex("magic: HWL\nwidth: 96\nheight: 64\nbitsPerPixel: 24\nlastLevel: 5\n"
                                     "symbolCount: [0-9]+ [0-9]+ [0-9]+\nvalueCount: [0-9]+ [0-9]+ [0-9]+\n"
                                     "valueBits: 7 6 6\n"));
}

TEST(Hwlconv, GreyPicturesAndPsnrTargets) {
  TempDir dir;
  testsupport::writeFile(dir / "grey.pgm", portablePixmap(64, 64, 1));
  testsupport::writeFile(dir / "colour.ppm", portablePixmap(64, 64, 3));
  const ProcessResult grey = hwlconv({"-v", "--psnr", "36", (dir / "grey.pgm").string(), (dir / "g.hwl").string()});
  ASSERT_EQ(grey.exitCode, 0) << grey.err;
  EXPECT_GE(reportedPsnr(grey.out), 36);
  EXPECT_THAT(grey.out, HasSubstr("chosen: --bits "));
  EXPECT_EQ(hwl::hwlDecode((dir / "g.hwl").string()).header.bitsPerPixel, 8);
  ASSERT_EQ(hwlconv({"--grey", "--levels", "2", "--bits", "8", (dir / "colour.ppm").string(),
                     (dir / "c.hwl").string()}).exitCode, 0);
  const hwl::HwlHeader header = hwl::hwlDecode((dir / "c.hwl").string()).header;
  EXPECT_EQ(header.bitsPerPixel, 8);
  EXPECT_EQ(header.lastLevel, 2);
  ASSERT_EQ(hwlconv({(dir / "g.hwl").string(), (dir / "g.png").string()}).exitCode, 0);
  EXPECT_EQ(readPng(dir / "g.png").channels, 1);
  // The default is the smallest file at 40 dB.
  const ProcessResult plain = hwlconv({"-v", (dir / "colour.ppm").string(), (dir / "d.hwl").string()});
  EXPECT_GE(reportedPsnr(plain.out), 40);
}

TEST(Hwlconv, ProblemsGiveOneLineAndStatusOne) {
  TempDir dir;
  testsupport::writeFile(dir / "in.ppm", portablePixmap(32, 32, 3));
  ASSERT_EQ(hwlconv({"--bits", "5", (dir / "in.ppm").string(), (dir / "ok.hwl").string()}).exitCode, 0);
  const std::string good = testsupport::readFile(dir / "ok.hwl");
  testsupport::writeFile(dir / "cut.hwl", good.substr(0, good.size() - 3));
  std::string sixteen = good;
  sixteen[7] = 16;
  testsupport::writeFile(dir / "sixteen.hwl", sixteen);
  testsupport::writeFile(dir / "junk.png", "not a picture");

  const std::string missing = (dir / "missing.hwl").string();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{missing, (dir / "x.png").string()}, "missing.hwl: cannot open"},
      {{(dir / "cut.hwl").string(), (dir / "x.png").string()}, "cut.hwl: the file ends inside the plane-3 value stream"},
      {{(dir / "sixteen.hwl").string(), (dir / "x.png").string()}, "sixteen.hwl: bitsPerPixel is 16"},
      {{(dir / "ok.hwl").string(), (dir / "x.gif").string()}, "x.gif: unknown output type"},
      {{(dir / "junk.png").string(), (dir / "x.hwl").string()}, "junk.png: not a picture hwlconv can read"},
      {{"--bits", "5", (dir / "in.ppm").string(), "/nonexistent/x.hwl"}, "/nonexistent/x.hwl: cannot write"},
      {{"--info", missing}, "missing.hwl: cannot open"},
  };
  for (const auto& [arguments, message] : cases) {
    const ProcessResult result = hwlconv(arguments);
    EXPECT_EQ(result.exitCode, 1) << message;
    EXPECT_THAT(result.err, HasSubstr(message));
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  EXPECT_EQ(hwlconv({"--bits", "9", (dir / "in.ppm").string(), (dir / "x.hwl").string()}).exitCode, 2);
  const ProcessResult help = hwlconv({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* option : {"--info", "--grey", "--levels", "--bits", "--threshold", "--psnr", "--verbose"}) {
    EXPECT_THAT(help.out, HasSubstr(option));
  }
}

// The scikit-image pictures (bench/fetch-pictures), when they are there.
TEST(Hwlconv, RoundTripsTheTestPictures) {
  const auto pictures = testsupport::sourceDir() / "bench/pictures";
  if (!std::filesystem::exists(pictures / "astronaut.png")) GTEST_SKIP() << "run bench/fetch-pictures";
  TempDir dir;
  for (const char* name : {"astronaut.png", "camera.png"}) {
    const ProcessResult encoded = hwlconv({"-v", "--bits", "7,6,6", "--threshold", "6",
                                           (pictures / name).string(), (dir / "p.hwl").string()});
    ASSERT_EQ(encoded.exitCode, 0) << encoded.err;
    ASSERT_EQ(hwlconv({(dir / "p.hwl").string(), (dir / "back.png").string()}).exitCode, 0);
    const Png original = readPng(pictures / name);
    const Png back = readPng(dir / "back.png");
    ASSERT_EQ(back.samples.size(), original.samples.size()) << name;
    EXPECT_NEAR(psnrOf(original.samples, back.samples), reportedPsnr(encoded.out), 0.005) << name;
    EXPECT_GT(reportedPsnr(encoded.out), 30) << name;
  }
}

}  // namespace
