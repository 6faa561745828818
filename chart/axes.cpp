// Axes, ticks, labels, grid and titles of the flat kinds, and the entry that
// picks the flat axes or the box frame of the 3D kinds.
//
// The value axis runs from minTick in tickCount steps of tickValueStep and
// leaves a margin (layout::kValueAxisMargin) at its far end; the category
// axis has one slot per series. With negative values in a vertical chart
// (quadrant 3) the frame has moved plotBaseY to the zero line, and the axes
// are laid out around that line.
// All pixel arithmetic is done in 64 bits and saturated to 32 at the surface.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "chart/axes_common.h"
#include "chart/graph.h"
#include "chart/layout.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

using axes::GridLine;
using axes::Line;
using axes::Side;
using axes::Text;
using axes::ValueLabelX;
using axes::ValueTicks;

// The flat axes' layout, in pixels.
constexpr std::int64_t kTickHalfLength = 3;  // tick marks reach this far either side of the axis

// One axis of a flat plot, the plot it bounds and how its labels stand.
struct FlatAxis {
  Side side;
  std::int64_t cornerX;     // where the axes meet: the left axis's x
  std::int64_t cornerY;     // and the bottom axis's y (the zero line in quadrant 3)
  std::int64_t plotWidth;   // grid lines cross the plot
  std::int64_t plotHeight;  // to its far side
  axes::LabelPlacement labels;

  // The position `distance` pixels from the corner: up the left axis, right
  // along the bottom one.
  [[nodiscard]] std::int64_t At(std::int64_t distance) const {
    return side == Side::kLeft ? cornerY - distance : cornerX + distance;
  }

  // The tick mark at `position`, across the axis, and with `gridLine` a
  // line from there across the plot.
  void Tick(DrawingSurface& surface, std::int64_t position, bool gridLine) const {
    if (side == Side::kLeft) {
      Line(surface, cornerX - kTickHalfLength, position, cornerX + kTickHalfLength, position);
      if (gridLine) GridLine(surface, cornerX, position, cornerX + plotWidth, position);
    } else {
      Line(surface, position, cornerY - kTickHalfLength, position, cornerY + kTickHalfLength);
      if (gridLine) GridLine(surface, position, cornerY, position, cornerY - plotHeight);
    }
  }
};

// Value ticks up the left axis or right along the bottom one, labelled
// with their values. The last tick's position goes to `axisEnd`.
void DrawValueAxis(DrawingSurface& surface, const FlatAxis& axis, const ValueTicks& ticks,
                   std::int32_t& axisEnd) {
  axes::AxisLabels labels(axis.side, axis.labels);
  for (std::int64_t tick = 0; tick <= ticks.count; ++tick) {
    const std::int64_t position = axis.At(tick * ticks.spacing);
    axis.Tick(surface, position, ticks.gridLines);
    labels.Value(surface, position, ticks.Label(ticks.first + tick * ticks.valueStep));
    axisEnd = SaturateToInt32(position);
  }
}

// The left value axis of quadrant 3, whose corner is the zero line and
// whose ticks are centred `zeroOffset` above it. Ticks run down from the
// top: the upper half counts down from `last`, the lower half up from
// ticks.first, and "0" marks the zero line in between. The "0" has the
// first claim on its place.
void DrawValueAxisAroundZero(DrawingSurface& surface, const FlatAxis& axis, const ValueTicks& ticks,
                             std::int64_t last, std::int64_t zeroOffset, std::int32_t& axisEnd) {
  const std::int64_t top = axis.cornerY - ticks.count * ticks.spacing / 2 - zeroOffset;
  const std::int64_t zeroLabelTop = axis.cornerY - layout::kValueLabelRise;
  const Font previous = surface.SelectFont(axis.labels.font);
  axes::TickLabels labels(false);
  labels.Take(zeroLabelTop, zeroLabelTop + surface.GetTextMetrics().height);
  const std::int64_t middle = ticks.count / 2;
  const auto labelX = [&](std::string_view label) {
    return ValueLabelX(axis.cornerX, axis.labels.charWidth, label);
  };
  for (std::int64_t tick = 0; tick <= ticks.count; ++tick) {
    const std::int64_t position = top + tick * ticks.spacing;
    axis.Tick(surface, position, ticks.gridLines);
    const std::string label =
        ticks.Label(tick <= middle ? last - tick * ticks.valueStep
                                   : ticks.first + (ticks.count - tick) * ticks.valueStep);
    labels.Draw(surface, labelX(label), position - layout::kValueLabelRise, label);
    axisEnd = SaturateToInt32(position);
    if (tick == middle) Text(surface, labelX(ticks.Label(0)), zeroLabelTop, ticks.Label(0));
  }
  surface.SelectFont(previous);
}

// A category tick at the centre of each series' slot, `slot` pixels wide,
// the first series nearest the corner, labelled with the series' label.
// The last tick's position goes to `axisEnd`.
void DrawCategoryAxis(DrawingSurface& surface, const FlatAxis& axis,
                      const std::vector<std::unique_ptr<CGraphSeries>>& seriesList,
                      std::int64_t slot, std::int32_t& axisEnd) {
  axes::AxisLabels labels(axis.side, axis.labels);
  std::int64_t slotEnd = slot;
  for (const auto& series : seriesList) {
    const std::int64_t position = axis.At(slotEnd - slot / 2);
    axis.Tick(surface, position, false);
    labels.Category(surface, position, series->GetLabel());
    axisEnd = SaturateToInt32(position);
    slotEnd += slot;
  }
}

}  // namespace

void CGraph::DrawAxes(DrawingSurface& surface) {
  surface.SetTextColor(axes::kAxisTextColor);
  switch (graphType) {
    case GraphType::kBar:
    case GraphType::kLine:
    case GraphType::kBoxWhisker:
    case GraphType::kStackedBar: break;
    case GraphType::k3DBar:
    case GraphType::k3DLine:
    case GraphType::k3DStackedBar: Draw3DAxes(surface); return;
    default: return;
  }

  const std::int64_t cornerX = plotLeftX;
  const std::int64_t cornerY = plotBaseY;
  const std::int64_t height = plotHeight;
  const std::int64_t width = plotWidth;
  const std::int64_t zeroOffset =
      layout::ZeroOffset(minTick, maxTick, tickCount, tickValueStep, plotHeight);
  // Quadrants 2 and 4 (a negative category position) cannot arise from the
  // component's data; they are laid out like quadrant 1. Horizontal charts
  // with negative values keep the layout of positive ones: their value axis
  // already runs from minTick to maxTick.
  const bool vertical = DrawsVertically();
  const bool negative = quadrant == 3 && vertical;

  // The left axis spans the plot's full height. In quadrant 3 plotBaseY is
  // the zero line, which lies zeroOffset below the middle of the plot; the
  // base line is drawn there.
  const std::int64_t plotTop = negative ? cornerY - height / 2 - zeroOffset : cornerY - height;
  const std::int64_t plotBottom = negative ? cornerY + height / 2 - zeroOffset : cornerY;

  if (hasBackColor) {
    // Behind the whole left axis: in every quadrant the rectangle the frame
    // laid out. (Measured up from the zero line instead, it would paint over
    // the title and leave the negative half bare.) The fill makes backColor
    // the background colour, so the old one is put back for the labels.
    const ScopedBkColor keepBackground(surface);
    surface.FillSolidRect(plotLeftX, SaturateToInt32(plotTop), plotWidth, plotHeight, backColor);
  }

  {
    const ScopedPen axisPen(surface, axes::kAxisPen);
    Line(surface, cornerX, plotBottom, cornerX, plotTop);
    Line(surface, cornerX, cornerY, cornerX + width, cornerY);
  }

  const std::int32_t titleSize =
      layout::AxisTitleFontSize(canvasWidth, canvasHeight, xAxisLabel, yAxisLabel);
  const axes::TitleResult titles =
      axes::DrawTitles(surface, titleSize, vertical ? yAxisLabel : xAxisLabel,
                       negative ? cornerY : cornerY - height / 2,
                       vertical ? xAxisLabel : yAxisLabel, cornerX + width / 2, canvasHeight);

  // An axis along `side`, its labels placed as `labels` says.
  const auto axisOn = [&](Side side, axes::LabelPlacement labels) {
    labels.axisX = cornerX;
    return FlatAxis{side, cornerX, cornerY, width, height, labels};
  };
  // Value ticks spread over `extent` pixels less the far-end margin. A
  // tickCount below 1 has no steps to draw.
  const auto valueTicks = [&](std::int64_t extent) {
    return axes::ValueTicks{tickCount,    (extent - layout::kValueAxisMargin) / tickCount,
                            minTick,      tickValueStep,
                            hasGridLines, numberFormat.get()};
  };
  const auto categories = static_cast<std::int64_t>(seriesList.size());
  // Labels under the bottom axis stay under the plot (around zero too),
  // above the bottom title.
  const Font categoryLabelFont = Font::Chart(categoryFontHeight);
  const std::int64_t bottomLabelTop = plotBottom + layout::kLabelDrop;

  if (vertical) {
    // Values up the left axis, categories along the bottom.
    const FlatAxis valueAxis =
        axisOn(Side::kLeft, {.font = Font::Chart(valueFontHeight),
                             .charWidth = valueFontHeight / layout::kFontHeightPerCharWidth});
    if (tickCount > 0 && negative) {
      DrawValueAxisAroundZero(surface, valueAxis, valueTicks(height), maxTick, zeroOffset,
                              axisEndY);
    } else if (tickCount > 0) {
      DrawValueAxis(surface, valueAxis, valueTicks(height), axisEndY);
    }
    if (categories > 0) {
      const FlatAxis categoryAxis = axisOn(Side::kBottom, {.font = categoryLabelFont,
                                                           .charWidth = layout::kCategoryCharWidth,
                                                           .top = bottomLabelTop});
      DrawCategoryAxis(surface, categoryAxis, seriesList, width / categories, axisEndX);
    }
  } else {
    // Categories up the left axis, the first series at the bottom, labels
    // in the room the frame kept for them right of the X-axis title's band;
    // values along the bottom, labels centred by the bottom title's metrics.
    if (categories > 0) {
      const FlatAxis categoryAxis =
          axisOn(Side::kLeft, {.font = CategoryLabelFont(),
                               .room = CategoryLabelRoom(surface, titles.bottomAveCharWidth),
                               .cellHeight = titles.bottomHeight});
      DrawCategoryAxis(surface, categoryAxis, seriesList, height / categories, axisEndY);
    }
    if (tickCount > 0) {
      const FlatAxis valueAxis = axisOn(Side::kBottom, {.font = categoryLabelFont,
                                                        .charWidth = titles.bottomAveCharWidth,
                                                        .top = bottomLabelTop});
      DrawValueAxis(surface, valueAxis, valueTicks(width), axisEndX);
    }
  }

  surface.SelectFont(titles.entryFont);
}

}  // namespace tessaloom
