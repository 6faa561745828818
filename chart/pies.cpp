// Pie charts, flat and three-dimensional, with their leader lines and labels.
// Not drawn yet: the frame calls these in their places and they draw nothing.
#include "chart/drawing_surface.h"
#include "chart/graph.h"

namespace tessaloom {

void CGraph::DrawPies(DrawingSurface&) {}
void CGraph::Draw3DPies(DrawingSurface&) {}

}  // namespace tessaloom
