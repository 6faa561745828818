// Pie charts, flat and three-dimensional: one pie per series, side by side,
// each slot's positive value a slice, a percentage label with a leader line
// beside every slice and the series' label below the pie.
//
// Angles are whole degrees counted from the left end of the horizontal
// diameter downward, i.e. counter-clockwise on screen (90 is the bottom, 180
// the right end, 270 the top), because the surface's Pie runs that way.
//
// Labels stay in their pie's column of the plot, between the plot's top and
// the series labels' row, clear of the pie and of each other: each side's
// labels keep their order top to bottom and move as little as they can,
// and when a side has more labels than rows the smallest slices' give way.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <numbers>
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

using layout::kCanvasBorder;
using layout::PointAt;

// Pies whose radius comes to nothing would be an empty picture; the reason
// says what took the room.
constexpr char kTooManyPies[] = "Too many series for the image size";
constexpr char kLabelsTooLong[] = "Labels too long for the image size";
constexpr char kImageTooSmall[] = "The image is too small for the pie";
// The pies' centre row lies half this many pixels below the middle of the
// plot height, which leaves the title room above them.
constexpr std::int64_t kCentreRowDrop = 60;
// π to five decimals: the rim points that anchor walls and labels are
// computed with this value.
constexpr double kPi = 3.14159;
// Label offset past the widest character; three offsets per pie are kept
// off the radius for the labels.
constexpr std::int64_t kLabelOffsetPad = 10;
// Rows between two labels' texts: a label's step is its text height plus this.
constexpr std::int64_t kLabelRowGap = 6;
// Series pies: their columns start this far into the plot.
constexpr std::int64_t kColumnMargin = 15;
// Pixels between a leader line's end and its text, and between a label and
// any pie.
constexpr std::int64_t kLabelGap = 5;
// Radius of the points that give Pie its radials: Pie takes only the
// direction from the box's centre pixel to a point, and whole-pixel points
// this far out hold it within 0.005 degrees of the slice's angle, where
// points on the rim of a small pie would miss by a degree or more.
constexpr std::int64_t kFarRadius = std::int64_t{1} << 14;
// A pie's column, less three label offsets, is three radii wide (or high).
constexpr std::int64_t kOffsetsPerColumn = 3;
constexpr std::int64_t kRadiiPerColumn = 3;
// The series labels' top row lies this many radii plus kSeriesLabelDrop and
// a line step below the centre row; their texts are centred at this many
// pixels per character.
constexpr double kSeriesLabelRadii = 1.5;
constexpr std::int64_t kSeriesLabelDrop = 15;
constexpr std::int64_t kSeriesLabelCharWidth = 8;
// The 3D pie draws its labels with a pen and brush of this colour.
constexpr COLORREF kLabelColor = 0x000000;

// Angles, in whole degrees.
constexpr std::int32_t kQuarterTurn = 90;
constexpr std::int32_t kHalfTurn = 180;
constexpr std::int32_t kThreeQuarterTurn = 270;
constexpr std::int32_t kFullTurn = 360;
// A slice's share of the circle passes through percent, as its label shows it.
constexpr double kPercentScale = 100.0;

// The quarters of the circle as the angles run (angle / kQuarterTurn). The
// lower two lie below the middle row: a 3D pie's front half.
constexpr std::int32_t kLowerLeft = 0;
constexpr std::int32_t kLowerRight = 1;
constexpr std::int32_t kUpperRight = 2;
constexpr std::int32_t kUpperLeft = 3;

constexpr bool IsLower(std::int32_t quarter) noexcept { return quarter < kUpperRight; }
constexpr bool IsLeft(std::int32_t quarter) noexcept {
  return quarter == kLowerLeft || quarter == kUpperLeft;
}

// Figures shared by every pie of one drawing, all in pixels.
struct PieLayout {
  std::int64_t off = 0;     // label offset: widest character + kLabelOffsetPad
  std::int64_t height = 0;  // a label's text height
  std::int64_t step = 0;    // line step: text height + kLabelRowGap
  std::int64_t r = 0;       // radius
  std::int64_t cy = 0;      // centre row
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

// Radius of each of `pieCount` pies side by side in a plot of the given
// extents, with label offset `off`: zero or less when they have no room.
std::int64_t PieRadius(std::int64_t width, std::int64_t height, std::int64_t pieCount,
                       std::int64_t off) noexcept {
  return (std::min(width, height) / pieCount - kOffsetsPerColumn * off) / kRadiiPerColumn;
}

PieLayout ComputeLayout(const CGraph& graph, const TextMetrics& metrics,
                        std::int64_t pieCount) noexcept {
  PieLayout layout;
  layout.off = std::int64_t{metrics.maxCharWidth} + kLabelOffsetPad;
  layout.height = metrics.height;
  layout.step = std::int64_t{metrics.height} + kLabelRowGap;
  layout.r = PieRadius(graph.plotWidth, graph.plotHeight, pieCount, layout.off);
  layout.cy = (std::int64_t{graph.plotHeight} + kCentreRowDrop) / 2;
  return layout;
}

// What leaves pies of the layout's radius no room. The pies' plot is inset
// by plotLeftX on both sides of the canvas, so without the legend it would
// be canvasWidth - 2 plotLeftX wide.
const char* NoRoomReason(const CGraph& graph, const PieLayout& layout,
                         std::int64_t pieCount) noexcept {
  const std::int64_t height = graph.plotHeight;
  const std::int64_t bare = std::int64_t{graph.canvasWidth} - 2 * std::int64_t{graph.plotLeftX};
  const auto fits = [&](std::int64_t width, std::int64_t count) {
    return PieRadius(width, height, count, layout.off) > 0;
  };
  if (!fits(graph.plotWidth, 1)) return fits(bare, 1) ? kLabelsTooLong : kImageTooSmall;
  return fits(bare, pieCount) ? kLabelsTooLong : kTooManyPies;
}

// Pie k of `pieCount` (k from 1): a single pie is centred in the plot,
// several share its width in equal columns after kColumnMargin.
PieSquare SquareOfPie(const CGraph& graph, const PieLayout& layout, std::int64_t k,
                      std::int64_t pieCount) noexcept {
  PieSquare s;
  if (pieCount == 1) {
    s.cx = std::int64_t{graph.plotLeftX} + graph.plotWidth / 2;
  } else {
    s.cx = std::int64_t{graph.plotLeftX} + kColumnMargin +
           (2 * k - 1) * ((graph.plotWidth / pieCount) / 2);
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
  const double degrees = ((cum / total) * kPercentScale * kFullTurn) / kPercentScale;
  return std::clamp(TruncateToInt32(degrees), 0, kFullTurn);
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

// Point of `angle` on the circle of radius r about (x0, y0), that is
// (x0 - r cos, y0 + r sin), each coordinate truncated. Every quarter uses
// the sine of an angle between 0 and 90 degrees.
Point CirclePoint(std::int64_t x0, std::int64_t y0, std::int64_t r, std::int32_t angle) noexcept {
  constexpr double kRadiansPerDegree = kPi / kHalfTurn;
  const auto sine = [](std::int32_t degrees) { return std::sin(degrees * kRadiansPerDegree); };
  const auto x = static_cast<double>(x0);
  const auto y = static_cast<double>(y0);
  const auto rr = static_cast<double>(r);
  double px = 0.0;
  double py = 0.0;
  switch (angle / kQuarterTurn) {
    case kLowerLeft:
      px = x - sine(kQuarterTurn - angle) * rr;
      py = y + sine(angle) * rr;
      break;
    case kLowerRight:
      px = x + sine(angle - kQuarterTurn) * rr;
      py = y + sine(kHalfTurn - angle) * rr;
      break;
    case kUpperRight:
      px = x + sine(kThreeQuarterTurn - angle) * rr;
      py = y - sine(angle - kHalfTurn) * rr;
      break;
    case kUpperLeft:
      px = x - sine(angle - kThreeQuarterTurn) * rr;
      py = y - sine(kFullTurn - angle) * rr;
      break;
    default: return PointAt(x0 - r, y0 - 1);
  }
  return {TruncateToInt32(px), TruncateToInt32(py)};
}

Point OneUp(Point p) noexcept { return {p.x, SaturateToInt32(std::int64_t{p.y} - 1)}; }

// Point giving Pie the radial of `angle` about the centre pixel (x0, y0):
// kFarRadius out on the true circle. 360 degrees is the left end one pixel
// up, where a slot-0 slice starts, so that a slice of the whole circle
// starts and ends on the same point and fills the disc.
Point FarPoint(std::int64_t x0, std::int64_t y0, std::int32_t angle) noexcept {
  if (angle >= kFullTurn) return OneUp(FarPoint(x0, y0, 0));
  const double radians = static_cast<double>(angle) * std::numbers::pi / kHalfTurn;
  const auto far = static_cast<double>(kFarRadius);
  return PointAt(x0 - std::llround(far * std::cos(radians)),
                 y0 + std::llround(far * std::sin(radians)));
}

// A slice's label: the record the pie draws and what placing it needs.
struct PieLabel {
  CGraphPieLabel record;
  std::int64_t width = 0;  // of the text, as TextOut paints it
  float value = 0.0f;      // the slice's: the smallest slices' labels give way first
  bool shown = true;
};

// Label of a slice whose middle angle is `midAngle` and whose rim point
// there is `p`: the leader line runs from halfway between the centre and p
// to half a radius outside p, and the text, `width` pixels wide, sits
// kLabelGap beside the line's end on the side facing away from the pie.
PieLabel MakeLabel(const PieSquare& s, const PieLayout& layout, Point p, std::int32_t midAngle,
                   std::string text, std::int64_t width, float value) {
  CGraphPieLabel label;
  // 360 degrees (reached only when negative slots shrink the total) is the
  // left end just above the middle row: the upper left quarter.
  const std::int32_t quarter = std::min(midAngle / kQuarterTurn, kUpperLeft);
  const std::int64_t halfRadius = s.r / 2;
  label.lineStartX = SaturateToInt32(p.x + (s.cx - p.x) / 2);
  label.lineStartY = SaturateToInt32(p.y + (s.cy - p.y) / 2);
  const bool leftward = IsLeft(quarter);
  const bool downward = IsLower(quarter);
  label.lineEndX = SaturateToInt32(std::int64_t{p.x} + (leftward ? -halfRadius : halfRadius));
  label.lineEndY = SaturateToInt32(std::int64_t{p.y} + (downward ? halfRadius : -halfRadius));
  label.textX =
      SaturateToInt32(std::int64_t{label.lineEndX} + (leftward ? -kLabelGap - width : kLabelGap));
  label.textY = SaturateToInt32(std::int64_t{label.lineEndY} - (downward ? 0 : layout.step));
  label.midQuadrant = quarter;
  label.labelText = std::move(text);
  return {std::move(label), width, value, true};
}

bool IsLeftward(const CGraphPieLabel& label) noexcept { return IsLeft(label.midQuadrant); }

// A slice's share of the total in percent: the value times 100 in single
// precision, divided in double. A value too large for that product (beyond
// about 3.4e36) is scaled in double instead of becoming infinite.
double PercentOf(float value, double total) noexcept {
  const float scaled = value * static_cast<float>(kPercentScale);
  const double numerator = std::isfinite(scaled) ? static_cast<double>(scaled)
                                                 : static_cast<double>(value) * kPercentScale;
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

// Top row of the series labels.
std::int64_t SeriesLabelRow(const PieLayout& layout) noexcept {
  return layout.cy + TruncateToInt32(kSeriesLabelRadii * static_cast<double>(layout.r)) +
         kSeriesLabelDrop + layout.step;
}

// The series label, centred below the pie by its characters.
void DrawSeriesLabel(DrawingSurface& surface, const CGraphSeries& series, const PieSquare& s,
                     const PieLayout& layout) {
  const std::string label = series.GetLabel();
  const std::int64_t n = CodePointLength(label);
  surface.TextOut(SaturateToInt32(s.cx - (kSeriesLabelCharWidth / 2) * n),
                  SaturateToInt32(SeriesLabelRow(layout)), label);
}

// One wedge of the box from `start` counter-clockwise to `end`, spanning
// `span` degrees. Pie fills the whole ellipse when both points coincide,
// which is right only for a slice of the full circle: a slice of zero width
// (a rounded-away sliver, or too few pixels to tell its radials apart) draws
// nothing instead of painting over the slices before it.
void DrawWedge(DrawingSurface& surface, std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom, Point start, Point end, std::int32_t span) {
  if (start == end && span < kFullTurn) return;
  surface.Pie(left, top, right, bottom, start, end);
}

// Where a pie's labels may go: its column of the plot (the whole plot for
// a single pie), from the plot's top down to kLabelGap above the series
// labels' row, inside the canvas's border. Right and bottom are exclusive.
struct LabelRegion {
  std::int64_t left = 0;
  std::int64_t top = 0;
  std::int64_t right = 0;
  std::int64_t bottom = 0;
};

LabelRegion RegionOfPie(const CGraph& graph, const PieLayout& layout, std::int64_t k,
                        std::int64_t pieCount) noexcept {
  const std::int64_t plotLeft = graph.plotLeftX;
  const std::int64_t plotRight = plotLeft + graph.plotWidth;
  LabelRegion region{plotLeft, std::int64_t{graph.plotBaseY} - graph.plotHeight, plotRight,
                     SeriesLabelRow(layout) - kLabelGap};
  if (pieCount > 1) {
    const std::int64_t column = graph.plotWidth / pieCount;
    if (k > 1) region.left = plotLeft + kColumnMargin + (k - 1) * column;
    region.right = std::min(plotRight, plotLeft + kColumnMargin + k * column);
  }
  region.left = std::max(region.left, kCanvasBorder);
  region.top = std::max(region.top, kCanvasBorder);
  region.right = std::min<std::int64_t>(region.right, graph.canvasWidth);
  region.bottom = std::min(region.bottom, std::int64_t{graph.canvasHeight} - kCanvasBorder);
  return region;
}

// A disc that holds everything of a pie, grown by kLabelGap: for a 3D pie it
// is centred between the top's and the wall's centres, each depth / sqrt 2
// from there, so a radius of r + depth holds both rims and the wall.
struct Footprint {
  double x = 0.0;
  double y = 0.0;
  double radius = 0.0;
};

Footprint FootprintOf(const PieSquare& s, std::int64_t depth) noexcept {
  const double half = static_cast<double>(depth) / 2.0;
  return {static_cast<double>(s.cx) + half, static_cast<double>(s.cy) + half,
          static_cast<double>(s.r + depth + kLabelGap)};
}

// Half the footprint's width over the rows top..bottom; negative when they
// miss it.
double HalfWidthOver(const Footprint& f, double top, double bottom) noexcept {
  const double dy = f.y < top ? top - f.y : f.y > bottom ? f.y - bottom : 0.0;
  if (dy >= f.radius) return -1.0;
  return std::sqrt(f.radius * f.radius - dy * dy);
}

// Places the labels `side` (indices into `labels`, all on one side of the
// pie) inside `region`, a line step apart, clear of the footprint and of
// the other side (which stays beyond the pie's centre column).
void PlaceSide(std::vector<PieLabel>& labels, std::vector<std::size_t> side,
               const LabelRegion& region, const Footprint& pie, std::int64_t cx,
               const PieLayout& layout) {
  const std::int64_t step = std::max<std::int64_t>(layout.step, 1);
  std::stable_sort(side.begin(), side.end(), [&](std::size_t a, std::size_t b) {
    return labels[a].record.textY < labels[b].record.textY;
  });
  // More labels than rows: the smallest slices' labels give way, and of
  // slices as small as the last that keeps its label, evenly spaced ones stay.
  const std::int64_t room = region.bottom - region.top - layout.height;
  const std::size_t rows = room < 0 ? 0 : static_cast<std::size_t>(room / step) + 1;
  if (side.size() > rows) {
    std::vector<float> values;
    for (const std::size_t index : side) values.push_back(labels[index].value);
    std::sort(values.begin(), values.end(), std::greater<>());
    const float cut = rows == 0 ? std::numeric_limits<float>::infinity() : values[rows - 1];
    const auto larger = static_cast<std::size_t>(
        std::count_if(values.begin(), values.end(), [&](float v) { return v > cut; }));
    const auto ties = static_cast<std::size_t>(std::count(values.begin(), values.end(), cut));
    const std::size_t wanted = rows - std::min(rows, larger);
    std::vector<std::size_t> kept;
    std::size_t tie = 0;
    for (const std::size_t index : side) {
      const float v = labels[index].value;
      bool keep = v > cut;
      if (v == cut) {
        keep = (tie + 1) * wanted / ties > tie * wanted / ties;
        ++tie;
      }
      if (keep) {
        kept.push_back(index);
      } else {
        labels[index].shown = false;
      }
    }
    side = std::move(kept);
  }
  if (side.empty()) return;

  // Rows: the labels keep their order top to bottom and lie as near their
  // wanted rows as a step between neighbours allows, in least squares (the
  // wanted rows less i steps, made non-decreasing by pooling neighbours
  // into runs that share their mean), then the runs are held in the region.
  struct Run {
    std::int64_t sum = 0;
    std::int64_t count = 0;
  };
  std::vector<Run> runs;
  for (std::size_t i = 0; i < side.size(); ++i) {
    runs.push_back({labels[side[i]].record.textY - static_cast<std::int64_t>(i) * step, 1});
    while (runs.size() > 1) {
      const Run last = runs.back();
      Run& before = runs[runs.size() - 2];
      if (before.sum * last.count <= last.sum * before.count) break;
      before.sum += last.sum;
      before.count += last.count;
      runs.pop_back();
    }
  }
  const std::int64_t lowest =
      region.bottom - layout.height - static_cast<std::int64_t>(side.size() - 1) * step;
  std::size_t i = 0;
  for (const Run& run : runs) {
    const std::int64_t mean =
        std::llround(static_cast<double>(run.sum) / static_cast<double>(run.count));
    const std::int64_t first = std::clamp(mean, region.top, lowest);
    for (std::int64_t n = 0; n < run.count; ++n, ++i) {
      CGraphPieLabel& record = labels[side[i]].record;
      const std::int64_t y = first + static_cast<std::int64_t>(i) * step;
      const bool downward = IsLower(record.midQuadrant);
      record.textY = SaturateToInt32(y);
      record.lineEndY = SaturateToInt32(downward ? y : y + layout.step);
    }
  }

  // Columns: as wanted, unless that puts the text over the pie or outside
  // the region; a label with no room between them is left out.
  for (const std::size_t index : side) {
    PieLabel& label = labels[index];
    CGraphPieLabel& record = label.record;
    const double reach = HalfWidthOver(pie, static_cast<double>(record.textY),
                                       static_cast<double>(record.textY + layout.height));
    if (IsLeftward(record)) {
      std::int64_t most = cx - kLabelGap;  // the text's right end
      if (reach >= 0.0) most = std::min(most, static_cast<std::int64_t>(std::floor(pie.x - reach)));
      const std::int64_t least = region.left + label.width;
      if (least > most) {
        label.shown = false;
        continue;
      }
      const std::int64_t end = std::clamp(std::int64_t{record.textX} + label.width, least, most);
      record.textX = SaturateToInt32(end - label.width);
      record.lineEndX = SaturateToInt32(end + kLabelGap);
    } else {
      std::int64_t least = cx + kLabelGap;  // the text's left end
      if (reach >= 0.0)
        least = std::max(least, static_cast<std::int64_t>(std::ceil(pie.x + reach)));
      const std::int64_t most = region.right - label.width;
      if (least > most) {
        label.shown = false;
        continue;
      }
      const std::int64_t start = std::clamp(std::int64_t{record.textX}, least, most);
      record.textX = SaturateToInt32(start);
      record.lineEndX = SaturateToInt32(start - kLabelGap);
    }
  }
}

void PlaceLabels(std::vector<PieLabel>& labels, const LabelRegion& region, const Footprint& pie,
                 std::int64_t cx, const PieLayout& layout) {
  std::vector<std::size_t> left;
  std::vector<std::size_t> right;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    (IsLeftward(labels[i].record) ? left : right).push_back(i);
  }
  PlaceSide(labels, std::move(left), region, pie, cx, layout);
  PlaceSide(labels, std::move(right), region, pie, cx, layout);
}

// Draws each shown label's leader line and text.
void DrawLabels(DrawingSurface& surface, const std::vector<PieLabel>& labels) {
  for (const PieLabel& label : labels) {
    if (!label.shown) continue;
    const CGraphPieLabel& record = label.record;
    surface.MoveTo(record.lineStartX, record.lineStartY);
    surface.LineTo(record.lineEndX, record.lineEndY);
    surface.TextOut(record.textX, record.textY, record.labelText);
  }
}

// The 3D pie's wall: the lower ellipse (the top's square moved right and
// down by `depth`) joined to the top by a quadrilateral per slice between the
// rim points, in the slice's darker colour. Walls wholly in the rear (upper)
// half would show through the front ones' gaps in their own colours, so
// they all take the colour of the slice that crossed into the rear half.
void DrawWall(DrawingSurface& surface, const CGraph& graph, const PieSquare& s,
              const std::vector<Slice>& slices, std::int64_t depth) {
  const std::int32_t lowerLeft = SaturateToInt32(std::int64_t{s.left} + depth);
  const std::int32_t lowerTop = SaturateToInt32(std::int64_t{s.top} + depth);
  const std::int32_t lowerRight = SaturateToInt32(std::int64_t{s.right} + depth);
  const std::int32_t lowerBottom = SaturateToInt32(std::int64_t{s.bottom} + depth);
  Point previousLower{lowerLeft, SaturateToInt32(s.cy + depth)};
  Point previousUpper{s.left, SaturateToInt32(s.cy)};
  Point previousFar = FarPoint(s.cx + depth, s.cy + depth, 0);
  std::int32_t previousQuarter = kLowerLeft;
  std::int32_t previousAngle = 0;
  // Always set before use: the first slice to reach the rear half comes
  // from the front half and sets it.
  COLORREF rearColor = 0;
  for (const Slice& slice : slices) {
    const std::int32_t quarter = slice.endAngle / kQuarterTurn;
    const Point lowerEnd = CirclePoint(s.cx + depth, s.cy + depth, s.r, slice.endAngle);
    const Point upperEnd = CirclePoint(s.cx, s.cy, s.r, slice.endAngle);
    const Point farEnd = FarPoint(s.cx + depth, s.cy + depth, slice.endAngle);
    if (slice.slot == 0) {
      previousLower = OneUp(previousLower);
      previousUpper = OneUp(previousUpper);
      previousFar = OneUp(previousFar);
    }
    const COLORREF dark = ShadeDarker(graph.GetColor(slice.slot));
    const std::int32_t span = slice.endAngle - previousAngle;
    if (IsLower(quarter) || IsLower(previousQuarter)) {
      const FaceColor face(surface, dark);
      const Point wall[] = {previousLower, lowerEnd, upperEnd, previousUpper};
      surface.Polygon(wall);
      DrawWedge(surface, lowerLeft, lowerTop, lowerRight, lowerBottom, previousFar, farEnd, span);
    } else {
      const FaceColor face(surface, rearColor);
      DrawWedge(surface, lowerLeft, lowerTop, lowerRight, lowerBottom, previousFar, farEnd, span);
      const Point wall[] = {lowerEnd, upperEnd, previousUpper};
      surface.Polygon(wall);
    }
    if (!IsLower(quarter) && IsLower(previousQuarter)) rearColor = dark;
    previousUpper = upperEnd;
    previousLower = lowerEnd;
    previousFar = farEnd;
    previousQuarter = quarter;
    previousAngle = slice.endAngle;
  }
}

// The text of a slice's label from its value and the series total.
using PercentText = std::string (*)(float value, double total);

// A slice's label: its percentage, and with ShowValues its value before it
// ("120 (25%)"); the labels' placement keeps either clear of the others.
std::string SliceLabel(const CGraph& graph, float value, double total, PercentText percent) {
  if (!graph.options.showValues) return percent(value, total);
  return graph.ValueLabelText(static_cast<double>(value)) + " (" + percent(value, total) + ")";
}

// The pie's top: each slice a wedge in its colour, over a 3D pie's wall.
// Returns the slices' labels, unplaced, with `percent` giving their texts.
std::vector<PieLabel> DrawTop(DrawingSurface& surface, const CGraph& graph, const PieSquare& s,
                              const PieLayout& layout, const std::vector<Slice>& slices,
                              double total, PercentText percent) {
  std::vector<PieLabel> labels;
  Point previous = FarPoint(s.cx, s.cy, 0);
  std::int32_t previousAngle = 0;
  for (const Slice& slice : slices) {
    std::string text = SliceLabel(graph, slice.value, total, percent);
    const std::int64_t width = surface.GetTextExtent(text);
    labels.push_back(MakeLabel(s, layout, CirclePoint(s.cx, s.cy, s.r, slice.midAngle),
                               slice.midAngle, std::move(text), width, slice.value));
    // Slot 0 starts one pixel above the left end so that a slot-0 slice of
    // the full circle, ending there too, fills the whole disc.
    const Point start = slice.slot == 0 ? OneUp(previous) : previous;
    const Point end = FarPoint(s.cx, s.cy, slice.endAngle);
    {
      const FaceColor face(surface, graph.GetColor(slice.slot));
      DrawWedge(surface, s.left, s.top, s.right, s.bottom, start, end,
                slice.endAngle - previousAngle);
    }
    previous = end;
    previousAngle = slice.endAngle;
  }
  return labels;
}

// Both pie kinds, pie by pie: the series label, a solid pie's wall, the top,
// then the labels placed clear of the pie and each other. False, with the
// reason in the error text, when the pies have no room.
bool DrawPieChart(DrawingSurface& surface, CGraph& graph, bool solid) {
  const auto pieCount = static_cast<std::int64_t>(graph.seriesList.size());
  if (pieCount == 0) return true;
  const PieLayout layout = ComputeLayout(graph, surface.GetTextMetrics(), pieCount);
  if (layout.r <= 0) {
    graph.SetErrorText(NoRoomReason(graph, layout, pieCount));
    return false;
  }
  const std::int64_t depth =
      solid ? TruncateToInt32(static_cast<double>(layout.r) * graph.depthRatio) : 0;

  for (std::int64_t k = 1; k <= pieCount; ++k) {
    const CGraphSeries& series = *graph.seriesList[static_cast<std::size_t>(k - 1)];
    const PieSquare s = SquareOfPie(graph, layout, k, pieCount);
    DrawSeriesLabel(surface, series, s, layout);
    const double total = SeriesTotal(series, graph.seriesSize);
    const std::vector<Slice> slices = SlicesOf(series, graph.seriesSize, total);
    if (solid) DrawWall(surface, graph, s, slices, depth);
    std::vector<PieLabel> labels = DrawTop(surface, graph, s, layout, slices, total,
                                           solid ? TruncatedPercent : RoundedPercent);
    if (labels.empty()) continue;
    PlaceLabels(labels, RegionOfPie(graph, layout, k, pieCount), FootprintOf(s, depth), s.cx,
                layout);
    if (solid) {
      // The 3D pie's leader lines take a black pen of their own.
      const FaceColor ink(surface, kLabelColor);
      DrawLabels(surface, labels);
    } else {
      DrawLabels(surface, labels);
    }
  }
  return true;
}

}  // namespace

bool CGraph::DrawPies(DrawingSurface& surface) { return DrawPieChart(surface, *this, false); }

bool CGraph::Draw3DPies(DrawingSurface& surface) { return DrawPieChart(surface, *this, true); }

}  // namespace tessaloom
