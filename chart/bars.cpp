// Bar and stacked bar charts, flat and three-dimensional.
//
// Series k (from 1) is category group k; slot j (from 0) of a series is the
// value at x position j and takes colour j, so a slot keeps its colour across
// the groups. Flat bars are outlined with the surface's current pen unless
// they are too thin for it; 3D faces are outlined in their own colour (a
// darker shade of it in the modern themes, whose 3D bars grow from zero on
// the nice value axis).
// Everything is computed in 64 bits and saturated to 32 only when it becomes
// a pixel coordinate, so no data or layout figure can overflow; the surface
// clips what falls off the canvas.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

#include "chart/classic_options.h"
#include "chart/graph.h"
#include "chart/layout.h"
#include "chart/shading.h"
#include "chart/solid_style.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

using layout::AxisScale;
using layout::kValueAxisMargin;
using layout::PointAt;
using layout::ValueScale;

// Share of a group's pitch that its bars cover: flat kinds leave more air
// between the groups than the 3D kinds, whose faces recede into the gap.
constexpr double kFlatBarShare = 0.6;
constexpr double kSolidBarShare = 0.8;
// Values at or below this are not drawn where a drawer skips negatives.
constexpr float kSkipAtOrBelow = -1.0f;
// Flat bars thinner than this many pixels are drawn in their colour alone:
// the 1-pixel outline on both sides would leave them little or no fill.
constexpr std::int64_t kOutlinedBarMin = 4;

// Length in pixels of the bar for `value`, measured from minTick. A value
// above minTick always shows: where its length truncates to nothing it gets
// one value unit's worth of pixels instead.
std::int64_t BarLength(float value, std::int32_t minTick, const AxisScale& scale) noexcept {
  const float aboveMin = value - static_cast<float>(minTick);
  std::int64_t length = TruncateToInt32(scale(static_cast<double>(aboveMin)));
  if (aboveMin > 0.0f && length < 1) length = TruncateToInt32(scale(1.0));
  return length;
}

// The bar length, but never past either end of the value axis (a fixed
// axis may start above a value).
std::int64_t CappedBarLength(float value, std::int32_t minTick, const AxisScale& scale,
                             std::int64_t extent) noexcept {
  return std::clamp<std::int64_t>(BarLength(value, minTick, scale), 0, extent);
}

// A flat bar `thickness` pixels across: `color` inside, the surface's
// current pen around it, or no dark outline when it is too thin for one.
void FlatBar(DrawingSurface& surface, COLORREF color, std::int64_t thickness, std::int64_t left,
             std::int64_t top, std::int64_t right, std::int64_t bottom) {
  const auto rectangle = [&] {
    surface.Rectangle(SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(right),
                      SaturateToInt32(bottom));
  };
  if (thickness < kOutlinedBarMin) {
    const FaceColor solid(surface, color);
    rectangle();
  } else {
    const ScopedBrush fill(surface, Brush{color});
    rectangle();
  }
}

// Flat bars, each cut to the plot when the value axis has a fixed end (a
// bar cut to nothing is left out), and with ShowValues their value labels:
// past a bar's end, or below a bar that hangs down.
struct FlatBars {
  const CGraph& graph;
  classic::Box plot = classic::FlatPlot(graph);
  classic::Box band = classic::FlatValueBand(graph);
  classic::ValueLabels labels{graph, plot};

  void Draw(DrawingSurface& surface, COLORREF color, std::int64_t thickness, std::int64_t left,
            std::int64_t top, std::int64_t right, std::int64_t bottom) {
    if (graph.fixedValueAxis) {
      if (left > right) std::swap(left, right);  // a bar running left
      if (top > bottom) std::swap(top, bottom);
      left = std::max(left, band.left);
      right = std::min(right, band.right);
      top = std::max(top, band.top);
      bottom = std::min(bottom, band.bottom);
      if (left >= right || top >= bottom) return;
    }
    FlatBar(surface, color, thickness, left, top, right, bottom);
    if (graph.options.showValues) {
      labels.Avoid({std::min(left, right), std::min(top, bottom), std::max(left, right),
                    std::max(top, bottom)});
    }
  }
  void Label(double value, std::int64_t x, std::int64_t y, classic::Beside where) {
    if (graph.options.showValues) labels.Add(value, x, y, where);
  }
};

// A 3D bar: the front rectangle from (left, top) to (right, bottom), a face
// receding `depth` pixels up and to the right from its right edge and one
// from its top edge. An upright bar has its side in shadow and its top in
// the light; a bar lying along the x axis the other way round.
// A face's fill with its edges in the same colour, or with `darkEdges` (the
// modern look) in a darker shade of it.
class SolidFace {
 public:
  SolidFace(DrawingSurface& surface, COLORREF color, bool darkEdges) noexcept
      : brush_(surface, Brush{color}),
        pen_(surface, Pen{1, darkEdges ? ShadeBy(color, solid::kEdgeShade) : color}) {}

 private:
  ScopedBrush brush_;
  ScopedPen pen_;
};

void SolidBar(DrawingSurface& surface, COLORREF color, bool upright, std::int64_t depth,
              std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
              bool darkEdges = false) {
  const std::array<Point, 4> side = {PointAt(right, top), PointAt(right, bottom),
                                     PointAt(right + depth, bottom - depth),
                                     PointAt(right + depth, top - depth)};
  const std::array<Point, 4> lid = {PointAt(left, top), PointAt(right, top),
                                    PointAt(right + depth, top - depth),
                                    PointAt(left + depth, top - depth)};
  {
    const SolidFace front(surface, color, darkEdges);
    surface.Rectangle(SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(right),
                      SaturateToInt32(bottom));
  }
  {
    const SolidFace shadow(surface, ShadeDarker(color), darkEdges);
    surface.Polygon(upright ? side : lid);
  }
  const SolidFace light(surface, ShadeLighter(color), darkEdges);
  surface.Polygon(upright ? lid : side);
}

// Figures shared by all four drawers.
struct BarLayout {
  std::int64_t groups = 0;  // series count
  std::int64_t slots = 0;   // seriesSize
  std::int64_t pitch = 0;   // pixels per group along the category axis
  std::int64_t valueExtent = 0;
};

// Nothing to draw without series or without slots; the caller then returns
// before any division by the group or slot count.
bool Layout(const CGraph& graph, BarLayout& layout) noexcept {
  layout.groups = static_cast<std::int64_t>(graph.seriesList.size());
  layout.slots = graph.seriesSize;
  if (layout.groups <= 0 || layout.slots <= 0) return false;
  const bool vertical = graph.DrawsVertically();
  const std::int64_t categoryExtent = vertical ? graph.plotWidth : graph.plotHeight;
  layout.valueExtent = vertical ? graph.plotHeight : graph.plotWidth;
  layout.pitch = categoryExtent / layout.groups;
  return true;
}

// Bar thickness: `share` of the pitch, split between `perGroup` bars, and
// at least one pixel so that crowded bars still show.
std::int64_t Thickness(std::int64_t pitch, double share, std::int64_t perGroup) noexcept {
  return std::max(
      TruncateToInt32(static_cast<double>(pitch) * share / static_cast<double>(perGroup)), 1);
}

// Centre of group k (from 1) along the x axis, counted from the value axis.
std::int64_t ColumnCentre(const CGraph& graph, std::int64_t pitch, std::int64_t k) noexcept {
  return std::int64_t{graph.plotLeftX} - pitch / 2 + k * pitch;
}

// Centre of group k (from 1) along the y axis: the first group just above
// the base line, later ones above it.
std::int64_t RowCentre(const CGraph& graph, std::int64_t pitch, std::int64_t k) noexcept {
  return std::int64_t{graph.plotBaseY} + pitch / 2 - k * pitch;
}

float SlotValue(const CGraphSeries& series, std::int64_t j) noexcept {
  return series.GetDataValue(static_cast<std::uint32_t>(j));
}

COLORREF SlotColor(const CGraph& graph, std::int64_t j) noexcept {
  return graph.GetColor(static_cast<int>(j));
}

// Walks one stack from `origin` along the value axis (`direction` -1 runs
// up, +1 runs right): each segment starts where the one before it ended, and
// a skipped value leaves that end where it is. `draw(j, start, end)` paints
// segment j between the two value-axis coordinates.
template <class DrawSegment>
void WalkStack(const CGraphSeries& series, const BarLayout& layout, std::int32_t minTick,
               const AxisScale& scale, std::int64_t origin, std::int64_t direction,
               DrawSegment draw) {
  std::int64_t start = origin;
  for (std::int64_t j = 0; j < layout.slots; ++j) {
    const float v = SlotValue(series, j);
    if (!(v > kSkipAtOrBelow)) continue;
    const std::int64_t end =
        start + direction * CappedBarLength(v, minTick, scale, layout.valueExtent);
    draw(j, start, end);
    start = end;
  }
}

// The modern 3D bars and stacks on the nice value axis over the whole
// front plane: a bar from zero to its value, a stack's segments from where
// the one before ended (positive ones upward or right, negative ones the
// other way), edged in a darker shade.
void ModernSolidBars(DrawingSurface& surface, const CGraph& graph, const BarLayout& layout,
                     bool stacked) {
  const bool upright = graph.DrawsVertically();
  const ValueTicks ticks = solid::ValueAxisOf(graph);
  const auto at = [&](double value) { return solid::Offset(ticks, layout.valueExtent, value); };
  const std::int64_t bw = Thickness(layout.pitch, kSolidBarShare, stacked ? 1 : layout.slots);
  const std::int64_t tw = stacked ? bw : layout.slots * bw;
  std::int64_t k = 0;
  for (const auto& series : graph.seriesList) {
    ++k;
    double up = 0.0;
    double down = 0.0;
    for (std::int64_t j = 0; j < layout.slots; ++j) {
      const auto v = static_cast<double>(SlotValue(*series, j));
      if (!std::isfinite(v)) continue;
      std::int64_t from = at(0.0);
      std::int64_t to = at(v);
      if (stacked) {
        double& sum = v < 0.0 ? down : up;
        from = at(sum);
        sum += v;
        to = at(sum);
      }
      const std::int64_t low = std::min(from, to);
      const std::int64_t high = std::max(from, to);
      const std::int64_t across = stacked ? 0 : j * bw;
      const COLORREF color = SlotColor(graph, j);
      if (upright) {
        const std::int64_t left = ColumnCentre(graph, layout.pitch, k) - tw / 2 + across;
        SolidBar(surface, color, true, graph.depth3D, left, graph.plotBaseY - high, left + bw,
                 graph.plotBaseY - low, true);
      } else {
        const std::int64_t bottom = RowCentre(graph, layout.pitch, k) + tw / 2 - across;
        SolidBar(surface, color, false, graph.depth3D, graph.plotLeftX + low, bottom - bw,
                 graph.plotLeftX + high, bottom, true);
      }
    }
  }
}

// The same on a fixed value axis, which need not start at 0: the stack
// rises from 0, each segment from the running total before it to the one
// after it, every end held between the axis's ends.
template <class DrawSegment>
void WalkFixedStack(const CGraphSeries& series, const BarLayout& layout, std::int32_t minTick,
                    const AxisScale& scale, std::int64_t origin, std::int64_t direction,
                    DrawSegment draw) {
  const auto at = [&](double total) {
    const double length =
        std::clamp(scale(total - minTick), 0.0, static_cast<double>(layout.valueExtent));
    return origin + direction * TruncateToInt32(length);
  };
  double total = 0.0;
  for (std::int64_t j = 0; j < layout.slots; ++j) {
    const float v = SlotValue(series, j);
    if (!(v > kSkipAtOrBelow)) continue;
    const std::int64_t start = at(total);
    total += static_cast<double>(v);
    const std::int64_t end = at(total);
    if (end != start) draw(j, start, end);  // a segment beyond an end is left out
  }
}

// WalkFixedStack on a fixed value axis, else WalkStack.
template <class DrawSegment>
void WalkAnyStack(bool fixedAxis, const CGraphSeries& series, const BarLayout& layout,
                  std::int32_t minTick, const AxisScale& scale, std::int64_t origin,
                  std::int64_t direction, DrawSegment draw) {
  if (fixedAxis) {
    WalkFixedStack(series, layout, minTick, scale, origin, direction, draw);
  } else {
    WalkStack(series, layout, minTick, scale, origin, direction, draw);
  }
}

}  // namespace

void CGraph::DrawBars(DrawingSurface& surface) {
  BarLayout layout;
  if (!Layout(*this, layout)) return;
  const AxisScale scale =
      ValueScale(layout.valueExtent - kValueAxisMargin, minTick, maxTick, tickCount, tickValueStep);
  const std::int64_t bw = Thickness(layout.pitch, kFlatBarShare, layout.slots);
  const std::int64_t tw = layout.slots * bw;
  const std::int64_t base = plotBaseY;
  // Data with negative values. Vertical: the frame made the base line the
  // zero line; bars measure |v| from it and hang below it for negative
  // values. Horizontal: bars run from the value 0 on the minTick-based axis
  // to their value, leftward for negative values.
  const bool aroundZero = quadrant == 3;
  const std::int64_t origin =
      std::int64_t{plotLeftX} +
      (aroundZero ? TruncateToInt32(-scale(static_cast<double>(minTick))) : 0);

  using classic::Beside;
  FlatBars bars{*this};
  std::int64_t k = 0;
  for (const auto& series : seriesList) {
    ++k;
    for (std::int64_t j = 0; j < layout.slots; ++j) {
      const float v = SlotValue(*series, j);
      const COLORREF color = SlotColor(*this, j);
      if (DrawsVertically()) {
        const std::int64_t left = ColumnCentre(*this, layout.pitch, k) - tw / 2 + j * bw;
        if (aroundZero) {
          const std::int64_t h = TruncateToInt32(scale(static_cast<double>(std::fabs(v))));
          if (v < 0.0f) {
            bars.Draw(surface, color, bw, left, base, left + bw, base + h);
            bars.Label(static_cast<double>(v), left + bw / 2, base + h, Beside::kBelow);
          } else {
            bars.Draw(surface, color, bw, left, base - h, left + bw, base);
            bars.Label(static_cast<double>(v), left + bw / 2, base - h, Beside::kAbove);
          }
        } else if (v > kSkipAtOrBelow) {
          const std::int64_t length = CappedBarLength(v, minTick, scale, layout.valueExtent);
          bars.Draw(surface, color, bw, left, base - length, left + bw, base);
          bars.Label(static_cast<double>(v), left + bw / 2, base - length, Beside::kAbove);
        }
      } else {
        const std::int64_t top = RowCentre(*this, layout.pitch, k) - tw / 2 + j * bw;
        const std::int64_t end =
            std::int64_t{plotLeftX} + CappedBarLength(v, minTick, scale, layout.valueExtent);
        bars.Draw(surface, color, bw, origin, top, end, top + bw);
        bars.Label(static_cast<double>(v), end, top + bw / 2,
                   end < origin ? Beside::kLeft : Beside::kRight);
      }
    }
  }
  bars.labels.Draw(surface);
}

void CGraph::DrawStackedBars(DrawingSurface& surface) {
  BarLayout layout;
  if (!Layout(*this, layout)) return;
  const AxisScale scale =
      ValueScale(layout.valueExtent - kValueAxisMargin, minTick, maxTick, tickCount, tickValueStep);
  const std::int64_t bw = Thickness(layout.pitch, kFlatBarShare, 1);

  // With ShowValues a stack is labelled with its total past its end.
  FlatBars bars{*this};
  std::int64_t k = 0;
  for (const auto& series : seriesList) {
    ++k;
    double total = 0.0;  // of the values the stack holds, drawn or beyond an end
    for (std::int64_t j = 0; j < layout.slots; ++j) {
      const float v = SlotValue(*series, j);
      if (v > kSkipAtOrBelow) total += static_cast<double>(v);
    }
    bool drawn = false;
    std::int64_t end = 0;
    const auto segment = [&](std::int64_t, std::int64_t stackEnd) {
      end = stackEnd;
      drawn = true;
    };
    // Each segment starts where the one below it ended; a skipped value
    // leaves that end where it is.
    if (DrawsVertically()) {
      const std::int64_t left = ColumnCentre(*this, layout.pitch, k) - bw / 2;
      const auto draw = [&](std::int64_t j, std::int64_t y0, std::int64_t y1) {
        bars.Draw(surface, SlotColor(*this, j), bw, left, y1, left + bw, y0);
        segment(j, y1);
      };
      WalkAnyStack(fixedValueAxis, *series, layout, minTick, scale, plotBaseY, -1, draw);
      if (drawn) bars.Label(total, left + bw / 2, end, classic::Beside::kAbove);
    } else {
      const std::int64_t top = RowCentre(*this, layout.pitch, k) - bw / 2;
      const auto draw = [&](std::int64_t j, std::int64_t x0, std::int64_t x1) {
        bars.Draw(surface, SlotColor(*this, j), bw, x0, top, x1, top + bw);
        segment(j, x1);
      };
      WalkAnyStack(fixedValueAxis, *series, layout, minTick, scale, plotLeftX, 1, draw);
      if (drawn) bars.Label(total, end, top + bw / 2, classic::Beside::kRight);
    }
  }
  bars.labels.Draw(surface);
}

void CGraph::Draw3DBars(DrawingSurface& surface) {
  BarLayout layout;
  if (!Layout(*this, layout)) return;
  if (solid::DrawsModernSolid(*this)) return ModernSolidBars(surface, *this, layout, false);
  const bool upright = DrawsVertically();
  // Upright 3D bars use the whole front plane; lying ones keep the margin.
  const AxisScale scale =
      ValueScale(upright ? layout.valueExtent : layout.valueExtent - kValueAxisMargin, minTick,
                 maxTick, tickCount, tickValueStep);
  const std::int64_t bw = Thickness(layout.pitch, kSolidBarShare, layout.slots);
  const std::int64_t tw = layout.slots * bw;
  const std::int64_t depth = depth3D;
  // With ShowValues a label over each bar's lid, or right of its end.
  classic::ValueLabels labels(*this, classic::SolidPlot(*this));

  std::int64_t k = 0;
  for (const auto& series : seriesList) {
    ++k;
    for (std::int64_t j = 0; j < layout.slots; ++j) {
      const float v = SlotValue(*series, j);
      const COLORREF color = SlotColor(*this, j);
      if (upright) {
        const std::int64_t left = ColumnCentre(*this, layout.pitch, k) - tw / 2 + j * bw;
        const std::int64_t top =
            std::int64_t{plotBaseY} - CappedBarLength(v, minTick, scale, layout.valueExtent);
        SolidBar(surface, color, true, depth, left, top, left + bw, plotBaseY);
        if (options.showValues) {
          labels.Avoid({left, top - depth, left + bw + depth, plotBaseY});
          labels.Add(static_cast<double>(v), left + (bw + depth) / 2, top - depth,
                     classic::Beside::kAbove);
        }
      } else {
        // Slot 0 lowest: the upper faces of lower bars are then painted over
        // by the bars above them.
        const std::int64_t bottom = RowCentre(*this, layout.pitch, k) + tw / 2 - j * bw;
        const std::int64_t x1 =
            std::int64_t{plotLeftX} + CappedBarLength(v, minTick, scale, layout.valueExtent);
        SolidBar(surface, color, false, depth, plotLeftX, bottom - bw, x1, bottom);
        if (options.showValues) {
          labels.Avoid({plotLeftX, bottom - bw - depth, x1 + depth, bottom});
          labels.Add(static_cast<double>(v), x1 + depth, bottom - (bw + depth) / 2,
                     classic::Beside::kRight);
        }
      }
    }
  }
  labels.Draw(surface);
}

void CGraph::Draw3DStackedBars(DrawingSurface& surface) {
  BarLayout layout;
  if (!Layout(*this, layout)) return;
  if (solid::DrawsModernSolid(*this)) return ModernSolidBars(surface, *this, layout, true);
  const bool upright = DrawsVertically();
  const AxisScale scale =
      ValueScale(upright ? layout.valueExtent : layout.valueExtent - kValueAxisMargin, minTick,
                 maxTick, tickCount, tickValueStep);
  const std::int64_t bw = Thickness(layout.pitch, kSolidBarShare, 1);
  const std::int64_t depth = depth3D;

  std::int64_t k = 0;
  for (const auto& series : seriesList) {
    ++k;
    if (upright) {
      const std::int64_t left = ColumnCentre(*this, layout.pitch, k) - bw / 2;
      WalkAnyStack(fixedValueAxis, *series, layout, minTick, scale, plotBaseY, -1,
                   [&](std::int64_t j, std::int64_t y0, std::int64_t y1) {
                     SolidBar(surface, SlotColor(*this, j), true, depth, left, y1, left + bw, y0);
                   });
    } else {
      const std::int64_t top = RowCentre(*this, layout.pitch, k) - bw / 2;
      WalkAnyStack(fixedValueAxis, *series, layout, minTick, scale, plotLeftX, 1,
                   [&](std::int64_t j, std::int64_t x0, std::int64_t x1) {
                     SolidBar(surface, SlotColor(*this, j), false, depth, x0, top, x1, top + bw);
                   });
    }
  }
}

}  // namespace tessaloom
