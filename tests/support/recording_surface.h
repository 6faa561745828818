// A surface that paints nothing and records each drawing or state call with the pen, brush, font
// and box, keeping the raster surface's state and text widths, so its layout is the image's.
#pragma once

#include <compare>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "draw/drawing_surface.h"

namespace tessaloom::test_support {

// Pixels from (l, t) to (r, b), right and bottom exclusive.
struct Box {
  int l = 0, t = 0, r = 0, b = 0;
  bool Meets(const Box& o) const { return l < o.r && o.l < r && t < o.b && o.t < b; }
  auto operator<=>(const Box&) const = default;
};

struct Call {
  std::string op;        // "Rectangle", "TextOut", "SelectPen", ...
  std::vector<int> n{};  // its numbers in order: coordinates, widths, colours, font figures
  std::string text{};    // TextOut's text
  Pen pen{};             // in force once the call is made
  COLORREF brush = 0xFFFFFF;
  Font font{};
  Box cell{};  // a text's cell (at escapement 900 upward from (x, y)) or a shape's box
  // As a line: "SelectPen(2, #0000FF)", "SelectFont(Chart 12, 900, 17)", "TextOut(3, 4, \"J\")".
  std::string line{};
};

class RecordingSurface final : public StatefulSurface {
 public:
  [[nodiscard]] const std::vector<Call>& Calls() const noexcept { return calls_; }
  // The calls whose operation is one of `only`.
  [[nodiscard]] std::vector<Call> Calls(std::initializer_list<std::string_view> only) const;
  // Every call's line, each closed by '|' and the whole opened by one.
  [[nodiscard]] std::string Lines() const;

  void Rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) noexcept override {
    Record("Rectangle", {l, t, r, b});
  }
  void Ellipse(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) noexcept override {
    Record("Ellipse", {l, t, r, b});
  }
  void Pie(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, Point start,
           Point end) noexcept override {
    Record("Pie", {l, t, r, b, start.x, start.y, end.x, end.y});
  }
  void MoveTo(std::int32_t x, std::int32_t y) noexcept override {
    Record("MoveTo", {x, y});
    StatefulSurface::MoveTo(x, y);
  }
  void LineTo(std::int32_t x, std::int32_t y) noexcept override {
    Record("LineTo", {x, y});
    state_.position = {x, y};
  }
  void FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     COLORREF color) noexcept override;
  void Polygon(std::span<const Point> points) noexcept override;
  void FillPolygon(std::span<const Point> points, const Brush& brush) noexcept override;
  void TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept override;
  TextMetrics GetTextMetrics() noexcept override;
  std::int32_t GetTextExtent(std::string_view text) noexcept override;

  COLORREF SetTextColor(COLORREF color) noexcept override;
  COLORREF SetBkColor(COLORREF color) noexcept override;
  Pen SelectPen(const Pen& pen) noexcept override;
  Brush SelectBrush(const Brush& brush) noexcept override;
  Font SelectFont(const Font& font) noexcept override;

 private:
  // Appends the call; `arguments` is its line's text in parentheses (else the numbers joined).
  Call& Record(std::string_view op, std::vector<int> numbers, std::string arguments = {});

  std::vector<Call> calls_;
};

}  // namespace tessaloom::test_support
