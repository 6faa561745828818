#include "draw/text_metrics.h"

#include <gtest/gtest.h>

namespace tessaloom {
namespace {

// Times New Roman Bold at each cell height (height, ascent, descent, average,
// widest), worked out by hand from its figures (2048 units, win ascent 1825,
// win descent 443, average 874, widest 2306); 12, 16, 22 and 24 are the
// published table. 0 and below are the default height; the average is never
// below one; at 24 the first rounded em overshoots the cell.
TEST(StandardTextMetricsTest, ChartFontHasTimesNewRomanBoldFigures) {
  const std::pair<std::int32_t, TextMetrics> rows[] = {
      {0, {16, 13, 3, 6, 16}},
      {INT_MIN, {16, 13, 3, 6, 16}},
      {1, {1, 1, 0, 1, 1}},
      {3, {3, 2, 1, 1, 2}},
      {12, {12, 10, 2, 5, 12}},
      {22, {22, 18, 4, 9, 23}},
      {24, {24, 19, 5, 9, 24}},
      {2048, {2048, 1648, 400, 789, 2082}},
      {INT_MAX, {2048, 1648, 400, 789, 2082}},
  };
  for (const auto& [height, expected] : rows) {
    EXPECT_EQ(StandardTextMetrics(Font::Chart(height)), expected) << height;
    // Escapement and pitch do not change the metrics.
    EXPECT_EQ(StandardTextMetrics(Font::Chart(height, 900, 17)), expected) << height;
  }
  // The System font has fixed figures whatever its height.
  EXPECT_EQ(StandardTextMetrics(Font{FontFace::kSystem, 12, 900, 0}),
            (TextMetrics{16, 13, 3, 7, 15}));
}

TEST(StandardTextMetricsTest, EveryHeightGivesACellOfExactlyThatHeight) {
  for (std::int32_t h = 1; h <= kMaxFontHeight; ++h) {
    const TextMetrics m = StandardTextMetrics(Font::Chart(h));
    ASSERT_TRUE(m.height == h && m.ascent + m.descent == h && m.descent >= 0 &&
                m.ascent >= m.descent && m.aveCharWidth >= 1 && m.maxCharWidth >= m.aveCharWidth)
        << h;
  }
}

TEST(CellPixelsPerEmTest, MatchesThePublishedEmSizes) {
  const std::pair<std::int32_t, std::int32_t> rows[] = {{12, 11}, {16, 14},     {22, 20}, {24, 21},
                                                        {1, 1},   {2048, 1849}, {0, 1},   {-7, 1}};
  for (const auto& [height, ppem] : rows)
    EXPECT_EQ(CellPixelsPerEm(height, kTimesNewRomanBoldFigures), ppem) << height;
}

TEST(ScalableTextMetricsTest, HalvesRoundUp) {
  // Ascent 1 of 2 units in a 1-pixel cell, widths 8 x 7 / 16 pixels: halves all.
  EXPECT_EQ(ScalableTextMetrics(1, FaceFigures{16, 1, 1, 8, 8}), (TextMetrics{1, 1, 0, 4, 4}));
}

TEST(ScalableTextMetricsTest, BrokenFiguresStillGiveTheRequestedCell) {
  const FaceFigures broken[] = {{0, 0, 0, 0, 0},
                                {-2048, -1825, -443, -874, -2306},
                                {INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                                {16384, 1, 0, 65535, 65535},
                                {16, 65535, 65535, 1, 1}};
  for (const FaceFigures& figures : broken) {
    for (const std::int32_t h : {1, 16, 2048}) {
      const TextMetrics m = ScalableTextMetrics(h, figures);
      EXPECT_TRUE(m.height == h && m.ascent + m.descent == h && m.descent >= 0 &&
                  m.aveCharWidth >= 1 && m.maxCharWidth >= 0)
          << h;
      EXPECT_GE(CellPixelsPerEm(h, figures), 1);
      EXPECT_LE(CellPixelsPerEm(h, figures), kMaxFontHeight);
    }
  }
}

}  // namespace
}  // namespace tessaloom
