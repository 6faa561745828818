// Box-whisker charts: the five-number summary of each series.
// Not drawn yet: the frame calls these in their places and they draw nothing.
#include "chart/drawing_surface.h"
#include "chart/graph.h"

namespace tessaloom {

void CGraph::DrawBoxWhiskers(DrawingSurface&) {}

}  // namespace tessaloom
