// The four bar drawers through the recording surface: placement, lengths,
// skipped values, capping, colours, 3D faces and their shading.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "chart_test_support.h"

namespace tessaloom {
namespace {

using namespace chart_test;

constexpr COLORREF kFirst = 0x562C87;  // palette position 0
constexpr COLORREF kSecond = 0xAAF3F3;
constexpr COLORREF kThird = 0xFF9898;

// A model laid out as the frame and axes would leave it: the plot origin at
// (50, 250), a 300 x 200 plot, the default palette, vertical, quadrant 1.
CGraph Plot(std::uint32_t kind, std::int32_t minTick, std::int32_t maxTick) {
  CGraph g;
  g.SetGraphType(kind);
  g.minTick = minTick;
  g.maxTick = maxTick;
  g.plotLeftX = 50;
  g.plotBaseY = 250;
  g.plotWidth = 300;
  g.plotHeight = 200;
  g.LoadDefaultPalette();
  return g;
}

std::vector<std::string> Draw(CGraph& g) {
  RecordingSurface s;
  g.DrawByKind(s);
  return s.Log();
}

// The log lines of one flat bar.
std::vector<std::string> FlatBar(COLORREF c, std::int32_t l, std::int32_t t, std::int32_t r,
                                 std::int32_t b) {
  return {BrushOf(c), Rect(l, t, r, b), "SelectBrush(#FFFFFF)"};
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(BarsTest, SingleSetBarsStandAtTheirGroupCentresInTheFirstColour) {
  // gw = 100, bw = 60; s = 190 / 40 = 4.75: 10 -> 47, 20 -> 95, 30 -> 142.
  CGraph g = Plot(GRAPH_BAR, 0, 40);
  for (float v : {10.0f, 20.0f, 30.0f}) AddSeries(g, {v});
  EXPECT_EQ(Draw(g),
            Concat({FlatBar(kFirst, 70, 203, 130, 250), FlatBar(kFirst, 170, 155, 230, 250),
                    FlatBar(kFirst, 270, 108, 330, 250)}));
}

TEST(BarsTest, ClustersColourBySlotAndLeaveGapsForSkippedValues) {
  // Two groups of three: gw = 150, bw = trunc(90 / 3) = 30, tw = 90; s = 1.9.
  CGraph g = Plot(GRAPH_BAR, 0, 100);
  AddSeries(g, {10.0f, 20.0f, 30.0f});
  AddSeries(g, {40.0f, -1.0f, 50.0f});
  EXPECT_EQ(Draw(g),
            Concat({FlatBar(kFirst, 80, 231, 110, 250), FlatBar(kSecond, 110, 212, 140, 250),
                    FlatBar(kThird, 140, 193, 170, 250), FlatBar(kFirst, 230, 174, 260, 250),
                    FlatBar(kThird, 290, 155, 320, 250)}));
}

TEST(BarsTest, APositiveValueTooShortToShowGetsOneValueUnit) {
  struct Case {
    std::uint32_t kind;
    std::uint32_t vertical;
    std::int32_t maxTick;
    float value;
    int length;
  };
  // Value extent 210: flat kinds s = 200 / range, upright 3D kinds 210 / range.
  const Case cases[] = {
      {GRAPH_BAR, 1, 10, 0.01f, 20},
      {GRAPH_BAR, 1, 1000, 0.01f, 0},  // s = 0.2 truncates to nothing as well
      {GRAPH_BAR, 1, 10, 0.0f, 0},     // zero is not lifted
      {GRAPH_BAR, 1, 10, 1.0f, 20},
      {GRAPH_BAR, 1, 10, 1.06f, 21},
      {GRAPH_BAR, 0, 10, 0.01f, 20},
      {GRAPH_STACKED_BAR, 1, 10, 0.01f, 20},
      {GRAPH_STACKED_BAR, 0, 10, 0.01f, 20},
      {GRAPH_3D_BAR, 1, 10, 0.01f, 21},
      {GRAPH_3D_BAR, 0, 10, 0.01f, 20},
      {GRAPH_3D_STACKED_BAR, 1, 10, 0.01f, 21},
      {GRAPH_3D_STACKED_BAR, 0, 10, 0.01f, 20},
  };
  for (const Case& c : cases) {
    CGraph g = Plot(c.kind, 0, c.maxTick);
    g.isVertical = c.vertical;
    g.plotHeight = g.plotWidth = 210;
    AddSeries(g, {c.value});
    const auto rects = Rectangles(Draw(g));
    ASSERT_EQ(rects.size(), 1u) << c.kind << " " << c.value;
    const auto& r = rects[0];
    EXPECT_EQ(c.vertical ? r[3] - r[1] : r[2] - r[0], c.length) << c.kind << " " << c.value;
  }
}

TEST(BarsTest, SkippedValuesDependOnKindOrientationAndQuadrant) {
  struct Case {
    std::uint32_t kind;
    std::uint32_t vertical;
    std::int32_t quadrant;
    float value;
    bool drawn;
  };
  const Case cases[] = {
      {GRAPH_BAR, 1, 1, -1.0f, false},
      {GRAPH_BAR, 1, 1, -0.99f, true},
      {GRAPH_BAR, 1, 3, -1.0f, true},
      {GRAPH_BAR, 0, 1, -1.0f, true},
      {GRAPH_BAR, 0, 3, -5.0f, true},
      {GRAPH_STACKED_BAR, 1, 1, -1.0f, false},
      {GRAPH_STACKED_BAR, 0, 1, -1.0f, false},
      {GRAPH_STACKED_BAR, 0, 1, -0.5f, true},
      {GRAPH_3D_BAR, 1, 1, -1.0f, true},
      {GRAPH_3D_BAR, 0, 1, -1.0f, true},
      {GRAPH_3D_BAR, 0, 1, -0.5f, true},
      {GRAPH_3D_STACKED_BAR, 1, 1, -1.0f, false},
      {GRAPH_3D_STACKED_BAR, 0, 1, -1.0f, false},
      {GRAPH_3D_STACKED_BAR, 1, 1, -0.5f, true},
  };
  for (const Case& c : cases) {
    CGraph g = Plot(c.kind, -10, 10);
    g.isVertical = c.vertical;
    g.quadrant = c.quadrant;
    AddSeries(g, {c.value});
    EXPECT_EQ(Rectangles(Draw(g)).size(), c.drawn ? 1u : 0u)
        << c.kind << " vertical " << c.vertical << " quadrant " << c.quadrant << " " << c.value;
  }
}

TEST(BarsTest, HorizontalFlatBarsBelowTheScaleRunLeftOfTheAxis) {
  // -1 on 0..100 over 300 pixels: s = 2.9, length trunc(-2.9) = -2.
  CGraph g = Plot(GRAPH_BAR, 0, 100);
  g.isVertical = 0;
  AddSeries(g, {-1.0f});
  // gw = 200, bw = 120; cy = 250 + 100 - 200 = 150.
  EXPECT_EQ(Draw(g), FlatBar(kFirst, 50, 90, 48, 210));
}

TEST(BarsTest, AStackIsOneColumnOfSegmentsFromTheBottomUp) {
  // G = 1 over 400 pixels: bw = 240 from plotLeftX + 80 to + 320; s = 2.
  CGraph g = Plot(GRAPH_STACKED_BAR, 0, 100);
  g.plotWidth = 400;
  g.plotHeight = 210;
  AddSeries(g, {10.0f, 20.0f, 30.0f});
  EXPECT_EQ(Draw(g),
            Concat({FlatBar(kFirst, 130, 230, 370, 250), FlatBar(kSecond, 130, 190, 370, 230),
                    FlatBar(kThird, 130, 130, 370, 190)}));
}

TEST(BarsTest, StackedSegmentsAreCappedOneByOne) {
  struct Case {
    std::uint32_t vertical;
    std::vector<float> values;
    std::vector<std::array<int, 4>> rects;
  };
  // Value extent 110 on 0..10: s = 10. Vertical: gw = 300, bw = 180 from
  // 110. Horizontal: gw = 110, bw = 66, cy = 250 + 55 - 110 = 195, top 162.
  const Case cases[] = {
      {1, {8.0f, 8.0f}, {{110, 170, 290, 250}, {110, 90, 290, 170}}},  // past the top
      {1, {20.0f, 1.0f}, {{110, 140, 290, 250}, {110, 130, 290, 140}}},
      {1, {3.0f, -2.0f, 4.0f}, {{110, 220, 290, 250}, {110, 180, 290, 220}}},
      {0, {8.0f, 8.0f}, {{50, 162, 130, 228}, {130, 162, 210, 228}}},
      {0, {20.0f, -1.0f, 1.0f}, {{50, 162, 160, 228}, {160, 162, 170, 228}}},
  };
  for (const Case& c : cases) {
    CGraph g = Plot(GRAPH_STACKED_BAR, 0, 10);
    g.isVertical = c.vertical;
    g.plotHeight = 110;
    if (c.vertical == 0) g.plotWidth = 110;
    AddSeries(g, c.values);
    EXPECT_EQ(Rectangles(Draw(g)), c.rects) << c.vertical << " " << c.values[0];
  }
}

TEST(BarsTest, AValuePastTheScaleEndsExactlyAtTheEndOfTheAxis) {
  struct Case {
    std::uint32_t kind;
    std::uint32_t vertical;
  };
  const Case cases[] = {
      {GRAPH_BAR, 1},    {GRAPH_BAR, 0},    {GRAPH_STACKED_BAR, 1},    {GRAPH_STACKED_BAR, 0},
      {GRAPH_3D_BAR, 1}, {GRAPH_3D_BAR, 0}, {GRAPH_3D_STACKED_BAR, 1}, {GRAPH_3D_STACKED_BAR, 0},
  };
  for (const Case& c : cases) {
    CGraph g = Plot(c.kind, 0, 100);
    g.isVertical = c.vertical;
    AddSeries(g, {1000.0f});
    const auto rects = Rectangles(Draw(g));
    ASSERT_EQ(rects.size(), 1u);
    if (c.vertical) {
      EXPECT_EQ(rects[0][1], 250 - 200) << c.kind;
      EXPECT_EQ(rects[0][3], 250) << c.kind;
    } else {
      EXPECT_EQ(rects[0][0], 50) << c.kind;
      EXPECT_EQ(rects[0][2], 50 + 300) << c.kind;
    }
  }
}

TEST(BarsTest, AroundZeroBarsMeasureFromTheZeroLineUncappedAndUnlifted) {
  // Quadrant 3 on -50..50 over 210 pixels: s = 2, minTick plays no part.
  CGraph g = Plot(GRAPH_BAR, -50, 50);
  g.plotHeight = 210;
  g.quadrant = 3;
  AddSeries(g, {-20.0f, 30.0f, 200.0f, 0.4f});
  // gw = 300, bw = trunc(180 / 4) = 45, tw = 180, left = 200 - 90 = 110.
  EXPECT_EQ(Draw(g),
            Concat({FlatBar(kFirst, 110, 250, 155, 290), FlatBar(kSecond, 155, 190, 200, 250),
                    FlatBar(kThird, 200, -150, 245, 250), FlatBar(0xFFFF87, 245, 250, 290, 250)}));
}

TEST(BarsTest, HorizontalBarsRunFromZeroWhenValuesAreNegative) {
  struct Case {
    std::int32_t quadrant;
    std::int32_t origin;  // x where the bars start
  };
  // G = 2 over 200 pixels: gw = 100, bw = 60, cy = 250 + 50 - 100k, top = cy - 30.
  // s = 2.9 on -50..50: -5 ends at 50 + 130, 5 at 50 + 159; the value 0 is at 50 + 145.
  const Case cases[] = {{1, 50}, {3, 195}};
  for (const Case& c : cases) {
    CGraph g = Plot(GRAPH_BAR, -50, 50);
    g.isVertical = 0;
    g.quadrant = c.quadrant;
    AddSeries(g, {-5.0f});
    AddSeries(g, {5.0f});
    const std::vector<std::array<int, 4>> expected = {{c.origin, 170, 180, 230},
                                                      {c.origin, 70, 209, 130}};
    EXPECT_EQ(Rectangles(Draw(g)), expected) << c.quadrant;
  }
}

TEST(BarsTest, HorizontalFlatSlotsRunDownward3DSlotsUpward) {
  struct Case {
    std::uint32_t kind;
    std::vector<std::array<int, 2>> spans;  // top and bottom of slots 0, 1, 2
  };
  // One group over 200 pixels: gw = 200, cy = 250 + 100 - 200 = 150.
  const Case cases[] = {
      // bw = trunc(120 / 3) = 40, tw = 120: slot j from 90 + 40j.
      {GRAPH_BAR, {{90, 130}, {130, 170}, {170, 210}}},
      // bw = trunc(160 / 3) = 53, tw = 159: slot j up to 150 + 79 - 53j.
      {GRAPH_3D_BAR, {{176, 229}, {123, 176}, {70, 123}}},
  };
  for (const Case& c : cases) {
    CGraph g = Plot(c.kind, 0, 10);
    g.isVertical = 0;
    AddSeries(g, {5.0f, 5.0f, 5.0f});
    const auto rects = Rectangles(Draw(g));
    ASSERT_EQ(rects.size(), 3u);
    for (std::size_t j = 0; j < 3; ++j) {
      EXPECT_EQ(rects[j][1], c.spans[j][0]) << c.kind << " slot " << j;
      EXPECT_EQ(rects[j][3], c.spans[j][1]) << c.kind << " slot " << j;
    }
  }
}

TEST(BarsTest, ThreeDimensionalBarsDrawFrontThenShadowThenLight) {
  const COLORREF base = 0x0A14C8;  // red 200, green 20, blue 10
  const COLORREF darker = 0x0000A5;
  const COLORREF lighter = 0x2D37EB;
  auto face = [](COLORREF c, const std::string& shape) {
    return std::vector<std::string>{BrushOf(c), PenOf(c), shape, "SelectPen(1, #000000)",
                                    "SelectBrush(#FFFFFF)"};
  };
  // One value of 50 on 0..100, depth 10, the same for a bar and a one-
  // segment stack. Upright: s = 2, 100 pixels high; bw = 240 from 80 to 320.
  // Lying: s = 2.9, 145 long; bw = 160 from 70 to 230 (cy = 150).
  const std::vector<std::string> upright =
      Concat({face(base, Rect(80, 150, 320, 250)),
              face(darker, "Polygon((320, 150), (320, 250), (330, 240), (330, 140))"),
              face(lighter, "Polygon((80, 150), (320, 150), (330, 140), (90, 140))")});
  const std::vector<std::string> lying =
      Concat({face(base, Rect(50, 70, 195, 230)),
              face(darker, "Polygon((50, 70), (195, 70), (205, 60), (60, 60))"),
              face(lighter, "Polygon((195, 70), (195, 230), (205, 220), (205, 60))")});
  for (std::uint32_t kind : {GRAPH_3D_BAR, GRAPH_3D_STACKED_BAR}) {
    for (std::uint32_t vertical : {0u, 1u}) {
      CGraph g;
      g.SetGraphType(kind);
      g.isVertical = vertical;
      g.plotLeftX = 50;
      g.plotBaseY = 250;
      g.plotWidth = 300;
      g.plotHeight = 200;
      g.depth3D = 10;
      g.AddDataColor(0, base);
      AddSeries(g, {50.0f});
      EXPECT_EQ(Draw(g), vertical ? upright : lying) << kind << " vertical " << vertical;
    }
  }
}

TEST(BarsTest, ShadesMoveEachChannelBy35WithinRange) {
  struct Case {
    COLORREF base;
    COLORREF darker;
    COLORREF lighter;
  };
  const Case cases[] = {
      {0x0A14C8, 0x0000A5, 0x2D37EB},  // 200, 20, 10 -> 165, 0, 0 and 235, 55, 45
      {0x000000, 0x000000, 0x232323}, {0xFFFFFF, 0xDCDCDC, 0xFFFFFF},
      {0xDDDC23, 0xBAB900, 0xFFFF46}, {0xFF0000, 0xDC0000, 0xFF2323},  // the fallback blue
  };
  for (const Case& c : cases) {
    CGraph g = Plot(GRAPH_3D_BAR, 0, 10);
    g.colorList.clear();
    g.AddDataColor(0, c.base);
    AddSeries(g, {5.0f});
    const auto brushes = [&] {
      RecordingSurface s;
      g.DrawByKind(s);
      return s.Log("SelectBrush");
    }();
    ASSERT_EQ(brushes.size(), 6u);
    EXPECT_EQ(brushes[0], BrushOf(c.base));
    EXPECT_EQ(brushes[2], BrushOf(c.darker)) << std::hex << c.base;
    EXPECT_EQ(brushes[4], BrushOf(c.lighter)) << std::hex << c.base;
  }
}

TEST(BarsTest, ThreeDimensionalSegmentsStackWithTheirFacesBeforeTheNextSegment) {
  // One stack over 300 pixels: bw = 240 from 80; s = 200 / 10 = 20.
  CGraph g = Plot(GRAPH_3D_STACKED_BAR, 0, 10);
  g.depth3D = 4;
  AddSeries(g, {2.0f, -3.0f, 1.0f});
  RecordingSurface s;
  g.DrawByKind(s);
  std::vector<std::string> shapes;
  for (const std::string& line : s.Log()) {
    if (line.starts_with("Rectangle") || line.starts_with("Polygon")) shapes.push_back(line);
  }
  const std::vector<std::string> expected = {
      Rect(80, 210, 320, 250),
      "Polygon((320, 210), (320, 250), (324, 246), (324, 206))",
      "Polygon((80, 210), (320, 210), (324, 206), (84, 206))",
      Rect(80, 190, 320, 210),
      "Polygon((320, 190), (320, 210), (324, 206), (324, 186))",
      "Polygon((80, 190), (320, 190), (324, 186), (84, 186))"};
  EXPECT_EQ(shapes, expected);
  EXPECT_EQ(s.Log("SelectBrush")[6], BrushOf(kThird));  // the third slot's colour
}

TEST(BarsTest, FlatKindsUseTheCurrentPenAndEveryDrawerRestoresTheSurface) {
  for (std::uint32_t kind : {GRAPH_BAR, GRAPH_STACKED_BAR, GRAPH_3D_BAR, GRAPH_3D_STACKED_BAR}) {
    for (std::uint32_t vertical : {0u, 1u}) {
      CGraph g = Plot(kind, 0, 10);
      g.isVertical = vertical;
      g.depth3D = 5;
      AddSeries(g, {3.0f, 4.0f});
      AddSeries(g, {5.0f, 6.0f});
      RecordingSurface s;
      s.SelectPen(Pen{1, 0x123456});
      s.SelectBrush(Brush{0x654321});
      s.ClearLog();
      g.DrawByKind(s);
      const bool flat = kind == GRAPH_BAR || kind == GRAPH_STACKED_BAR;
      EXPECT_EQ(s.Log("SelectPen").empty(), flat) << kind;
      EXPECT_EQ(Rectangles(s.Log()).size(), 4u) << kind;
      EXPECT_EQ(s.CurrentPen(), (Pen{1, 0x123456})) << kind;
      EXPECT_EQ(s.CurrentBrush(), (Brush{0x654321})) << kind;
    }
  }
}

TEST(BarsTest, NoSeriesOrNoSlotsDrawNothing) {
  for (std::uint32_t kind : {GRAPH_BAR, GRAPH_STACKED_BAR, GRAPH_3D_BAR, GRAPH_3D_STACKED_BAR}) {
    CGraph empty = Plot(kind, 0, 10);
    empty.seriesSize = 3;  // slots but no series
    EXPECT_TRUE(Draw(empty).empty()) << kind;
    CGraph hollow = Plot(kind, 0, 10);
    AddSeries(hollow, {});  // a series without points
    EXPECT_TRUE(Draw(hollow).empty()) << kind;
  }
}

TEST(BarsTest, AnEmptyScaleDrawsZeroLengthBars) {
  for (std::uint32_t kind : {GRAPH_BAR, GRAPH_STACKED_BAR, GRAPH_3D_BAR, GRAPH_3D_STACKED_BAR}) {
    CGraph g = Plot(kind, 7, 7);
    AddSeries(g, {9.0f});
    const auto rects = Rectangles(Draw(g));
    ASSERT_EQ(rects.size(), 1u) << kind;
    EXPECT_EQ(rects[0][1], rects[0][3]) << kind;
  }
}

TEST(BarsTest, ExtremeValuesAndLayoutsSaturateInsteadOfOverflowing) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  struct Layout {
    std::int32_t left, base, width, height, minTick, maxTick, depth;
  };
  const Layout layouts[] = {
      {50, 250, 300, 200, 0, 100, 10},
      {kMax, kMax, kMax, kMax, kMin, kMax, kMax},
      {kMin, kMin, kMin, kMin, kMax, kMin, kMin},
      {kMax, kMin, kMax, kMin, 0, 1, kMin},
      {0, 0, 0, 0, kMin, kMin + 1, 0},
  };
  const std::vector<float> values = {kInf, -kInf, kNaN, 3.4e38f, -3.4e38f, 1e-30f, -0.5f};
  for (const Layout& l : layouts) {
    for (std::uint32_t kind : {GRAPH_BAR, GRAPH_STACKED_BAR, GRAPH_3D_BAR, GRAPH_3D_STACKED_BAR}) {
      for (std::uint32_t vertical : {0u, 1u}) {
        for (std::int32_t quadrant : {1, 2, 3, 4, kMin}) {
          CGraph g;
          g.SetGraphType(kind);
          g.isVertical = vertical;
          g.quadrant = quadrant;
          g.plotLeftX = l.left;
          g.plotBaseY = l.base;
          g.plotWidth = l.width;
          g.plotHeight = l.height;
          g.minTick = l.minTick;
          g.maxTick = l.maxTick;
          g.depth3D = l.depth;
          AddSeries(g, values);
          AddSeries(g, {1.0f});
          RecordingSurface s;
          g.DrawByKind(s);
          EXPECT_EQ(s.CurrentBrush(), Brush{});
        }
      }
    }
  }
}

}  // namespace
}  // namespace tessaloom
