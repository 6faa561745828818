// RasterSurface: the DrawingSurface that paints a Canvas with the pixel
// rules of the Windows graphics device interface (shapes in draw/raster/,
// text in font_engine). It borrows the canvas, which must outlive it, and
// starts in the state of a new canvas. One thread at a time.
#pragma once

#include "draw/canvas.h"
#include "draw/drawing_surface.h"

namespace tessaloom {

class RasterSurface final : public StatefulSurface {
 public:
  explicit RasterSurface(Canvas& canvas) noexcept : canvas_(canvas) {}

  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
  void FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     COLORREF color) override;
  void Polygon(std::span<const Point> points) override;
  void FillPolygon(std::span<const Point> points, const Brush& brush) override;
  void Pie(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
           Point start, Point end) override;
  void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom) override;
  void LineTo(std::int32_t x, std::int32_t y) override;
  void TextOut(std::int32_t x, std::int32_t y, std::string_view text) override;
  TextMetrics GetTextMetrics() override;

  Canvas& canvas() noexcept { return canvas_; }

 private:
  Canvas& canvas_;
};

}  // namespace tessaloom
