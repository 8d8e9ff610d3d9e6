// The desktop gets its display mode back however the demo ends after it changed the mode: a fatal
// report, an input error (a cut-short picture, one too large for memory), an error.txt that cannot be
// written, SIGTERM, SIGINT or SIGHUP. Run on an X server whose modes can really be switched (the desktop at
// 1024 x 768, the demo's default 800 x 600 fullscreen), and skipped where no such server can start.
//
// The demo is held right after the mode change: data/loading.hwl, the first picture it reads, is a
// pipe that the test fills only once it has seen the display in 800 x 600.

#include "tests/e2e/demo_harness.h"
#include "tests/support/flat_hwl.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using namespace testsupport;
using namespace e2e;

constexpr const char* desktopMode = "1024x768";

class DisplayMode : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = startModeSwitchingDisplay();
    if (!x_) GTEST_SKIP() << "no X server with switchable display modes (Xorg's dummy driver) can start here";
    ASSERT_EQ(currentMode(*x_), desktopMode);
    prepareDemoFolder(dir_, 30);
    std::filesystem::remove(dir_ / "data" / "loading.hwl");
    ASSERT_EQ(::mkfifo((dir_ / "data" / "loading.hwl").c_str(), 0644), 0);
  }

  // Starts the demo (with at most `addressSpace` bytes of memory, 0: no limit), takes the defaults in
  // the dialog and waits until the demo has switched the display to 800 x 600 fullscreen.
  std::unique_ptr<Process> startFullscreen(const std::string& addressSpace = "") {
    std::vector<std::string> argv{demoBinary()};
    if (!addressSpace.empty()) argv.insert(argv.begin(), {"prlimit", "--as=" + addressSpace, "--"});
    auto demo = std::make_unique<Process>(argv, demoOptions(dir_, *x_));
    EXPECT_TRUE(answerConfigDialog(*x_, {"Return"}));
    EXPECT_TRUE(waitForMode(*x_, "800x600")) << "the demo did not switch the display mode";
    return demo;
  }

  // Gives the held demo its first picture.
  void feedLoadingPicture(const std::string& bytes) {
    const int pipe = ::open((dir_ / "data" / "loading.hwl").c_str(), O_WRONLY);
    ASSERT_GE(pipe, 0);
    ASSERT_EQ(::write(pipe, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(pipe);
  }

  std::unique_ptr<Xvfb> x_;
  TempDir dir_;
};

TEST_F(DisplayMode, IsGivenBackAfterAFatalReport) {
  auto demo = startFullscreen();
  feedLoadingPicture(flatHwlBytes(FlatHwl{4, 0, 24}));
  const ProcessResult result = demo->wait(30s);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(lines(readFile(dir_ / "error.txt")).at(3), "Could not load Texture\r");
  EXPECT_EQ(currentMode(*x_), desktopMode);
}

TEST_F(DisplayMode, IsGivenBackWhenErrorTxtCannotBeWritten) {
  std::filesystem::create_directory(dir_ / "error.txt");
  auto demo = startFullscreen();
  feedLoadingPicture(flatHwlBytes(FlatHwl{4, 0, 24}));
  const ProcessResult result = demo->wait(30s);
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_NE(result.err.find("cannot write error.txt"), std::string::npos) << result.err;
  EXPECT_EQ(currentMode(*x_), desktopMode);
}

// A cut-short picture, and a header that declares 65535 x 65535 pixels (about 17 GB) with the demo held
// to 4 GB of memory: one line naming the file, status 1, never an abort.
TEST_F(DisplayMode, IsGivenBackAfterAnInputError) {
  const std::string whole = flatHwlBytes(FlatHwl{});
  std::string huge = whole;
  huge.replace(3, 4, "\xFF\xFF\xFF\xFF");
  for (const std::string& picture : {whole.substr(0, whole.size() - 3), huge}) {
    auto demo = startFullscreen("4294967296");
    feedLoadingPicture(picture);
    const ProcessResult result = demo->wait(30s);
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(lines(result.err).size(), 1u) << result.err;
    EXPECT_EQ(result.err.rfind("velmorrow: cannot read data/loading.hwl: ", 0), 0u) << result.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "error.txt"));
    EXPECT_EQ(currentMode(*x_), desktopMode);
  }
}

TEST_F(DisplayMode, IsGivenBackAfterSigtermSigintOrSighupInTheFrameLoop) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    auto demo = startFullscreen();
    feedLoadingPicture(flatHwlBytes(FlatHwl{}));
    ASSERT_FALSE(x_->waitForWindow("^Velmorrow$").empty());
    demo->kill(signal);
    const ProcessResult result = demo->wait(30s);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(currentMode(*x_), desktopMode) << strsignal(signal);
  }
}

}  // namespace
