// Text measuring and drawing, checked against the engine's own unclipped or unturned drawing and
// the cell it must paint; no test depends on a glyph's shape.
#include "draw/font_engine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "draw/font_faces.h"
#include "draw/text_metrics.h"
#include "platform/library_path.h"
#include "platform/text.h"
#include "tests/support/canvas.h"

namespace tessaloom {
namespace {

// Pre-fill, cell background and ink: red and blue differ so a swap shows.
constexpr COLORREF kBefore = RGB(0, 255, 0);
constexpr COLORREF kBack = RGB(255, 0, 0);
constexpr COLORREF kInk = RGB(0, 0, 255);
// Only chart text at 900 turns: the System font ignores escapement, other angles draw as 0.
const Font kFonts[] = {Font::System(),      Font{FontFace::kSystem, 0, 900, 0},
                       Font::Chart(0),      Font::Chart(12),
                       Font::Chart(24),     Font::Chart(16, 450),
                       Font::Chart(48, 900)};

// Arabic letters that join, and Devanagari with marks placed by the shaper.
const std::string kJoined = "\u0645\u0628\u064A\u0639\u0627\u062A";
const std::string kHindi = "\u0939\u093F\u0928\u094D\u0926\u0940";

bool Upward(const Font& font) { return font.face != FontFace::kSystem && font.escapement == 900; }

// Pixels off the rule (in the text's cell background or ink, outside nothing but ink up to `slack`
// pixels off); -1 when no ink shows.
std::int64_t OutsideTheCell(const Canvas& canvas, const Font& font, std::int64_t x, std::int64_t y,
                            std::string_view text, std::int64_t slack = 0) {
  const std::int64_t w = TextWidth(font, text), h = FontMetrics(font).height;
  const std::int64_t x0 = x, y0 = Upward(font) ? y - w : y;
  const std::int64_t x1 = x + (Upward(font) ? h : w), y1 = Upward(font) ? y : y + h;
  std::int64_t wrong = 0, ink = 0;
  for (std::int32_t py = 0; py < canvas.Height(); ++py) {
    for (std::int32_t px = 0; px < canvas.Width(); ++px) {
      const COLORREF c = canvas.GetPixel(px, py);
      const bool inside = px >= x0 && px < x1 && py >= y0 && py < y1;
      const bool near = px >= x0 - slack && px < x1 + slack && py >= y0 - slack && py < y1 + slack;
      wrong += inside ? c != kBack && c != kInk : c != kBefore && !(near && c == kInk);
      ink += c == kInk;
    }
  }
  return ink > 0 ? wrong : -1;
}

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers
std::vector<COLORREF> Pixels(const Canvas& c) { return Window(c, 0, 0, c.Width(), c.Height()); }
// A w x h canvas in kBefore with `text` drawn at (x, y).
Canvas Drawn(std::int32_t w, std::int32_t h, std::int32_t x, std::int32_t y, std::string_view text,
             const Font& font) {
  Canvas canvas = MakeCanvas(w, h, kBefore);
  DrawText(canvas, x, y, text, font, kInk, kBack);
  return canvas;
}

// Widths add up, bad bytes are U+FFFD, chart text joins, a megabyte is measured and its end drawn;
// ink stays in (shaped text: near) its cell; a huge height draws at the largest cell.
TEST(FontEngineTest, WidthsAddUpAndTextPaintsExactlyItsCell) {
  const std::pair<std::string, std::string> pairs[] = {
      {"Sales", " 2024"}, {"A", "\xC5\x81"}, {"", "Q1"}, {"a\xFF", "\xF0\x9F\x98\x80z"}};
  const std::string mega(std::size_t{1} << 20, 'H');
  for (const Font& font : kFonts) {
    for (const auto& [a, b] : pairs)
      EXPECT_EQ(TextWidth(font, a + b), TextWidth(font, a) + TextWidth(font, b));
    EXPECT_EQ(TextWidth(font, "\xE2\x82"), 2 * TextWidth(font, "\xEF\xBF\xBD"));
    std::int64_t apart = 0;  // the joined word is not as wide as its letters apart
    for (std::size_t i = 0; i < kJoined.size(); i += 2)
      apart += TextWidth(font, kJoined.substr(i, 2));
    EXPECT_TRUE(font.face == FontFace::kSystem || TextWidth(font, kJoined) != apart);
    EXPECT_EQ(TextWidth(font, mega), TextWidth(font, "H") << 20);
    for (const std::string& text :
         {std::string("HHHH"), std::string("\xEE\x80\x80\x01"), mega, kJoined, kHindi}) {
      const std::int64_t end = text == mega ? TextWidth(font, mega) - 10 : 0;  // it ends in view
      const auto x = static_cast<std::int32_t>(Upward(font) ? 7 : 7 - end);
      const auto y = static_cast<std::int32_t>(Upward(font) ? 110 + end : 9);
      const std::int64_t slack =
          text == kJoined || text == kHindi ? FontMetrics(font).height / 4 : 0;
      EXPECT_EQ(OutsideTheCell(Drawn(120, 120, x, y, text, font), font, x, y, text, slack), 0)
          << font.height << text;
    }
  }
  const Font huge = Font::Chart(1000000);
  EXPECT_EQ(FontMetrics(huge).height, kMaxFontHeight);
  EXPECT_LE(OutsideTheCell(Drawn(40, 40, 0, 0, "H", huge), huge, 0, 0, "H"), 0);  // ink further in
}

TEST(FontEngineTest, UpwardTextIsAcrossTextTurnedCounterClockwise) {
  // Shaped text too: joined Arabic, Devanagari with marks placed by the shaper.
  for (const std::int32_t height : {12, 22, 48}) {
    for (const char* text :
         {"Sales gy \xE2\x82\xAC", "\u0645\u0628\u064A \u0628\u064E\u0651 \u0915\u093F\u0901 gy"}) {
      const Canvas across = Drawn(300, 80, 3, 5, text, Font::Chart(height));
      const Canvas upward = Drawn(80, 300, 4, 290, text, Font::Chart(height, 900));
      std::int64_t differences = 0;  // upward (X, Y) is across (3 + 289 - Y, 5 + X - 4)
      for (std::int32_t y = 0; y < 300; ++y) {
        for (std::int32_t x = 0; x < 80; ++x) {
          const std::int64_t ax = 292 - y, ay = x + 1;
          const bool on = ax >= 0 && ax < 300 && ay >= 0 && ay < 80;
          differences += upward.GetPixel(x, y) != (on ? across.GetPixel(ax, ay) : kBefore);
        }
      }
      EXPECT_EQ(differences, 0) << height << text;
    }
  }
}

TEST(FontEngineTest, ClippedTextKeepsTheUnclippedPixelsAndFarTextLeavesTheCanvasAlone) {
  for (const Font& font : {Font::Chart(16), Font::Chart(24, 900), Font::System()}) {
    for (std::int32_t d = -100; d <= 60; d += 3) {
      for (const auto& [x, y] : {std::pair{d, 5}, std::pair{3, d}}) {
        ASSERT_EQ(Pixels(Drawn(40, 30, x, y, "Sales gy", font)),
                  Window(Drawn(240, 230, x + 100, y + 100, "Sales gy", font), 100, 100, 40, 30))
            << x << "," << y;
      }
    }
    const std::pair<std::int32_t, std::int32_t> far[] = {{INT_MIN, 0},       {INT_MAX, 0},
                                                         {0, INT_MIN},       {5, INT_MAX - 5},
                                                         {INT_MIN, INT_MAX}, {-1000000, 5}};
    for (const auto& [x, y] : far) {
      EXPECT_EQ(Count(Drawn(30, 30, x, y, "Sales 2024", font), kBefore), 900) << x << "," << y;
    }
  }
}

std::vector<COLORREF> Shown(const std::string& text, const Font& font = Font::Chart(16)) {
  return Pixels(Drawn(200, 40, 2, 2, text, font));
}

std::size_t FallbackFacesOpen() {
  std::size_t n = 0;
  for (std::size_t i = 0; i < kMaxFallbackFaces; ++i)
    n += LoadedFace(static_cast<FaceId>(kSystemFaceId + 1 + i)).loaded;
  return n;
}

// The package's fallback faces draw these scripts' own glyphs, not boxes, and ASCII opens none; a
// character no face has (controls, private use) draws the box and MissingCharacters reports it.
TEST(FontEngineTest, FallbackFacesDrawWhatTheChartFaceLacksAndTheBoxWhatNoFaceHas) {
  const std::size_t before = FallbackFacesOpen();
  std::string ascii;
  for (char c = ' '; c <= '~'; ++c) ascii += c;
  Shown(ascii);
  EXPECT_EQ(FallbackFacesOpen(), before) << "ASCII text opened a fallback face";
  const char* const texts[] = {
      "\xE4\xB8\xAD\xE6\x96\x87", "\xE6\x97\xA5\xE6\x9C\xAC",          // Chinese, Japanese
      "\xE3\x81\x8B\xE3\x81\xAA", "\xED\x95\x9C\xEA\xB8\x80",          // kana, Korean
      "\xD8\xB9\xD8\xB1\xD8\xA8", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",  // Arabic, Hebrew
      "\xE0\xA4\x95\xE0\xA4\xAE", "\xF0\x9F\x98\x80\xE2\x9D\xA4",      // Devanagari, emoji
  };
  for (const char* text : texts) {
    std::string boxes;
    for (std::size_t i = CodePointCount(text); i > 0; --i) boxes += "\xEE\x80\x80";
    EXPECT_EQ(MissingCharacters(text), U"") << text;
    EXPECT_NE(Shown(text), Shown(boxes)) << text;
    EXPECT_NE(Shown(text, Font::Chart(24, 900)), Shown(boxes, Font::Chart(24, 900))) << text;
  }
  EXPECT_NE(Shown(texts[0]), Shown(texts[1]));  // two pictures, not the same row of boxes
  const std::pair<const char*, std::u32string> missing[] = {
      {"a\uE000b\uE000\U0010FFFD", U"\uE000\U0010FFFD"}, {"\x01\x01", U"\x01"}};
  for (const auto& [text, chars] : missing) EXPECT_EQ(MissingCharacters(text), chars) << text;
  const std::vector<COLORREF> box = Shown("\xEE\x80\x80");
  EXPECT_EQ(Shown("\xEF\xA3\xBE"), box);  // U+F8FE
  EXPECT_NE(box, Shown(""));              // and the box has ink
}

// Right-to-left runs in visual order: each row's piece stands at the left or right end of the text
// exactly as it draws alone (the first: letters that never join, the first rightmost).
TEST(FontEngineTest, ShapedTextKeepsRightToLeftRunsInVisualOrder) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"\u062F\u0631\u0648", "\u062F", true},
      {"\u0645\u0628\u064A\u0639\u0627\u062A \u0631\u0628\u0639",
       "\u0645\u0628\u064A\u0639\u0627\u062A", true},
      {"Sales \u0645\u0628\u064A\u0639\u0627\u062A", "Sales", false},  // a left-to-right paragraph
      {"\u0645\u0628\u064A\u0639\u0627\u062A Sales", "Sales", false},  // a right-to-left one
      {"\u0645\u0628\u064A\u0639\u0627\u062A Sales", "\u0645\u0628\u064A\u0639\u0627\u062A", true},
      {"\u05E9\u05DC\u05D5\u05DD (Q1)", "(Q1)", false},  // Hebrew from the chart face
      {"Cafe\u0301", "Caf\u00E9", false},                // a combining accent composes
  };
  const Font font = Font::Chart(20);
  for (const auto& [text, piece, right] : cases) {
    const std::int64_t w = TextWidth(font, text), p = TextWidth(font, piece);
    const std::int32_t at = 4 + static_cast<std::int32_t>(right ? w - p : 0);
    const auto width = static_cast<std::int32_t>(p);
    EXPECT_EQ(Window(Drawn(300, 40, 4, 4, text, font), at, 0, width, 40),
              Window(Drawn(300, 40, at, 4, piece, font), at, 0, width, 40))
        << text << piece;
  }
}

// Exits 0 when the faces came from these files, else 1; names them either way.
[[noreturn]] void ExitOnFaceFiles(const std::string& chart, const std::string& system) {
  const std::string& got = LoadedFace(FaceSlot::kChart).file;
  const std::string& gotSystem = LoadedFace(FaceSlot::kSystem).file;
  std::fprintf(stderr, "loaded %s and %s\n", got.c_str(), gotSystem.c_str());
  std::exit(got == chart && gotSystem == system ? 0 : 1);
}

// A fonts folder beside the library (as the Python package carries) gives both faces; a broken file
// there leaves the system's. Each row loads the library afresh from a folder of its own.
TEST(FontEngineTest, FontsBesideTheLibraryComeFirst) {
  const FaceInfo &chart = LoadedFace(FaceSlot::kChart), &system = LoadedFace(FaceSlot::kSystem);
  if (!system.rasterFont) GTEST_SKIP() << "no raster System font on this machine";
  namespace fs = std::filesystem;
  const fs::path library = fs::canonical("/proc/self/exe").parent_path().parent_path();
  const char* const searched = std::getenv("LD_LIBRARY_PATH");
  const std::string kept = searched != nullptr ? searched : "";
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a new process, loading the library anew
  for (const bool broken : {false, true}) {
    const fs::path folder = testing::TempDir() + (broken ? "fonts-broken" : "fonts-beside");
    fs::remove_all(folder);
    fs::create_directories(folder / kOwnFilesFolder / "fonts");
    fs::create_symlink(library / "libtessaloom.so.0", folder / "libtessaloom.so.0");
    std::string expected[2];
    for (const int slot : {0, 1}) {
      const fs::path copy = folder / kOwnFilesFolder / "fonts" /
                            (slot == 0 ? "LiberationSerif-Bold.ttf" : "vgasys.fon");
      const std::string& file = (slot == 0 ? chart : system).file;
      if (broken) std::ofstream(copy) << "not a font";
      if (!broken) fs::create_symlink(file, copy);
      expected[slot] = broken ? file : copy.string();
    }
    setenv("LD_LIBRARY_PATH", folder.c_str(), 1);
    EXPECT_EXIT(ExitOnFaceFiles(expected[0], expected[1]), testing::ExitedWithCode(0), "")
        << (broken ? "a broken file beside the library" : "fonts beside the library");
  }
  if (searched != nullptr) setenv("LD_LIBRARY_PATH", kept.c_str(), 1);
  if (searched == nullptr) unsetenv("LD_LIBRARY_PATH");
}

// By cell height (height, ascent, descent, average, widest; pixels per em), worked by hand from the
// face's figures; 0 and below are the default height; at 24 the first rounded em overshoots.
TEST(StandardTextMetricsTest, ChartFontHasTimesNewRomanBoldFigures) {
  const std::tuple<std::int32_t, TextMetrics, std::int32_t> rows[] = {
      {0, {16, 13, 3, 6, 16}, 14},
      {INT_MIN, {16, 13, 3, 6, 16}, 14},
      {1, {1, 1, 0, 1, 1}, 1},
      {3, {3, 2, 1, 1, 2}, 2},
      {12, {12, 10, 2, 5, 12}, 11},
      {22, {22, 18, 4, 9, 23}, 20},
      {24, {24, 19, 5, 9, 24}, 21},
      {2048, {2048, 1648, 400, 789, 2082}, 1849},
      {INT_MAX, {2048, 1648, 400, 789, 2082}, 1849},
  };
  for (const auto& [height, expected, ppem] : rows) {
    EXPECT_EQ(StandardTextMetrics(Font::Chart(height)), expected) << height;
    // Escapement and pitch do not change the metrics.
    EXPECT_EQ(StandardTextMetrics(Font::Chart(height, 900, 17)), expected) << height;
    EXPECT_EQ(CellPixelsPerEm(expected.height, kTimesNewRomanBoldFigures), ppem) << height;
  }
  // The System font has fixed figures whatever its height.
  EXPECT_EQ(StandardTextMetrics(Font{FontFace::kSystem, 12, 900, 0}),
            (TextMetrics{16, 13, 3, 7, 15}));
}

// Every height, broken figures too, gives a cell of exactly that height (1 to kMaxFontHeight) and
// an em in range; the chart face's ascent is at least its descent, its widest at least its average.
TEST(ScalableTextMetricsTest, EveryHeightGivesACellOfExactlyThatHeight) {
  // Halves round up: ascent 1 of 2 units in a 1-pixel cell, widths 8 x 7 / 16 pixels.
  EXPECT_EQ(ScalableTextMetrics(1, FaceFigures{16, 1, 1, 8, 8}), (TextMetrics{1, 1, 0, 4, 4}));
  const FaceFigures figures[] = {
      kTimesNewRomanBoldFigures,         {0, 0, 0, 0, 0},
      {-2048, -1825, -443, -874, -2306}, {INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX},
      {16384, 1, 0, 65535, 65535},       {16, 65535, 65535, 1, 1}};
  for (const FaceFigures& f : figures) {
    for (std::int32_t h = -7; h <= kMaxFontHeight + 1; ++h) {
      const TextMetrics m = ScalableTextMetrics(h, f);
      const std::int32_t cell = std::clamp(h, 1, kMaxFontHeight), ppem = CellPixelsPerEm(h, f);
      ASSERT_TRUE(m.height == cell && m.ascent + m.descent == cell && m.descent >= 0 &&
                  m.aveCharWidth >= 1 && m.maxCharWidth >= 0 && ppem >= 1 &&
                  ppem <= kMaxFontHeight &&
                  (&f != figures || (m.ascent >= m.descent && m.maxCharWidth >= m.aveCharWidth)))
          << h;
    }
  }
}

}  // namespace
}  // namespace tessaloom
