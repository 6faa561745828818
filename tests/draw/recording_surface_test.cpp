#include "draw/recording_surface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "draw/text_metrics.h"

namespace tessaloom {
namespace {

TEST(RecordingSurfaceTest, LogsEveryDrawingCallWithItsArguments) {
  RecordingSurface s;
  const Point triangle[] = {{0, 4}, {4, 4}, {4, 0}};
  s.Rectangle(10, 10, 14, 13);
  s.FillSolidRect(5, 5, 3, 2, 0x0000FF);
  s.Polygon(triangle);
  s.FillPolygon(triangle, Brush{0x00FF00});
  s.Pie(0, 0, 11, 11, {0, 5}, {10, 5});
  s.Ellipse(0, 0, 6, 6);
  s.MoveTo(1, 2);
  s.LineTo(-3, 4);
  s.TextOut(7, 8, "Jan");
  const std::vector<std::string> expected = {
      "Rectangle(10, 10, 14, 13)",
      "FillSolidRect(5, 5, 3, 2, #0000FF)",
      "Polygon((0, 4), (4, 4), (4, 0))",
      "FillPolygon((0, 4), (4, 4), (4, 0); #00FF00)",
      "Pie(0, 0, 11, 11, 0, 5, 10, 5)",
      "Ellipse(0, 0, 6, 6)",
      "MoveTo(1, 2)",
      "LineTo(-3, 4)",
      "TextOut(7, 8, \"Jan\")",
  };
  EXPECT_EQ(s.Log(), expected);
  EXPECT_EQ(s.Log("TextOut"), std::vector<std::string>{"TextOut(7, 8, \"Jan\")"});
  EXPECT_EQ(s.Log("Text"), std::vector<std::string>{});
}

TEST(RecordingSurfaceTest, StartsInTheStateOfANewCanvas) {
  RecordingSurface s;
  EXPECT_EQ(s.CurrentPen(), (Pen{1, 0x000000}));
  EXPECT_EQ(s.CurrentBrush(), (Brush{0xFFFFFF}));
  EXPECT_EQ(s.CurrentFont(), Font::System());
  EXPECT_EQ(s.TextColor(), 0x000000u);
  EXPECT_EQ(s.GetBkColor(), 0xFFFFFFu);
  EXPECT_EQ(s.CurrentPosition(), (Point{0, 0}));
}

TEST(RecordingSurfaceTest, SelectsReturnWhatTheyReplacedAndAreLogged) {
  RecordingSurface s;
  const Pen old_pen = s.SelectPen(Pen{2, 0x0000FF});
  const Brush old_brush = s.SelectBrush(Brush{0x123456});
  const Font old_font = s.SelectFont(Font::Chart(12, 900, 17));
  EXPECT_EQ(old_pen, (Pen{1, 0}));
  EXPECT_EQ(old_brush, (Brush{0xFFFFFF}));
  EXPECT_EQ(old_font, Font::System());
  EXPECT_EQ(s.SelectPen(old_pen), (Pen{2, 0x0000FF}));
  EXPECT_EQ(s.SelectBrush(old_brush), (Brush{0x123456}));
  EXPECT_EQ(s.SelectFont(old_font), Font::Chart(12, 900, 17));
  EXPECT_EQ(s.CurrentPen(), old_pen);
  const std::vector<std::string> expected = {
      "SelectPen(2, #0000FF)", "SelectBrush(#123456)", "SelectFont(Chart 12, 900, 17)",
      "SelectPen(1, #000000)", "SelectBrush(#FFFFFF)", "SelectFont(System)"};
  EXPECT_EQ(s.Log(), expected);
}

TEST(RecordingSurfaceTest, ColourStateFollowsTheCalls) {
  RecordingSurface s;
  EXPECT_EQ(s.SetTextColor(0x00FF00), 0x000000u);
  EXPECT_EQ(s.SetBkColor(0x0000FF), 0xFFFFFFu);
  s.FillSolidRect(0, 0, 0, 0, 0xABCDEF);  // paints nothing, still sets the background
  EXPECT_EQ(s.GetBkColor(), 0xABCDEFu);
  EXPECT_EQ(s.TextColor(), 0x00FF00u);
  s.MoveTo(3, 4);
  s.LineTo(5, 6);
  EXPECT_EQ(s.CurrentPosition(), (Point{5, 6}));
}

TEST(RecordingSurfaceTest, MetricsFollowTheSelectedFont) {
  RecordingSurface standard;
  standard.SelectFont(Font::Chart(12));
  EXPECT_EQ(standard.GetTextMetrics(), StandardTextMetrics(Font::Chart(12)));

  RecordingSurface custom([](const Font& f) { return TextMetrics{f.height, 0, 0, 7, 16}; });
  custom.SelectFont(Font::Chart(22));
  EXPECT_EQ(custom.GetTextMetrics().height, 22);
  EXPECT_EQ(custom.GetTextMetrics().maxCharWidth, 16);
  EXPECT_TRUE(custom.Log("GetTextMetrics").empty());
}

}  // namespace
}  // namespace tessaloom
