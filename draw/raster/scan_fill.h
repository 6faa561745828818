// ScanFiller: Windows' polygon fill rule, exactly. A pixel (x, y) is filled
// when the lattice point is inside the polygon: per row, each non-horizontal
// edge with y_top <= y < y_bottom crosses at X(y), and a span runs from
// ceil(X_left) to ceil(X_right) - 1, so left and top edges are in, right and
// bottom edges out. Vertices are fixed point (kFractionBits) so that wide-pen
// outlines can use sub-pixel corners; crossings are computed with integer
// steps, never floating point. Only canvas rows are kept and scanned, so the
// work is bounded by the canvas, not by the polygon's size. One filler per
// shape; not shared between threads.
#pragma once

#include <cstdint>
#include <vector>

#include "draw/canvas.h"
#include "draw/raster/fill_rule.h"

namespace tessaloom::raster {

class ScanFiller {
 public:
  static constexpr int kFractionBits = 8;
  static constexpr std::int64_t kOne = std::int64_t{1} << kFractionBits;
  // Largest fixed-point coordinate magnitude AddEdge accepts (2^36 pixels):
  // it keeps the per-row steps in 64 bits and the first crossing in 128.
  static constexpr std::int64_t kMaxFixed = std::int64_t{1} << (36 + kFractionBits);

  // Rows [0, rowCount) are the ones Fill will scan.
  explicit ScanFiller(std::int64_t rowCount) noexcept : rows_(rowCount) {}

  // Adds the directed edge (x0, y0) -> (x1, y1), in fixed point. Horizontal
  // edges and edges that cross no scanned row are dropped. An edge beyond
  // kMaxFixed, or a failed allocation, makes the whole shape draw nothing.
  void AddEdge(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) noexcept;
  // The same for integer pixel coordinates.
  void AddPixelEdge(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) noexcept {
    AddEdge(x0 * kOne, y0 * kOne, x1 * kOne, y1 * kOne);
  }

  // Paints the interior by `rule` and forgets the edges.
  void Fill(Canvas& canvas, FillRule rule, COLORREF color) noexcept;

 private:
  // An edge's crossing with the current row is ceil(num / den) pixels,
  // tracked as x plus a remainder rem = x * den - num in [0, den); each row
  // adds xStep whole pixels and takes remStep off the remainder.
  struct Edge {
    std::int64_t row;     // first row it crosses
    std::int64_t endRow;  // first row it no longer crosses
    std::int64_t x;
    std::int64_t rem;
    std::int64_t den;
    std::int64_t xStep;
    std::int64_t remStep;
    int winding;  // +1 running down, -1 running up
  };
  struct Crossing {
    std::int64_t x;
    int winding;
  };

  std::int64_t rows_;
  bool failed_ = false;
  std::vector<Edge> edges_;
};

}  // namespace tessaloom::raster
