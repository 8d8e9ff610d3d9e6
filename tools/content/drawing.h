#pragma once
// Shapes drawn in code, for the pictures a recipe cannot make: smooth closed curves through points,
// filled with anti-aliased edges, and lines of a given width. Coordinates are canvas pixels (x right,
// y down); a pixel's centre is at (x + 0.5, y + 0.5).

#include "tools/content/canvas.h"

#include <vector>

namespace content {

struct Point {
  double x = 0, y = 0;
};

// A smooth closed curve (Catmull-Rom) through the points, as a polygon of `perSpan` points per span.
std::vector<Point> closedCurve(const std::vector<Point>& through, int perSpan = 16);
// The same for an open curve from the first point to the last.
std::vector<Point> openCurve(const std::vector<Point>& through, int perSpan = 16);

// Fills the polygon (even-odd), 4 x 4 samples a pixel, lightening the canvas to the coverage.
void fillPolygon(GreyCanvas& canvas, const std::vector<Point>& polygon);

// A disc with an anti-aliased edge: fillDisc lightens the canvas to it, eraseDisc darkens the canvas
// to its outside (a hole).
void fillDisc(GreyCanvas& canvas, Point centre, double radius);
void eraseDisc(GreyCanvas& canvas, Point centre, double radius);

// Draws the polyline (closed: back to its first point) with round joins, `width` pixels wide.
void strokePolyline(GreyCanvas& canvas, const std::vector<Point>& line, double width, bool closed);

}  // namespace content
