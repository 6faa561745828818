// The chart frame: background, title, plot layout, sign scan and origin
// shift, then the legend, axes and the kind's drawer, in that order.
#include <algorithm>
#include <cstdio>
#include <string>

#include "chart/drawing_surface.h"
#include "chart/graph.h"
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

}  // namespace

void CGraph::DrawGraph(DrawingSurface& surface) {
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
  } else if (isVertical == 1) {
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
    const std::int64_t band = xAxisLabel.empty() ? 0 : std::int64_t{m.height} + 10;
    plotLeftX = SaturateToInt32(std::int64_t{xAxisLabelLength} * m.aveCharWidth + band + 5);
    plotBaseY = SaturateToInt32(std::int64_t{canvasHeight} - m.height - 25);
    plotHeight = SaturateToInt32(std::int64_t{plotBaseY} - 45);
    plotWidth = SaturateToInt32(std::int64_t{canvasWidth} - plotLeftX - 5);
  }

  if (hasLegend == 1) {
    const std::int32_t legend_left = DrawLegend(surface);
    plotWidth = SaturateToInt32(std::int64_t{legend_left} - plotLeftX - 10);
  }

  if (graphType == GRAPH_BAR || graphType == GRAPH_LINE || graphType == GRAPH_3D_LINE) {
    // Only the first point of each series is looked at.
    std::int32_t min_position = 0;
    float min_value = 0.0f;
    if (seriesSize > 0) {
      for (const auto& series : seriesList) {
        min_position =
            std::min(min_position, static_cast<std::int32_t>(series->GetFirstXPosition()));
        min_value = std::min(min_value, series->GetFirstValue());
      }
    }
    if (min_position < 0) {
      quadrant = min_value < 0.0f ? 4 : 2;
    } else {
      quadrant = min_value < 0.0f ? 3 : 1;
    }
  }

  if (graphType == GRAPH_BAR || graphType == GRAPH_LINE) {
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
  DrawByKind(surface);
}

void CGraph::DrawByKind(DrawingSurface& surface) {
  switch (graphType) {
    case GRAPH_BAR: DrawBars(surface); break;
    case GRAPH_PIE: DrawPies(surface); break;
    case GRAPH_LINE: DrawLines(surface); break;
    case GRAPH_BOX_WHISKER: DrawBoxWhiskers(surface); break;
    case GRAPH_STACKED_BAR: DrawStackedBars(surface); break;
    case GRAPH_3D_BAR: Draw3DBars(surface); break;
    case GRAPH_3D_LINE: Draw3DLines(surface); break;
    case GRAPH_3D_PIE: Draw3DPies(surface); break;
    case GRAPH_3D_STACKED_BAR: Draw3DStackedBars(surface); break;
    default: SetErrorText(kNoGraphType); break;
  }
}

}  // namespace tessaloom
