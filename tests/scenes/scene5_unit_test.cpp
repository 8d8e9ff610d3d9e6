#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <GL/gl.h>

#include <cmath>

namespace {

using glrec::Call;

class Scene5 : public scenetest::DemoStateFixture {
 protected:
  void SetUp() override {
    DemoStateFixture::SetUp();
    scenes::demoClock = 86180;
    scenes::scene5Start();
  }

  static scenes::Caption postAt(std::int32_t clock) {
    scenes::demoClock = clock;
    scenes::scene5Post();
    return scenes::captions[1];
  }
};

TEST_F(Scene5, CaptionWindowsAreStrictAndTheCaptionKeepsItsValuesOutsideThem) {
  const scenes::Caption initial = scenes::captions[1];
  for (std::int32_t clock : {86180, 90000, 90970}) {
    const scenes::Caption c = postAt(clock);
    EXPECT_EQ(c.x, initial.x) << clock;
    EXPECT_EQ(c.alpha, 0) << clock;
    EXPECT_EQ(c.row, 3) << clock;
  }

  scenes::Caption c = postAt(90971);
  EXPECT_EQ(c.x, float(-7.5 + 90971.0 / 12000));
  EXPECT_EQ(c.alpha, float(std::sin(1.0 / 1500)));
  EXPECT_EQ(c.row, 3);

  const scenes::Caption lastOfFirst = postAt(96059);
  EXPECT_EQ(lastOfFirst.x, float(-7.5 + 96059.0 / 12000));
  EXPECT_EQ(lastOfFirst.alpha, float(std::sin(5089.0 / 1500)));
  EXPECT_LT(lastOfFirst.alpha, 0);  // past its arch: invisible for the rest of the window

  c = postAt(96060);  // between the windows: the values of the previous frame
  EXPECT_EQ(c.x, lastOfFirst.x);
  EXPECT_EQ(c.alpha, lastOfFirst.alpha);
  EXPECT_EQ(c.row, 3);

  c = postAt(96061);
  EXPECT_EQ(c.row, 4);
  EXPECT_EQ(c.x, float(-8 + 96061.0 / 12000));
  EXPECT_EQ(c.alpha, float(std::sin(1.0 / 1500)));

  c = postAt(98416);  // about the top of the arch
  EXPECT_NEAR(c.alpha, 1, 1e-6);

  const scenes::Caption lastOfSecond = postAt(100999);
  c = postAt(101000);  // the post procedure's last frame, still inside the second window
  EXPECT_EQ(c.x, float(-8 + 101000.0 / 12000));
  EXPECT_NE(c.x, lastOfSecond.x);
}

TEST_F(Scene5, RingOneStartsAsAFullDiscAndAllThreeGrowFromTheirOwnClocks) {
  scenes::demoClock = 101000;
  glrec::clearCalls();
  scenes::scene5RenderRings();
  const auto disks = glrec::callsNamed("gluDisk");
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[0].args, (std::vector<double>{1, 0, 0.02, 30, 30}));  // quadric 1, inner 0: a disc
  EXPECT_DOUBLE_EQ(disks[1].args[1], 0.5);
  EXPECT_DOUBLE_EQ(disks[1].args[2], 0.52);
  EXPECT_DOUBLE_EQ(disks[2].args[1], 1.0);
  EXPECT_DOUBLE_EQ(disks[2].args[2], 1.02);
  std::vector<double> alphas;
  const auto& calls = glrec::calls();
  for (std::size_t k = 1; k < calls.size(); ++k) {
    if (calls[k].name == "gluDisk") alphas.push_back(calls[k - 1].args.at(3));
  }
  EXPECT_EQ(alphas, (std::vector<double>{1, 0.5f, 0.2f}));
  EXPECT_EQ(glrec::callsNamed("gluQuadricTexture").at(0), (Call{"gluQuadricTexture", {1, GL_FALSE}}));
  EXPECT_EQ(glrec::callsNamed("gluDeleteQuadric").at(0), (Call{"gluDeleteQuadric", {1}}));
  EXPECT_EQ(glrec::count("glOrtho"), 1u) << "only the gradient's view: no caption";

  glrec::clearCalls();
  scenes::demoClock = 101499;
  scenes::scene5RenderRings();
  const auto last = glrec::callsNamed("gluDisk");
  EXPECT_DOUBLE_EQ(last[0].args[1], 499.0 / 2000);
  EXPECT_DOUBLE_EQ(last[2].args[2], 2499.0 / 2000 + 0.02);
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
}

TEST_F(Scene5, RingsLieOnTheClosingPanelAtDepthTwo) {
  scenes::demoClock = 101200;
  glrec::clearCalls();
  scenes::scene5RenderRings();
  const auto names = glrec::names();
  const auto panel = std::find(names.begin(), names.end(), "glTranslatef");
  ASSERT_NE(panel, names.end());
  EXPECT_EQ(glrec::calls()[panel - names.begin()], (Call{"glTranslatef", {0, 0, -2}}));
  EXPECT_EQ(glrec::count("glTranslatef"), 1u);
  EXPECT_EQ(glrec::callsNamed("glBindTexture").at(0).args[1], double(scenes::texBackground4->glName));
  const auto disk = std::find(names.begin(), names.end(), "gluDisk");
  EXPECT_LT(panel, disk);
}

}  // namespace
