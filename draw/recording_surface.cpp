#include "draw/recording_surface.h"

#include <cstdio>
#include <utility>

#include "draw/font_engine.h"
#include "draw/text_metrics.h"
#include "platform/numbers.h"

namespace tessaloom {
namespace {

std::string Join(std::initializer_list<std::int64_t> values) {
  std::string out;
  for (std::int64_t v : values) {
    if (!out.empty()) out += ", ";
    out += std::to_string(v);
  }
  return out;
}

}  // namespace

void RecordingSurface::Record(std::string_view operation, std::string_view arguments) {
  // Built by appending: concatenating onto a literal trips a false
  // -Wrestrict alarm in GCC 12 at -O3.
  std::string line;
  line.reserve(operation.size() + arguments.size() + 2);
  line.append(operation).append("(").append(arguments).append(")");
  log_.push_back(std::move(line));
}

RecordingSurface::RecordingSurface() : RecordingSurface(MetricsSource(StandardTextMetrics)) {}

RecordingSurface::RecordingSurface(MetricsSource metrics) : metrics_(std::move(metrics)) {}

std::vector<std::string> RecordingSurface::Log(std::string_view operation) const {
  std::vector<std::string> lines;
  for (const std::string& line : log_) {
    if (line.size() > operation.size() && line.compare(0, operation.size(), operation) == 0 &&
        line[operation.size()] == '(') {
      lines.push_back(line);
    }
  }
  return lines;
}

std::string RecordingSurface::Describe(COLORREF color) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%06X", static_cast<unsigned>(color & 0xFFFFFF));
  return buf;
}

std::string RecordingSurface::Describe(const Pen& pen) {
  return std::to_string(pen.width).append(", ").append(Describe(pen.color));
}

std::string RecordingSurface::Describe(const Brush& brush) { return Describe(brush.color); }

std::string RecordingSurface::Describe(const Font& font) {
  if (font.face == FontFace::kSystem) return "System";
  return std::string("Chart ").append(Join({font.height, font.escapement, font.pitchAndFamily}));
}

std::string RecordingSurface::Describe(std::span<const Point> points) {
  std::string out;
  for (const Point& p : points) {
    if (!out.empty()) out += ", ";
    out.append("(").append(Join({p.x, p.y})).append(")");
  }
  return out;
}

void RecordingSurface::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                                 std::int32_t bottom) noexcept {
  Record("Rectangle", Join({left, top, right, bottom}));
}

void RecordingSurface::FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width,
                                     std::int32_t height, COLORREF color) noexcept {
  Record("FillSolidRect", Join({x, y, width, height}).append(", ").append(Describe(color)));
  state_.backgroundColor = color;
}

void RecordingSurface::Polygon(std::span<const Point> points) noexcept {
  Record("Polygon", Describe(points));
}

void RecordingSurface::FillPolygon(std::span<const Point> points, const Brush& brush) noexcept {
  Record("FillPolygon", Describe(points).append("; ").append(Describe(brush)));
}

void RecordingSurface::Pie(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom, Point start, Point end) noexcept {
  Record("Pie", Join({left, top, right, bottom, start.x, start.y, end.x, end.y}));
}

void RecordingSurface::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                               std::int32_t bottom) noexcept {
  Record("Ellipse", Join({left, top, right, bottom}));
}

void RecordingSurface::MoveTo(std::int32_t x, std::int32_t y) noexcept {
  Record("MoveTo", Join({x, y}));
  StatefulSurface::MoveTo(x, y);
}

void RecordingSurface::LineTo(std::int32_t x, std::int32_t y) noexcept {
  Record("LineTo", Join({x, y}));
  state_.position = {x, y};
}

void RecordingSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept {
  Record("TextOut", Join({x, y}).append(", \"").append(text).append("\""));
}

TextMetrics RecordingSurface::GetTextMetrics() noexcept { return metrics_(state_.font); }

// The raster surface's widths, so a recorded layout is the one the image gets.
std::int32_t RecordingSurface::GetTextExtent(std::string_view text) noexcept {
  return SaturateToInt32(TextWidth(state_.font, text));
}

COLORREF RecordingSurface::SetTextColor(COLORREF color) noexcept {
  Record("SetTextColor", Describe(color));
  return StatefulSurface::SetTextColor(color);
}

COLORREF RecordingSurface::SetBkColor(COLORREF color) noexcept {
  Record("SetBkColor", Describe(color));
  return StatefulSurface::SetBkColor(color);
}

Pen RecordingSurface::SelectPen(const Pen& pen) noexcept {
  Record("SelectPen", Describe(pen));
  return StatefulSurface::SelectPen(pen);
}

Brush RecordingSurface::SelectBrush(const Brush& brush) noexcept {
  Record("SelectBrush", Describe(brush));
  return StatefulSurface::SelectBrush(brush);
}

Font RecordingSurface::SelectFont(const Font& font) noexcept {
  Record("SelectFont", Describe(font));
  return StatefulSurface::SelectFont(font);
}

}  // namespace tessaloom
