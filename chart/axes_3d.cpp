// The box frame of the three-dimensional kinds.
// Not drawn yet: the frame calls these in their places and they draw nothing.
#include "chart/drawing_surface.h"
#include "chart/graph.h"

namespace tessaloom {

void CGraph::Draw3DAxes(DrawingSurface&) {}

}  // namespace tessaloom
