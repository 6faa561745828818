// RenderToFile: canvas, default palette, the frame's drawing, the file.
#include <string>

#include "chart/graph.h"
#include "image/save_image.h"
#include "platform/canvas.h"
#include "platform/raster_surface.h"

namespace tessaloom {
namespace {

// Canvases are kept per thread and reused: allocating and faulting in a
// fresh buffer costs as much as encoding the chart. Very large canvases are
// not kept, so one huge chart does not pin its memory to the thread.
constexpr std::int64_t kMaxKeptPixels = std::int64_t{2048} * 2048;

bool AcquireCanvas(Canvas& canvas, std::int32_t width, std::int32_t height, std::string& error) {
  if (canvas.width() == width && canvas.height() == height) {
    canvas.FillRect(0, 0, width, height, 0);  // as a new canvas starts
    return true;
  }
  return Canvas::Create(width, height, canvas, error);
}

}  // namespace

void CGraph::RenderToFile() {
  if (renderer != nullptr) {
    renderer->Render(*this);
    return;
  }
  thread_local Canvas kept;
  Canvas fresh;
  const bool keep = std::int64_t{graphWidth} * graphHeight <= kMaxKeptPixels;
  Canvas& canvas = keep ? kept : fresh;
  std::string error;
  if (!AcquireCanvas(canvas, graphWidth, graphHeight, error)) {
    SetErrorText(std::move(error));
    return;
  }
  LoadDefaultPalette();
  RasterSurface surface(canvas);
  DrawGraph(surface);
  std::string message;
  if (SaveImage(&canvas, filePath, fileName, message, FileSystem::Default(), outputLimit) == 0) {
    SetErrorText(std::move(message));
  }
}

}  // namespace tessaloom
