// Ellipse and Pie. Boxes up to kExactEllipseSide a side use the exact
// midpoint ring; bigger ones a polygon through the ellipse, so the work
// never grows with the box. Wide pens dilate the ring with pen caps up to
// kMaxCapDilation and paint a band between two offset ellipses beyond that.
#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

#include "draw/raster/ellipse_ring.h"
#include "draw/raster/raster_math.h"
#include "draw/raster/scan_fill.h"
#include "draw/raster/shapes.h"
#include "draw/raster/strokes.h"

namespace tessaloom::raster {
namespace {

constexpr double kTurn = 2 * std::numbers::pi;
constexpr std::int64_t kMaxCapDilation = 16;

EllipseBox Normalise(std::int32_t left, std::int32_t top, std::int32_t right,
                     std::int32_t bottom) noexcept {
  return {std::min(left, right), std::min(top, bottom), std::max(left, right),
          std::max(top, bottom)};
}

// True when nothing within `reach` pixels of the box is on the canvas.
bool MissesCanvas(const Canvas& canvas, const EllipseBox& box, std::int64_t reach) noexcept {
  return box.right + reach <= 0 || box.bottom + reach <= 0 || box.left - reach >= canvas.Width() ||
         box.top - reach >= canvas.Height();
}

bool IsExact(const EllipseBox& box) noexcept {
  return box.Width() <= kExactEllipseSide && box.Height() <= kExactEllipseSide;
}

Point64 RoundedPoint(const EllipseGeometry& g, double t) noexcept {
  return {std::llround(g.X(t)), std::llround(g.Y(t))};
}

// The outline of a pen wider than kMaxCapDilation (or of an approximated
// ellipse): the band between the ellipse grown and shrunk by width / 2 over
// `sweep` radians from t0, shifted like the caps (half a pixel up and left
// for even widths), filled by the polygon rule.
void FillBand(Canvas& canvas, const EllipseGeometry& g, double t0, double sweep, std::int64_t width,
              COLORREF color) noexcept {
  const double half = static_cast<double>(width) / 2;
  const double shift = width % 2 == 0 ? 0.5 : 0.0;
  const EllipseGeometry outer{g.cx - shift, g.cy - shift, g.rx + half, g.ry + half};
  const EllipseGeometry inner{g.cx - shift, g.cy - shift, std::max(g.rx - half, 0.0),
                              std::max(g.ry - half, 0.0)};
  const std::int64_t count = outer.SegmentCount(sweep);
  const auto one = static_cast<double>(ScanFiller::kOne);
  auto fixedAt = [&](const EllipseGeometry& e, std::int64_t i) -> Point64 {
    const double t = t0 + sweep * static_cast<double>(i) / static_cast<double>(count);
    return {std::llround(e.X(t) * one), std::llround(e.Y(t) * one)};
  };
  ScanFiller filler(canvas.Height());
  const Point64 first = fixedAt(outer, 0);
  Point64 previous = first;
  auto to = [&](Point64 p) {
    filler.AddEdge(previous.x, previous.y, p.x, p.y);
    previous = p;
  };
  for (std::int64_t i = 1; i <= count; ++i) to(fixedAt(outer, i));
  for (std::int64_t i = count; i >= 0; --i) to(fixedAt(inner, i));
  to(first);
  filler.Fill(canvas, FillRule::kWinding, color);
}

// Paints one ring pixel of the outline.
void PaintRingPixel(Canvas& canvas, Point64 p, const Pen& pen) noexcept {
  if (IsWidePen(pen)) {
    FillPenCap(canvas, p, pen.width, pen.color);
  } else {
    canvas.SetPixel(p.x, p.y, pen.color);
  }
}

void DrawExactEllipse(Canvas& canvas, const EllipseBox& box, const Pen& pen,
                      const Brush& brush) noexcept {
  // Fill: each ring row from its leftmost to its rightmost pixel. Later
  // pixels of a quarter row are nearer the middle, so spans only shrink.
  WalkLowerRightQuarter(box, [&](Point64 p) {
    canvas.FillSpan(p.y, box.MirrorX(p.x), p.x + 1, brush.color);
    canvas.FillSpan(box.MirrorY(p.y), box.MirrorX(p.x), p.x + 1, brush.color);
  });
  if (IsWidePen(pen) && pen.width > kMaxCapDilation) {
    FillBand(canvas, EllipseGeometry::Of(box), 0, kTurn, pen.width, pen.color);
    return;
  }
  WalkLowerRightQuarter(box, [&](Point64 p) {
    PaintRingPixel(canvas, p, pen);
    PaintRingPixel(canvas, {box.MirrorX(p.x), p.y}, pen);
    PaintRingPixel(canvas, {p.x, box.MirrorY(p.y)}, pen);
    PaintRingPixel(canvas, {box.MirrorX(p.x), box.MirrorY(p.y)}, pen);
  });
}

// A polygon through the ellipse stands in for the ring: rule F fills it and
// its edges, stroked by the line rule, make the outline.
void DrawApproximateEllipse(Canvas& canvas, const EllipseBox& box, const Pen& pen,
                            const Brush& brush) noexcept {
  const EllipseGeometry g = EllipseGeometry::Of(box);
  const std::int64_t count = g.SegmentCount(kTurn);
  auto vertex = [&](std::int64_t i) {
    return RoundedPoint(g, kTurn * static_cast<double>(i) / static_cast<double>(count));
  };
  ScanFiller filler(canvas.Height());
  for (std::int64_t i = 0; i < count; ++i) {
    const Point64 a = vertex(i);
    const Point64 b = vertex(i + 1);
    filler.AddPixelEdge(a.x, a.y, b.x, b.y);
  }
  filler.Fill(canvas, FillRule::kAlternate, brush.color);
  if (IsWidePen(pen)) {
    FillBand(canvas, g, 0, kTurn, pen.width, pen.color);
    return;
  }
  for (std::int64_t i = 0; i < count; ++i) {
    StrokeCosmeticLine(canvas, vertex(i), vertex(i + 1), pen.color);
  }
}

// --- Pie -------------------------------------------------------------------

// Directions are vectors with y up, compared by their counter-clockwise
// angle from a reference direction, exactly.
bool InFirstHalfTurn(Point64 ref, Point64 u) noexcept {
  const Int128 c = Cross(ref.x, ref.y, u.x, u.y);
  return c > 0 || (c == 0 && Int128{ref.x} * u.x + Int128{ref.y} * u.y >= 0);
}
bool AngleLess(Point64 ref, Point64 u, Point64 v) noexcept {
  const bool uFirst = InFirstHalfTurn(ref, u);
  const bool vFirst = InFirstHalfTurn(ref, v);
  if (uFirst != vFirst) return uFirst;
  return Cross(u.x, u.y, v.x, v.y) > 0;
}

// Direction from the centre pixel to a point; a point on the centre counts
// as 3 o'clock (like atan2(0, 0) = 0).
Point64 DirectionTo(Point64 centre, Point p) noexcept {
  const Point64 d{p.x - centre.x, centre.y - p.y};
  return d == Point64{} ? Point64{1, 0} : d;
}

bool SameDirection(Point64 u, Point64 v) noexcept {
  return Cross(u.x, u.y, v.x, v.y) == 0 && Int128{u.x} * v.x + Int128{u.y} * v.y > 0;
}

// The whole ring counter-clockwise on screen from 3 o'clock, built from the
// stored lower-right quarter: upper-right forward, upper-left backward,
// lower-left forward, lower-right backward. Pixels shared by two quarters
// appear twice (zero-length edges, equal angles): harmless below.
class Ring {
 public:
  Ring(const EllipseBox& box, const std::vector<Point64>& quarter) noexcept
      : box_(box), quarter_(quarter) {}
  std::size_t Size() const noexcept { return 4 * quarter_.size(); }
  Point64 At(std::size_t k) const noexcept {
    const std::size_t n = quarter_.size();
    k %= Size();
    const std::size_t i = k % n;
    switch (k / n) {
      case 0: return {quarter_[i].x, box_.MirrorY(quarter_[i].y)};
      case 1: return Mirror(quarter_[n - 1 - i]);
      case 2: return {box_.MirrorX(quarter_[i].x), quarter_[i].y};
      default: return quarter_[n - 1 - i];
    }
  }

 private:
  Point64 Mirror(Point64 p) const noexcept { return {box_.MirrorX(p.x), box_.MirrorY(p.y)}; }
  const EllipseBox& box_;
  const std::vector<Point64>& quarter_;
};

struct PieEnds {
  Point64 centre;
  Point64 start;  // direction of the first radial (y up)
  Point64 end;
  bool whole;  // equal directions: the whole ellipse
};

PieEnds PieEndsOf(const EllipseBox& box, Point start, Point end) noexcept {
  PieEnds e;
  e.centre = {box.left + box.Width() / 2, box.top + box.Height() / 2};
  e.start = DirectionTo(e.centre, start);
  e.end = DirectionTo(e.centre, end);
  e.whole = SameDirection(e.start, e.end);
  return e;
}

void DrawExactPie(Canvas& canvas, const EllipseBox& box, const PieEnds& ends, const Pen& pen,
                  const Brush& brush) noexcept {
  std::vector<Point64> quarter;
  try {
    // Each step of a quarter moves a row or a column on, so it has fewer
    // than width + height pixels: the walk never reallocates or throws.
    quarter.reserve(static_cast<std::size_t>(box.Width() + box.Height()));
  } catch (const std::bad_alloc&) {
    return;
  }
  WalkLowerRightQuarter(box, [&](Point64 p) { quarter.push_back(p); });
  const Ring ring(box, quarter);
  const std::size_t size = ring.Size();
  const Point64 c = ends.centre;
  auto direction = [&](Point64 p) { return Point64{p.x - c.x, c.y - p.y}; };

  // The arc runs from the first ring pixel at or past the start direction
  // to the first one at or past the end direction, both included: adjacent
  // slices then share their radial. Ring angles never decrease along the
  // ring, so "first" is the smallest angle from the start direction.
  std::size_t first = 0;
  for (std::size_t k = 1; k < size; ++k) {
    if (AngleLess(ends.start, direction(ring.At(k)), direction(ring.At(first)))) first = k;
  }
  // Steps from the first arc pixel to the last; none when the first pixel
  // is already at or past the end direction (no ring pixel between them).
  std::size_t length = size;
  if (!ends.whole) {
    for (std::size_t j = 0; j < size; ++j) {
      if (!AngleLess(ends.start, direction(ring.At(first + j)), ends.end)) {
        length = j;
        break;
      }
    }
  }
  const Point64 firstPixel = ring.At(first);
  const Point64 lastPixel = ring.At(first + length);

  // Wedge: the polygon centre, arc pixels, centre by the winding rule.
  ScanFiller filler(canvas.Height());
  filler.AddPixelEdge(c.x, c.y, firstPixel.x, firstPixel.y);
  for (std::size_t j = 0; j < length; ++j) {
    const Point64 a = ring.At(first + j);
    const Point64 b = ring.At(first + j + 1);
    filler.AddPixelEdge(a.x, a.y, b.x, b.y);
  }
  filler.AddPixelEdge(lastPixel.x, lastPixel.y, c.x, c.y);
  filler.Fill(canvas, FillRule::kWinding, brush.color);

  // Outline on top: the arc, then the radials last -> centre -> first.
  if (IsWidePen(pen) && pen.width > kMaxCapDilation) {
    const EllipseGeometry g = EllipseGeometry::Of(box);
    const double t0 =
        g.ParameterOfPoint(static_cast<double>(firstPixel.x), static_cast<double>(firstPixel.y));
    double sweep = kTurn;
    if (length < size) {
      const double t1 =
          g.ParameterOfPoint(static_cast<double>(lastPixel.x), static_cast<double>(lastPixel.y));
      sweep = std::fmod(t1 - t0 + 2 * kTurn, kTurn);
    }
    FillBand(canvas, g, t0, sweep, pen.width, pen.color);
  } else {
    for (std::size_t j = 0; j <= length; ++j) PaintRingPixel(canvas, ring.At(first + j), pen);
  }
  StrokeLine(canvas, lastPixel, c, pen);
  StrokeLine(canvas, c, firstPixel, pen);
}

// A polygon through the ellipse from the start ray to the end ray stands in
// for the arc of a box too big for exact pixels.
void DrawApproximatePie(Canvas& canvas, const EllipseBox& box, const PieEnds& ends, const Pen& pen,
                        const Brush& brush) noexcept {
  const EllipseGeometry g = EllipseGeometry::Of(box);
  const Point64 c = ends.centre;
  const auto cx = static_cast<double>(c.x);
  const auto cy = static_cast<double>(c.y);
  const double t0 = g.ParameterOfRay(cx, cy, static_cast<double>(ends.start.x),
                                     -static_cast<double>(ends.start.y));
  double sweep = kTurn;
  if (!ends.whole) {
    const double t1 =
        g.ParameterOfRay(cx, cy, static_cast<double>(ends.end.x), -static_cast<double>(ends.end.y));
    sweep = std::fmod(t1 - t0 + 2 * kTurn, kTurn);
  }
  const std::int64_t count = g.SegmentCount(sweep);
  auto vertex = [&](std::int64_t i) {
    return RoundedPoint(g, t0 + sweep * static_cast<double>(i) / static_cast<double>(count));
  };
  const Point64 firstPixel = vertex(0);
  const Point64 lastPixel = vertex(count);

  ScanFiller filler(canvas.Height());
  filler.AddPixelEdge(c.x, c.y, firstPixel.x, firstPixel.y);
  for (std::int64_t i = 0; i < count; ++i) {
    const Point64 a = vertex(i);
    const Point64 b = vertex(i + 1);
    filler.AddPixelEdge(a.x, a.y, b.x, b.y);
  }
  filler.AddPixelEdge(lastPixel.x, lastPixel.y, c.x, c.y);
  filler.Fill(canvas, FillRule::kWinding, brush.color);

  if (IsWidePen(pen)) {
    FillBand(canvas, g, t0, sweep, pen.width, pen.color);
  } else {
    for (std::int64_t i = 0; i < count; ++i) {
      StrokeCosmeticLine(canvas, vertex(i), vertex(i + 1), pen.color);
    }
  }
  StrokeLine(canvas, lastPixel, c, pen);
  StrokeLine(canvas, c, firstPixel, pen);
}

}  // namespace

void DrawEllipse(Canvas& canvas, std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom, const Pen& pen, const Brush& brush) noexcept {
  const EllipseBox box = Normalise(left, top, right, bottom);
  // Boxes two pixels thin or less are drawn as rectangles (nothing when empty).
  if (box.Width() <= 2 || box.Height() <= 2) {
    DrawRectangle(canvas, left, top, right, bottom, pen, brush);
    return;
  }
  if (MissesCanvas(canvas, box, IsWidePen(pen) ? pen.width : 0)) return;
  if (IsExact(box)) {
    DrawExactEllipse(canvas, box, pen, brush);
  } else {
    DrawApproximateEllipse(canvas, box, pen, brush);
  }
}

void DrawPie(Canvas& canvas, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, Point start, Point end, const Pen& pen,
             const Brush& brush) noexcept {
  const EllipseBox box = Normalise(left, top, right, bottom);
  if (box.Width() <= 2 || box.Height() <= 2) {
    DrawRectangle(canvas, left, top, right, bottom, pen, brush);
    return;
  }
  if (MissesCanvas(canvas, box, IsWidePen(pen) ? pen.width : 0)) return;
  const PieEnds ends = PieEndsOf(box, start, end);
  if (IsExact(box)) {
    DrawExactPie(canvas, box, ends, pen, brush);
  } else {
    DrawApproximatePie(canvas, box, ends, pen, brush);
  }
}

}  // namespace tessaloom::raster
