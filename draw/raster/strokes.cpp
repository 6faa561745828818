#include "draw/raster/strokes.h"

#include <algorithm>
#include <cmath>

#include "draw/raster/scan_fill.h"

namespace tessaloom::raster {
namespace {

// Smallest k in [lo, hi) with pred(k), or hi; pred must be false then true.
template <class Pred>
std::int64_t FirstTrue(std::int64_t lo, std::int64_t hi, Pred pred) noexcept {
  while (lo < hi) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    if (pred(mid)) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

// Collects consecutive pixels of one row into a single span.
class RowRuns {
 public:
  RowRuns(Canvas& canvas, COLORREF color) noexcept : canvas_(canvas), color_(color) {}
  ~RowRuns() { Flush(); }
  RowRuns(const RowRuns&) = delete;
  RowRuns& operator=(const RowRuns&) = delete;

  void Add(std::int64_t x, std::int64_t y) noexcept {
    if (open_ && y == y_ && (x == x0_ - 1 || x == x1_)) {
      x0_ = std::min(x0_, x);
      x1_ = std::max(x1_, x + 1);
      return;
    }
    Flush();
    open_ = true;
    y_ = y;
    x0_ = x;
    x1_ = x + 1;
  }

 private:
  void Flush() noexcept {
    if (open_) canvas_.FillSpan(y_, x0_, x1_, color_);
    open_ = false;
  }

  Canvas& canvas_;
  COLORREF color_;
  bool open_ = false;
  std::int64_t y_ = 0;
  std::int64_t x0_ = 0;
  std::int64_t x1_ = 0;
};

}  // namespace

void StrokeCosmeticLine(Canvas& canvas, Point64 from, Point64 to, COLORREF color) noexcept {
  if (!InCoordinateRange(from) || !InCoordinateRange(to) || from == to) return;
  const std::int64_t width = canvas.Width();
  const std::int64_t height = canvas.Height();
  if (std::max(from.x, to.x) < 0 || std::min(from.x, to.x) >= width || std::max(from.y, to.y) < 0 ||
      std::min(from.y, to.y) >= height) {
    return;
  }

  // Work in (major, minor) coordinates: pixel k is at major a0 + step * k and
  // minor b0 + ceil((2 * db * k - m) / (2 * m)), the exact minor value
  // rounded half toward minus infinity.
  const std::int64_t dx = to.x - from.x;
  const std::int64_t dy = to.y - from.y;
  const bool xMajor = Abs64(dx) > Abs64(dy);
  const std::int64_t a0 = xMajor ? from.x : from.y;
  const std::int64_t b0 = xMajor ? from.y : from.x;
  const std::int64_t da = xMajor ? dx : dy;
  const std::int64_t db = xMajor ? dy : dx;
  const std::int64_t aLimit = xMajor ? width : height;
  const std::int64_t bLimit = xMajor ? height : width;
  const std::int64_t m = Abs64(da);
  const std::int64_t step = da > 0 ? 1 : -1;
  const std::int64_t den = 2 * m;
  auto minorAt = [&](std::int64_t k) {
    return b0 + static_cast<std::int64_t>(CeilDiv(Int128{2} * db * k - m, den));
  };

  // Steps whose major coordinate is on the canvas...
  std::int64_t kLo = 0;
  std::int64_t kHi = m;
  if (step > 0) {
    kLo = std::max(kLo, -a0);
    kHi = std::min(kHi, aLimit - a0);
  } else {
    kLo = std::max(kLo, a0 - aLimit + 1);
    kHi = std::min(kHi, a0 + 1);
  }
  if (kLo >= kHi) return;
  // ...narrowed to those whose minor coordinate is too (it is monotonic).
  if (db >= 0) {
    kLo = FirstTrue(kLo, kHi, [&](std::int64_t k) { return minorAt(k) >= 0; });
    kHi = FirstTrue(kLo, kHi, [&](std::int64_t k) { return minorAt(k) >= bLimit; });
  } else {
    kLo = FirstTrue(kLo, kHi, [&](std::int64_t k) { return minorAt(k) < bLimit; });
    kHi = FirstTrue(kLo, kHi, [&](std::int64_t k) { return minorAt(k) < 0; });
  }
  if (kLo >= kHi) return;

  // Bresenham from the first visible step: q = ceil(num / den) with
  // remainder rem = q * den - num in [0, den); num grows by 2 * db per step.
  const Int128 num = Int128{2} * db * kLo - m;
  const Int128 q128 = CeilDiv(num, den);
  auto rem = static_cast<std::int64_t>(q128 * den - num);
  auto minor = b0 + static_cast<std::int64_t>(q128);
  std::int64_t major = a0 + step * kLo;
  RowRuns runs(canvas, color);
  for (std::int64_t k = kLo; k < kHi; ++k) {
    if (xMajor) {
      runs.Add(major, minor);
    } else {
      canvas.SetPixel(minor, major, color);
    }
    major += step;
    if (db >= 0) {
      rem -= 2 * db;
      if (rem < 0) {
        rem += den;
        ++minor;
      }
    } else {
      rem -= 2 * db;
      if (rem >= den) {
        rem -= den;
        --minor;
      }
    }
  }
}

void FillPenCap(Canvas& canvas, Point64 at, std::int64_t width, COLORREF color) noexcept {
  if (!InCoordinateRange(at) || width < 1 || width > kMaxPenWidth) return;
  // Doubled offsets from the cap's centre: u = 2 * (px - x) + p and
  // v = 2 * (py - y) + p, p = 1 for even widths; inside when u^2 + v^2 <= w^2.
  const std::int64_t p = width % 2 == 0 ? 1 : 0;
  const std::int64_t top = std::max<std::int64_t>(at.y - (width + p) / 2, 0);
  const std::int64_t bottom = std::min<std::int64_t>(at.y + (width - p) / 2, canvas.Height() - 1);
  for (std::int64_t py = top; py <= bottom; ++py) {
    const std::int64_t v = 2 * (py - at.y) + p;
    if (Abs64(v) > width) continue;
    const auto reach =
        static_cast<std::int64_t>(ISqrt(static_cast<std::uint64_t>(width * width - v * v)));
    const std::int64_t uMax = (reach - p) % 2 == 0 ? reach : reach - 1;  // same parity as p
    if (uMax < 0) continue;
    canvas.FillSpan(py, at.x + (-uMax - p) / 2, at.x + (uMax - p) / 2 + 1, color);
  }
}

void StrokeWideLine(Canvas& canvas, Point64 from, Point64 to, std::int64_t width,
                    COLORREF color) noexcept {
  if (!InCoordinateRange(from) || !InCoordinateRange(to) || width < 1 || width > kMaxPenWidth) {
    return;
  }
  if (std::max(from.x, to.x) + width < 0 || std::min(from.x, to.x) - width >= canvas.Width() ||
      std::max(from.y, to.y) + width < 0 || std::min(from.y, to.y) - width >= canvas.Height()) {
    return;
  }
  FillPenCap(canvas, from, width, color);
  FillPenCap(canvas, to, width, color);
  if (from == to) return;

  // Offset of width / 2 along the unit normal, in fixed point. hypot is
  // exact for axis-parallel segments, so those get exact offsets.
  const auto dx = static_cast<double>(to.x - from.x);
  const auto dy = static_cast<double>(to.y - from.y);
  const double scale =
      static_cast<double>(width) * 0.5 * static_cast<double>(ScanFiller::kOne) / std::hypot(dx, dy);
  const std::int64_t ox = std::llround(-dy * scale);
  const std::int64_t oy = std::llround(dx * scale);
  const std::int64_t one = ScanFiller::kOne;
  const Point64 corners[4] = {{from.x * one + ox, from.y * one + oy},
                              {to.x * one + ox, to.y * one + oy},
                              {to.x * one - ox, to.y * one - oy},
                              {from.x * one - ox, from.y * one - oy}};
  ScanFiller filler(canvas.Height());
  for (int i = 0; i < 4; ++i) {
    const Point64& a = corners[i];
    const Point64& b = corners[(i + 1) % 4];
    filler.AddEdge(a.x, a.y, b.x, b.y);
  }
  filler.Fill(canvas, FillRule::kWinding, color);
}

void StrokeLine(Canvas& canvas, Point64 from, Point64 to, const Pen& pen) noexcept {
  if (IsWidePen(pen)) {
    StrokeWideLine(canvas, from, to, pen.width, pen.color);
  } else {
    StrokeCosmeticLine(canvas, from, to, pen.color);
  }
}

}  // namespace tessaloom::raster
