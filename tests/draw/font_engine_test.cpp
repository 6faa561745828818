#include "draw/font_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "draw/font_faces.h"
#include "draw/text_metrics.h"

namespace tessaloom {
namespace {

// Pre-fill, cell background and text colours: R and B differ so that a
// channel swap shows.
constexpr COLORREF kBefore = RGB(0, 255, 0);
constexpr COLORREF kBack = RGB(255, 0, 0);
constexpr COLORREF kInk = RGB(0, 0, 255);

// Glyphs that stay inside their cell in any face we may load.
constexpr char kBoxedText[] = "HHHH";

const std::vector<Font>& SampleFonts() {
  static const std::vector<Font> fonts = {
      Font::System(),  Font::Chart(0),  Font::Chart(12),      Font::Chart(16),
      Font::Chart(22), Font::Chart(24), Font::Chart(48, 900), Font::Chart(16, 900, 17)};
  return fonts;
}

std::string Describe(const Font& font) {
  return (font.face == FontFace::kSystem ? "System" : "chart") + std::string(" height ") +
         std::to_string(font.height) + " escapement " + std::to_string(font.escapement);
}

Canvas Filled(std::int32_t width, std::int32_t height, COLORREF color) {
  Canvas canvas;
  std::string error;
  EXPECT_TRUE(Canvas::Create(width, height, canvas, error)) << error;
  canvas.FillRect(0, 0, width, height, color);
  return canvas;
}

struct Box {
  std::int64_t x0, y0, x1, y1;  // [x0, x1) x [y0, y1)
  bool Contains(std::int64_t x, std::int64_t y) const {
    return x >= x0 && x < x1 && y >= y0 && y < y1;
  }
};

// The opaque cell DrawText must paint for `text` at (x, y).
Box CellOf(const Font& font, std::int64_t x, std::int64_t y, std::string_view text) {
  const std::int64_t w = TextWidth(font, text);
  const std::int64_t h = FontMetrics(font).height;
  const bool upward = font.face != FontFace::kSystem && font.escapement == 900;
  return upward ? Box{x, y - w, x + h, y} : Box{x, y, x + w, y + h};
}

// Checks that inside `cell` every pixel is background or ink and outside it
// every pixel kept kBefore. Returns the number of ink pixels.
std::int64_t ExpectOnlyCellPainted(const Canvas& canvas, const Box& cell,
                                   const std::string& label) {
  std::int64_t ink = 0;
  std::int64_t wrong = 0;
  for (std::int32_t y = 0; y < canvas.height(); ++y) {
    for (std::int32_t x = 0; x < canvas.width(); ++x) {
      const COLORREF c = canvas.GetPixel(x, y);
      const bool ok = cell.Contains(x, y) ? (c == kBack || c == kInk) : c == kBefore;
      if (!ok && wrong++ == 0) {
        ADD_FAILURE() << label << ": pixel (" << x << ", " << y << ") is " << std::hex << c;
      }
      ink += c == kInk;
    }
  }
  EXPECT_EQ(wrong, 0) << label;
  return ink;
}

bool SameImage(const Canvas& a, const Canvas& b) {
  return a.width() == b.width() && a.height() == b.height() &&
         std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin());
}

TEST(FontEngineTest, FontMetricsAreTheStandardMetrics) {
  for (const Font& font : SampleFonts()) {
    EXPECT_EQ(FontMetrics(font), StandardTextMetrics(font)) << Describe(font);
  }
}

TEST(FontEngineTest, InstalledSystemFaceStatesTheSystemFigures) {
  const FaceInfo& face = LoadedFace(FaceSlot::kSystem);
  if (!face.rasterFont) GTEST_SKIP() << "no raster System font installed";
  EXPECT_EQ(face.rasterMetrics, kSystemFontMetrics) << face.file;
}

TEST(FontEngineTest, InstalledChartFaceHasTimesNewRomanFigures) {
  const FaceInfo& face = LoadedFace(FaceSlot::kChart);
  if (face.family != "Liberation Serif" && face.family != "Tinos") {
    GTEST_SKIP() << "chart font is " << face.family;
  }
  EXPECT_EQ(face.figures.unitsPerEm, kTimesNewRomanBoldFigures.unitsPerEm);
  EXPECT_EQ(face.figures.winAscent, kTimesNewRomanBoldFigures.winAscent);
  EXPECT_EQ(face.figures.winDescent, kTimesNewRomanBoldFigures.winDescent);
  EXPECT_EQ(face.figures.advanceWidthMax, kTimesNewRomanBoldFigures.advanceWidthMax);
}

TEST(FontEngineTest, WidthOfConcatenationIsSumOfWidths) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"Sales", " 2024"},
      {"H", "HHH"},
      {"A", "\xC5\x81"},  // "Ł": same low byte as "A", different width
      {"", "Q1"},
      {"\xC3\xA9t\xC3\xA9", "\xE2\x82\xAC"},  // "été", "€"
      {"a\xFF", "\xF0\x9F\x98\x80z"},         // ill-formed byte, emoji
      {"\xEE\x80\x80", "\xE4\xB8\x80"},       // private use, CJK
  };
  for (const Font& font : SampleFonts()) {
    for (const auto& [a, b] : pairs) {
      EXPECT_EQ(TextWidth(font, a + b), TextWidth(font, a) + TextWidth(font, b))
          << Describe(font) << " '" << a << "' + '" << b << "'";
    }
  }
}

TEST(FontEngineTest, EmptyTextHasNoWidthAndIllFormedBytesAreReplacementCharacters) {
  for (const Font& font : SampleFonts()) {
    EXPECT_EQ(TextWidth(font, ""), 0) << Describe(font);
    EXPECT_EQ(TextWidth(font, "\xFF"), TextWidth(font, "\xEF\xBF\xBD")) << Describe(font);
    EXPECT_EQ(TextWidth(font, "\xE2\x82"), 2 * TextWidth(font, "\xEF\xBF\xBD")) << Describe(font);
  }
}

TEST(FontEngineTest, OpaqueCellIsExactlyWidthByHeight) {
  for (const Font& font : SampleFonts()) {
    const bool upward = font.face != FontFace::kSystem && font.escapement == 900;
    for (const auto& [x, across] : {std::pair{7, 9}, std::pair{0, 0}, std::pair{30, 70}}) {
      const std::int32_t y = upward ? 119 - across : across;  // keep the start on the canvas
      Canvas canvas = Filled(120, 120, kBefore);
      DrawText(canvas, x, y, kBoxedText, font, kInk, kBack);
      const std::string label =
          Describe(font) + " at " + std::to_string(x) + "," + std::to_string(y);
      const Box cell = CellOf(font, x, y, kBoxedText);
      EXPECT_GT(cell.x1 - cell.x0, 0) << label;
      EXPECT_GT(cell.y1 - cell.y0, 0) << label;
      EXPECT_GT(ExpectOnlyCellPainted(canvas, cell, label), 0) << label;
    }
  }
}

TEST(FontEngineTest, UpwardCellHasBottomLeftCornerAtOrigin) {
  const Font font = Font::Chart(16, 900);
  Canvas canvas = Filled(40, 100, kBefore);
  DrawText(canvas, 5, 90, kBoxedText, font, kInk, kBack);
  const std::int64_t w = TextWidth(font, kBoxedText);
  EXPECT_EQ(canvas.GetPixel(5, 89), kBack);           // bottom-left pixel
  EXPECT_EQ(canvas.GetPixel(5 + 15, 90 - w), kBack);  // top-right pixel
  EXPECT_EQ(canvas.GetPixel(5, 90), kBefore);
  EXPECT_EQ(canvas.GetPixel(5 + 16, 89), kBefore);
  EXPECT_EQ(canvas.GetPixel(5, 89 - w), kBefore);
}

TEST(FontEngineTest, UpwardTextIsAcrossTextTurnedCounterClockwise) {
  const std::string text = "Sales gy \xE2\x82\xAC\xEE\x80\x80";
  for (const std::int32_t height : {12, 16, 22, 24, 48}) {
    Canvas across = Filled(300, 80, kBefore);
    Canvas upward = Filled(80, 300, kBefore);
    DrawText(across, 3, 5, text, Font::Chart(height), kInk, kBack);
    DrawText(upward, 4, 290, text, Font::Chart(height, 900), kInk, kBack);
    // Pixel (X, Y) of the upward drawing is pixel (3 + 289 - Y, 5 + X - 4)
    // of the across one.
    std::int64_t differences = 0;
    for (std::int32_t y = 0; y < upward.height(); ++y) {
      for (std::int32_t x = 0; x < upward.width(); ++x) {
        const std::int64_t ax = 3 + 289 - y;
        const std::int64_t ay = 5 + x - 4;
        const COLORREF expected = ax >= 0 && ax < across.width() && ay >= 0 && ay < across.height()
                                      ? across.GetPixel(ax, ay)
                                      : kBefore;
        differences += upward.GetPixel(x, y) != expected;
      }
    }
    EXPECT_EQ(differences, 0) << height;
  }
}

TEST(FontEngineTest, OnlyChartTextAtEscapement900IsTurned) {
  // The raster System font ignores escapement; other angles draw as 0.
  const std::pair<Font, Font> same[] = {{Font::System(), Font{FontFace::kSystem, 0, 900, 0}},
                                        {Font::Chart(16), Font::Chart(16, 450)},
                                        {Font::Chart(16), Font::Chart(16, -900)}};
  for (const auto& [plain, angled] : same) {
    Canvas a = Filled(100, 40, kBefore);
    Canvas b = Filled(100, 40, kBefore);
    DrawText(a, 3, 20, "Abc 123", plain, kInk, kBack);
    DrawText(b, 3, 20, "Abc 123", angled, kInk, kBack);
    EXPECT_TRUE(SameImage(a, b)) << Describe(angled);
  }
}

TEST(FontEngineTest, ClippedDrawingKeepsTheUnclippedPixels) {
  // Drawn at every offset across the edges of a small canvas, text must look
  // exactly like the same window of an unclipped drawing on a larger canvas.
  constexpr std::int32_t kMargin = 100;
  const std::string text = "Sales gy \xE2\x82\xAC";
  std::vector<std::pair<std::int32_t, std::int32_t>> origins;
  for (std::int32_t d = -100; d <= 60; ++d) {
    origins.emplace_back(d, 5);
    origins.emplace_back(3, d);
  }
  for (const Font& font : {Font::Chart(16), Font::Chart(24, 900), Font::System()}) {
    for (const auto& [x, y] : origins) {
      Canvas small = Filled(40, 30, kBefore);
      Canvas large = Filled(40 + 2 * kMargin, 30 + 2 * kMargin, kBefore);
      DrawText(small, x, y, text, font, kInk, kBack);
      DrawText(large, x + kMargin, y + kMargin, text, font, kInk, kBack);
      std::int64_t differences = 0;
      for (std::int32_t py = 0; py < small.height(); ++py) {
        for (std::int32_t px = 0; px < small.width(); ++px) {
          differences += small.GetPixel(px, py) != large.GetPixel(px + kMargin, py + kMargin);
        }
      }
      ASSERT_EQ(differences, 0) << Describe(font) << " at " << x << "," << y;
    }
  }
}

TEST(FontEngineTest, TextFarOutsideLeavesTheCanvasAlone) {
  const std::pair<std::int32_t, std::int32_t> origins[] = {
      {INT_MIN, 0},       {INT_MAX, 0},       {0, INT_MIN},       {0, INT_MAX},
      {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MAX - 5, 5},   {5, INT_MAX - 5},
      {-1000000, 5},      {5, -1000000},      {INT_MIN, INT_MAX}, {INT_MAX, INT_MIN}};
  const Canvas untouched = Filled(30, 30, kBefore);
  for (const Font& font : SampleFonts()) {
    for (const auto& [x, y] : origins) {
      Canvas canvas = Filled(30, 30, kBefore);
      DrawText(canvas, x, y, "Sales 2024 \xE2\x82\xAC", font, kInk, kBack);
      EXPECT_TRUE(SameImage(canvas, untouched)) << Describe(font) << " at " << x << "," << y;
    }
  }
}

TEST(FontEngineTest, EmptyTextPaintsNothing) {
  const Canvas untouched = Filled(20, 20, kBefore);
  Canvas empty;
  for (const Font& font : SampleFonts()) {
    Canvas canvas = Filled(20, 20, kBefore);
    DrawText(canvas, 5, 10, "", font, kInk, kBack);
    EXPECT_TRUE(SameImage(canvas, untouched)) << Describe(font);
    DrawText(empty, 0, 0, "Sales", font, kInk, kBack);  // a 0 x 0 canvas is harmless
  }
}

TEST(FontEngineTest, CharacterTheFaceLacksStillAdvancesAndDraws) {
  // Private use, CJK, the last code point, a control character.
  for (const std::string text : {"\xEE\x80\x80", "\xE4\xB8\x80", "\xF4\x8F\xBF\xBF", "\x01"}) {
    for (const Font& font : SampleFonts()) {
      EXPECT_GT(TextWidth(font, text), 0) << Describe(font);
      Canvas canvas = Filled(100, 100, kBefore);
      DrawText(canvas, 20, 50, text, font, kInk, kBack);
      EXPECT_GT(ExpectOnlyCellPainted(canvas, CellOf(font, 20, 50, text), Describe(font)), 0);
    }
  }
}

TEST(FontEngineTest, HugeHeightIsDrawnAtTheLargestCell) {
  const Font font = Font::Chart(1000000);
  EXPECT_EQ(FontMetrics(font).height, kMaxFontHeight);
  Canvas canvas = Filled(40, 40, kBefore);
  DrawText(canvas, 0, 0, "H", font, kInk, kBack);
  ExpectOnlyCellPainted(canvas, CellOf(font, 0, 0, "H"), "huge");
}

TEST(FontEngineTest, MegabyteOfTextIsMeasuredAndDrawn) {
  const std::string text(std::size_t{1} << 20, 'H');
  std::mt19937 random(20240611);
  std::string noise(std::size_t{1} << 20, '\0');
  for (char& c : noise) c = static_cast<char>(random() & 0xFF);
  for (const Font& font : {Font::Chart(16), Font::Chart(16, 900), Font::System()}) {
    const std::int64_t w = TextWidth(font, text);
    EXPECT_EQ(w, TextWidth(font, "H") * (std::int64_t{1} << 20)) << Describe(font);
    ASSERT_LT(w, INT_MAX);
    // Only the end of the text reaches the canvas.
    const bool upward = font.escapement == 900 && font.face != FontFace::kSystem;
    const auto x = static_cast<std::int32_t>(upward ? 5 : 10 - w);
    const auto y = static_cast<std::int32_t>(upward ? w - 10 : 5);
    Canvas canvas = Filled(60, 60, kBefore);
    DrawText(canvas, x, y, text, font, kInk, kBack);
    ExpectOnlyCellPainted(canvas, CellOf(font, x, y, text), Describe(font));
    // Random bytes: glyphs may overhang, so only drawing without fault is asked.
    EXPECT_GT(TextWidth(font, noise), 0);
    DrawText(canvas, 2, 30, noise, font, kInk, kBack);
  }
}

TEST(FontEngineTest, ConcurrentDrawingMatchesSingleThreadedDrawing) {
  // Sizes and characters used nowhere else, so the threads race to render
  // and cache the same glyphs; the references are drawn afterwards.
  struct Job {
    Font font;
    std::string text;
  };
  std::vector<Job> jobs;
  for (std::int32_t h = 31; h <= 38; ++h) {
    jobs.push_back({Font::Chart(h, h % 2 == 0 ? 900 : 0),
                    "\xCE\xB1\xCE\xB2\xCE\xB3 Quarterly \xC5\x92 " + std::to_string(h)});
  }
  jobs.push_back({Font::System(), "Quarterly \xC3\x86\xC3\x98 \xE2\x80\xA0"});
  const auto draw = [&](const Job& job) {
    Canvas canvas = Filled(160, 160, kBefore);
    DrawText(canvas, 4, job.font.escapement == 900 ? 150 : 4, job.text, job.font, kInk, kBack);
    return canvas;
  };
  constexpr int kThreads = 8;
  std::vector<std::vector<Canvas>> results(kThreads);
  {
    std::vector<std::jthread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        // Each thread starts at a different job so that misses collide.
        for (std::size_t k = 0; k < jobs.size(); ++k) {
          results[static_cast<std::size_t>(t)].push_back(
              draw(jobs[(k + static_cast<std::size_t>(t)) % jobs.size()]));
        }
      });
    }
  }
  for (int t = 0; t < kThreads; ++t) {
    for (std::size_t k = 0; k < jobs.size(); ++k) {
      const std::size_t job = (k + static_cast<std::size_t>(t)) % jobs.size();
      EXPECT_TRUE(SameImage(results[static_cast<std::size_t>(t)][k], draw(jobs[job])))
          << "thread " << t << " " << Describe(jobs[job].font);
    }
  }
}

}  // namespace
}  // namespace tessaloom
