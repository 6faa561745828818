// A surface that passes every drawing call on to another one with one colour
// exchanged for another: what the drawer paints in `from` (a fill, a pen, a
// text or its cell) lands in `to`. The drawer's own state stays as it set it,
// so a drawer reading its colours back sees what it chose and draws the same
// shapes. A transparent background is found this way: the chart drawn once
// as it is and once with its background colour exchanged differs exactly
// where, and by as much as, the background shows through.
#pragma once

#include <span>
#include <string_view>

#include "draw/drawing_surface.h"

namespace tessaloom {

class RecolorSurface final : public StatefulSurface {
 public:
  RecolorSurface(DrawingSurface& inner, COLORREF from, COLORREF to) noexcept
      : inner_(inner), from_(from), to_(to) {
    state_.pen = inner.CurrentPen();
    state_.brush = inner.CurrentBrush();
    state_.font = inner.CurrentFont();
    state_.textColor = inner.TextColor();
    state_.backgroundColor = inner.GetBkColor();
    state_.position = inner.CurrentPosition();
    inner_.SelectPen(Swap(state_.pen));
    inner_.SelectBrush(Swap(state_.brush));
    inner_.SetTextColor(Swap(state_.textColor));
    inner_.SetBkColor(Swap(state_.backgroundColor));
  }
  RecolorSurface(const RecolorSurface&) = delete;
  RecolorSurface& operator=(const RecolorSurface&) = delete;

  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) noexcept override {
    inner_.Rectangle(left, top, right, bottom);
  }
  void FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     COLORREF color) noexcept override {
    state_.backgroundColor = color;
    inner_.FillSolidRect(x, y, width, height, Swap(color));
  }
  void Polygon(std::span<const Point> points) noexcept override { inner_.Polygon(points); }
  void FillPolygon(std::span<const Point> points, const Brush& brush) noexcept override {
    inner_.FillPolygon(points, Swap(brush));
  }
  void Pie(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
           Point start, Point end) noexcept override {
    inner_.Pie(left, top, right, bottom, start, end);
  }
  void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom) noexcept override {
    inner_.Ellipse(left, top, right, bottom);
  }
  void MoveTo(std::int32_t x, std::int32_t y) noexcept override {
    StatefulSurface::MoveTo(x, y);
    inner_.MoveTo(x, y);
  }
  void LineTo(std::int32_t x, std::int32_t y) noexcept override {
    state_.position = {x, y};
    inner_.LineTo(x, y);
  }
  void TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept override {
    inner_.TextOut(x, y, text);
  }
  TextMetrics GetTextMetrics() noexcept override { return inner_.GetTextMetrics(); }
  std::int32_t GetTextExtent(std::string_view text) noexcept override {
    return inner_.GetTextExtent(text);
  }

  // The state the base keeps is the drawer's, before the exchange.
  COLORREF SetTextColor(COLORREF color) noexcept override {
    inner_.SetTextColor(Swap(color));
    return StatefulSurface::SetTextColor(color);
  }
  COLORREF SetBkColor(COLORREF color) noexcept override {
    inner_.SetBkColor(Swap(color));
    return StatefulSurface::SetBkColor(color);
  }
  Pen SelectPen(const Pen& pen) noexcept override {
    inner_.SelectPen(Swap(pen));
    return StatefulSurface::SelectPen(pen);
  }
  Brush SelectBrush(const Brush& brush) noexcept override {
    inner_.SelectBrush(Swap(brush));
    return StatefulSurface::SelectBrush(brush);
  }
  Font SelectFont(const Font& font) noexcept override {
    inner_.SelectFont(font);
    return StatefulSurface::SelectFont(font);
  }

 private:
  [[nodiscard]] COLORREF Swap(COLORREF color) const noexcept {
    return color == from_ ? to_ : color;
  }
  [[nodiscard]] Pen Swap(Pen pen) const noexcept {
    pen.color = Swap(pen.color);
    return pen;
  }
  [[nodiscard]] Brush Swap(Brush brush) const noexcept {
    brush.color = Swap(brush.color);
    return brush;
  }
  DrawingSurface& inner_;
  COLORREF from_;
  COLORREF to_;
};

}  // namespace tessaloom
