#include "tools/content/wing.h"

#include "tools/content/drawing.h"

#include <vector>

namespace content {

namespace {

// The wing's edge, clockwise from the top of the hinge, in picture fractions (s right, t down).
const std::vector<Point> edge{
    {0.03, 0.20}, {0.20, 0.10}, {0.45, 0.04}, {0.72, 0.02}, {0.92, 0.05},  // leading edge to the tip
    {0.97, 0.14}, {0.92, 0.28}, {0.84, 0.42}, {0.70, 0.50},                // the fore wing's outer edge
    {0.75, 0.60}, {0.73, 0.74}, {0.62, 0.87}, {0.46, 0.95}, {0.28, 0.96},  // round the hind wing
    {0.14, 0.88}, {0.06, 0.75}, {0.03, 0.60}, {0.02, 0.40},                // back up along the hinge
};

// Veins from the root of the wing towards its edge.
const std::vector<std::vector<Point>> veins{
    {{0.04, 0.30}, {0.25, 0.15}, {0.55, 0.06}},
    {{0.04, 0.32}, {0.35, 0.21}, {0.65, 0.13}, {0.86, 0.09}},
    {{0.04, 0.34}, {0.40, 0.29}, {0.70, 0.24}, {0.94, 0.21}},
    {{0.04, 0.36}, {0.40, 0.38}, {0.62, 0.39}, {0.86, 0.38}},
    {{0.40, 0.21}, {0.41, 0.30}, {0.40, 0.38}},  // closing the cell in the middle of the fore wing
    {{0.04, 0.55}, {0.35, 0.58}, {0.72, 0.62}},
    {{0.04, 0.58}, {0.30, 0.68}, {0.64, 0.83}},
    {{0.04, 0.62}, {0.22, 0.78}, {0.42, 0.93}},
    {{0.04, 0.64}, {0.12, 0.80}, {0.20, 0.93}},
};

const std::vector<Point> body{{0.0, 0.17}, {0.0, 0.72}};
const std::vector<Point> antenna{{0.01, 0.18}, {0.05, 0.09}, {0.12, 0.02}};

std::vector<Point> scaled(const std::vector<Point>& points, int size) {
  std::vector<Point> out;
  for (const Point& p : points) out.push_back({p.x * size, p.y * size});
  return out;
}

}  // namespace

GreyCanvas drawWingSilhouette(int size) {
  GreyCanvas canvas(size, size);
  fillPolygon(canvas, closedCurve(scaled(edge, size)));
  return canvas;
}

GreyCanvas drawWingPattern(int size) {
  GreyCanvas canvas(size, size);
  strokePolyline(canvas, closedCurve(scaled(edge, size)), 0.03 * size, true);
  for (const std::vector<Point>& vein : veins) {
    strokePolyline(canvas, openCurve(scaled(vein, size)), 0.011 * size, false);
  }
  strokePolyline(canvas, scaled(body, size), 0.07 * size, false);
  strokePolyline(canvas, openCurve(scaled(antenna, size)), 0.012 * size, false);
  return canvas;
}

}  // namespace content
