// The modern look of the 3D kinds: style, value axis, backdrop and legend.
#include "chart/solid_style.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "chart/layout.h"
#include "chart/modern_theme.h"
#include "chart/value_format.h"
#include "platform/numbers.h"

namespace tessaloom::solid {
namespace {

using modern::kLabelCell;
using modern::kMargin;
using modern::kTitleCell;

// Walls, edges and grid of the box: a pale grey on the light background, a
// grey a little lighter than the dark one; the gridlines a step darker (or
// lighter) than the walls they cross.
constexpr COLORREF kLightWall = 0xF4F4F4;
constexpr COLORREF kLightEdge = 0xCCCCCC;
constexpr COLORREF kLightGrid = 0xDDDDDD;
constexpr COLORREF kDarkWall = 0x292929;
constexpr COLORREF kDarkEdge = 0x4A4A4A;
constexpr COLORREF kDarkGrid = 0x3E3E3E;

// The legend column, in pixels.
using modern::kSwatchGap;
using modern::kSwatchSide;
constexpr std::int64_t kRowGap = modern::kLegendRowGap;
constexpr std::int64_t kItemGap = modern::kLegendItemGap;
constexpr std::int64_t kLeastText = 20;  // a legend that cuts texts to less does not fit
constexpr std::int64_t kBandGap = 10;    // a legend row band to the box
constexpr std::int64_t kBandShare = 4;   // a band takes at most a quarter of the height
// The frame leaves this between the plot and a legend column's left edge.
constexpr std::int64_t kFrameLegendGap = 10;

// A legend in rows across the canvas, above the box or below it: each
// item's left edge and row, and the band's height; no rows when the legend
// goes in a column instead (pies, LegendPosition right, or more rows than a
// quarter of the height).
struct Band {
  std::vector<std::int64_t> left;
  std::vector<std::int64_t> row;
  std::int64_t rows = 0;
  std::int64_t height = 0;
  bool below = false;
};

Band BandOf(DrawingSurface& surface, const CGraph& graph) {
  Band band;
  const LegendPosition where = graph.options.legendPosition;
  if (!graph.hasLegend || where == LegendPosition::kRight || where == LegendPosition::kNone) {
    return band;
  }
  const ScopedFont font(surface, Font::Sans(kLabelCell));
  const std::int64_t pitch = kLabelCell + kRowGap;
  const std::int64_t most =
      std::max<std::int64_t>((graph.canvasHeight / kBandShare + kRowGap) / pitch, 1);
  const std::int64_t right = std::int64_t{graph.graphWidth} - kMargin;
  std::int64_t x = kMargin;
  std::int64_t row = 0;
  for (std::int32_t i = 0; i < graph.seriesSize; ++i) {
    const std::int64_t text =
        std::min<std::int64_t>(surface.GetTextExtent(graph.legend.GetLegendText(i)),
                               right - kMargin - kSwatchSide - kSwatchGap);
    const std::int64_t width = kSwatchSide + kSwatchGap + text;
    if (x > kMargin && x + width > right) x = kMargin, ++row;
    if (row >= most) return {};
    band.left.push_back(x);
    band.row.push_back(row);
    x += width + kItemGap;
  }
  band.rows = band.left.empty() ? 0 : row + 1;
  band.height = band.rows * pitch - kRowGap;
  band.below = where == LegendPosition::kBottom;
  return band;
}

// The top of the legend band above the box: under the title.
std::int64_t BandTop(const CGraph& graph) noexcept {
  return kMargin + (graph.chartTitle.empty() ? 0 : kTitleCell + modern::kTitleGap);
}

bool IsSolid(GraphType kind) noexcept {
  return kind == GraphType::k3DBar || kind == GraphType::k3DLine ||
         kind == GraphType::k3DStackedBar;
}

}  // namespace

Style StyleOf(const CGraph& graph) noexcept {
  if (graph.options.theme == Theme::kClassic || !IsSolid(graph.graphType)) return {};
  const modern::ThemeColors& colors = modern::ColorsOf(graph.options.theme);
  const bool dark = graph.options.theme == Theme::kDark;
  return {.modern = true,
          .background = colors.background,
          .title = colors.title,
          .text = colors.text,
          .wall = dark ? kDarkWall : kLightWall,
          .edge = Pen{1, dark ? kDarkEdge : kLightEdge},
          .grid = Pen{1, dark ? kDarkGrid : kLightGrid}};
}

ValueTicks ValueAxisOf(const CGraph& graph) noexcept {
  const bool stacked = graph.graphType == GraphType::k3DStackedBar;
  ValueRange range;
  range.includeZero = graph.graphType != GraphType::k3DLine;
  bool any = false;
  const auto take = [&](double v) {
    if (!std::isfinite(v)) return;
    range.dataMin = any ? std::min(range.dataMin, v) : v;
    range.dataMax = any ? std::max(range.dataMax, v) : v;
    any = true;
  };
  for (const auto& series : graph.seriesList) {
    double up = 0.0;
    double down = 0.0;
    for (std::int32_t j = 0; j < graph.seriesSize; ++j) {
      const auto v = static_cast<double>(series->GetDataValue(static_cast<std::uint32_t>(j)));
      if (!stacked) {
        take(v);
      } else if (std::isfinite(v)) {
        (v < 0.0 ? down : up) += v;
      }
    }
    if (stacked) take(up), take(down);
  }
  if (!std::isnan(graph.options.valueAxisMin)) range.fixedMin = graph.options.valueAxisMin;
  if (!std::isnan(graph.options.valueAxisMax)) range.fixedMax = graph.options.valueAxisMax;
  return NiceValueTicks(range);
}

std::int64_t Offset(const ValueTicks& ticks, std::int64_t extent, double value) noexcept {
  double share = (value - ticks.low) / (ticks.high - ticks.low);
  if (!(share >= 0.0)) share = 0.0;  // below the axis, or NaN
  share = std::min(share, 1.0);
  return std::llround(share * static_cast<double>(std::max<std::int64_t>(extent, 0)));
}

void DrawBackdrop(DrawingSurface& surface, const CGraph& graph, const Style& style) {
  surface.FillSolidRect(0, 0, graph.graphWidth, graph.graphHeight, style.background);
  surface.SetBkColor(style.background);
  if (!graph.chartTitle.empty()) {
    const ScopedFont font(surface, Font::Sans(kTitleCell, true));
    surface.SetTextColor(style.title);
    surface.TextOut(
        static_cast<std::int32_t>(kMargin), static_cast<std::int32_t>(kMargin),
        layout::FitText(surface, graph.chartTitle, std::int64_t{graph.graphWidth} - 2 * kMargin));
  }
  surface.SetTextColor(style.text);
  surface.SelectFont(Font::Sans(kLabelCell));
}

std::int64_t WidestValueLabel(DrawingSurface& surface, const CGraph& graph) {
  const ScopedFont font(surface, Font::Sans(kLabelCell));
  ValueFormat format;
  std::string error;
  if (!format.Parse(graph.options.valueFormat, error)) format = ValueFormat();
  const ValueTicks ticks = ValueAxisOf(graph);
  std::int64_t widest = 0;
  for (std::int32_t i = 0; i < ticks.count; ++i) {
    widest = std::max<std::int64_t>(widest, surface.GetTextExtent(format.FormatTick(ticks, i)));
  }
  return widest;
}

void PlaceBox(DrawingSurface& surface, CGraph& graph) {
  const bool vertical = graph.DrawsVertically();
  const ScopedFont font(surface, Font::Sans(kLabelCell));
  const std::int64_t cell = surface.GetTextMetrics().height;
  std::int64_t left = kMargin;
  if (!(vertical ? graph.yAxisLabel : graph.xAxisLabel).empty()) left += cell + kAxisTitleGap;
  std::int64_t widest = 0;
  if (vertical) {
    widest = WidestValueLabel(surface, graph);
  } else {
    for (const auto& series : graph.seriesList) {
      widest = std::max<std::int64_t>(widest, surface.GetTextExtent(series->seriesLabel));
    }
    widest = std::min<std::int64_t>(widest, graph.canvasWidth / layout::kTextShare);
  }
  std::int64_t top = std::int64_t{graph.plotBaseY} - graph.plotHeight;
  std::int64_t bottom = std::int64_t{graph.canvasHeight} - kMargin - cell - kLabelGap;
  if (!(vertical ? graph.xAxisLabel : graph.yAxisLabel).empty()) bottom -= cell + kAxisTitleGap;
  // A legend band below the box takes its height off the bottom; one above
  // it moves the box's top down, keeping half a cell for the top value label.
  const Band band = BandOf(surface, graph);
  if (band.rows > 0 && band.below) bottom -= band.height + kBandGap;
  if (band.rows > 0 && !band.below) {
    top = std::max(top, BandTop(graph) + band.height + kBandGap + cell / 2);
  }
  graph.plotLeftX = SaturateToInt32(left + widest + kLabelGap);
  graph.plotBaseY = SaturateToInt32(bottom);
  graph.plotHeight = SaturateToInt32(bottom - top);
}

std::int32_t DrawLegend(DrawingSurface& surface, CGraph& graph, const Style& style) {
  const Band band = BandOf(surface, graph);
  if (band.rows > 0) {
    const ScopedFont font(surface, Font::Sans(kLabelCell));
    const std::int64_t top =
        band.below ? std::int64_t{graph.canvasHeight} - kMargin - band.height : BandTop(graph);
    const std::int64_t right = std::int64_t{graph.graphWidth} - kMargin;
    surface.SetTextColor(style.title);
    for (std::size_t i = 0; i < band.left.size(); ++i) {
      const std::int64_t x = band.left[i];
      const std::int64_t y = top + band.row[i] * (kLabelCell + kRowGap);
      surface.FillSolidRect(SaturateToInt32(x), SaturateToInt32(y + (kLabelCell - kSwatchSide) / 2),
                            static_cast<std::int32_t>(kSwatchSide),
                            static_cast<std::int32_t>(kSwatchSide),
                            graph.GetColor(static_cast<int>(i)));
      surface.SetBkColor(style.background);
      const std::int64_t textLeft = x + kSwatchSide + kSwatchGap;
      surface.TextOut(SaturateToInt32(textLeft), SaturateToInt32(y),
                      layout::FitText(surface, graph.legend.GetLegendText(static_cast<int>(i)),
                                      right - textLeft));
    }
    surface.SetTextColor(style.text);
    graph.legendWidth = 0;
    graph.legendTextsFit = true;
    // The plot keeps the whole width.
    return SaturateToInt32(std::int64_t{graph.plotLeftX} + graph.plotWidth + kFrameLegendGap);
  }
  const std::int64_t items = std::max(graph.seriesSize, 0);
  const std::int64_t pitch = kLabelCell + kRowGap;
  // The column keeps under the title.
  const std::int64_t first = BandTop(graph);
  const std::int64_t fitting =
      std::max<std::int64_t>((graph.canvasHeight - kMargin - first + kRowGap) / pitch, 1);
  const std::int64_t rows = std::min(items, fitting);
  // A legend longer than the canvas ends with a row that says how many more.
  const std::int64_t shown = rows < items ? rows - 1 : rows;
  const std::string more =
      shown < items ? "and " + std::to_string(items - shown) + " more" : std::string();
  const ScopedFont font(surface, Font::Sans(kLabelCell));
  std::int64_t widest = surface.GetTextExtent(more) - kSwatchSide - kSwatchGap;
  for (std::int64_t i = 0; i < shown; ++i) {
    widest = std::max<std::int64_t>(
        widest, surface.GetTextExtent(graph.legend.GetLegendText(static_cast<int>(i))));
  }
  const std::int64_t budget = graph.canvasWidth / layout::kTextShare;
  const std::int64_t textWidth = std::min(widest, budget - kSwatchSide - kSwatchGap);
  graph.legendTextsFit = textWidth >= std::min(widest, kLeastText);
  const std::int64_t right = std::int64_t{graph.graphWidth} - kMargin;
  const std::int64_t left = right - kSwatchSide - kSwatchGap - std::max<std::int64_t>(textWidth, 0);
  graph.legendWidth = SaturateToInt32(right - left);
  const std::int64_t top = std::max(first, graph.canvasHeight / 2 - (rows * pitch - kRowGap) / 2);
  surface.SetTextColor(style.title);
  for (std::int64_t i = 0; i < rows; ++i) {
    const std::int64_t y = top + i * pitch;
    if (i >= shown) {
      surface.TextOut(SaturateToInt32(left), SaturateToInt32(y),
                      layout::FitText(surface, more, right - left));
      break;
    }
    surface.FillSolidRect(
        SaturateToInt32(left), SaturateToInt32(y + (kLabelCell - kSwatchSide) / 2),
        static_cast<std::int32_t>(kSwatchSide), static_cast<std::int32_t>(kSwatchSide),
        graph.GetColor(static_cast<int>(i)));
    surface.SetBkColor(style.background);  // the square made its colour the background
    surface.TextOut(
        SaturateToInt32(left + kSwatchSide + kSwatchGap), SaturateToInt32(y),
        layout::FitText(surface, graph.legend.GetLegendText(static_cast<int>(i)), textWidth));
  }
  surface.SetBkColor(style.background);
  surface.SetTextColor(style.text);
  return SaturateToInt32(left);
}

}  // namespace tessaloom::solid
