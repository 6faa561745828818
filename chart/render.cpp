// RenderToFile: canvas, default palette, the frame's drawing, the file.
#include <string>

#include "chart/graph.h"
#include "draw/canvas.h"
#include "draw/font_engine.h"
#include "draw/raster_surface.h"
#include "image/save_image.h"

namespace tessaloom {
namespace {

// Canvases are kept per thread and reused: allocating and faulting in a
// fresh buffer costs as much as encoding the chart. Very large canvases are
// not kept, so one huge chart does not pin its memory to the thread.
constexpr std::int64_t kMaxKeptPixels = std::int64_t{2048} * 2048;
constexpr char kNoFonts[] = "Unable to load the chart fonts";

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
  // A chart without its text would be reported as drawn: refuse instead.
  if (!EnsureFontsLoaded()) {
    SetErrorText(kNoFonts);
    return;
  }
  LoadDefaultPalette();
  RasterSurface surface(canvas);
  if (!DrawGraph(surface)) return;
  std::string message;
  if (SaveImage(&canvas, filePath, fileName, message, FileSystem::Default(), outputLimit) == 0) {
    SetErrorText(std::move(message));
  }
}

}  // namespace tessaloom
