// The GL layer's geometry and picture rules, without a context: how primitives break up, which way a
// triangle faces, GLU's mipmap halving and the BGRA swizzle.
#include "platform/web/gl/matrix.h"
#include "platform/web/gl/pictures.h"
#include "platform/web/gl/primitives.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

using gllayer::Indices;
using gllayer::Pieces;

Indices drawn(GLenum primitive, std::uint32_t count, GLenum polygonMode,
              gllayer::QuadSplit split = gllayer::QuadSplit::firstToThird) {
  Pieces pieces;
  gllayer::breakUp(primitive, 0, count, pieces, split);
  Indices indices;
  gllayer::addPieces(pieces, polygonMode, indices);
  return indices;
}

std::multiset<std::pair<std::uint32_t, std::uint32_t>> edges(const Indices& indices) {
  std::multiset<std::pair<std::uint32_t, std::uint32_t>> out;
  for (std::size_t i = 0; i + 1 < indices.lines.size(); i += 2) out.insert({indices.lines[i], indices.lines[i + 1]});
  return out;
}

TEST(GlLayerPrimitives, QuadsFillAsTwoTrianglesAndOutlineWithoutTheirDiagonal) {
  EXPECT_EQ(drawn(GL_QUADS, 8, GL_FILL).triangles, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}));
  EXPECT_EQ(drawn(GL_QUADS, 4, GL_FILL, gllayer::QuadSplit::secondToFourth).triangles,
            (std::vector<std::uint32_t>{0, 1, 3, 1, 2, 3}));
  EXPECT_EQ(edges(drawn(GL_QUADS, 4, GL_LINE, gllayer::QuadSplit::secondToFourth)), edges(drawn(GL_QUADS, 4, GL_LINE)));
  EXPECT_EQ(edges(drawn(GL_QUADS, 4, GL_LINE)), (decltype(edges({})){{0, 1}, {1, 2}, {2, 3}, {3, 0}}));
  const Indices corners = drawn(GL_QUADS, 4, GL_POINT);
  EXPECT_EQ(std::multiset<std::uint32_t>(corners.points.begin(), corners.points.end()),
            (std::multiset<std::uint32_t>{0, 1, 2, 3}));
  EXPECT_TRUE(drawn(GL_QUADS, 3, GL_FILL).triangles.empty()) << "an unfinished quad draws nothing";
}

TEST(GlLayerPrimitives, StripsFansAndQuadStripsKeepOneWinding) {
  EXPECT_EQ(drawn(GL_TRIANGLE_STRIP, 5, GL_FILL).triangles, (std::vector<std::uint32_t>{0, 1, 2, 2, 1, 3, 2, 3, 4}));
  EXPECT_EQ(drawn(GL_TRIANGLE_FAN, 5, GL_FILL).triangles, (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
  // A quad strip's quads are (0, 1, 3, 2) and (2, 3, 5, 4): edges round each, the shared one twice.
  EXPECT_EQ(edges(drawn(GL_QUAD_STRIP, 6, GL_LINE)),
            (decltype(edges({})){{0, 1}, {1, 3}, {3, 2}, {2, 0}, {2, 3}, {3, 5}, {5, 4}, {4, 2}}));
  // Every triangle of a strip draws all three edges.
  EXPECT_EQ(drawn(GL_TRIANGLE_STRIP, 4, GL_LINE).lines.size(), 12u);
}

TEST(GlLayerPrimitives, LinesAndPointsIgnoreThePolygonMode) {
  EXPECT_EQ(drawn(GL_LINE_LOOP, 3, GL_POINT).lines, (std::vector<std::uint32_t>{0, 1, 1, 2, 2, 0}));
  EXPECT_EQ(drawn(GL_POINTS, 2, GL_LINE).points, (std::vector<std::uint32_t>{0, 1}));
}

TEST(GlLayerPrimitives, FacingComesFromTheScreenAreaEvenBehindTheEye) {
  const gllayer::ClipPosition a{0, 0, 0, 1}, b{1, 0, 0, 1}, c{0, 1, 0, 1};
  EXPECT_TRUE(gllayer::windsCounterClockwise(a, b, c));
  EXPECT_FALSE(gllayer::windsCounterClockwise(a, c, b));
  // A corner behind the eye: divided by its w it would lie at (0.5, -2), below a and b (clockwise), but
  // the part of the triangle on screen runs from a and b upwards, which is counter-clockwise.
  EXPECT_TRUE(gllayer::windsCounterClockwise(a, b, {-0.5F, 2, 0, -1}));
}

TEST(GlLayerPictures, BgraIsSwizzledAndAlphaKeptOnlyForFourComponents) {
  const std::uint8_t bgra[] = {10, 20, 30, 40};
  EXPECT_EQ(gllayer::toRgba(1, 1, GL_BGRA, GL_UNSIGNED_BYTE, bgra, 4, 4)->rgba,
            (std::vector<std::uint8_t>{30, 20, 10, 40}));
  EXPECT_EQ(gllayer::toRgba(1, 1, GL_BGRA, GL_UNSIGNED_BYTE, bgra, 4, 3)->rgba,
            (std::vector<std::uint8_t>{30, 20, 10, 255}));
  // RGB rows padded to the unpack alignment.
  const std::uint8_t rgb[] = {1, 2, 3, 0, 4, 5, 6, 0};
  EXPECT_EQ(gllayer::toRgba(1, 2, GL_RGB, GL_UNSIGNED_BYTE, rgb, 4, GL_RGB)->rgba,
            (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
  EXPECT_FALSE(gllayer::toRgba(1, 1, GL_BGRA, GL_FLOAT, bgra, 4, 4));
}

TEST(GlLayerPictures, MipmapsHalveWithARoundedBoxFilter) {
  gllayer::Picture square{2, 2, {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 255, 3, 0}};
  EXPECT_EQ(gllayer::halve(square).rgba, (std::vector<std::uint8_t>{1, 64, 1, 1}));  // (4 + 2) / 4, (257 + 2) / 4 ...
  gllayer::Picture row{2, 1, {0, 10, 255, 7, 1, 11, 255, 8}};
  const gllayer::Picture half = gllayer::halve(row);
  EXPECT_EQ(half.width, 1);
  EXPECT_EQ(half.rgba, (std::vector<std::uint8_t>{0, 10, 255, 7}));  // pairs of a single row: truncated mean
}

TEST(GlLayerMatrices, TurnsAndGluMatricesMatchTheirDefinitions) {
  const gllayer::Matrix quarter = gllayer::rotation(90, 0, 0, 2);
  const auto x = gllayer::transform(quarter, 1, 0, 0);
  EXPECT_NEAR(x[0], 0, 1e-7);
  EXPECT_FLOAT_EQ(x[1], 1);
  const double eye[] = {0, 0, 5}, centre[] = {0, 0, 0}, up[] = {0, 1, 0};
  const auto seen = gllayer::transform(gllayer::lookAt(eye, centre, up), 1, 2, 0);
  EXPECT_EQ(seen, (std::array<float, 4>{1, 2, -5, 1}));
  const auto far = gllayer::transform(gllayer::perspective(90, 2, 1, 3), 2, 1, -3);
  EXPECT_FLOAT_EQ(far[0] / far[3], 1.0F / 3);  // cot(45) / aspect * x / depth
  EXPECT_FLOAT_EQ(far[2] / far[3], 1);
}

}  // namespace
