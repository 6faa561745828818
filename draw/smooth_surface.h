// SmoothSurface: the DrawingSurface that draws the classic layout with
// anti-aliased geometry (cairo) and shaped, grey-scale text (Pango: font
// fallback through fontconfig, HarfBuzz shaping, bidirectional runs). The
// chart engine keeps drawing at classic canvas coordinates; the surface
// multiplies everything by its scale, so a classic and a smooth chart of the
// same data line up.
//
// Two targets: a Canvas the surface paints in place (the canvas's B,G,R,x
// rows are cairo's RGB24 image, so the image encoders read the result with
// no copy), or a PDF document whose text stays selectable.
//
// The realisation lives in its own module, libtessaloom-smooth.so among the
// library's own files (kOwnFilesFolder), loaded on the first smooth chart: cairo, Pango and their
// forty-odd libraries cost a process about as much as drawing a chart, and
// classic charts never pay it; a load that failed is tried again by the next
// chart. An image's plain text (one script, one face has it all) is shaped by
// HarfBuzz and drawn by cairo directly, as Pango would draw it; Pango's font
// map and contexts, for other text and documents, are made once per thread
// on first need and kept, unless a font fails to open: then the next chart
// makes them again. One surface is used by one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "draw/canvas.h"
#include "draw/drawing_surface.h"

namespace tessaloom {

class SmoothSurface : public StatefulSurface {
 public:
  // Completes the drawing: a canvas's unused fourth bytes are zeroed again
  // (the encoders and the classic canvas keep them 0), a PDF is written out
  // with `title` in its metadata. False with the reason in `error` when
  // cairo reported a failure on the way. Drawing after Finish does nothing.
  [[nodiscard]] virtual bool Finish(std::string_view title, std::string& error) noexcept = 0;

  // `text` as this surface shapes it in the current font: its advance in
  // classic pixels (fractional) and how many of its characters no installed
  // font has (each drawn as a missing-glyph box).
  struct ShapedText {
    double width = 0.0;
    int missingGlyphs = 0;
  };
  [[nodiscard]] virtual ShapedText Shape(std::string_view text) noexcept = 0;
};

// A surface that paints `canvas` (which must outlive it and is width * scale
// by height * scale pixels for a chart of width x height) with coordinates
// multiplied by `scale` (clamped to 1..kMaxScale). Null with the reason in
// `error` when the module cannot be loaded, cairo cannot take the buffer or
// memory runs out.
[[nodiscard]] std::unique_ptr<SmoothSurface> CreateSmoothSurface(Canvas& canvas, std::int32_t scale,
                                                                 std::string& error) noexcept;

// Loads the module and starts this thread's text (fontconfig's files, the
// chart face opened for direct drawing, else Pango's
// font map) ahead of a chart's canvas: their start-up does
// not survive running out of memory, so a large canvas comes after them and
// a shortage is then reported as the canvas's. False with the reason in
// `error`; the next call tries again.
[[nodiscard]] bool StartSmoothText(std::string& error) noexcept;

// A surface drawing a one-page PDF of width x height points times `scale`;
// its Finish appends the document to `out`, which must outlive it.
[[nodiscard]] std::unique_ptr<SmoothSurface> CreatePdfSurface(std::int32_t width,
                                                              std::int32_t height,
                                                              std::int32_t scale,
                                                              std::vector<std::uint8_t>& out,
                                                              std::string& error) noexcept;

// What the module exports, looked up by name once it is loaded. Each
// returns a surface made with new (null on failure, the reason in `error`).
using CreateSmoothSurfaceFunction = SmoothSurface* (*)(Canvas& canvas, std::int32_t scale,
                                                       std::string& error) noexcept;
using CreatePdfSurfaceFunction = SmoothSurface* (*)(std::int32_t width, std::int32_t height,
                                                    std::int32_t scale,
                                                    std::vector<std::uint8_t>& out,
                                                    std::string& error) noexcept;
using StartSmoothTextFunction = bool (*)(std::string& error) noexcept;
inline constexpr char kSmoothModuleName[] = "libtessaloom-smooth.so";
inline constexpr char kCreateSmoothSurfaceSymbol[] = "TessaloomCreateSmoothSurface";
inline constexpr char kCreatePdfSurfaceSymbol[] = "TessaloomCreatePdfSurface";
inline constexpr char kStartSmoothTextSymbol[] = "TessaloomStartSmoothText";

}  // namespace tessaloom
