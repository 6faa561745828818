// Helpers shared by the chart drawing tests: model set-up, expected log
// lines and log searches.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "chart/graph.h"
#include "draw/recording_surface.h"
#include "draw/text_metrics.h"

namespace tessaloom::chart_test {

// Adds one series holding `values` at x positions 0, 1, 2, ...
inline void AddSeries(CGraph& g, const std::vector<float>& values) {
  auto series = std::make_unique<CGraphSeries>();
  std::uint32_t x = 0;
  for (float v : values) series->AddDataPoint(x++, v);
  g.AddGraphSeries(std::move(series));
}

// Adds one single-point series per label.
inline void AddLabelledSeries(CGraph& g, const std::vector<std::string>& labels) {
  for (const std::string& label : labels) {
    auto series = std::make_unique<CGraphSeries>();
    series->AddDataPoint(0, 1.0f);
    series->SetLabel(label);
    g.AddGraphSeries(std::move(series));
  }
}

inline std::string Str(std::int64_t v) { return std::to_string(v); }
inline std::string MoveTo(std::int64_t x, std::int64_t y) {
  return "MoveTo(" + Str(x) + ", " + Str(y) + ")";
}
inline std::string LineTo(std::int64_t x, std::int64_t y) {
  return "LineTo(" + Str(x) + ", " + Str(y) + ")";
}
inline std::string TextOut(std::int64_t x, std::int64_t y, const std::string& text) {
  return "TextOut(" + Str(x) + ", " + Str(y) + ", \"" + text + "\")";
}
inline std::string Rect(std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b) {
  return "Rectangle(" + Str(l) + ", " + Str(t) + ", " + Str(r) + ", " + Str(b) + ")";
}
inline std::string BrushOf(COLORREF c) {
  return "SelectBrush(" + RecordingSurface::Describe(c) + ")";
}
inline std::string PenOf(COLORREF c) {
  return "SelectPen(1, " + RecordingSurface::Describe(c) + ")";
}

// True when `run` occurs in `log` as consecutive lines.
inline bool HasRun(const std::vector<std::string>& log, const std::vector<std::string>& run) {
  return std::search(log.begin(), log.end(), run.begin(), run.end()) != log.end();
}

inline std::string Dump(const std::vector<std::string>& log) {
  std::string out;
  for (const std::string& line : log) out += line + "\n";
  return out;
}

// Average character width and cell height of the chart font of `height`.
inline std::int32_t Ave(std::int32_t height) {
  return StandardTextMetrics(Font::Chart(height)).aveCharWidth;
}
inline std::int32_t Cell(std::int32_t height) {
  return StandardTextMetrics(Font::Chart(height)).height;
}

// The four coordinates of every Rectangle in the log, in order.
inline std::vector<std::array<int, 4>> Rectangles(const std::vector<std::string>& log) {
  std::vector<std::array<int, 4>> out;
  for (const std::string& line : log) {
    std::array<int, 4> r{};
    if (std::sscanf(line.c_str(), "Rectangle(%d, %d, %d, %d)", &r[0], &r[1], &r[2], &r[3]) == 4) {
      out.push_back(r);
    }
  }
  return out;
}

}  // namespace tessaloom::chart_test
