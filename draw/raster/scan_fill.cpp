#include "draw/raster/scan_fill.h"

#include <algorithm>
#include <new>

#include "draw/raster/raster_math.h"

namespace tessaloom::raster {

void ScanFiller::AddEdge(std::int64_t x0, std::int64_t y0, std::int64_t x1,
                         std::int64_t y1) noexcept {
  if (failed_ || y0 == y1) return;
  for (std::int64_t v : {x0, y0, x1, y1}) {
    if (v < -kMaxFixed || v > kMaxFixed) {
      failed_ = true;
      return;
    }
  }
  const int winding = y0 < y1 ? 1 : -1;
  if (y0 > y1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  // Row y is crossed when y0 <= y * kOne < y1.
  const auto firstRow = static_cast<std::int64_t>(CeilDiv(y0, kOne));
  const auto endRow = static_cast<std::int64_t>(CeilDiv(y1, kOne));
  const std::int64_t row = std::max<std::int64_t>(firstRow, 0);
  const std::int64_t end = std::min(endRow, rows_);
  if (row >= end) return;

  // X(y) = x0 + (y * kOne - y0) * dx / dy in fixed point; the pixel crossing
  // is ceil(X / kOne) = ceil(num / den) with the values below.
  const std::int64_t dx = x1 - x0;
  const std::int64_t dy = y1 - y0;
  const std::int64_t den = dy * kOne;
  const Int128 num = Int128{x0} * dy + Int128{row * kOne - y0} * dx;
  const Int128 x = CeilDiv(num, den);
  const std::int64_t step = dx * kOne;  // num grows by this per row
  const auto xStep = static_cast<std::int64_t>(FloorDiv(step, den));
  Edge edge{};
  edge.row = row;
  edge.endRow = end;
  edge.x = static_cast<std::int64_t>(x);
  edge.rem = static_cast<std::int64_t>(x * den - num);
  edge.den = den;
  edge.xStep = xStep;
  edge.remStep = step - xStep * den;
  edge.winding = winding;
  try {
    edges_.push_back(edge);
  } catch (const std::bad_alloc&) {
    failed_ = true;
  }
}

void ScanFiller::Fill(Canvas& canvas, FillRule rule, COLORREF color) noexcept {
  if (failed_ || edges_.empty()) {
    edges_.clear();
    return;
  }
  std::vector<Edge> active;
  std::vector<Crossing> crossings;
  try {
    active.reserve(edges_.size());
    crossings.reserve(edges_.size());
  } catch (const std::bad_alloc&) {
    edges_.clear();
    return;
  }
  std::sort(edges_.begin(), edges_.end(),
            [](const Edge& a, const Edge& b) { return a.row < b.row; });

  std::size_t next = 0;
  std::int64_t y = 0;
  while (next < edges_.size() || !active.empty()) {
    if (active.empty()) y = edges_[next].row;  // skip rows no edge crosses
    while (next < edges_.size() && edges_[next].row == y) active.push_back(edges_[next++]);

    crossings.clear();
    for (const Edge& e : active) crossings.push_back({e.x, e.winding});
    std::sort(crossings.begin(), crossings.end(),
              [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    // Pixel x is inside when the crossings at or left of it (ceil(X) <= x)
    // add up to an odd count (alternate) or a non-zero sum (winding).
    std::int64_t count = 0;
    std::int64_t spanStart = 0;
    for (const Crossing& c : crossings) {
      const bool wasInside = rule == FillRule::kWinding ? count != 0 : (count & 1) != 0;
      count += rule == FillRule::kWinding ? c.winding : 1;
      const bool isInside = rule == FillRule::kWinding ? count != 0 : (count & 1) != 0;
      if (!wasInside && isInside) spanStart = c.x;
      if (wasInside && !isInside) canvas.FillSpan(y, spanStart, c.x, color);
    }

    // Step the edges that go on to the next row; drop the others.
    std::size_t kept = 0;
    for (Edge& e : active) {
      if (y + 1 >= e.endRow) continue;
      if (e.remStep > e.rem) {
        e.x += e.xStep + 1;
        e.rem += e.den - e.remStep;
      } else {
        e.x += e.xStep;
        e.rem -= e.remStep;
      }
      active[kept++] = e;
    }
    active.resize(kept);
    ++y;
  }
  edges_.clear();
}

}  // namespace tessaloom::raster
