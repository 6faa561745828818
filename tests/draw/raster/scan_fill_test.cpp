#include "draw/raster/scan_fill.h"

#include <gtest/gtest.h>

#include "draw/raster/raster_math.h"
#include "draw/raster/shapes.h"
#include "tests/support/canvas.h"

namespace tessaloom::raster {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

constexpr std::int64_t kOne = ScanFiller::kOne;

// Point in polygon, pixel by pixel: count the edges with y_top <= y <
// y_bottom whose exact crossing X(y) is at or left of x. Fixed-point vertices.
PixelSet ReferenceFill(const std::vector<Point64>& points, FillRule rule, std::int64_t width,
                       std::int64_t height) {
  PixelSet out;
  for (std::int64_t y = 0; y < height; ++y) {
    for (std::int64_t x = 0; x < width; ++x) {
      std::int64_t count = 0;
      for (std::size_t i = 0; i < points.size(); ++i) {
        Point64 a = points[i], b = points[(i + 1) % points.size()];
        const std::int64_t winding = a.y < b.y ? 1 : -1;
        if (a.y > b.y) std::swap(a, b);
        if (y * kOne < a.y || y * kOne >= b.y) continue;  // also drops horizontal edges
        // X(y) <= x, multiplied through by b.y - a.y > 0.
        if (Int128{a.x - x * kOne} * (b.y - a.y) + Int128{y * kOne - a.y} * (b.x - a.x) <= 0) {
          count += rule == FillRule::kWinding ? winding : 1;
        }
      }
      if (rule == FillRule::kWinding ? count != 0 : count % 2 != 0) out.insert({x, y});
    }
  }
  return out;
}

TEST(PolygonFillTest, ShapesWithoutAreaFillNothing) {
  const std::vector<std::vector<Point>> cases = {
      {}, {{3, 3}}, {{1, 1}, {9, 5}}, {{1, 1}, {5, 3}, {9, 5}}, {{2, 2}, {8, 2}, {8, 2}, {2, 2}}};
  for (const auto& points : cases) {
    Canvas canvas = MakeCanvas(12, 12);
    FillPolygon(canvas, points, FillRule::kWinding, kBrushColor);
    FillPolygon(canvas, points, FillRule::kAlternate, kBrushColor);
    EXPECT_TRUE(PaintedPixels(canvas).empty()) << points.size() << " points";
  }
}

// Whole-pixel vertices (a quarter anywhere in int32) through FillPolygon, sub-pixel ones (every
// third case) straight through the ScanFiller.
TEST(PolygonFillTest, MatchesPointInPolygon) {
  for (std::uint32_t seed = 1; seed <= 2400; ++seed) {
    Random random{std::mt19937(seed)};
    const bool subPixel = seed % 3 == 0, huge = seed % 4 == 0;
    std::vector<Point> points;
    std::vector<Point64> fixed;
    for (std::int64_t n = random(3, 8); n > 0; --n) {
      Point p = huge ? Point{random.Int32(INT32_MIN, INT32_MAX), random.Int32(INT32_MIN, INT32_MAX)}
                     : Point{random.Int32(-15, 50), random.Int32(-15, 45)};
      if (huge && seed % 8 == 0) p.x = random.Int32(-300, 300);
      points.push_back(p);
      fixed.push_back(subPixel ? Point64{random(-5 * kOne, 40 * kOne), random(-5 * kOne, 35 * kOne)}
                               : Point64{p.x * kOne, p.y * kOne});
    }
    const FillRule rule = seed % 2 == 0 ? FillRule::kWinding : FillRule::kAlternate;
    Canvas canvas = MakeCanvas(36, 30);
    if (subPixel) {
      ScanFiller filler(canvas.Height());
      for (std::size_t i = 0; i < fixed.size(); ++i) {
        const Point64 a = fixed[i], b = fixed[(i + 1) % fixed.size()];
        filler.AddEdge(a.x, a.y, b.x, b.y);
      }
      filler.Fill(canvas, rule, kBrushColor);
    } else {
      FillPolygon(canvas, points, rule, kBrushColor);
    }
    ASSERT_EQ(PaintedPixels(canvas), ReferenceFill(fixed, rule, 36, 30)) << "seed " << seed;
  }
}

}  // namespace
}  // namespace tessaloom::raster
