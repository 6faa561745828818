// SvgSurface: a DrawingSurface that writes an SVG document instead of
// pixels. Each call becomes an element, in drawing order, at the classic
// canvas coordinates (the viewBox is the canvas; the document's width and
// height are the canvas times `scale`), following the same pixel rules as
// the raster surface: a pixel (x, y) is the unit square [x, x+1) x [y, y+1),
// so 1-pixel strokes run through pixel centres. Text stays text: a <text>
// element in the chart's font family over the opaque cell the classic draws.
// The document grows in one string owned by the surface; it is bounded
// (kMaxSvgBytes), and Finish reports a document that outgrew it. One thread
// at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "draw/drawing_surface.h"

namespace tessaloom {

// Largest document Finish hands out. A chart's document is tens of
// kilobytes; this bound only stops a runaway caller from exhausting memory.
inline constexpr std::size_t kMaxSvgBytes = std::size_t{64} << 20;

class SvgSurface final : public StatefulSurface {
 public:
  // A canvas of width x height pixels (each clamped to [1, 2^20]) shown at
  // `scale` (clamped to [1, 4]) device pixels per canvas pixel.
  SvgSurface(std::int32_t width, std::int32_t height, std::int32_t scale) noexcept;

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
  void LineTo(std::int32_t x, std::int32_t y) noexcept override;
  void TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept override;
  // The standard metrics (draw/text_metrics.h), as the raster surface gives.
  TextMetrics GetTextMetrics() noexcept override;
  std::int32_t GetTextExtent(std::string_view text) noexcept override;

  // Writes the whole document into `out` (replacing its contents): the XML
  // declaration, <svg>, <title> and <desc> (UTF-8, escaped; ill-formed bytes
  // become U+FFFD, characters XML cannot carry are dropped), then everything
  // drawn so far. The surface stays usable; a later Finish includes later
  // drawing. False, with `out` empty and the reason in `error`, when memory
  // ran out or the document outgrew kMaxSvgBytes.
  [[nodiscard]] bool Finish(std::string_view title, std::string_view description, std::string& out,
                            std::string& error) noexcept;

 private:
  // An open run of LineTo strokes with one pen, kept as one <path> element.
  struct LineRun {
    bool open = false;
    Pen pen;
    std::int64_t endX2 = 0;  // where the path's last point is, in half pixels
    std::int64_t endY2 = 0;
  };

  // Ends the open LineTo run's element, if any.
  void CloseLineRun() noexcept;
  // Runs write(body_) unless an earlier write failed; a write that runs out
  // of memory or takes the document past kMaxSvgBytes drops the document
  // and keeps the reason for Finish.
  template <class Write>
  void Emit(Write&& write) noexcept;

  std::int32_t width_;
  std::int32_t height_;
  std::int32_t scale_;
  std::string body_;
  const char* failure_ = nullptr;  // why the document was dropped; null while it holds
  LineRun run_;
};

}  // namespace tessaloom
