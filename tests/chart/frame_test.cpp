// The frame's layout figures and drawing sequence, through the recording surface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/graph.h"
#include "draw/recording_surface.h"
#include "draw/text_metrics.h"

namespace tessaloom {
namespace {

std::unique_ptr<CGraphSeries> Series(std::initializer_list<float> values) {
  auto s = std::make_unique<CGraphSeries>();
  std::uint32_t x = 0;
  for (float v : values) s->AddDataPoint(x++, v);
  return s;
}

TEST(FrameTest, DefaultVerticalBarLayout) {
  CGraph g;
  RecordingSurface s;
  g.DrawGraph(s);
  EXPECT_EQ(g.canvasHeight, 350);
  EXPECT_EQ(g.canvasWidth, 495);
  EXPECT_EQ(g.plotLeftX, 68);
  EXPECT_EQ(g.plotBaseY, 300);
  EXPECT_EQ(g.plotHeight, 260);
  EXPECT_EQ(g.plotWidth, 422);
  // White background with the initial black pen, brush restored, no title.
  const std::vector<std::string> expected = {"SelectBrush(#FFFFFF)", "Rectangle(0, 0, 500, 350)",
                                             "SelectBrush(#FFFFFF)"};
  ASSERT_GE(s.Log().size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(s.Log().begin(), s.Log().begin() + 3), expected);
}

TEST(FrameTest, TitleSizeShrinksUntilTheTitleFits) {
  struct Case {
    int length;
    std::int32_t height;
  };
  const Case cases[] = {{1, 24}, {40, 24}, {41, 24}, {42, 22}, {45, 22}, {46, 20}, {50, 18}};
  for (const Case& c : cases) {
    CGraph g;
    g.SetChartTitle(std::string(static_cast<std::size_t>(c.length), 'T'));
    RecordingSurface s;
    g.DrawGraph(s);
    // The title's font is selected and given back before the axes write anything.
    const auto fonts = s.Log("SelectFont");
    ASSERT_GE(fonts.size(), 2u) << c.length;
    EXPECT_EQ(fonts[0], "SelectFont(Chart " + std::to_string(c.height) + ", 0, 16)") << c.length;
    EXPECT_EQ(fonts[1], "SelectFont(System)");
    const std::int32_t A = StandardTextMetrics(Font::Chart(c.height)).aveCharWidth;
    EXPECT_EQ(s.Log("TextOut")[0], "TextOut(" + std::to_string(250 - (c.length / 2) * A) +
                                       ", 10, \"" + g.chartTitle + "\")");
  }
}

TEST(FrameTest, PieLayoutUsesTheWholeCanvas) {
  CGraph g;
  g.SetGraphType(GRAPH_PIE);
  RecordingSurface s;
  g.DrawGraph(s);
  EXPECT_EQ(g.plotLeftX, 5);
  EXPECT_EQ(g.plotWidth, 485);
  EXPECT_EQ(g.plotHeight, 300);
  EXPECT_EQ(g.plotBaseY, 345);
}

TEST(FrameTest, HorizontalLayoutMakesRoomForTheLabels) {
  CGraph g;
  g.SetOrientation(0);
  g.SetXAxisLabel("Month");
  RecordingSurface s;
  g.DrawGraph(s);
  const TextMetrics m = StandardTextMetrics(Font::Chart(16, 900));
  EXPECT_EQ(g.plotLeftX, 5 * m.aveCharWidth + m.height + 10 + 5);
  EXPECT_EQ(g.plotBaseY, 350 - m.height - 25);
  EXPECT_EQ(g.plotHeight, g.plotBaseY - 45);
  EXPECT_EQ(g.plotWidth, 495 - g.plotLeftX - 5);
  EXPECT_EQ(s.CurrentFont(), Font::System());  // the measuring font is given back
}

// Every draw classifies its own points: a quadrant left by an earlier draw
// (3 here) never reaches a kind without a sign scan, a negative value
// anywhere counts, and only vertical charts move their base line.
TEST(FrameTest, SignScanLooksAtEveryPointOfThisDraw) {
  struct Case {
    std::uint32_t type;
    std::uint32_t vertical;
    std::vector<std::vector<float>> series;
    std::int32_t quadrant;
    std::int32_t baseY;
  };
  const Case cases[] = {
      {GRAPH_BAR, 1, {{-5.0f}, {10.0f}}, 3, 170},  // M = 0 on -50..50: the base moves up 130
      {GRAPH_BAR, 1, {{5.0f, -40.0f}, {10.0f}}, 3, 170},
      {GRAPH_BAR, 1, {{0.0f}}, 1, 300},
      {GRAPH_BAR, 0, {{-5.0f}, {10.0f}}, 3, 309},
      {GRAPH_BOX_WHISKER, 1, {{-5.0f, 1.0f}}, 1, 300},
      {GRAPH_STACKED_BAR, 1, {{1.0f}}, 1, 300},
  };
  for (const Case& c : cases) {
    CGraph g;
    g.quadrant = 3;
    g.SetGraphType(c.type);
    g.SetOrientation(c.vertical);
    g.SetTickLimits(-50, 50, 10);
    for (const auto& values : c.series) {
      auto s = std::make_unique<CGraphSeries>();
      for (std::size_t i = 0; i < values.size(); ++i) {
        s->AddDataPoint(static_cast<std::uint32_t>(i), values[i]);
      }
      g.AddGraphSeries(std::move(s));
    }
    RecordingSurface s;
    g.DrawGraph(s);
    EXPECT_EQ(g.quadrant, c.quadrant) << c.type;
    EXPECT_EQ(g.plotBaseY, c.baseY) << c.type;
  }
}

TEST(FrameTest, AnEmptyValueRangeLeavesTheOriginInPlace) {
  CGraph g;
  g.minTick = g.maxTick = 5;
  g.AddGraphSeries(Series({-1.0f}));
  RecordingSurface s;
  g.DrawGraph(s);
  EXPECT_EQ(g.quadrant, 3);
  EXPECT_EQ(g.plotBaseY, 300 - 130);
}

TEST(FrameTest, UnknownKindsReportAndStillDrawTheFrame) {
  for (std::uint32_t type : {3u, 5u, 33u, 319u, 0xFFFFFFFFu}) {
    CGraph g;
    g.SetGraphType(type);
    RecordingSurface s;
    g.DrawGraph(s);
    EXPECT_EQ(g.errorText, "No Graph type to display") << type;
    EXPECT_EQ(s.Log("Rectangle").size(), 1u);
  }
}

TEST(FrameTest, TinyAndHugeCanvasesComputeWithoutOverflow) {
  for (std::int32_t size : {1, 2, 5, INT32_MAX}) {
    CGraph g;
    g.SetGraphWidth(size);
    g.SetGraphHeight(size);
    g.SetChartTitle(std::string(1000, 'x'));
    g.SetXAxisLabel(size == 2 ? std::string() : std::string(1000, 'y'));
    for (std::uint32_t vertical : {0u, 1u}) {
      g.SetOrientation(vertical);
      RecordingSurface s;
      g.DrawGraph(s);
      EXPECT_EQ(g.canvasHeight, size);
    }
  }
}

}  // namespace
}  // namespace tessaloom
