// Placeholder until the SVG surface lands: same interface, no drawing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "draw/drawing_surface.h"

namespace tessaloom {

class SvgSurface final : public StatefulSurface {
 public:
  SvgSurface(std::int32_t width, std::int32_t height, std::int32_t scale) noexcept
      : width_(width), height_(height), scale_(scale) {}
  void Rectangle(std::int32_t, std::int32_t, std::int32_t, std::int32_t) noexcept override {}
  void FillSolidRect(std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                     COLORREF) noexcept override {}
  void Polygon(std::span<const Point>) noexcept override {}
  void FillPolygon(std::span<const Point>, const Brush&) noexcept override {}
  void Pie(std::int32_t, std::int32_t, std::int32_t, std::int32_t, Point, Point) noexcept override {
  }
  void Ellipse(std::int32_t, std::int32_t, std::int32_t, std::int32_t) noexcept override {}
  void LineTo(std::int32_t x, std::int32_t y) noexcept override { state_.position = {x, y}; }
  void TextOut(std::int32_t, std::int32_t, std::string_view) noexcept override {}
  TextMetrics GetTextMetrics() noexcept override { return {}; }
  [[nodiscard]] bool Finish(std::string_view title, std::string_view, std::string& out) noexcept {
    try {
      out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width_ * scale_) +
            "\" height=\"" + std::to_string(height_ * scale_) + "\"><title>" + std::string(title) +
            "</title></svg>\n";
      return true;
    } catch (...) {
      return false;
    }
  }

 private:
  std::int32_t width_, height_, scale_;
};

}  // namespace tessaloom
