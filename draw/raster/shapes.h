// Aliased shape rasterisation with the pixel rules of the Windows graphics
// device interface: which pixels a rectangle, line, polygon, ellipse or pie
// paints, exactly. Each function writes only through Canvas::FillSpan /
// SetPixel (which clip), accepts any 32-bit coordinates without overflow or
// long loops (work is bounded by the canvas, not by the shape), and draws
// nothing for degenerate shapes. Pens are solid; width 0 or 1 strokes
// cosmetic lines, width 2 (and more) wide lines with round caps.
#pragma once

#include <cstdint>
#include <span>

#include "draw/canvas.h"
#include "draw/drawing_surface.h"
#include "draw/raster/fill_rule.h"

namespace tessaloom::raster {

// Line from `from` to `to` with `pen` (a 1-pixel pen leaves out the end pixel).
void DrawLine(Canvas& canvas, Point from, Point to, const Pen& pen) noexcept;

// Rectangle(l, t, r, b): pen outline, brush interior; corners normalised.
void DrawRectangle(Canvas& canvas, std::int32_t left, std::int32_t top, std::int32_t right,
                   std::int32_t bottom, const Pen& pen, const Brush& brush) noexcept;

// Interior of a polygon by `rule` (top/left edges in, right/bottom edges out),
// no outline.
void FillPolygon(Canvas& canvas, std::span<const Point> points, FillRule rule,
                 COLORREF color) noexcept;

// Polygon(points): alternate fill with the brush, then the closed outline.
void DrawPolygon(Canvas& canvas, std::span<const Point> points, const Pen& pen,
                 const Brush& brush) noexcept;

// Ellipse(l, t, r, b): fill, then outline.
void DrawEllipse(Canvas& canvas, std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom, const Pen& pen, const Brush& brush) noexcept;

// Pie(l, t, r, b, start, end): counter-clockwise wedge; fill, then outline.
void DrawPie(Canvas& canvas, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, Point start, Point end, const Pen& pen,
             const Brush& brush) noexcept;

}  // namespace tessaloom::raster
