// The smooth surface's text (joined Arabic, real glyphs from fallback fonts,
// the box for a character no font has), its threads and the PDF target. Where
// its shapes land and hostile input: surfaces_test.cpp.
#include "draw/smooth_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "tests/support/canvas.h"

namespace tessaloom {
namespace {

struct Drawn {
  Canvas canvas;
  std::unique_ptr<SmoothSurface> surface;
};

Drawn Surface(int w, int h, int scale) {
  Drawn d;
  std::string error;
  d.canvas = test_support::MakeCanvas(w * scale, h * scale, 0x808080);
  d.surface = CreateSmoothSurface(d.canvas, scale, error);
  EXPECT_NE(d.surface, nullptr) << error;
  return d;
}

std::vector<std::uint32_t> Finish(Drawn& d) {
  std::string error;
  EXPECT_TRUE(d.surface->Finish("", error)) << error;
  return {d.canvas.Pixels().begin(), d.canvas.Pixels().end()};
}

// Each text draws glyphs of its own, the box only where no font has the
// character; Arabic letters join, so a word is not as wide as its letters.
TEST(SmoothSurfaceTest, TextIsShapedWithFallbackFontsAndABoxWhereNoneHasIt) {
  const std::pair<const char*, bool> rows[] = {
      {"\u6708\u9500\u552E", true},                    // Chinese
      {"\u5E74\u5EA6\u62A5\u544A", true},              // a different Chinese text
      {"\u0939\u093F\u0928\u094D\u0926\u0940", true},  // Hindi
      {"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1", true},  // Greek
      {"\U0010FFFD", false},                           // private use: no font has it
  };
  std::vector<std::vector<std::uint32_t>> drawn;
  for (const auto& [text, found] : rows) {
    Drawn d = Surface(120, 40, 1);
    d.surface->SelectFont(Font::Chart(24));
    EXPECT_EQ(d.surface->Shape(text).missingGlyphs == 0, found) << text;
    d.surface->TextOut(4, 4, text);
    drawn.push_back(Finish(d));
    EXPECT_GT(std::count(drawn.back().begin(), drawn.back().end(), Canvas::ToStored(0)), 0)
        << text;  // glyphs or the box, in black
  }
  EXPECT_NE(drawn[0], drawn[1]);
  Drawn d = Surface(8, 8, 1);
  d.surface->SelectFont(Font::Chart(24));
  const std::string letters[] = {"\u0633", "\u0644", "\u0627", "\u0645"};  // the word salam
  double apart = 0.0;
  for (const std::string& letter : letters) apart += d.surface->Shape(letter).width;
  const auto joined = d.surface->Shape(letters[0] + letters[1] + letters[2] + letters[3]);
  EXPECT_EQ(joined.missingGlyphs, 0);
  EXPECT_GT(std::abs(joined.width - apart), 1.0);
}

// Charts drawn at once on several threads, or after the thread's cache of
// shaped texts was emptied many times over, come out as the one drawn alone.
TEST(SmoothSurfaceTest, EveryThreadAndATurnedOverCacheDrawAsOneDrawsAlone) {
  const auto draw = [] {
    Drawn d = Surface(160, 60, 2);
    d.surface->SelectFont(Font::Chart(16));
    d.surface->TextOut(4, 4, "Quarterly \u9500\u552E \u0645\u0628\u064A\u0639\u0627\u062A");
    d.surface->SelectFont(Font::Chart(12, 900));
    d.surface->TextOut(140, 56, "Units");
    d.surface->Pie(0, 0, 41, 41, Point{40, 20}, Point{20, 0});
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
  surface->Rectangle(2, 2, 10, 8);
  ASSERT_TRUE(surface->Finish("Sales by month", error)) << error;
  const std::string pdf(bytes.begin(), bytes.end());
  ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("/MediaBox [ 0 0 400 200 ]"), std::string::npos);
  EXPECT_NE(pdf.find("(Sales by month)"), std::string::npos);
}

}  // namespace
}  // namespace tessaloom
