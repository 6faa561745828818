#include "draw/raster/shapes.h"

#include <gtest/gtest.h>

#include "tests/support/canvas.h"

namespace tessaloom::raster {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

// A pen w wide rings the pixels [l, r-1] x [t, b-1] w thick, grown w/2 up and left, the brush fills
// the hole; a 1 x 1 box with a 1-pixel pen paints nothing; the same path as a polygon is the same.
TEST(RectangleTest, ThePenRingsTheBoxPixelsAndTheBrushFillsTheHole) {
  for (std::uint32_t seed = 1; seed <= 600; ++seed) {
    Random random{std::mt19937(seed)};
    const std::int32_t l = random.Int32(-3, 10), t = random.Int32(-3, 10), w = random.Int32(1, 3);
    const std::int32_t r = l + random.Int32(-5, 5), b = t + random.Int32(-5, 5);
    const Point p0{std::min(l, r), std::min(t, b)}, p1{std::max(l, r) - 1, std::max(t, b) - 1};
    Canvas canvas = MakeCanvas(9, 9), polygon = MakeCanvas(9, 9);
    DrawRectangle(canvas, l, t, r, b, {w, kPenColor}, kBrush);
    const bool none = l == r || t == b || (w == 1 && p0 == p1);
    const std::int32_t x0 = p0.x - w / 2, y0 = p0.y - w / 2, x1 = p1.x - w / 2 + w,
                       y1 = p1.y - w / 2 + w;  // the ring's outside, ends excluded
    for (std::int32_t y = 0; y < 9; ++y) {
      for (std::int32_t x = 0; x < 9; ++x) {
        const bool ring = !none && x >= x0 && x < x1 && y >= y0 && y < y1;
        const bool hole = x >= x0 + w && x < x1 - w && y >= y0 + w && y < y1 - w;
        ASSERT_EQ(canvas.GetPixel(x, y), ring ? hole ? kBrushColor : kPenColor : 0)
            << "seed " << seed << ": pixel " << x << "," << y;
      }
    }
    if (w > 2 || l == r || t == b) continue;
    DrawPolygon(polygon, std::vector<Point>{p0, {p1.x, p0.y}, p1, {p0.x, p1.y}}, {w, kPenColor},
                kBrush);
    ASSERT_EQ(Picture(polygon), Picture(canvas)) << "seed " << seed;
  }
}

// Outline and fill cover every lattice point; two points paint the segment, fewer nothing.
TEST(PolygonTest, OutlineAndFillCoverEveryLatticePointOfTheClosedPolygon) {
  Canvas canvas = MakeCanvas(6, 6);
  DrawPolygon(canvas, std::vector<Point>{{0, 4}, {4, 4}, {4, 0}}, kPen, kBrush);
  EXPECT_EQ(Picture(canvas), Art("....#. ...##. ..#+#. .#++#. #####. ......"));
  canvas = MakeCanvas(8, 6);
  DrawPolygon(canvas, std::vector<Point>{{2, 2}, {6, 4}}, kPen, kBrush);
  DrawPolygon(canvas, std::vector<Point>{{1, 5}}, kWidePen, kBrush);
  DrawPolygon(canvas, std::vector<Point>{}, kWidePen, kBrush);
  EXPECT_EQ(Picture(canvas), Art("........ ........ ..##.... ....##.. ......#. ........"));
}

TEST(ExtremeInputTest, HugeShapesAroundTheCanvasPaintItWithTheBrush) {
  constexpr std::int32_t kLo = INT32_MIN, kHi = INT32_MAX, kFar = 2000000000;
  // The pie's centre pixel is (-1, -1): counter-clockwise from 9 o'clock to 12 o'clock.
  constexpr Point kWestEdge{kLo, -1}, kNorth{-1, kLo};
  const std::vector<Point> triangle = {{kLo, kLo}, {kHi, 0}, {kLo, kHi}};
  std::vector<std::function<void(Canvas&)>> draws = {
      [](Canvas& c) { DrawRectangle(c, kLo, kLo, kHi, kHi, kPen, kBrush); },
      [](Canvas& c) { DrawRectangle(c, kHi, kHi, kLo, kLo, kWidePen, kBrush); },
      [](Canvas& c) { DrawEllipse(c, -kFar, -kFar, kFar, kFar, kPen, kBrush); },
      [](Canvas& c) { DrawEllipse(c, kLo, kLo, kHi, kHi, kWidePen, kBrush); },
      [&](Canvas& c) { FillPolygon(c, triangle, FillRule::kWinding, kBrushColor); },
      [&](Canvas& c) { DrawPolygon(c, triangle, kPen, kBrush); },
      [&](Canvas& c) { DrawPie(c, kLo, kLo, kHi, kHi, kWestEdge, kNorth, kPen, kBrush); },
  };
  const std::size_t inside = draws.size();
  // A huge ellipse's left edge, exact (side 65536) or approximated, is one column of pen here.
  for (std::int32_t side : {65536, 65537, 1000000, INT32_MAX}) {
    draws.push_back(
        [side](Canvas& c) { DrawEllipse(c, 0, -side / 2, side, side - side / 2, kPen, kBrush); });
  }
  for (std::size_t i = 0; i < draws.size(); ++i) {
    Canvas canvas = MakeCanvas(4, 4);
    draws[i](canvas);
    EXPECT_EQ(Picture(canvas), Art(i < inside ? "++++ ++++ ++++ ++++" : "#+++ #+++ #+++ #+++"))
        << i;
  }
}

}  // namespace
}  // namespace tessaloom::raster
