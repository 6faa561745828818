// Drawers whose charts are not built yet: the frame calls them in their
// places and they draw nothing, so a chart shows its frame and title.
#include "chart/drawing_surface.h"
#include "chart/graph.h"
#include "platform/numbers.h"

namespace tessaloom {

std::int32_t CGraph::DrawLegend(DrawingSurface&) {
  // No box yet: the plot keeps its width.
  return SaturateToInt32(std::int64_t{plotLeftX} + plotWidth + 10);
}

void CGraph::DrawAxes(DrawingSurface&) {}
void CGraph::DrawBars(DrawingSurface&) {}
void CGraph::DrawStackedBars(DrawingSurface&) {}
void CGraph::Draw3DBars(DrawingSurface&) {}
void CGraph::Draw3DStackedBars(DrawingSurface&) {}
void CGraph::DrawLines(DrawingSurface&) {}
void CGraph::Draw3DLines(DrawingSurface&) {}
void CGraph::DrawPies(DrawingSurface&) {}
void CGraph::Draw3DPies(DrawingSurface&) {}
void CGraph::DrawBoxWhiskers(DrawingSurface&) {}

}  // namespace tessaloom
