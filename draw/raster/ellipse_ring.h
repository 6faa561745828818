// The pixel ring of Ellipse(l, t, r, b): a midpoint (Zingl) ellipse through
// the pixel centres of [l, r-1] x [t, b-1], axis lengths (w-1, h-1),
// symmetric about both centre lines and 8-connected. It is generated one
// quarter at a time; the other quarters are mirror images. Boxes with a side
// above kExactEllipseSide are approximated by EllipseGeometry instead, so
// that no work grows with the box. Pure functions, no state.
#pragma once

#include <cstdint>

#include "draw/raster/raster_math.h"

namespace tessaloom::raster {

// Largest box side drawn with exact midpoint pixels (its quarter walk stays
// below 2^17 steps and the error terms below 2^53).
inline constexpr std::int64_t kExactEllipseSide = 65536;

// A normalised box: left < right, top < bottom.
struct EllipseBox {
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t right = 0;
  std::int64_t bottom = 0;

  std::int64_t Width() const noexcept { return right - left; }
  std::int64_t Height() const noexcept { return bottom - top; }
  // The ring is symmetric under x -> MirrorX(x) and y -> MirrorY(y).
  std::int64_t MirrorX(std::int64_t x) const noexcept { return left + right - 1 - x; }
  std::int64_t MirrorY(std::int64_t y) const noexcept { return top + bottom - 1 - y; }
};

// Calls visit(Point64) for each ring pixel of the lower-right quarter, from
// the 3 o'clock pixel (x = right - 1) down to the 6 o'clock one (y = bottom
// - 1), each once, consecutive pixels 8-neighbours. Needs 3 <= width,
// height <= kExactEllipseSide.
template <class Visit>
void WalkLowerRightQuarter(const EllipseBox& box, Visit&& visit) noexcept {
  const std::int64_t a = box.Width() - 1;  // axis lengths in pixel steps
  const std::int64_t b = box.Height() - 1;
  const std::int64_t bOdd = b & 1;
  std::int64_t dx = 4 * (1 - a) * b * b;  // error increments
  std::int64_t dy = 4 * (bOdd + 1) * a * a;
  std::int64_t err = dx + dy + bOdd * a * a;
  std::int64_t x0 = box.left;
  std::int64_t x1 = box.right - 1;
  std::int64_t y0 = box.top + (b + 1) / 2;  // lower of the middle rows
  std::int64_t y1 = y0 - bOdd;              // its mirror
  const std::int64_t aStep = 8 * a * a;
  const std::int64_t bStep = 8 * b * b;
  Point64 last{x1 + 1, y0};  // no pixel yet
  auto emit = [&](Point64 p) {
    if (p == last) return;  // the tip loop can repeat the last pixel
    last = p;
    visit(p);
  };
  do {
    emit({x1, y0});
    const std::int64_t e2 = 2 * err;
    if (e2 <= dy) {
      ++y0;
      --y1;
      dy += aStep;
      err += dy;
    }
    if (e2 >= dx || 2 * err > dy) {
      ++x0;
      --x1;
      dx += bStep;
      err += dx;
    }
  } while (x0 <= x1);
  // Flat ellipses stop early in x: finish the tip straight down.
  while (y0 - y1 <= b) {
    emit({x1 + 1, y0});
    ++y0;
    --y1;
  }
}

// An ellipse through pixel centres in continuous terms, for boxes too big
// for exact pixels and for wide-pen outlines: centre (cx, cy), semi-axes
// (rx, ry), y down; parameter t runs counter-clockwise on screen from 3
// o'clock.
struct EllipseGeometry {
  double cx = 0;
  double cy = 0;
  double rx = 0;
  double ry = 0;

  static EllipseGeometry Of(const EllipseBox& box) noexcept;
  double X(double t) const noexcept;
  double Y(double t) const noexcept;
  // Parameter of the point where the ray from (px, py) in screen direction
  // (dx, dy) leaves the ellipse; (px, py) must be inside.
  double ParameterOfRay(double px, double py, double dx, double dy) const noexcept;
  // Parameter of the ellipse point in the direction of (x, y) from the centre.
  double ParameterOfPoint(double x, double y) const noexcept;
  // Vertices for a polygon standing in for `sweep` radians of the ellipse:
  // about 8 sqrt(radius) per turn (chord error under 0.1 pixel) but at most
  // 2^15 per turn, and at least 1.
  std::int64_t SegmentCount(double sweep) const noexcept;
};

}  // namespace tessaloom::raster
