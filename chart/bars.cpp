// Bar and stacked bar charts, flat and three-dimensional.
// Not drawn yet: the frame calls these in their places and they draw nothing.
#include "chart/drawing_surface.h"
#include "chart/graph.h"

namespace tessaloom {

void CGraph::DrawBars(DrawingSurface&) {}
void CGraph::DrawStackedBars(DrawingSurface&) {}
void CGraph::Draw3DBars(DrawingSurface&) {}
void CGraph::Draw3DStackedBars(DrawingSurface&) {}

}  // namespace tessaloom
