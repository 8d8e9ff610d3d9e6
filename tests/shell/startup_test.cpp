#include "hwl/encoder.h"
#include "scenes/demo_state.h"
#include "shell/demo.h"
#include "shell/loading_screen.h"
#include "shell/settings.h"
#include "tests/support/flat_hwl.h"
#include "tests/support/gl_recorder.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using glrec::Call;

std::vector<float> barEnds;  // the bar's right end in each presented loading frame
std::size_t deletedNames = 0;

void noteBar() {
  deletedNames += glrec::count("glDeleteTextures");
  for (const Call& call : glrec::calls()) {
    const bool barVertex = call.name == "glVertex3f" && call.args[1] == double(-0.5f) && call.args[2] == double(0.1f);
    if (barVertex && call.args[0] != double(-1.6f)) barEnds.push_back(static_cast<float>(call.args[0]));
  }
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::writeFlatDataSet(dir.path());
    host = {.presentFrame =
                [] {
                  noteBar();
                  glrec::reset();
                },
            .dataDirectory = dir.path().string()};
    shell::useDescription(host);
    barEnds.clear();
    deletedNames = 0;
  }
  void TearDown() override { shell::useDescription({}); }
  testsupport::TempDir dir;
  shell::DemoDescription host;
};

TEST_F(Startup, LoadingScreenLeavesAdditiveBlendingOnAndDepthTestingOff) {
  shell::screenWidth = 1024;
  shell::screenHeight = 768;
  glrec::reset();
  shell::initLoadingScreen();
  EXPECT_EQ(glrec::calls().front(), (Call{"glViewport", {0, 0, 1024, 768}}));
  EXPECT_EQ(glrec::callsNamed("gluPerspective")[0], (Call{"gluPerspective", {45, 1024.0 / 768.0, 0.1, 100}}));
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
  EXPECT_FALSE(glrec::isEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(glrec::state().blendSource, static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(glrec::state().blendDestination, static_cast<GLenum>(GL_ONE));
  EXPECT_EQ(glrec::callsNamed("glDepthFunc")[0], (Call{"glDepthFunc", {GL_LEQUAL}}));
  EXPECT_EQ(glrec::count("glBegin"), 0u);  // nothing drawn yet
  engine::doneTexture(shell::texLoading);
  shell::texLoading = nullptr;
  shell::storeDefaultSettings();
}

TEST_F(Startup, HalfwayTheBarEndsAtThePicturesCentre) {
  shell::initLoadingScreen();
  glrec::reset();
  shell::useDescription({.dataDirectory = host.dataDirectory});
  shell::showProgress(0.5);
  const std::vector<Call> bar(glrec::calls().end() - 6, glrec::calls().end());
  const std::vector<Call> expected{{"glVertex3f", {-1.6f, -0.5f, 0.1f}},
                                   {"glVertex3f", {0, -0.5f, 0.1f}},
                                   {"glVertex3f", {0, -0.4f, 0.1f}},
                                   {"glVertex3f", {-1.6f, -0.4f, 0.1f}},
                                   {"glEnd", {}}};
  EXPECT_EQ(std::vector<Call>(bar.begin() + 1, bar.end()), expected);
  EXPECT_EQ(glrec::callsNamed("glTranslatef")[0], (Call{"glTranslatef", {0, -0.3f, -4}}));
  EXPECT_EQ(glrec::calls()[0], (Call{"glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT}}));
  engine::doneTexture(shell::texLoading);
  shell::texLoading = nullptr;
}

TEST_F(Startup, ShowsEveryProgressStepInOrderAndFreesTheLoadingPictureAndTheMasks) {
  glrec::reset();
  shell::startDemo(host);
  std::vector<float> expected;
  for (double fraction : {0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0}) {
    expected.push_back(static_cast<float>(1.6 * (2.0 * fraction - 1.0)));
  }
  EXPECT_EQ(barEnds, expected);
  EXPECT_EQ(shell::texLoading, nullptr);
  // Four masks freed, five alpha pictures uploaded again (their first name freed), the loading picture.
  EXPECT_EQ(deletedNames + glrec::count("glDeleteTextures"), 10u);
  for (engine::Texture* texture :
       {scenes::texText1, scenes::texText3, scenes::texButterflyShape, scenes::texBackground99, scenes::texCloud}) {
    ASSERT_NE(texture, nullptr);
  }
  EXPECT_EQ(scenes::texText1->image.components, 4);
  EXPECT_EQ(scenes::texFivebox1->image.components, 3);
  EXPECT_TRUE(scenes::texFivebox1->mipmapped);
  EXPECT_FALSE(scenes::texCircle1->mipmapped);
  EXPECT_TRUE(scenes::texCloud->mipmapped);
  // Every alpha picture is opaque first, then takes its mask: for flat masks the alpha ends at 0.
  EXPECT_EQ(scenes::texButterfly->image.pixels[3], 0);

  std::vector<Call> expectedFrees(scenes::textureCount);
  for (const scenes::TextureRow& row : scenes::textureTable) {
    const double name = (*row.global)->glName;
    expectedFrees[static_cast<std::size_t>(row.shutdownPlace)] = {"glDeleteTextures", {1, name}};
  }
  glrec::clearCalls();
  shell::stopDemo();
  EXPECT_EQ(glrec::callsNamed("glDeleteTextures"), expectedFrees);
  EXPECT_EQ(glrec::calls().back().name, "glLoadIdentity");  // the camera's default view comes last
  EXPECT_EQ(scenes::particles1, nullptr);
  EXPECT_EQ(scenes::texCloud, nullptr);
}

TEST(TextureTable, AlphaComesWithFourComponentsNoMipmapsAndAMaskFileOnlyForMaskRows) {
  std::set<engine::Texture**> globals;
  for (const scenes::TextureRow& row : scenes::textureTable) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(globals.insert(row.global).second);
    EXPECT_EQ(row.maskFile != nullptr, row.alpha == scenes::AlphaSource::mask);
    if (row.alpha != scenes::AlphaSource::none) {
      EXPECT_EQ(row.components, 4);
      EXPECT_FALSE(row.mipmaps);
    }
  }
}

// A picture whose every sample is `value` (grey), or a colour ramp.
void writePicture(const std::filesystem::path& path, int channels, int value) {
  hwl::HwlImage image{8, 8, channels, std::vector<std::uint8_t>(8 * 8 * channels)};
  for (std::size_t i = 0; i < image.samples.size(); ++i) {
    image.samples[i] = static_cast<std::uint8_t>(value >= 0 ? value : 20 * (i % 12));
  }
  const auto bytes = hwl::hwlEncode(image, {});
  testsupport::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

TEST_F(Startup, TextTexturesShareTheirColourAndTakeAlphaFromTheirOwnMasks) {
  writePicture(dir / "text0.hwl", 3, -1);
  writePicture(dir / "text1.hwl", 1, 40);
  writePicture(dir / "text2.hwl", 1, 120);
  writePicture(dir / "text3.hwl", 1, 240);
  writePicture(dir / "butterfly_shape.hwl", 3, -1);
  shell::startDemo(host);
  using scenes::texText1, scenes::texText2, scenes::texText3;
  const auto& p1 = texText1->image.pixels;
  const auto& p2 = texText2->image.pixels;
  const auto& p3 = texText3->image.pixels;
  ASSERT_EQ(p1.size(), 8u * 8u * 4u);
  for (std::size_t i = 0; i < p1.size(); i += 4) {
    for (std::size_t c = 0; c < 3; ++c) {
      EXPECT_EQ(p1[i + c], p2[i + c]);
      EXPECT_EQ(p1[i + c], p3[i + c]);
    }
    EXPECT_NEAR(p1[i + 3], 40, 1);
    EXPECT_NEAR(p2[i + 3], 120, 1);
    EXPECT_NEAR(p3[i + 3], 240, 1);
  }
  const auto& shape = scenes::texButterflyShape->image.pixels;
  for (std::size_t i = 0; i < shape.size(); i += 4) EXPECT_EQ(shape[i + 3], shape[i]) << i;
  shell::stopDemo();
}

}  // namespace
