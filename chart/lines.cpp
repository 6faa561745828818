// Line charts. Line j joins the j-th values of all series, each series being
// one category along the category axis. The flat chart draws thin coloured
// segments between round markers; the 3D chart draws each line as a shaded
// ribbon set back in depth, the first line deepest.
#include <algorithm>
#include <cmath>
#include <cstdint>

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

constexpr COLORREF kBlack = 0x000000;

// The flat chart's markers and segments, in pixels.
constexpr std::int64_t kMarkerRadius = 3;  // a marker's box reaches this far from its point
constexpr std::int64_t kSegmentStart = 2;  // a segment starts this far right of a marker's point
constexpr std::int64_t kSegmentRise = 1;   // segments run this far above the points
// A height past the canvas top is cut to the value axis's length plus this.
constexpr std::int64_t kOverTopHeight = 5;

// The 3D ribbons: edges in a 2-pixel black pen, faces in a 1-pixel outline;
// a face's top side lighter and its underside darker than the line colour.
constexpr Pen kRibbonEdgePen{2, kBlack};
constexpr Pen kRibbonFacePen{1, kBlack};
constexpr int kRibbonTopShade = 35;
constexpr int kRibbonUndersideShade = -55;

// trunc(distance x scale), where `distance` is a value's distance from the
// axis start. A positive distance never vanishes: below one pixel it becomes
// trunc(scale) pixels.
std::int32_t ScaledLength(float distance, const AxisScale& scale) noexcept {
  std::int32_t length = TruncateToInt32(scale(static_cast<double>(distance)));
  if (distance > 0.0f && length < 1) length = TruncateToInt32(scale(1.0));
  return length;
}

// A height that would take a point above the canvas top (more than
// `baseY` pixels) is cut to the value axis's length plus kOverTopHeight.
std::int32_t CapHeight(std::int32_t height, std::int32_t baseY, std::int64_t range,
                       const AxisScale& scale) noexcept {
  if (height <= baseY) return height;
  return SaturateToInt32(std::int64_t{TruncateToInt32(scale(static_cast<double>(range)))} +
                         kOverTopHeight);
}

// `p` moved n depth steps back: right and up by n x dz pixels.
Point Recede(Point p, std::int64_t n, std::int64_t dz) noexcept {
  return PointAt(std::int64_t{p.x} + n * dz, std::int64_t{p.y} - n * dz);
}

void Line(DrawingSurface& surface, Point from, Point to) {
  surface.MoveTo(from.x, from.y);
  surface.LineTo(to.x, to.y);
}

// Cuts the segment from `from` to `to` to `box` (Liang-Barsky); false when
// none of it lies inside.
bool ClipToBox(Point& from, Point& to, const classic::Box& box) noexcept {
  const double x0 = from.x;
  const double y0 = from.y;
  const double dx = static_cast<double>(to.x) - x0;
  const double dy = static_cast<double>(to.y) - y0;
  double enter = 0.0;
  double leave = 1.0;
  const double limits[4][2] = {{-dx, x0 - static_cast<double>(box.left)},
                               {dx, static_cast<double>(box.right) - x0},
                               {-dy, y0 - static_cast<double>(box.top)},
                               {dy, static_cast<double>(box.bottom) - y0}};
  for (const auto& [p, q] : limits) {
    if (p == 0.0) {
      if (q < 0.0) return false;
      continue;
    }
    const double t = q / p;
    if (p < 0.0) {
      enter = std::max(enter, t);
    } else {
      leave = std::min(leave, t);
    }
  }
  if (enter > leave) return false;
  to = PointAt(std::llround(x0 + leave * dx), std::llround(y0 + leave * dy));
  from = PointAt(std::llround(x0 + enter * dx), std::llround(y0 + enter * dy));
  return true;
}

bool Inside(Point p, const classic::Box& box) noexcept {
  return p.x >= box.left && p.x <= box.right && p.y >= box.top && p.y <= box.bottom;
}

}  // namespace

void CGraph::DrawLines(DrawingSurface& surface) {
  if (seriesList.empty()) return;
  const auto count = static_cast<std::int64_t>(seriesList.size());
  const std::int64_t range = std::int64_t{maxTick} - minTick;
  const auto minValue = static_cast<float>(minTick);
  const bool vertical = DrawsVertically();
  const float baseValue = quadrant == 3 ? 0.0f : minValue;
  // The value axis keeps a 10-pixel margin at its far end.
  const AxisScale scale = ValueScale(std::int64_t{plotHeight} - kValueAxisMargin, minTick, maxTick,
                                     tickCount, tickValueStep);
  const AxisScale across = ValueScale(std::int64_t{plotWidth} - kValueAxisMargin, minTick, maxTick,
                                      tickCount, tickValueStep);
  const std::int64_t pitch = (vertical ? std::int64_t{plotWidth} : plotHeight) / count;

  // A fixed axis cuts the lines to its ticks' band; ShowValues labels the
  // points that lie in it.
  const classic::Box band = classic::FlatValueBand(*this);
  classic::ValueLabels labels(*this, classic::FlatPlot(*this));
  Point previous;
  for (std::int32_t j = 0; j < seriesSize; ++j) {
    const COLORREF color = GetColor(j);
    for (std::int64_t k = 1; k <= count; ++k) {
      const float v =
          seriesList[static_cast<std::size_t>(k - 1)]->GetDataValue(static_cast<std::uint32_t>(j));
      Point point;
      if (vertical) {
        // The base line stands for minTick, or for 0 once the frame has moved
        // it to the zero line (negative values); the point stands the value's
        // distance from it above or below. Only points above the base line get
        // the minimum height, so a zero stays on the zero line.
        const float distance = v - baseValue;
        std::int32_t height = TruncateToInt32(scale(static_cast<double>(std::fabs(distance))));
        if (distance > 0.0f && height < 1) height = TruncateToInt32(scale(1.0));
        height = CapHeight(height, plotBaseY, range, scale);
        const std::int64_t y =
            distance > 0.0f ? std::int64_t{plotBaseY} - height : std::int64_t{plotBaseY} + height;
        point = PointAt(plotLeftX - pitch / 2 + k * pitch, y);
      } else {
        // The value axis runs from minTick, negative values included; a
        // value stands at the x its tick label gives it.
        point = PointAt(std::int64_t{plotLeftX} + ScaledLength(v - minValue, across),
                        plotBaseY + pitch / 2 - k * pitch);
      }

      const ScopedBrush fill(surface, Brush{color});
      if (k > 1) {
        // Raised one pixel, from the previous marker's right rim to just short
        // of this marker.
        const ScopedPen segment(surface, Pen{1, color});
        Point from = PointAt(std::int64_t{previous.x} + kSegmentStart,
                             std::int64_t{previous.y} - kSegmentRise);
        Point to =
            PointAt(std::int64_t{point.x} - kMarkerRadius, std::int64_t{point.y} - kSegmentRise);
        if (!fixedValueAxis || ClipToBox(from, to, band)) Line(surface, from, to);
      }
      previous = point;
      if (fixedValueAxis && !Inside(point, band)) continue;
      if (options.showValues) {
        labels.Add(static_cast<double>(v), point.x, std::int64_t{point.y} - kMarkerRadius,
                   classic::Beside::kAbove);
      }
      // A coloured dot with the surface's black rim.
      surface.Ellipse(SaturateToInt32(std::int64_t{point.x} - kMarkerRadius),
                      SaturateToInt32(std::int64_t{point.y} - kMarkerRadius),
                      SaturateToInt32(std::int64_t{point.x} + kMarkerRadius),
                      SaturateToInt32(std::int64_t{point.y} + kMarkerRadius));
    }
  }
  labels.Draw(surface);
}

void CGraph::Draw3DLines(DrawingSurface& surface) {
  if (seriesList.empty() || seriesSize <= 0) return;
  const auto count = static_cast<std::int64_t>(seriesList.size());
  const std::int64_t range = std::int64_t{maxTick} - minTick;
  const auto minValue = static_cast<float>(minTick);
  // The front plane's full height, no top margin.
  const AxisScale scale = ValueScale(plotHeight, minTick, maxTick, tickCount, tickValueStep);
  // One slot per category across the front plane; a point stands at its
  // slot's centre, under the category's label.
  const std::int64_t slot = std::int64_t{plotWidth} / count;
  // Each line gets an equal share of the depth.
  const std::int64_t dz = depth3D / seriesSize;
  // The modern look: values on the nice axis, ribbons edged in a darker
  // shade of their colour instead of black.
  const bool modern = solid::DrawsModernSolid(*this);
  const ValueTicks ticks = modern ? solid::ValueAxisOf(*this) : ValueTicks{};
  // With ShowValues a label over each point of a ribbon's front edge.
  classic::ValueLabels labels(*this, classic::SolidPlot(*this));

  for (std::int32_t j = 0; j < seriesSize; ++j) {
    const COLORREF color = GetColor(j);
    const COLORREF light = ShadeBy(color, kRibbonTopShade);
    const COLORREF dark = ShadeBy(color, kRibbonUndersideShade);
    const Pen edgePen = modern ? Pen{1, ShadeBy(color, solid::kEdgeShade)} : kRibbonEdgePen;
    const Pen facePen = modern ? edgePen : kRibbonFacePen;
    // Line 0 lies deepest; the back edge of line j is b steps back, its
    // front edge b - 1.
    const std::int64_t b = std::int64_t{seriesSize} - j;
    // A ribbon runs from its first point to its last; a single point shows
    // as the ribbon's end line, across the depth.
    Point previous;
    for (std::int64_t k = 1; k <= count; ++k) {
      const float value =
          seriesList[static_cast<std::size_t>(k - 1)]->GetDataValue(static_cast<std::uint32_t>(j));
      // A fixed axis holds the ribbons between its ends; a point held there
      // has no value label.
      const float v =
          fixedValueAxis ? std::clamp(value, minValue, static_cast<float>(maxTick)) : value;
      const std::int32_t height =
          modern ? SaturateToInt32(solid::Offset(ticks, plotHeight, static_cast<double>(v)))
                 : CapHeight(ScaledLength(v - minValue, scale), plotBaseY, range, scale);
      const Point point =
          PointAt(std::int64_t{plotLeftX} - slot / 2 + k * slot, std::int64_t{plotBaseY} - height);
      if (options.showValues && v == value) {
        const Point front = Recede(point, b - 1, dz);
        labels.Add(static_cast<double>(value), front.x, front.y, classic::Beside::kAbove);
      }
      if (k == 1) {
        if (count == 1) {
          const ScopedPen edges(surface, edgePen);
          Line(surface, Recede(point, b - 1, dz), Recede(point, b, dz));
        }
        previous = point;
        continue;
      }

      const Point backFrom = Recede(previous, b, dz);
      const Point frontFrom = Recede(previous, b - 1, dz);
      const Point backTo = Recede(point, b, dz);
      const Point frontTo = Recede(point, b - 1, dz);
      const std::int64_t dx = std::int64_t{point.x} - previous.x;
      const std::int64_t dy = std::int64_t{previous.y} - point.y;

      {
        const ScopedPen edges(surface, edgePen);
        Line(surface, backFrom, backTo);
        Line(surface, frontFrom, frontTo);
        Line(surface, frontFrom, backFrom);
        Line(surface, frontTo, backTo);
        // A stretch at exactly 45 degrees runs along the depth direction, so
        // its face would have no area: it gets one more end line instead.
        if (dx == dy) Line(surface, backTo, frontTo);
      }

      if (dx != dy) {
        // Stretches steeper than 45 degrees show their underside (dark);
        // flatter or falling ones their top (light).
        const bool showsDark = (dy < dx && dx < 0) || (dy > dx && dx >= 1);
        const ScopedBrush fill(surface, Brush{showsDark ? dark : light});
        const ScopedPen outline(surface, facePen);
        const Point face[] = {backFrom, frontFrom, frontTo, backTo};
        surface.Polygon(face);
      }
      previous = point;
    }
  }
  labels.Draw(surface);
}

}  // namespace tessaloom
