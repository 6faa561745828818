// What each Draw method hands to the chart model, seen through a renderer
// that records the model at the moment of rendering.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component/scale.h"
#include "tests/component/test_support.h"

namespace tessaloom {
namespace {

using testing::B;
using testing::ErrorReasonOf;
using testing::NewGenerator;

struct SeriesSnapshot {
  std::string label;
  std::vector<std::pair<std::uint32_t, float>> points;
  friend bool operator==(const SeriesSnapshot&, const SeriesSnapshot&) = default;
};

struct ModelSnapshot {
  std::uint32_t graphType = 0;
  std::int32_t minTick = 0, maxTick = 0, tickValueStep = 0;
  std::vector<SeriesSnapshot> series;
  std::vector<std::string> legend;
  std::vector<COLORREF> colors;
};

class RecordingRenderer final : public ChartRenderer {
 public:
  void Render(CGraph& g) override {
    ModelSnapshot s;
    s.graphType = g.graphType;
    s.minTick = g.minTick;
    s.maxTick = g.maxTick;
    s.tickValueStep = g.tickValueStep;
    for (const auto& series : g.seriesList) {
      SeriesSnapshot one{series->GetLabel(), {}};
      for (const CGraphDataSet& p : series->dataList)
        one.points.emplace_back(p.xPosition, p.yValue);
      s.series.push_back(one);
    }
    for (const CGraphLegendSet& l : g.legend.legendList) s.legend.push_back(l.legendText);
    for (const CGraphDataColor& c : g.colorList) s.colors.push_back(c.color);
    renders.push_back(s);
  }
  std::vector<ModelSnapshot> renders;
};

class DrawMethodsTest : public ::testing::Test {
 protected:
  void SetUp() override { g_->graph.renderer = &renderer_; }
  void AddData(std::initializer_list<std::pair<const char16_t*, float>> points) {
    for (const auto& [label, value] : points) g_->AddData(B(label).get(), value);
  }
  void AddTable(std::initializer_list<const char16_t*> items,
                std::initializer_list<std::pair<const char16_t*, std::vector<float>>> series) {
    for (const char16_t* item : items) g_->AddItemToSeries(B(item).get());
    for (const auto& [title, values] : series) {
      g_->AddSeries(B(title).get());
      for (float v : values) g_->AddDataEx(v);
    }
  }
  const ModelSnapshot& Last() { return renderer_.renders.back(); }
  static ScaleLimits Limits(const ModelSnapshot& s) {
    return ScaleLimits{s.minTick, s.maxTick, s.tickValueStep};
  }

  std::unique_ptr<ComObject<CGraphGenerator>> g_ = NewGenerator();
  RecordingRenderer renderer_;
};

TEST(ComputeScaleLimitsTest, RoundsOutwardToTensInTenSteps) {
  struct Case {
    std::int32_t m, M;
    ScaleLimits expected;
  };
  const Case cases[] = {
      {0, 47, {0, 50, 5}},     {3, 100, {0, 110, 11}},
      {20, 20, {10, 30, 2}},   {-15, -5, {-20, 10, 3}},
      {-10, -10, {-20, 0, 2}}, {12, 19, {10, 20, 1}},
      {0, 0, {0, 0, 0}},       {10, 10, {0, 20, 2}},
      {-3, 5, {-10, 10, 2}},   {0, 19, {0, 20, 2}},
      {0, 30, {0, 40, 4}},     {INT32_MIN, INT32_MAX, {INT32_MIN, INT32_MAX, 429496729}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComputeScaleLimits(c.m, c.M), c.expected) << c.m << ", " << c.M;
  }
}

TEST_F(DrawMethodsTest, BarsGetOneSeriesPerPointAndKeepNegatives) {
  // A comma inside a label shifts the later labels.
  AddData({{u"a,b", 5.0f}, {u"c", -3.0f}, {u"d", 2.0f}});
  EXPECT_EQ(g_->DrawBarGraph(), S_OK);
  const ModelSnapshot& s = Last();
  EXPECT_EQ(s.graphType, GRAPH_BAR);
  EXPECT_EQ(Limits(s), (ScaleLimits{-10, 10, 2}));
  const std::vector<SeriesSnapshot> expected = {
      {"a", {{0, 5.0f}}}, {"b", {{0, -3.0f}}}, {"c", {{0, 2.0f}}}};
  EXPECT_EQ(s.series, expected);
  EXPECT_TRUE(s.legend.empty());
  EXPECT_EQ(g_->dataValues[1], -3.0f);
}

TEST_F(DrawMethodsTest, PieSetsNegativesToZeroInTheStoreForLaterDraws) {
  AddData({{u"a", 5.0f}, {u"b", -3.0f}, {u"c", 2.0f}});
  g_->put_SeriesLabel(B(u"Share").get());
  g_->DrawPieGraph();
  const std::vector<SeriesSnapshot> pie = {{"Share", {{0, 5.0f}, {1, 0.0f}, {2, 2.0f}}}};
  EXPECT_EQ(Last().series, pie);
  EXPECT_EQ(Last().legend, (std::vector<std::string>{"a", "b", "c"}));
  g_->DrawBarGraph();
  EXPECT_EQ(Last().series[1].points[0].second, 0.0f);
  EXPECT_EQ(Limits(Last()), (ScaleLimits{0, 10, 1}));
}

// Negative values are drawn as 0, so they do not shorten the axis.
TEST_F(DrawMethodsTest, StackedScaleCoversTheTruncatedTotalOfWhatIsDrawn) {
  AddData({{u"a", 12.9f}, {u"b", 7.9f}});
  g_->DrawStackedBarGraph();
  EXPECT_EQ(Limits(Last()), (ScaleLimits{0, 20, 2}));

  g_->ClearData();
  AddData({{u"a", -20.0f}, {u"b", 50.0f}});
  g_->DrawStackedBarGraph();
  EXPECT_EQ(Limits(Last()), (ScaleLimits{0, 60, 6}));
  EXPECT_EQ(Last().series[0].points,
            (std::vector<std::pair<std::uint32_t, float>>{{0, 0.0f}, {1, 50.0f}}));
}

TEST_F(DrawMethodsTest, ScriptColoursServeOneDrawOnly) {
  AddData({{u"a", 1.0f}});
  g_->AddColor(B(u"red").get());
  g_->DrawBarGraph();
  EXPECT_EQ(Last().colors, (std::vector<COLORREF>{0x0000FF}));
  g_->DrawBarGraph();
  EXPECT_TRUE(Last().colors.empty());
}

TEST_F(DrawMethodsTest, SeriesTableBecomesOneModelSeriesPerScriptSeries) {
  AddTable({u"Q1", u"Q2"}, {{u"A", {10, 20}}, {u"B", {5, 40}}});
  EXPECT_EQ(g_->DrawBarSeriesGraph(), S_OK);
  const std::vector<SeriesSnapshot> expected = {{"A", {{0, 10.0f}, {1, 20.0f}}},
                                                {"B", {{0, 5.0f}, {1, 40.0f}}}};
  EXPECT_EQ(Last().series, expected);
  EXPECT_EQ(Last().legend, (std::vector<std::string>{"Q1", "Q2"}));
  EXPECT_EQ(Limits(Last()), (ScaleLimits{0, 50, 5}));
  EXPECT_EQ(g_->methodGroup, "Series Graphs");

  EXPECT_EQ(g_->DrawStackedBarSeriesGraph(), S_OK);
  EXPECT_EQ(Limits(Last()), (ScaleLimits{0, 50, 5}));  // totals 30 and 45
}

TEST_F(DrawMethodsTest, StackedSeriesScaleCoversTheTallestStackAsDrawn) {
  AddTable({u"i", u"j", u"k"}, {{u"A", {-45, 45, 20}}, {u"B", {10, -8}}});
  g_->DrawStackedBarSeriesGraph();
  EXPECT_EQ(Limits(Last()), (ScaleLimits{0, 70, 7}));  // 0 + 45 + 20
  EXPECT_EQ(Last().series[1].points[1].second, 0.0f);
  EXPECT_EQ(g_->seriesValues[1][1], 0.0f);
}

TEST_F(DrawMethodsTest, MissingSeriesValuesAreZero) {
  AddTable({u"i", u"j", u"k"}, {{u"A", {7}}});
  g_->DrawLineSeriesGraph();
  EXPECT_EQ(Last().series[0].points,
            (std::vector<std::pair<std::uint32_t, float>>{{0, 7.0f}, {1, 0.0f}, {2, 0.0f}}));
}

}  // namespace
}  // namespace tessaloom
