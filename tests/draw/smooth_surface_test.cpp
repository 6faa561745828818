// The smooth surface's text (joined Arabic, fallback fonts, the box where no font has a character)
// and the PDF target; its shapes, threads and hostile input: surfaces_test.cpp.
#include "draw/smooth_surface.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/canvas.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

// Each text draws its own glyphs, the box only where no font has the character; Arabic letters
// join.
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
