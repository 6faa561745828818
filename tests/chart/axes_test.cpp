// The flat axes: lines, ticks, labels, grid, background and titles, as the
// exact primitives they leave on the recording surface.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "chart_test_support.h"

namespace tessaloom {
namespace {

constexpr std::int32_t kLeft = 60;
constexpr std::int32_t kBase = 300;

// A laid-out vertical bar chart: plot 400 x 250 from (60, 300) on a 500 x 350
// canvas, scale 0 to 100 in 10 steps, no series.
CGraph Plot() {
  CGraph g;
  g.canvasWidth = 495;
  g.canvasHeight = 350;
  g.plotLeftX = kLeft;
  g.plotBaseY = kBase;
  g.plotHeight = 250;
  g.plotWidth = 400;
  return g;
}

using namespace chart_test;

// Value-axis label texts in the order they are written.
std::vector<std::string> ValueLabels(const RecordingSurface& s, std::size_t skipTitles = 2) {
  std::vector<std::string> texts;
  const auto lines = s.Log("TextOut");
  for (std::size_t i = skipTitles; i < lines.size(); ++i) {
    const std::size_t open = lines[i].find('"');
    texts.push_back(lines[i].substr(open + 1, lines[i].size() - open - 3));
  }
  return texts;
}

TEST(AxesTest, VerticalChartDrawsInTheDocumentedOrder) {
  CGraph g = Plot();
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
      "SetTextColor(#000000)", "FillSolidRect(60, 50, 400, 250, #00FF00)", "SetBkColor(#FFFFFF)",
      "SelectPen(2, #000000)", MoveTo(60, 300), LineTo(60, 50), MoveTo(60, 300), LineTo(460, 300),
      "SelectPen(1, #000000)", "SelectFont(Chart 16, 900, 16)",
      TextOut(10, 175 + (5 * a) / 2, "Value"), "SelectFont(Chart 16, 0, 16)",
      TextOut(260 - 2 * a, 330, "Item"),
      // Tick 0 on the base line, with its grid line and label.
      MoveTo(57, 300), LineTo(63, 300), "SelectPen(1, #000000)", MoveTo(60, 300), LineTo(460, 300),
      "SelectPen(1, #000000)", "SelectFont(Chart 12, 0, 16)", TextOut(44, 294, "0"),
      "SelectFont(Chart 16, 0, 16)",
      // Tick 1, 240 pixels up: 10 pixels below the top of the axis.
      MoveTo(57, 60), LineTo(63, 60), "SelectPen(1, #000000)", MoveTo(60, 60), LineTo(460, 60),
      "SelectPen(1, #000000)", "SelectFont(Chart 12, 0, 16)", TextOut(32, 54, "100"),
      "SelectFont(Chart 16, 0, 16)",
      // The one category, centred in its 400-pixel slot.
      MoveTo(260, 297), LineTo(260, 303), "SelectFont(Chart 12, 0, 16)", TextOut(256, 308, "A"),
      "SelectFont(Chart 16, 0, 16)", "SelectFont(System)"};
  EXPECT_EQ(s.Log(), expected) << Dump(s.Log());
  EXPECT_EQ(g.axisEndY, 60);
  EXPECT_EQ(g.axisEndX, 260);
}

TEST(AxesTest, DefaultScaleOnA250PixelPlotSteps24PixelsFrom0To100) {
  CGraph g = Plot();
  RecordingSurface s;
  g.DrawAxes(s);
  struct Tick {
    std::int32_t y;
    const char* label;
    std::int32_t labelX;  // (12 / 2) x characters + 10 left of the axis
  };
  const Tick ticks[] = {{300, "0", 44},  {276, "10", 38}, {252, "20", 38}, {228, "30", 38},
                        {204, "40", 38}, {180, "50", 38}, {156, "60", 38}, {132, "70", 38},
                        {108, "80", 38}, {84, "90", 38},  {60, "100", 32}};
  for (const Tick& t : ticks) {
    EXPECT_TRUE(HasRun(s.Log(), {MoveTo(57, t.y), LineTo(63, t.y), "SelectFont(Chart 12, 0, 16)",
                                 TextOut(t.labelX, t.y - 6, t.label)}))
        << t.label << "\n"
        << Dump(s.Log());
  }
  EXPECT_EQ(s.Log("TextOut").size(), 2u + 11u);  // two titles, eleven labels
  EXPECT_EQ(g.axisEndY, 60);                     // the axis line ends at 50
  EXPECT_EQ(s.Log("SelectPen").size(), 2u);      // only the axis pen: no grid
}

TEST(AxesTest, FiveCategoriesOn400PixelsAreCentredInSlotsOf80) {
  CGraph g = Plot();
  AddLabelledSeries(g, {"Alpha1", "Alpha2", "Alpha3", "Alpha4", "Alpha5"});
  RecordingSurface s;
  g.DrawAxes(s);
  const std::int32_t centres[] = {40, 120, 200, 280, 360};
  for (int k = 0; k < 5; ++k) {
    const std::int32_t xc = kLeft + centres[k];
    // A label of 6 characters starts 24 pixels left of its centre.
    EXPECT_TRUE(HasRun(s.Log(), {MoveTo(xc, 297), LineTo(xc, 303), "SelectFont(Chart 12, 0, 16)",
                                 TextOut(xc - 24, 308, "Alpha" + Str(k + 1))}))
        << k << "\n"
        << Dump(s.Log());
  }
  EXPECT_EQ(g.axisEndX, kLeft + 360);
}

TEST(AxesTest, CategoryLabelsAreCentredByCodePoints) {
  CGraph g = Plot();
  AddLabelledSeries(g, {"\xC3\x9C"
                        "ber"});  // 4 code points, 5 bytes
  RecordingSurface s;
  g.DrawAxes(s);
  EXPECT_EQ(s.Log("TextOut").back(), TextOut(260 - 16, 308,
                                             "\xC3\x9C"
                                             "ber"));
}

TEST(AxesTest, TitleSizeFitsTheLabelOfTheLongerSide) {
  struct Case {
    std::int32_t canvasWidth, canvasHeight;
    std::size_t xLength, yLength;
    std::int32_t size;
  };
  const Case cases[] = {
      {495, 350, 0, 40, 16},   // 8 x 40 = 320 fits in the height
      {495, 350, 0, 50, 14},   // 400 exceeds 350; 7 x 50 = 350 fits
      {495, 350, 400, 0, 16},  // on a wide canvas the X-axis label does not count
      {495, 350, 0, 400, 0},   // 400 characters drive the size down to 0
      {350, 350, 50, 0, 14},   // square: the X-axis label against the width
      {350, 350, 0, 400, 16},  // ... and the Y-axis label does not count
      {300, 500, 40, 0, 14},   // tall: 320 exceeds 300; 7 x 40 = 280 fits
      {300, 500, 76, 0, 6},    // 3 x 76 = 228 fits, 4 x 76 = 304 does not
      {-4, 1, 0, 0, 0},        // no size fits a negative width: stop at 0
  };
  for (const Case& c : cases) {
    CGraph g = Plot();
    g.canvasWidth = c.canvasWidth;
    g.canvasHeight = c.canvasHeight;
    g.SetXAxisLabel(std::string(c.xLength, 'x'));
    g.SetYAxisLabel(std::string(c.yLength, 'y'));
    RecordingSurface s;
    g.DrawAxes(s);
    const auto fonts = s.Log("SelectFont");
    ASSERT_GE(fonts.size(), 2u);
    EXPECT_EQ(fonts[0], "SelectFont(Chart " + Str(c.size) + ", 900, 16)") << c.xLength << c.yLength;
    EXPECT_EQ(fonts[1], "SelectFont(Chart " + Str(c.size) + ", 0, 16)") << c.xLength << c.yLength;
  }
}

TEST(AxesTest, TitlesStandBesideAndUnderThePlot) {
  struct Case {
    std::uint32_t vertical;
    std::int32_t quadrant;
    std::string left, bottom;  // which label goes where
    std::int32_t leftCentreY;
  };
  const Case cases[] = {
      {1, 1, "Amount", "Month", kBase - 125},
      {1, 3, "Amount", "Month", kBase},  // quadrant 3: the zero line is the centre
      {0, 1, "Month", "Amount", kBase - 125},
      {0, 3, "Month", "Amount", kBase - 125},  // horizontal: laid out as for positive data
  };
  for (const Case& c : cases) {
    CGraph g = Plot();
    g.SetOrientation(c.vertical);
    g.quadrant = c.quadrant;
    g.SetXAxisLabel("Month");
    g.SetYAxisLabel("Amount");
    RecordingSurface s;
    g.DrawAxes(s);
    const auto texts = s.Log("TextOut");
    ASSERT_GE(texts.size(), 2u);
    const std::int64_t t1 = static_cast<std::int64_t>(c.left.size());
    const std::int64_t t2 = static_cast<std::int64_t>(c.bottom.size());
    EXPECT_EQ(texts[0], TextOut(10, c.leftCentreY + (t1 * Ave(16)) / 2, c.left));
    EXPECT_EQ(texts[1], TextOut(kLeft + 200 - (t2 / 2) * Ave(16), 330, c.bottom));
  }
}

TEST(AxesTest, GridLinesFollowEveryValueTickAndNoCategory) {
  for (std::uint32_t flag : {1u, 2u, 0x80000000u}) {
    CGraph g = Plot();
    g.SetGridLines(flag);
    AddLabelledSeries(g, {"a", "b", "c"});
    RecordingSurface s;
    g.DrawAxes(s);
    // The axis pen and its restoring, then one pen pair per value tick.
    EXPECT_EQ(s.Log("SelectPen").size(), 2u + 2u * 11u) << flag;
    for (std::int32_t i = 0; i <= 10; ++i) {
      const std::int32_t y = kBase - 24 * i;
      EXPECT_TRUE(HasRun(s.Log(), {"SelectPen(1, #000000)", MoveTo(kLeft, y), LineTo(460, y),
                                   "SelectPen(1, #000000)"}))
          << i;
    }
  }
}

TEST(AxesTest, BackColorFillsThePlotFirstAndKeepsTheBackgroundColour) {
  // In quadrant 3 the frame has moved plotBaseY to the zero line; the fill
  // still covers the plot it laid out, behind the whole left axis.
  struct Case {
    std::uint32_t vertical;
    std::int32_t quadrant;
    std::uint32_t kind;
    std::int32_t minTick, maxTick, plotHeight, base;
    const char* fill;
  };
  const Case cases[] = {
      {1, 1, GRAPH_BAR, 0, 100, 250, 300, "FillSolidRect(60, 50, 400, 250, #3366CC)"},
      {0, 1, GRAPH_LINE, 0, 100, 250, 300, "FillSolidRect(60, 50, 400, 250, #3366CC)"},
      {1, 1, GRAPH_BOX_WHISKER, 0, 100, 250, 300, "FillSolidRect(60, 50, 400, 250, #3366CC)"},
      {0, 1, GRAPH_STACKED_BAR, 0, 100, 250, 300, "FillSolidRect(60, 50, 400, 250, #3366CC)"},
      {1, 3, GRAPH_BAR, -50, 50, 250, 175, "FillSolidRect(60, 50, 400, 250, #3366CC)"},
      {0, 3, GRAPH_LINE, -50, 50, 250, 300, "FillSolidRect(60, 50, 400, 250, #3366CC)"},
      // -20..10 on 260 pixels: zeroOffset -41, the frame put the base at 129.
      {1, 3, GRAPH_BAR, -20, 10, 260, 129, "FillSolidRect(60, 40, 400, 260, #3366CC)"},
  };
  for (const Case& c : cases) {
    CGraph g = Plot();
    g.SetGraphType(c.kind);
    g.SetOrientation(c.vertical);
    g.quadrant = c.quadrant;
    g.SetTickLimits(c.minTick, c.maxTick, (c.maxTick - c.minTick) / 10);
    g.plotHeight = c.plotHeight;
    g.plotBaseY = c.base;
    g.SetBackColorFlag(5);
    g.backColor = 0x3366CC;
    RecordingSurface s;
    s.SetBkColor(0x0A0B0C);
    s.ClearLog();
    g.DrawAxes(s);
    ASSERT_GE(s.Log().size(), 3u);
    EXPECT_EQ(s.Log()[1], c.fill) << c.vertical << c.quadrant << c.kind;
    EXPECT_EQ(s.Log()[2], "SetBkColor(#0A0B0C)");
    EXPECT_EQ(s.GetBkColor(), 0x0A0B0Cu);
  }
  CGraph g = Plot();
  g.backColor = 0x3366CC;
  RecordingSurface s;
  g.DrawAxes(s);
  EXPECT_TRUE(s.Log("FillSolidRect").empty());
}

TEST(AxesTest, AxisLinesUseTheTwoPixelPenOnlyWhileTheyAreDrawn) {
  struct Case {
    std::int32_t quadrant;
    std::int32_t minTick, maxTick;
    std::int32_t base;  // where the frame left the base line
    std::int32_t axisBottom, axisTop;
  };
  const Case cases[] = {
      {1, 0, 100, 300, 300, 50},
      // -50..50: the zero line is the middle; the axis spans the plot.
      {3, -50, 50, 175, 300, 50},
      // -20..10 on 260 pixels: zeroOffset = trunc(-5 x 250/30) = -41.
      {3, -20, 10, 129, 129 + 130 + 41, 129 - 130 + 41},
  };
  for (std::uint32_t vertical : {1u, 0u}) {
    for (const Case& c : cases) {
      // Horizontal charts keep their base line whatever the signs.
      if (vertical == 0 && c.quadrant == 3) continue;
      CGraph g = Plot();
      if (c.minTick == -20) g.plotHeight = 260;
      g.SetOrientation(vertical);
      g.quadrant = c.quadrant;
      g.SetTickLimits(c.minTick, c.maxTick, (c.maxTick - c.minTick) / 10);
      g.plotBaseY = c.base;
      RecordingSurface s;
      g.DrawAxes(s);
      EXPECT_TRUE(HasRun(
          s.Log(), {"SelectPen(2, #000000)", MoveTo(kLeft, c.axisBottom), LineTo(kLeft, c.axisTop),
                    MoveTo(kLeft, c.base), LineTo(kLeft + 400, c.base), "SelectPen(1, #000000)"}))
          << c.quadrant << " " << c.minTick << "\n"
          << Dump(s.Log());
      EXPECT_EQ(s.CurrentPen(), Pen{});
    }
  }
}

TEST(AxesTest, NegativeValuesCountDownFromMaxTickWithZeroAtTheZeroLine) {
  struct Case {
    std::int32_t minTick, maxTick, plotHeight, base;
    std::int32_t top;  // y of the first tick
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      // Symmetric: zeroOffset 0, the frame moved the base up by 125.
      {-50,
       50,
       250,
       175,
       55,
       {"50", "40", "30", "20", "10", "0", "0", "-10", "-20", "-30", "-40", "-50"}},
      // -20..10 in steps of 3 on 260 pixels: zeroOffset -41, base 129.
      {-20,
       10,
       260,
       129,
       45,
       {"10", "7", "4", "1", "-2", "-5", "0", "-8", "-11", "-14", "-17", "-20"}},
  };
  for (const Case& c : cases) {
    CGraph g = Plot();
    g.quadrant = 3;
    g.SetTickLimits(c.minTick, c.maxTick, (c.maxTick - c.minTick) / 10);
    g.plotHeight = c.plotHeight;
    g.plotBaseY = c.base;
    AddLabelledSeries(g, {"Loss", "Gain"});
    RecordingSurface s;
    g.DrawAxes(s);
    std::vector<std::string> labels = ValueLabels(s);
    labels.resize(12);  // drop the two category labels
    EXPECT_EQ(labels, c.labels);
    const std::int32_t step = (c.plotHeight - 10) / 10;
    for (std::int32_t i = 0; i <= 10; ++i) {
      const std::int32_t y = c.top + i * step;
      const std::string& label = c.labels[static_cast<std::size_t>(i < 6 ? i : i + 1)];
      EXPECT_TRUE(HasRun(s.Log(), {MoveTo(57, y), LineTo(63, y),
                                   TextOut(kLeft - 6 * static_cast<std::int32_t>(label.size()) - 10,
                                           y - 6, label)}))
          << i << "\n"
          << Dump(s.Log());
    }
    // "0" beside the axis at the zero line, after the upper half.
    EXPECT_TRUE(
        HasRun(s.Log(), {TextOut(kLeft - 6 * static_cast<std::int32_t>(c.labels[5].size()) - 10,
                                 c.top + 5 * step - 6, c.labels[5]),
                         TextOut(44, c.base - 6, "0")}));
    // One font serves the whole value axis.
    EXPECT_EQ(s.Log("SelectFont").size(), 2u + 2u + 2u * 2u + 1u);
    EXPECT_EQ(g.axisEndY, c.top + 10 * step);
    // Categories: ticks on the zero line, labels under the plot.
    const std::int32_t slot = 200;
    EXPECT_TRUE(HasRun(
        s.Log(), {MoveTo(kLeft + slot / 2, c.base - 3), LineTo(kLeft + slot / 2, c.base + 3),
                  "SelectFont(Chart 12, 0, 16)", TextOut(kLeft + 100 - 16, kBase + 8, "Loss")}));
  }
}

TEST(AxesTest, HorizontalChartStartsWithTheFirstSeriesAtTheBottom) {
  CGraph g = Plot();
  g.SetOrientation(0);
  g.SetGridLines(1);
  g.SetXAxisLabel("Region");
  AddLabelledSeries(g, {"North", "South", "East"});
  RecordingSurface s;
  g.DrawAxes(s);
  const std::int32_t w2 = Ave(16);
  const std::int32_t h2 = Cell(16);
  // Slot 83: centres 41 - 83k above the base line.
  const std::int32_t centres[] = {258, 175, 92};
  const char* labels[] = {"North", "South", "East"};
  for (int k = 0; k < 3; ++k) {
    EXPECT_TRUE(HasRun(
        s.Log(), {MoveTo(57, centres[k]), LineTo(63, centres[k]), "SelectFont(Chart 12, 0, 17)",
                  TextOut(kLeft - 6 * w2 - 5, centres[k] - h2 / 2, labels[k])}))
        << k << "\n"
        << Dump(s.Log());
  }
  EXPECT_EQ(g.axisEndY, 92);
  // Values: (400 - 10) / 10 = 39 pixels a step, labels centred under the ticks.
  for (std::int32_t i = 0; i <= 10; ++i) {
    const std::int32_t x = kLeft + 39 * i;
    const std::string label = Str(10 * i);
    EXPECT_TRUE(HasRun(
        s.Log(), {MoveTo(x, 297), LineTo(x, 303), "SelectPen(1, #000000)", MoveTo(x, kBase),
                  LineTo(x, 50), "SelectPen(1, #000000)", "SelectFont(Chart 12, 0, 16)",
                  TextOut(x - (static_cast<std::int32_t>(label.size()) * w2) / 2, 308, label)}))
        << i << "\n"
        << Dump(s.Log());
  }
  EXPECT_EQ(g.axisEndX, kLeft + 390);
  // The category axis comes before the value axis.
  const auto texts = s.Log("TextOut");
  EXPECT_EQ(texts[2], TextOut(kLeft - 6 * w2 - 5, 258 - h2 / 2, "North"));
}

TEST(AxesTest, BoxWhiskerAndStackedBarUseTheQuadrantTheModelHolds) {
  for (std::uint32_t kind : {GRAPH_BOX_WHISKER, GRAPH_STACKED_BAR}) {
    CGraph fresh = Plot();
    fresh.SetGraphType(kind);
    RecordingSurface s1;
    fresh.DrawAxes(s1);
    EXPECT_TRUE(HasRun(s1.Log(), {MoveTo(kLeft, 300), LineTo(kLeft, 50)}));

    CGraph held = Plot();
    held.SetGraphType(kind);
    held.quadrant = 3;
    held.SetTickLimits(-50, 50, 10);
    RecordingSurface s2;
    held.DrawAxes(s2);
    EXPECT_TRUE(HasRun(s2.Log(), {MoveTo(kLeft, 425), LineTo(kLeft, 175)}));
  }
}

TEST(AxesTest, AValueExtentShorterThanTickCountPlus10StacksTheTicks) {
  for (std::uint32_t vertical : {1u, 0u}) {
    CGraph g = Plot();
    g.SetOrientation(vertical);
    g.plotHeight = 19;  // 9 / 10 = 0
    g.plotWidth = 19;
    RecordingSurface s;
    g.DrawAxes(s);
    const auto moves = s.Log("MoveTo");
    const std::string first_tick = vertical == 1 ? MoveTo(57, kBase) : MoveTo(kLeft, 297);
    EXPECT_EQ(std::count(moves.begin(), moves.end(), first_tick), 11) << vertical;
    EXPECT_EQ(vertical == 1 ? g.axisEndY : g.axisEndX, vertical == 1 ? kBase : kLeft);
  }
}

TEST(AxesTest, NoValueTicksWithoutAWholeInterval) {
  struct Case {
    std::uint32_t vertical;
    std::int32_t quadrant;
    std::int32_t tickCount;
  };
  const Case cases[] = {{1, 1, 0}, {1, 1, -1}, {1, 3, 0}, {1, 3, INT32_MIN},
                        {0, 1, 0}, {0, 1, -7}, {0, 3, 0}, {0, 3, INT32_MIN}};
  for (const Case& c : cases) {
    CGraph g = Plot();
    g.SetOrientation(c.vertical);
    g.quadrant = c.quadrant;
    g.tickCount = c.tickCount;
    g.axisEndX = g.axisEndY = -1;
    AddLabelledSeries(g, {"only"});
    RecordingSurface s;
    g.DrawAxes(s);
    EXPECT_EQ(s.Log("TextOut").size(), 3u) << c.vertical << c.quadrant << c.tickCount;
    EXPECT_EQ(c.vertical == 1 ? g.axisEndY : g.axisEndX, -1);
  }
}

TEST(AxesTest, AnEmptySeriesListDrawsNoCategoryTicks) {
  for (std::uint32_t vertical : {1u, 0u}) {
    for (std::int32_t quadrant : {1, 3}) {
      CGraph g = Plot();
      g.SetOrientation(vertical);
      g.quadrant = quadrant;
      g.axisEndX = g.axisEndY = -1;
      RecordingSurface s;
      g.DrawAxes(s);
      EXPECT_EQ(vertical == 1 ? g.axisEndX : g.axisEndY, -1);
      const auto fonts = s.Log("SelectFont");
      EXPECT_EQ(std::count(fonts.begin(), fonts.end(), "SelectFont(Chart 12, 0, 17)"), 0);
    }
  }
}

TEST(AxesTest, OtherKindsDrawNothing) {
  for (std::uint32_t kind : {GRAPH_PIE, GRAPH_3D_PIE, 3u, 321u, 0xFFFFFFFFu}) {
    CGraph g = Plot();
    g.SetGraphType(kind);
    g.SetBackColorFlag(1);
    RecordingSurface s;
    g.DrawAxes(s);
    const std::vector<std::string> expected = {"SetTextColor(#000000)"};
    EXPECT_EQ(s.Log(), expected) << kind;
  }
}

TEST(AxesTest, EntryFontPenAndBlackTextAreLeftBehindByFlatAndBoxAxes) {
  for (std::uint32_t kind : {GRAPH_BAR, GRAPH_3D_BAR}) {
    for (std::uint32_t vertical : {1u, 0u}) {
      for (std::int32_t quadrant : {1, 3}) {
        CGraph g = Plot();
        g.SetGraphType(kind);
        g.SetOrientation(vertical);
        g.quadrant = quadrant;
        g.SetGridLines(1);
        AddLabelledSeries(g, {"a", "b"});
        RecordingSurface s;
        s.SelectFont(Font::Chart(30, 0, 16));
        s.SetTextColor(0x0000FF);
        g.DrawAxes(s);
        EXPECT_EQ(s.CurrentFont(), Font::Chart(30, 0, 16));
        EXPECT_EQ(s.CurrentPen(), Pen{});
        EXPECT_EQ(s.TextColor(), 0x000000u);
      }
    }
  }
}

TEST(AxesTest, ExtremeFiguresSaturateInsteadOfOverflowing) {
  const std::int32_t max = std::numeric_limits<std::int32_t>::max();
  const std::int32_t min = std::numeric_limits<std::int32_t>::min();
  struct Case {
    std::int32_t left, base, height, width, minTick, maxTick, step, count;
  };
  const Case cases[] = {
      {max, max, max, max, min, max, max, 3},
      {min, min, min, min, max, min, min, 3},
      {max, min, -1, max, min, min, 1, 4},
      {0, 0, 0, 0, 0, 0, 0, 2},
  };
  for (const Case& c : cases) {
    for (std::uint32_t vertical : {1u, 0u}) {
      for (std::int32_t quadrant : {1, 3}) {
        CGraph g = Plot();
        g.SetOrientation(vertical);
        g.quadrant = quadrant;
        g.plotLeftX = c.left;
        g.plotBaseY = c.base;
        g.plotHeight = c.height;
        g.plotWidth = c.width;
        g.minTick = c.minTick;
        g.maxTick = c.maxTick;
        g.tickValueStep = c.step;
        g.tickCount = c.count;
        g.SetGridLines(1);
        g.SetBackColorFlag(1);
        AddLabelledSeries(g, {"a", "b", "c"});
        RecordingSurface s;
        g.DrawAxes(s);
        EXPECT_FALSE(s.Log().empty());
      }
    }
  }
  // A label beyond 32 bits shows the saturated value.
  CGraph g = Plot();
  g.minTick = max - 5;
  g.tickValueStep = max;
  g.tickCount = 2;
  RecordingSurface s;
  g.DrawAxes(s);
  const std::vector<std::string> labels = {Str(max - 5), Str(max), Str(max)};
  EXPECT_EQ(ValueLabels(s), labels);
}

}  // namespace
}  // namespace tessaloom
