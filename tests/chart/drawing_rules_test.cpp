// The drawing rules, each pinned by the few recorded lines that carry its numbers; unless a row
// says otherwise the plot is 300 x 200 from (50, 250), 0..100 in ten ticks, depth 10.
#include "chart_test_support.h"

namespace tessaloom {
namespace {

using enum GraphType;
using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers
using enum Stage;

TEST(DrawingRulesTest, FrameAndLegend) {
  // Legend box 18 x 3 + 26 high, centred; right at 490, left 3 x trunc(12 x 0.66) + 25
  // further; a box under 50 wide gets a 6-pixel margin; swatches 6 a character + 10 on.
  const Chart three{
      .kind = kPie, .series = {{1, 1, 2}}, .legend = {"Jan", "Feb", "Mar"}, .stage = kWhole};
  ExpectRules({
      {"a long title shrinks by 2 until it fits",
       {.title = std::string(100, 't'), .stage = kWhole},
       "SelectFont(Chart 8, 0, 16)"},
      // Pies: plot 485 x 300 from x 5; radius (300 - 3 x 25) / 3, label 1.5 r + 15 + 22 below.
      {"pie layout", {.kind = kPie, .series = {{1}}, .stage = kWhole}, "TextOut(243, 329, \"A\")"},
      {"legend box and heading", three,
       "Rectangle(438, 135, 496, 215)|SelectFont(Chart 16, 0, 16)|TextOut(444, 138, \"Legend\")"},
      {"legend rows and swatches", three, "SelectBrush(#AAF3F3)|Rectangle(472, 178, 485, 190)"},
      // At most a third of the width (165), the text cut to fit.
      {"a wide legend box keeps 2",
       {.kind = kPie, .series = {{1}}, .legend = {std::string(19, 'w')}, .stage = kWhole},
       "Rectangle(323, 153, 492, 197)"},
  });
}

TEST(DrawingRulesTest, Axes) {
  // -25..10 in 12 ticks of 3, 15 pixels apart: zero 40 below the middle; down from 10, up from
  // -25, "0" where the ticks put it, its neighbours left out.
  const Chart negative{.minTick = -25, .maxTick = 10, .quadrant = 3, .stage = kAxes};
  ExpectRules({
      // One interval of (200 - 10) / 1; labels 6 a character + 10 left of the axis.
      {"value ticks",
       {.step = 100, .stage = kAxes},
       "LineTo(53, 60)|SelectFont(Chart 12, 0, 16)|TextOut(22, 54, \"100\")"},
      {"titles",
       {.xLabel = "Month", .yLabel = "Units", .stage = kAxes},
       "TextOut(10, 165, \"Units\")|SelectFont(Chart 16, 0, 16)|TextOut(188, 330, \"Month\")"},
      {"the longer side's title shrinks",
       {.yLabel = std::string(50, 'y'), .stage = kAxes},
       "SelectFont(Chart 14, 900, 16)"},
      {"negative values", negative, "MoveTo(50, 390)|LineTo(50, 190)"},
      {"negative tick labels", negative, "TextOut(28, 284, \"-8\")|TextOut(34, 244, \"0\")"},
  });
}

TEST(DrawingRulesTest, Box3D) {
  // Depth 200 x 0.05 = 10, ticks 2 out; the front plane shrinks to 290 x 190.
  const Chart box{.kind = k3DBar, .series = {{1}, {1}}, .stage = kAxes};
  ExpectRules({
      {"edges", box,
       "MoveTo(60, 240)|LineTo(60, 50)|MoveTo(60, 240)|LineTo(350, 240)|"
       "MoveTo(50, 252)|LineTo(50, 60)|MoveTo(48, 250)|LineTo(340, 250)"},
      {"value ticks 19 apart run back",
       {.kind = k3DBar, .grid = 1, .stage = kAxes},
       "MoveTo(48, 231)|LineTo(50, 231)|SelectPen(1, #000000)|"
       "MoveTo(50, 231)|LineTo(60, 221)|LineTo(350, 221)"},
      {"category ticks at slot ends", box, "MoveTo(195, 252)|LineTo(195, 250)|LineTo(205, 240)"},
      {"background with its notches",
       {.kind = k3DBar, .back = true, .stage = kAxes},
       "FillPolygon((50, 60), (60, 60), (60, 50); #3366CC)|"
       "FillPolygon((340, 250), (340, 240), (350, 240); #3366CC)|SetBkColor(#FFFFFF)"},
  });
}

TEST(DrawingRulesTest, Bars) {
  ExpectRules({
      // Groups of 150 with bars of 30; -1 leaves its slot empty; slot 2 takes colour 2.
      {"clusters",
       {.series = {{10, -1, 30}, {40, 50, 60}}},
       "SelectBrush(#FF9898)|Rectangle(140, 193, 170, 250)"},
      {"a tiny value keeps one unit", {.series = {{0.01f}}}, "Rectangle(110, 249, 290, 250)"},
      {"crowded bars keep a pixel, in their colour alone",
       {.series = std::vector(8, std::vector(30, 10.0f))},
       "SelectPen(1, #562C87)|Rectangle(54, 231, 55, 250)"},
      // Horizontal: 2.9 a unit, rows of 200, slots run down.
      {"horizontal", {.series = {{10, 20}}, .vertical = 0}, "Rectangle(50, 150, 108, 210)"},
      {"stacks",
       {.kind = kStackedBar, .series = {{10, -2, 20}}},
       "SelectBrush(#FF9898)|Rectangle(110, 193, 290, 231)"},
      // 3D: 2 a unit upright; the side 35 darker, the lid 35 lighter, depth 10.
      {"3D lying bars: slot 0 lowest, the lid in shadow",
       {.kind = k3DBar, .series = {{50, 20}}, .vertical = 0},
       "SelectPen(1, #330964)|Polygon((50, 150), (195, 150), (205, 140), (60, 140))"},
      {"3D stacks",
       {.kind = k3DStackedBar, .series = {{10, 20}}},
       "SelectPen(1, #AAF3F3)|Rectangle(80, 190, 320, 230)"},
  });
}

TEST(DrawingRulesTest, Lines) {
  ExpectRules({
      // Slots of 150, 1.9 a unit; segments raised a pixel from rim to just short of the marker.
      {"markers and segments",
       {.kind = kLine, .series = {{10}, {30}}},
       "Ellipse(122, 228, 128, 234)|SelectBrush(#FFFFFF)|SelectBrush(#562C87)|"
       "SelectPen(1, #562C87)|MoveTo(127, 230)|LineTo(272, 192)"},
      {"tiny value", {.kind = kLine, .series = {{0.01f}}}, "Ellipse(197, 246, 203, 252)"},
      // 3D: points at the slot centres, 2 a unit; two lines share the depth, line 0 deepest.
      {"3D ribbon",
       {.kind = k3DLine, .series = {{10, 40}, {30, 20}}},
       "MoveTo(135, 220)|LineTo(285, 180)|MoveTo(130, 225)|LineTo(280, 185)"},
      {"3D at 45 degrees an end line, no face",
       {.kind = k3DLine, .series = {{0}, {50}, {50}}},
       "MoveTo(210, 140)|LineTo(200, 150)|SelectPen(1, #000000)|SelectPen(2, #000000)"},
  });
}

TEST(DrawingRulesTest, Pies) {
  // Radius (200 - 3 x 25) / 3 = 41 about (200, 130); values 1, 1, 2 end at 90, 180, 360.
  const Chart pie{.kind = kPie, .series = {{1, 1, 2}}};
  ExpectRules({
      {"a left label ends 5 before its line's end", pie,
       "LineTo(151, 178)|TextOut(119, 178, \"25%\")"},
      {"rounded percent", {.kind = kPie, .series = {{1, 2}}}, "TextOut(246, 52, \"67%\")"},
      {"3D truncates", {.kind = k3DPie, .series = {{1, 2}}}, "TextOut(246, 52, \"66%\")"},
  });
}

}  // namespace
}  // namespace tessaloom
