// Line charts through the recording surface: marker and segment places, the
// vertical cap, skipped points, ribbon offsets and face shading.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "chart_test_support.h"

namespace tessaloom {
namespace {

using namespace chart_test;

constexpr COLORREF kFirstColor = 0x562C87;   // palette 0: R 135, G 44, B 86
constexpr COLORREF kSecondColor = 0xAAF3F3;  // palette 1: R 243, G 243, B 170

// One series per category; `lines[k]` are category k's values of lines 0, 1, ...
void AddCategories(CGraph& g, const std::vector<std::vector<float>>& lines) {
  for (const auto& values : lines) {
    auto series = std::make_unique<CGraphSeries>();
    std::uint32_t j = 0;
    for (float v : values) series->AddDataPoint(j++, v);
    g.AddGraphSeries(std::move(series));
  }
  g.LoadDefaultPalette();
}

struct Plot {
  std::int32_t left, base, width, height, minTick, maxTick;
};

void Place(CGraph& g, const Plot& p) {
  g.plotLeftX = p.left;
  g.plotBaseY = p.base;
  g.plotWidth = p.width;
  g.plotHeight = p.height;
  g.minTick = p.minTick;
  g.maxTick = p.maxTick;
}

std::string Ellipse(std::int32_t x, std::int32_t y) {
  return "Ellipse(" + std::to_string(x - 3) + ", " + std::to_string(y - 3) + ", " +
         std::to_string(x + 3) + ", " + std::to_string(y + 3) + ")";
}

// Lines of the log that place geometry (markers, segments, polygons).
std::vector<std::string> Shapes(const RecordingSurface& s) {
  std::vector<std::string> out;
  for (const std::string& line : s.Log()) {
    if (line.rfind("Select", 0) != 0) out.push_back(line);
  }
  return out;
}

TEST(LinesTest, SingleSetLineDrawsThreeMarkersJoinedByTwoShortRaisedSegments) {
  // Scale 0..40 over 210 - 10 pixels: 5 pixels per unit; slots 100 wide.
  CGraph g;
  g.graphType = GRAPH_LINE;
  AddCategories(g, {{10}, {20}, {30}});
  Place(g, {50, 300, 300, 210, 0, 40});
  RecordingSurface s;
  g.DrawLines(s);
  const std::vector<std::string> expected = {
      "SelectBrush(#562C87)", Ellipse(100, 250),       "SelectBrush(#FFFFFF)",
      "SelectBrush(#562C87)", "SelectPen(1, #562C87)", MoveTo(102, 249),
      LineTo(197, 199),       "SelectPen(1, #000000)", Ellipse(200, 200),
      "SelectBrush(#FFFFFF)", "SelectBrush(#562C87)",  "SelectPen(1, #562C87)",
      MoveTo(202, 199),       LineTo(297, 149),        "SelectPen(1, #000000)",
      Ellipse(300, 150),      "SelectBrush(#FFFFFF)"};
  EXPECT_EQ(s.Log(), expected);
  EXPECT_EQ(s.CurrentPen(), Pen{});
  EXPECT_EQ(s.CurrentBrush(), Brush{});
}

TEST(LinesTest, VerticalPointsStandAtTheirDistanceFromTheBaseLineValue) {
  struct Case {
    const char* what;
    Plot plot;
    float value;
    std::int32_t y;
  };
  const Case cases[] = {
      // 200 / 40 = 5 pixels per unit.
      {"positive", {50, 300, 100, 210, 0, 40}, 10.0f, 250},
      {"negative hangs below", {50, 300, 100, 210, 0, 40}, -10.0f, 350},
      {"tiny positive lifted to trunc(s)", {50, 300, 100, 210, 0, 40}, 0.01f, 295},
      {"tiny negative not lifted", {50, 300, 100, 210, 0, 40}, -0.01f, 300},
      {"zero on the base line", {50, 300, 100, 210, 0, 40}, 0.0f, 300},
      {"above the canvas top capped", {50, 300, 100, 210, 0, 40}, 100.0f, 300 - 205},
      {"exactly plotBaseY high kept", {50, 300, 100, 210, 0, 40}, 60.0f, 0},
      {"far below capped too", {50, 300, 100, 210, 0, 40}, -100.0f, 300 + 205},
      // The base line stands for minTick: 55 on 50..90 is trunc(5 x 5) above it.
      {"minTick 50 subtracted", {50, 300, 100, 210, 50, 90}, 55.0f, 275},
      {"value at minTick on the base line", {50, 300, 100, 210, 50, 90}, 50.0f, 300},
      // -50..50 over 260 - 10 pixels: 2.5 pixels per unit, base on the zero line.
      {"-50..50 negative", {50, 170, 100, 260, -50, 50}, -20.0f, 220},
      {"-50..50 positive", {50, 170, 100, 260, -50, 50}, 20.0f, 120},
      {"-50..50 zero stays on the zero line", {50, 170, 100, 260, -50, 50}, 0.0f, 170},
      {"-50..50 tiny negative stays", {50, 170, 100, 260, -50, 50}, -0.2f, 170},
      {"-50..50 tiny positive lifted", {50, 170, 100, 260, -50, 50}, 0.2f, 168},
      {"empty range puts it on the axis", {50, 300, 100, 210, 40, 40}, 25.0f, 300},
      {"NaN on the axis", {50, 300, 100, 210, 0, 40}, std::nanf(""), 300},
  };
  for (const Case& c : cases) {
    CGraph g;
    AddCategories(g, {{c.value}});
    Place(g, c.plot);
    // With an axis below zero the frame has moved the base line to the zero line.
    g.quadrant = c.plot.minTick < 0 ? 3 : 1;
    RecordingSurface s;
    g.DrawLines(s);
    // One slot as wide as the plot: its centre is plotLeftX + 50.
    EXPECT_EQ(s.Log("Ellipse"), std::vector<std::string>{Ellipse(100, c.y)}) << c.what;
  }
}

TEST(LinesTest, HorizontalPointsStandAtTheDistanceFromMinTick) {
  struct Case {
    const char* what;
    std::int32_t minTick, maxTick;
    float value;
    std::int32_t x;
  };
  const Case cases[] = {
      // 400 pixels, no margin, over 40 units: 10 pixels per unit.
      {"minTick 0", 0, 40, 30.0f, 400},
      {"minTick 50 subtracted", 50, 90, 60.0f, 200},
      {"tiny distance lifted to trunc(s)", 50, 90, 50.01f, 110},
      {"below minTick left of the axis", 50, 90, 40.0f, 0},
      {"no cap", 0, 40, 100.0f, 1100},
      {"just above -1 drawn", 0, 40, -0.99f, 91},
  };
  for (const Case& c : cases) {
    CGraph g;
    g.isVertical = 0;
    AddCategories(g, {{c.value}});
    Place(g, {100, 400, 400, 200, c.minTick, c.maxTick});
    RecordingSurface s;
    g.DrawLines(s);
    // One slot as tall as the plot: its centre is 100 above the base line.
    EXPECT_EQ(s.Log("Ellipse"), std::vector<std::string>{Ellipse(c.x, 300)}) << c.what;
  }
}

TEST(LinesTest, HorizontalDrawsEveryValueFromTheScaleStart) {
  // Slots 100 high from y 400: centres at 350, 250, 150; -10..40 over 500
  // pixels: 10 pixels per unit from x 100, negative values included.
  CGraph g;
  g.isVertical = 0;
  g.quadrant = 3;
  AddCategories(g, {{10, -5}, {-1, 20}, {30, 5}});
  Place(g, {100, 400, 500, 300, -10, 40});
  RecordingSurface s;
  g.DrawLines(s);
  const std::vector<std::string> expected = {
      Ellipse(300, 350), MoveTo(302, 349),  LineTo(187, 249),  Ellipse(190, 250), MoveTo(192, 249),
      LineTo(497, 149),  Ellipse(500, 150), Ellipse(150, 350), MoveTo(152, 349),  LineTo(397, 249),
      Ellipse(400, 250), MoveTo(402, 249),  LineTo(247, 149),  Ellipse(250, 150)};
  EXPECT_EQ(Shapes(s), expected);
}

TEST(LinesTest, VerticalDrawsEveryValueAndEachLineInItsOwnColour) {
  CGraph g;
  AddCategories(g, {{-1, 10}, {-5, 20}});
  Place(g, {0, 300, 200, 210, 0, 40});
  RecordingSurface s;
  g.DrawLines(s);
  EXPECT_EQ(s.Log("Ellipse"), (std::vector<std::string>{Ellipse(50, 305), Ellipse(150, 325),
                                                        Ellipse(50, 250), Ellipse(150, 200)}));
  const std::vector<std::string> pens = {"SelectPen(1, #562C87)", "SelectPen(1, #000000)",
                                         "SelectPen(1, #AAF3F3)", "SelectPen(1, #000000)"};
  EXPECT_EQ(s.Log("SelectPen"), pens);
}

TEST(LinesTest, NothingToDrawDrawsNothing) {
  CGraph no_series;
  no_series.seriesSize = 3;
  Place(no_series, {0, 300, 200, 210, 0, 40});
  CGraph no_lines;
  no_lines.seriesList.push_back(std::make_unique<CGraphSeries>());
  Place(no_lines, {0, 300, 200, 210, 0, 40});
  for (CGraph* g : {&no_series, &no_lines}) {
    for (std::uint32_t kind : {GRAPH_LINE, GRAPH_3D_LINE}) {
      RecordingSurface s;
      g->graphType = kind;
      g->DrawByKind(s);
      EXPECT_TRUE(s.Log().empty()) << kind;
    }
  }
}

TEST(LinesTest, ExtremeLayoutsSaturateInsteadOfOverflowing) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  for (std::uint32_t vertical : {0u, 1u}) {
    CGraph g;
    g.isVertical = vertical;
    AddCategories(g, {{std::numeric_limits<float>::infinity(), -3e38f}, {3e38f, 1}});
    Place(g, {kMax, kMin, kMax, kMin, kMin, kMax});
    g.depth3D = kMin;
    RecordingSurface s;
    g.DrawLines(s);
    g.Draw3DLines(s);
    EXPECT_FALSE(s.Log("Ellipse").empty());
    EXPECT_FALSE(s.Log("Polygon").empty());
  }
}

// --- 3D ribbons ---

TEST(Lines3DTest, EachLineTakesItsShareOfTheDepthFrontmostLast) {
  // depth 14 over 2 lines: dz = 7; line 0 lies 7..14 back, line 1 0..7.
  // One category: x = 100 + (200 / 1 + 1); 0..100 over 200 pixels: 2 per unit.
  CGraph g;
  AddCategories(g, {{50, 25}});
  Place(g, {100, 300, 200, 200, 0, 100});
  g.depth3D = 14;
  RecordingSurface s;
  g.Draw3DLines(s);
  const std::vector<std::string> expected = {
      // Line 0 from the origin (100, 300) to (301, 200).
      "SelectPen(2, #000000)", MoveTo(114, 286), LineTo(315, 186), MoveTo(107, 293),
      LineTo(308, 193), MoveTo(107, 293), LineTo(114, 286), MoveTo(308, 193), LineTo(315, 186),
      "SelectPen(1, #000000)", "SelectBrush(#794FAA)", "SelectPen(1, #000000)",
      "Polygon((114, 286), (107, 293), (308, 193), (315, 186))", "SelectPen(1, #000000)",
      "SelectBrush(#FFFFFF)",
      // Line 1 from the origin to (301, 250), its front edge on the front plane.
      "SelectPen(2, #000000)", MoveTo(107, 293), LineTo(308, 243), MoveTo(100, 300),
      LineTo(301, 250), MoveTo(100, 300), LineTo(107, 293), MoveTo(301, 250), LineTo(308, 243),
      "SelectPen(1, #000000)", "SelectBrush(#CDFFFF)", "SelectPen(1, #000000)",
      "Polygon((107, 293), (100, 300), (301, 250), (308, 243))", "SelectPen(1, #000000)",
      "SelectBrush(#FFFFFF)"};
  EXPECT_EQ(s.Log(), expected);
}

TEST(Lines3DTest, StretchesSteeperThan45DegreesShowTheDarkFace) {
  // From the origin (100, 200) to x 150 (pitch 49 / 1 + 1); 1 pixel per unit.
  struct Case {
    const char* what;
    float value;
    const char* face;  // brush of the face; null: no face
  };
  const Case cases[] = {
      {"dx 50, dy 80: dark", 80.0f, "SelectBrush(#1F0050)"},
      {"dx 50, dy 20: light", 20.0f, "SelectBrush(#794FAA)"},
      {"dx 50, dy 50: no face", 50.0f, nullptr},
      {"dx 50, dy 51: dark", 51.0f, "SelectBrush(#1F0050)"},
      {"dx 50, dy 49: light", 49.0f, "SelectBrush(#794FAA)"},
      {"flat: light", 0.0f, "SelectBrush(#794FAA)"},
  };
  for (const Case& c : cases) {
    CGraph g;
    AddCategories(g, {{c.value}});
    Place(g, {100, 200, 49, 100, 0, 100});
    g.depth3D = 10;
    RecordingSurface s;
    g.Draw3DLines(s);
    const std::int32_t y = 200 - static_cast<std::int32_t>(c.value);
    if (c.face) {
      EXPECT_EQ(s.Log("SelectBrush"), (std::vector<std::string>{c.face, "SelectBrush(#FFFFFF)"}))
          << c.what;
      EXPECT_EQ(s.Log("Polygon").size(), 1u) << c.what;
      EXPECT_EQ(s.Log("LineTo").size(), 4u) << c.what;
    } else {
      EXPECT_TRUE(s.Log("SelectBrush").empty()) << c.what;
      EXPECT_TRUE(s.Log("Polygon").empty()) << c.what;
      // A fifth edge closes the end, from the back point to the front point.
      const auto moves = s.Log("MoveTo");
      const auto lines = s.Log("LineTo");
      ASSERT_EQ(lines.size(), 5u) << c.what;
      EXPECT_EQ(moves[4], MoveTo(160, y - 10)) << c.what;
      EXPECT_EQ(lines[4], LineTo(150, y)) << c.what;
    }
  }
}

TEST(Lines3DTest, AFallingStretchShowsTheLightFace) {
  // Rises from the origin (100, 200) to (150, 160), then falls to (200, 190).
  CGraph g;
  AddCategories(g, {{40}, {10}});
  Place(g, {100, 200, 98, 100, 0, 100});
  RecordingSurface s;
  g.Draw3DLines(s);
  EXPECT_EQ(s.Log("SelectBrush"),
            (std::vector<std::string>{"SelectBrush(#794FAA)", "SelectBrush(#FFFFFF)",
                                      "SelectBrush(#794FAA)", "SelectBrush(#FFFFFF)"}));
  EXPECT_EQ(s.Log("Polygon")[1], "Polygon((150, 160), (150, 160), (200, 190), (200, 190))");
}

TEST(Lines3DTest, FacesAreLighterBy35AndDarkerBy55WithinTheChannelRange) {
  struct Case {
    COLORREF color;
    float value;  // 20 gives the light face, 80 the dark one
    const char* face;
  };
  const Case cases[] = {
      {kFirstColor, 20.0f, "SelectBrush(#794FAA)"},   // 135+35, 44+35, 86+35
      {kFirstColor, 80.0f, "SelectBrush(#1F0050)"},   // 135-55, 0, 86-55
      {kSecondColor, 20.0f, "SelectBrush(#CDFFFF)"},  // 255, 255, 170+35
      {kSecondColor, 80.0f, "SelectBrush(#73BCBC)"},  // 243-55, 243-55, 170-55
      {0x000000, 20.0f, "SelectBrush(#232323)"},     {0xFFFFFF, 80.0f, "SelectBrush(#C8C8C8)"},
  };
  for (const Case& c : cases) {
    CGraph g;
    g.AddDataColor(0, c.color);
    AddCategories(g, {{c.value}});
    Place(g, {100, 200, 49, 100, 0, 100});
    RecordingSurface s;
    g.Draw3DLines(s);
    EXPECT_EQ(s.Log("SelectBrush")[0], c.face) << std::hex << c.color << " " << c.value;
  }
}

TEST(Lines3DTest, PointsMeasureFromMinTickOverTheWholeFrontPlane) {
  struct Case {
    const char* what;
    std::int32_t base, minTick, maxTick;
    float value;
    std::int32_t y;
  };
  const Case cases[] = {
      // 100 pixels over the range, no top margin.
      {"0..100", 300, 0, 100, 40.0f, 260},
      {"minTick subtracted", 300, 50, 150, 60.0f, 290},
      {"tiny distance lifted to trunc(s)", 300, 0, 10, 0.01f, 290},
      {"below minTick under the base line", 300, 50, 150, 40.0f, 310},
      {"higher than plotBaseY capped", 150, 0, 100, 200.0f, 150 - 105},
      {"empty range on the base line", 300, 7, 7, 60.0f, 300},
  };
  for (const Case& c : cases) {
    CGraph g;
    AddCategories(g, {{c.value}});
    Place(g, {100, c.base, 49, 100, c.minTick, c.maxTick});
    RecordingSurface s;
    g.Draw3DLines(s);
    // depth 0: the back edge runs from the origin to the point.
    EXPECT_EQ(s.Log("LineTo")[0], LineTo(150, c.y)) << c.what;
  }
}

TEST(Lines3DTest, EveryRibbonRisesFromThePlotOrigin) {
  // Two categories, pitch 100 / 2 + 1 = 51; two lines, depth 20: dz 10.
  CGraph g;
  AddCategories(g, {{30, 60}, {50, 40}});
  Place(g, {10, 300, 100, 100, 0, 100});
  g.depth3D = 20;
  RecordingSurface s;
  g.Draw3DLines(s);
  const auto moves = s.Log("MoveTo");
  ASSERT_EQ(moves.size(), 16u);
  EXPECT_EQ(moves[0], MoveTo(30, 280));   // line 0, back edge from the origin 2 x 10 back
  EXPECT_EQ(moves[4], MoveTo(81, 250));   // its second stretch, from (61, 270)
  EXPECT_EQ(moves[8], MoveTo(20, 290));   // line 1 starts at the origin again
  EXPECT_EQ(moves[12], MoveTo(71, 230));  // from (61, 240)
}

}  // namespace
}  // namespace tessaloom
