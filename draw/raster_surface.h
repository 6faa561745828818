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
  TextMetrics GetTextMetrics() noexcept override;
  std::int32_t GetTextExtent(std::string_view text) noexcept override;

 private:
  Canvas& canvas_;
};

}  // namespace tessaloom
