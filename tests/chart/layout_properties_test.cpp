// Layout rules that must hold for every chart, checked over many generated
// charts drawn whole on the recording surface: every point and label where
// its axis says, inside the canvas, and no text over other text.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "chart_test_support.h"

namespace tessaloom {
namespace {

using chart_test::Chart;
using chart_test::Model;
using chart_test::Stage;

// === Lines and 3D frames ===

// The numbers of a log line before any text: {76, 197, 82, 203} of "Ellipse(76, 197, 82, 203)".
std::vector<int> Numbers(std::string line) {
  line.resize(std::min(line.find('"'), line.size()));
  for (char& c : line) c = std::isdigit(static_cast<unsigned char>(c)) || c == '-' ? c : ' ';
  std::istringstream in(line);
  std::vector<int> numbers;
  for (int n = 0; in >> n;) numbers.push_back(n);
  return numbers;
}

// A chart drawn whole at `width` x 350: the model as its drawer saw it, the
// whole log, and the numbers of each of the drawer's `shape` calls.
struct Drawn {
  CGraph g;
  std::vector<std::string> whole;
  std::vector<std::vector<int>> shapes;
};

Drawn DrawWhole(const Chart& c, std::int32_t width, const std::string& shape) {
  Drawn d{Model(c), {}, {}};
  d.g.SetGraphWidth(width);
  RecordingSurface whole, drawer;
  d.g.DrawGraph(whole);
  d.g.DrawByKind(drawer);
  d.whole = whole.Log();
  for (const std::string& line : drawer.Log()) {
    if (line.starts_with(shape + "(")) d.shapes.push_back(Numbers(line));
  }
  return d;
}

std::vector<std::vector<float>> OneValueEach(int count, int (*value)(int)) {
  std::vector<std::vector<float>> series;
  for (int k = 0; k < count; ++k) series.push_back({static_cast<float>(value(k))});
  return series;
}

// Every value of a 3D line chart is drawn, inside the front plane, at the
// centre of its category's one-character label (8 pixels a character).
TEST(LayoutPropertiesTest, ThreeDLinePointsStandOverTheirLabelsInsideThePlot) {
  for (const int count : {1, 2, 3, 7, 26, 51, 100, 256}) {
    for (const std::int32_t width : {220, 500, 900}) {
      Chart c{.kind = GRAPH_3D_LINE, .maxTick = 110, .stage = Stage::kWhole};
      c.series = OneValueEach(count, [](int k) { return k * 37 % 101; });
      RecordingSurface s;
      CGraph g = Model(c);
      g.SetGraphWidth(width);
      g.DrawGraph(s);
      // A point's end line runs from it across the depth (a 2-pixel pen).
      std::vector<Point> points;
      std::vector<int> label_x;
      Point at;
      bool wide = false;
      for (const std::string& line : s.Log()) {
        const std::vector<int> n = Numbers(line);
        if (line.starts_with("SelectPen(")) wide = n[0] == 2;
        if (line.starts_with("MoveTo(")) at = {n[0], n[1]};
        if (line.starts_with("LineTo(") && wide && n[0] - at.x == g.depth3D &&
            at.y - n[1] == g.depth3D && (points.empty() || points.back() != at)) {
          points.push_back(at);
        }
        if (line.starts_with("TextOut(") && n[1] == g.plotBaseY + 8) label_x.push_back(n[0]);
      }
      const std::string where = std::to_string(count) + " values at width " + std::to_string(width);
      ASSERT_EQ(points.size(), static_cast<std::size_t>(count)) << where;
      ASSERT_EQ(label_x.size(), points.size()) << where;
      for (std::size_t k = 0; k < points.size(); ++k) {
        const Point p = points[k];
        EXPECT_EQ(p.x, label_x[k] + 4) << where << ", value " << k;
        EXPECT_TRUE(p.x >= g.plotLeftX && p.x <= g.plotLeftX + g.plotWidth && p.y <= g.plotBaseY &&
                    p.y >= g.plotBaseY - g.plotHeight)
            << where << ", value " << k << " at " << p.x << ", " << p.y;
      }
    }
  }
}

// A horizontal line chart's markers for the labelled values stand on those
// labels' ticks, whatever the plot width and the scale.
TEST(LayoutPropertiesTest, HorizontalLineMarkersStandOnTheirValueTicks) {
  const std::tuple<int, int, int> scales[] = {{0, 50, 5}, {0, 100, 10}, {-20, 30, 5}, {0, 7, 1}};
  for (const auto& [low, high, step] : scales) {
    for (std::int32_t width = 300; width <= 900; width += 61) {
      Chart c{.kind = GRAPH_LINE, .minTick = low, .maxTick = high, .step = step, .vertical = 0};
      c.stage = Stage::kWhole;
      for (int v = low; v <= high; v += step) c.series.push_back({static_cast<float>(v)});
      const Drawn d = DrawWhole(c, width, "Ellipse");
      // A value label's tick: the vertical line drawn just before it.
      std::map<int, int> tick_x;
      std::vector<int> last;
      for (const std::string& line : d.whole) {
        const std::vector<int> n = Numbers(line);
        if (line.starts_with("TextOut(") && n[1] == d.g.plotBaseY + 8 && last.size() == 2) {
          tick_x[std::stoi(line.substr(line.find('"') + 1))] = last[0];
        }
        if (line.starts_with("MoveTo(") || line.starts_with("LineTo(")) last = n;
      }
      ASSERT_EQ(d.shapes.size(), c.series.size());
      for (std::size_t k = 0; k < d.shapes.size(); ++k) {
        const int value = low + static_cast<int>(k) * step;
        EXPECT_EQ((d.shapes[k][0] + d.shapes[k][2]) / 2, tick_x.at(value))
            << value << " at width " << width;
      }
    }
  }
}

// Category labels of horizontal charts, flat or 3D, stand level with the
// middle of their bars.
TEST(LayoutPropertiesTest, HorizontalCategoryLabelsStandBesideTheirBars) {
  RecordingSurface metrics;
  metrics.SelectFont(Font::Chart(16));
  const int half_label = metrics.GetTextMetrics().height / 2;
  for (const std::uint32_t kind :
       {GRAPH_BAR, GRAPH_STACKED_BAR, GRAPH_3D_BAR, GRAPH_3D_STACKED_BAR}) {
    for (const int count : {1, 2, 5, 17}) {
      Chart c{.kind = kind, .vertical = 0, .stage = Stage::kWhole};
      c.series = OneValueEach(count, [](int k) { return 10 + k * 7 % 80; });
      const Drawn d = DrawWhole(c, 500, "Rectangle");
      ASSERT_EQ(d.shapes.size(), static_cast<std::size_t>(count));
      for (std::size_t k = 0; k < d.shapes.size(); ++k) {
        const std::string label = "\"" + d.g.seriesList[k]->GetLabel() + "\")";
        const auto text = std::find_if(d.whole.begin(), d.whole.end(), [&](const std::string& l) {
          return l.starts_with("TextOut(") && l.ends_with(label);
        });
        ASSERT_NE(text, d.whole.end()) << label;
        EXPECT_NEAR(Numbers(*text)[1] + half_label, (d.shapes[k][1] + d.shapes[k][3]) / 2, 1)
            << "kind " << kind << ", " << count << " categories, label " << label;
      }
    }
  }
}

// However crowded, a flat bar shows its own colour over at least half its
// thickness: the dark outline gives way on thin bars.
TEST(LayoutPropertiesTest, ThinBarsKeepTheirColour) {
  const std::pair<int, int> tables[] = {{8, 30}, {4, 12}, {2, 40}, {60, 1}, {256, 3}, {3, 5}};
  for (const std::uint32_t kind : {GRAPH_BAR, GRAPH_STACKED_BAR}) {
    for (const std::uint32_t vertical : {0u, 1u}) {
      for (const auto& [groups, slots] : tables) {
        Chart c{.kind = kind, .vertical = vertical, .quadrant = (groups + slots) % 2 ? 3 : 1};
        for (int k = 0; k < groups; ++k) {
          c.series.emplace_back();
          for (int j = 0; j < slots; ++j) c.series.back().push_back((k + j) % 2 ? 20.0f : -20.0f);
        }
        CGraph g = Model(c);
        RecordingSurface s;
        g.DrawByKind(s);
        std::string pen, brush;
        for (const std::string& line : s.Log()) {
          if (line.starts_with("SelectPen(1, ")) pen = line.substr(13, 7);
          if (line.starts_with("SelectBrush(")) brush = line.substr(12, 7);
          if (!line.starts_with("Rectangle(")) continue;
          const std::vector<int> n = Numbers(line);
          const int thickness = std::abs(vertical ? n[2] - n[0] : n[3] - n[1]);
          EXPECT_TRUE(pen == brush || 2 * (thickness - 2) >= thickness)
              << line << " in " << brush << " outlined " << pen << ": kind " << kind << ", "
              << groups << " x " << slots << (vertical ? " vertical" : " horizontal");
        }
      }
    }
  }
}

// === Legend and margins ===

// === Pies ===

}  // namespace
}  // namespace tessaloom
