// A chart model described in one line, drawn whole on the recording surface,
// and a table runner that checks each rule's few recorded lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "chart/graph.h"
#include "tests/support/recording_surface.h"

namespace tessaloom::test_support {

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
  d.calls = s.Calls();
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
    const std::string log = s.Lines();
    EXPECT_NE(log.find("|" + r.lines + "|"), std::string::npos)
        << r.rule << ": missing " << r.lines << " in " << log;
  }
}

}  // namespace tessaloom::test_support
