// Layout rules that must hold for every chart, checked over many generated
// charts drawn whole on the recording surface: every point and label where
// its axis says, inside the canvas, and no text over other text.
#include <algorithm>
#include <cstdio>
#include <set>
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

// === Legend and margins ===

// A text's cell as TextOut paints it in the font then selected (escapement
// 900 runs upward from (x, y)), or a rectangle (no text) in the brush then selected.
struct Drawn {
  std::int64_t left, top, right, bottom;
  Font font;
  COLORREF brush;
  std::string text;
};

std::vector<Drawn> TextsAndRectangles(const std::vector<std::string>& log) {
  RecordingSurface m;
  std::vector<Drawn> out;
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
                        ? Drawn{a, b - w, a + h, b, m.CurrentFont(), brush, text}
                        : Drawn{a, b, a + w, b + h, m.CurrentFont(), brush, text});
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
          const std::vector<Drawn> legend = TextsAndRectangles(alone.Log());
          EXPECT_TRUE(g.plotWidth > 0 && g.plotLeftX + g.plotWidth < legend[0].left) << at;
          std::set<COLORREF> colours;
          std::uint32_t rows = 0, more = 0;
          for (std::size_t i = 0; i < legend.size(); ++i) {
            const Drawn& d = legend[i];
            EXPECT_TRUE(d.left >= 0 && d.right <= w && d.top >= 0 && d.bottom <= h) << at;
            for (std::size_t j = i + 1; i > 0 && j < legend.size(); ++j) {  // all in box 0, apart
              const Drawn& e = legend[j];
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
            const std::vector<Drawn> drawn = TextsAndRectangles(s.Log());
            std::int64_t title_right = 1;
            for (const Drawn& d : drawn) {
              if (d.font.escapement == 900 && !d.text.empty()) title_right = d.right;
            }
            RecordingSurface measure;
            measure.SelectFont(g.CategoryLabelFont());
            std::size_t k = 0;
            for (const Drawn& d : drawn) {
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

// === Pies ===

}  // namespace
}  // namespace tessaloom
