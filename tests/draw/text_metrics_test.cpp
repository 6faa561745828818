#include "draw/text_metrics.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace tessaloom {
namespace {

struct MetricsRow {
  const char* label;
  std::int32_t height;
  TextMetrics expected;  // height, ascent, descent, average, widest
};

// Times New Roman Bold at each cell height, worked out by hand from its
// figures (2048 units, win ascent 1825, win descent 443, average 874,
// widest 2306); 12, 16, 22 and 24 are the published table.
const std::vector<MetricsRow>& ChartRows() {
  static const std::vector<MetricsRow> rows = {
      {"zero is the default height", 0, {16, 13, 3, 6, 16}},
      {"most negative is the default height", INT_MIN, {16, 13, 3, 6, 16}},
      {"one pixel", 1, {1, 1, 0, 1, 1}},
      {"average never below one", 3, {3, 2, 1, 1, 2}},
      {"12", 12, {12, 10, 2, 5, 12}},
      {"22", 22, {22, 18, 4, 9, 23}},
      {"24 (first rounded em overshoots the cell)", 24, {24, 19, 5, 9, 24}},
      {"largest height", 2048, {2048, 1648, 400, 789, 2082}},
      {"most positive", INT_MAX, {2048, 1648, 400, 789, 2082}},
  };
  return rows;
}

TEST(StandardTextMetricsTest, ChartFontHasTimesNewRomanBoldFigures) {
  for (const MetricsRow& row : ChartRows()) {
    EXPECT_EQ(StandardTextMetrics(Font::Chart(row.height)), row.expected) << row.label;
    // Escapement and pitch do not change the metrics.
    EXPECT_EQ(StandardTextMetrics(Font::Chart(row.height, 900, 17)), row.expected) << row.label;
  }
  // The System font has fixed figures whatever its height.
  EXPECT_EQ(StandardTextMetrics(Font{FontFace::kSystem, 12, 900, 0}),
            (TextMetrics{16, 13, 3, 7, 15}));
}

TEST(StandardTextMetricsTest, EveryHeightGivesACellOfExactlyThatHeight) {
  for (std::int32_t h = 1; h <= kMaxFontHeight; ++h) {
    const TextMetrics m = StandardTextMetrics(Font::Chart(h));
    ASSERT_EQ(m.height, h);
    ASSERT_EQ(m.ascent + m.descent, h) << h;
    ASSERT_GE(m.descent, 0) << h;
    ASSERT_GE(m.ascent, m.descent) << h;
    ASSERT_GE(m.aveCharWidth, 1) << h;
    ASSERT_GE(m.maxCharWidth, m.aveCharWidth) << h;
  }
}

TEST(CellPixelsPerEmTest, MatchesThePublishedEmSizes) {
  const struct {
    std::int32_t height;
    std::int32_t ppem;
  } rows[] = {{12, 11}, {16, 14}, {22, 20}, {24, 21}, {1, 1}, {2048, 1849}, {0, 1}, {-7, 1}};
  for (const auto& row : rows) {
    EXPECT_EQ(CellPixelsPerEm(row.height, kTimesNewRomanBoldFigures), row.ppem) << row.height;
  }
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
      EXPECT_EQ(m.height, h);
      EXPECT_EQ(m.ascent + m.descent, h);
      EXPECT_GE(m.descent, 0);
      EXPECT_GE(m.aveCharWidth, 1);
      EXPECT_GE(m.maxCharWidth, 0);
      EXPECT_GE(CellPixelsPerEm(h, figures), 1);
      EXPECT_LE(CellPixelsPerEm(h, figures), kMaxFontHeight);
    }
  }
}

}  // namespace
}  // namespace tessaloom
