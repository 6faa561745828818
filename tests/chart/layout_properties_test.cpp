// Layout rules over many generated charts drawn whole on the recording surface: every point and
// label where its axis says, inside the canvas, and no text over other text.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numbers>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "chart/layout.h"
#include "chart/modern_theme.h"
#include "chart_test_support.h"

namespace tessaloom {
namespace {

using enum GraphType;
using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

// === Values and category labels ===

// Bar and line charts of 1 to 256 categories: every value inside the plot, on its value tick and
// centred on its category label where drawn; a bar shows its colour over half its thickness.
TEST(LayoutPropertiesTest, ValuesStandOnTheirTicksAndLabelsInsideThePlot) {
  RecordingSurface metrics;
  metrics.SelectFont(Font::Chart(16));
  const int halfTitle = metrics.GetTextMetrics().height / 2;
  const std::tuple<int, int, int> scales[] = {{0, 50, 5}, {0, 70, 7}, {10, 120, 11}, {0, 7, 1}};
  const int counts[] = {1, 2, 3, 7, 10, 26, 51, 100, 256};
  int n = 0;
  for (const GraphType kind : {kBar, kStackedBar, k3DBar, k3DStackedBar, kLine, k3DLine}) {
    for (const std::uint32_t up : {1u, 0u}) {
      for (const auto& [low, high, step] : scales) {
        for (int width = 220; width <= 900; width += 61, ++n) {
          Chart c{.kind = kind, .minTick = low, .maxTick = high, .step = step, .vertical = up};
          std::tie(c.width, c.height) = std::pair{width, 200 + width % 277};
          std::vector<int> values;
          for (int k = 0; k < counts[n % 9]; ++k) {
            values.push_back(low + (1 + k * 3 % ((high - low) / step)) * step);
            c.series.push_back({static_cast<float>(values.back())});
            c.labels.push_back("c" + std::to_string(k));
          }
          const Drawn d = DrawWhole(c);
          const CGraph& g = d.g;
          const bool upright = g.DrawsVertically();
          std::map<int, int> tick;              // a value label's: the last line across before it
          std::map<std::string, int> category;  // a label's middle along its axis
          // A bar's end, a marker's centre, or where a 2-pixel line runs back across the depth.
          std::vector<std::array<int, 2>> points;
          std::array<int, 2> at{};  // the pen's place
          int last = 0, value = 0;
          for (const Call& t : d.calls) {
            const Box& b = t.cell;
            if (t.op == "MoveTo") at = {t.n[0], t.n[1]};
            if (t.op == "LineTo" && t.n[upright] == at[upright]) last = at[upright];
            if (kind == k3DLine && t.op == "LineTo" && t.pen.width == 2 &&
                t.n[0] - at[0] == g.depth3D && at[1] - t.n[1] == g.depth3D &&
                (points.empty() || points.back() != at)) {
              points.push_back(at);
            }
            if (t.op == "Ellipse") points.push_back({(b.l + b.r) / 2, (b.t + b.b) / 2});
            if (t.op == "Rectangle" && b.l > 0) {  // not the canvas border
              points.push_back({upright ? (b.l + b.r) / 2 : b.r, upright ? b.t : (b.t + b.b) / 2});
              const int thickness = upright ? b.r - b.l : b.b - b.t;
              EXPECT_TRUE(t.pen.color == t.brush || 2 * (thickness - 2) >= thickness)
                  << "outlined over its colour " << thickness << " thick, " << n;
            }
            if (t.op != "TextOut") continue;
            const char* end = t.text.data() + t.text.size();
            if ((upright ? t.n[0] < g.plotLeftX : t.n[1] == g.plotBaseY + 8) &&
                std::from_chars(t.text.data(), end, value).ptr == end) {
              tick[value] = last;
            } else {  // placed at 8 pixels a character, or by the bottom title's height
              category[t.text] =
                  upright ? t.n[0] + 4 * static_cast<int>(t.text.size()) : t.n[1] + halfTitle;
            }
          }
          SCOPED_TRACE(
              testing::PrintToString(std::tuple{kind, up, low, high, width, values.size()}));
          ASSERT_EQ(points.size(), values.size());
          const Box plot{g.plotLeftX, g.plotBaseY - g.plotHeight, g.plotLeftX + g.plotWidth + 1,
                         g.plotBaseY + 1};
          for (std::size_t k = 0; k < points.size(); ++k) {
            const auto [x, y] = points[k];
            EXPECT_TRUE(plot.Meets({x, y, x + 1, y + 1})) << k;
            const auto on = tick.find(values[k]);  // a crowded axis leaves labels out
            EXPECT_TRUE(on == tick.end() || on->second == (upright ? y : x)) << k;
            const auto label = category.find(c.labels[k]);
            if (label == category.end()) continue;
            EXPECT_LE(std::abs(label->second - (upright ? x : y)), upright ? 0 : 1) << k;
          }
        }
      }
    }
  }
}

// === Legend and margins ===

// Legends of many sizes on many canvases: rows and swatches on the canvas, apart and beside the
// plot, every item a row or in "and N more", each its own colour; no room fails with the message.
TEST(LegendAndMarginsTest, LegendRowsStayOnTheCanvasBesideThePlot) {
  const std::string names[] = {"Q", "Item ", std::string(60, 'W'), "A rather wordy name, number "};
  for (const auto& [w, h] :
       {std::pair{160, 120}, {300, 200}, {500, 350}, {1000, 300}, {220, 700}}) {
    for (const std::uint32_t items : {1u, 3u, 18u, 30u, 256u}) {
      for (const std::string& name : names) {
        for (const auto& [kind, up] : {std::pair{kBar, 1u}, {kBar, 0u}, {kPie, 1u}}) {
          Chart c{.kind = kind, .series = {std::vector<float>(items, 1)}, .vertical = up};
          for (std::uint32_t i = 0; i < items; ++i) c.legend.push_back(name + std::to_string(i));
          std::tie(c.width, c.height) = std::pair{w, h};
          Drawn d = DrawWhole(c);
          SCOPED_TRACE(testing::PrintToString(std::tuple{name, items, w, h, kind, up}));
          if (!d.drew) {
            EXPECT_TRUE(kind == kPie ||
                        d.g.errorText == "The image is too narrow for the chart and its legend");
            continue;
          }
          RecordingSurface alone;
          d.g.DrawLegend(alone);
          const std::vector<Call> legend = alone.Calls({"TextOut", "Rectangle"});
          EXPECT_TRUE(d.g.plotWidth > 0 && d.g.plotLeftX + d.g.plotWidth < legend[0].cell.l);
          std::set<COLORREF> colours;
          std::uint32_t rows = 0, more = 0;
          for (std::size_t i = 0; i < legend.size(); ++i) {
            const Box& a = legend[i].cell;
            EXPECT_TRUE(a.l >= 0 && a.r <= w && a.t >= 0 && a.b <= h);
            for (std::size_t j = i + 1; i > 0 && j < legend.size(); ++j) {  // all in box 0, apart
              EXPECT_FALSE(a.Meets(legend[j].cell)) << legend[i].text << " over " << legend[j].text;
            }
            const std::string& text = legend[i].text;
            if (text.empty() && i > 0) colours.insert(legend[i].brush);
            rows += !text.empty() && text != "Legend" &&
                    std::sscanf(text.c_str(), "and %u more", &more) != 1;
          }
          EXPECT_EQ(std::pair(rows + more, colours.size()), std::pair(items, std::size_t{rows}));
        }
      }
    }
  }
}

// === Tick labels ===

// No tick label over another, each axis keeps one, labels left of the axis clear the rotated title
// and the axis; category labels are cut only past a third of the canvas width.
TEST(LayoutPropertiesTest, AxisLabelsKeepApartAndClearOfTheAxisAndTheTitle) {
  std::vector<std::string> items;
  for (int k = 0; k < 256; ++k) items.push_back("Item " + std::to_string(k));
  const auto first = [&](int count) { return std::vector(items.begin(), items.begin() + count); };
  const std::tuple<std::vector<std::string>, std::int32_t, std::int32_t> rows[] = {
      {{"MAXIMUM", "MIN"}, -12345680, 10},
      {{"WWWWWWWW", "i"}, -100000, 5},
      {{std::string(60, 'W')}, -30, 30},
      {{"a", "b", "c"}, 0, 100000000},
      {first(1), 0, 90},
      {first(6), -40, 90},
      {first(30), 0, 90},
      {first(256), -7000, 90}};
  const std::string titles[] = {"", "X", std::string(45, 'x')};
  std::size_t n = 0;
  for (const GraphType kind :
       {kBar, kLine, kBoxWhisker, kStackedBar, k3DBar, k3DLine, k3DStackedBar}) {
    for (const std::uint32_t up : {1u, 0u}) {
      for (const auto& [labels, low, high] : rows) {
        for (const auto& [w, h] :
             {std::pair{160, 120}, {300, 200}, {500, 350}, {900, 260}, {300, 500}}) {
          const std::string& title = titles[n++ % 3];
          Chart c{.kind = kind, .labels = labels, .minTick = low, .maxTick = high, .vertical = up};
          for (std::size_t k = 0; k < labels.size(); ++k)
            c.series.push_back({float((k + n) % 3 ? high / 2 : low)});
          std::tie(c.width, c.height, up ? c.yLabel : c.xLabel) = std::tuple{w, h, title};
          const Drawn d = DrawWhole(c);
          ASSERT_TRUE(d.drew);
          SCOPED_TRACE(
              testing::PrintToString(std::tuple{kind, up, labels.size(), low, w, h, title}));
          RecordingSurface measure;
          measure.SelectFont(d.g.CategoryLabelFont());
          const bool upright = d.g.DrawsVertically();
          int titleRight = 1;  // the rotated title comes before the labels
          std::vector<Call> drawn;
          std::vector<std::string> categories;  // in the order drawn
          for (const Call& t : d.calls) {
            if (t.op != "TextOut" || t.text.empty()) continue;
            if (t.font.escapement == 900) titleRight = t.cell.r;
            if (t.font.height != 12 || t.font.escapement != 0) continue;
            for (const Call& other : drawn) {
              EXPECT_FALSE(t.cell.Meets(other.cell)) << t.text << " and " << other.text;
            }
            drawn.push_back(t);
            const bool category = t.font.pitchAndFamily == layout::kFixedPitchRoman;
            const bool value =
                upright && t.text.find_first_not_of("-0123456789") == std::string::npos;
            if (!category && !value) continue;
            EXPECT_GE(t.cell.l, titleRight) << t.text;
            EXPECT_LE(t.cell.r, d.g.plotLeftX - (category ? layout::kCategoryLabelGap : 0));
            if (category) categories.push_back(t.text);
          }
          EXPECT_GE(drawn.size(), 2u);
          EXPECT_EQ(categories.empty(), upright);
          for (std::size_t k = 0; categories.size() == labels.size() && k < labels.size(); ++k) {
            const bool wide =
                measure.GetTextExtent(labels[k]) > d.g.canvasWidth / layout::kTextShare;
            EXPECT_EQ(categories[k] != labels[k], wide) << labels[k];
          }
        }
      }
    }
  }
}

// === Pies ===

// Whether `a` meets the disc inscribed in `o`.
bool MeetsDiscIn(const Box& a, const Box& o) {
  const double cx = (o.l + o.r) / 2.0, cy = (o.t + o.b) / 2.0, radius = (o.r - o.l) / 2.0;
  const double dx = std::max({a.l - cx, cx - (a.r - 1), 0.0});
  const double dy = std::max({a.t - cy, cy - (a.b - 1), 0.0});
  return dx * dx + dy * dy < radius * radius;
}

// Counter-clockwise degrees on screen of a Pie call from its start radial to its end; 360 if equal.
double Sweep(const Call& pie) {
  const std::vector<int>& n = pie.n;
  const double cx = n[0] + (n[2] - n[0]) / 2, cy = n[1] + (n[3] - n[1]) / 2;
  const double a = std::atan2(cy - n[7], n[6] - cx) - std::atan2(cy - n[5], n[4] - cx);
  const double degrees = std::fmod(a * 180 / std::numbers::pi + 720, 360);
  return degrees == 0 ? 360 : degrees;
}

// Generated pies (tiny slices among big ones, one to three side by side): each slice spans its
// share within a degree; labels on the canvas, clear of labels, pies, text, legend; up to six, all.
TEST(LayoutPropertiesTest, PieSlicesAndLabels) {
  std::mt19937 random(22);
  const int sizes[][2] = {{500, 350}, {300, 240}, {800, 600}, {640, 280}, {400, 200}};
  for (int n = 0; n < 300; ++n) {
    Chart chart{.kind = n % 2 ? k3DPie : kPie};
    std::tie(chart.width, chart.height) = std::pair{sizes[n % 5][0], sizes[n % 5][1]};
    std::size_t slices = 0, all = 0;
    for (int k = 0; k <= n / 2 % 3; ++k) {
      const int count = 1 + static_cast<int>(random() % 20), tiny = static_cast<int>(random() % 7);
      std::vector<float> values;
      for (int j = 0; j < count; ++j)
        values.push_back(j % (tiny + 2) ? 1.0f : static_cast<float>(random() % 60 + 1));
      chart.series.push_back(values);
      if (n % 4 == 1) chart.labels.push_back("Region " + std::string(1, char('A' + k)));
      slices = std::max(slices, values.size());
      all += values.size();
    }
    if (n % 7 < 3) chart.legend = std::vector<std::string>(slices, "Slot");
    if (n % 3 == 0) chart.title = "Shares";
    const Drawn d = DrawWhole(chart);
    if (!d.drew) continue;  // no room: the messages are tested through Python
    std::vector<Box> labels, others, discs;
    std::map<Box, std::map<COLORREF, double>> sweeps;  // degrees of each colour, by box
    for (const Call& call : d.calls) {
      const Box& b = call.cell;
      if (call.op == "Rectangle" && b.l > 0) others.push_back(b);  // the legend: box, swatches
      if (call.op == "TextOut") (call.text.ends_with('%') ? labels : others).push_back(b);
      if (call.op != "Pie") continue;
      discs.push_back(b);
      sweeps[b][call.brush] += Sweep(call);
    }
    SCOPED_TRACE("chart " + std::to_string(n));
    std::size_t k = 0;
    for (const auto& [box, colours] : sweeps) {          // top boxes only, left to right
      if (!colours.contains(d.g.GetColor(0))) continue;  // the wall's ellipse of a 3D pie
      const std::vector<float>& values = chart.series[k++];
      double total = 0;
      for (const float v : values) total += static_cast<double>(v);
      for (std::size_t j = 0; j < values.size(); ++j) {
        const auto found = colours.find(d.g.GetColor(static_cast<int>(j)));
        const double drawn = found == colours.end() ? 0 : found->second;
        EXPECT_NEAR(drawn, static_cast<double>(values[j]) / total * 360, 1.01)
            << "pie " << k << " slot " << j;
      }
    }
    EXPECT_EQ(k, chart.series.size());
    EXPECT_TRUE(slices > 6 || labels.size() == all);
    for (std::size_t i = 0; i < labels.size(); ++i) {
      const Box& a = labels[i];
      EXPECT_TRUE(a.l >= 1 && a.t >= 1 && a.r < chart.width && a.b < chart.height);
      for (std::size_t j = i + 1; j < labels.size(); ++j) EXPECT_FALSE(a.Meets(labels[j]));
      for (const Box& o : others) EXPECT_FALSE(a.Meets(o)) << "label " << i;
      for (const Box& o : discs) EXPECT_FALSE(MeetsDiscIn(a, o)) << "label " << i;
    }
  }
}

// === Modern layout ===

// Generated modern charts (bars, stacks, lines, boxes, upright or lying, 1 to 60 categories, 1 to 5
// sets, long labels, negatives, a few NaN and infinities, fixed ends in either order, value labels,
// small canvases): every text inside the canvas and clear of the others and of the bars; everything
// drawn for the data inside the plot; 4 to 8 evenly spaced gridlines that cover automatic data;
// each bar grows from the base line (a stacked segment from the one before it) to its value at one
// scale; a canvas without room fails.
TEST(ModernLayoutTest, TextsKeepApartDataStaysInThePlotAndBarsGrowFromZeroToScale) {
  std::mt19937 random(26);
  for (int n = 0; n < 1200; ++n) {
    const int categories = 1 + static_cast<int>(random() % 60), sets = 1 + n % 5;
    const double magnitude = std::pow(10.0, static_cast<int>(random() % 12) - 4);
    const GraphType kind =
        std::array{kBar, kLine, kStackedBar, kBoxWhisker}[static_cast<std::size_t>(n % 8 / 2)];
    Chart c{.kind = kind, .vertical = n % 2 == 0 ? 1u : 0u};
    c.title = n % 3 == 0 ? "" : "Sales by region";
    c.width = 120 + static_cast<int>(random() % 800),
    c.height = 90 + static_cast<int>(random() % 500);
    c.xLabel = n % 4 == 1 ? "Month" : "", c.yLabel = n % 5 == 2 ? "Revenue in dollars" : "";
    std::vector<double> values;
    for (int k = 0; k < categories; ++k) {
      c.series.emplace_back();
      const bool wordy = n % 7 == 0;
      std::string label(1 + random() % (wordy ? 12 : 6), static_cast<char>('a' + k % 26));
      if (wordy && k % 3 != 0) label += " and " + std::string(random() % 14, 'w');
      c.labels.push_back(label);
      for (int j = 0; j < sets; ++j) {
        const double v = (1.0 + static_cast<double>(random() % 8)) / 8 * magnitude;
        values.push_back(random() % 5 == 0 ? -v : v);
        if (random() % 300 == 0)
          values.back() = std::array<double, 3>{NAN, INFINITY, -INFINITY}[random() % 3];
        c.series.back().push_back(static_cast<float>(values.back()));
      }
    }
    for (int j = 0; j < sets; ++j)
      c.legend.push_back("Region " + std::string(1 + random() % 20, 'x'));
    CGraph g = Model(c);
    g.options.theme = n % 6 == 5 ? Theme::kDark : Theme::kModern;
    g.options.showValues = n % 3 != 2;
    g.options.legendPosition =
        std::array{LegendPosition::kAuto, LegendPosition::kBottom,
                   LegendPosition::kRight}[static_cast<std::size_t>(n % 7 % 3)];
    const unsigned axis = random() % 16;  // 12 and up: fixed ends, 14 and up: min >= max
    const bool automatic = axis < 12;
    if (!automatic) {
      g.options.valueAxisMin = magnitude / 4 * (axis < 15 ? 1 : 2);
      g.options.valueAxisMax = magnitude / 2 * (axis < 14 ? 1 : 0.5);
    }
    RecordingSurface s;
    SCOPED_TRACE(testing::PrintToString(std::tuple{n, kind, c.vertical, c.width, c.height}));
    if (!g.DrawGraph(s)) {
      EXPECT_EQ(g.errorText, "The image is too small for the chart");
      EXPECT_LT(std::min(c.width, c.height), 260);
      continue;
    }
    const bool up = c.vertical == 1;
    const std::size_t along = up ? 1 : 0;  // the value axis's coordinate
    const modern::ThemeColors& colors = modern::ColorsOf(g.options.theme);
    const Box plot{g.plotLeftX, g.plotBaseY - g.plotHeight, g.plotLeftX + g.plotWidth + 1,
                   g.plotBaseY + 1};
    const auto inPlot = [&](const Box& b) {
      return b.l >= plot.l && b.t >= plot.t && b.r <= plot.r && b.b <= plot.b;
    };
    std::vector<Box> texts, bars;
    std::set<int> grid;
    int base = -1;
    bool plotting = false;    // past the legend: the gridlines and the data
    std::array<int, 2> at{};  // the pen's place
    std::vector<std::tuple<COLORREF, std::array<int, 2>, std::array<int, 2>>> strokes;  // lines'
    for (const Call& t : s.Calls()) {
      if (plotting && t.op == "LineTo" && t.pen.round)
        strokes.emplace_back(t.pen.color, at, std::array{t.n[0], t.n[1]});
      if (t.op == "MoveTo" || t.op == "LineTo") at = {t.n[0], t.n[1]};
      if (t.op == "TextOut") texts.push_back(t.cell);
      // A lying chart's category label (8 pixels left of the plot): whole, or cut to a third of
      // the width less a letter, a space and the ellipsis.
      if (t.op == "TextOut" && !up && t.cell.r == plot.l - 8 && t.cell.t > plot.t - 8) {
        const bool whole = std::find(c.labels.begin(), c.labels.end(), t.text) != c.labels.end();
        EXPECT_LE(t.cell.r - t.cell.l, c.width / 3) << t.text;
        EXPECT_TRUE(whole || t.cell.r - t.cell.l > c.width / 3 - 30) << t.text;
      }
      if (t.op == "LineTo" && t.pen.color == colors.grid) grid.insert(t.n[along]), plotting = true;
      if (t.op == "LineTo" && t.pen.color == colors.axis) base = t.n[along];
      if (!plotting || t.pen.color == colors.grid || t.pen.color == colors.axis) continue;
      if (t.op == "MoveTo" || t.op == "LineTo") {
        EXPECT_TRUE(inPlot({t.n[0], t.n[1], t.n[0] + 1, t.n[1] + 1})) << t.line;
      }
      const int x = (t.cell.l + t.cell.r) / 2, y = (t.cell.t + t.cell.b) / 2;  // a marker's centre
      if (t.op == "Ellipse") {
        EXPECT_TRUE(inPlot({x, y, x + 1, y + 1})) << t.line;
      }
      if (t.op == "FillSolidRect") {
        bars.push_back({t.n[0], t.n[1], t.n[0] + t.n[2], t.n[1] + t.n[3]});
        EXPECT_TRUE(inPlot(bars.back())) << t.line;
      }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const Box& b = texts[i];
      EXPECT_TRUE(b.l >= 0 && b.t >= 0 && b.r <= c.width && b.b <= c.height);
      for (std::size_t k = 0; k < i; ++k) EXPECT_FALSE(b.Meets(texts[k])) << i << " " << k;
      for (const Box& o : bars) {  // a stacked segment's value label stands inside it
        const bool inside = b.l >= o.l && b.t >= o.t && b.r <= o.r && b.b <= o.b;
        EXPECT_TRUE(!b.Meets(o) || (kind == kStackedBar && inside)) << i;
      }
    }
    // Fixed ends: a line leaving the plot is cut on its way out, not flattened along the edge.
    const double low = g.options.valueAxisMin, high = g.options.valueAxisMax;
    const double pitch = (up ? g.plotWidth : g.plotHeight) / static_cast<double>(categories);
    for (const auto& [color, from, to] : strokes) {
      if (kind != kLine || !(low < high) || pitch < 4 || from == to) continue;
      int j = 0;
      while (j + 1 < sets && g.GetColor(j) != color) ++j;
      const auto point = [&](int k) {  // category k's point of set j: across, along
        const double share = (values[static_cast<std::size_t>(k * sets + j)] - low) / (high - low);
        return std::array{(up ? plot.l : plot.t) + (k + 0.5) * pitch,
                          up ? plot.b - 1 - share * g.plotHeight : plot.l + share * g.plotWidth};
      };
      const double middle = (from[1 - along] + to[1 - along]) / 2.0 - (up ? plot.l : plot.t);
      const int k =
          std::clamp(static_cast<int>(std::floor(middle / pitch - 0.5)), 0, categories - 2);
      const auto p = point(k), q = point(k + 1);
      for (const std::array<int, 2>& e : {from, to}) {
        const double cross =
            (q[0] - p[0]) * (e[along] - p[1]) - (q[1] - p[1]) * (e[1 - along] - p[0]);
        EXPECT_LE(std::abs(cross) / std::hypot(q[0] - p[0], q[1] - p[1]), 1.0) << k << " " << j;
      }
    }
    const std::vector<int> lines(grid.begin(), grid.end());
    ASSERT_GE(lines.size(), 2u);
    for (std::size_t i = 2; i < lines.size(); ++i)
      EXPECT_NEAR(lines[i] - lines[i - 1], lines[1] - lines[0], 1);
    if (automatic) {
      EXPECT_TRUE(lines.size() >= 4 && lines.size() <= 8) << lines.size();
      for (const Box& b : bars) {
        EXPECT_TRUE(up ? b.t >= lines.front() && b.b <= lines.back() + 1
                       : b.l >= lines.front() && b.r <= lines.back() + 1);
      }
    }
    if (kind != kBar && kind != kStackedBar) continue;
    // Bars: one end on the base line; stacked segments: on it or a gap past their neighbour's.
    const auto ends = [&](const Box& b) { return up ? std::pair{b.t, b.b} : std::pair{b.l, b.r}; };
    for (const Box& b : bars) {
      const auto [lo, hi] = ends(b);
      const bool stacked =
          std::any_of(bars.begin(), bars.end(), [&, lo = lo, hi = hi](const Box& o) {
            const auto [olo, ohi] = ends(o);
            return &o != &b && (up ? o.l == b.l : o.t == b.t) &&
                   (std::abs(lo - ohi) <= 1 || std::abs(hi - olo) <= 1);
          });
      EXPECT_TRUE(lo == base || hi == base || (kind == kStackedBar && stacked)) << lo << " " << hi;
      for (const Box& o : bars) {  // the segments of a stack keep apart
        EXPECT_TRUE(kind == kBar || pitch < 2 || &o == &b || (up ? o.l != b.l : o.t != b.t) ||
                    !o.Meets(b));
      }
    }
    if (!automatic || bars.size() != values.size()) continue;
    const auto longest =
        std::max_element(values.begin(), values.end(),
                         [](double a, double b) { return std::abs(a) < std::abs(b); }) -
        values.begin();
    const auto length = [&](const Box& b) { return up ? b.b - b.t : b.r - b.l; };
    const double scale = length(bars[static_cast<std::size_t>(longest)]) /
                         std::abs(values[static_cast<std::size_t>(longest)]);  // px per unit
    for (std::size_t i = 0; i < bars.size(); ++i) {
      EXPECT_NEAR(length(bars[i]), std::abs(values[i]) * scale, kind == kBar ? 2.0 : 3.0) << i;
    }
  }
}

// === Modern pies ===

// Generated modern pies (1 to 3 series, up to 25 slots with tiny, zero, negative and NaN values,
// long names, every legend position, small canvases): texts on the canvas, clear of each other
// and of the pies; leader lines keep off the pies and texts and do not cross; each positive
// slot's slice spans its share of the positive total; a lone pie is centred across the canvas
// and, when every slice is labelled, its shares add up to 100 %.
TEST(ModernLayoutTest, PieLabelsKeepApartLeadersUncrossedSlicesToScale) {
  std::mt19937 random(2626);
  const float odd[] = {0.0f, -3.0f, std::nanf(""), 0.01f};
  for (int n = 0; n < 1000; ++n) {
    Chart c{.kind = kPie, .title = n % 3 == 0 ? "" : "Share by fruit"};
    c.width = 160 + static_cast<int>(random() % 700),
    c.height = 120 + static_cast<int>(random() % 500);
    const int pies = 1 + (n % 5 == 4) + (n % 10 == 9), slots = 1 + static_cast<int>(random() % 25);
    for (int k = 0; k < pies; ++k) {
      c.series.emplace_back();
      for (int j = 0; j < slots; ++j) {
        const auto r = random() % 10;
        c.series.back().push_back(r < 2 ? odd[random() % 4]
                                        : static_cast<float>(1 + random() % 90));
      }
      c.labels.push_back(k == 0 && n % 7 == 0 ? "" : "Year " + std::to_string(2020 + k));
    }
    for (int j = 0; j < slots; ++j)
      c.legend.push_back(std::string(1 + random() % 14, static_cast<char>('a' + j % 26)));
    CGraph g = Model(c);
    g.options.theme = n % 4 == 3 ? Theme::kDark : Theme::kModern;
    g.options.showValues = n % 3 == 1;
    g.options.legendPosition = static_cast<LegendPosition>(n % 5);
    RecordingSurface s;
    SCOPED_TRACE("pie chart " + std::to_string(n));
    if (!g.DrawGraph(s)) {
      EXPECT_EQ(g.errorText, "The image is too small for the chart");
      continue;
    }
    std::vector<Box> texts, discs;
    std::vector<std::array<double, 4>> legs;  // leader segments, each polyline's joined
    std::map<Box, std::map<COLORREF, double>> sweeps;
    std::array<int, 2> at{};
    double shares = 0;  // of the labels with a share, "<0.1%" as 0
    std::size_t labelled = 0;
    for (const Call& t : s.Calls()) {
      if (t.op == "TextOut") texts.push_back(t.cell);
      if (const auto p = t.text.find('%'); p != std::string::npos) {
        const auto from = t.text.find_last_of(" <", p);
        ++labelled;
        if (from == std::string::npos || t.text[from] == ' ')
          shares +=
              std::strtod(t.text.c_str() + (from == std::string::npos ? 0 : from + 1), nullptr);
      }
      if (t.op == "Pie") discs.push_back(t.cell), sweeps[t.cell][t.brush] += Sweep(t);
      if (t.op == "MoveTo") at = {t.n[0], t.n[1]}, legs.push_back({});  // {} parts polylines
      if (t.op == "LineTo" && t.pen.color == 0x8C8C8C)
        legs.push_back({double(at[0]), double(at[1]), double(t.n[0]), double(t.n[1])});
      if (t.op == "LineTo") at = {t.n[0], t.n[1]};
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const Box& b = texts[i];
      EXPECT_TRUE(b.l >= 0 && b.t >= 0 && b.r <= c.width && b.b <= c.height) << i;
      for (std::size_t k = 0; k < i; ++k) EXPECT_FALSE(b.Meets(texts[k])) << i << " " << k;
      for (const Box& d : discs) EXPECT_FALSE(MeetsDiscIn(b, d)) << i;
    }
    const auto cross = [](const std::array<double, 4>& a, const std::array<double, 4>& b) {
      const auto side = [](const std::array<double, 4>& e, double x, double y) {
        const double v = (e[2] - e[0]) * (y - e[1]) - (e[3] - e[1]) * (x - e[0]);
        return (v > 0) - (v < 0);
      };
      return side(a, b[0], b[1]) * side(a, b[2], b[3]) < 0 &&
             side(b, a[0], a[1]) * side(b, a[2], a[3]) < 0;
    };
    for (std::size_t i = 0, first = 0; i < legs.size(); ++i) {
      if (legs[i] == std::array<double, 4>{}) first = i;
      for (std::size_t k = 0; k < first; ++k)
        EXPECT_FALSE(cross(legs[i], legs[k])) << i << " " << k;
      for (double f = 0; f <= 1; f += 0.125) {  // points along the leg: off every pie and text
        const double x = legs[i][0] + f * (legs[i][2] - legs[i][0]) + 0.5,
                     y = legs[i][1] + f * (legs[i][3] - legs[i][1]) + 0.5;
        for (const Box& d : discs)
          EXPECT_GE(std::hypot(x - (d.l + d.r) / 2.0, y - (d.t + d.b) / 2.0) + 1,
                    (d.r - d.l) / 2.0);
        for (const Box& b : texts) EXPECT_FALSE(b.l < x && x < b.r && b.t < y && y < b.b) << i;
      }
    }
    std::vector<Box> order;  // the pies' boxes, in drawing order: the series with slices
    for (const Box& d : discs)
      if (order.empty() || order.back() != d) order.push_back(d);
    std::size_t k = 0;
    for (const Box& d : order) {
      while (k < c.series.size() &&
             std::none_of(c.series[k].begin(), c.series[k].end(), [](float v) { return v > 0; }))
        ++k;
      ASSERT_LT(k, c.series.size());
      double total = 0;
      for (const float v : c.series[k]) total += v > 0 ? static_cast<double>(v) : 0;
      for (std::size_t j = 0; j < c.series[k].size(); ++j) {
        const float v = c.series[k][j];
        const auto found = sweeps[d].find(g.GetColor(static_cast<int>(j)));
        EXPECT_NEAR(found == sweeps[d].end() ? 0 : found->second,
                    v > 0 ? static_cast<double>(v) / total * 360 : 0, 0.1)
            << "pie " << k << " slot " << j;
      }
      if (pies == 1 && g.options.legendPosition >= LegendPosition::kTop) {
        EXPECT_NEAR((d.l + d.r) / 2.0, c.width / 2.0, 1.0);
      }
      const auto positive =
          std::count_if(c.series[k].begin(), c.series[k].end(), [](float v) { return v > 0; });
      if (pies == 1 && labelled == static_cast<std::size_t>(positive)) {
        EXPECT_NEAR(shares, 100, 1e-9);
      }
      ++k;
    }
  }
}

// Generated modern and dark 3D charts of the four kinds, upright and lying (1 to 30 categories, 1
// to 4 sets, long labels, negatives, fixed ends, small canvases): every text inside the canvas and
// clear of the others; each value label centred on its gridline; each bar's front runs from zero to
// its value on the scale its axis labels give.
TEST(ModernLayoutTest, SolidChartsKeepTextsApartAndValuesOnTheirTicks) {
  std::mt19937 random(263);
  for (int n = 0; n < 400; ++n) {
    const GraphType kind =
        std::array{k3DBar, k3DStackedBar, k3DLine, k3DPie}[static_cast<std::size_t>(n % 4)];
    const int categories = 1 + static_cast<int>(random() % (kind == k3DPie ? 3 : 30));
    const int sets = n % 16 == 13 ? 40 : 1 + n / 4 % 4;  // 40: a legend longer than the canvas
    const double magnitude = std::pow(10.0, static_cast<int>(random() % 8) - 3);
    Chart c{.kind = kind, .vertical = n % 8 < 4 ? 1u : 0u};
    c.title = n % 3 == 0 ? "" : n % 9 == 1 ? std::string(90, 'T') : "Sales";
    std::tie(c.width, c.height) =
        std::pair{200 + static_cast<int>(random() % 700), 150 + static_cast<int>(random() % 450)};
    c.xLabel = n % 5 == 1 ? "Month" : "", c.yLabel = n % 5 == 2 ? "Revenue in dollars" : "";
    std::vector<double> values;
    for (int k = 0; k < categories; ++k) {
      c.series.emplace_back();
      c.labels.push_back(std::string(1 + random() % (n % 7 ? 6 : 30), char('a' + k % 26)));
      for (int j = 0; j < sets; ++j) {
        const double v = static_cast<double>(1 + random() % 8) * magnitude / 4;
        values.push_back(kind == k3DBar && random() % 4 == 0 ? -v : v);
        c.series.back().push_back(static_cast<float>(values.back()));
      }
    }
    for (int j = 0; sets > 1 && j < sets; ++j) c.legend.push_back("Set " + std::to_string(j));
    CGraph g = Model(c);
    g.options.theme = n % 5 == 3 ? Theme::kDark : Theme::kModern;
    g.options.valueFormat = "0.#########";
    g.options.legendPosition =
        std::array{LegendPosition::kAuto, LegendPosition::kBottom,
                   LegendPosition::kRight}[static_cast<std::size_t>(n / 2 % 3)];
    const bool automatic = n % 6 != 5;
    if (!automatic) g.options.valueAxisMax = magnitude;
    RecordingSurface s;
    if (!g.DrawGraph(s)) {
      // Pies keep the classic pie layout and its refusals.
      EXPECT_TRUE(kind == k3DPie || std::min(c.width, c.height) < 300) << n << g.errorText;
      continue;
    }
    std::vector<Box> texts, fronts;
    std::vector<std::pair<double, int>> ticks;  // a value label's value and centre on its axis
    std::set<int> grid;                         // where gridlines leave the front axis
    bool first = false;                         // the first category's label shows
    const bool up = g.DrawsVertically();
    std::array<int, 2> at{};
    std::set<std::array<int, 2>> ends;  // of lines: a line's points are among them
    for (const Call& t : s.Calls()) {
      if (t.op == "MoveTo") at = {t.n[0], t.n[1]};
      if (t.op == "LineTo" || t.op == "MoveTo") ends.insert({t.n[0], t.n[1]});
      if (t.op == "LineTo" && (t.pen.color == 0xDDDDDD || t.pen.color == 0x3E3E3E)) {
        grid.insert(at[up]);
      }
      if (t.op == "Rectangle") fronts.push_back(t.cell);
      if (t.op != "TextOut") continue;
      const Box& b = t.cell;
      first |= t.text.starts_with('a');
      EXPECT_TRUE(b.l >= 0 && b.t >= 0 && b.r <= c.width && b.b <= c.height) << n << t.line;
      for (const Box& o : texts) EXPECT_FALSE(b.Meets(o)) << n << t.line;
      texts.push_back(b);
      double value = 0;
      const char* end = t.text.data() + t.text.size();
      if (kind != k3DPie && !t.text.empty() &&
          std::from_chars(t.text.data(), end, value).ptr == end) {
        ticks.emplace_back(value, up ? (b.t + b.b) / 2 : (b.l + b.r) / 2);
      }
    }
    EXPECT_TRUE(first) << n;
    for (const auto& [value, centre] : ticks) {
      EXPECT_TRUE(grid.contains(centre) || grid.contains(centre + 1) || grid.contains(centre - 1))
          << n << " " << value;
    }
    if (kind == k3DStackedBar || kind == k3DPie || sets > 1 || !automatic || ticks.size() < 2) {
      continue;
    }
    const std::pair<double, int> a = ticks.front(), z = ticks.back();
    const auto pixel = [&](double v) {
      return a.second + (v - a.first) * (z.second - a.second) / (z.first - a.first);
    };
    if (kind == k3DLine) {  // the one line's front edge runs through each point
      const int slot = g.plotWidth / categories;
      for (int k = 0; k < categories && categories > 1; ++k) {
        const int x = g.plotLeftX - slot / 2 + (k + 1) * slot;
        const int y = static_cast<int>(std::lround(pixel(values[static_cast<std::size_t>(k)])));
        EXPECT_TRUE(ends.contains({x, y}) || ends.contains({x, y - 1}) || ends.contains({x, y + 1}))
            << n << " " << k;
      }
      continue;
    }
    ASSERT_EQ(fronts.size(), values.size()) << n;
    for (std::size_t i = 0; i < fronts.size(); ++i) {
      const Box& f = fronts[i];
      const auto [lo, hi] = std::minmax({pixel(0.0), pixel(values[i])});
      EXPECT_NEAR(up ? f.t : f.l, lo, 2.0) << n << " " << i;
      EXPECT_NEAR(up ? f.b : f.r, hi, 2.0) << n << " " << i;
    }
  }
}

}  // namespace
}  // namespace tessaloom
