#include "tools/content/wing.h"

#include "maths/maths.h"
#include "tools/content/drawing.h"

#include <cmath>
#include <vector>

namespace content {

namespace {

// The wing's edge, clockwise from the top of the hinge, in picture fractions (s right, t down).
const std::vector<Point> edge{
    {0.03, 0.21},  {0.18, 0.11},   {0.42, 0.04}, {0.70, 0.02}, {0.90, 0.04},  // leading edge to the tip
    {0.97, 0.10},  {0.95, 0.22},   {0.89, 0.35}, {0.83, 0.45}, {0.77, 0.50},  // the fore wing's outer edge
    {0.715, 0.52}, {0.725, 0.545},                                            // where the wings meet
    {0.77, 0.59},  {0.78, 0.68},   {0.73, 0.79}, {0.62, 0.89}, {0.47, 0.96},  // round the hind wing
    {0.30, 0.97},  {0.16, 0.90},   {0.07, 0.77}, {0.03, 0.62}, {0.02, 0.42},  // back up along the hinge
};

// Veins from the root of the wing towards its edge.
const std::vector<std::vector<Point>> veins{
    {{0.04, 0.29}, {0.22, 0.16}, {0.50, 0.07}},
    {{0.04, 0.31}, {0.33, 0.20}, {0.62, 0.12}, {0.84, 0.07}},
    {{0.04, 0.33}, {0.40, 0.28}, {0.68, 0.22}, {0.93, 0.18}},
    {{0.04, 0.36}, {0.40, 0.37}, {0.64, 0.37}, {0.87, 0.36}},
    {{0.40, 0.20}, {0.42, 0.29}, {0.40, 0.37}},  // closing the cell in the middle of the fore wing
    {{0.40, 0.37}, {0.60, 0.44}, {0.78, 0.47}},
    {{0.04, 0.56}, {0.36, 0.58}, {0.74, 0.63}},
    {{0.04, 0.59}, {0.30, 0.67}, {0.66, 0.83}},
    {{0.04, 0.62}, {0.22, 0.77}, {0.44, 0.93}},
    {{0.04, 0.65}, {0.11, 0.80}, {0.21, 0.93}},
};

const std::vector<Point> body{{0.0, 0.17}, {0.0, 0.72}};
const std::vector<Point> antenna{{0.01, 0.18}, {0.05, 0.09}, {0.12, 0.02}};

constexpr double borderWidth = 0.055;  // of the picture's size
constexpr double spotRadius = 0.011;
constexpr double spotSpacing = 0.06;

std::vector<Point> scaled(const std::vector<Point>& points, int size) {
  std::vector<Point> out;
  for (const Point& p : points) out.push_back({p.x * size, p.y * size});
  return out;
}

// The spots: along the outer edge (not along the hinge) at even steps, inside the border.
std::vector<Point> spotCentres(int size) {
  const std::vector<Point> outline = closedCurve(scaled(edge, size));
  const GreyCanvas silhouette = drawWingSilhouette(size);
  const double inset = 0.018 * size;
  std::vector<Point> spots;
  double travelled = 0;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const Point& a = outline[i];
    const Point& b = outline[(i + 1) % outline.size()];
    const double length = maths::hypot(b.x - a.x, b.y - a.y);
    travelled += length;
    if (travelled < spotSpacing * size || a.x < 0.16 * size) continue;
    travelled = 0;
    // Step inwards along the edge's normal, to whichever side the wing is on.
    const Point normal{-(b.y - a.y) / length, (b.x - a.x) / length};
    const Point in{a.x + normal.x * inset, a.y + normal.y * inset};
    const Point out{a.x - normal.x * inset, a.y - normal.y * inset};
    const auto inside = [&](const Point& p) {
      const int x = static_cast<int>(p.x), y = static_cast<int>(p.y);
      return silhouette.contains(x, y) && silhouette.at(x, y) > 0.5f;
    };
    spots.push_back(inside(in) ? in : out);
  }
  return spots;
}

}  // namespace

GreyCanvas drawWingSilhouette(int size) {
  GreyCanvas canvas(size, size);
  fillPolygon(canvas, closedCurve(scaled(edge, size)));
  return canvas;
}

GreyCanvas drawWingPattern(int size) {
  GreyCanvas canvas(size, size);
  strokePolyline(canvas, closedCurve(scaled(edge, size)), borderWidth * size, true);
  for (const std::vector<Point>& vein : veins) {
    strokePolyline(canvas, openCurve(scaled(vein, size)), 0.011 * size, false);
  }
  for (const Point& spot : spotCentres(size)) eraseDisc(canvas, spot, spotRadius * size);
  strokePolyline(canvas, scaled(body, size), 0.07 * size, false);
  strokePolyline(canvas, openCurve(scaled(antenna, size)), 0.012 * size, false);
  return canvas;
}

GreyCanvas drawWingSpots(int size) {
  GreyCanvas canvas(size, size);
  for (const Point& spot : spotCentres(size)) fillDisc(canvas, spot, spotRadius * size);
  return canvas;
}

}  // namespace content
