// The legend box through the recording surface: box, heading, rows and
// swatches, the width it records and the left edge it gives the frame.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "chart_test_support.h"

namespace tessaloom {
namespace {

using namespace chart_test;

// A model on a 500 x 350 canvas with `rows` categories and these texts.
CGraph LegendModel(std::int32_t rows, const std::vector<std::string>& texts) {
  CGraph g;
  g.canvasHeight = 350;
  g.canvasWidth = 495;
  g.seriesSize = rows;
  std::uint32_t i = 0;
  for (const std::string& text : texts) g.SetLegendText(i++, text);
  g.LoadDefaultPalette();
  return g;
}

// Heading x for a box of width w from x = left: the average width of the
// 16-pixel heading font sets it.
std::int32_t HeadingX(std::int32_t w, std::int32_t left) {
  return w / 2 - 3 * StandardTextMetrics(Font::Chart(16)).aveCharWidth + left - 5;
}

TEST(LegendTest, ThreeRowsDrawTheBoxHeadingTextsAndSwatchesInOrder) {
  // Hb = 80: top 135, bottom 215; Rb = 490, Lb = 490 - 5 x 7 - 25 = 430.
  CGraph g = LegendModel(3, {"North", "East", "South"});
  RecordingSurface s;
  EXPECT_EQ(g.DrawLegend(s), 430);
  EXPECT_EQ(g.legendWidth, 60);
  const std::vector<std::string> expected = {Rect(428, 135, 492, 215),
                                             "SelectFont(Chart 16, 0, 16)",
                                             TextOut(HeadingX(60, 430), 138, "Legend"),
                                             "SelectFont(System)",
                                             "SelectFont(Chart 12, 0, 16)",
                                             TextOut(435, 160, "North"),
                                             "SelectFont(System)",
                                             "SelectBrush(#562C87)",
                                             Rect(470, 160, 485, 172),
                                             "SelectBrush(#FFFFFF)",
                                             "SelectFont(Chart 12, 0, 16)",
                                             TextOut(435, 178, "East"),
                                             "SelectFont(System)",
                                             "SelectBrush(#AAF3F3)",
                                             Rect(470, 178, 485, 190),
                                             "SelectBrush(#FFFFFF)",
                                             "SelectFont(Chart 12, 0, 16)",
                                             TextOut(435, 196, "South"),
                                             "SelectFont(System)",
                                             "SelectBrush(#FF9898)",
                                             Rect(470, 196, 485, 208),
                                             "SelectBrush(#FFFFFF)"};
  EXPECT_EQ(s.Log(), expected);
}

TEST(LegendTest, BoxWidthRowsAndSwatchesFollowTheTexts) {
  struct Case {
    const char* what;
    std::int32_t rows;
    std::vector<std::string> texts;
    std::int32_t left;
    std::int32_t width;
    std::string box;
    std::int32_t headingY;  // top + 3
    std::vector<std::string> rowTexts;
    std::vector<std::string> swatches;
  };
  const std::vector<Case> cases = {
      {"a 1-character text: a box under 50 wide gets 6 pixels a side",
       3,
       {"A", "B", "C"},
       458,
       32,
       Rect(452, 135, 496, 215),
       138,
       {TextOut(463, 160, "A"), TextOut(463, 178, "B"), TextOut(463, 196, "C")},
       {Rect(474, 160, 485, 172), Rect(474, 178, 485, 190), Rect(474, 196, 485, 208)}},
      {"no rows: a box of 26 with the heading only",
       0,
       {"Jan"},
       444,
       46,
       Rect(438, 162, 496, 188),
       165,
       {},
       {}},
      {"more rows than texts: empty texts beside their swatches",
       2,
       {"Jan"},
       444,
       46,
       Rect(438, 144, 496, 206),
       147,
       {TextOut(449, 169, "Jan"), TextOut(449, 187, "")},
       {Rect(472, 169, 485, 181), Rect(472, 187, 485, 199)}},
      {"more texts than rows: the first ones",
       1,
       {"North", "Jan", "Feb"},
       430,
       60,
       Rect(428, 153, 492, 197),
       156,
       {TextOut(435, 178, "North")},
       {Rect(470, 178, 485, 190)}},
      {"lengths count characters, not bytes",
       1,
       {"\xC3\xA9t\xC3\xA9"},  // "été": 3 characters in 5 bytes
       444,
       46,
       Rect(438, 153, 496, 197),
       156,
       {TextOut(449, 178, "\xC3\xA9t\xC3\xA9")},
       {Rect(472, 178, 485, 190)}},
  };
  for (const Case& c : cases) {
    CGraph g = LegendModel(c.rows, c.texts);
    RecordingSurface s;
    EXPECT_EQ(g.DrawLegend(s), c.left) << c.what;
    EXPECT_EQ(g.legendWidth, c.width) << c.what;
    const auto rectangles = s.Log("Rectangle");
    ASSERT_EQ(rectangles.size(), 1 + c.swatches.size()) << c.what;
    EXPECT_EQ(rectangles[0], c.box) << c.what;
    EXPECT_EQ(std::vector<std::string>(rectangles.begin() + 1, rectangles.end()), c.swatches)
        << c.what;
    const auto texts = s.Log("TextOut");
    ASSERT_FALSE(texts.empty()) << c.what;
    EXPECT_EQ(texts[0], TextOut(HeadingX(c.width, c.left), c.headingY, "Legend")) << c.what;
    EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.end()), c.rowTexts) << c.what;
  }
}

TEST(LegendTest, AColourListShorterThanTheRowsFallsBackToBlue) {
  CGraph g = LegendModel(2, {"a", "b"});
  g.colorList.clear();
  g.AddDataColor(0, 0x00FF00);
  RecordingSurface s;
  g.DrawLegend(s);
  EXPECT_EQ(s.Log("SelectBrush"),
            (std::vector<std::string>{"SelectBrush(#00FF00)", "SelectBrush(#FFFFFF)",
                                      "SelectBrush(#FF0000)", "SelectBrush(#FFFFFF)"}));
}

TEST(LegendTest, ThePlotEndsTenPixelsLeftOfTheBox) {
  // A pie with a legend: plotWidth = Lb - plotLeftX - 10 = 430 - 15.
  CGraph g;
  g.SetGraphType(GRAPH_PIE);
  for (const char* text : {"North", "East", "South"}) {
    g.SetLegendText(static_cast<std::uint32_t>(g.legend.legendList.size()), text);
  }
  auto series = std::make_unique<CGraphSeries>();
  for (std::uint32_t j = 0; j < 3; ++j) series->AddDataPoint(j, 1.0f);
  g.AddGraphSeries(std::move(series));
  g.LoadDefaultPalette();
  RecordingSurface s;
  g.DrawGraph(s);
  EXPECT_EQ(g.plotWidth, 415);
  EXPECT_EQ(s.Log("Rectangle")[1], Rect(428, 135, 492, 215));
}

TEST(LegendTest, ExtremeFiguresComputeWithoutOverflow) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  for (std::int32_t size : {kMax, kMin, 0}) {
    CGraph g = LegendModel(3, {std::string(1000, 'x')});
    g.canvasHeight = size;
    g.canvasWidth = size;
    g.legendFontHeight = size;
    g.maxLegendLength = kMax;
    g.legend.legendLength = kMax;
    RecordingSurface s;
    g.DrawLegend(s);
    EXPECT_EQ(s.Log("Rectangle").size(), 4u);
  }
}

}  // namespace
}  // namespace tessaloom
