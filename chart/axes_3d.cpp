// The box frame of the three-dimensional kinds: an open box seen obliquely
// from the front. The front plane carries the two axes; the back plane is
// the same rectangle moved up and right by the depth d; diagonals join them.
//
// The frame decides d (depthRatio of the plot height) and shrinks plotHeight
// and plotWidth by it, so the 3D drawers that follow place their data on the
// front plane and recede by depth3D. Box edges and tick marks use the
// surface's current pen; the value ticks' diagonals and the grid lines a
// 1-pixel black pen of their own. All pixel arithmetic is done in 64 bits and saturated to 32.
// In a modern theme the same box is drawn in the modern look (DrawModernBox).
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/axes_common.h"
#include "chart/graph.h"
#include "chart/layout.h"
#include "chart/modern_theme.h"
#include "chart/solid_style.h"
#include "chart/value_format.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

using axes::Line;
using axes::LineTo;
using axes::MoveTo;
using axes::Side;
using axes::Text;
using axes::ValueText;
using axes::ValueTicks;

// Ticks and the two front axes reach out of the box by this share of the
// depth.
constexpr double kTickReachShare = 0.2;
// The modern box's upright category labels are cut to their slot but to
// no less than this many pixels (some six characters); crowded ones are
// thinned out instead.
constexpr std::int64_t kLeastCategoryRoom = 48;

// A pixel point in 64 bits.
struct Spot {
  std::int64_t x;
  std::int64_t y;
};

void LineTo(DrawingSurface& surface, const Spot& to) { LineTo(surface, to.x, to.y); }

void Line(DrawingSurface& surface, const Spot& from, const Spot& to) {
  Line(surface, from.x, from.y, to.x, to.y);
}

// The box: its front plane, the depth the back plane lies up and right of
// it, and how far ticks and the front axes reach out of it.
struct Box {
  std::int64_t cornerX;  // the front plane's lower-left corner
  std::int64_t cornerY;
  std::int64_t frontWidth;
  std::int64_t frontHeight;
  std::int64_t depth;
  std::int64_t reach;
};

// One axis of the box's front plane and how its labels stand. Positions are
// as for the flat axes: a y on the left axis, an x on the bottom one.
struct BoxAxis : Box {
  Side side;
  axes::LabelPlacement labels;

  // The position `distance` pixels from the corner: up the left axis, right
  // along the bottom one.
  [[nodiscard]] std::int64_t At(std::int64_t distance) const {
    return side == Side::kLeft ? cornerY - distance : cornerX + distance;
  }
  // The point of the axis at `position`.
  [[nodiscard]] Spot OnAxis(std::int64_t position) const {
    return side == Side::kLeft ? Spot{cornerX, position} : Spot{position, cornerY};
  }
  // Where a tick at `position` starts, outside the box.
  [[nodiscard]] Spot Outside(std::int64_t position) const {
    return side == Side::kLeft ? Spot{cornerX - reach, position} : Spot{position, cornerY + reach};
  }
  // The point of the back plane behind the axis at `position`.
  [[nodiscard]] Spot Behind(std::int64_t position) const {
    const Spot front = OnAxis(position);
    return {front.x + depth, front.y - depth};
  }
  // The far side of the back plane from Behind(position): across it from
  // the left, up it from the bottom.
  [[nodiscard]] Spot AcrossBack(std::int64_t position) const {
    const Spot back = Behind(position);
    return side == Side::kLeft ? Spot{back.x + frontWidth, back.y}
                               : Spot{back.x, back.y - frontHeight};
  }

  // The tick mark at `position`, from outside the box to the axis.
  void Tick(DrawingSurface& surface, std::int64_t position) const {
    Line(surface, Outside(position), OnAxis(position));
  }
};

// Paints the box's silhouette in `color`: the back and front planes of a
// plot of `width` x `height` (before the front plane shrinks by the depth)
// and the two triangular notches between them. The background colour is
// kept.
void FillSilhouette(DrawingSurface& surface, const Box& box, std::int64_t width,
                    std::int64_t height, COLORREF color) {
  const std::int64_t left = box.cornerX;
  const std::int64_t bottom = box.cornerY;
  const std::int64_t depth = box.depth;
  const ScopedBkColor keepBackground(surface);  // the fills make color the background
  const std::int32_t planeWidth = SaturateToInt32(width - depth);
  const std::int32_t planeHeight = SaturateToInt32(height - depth);
  surface.FillSolidRect(SaturateToInt32(left + depth), SaturateToInt32(bottom - height), planeWidth,
                        planeHeight, color);
  surface.FillSolidRect(SaturateToInt32(left), SaturateToInt32(bottom - height + depth), planeWidth,
                        planeHeight, color);
  const Brush brush{color};
  const Point upperLeft[] = {layout::PointAt(left, bottom - height + depth),
                             layout::PointAt(left + depth, bottom - height + depth),
                             layout::PointAt(left + depth, bottom - height)};
  const Point lowerRight[] = {layout::PointAt(left + width - depth, bottom),
                              layout::PointAt(left + width - depth, bottom - depth),
                              layout::PointAt(left + width, bottom - depth)};
  surface.FillPolygon(upperLeft, brush);
  surface.FillPolygon(lowerRight, brush);
}

// The box's edges in the current pen: the back plane's, the two front axes
// reaching out of the box, and the three diagonals that join the planes.
void DrawEdges(DrawingSurface& surface, const Box& box) {
  const Spot corner{box.cornerX, box.cornerY};
  const Spot axisTop{corner.x, corner.y - box.frontHeight};
  const Spot baseEnd{corner.x + box.frontWidth, corner.y};
  const Spot back{corner.x + box.depth, corner.y - box.depth};  // the back plane's corner
  const Spot backTop{back.x, back.y - box.frontHeight};
  const Spot backEnd{back.x + box.frontWidth, back.y};
  Line(surface, back, backTop);                              // the back plane's left edge
  Line(surface, back, backEnd);                              // and its bottom edge
  Line(surface, {corner.x, corner.y + box.reach}, axisTop);  // the front value axis
  Line(surface, {corner.x - box.reach, corner.y}, baseEnd);  // the front base line
  Line(surface, corner, back);                               // the diagonals: at the corner,
  Line(surface, axisTop, backTop);                           // at the value axis's top
  Line(surface, baseEnd, backEnd);                           // and at the base line's end
  MoveTo(surface, backTop.x, backTop.y);                     // the back plane's top and right edges
  LineTo(surface, backEnd.x, backTop.y);
  LineTo(surface, backEnd);
}

// Value ticks up the front axis or along the base line, labelled with
// their values, each continued in the grid pen back across the side wall or
// floor and, with grid lines, across the back plane; a short tick halfway
// between each two. The last tick's position goes to `axisEnd`.
void DrawValueAxis(DrawingSurface& surface, const BoxAxis& axis, const ValueTicks& ticks,
                   std::int32_t& axisEnd) {
  axes::AxisLabels labels(axis.side, axis.labels);
  for (std::int64_t tick = 0; tick <= ticks.count; ++tick) {
    const std::int64_t position = axis.At(tick * ticks.spacing);
    axis.Tick(surface, position);
    {
      const ScopedPen grid(surface, axes::kGridPen);
      Line(surface, axis.OnAxis(position), axis.Behind(position));
      if (ticks.gridLines) LineTo(surface, axis.AcrossBack(position));
    }
    labels.Value(surface, position, ticks.Label(ticks.first + tick * ticks.valueStep));
    axisEnd = SaturateToInt32(position);
    if (tick >= 1) {
      // Half of each of the two tick offsets, truncated separately (the
      // offsets are whole pixels, so halving truncates like x * 0.5).
      axis.Tick(surface, axis.At((tick * ticks.spacing) / 2 + ((tick - 1) * ticks.spacing) / 2));
    }
  }
}

// Category slots `slot` pixels long up the front axis or along the base
// line, the first series nearest the corner: a tick at each slot's far end,
// continued back across the side wall or floor, and the series' label at
// the slot's centre. The last slot's end (left) or centre (bottom) goes to
// `axisEnd`.
void DrawCategoryAxis(DrawingSurface& surface, const BoxAxis& axis,
                      const std::vector<std::unique_ptr<CGraphSeries>>& seriesList,
                      std::int64_t slot, std::int32_t& axisEnd) {
  axes::AxisLabels labels(axis.side, axis.labels);
  std::int64_t slotEnd = slot;
  for (const auto& series : seriesList) {
    const std::int64_t end = axis.At(slotEnd);
    const std::int64_t centre = axis.At(slotEnd - slot / 2);
    axis.Tick(surface, end);
    LineTo(surface, axis.Behind(end));
    labels.Category(surface, centre, series->GetLabel());
    axisEnd = SaturateToInt32(axis.side == Side::kLeft ? end : centre);
    slotEnd += slot;
  }
}

// The modern box: pale walls and floor, light value gridlines across the
// side wall (or floor) and the back plane, light edges, no tick marks. Value
// labels stand on their nice ticks, centred on them; category labels centred
// on their slots, cut to them, thinned where they crowd; sans axis titles.
void DrawModernBox(DrawingSurface& surface, CGraph& graph, const Box& box, std::int64_t width,
                   std::int64_t height, const solid::Style& style) {
  FillSilhouette(surface, box, width, height, style.wall);
  surface.SetTextColor(style.text);
  const bool vertical = graph.DrawsVertically();
  const ScopedFont font(surface, Font::Sans(modern::kLabelCell));
  const std::int64_t cell = surface.GetTextMetrics().height;
  const BoxAxis valueAxis{box, vertical ? Side::kLeft : Side::kBottom, {}};
  const BoxAxis categoryAxis{box, vertical ? Side::kBottom : Side::kLeft, {}};
  const std::int64_t valueExtent = vertical ? box.frontHeight : box.frontWidth;
  const tessaloom::ValueTicks ticks = solid::ValueAxisOf(graph);
  {
    const ScopedPen grid(surface, style.grid);
    for (std::int32_t i = 0; i < ticks.count; ++i) {
      const std::int64_t position = valueAxis.At(solid::Offset(ticks, valueExtent, ticks.Tick(i)));
      Line(surface, valueAxis.OnAxis(position), valueAxis.Behind(position));
      LineTo(surface, valueAxis.AcrossBack(position));
    }
  }
  {
    const ScopedPen edges(surface, style.edge);
    DrawEdges(surface, box);
  }

  ValueFormat format;
  std::string error;
  if (!format.Parse(graph.options.valueFormat, error)) format = ValueFormat();
  axes::TickLabels values(!vertical);
  for (std::int32_t i = 0; i < ticks.count; ++i) {
    const std::int64_t position = valueAxis.At(solid::Offset(ticks, valueExtent, ticks.Tick(i)));
    const std::string text = format.FormatTick(ticks, i);
    const std::int64_t textWidth = surface.GetTextExtent(text);
    if (vertical) {
      values.Draw(surface, box.cornerX - solid::kLabelGap - textWidth, position - cell / 2, text);
    } else {
      values.Draw(surface, position - textWidth / 2, box.cornerY + solid::kLabelGap, text);
    }
    (vertical ? graph.axisEndY : graph.axisEndX) = SaturateToInt32(position);
  }

  const auto categories = static_cast<std::int64_t>(graph.seriesList.size());
  axes::TickLabels labels(vertical);
  const std::int64_t slot =
      categories > 0 ? (vertical ? box.frontWidth : box.frontHeight) / categories : 0;
  // Upright charts' labels keep to their slot, but to no less than
  // kLeastCategoryRoom; lying ones to the room left of the axis, beyond the
  // title.
  const std::int64_t room = vertical
                                ? std::max(slot - solid::kLabelGap / 2, kLeastCategoryRoom)
                                : box.cornerX - solid::kLabelGap - modern::kMargin -
                                      (graph.xAxisLabel.empty() ? 0 : cell + solid::kAxisTitleGap);
  std::vector<std::string> texts;
  std::int64_t widest = 0;
  for (const auto& series : graph.seriesList) {
    texts.push_back(layout::FitText(surface, series->GetLabel(), room));
    widest = std::max<std::int64_t>(widest, surface.GetTextExtent(texts.back()));
  }
  // Crowded labels show every stride-th category, evenly.
  const std::int64_t extent = vertical ? widest + axes::kTickLabelGap : cell;
  const std::int64_t stride = slot > 0 ? std::max<std::int64_t>((extent + slot - 1) / slot, 1) : 1;
  std::int64_t slotEnd = slot;
  for (std::size_t k = 0; k < texts.size(); ++k, slotEnd += slot) {
    const std::int64_t centre = categoryAxis.At(slotEnd - slot / 2);
    (vertical ? graph.axisEndX : graph.axisEndY) = SaturateToInt32(centre);
    if (static_cast<std::int64_t>(k) % stride != 0) continue;
    const std::string& text = texts[k];
    const std::int64_t textWidth = surface.GetTextExtent(text);
    if (vertical) {
      labels.Draw(surface, centre - textWidth / 2, box.cornerY + solid::kLabelGap, text);
    } else {
      labels.Draw(surface, box.cornerX - solid::kLabelGap - textWidth, centre - cell / 2, text);
    }
  }

  // The axis titles: the left one runs upward at the margin, centred on the
  // front plane; the bottom one centred under its labels.
  const std::string& leftTitle = vertical ? graph.yAxisLabel : graph.xAxisLabel;
  const std::string& bottomTitle = vertical ? graph.xAxisLabel : graph.yAxisLabel;
  if (!bottomTitle.empty()) {
    const std::string text = layout::FitText(surface, bottomTitle, box.frontWidth);
    Text(surface, box.cornerX + box.frontWidth / 2 - surface.GetTextExtent(text) / 2,
         box.cornerY + solid::kLabelGap + cell + solid::kAxisTitleGap, text);
  }
  if (!leftTitle.empty()) {
    const std::string text = layout::FitText(surface, leftTitle, box.frontHeight);
    const std::int64_t textWidth = surface.GetTextExtent(text);
    const ScopedFont upward(surface, Font::Sans(modern::kLabelCell, false, kEscapementUpward));
    Text(surface, modern::kMargin, box.cornerY - box.frontHeight / 2 + textWidth / 2, text);
  }
}

}  // namespace

void CGraph::Draw3DAxes(DrawingSurface& surface) {
  // The plot as the frame laid it out; from here on the plot is the box's
  // front plane.
  const solid::Style style = solid::StyleOf(*this);
  std::int64_t width = plotWidth;
  const std::int64_t height = plotHeight;
  depth3D = TruncateToInt32(static_cast<double>(plotHeight) * depthRatio);
  if (style.modern && !DrawsVertically()) {
    // The value label centred on the axis's end keeps inside the box's
    // right edge, clear of the legend and the canvas edge.
    width -= std::max<std::int64_t>(solid::WidestValueLabel(surface, *this) / 2 - depth3D, 0);
  }
  plotHeight = SaturateToInt32(height - depth3D);
  plotWidth = SaturateToInt32(width - depth3D);
  // The modern box has no tick marks; its axes end at its corner.
  const std::int32_t reach =
      style.modern ? 0 : TruncateToInt32(kTickReachShare * static_cast<double>(depth3D));
  const Box box{plotLeftX, plotBaseY, plotWidth, plotHeight, depth3D, reach};
  if (style.modern) {
    DrawModernBox(surface, *this, box, width, height, style);
    return;
  }
  const std::int64_t cornerX = box.cornerX;
  const std::int64_t cornerY = box.cornerY;

  if (hasBackColor) FillSilhouette(surface, box, width, height, backColor);
  DrawEdges(surface, box);

  const bool vertical = DrawsVertically();
  const std::int32_t titleSize =
      layout::AxisTitleFontSize(canvasWidth, canvasHeight, xAxisLabel, yAxisLabel);
  const axes::TitleResult titles = axes::DrawTitles(
      surface, titleSize, vertical ? yAxisLabel : xAxisLabel, cornerY - box.frontHeight / 2,
      vertical ? xAxisLabel : yAxisLabel, cornerX + box.frontWidth / 2, canvasHeight);
  surface.SelectFont(titles.entryFont);

  // An axis of the front plane along `side`, its labels placed as `labels`
  // says.
  const auto axisOn = [&](Side side, axes::LabelPlacement labels) {
    labels.axisX = cornerX;
    return BoxAxis{box, side, labels};
  };
  const auto categories = static_cast<std::int64_t>(seriesList.size());
  const Font categoryLabelFont = Font::Chart(categoryFontHeight);
  const std::int64_t bottomLabelTop = cornerY + layout::kLabelDrop;
  const bool gridLines = hasGridLines;

  if (vertical) {
    // Values up the front axis, no margin at the top; categories along the
    // base line.
    if (tickCount > 0) {
      const BoxAxis valueAxis =
          axisOn(Side::kLeft, {.font = Font::Chart(valueFontHeight),
                               .charWidth = valueFontHeight / layout::kFontHeightPerCharWidth});
      const axes::ValueTicks ticks{tickCount, box.frontHeight / tickCount, minTick, tickValueStep,
                                   gridLines, numberFormat.get()};
      DrawValueAxis(surface, valueAxis, ticks, axisEndY);
    }
    if (categories > 0) {
      const BoxAxis categoryAxis = axisOn(Side::kBottom, {.font = categoryLabelFont,
                                                          .charWidth = layout::kCategoryCharWidth,
                                                          .top = bottomLabelTop});
      DrawCategoryAxis(surface, categoryAxis, seriesList, box.frontWidth / categories, axisEndX);
    }
  } else {
    // Categories up the front axis, labels in the room the frame kept for
    // them; values along the base line with the far-end margin, labels
    // centred by the bottom title's metrics.
    if (categories > 0) {
      const BoxAxis categoryAxis =
          axisOn(Side::kLeft, {.font = CategoryLabelFont(),
                               .room = CategoryLabelRoom(surface, titles.bottomAveCharWidth),
                               .cellHeight = titles.bottomHeight});
      DrawCategoryAxis(surface, categoryAxis, seriesList, box.frontHeight / categories, axisEndY);
    }
    if (tickCount > 0) {
      const BoxAxis valueAxis = axisOn(Side::kBottom, {.font = categoryLabelFont,
                                                       .charWidth = titles.bottomAveCharWidth,
                                                       .top = bottomLabelTop});
      const axes::ValueTicks ticks{
          tickCount, (box.frontWidth - layout::kValueAxisMargin) / tickCount,
          minTick,   tickValueStep,
          gridLines, numberFormat.get()};
      DrawValueAxis(surface, valueAxis, ticks, axisEndX);
    }
  }
}

}  // namespace tessaloom
