// The canvas; the classic pixel rules on the raster and the smooth surface; threads; hostile input
// on every surface. Each raster shape's own pixels are tested with the shape.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <regex>
#include <thread>

#include "draw/raster_surface.h"
#include "draw/smooth_surface.h"
#include "draw/svg_surface.h"
#include "tests/support/canvas.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

constexpr COLORREF kGrey = 0x808080;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;

// At Scale N every pixel becomes an N x N block; a target of any other size is refused untouched.
TEST(CanvasTest, ScaleNearestEnlargesEachPixelIntoABlock) {
  const Canvas from = FPicture(5, 6);
  Canvas to = MakeCanvas(15, 18), wrong = MakeCanvas(5, 6, kGrey);
  std::string error;
  ASSERT_TRUE(ScaleNearest(from, 3, to, error)) << error;
  for (std::int32_t i = 0; i < 15 * 18; ++i)
    ASSERT_EQ(to.GetPixel(i % 15, i / 15), from.GetPixel(i % 15 / 3, i / 15 / 3)) << i;
  EXPECT_FALSE(ScaleNearest(from, 3, wrong, error));
  EXPECT_FALSE(ScaleNearest(from, 0, wrong, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Count(wrong, kGrey), 30);
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
  Canvas c = MakeCanvas(4, 3);
  c.SetPixel(1, 1, kRed);
  EXPECT_EQ(c.Row(1)[1], 0x00FF0000u);  // stored blue-green-red
  c.FillSpan(2, -100, 100, kBlue);
  c.FillSpan(-1, 0, 4, 0x00FF00);
  c.FillSpan(3, 0, 4, 0x00FF00);
  c.FillSpan(0, INT64_MIN / 2, INT64_MAX / 2, 0x00FF00);
  EXPECT_EQ(Count(c, kBlue), 4);
  EXPECT_EQ(Count(c, 0x00FF00), 4);
}

using S = DrawingSurface;
struct Probe {
  const char* rule;
  void (*draw)(S&);
  Point at;  // classic coordinates; at scale 2 the probe reads the 2 x 2 block
  COLORREF expected;
};

void Rect(S& s) { s.SelectPen({1, kBlue}), s.SelectBrush({kRed}), s.Rectangle(2, 2, 10, 8); }
void Line(S& s) { s.SelectPen({1, kBlue}), s.MoveTo(2, 5), s.LineTo(12, 5); }
void WideLine(S& s) { s.SelectPen({2, kBlue}), s.MoveTo(30, 5), s.LineTo(40, 5); }
const Point kSquare[] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
void Square(S& s) { s.FillPolygon(kSquare, Brush{kRed}); }
// Counter-clockwise from the east radial to the north one: the upper-right quarter on screen.
void Quarter(S& s) { s.SelectBrush({kRed}), s.Pie(0, 0, 41, 41, {40, 20}, {20, 0}); }
void BackwardFill(S& s) { s.FillSolidRect(10, 10, -3, 2, kRed); }
void FarFill(S& s) { s.FillSolidRect(INT32_MAX, 0, INT32_MAX, 5, kRed); }
// The cell takes the background colour of the last fill, even an empty one.
template <std::int32_t kEscapement>
void Text(S& s) {
  s.SelectFont(Font::Chart(12, kEscapement)), s.FillSolidRect(0, 0, 0, 0, kRed);
  s.TextOut(20, 20, "Wy");
}

const Probe kProbes[] = {
    {"rectangle outline, left-top corner", Rect, {2, 2}, kBlue},
    {"rectangle outline, right-bottom pixel is right-1, bottom-1", Rect, {9, 7}, kBlue},
    {"rectangle covers nothing at right, bottom", Rect, {10, 8}, kGrey},
    {"rectangle interior", Rect, {5, 5}, kRed},
    {"a 1-pixel line is one full-strength row", Line, {6, 5}, kBlue},
    {"nothing above the line", Line, {6, 4}, kGrey},
    {"a 2-pixel line grows up and left", WideLine, {29, 4}, kBlue},
    {"a 2-pixel line paints its end", WideLine, {40, 5}, kBlue},
    {"polygon fill covers [left, right)", Square, {5, 5}, kRed},
    {"polygon fill stops before right, bottom", Square, {6, 6}, kGrey},
    {"pie: the quarter counter-clockwise from east to north", Quarter, {30, 10}, kRed},
    {"pie: not the opposite quarter", Quarter, {10, 30}, kGrey},
    {"pie: not the quarter clockwise from east", Quarter, {30, 30}, kGrey},
    {"a negative extent fills back from x", BackwardFill, {7, 11}, kRed},
    {"and leaves x out", BackwardFill, {10, 10}, kGrey},
    {"a huge extent does not wrap round", FarFill, {0, 0}, kGrey},
    {"text cell: top-left at the anchor", Text<0>, {20, 20}, kRed},
    {"text cell: nothing left of the anchor", Text<0>, {19, 20}, kGrey},
    {"text cell: as high as the font", Text<0>, {20, 32}, kGrey},
    {"upward text cell: bottom-left at the anchor", Text<900>, {20, 19}, kRed},
    {"upward text cell: nothing below the anchor", Text<900>, {20, 20}, kGrey},
};

TEST(SurfacesTest, RasterAndSmoothSurfacesPaintTheClassicPixels) {
  for (const int scale : {0, 1, 2}) {  // 0: the raster surface
    for (const Probe& p : kProbes) {
      const int k = std::max(scale, 1);
      Canvas canvas = MakeCanvas(48 * k, 48 * k, kGrey);
      std::string error;
      if (scale == 0) {
        RasterSurface raster(canvas);
        p.draw(raster);
      } else {
        const std::unique_ptr<SmoothSurface> smooth = CreateSmoothSurface(canvas, scale, error);
        ASSERT_NE(smooth, nullptr) << error;
        p.draw(*smooth);
        ASSERT_TRUE(smooth->Finish("", error)) << error;
      }
      for (int dy = 0; dy < k; ++dy) {
        for (int dx = 0; dx < k; ++dx) {
          EXPECT_EQ(canvas.GetPixel(p.at.x * k + dx, p.at.y * k + dy), p.expected)
              << p.rule << " at scale " << scale;
        }
      }
    }
  }
}

// Extreme and degenerate inputs: no surface crashes, hangs or misbehaves under the sanitizers; the
// smooth canvas keeps its unused byte 0; the SVG parses, its numbers finite and under 17 digits.
void DrawHostile(S& s) {
  const std::vector<std::int32_t> values = {
      INT32_MIN, INT32_MIN + 1, -2000000000, -65537,        -1,       0, 1, 5, 17,
      65536,     65537,         2000000000,  INT32_MAX - 1, INT32_MAX};
  const std::int32_t widths[] = {1, 0, -5, 2, 17, INT32_MAX};
  std::size_t i = 0;
  for (std::int32_t a : values) {
    for (std::int32_t b : values) {
      s.SelectPen({widths[i++ % std::size(widths)], kRed});
      const std::int32_t c = values[i % values.size()], d = values[(i * 7) % values.size()];
      s.MoveTo(a, b);
      s.LineTo(c, d);
      s.Rectangle(a, b, c, d);
      s.FillSolidRect(a, b, c, d, kBlue);
      s.Ellipse(a, b, c, d);
      s.Pie(a, b, c, d, {b, a}, {d, c});
      s.Pie(a, c, b, d, {a, a}, {a, a});
      const Point polygon[] = {{a, b}, {c, d}, {b, c}, {d, a}, {a, d}};
      s.Polygon(polygon);
      s.FillPolygon(polygon, {kBlue});
    }
  }
  for (std::int32_t side : {3, 4, 65535, 65536, 65537, 200000}) {  // rings across the canvas
    s.SelectPen({2, kRed});
    s.Ellipse(-side + 10, -side + 10, 10, 10);
    s.SelectPen({1, kRed});
    s.Pie(-side + 12, 2, 12, side + 2, {0, 0}, {0, 1});
    s.SelectPen({20, kRed});
    s.Pie(2, -side / 2, side + 2, side / 2, {1, 0}, {0, 1});
  }
  for (const Font& font :
       {Font::Chart(INT32_MAX, 900), Font::Chart(INT32_MAX, 450), Font::Chart(-5, -900)}) {
    s.SelectFont(font);
    s.TextOut(INT32_MIN, INT32_MAX, "far \xC3\x28 bad \xF0\x9F utf-8");
    s.TextOut(3, 3, std::string_view("a\0b", 3));
    s.TextOut(3, 3, std::string(100000, 'x'));
  }
}

TEST(SurfacesTest, HostileInputsDrawSafelyOnEverySurface) {
  Canvas canvas = MakeCanvas(24, 20);
  RasterSurface raster(canvas);
  DrawHostile(raster);
  std::string error, svg;
  Canvas big = MakeCanvas(96, 80);
  const std::unique_ptr<SmoothSurface> smooth = CreateSmoothSurface(big, 4, error);
  ASSERT_NE(smooth, nullptr) << error;
  DrawHostile(*smooth);
  ASSERT_TRUE(smooth->Finish("", error)) << error;
  for (const std::uint32_t pixel : big.Pixels()) ASSERT_EQ(pixel >> 24, 0u);
  smooth->TextOut(1, 1, "after Finish");  // ignored, no failure
  SvgSurface vector(100, 100, 1);
  DrawHostile(vector);
  ASSERT_TRUE(vector.Finish("t", "d", svg, error)) << error;
  tinyxml2::XMLDocument doc;
  EXPECT_EQ(doc.Parse(svg.c_str()), tinyxml2::XML_SUCCESS);
  EXPECT_FALSE(std::regex_search(svg, std::regex("nan|inf|[0-9]{17}"))) << svg;
}

// Threads racing to cache the same new glyphs, or drawing after the shaping cache turned over, draw
// as one thread alone, text of fallback faces and plain text alike.
TEST(SurfacesTest, EveryThreadDrawsAsOneThreadAlone) {
  const auto draw = [](std::size_t k) {
    const auto h = static_cast<std::int32_t>(31 + k % 8);
    const int scale = static_cast<int>(k % 3);  // 0: the raster surface
    Canvas canvas = MakeCanvas(160 * std::max(scale, 1), 160 * std::max(scale, 1));
    std::string error;
    RasterSurface raster(canvas);
    const std::unique_ptr<SmoothSurface> smooth =
        scale > 0 ? CreateSmoothSurface(canvas, scale, error) : nullptr;
    S& s = smooth ? static_cast<S&>(*smooth) : raster;
    s.SelectFont(Font::Chart(h, h % 2 == 0 ? 900 : 0));
    s.TextOut(4, h % 2 == 0 ? 150 : 4,
              "\xCE\xB1\xCE\xB2 Quarterly \xC5\x92\xE8\xAA\x9E \u0639\u0631\u0628 \u0939\u093F "
              "\u9500\u552E");
    s.SelectFont(Font::Sans(h - 16, h % 3 == 0));
    s.TextOut(4, 60, "Quarterly sales 2024");
    s.Pie(0, 0, 41, 41, Point{40, 20}, Point{20, 0});
    EXPECT_TRUE(!smooth || smooth->Finish("", error)) << error;
    return std::vector<std::uint32_t>(canvas.Pixels().begin(), canvas.Pixels().end());
  };
  std::vector<std::vector<std::vector<std::uint32_t>>> results(8);
  {
    std::vector<std::jthread> threads;
    for (std::size_t t = 0; t < results.size(); ++t) {
      threads.emplace_back([&results, &draw, t] {
        for (std::size_t k = 0; k < 8; ++k) results[t].push_back(draw(k + t));
      });
    }
  }
  Canvas small = MakeCanvas(16, 16);
  std::string error;
  const std::unique_ptr<SmoothSurface> other = CreateSmoothSurface(small, 2, error);
  ASSERT_NE(other, nullptr) << error;
  for (int i = 0; i < 1500; ++i) other->TextOut(0, 0, "label " + std::to_string(i));
  for (std::size_t t = 0; t < results.size(); ++t) {
    for (std::size_t k = 0; k < 8; ++k) EXPECT_EQ(results[t][k], draw(k + t)) << t << " " << k;
  }
}

// Each text draws its own glyphs, the box only where no font has the character; Arabic joins.
TEST(SmoothSurfaceTest, TextIsShapedWithFallbackFontsAndABoxWhereNoneHasIt) {
  const std::pair<const char*, bool> rows[] = {
      {"\u6708\u9500\u552E", true},                    // Chinese
      {"\u5E74\u5EA6\u62A5\u544A", true},              // a different Chinese text
      {"\u0939\u093F\u0928\u094D\u0926\u0940", true},  // Hindi
      {"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1", true},  // Greek
      {"\U0010FFFD", false},                           // private use: no font has it
  };
  std::vector<std::vector<COLORREF>> drawn;
  std::string error;
  for (const auto& [text, found] : rows) {
    Canvas canvas = MakeCanvas(120, 40, 0x808080);
    const std::unique_ptr<SmoothSurface> s = CreateSmoothSurface(canvas, 1, error);
    ASSERT_NE(s, nullptr) << error;
    s->SelectFont(Font::Chart(24));
    EXPECT_EQ(s->Shape(text).missingGlyphs == 0, found) << text;
    s->TextOut(4, 4, text);
    ASSERT_TRUE(s->Finish("", error)) << error;
    EXPECT_GT(Count(canvas, 0), 0) << text;  // glyphs or the box, in black
    drawn.push_back(Window(canvas, 0, 0, 120, 40));
  }
  EXPECT_NE(drawn[0], drawn[1]);
  Canvas canvas = MakeCanvas(8, 8);
  const std::unique_ptr<SmoothSurface> s = CreateSmoothSurface(canvas, 1, error);
  s->SelectFont(Font::Chart(24));
  const std::string letters[] = {"\u0633", "\u0644", "\u0627", "\u0645"};  // the word salam
  double apart = 0.0;
  for (const std::string& letter : letters) apart += s->Shape(letter).width;
  const auto joined = s->Shape(letters[0] + letters[1] + letters[2] + letters[3]);
  EXPECT_EQ(joined.missingGlyphs, 0);
  EXPECT_GT(std::abs(joined.width - apart), 1.0);
}

// An image's text measures as the document's does (Pango's widths, whichever path draws it) and
// its ink fills its cell's width inside the cell, at every scale.
TEST(SmoothSurfaceTest, ImageTextMeasuresAsTheDocumentsAndInksItsCell) {
  const Font fonts[] = {Font::Chart(16), Font::Chart(31), Font::System(), Font::Sans(15),
                        Font::Sans(21, true)};
  const char* const texts[] = {"Monthly sales AVAWAy fi", "-10 0 1,250 37.5%",
                               "\u041F\u0440\u043E\u0434\u0430\u0436\u0438 V\u0410V\u0414 \u03A9",
                               "Sales \u6708\u9500\u552E"};
  std::vector<std::uint8_t> pdf;
  std::string error;
  for (const int k : {1, 2, 3}) {
    const std::unique_ptr<SmoothSurface> document = CreatePdfSurface(400, 60, k, pdf, error);
    ASSERT_NE(document, nullptr) << error;
    for (const Font& font : fonts) {
      document->SelectFont(font);
      for (const char* text : texts) {
        Canvas canvas = MakeCanvas(400 * k, 60 * k, kGrey);
        const std::unique_ptr<SmoothSurface> image = CreateSmoothSurface(canvas, k, error);
        ASSERT_NE(image, nullptr) << error;
        image->SelectFont(font);
        image->SetBkColor(kGrey);
        const double width = image->Shape(text).width;
        EXPECT_EQ(width, document->Shape(text).width) << text << " at scale " << k;
        image->TextOut(10, 10, text);
        ASSERT_TRUE(image->Finish("", error)) << error;
        int left = INT32_MAX, right = -1, top = INT32_MAX, bottom = -1;
        for (int y = 0; y < canvas.Height(); ++y) {
          for (int x = 0; x < canvas.Width(); ++x) {
            if (canvas.GetPixel(x, y) == kGrey) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
          }
        }
        const int cell = image->GetTextMetrics().height;
        const std::string where = std::string(text) + " at scale " + std::to_string(k);
        EXPECT_GE(left, 9 * k) << where;
        EXPECT_LE(left, 12 * k) << where;
        EXPECT_GE(right, static_cast<int>((10 + width - 3) * k)) << where;
        EXPECT_LT(right, static_cast<int>((10 + width + 1) * k)) << where;
        EXPECT_GE(top, 10 * k) << where;
        EXPECT_LT(bottom, (10 + cell) * k) << where;
        EXPECT_GT(bottom - top, cell * k / 2) << where;
      }
    }
  }
}

TEST(SmoothSurfaceTest, PdfHasThePageSizeAndTheTitle) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  auto surface = CreatePdfSurface(200, 100, 2, bytes, error);
  ASSERT_NE(surface, nullptr) << error;
  surface->SelectFont(Font::Chart(16));
  surface->TextOut(10, 10, "Quarterly");
  surface->Rectangle(2, 2, 10, 8);
  ASSERT_TRUE(surface->Finish("Sales by month", error)) << error;
  const std::string pdf(bytes.begin(), bytes.end());
  ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("/MediaBox [ 0 0 400 200 ]"), std::string::npos);
  EXPECT_NE(pdf.find("(Sales by month)"), std::string::npos);
}

}  // namespace
}  // namespace tessaloom
