// The chart frame: background, title, plot layout, sign scan and origin
// shift, then the legend, axes and the kind's drawer, in that order.
#include <algorithm>
#include <cstdio>
#include <string>

#include "chart/graph.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr char kNoGraphType[] = "No Graph type to display";

// Font size for a text of `length` characters in `limit` pixels: start at
// `start`; when length x start/2 does not fit, step down by 2 until it does.
// A canvas narrower than 5 pixels has a negative limit that nothing fits;
// the search then stops at 0, which asks for the default height.
std::int32_t FittingFontSize(std::int32_t start, std::int64_t length, std::int64_t limit) {
  std::int64_t size = start;
  if (length * (size / 2) > limit) {
    do {
      size -= 2;
    } while (size > 0 && (size / 2) * length > limit);
  }
  return SaturateToInt32(size);
}

// Sign class of every point the drawers will draw: 4 for a negative category
// position with a negative value, 2 for a negative position only, 3 for a
// negative value only, else 1.
std::int32_t SignClass(const std::vector<std::unique_ptr<CGraphSeries>>& seriesList) noexcept {
  bool negative_position = false;
  bool negative_value = false;
  for (const auto& series : seriesList) {
    for (const CGraphDataSet& point : series->dataList) {
      negative_position |= static_cast<std::int32_t>(point.GetXPosition()) < 0;
      negative_value |= point.GetYValue() < 0.0f;
    }
  }
  if (negative_position) return negative_value ? 4 : 2;
  return negative_value ? 3 : 1;
}

}  // namespace

bool CGraph::DrawGraph(DrawingSurface& surface) {
  const std::int32_t W = graphWidth;
  const std::int32_t H = graphHeight;

  // A white canvas with a 1-pixel black border (the surface's initial pen).
  const Brush old_brush = surface.SelectBrush(Brush{0xFFFFFF});
  surface.Rectangle(0, 0, W, H);
  surface.SelectBrush(old_brush);

  canvasHeight = H;
  canvasWidth = SaturateToInt32(std::int64_t{W} - 5);

  const std::int64_t title_length = CodePointLength(chartTitle);
  if (title_length > 0) {
    const std::int32_t size = FittingFontSize(24, title_length, canvasWidth);
    const Font old_font = surface.SelectFont(Font::Chart(size));
    const std::int64_t A = surface.GetTextMetrics().aveCharWidth;
    surface.TextOut(SaturateToInt32(W / 2 - (title_length / 2) * A), 10, chartTitle);
    surface.SelectFont(old_font);
  }

  if (graphType == GRAPH_PIE || graphType == GRAPH_3D_PIE) {
    plotWidth = SaturateToInt32(std::int64_t{canvasWidth} - 10);
    plotHeight = SaturateToInt32(std::int64_t{canvasHeight} - 50);
    plotLeftX = 5;
    plotBaseY = SaturateToInt32(std::int64_t{canvasHeight} - 5);
  } else if (DrawsVertically()) {
    char digits[16];
    const int length = std::snprintf(digits, sizeof digits, "%d", maxTick);
    plotLeftX = SaturateToInt32(std::int64_t{valueFontHeight / 2} * length + 50);
    plotBaseY = SaturateToInt32(std::int64_t{canvasHeight} - 50);
    plotHeight = SaturateToInt32(std::int64_t{plotBaseY} - 40);
    plotWidth = SaturateToInt32(std::int64_t{canvasWidth} - plotLeftX - 5);
  } else {
    // The axis-label font must fit the longer side's label.
    const bool wide = canvasWidth > canvasHeight;
    const std::int64_t test_length = CodePointLength(wide ? yAxisLabel : xAxisLabel);
    const std::int32_t size = FittingFontSize(16, test_length, wide ? canvasHeight : canvasWidth);
    const Font old_font = surface.SelectFont(Font::Chart(size, 900));
    const TextMetrics m = surface.GetTextMetrics();
    surface.SelectFont(old_font);
    // The rotated X-axis title takes a band at the left edge; without one,
    // category labels keep 5 pixels off the border.
    const std::int64_t label_chars = CategoryLabelChars();
    const std::int64_t band =
        !xAxisLabel.empty() ? std::int64_t{m.height} + 10 : (label_chars > 0 ? 5 : 0);
    plotLeftX = SaturateToInt32(label_chars * m.aveCharWidth + band + 5);
    plotBaseY = SaturateToInt32(std::int64_t{canvasHeight} - m.height - 25);
    plotHeight = SaturateToInt32(std::int64_t{plotBaseY} - 45);
    plotWidth = SaturateToInt32(std::int64_t{canvasWidth} - plotLeftX - 5);
  }

  if (hasLegend == 1) {
    const std::int32_t legend_left = DrawLegend(surface);
    plotWidth = SaturateToInt32(std::int64_t{legend_left} - plotLeftX - 10);
  }

  // Every draw classifies its own data; kinds without a sign scan lay out as
  // for positive data whatever an earlier draw found.
  quadrant = 1;
  if (graphType == GRAPH_BAR || graphType == GRAPH_LINE || graphType == GRAPH_3D_LINE) {
    quadrant = SignClass(seriesList);
  }

  // Vertical bar and line charts with negative values move the base line to
  // the zero line. Horizontal charts keep their layout: their values run
  // along the bottom axis, which shows minTick to maxTick as for positive data.
  if ((graphType == GRAPH_BAR || graphType == GRAPH_LINE) && DrawsVertically()) {
    const std::int64_t range = std::int64_t{maxTick} - minTick;
    const std::int64_t middle = range / 2 + minTick;
    // An empty value range has no scale: the zero offset is then 0.
    std::int32_t zero_offset = 0;
    if (range != 0) {
      const auto scale = static_cast<float>(static_cast<double>(std::int64_t{plotHeight} - 10) /
                                            static_cast<double>(range));
      zero_offset = TruncateToInt32(static_cast<double>(static_cast<float>(middle) * scale));
    }
    switch (quadrant) {
      case 2: plotLeftX = SaturateToInt32(std::int64_t{plotLeftX} + plotWidth / 2); break;
      case 3:
        plotBaseY = SaturateToInt32(std::int64_t{plotBaseY} + zero_offset - plotHeight / 2);
        break;
      case 4:
        plotLeftX = SaturateToInt32(std::int64_t{plotLeftX} + plotWidth / 2);
        plotBaseY = SaturateToInt32(std::int64_t{plotBaseY} - plotHeight / 2);
        break;
      default: break;
    }
  }

  if (graphType != GRAPH_PIE && graphType != GRAPH_3D_PIE) DrawAxes(surface);
  return DrawByKind(surface);
}

bool CGraph::DrawByKind(DrawingSurface& surface) {
  switch (graphType) {
    case GRAPH_BAR: DrawBars(surface); break;
    case GRAPH_PIE: return DrawPies(surface);
    case GRAPH_LINE: DrawLines(surface); break;
    case GRAPH_BOX_WHISKER: DrawBoxWhiskers(surface); break;
    case GRAPH_STACKED_BAR: DrawStackedBars(surface); break;
    case GRAPH_3D_BAR: Draw3DBars(surface); break;
    case GRAPH_3D_LINE: Draw3DLines(surface); break;
    case GRAPH_3D_PIE: return Draw3DPies(surface);
    case GRAPH_3D_STACKED_BAR: Draw3DStackedBars(surface); break;
    default: SetErrorText(kNoGraphType); break;
  }
  return true;
}

}  // namespace tessaloom
