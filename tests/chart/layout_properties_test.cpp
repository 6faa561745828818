// Layout rules that must hold for every chart, checked over many generated
// charts drawn whole on the recording surface: every point and label where
// its axis says, inside the canvas, and no text over other text.
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "chart_test_support.h"

namespace tessaloom {
namespace {

using chart_test::Chart;
using chart_test::Model;
using chart_test::Stage;

// === Lines and 3D frames ===

// === Legend and margins ===

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
