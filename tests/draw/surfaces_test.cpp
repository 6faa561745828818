// The canvas and the raster surface's hand-over of pen, brush and background
// colour. Each shape's own pixels are tested with the shape; the recording
// surface's log format, through the drawing rules that read it.
#include <gtest/gtest.h>

#include "draw/raster_surface.h"
#include "draw/text_metrics.h"

namespace tessaloom {
namespace {

Canvas Blank(int w, int h) {
  Canvas c;
  std::string error;
  EXPECT_TRUE(Canvas::Create(w, h, c, error)) << error;
  c.FillRect(0, 0, w, h, 0x808080);
  return c;
}

int Count(const Canvas& c, COLORREF colour) {
  int n = 0;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) n += c.GetPixel(x, y) == colour;
  }
  return n;
}

// A classic chart at Scale N: every pixel becomes an N x N block; a target
// of any other size is refused untouched.
TEST(CanvasTest, ScaleNearestEnlargesEachPixelIntoABlock) {
  Canvas from = Blank(2, 2);
  from.SetPixel(1, 0, 0x0000FF);
  from.SetPixel(0, 1, 0x00FF00);
  Canvas to = Blank(6, 6);
  ASSERT_TRUE(ScaleNearest(from, 3, to));
  const std::tuple<int, int, COLORREF> probes[] = {
      {0, 0, 0x808080}, {2, 2, 0x808080}, {3, 0, 0x0000FF}, {5, 2, 0x0000FF},
      {0, 3, 0x00FF00}, {2, 5, 0x00FF00}, {3, 3, 0x808080}, {5, 5, 0x808080}};
  for (const auto& [x, y, color] : probes) EXPECT_EQ(to.GetPixel(x, y), color) << x << "," << y;
  Canvas wrong = Blank(5, 6);
  EXPECT_FALSE(ScaleNearest(from, 3, wrong));
  EXPECT_FALSE(ScaleNearest(from, 0, wrong));
  EXPECT_EQ(Count(wrong, 0x808080), 30);
}

TEST(CanvasTest, RefusesSizesOutsideItsBoundsAndClipsSpans) {
  const std::tuple<std::int32_t, std::int32_t, bool> sizes[] = {
      {1, 1, true},     {0, 10, false},    {10, -1, false},
      {16384, 1, true}, {16385, 1, false}, {16384, 16384, false}};
  for (const auto& [w, h, ok] : sizes) {
    Canvas canvas;
    std::string error;
    EXPECT_EQ(Canvas::Create(w, h, canvas, error), ok) << w << " x " << h;
    EXPECT_EQ(error.empty(), ok);
  }
  Canvas c = Blank(4, 3);
  c.SetPixel(1, 1, 0x0000FF);  // red, stored blue-green-red
  EXPECT_EQ(c.Row(1)[1], 0x00FF0000u);
  c.FillSpan(2, -100, 100, 0xFF0000);
  c.FillSpan(-1, 0, 4, 0x00FF00);
  c.FillSpan(3, 0, 4, 0x00FF00);
  c.FillSpan(0, INT64_MIN / 2, INT64_MAX / 2, 0x00FF00);
  EXPECT_EQ(Count(c, 0xFF0000), 4);
  EXPECT_EQ(Count(c, 0x00FF00), 4);
}

TEST(RasterSurfaceTest, FillSolidRectPaintsItsBoxEitherWay) {
  const std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t, int> cases[] = {
      {5, 5, 3, 2, 6},
      {5, 5, -3, 2, 6},
      {5, 5, 0, 4, 0},
      {-5, -5, 7, 7, 4},
      {INT32_MAX, 0, INT32_MAX, 5, 0},
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0}};
  for (const auto& [x, y, w, h, painted] : cases) {
    Canvas c = Blank(10, 10);
    RasterSurface s(c);
    s.FillSolidRect(x, y, w, h, 0x0000FF);
    EXPECT_EQ(Count(c, 0x0000FF), painted) << x << "," << y << " " << w << "x" << h;
  }
}

TEST(RasterSurfaceTest, ShapesLinesAndTextUseTheCurrentState) {
  Canvas c = Blank(200, 40);
  RasterSurface s(c);
  s.SelectPen(Pen{1, 0x0000FF});
  s.SelectBrush(Brush{0x00FF00});
  s.Rectangle(10, 10, 14, 13);
  EXPECT_EQ(Count(c, 0x0000FF), 10);
  EXPECT_EQ(Count(c, 0x00FF00), 2);
  s.FillPolygon(std::vector<Point>{{0, 4}, {4, 4}, {4, 0}}, Brush{0xFF0000});  // its own brush
  EXPECT_EQ(Count(c, 0xFF0000), 6);
  s.SelectPen(Pen{2, 0x000001});
  s.MoveTo(30, 5);
  s.LineTo(40, 5);  // a wide pen paints x 29..40, y 4..5
  EXPECT_EQ(Count(c, 0x000001), 24);
  // Text cells take the background colour of the last fill, even an empty one.
  s.FillSolidRect(0, 39, 0, 0, 0x00FFFF);
  s.SelectFont(Font::Chart(16));
  s.TextOut(50, 10, "HH");
  EXPECT_EQ(c.GetPixel(50, 10), 0x00FFFFu);
  EXPECT_EQ(c.GetPixel(50, 10 + s.GetTextMetrics().height), 0x808080u);
}

}  // namespace
}  // namespace tessaloom
