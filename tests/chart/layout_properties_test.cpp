// Layout rules that must hold for every chart, checked over many generated
// charts drawn whole on the recording surface: every point and label where
// its axis says, inside the canvas, and no text over other text.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
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

// The whole numbers of a log line, e.g. {76, 197, 82, 203} of "Ellipse(76, 197, 82, 203)";
// a text's own characters are not read.
std::vector<int> Numbers(const std::string& line) {
  std::vector<int> numbers;
  const char* p = line.c_str();
  const char* end = p + std::min(line.find('"'), line.size());
  while (p < end) {
    char* next = nullptr;
    const long n = std::strtol(p, &next, 10);
    if (next != p && (std::isdigit(static_cast<unsigned char>(*p)) || *p == '-')) {
      numbers.push_back(static_cast<int>(n));
      p = next;
    } else {
      ++p;
    }
  }
  return numbers;
}

// A chart drawn whole at `width` x 350: the model as the drawer saw it, the
// whole log, and the drawer's calls alone.
struct Drawn {
  CGraph g;
  std::vector<std::string> whole, drawer;
};

Drawn DrawWhole(const Chart& c, std::int32_t width) {
  Drawn d{Model(c), {}, {}};
  d.g.SetGraphWidth(width);
  RecordingSurface whole, drawer;
  d.g.DrawGraph(whole);
  d.g.DrawByKind(drawer);
  d.whole = whole.Log();
  d.drawer = drawer.Log();
  return d;
}

// y of the TextOut of `text`; -1 when it is not drawn.
int TextY(const std::vector<std::string>& log, const std::string& text) {
  for (const std::string& line : log) {
    if (line.starts_with("TextOut(") && line.ends_with(", \"" + text + "\")")) {
      return Numbers(line)[1];
    }
  }
  return -1;
}

std::vector<std::vector<float>> OneValueEach(int count, int (*value)(int)) {
  std::vector<std::vector<float>> series;
  for (int k = 0; k < count; ++k) series.push_back({static_cast<float>(value(k))});
  return series;
}

// Every value of a 3D line chart is drawn, at the centre of its category
// (under its label, centred at 8 pixels a character), inside the front plane.
TEST(LayoutPropertiesTest, ThreeDLinePointsStandOverTheirLabelsInsideThePlot) {
  for (const int count : {1, 2, 3, 7, 26, 51, 100, 256}) {
    for (const std::int32_t width : {220, 500, 900}) {
      const Drawn d = DrawWhole({.kind = GRAPH_3D_LINE,
                                 .series = OneValueEach(count, [](int k) { return k * 37 % 101; }),
                                 .maxTick = 110,
                                 .stage = Stage::kWhole},
                                width);
      const CGraph& g = d.g;
      // Each point's end line runs from its front point back across the depth.
      std::vector<Point> points;
      Point at;
      bool wide_pen = false;
      for (const std::string& line : d.drawer) {
        const std::vector<int> n = Numbers(line);
        if (line.starts_with("SelectPen(")) wide_pen = n[0] == 2;
        if (line.starts_with("MoveTo(")) at = {n[0], n[1]};
        if (line.starts_with("LineTo(") && wide_pen && n[0] - at.x == g.depth3D &&
            at.y - n[1] == g.depth3D && (points.empty() || points.back() != at)) {
          points.push_back(at);
        }
      }
      // Category labels, one character each, in order under the base line.
      std::vector<int> label_x;
      for (const std::string& line : d.whole) {
        const std::vector<int> n = Numbers(line);
        if (line.starts_with("TextOut(") && n[1] == g.plotBaseY + 8) label_x.push_back(n[0]);
      }
      const std::string where = std::to_string(count) + " values at width " + std::to_string(width);
      ASSERT_EQ(points.size(), static_cast<std::size_t>(count)) << where;
      ASSERT_EQ(label_x.size(), points.size()) << where;
      std::size_t k = 0;
      for (const Point p : points) {
        EXPECT_EQ(p.x, label_x[k++] + 4) << where << ", value " << k;
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
      std::vector<std::vector<float>> series;
      for (int v = low; v <= high; v += step) series.push_back({static_cast<float>(v)});
      const Drawn d = DrawWhole({.kind = GRAPH_LINE,
                                 .series = series,
                                 .minTick = low,
                                 .maxTick = high,
                                 .step = step,
                                 .vertical = 0,
                                 .stage = Stage::kWhole},
                                width);
      // The tick under a value label: the last vertical line drawn before it.
      std::map<std::string, int> tick_x;
      int last_x = -1;
      for (const std::string& line : d.whole) {
        const std::vector<int> n = Numbers(line);
        if (line.starts_with("MoveTo(")) last_x = n[0];
        if (line.starts_with("LineTo(") && n[0] != last_x) last_x = -1;
        if (line.starts_with("TextOut(") && n[1] == d.g.plotBaseY + 8) {
          tick_x[line.substr(line.find('"'))] = last_x;
        }
      }
      std::size_t k = 0;
      for (const std::string& line : d.drawer) {
        if (!line.starts_with("Ellipse(")) continue;
        const std::vector<int> n = Numbers(line);
        const std::string value = "\"" + std::to_string(low + static_cast<int>(k++) * step) + "\")";
        EXPECT_EQ((n[0] + n[2]) / 2, tick_x.at(value)) << value << " at width " << width;
      }
      EXPECT_EQ(k, series.size());
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
      const Drawn d =
          DrawWhole({.kind = kind,
                     .series = OneValueEach(count, [](int k) { return 10 + k * 7 % 80; }),
                     .vertical = 0,
                     .stage = Stage::kWhole},
                    500);
      std::size_t k = 0;
      for (const std::string& line : d.drawer) {
        if (!line.starts_with("Rectangle(")) continue;
        const std::vector<int> n = Numbers(line);
        const std::string label = d.g.seriesList[k++]->GetLabel();
        EXPECT_NEAR(TextY(d.whole, label) + half_label, (n[1] + n[3]) / 2, 1)
            << "kind " << kind << ", " << count << " categories, label " << label;
      }
      EXPECT_EQ(k, static_cast<std::size_t>(count));
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
        for (const std::int32_t quadrant : {1, 3}) {
          Chart c{.kind = kind, .vertical = vertical, .quadrant = quadrant};
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
}

// === Legend and margins ===

// === Pies ===

}  // namespace
}  // namespace tessaloom
