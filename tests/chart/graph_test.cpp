#include "chart/graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tessaloom {
namespace {

static_assert(!std::is_copy_constructible_v<CGraph>, "CGraph owns its series");
static_assert(std::is_nothrow_move_constructible_v<CGraph>);

std::unique_ptr<CGraphSeries> SeriesWithPoints(int count) {
  auto series = std::make_unique<CGraphSeries>();
  for (int i = 0; i < count; ++i) {
    series->AddDataPoint(static_cast<std::uint32_t>(i), static_cast<float>(i));
  }
  return series;
}

TEST(CGraphTest, FreshModelDrawsVerticalBarsOnAHundredScaleInto500x350GraphJpg) {
  const CGraph graph;
  EXPECT_EQ(graph.graphWidth, 500);
  EXPECT_EQ(graph.graphHeight, 350);
  EXPECT_EQ(graph.fileName, "Graph.jpg");
  EXPECT_EQ(graph.filePath, "");
  EXPECT_EQ(graph.isVertical, 1u);
  EXPECT_EQ(graph.graphType, GRAPH_BAR);
  EXPECT_EQ(graph.minTick, 0);
  EXPECT_EQ(graph.maxTick, 100);
  EXPECT_EQ(graph.tickCount, 10);
  EXPECT_EQ(graph.tickValueStep, 10);
  EXPECT_EQ(graph.backColor, 0xFFFFFFu);
  EXPECT_EQ(graph.GetColor(0), kFallbackColor);
}

TEST(CGraphTest, SetTickLimitsCoversTheRangeWithoutOverflow) {
  struct Case {
    std::int32_t min, max, step;
    std::int32_t minTick, maxTick, tickValueStep, tickCount;
  };
  const Case cases[] = {
      {0, 100, 10, 0, 100, 10, 10},
      {0, 0, 0, 0, 1, 1, 1},       // empty scale still gets one interval
      {0, 95, 10, 0, 95, 10, 10},  // nine steps fall short, so ten
      {0, 100, 0, 0, 100, 1, 100},
      {-50, -10, 10, -50, -10, 10, 4},
      {-45, 0, 10, -45, 0, 10, 5},
      {-7, -7, 3, -7, -7, 3, 0},  // only 0..0 is widened
      {10, 0, 5, 10, 0, 5, -2},
      {0, 10, -3, 0, 10, -3, -2},
      {INT_MIN, INT_MAX, 1, INT_MIN, INT_MAX, 1, INT_MAX},
      {INT_MAX, INT_MIN, 1, INT_MAX, INT_MIN, 1, INT_MIN},
      {INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MAX, INT_MAX, 3},
      {INT_MIN, INT_MAX, INT_MIN, INT_MIN, INT_MAX, INT_MIN, 0},
      {INT_MIN, 0, -1, INT_MIN, 0, -1, INT_MIN},
      {0, INT_MIN, -1, 0, INT_MIN, -1, INT_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "SetTickLimits(" << c.min << ", " << c.max << ", " << c.step << ")");
    CGraph graph;
    graph.SetTickLimits(c.min, c.max, c.step);
    EXPECT_EQ(graph.minTick, c.minTick);
    EXPECT_EQ(graph.maxTick, c.maxTick);
    EXPECT_EQ(graph.tickValueStep, c.tickValueStep);
    EXPECT_EQ(graph.tickCount, c.tickCount);
  }
}

// The request is always stored; only the 3D line chart draws vertically
// whatever it says, so an earlier kind never swallows a later request.
TEST(CGraphTest, OnlyTheThreeDimensionalLineChartIgnoresAHorizontalRequest) {
  struct Case {
    std::uint32_t kind, flag;
    bool vertical;
  };
  const Case cases[] = {
      {GRAPH_3D_LINE, 0, true}, {GRAPH_BAR, 0, false},           {GRAPH_LINE, 0, false},
      {GRAPH_3D_BAR, 0, false}, {GRAPH_3D_STACKED_BAR, 1, true},
  };
  CGraph graph;  // one model throughout: an earlier kind must not stick
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << ", flag " << c.flag);
    graph.SetOrientation(c.flag);
    graph.SetGraphType(c.kind);
    EXPECT_EQ(graph.isVertical, c.flag);
    EXPECT_EQ(graph.DrawsVertically(), c.vertical);
  }
}

TEST(CGraphTest, ScriptColoursComeBeforeThePaletteAndMissesAreBlue) {
  struct Case {
    int scriptColours;
    int position;
    COLORREF expected;
  };
  const Case cases[] = {
      {2, 0, 0x000001},  {2, 1, 0x000002},  {2, 2, 0x562C87},       {2, 25, 0xB1E2FF},
      {2, 26, 0xFF0000}, {2, -1, 0x000001}, {0, 0, 0x562C87},       {0, 23, 0xB1E2FF},
      {0, 24, 0xFF0000}, {0, -5, 0x562C87}, {0, INT_MAX, 0xFF0000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.scriptColours << " script colours, position " << c.position);
    CGraph graph;
    for (int i = 0; i < c.scriptColours; ++i) {
      graph.AddDataColor(static_cast<std::uint32_t>(i), static_cast<COLORREF>(i + 1));
    }
    graph.LoadDefaultPalette();
    EXPECT_EQ(graph.GetColor(c.position), c.expected);
  }
}

TEST(CGraphTest, PaletteMatchesItsRedGreenBlueValuesAndRecordsItsPositions) {
  const std::uint8_t rgb[24][3] = {
      {135, 44, 86},   {243, 243, 170}, {152, 152, 255}, {135, 255, 255}, {86, 0, 135},
      {255, 135, 135}, {0, 135, 192},   {192, 192, 255}, {0, 0, 128},     {255, 75, 255},
      {255, 255, 125}, {128, 0, 128},   {0, 128, 128},   {0, 192, 0},     {80, 50, 0},
      {0, 192, 192},   {255, 0, 0},     {128, 128, 128}, {192, 192, 192}, {255, 198, 107},
      {255, 153, 51},  {0, 255, 0},     {255, 143, 107}, {255, 226, 177},
  };
  CGraph graph;
  graph.AddDataColor(7, 0x123456);
  graph.LoadDefaultPalette();
  ASSERT_EQ(graph.colorList.size(), 25u);
  for (std::size_t p = 0; p < 24; ++p) {
    SCOPED_TRACE(testing::Message() << "palette position " << p);
    EXPECT_EQ(kDefaultPalette[p], RGB(rgb[p][0], rgb[p][1], rgb[p][2]));
    EXPECT_EQ(graph.colorList[p + 1].colorIndex, p);
  }
}

TEST(CGraphTest, LegendTextsAreFoundByPositionAndMissesAreEmpty) {
  CGraph graph;
  graph.SetLegendText(0, "Apples");
  graph.SetLegendText(1, "Kiwi");
  EXPECT_EQ(graph.hasLegend, 1u);
  const std::pair<int, std::string> cases[] = {
      {0, "Apples"}, {1, "Kiwi"}, {2, ""}, {-1, ""}, {INT_MIN, ""}, {INT_MAX, ""},
  };
  for (const auto& [position, text] : cases) {
    EXPECT_EQ(graph.legend.GetLegendText(position), text) << "position " << position;
  }
}

TEST(CGraphTest, TextLengthsCountCodePointsNotBytes) {
  const std::pair<std::string, int> cases[] = {
      {"", 0}, {"Sales", 5}, {"\xC3\xA9", 1}, {"Caf\xC3\xA9", 4}, {"\xE2\x82\xAC 5", 3},
  };
  for (const auto& [text, length] : cases) {
    SCOPED_TRACE(text);
    CGraph graph;
    graph.SetXAxisLabel(text);
    graph.SetLegendText(0, "ab");
    graph.SetLegendText(1, text);
    EXPECT_EQ(graph.xAxisLabelLength, length);
    EXPECT_EQ(graph.legend.GetLegendLength(), std::max(2, length));
    EXPECT_EQ(graph.maxLegendLength, std::max(2, length));
  }
}

TEST(CGraphTest, SeriesSizeFollowsTheLongestSeriesAndIgnoresNull) {
  CGraph graph;
  const std::pair<int, int> cases[] = {{3, 3}, {5, 5}, {2, 5}, {0, 5}};  // points, seriesSize
  for (const auto& [points, seriesSize] : cases) {
    graph.AddGraphSeries(SeriesWithPoints(points));
    EXPECT_EQ(graph.seriesSize, seriesSize) << "after a series of " << points;
  }
  graph.AddGraphSeries(nullptr);
  EXPECT_EQ(graph.seriesList.size(), 4u);
}

TEST(CGraphSeriesTest, GetDataValueAnswersTheFirstPointAtAPositionOrZero) {
  CGraphSeries series;
  EXPECT_EQ(series.GetFirstXPosition(), 0u);
  EXPECT_EQ(series.GetFirstValue(), 0.0f);
  series.AddDataPoint(4, 1.5f);
  series.AddDataPoint(1, 2.5f);
  series.AddDataPoint(4, 9.0f);
  const std::pair<std::uint32_t, float> cases[] = {{4, 1.5f}, {1, 2.5f}, {0, 0.0f}, {7, 0.0f}};
  for (const auto& [x, value] : cases) EXPECT_EQ(series.GetDataValue(x), value) << "x " << x;
  EXPECT_EQ(series.GetDataCount(), 3);
  EXPECT_EQ(series.GetFirstXPosition(), 4u);
  EXPECT_EQ(series.GetFirstValue(), 1.5f);
}

TEST(CGraphTest, ClearAllDropsOneDrawsDataAndKeepsTheSettings) {
  CGraph graph;
  graph.SetGraphType(GRAPH_STACKED_BAR);
  graph.SetOrientation(0);
  graph.SetGridLines(1);
  graph.SetGraphWidth(640);
  graph.SetXAxisLabel("Month");
  graph.SetFileName("chart.bmp");
  graph.SetTickLimits(-20, 80, 20);
  graph.AddGraphSeries(SeriesWithPoints(6));
  graph.SetLegendText(0, "Longest legend");
  graph.AddDataColor(0, 0x010203);
  graph.LoadDefaultPalette();

  graph.ClearAll();

  EXPECT_TRUE(graph.seriesList.empty());
  EXPECT_EQ(graph.GetColor(0), kFallbackColor);
  EXPECT_EQ(graph.seriesSize, 0);
  EXPECT_EQ(graph.hasLegend, 0u);
  EXPECT_EQ(graph.legend.GetLegendText(0), "");
  EXPECT_EQ(graph.legend.GetLegendLength(), 0);
  EXPECT_EQ(graph.maxLegendLength, 0);

  EXPECT_EQ(graph.graphType, GRAPH_STACKED_BAR);
  EXPECT_EQ(graph.isVertical, 0u);
  EXPECT_EQ(graph.hasGridLines, 1u);
  EXPECT_EQ(graph.graphWidth, 640);
  EXPECT_EQ(graph.xAxisLabelLength, 5);
  EXPECT_EQ(graph.fileName, "chart.bmp");
  EXPECT_EQ(graph.tickCount, 5);

  // The next draw's legend starts again from its first row.
  graph.SetLegendText(0, "New");
  EXPECT_EQ(graph.legend.GetLegendText(0), "New");
  EXPECT_EQ(graph.maxLegendLength, 3);
}

}  // namespace
}  // namespace tessaloom
