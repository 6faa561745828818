#include <gtest/gtest.h>

#include "draw/raster/shapes.h"
#include "tests/support/canvas.h"

namespace tessaloom::raster {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

// The published midpoint ellipse (Zingl, "A Rasterizing Algorithm for Drawing Curves") for the
// pixel box [x0, x1] x [y0, y1], unclipped.
PixelSet ReferenceRing(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
  std::int64_t a = x1 - x0, b = y1 - y0, b1 = b & 1;
  std::int64_t dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a, err = dx + dy + b1 * a * a;
  y0 += (b + 1) / 2;
  y1 = y0 - b1;
  a *= 8 * a;
  b1 = 8 * b * b;
  PixelSet out;
  do {
    out.insert({{x1, y0}, {x0, y0}, {x0, y1}, {x1, y1}});
    const std::int64_t e2 = 2 * err;
    if (e2 <= dy) y0++, y1--, err += dy += a;
    if (e2 >= dx || 2 * err > dy) x0++, x1--, err += dx += b1;
  } while (x0 <= x1);
  for (; y0 - y1 <= b; ++y0, --y1)
    out.insert({{x0 - 1, y0}, {x1 + 1, y0}, {x0 - 1, y1}, {x1 + 1, y1}});
  return out;
}

// Ellipse(l, t, r, b) from the reference ring: brush from each row's
// leftmost to rightmost ring pixel (the ring is symmetric), then the ring.
std::string ReferenceEllipse(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
  const PixelSet ring = ReferenceRing(l, t, r - 1, b - 1);
  Canvas canvas = MakeCanvas(32, 28);
  for (const auto& [x, y] : ring)
    canvas.FillSpan(y, std::min(x, l + r - 1 - x), std::max(x, l + r - 1 - x) + 1, kBrushColor);
  for (const auto& [x, y] : ring) canvas.SetPixel(x, y, kPenColor);
  return Picture(canvas);
}

// Boxes two pixels thin or less are drawn as rectangles.
TEST(EllipseTest, MatchesThePublishedMidpointEllipseOnRandomClippedBoxes) {
  for (std::uint32_t seed = 1; seed <= 1800; ++seed) {
    Random random{std::mt19937(seed)};
    const std::int32_t l = random.Int32(-12, 28), t = random.Int32(-12, 24);
    const std::int32_t r = l + random.Int32(0, 40), b = t + random.Int32(0, 40);
    Canvas canvas = MakeCanvas(32, 28), thin = MakeCanvas(32, 28);
    if (seed % 2 == 0) DrawEllipse(canvas, l, t, r, b, kPen, kBrush);
    if (seed % 2 == 1) DrawEllipse(canvas, r, b, l, t, kPen, kBrush);  // corners reversed
    DrawRectangle(thin, l, t, r, b, kPen, kBrush);
    ASSERT_EQ(Picture(canvas),
              r - l <= 2 || b - t <= 2 ? Picture(thin) : ReferenceEllipse(l, t, r, b))
        << "seed " << seed << ": DrawEllipse(" << l << ", " << t << ", " << r << ", " << b << ")";
  }
}

// With no ring pixel between the directions, one radius.
TEST(PieTest, ANarrowerWedgeThanARingPixelIsOneRadius) {
  Canvas canvas = MakeCanvas(11, 11);
  DrawPie(canvas, 0, 0, 11, 11, {105, 4}, {105, 3}, kPen, kBrush);
  EXPECT_EQ(Picture(canvas), Art("........... ........... ........... ........... ........### "
                                 ".....###... ........... ........... ........... ........... "
                                 "..........."));
}

TEST(PieTest, SlicesTileTheEllipseWithoutGapsOrSpill) {
  for (std::uint32_t seed = 1; seed <= 400; ++seed) {
    Random random{std::mt19937(seed)};
    const std::int32_t l = random.Int32(-4, 10), t = random.Int32(-4, 10);
    const std::int32_t r = l + random.Int32(3, 30), b = t + random.Int32(3, 30);
    Canvas ellipse = MakeCanvas(32, 32), slices = MakeCanvas(32, 32);
    DrawEllipse(ellipse, l, t, r, b, kPen, kBrush);
    // Slices between random directions in counter-clockwise order, each in
    // its own colour; ends are given relative to the centre pixel.
    std::vector<std::pair<double, Point>> ends;
    for (int i = random.Int32(2, 6); i > 0; --i) {
      const Point d{random.Int32(-50, 50), random.Int32(-50, 50)};
      ends.push_back({std::atan2(-d.y, d.x), {l + (r - l) / 2 + d.x, t + (b - t) / 2 + d.y}});
    }
    std::sort(ends.begin(), ends.end(), [](auto& p, auto& q) { return p.first < q.first; });
    for (std::size_t i = 0; i < ends.size(); ++i) {
      const auto color = static_cast<COLORREF>(0x100 * (i + 1));
      DrawPie(slices, l, t, r, b, ends[i].second, ends[(i + 1) % ends.size()].second, {1, color},
              {color});
    }
    ASSERT_EQ(PaintedPixels(slices), PaintedPixels(ellipse)) << "seed " << seed;
  }
}

TEST(PieTest, WholePieIsTheEllipsePlusTheRadiusToThreeOClock) {
  for (std::int32_t w = 3; w <= 24; ++w) {
    for (std::int32_t h = 3; h <= 24; h += 3) {
      Canvas pie = MakeCanvas(26, 26), expected = MakeCanvas(26, 26);
      DrawPie(pie, 1, 1, 1 + w, 1 + h, {100, 1 + h / 2}, {200, 1 + h / 2}, kPen, kBrush);
      DrawEllipse(expected, 1, 1, 1 + w, 1 + h, kPen, kBrush);
      expected.FillSpan(1 + h / 2, 1 + w / 2, w + 1, kPenColor);
      EXPECT_EQ(Picture(pie), Picture(expected)) << w << "x" << h;
    }
  }
}

}  // namespace
}  // namespace tessaloom::raster
