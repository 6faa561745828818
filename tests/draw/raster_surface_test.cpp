// The raster surface's own duties: the drawing state, and handing the right
// pen, brush and colours to the shape and text code. Pixel rules of each
// shape are tested with the shapes themselves.
#include "draw/raster_surface.h"

#include <gtest/gtest.h>

#include <string>

#include "draw/text_metrics.h"

namespace tessaloom {
namespace {

Canvas Blank(int w, int h, COLORREF fill = 0x808080) {
  Canvas c;
  std::string error;
  EXPECT_TRUE(Canvas::Create(w, h, c, error)) << error;
  c.FillRect(0, 0, w, h, fill);
  return c;
}

int CountColour(const Canvas& c, COLORREF colour) {
  int n = 0;
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) n += c.GetPixel(x, y) == colour;
  }
  return n;
}

TEST(CanvasTest, RefusesSizesOutsideItsBounds) {
  struct Case {
    std::int32_t w, h;
    bool ok;
  };
  const Case cases[] = {
      {1, 1, true},     {500, 350, true},  {0, 10, false},        {10, -1, false},
      {16384, 1, true}, {16385, 1, false}, {16384, 16384, false}, {INT32_MAX, INT32_MAX, false}};
  for (const Case& c : cases) {
    Canvas canvas;
    std::string error;
    EXPECT_EQ(Canvas::Create(c.w, c.h, canvas, error), c.ok) << c.w << " x " << c.h;
    EXPECT_EQ(error.empty(), c.ok);
    EXPECT_EQ(canvas.width(), c.ok ? c.w : 0);
  }
}

TEST(CanvasTest, StoresBlueGreenRedBytesAndClipsSpans) {
  Canvas c = Blank(4, 3, 0);
  c.SetPixel(1, 1, 0x0000FF);  // red
  EXPECT_EQ(c.Row(1)[1], 0x00FF0000u);
  EXPECT_EQ(c.GetPixel(1, 1), 0x0000FFu);
  c.FillSpan(2, -100, 100, 0xFF0000);
  c.FillSpan(-1, 0, 4, 0x00FF00);
  c.FillSpan(3, 0, 4, 0x00FF00);
  c.FillSpan(0, INT64_MIN / 2, INT64_MAX / 2, 0x00FF00);
  EXPECT_EQ(CountColour(c, 0xFF0000), 4);
  EXPECT_EQ(CountColour(c, 0x00FF00), 4);
  EXPECT_EQ(c.GetPixel(-1, 0), 0u);
  EXPECT_EQ(c.stride(), 16);
}

TEST(RasterSurfaceTest, StartsInTheStateOfANewCanvas) {
  Canvas c = Blank(8, 8);
  RasterSurface s(c);
  EXPECT_EQ(s.CurrentPen(), (Pen{1, 0x000000}));
  EXPECT_EQ(s.CurrentBrush(), (Brush{0xFFFFFF}));
  EXPECT_EQ(s.CurrentFont(), Font::System());
  EXPECT_EQ(s.TextColor(), 0x000000u);
  EXPECT_EQ(s.GetBkColor(), 0xFFFFFFu);
  EXPECT_EQ(s.CurrentPosition(), (Point{0, 0}));
  EXPECT_EQ(s.GetTextMetrics(), StandardTextMetrics(Font::System()));
}

TEST(RasterSurfaceTest, SelectsReturnWhatTheyReplaced) {
  Canvas c = Blank(8, 8);
  RasterSurface s(c);
  EXPECT_EQ(s.SelectPen(Pen{2, 0x0000FF}), (Pen{1, 0}));
  EXPECT_EQ(s.SelectBrush(Brush{0x00FF00}), (Brush{0xFFFFFF}));
  EXPECT_EQ(s.SelectFont(Font::Chart(12)), Font::System());
  EXPECT_EQ(s.GetTextMetrics(), StandardTextMetrics(Font::Chart(12)));
  EXPECT_EQ(s.SelectPen(Pen{1, 0}), (Pen{2, 0x0000FF}));
  EXPECT_EQ(s.SelectBrush(Brush{0xFFFFFF}), (Brush{0x00FF00}));
  EXPECT_EQ(s.SelectFont(Font::System()), Font::Chart(12));
  EXPECT_EQ(s.SetTextColor(0x0000FF), 0u);
  EXPECT_EQ(s.SetBkColor(0x00FF00), 0xFFFFFFu);
  EXPECT_EQ(s.GetBkColor(), 0x00FF00u);
}

TEST(RasterSurfaceTest, FillSolidRectPaintsItsBoxAndBecomesTheBackground) {
  struct Case {
    std::int32_t x, y, w, h;
    int painted;
  };
  const Case cases[] = {{5, 5, 3, 2, 6},
                        {5, 5, -3, 2, 6},
                        {5, 5, 0, 4, 0},
                        {0, 0, 20, 20, 100},
                        {-5, -5, 7, 7, 4},
                        {INT32_MAX, 0, INT32_MAX, 5, 0},
                        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0}};
  for (const Case& k : cases) {
    Canvas c = Blank(10, 10);
    RasterSurface s(c);
    s.FillSolidRect(k.x, k.y, k.w, k.h, 0x0000FF);
    EXPECT_EQ(CountColour(c, 0x0000FF), k.painted) << k.x << "," << k.y << " " << k.w << "x" << k.h;
    EXPECT_EQ(s.GetBkColor(), 0x0000FFu);
  }
  Canvas c = Blank(10, 10);
  RasterSurface s(c);
  s.FillSolidRect(5, 5, 3, 2, 0x0000FF);
  EXPECT_EQ(c.GetPixel(5, 5), 0x0000FFu);
  EXPECT_EQ(c.GetPixel(7, 6), 0x0000FFu);
  EXPECT_EQ(c.GetPixel(8, 6), 0x808080u);
  EXPECT_EQ(c.GetPixel(7, 7), 0x808080u);
}

TEST(RasterSurfaceTest, ShapesUseTheSelectedPenAndBrush) {
  Canvas c = Blank(20, 20);
  RasterSurface s(c);
  s.SelectPen(Pen{1, 0x0000FF});
  s.SelectBrush(Brush{0x00FF00});
  s.Rectangle(10, 10, 14, 13);
  EXPECT_EQ(CountColour(c, 0x0000FF), 10);
  EXPECT_EQ(CountColour(c, 0x00FF00), 2);
  // FillPolygon takes its own brush and leaves the current one alone.
  const Point triangle[] = {{0, 4}, {4, 4}, {4, 0}};
  s.FillPolygon(triangle, Brush{0xFF0000});
  EXPECT_EQ(CountColour(c, 0xFF0000), 6);
  EXPECT_EQ(s.CurrentBrush(), (Brush{0x00FF00}));
}

TEST(RasterSurfaceTest, LinesRunFromTheCurrentPositionAndMoveIt) {
  Canvas c = Blank(30, 10);
  RasterSurface s(c);
  s.MoveTo(2, 3);
  s.LineTo(7, 3);  // end pixel excluded
  s.LineTo(7, 6);
  EXPECT_EQ(s.CurrentPosition(), (Point{7, 6}));
  EXPECT_EQ(CountColour(c, 0x000000), 8);
  EXPECT_EQ(c.GetPixel(7, 6), 0x808080u);
  s.SelectPen(Pen{2, 0x0000FF});
  s.MoveTo(10, 5);
  s.LineTo(20, 5);  // a wide pen paints x 9..20, y 4..5
  EXPECT_EQ(CountColour(c, 0x0000FF), 24);
}

TEST(RasterSurfaceTest, TextCellsTakeTheBackgroundColourOfTheLastFill) {
  Canvas c = Blank(200, 40);
  RasterSurface s(c);
  s.FillSolidRect(0, 0, 1, 1, 0x00FFFF);
  s.SelectFont(Font::Chart(16));
  s.TextOut(10, 10, "HH");
  const TextMetrics m = s.GetTextMetrics();
  EXPECT_EQ(c.GetPixel(10, 10), 0x00FFFFu);
  EXPECT_EQ(c.GetPixel(10, 10 + m.height - 1), 0x00FFFFu);
  EXPECT_EQ(c.GetPixel(10, 10 + m.height), 0x808080u);
  EXPECT_EQ(c.GetPixel(9, 10), 0x808080u);
  EXPECT_GT(CountColour(c, 0x000000), 0);
}

}  // namespace
}  // namespace tessaloom
