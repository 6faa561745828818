// Layout rules that must hold for every chart, checked over many generated
// charts drawn whole on the recording surface: every point and label where
// its axis says, inside the canvas, and no text over other text.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numbers>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "chart/layout.h"
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

// Every value of a 3D line chart is drawn, inside the front plane, and each
// category label drawn (crowded axes leave some out) is centred on a value's
// point (one-character labels, 8 pixels a character).
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
      ASSERT_FALSE(label_x.empty()) << where;
      std::set<int> point_x;
      for (const Point p : points) point_x.insert(p.x);
      for (const int x : label_x) EXPECT_TRUE(point_x.contains(x + 4)) << where << ", label " << x;
      for (std::size_t k = 0; k < points.size(); ++k) {
        const Point p = points[k];
        EXPECT_TRUE(p.x >= g.plotLeftX && p.x <= g.plotLeftX + g.plotWidth && p.y <= g.plotBaseY &&
                    p.y >= g.plotBaseY - g.plotHeight)
            << where << ", value " << k << " at " << p.x << ", " << p.y;
      }
    }
  }
}

// A bar or marker of a labelled tick value ends on that label's tick, flat
// and 3D, upright and lying, whatever the plot size and the scale: the ticks
// stand a whole number of pixels apart, and the values keep to them.
TEST(LayoutPropertiesTest, ValuesStandOnTheTicksThatLabelThem) {
  const std::tuple<int, int, int> scales[] = {{0, 50, 5}, {0, 70, 7}, {10, 120, 11}, {0, 7, 1}};
  const std::pair<std::uint32_t, const char*> kinds[] = {{GRAPH_BAR, "Rectangle"},
                                                         {GRAPH_STACKED_BAR, "Rectangle"},
                                                         {GRAPH_3D_BAR, "Rectangle"},
                                                         {GRAPH_3D_STACKED_BAR, "Rectangle"},
                                                         {GRAPH_LINE, "Ellipse"}};
  for (const auto& [kind, shape] : kinds) {
    for (const std::uint32_t up : {1u, 0u}) {
      for (const auto& [low, high, step] : scales) {
        for (std::int32_t width = 300; width <= 900; width += 61) {
          Chart c{.kind = kind, .minTick = low, .maxTick = high, .step = step, .vertical = up};
          c.stage = Stage::kWhole;
          for (int v = low + step; v <= high; v += step) c.series.push_back({float(v)});
          const Drawn d = DrawWhole(c, width, shape);
          // A value label's tick: the last line across the value axis before it.
          std::map<int, int> tick;
          Point from;
          int last = 0;
          for (const std::string& line : d.whole) {
            const std::vector<int> n = Numbers(line);
            if (line.starts_with("MoveTo(")) from = {n[0], n[1]};
            if (line.starts_with("LineTo(") && (up ? n[1] == from.y : n[0] == from.x)) {
              last = up ? n[1] : n[0];
            }
            const bool value_label = up ? n.size() > 1 && n[0] < d.g.plotLeftX
                                        : n.size() > 1 && n[1] == d.g.plotBaseY + 8;
            int label = 0;
            if (line.starts_with("TextOut(") && value_label &&
                std::sscanf(line.c_str() + line.find('"'), "\"%d\"", &label) == 1) {
              tick[label] = last;
            }
          }
          ASSERT_EQ(d.shapes.size(), c.series.size());
          for (std::size_t k = 0; k < d.shapes.size(); ++k) {
            const int value = low + (static_cast<int>(k) + 1) * step;
            if (!tick.contains(value)) continue;  // a crowded axis left its label out
            const std::vector<int>& s = d.shapes[k];
            const int end = kind == GRAPH_LINE ? (up ? (s[1] + s[3]) / 2 : (s[0] + s[2]) / 2)
                                               : (up ? s[1] : s[2]);
            EXPECT_EQ(end, tick.at(value)) << "kind " << kind << (up ? " upright" : " lying")
                                           << ", " << value << " at width " << width;
          }
        }
      }
    }
  }
}

// Every tick value's length is a whole number of tick steps, for every step
// in pixels and in value units: dividing first (24 / 7 x 7) would fall a
// pixel short on one tick value in thirty.
TEST(LayoutPropertiesTest, TickValuesScaleToWholeTicks) {
  int short_of_their_tick = 0;
  for (int units = 1; units <= 200; ++units) {
    for (int pixels = 1; pixels <= 300; ++pixels) {
      const layout::AxisScale scale = layout::ValueScale(10 * pixels, 0, 10 * units, 10, units);
      for (int i = 0; i <= 10; ++i) {
        short_of_their_tick += TruncateToInt32(scale(i * units)) != i * pixels;
      }
    }
  }
  EXPECT_EQ(short_of_their_tick, 0);
}

// Category labels of horizontal charts, flat or 3D, stand level with the
// middle of their bars (those a crowded axis draws).
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
        if (text == d.whole.end()) continue;
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

// A text's cell as TextOut paints it in the font then selected (escapement
// 900 runs upward from (x, y)), or a rectangle (no text) in the brush then selected.
struct Painted {
  std::int64_t left, top, right, bottom;
  Font font;
  COLORREF brush;
  std::string text;
};

std::vector<Painted> TextsAndRectangles(const std::vector<std::string>& log) {
  RecordingSurface m;
  std::vector<Painted> out;
  int a = 0, b = 0, c = 0, d = 0, n = 0;
  COLORREF brush = 0xFFFFFF;
  for (const std::string& line : log) {
    if (std::sscanf(line.c_str(), "SelectFont(Chart %d, %d, %d)", &a, &b, &c) == 3) {
      m.SelectFont(Font::Chart(a, b, static_cast<std::uint8_t>(c)));
    } else if (std::sscanf(line.c_str(), "SelectBrush(#%x)", &brush) == 1) {
    } else if (std::sscanf(line.c_str(), "Rectangle(%d, %d, %d, %d)", &a, &b, &c, &d) == 4) {
      out.push_back({a, b, c, d, m.CurrentFont(), brush, ""});
    } else if (std::sscanf(line.c_str(), "TextOut(%d, %d, \"%n", &a, &b, &n) == 2) {
      const std::string text = line.substr(std::size_t(n), line.size() - std::size_t(n) - 2);
      const std::int64_t w = m.GetTextExtent(text), h = m.GetTextMetrics().height;
      out.push_back(m.CurrentFont().escapement == 900
                        ? Painted{a, b - w, a + h, b, m.CurrentFont(), brush, text}
                        : Painted{a, b, a + w, b + h, m.CurrentFont(), brush, text});
    }
  }
  return out;
}

// Over legends of many sizes, text lengths and canvases: every row and swatch
// on the canvas, nothing over another or the plot, every item a row or
// counted in the last one, each row in a colour of its own; a chart the
// legend leaves no room fails with the message.
TEST(LegendAndMarginsTest, LegendRowsStayOnTheCanvasBesideThePlot) {
  const std::string names[] = {"Q", "Item ", std::string(60, 'W'), "A rather wordy name, number "};
  for (const auto& [w, h] :
       {std::pair{160, 120}, {300, 200}, {500, 350}, {1000, 300}, {220, 700}}) {
    for (const std::uint32_t items : {1u, 3u, 18u, 30u, 256u}) {
      for (const std::string& name : names) {
        for (const auto& [kind, up] :
             {std::pair{GRAPH_BAR, 1u}, {GRAPH_BAR, 0u}, {GRAPH_PIE, 1u}}) {
          Chart c{.kind = kind, .series = {std::vector<float>(items, 1)}, .vertical = up};
          for (std::uint32_t i = 0; i < items; ++i) c.legend.push_back(name + std::to_string(i));
          c.stage = Stage::kWhole;
          CGraph g = Model(c);
          std::tie(g.graphWidth, g.graphHeight) = std::pair{w, h};
          RecordingSurface s, alone;
          const std::string at = testing::PrintToString(std::tuple{name, items, w, h, kind, up});
          if (!g.DrawGraph(s)) {
            EXPECT_TRUE(kind == GRAPH_PIE ||
                        g.errorText == "The image is too narrow for the chart and its legend")
                << at;
            continue;
          }
          g.DrawLegend(alone);
          const std::vector<Painted> legend = TextsAndRectangles(alone.Log());
          EXPECT_TRUE(g.plotWidth > 0 && g.plotLeftX + g.plotWidth < legend[0].left) << at;
          std::set<COLORREF> colours;
          std::uint32_t rows = 0, more = 0;
          for (std::size_t i = 0; i < legend.size(); ++i) {
            const Painted& d = legend[i];
            EXPECT_TRUE(d.left >= 0 && d.right <= w && d.top >= 0 && d.bottom <= h) << at;
            for (std::size_t j = i + 1; i > 0 && j < legend.size(); ++j) {  // all in box 0, apart
              const Painted& e = legend[j];
              EXPECT_TRUE(d.right <= e.left || e.right <= d.left || d.bottom <= e.top ||
                          e.bottom <= d.top)
                  << at << d.text << " over " << e.text;
            }
            if (d.text.empty() && i > 0) colours.insert(d.brush);
            rows += !d.text.empty() && d.text != "Legend" &&
                    std::sscanf(d.text.c_str(), "and %u more", &more) != 1;
          }
          EXPECT_EQ(std::pair(rows + more, colours.size()), std::pair(items, std::size_t{rows}))
              << at;
        }
      }
    }
  }
}

// Labels beside the left axis, of wide letters or wide negative values, with
// and without the rotated title: each starts clear of the title's band (and
// the canvas edge) and ends clear of the axis; category labels are cut only
// past a third of the canvas width.
TEST(LegendAndMarginsTest, SideLabelsKeepClearOfTheAxisAndTheTitle) {
  const std::vector<std::string> label_sets[] = {
      {"MAXIMUM", "MIN"}, {"WWWWWWWW", "i"}, {std::string(60, 'W')}, {"a", "b", "c"}};
  const std::pair<std::int32_t, std::int32_t> ranges[] = {
      {-12345680, 10}, {-100000, 5}, {-30, 30}, {0, 100000000}};
  for (const auto& [w, h] : {std::pair{500, 350}, {300, 500}, {900, 300}}) {
    for (std::size_t row = 0; row < 4; ++row) {
      for (const std::string& title : {std::string(), std::string("X"), std::string(45, 'x')}) {
        for (std::uint32_t kind : {GRAPH_BAR, GRAPH_3D_BAR, GRAPH_LINE, GRAPH_BOX_WHISKER}) {
          for (std::uint32_t up : {0u, 1u}) {
            const auto& labels = label_sets[row];
            const auto [low, high] = ranges[row];
            CGraph g = Model({.kind = kind,
                              .series = std::vector(labels.size(), std::vector{float(low)}),
                              .minTick = low,
                              .maxTick = high,
                              .vertical = up,
                              .xLabel = up ? "" : title,
                              .yLabel = up ? title : "",
                              .stage = Stage::kWhole});
            for (std::size_t k = 0; k < labels.size(); ++k) g.seriesList[k]->SetLabel(labels[k]);
            std::tie(g.graphWidth, g.graphHeight) = std::pair{w, h};
            RecordingSurface s;
            ASSERT_TRUE(g.DrawGraph(s));
            const std::vector<Painted> drawn = TextsAndRectangles(s.Log());
            std::int64_t title_right = 1;
            for (const Painted& d : drawn) {
              if (d.font.escapement == 900 && !d.text.empty()) title_right = d.right;
            }
            RecordingSurface measure;
            measure.SelectFont(g.CategoryLabelFont());
            std::size_t k = 0;
            for (const Painted& d : drawn) {
              const bool category = d.font.pitchAndFamily == layout::kFixedPitchRoman;
              const bool value = up && d.text.find_first_not_of("-0123456789") == std::string::npos;
              if (d.text.empty() || !(category || value)) continue;
              const std::string at = d.text + " " + title + " kind " + std::to_string(kind);
              EXPECT_GE(d.left, title_right) << at;
              EXPECT_LE(d.right, g.plotLeftX - (category ? layout::kCategoryLabelGap : 0)) << at;
              if (!category) continue;
              const bool wide =
                  measure.GetTextExtent(labels[k]) > g.canvasWidth / layout::kTextShare;
              EXPECT_EQ(d.text != labels[k++], wide) << at;
            }
            EXPECT_EQ(k, up ? 0 : labels.size());
          }
        }
      }
    }
  }
}

// === Tick labels ===

// Axes of many categories and scales on small and large canvases, every
// kind with axes in both orientations: no tick label's cell overlaps
// another's (a crowded axis leaves labels out instead), and every axis keeps
// its first label.
TEST(LayoutPropertiesTest, TickLabelsNeverOverlap) {
  const std::uint32_t kinds[] = {GRAPH_BAR,           GRAPH_LINE,   GRAPH_BOX_WHISKER,
                                 GRAPH_STACKED_BAR,   GRAPH_3D_BAR, GRAPH_3D_LINE,
                                 GRAPH_3D_STACKED_BAR};
  for (const std::uint32_t kind : kinds) {
    for (const std::uint32_t up : {1u, 0u}) {
      for (const int count : {1, 6, 30, 256}) {
        for (const auto& [w, h, low] :
             {std::tuple{160, 120, 0}, {300, 200, -40}, {500, 350, 0}, {900, 260, -7000}}) {
          Chart c{.kind = kind, .minTick = low, .maxTick = 90, .vertical = up};
          c.stage = Stage::kWhole;
          c.series = OneValueEach(count, [](int k) { return 10 + k * 37 % 80; });
          CGraph g = Model(c);
          g.SetGraphWidth(w);
          g.SetGraphHeight(h);
          for (auto& series : g.seriesList) series->SetLabel("Item " + series->GetLabel());
          RecordingSurface s;
          g.DrawGraph(s);
          std::vector<Painted> labels;
          for (const Painted& p : TextsAndRectangles(s.Log())) {
            if (!p.text.empty() && p.font.height == 12 && p.font.escapement == 0) {
              labels.push_back(p);
            }
          }
          const std::string what = "kind " + std::to_string(kind) + (up ? " up, " : " across, ") +
                                   std::to_string(count) + " at " + std::to_string(w);
          EXPECT_GE(labels.size(), 2u) << what;
          for (std::size_t i = 0; i < labels.size(); ++i) {
            for (std::size_t j = i + 1; j < labels.size(); ++j) {
              const Painted &a = labels[i], &b = labels[j];
              EXPECT_FALSE(a.left < b.right && b.left < a.right && a.top < b.bottom &&
                           b.top < a.bottom)
                  << what << ": \"" << a.text << "\" and \"" << b.text << "\"";
            }
          }
        }
      }
    }
  }
}

// === Pies ===

struct Box {
  double l = 0, t = 0, r = 0, b = 0;  // right and bottom exclusive
  bool Meets(const Box& o) const { return l < o.r && o.l < r && t < o.b && o.t < b; }
  bool MeetsDiscIn(const Box& o) const {  // the disc inscribed in o
    const double cx = (o.l + o.r) / 2.0, cy = (o.t + o.b) / 2.0, radius = (o.r - o.l) / 2.0;
    const double dx = std::fmax(std::fmax(l - cx, cx - (r - 1)), 0.0);
    const double dy = std::fmax(std::fmax(t - cy, cy - (b - 1)), 0.0);
    return dx * dx + dy * dy < radius * radius;
  }
};

// Counter-clockwise degrees on screen from the box's centre pixel's radial through (x0, y0) to
// the one through (x1, y1); 360 when they coincide.
double Sweep(const Box& box, double x0, double y0, double x1, double y1) {
  const double cx = box.l + std::floor((box.r - box.l) / 2),
               cy = box.t + std::floor((box.b - box.t) / 2);
  const double a = std::atan2(cy - y1, x1 - cx) - std::atan2(cy - y0, x0 - cx);
  const double degrees = std::fmod(a * 180 / std::numbers::pi + 720, 360);
  return degrees == 0 ? 360 : degrees;
}

// Pies of generated values, with runs of tiny slices among big ones, one to three side by side,
// flat and 3D, on several canvases, with a title and legend or without: each slice spans its
// share of the circle within a degree, and every label lies inside the canvas, clear of every
// other label, pie, text and legend. Pies of up to six slices show every label.
TEST(LayoutPropertiesTest, PieSlicesAndLabels) {
  std::mt19937 random(22);
  const int sizes[][2] = {{500, 350}, {300, 240}, {800, 600}, {640, 280}, {400, 200}};
  for (int n = 0; n < 300; ++n) {
    Chart chart{.kind = n % 2 ? GRAPH_3D_PIE : GRAPH_PIE, .stage = Stage::kWhole};
    std::size_t slices = 0, all = 0;
    for (int k = 0; k <= n / 2 % 3; ++k) {
      const int count = 1 + static_cast<int>(random() % 20), tiny = static_cast<int>(random() % 7);
      std::vector<float> values;
      for (int j = 0; j < count; ++j)
        values.push_back(j % (tiny + 2) ? 1.0f : static_cast<float>(random() % 60 + 1));
      chart.series.push_back(values);
      slices = std::max(slices, values.size());
      all += values.size();
    }
    if (n % 7 < 3) chart.legend = std::vector<std::string>(slices, "Slot");
    if (n % 3 == 0) chart.title = "Shares";
    CGraph g = Model(chart);
    if (n % 4 == 1) {
      for (auto& series : g.seriesList) series->SetLabel("Region " + series->GetLabel());
    }
    g.SetGraphWidth(sizes[n % 5][0]);
    g.SetGraphHeight(sizes[n % 5][1]);
    RecordingSurface s, measure;
    if (!g.DrawGraph(s)) continue;  // no room: the messages are tested through Python
    std::vector<Box> labels, others, discs;
    std::map<std::tuple<double, double, double>, std::map<COLORREF, double>> sweeps;  // by box
    unsigned brush = 0;
    int height, escapement, pitch;
    double l, t, r, b, x0, y0, x1, y1;
    char text[64];
    for (const std::string& line : s.Log()) {
      const char* c = line.c_str();
      if (line == "SelectFont(System)") measure.SelectFont(Font::System());
      if (std::sscanf(c, "SelectFont(Chart %d, %d, %d)", &height, &escapement, &pitch) == 3) {
        measure.SelectFont(Font::Chart(height, escapement, static_cast<std::uint8_t>(pitch)));
      }
      if (std::sscanf(c, "SelectBrush(#%x)", &brush) == 1) continue;
      if (std::sscanf(c, "Rectangle(%lf, %lf, %lf, %lf)", &l, &t, &r, &b) == 4 && l > 0) {
        others.push_back({l, t, r, b});  // the legend: its box and swatches
      }
      if (std::sscanf(c, "Pie(%lf, %lf, %lf, %lf, %lf, %lf, %lf, %lf)", &l, &t, &r, &b, &x0, &y0,
                      &x1, &y1) == 8) {
        discs.push_back({l, t, r, b});
        sweeps[{l, t, r}][brush] += Sweep(discs.back(), x0, y0, x1, y1);
      }
      if (std::sscanf(c, "TextOut(%lf, %lf, \"%63[^\"]", &l, &t, text) == 3) {
        const Box box{l, t, l + measure.GetTextExtent(text), t + measure.GetTextMetrics().height};
        (std::string(text).ends_with('%') ? labels : others).push_back(box);
      }
    }
    const std::string what = "chart " + std::to_string(n);
    std::size_t k = 0;
    for (const auto& [box, colours] : sweeps) {        // top boxes only, left to right
      if (!colours.contains(g.GetColor(0))) continue;  // the wall's ellipse of a 3D pie
      const std::vector<float>& values = chart.series[k++];
      double total = 0;
      for (const float v : values) total += static_cast<double>(v);
      for (std::size_t j = 0; j < values.size(); ++j) {
        const auto found = colours.find(g.GetColor(static_cast<int>(j)));
        const double drawn = found == colours.end() ? 0 : found->second;
        EXPECT_NEAR(drawn, static_cast<double>(values[j]) / total * 360, 1.01)
            << what << " pie " << k << " slot " << j;
      }
    }
    EXPECT_EQ(k, chart.series.size()) << what;
    EXPECT_TRUE(slices > 6 || labels.size() == all) << what;
    for (std::size_t i = 0; i < labels.size(); ++i) {
      const Box& a = labels[i];
      EXPECT_TRUE(a.l >= 1 && a.t >= 1 && a.r < g.graphWidth && a.b < g.graphHeight) << what;
      for (std::size_t j = i + 1; j < labels.size(); ++j) EXPECT_FALSE(a.Meets(labels[j])) << what;
      for (const Box& o : others) EXPECT_FALSE(a.Meets(o)) << what << " label " << i;
      for (const Box& o : discs) EXPECT_FALSE(a.MeetsDiscIn(o)) << what << " label " << i;
    }
  }
}

}  // namespace
}  // namespace tessaloom
