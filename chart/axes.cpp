// Axes, ticks, labels, grid and titles of the flat kinds, and the entry that picks the flat or the
// box frame. Not drawn yet: the frame calls these in their places and they draw nothing.
#include "chart/drawing_surface.h"
#include "chart/graph.h"

namespace tessaloom {

void CGraph::DrawAxes(DrawingSurface&) {}

}  // namespace tessaloom
