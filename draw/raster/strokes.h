// Pen strokes with Windows' pixel rules: the cosmetic (1-pixel) line and
// the wide line with round caps. Both are clipped to the canvas before any
// per-pixel work, so a line from (-2e9, -2e9) to (2e9, 2e9) costs what its
// visible part costs, yet keeps exactly the pixels of the unclipped line.
// Coordinates beyond kMaxCoordinate draw nothing.
#pragma once

#include <cstdint>

#include "draw/canvas.h"
#include "draw/drawing_surface.h"
#include "draw/raster/raster_math.h"

namespace tessaloom::raster {

// Widest pen the helpers draw (a Pen's width is 32-bit anyway).
inline constexpr std::int64_t kMaxPenWidth = INT32_MAX;

// Pens of width 0 and 1 stroke cosmetic lines; wider pens are geometric.
constexpr bool IsWidePen(const Pen& pen) noexcept { return pen.width >= 2; }

// Cosmetic segment: n = max(|dx|, |dy|) pixels, `from` included and `to`
// excluded, k major steps from the start; the minor coordinate is the exact
// one rounded half toward minus infinity (ties go up on x-major lines and
// left on y-major lines). A zero-length segment paints nothing.
void StrokeCosmeticLine(Canvas& canvas, Point64 from, Point64 to, COLORREF color) noexcept;

// Round cap of a `width` pen at pixel (x, y): the pixels within width / 2 of
// (x - o, y - o), o = 1/2 for even widths and 0 for odd ones. Width 2 gives
// the block x-1..x by y-1..y.
void FillPenCap(Canvas& canvas, Point64 at, std::int64_t width, COLORREF color) noexcept;

// Wide segment: the quadrilateral offset width / 2 either side of the
// segment, filled by the polygon rule, plus a round cap at each end (so both
// end pixels are painted). A horizontal width-2 line at y covers rows y-1
// and y from min(x0, x1) - 1 to max(x0, x1). A zero-length segment paints one
// cap.
void StrokeWideLine(Canvas& canvas, Point64 from, Point64 to, std::int64_t width,
                    COLORREF color) noexcept;

// Cosmetic or wide, by the pen's width.
void StrokeLine(Canvas& canvas, Point64 from, Point64 to, const Pen& pen) noexcept;

}  // namespace tessaloom::raster
