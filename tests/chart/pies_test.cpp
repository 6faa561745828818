// Pie charts through the recording surface: pie size and places, slice
// radials, label places and texts, the 3D walls, and the label spreading.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "chart/graph.h"
#include "draw/recording_surface.h"
#include "draw/text_metrics.h"

namespace tessaloom {
namespace {

// The System font with a widest character of 16 instead of 15: label
// offset 26, line step 22, radius 74 on the default canvas.
TextMetrics Widest16(const Font& font) {
  TextMetrics m = StandardTextMetrics(font);
  if (font.face == FontFace::kSystem) m.maxCharWidth = 16;
  return m;
}

// A pie model as the frame leaves it on a 500 x 350 canvas without a legend.
CGraph PieModel(std::uint32_t type, const std::vector<std::vector<float>>& pies,
                const std::string& label = "North") {
  CGraph g;
  g.SetGraphType(type);
  for (const auto& values : pies) {
    auto series = std::make_unique<CGraphSeries>();
    std::uint32_t j = 0;
    for (float v : values) series->AddDataPoint(j++, v);
    series->SetLabel(label);
    g.AddGraphSeries(std::move(series));
  }
  g.LoadDefaultPalette();
  g.plotLeftX = 5;
  g.plotWidth = 485;
  g.plotHeight = 300;
  return g;
}

std::vector<std::string> Draw(CGraph& g, RecordingSurface& s) {
  if (g.graphType == GRAPH_3D_PIE) {
    g.Draw3DPies(s);
  } else {
    g.DrawPies(s);
  }
  return s.Log();
}

std::vector<std::string> Draw(CGraph& g) {
  RecordingSurface s(Widest16);
  return Draw(g, s);
}

std::vector<std::string> Only(const std::vector<std::string>& log, const std::string& operation) {
  std::vector<std::string> lines;
  for (const std::string& line : log) {
    if (line.rfind(operation + "(", 0) == 0) lines.push_back(line);
  }
  return lines;
}

TEST(PiesTest, OnePieIsCentredInThePlotWithTheWidestCharacterSettingItsSize) {
  // r = (300 - 3 x 26) / 3 = 74 around (247, 180); the label sits
  // trunc(1.5 r) + 15 + 22 below the centre, 4 pixels a character left.
  CGraph g = PieModel(GRAPH_PIE, {{1.0f}});
  const auto log = Draw(g);
  EXPECT_EQ(Only(log, "Pie"),
            std::vector<std::string>{"Pie(173, 106, 321, 254, 173, 179, 173, 179)"});
  EXPECT_EQ(Only(log, "TextOut")[0], "TextOut(227, 328, \"North\")");
}

TEST(PiesTest, PieSizeFollowsTheCanvasFontThroughTheFrame) {
  // The canvas's System font is 15 wide: offset 25, radius 75.
  CGraph g;
  g.SetGraphType(GRAPH_PIE);
  auto series = std::make_unique<CGraphSeries>();
  series->AddDataPoint(0, 3.0f);
  g.AddGraphSeries(std::move(series));
  g.LoadDefaultPalette();
  RecordingSurface s;
  g.DrawGraph(s);
  EXPECT_EQ(s.Log("Pie"), std::vector<std::string>{"Pie(172, 105, 322, 255, 172, 179, 172, 179)"});
}

TEST(PiesTest, SeveralPiesShareThePlotWidthInEqualColumns) {
  struct Case {
    std::uint32_t type;
    std::vector<std::string> pies;
  };
  // Two pies: r = (150 - 78) / 3 = 24, centres 5 + 15 + 121 and 5 + 15 + 363.
  const Case cases[] = {
      {GRAPH_PIE,
       {"Pie(117, 156, 165, 204, 117, 179, 117, 179)",
        "Pie(359, 156, 407, 204, 359, 179, 359, 179)"}},
      {GRAPH_3D_PIE,
       // d = trunc(24 x 0.05) = 1: the wall ellipse, then the top.
       {"Pie(118, 157, 166, 205, 118, 180, 118, 180)",
        "Pie(117, 156, 165, 204, 117, 179, 117, 179)",
        "Pie(360, 157, 408, 205, 360, 180, 360, 180)",
        "Pie(359, 156, 407, 204, 359, 179, 359, 179)"}},
  };
  for (const Case& c : cases) {
    CGraph g = PieModel(c.type, {{2.0f}, {5.0f}}, "AB");
    const auto log = Draw(g);
    EXPECT_EQ(Only(log, "Pie"), c.pies) << c.type;
    // trunc(1.5 x 24) + 15 + 22 below the centre.
    const auto texts = Only(log, "TextOut");
    EXPECT_EQ(texts[0], "TextOut(133, 253, \"AB\")");
    EXPECT_EQ(texts[2], "TextOut(375, 253, \"AB\")");
  }
}

TEST(PiesTest, FlatPieDrawsQuarterSlicesToDiamondPointsAndLabelsThem) {
  // Values 1, 1, 2: end angles 90, 180, 360 and middle angles 45, 135, 270.
  CGraph g = PieModel(GRAPH_PIE, {{1.0f, 1.0f, 2.0f}});
  const std::vector<std::string> expected = {
      "TextOut(227, 328, \"North\")", "SelectBrush(#562C87)", "SelectPen(1, #562C87)",
      "Pie(173, 106, 321, 254, 173, 179, 247, 254)", "SelectPen(1, #000000)",
      "SelectBrush(#FFFFFF)", "SelectBrush(#AAF3F3)", "SelectPen(1, #AAF3F3)",
      "Pie(173, 106, 321, 254, 247, 254, 321, 180)", "SelectPen(1, #000000)",
      "SelectBrush(#FFFFFF)", "SelectBrush(#FF9898)", "SelectPen(1, #FF9898)",
      "Pie(173, 106, 321, 254, 321, 180, 173, 179)", "SelectPen(1, #000000)",
      "SelectBrush(#FFFFFF)",
      // 45 degrees: rim (210, 217), line end half a radius left and down.
      "MoveTo(228, 199)", "LineTo(173, 254)", "TextOut(147, 254, \"25%\")",
      // 135 degrees: rim (284, 217), right and down.
      "MoveTo(266, 199)", "LineTo(321, 254)", "TextOut(326, 254, \"25%\")",
      // 270 degrees: rim (247, 106), left and up, text a line above.
      "MoveTo(247, 143)", "LineTo(210, 69)", "TextOut(184, 47, \"50%\")"};
  EXPECT_EQ(Draw(g), expected);
}

TEST(PiesTest, ThreeDimensionalPieDrawsWallsThenTopThenBlackLabels) {
  // Same values on a true circle; the wall ellipse is 3 pixels lower right.
  CGraph g = PieModel(GRAPH_3D_PIE, {{1.0f, 1.0f, 2.0f}});
  const std::vector<std::string> expected = {
      "TextOut(227, 328, \"North\")",
      // Front walls in the slices' darker colours.
      "SelectPen(1, #330964)", "SelectBrush(#330964)",
      "Polygon((176, 182), (250, 256), (247, 253), (173, 179))",
      "Pie(176, 109, 324, 257, 176, 182, 250, 256)", "SelectBrush(#FFFFFF)",
      "SelectPen(1, #000000)", "SelectPen(1, #87D0D0)", "SelectBrush(#87D0D0)",
      "Polygon((250, 256), (323, 183), (320, 180), (247, 253))",
      "Pie(176, 109, 324, 257, 250, 256, 323, 183)", "SelectBrush(#FFFFFF)",
      "SelectPen(1, #000000)",
      // Wholly in the rear half: the colour of the slice that crossed into it.
      "SelectPen(1, #87D0D0)", "SelectBrush(#87D0D0)",
      "Pie(176, 109, 324, 257, 323, 183, 176, 182)", "Polygon((176, 182), (173, 179), (320, 180))",
      "SelectBrush(#FFFFFF)", "SelectPen(1, #000000)",
      // The top.
      "SelectBrush(#562C87)", "SelectPen(1, #562C87)",
      "Pie(173, 106, 321, 254, 173, 179, 247, 253)", "SelectPen(1, #000000)",
      "SelectBrush(#FFFFFF)", "SelectBrush(#AAF3F3)", "SelectPen(1, #AAF3F3)",
      "Pie(173, 106, 321, 254, 247, 253, 320, 180)", "SelectPen(1, #000000)",
      "SelectBrush(#FFFFFF)", "SelectBrush(#FF9898)", "SelectPen(1, #FF9898)",
      "Pie(173, 106, 321, 254, 320, 180, 173, 179)", "SelectPen(1, #000000)",
      "SelectBrush(#FFFFFF)",
      // Labels from the circle's rim points (194, 232), (299, 232), (247, 106).
      "SelectPen(1, #000000)", "SelectBrush(#000000)", "MoveTo(220, 206)", "LineTo(157, 269)",
      "TextOut(131, 269, \"25%\")", "MoveTo(273, 206)", "LineTo(336, 269)",
      "TextOut(341, 269, \"25%\")", "MoveTo(247, 143)", "LineTo(210, 69)",
      "TextOut(184, 47, \"50%\")", "SelectBrush(#FFFFFF)", "SelectPen(1, #000000)"};
  EXPECT_EQ(Draw(g), expected);
}

TEST(PiesTest, ThirdsRoundInTheFlatPieAndTruncateInTheThreeDimensionalOne) {
  // 1 of 3 ends at trunc(119.99...) = 119 degrees; its middle is 59.
  struct Case {
    std::uint32_t type;
    std::vector<std::string> pies;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {GRAPH_PIE,
       {"Pie(173, 106, 321, 254, 173, 179, 270, 231)",
        "Pie(173, 106, 321, 254, 270, 231, 173, 179)"},
       {"TextOut(227, 328, \"North\")", "TextOut(158, 265, \"33%\")", "TextOut(315, 73, \"67%\")"}},
      {GRAPH_3D_PIE,
       {"Pie(176, 109, 324, 257, 176, 182, 285, 247)",
        "Pie(176, 109, 324, 257, 285, 247, 176, 182)",
        "Pie(173, 106, 321, 254, 173, 179, 282, 244)",
        "Pie(173, 106, 321, 254, 282, 244, 173, 179)"},
       {"TextOut(227, 328, \"North\")", "TextOut(145, 280, \"33%\")", "TextOut(327, 57, \"66%\")"}},
  };
  for (const Case& c : cases) {
    CGraph g = PieModel(c.type, {{1.0f, 2.0f}});
    const auto log = Draw(g);
    EXPECT_EQ(Only(log, "Pie"), c.pies) << c.type;
    EXPECT_EQ(Only(log, "TextOut"), c.texts) << c.type;
  }
}

TEST(PiesTest, ASingleValueFillsTheDiscFromWhereverItsSlotStarts) {
  struct Case {
    std::uint32_t type;
    std::vector<float> values;
    std::vector<std::string> pies;
    std::string label;
  };
  // The label of the whole disc hangs from the middle angle 180, the right end.
  const std::string flat = "TextOut(363, 121, \"100%\")";
  const std::string round = "TextOut(362, 121, \"100%\")";
  const Case cases[] = {
      // Slot 0 starts a pixel above the left end, where 360 degrees ends.
      {GRAPH_PIE, {4.0f}, {"Pie(173, 106, 321, 254, 173, 179, 173, 179)"}, flat},
      // A later slot starts on the left end and runs all the way round.
      {GRAPH_PIE, {0.0f, 4.0f}, {"Pie(173, 106, 321, 254, 173, 180, 173, 179)"}, flat},
      {GRAPH_3D_PIE,
       {4.0f},
       {"Pie(176, 109, 324, 257, 176, 182, 176, 182)",
        "Pie(173, 106, 321, 254, 173, 179, 173, 179)"},
       round},
      {GRAPH_3D_PIE,
       {0.0f, 0.0f, 4.0f},
       {"Pie(176, 109, 324, 257, 176, 183, 176, 182)",
        "Pie(173, 106, 321, 254, 173, 180, 173, 179)"},
       round},
  };
  for (const Case& c : cases) {
    CGraph g = PieModel(c.type, {c.values});
    const auto log = Draw(g);
    EXPECT_EQ(Only(log, "Pie"), c.pies) << c.type << " " << c.values.size();
    EXPECT_EQ(Only(log, "TextOut").back(), c.label);
  }
}

TEST(PiesTest, AnEmptyPieDrawsOnlyItsLabel) {
  for (std::uint32_t type : {GRAPH_PIE, GRAPH_3D_PIE}) {
    for (const std::vector<float>& values :
         {std::vector<float>{0.0f, 0.0f}, std::vector<float>{}, std::vector<float>{-1.0f, 1.0f}}) {
      CGraph g = PieModel(type, {values});
      EXPECT_EQ(Draw(g), std::vector<std::string>{"TextOut(227, 328, \"North\")"}) << type;
    }
  }
}

TEST(PiesTest, NothingIsDrawnWithoutSeriesOrWithoutRoomForARadius) {
  struct Case {
    std::int32_t plotWidth;
    std::int32_t plotHeight;
    std::size_t pies;
  };
  const Case cases[] = {
      {485, 300, 0},   // no series
      {485, 300, 4},   // 300 / 4 - 78 < 0
      {485, 234, 1},   // (234 - 78) / 3 = 52: drawn
      {78, 300, 1},    // 78 - 78 = 0: radius 0
      {-10, -10, 1},   // a negative plot
      {485, 300, 300}  // many pies
  };
  for (std::uint32_t type : {GRAPH_PIE, GRAPH_3D_PIE}) {
    for (const Case& c : cases) {
      CGraph g = PieModel(type, std::vector<std::vector<float>>(c.pies, {1.0f, 2.0f}));
      g.plotWidth = c.plotWidth;
      g.plotHeight = c.plotHeight;
      const bool drawn = c.pies == 1 && c.plotWidth == 485;
      EXPECT_EQ(Draw(g).empty(), !drawn) << type << " " << c.plotWidth << " " << c.pies;
    }
  }
}

TEST(PiesTest, ASliverBetweenSlicesDrawsNoWedgeOverTheOthers) {
  // 10.5 and 10.75 of 360 both end at 10 degrees: equal radials would fill
  // the whole disc in the sliver's colour. Its label is still written.
  struct Case {
    std::uint32_t type;
    std::vector<std::string> pies;
  };
  const Case cases[] = {
      {GRAPH_PIE,
       {"Pie(173, 106, 321, 254, 173, 179, 181, 188)",
        "Pie(173, 106, 321, 254, 181, 188, 173, 179)"}},
      {GRAPH_3D_PIE,
       {"Pie(176, 109, 324, 257, 176, 182, 177, 195)",
        "Pie(176, 109, 324, 257, 177, 195, 176, 182)",
        "Pie(173, 106, 321, 254, 173, 179, 174, 192)",
        "Pie(173, 106, 321, 254, 174, 192, 173, 179)"}},
  };
  for (const Case& c : cases) {
    CGraph g = PieModel(c.type, {{10.5f, 0.25f, 349.25f}});
    const auto log = Draw(g);
    EXPECT_EQ(Only(log, "Pie"), c.pies) << c.type;
    const auto texts = Only(log, "TextOut");
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_NE(texts[2].find("\"0%\""), std::string::npos) << texts[2];
  }
}

TEST(PiesTest, NeighbouringLowerLabelsArePushedDownALine) {
  // Of 360: middles at 10 and 22 degrees. The second text would start at
  // (128, 235), inside the first one's cell from (118, 225): it moves to the
  // first one's y + 22, and its leader line ends with it.
  CGraph g = PieModel(GRAPH_PIE, {{20.0f, 4.0f, 336.0f}});
  const auto log = Draw(g);
  const std::vector<std::string> labels(log.end() - 9, log.end());
  const std::vector<std::string> expected = {
      "MoveTo(214, 184)", "LineTo(144, 225)", "TextOut(118, 225, \"6%\")",
      "MoveTo(219, 189)", "LineTo(154, 247)", "TextOut(128, 247, \"1%\")",
      "MoveTo(280, 175)", "LineTo(349, 134)", "TextOut(354, 112, \"93%\")"};
  EXPECT_EQ(labels, expected);
}

// A label whose leader line ends 100 pixels above its text.
CGraphPieLabel Label(std::int32_t x, std::int32_t y, std::int32_t quarter) {
  CGraphPieLabel label;
  label.textX = x;
  label.textY = y;
  label.lineEndX = x;
  label.lineEndY = y - 100;
  label.midQuadrant = quarter;
  return label;
}

TEST(PiesTest, SpreadingMovesLaterLabelsAwayFromTheMiddleRow) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  struct Case {
    const char* what;
    std::vector<CGraphPieLabel> labels;
    std::vector<std::int32_t> textY;
    std::vector<std::int32_t> lineEndY;
    std::int64_t width = 26;
    std::int64_t height = 22;
  };
  constexpr std::int64_t kHuge = std::numeric_limits<std::int64_t>::max();
  // Cells 26 wide and 22 high unless given; a moved label's line end
  // follows the earlier label's line end.
  const std::vector<Case> cases = {
      {"lower half: a line below the earlier label",
       {Label(100, 200, 0), Label(110, 210, 1)},
       {200, 222},
       {100, 122}},
      {"upper half: a line above it",
       {Label(100, 200, 3), Label(110, 210, 2)},
       {200, 178},
       {100, 78}},
      {"a move into another label's cell starts the check again",
       {Label(100, 200, 0), Label(90, 215, 0), Label(110, 210, 0)},
       {200, 215, 237},
       {100, 115, 137}},
      {"the cell's edges do not count",
       {Label(100, 200, 0), Label(126, 210, 0), Label(110, 222, 0), Label(100, 210, 0)},
       {200, 210, 222, 210},
       {100, 110, 122, 110}},
      {"a later label further left stays",
       {Label(100, 200, 0), Label(90, 210, 0)},
       {200, 210},
       {100, 110}},
      {"a cell as large as 64 bits allow",
       {Label(kMax - 1, kMax - 1, 3), Label(kMax, kMax, 3)},
       {kMax - 1, kMin},
       {kMax - 101, kMin},
       kHuge,
       kHuge},
      {"no room below the 32-bit edge",
       {Label(100, kMax - 10, 0), Label(110, kMax, 0)},
       {kMax - 10, kMax},
       {kMax - 110, kMax - 100}},
  };
  for (Case c : cases) {
    SpreadPieLabels(c.labels, c.width, c.height);
    std::vector<std::int32_t> text_y;
    std::vector<std::int32_t> line_end_y;
    for (const CGraphPieLabel& label : c.labels) {
      text_y.push_back(label.textY);
      line_end_y.push_back(label.lineEndY);
    }
    EXPECT_EQ(text_y, c.textY) << c.what;
    EXPECT_EQ(line_end_y, c.lineEndY) << c.what;
  }
}

TEST(PiesTest, ExtremeLayoutsAndValuesDrawWithoutOverflow) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<std::vector<float>> values = {{1.0f, inf},           {nan, 1.0f},
                                                  {3e38f, 3e38f, 3e38f}, {1e-38f, 1.0f},
                                                  {5.0f, -3.0f, 2.0f},   {3e38f, -3e38f, 1e-3f}};
  const TextMetrics metrics[] = {
      {1000, 800, 200, 1, 1000}, {16, 13, 3, 7, 15}, {-50, 0, 0, 0, -50}};
  for (std::uint32_t type : {GRAPH_PIE, GRAPH_3D_PIE}) {
    for (std::int32_t left : {kMax, kMin, 5}) {
      for (const TextMetrics& m : metrics) {
        for (const auto& v : values) {
          CGraph g = PieModel(type, {v, v}, std::string(300, 'x'));
          g.plotLeftX = left;
          g.plotWidth = kMax;
          g.plotHeight = kMax;
          g.depthRatio = 1e300;
          RecordingSurface s([m](const Font&) { return m; });
          EXPECT_FALSE(Draw(g, s).empty());
        }
      }
    }
  }
}

}  // namespace
}  // namespace tessaloom
