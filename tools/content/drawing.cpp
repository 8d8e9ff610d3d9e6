#include "tools/content/drawing.h"

#include "maths/maths.h"

#include <algorithm>
#include <cmath>

namespace content {

namespace {

// The Catmull-Rom span from p1 to p2 (with neighbours p0 and p3) at t in [0, 1).
Point catmullRom(const Point& p0, const Point& p1, const Point& p2, const Point& p3, double t) {
  const double t2 = t * t, t3 = t2 * t;
  const auto blend = [&](double a, double b, double c, double d) {
    return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (-a + 3 * b - 3 * c + d) * t3);
  };
  return {blend(p0.x, p1.x, p2.x, p3.x), blend(p0.y, p1.y, p2.y, p3.y)};
}

std::vector<Point> curve(const std::vector<Point>& through, int perSpan, bool closed) {
  std::vector<Point> out;
  const int n = static_cast<int>(through.size());
  const auto point = [&](int i) { return closed ? through[((i % n) + n) % n] : through[std::clamp(i, 0, n - 1)]; };
  const int spans = closed ? n : n - 1;
  for (int i = 0; i < spans; ++i) {
    for (int k = 0; k < perSpan; ++k) {
      out.push_back(catmullRom(point(i - 1), point(i), point(i + 1), point(i + 2), static_cast<double>(k) / perSpan));
    }
  }
  if (!closed && n > 0) out.push_back(through.back());
  return out;
}

// The squared distance from p to the segment a-b.
double distanceSquared(const Point& p, const Point& a, const Point& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length = dx * dx + dy * dy;
  double t = length > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
  return ex * ex + ey * ey;
}

void strokeSegment(GreyCanvas& canvas, const Point& a, const Point& b, double width) {
  const double half = width / 2;
  const int x0 = static_cast<int>(std::floor(std::min(a.x, b.x) - half - 1));
  const int x1 = static_cast<int>(std::ceil(std::max(a.x, b.x) + half + 1));
  const int y0 = static_cast<int>(std::floor(std::min(a.y, b.y) - half - 1));
  const int y1 = static_cast<int>(std::ceil(std::max(a.y, b.y) + half + 1));
  for (int y = std::max(y0, 0); y <= std::min(y1, canvas.height - 1); ++y) {
    for (int x = std::max(x0, 0); x <= std::min(x1, canvas.width - 1); ++x) {
      const double d = std::sqrt(distanceSquared({x + 0.5, y + 0.5}, a, b));
      const double coverage = std::clamp(half + 0.5 - d, 0.0, 1.0);
      if (coverage > 0) canvas.lighten(x, y, static_cast<float>(coverage));
    }
  }
}

}  // namespace

std::vector<Point> closedCurve(const std::vector<Point>& through, int perSpan) { return curve(through, perSpan, true); }
std::vector<Point> openCurve(const std::vector<Point>& through, int perSpan) { return curve(through, perSpan, false); }

void fillPolygon(GreyCanvas& canvas, const std::vector<Point>& polygon) {
  constexpr int samples = 4;
  const std::size_t n = polygon.size();
  std::vector<double> crossings;
  std::vector<int> hits(static_cast<std::size_t>(canvas.width));
  for (int y = 0; y < canvas.height; ++y) {
    std::fill(hits.begin(), hits.end(), 0);
    for (int sy = 0; sy < samples; ++sy) {
      const double py = y + (sy + 0.5) / samples;
      crossings.clear();
      for (std::size_t i = 0; i < n; ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % n];
        if ((a.y <= py) != (b.y <= py)) crossings.push_back(a.x + (py - a.y) / (b.y - a.y) * (b.x - a.x));
      }
      std::sort(crossings.begin(), crossings.end());
      for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
        // Sample columns x + (sx + 0.5) / samples inside [crossings[i], crossings[i + 1]).
        const double from = crossings[i] * samples - 0.5, to = crossings[i + 1] * samples - 0.5;
        const int first = std::max(0, static_cast<int>(std::ceil(from)));
        const int last = std::min(canvas.width * samples - 1, static_cast<int>(std::ceil(to)) - 1);
        for (int s = first; s <= last; ++s) ++hits[static_cast<std::size_t>(s / samples)];
      }
    }
    for (int x = 0; x < canvas.width; ++x) {
      if (hits[x] > 0) canvas.lighten(x, y, static_cast<float>(hits[x]) / (samples * samples));
    }
  }
}

namespace {

// The disc's coverage of each pixel near it, handed to `apply`.
template <typename Apply>
void eachDiscPixel(GreyCanvas& canvas, Point centre, double radius, Apply apply) {
  for (int y = static_cast<int>(std::floor(centre.y - radius - 1)); y <= centre.y + radius + 1; ++y) {
    for (int x = static_cast<int>(std::floor(centre.x - radius - 1)); x <= centre.x + radius + 1; ++x) {
      if (!canvas.contains(x, y)) continue;
      const double d = maths::hypot(x + 0.5 - centre.x, y + 0.5 - centre.y);
      apply(canvas.at(x, y), static_cast<float>(std::clamp(radius + 0.5 - d, 0.0, 1.0)));
    }
  }
}

}  // namespace

void fillDisc(GreyCanvas& canvas, Point centre, double radius) {
  eachDiscPixel(canvas, centre, radius, [](float& value, float coverage) { value = std::max(value, coverage); });
}

void eraseDisc(GreyCanvas& canvas, Point centre, double radius) {
  eachDiscPixel(canvas, centre, radius, [](float& value, float coverage) { value = std::min(value, 1 - coverage); });
}

void strokePolyline(GreyCanvas& canvas, const std::vector<Point>& line, double width, bool closed) {
  for (std::size_t i = 0; i + 1 < line.size(); ++i) strokeSegment(canvas, line[i], line[i + 1], width);
  if (closed && line.size() > 2) strokeSegment(canvas, line.back(), line.front(), width);
}

}  // namespace content
