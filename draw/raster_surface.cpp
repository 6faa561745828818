#include "draw/raster_surface.h"

#include <algorithm>
#include <utility>

#include "draw/font_engine.h"
#include "draw/raster/shapes.h"
#include "platform/numbers.h"

namespace tessaloom {

void RasterSurface::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom) noexcept {
  raster::DrawRectangle(canvas_, left, top, right, bottom, state_.pen, state_.brush);
}

void RasterSurface::FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width,
                                  std::int32_t height, COLORREF color) noexcept {
  // The colour stays the background colour, as it does for the later opaque
  // text cells; a negative extent paints back from (x, y).
  state_.backgroundColor = color;
  const std::int64_t x1 = std::int64_t{x} + width;
  const std::int64_t y1 = std::int64_t{y} + height;
  canvas_.FillRect(std::min<std::int64_t>(x, x1), std::min<std::int64_t>(y, y1),
                   std::max<std::int64_t>(x, x1), std::max<std::int64_t>(y, y1), color);
}

void RasterSurface::Polygon(std::span<const Point> points) noexcept {
  raster::DrawPolygon(canvas_, points, state_.pen, state_.brush);
}

void RasterSurface::FillPolygon(std::span<const Point> points, const Brush& brush) noexcept {
  raster::FillPolygon(canvas_, points, raster::FillRule::kWinding, brush.color);
}

void RasterSurface::Pie(std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom, Point start, Point end) noexcept {
  raster::DrawPie(canvas_, left, top, right, bottom, start, end, state_.pen, state_.brush);
}

void RasterSurface::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                            std::int32_t bottom) noexcept {
  raster::DrawEllipse(canvas_, left, top, right, bottom, state_.pen, state_.brush);
}

void RasterSurface::LineTo(std::int32_t x, std::int32_t y) noexcept {
  raster::DrawLine(canvas_, state_.position, Point{x, y}, state_.pen);
  state_.position = {x, y};
}

void RasterSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept {
  DrawText(canvas_, x, y, text, state_.font, state_.textColor, state_.backgroundColor);
}

TextMetrics RasterSurface::GetTextMetrics() noexcept { return FontMetrics(state_.font); }

std::int32_t RasterSurface::GetTextExtent(std::string_view text) noexcept {
  return SaturateToInt32(TextWidth(state_.font, text));
}

}  // namespace tessaloom
