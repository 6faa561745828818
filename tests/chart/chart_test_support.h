// A chart model described in one line, drawn on the recording surface, the
// log read back as calls, and a table runner that checks each rule's few log
// lines.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <compare>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "chart/graph.h"
#include "draw/recording_surface.h"

namespace tessaloom::chart_test {

enum class Stage { kDrawer, kAxes, kWhole };

// Drawers and axes see the plot the frame would leave: 300 x 200 from (50, 250)
// on a 500 x 350 canvas, 3D depth 10; kWhole lets the frame lay out the canvas.
struct Chart {
  GraphType kind = GraphType::kBar;
  std::vector<std::vector<float>> series{};           // slot values
  std::vector<std::string> labels{};                  // of the series; past them 'A' + k
  std::int32_t minTick = 0, maxTick = 100, step = 0;  // step 0: a tenth of the range
  std::uint32_t vertical = 1;
  std::int32_t quadrant = 1;
  std::uint32_t grid = 0;
  bool back = false;  // a #3366CC background behind the plot
  std::string xLabel{}, yLabel{}, title{};
  std::vector<std::string> legend{};
  Stage stage = Stage::kDrawer;
  std::int32_t width = 500, height = 350;
};

inline void AddSeries(CGraph& g, const std::vector<float>& values, std::string label = "") {
  auto series = std::make_unique<CGraphSeries>();
  std::uint32_t x = 0;
  for (float v : values) series->AddDataPoint(x++, v);
  series->SetLabel(std::move(label));
  g.AddGraphSeries(std::move(series));
}

inline CGraph Model(const Chart& c) {
  CGraph g;
  g.SetGraphType(c.kind);
  g.SetOrientation(c.vertical);
  g.SetTickLimits(c.minTick, c.maxTick, c.step != 0 ? c.step : (c.maxTick - c.minTick) / 10);
  g.SetGridLines(c.grid);
  g.SetBackColorFlag(c.back ? 1 : 0);
  g.backColor = 0x3366CC;
  g.SetXAxisLabel(c.xLabel);
  g.SetYAxisLabel(c.yLabel);
  g.SetChartTitle(c.title);
  for (std::size_t k = 0; k < c.series.size(); ++k) {
    AddSeries(g, c.series[k], k < c.labels.size() ? c.labels[k] : std::string(1, char('A' + k)));
  }
  for (std::size_t i = 0; i < c.legend.size(); ++i) {
    g.SetLegendText(static_cast<std::uint32_t>(i), c.legend[i]);
  }
  g.LoadDefaultPalette();
  std::tie(g.graphWidth, g.graphHeight) = std::pair{c.width, c.height};
  if (c.stage != Stage::kWhole) {
    std::tie(g.canvasWidth, g.canvasHeight, g.plotLeftX, g.plotBaseY, g.plotWidth, g.plotHeight,
             g.depth3D, g.quadrant) = std::tuple{495, 350, 50, 250, 300, 200, 10, c.quadrant};
  }
  return g;
}

// Pixels from (l, t) to (r, b), right and bottom exclusive.
struct Box {
  int l = 0, t = 0, r = 0, b = 0;
  bool Meets(const Box& o) const { return l < o.r && o.l < r && t < o.b && o.t < b; }
  auto operator<=>(const Box&) const = default;
};

// One logged call with the pen, brush and font selected when it was made.
// `cell`: a text's cell in that font (escapement 900 runs upward from
// (x, y)), or the box of a Rectangle, Ellipse or Pie.
struct Call {
  std::string op;
  std::vector<int> n{};  // its numbers up to any text, colours too
  std::string text{};
  Pen pen{};
  COLORREF brush = 0xFFFFFF;
  Font font{};
  Box cell{};
};

// The calls of `log` whose operation is one of `only` (all when empty).
inline std::vector<Call> Calls(const std::vector<std::string>& log,
                               std::initializer_list<std::string_view> only = {}) {
  RecordingSurface measure;
  Call state;
  std::vector<Call> calls;
  for (const std::string& line : log) {
    Call c{line.substr(0, line.find('(')), {}, {}, state.pen, state.brush, state.font};
    const std::size_t quote = line.find('"');
    if (quote != std::string::npos) c.text = line.substr(quote + 1, line.size() - quote - 3);
    const std::string head = line.substr(0, quote);
    for (std::size_t i = c.op.size(); i < head.size(); ++i) {
      const bool hex = head[i] == '#';
      if (!hex && head[i] != '-' && !std::isdigit(static_cast<unsigned char>(head[i]))) continue;
      char* end = nullptr;
      c.n.push_back(static_cast<int>(std::strtol(head.c_str() + i + hex, &end, hex ? 16 : 10)));
      i = static_cast<std::size_t>(end - head.c_str());
    }
    if (c.op == "SelectPen") state.pen = c.pen = {c.n[0], static_cast<COLORREF>(c.n[1])};
    if (c.op == "SelectBrush") state.brush = c.brush = static_cast<COLORREF>(c.n[0]);
    if (c.op == "SelectFont") {
      state.font = c.font = c.n.empty()
                                ? Font::System()
                                : Font::Chart(c.n[0], c.n[1], static_cast<std::uint8_t>(c.n[2]));
      measure.SelectFont(c.font);
    }
    if (c.op == "TextOut") {
      const int w = measure.GetTextExtent(c.text), h = measure.GetTextMetrics().height;
      const int x = c.n[0], y = c.n[1];
      c.cell = c.font.escapement == 900 ? Box{x, y - w, x + h, y} : Box{x, y, x + w, y + h};
    } else if (c.op == "Rectangle" || c.op == "Ellipse" || c.op == "Pie") {
      c.cell = {c.n[0], c.n[1], c.n[2], c.n[3]};
    }
    bool wanted = only.size() == 0;
    for (const std::string_view op : only) wanted |= c.op == op;
    if (wanted) calls.push_back(std::move(c));
  }
  return calls;
}

// A chart drawn whole: the model as drawn, whether it drew, and its calls.
struct Drawn {
  CGraph g;
  bool drew = false;
  std::vector<Call> calls{};
};

inline Drawn DrawWhole(Chart c) {
  c.stage = Stage::kWhole;
  Drawn d{Model(c)};
  RecordingSurface s;
  d.drew = d.g.DrawGraph(s);
  d.calls = Calls(s.Log());
  return d;
}

// One rule: a chart and the consecutive log lines that pin it, '|' between.
struct Rule {
  const char* rule;
  Chart chart;
  std::string lines;
};

inline void ExpectRules(const std::vector<Rule>& rules) {
  for (const Rule& r : rules) {
    CGraph g = Model(r.chart);
    RecordingSurface s;
    if (r.chart.stage == Stage::kWhole) g.DrawGraph(s);
    if (r.chart.stage == Stage::kAxes) g.DrawAxes(s);
    if (r.chart.stage != Stage::kWhole) g.DrawByKind(s);
    std::string log = "|";
    for (const std::string& line : s.Log()) log += line + "|";
    EXPECT_NE(log.find("|" + r.lines + "|"), std::string::npos) << r.rule << ": missing\n"
                                                                << r.lines << "\nin\n"
                                                                << log;
  }
}

}  // namespace tessaloom::chart_test
