// Line charts: markers and segments, and the three-dimensional ribbons.
// Not drawn yet: the frame calls these in their places and they draw nothing.
#include "chart/drawing_surface.h"
#include "chart/graph.h"

namespace tessaloom {

void CGraph::DrawLines(DrawingSurface&) {}
void CGraph::Draw3DLines(DrawingSurface&) {}

}  // namespace tessaloom
