// The value labels of the classic drawers (ShowValues): each a number in the
// classic chart font at the value-label size, set beside the end of its bar
// or over its point, drawn only where it lies wholly inside the plot and
// clear of the bars and of the labels placed before it. Everything else the classic layout
// writes (titles, ticks, categories, legend) lies outside the plot, so a
// label never covers other text. Private to chart/.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chart/graph.h"
#include "draw/drawing_surface.h"

namespace tessaloom::classic {

// Where a label stands against its anchor point.
enum class Beside : std::uint8_t { kAbove, kBelow, kRight, kLeft };

// A rectangle [left, right) x [top, bottom) in pixels.
struct Box {
  std::int64_t left = 0, top = 0, right = 0, bottom = 0;
};

// The plot rectangle of a flat chart, as the axes drew it (around the zero
// line when the frame moved the base there).
Box FlatPlot(const CGraph& graph) noexcept;
// The part of it between the value axis's first and last ticks: what a
// value within the axis's ends may take, where a fixed axis cuts its bars and lines.
Box FlatValueBand(const CGraph& graph) noexcept;

// The 3D box: the front plane and the depth behind it, up and to the right.
Box SolidPlot(const CGraph& graph) noexcept;

class ValueLabels {
 public:
  // Labels of `graph` inside `area`.
  ValueLabels(const CGraph& graph, Box area) : graph_(graph), area_(area) {}

  // A label for `value` beside the anchor (x, y).
  void Add(double value, std::int64_t x, std::int64_t y, Beside where);

  // Keeps the labels off `box` (a bar).
  void Avoid(const Box& box) { taken_.push_back(box); }

  // Draws the labels in order, each where it fits; the surface's font and
  // text colour are put back.
  void Draw(DrawingSurface& surface);

 private:
  struct Pending {
    double value;
    std::int64_t x, y;
    Beside where;
  };
  const CGraph& graph_;
  Box area_;
  std::vector<Pending> pending_;
  std::vector<Box> taken_;  // bars, then the labels drawn
};

}  // namespace tessaloom::classic
