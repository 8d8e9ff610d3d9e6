#include "hwl/encoder.h"
#include "tests/support/process.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <regex>

namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using testsupport::ProcessResult;
using testsupport::TempDir;

ProcessResult hwlconv(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{(testsupport::binaryDir() / "hwlconv").string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return testsupport::run(argv, {}, std::chrono::seconds(60));
}

// hwlconv started by sh with `prelude` before it, which may redirect its output ("exec >/dev/full;
// exec") or set limits ("exec prlimit --as=BYTES --"). Files over a --fsize limit fail to grow with EFBIG, as on a
// full disk, once SIGXFSZ is ignored ("trap '' XFSZ;").
ProcessResult hwlconvAfter(const std::string& prelude, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{"sh", "-c", prelude + " \"$@\"", "sh", (testsupport::binaryDir() / "hwlconv").string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return testsupport::run(argv, {}, std::chrono::seconds(60));
}

bool oneLine(const std::string& text) { return !text.empty() && text.find('\n') == text.size() - 1; }

// A P6 (colour) or P5 (grey) picture with smooth shapes and a few edges.
std::string portablePixmap(int w, int h, int channels) {
  std::string out = (channels == 3 ? "P6\n" : "P5\n") + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int ch = 0; ch < channels; ++ch) {
        const double v =
            120 + 70 * std::sin(x * 0.11 + ch) * std::cos(y * 0.05 + 2 * ch) + (x > w / 2 && y > h / 3 ? 40 : 0);
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

// A picture file written by stb_image_write (BMP, TGA, PNG, JPEG) through its callback.
std::string stbFile(const std::function<int(stbi_write_func*, void*)>& write) {
  std::string bytes;
  write([](void* context, void* data,
           int size) { static_cast<std::string*>(context)->append(static_cast<char*>(data), size); },
        &bytes);
  return bytes;
}

// w x h samples of `channels` channels, smooth with a few edges; the last channel of a two- or
// four-channel picture (its alpha) is a ramp with a hole.
std::vector<std::uint8_t> samplesOf(int w, int h, int channels) {
  std::vector<std::uint8_t> samples;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      for (int ch = 0; ch < channels; ++ch) {
        const bool alpha = ch == channels - 1 && channels % 2 == 0;
        const double v = alpha ? ((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < 40 ? 0 : 255.0 * x / w)
                               : 120 + 70 * std::sin(x * 0.11 + ch) * std::cos(y * 0.05 + 2 * ch);
        samples.push_back(static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)));
      }
    }
  }
  return samples;
}

// A palette PNG whose entries are transparent by degrees (a tRNS chunk), written by libpng: the
// colour of pixel (x, y) is entry (x + y) % 16, and that entry's alpha is 17 * entry.
std::string palettePng(int w, int h) {
  std::string bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &bytes,
      [](png_structp p, png_bytep data, png_size_t size) {
        static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), size);
      },
      nullptr);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::array<png_color, 16> palette{};
  std::array<png_byte, 16> alpha{};
  for (int i = 0; i < 16; ++i) {
    palette[i] = {static_cast<png_byte>(16 * i), static_cast<png_byte>(255 - 16 * i), 90};
    alpha[i] = static_cast<png_byte>(17 * i);
  }
  png_set_PLTE(png, info, palette.data(), 16);
  png_set_tRNS(png, info, alpha.data(), 16, nullptr);
  png_write_info(png, info);
  std::vector<png_byte> row(w);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) row[x] = static_cast<png_byte>((x + y) % 16);
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
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
  ASSERT_EQ(hwlconv({"--grey", "--levels", "2", "--bits", "8", (dir / "colour.ppm").string(), (dir / "c.hwl").string()})
                .exitCode,
            0);
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
      {{(dir / "cut.hwl").string(), (dir / "x.png").string()},
       "cut.hwl: the file ends inside the plane-3 value stream"},
      {{(dir / "sixteen.hwl").string(), (dir / "x.png").string()}, "sixteen.hwl: bitsPerPixel is 16"},
      {{(dir / "ok.hwl").string(), (dir / "x.gif").string()}, "x.gif: unknown output type"},
      {{(dir / "junk.png").string(), (dir / "x.hwl").string()}, "junk.png: not a picture hwlconv can read"},
      {{"--bits", "5", (dir / "in.ppm").string(), "/nonexistent/x.hwl"},
       "cannot write /nonexistent/x.hwl: No such file or directory"},
      {{"--info", missing}, "missing.hwl: cannot open"},
  };
  for (const auto& [arguments, message] : cases) {
    const ProcessResult result = hwlconv(arguments);
    EXPECT_EQ(result.exitCode, 1) << message;
    EXPECT_THAT(result.err, HasSubstr(message));
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
  // Command-line mistakes: one line naming the option and what it takes, status 1.
  const std::string in = (dir / "in.ppm").string(), out = (dir / "x.hwl").string();
  const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes{
      {{"--bits", "9", in, out}, "hwlconv: --bits: give one value width or three, each 1 to 8, not '9'"},
      {{"--bits", "1,2,3,xyz", in, out}, "not '1,2,3,xyz'"},
      {{"--bits", "1,2", in, out}, "not '1,2'"},
      {{"--threshold", "nan", in, out}, "hwlconv: --threshold: must be a finite number, 0 or more, not 'nan'"},
      {{"--threshold", "inf", in, out}, "not 'inf'"},
      {{"--threshold", "-1", in, out}, "not '-1'"},
      {{"--psnr", "nan", in, out}, "hwlconv: --psnr: must be a finite number of dB above 0, not 'nan'"},
      {{"--psnr", "inf", in, out}, "not 'inf'"},
      {{"--levels", "17", in, out}, "hwlconv: --levels: "},
      {{in}, "hwlconv: give OUT, or --info IN.hwl"},
      {{"--info", in, out}, "hwlconv: --info takes one file"},
      {{"--alpha", out, in, out}, "hwlconv: --alpha: give a file other than OUT"},
      {{"--frobnicate", in, out}, "hwlconv: "},
  };
  for (const auto& [arguments, message] : mistakes) {
    const ProcessResult result = hwlconv(arguments);
    EXPECT_EQ(result.exitCode, 1) << message;
    EXPECT_EQ(result.err.rfind("hwlconv: ", 0), 0u) << result.err;
    EXPECT_THAT(result.err, HasSubstr(message));
    EXPECT_TRUE(oneLine(result.err) && result.err.size() < 160) << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  const ProcessResult help = hwlconv({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* option : {"--info", "--grey", "--levels", "--bits", "--threshold", "--psnr", "--verbose"}) {
    EXPECT_THAT(help.out, HasSubstr(option));
  }
}

// stb_image fills what is missing of a BMP, TGA or PNM with zeros; hwlconv notices and refuses the file.
TEST(Hwlconv, CutShortPicturesAreRefused) {
  TempDir dir;
  const int w = 37, h = 23;  // odd sizes: BMP rows with padding, TGA runs across rows
  const std::vector<std::uint8_t> rgb = samplesOf(w, h, 3);
  const auto stb = [&](auto write) { return stbFile([&](stbi_write_func* f, void* c) { return write(f, c); }); };
  const std::vector<std::pair<std::string, std::string>> pictures{
      {"p.ppm", portablePixmap(w, h, 3)},
      {"p.pgm", portablePixmap(w, h, 1)},
      {"p.bmp", stb([&](stbi_write_func* f, void* c) { return stbi_write_bmp_to_func(f, c, w, h, 3, rgb.data()); })},
      {"p.tga", stb([&](stbi_write_func* f, void* c) {
         stbi_write_tga_with_rle = 0;
         return stbi_write_tga_to_func(f, c, w, h, 3, rgb.data());
       })},
      {"runs.tga", stb([&](stbi_write_func* f, void* c) {
         stbi_write_tga_with_rle = 1;
         return stbi_write_tga_to_func(f, c, w, h, 3, rgb.data());
       })},
      {"p.png", stb([&](stbi_write_func* f, void* c) { return stbi_write_png_to_func(f, c, w, h, 3, rgb.data(), 0); })},
      {"p.jpg",
       stb([&](stbi_write_func* f, void* c) { return stbi_write_jpg_to_func(f, c, w, h, 3, rgb.data(), 90); })},
      {"one.pgm", "P5\n1 1\n255\n\x80"},
  };
  for (const auto& [name, bytes] : pictures) {
    testsupport::writeFile(dir / name, bytes);
    const ProcessResult whole = hwlconv({"--bits", "8", (dir / name).string(), (dir / "whole.hwl").string()});
    EXPECT_EQ(whole.exitCode, 0) << name << ": " << whole.err;
    EXPECT_EQ(whole.err, "") << name;
    std::vector<std::size_t> sizes{bytes.size() - 1 - (name == "p.bmp"), bytes.size() - 5, bytes.size() / 2};
    if (name == "one.pgm") sizes.resize(1);  // shorter, it is a header that gives no picture
    for (std::size_t size : sizes) {
      testsupport::writeFile(dir / ("cut-" + name), bytes.substr(0, size));
      const ProcessResult cut = hwlconv({"--bits", "8", (dir / ("cut-" + name)).string(), (dir / "cut.hwl").string()});
      EXPECT_EQ(cut.exitCode, 1) << name << " cut to " << size;
      EXPECT_EQ(cut.err, "hwlconv: " + (dir / ("cut-" + name)).string() + ": the file is cut short (its " +
                             std::to_string(size) + " bytes end before the picture does)\n");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "cut.hwl"));
}

// A PNG with alpha (RGBA, grey and alpha, a palette with transparency) says that the alpha is left
// out, and --alpha writes it as an 8-bit picture of its own.
TEST(Hwlconv, AlphaIsReportedAndWrittenOnRequest) {
  TempDir dir;
  const int w = 48, h = 40;
  const auto png = [&](int channels) {
    const std::vector<std::uint8_t> samples = samplesOf(w, h, channels);
    return stbFile(
        [&](stbi_write_func* f, void* c) { return stbi_write_png_to_func(f, c, w, h, channels, samples.data(), 0); });
  };
  const std::vector<std::tuple<std::string, std::string, int>> pictures{
      {"rgba.png", png(4), 24}, {"grey-alpha.png", png(2), 8}, {"palette.png", palettePng(w, h), 24}};
  for (const auto& [name, bytes, bits] : pictures) {
    const std::string in = (dir / name).string(), out = (dir / "out.hwl").string(), mask = (dir / "mask.hwl").string();
    testsupport::writeFile(in, bytes);
    const ProcessResult plain = hwlconv({in, out});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(
        plain.err,
        "hwlconv: " + in + ": the alpha channel is left out (--alpha A.hwl writes it as a grey picture of its own)\n");
    const ProcessResult both = hwlconv({"--alpha", mask, in, out});
    ASSERT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(both.err, "");
    EXPECT_EQ(hwl::hwlDecode(out).header.bitsPerPixel, bits) << name;
    const hwl::HwlPicture alpha = hwl::hwlDecode(mask);
    ASSERT_EQ(alpha.header.bitsPerPixel, 8) << name;
    ASSERT_EQ(alpha.header.width, w);
    ASSERT_EQ(alpha.header.height, h);
    int pw = 0, ph = 0, channels = 0;
    stbi_uc* rgba = stbi_load(in.c_str(), &pw, &ph, &channels, 4);
    ASSERT_NE(rgba, nullptr);
    std::vector<std::uint8_t> expected(w * h);
    for (int i = 0; i < w * h; ++i) expected[i] = rgba[4 * i + 3];
    stbi_image_free(rgba);
    EXPECT_GE(psnrOf(expected, alpha.pixels), 40) << name;  // the default target, as for the picture
  }
  // Only a picture with alpha, and only when writing .hwl.
  testsupport::writeFile(dir / "opaque.ppm", portablePixmap(8, 8, 3));
  const ProcessResult opaque =
      hwlconv({"--alpha", (dir / "m.hwl").string(), (dir / "opaque.ppm").string(), (dir / "o.hwl").string()});
  EXPECT_EQ(opaque.exitCode, 1);
  EXPECT_EQ(opaque.err, "hwlconv: " + (dir / "opaque.ppm").string() + ": has no alpha channel for --alpha\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "o.hwl"));
  EXPECT_EQ(
      hwlconv({"--alpha", (dir / "m.hwl").string(), (dir / "out.hwl").string(), (dir / "o.png").string()}).exitCode, 1);
}

// A write that fails leaves the file that was there as it was, and no temporary beside it; a write
// to standard output that fails is a failure too.
TEST(Hwlconv, FailedWritesKeepTheOldFileAndSayWhy) {
  TempDir dir;
  testsupport::writeFile(dir / "in.ppm", portablePixmap(96, 64, 3));
  const std::string in = (dir / "in.ppm").string(), hwlFile = (dir / "in.hwl").string();
  ASSERT_EQ(hwlconv({"--bits", "8", in, hwlFile}).exitCode, 0);
  const std::vector<std::vector<std::string>> runs{
      {"--bits", "6", in, "OUT.hwl"}, {hwlFile, "OUT.png"}, {hwlFile, "OUT.raw"}};
  for (std::vector<std::string> arguments : runs) {
    const std::string name = arguments.back();
    const std::string target = (dir / name).string();
    arguments.back() = target;
    testsupport::writeFile(target, "the good file");
    // A disk that fills after 100 bytes.
    const ProcessResult full = hwlconvAfter("trap '' XFSZ; exec prlimit --fsize=100 --", arguments);
    EXPECT_EQ(full.exitCode, 1) << name;
    EXPECT_EQ(full.err, "hwlconv: cannot write " + target + ": File too large\n");
    EXPECT_EQ(testsupport::readFile(target), "the good file") << name;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) files.push_back(entry.path().filename());
    EXPECT_THAT(files, ::testing::UnorderedElementsAre("in.ppm", "in.hwl", name)) << name;
    std::filesystem::remove(target);
    // A device that is always full, under a name that says what to write.
    std::filesystem::create_symlink("/dev/full", target);
    arguments.back() = target;
    const ProcessResult device = hwlconv(arguments);
    EXPECT_EQ(device.exitCode, 1) << name;
    EXPECT_EQ(device.err, "hwlconv: cannot write /dev/full: No space left on device\n");
    std::filesystem::remove(target);
  }
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--info", hwlFile}, {"-v", "--bits", "6", in, (dir / "v.hwl").string()}}) {
    const ProcessResult result = hwlconvAfter("exec >/dev/full; exec", arguments);
    EXPECT_EQ(result.exitCode, 1) << arguments[0];
    EXPECT_EQ(result.err, "hwlconv: cannot write to standard output: No space left on device\n");
  }
}

// Pictures too large to decode are refused from their headers, in bounded memory; folders and empty
// files are called what they are.
TEST(Hwlconv, OversizedAndOddInputsAreNamedForWhatTheyAre) {
  TempDir dir;
  hwl::HwlHeader largest{{'H', 'W', 'L'}, 65535, 65535, 24, 0, {}, {}, {8, 8, 8}};
  const auto header = hwl::packHeader(largest);
  std::string big(header.begin(), header.end());
  big += std::string(3 * 2 * 8, '\0');  // the tables; no streams (every coefficient zero)
  testsupport::writeFile(dir / "big.hwl", big);
  const std::string bigHwl = (dir / "big.hwl").string();
  const ProcessResult decoded = hwlconvAfter("exec prlimit --as=1073741824 --", {bigHwl, (dir / "big.png").string()});
  EXPECT_EQ(decoded.exitCode, 1);
  EXPECT_EQ(decoded.err, "hwlconv: " + bigHwl +
                             ": the picture is 65535x65535, 4294836225 pixels; the decoder takes at most 67108864\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "big.png"));
  EXPECT_THAT(hwlconv({"--info", bigHwl}).out, HasSubstr("width: 65535\nheight: 65535\n"));

  // A PNG stb refuses to size and a PPM it would try to load, each far over the limit.
  const std::string pngHeader("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x02\0\0\0\0\0\0\0", 33);
  testsupport::writeFile(dir / "huge.png", pngHeader);
  testsupport::writeFile(dir / "huge.ppm", "P6\n10000 10000\n255\n" + std::string(1000, 'x'));
  testsupport::writeFile(dir / "empty.png", "");
  std::filesystem::create_directory(dir / "folder.png");
  const std::vector<std::pair<std::string, std::string>> cases{
      {"huge.png", "too large to load (100000 x 100000; an HWL picture holds at most 67108864 pixels)"},
      {"huge.ppm", "too large to load (10000 x 10000; an HWL picture holds at most 67108864 pixels)"},
      {"empty.png", "is empty"},
      {"folder.png", "is a directory"},
  };
  for (const auto& [name, problem] : cases) {
    const ProcessResult result =
        hwlconvAfter("exec prlimit --as=1073741824 --", {(dir / name).string(), (dir / "x.hwl").string()});
    EXPECT_EQ(result.exitCode, 1) << name;
    EXPECT_EQ(result.err, "hwlconv: " + (dir / name).string() + ": " + problem + "\n");
  }
  EXPECT_EQ(hwlconv({"--info", (dir / "folder.png").string()}).err,
            "hwlconv: " + (dir / "folder.png").string() + ": is a directory\n");
}

// The scikit-image pictures (bench/fetch-pictures), when they are there.
TEST(Hwlconv, RoundTripsTheTestPictures) {
  const auto pictures = testsupport::sourceDir() / "bench/pictures";
  if (!std::filesystem::exists(pictures / "astronaut.png")) GTEST_SKIP() << "run bench/fetch-pictures";
  TempDir dir;
  for (const char* name : {"astronaut.png", "camera.png"}) {
    const ProcessResult encoded =
        hwlconv({"-v", "--bits", "7,6,6", "--threshold", "6", (pictures / name).string(), (dir / "p.hwl").string()});
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
