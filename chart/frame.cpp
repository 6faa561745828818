// The chart frame: background, title, plot layout, sign scan and origin
// shift, then the legend, axes and the kind's drawer, in that order.
#include <algorithm>
#include <string>

#include "chart/graph.h"
#include "chart/layout.h"
#include "chart/modern_theme.h"
#include "chart/solid_style.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr char kNoGraphType[] = "No Graph type to display";
constexpr char kNoRoomBesideLegend[] = "The image is too narrow for the chart and its legend";

// The frame's layout, in pixels.
constexpr std::int64_t kRightEdge = 5;        // the canvas width leaves this off at the right
constexpr std::int32_t kTitleTop = 10;        // the title's top row
constexpr std::int64_t kPieInset = 5;         // pies: plot inset from the left and bottom
constexpr std::int64_t kPieTopBand = 50;      // pies: height kept above the plot for the title
constexpr std::int64_t kValueLabelGap = 50;   // vertical: value labels to the plot
constexpr std::int64_t kBottomBand = 50;      // vertical: category labels and bottom title
constexpr std::int64_t kTopBand = 40;         // vertical: title band above the plot
constexpr std::int64_t kPlotRightGap = 5;     // plot to the right edge (or legend, twice)
constexpr std::int64_t kSideTitleGap = 10;    // the rotated title's x: its band is this wider
constexpr std::int64_t kBorderGap = 5;        // labels off the left border
constexpr std::int64_t kSideBottomBand = 25;  // horizontal: below the bottom title's cell
constexpr std::int64_t kSideTopBand = 45;     // horizontal: title band above the plot
constexpr std::int64_t kLegendRowsGap = 5;    // a legend in rows to what it borders

// The chart title's font starts at this height and shrinks until it fits.
constexpr std::int32_t kTitleFontStart = 24;
constexpr COLORREF kCanvasColor = 0xFFFFFF;  // inside the border

// Sign class of every point the drawers will draw: 4 for a negative category
// position with a negative value, 2 for a negative position only, 3 for a
// negative value only, else 1.
std::int32_t SignClass(const std::vector<std::unique_ptr<CGraphSeries>>& seriesList) noexcept {
  bool negativePosition = false;
  bool negativeValue = false;
  for (const auto& series : seriesList) {
    for (const CGraphDataSet& point : series->dataList) {
      negativePosition |= static_cast<std::int32_t>(point.GetXPosition()) < 0;
      negativeValue |= point.GetYValue() < 0.0f;
    }
  }
  if (negativePosition) return negativeValue ? 4 : 2;
  return negativeValue ? 3 : 1;
}

// Metrics of `font`, selected for the measurement alone.
TextMetrics MetricsOf(DrawingSurface& surface, const Font& font) noexcept {
  const ScopedFont measured(surface, font);
  return surface.GetTextMetrics();
}

}  // namespace

Font CGraph::CategoryLabelFont() const noexcept {
  return Font::Chart(valueFontHeight, 0, layout::kFixedPitchRoman);
}

std::int64_t CGraph::CategoryLabelRoom(DrawingSurface& surface, std::int64_t aveCharWidth) const {
  std::int64_t widest = 0;
  {
    const ScopedFont labelFont(surface, CategoryLabelFont());
    for (const auto& series : seriesList) {
      widest = std::max<std::int64_t>(widest, surface.GetTextExtent(series->seriesLabel));
    }
  }
  const std::int64_t estimate = std::int64_t{CategoryLabelChars()} * aveCharWidth;
  const std::int64_t share = std::max<std::int64_t>(canvasWidth / layout::kTextShare, 0);
  return std::min(std::max(estimate, widest), share);
}

COLORREF CGraph::BackgroundColor() const noexcept {
  return options.theme == Theme::kClassic ? kCanvasColor
                                          : modern::ColorsOf(options.theme).background;
}

bool CGraph::DrawGraph(DrawingSurface& surface) {
  if (DrawsModern()) return DrawModern(surface);
  ApplyClassicOptions();
  const std::int32_t imageWidth = graphWidth;
  const std::int32_t imageHeight = graphHeight;

  // A white canvas with a black border (the surface's initial 1-pixel pen);
  // the modern 3D kinds draw their own backdrop and title.
  const solid::Style style = solid::StyleOf(*this);
  if (style.modern) {
    solid::DrawBackdrop(surface, *this, style);
  } else {
    const ScopedBrush white(surface, Brush{kCanvasColor});
    surface.Rectangle(0, 0, imageWidth, imageHeight);
  }

  canvasHeight = imageHeight;
  canvasWidth = SaturateToInt32(std::int64_t{imageWidth} - kRightEdge);
  // A legend in rows along the bottom (for pies at the top too) shortens
  // the canvas the chart is laid out on; one at the top lowers the plot's top.
  const bool pie = graphType == GraphType::kPie || graphType == GraphType::k3DPie;
  // (A modern 3D chart places its own legend.)
  const LegendPosition legendAt =
      hasLegend && !style.modern ? options.legendPosition : LegendPosition::kNone;
  const bool legendRows = legendAt == LegendPosition::kTop || legendAt == LegendPosition::kBottom;
  const bool legendBelow = legendAt == LegendPosition::kBottom || (legendRows && pie);
  const std::int32_t legendRowsHeight = legendRows ? LegendRowsHeight(surface) : 0;
  if (legendBelow) {
    canvasHeight = SaturateToInt32(std::int64_t{imageHeight} - legendRowsHeight - kLegendRowsGap);
  }

  const std::int64_t titleLength = CodePointLength(chartTitle);
  if (titleLength > 0 && !style.modern) {
    const std::int32_t size = layout::FittingFontSize(kTitleFontStart, titleLength, canvasWidth);
    const ScopedFont titleFont(surface, Font::Chart(size));
    const std::int64_t averageWidth = surface.GetTextMetrics().aveCharWidth;
    surface.TextOut(SaturateToInt32(imageWidth / 2 - (titleLength / 2) * averageWidth), kTitleTop,
                    chartTitle);
  }

  if (graphType == GraphType::kPie || graphType == GraphType::k3DPie) {
    plotWidth = SaturateToInt32(canvasWidth - 2 * kPieInset);
    plotHeight = SaturateToInt32(canvasHeight - kPieTopBand);
    plotLeftX = static_cast<std::int32_t>(kPieInset);
    plotBaseY = SaturateToInt32(canvasHeight - kPieInset);
  } else {
    // The axis-title font must fit the longer side's title. Its height is
    // the band the rotated title takes at the left edge (at x 10).
    const std::int32_t size =
        layout::AxisTitleFontSize(canvasWidth, canvasHeight, xAxisLabel, yAxisLabel);
    const TextMetrics titleMetrics = MetricsOf(surface, Font::Chart(size, kEscapementUpward));
    const std::string& sideTitle = DrawsVertically() ? yAxisLabel : xAxisLabel;
    const std::int64_t titleBand =
        sideTitle.empty() ? 0 : std::int64_t{titleMetrics.height} + kSideTitleGap;
    if (DrawsVertically()) {
      // Room for maxTick's digits; more when a wider tick label (a long
      // negative one) would reach the title's band or the border.
      // Characters of a tick value's text, as the axes write it.
      const auto tickLength = [this](std::int64_t value) {
        return CodePointLength(TickText(value));
      };
      const std::int64_t digit = valueFontHeight / layout::kFontHeightPerCharWidth;
      plotLeftX = SaturateToInt32(digit * tickLength(maxTick) + kValueLabelGap);
      const std::int64_t topTick = std::int64_t{minTick} + std::int64_t{tickCount} * tickValueStep;
      const std::int64_t widest =
          std::max({tickLength(minTick), tickLength(maxTick), tickLength(topTick)});
      const std::int64_t clear =
          std::max(titleBand, kBorderGap) + digit * widest + layout::kValueLabelEnd;
      plotLeftX = SaturateToInt32(std::max<std::int64_t>(plotLeftX, clear));
      plotBaseY = SaturateToInt32(canvasHeight - kBottomBand);
      plotHeight = SaturateToInt32(plotBaseY - kTopBand);
    } else {
      // The rotated X-axis title keeps its band at the left edge; the
      // category labels start after it (or off the border) in the room the
      // widest of them takes.
      const std::int64_t room = CategoryLabelRoom(surface, titleMetrics.aveCharWidth);
      const std::int64_t band = titleBand > 0 ? titleBand : room > 0 ? kBorderGap : 0;
      plotLeftX = SaturateToInt32(room + band + layout::kCategoryLabelGap);
      plotBaseY =
          SaturateToInt32(std::int64_t{canvasHeight} - titleMetrics.height - kSideBottomBand);
      plotHeight = SaturateToInt32(plotBaseY - kSideTopBand);
    }
    if (style.modern) solid::PlaceBox(surface, *this);
    plotWidth = SaturateToInt32(std::int64_t{canvasWidth} - plotLeftX - kPlotRightGap);
  }

  if (legendRows) {
    if (legendBelow) {
      DrawLegendRows(surface, canvasHeight);
    } else {
      DrawLegendRows(surface, SaturateToInt32(std::int64_t{plotBaseY} - plotHeight));
      plotHeight = SaturateToInt32(std::int64_t{plotHeight} - legendRowsHeight - kLegendRowsGap);
    }
  } else if (style.modern ? hasLegend && options.legendPosition != LegendPosition::kNone
                          : DrawsLegend()) {
    const bool hadRoom = plotWidth > 0;
    const std::int32_t legendLeft =
        style.modern ? solid::DrawLegend(surface, *this, style) : DrawLegend(surface);
    plotWidth = SaturateToInt32(std::int64_t{legendLeft} - plotLeftX - 2 * kPlotRightGap);
    // A chart that had room fails when the legend leaves it none or has
    // none for its own texts; pies say for themselves when they have no room.
    const bool fits = plotWidth > 0 && legendTextsFit;
    if (hadRoom && !fits && graphType != GraphType::kPie && graphType != GraphType::k3DPie) {
      SetErrorText(kNoRoomBesideLegend);
      return false;
    }
  }

  // Every draw classifies its own data; kinds without a sign scan lay out as
  // for positive data whatever an earlier draw found.
  quadrant = 1;
  if (graphType == GraphType::kBar || graphType == GraphType::kLine ||
      graphType == GraphType::k3DLine) {
    quadrant = SignClass(seriesList);
    // A fixed axis that does not reach below zero has no zero line to hang
    // negative values from: they run off its bottom like any value below it.
    if (fixedValueAxis && quadrant == 3 && !(minTick < 0 && maxTick > 0)) quadrant = 1;
  }

  // Vertical bar and line charts with negative values move the base line to
  // the zero line. Horizontal charts keep their layout: their values run
  // along the bottom axis, which shows minTick to maxTick as for positive data.
  if ((graphType == GraphType::kBar || graphType == GraphType::kLine) && DrawsVertically()) {
    const std::int32_t zeroOffset =
        layout::ZeroOffset(minTick, maxTick, tickCount, tickValueStep, plotHeight);
    switch (quadrant) {
      case 2: plotLeftX = SaturateToInt32(std::int64_t{plotLeftX} + plotWidth / 2); break;
      case 3:
        plotBaseY = SaturateToInt32(std::int64_t{plotBaseY} + zeroOffset - plotHeight / 2);
        break;
      case 4:
        plotLeftX = SaturateToInt32(std::int64_t{plotLeftX} + plotWidth / 2);
        plotBaseY = SaturateToInt32(std::int64_t{plotBaseY} - plotHeight / 2);
        break;
      default: break;
    }
  }

  if (graphType != GraphType::kPie && graphType != GraphType::k3DPie) DrawAxes(surface);
  return DrawByKind(surface);
}

bool CGraph::DrawByKind(DrawingSurface& surface) {
  switch (graphType) {
    case GraphType::kBar: DrawBars(surface); break;
    case GraphType::kPie: return DrawPies(surface);
    case GraphType::kLine: DrawLines(surface); break;
    case GraphType::kBoxWhisker: DrawBoxWhiskers(surface); break;
    case GraphType::kStackedBar: DrawStackedBars(surface); break;
    case GraphType::k3DBar: Draw3DBars(surface); break;
    case GraphType::k3DLine: Draw3DLines(surface); break;
    case GraphType::k3DPie: return Draw3DPies(surface);
    case GraphType::k3DStackedBar: Draw3DStackedBars(surface); break;
    default: SetErrorText(kNoGraphType); break;
  }
  return true;
}

}  // namespace tessaloom
