// Pie charts, flat and three-dimensional: one pie per series, side by side,
// each slot's positive value a slice, a percentage label with a leader line
// beside every slice and the series' label below the pie.
//
// Angles are whole degrees counted from the left end of the horizontal
// diameter downward, i.e. counter-clockwise on screen (90 is the bottom, 180
// the right end, 270 the top), because the surface's Pie runs that way.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "chart/graph.h"
#include "chart/layout.h"
#include "chart/shading.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

using layout::PointAt;

// Pies whose radius comes to nothing would be an empty picture.
constexpr char kNoRoomForPies[] = "Too many series for the image size";
// The pies' centre row lies half this many pixels below the middle of the
// plot height, which leaves the title room above them.
constexpr std::int64_t kCentreRowDrop = 60;
// π to five decimals: the 3D rim points are computed with this value.
constexpr double kPi = 3.14159;

// Figures shared by every pie of one drawing, all in pixels.
struct PieLayout {
  std::int64_t off = 0;   // label offset: widest character + 10
  std::int64_t step = 0;  // line step: character height + 6
  std::int64_t r = 0;     // radius
  std::int64_t cy = 0;    // centre row
};

// Bounding square of one pie.
struct PieSquare {
  std::int64_t cx = 0;
  std::int64_t cy = 0;
  std::int64_t r = 0;
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// One slice: the slot it shows, its value and its end and middle angles.
struct Slice {
  std::int32_t slot = 0;
  float value = 0.0f;
  std::int32_t endAngle = 0;
  std::int32_t midAngle = 0;
};

PieLayout ComputeLayout(const CGraph& graph, const TextMetrics& metrics,
                        std::int64_t pie_count) noexcept {
  PieLayout layout;
  layout.off = std::int64_t{metrics.maxCharWidth} + 10;
  layout.step = std::int64_t{metrics.height} + 6;
  const std::int64_t m = std::min(graph.plotWidth, graph.plotHeight);
  layout.r = (m / pie_count - 3 * layout.off) / 3;
  layout.cy = (std::int64_t{graph.plotHeight} + kCentreRowDrop) / 2;
  return layout;
}

// Pie k of `pie_count` (k from 1): a single pie is centred in the plot,
// several share its width in equal columns after a 15-pixel margin.
PieSquare SquareOfPie(const CGraph& graph, const PieLayout& layout, std::int64_t k,
                      std::int64_t pie_count) noexcept {
  PieSquare s;
  if (pie_count == 1) {
    s.cx = std::int64_t{graph.plotLeftX} + graph.plotWidth / 2;
  } else {
    s.cx = std::int64_t{graph.plotLeftX} + 15 + (2 * k - 1) * ((graph.plotWidth / pie_count) / 2);
  }
  s.cy = layout.cy;
  s.r = layout.r;
  const std::int64_t left = s.cx - s.r;
  s.left = SaturateToInt32(left);
  s.top = SaturateToInt32(s.cy - s.r);
  s.right = SaturateToInt32(left + 2 * s.r);
  s.bottom = SaturateToInt32(s.cy + s.r);
  return s;
}

// Sum of every slot, negative ones included.
double SeriesTotal(const CGraphSeries& series, std::int32_t slots) {
  double total = 0.0;
  for (std::int32_t j = 0; j < slots; ++j) {
    total += static_cast<double>(series.GetDataValue(static_cast<std::uint32_t>(j)));
  }
  return total;
}

// Angle at which a running sum `cum` of `total` ends. Kept within the
// circle: only with negative slots could the ratio leave [0, 1].
std::int32_t AngleOf(double cum, double total) noexcept {
  const double degrees = ((cum / total) * 100.0 * 360.0) / 100.0;
  return std::clamp(TruncateToInt32(degrees), 0, 360);
}

// The slices of one series in slot order. A total that is not a positive
// finite number has no slices (and no division by it).
std::vector<Slice> SlicesOf(const CGraphSeries& series, std::int32_t slots, double total) {
  std::vector<Slice> slices;
  if (!(total > 0.0) || !std::isfinite(total)) return slices;
  double cum = 0.0;
  for (std::int32_t j = 0; j < slots; ++j) {
    const float v = series.GetDataValue(static_cast<std::uint32_t>(j));
    if (!(v > 0.0f)) continue;
    cum += static_cast<double>(v);
    const float half = 0.5f * v;
    slices.push_back(
        Slice{j, v, AngleOf(cum, total), AngleOf(cum - static_cast<double>(half), total)});
  }
  return slices;
}

// Point standing in for the rim point of `angle` on the flat pie: it walks a
// diamond through the square's left, bottom, right and top midpoints. Pie
// only needs the radial's direction, so the diamond serves as well as the
// circle and needs no trigonometry.
Point DiamondPoint(const PieSquare& s, std::int32_t angle) noexcept {
  const std::int64_t left = s.left;
  const std::int64_t r = s.r;
  const std::int64_t a = (std::int64_t{angle} * r) / 90;
  switch (angle / 90) {
    case 0: return PointAt(left + a, s.cy + a);
    case 1: return PointAt(left + a, s.cy + 2 * r - a);
    case 2: return PointAt(left + 4 * r - a, s.cy + 2 * r - a);
    case 3: return PointAt(left + 4 * r - a, s.cy + a - 4 * r);
    default: return PointAt(left, s.cy - 1);
  }
}

// Point of `angle` on the circle of radius r about (x0, y0), that is
// (x0 - r cos, y0 + r sin), each coordinate truncated. Every quarter uses
// the sine of an angle between 0 and 90 degrees.
Point CirclePoint(std::int64_t x0, std::int64_t y0, std::int64_t r, std::int32_t angle) noexcept {
  constexpr double kRadiansPerDegree = kPi / 180.0;
  const auto sine = [](std::int32_t degrees) { return std::sin(degrees * kRadiansPerDegree); };
  const auto x = static_cast<double>(x0);
  const auto y = static_cast<double>(y0);
  const auto rr = static_cast<double>(r);
  double px = 0.0;
  double py = 0.0;
  switch (angle / 90) {
    case 0:
      px = x - sine(90 - angle) * rr;
      py = y + sine(angle) * rr;
      break;
    case 1:
      px = x + sine(angle - 90) * rr;
      py = y + sine(180 - angle) * rr;
      break;
    case 2:
      px = x + sine(270 - angle) * rr;
      py = y - sine(angle - 180) * rr;
      break;
    case 3:
      px = x - sine(angle - 270) * rr;
      py = y - sine(360 - angle) * rr;
      break;
    default: return PointAt(x0 - r, y0 - 1);
  }
  return {TruncateToInt32(px), TruncateToInt32(py)};
}

// Label record of a slice whose middle angle is `mid_angle` and whose rim
// point there is `p`: the leader line runs from halfway between the centre
// and p to half a radius outside p, and the text sits beside the line's end,
// on the side facing away from the pie.
CGraphPieLabel MakeLabel(const PieSquare& s, const PieLayout& layout, Point p,
                         std::int32_t mid_angle, std::string text) {
  CGraphPieLabel label;
  // 360 degrees (reached only when negative slots shrink the total) is the
  // left end just above the middle row: the upper left quarter.
  const std::int32_t quarter = std::min(mid_angle / 90, 3);
  const std::int64_t half_r = s.r / 2;
  label.lineStartX = SaturateToInt32(p.x + (s.cx - p.x) / 2);
  label.lineStartY = SaturateToInt32(p.y + (s.cy - p.y) / 2);
  const bool leftward = quarter == 0 || quarter == 3;
  const bool downward = quarter == 0 || quarter == 1;
  label.lineEndX = SaturateToInt32(std::int64_t{p.x} + (leftward ? -half_r : half_r));
  label.lineEndY = SaturateToInt32(std::int64_t{p.y} + (downward ? half_r : -half_r));
  label.textX = SaturateToInt32(std::int64_t{label.lineEndX} + (leftward ? -layout.off : 5));
  label.textY = SaturateToInt32(std::int64_t{label.lineEndY} - (downward ? 0 : layout.step));
  label.midQuadrant = quarter;
  label.labelText = std::move(text);
  return label;
}

// A slice's share of the total in percent: the value times 100 in single
// precision, divided in double. A value too large for that product (beyond
// about 3.4e36) is scaled in double instead of becoming infinite.
double PercentOf(float value, double total) noexcept {
  const float scaled = value * 100.0f;
  const double numerator =
      std::isfinite(scaled) ? static_cast<double>(scaled) : static_cast<double>(value) * 100.0;
  return numerator / total;
}

// The flat pie's text: the share, in single precision, rounded to a whole
// percent. The share is clamped into float's range (it leaves it only when
// negative slots shrink the total), as converting beyond it is undefined.
std::string RoundedPercent(float value, double total) {
  constexpr double kFloatMax = static_cast<double>(std::numeric_limits<float>::max());
  const auto percent =
      static_cast<float>(std::clamp(PercentOf(value, total), -kFloatMax, kFloatMax));
  char text[64];
  std::snprintf(text, sizeof text, "%.0f%%", static_cast<double>(percent));
  return text;
}

// The 3D pie's text: the share truncated to a whole percent.
std::string TruncatedPercent(float value, double total) {
  char text[16];
  std::snprintf(text, sizeof text, "%d%%", TruncateToInt32(PercentOf(value, total)));
  return text;
}

// Draws each label's leader line and text, after keeping the texts apart.
void DrawLabels(DrawingSurface& surface, std::vector<CGraphPieLabel>& labels,
                const PieLayout& layout) {
  SpreadPieLabels(labels, layout.off, layout.step);
  for (const CGraphPieLabel& label : labels) {
    surface.MoveTo(label.lineStartX, label.lineStartY);
    surface.LineTo(label.lineEndX, label.lineEndY);
    surface.TextOut(label.textX, label.textY, label.labelText);
  }
}

// The series label, centred below the pie at 8 pixels per character.
void DrawSeriesLabel(DrawingSurface& surface, const CGraphSeries& series, const PieSquare& s,
                     const PieLayout& layout) {
  const std::string label = series.GetLabel();
  const std::int64_t n = CodePointLength(label);
  const std::int64_t below = TruncateToInt32(1.5 * static_cast<double>(s.r));
  surface.TextOut(SaturateToInt32(s.cx - 4 * n), SaturateToInt32(s.cy + below + 15 + layout.step),
                  label);
}

// One wedge of the box from `start` counter-clockwise to `end`, spanning
// `span` degrees. Pie fills the whole ellipse when both points coincide,
// which is right only for a slice of the full circle: a slice of zero width
// (a rounded-away sliver, or too few pixels to tell its radials apart) draws
// nothing instead of painting over the slices before it.
void DrawWedge(DrawingSurface& surface, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom, Point start, Point end, std::int32_t span) {
  if (start == end && span < 360) return;
  surface.Pie(left, top, right, bottom, start, end);
}

Point OneUp(Point p) noexcept { return {p.x, SaturateToInt32(std::int64_t{p.y} - 1)}; }

}  // namespace

void SpreadPieLabels(std::vector<CGraphPieLabel>& labels, std::int64_t width, std::int64_t height) {
  // Positions are 32-bit, so any cell larger than 2^33 acts like one of that
  // size; the clamp keeps the sums below within 64 bits.
  constexpr std::int64_t kLargest = std::int64_t{1} << 33;
  width = std::clamp(width, -kLargest, kLargest);
  height = std::clamp(height, -kLargest, kLargest);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    CGraphPieLabel& label = labels[i];
    for (std::size_t k = 0; k < i;) {
      const CGraphPieLabel& earlier = labels[k];
      const bool overlaps = earlier.textX < label.textX && label.textX < earlier.textX + width &&
                            earlier.textY < label.textY && label.textY < earlier.textY + height;
      if (!overlaps) {
        ++k;
        continue;
      }
      const std::int64_t shift = label.midQuadrant < 2 ? height : -height;
      const std::int32_t text_y = SaturateToInt32(earlier.textY + shift);
      // Saturated at the 32-bit edge: there is no further room to move.
      if (text_y == label.textY) break;
      label.textY = text_y;
      label.lineEndY = SaturateToInt32(earlier.lineEndY + shift);
      k = 0;
    }
  }
}

bool CGraph::DrawPies(DrawingSurface& surface) {
  const auto pie_count = static_cast<std::int64_t>(seriesList.size());
  if (pie_count == 0) return true;
  const PieLayout layout = ComputeLayout(*this, surface.GetTextMetrics(), pie_count);
  if (layout.r <= 0) {
    SetErrorText(kNoRoomForPies);
    return false;
  }

  for (std::int64_t k = 1; k <= pie_count; ++k) {
    const CGraphSeries& series = *seriesList[static_cast<std::size_t>(k - 1)];
    const PieSquare s = SquareOfPie(*this, layout, k, pie_count);
    DrawSeriesLabel(surface, series, s, layout);
    const double total = SeriesTotal(series, seriesSize);

    std::vector<CGraphPieLabel> labels;
    Point previous{s.left, SaturateToInt32(s.cy)};
    std::int32_t previous_angle = 0;
    for (const Slice& slice : SlicesOf(series, seriesSize, total)) {
      labels.push_back(MakeLabel(s, layout, DiamondPoint(s, slice.midAngle), slice.midAngle,
                                 RoundedPercent(slice.value, total)));
      // Slot 0 starts one pixel above the left end so that a slot-0 slice of
      // 360 degrees, ending at (left, cy - 1), fills the whole disc.
      const Point start = slice.slot == 0 ? OneUp(previous) : previous;
      const Point end = DiamondPoint(s, slice.endAngle);
      const COLORREF color = GetColor(slice.slot);
      {
        const FaceColor face(surface, color);
        DrawWedge(surface, s.left, s.top, s.right, s.bottom, start, end,
                  slice.endAngle - previous_angle);
      }
      previous = end;
      previous_angle = slice.endAngle;
    }
    DrawLabels(surface, labels, layout);
  }
  return true;
}

bool CGraph::Draw3DPies(DrawingSurface& surface) {
  const auto pie_count = static_cast<std::int64_t>(seriesList.size());
  if (pie_count == 0) return true;
  const PieLayout layout = ComputeLayout(*this, surface.GetTextMetrics(), pie_count);
  if (layout.r <= 0) {
    SetErrorText(kNoRoomForPies);
    return false;
  }
  const std::int64_t d = TruncateToInt32(static_cast<double>(layout.r) * depthRatio);

  for (std::int64_t k = 1; k <= pie_count; ++k) {
    const CGraphSeries& series = *seriesList[static_cast<std::size_t>(k - 1)];
    const PieSquare s = SquareOfPie(*this, layout, k, pie_count);
    DrawSeriesLabel(surface, series, s, layout);
    const double total = SeriesTotal(series, seriesSize);
    const std::vector<Slice> slices = SlicesOf(series, seriesSize, total);

    // The wall: the lower ellipse (the top's square moved right and down by
    // d) joined to the top by a quadrilateral per slice, in the slice's
    // darker colour. Walls wholly in the rear (upper) half would show
    // through the front ones' gaps in their own colours, so they all take
    // the colour of the slice that crossed into the rear half.
    const std::int32_t lower_left = SaturateToInt32(std::int64_t{s.left} + d);
    const std::int32_t lower_top = SaturateToInt32(std::int64_t{s.top} + d);
    const std::int32_t lower_right = SaturateToInt32(std::int64_t{s.right} + d);
    const std::int32_t lower_bottom = SaturateToInt32(std::int64_t{s.bottom} + d);
    Point previous_lower{lower_left, SaturateToInt32(s.cy + d)};
    Point previous_upper{s.left, SaturateToInt32(s.cy)};
    std::int32_t previous_quarter = 0;
    std::int32_t previous_angle = 0;
    // Always set before use: the first slice to reach the rear half comes
    // from the front half and sets it.
    COLORREF rear_color = 0;
    for (const Slice& slice : slices) {
      const std::int32_t quarter = slice.endAngle / 90;
      const Point lower_end = CirclePoint(s.cx + d, s.cy + d, s.r, slice.endAngle);
      const Point upper_end = CirclePoint(s.cx, s.cy, s.r, slice.endAngle);
      if (slice.slot == 0) {
        previous_lower = OneUp(previous_lower);
        previous_upper = OneUp(previous_upper);
      }
      const COLORREF dark = ShadeDarker(GetColor(slice.slot));
      const std::int32_t span = slice.endAngle - previous_angle;
      if (quarter < 2 || previous_quarter < 2) {
        const ScopedPen pen(surface, Pen{1, dark});
        const ScopedBrush brush(surface, Brush{dark});
        const Point wall[] = {previous_lower, lower_end, upper_end, previous_upper};
        surface.Polygon(wall);
        DrawWedge(surface, lower_left, lower_top, lower_right, lower_bottom, previous_lower,
                  lower_end, span);
      } else {
        const ScopedPen pen(surface, Pen{1, rear_color});
        const ScopedBrush brush(surface, Brush{rear_color});
        DrawWedge(surface, lower_left, lower_top, lower_right, lower_bottom, previous_lower,
                  lower_end, span);
        const Point wall[] = {lower_end, upper_end, previous_upper};
        surface.Polygon(wall);
      }
      previous_upper = upper_end;
      if (quarter > 1 && previous_quarter < 2) rear_color = dark;
      previous_lower = lower_end;
      previous_quarter = quarter;
      previous_angle = slice.endAngle;
    }

    // The top: the slices on the upper circle, over the walls.
    std::vector<CGraphPieLabel> labels;
    previous_upper = Point{s.left, SaturateToInt32(s.cy)};
    previous_angle = 0;
    for (const Slice& slice : slices) {
      const Point upper_end = CirclePoint(s.cx, s.cy, s.r, slice.endAngle);
      labels.push_back(MakeLabel(s, layout, CirclePoint(s.cx, s.cy, s.r, slice.midAngle),
                                 slice.midAngle, TruncatedPercent(slice.value, total)));
      if (slice.slot == 0) previous_upper = OneUp(previous_upper);
      const COLORREF color = GetColor(slice.slot);
      {
        const FaceColor face(surface, color);
        DrawWedge(surface, s.left, s.top, s.right, s.bottom, previous_upper, upper_end,
                  slice.endAngle - previous_angle);
      }
      previous_upper = upper_end;
      previous_angle = slice.endAngle;
    }

    if (!labels.empty()) {
      const ScopedPen pen(surface, Pen{1, 0x000000});
      const ScopedBrush brush(surface, Brush{0x000000});
      DrawLabels(surface, labels, layout);
    }
  }
  return true;
}

}  // namespace tessaloom
