// The box frame of the 3D kinds: depth, silhouette, edges, ticks, diagonals,
// grid and labels, as the exact primitives on the recording surface.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "chart_test_support.h"

namespace tessaloom {
namespace {

constexpr std::int32_t kLeft = 60;
constexpr std::int32_t kBase = 300;

// A 3D bar chart laid out on a plot 400 wide and 250 high from (60, 300):
// depth 12, ticks reach 2 pixels out, front plane 388 x 238.
CGraph Box(std::uint32_t kind = GRAPH_3D_BAR) {
  CGraph g;
  g.SetGraphType(kind);
  g.canvasWidth = 495;
  g.canvasHeight = 350;
  g.plotLeftX = kLeft;
  g.plotBaseY = kBase;
  g.plotHeight = 250;
  g.plotWidth = 400;
  return g;
}

using namespace chart_test;

TEST(Axes3DTest, VerticalBoxDrawsInTheDocumentedOrder) {
  CGraph g = Box();
  g.SetBackColorFlag(1);
  g.backColor = 0x00FF00;
  g.SetGridLines(1);
  g.SetTickLimits(0, 100, 100);  // one interval: ticks 0 and 100
  g.SetYAxisLabel("Value");
  g.SetXAxisLabel("Item");
  AddLabelledSeries(g, {"A"});
  RecordingSurface s;
  g.DrawAxes(s);
  const std::int32_t a = Ave(16);
  const std::vector<std::string> expected = {
      "SetTextColor(#000000)",
      // The silhouette: back plane, front plane, the two notches.
      "FillSolidRect(72, 50, 388, 238, #00FF00)", "FillSolidRect(60, 62, 388, 238, #00FF00)",
      "SetBkColor(#FFFFFF)", "FillPolygon((60, 62), (72, 62), (72, 50); #00FF00)",
      "FillPolygon((448, 300), (448, 288), (460, 288); #00FF00)", "SetBkColor(#FFFFFF)",
      // Box edges.
      MoveTo(72, 288), LineTo(72, 50),                    // back plane, left edge
      MoveTo(72, 288), LineTo(460, 288),                  // back plane, bottom edge
      MoveTo(60, 302), LineTo(60, 62),                    // front value axis, 2 below the base
      MoveTo(58, 300), LineTo(448, 300),                  // front base line, 2 left of the axis
      MoveTo(60, 300), LineTo(72, 288),                   // diagonal at the origin
      MoveTo(60, 62), LineTo(72, 50),                     // diagonal at the top of the axis
      MoveTo(448, 300), LineTo(460, 288),                 // diagonal at the end of the base line
      MoveTo(72, 50), LineTo(460, 50), LineTo(460, 288),  // back top and right
      // Titles on the front plane, then the entry font again.
      "SelectFont(Chart 16, 900, 16)", TextOut(10, 300 - 119 + (5 * a) / 2, "Value"),
      "SelectFont(Chart 16, 0, 16)", TextOut(60 + 194 - 2 * a, 330, "Item"), "SelectFont(System)",
      // Tick 0: tick, diagonal and grid line, label.
      MoveTo(58, 300), LineTo(60, 300), "SelectPen(1, #000000)", MoveTo(60, 300), LineTo(72, 288),
      LineTo(460, 288), "SelectPen(1, #000000)", "SelectFont(Chart 12, 0, 16)",
      TextOut(44, 294, "0"), "SelectFont(System)",
      // Tick 1, 238 up at the top of the front axis, then its minor tick.
      MoveTo(58, 62), LineTo(60, 62), "SelectPen(1, #000000)", MoveTo(60, 62), LineTo(72, 50),
      LineTo(460, 50), "SelectPen(1, #000000)", "SelectFont(Chart 12, 0, 16)",
      TextOut(32, 56, "100"), "SelectFont(System)", MoveTo(58, 181), LineTo(60, 181),
      // The one category: boundary tick and floor diagonal, centred label.
      MoveTo(448, 302), LineTo(448, 300), LineTo(460, 288), "SelectFont(Chart 12, 0, 16)",
      TextOut(250, 308, "A"), "SelectFont(System)"};
  EXPECT_EQ(s.Log(), expected) << Dump(s.Log());
  EXPECT_EQ(g.axisEndY, 62);
  EXPECT_EQ(g.axisEndX, 254);
}

TEST(Axes3DTest, DepthIsAFractionOfThePlotHeightAndShrinksThePlot) {
  struct Case {
    std::int32_t height;
    double ratio;
    std::int32_t depth, reach;
  };
  const Case cases[] = {
      {250, 0.05, 12, 2},  // 12.5 and 2.4 truncated
      {260, 0.05, 13, 2}, {400, 0.05, 20, 4},   {100, 0.05, 5, 1},
      {20, 0.05, 1, 0},   {19, 0.05, 0, 0},  // under 20 pixels: no depth
      {250, 0.1, 25, 5},  {-100, 0.05, -5, -1}, {250, std::nan(""), 0, 0},
  };
  for (const Case& c : cases) {
    CGraph g = Box();
    g.plotHeight = c.height;
    g.depthRatio = c.ratio;
    RecordingSurface s;
    g.DrawAxes(s);
    EXPECT_EQ(g.depth3D, c.depth) << c.height << " " << c.ratio;
    EXPECT_EQ(g.plotHeight, c.height - c.depth);
    EXPECT_EQ(g.plotWidth, 400 - c.depth);
    EXPECT_EQ(g.plotLeftX, kLeft);
    EXPECT_EQ(g.plotBaseY, kBase);
    // The front value axis reaches `reach` below the base line.
    EXPECT_TRUE(HasRun(
        s.Log(), {MoveTo(kLeft, kBase + c.reach), LineTo(kLeft, kBase - (c.height - c.depth))}))
        << Dump(s.Log());
  }
}

TEST(Axes3DTest, ValueTicksOn238PixelsAre23ApartWithMinorTicksBetween) {
  CGraph g = Box();
  RecordingSurface s;
  g.DrawAxes(s);
  const std::int32_t minor[] = {11, 34, 57, 80, 103, 126, 149, 172, 195, 218};
  for (std::int32_t i = 0; i <= 10; ++i) {
    const std::int32_t y = kBase - 23 * i;
    const std::string label = Str(10 * i);
    std::vector<std::string> run = {
        MoveTo(58, y),
        LineTo(60, y),
        "SelectPen(1, #000000)",
        MoveTo(60, y),
        LineTo(72, y - 12),  // no grid: the diagonal alone
        "SelectPen(1, #000000)",
        "SelectFont(Chart 12, 0, 16)",
        TextOut(kLeft - 6 * static_cast<std::int32_t>(label.size()) - 10, y - 6, label),
        "SelectFont(System)"};
    if (i >= 1) {
      run.push_back(MoveTo(58, kBase - minor[i - 1]));
      run.push_back(LineTo(60, kBase - minor[i - 1]));
    }
    EXPECT_TRUE(HasRun(s.Log(), run)) << i << "\n" << Dump(s.Log());
  }
  EXPECT_EQ(g.axisEndY, kBase - 230);  // 8 below the axis top at 62
}

TEST(Axes3DTest, ThreeCategoriesOn388PixelsHaveSlotsOf129) {
  CGraph g = Box();
  AddLabelledSeries(g, {"One", "Two", "Three"});
  RecordingSurface s;
  g.DrawAxes(s);
  const std::int32_t boundaries[] = {129, 258, 387};
  const std::int32_t centres[] = {65, 194, 323};  // boundary - 64
  const char* labels[] = {"One", "Two", "Three"};
  for (int k = 0; k < 3; ++k) {
    const std::int32_t xr = kLeft + boundaries[k];
    const auto n = static_cast<std::int32_t>(std::string(labels[k]).size());
    EXPECT_TRUE(HasRun(s.Log(), {MoveTo(xr, 302), LineTo(xr, 300), LineTo(xr + 12, 288),
                                 "SelectFont(Chart 12, 0, 16)",
                                 TextOut(kLeft + centres[k] - 4 * n, 308, labels[k])}))
        << k << "\n"
        << Dump(s.Log());
  }
  EXPECT_EQ(g.axisEndX, kLeft + 323);
}

TEST(Axes3DTest, HorizontalBoxPutsCategoriesOnSlotBoundaries) {
  CGraph g = Box();
  g.SetOrientation(0);
  g.SetGridLines(1);
  g.SetXAxisLabel("Region");
  AddLabelledSeries(g, {"North", "South", "East"});
  RecordingSurface s;
  g.DrawAxes(s);
  const std::int32_t w2 = Ave(16);
  const std::int32_t h2 = Cell(16);
  // Slot 238 / 3 = 79; the first label stands at the first boundary.
  const char* labels[] = {"North", "South", "East"};
  for (int k = 1; k <= 3; ++k) {
    const std::int32_t yk = kBase - 79 * k;
    EXPECT_TRUE(HasRun(s.Log(), {MoveTo(58, yk), LineTo(60, yk), LineTo(72, yk - 12),
                                 "SelectFont(Chart 12, 0, 17)",
                                 TextOut(kLeft - 6 * w2 - 5, yk - h2 / 2, labels[k - 1])}))
        << k << "\n"
        << Dump(s.Log());
  }
  EXPECT_EQ(g.axisEndY, kBase - 237);
  // Values: (388 - 10) / 10 = 37 a step, a 10-pixel margin at the right.
  const std::int32_t minor[] = {18, 55, 92, 129, 166, 203, 240, 277, 314, 351};
  for (std::int32_t i = 0; i <= 10; ++i) {
    const std::int32_t x = kLeft + 37 * i;
    const std::string label = Str(10 * i);
    std::vector<std::string> run = {
        MoveTo(x, 302),
        LineTo(x, 300),
        "SelectPen(1, #000000)",
        MoveTo(x, 300),
        LineTo(x + 12, 288),
        LineTo(x + 12, 50),
        "SelectPen(1, #000000)",
        "SelectFont(Chart 12, 0, 16)",
        TextOut(x - (static_cast<std::int32_t>(label.size()) * w2) / 2, 308, label),
        "SelectFont(System)"};
    if (i >= 1) {
      run.push_back(MoveTo(kLeft + minor[i - 1], 302));
      run.push_back(LineTo(kLeft + minor[i - 1], 300));
    }
    EXPECT_TRUE(HasRun(s.Log(), run)) << i << "\n" << Dump(s.Log());
  }
  EXPECT_EQ(g.axisEndX, kLeft + 370);
  // Categories come before values.
  EXPECT_EQ(s.Log("TextOut")[2], TextOut(kLeft - 6 * w2 - 5, kBase - 79 - h2 / 2, "North"));
}

TEST(Axes3DTest, TitlesAreCentredOnTheFrontPlane) {
  for (std::uint32_t vertical : {1u, 0u}) {
    CGraph g = Box();
    g.SetOrientation(vertical);
    g.quadrant = 3;  // the box ignores the quadrant
    g.SetXAxisLabel("Month");
    g.SetYAxisLabel("Amount");
    RecordingSurface s;
    g.DrawAxes(s);
    const std::string left = vertical == 1 ? "Amount" : "Month";
    const std::string bottom = vertical == 1 ? "Month" : "Amount";
    const std::int32_t t1 = static_cast<std::int32_t>(left.size());
    const std::int32_t t2 = static_cast<std::int32_t>(bottom.size());
    EXPECT_TRUE(
        HasRun(s.Log(),
               {"SelectFont(Chart 16, 900, 16)",
                TextOut(10, kBase - 119 + (t1 * Ave(16)) / 2, left), "SelectFont(Chart 16, 0, 16)",
                TextOut(kLeft + 194 - (t2 / 2) * Ave(16), 330, bottom), "SelectFont(System)"}))
        << vertical << "\n"
        << Dump(s.Log());
  }
}

TEST(Axes3DTest, EveryBoxKindDrawsTheSameFrameWhateverTheQuadrant) {
  CGraph reference = Box(GRAPH_3D_BAR);
  AddLabelledSeries(reference, {"a", "b"});
  RecordingSurface expected;
  reference.DrawAxes(expected);
  for (std::uint32_t kind : {GRAPH_3D_BAR, GRAPH_3D_LINE, GRAPH_3D_STACKED_BAR}) {
    for (std::int32_t quadrant : {1, 2, 3, 4}) {
      CGraph g = Box(kind);
      g.quadrant = quadrant;
      AddLabelledSeries(g, {"a", "b"});
      RecordingSurface s;
      g.DrawAxes(s);
      EXPECT_EQ(s.Log(), expected.Log()) << kind << " " << quadrant;
    }
  }
}

TEST(Axes3DTest, APlotUnder20PixelsCollapsesToFlatAxes) {
  CGraph g = Box();
  g.plotHeight = 19;
  g.tickCount = 1;
  AddLabelledSeries(g, {"a"});
  RecordingSurface s;
  g.DrawAxes(s);
  EXPECT_EQ(g.depth3D, 0);
  // Zero-length diagonals and ticks that stay on the axes.
  EXPECT_TRUE(HasRun(s.Log(), {MoveTo(60, 300), LineTo(60, 300)}));
  EXPECT_TRUE(HasRun(s.Log(), {MoveTo(60, 300), LineTo(60, 281)}));  // value axis
  EXPECT_TRUE(HasRun(s.Log(), {MoveTo(60, 281), LineTo(60, 281)}));  // tick at the top
  EXPECT_TRUE(HasRun(s.Log(), {MoveTo(460, 300), LineTo(460, 300), LineTo(460, 300)}));
}

TEST(Axes3DTest, NoBackColorLeavesTheBoxUnfilledAndTheBackgroundAsItWas) {
  for (std::uint32_t flag : {0u, 1u, 7u}) {
    CGraph g = Box();
    g.SetBackColorFlag(flag);
    g.backColor = 0x123456;
    RecordingSurface s;
    s.SetBkColor(0x0A0B0C);
    s.ClearLog();
    g.DrawAxes(s);
    EXPECT_EQ(s.Log("FillSolidRect").size(), flag != 0 ? 2u : 0u);
    EXPECT_EQ(s.Log("FillPolygon").size(), flag != 0 ? 2u : 0u);
    EXPECT_EQ(s.GetBkColor(), 0x0A0B0Cu);
    EXPECT_EQ(s.Log("SetBkColor").size(), flag != 0 ? 2u : 0u);
  }
}

TEST(Axes3DTest, NoValueTicksWithoutAWholeInterval) {
  for (std::uint32_t vertical : {1u, 0u}) {
    for (std::int32_t count : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
      CGraph g = Box();
      g.SetOrientation(vertical);
      g.tickCount = count;
      g.axisEndX = g.axisEndY = -1;
      RecordingSurface s;
      g.DrawAxes(s);
      EXPECT_EQ(s.Log("TextOut").size(), 2u);  // the titles
      EXPECT_TRUE(s.Log("SelectPen").empty());
      EXPECT_EQ(vertical == 1 ? g.axisEndY : g.axisEndX, -1);
    }
  }
}

TEST(Axes3DTest, ExtremeFiguresSaturateInsteadOfOverflowing) {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const std::int32_t min = std::numeric_limits<std::int32_t>::min();
  struct Case {
    std::int32_t left, base, height, width, count;
    double ratio;
  };
  const Case cases[] = {
      {max, max, max, max, 3, 0.05}, {min, min, min, min, 3, 0.05}, {max, min, max, min, 2, 1e300},
      {0, 0, 0, 0, 1, -1e300},       {min, max, 1, -1, 5, 2.0},
  };
  for (const Case& c : cases) {
    for (std::uint32_t vertical : {1u, 0u}) {
      CGraph g = Box();
      g.SetOrientation(vertical);
      g.plotLeftX = c.left;
      g.plotBaseY = c.base;
      g.plotHeight = c.height;
      g.plotWidth = c.width;
      g.tickCount = c.count;
      g.depthRatio = c.ratio;
      g.minTick = max;
      g.tickValueStep = max;
      g.SetGridLines(1);
      g.SetBackColorFlag(1);
      AddLabelledSeries(g, {"a", "b", "c"});
      RecordingSurface s;
      g.DrawAxes(s);
      EXPECT_FALSE(s.Log().empty());
    }
  }
}

}  // namespace
}  // namespace tessaloom
