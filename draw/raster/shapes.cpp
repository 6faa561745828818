// Lines, rectangles and polygons. Ellipses and pies are in ellipse.cpp.
#include "draw/raster/shapes.h"

#include <algorithm>

#include "draw/raster/raster_math.h"
#include "draw/raster/scan_fill.h"
#include "draw/raster/strokes.h"

namespace tessaloom::raster {
namespace {

Point64 To64(Point p) noexcept { return {p.x, p.y}; }

}  // namespace

void DrawLine(Canvas& canvas, Point from, Point to, const Pen& pen) noexcept {
  StrokeLine(canvas, To64(from), To64(to), pen);
}

void DrawRectangle(Canvas& canvas, std::int32_t left, std::int32_t top, std::int32_t right,
                   std::int32_t bottom, const Pen& pen, const Brush& brush) noexcept {
  const std::int64_t l = std::min(left, right);
  const std::int64_t r = std::max(left, right);
  const std::int64_t t = std::min(top, bottom);
  const std::int64_t b = std::max(top, bottom);
  if (l == r || t == b) return;

  if (!IsWidePen(pen)) {
    // The pen strokes the closed path round [l, r-1] x [t, b-1]: every border
    // pixel, except that a 1x1 box has only zero-length sides.
    if (r - l == 1 && b - t == 1) return;
    canvas.FillRect(l + 1, t + 1, r - 1, b - 1, brush.color);
    canvas.FillRect(l, t, r, t + 1, pen.color);
    canvas.FillRect(l, b - 1, r, b, pen.color);
    canvas.FillRect(l, t, l + 1, b, pen.color);
    canvas.FillRect(r - 1, t, r, b, pen.color);
    return;
  }

  // A wide pen centred on the same path covers rows y - w/2 ... y - w/2 + w - 1
  // of a horizontal side at y (columns likewise): a ring `w` thick, grown
  // w/2 up and left, with the brush in its hole.
  const std::int64_t w = pen.width;
  const std::int64_t half = w / 2;
  const std::int64_t x0 = l - half;
  const std::int64_t y0 = t - half;
  const std::int64_t x1 = r - 1 - half + w;  // exclusive
  const std::int64_t y1 = b - 1 - half + w;
  canvas.FillRect(x0 + w, y0 + w, x1 - w, y1 - w, brush.color);
  canvas.FillRect(x0, y0, x1, std::min(y0 + w, y1), pen.color);
  canvas.FillRect(x0, std::max(y1 - w, y0), x1, y1, pen.color);
  canvas.FillRect(x0, y0, std::min(x0 + w, x1), y1, pen.color);
  canvas.FillRect(std::max(x1 - w, x0), y0, x1, y1, pen.color);
}

void FillPolygon(Canvas& canvas, std::span<const Point> points, FillRule rule,
                 COLORREF color) noexcept {
  if (points.size() < 3) return;
  ScanFiller filler(canvas.Height());
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Point a = points[i];
    const Point b = points[(i + 1) % points.size()];
    filler.AddPixelEdge(a.x, a.y, b.x, b.y);
  }
  filler.Fill(canvas, rule, color);
}

void DrawPolygon(Canvas& canvas, std::span<const Point> points, const Pen& pen,
                 const Brush& brush) noexcept {
  if (points.size() < 2) return;
  FillPolygon(canvas, points, FillRule::kAlternate, brush.color);
  // The closed outline: every vertex starts an edge, so every vertex is
  // painted, and a two-point polygon paints its segment with both ends.
  for (std::size_t i = 0; i < points.size(); ++i) {
    StrokeLine(canvas, To64(points[i]), To64(points[(i + 1) % points.size()]), pen);
  }
}

}  // namespace tessaloom::raster
