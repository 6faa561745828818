// RasterSurface: the DrawingSurface that paints a Canvas with the pixel
// rules of the Windows graphics device interface (shapes in platform/raster/,
// text in font_engine). It borrows the canvas, which must outlive it, and
// starts in the state of a new canvas. One thread at a time.
#pragma once

#include "chart/drawing_surface.h"
#include "platform/canvas.h"

namespace tessaloom {

class RasterSurface final : public DrawingSurface {
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
  void MoveTo(std::int32_t x, std::int32_t y) override;
  void LineTo(std::int32_t x, std::int32_t y) override;
  void TextOut(std::int32_t x, std::int32_t y, std::string_view text) override;
  TextMetrics GetTextMetrics() override;

  COLORREF SetTextColor(COLORREF color) override;
  COLORREF SetBkColor(COLORREF color) override;
  COLORREF GetBkColor() const override { return state_.backgroundColor; }
  Pen SelectPen(const Pen& pen) override;
  Brush SelectBrush(const Brush& brush) override;
  Font SelectFont(const Font& font) override;

  Pen CurrentPen() const override { return state_.pen; }
  Brush CurrentBrush() const override { return state_.brush; }
  Font CurrentFont() const override { return state_.font; }
  COLORREF TextColor() const override { return state_.textColor; }
  Point CurrentPosition() const override { return state_.position; }

  Canvas& canvas() noexcept { return canvas_; }

 private:
  Canvas& canvas_;
  SurfaceState state_;
};

}  // namespace tessaloom
