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
// Pango's font map and contexts are made once per thread on first use and
// kept; nothing of cairo or Pango is touched until a smooth chart is drawn.
// One surface is used by one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "draw/canvas.h"
#include "draw/drawing_surface.h"

namespace tessaloom {

class SmoothSurface final : public StatefulSurface {
 public:
  // Paints `canvas` (which must outlive the surface and is width * scale by
  // height * scale pixels for a chart of width x height) with coordinates
  // multiplied by `scale` (clamped to 1..kMaxScale). Null with the reason in
  // `error` when cairo cannot take the buffer or memory runs out.
  [[nodiscard]] static std::unique_ptr<SmoothSurface> ForCanvas(Canvas& canvas, std::int32_t scale,
                                                                std::string& error) noexcept;
  // A one-page PDF of width x height points times `scale`; Finish appends
  // the document to `out`, which must outlive the surface.
  [[nodiscard]] static std::unique_ptr<SmoothSurface> ForPdf(std::int32_t width,
                                                             std::int32_t height,
                                                             std::int32_t scale,
                                                             std::vector<std::uint8_t>& out,
                                                             std::string& error) noexcept;

  ~SmoothSurface() override;
  SmoothSurface(const SmoothSurface&) = delete;
  SmoothSurface& operator=(const SmoothSurface&) = delete;

  // Completes the drawing: a canvas's unused fourth bytes are zeroed again
  // (the encoders and the classic canvas keep them 0), a PDF is written out
  // with `title` in its metadata. False with the reason in `error` when
  // cairo reported a failure on the way. Drawing after Finish does nothing.
  [[nodiscard]] bool Finish(std::string_view title, std::string& error) noexcept;

  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) noexcept override;
  void FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     COLORREF color) noexcept override;
  void Polygon(std::span<const Point> points) noexcept override;
  void FillPolygon(std::span<const Point> points, const Brush& brush) noexcept override;
  void Pie(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
           Point start, Point end) noexcept override;
  void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom) noexcept override;
  void MoveTo(std::int32_t x, std::int32_t y) noexcept override;
  void LineTo(std::int32_t x, std::int32_t y) noexcept override;
  void TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept override;
  // The standard metrics (draw/text_metrics.h): the layout never depends on
  // the installed fonts.
  TextMetrics GetTextMetrics() noexcept override;
  Pen SelectPen(const Pen& pen) noexcept override;

  // `text` as this surface shapes it in the current font: its advance in
  // classic pixels (fractional) and how many of its characters no installed
  // font has (each drawn as a missing-glyph box).
  struct ShapedText {
    double width = 0.0;
    int missingGlyphs = 0;
  };
  [[nodiscard]] ShapedText Shape(std::string_view text) noexcept;

  struct Impl;

 private:
  explicit SmoothSurface(std::unique_ptr<Impl> impl) noexcept;
  // Strokes the lines gathered since the last other drawing call.
  void FlushLines() noexcept;

  std::unique_ptr<Impl> impl_;
};

}  // namespace tessaloom
