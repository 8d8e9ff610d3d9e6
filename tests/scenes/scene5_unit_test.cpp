#include "scenes/scenes.h"
#include "tests/scenes/demo_state_fixture.h"

#include <GL/gl.h>

#include <cmath>

namespace {

using glrec::Call;

class Scene5 : public scenetest::DemoState {
 protected:
  void SetUp() override {
    DemoState::SetUp();
    scenes::demoClock = 86180;
    scenes::scene5Start();
  }

  static scenes::Caption postAt(std::int32_t clock) {
    scenes::demoClock = clock;
    scenes::scene5Post();
    return scenes::captions[1];
  }

  static void expectSame(const scenes::Caption& a, const scenes::Caption& b, std::int32_t clock) {
    EXPECT_EQ(a.x, b.x) << clock;
    EXPECT_EQ(a.alpha, b.alpha) << clock;
    EXPECT_EQ(a.row, b.row) << clock;
  }
};

TEST_F(Scene5, CaptionWindowsAreStrictAndTheCaptionKeepsItsValuesOutsideThem) {
  const scenes::Caption initial = scenes::captions[1];
  expectSame(postAt(90970), initial, 90970);

  scenes::Caption c = postAt(90971);
  EXPECT_EQ(c.x, float(-7.5 + 90971.0 / 12000));
  EXPECT_EQ(c.alpha, float(std::sin(1.0 / 1500)));
  EXPECT_EQ(c.row, 3);

  const scenes::Caption lastOfFirst = postAt(96059);
  EXPECT_LT(lastOfFirst.alpha, 0);  // past its arch: invisible for the rest of the window
  expectSame(postAt(96060), lastOfFirst, 96060);

  c = postAt(96061);
  EXPECT_EQ(c.row, 4);
  EXPECT_EQ(c.x, float(-8 + 96061.0 / 12000));
  EXPECT_EQ(c.alpha, float(std::sin(1.0 / 1500)));
  EXPECT_EQ(postAt(101000).x, float(-8 + 101000.0 / 12000));  // the post procedure's last frame
}

TEST_F(Scene5, RingOneStartsAsAFullDiscAndAllThreeGrowFromTheirOwnClocks) {
  scenes::demoClock = 101000;
  glrec::clearCalls();
  scenes::scene5RenderRings();
  const auto disks = glrec::callsNamed("gluDisk");
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[0].args, (std::vector<double>{1, 0, 0.02, 30, 30}));  // quadric 1, inner radius 0: a disc
  EXPECT_DOUBLE_EQ(disks[1].args[1], 0.5);
  EXPECT_DOUBLE_EQ(disks[2].args[2], 1.02);
  std::vector<double> alphas;
  const auto& calls = glrec::calls();
  for (std::size_t k = 1; k < calls.size(); ++k) {
    if (calls[k].name == "gluDisk") alphas.push_back(calls[k - 1].args.at(3));
  }
  EXPECT_EQ(alphas, (std::vector<double>{1, 0.5f, 0.2f}));
  EXPECT_EQ(glrec::callsNamed("gluQuadricTexture").at(0), (Call{"gluQuadricTexture", {1, GL_FALSE}}));
  EXPECT_EQ(glrec::callsNamed("gluDeleteQuadric").at(0), (Call{"gluDeleteQuadric", {1}}));
  EXPECT_EQ(glrec::count("glOrtho"), 1u) << "the gradient's view only: no caption";
  EXPECT_EQ(glrec::callsNamed("glTranslatef"), (std::vector<Call>{{"glTranslatef", {0, 0, -2}}}));

  glrec::clearCalls();
  scenes::demoClock = 101499;
  scenes::scene5RenderRings();
  EXPECT_DOUBLE_EQ(glrec::callsNamed("gluDisk").at(0).args[1], 499.0 / 2000);
  EXPECT_FALSE(glrec::isEnabled(GL_TEXTURE_2D));
  EXPECT_TRUE(glrec::isEnabled(GL_BLEND));
}

}  // namespace
