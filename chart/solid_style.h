// How the three-dimensional kinds look in the chart's theme. The classic
// theme keeps its layout byte for byte (black pens, bold serif texts, the
// boxed legend); the modern and dark themes draw the same box in the modern
// family's look: the theme's background and sans texts, pale walls and
// floor, light gridlines, faces edged in a darker shade of their own colour,
// nice value ticks written in the ValueFormat, a legend without heading or
// box. The frame, the box axes and the 3D drawers each ask StyleOf once.
// Private to chart/; stateless.
#pragma once

#include <cstdint>

#include "chart/graph.h"
#include "chart/value_ticks.h"
#include "draw/drawing_surface.h"

namespace tessaloom::solid {

struct Style {
  bool modern = false;  // false: every drawer keeps its classic code path
  COLORREF background = 0xFFFFFF;
  COLORREF title = 0x000000;  // the chart title and the legend's texts
  COLORREF text = 0x000000;   // ticks, categories, axis titles, pie labels and leader lines
  COLORREF wall = 0xFFFFFF;   // the box's walls and floor
  Pen edge{1, 0x000000};      // the box's edges
  Pen grid{1, 0x000000};      // value gridlines across the walls
};

// The look of `graph`'s 3D kinds in its theme.
[[nodiscard]] Style StyleOf(const CGraph& graph) noexcept;

// Whether `graph` is a 3D kind in a modern theme.
[[nodiscard]] inline bool DrawsModernSolid(const CGraph& graph) noexcept {
  return StyleOf(graph).modern;
}

// Axis titles to the labels beside them, labels to their axis, in pixels.
inline constexpr std::int64_t kAxisTitleGap = 8;
inline constexpr std::int64_t kLabelGap = 8;

// Darker than a face, for its edges: the face reads as a solid without a
// black outline.
inline constexpr int kEdgeShade = -60;

// The modern value axis of a 3D chart: nice ticks over the values drawn
// (stacks as their sums, bars from zero) and the ValueAxisMin/Max ends.
[[nodiscard]] ValueTicks ValueAxisOf(const CGraph& graph) noexcept;

// Pixels from the start of a value axis `extent` pixels long showing
// ticks.low..ticks.high to `value`, held on the axis. Rounded once, so a
// value and a tick of that value share their pixel.
[[nodiscard]] std::int64_t Offset(const ValueTicks& ticks, std::int64_t extent,
                                  double value) noexcept;

// The modern backdrop: the background without a frame, the title top left
// in the semibold sans face; leaves the label face and the text colour
// selected for the axes and pie labels.
void DrawBackdrop(DrawingSurface& surface, const CGraph& graph, const Style& style);

// The widest value label of a modern 3D chart, in pixels.
[[nodiscard]] std::int64_t WidestValueLabel(DrawingSurface& surface, const CGraph& graph);

// Places the box of a modern 3D chart from measured text: the value axis
// right of the rotated axis title and the widest value label (upright) or
// category label (lying, at most a third of the canvas); the base line above
// the labels and title under it. The top stays where the frame put it.
void PlaceBox(DrawingSurface& surface, CGraph& graph);

// The legend as a column at the right edge without heading or box: a
// colour square before each text, centred on the canvas height. Returns its
// left x, sets legendWidth and legendTextsFit as the classic legend does.
std::int32_t DrawLegend(DrawingSurface& surface, CGraph& graph, const Style& style);

}  // namespace tessaloom::solid
