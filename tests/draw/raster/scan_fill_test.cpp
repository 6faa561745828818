#include "draw/raster/scan_fill.h"

#include <gtest/gtest.h>

#include "draw/raster/raster_math.h"
#include "draw/raster/shapes.h"
#include "tests/draw/raster/raster_test_util.h"

namespace tessaloom::raster {
namespace {

using namespace testing;  // NOLINT(google-build-using-namespace): test helpers

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

PixelSet Filled(const std::vector<Point>& points, FillRule rule, std::int32_t width = 24,
                std::int32_t height = 24) {
  Canvas canvas = MakeCanvas(width, height);
  FillPolygon(canvas, points, rule, kBrushColor);
  return PaintedPixels(canvas);
}

TEST(PolygonFillTest, ShapesWithoutAreaFillNothing) {
  const std::vector<std::vector<Point>> cases = {
      {}, {{3, 3}}, {{1, 1}, {9, 5}}, {{1, 1}, {5, 3}, {9, 5}}, {{2, 2}, {8, 2}, {8, 2}, {2, 2}}};
  for (const auto& points : cases) {
    EXPECT_TRUE(Filled(points, FillRule::kWinding).empty() &&
                Filled(points, FillRule::kAlternate).empty())
        << points.size() << " points";
  }
}

TEST(PolygonFillTest, MatchesPointInPolygonForSmallAndHugeCoordinates) {
  for (std::uint32_t seed = 1; seed <= 1800; ++seed) {
    Random random{std::mt19937(seed)};
    const bool huge = seed % 4 == 0;
    std::vector<Point> points(static_cast<std::size_t>(random(3, 8)));
    std::vector<Point64> fixed;
    for (Point& p : points) {
      p = huge ? Point{random.Int32(INT32_MIN, INT32_MAX), random.Int32(INT32_MIN, INT32_MAX)}
               : Point{random.Int32(-15, 50), random.Int32(-15, 45)};
      if (huge && seed % 8 == 0) p.x = random.Int32(-300, 300);  // steep edges across the canvas
      fixed.push_back({p.x * kOne, p.y * kOne});
    }
    const FillRule rule = seed % 2 == 0 ? FillRule::kWinding : FillRule::kAlternate;
    ASSERT_EQ(Filled(points, rule, 36, 30), ReferenceFill(fixed, rule, 36, 30)) << "seed " << seed;
  }
}

TEST(ScanFillerTest, SubPixelVerticesMatchPointInPolygon) {
  for (std::uint32_t seed = 1; seed <= 800; ++seed) {
    Random random{std::mt19937(seed)};
    std::vector<Point64> points(static_cast<std::size_t>(random(3, 6)));
    for (Point64& p : points) p = {random(-5 * kOne, 30 * kOne), random(-5 * kOne, 25 * kOne)};
    const FillRule rule = seed % 2 == 0 ? FillRule::kWinding : FillRule::kAlternate;
    Canvas canvas = MakeCanvas(26, 20);
    ScanFiller filler(canvas.height());
    for (std::size_t i = 0; i < points.size(); ++i) {
      filler.AddEdge(points[i].x, points[i].y, points[(i + 1) % points.size()].x,
                     points[(i + 1) % points.size()].y);
    }
    filler.Fill(canvas, rule, kBrushColor);
    ASSERT_EQ(PaintedPixels(canvas), ReferenceFill(points, rule, 26, 20)) << "seed " << seed;
  }
}

}  // namespace
}  // namespace tessaloom::raster
