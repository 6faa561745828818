// RenderToFile: canvas (or document), default palette, the frame's drawing
// on the surface of the chosen style, the file or the bytes in memory.
#include <algorithm>
#include <memory>
#include <string>

#include "chart/graph.h"
#include "chart/layout.h"
#include "draw/canvas.h"
#include "draw/font_engine.h"
#include "draw/font_faces.h"
#include "draw/raster_surface.h"
#include "draw/recolor_surface.h"
#include "draw/smooth_surface.h"
#include "draw/svg_surface.h"
#include "image/save_image.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

// Canvases are kept per thread and reused: allocating and faulting in a
// fresh buffer costs as much as encoding the chart. Very large canvases are
// not kept, so one huge chart does not pin its memory to the thread.
constexpr std::int64_t kMaxKeptPixels = std::int64_t{2048} * 2048;
constexpr char kNoFonts[] = "Unable to load the chart fonts";
constexpr char kNoMemory[] = "Not enough memory to draw the chart";
// The narrowest and lowest canvas whose every pixel the frame paints: its
// border on each side round at least one pixel inside.
constexpr std::int64_t kFramedSide = 2 * layout::kCanvasBorder + 1;

// A file's failure: the fixed reason for ErrorReason, and for LastError the
// path concerned and the system's word on it.
void SetFileError(CGraph& graph, std::string error, const OutputFile& file) noexcept {
  graph.SetErrorText(std::move(error));
  AssignOrClear(graph.errorDetail, file.Detail());
}

// Opens the file before anything is drawn: a folder that cannot take it
// (read-only, full, refused) fails at once instead of after the drawing.
bool OpenOutput(CGraph& graph, OutputFile& file, std::int64_t width, std::int64_t height) {
  std::string error;
  FileSystem& files = graph.files != nullptr ? *graph.files : FileSystem::Default();
  if (file.Open(graph.filePath, graph.fileName, graph.imageOptions.format, width, height, error,
                files, graph.outputLimit)) {
    return true;
  }
  SetFileError(graph, std::move(error), file);
  return false;
}

bool AcquireCanvas(Canvas& canvas, std::int32_t width, std::int32_t height, std::string& error) {
  if (canvas.Width() == width && canvas.Height() == height) {
    // The frame's first step paints every pixel of a canvas at least 3 x 3
    // (a black border round a white inside), so the previous chart never
    // shows; a thinner one starts black, as a new canvas does.
    if (width < kFramedSide || height < kFramedSide) canvas.FillRect(0, 0, width, height, 0);
    return true;
  }
  return Canvas::Create(width, height, canvas, error);
}

// A font look-up that failed for a passing reason while the chart was drawn
// (FontFaults) left boxes where its text belongs: refused, not reported.
bool TextDrawn(CGraph& graph, std::uint64_t faultsBefore) noexcept {
  if (FontFaults() == faultsBefore) return true;
  graph.SetErrorText(kNoFonts);
  return false;
}

// The colour each of whose channels is furthest from `color`'s: 0 or 255.
COLORREF OppositeColor(COLORREF color) noexcept {
  COLORREF opposite = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    if (((color >> shift) & 0xFF) < 0x80) opposite |= COLORREF{0xFF} << shift;
  }
  return opposite;
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
  const std::int32_t factor = std::clamp(imageScale, 1, kMaxScale);
  const std::int64_t width = std::int64_t{graphWidth} * factor;
  const std::int64_t height = std::int64_t{graphHeight} * factor;
  OutputFile file;  // dropped unwritten on every failure, removing its temporary file
  if (!imageToMemory && !OpenOutput(*this, file, width, height)) return false;
  if (IsDocumentFormat(imageOptions.format)) return RenderDocument(imageOptions.format, file);
  // Canvas::Create turns down what is out of range; the clamp only keeps
  // the product representable so its message names the real size.
  const auto side = [](std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  thread_local Canvas kept;
  Canvas fresh;
  const bool keep = width * height <= kMaxKeptPixels;
  Canvas& canvas = keep ? kept : fresh;
  std::string error;
  // The smooth style's text starts before the canvas takes its memory.
  if (DrawsSmooth() && !StartSmoothText(error)) {
    SetErrorText(std::move(error));
    return false;
  }
  if (!AcquireCanvas(canvas, side(width), side(height), error)) {
    SetErrorText(std::move(error));
    return false;
  }
  if (!DrawRaster(canvas)) return false;
  if (imageToMemory) {
    if (!EncodeImageToMemory(&canvas, fileName, imageOptions, imageBytes, imageBytesFormat,
                             error)) {
      SetErrorText(std::move(error));
      return false;
    }
    return true;
  }
  if (!file.Write(canvas, imageOptions.jpegQuality, error)) {
    SetFileError(*this, std::move(error), file);
    return false;
  }
  return true;
}

bool CGraph::DrawGraphOn(DrawingSurface& surface, std::optional<COLORREF> matte) {
  if (!matte.has_value()) return DrawGraph(surface);
  RecolorSurface exchanged(surface, BackgroundColor(), *matte);
  return DrawGraph(exchanged);
}

bool CGraph::DrawSmooth(SmoothSurface* surface, std::optional<COLORREF> matte, std::string& error) {
  if (surface == nullptr) {
    SetErrorText(std::move(error));
    return false;
  }
  LoadThemePalette();
  if (!DrawGraphOn(*surface, matte)) return false;  // the drawer gave its reason
  if (!surface->Finish(chartTitle, error)) {
    SetErrorText(std::move(error));
    return false;
  }
  return true;
}

bool CGraph::DrawRaster(Canvas& canvas) {
  canvas.ClearTransparency();
  if (!DrawRasterPass(canvas, std::nullopt)) return false;
  if (!options.transparentBackground || imageOptions.format != ImageFormat::kPng) return true;
  // The chart again on the background's opposite: where the two differ the
  // background shows through.
  const COLORREF background = BackgroundColor();
  const COLORREF matte = OppositeColor(background);
  Canvas onMatte;
  std::string error;
  if (!Canvas::Create(canvas.Width(), canvas.Height(), onMatte, error)) {
    SetErrorText(std::move(error));
    return false;
  }
  if (!DrawRasterPass(onMatte, matte)) return false;
  return canvas.MatteOut(onMatte, background, matte);
}

bool CGraph::DrawRasterPass(Canvas& canvas, std::optional<COLORREF> matte) {
  const std::int32_t factor = std::clamp(imageScale, 1, kMaxScale);
  std::string error;
  if (DrawsSmooth()) {
    return DrawSmooth(CreateSmoothSurface(canvas, factor, error).get(), matte, error);
  }
  // A chart without its text would be reported as drawn: refuse instead.
  if (!EnsureFontsLoaded()) {
    SetErrorText(kNoFonts);
    return false;
  }
  LoadThemePalette();
  const std::uint64_t faults = FontFaults();
  if (factor == 1) {
    RasterSurface surface(canvas);
    return DrawGraphOn(surface, matte) && TextDrawn(*this, faults);
  }
  // The classic rules are pixel rules: a scaled classic chart is the chart
  // drawn at its own size with every pixel enlarged, the look unchanged.
  Canvas small;
  if (!Canvas::Create(graphWidth, graphHeight, small, error)) {
    SetErrorText(std::move(error));
    return false;
  }
  RasterSurface surface(small);
  if (!DrawGraphOn(surface, matte) || !TextDrawn(*this, faults)) return false;
  if (!ScaleNearest(small, factor, canvas, error)) {
    SetErrorText(std::move(error));
    return false;
  }
  return true;
}

bool CGraph::RenderDocument(ImageFormat format, OutputFile& file) {
  // A document with a transparent background leaves out what is painted in
  // the background colour.
  const std::optional<COLORREF> seeThrough =
      options.transparentBackground ? std::optional<COLORREF>(kSeeThrough) : std::nullopt;
  const std::int32_t factor = std::clamp(imageScale, 1, kMaxScale);
  std::string error;
  if (graphWidth < 1 || graphHeight < 1 || graphWidth > Canvas::kMaxSide ||
      graphHeight > Canvas::kMaxSide) {
    SetErrorText("Invalid image size " + std::to_string(graphWidth) + " x " +
                 std::to_string(graphHeight));
    return false;
  }
  std::vector<std::uint8_t> bytes;
  if (format == ImageFormat::kPdf) {
    if (!DrawSmooth(CreatePdfSurface(graphWidth, graphHeight, factor, bytes, error).get(),
                    seeThrough, error)) {
      return false;
    }
  } else {
    // The SVG's text cells are measured with the classic faces.
    if (!EnsureFontsLoaded()) {
      SetErrorText(kNoFonts);
      return false;
    }
    SvgSurface surface(graphWidth, graphHeight, factor);
    LoadThemePalette();
    const std::uint64_t faults = FontFaults();
    if (!DrawGraphOn(surface, seeThrough) || !TextDrawn(*this, faults)) return false;
    std::string document;
    if (!surface.Finish(chartTitle, description, document, error)) {
      SetErrorText(std::move(error));
      return false;
    }
    bytes.assign(document.begin(), document.end());
  }
  return Deliver(std::move(bytes), format, file);
}

bool CGraph::Deliver(std::vector<std::uint8_t>&& bytes, ImageFormat format, OutputFile& file) {
  if (imageToMemory) {
    imageBytes = std::move(bytes);
    imageBytesFormat = format;
    return true;
  }
  std::string error;
  if (!file.Write(bytes, error)) {
    SetFileError(*this, std::move(error), file);
    return false;
  }
  return true;
}

}  // namespace tessaloom
