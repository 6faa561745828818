// Box-whisker charts through the recording surface: the whole-number
// statistics of a series and the box geometry in both orientations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "chart_test_support.h"

namespace tessaloom {
namespace {

using namespace chart_test;

struct Statistics {
  int minimum, lowerQuartile, median, upperQuartile, maximum;
  friend bool operator==(const Statistics&, const Statistics&) = default;
};

std::ostream& operator<<(std::ostream& out, const Statistics& s) {
  return out << s.minimum << " " << s.lowerQuartile << " " << s.median << " " << s.upperQuartile
             << " " << s.maximum;
}

// Draws one series vertically at one pixel per unit from a base line at
// y 1000 and reads the five numbers back from the rectangles and the median
// line: y(t) = 1000 - t.
Statistics DrawnStatistics(const std::vector<float>& values) {
  CGraph g;
  g.graphType = GRAPH_BOX_WHISKER;
  g.plotLeftX = 0;
  g.plotBaseY = 1000;
  g.plotWidth = 100;
  g.plotHeight = 1010;
  g.minTick = 0;
  g.maxTick = 1000;
  AddSeries(g, values);
  RecordingSurface s;
  g.DrawBoxWhiskers(s);
  const auto rectangles = s.Log("Rectangle");
  const auto moves = s.Log("MoveTo");
  if (rectangles.size() != 4 || moves.size() != 1) return {-1, -1, -1, -1, -1};
  int l, top, r, bottom, x, y;
  Statistics out{};
  std::sscanf(rectangles[0].c_str(), "Rectangle(%d, %d, %d, %d)", &l, &top, &r, &bottom);
  out.maximum = 1000 - top;
  std::sscanf(rectangles[1].c_str(), "Rectangle(%d, %d, %d, %d)", &l, &top, &r, &bottom);
  out.minimum = 1000 - top;
  std::sscanf(rectangles[3].c_str(), "Rectangle(%d, %d, %d, %d)", &l, &top, &r, &bottom);
  out.upperQuartile = 1000 - top;
  out.lowerQuartile = 1000 - bottom;
  std::sscanf(moves[0].c_str(), "MoveTo(%d, %d)", &x, &y);
  out.median = 1000 - y;
  return out;
}

TEST(BoxWhiskerTest, StatisticsAreWholeNumbersOfTheSortedValues) {
  struct Case {
    std::vector<float> values;
    Statistics expected;  // minimum, Q1, median, Q3, maximum
  };
  const Case cases[] = {
      // Even counts: halves are the two halves; middles of pairs round down.
      {{1, 2, 3, 4}, {1, 1, 2, 3, 4}},
      {{1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 4, 6, 8}},
      {{8, 1, 7, 2, 6, 3, 5, 4}, {1, 2, 4, 6, 8}},
      // Odd counts leave the median out of both halves.
      {{1, 2, 3, 4, 5}, {1, 1, 3, 4, 5}},
      {{7, 3, 9}, {3, 3, 7, 9, 9}},
      {{10, 20, 30, 40, 50, 60, 70}, {10, 20, 40, 60, 70}},
      // Truncation toward zero; -1 and below count as 0, not left out.
      {{2.9f, -0.5f}, {0, 0, 1, 2, 2}},
      {{-3, 5}, {0, 0, 2, 5, 5}},
      {{-1, 4}, {0, 0, 2, 4, 4}},
      {{-0.99f, 3.99f, 9.5f}, {0, 0, 3, 9, 9}},
      // Equal values and pairs.
      {{5, 5, 5, 5}, {5, 5, 5, 5, 5}},
      {{10, 1}, {1, 1, 5, 10, 10}},
      {{4, 4, 1, 4}, {1, 2, 4, 4, 4}},
      // A single value is all five numbers.
      {{42}, {42, 42, 42, 42, 42}},
      {{-7}, {0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::string name;
    for (float v : c.values) name += std::to_string(v) + " ";
    EXPECT_EQ(DrawnStatistics(c.values), c.expected) << name;
  }
}

TEST(BoxWhiskerTest, VerticalBoxesStandOnTheirCategoryCentres) {
  // Slots 100 wide, boxes 80; 10..110 over 210 - 10 pixels: 2 per unit.
  // Series 1 sums up as 10, 15, 30, 45, 50; series 2 as 20 five times.
  CGraph g;
  g.plotLeftX = 50;
  g.plotBaseY = 300;
  g.plotWidth = 200;
  g.plotHeight = 210;
  g.minTick = 10;
  g.maxTick = 110;
  AddSeries(g, {50, 40, 30, 20, 10});
  AddSeries(g, {20});
  g.LoadDefaultPalette();
  RecordingSurface s;
  g.DrawBoxWhiskers(s);
  const std::vector<std::string> expected = {"SelectBrush(#562C87)",
                                             "Rectangle(60, 220, 140, 223)",  // upper cap at 50
                                             "Rectangle(60, 300, 140, 297)",  // lower cap at 10
                                             "Rectangle(98, 220, 102, 297)",  // stem
                                             "Rectangle(60, 230, 140, 290)",  // box from 15 to 45
                                             "SelectPen(1, #AAF3F3)",
                                             "MoveTo(60, 260)",  // median 30
                                             "LineTo(140, 260)",
                                             "SelectPen(1, #000000)",
                                             "Rectangle(160, 280, 240, 283)",
                                             "Rectangle(160, 280, 240, 277)",
                                             "Rectangle(198, 280, 202, 277)",
                                             "Rectangle(160, 280, 240, 280)",
                                             "SelectPen(1, #AAF3F3)",
                                             "MoveTo(160, 280)",
                                             "LineTo(240, 280)",
                                             "SelectPen(1, #000000)",
                                             "SelectBrush(#FFFFFF)"};
  EXPECT_EQ(s.Log(), expected);
}

TEST(BoxWhiskerTest, HorizontalBoxesRunRightFromTheValueAxis) {
  // Slots 100 high from y 400, boxes 80; 10..110 over 210 - 10 pixels.
  CGraph g;
  g.isVertical = 0;
  g.plotLeftX = 100;
  g.plotBaseY = 400;
  g.plotWidth = 210;
  g.plotHeight = 200;
  g.minTick = 10;
  g.maxTick = 110;
  AddSeries(g, {10, 20, 30, 40, 50});
  AddSeries(g, {60, 70});
  g.AddDataColor(0, 0x0000FF);
  g.AddDataColor(1, 0x00FF00);
  RecordingSurface s;
  g.DrawBoxWhiskers(s);
  const std::vector<std::string> expected = {
      "SelectBrush(#0000FF)",
      "Rectangle(177, 310, 180, 390)",  // right cap at 50
      "Rectangle(103, 310, 100, 390)",  // left cap at 10
      "Rectangle(103, 348, 180, 352)",  // stem
      "Rectangle(170, 310, 110, 390)",  // box from 15 to 45
      "SelectPen(1, #00FF00)",
      "MoveTo(140, 310)",  // median 30
      "LineTo(140, 390)", "SelectPen(1, #000000)",
      // Second slot, 100 higher: 60, 70 has its median at 65.
      "Rectangle(217, 210, 220, 290)", "Rectangle(203, 210, 200, 290)",
      "Rectangle(203, 248, 220, 252)", "Rectangle(220, 210, 200, 290)", "SelectPen(1, #00FF00)",
      "MoveTo(210, 210)", "LineTo(210, 290)", "SelectPen(1, #000000)", "SelectBrush(#FFFFFF)"};
  EXPECT_EQ(s.Log(), expected);
}

TEST(BoxWhiskerTest, EachSeriesIsReadOverItsOwnPointCount) {
  CGraph g;
  g.plotLeftX = 0;
  g.plotBaseY = 300;
  g.plotWidth = 300;
  g.plotHeight = 110;
  AddSeries(g, {1, 2, 3, 4, 5, 6});
  AddSeries(g, {});
  AddSeries(g, {7, 9});
  ASSERT_EQ(g.seriesSize, 6);
  RecordingSurface s;
  g.DrawBoxWhiskers(s);
  // The empty series draws nothing; its slot stays free.
  const auto rectangles = s.Log("Rectangle");
  ASSERT_EQ(rectangles.size(), 8u);
  EXPECT_EQ(rectangles[4], "Rectangle(210, 291, 290, 294)");  // third slot, maximum 9
  EXPECT_EQ(rectangles[7], "Rectangle(210, 291, 290, 293)");  // box from 7 to 9
  // While drawing, seriesSize follows the series drawn: the last one's count.
  EXPECT_EQ(g.seriesSize, 2);
}

TEST(BoxWhiskerTest, NoSeriesDrawsNothing) {
  CGraph g;
  g.graphType = GRAPH_BOX_WHISKER;
  g.plotWidth = 300;
  g.plotHeight = 200;
  RecordingSurface s;
  g.DrawByKind(s);
  EXPECT_TRUE(s.Log().empty());
}

TEST(BoxWhiskerTest, DegenerateScalesAndLayoutsDrawWithoutFailing) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  struct Case {
    const char* what;
    std::int32_t left, base, width, height, minTick, maxTick;
    const char* firstRectangle;
  };
  const Case cases[] = {
      {"empty range: all at the axis start", 0, 300, 100, 110, 5, 5, "Rectangle(10, 300, 90, 303)"},
      {"reversed range", 0, 300, 100, 110, 100, 0, nullptr},
      {"extreme layout", kMax, kMin, kMax, kMin, kMin, kMax, nullptr},
      {"extreme negative layout", kMin, kMax, kMin, kMax, kMax, kMin, nullptr},
  };
  for (std::uint32_t vertical : {1u, 0u}) {
    for (const Case& c : cases) {
      CGraph g;
      g.isVertical = vertical;
      g.plotLeftX = c.left;
      g.plotBaseY = c.base;
      g.plotWidth = c.width;
      g.plotHeight = c.height;
      g.minTick = c.minTick;
      g.maxTick = c.maxTick;
      AddSeries(g, {std::numeric_limits<float>::infinity(), 3e38f, 12, std::nanf("")});
      RecordingSurface s;
      g.DrawBoxWhiskers(s);
      const auto rectangles = s.Log("Rectangle");
      ASSERT_EQ(rectangles.size(), 4u) << c.what;
      if (vertical == 1 && c.firstRectangle) {
        EXPECT_EQ(rectangles[0], c.firstRectangle) << c.what;
      }
    }
  }
}

}  // namespace
}  // namespace tessaloom
