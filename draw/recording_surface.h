// RecordingSurface: a DrawingSurface that paints nothing and logs every
// call with its arguments, while keeping the same drawing state as the
// raster surface. Tests assert the exact sequence and coordinates a drawer
// produced. Text metrics come from StandardTextMetrics unless a test gives
// its own. One thread at a time.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "draw/drawing_surface.h"

namespace tessaloom {

class RecordingSurface final : public StatefulSurface {
 public:
  using MetricsSource = std::function<TextMetrics(const Font&)>;

  RecordingSurface();
  explicit RecordingSurface(MetricsSource metrics);

  // One line per drawing or state call, in order, e.g.
  //   "Rectangle(10, 10, 14, 13)"   "LineTo(20, 5)"   "TextOut(3, 4, \"Jan\")"
  //   "SelectPen(2, #0000FF)"       "SelectFont(Chart 12, 900, 17)"
  // Colours print as COLORREF hex. Metric and colour reads are not logged.
  [[nodiscard]] const std::vector<std::string>& Log() const noexcept { return log_; }
  // The lines that start with `operation` (e.g. "TextOut").
  [[nodiscard]] std::vector<std::string> Log(std::string_view operation) const;
  void ClearLog() noexcept { log_.clear(); }

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
  TextMetrics GetTextMetrics() noexcept override;
  std::int32_t GetTextExtent(std::string_view text) noexcept override;

  COLORREF SetTextColor(COLORREF color) noexcept override;
  COLORREF SetBkColor(COLORREF color) noexcept override;
  Pen SelectPen(const Pen& pen) noexcept override;
  Brush SelectBrush(const Brush& brush) noexcept override;
  Font SelectFont(const Font& font) noexcept override;

  // Text forms used in the log, for building expected lines in tests.
  static std::string Describe(COLORREF color);
  static std::string Describe(const Pen& pen);
  static std::string Describe(const Brush& brush);
  static std::string Describe(const Font& font);
  static std::string Describe(std::span<const Point> points);

 private:
  void Record(std::string_view operation, std::string_view arguments);

  MetricsSource metrics_;
  std::vector<std::string> log_;
};

}  // namespace tessaloom
