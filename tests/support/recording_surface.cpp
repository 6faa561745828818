#include "tests/support/recording_surface.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "draw/font_engine.h"
#include "draw/text_metrics.h"
#include "platform/numbers.h"

namespace tessaloom::test_support {
namespace {

std::string Join(const std::vector<int>& values) {
  std::string out;
  for (const int v : values) out.append(out.empty() ? "" : ", ").append(std::to_string(v));
  return out;
}

std::string Hex(COLORREF color) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(color & 0xFFFFFF));
  return buf;
}

std::vector<int> Coordinates(std::span<const Point> points) {
  std::vector<int> out;
  for (const Point& p : points) out.insert(out.end(), {p.x, p.y});
  return out;
}

std::string PointList(std::span<const Point> points) {
  std::string out;
  for (const Point& p : points)
    out.append(out.empty() ? "(" : ", (").append(Join({p.x, p.y})) += ')';
  return out;
}

}  // namespace

std::vector<Call> RecordingSurface::Calls(std::initializer_list<std::string_view> only) const {
  std::vector<Call> out;
  for (const Call& c : calls_) {
    if (std::ranges::find(only, c.op) != only.end()) out.push_back(c);
  }
  return out;
}

std::string RecordingSurface::Lines() const {
  std::string out = "|";
  for (const Call& c : calls_) out.append(c.line) += '|';
  return out;
}

Call& RecordingSurface::Record(std::string_view op, std::vector<int> numbers,
                               std::string arguments) {
  if (arguments.empty()) arguments = Join(numbers);
  Call& c = calls_.emplace_back(
      Call{std::string(op), std::move(numbers), {}, state_.pen, state_.brush.color, state_.font});
  c.line.append(op).append("(").append(arguments) += ')';
  if (op == "Rectangle" || op == "Ellipse" || op == "Pie") {
    c.cell = {c.n[0], c.n[1], c.n[2], c.n[3]};
  }
  return c;
}

void RecordingSurface::FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width,
                                     std::int32_t height, COLORREF color) noexcept {
  const int c = static_cast<int>(color);
  Record("FillSolidRect", {x, y, width, height, c},
         Join({x, y, width, height}) + ", " + Hex(color));
  state_.backgroundColor = color;
}

void RecordingSurface::Polygon(std::span<const Point> points) noexcept {
  Record("Polygon", Coordinates(points), PointList(points));
}

void RecordingSurface::FillPolygon(std::span<const Point> points, const Brush& brush) noexcept {
  std::vector<int> n = Coordinates(points);
  n.push_back(static_cast<int>(brush.color));
  Record("FillPolygon", std::move(n), PointList(points) + "; " + Hex(brush.color));
}

void RecordingSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept {
  Call& c = Record("TextOut", {x, y}, Join({x, y}).append(", \"").append(text) + "\"");
  c.text = text;
  // Saturated: a text far out on the canvas has its cell's far edge at the limit.
  const std::int64_t w = GetTextExtent(text), h = GetTextMetrics().height;
  const auto edge = [](std::int64_t v) { return SaturateToInt32(v); };
  c.cell = state_.font.escapement == 900 ? Box{x, edge(y - w), edge(x + h), y}
                                         : Box{x, y, edge(x + w), edge(y + h)};
}

TextMetrics RecordingSurface::GetTextMetrics() noexcept { return StandardTextMetrics(state_.font); }

std::int32_t RecordingSurface::GetTextExtent(std::string_view text) noexcept {
  return SaturateToInt32(TextWidth(state_.font, text));
}

COLORREF RecordingSurface::SetTextColor(COLORREF color) noexcept {
  Record("SetTextColor", {static_cast<int>(color)}, Hex(color));
  return StatefulSurface::SetTextColor(color);
}

COLORREF RecordingSurface::SetBkColor(COLORREF color) noexcept {
  Record("SetBkColor", {static_cast<int>(color)}, Hex(color));
  return StatefulSurface::SetBkColor(color);
}

Pen RecordingSurface::SelectPen(const Pen& pen) noexcept {
  const Pen previous = StatefulSurface::SelectPen(pen);
  Record("SelectPen", {pen.width, static_cast<int>(pen.color)},
         std::to_string(pen.width) + ", " + Hex(pen.color));
  return previous;
}

Brush RecordingSurface::SelectBrush(const Brush& brush) noexcept {
  const Brush previous = StatefulSurface::SelectBrush(brush);
  Record("SelectBrush", {static_cast<int>(brush.color)}, Hex(brush.color));
  return previous;
}

Font RecordingSurface::SelectFont(const Font& font) noexcept {
  const Font previous = StatefulSurface::SelectFont(font);
  if (font.face == FontFace::kSystem) {
    Record("SelectFont", {}, "System");
  } else {
    Record("SelectFont", {font.height, font.escapement, font.pitchAndFamily},
           "Chart " + Join({font.height, font.escapement, font.pitchAndFamily}));
  }
  return previous;
}

}  // namespace tessaloom::test_support
