#include "draw/text_metrics.h"

#include <gtest/gtest.h>

namespace tessaloom {
namespace {

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
