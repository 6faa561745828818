// RenderToFile: canvas, default palette, the frame's drawing, the file or
// the bytes in memory.
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
constexpr char kNoMemory[] = "Not enough memory to draw the chart";

bool AcquireCanvas(Canvas& canvas, std::int32_t width, std::int32_t height, std::string& error) {
  if (canvas.width() == width && canvas.height() == height) {
    // The frame's first step paints every pixel of a canvas at least 3 x 3
    // (a black border round a white inside), so the previous chart never
    // shows; a thinner one starts black, as a new canvas does.
    if (width < 3 || height < 3) canvas.FillRect(0, 0, width, height, 0);
    return true;
  }
  return Canvas::Create(width, height, canvas, error);
}

}  // namespace

bool CGraph::RenderToFile() noexcept {
  try {
    return Render();
  } catch (...) {  // out of memory while drawing
    SetErrorText(kNoMemory);
    return false;
  }
}

bool CGraph::Render() {
  if (imageToMemory) {
    imageBytes.clear();
    imageBytesFormat = ImageFormat::kByName;
  }
  if (renderer != nullptr) {
    renderer->Render(*this);
    return true;
  }
  thread_local Canvas kept;
  Canvas fresh;
  const bool keep = std::int64_t{graphWidth} * graphHeight <= kMaxKeptPixels;
  Canvas& canvas = keep ? kept : fresh;
  std::string error;
  if (!AcquireCanvas(canvas, graphWidth, graphHeight, error)) {
    SetErrorText(std::move(error));
    return false;
  }
  // A chart without its text would be reported as drawn: refuse instead.
  if (!EnsureFontsLoaded()) {
    SetErrorText(kNoFonts);
    return false;
  }
  LoadDefaultPalette();
  RasterSurface surface(canvas);
  if (!DrawGraph(surface)) return false;
  if (imageToMemory) {
    if (!EncodeImageToMemory(&canvas, fileName, imageOptions, imageBytes, imageBytesFormat,
                             error)) {
      SetErrorText(std::move(error));
      return false;
    }
    return true;
  }
  if (!SaveImage(&canvas, filePath, fileName, error, FileSystem::Default(), outputLimit,
                 imageOptions)) {
    SetErrorText(std::move(error));
    return false;
  }
  return true;
}

}  // namespace tessaloom
