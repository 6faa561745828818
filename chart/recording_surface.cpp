#include "chart/recording_surface.h"

#include <cstdio>
#include <utility>

#include "chart/text_metrics.h"

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
  return std::to_string(pen.width) + ", " + Describe(pen.color);
}

std::string RecordingSurface::Describe(const Brush& brush) { return Describe(brush.color); }

std::string RecordingSurface::Describe(const Font& font) {
  if (font.face == FontFace::kSystem) return "System";
  return "Chart " + Join({font.height, font.escapement, font.pitchAndFamily});
}

std::string RecordingSurface::Describe(std::span<const Point> points) {
  std::string out;
  for (const Point& p : points) {
    if (!out.empty()) out += ", ";
    out += "(" + Join({p.x, p.y}) + ")";
  }
  return out;
}

void RecordingSurface::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                                 std::int32_t bottom) {
  log_.push_back("Rectangle(" + Join({left, top, right, bottom}) + ")");
}

void RecordingSurface::FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width,
                                     std::int32_t height, COLORREF color) {
  log_.push_back("FillSolidRect(" + Join({x, y, width, height}) + ", " + Describe(color) + ")");
  state_.backgroundColor = color;
}

void RecordingSurface::Polygon(std::span<const Point> points) {
  log_.push_back("Polygon(" + Describe(points) + ")");
}

void RecordingSurface::FillPolygon(std::span<const Point> points, const Brush& brush) {
  log_.push_back("FillPolygon(" + Describe(points) + "; " + Describe(brush) + ")");
}

void RecordingSurface::Pie(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom, Point start, Point end) {
  log_.push_back("Pie(" + Join({left, top, right, bottom, start.x, start.y, end.x, end.y}) + ")");
}

void RecordingSurface::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                               std::int32_t bottom) {
  log_.push_back("Ellipse(" + Join({left, top, right, bottom}) + ")");
}

void RecordingSurface::MoveTo(std::int32_t x, std::int32_t y) {
  log_.push_back("MoveTo(" + Join({x, y}) + ")");
  state_.position = {x, y};
}

void RecordingSurface::LineTo(std::int32_t x, std::int32_t y) {
  log_.push_back("LineTo(" + Join({x, y}) + ")");
  state_.position = {x, y};
}

void RecordingSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view text) {
  log_.push_back("TextOut(" + Join({x, y}) + ", \"" + std::string(text) + "\")");
}

TextMetrics RecordingSurface::GetTextMetrics() { return metrics_(state_.font); }

COLORREF RecordingSurface::SetTextColor(COLORREF color) {
  log_.push_back("SetTextColor(" + Describe(color) + ")");
  return std::exchange(state_.textColor, color);
}

COLORREF RecordingSurface::SetBkColor(COLORREF color) {
  log_.push_back("SetBkColor(" + Describe(color) + ")");
  return std::exchange(state_.backgroundColor, color);
}

Pen RecordingSurface::SelectPen(const Pen& pen) {
  log_.push_back("SelectPen(" + Describe(pen) + ")");
  return std::exchange(state_.pen, pen);
}

Brush RecordingSurface::SelectBrush(const Brush& brush) {
  log_.push_back("SelectBrush(" + Describe(brush) + ")");
  return std::exchange(state_.brush, brush);
}

Font RecordingSurface::SelectFont(const Font& font) {
  log_.push_back("SelectFont(" + Describe(font) + ")");
  return std::exchange(state_.font, font);
}

}  // namespace tessaloom
