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
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "chart/layout.h"
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

// Generated modern bar and line charts (1 to 60 categories, 1 to 5 sets, long labels, negatives,
// fixed ends, value labels, small canvases): every text inside the canvas and clear of the others;
// with automatic ends each bar grows from the base line to its value at one scale, so the axis
// covers the data; a canvas without room fails.
TEST(ModernLayoutTest, TextsKeepApartOnTheCanvasAndBarsGrowFromZeroToScale) {
  std::mt19937 random(26);
  for (int n = 0; n < 600; ++n) {
    const int categories = 1 + static_cast<int>(random() % 60), sets = 1 + n % 5;
    const double magnitude = std::pow(10.0, static_cast<int>(random() % 12) - 4);
    Chart c{.kind = n % 2 == 0 ? kBar : kLine, .title = n % 3 == 0 ? "" : "Sales by region"};
    c.width = 120 + static_cast<int>(random() % 800),
    c.height = 90 + static_cast<int>(random() % 500);
    c.xLabel = n % 4 == 1 ? "Month" : "", c.yLabel = n % 4 == 2 ? "Revenue in dollars" : "";
    std::vector<double> values;
    for (int k = 0; k < categories; ++k) {
      c.series.emplace_back();
      c.labels.push_back(
          std::string(1 + random() % (n % 7 == 0 ? 40 : 6), static_cast<char>('a' + k % 26)));
      for (int j = 0; j < sets; ++j) {
        const double v = (1.0 + static_cast<double>(random() % 8)) / 8 * magnitude;
        values.push_back(random() % 5 == 0 && n % 4 != 3 ? -v : v);
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
    const bool automatic = n % 4 != 3;
    if (!automatic) g.options.valueAxisMin = magnitude / 4, g.options.valueAxisMax = magnitude / 2;
    RecordingSurface s;
    if (!g.DrawGraph(s)) {
      EXPECT_EQ(g.errorText, "The image is too small for the chart");
      EXPECT_LT(std::min(c.width, c.height), 260) << n;
      continue;
    }
    std::vector<Box> texts, bars;
    int base = -1, gridTop = INT32_MAX, gridBottom = INT32_MIN, gridRight = 0;
    for (const Call& t : s.Calls()) {
      if (t.op == "TextOut") texts.push_back(t.cell);
      if (t.op == "LineTo" && t.pen.color == 0x8C8C8C) base = t.n[1];
      if (t.op == "LineTo" && t.pen.width == 1 && t.pen.color != 0x8C8C8C) {
        gridTop = std::min(gridTop, t.n[1]), gridBottom = std::max(gridBottom, t.n[1]);
        gridRight = std::max(gridRight, t.n[0]);
      }
      if (t.op == "FillSolidRect" && t.n[2] < c.width) {
        bars.push_back({t.n[0], t.n[1], t.n[0] + t.n[2], t.n[1] + t.n[3]});
      }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const Box& b = texts[i];
      EXPECT_TRUE(b.l >= 0 && b.t >= 0 && b.r <= c.width && b.b <= c.height) << n;
      for (std::size_t k = 0; k < i; ++k)
        EXPECT_FALSE(b.Meets(texts[k])) << n << " " << i << " " << k;
    }
    if (c.kind != kBar) continue;
    std::erase_if(bars, [&](const Box& b) {
      return b.b <= gridTop || b.t >= gridBottom || b.l >= gridRight;
    });  // swatches
    for (const Box& b : bars) {
      EXPECT_TRUE(b.t == base || b.b == base) << n;
      EXPECT_TRUE(b.t >= gridTop && b.b <= gridBottom) << n;
    }
    if (!automatic || bars.size() != values.size()) continue;
    const auto longest =
        std::max_element(values.begin(), values.end(),
                         [](double a, double b) { return std::abs(a) < std::abs(b); }) -
        values.begin();
    const Box& l = bars[static_cast<std::size_t>(longest)];
    const double scale =
        (l.b - l.t) / std::abs(values[static_cast<std::size_t>(longest)]);  // px per unit
    for (std::size_t i = 0; i < bars.size(); ++i) {
      EXPECT_NEAR(bars[i].b - bars[i].t, std::abs(values[i]) * scale, 2.0) << n << " " << i;
    }
  }
}

// === Chart options on classic charts ===

// Generated classic charts with ShowValues, fixed or automatic value-axis ends, number formats and
// legend places: every value label on the canvas and over no other text; with fixed ends the tick
// labels run from the low end to the high one, nothing of the data leaves the plot, and a bar
// whose value is a tick's ends on that tick.
TEST(ClassicOptionsTest, ValueLabelsFixedEndsAndFormats) {
  std::mt19937 random(261);
  std::map<GraphType, int> labelled;
  const GraphType kinds[] = {kBar, kStackedBar, kLine, kBoxWhisker, k3DBar, k3DLine, kPie, k3DPie};
  for (int n = 0; n < 480; ++n) {
    const GraphType kind = kinds[n % 8];
    const bool fixed = n / 8 % 2 == 0, onTicks = kind == kBar && n / 16 % 2 == 0;
    const int low = fixed ? std::array{-20, 0, 20}[random() % 3] : -40;
    Chart c{.kind = kind, .minTick = -40, .maxTick = 120, .step = 16, .grid = 1, .title = "Sales"};
    c.vertical = onTicks || n / 8 % 3 != 1;
    std::tie(c.width, c.height) = std::pair{160 + random() % 700, 120 + random() % 400};
    const int categories = 1 + static_cast<int>(random() % 12), sets = onTicks ? 1 : 1 + n % 3;
    for (int k = 0; k < categories; ++k) {
      c.series.emplace_back();
      for (int j = 0; j < sets; ++j) {
        const int v = onTicks ? low + 10 * static_cast<int>(random() % 13)
                              : static_cast<int>(random() % 150) - (fixed ? 30 : 0);
        c.series.back().push_back(kind == kStackedBar || kind == kPie
                                      ? static_cast<float>(std::abs(v)) / 3
                                      : static_cast<float>(v));
      }
    }
    for (int j = 0; j < sets; ++j) c.legend.push_back("Set " + std::to_string(j));
    const auto draw = [&](bool values) {
      CGraph g = Model(c);
      std::tie(g.graphWidth, g.graphHeight) = std::pair{c.width, c.height};
      g.options.showValues = values;
      g.options.valueFormat = std::array{"", "", "0.0", "$#,##0"}[static_cast<std::size_t>(n % 4)];
      g.options.legendPosition = std::array{
          LegendPosition::kNone, LegendPosition::kAuto, LegendPosition::kTop,
          LegendPosition::kBottom, LegendPosition::kRight}[static_cast<std::size_t>(n % 5)];
      if (fixed) {  // ends between whole numbers round outward
        g.options.valueAxisMin = n % 3 == 0 ? low + 0.5 : static_cast<double>(low);
        g.options.valueAxisMax = n % 3 == 0 ? low + 99.5 : low + 100.0;
      }
      RecordingSurface s;
      const bool drew = g.DrawGraph(s);
      return std::tuple{std::move(g), drew, s.Calls()};
    };
    const auto [g, drew, calls] = draw(true);
    const auto plain = std::get<2>(draw(false));
    SCOPED_TRACE(testing::PrintToString(std::tuple{n, kind, c.vertical, fixed, c.width, c.height}));
    if (!drew) continue;
    std::set<std::tuple<int, int, std::string>> before;
    for (const Call& t : plain)
      if (t.op == "TextOut") before.insert({t.n[0], t.n[1], t.text});
    const bool boxed = n % 5 == 1 || n % 5 == 4, rows = n % 5 == 2 || n % 5 == 3;
    EXPECT_EQ(boxed, std::any_of(calls.begin(), calls.end(),
                                 [](const Call& t) { return t.text == "Legend"; }));
    std::vector<Box> texts;
    std::set<int> tickLines;
    std::vector<int> tickValues;
    Box plot{};
    std::array<int, 2> at{};
    std::size_t axisAt = 0;
    for (const Call& t : calls) {
      if (t.op == "MoveTo") at = {t.n[0], t.n[1]};
      if (t.op == "LineTo" && t.pen.width == 2 && plot.r == 0 && t.n[0] == g.plotLeftX &&
          at[0] == g.plotLeftX) {  // the left axis
        plot = {g.plotLeftX, std::min(at[1], t.n[1]), g.plotLeftX + g.plotWidth + 1,
                std::max(at[1], t.n[1]) + 1};
        axisAt = static_cast<std::size_t>(&t - calls.data());  // the data come after it
      }
      if (t.op != "TextOut") continue;
      int value = 0;
      const char* end = t.text.data() + t.text.size();
      if (g.DrawsVertically() && t.n[0] < g.plotLeftX && !t.text.empty() && n % 4 == 3 &&
          t.text != c.title && t.text.find(' ') == std::string::npos) {  // not legend rows
        EXPECT_NE(t.text.find('$'), std::string::npos) << t.text;        // ticks in "$#,##0"
      }
      if (g.DrawsVertically() && t.n[0] < g.plotLeftX && !t.text.empty() &&
          std::from_chars(t.text.data(), end, value).ptr == end) {
        const int line = t.n[1] + static_cast<int>(layout::kValueLabelRise);
        EXPECT_TRUE(plot.r == 0 || (line >= plot.t && line < plot.b)) << t.line;  // on the axis
        tickLines.insert(line), tickValues.push_back(value);
      }
      if (!before.contains({t.n[0], t.n[1], t.text}) || (rows && t.text.starts_with("Set "))) {
        ++labelled[kind];
        EXPECT_TRUE(t.cell.l >= 0 && t.cell.t >= 0 && t.cell.r <= c.width && t.cell.b <= c.height);
        for (const Call& other : calls) {
          // A value label keeps off the bars too (the border and legend boxes hold texts).
          const bool shape =
              other.op == "Rectangle" && other.cell.l > 0 && !t.text.starts_with("Set ");
          if ((other.op == "TextOut" || shape) && &other != &t && !other.text.empty() == !shape) {
            EXPECT_FALSE(t.cell.Meets(other.cell)) << t.text << " over " << other.line;
          }
        }
      }
    }
    if (!fixed || !g.DrawsVertically() || (kind != kBar && kind != kLine && kind != kStackedBar)) {
      continue;
    }
    if (n % 4 < 2 && kind != kStackedBar && c.height >= 300) {
      EXPECT_EQ(*std::min_element(tickValues.begin(), tickValues.end()), low);
      EXPECT_EQ(*std::max_element(tickValues.begin(), tickValues.end()), low + 100);
    }
    for (const Call& t : std::span(calls).subspan(axisAt)) {
      if (t.op == "MoveTo") at = {t.n[0], t.n[1]};
      const bool line = t.op == "LineTo" && t.pen.color != 0;
      const bool data = (t.op == "Rectangle" && t.cell.l > g.plotLeftX &&
                         t.cell.r <= g.plotLeftX + g.plotWidth + 1) ||
                        t.op == "Ellipse" || line;
      if (!data) continue;
      const int middle = (t.cell.t + t.cell.b) / 2;  // a marker's centre; its rim may cross
      const Box b = line ? Box{0, std::min(at[1], t.n[1]), 0, std::max(at[1], t.n[1]) + 1}
                    : t.op == "Ellipse" ? Box{0, middle, 0, middle + 1}
                                        : t.cell;
      EXPECT_TRUE(b.t >= plot.t && b.b <= plot.b) << t.line;
      if (onTicks && t.op == "Rectangle") {
        EXPECT_TRUE(tickLines.contains(t.cell.t) || tickLines.contains(t.cell.b)) << t.line;
      }
    }
  }
  labelled[kBoxWhisker] = 21;  // its boxes have no value labels
  for (const GraphType kind : kinds) EXPECT_GT(labelled[kind], 20) << testing::PrintToString(kind);
}

}  // namespace
}  // namespace tessaloom
