// Axes, ticks, labels, grid and titles of the flat kinds, and the entry that
// picks the flat axes or the box frame of the 3D kinds.
//
// The value axis runs from minTick in tickCount steps of tickValueStep and
// leaves a 10-pixel margin at its far end; the category axis has one slot
// per series. With negative values in a vertical chart (quadrant 3) the
// frame has moved plotBaseY to the zero line, and the axes are laid out
// around that line.
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
using axes::Text;
using axes::TextLength;
using axes::ValueText;

// The flat axes' layout, in pixels.
constexpr std::int64_t kTickHalfLength = 3;  // tick marks reach this far either side of the axis

// The side of the plot an axis runs along.
enum class Side { kLeft, kBottom };

// One axis of a flat plot, the plot it bounds and how its labels stand. A
// position on the axis is one pixel coordinate: a y on the left axis, an x
// on the bottom one.
struct FlatAxis {
  Side side;
  std::int64_t cornerX;     // where the axes meet: the left axis's x
  std::int64_t cornerY;     // and the bottom axis's y (the zero line in quadrant 3)
  std::int64_t plotWidth;   // grid lines cross the plot
  std::int64_t plotHeight;  // to its far side
  Font labelFont;
  // Left: a value label's digit; bottom: a label's character (to centre it).
  std::int64_t labelCharWidth;
  std::int64_t labelTop;  // bottom: the labels' top row

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

  // Left: the x at which a value label ends kValueLabelEnd short of the
  // axis, by the digit estimate.
  [[nodiscard]] std::int64_t ValueLabelX(std::string_view label) const {
    return cornerX - labelCharWidth * TextLength(label) - layout::kValueLabelEnd;
  }

  // Bottom: the x at which a label stands centred on its tick.
  [[nodiscard]] std::int64_t CentredLabelX(std::int64_t position, std::string_view label) const {
    return position - (labelCharWidth * TextLength(label)) / 2;
  }
};

// The value ticks: count + 1 of them, `spacing` pixels apart, the first at
// the corner; their values run from `first` in steps of `valueStep`.
struct ValueTicks {
  std::int64_t count;
  std::int64_t spacing;
  std::int64_t first;
  std::int64_t valueStep;
  bool gridLines;
};

// Value ticks up the left axis or right along the bottom one. Labels end
// left of the left axis, level with their tick, or stand centred under the
// bottom one. The last tick's position goes to `axisEnd`.
void DrawValueAxis(DrawingSurface& surface, const FlatAxis& axis, const ValueTicks& ticks,
                   std::int32_t& axisEnd) {
  axes::TickLabels labels(axis.side == Side::kBottom);
  for (std::int64_t tick = 0; tick <= ticks.count; ++tick) {
    const std::int64_t position = axis.At(tick * ticks.spacing);
    axis.Tick(surface, position, ticks.gridLines);
    const std::string label = ValueText(ticks.first + tick * ticks.valueStep);
    if (axis.side == Side::kLeft) {
      labels.Draw(surface, axis.labelFont, axis.ValueLabelX(label),
                  position - layout::kValueLabelRise, label);
    } else {
      labels.Draw(surface, axis.labelFont, axis.CentredLabelX(position, label), axis.labelTop,
                  label);
    }
    axisEnd = SaturateToInt32(position);
  }
}

// The left value axis of quadrant 3, whose corner is the zero line, `top`
// the highest tick. Ticks run down from the top: the upper half counts down
// from `last`, the lower half up from ticks.first, and "0" marks the zero
// line in between. The "0" has the first claim on its place.
void DrawValueAxisAroundZero(DrawingSurface& surface, const FlatAxis& axis, const ValueTicks& ticks,
                             std::int64_t last, std::int64_t top, std::int32_t& axisEnd) {
  const std::int64_t zeroLabelTop = axis.cornerY - layout::kValueLabelRise;
  const Font previous = surface.SelectFont(axis.labelFont);
  axes::TickLabels labels(false);
  labels.Take(zeroLabelTop, zeroLabelTop + surface.GetTextMetrics().height);
  const std::int64_t middle = ticks.count / 2;
  for (std::int64_t tick = 0; tick <= ticks.count; ++tick) {
    const std::int64_t position = top + tick * ticks.spacing;
    axis.Tick(surface, position, ticks.gridLines);
    const std::string label =
        ValueText(tick <= middle ? last - tick * ticks.valueStep
                                 : ticks.first + (ticks.count - tick) * ticks.valueStep);
    labels.Draw(surface, axis.ValueLabelX(label), position - layout::kValueLabelRise, label);
    axisEnd = SaturateToInt32(position);
    if (tick == middle) Text(surface, axis.ValueLabelX("0"), zeroLabelTop, "0");
  }
  surface.SelectFont(previous);
}

// A category tick at the centre of each series' slot, `slot` pixels wide,
// the first series nearest the corner. Labels stand centred under the
// bottom axis, or left of the left axis in `room` pixels (cut to fit),
// their cells of `labelHeight` centred on the tick. The last tick's
// position goes to `axisEnd`.
void DrawCategoryAxis(DrawingSurface& surface, const FlatAxis& axis,
                      const std::vector<std::unique_ptr<CGraphSeries>>& seriesList,
                      std::int64_t slot, std::int64_t room, std::int64_t labelHeight,
                      std::int32_t& axisEnd) {
  axes::TickLabels labels(axis.side == Side::kBottom);
  std::int64_t slotEnd = slot;
  for (const auto& series : seriesList) {
    const std::int64_t position = axis.At(slotEnd - slot / 2);
    axis.Tick(surface, position, false);
    const std::string label = series->GetLabel();
    if (axis.side == Side::kLeft) {
      labels.Draw(surface, axis.labelFont, axis.cornerX - room - layout::kCategoryLabelGap,
                  position - labelHeight / 2, label, room);
    } else {
      labels.Draw(surface, axis.labelFont, axis.CentredLabelX(position, label), axis.labelTop,
                  label);
    }
    axisEnd = SaturateToInt32(position);
    slotEnd += slot;
  }
}

}  // namespace

void CGraph::DrawAxes(DrawingSurface& surface) {
  surface.SetTextColor(axes::kAxisTextColor);
  switch (graphType) {
    case GRAPH_BAR:
    case GRAPH_LINE:
    case GRAPH_BOX_WHISKER:
    case GRAPH_STACKED_BAR: break;
    case GRAPH_3D_BAR:
    case GRAPH_3D_LINE:
    case GRAPH_3D_STACKED_BAR: Draw3DAxes(surface); return;
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

  if (hasBackColor != 0) {
    // Behind the whole left axis: in every quadrant the rectangle the frame
    // laid out. (Measured up from the zero line instead, it would paint over
    // the title and leave the negative half bare.) The fill makes backColor
    // the background colour, so the old one is put back for the labels.
    const COLORREF background = surface.GetBkColor();
    surface.FillSolidRect(plotLeftX, SaturateToInt32(plotTop), plotWidth, plotHeight, backColor);
    surface.SetBkColor(background);
  }

  {
    const ScopedPen axisPen(surface, axes::kAxisPen);
    Line(surface, cornerX, plotBottom, cornerX, plotTop);
    Line(surface, cornerX, cornerY, cornerX + width, cornerY);
  }

  const std::int32_t titleSize =
      axes::TitleFontSize(canvasWidth, canvasHeight, xAxisLabel, yAxisLabel);
  const axes::TitleResult titles =
      axes::DrawTitles(surface, titleSize, vertical ? yAxisLabel : xAxisLabel,
                       negative ? cornerY : cornerY - height / 2,
                       vertical ? xAxisLabel : yAxisLabel, cornerX + width / 2, canvasHeight);

  // An axis along `side` with its labels in `font`, `charWidth` pixels to
  // a digit or character (see FlatAxis). Labels under the bottom axis stay
  // under the plot (around zero too), above the bottom title.
  const auto axisOn = [&](Side side, const Font& font, std::int64_t charWidth) {
    return FlatAxis{side,   cornerX, cornerY,   width,
                    height, font,    charWidth, plotBottom + layout::kLabelDrop};
  };
  // Value ticks spread over `extent` pixels less the far-end margin. A
  // tickCount below 1 has no steps to draw.
  const auto valueTicks = [&](std::int64_t extent) {
    return ValueTicks{tickCount, (extent - layout::kValueAxisMargin) / tickCount, minTick,
                      tickValueStep, hasGridLines != 0};
  };
  const auto categories = static_cast<std::int64_t>(seriesList.size());
  const Font categoryLabelFont = Font::Chart(categoryFontHeight);

  if (vertical) {
    // Values up the left axis, categories along the bottom.
    const FlatAxis valueAxis = axisOn(Side::kLeft, Font::Chart(valueFontHeight),
                                      valueFontHeight / layout::kFontHeightPerDigit);
    if (tickCount > 0 && !negative) DrawValueAxis(surface, valueAxis, valueTicks(height), axisEndY);
    if (tickCount > 0 && negative) {
      const ValueTicks ticks = valueTicks(height);
      const std::int64_t top = cornerY - ticks.count * ticks.spacing / 2 - zeroOffset;
      DrawValueAxisAroundZero(surface, valueAxis, ticks, maxTick, top, axisEndY);
    }
    if (categories > 0) {
      const FlatAxis categoryAxis =
          axisOn(Side::kBottom, categoryLabelFont, layout::kCategoryCharWidth);
      DrawCategoryAxis(surface, categoryAxis, seriesList, width / categories, 0, 0, axisEndX);
    }
  } else {
    // Categories up the left axis, the first series at the bottom, labels
    // in the room the frame kept for them right of the X-axis title's band;
    // values along the bottom, labels centred by the bottom title's metrics.
    if (categories > 0) {
      const FlatAxis categoryAxis = axisOn(Side::kLeft, CategoryLabelFont(), 0);
      const std::int64_t room = CategoryLabelRoom(surface, titles.bottomAveCharWidth);
      DrawCategoryAxis(surface, categoryAxis, seriesList, height / categories, room,
                       titles.bottomHeight, axisEndY);
    }
    if (tickCount > 0) {
      const FlatAxis valueAxis =
          axisOn(Side::kBottom, categoryLabelFont, titles.bottomAveCharWidth);
      DrawValueAxis(surface, valueAxis, valueTicks(width), axisEndX);
    }
  }

  surface.SelectFont(titles.entryFont);
}

}  // namespace tessaloom
