// The smooth surface: where its shapes land at scale 1 and 2 (pixel probes),
// the text cell's anchor, shaping (joined Arabic, real CJK glyphs, the box for
// a character no font has), the PDF target, and inputs that must not hurt.
#include "draw/smooth_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "draw/text_metrics.h"

namespace tessaloom {
namespace {

constexpr COLORREF kGrey = 0x808080;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;

struct Drawn {
  Canvas canvas;
  std::unique_ptr<SmoothSurface> surface;
};

Drawn Surface(int w, int h, int scale) {
  Drawn d;
  std::string error;
  EXPECT_TRUE(Canvas::Create(w * scale, h * scale, d.canvas, error)) << error;
  d.canvas.FillRect(0, 0, w * scale, h * scale, kGrey);
  d.surface = CreateSmoothSurface(d.canvas, scale, error);
  EXPECT_NE(d.surface, nullptr) << error;
  return d;
}

std::vector<std::uint32_t> Finish(Drawn& d) {
  std::string error;
  EXPECT_TRUE(d.surface->Finish("", error)) << error;
  return {d.canvas.pixels().begin(), d.canvas.pixels().end()};
}

struct Probe {
  const char* rule;
  void (*draw)(DrawingSurface&);
  Point at;  // classic coordinates; at scale 2 the probe looks at the 2 x 2 block
  COLORREF expected;
};

void Rect(DrawingSurface& s) {
  s.SelectPen(Pen{1, kBlue});
  s.SelectBrush(Brush{kRed});
  s.Rectangle(2, 2, 10, 8);
}
void Line(DrawingSurface& s) {
  s.SelectPen(Pen{1, kBlue});
  s.MoveTo(2, 5);
  s.LineTo(12, 5);
}
void Square(DrawingSurface& s) {
  const Point p[] = {{2, 2}, {6, 2}, {6, 6}, {2, 6}};
  s.FillPolygon(p, Brush{kRed});
}
// The quarter from the radial through the east point counter-clockwise to
// the one through the north point: the upper-right quarter on screen.
void Quarter(DrawingSurface& s) {
  s.SelectPen(Pen{1, kRed});
  s.SelectBrush(Brush{kRed});
  s.Pie(0, 0, 41, 41, Point{40, 20}, Point{20, 0});
}
// A text cell stands where the classic one does: its top-left at the anchor,
// or for upward text its bottom-left.
template <std::int32_t kEscapement>
void Text(DrawingSurface& s) {
  s.SelectFont(Font::Chart(12, kEscapement));
  s.SetBkColor(kRed);
  s.TextOut(20, 20, "Wy");
}

const Probe kProbes[] = {
    {"rectangle outline, left-top corner", Rect, {2, 2}, kBlue},
    {"rectangle outline, right-bottom pixel is right-1, bottom-1", Rect, {9, 7}, kBlue},
    {"rectangle covers nothing at right, bottom", Rect, {10, 8}, kGrey},
    {"rectangle interior", Rect, {5, 5}, kRed},
    {"a 1-pixel line is one full-strength row", Line, {6, 5}, kBlue},
    {"nothing above the line", Line, {6, 4}, kGrey},
    {"nothing below the line", Line, {6, 6}, kGrey},
    {"polygon fill covers [left, right)", Square, {5, 5}, kRed},
    {"polygon fill stops before right, bottom", Square, {6, 6}, kGrey},
    {"pie: the quarter counter-clockwise from east to north", Quarter, {30, 10}, kRed},
    {"pie: not the opposite quarter", Quarter, {10, 30}, kGrey},
    {"pie: not the quarter clockwise from east", Quarter, {30, 30}, kGrey},
    {"text cell: top-left at the anchor", Text<0>, {20, 20}, kRed},
    {"text cell: nothing left of the anchor", Text<0>, {19, 20}, kGrey},
    {"upward text cell: bottom-left at the anchor", Text<900>, {20, 19}, kRed},
    {"upward text cell: nothing below the anchor", Text<900>, {20, 20}, kGrey},
};

TEST(SmoothSurfaceTest, ShapesCoverTheClassicPixelsAtEveryScale) {
  for (const int scale : {1, 2}) {
    for (const Probe& p : kProbes) {
      Drawn d = Surface(48, 48, scale);
      p.draw(*d.surface);
      Finish(d);
      for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
          EXPECT_EQ(d.canvas.GetPixel(p.at.x * scale + dx, p.at.y * scale + dy), p.expected)
              << p.rule << " at scale " << scale;
        }
      }
    }
  }
}

TEST(SmoothSurfaceTest, ArabicIsJoinedNotDrawnLetterByLetter) {
  Drawn d = Surface(8, 8, 1);
  d.surface->SelectFont(Font::Chart(24));
  const char* letters[] = {"\u0633", "\u0644", "\u0627", "\u0645"};  // the word salam
  double isolated = 0.0;
  std::string word;
  for (const char* letter : letters) {
    isolated += d.surface->Shape(letter).width;
    word += letter;
  }
  const SmoothSurface::ShapedText joined = d.surface->Shape(word);
  EXPECT_EQ(joined.missingGlyphs, 0);
  EXPECT_GT(std::abs(joined.width - isolated), 1.0);
}

std::vector<std::uint32_t> Ink(const char* text, int* missing) {
  Drawn d = Surface(120, 40, 1);
  d.surface->SelectFont(Font::Chart(24));
  *missing = d.surface->Shape(text).missingGlyphs;
  d.surface->TextOut(4, 4, text);
  return Finish(d);
}

TEST(SmoothSurfaceTest, FallbackFontsDrawRealGlyphsAndABoxWhenNoneHasOne) {
  struct Row {
    const char* text;
    bool found;
  };
  const Row rows[] = {
      {"\u6708\u9500\u552E", true},                    // Chinese
      {"\u5E74\u5EA6\u62A5\u544A", true},              // a different Chinese text
      {"\u0939\u093F\u0928\u094D\u0926\u0940", true},  // Hindi
      {"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1", true},  // Greek
      {"\U0010FFFD", false},                           // private use: no font has it
  };
  std::vector<std::vector<std::uint32_t>> drawn;
  for (const Row& r : rows) {
    int missing = -1;
    drawn.push_back(Ink(r.text, &missing));
    EXPECT_EQ(missing == 0, r.found) << r.text;
    // Something is drawn either way: glyphs, or the missing-glyph box.
    EXPECT_GT(std::count(drawn.back().begin(), drawn.back().end(), Canvas::ToStored(0)), 0)
        << r.text;
  }
  EXPECT_NE(drawn[0], drawn[1]);
}

// Each thread has its own Pango state: charts drawn at once on several
// threads come out as the one drawn alone. Shaped texts are kept per thread
// up to a bound: after that cache was emptied many times over, the chart
// still comes out the same.
TEST(SmoothSurfaceTest, EveryThreadAndATurnedOverCacheDrawAsOneDrawsAlone) {
  const auto draw = [] {
    Drawn d = Surface(160, 60, 2);
    d.surface->SelectFont(Font::Chart(16));
    d.surface->TextOut(4, 4, "Quarterly \u9500\u552E \u0645\u0628\u064A\u0639\u0627\u062A");
    d.surface->SelectFont(Font::Chart(12, 900));
    d.surface->TextOut(140, 56, "Units");
    Quarter(*d.surface);
    return Finish(d);
  };
  const std::vector<std::uint32_t> alone = draw();
  std::vector<std::vector<std::uint32_t>> results(4);
  std::vector<std::thread> threads;
  for (auto& result : results) {
    threads.emplace_back([&result, &draw] {
      for (int i = 0; i < 5; ++i) result = draw();
    });
  }
  for (auto& t : threads) t.join();
  for (const auto& result : results) EXPECT_EQ(result, alone);
  Drawn other = Surface(8, 8, 2);
  for (int i = 0; i < 1500; ++i) other.surface->TextOut(0, 0, "label " + std::to_string(i));
  Finish(other);
  EXPECT_EQ(draw(), alone);
}

TEST(SmoothSurfaceTest, PdfHasThePageSizeAndTheTitle) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  auto surface = CreatePdfSurface(200, 100, 2, bytes, error);
  ASSERT_NE(surface, nullptr) << error;
  surface->SelectFont(Font::Chart(16));
  surface->TextOut(10, 10, "Quarterly");
  Rect(*surface);
  ASSERT_TRUE(surface->Finish("Sales by month", error)) << error;
  const std::string pdf(bytes.begin(), bytes.end());
  ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("/MediaBox [ 0 0 400 200 ]"), std::string::npos);
  EXPECT_NE(pdf.find("(Sales by month)"), std::string::npos);
}

// Inputs a script can produce: none may crash, hang or leave the canvas's
// unused byte set; nothing is drawn for degenerate shapes.
TEST(SmoothSurfaceTest, HostileInputsDrawSafely) {
  Drawn d = Surface(32, 32, 4);
  DrawingSurface& s = *d.surface;
  s.SelectFont(Font::Chart(INT32_MAX, 450));
  s.TextOut(INT32_MIN, INT32_MAX, "\xC3\x28 bad \xF0\x9F utf-8");
  s.SelectFont(Font::Chart(-5, -900));
  s.TextOut(3, 3, std::string_view("a\0b", 3));
  s.TextOut(3, 3, std::string(100000, 'x'));
  s.SelectPen(Pen{INT32_MAX, kRed});
  s.MoveTo(INT32_MIN, INT32_MIN);
  s.LineTo(INT32_MAX, INT32_MAX);
  s.SelectPen(Pen{-3, kRed});
  const Point far[] = {{INT32_MIN, 0}, {INT32_MAX, 5}, {0, INT32_MAX}};
  s.Polygon(far);
  s.FillPolygon(far, Brush{kBlue});
  s.Pie(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, Point{0, 0}, Point{0, 0});
  s.Pie(5, 5, 5, 9, Point{1, 1}, Point{2, 2});
  s.Ellipse(INT32_MAX, 0, INT32_MIN, 1);
  s.Rectangle(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
  s.FillSolidRect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN, kBlue);
  Finish(d);
  for (const std::uint32_t pixel : d.canvas.pixels()) ASSERT_EQ(pixel >> 24, 0u);
  s.TextOut(1, 1, "after Finish");  // ignored, no failure
}

}  // namespace
}  // namespace tessaloom
