#include "draw/raster/strokes.h"

#include <gtest/gtest.h>

#include "draw/raster/raster_math.h"
#include "tests/support/canvas.h"

namespace tessaloom::raster {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

// The line rule in closed form per column (x-major) or row covered, the start in and the end
// out: minor = ceil(minor0 + dminor * (major - major0) / dmajor - 1/2), ties toward the smaller
// minor coordinate whichever way the line runs.
PixelSet ClosedFormLine(Point64 from, Point64 to, std::int64_t width, std::int64_t height) {
  const bool xMajor = std::abs(to.x - from.x) > std::abs(to.y - from.y);
  const std::int64_t a0 = xMajor ? from.x : from.y;
  const std::int64_t b0 = xMajor ? from.y : from.x;
  const std::int64_t da = xMajor ? to.x - from.x : to.y - from.y;
  const std::int64_t db = xMajor ? to.y - from.y : to.x - from.x;
  PixelSet out;
  for (std::int64_t a = 0; a < (xMajor ? width : height); ++a) {
    const std::int64_t steps = (a - a0) * (da > 0 ? 1 : -1);
    if (steps < 0 || steps >= std::abs(da)) continue;  // start in, end out
    const Int128 num = Int128{2} * b0 * da + Int128{2} * db * (a - a0) - da;
    const auto b =
        static_cast<std::int64_t>(da > 0 ? CeilDiv(num, 2 * da) : CeilDiv(-num, -2 * da));
    if (b >= 0 && b < (xMajor ? height : width))
      out.insert(xMajor ? std::pair{a, b} : std::pair{b, a});
  }
  return out;
}

PixelSet Drawn(Point64 from, Point64 to, std::int32_t width = 40, std::int32_t height = 30) {
  Canvas canvas = MakeCanvas(width, height);
  StrokeCosmeticLine(canvas, from, to, kPenColor);
  return PaintedPixels(canvas);
}

TEST(CosmeticLineTest, ClippedAndHugeLinesKeepThePixelsOfTheUnclippedLine) {
  EXPECT_TRUE(Drawn({10, 10}, {10, 10}).empty());  // a zero length paints nothing
  for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
    Random random{std::mt19937(seed)};
    const Point64 from{random(-20, 60), random(-20, 50)}, to{random(-20, 60), random(-20, 50)};
    ASSERT_EQ(Drawn(from, to), ClosedFormLine(from, to, 40, 30)) << "seed " << seed;
    // Through a canvas pixel, both ends up to 2^31 away, slightly off-line.
    const Point64 p{random(0, 39), random(0, 29)}, d{random(-1000, 1000), random(-1000, 1000)};
    const std::int64_t s0 = random(0, INT32_MAX / 1001), s1 = random(0, INT32_MAX / 1001);
    const Point64 far0{p.x - s0 * d.x + random(-3, 3), p.y - s0 * d.y + random(-3, 3)};
    const Point64 far1{p.x + s1 * d.x, p.y + s1 * d.y};
    ASSERT_EQ(Drawn(far0, far1), ClosedFormLine(far0, far1, 40, 30)) << "seed " << seed;
  }
  PixelSet diagonal;
  for (std::int64_t i = 0; i < 30; ++i) diagonal.insert({i, i});
  EXPECT_EQ(Drawn({-2000000000, -2000000000}, {2000000000, 2000000000}, 30, 30), diagonal);
  EXPECT_EQ(Drawn({INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}, 30, 30), diagonal);
}

// A zero-length wide line is its cap alone (axis-parallel ones: the polygon ring, shapes_test.cpp).
TEST(PenCapTest, EvenWidthCapsSitHalfAPixelUpAndLeft) {
  Canvas canvas = MakeCanvas(16, 7);
  FillPenCap(canvas, {3, 3}, 2, kPenColor);
  FillPenCap(canvas, {11, 3}, 5, kPenColor);
  StrokeWideLine(canvas, {6, 5}, {6, 5}, 2, kPenColor);
  EXPECT_EQ(Picture(canvas),
            Art("................ ..........###... ..##.....#####.. ..##.....#####.. "
                ".....##..#####.. .....##...###... ................"));
}

TEST(WideLineTest, SlopedWideLinesCoverThePenWidthAroundTheSegment) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    Random random{std::mt19937(seed)};
    const Point64 a{random(5, 34), random(5, 34)};
    const Point64 b{random(5, 34), random(5, 34)};
    const std::int64_t width = random(2, 6);
    Canvas canvas = MakeCanvas(40, 40);
    StrokeWideLine(canvas, a, b, width, kPenColor);
    const double dx = double(b.x - a.x), dy = double(b.y - a.y), length2 = dx * dx + dy * dy;
    for (std::int32_t y = 0; y < 40; ++y) {
      for (std::int32_t x = 0; x < 40; ++x) {
        const double px = x - double(a.x), py = y - double(a.y);
        const double t = length2 == 0 ? 0 : std::clamp((px * dx + py * dy) / length2, 0.0, 1.0);
        const double d = std::hypot(px - t * dx, py - t * dy) - double(width) / 2;
        // One pixel of slack for rounding and the even caps' half-pixel shift.
        const COLORREF expected = d <= -1 ? kPenColor : d > 1 ? 0 : canvas.GetPixel(x, y);
        ASSERT_EQ(canvas.GetPixel(x, y), expected)
            << "seed " << seed << ": pixel " << x << "," << y << " at distance " << d;
      }
    }
  }
}

}  // namespace
}  // namespace tessaloom::raster
