// The legend box at the right edge of the canvas.
// Not drawn yet: it returns the left edge the plot would end at, unchanged.
#include "chart/drawing_surface.h"
#include "chart/graph.h"
#include "platform/numbers.h"

namespace tessaloom {

std::int32_t CGraph::DrawLegend(DrawingSurface&) {
  return SaturateToInt32(std::int64_t{plotLeftX} + plotWidth + 10);
}

}  // namespace tessaloom
