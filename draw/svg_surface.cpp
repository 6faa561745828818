#include "draw/svg_surface.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <utility>

#include "draw/font_engine.h"
#include "draw/raster/raster_math.h"
#include "draw/text_metrics.h"
#include "platform/numbers.h"
#include "platform/text.h"

// Coordinates are kept in half pixels (int64) until they are written: every
// point of the pixel rules is a lattice point or a pixel centre, so this is
// exact and no int32 input can overflow. Only pie arcs need real numbers.
namespace tessaloom {
namespace {

constexpr std::int32_t kMaxSide = 1 << 20;
// Wider pens than this are drawn this wide (charts use 1 and 2).
constexpr std::int64_t kMaxPenWidth = 1 << 16;
// Real numbers past this many pixels are written as this; 3 decimals are
// far below what any viewer resolves.
constexpr double kMaxReal = 1e15;
// The System font's em: its 16-pixel cell less 3 of internal leading.
constexpr std::int32_t kSystemFontEm = 13;
// Initial room for the elements: chart A needs about 20 KB.
constexpr std::size_t kInitialReserve = std::size_t{32} << 10;
// Why Finish gives no document.
constexpr char kNoMemory[] = "Not enough memory to write the SVG document";
constexpr char kTooLarge[] = "The SVG document would be larger than 64 MiB";
static_assert(kMaxSvgBytes == std::size_t{64} << 20, "kTooLarge names the bound");

constexpr char kFontFamily[] = "'Times New Roman',Times,'Liberation Serif',Tinos,serif";

// A box given by two opposite corners, as left <= right and top <= bottom.
struct Box {
  std::int64_t left, top, right, bottom;
};
Box OrderedBox(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  return {std::min(left, right), std::min(top, bottom), std::max(left, right),
          std::max(top, bottom)};
}

void AppendInt(std::string& out, std::int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

// A value given in half pixels: "12", "12.5", "-0.5".
void AppendHalf(std::string& out, std::int64_t halves) {
  if (halves < 0) out += '-';
  const std::uint64_t magnitude = halves < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(halves)
                                             : static_cast<std::uint64_t>(halves);
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude / 2);
  out.append(buffer, result.ptr);
  if (magnitude % 2 != 0) out += ".5";
}

// A real number, finite and rounded to 3 decimals, without trailing zeros.
void AppendReal(std::string& out, double value) {
  if (!std::isfinite(value)) value = std::isnan(value) ? 0 : std::copysign(kMaxReal, value);
  value = std::clamp(value, -kMaxReal, kMaxReal);
  char buffer[48];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
  char* end = result.ptr;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  if (end - buffer == 2 && buffer[0] == '-' && buffer[1] == '0') {  // "-0"
    out += '0';
    return;
  }
  out.append(buffer, end);
}

// A pair of half-pixel coordinates: "x y".
void AppendPoint(std::string& out, std::int64_t x2, std::int64_t y2) {
  AppendHalf(out, x2);
  out += ' ';
  AppendHalf(out, y2);
}

// COLORREF 0x00BBGGRR as "#rrggbb".
void AppendColor(std::string& out, COLORREF color) {
  if (color == kSeeThrough) {
    out += "none";
    return;
  }
  constexpr char kHex[] = "0123456789abcdef";
  const unsigned channels[3] = {color & 0xFFu, (color >> 8) & 0xFFu, (color >> 16) & 0xFFu};
  char text[7] = {'#'};
  for (int i = 0; i < 3; ++i) {
    text[1 + 2 * i] = kHex[channels[i] >> 4];
    text[2 + 2 * i] = kHex[channels[i] & 0xF];
  }
  out.append(text, sizeof text);
}

// The characters XML 1.0 can carry, less the C0 and C1 controls other than
// tab and line ends (they mean nothing in a chart's text).
bool Representable(char32_t cp) {
  if (cp < 0x20) return cp == 0x9 || cp == 0xA || cp == 0xD;
  if (cp >= 0x7F && cp <= 0x9F) return false;
  if (cp >= 0xD800 && cp <= 0xDFFF) return false;
  return cp != 0xFFFE && cp != 0xFFFF && cp <= 0x10FFFF;
}

void AppendUtf8(std::string& out, char32_t cp) {
  char bytes[4];
  std::size_t n = 0;
  if (cp < 0x80) {
    bytes[n++] = static_cast<char>(cp);
  } else if (cp < 0x800) {
    bytes[n++] = static_cast<char>(0xC0 | (cp >> 6));
    bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    bytes[n++] = static_cast<char>(0xE0 | (cp >> 12));
    bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    bytes[n++] = static_cast<char>(0xF0 | (cp >> 18));
    bytes[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    bytes[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    bytes[n++] = static_cast<char>(0x80 | (cp & 0x3F));
  }
  out.append(bytes, n);
}

// UTF-8 text as XML character data: markup characters escaped, ill-formed
// bytes as U+FFFD (as DecodeCodePoint reads them), unrepresentable
// characters dropped. Returns whether anything was written.
bool AppendEscaped(std::string& out, std::string_view text) {
  const std::size_t before = out.size();
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    i += DecodeCodePoint(text, i, cp);
    switch (cp) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        if (Representable(cp)) AppendUtf8(out, cp);
    }
  }
  return out.size() != before;
}

std::int64_t PenWidth(const Pen& pen) {
  return std::clamp<std::int64_t>(pen.width, 1, kMaxPenWidth);
}

// Where a stroke's path runs, in half pixels past the lattice point: an odd
// width is centred on pixel centres and an even one on pixel edges, so a
// width-w edge at y covers rows y - w/2 ... y - w/2 + w - 1 as the classic's.
std::int64_t PenOffset(std::int64_t width) { return width % 2 != 0 ? 1 : 0; }

// ` stroke="#rrggbb"` and, for a wide pen, its width.
void AppendStroke(std::string& out, const Pen& pen) {
  out += " stroke=\"";
  AppendColor(out, pen.color);
  out += '"';
  const std::int64_t width = PenWidth(pen);
  if (width != 1) {
    out += " stroke-width=\"";
    AppendInt(out, width);
    out += '"';
  }
}

void AppendFill(std::string& out, COLORREF color) {
  out += " fill=\"";
  AppendColor(out, color);
  out += '"';
}

// The filled box [x0, x1) x [y0, y1) in whole pixels; nothing when empty.
void AppendBox(std::string& out, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
               COLORREF fill) {
  if (x0 == x1 || y0 == y1 || fill == kSeeThrough) return;
  out += "<path d=\"M";
  AppendPoint(out, 2 * std::min(x0, x1), 2 * std::min(y0, y1));
  out += 'H';
  AppendInt(out, std::max(x0, x1));
  out += 'V';
  AppendInt(out, std::max(y0, y1));
  out += 'H';
  AppendInt(out, std::min(x0, x1));
  out += "Z\"";
  AppendFill(out, fill);
  out += "/>\n";
}

// The closed outline through `points`, each moved `offset` half pixels right
// and down: "M x y x y ...Z" (pairs after the first are implicit line-tos).
void AppendClosedPath(std::string& out, std::span<const Point> points, std::int64_t offset) {
  out += "<path d=\"M";
  bool first = true;
  for (const Point& p : points) {
    if (!first) out += ' ';
    first = false;
    AppendPoint(out, 2 * std::int64_t{p.x} + offset, 2 * std::int64_t{p.y} + offset);
  }
  out += "Z\"";
}

struct Real2 {
  double x = 0;
  double y = 0;
};

void AppendRealPoint(std::string& out, Real2 p) {
  AppendReal(out, p.x);
  out += ' ';
  AppendReal(out, p.y);
}

// " A rx ry 0 large 0 x y": an arc counter-clockwise on screen (SVG's sweep
// flag 1 is clockwise on a y-down canvas).
void AppendArc(std::string& out, double rx, double ry, bool large, Real2 to) {
  out += 'A';
  AppendReal(out, rx);
  out += ' ';
  AppendReal(out, ry);
  out += large ? " 0 1 0 " : " 0 0 0 ";
  AppendRealPoint(out, to);
}

// Where the ray from `from` (inside the ellipse) in screen direction
// (dx, dy) leaves the ellipse centred on `c` with radii rx, ry.
Real2 RayExit(Real2 c, double rx, double ry, Real2 from, double dx, double dy) {
  const double length = std::hypot(dx, dy);
  const double ux = dx / length;
  const double uy = dy / length;
  const double px = from.x - c.x;
  const double py = from.y - c.y;
  const double a = ux * ux / (rx * rx) + uy * uy / (ry * ry);
  const double b = 2 * (px * ux / (rx * rx) + py * uy / (ry * ry));
  const double k = px * px / (rx * rx) + py * py / (ry * ry) - 1;
  const double s = (-b + std::sqrt(std::max(b * b - 4 * a * k, 0.0))) / (2 * a);
  return {from.x + s * ux, from.y + s * uy};
}

// Counter-clockwise angle on screen of ellipse point `p`, in its parameter.
double ScreenAngle(Real2 c, double rx, double ry, Real2 p) {
  return std::atan2((c.y - p.y) / ry, (p.x - c.x) / rx);
}

}  // namespace

SvgSurface::SvgSurface(std::int32_t width, std::int32_t height, std::int32_t scale) noexcept
    : width_(std::clamp(width, 1, kMaxSide)),
      height_(std::clamp(height, 1, kMaxSide)),
      scale_(std::clamp(scale, 1, kMaxScale)) {
  try {
    body_.reserve(kInitialReserve);
  } catch (...) {  // grows as it goes, or fails then
  }
}

template <class Write>
void SvgSurface::Emit(Write&& write) noexcept {
  if (failure_ != nullptr) return;
  try {
    write(body_);
    if (body_.size() > kMaxSvgBytes) failure_ = kTooLarge;
  } catch (...) {  // std::string's only exception: its memory ran out
    failure_ = kNoMemory;
  }
  if (failure_ != nullptr) {
    std::string().swap(body_);
    run_.open = false;
  }
}

void SvgSurface::CloseLineRun() noexcept {
  if (!run_.open) return;
  run_.open = false;
  Emit([](std::string& out) { out += "\"/>\n"; });
}

void SvgSurface::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom) noexcept {
  CloseLineRun();
  // Plain names rather than a structured binding, which lambdas capture
  // only from C++20 compilers on.
  const Box box = OrderedBox(left, top, right, bottom);
  const std::int64_t l = box.left, t = box.top, r = box.right, b = box.bottom;
  if (l == r || t == b) return;
  const Pen pen = state_.pen;
  const Brush brush = state_.brush;
  const std::int64_t width = PenWidth(pen);
  Emit([&](std::string& out) {
    if (width == 1 && (r - l == 1 || b - t == 1)) {
      // The classic pen paints every pixel of a box one pixel thin, and
      // nothing of a 1x1 box (its sides have no length).
      if (r - l != 1 || b - t != 1) AppendBox(out, l, t, r, b, pen.color);
      return;
    }
    // The pen strokes the closed path round [l, r-1] x [t, b-1].
    const std::int64_t o = PenOffset(width);
    out += "<path d=\"M";
    AppendPoint(out, 2 * l + o, 2 * t + o);
    out += 'H';
    AppendHalf(out, 2 * (r - 1) + o);
    out += 'V';
    AppendHalf(out, 2 * (b - 1) + o);
    out += 'H';
    AppendHalf(out, 2 * l + o);
    out += "Z\"";
    AppendFill(out, brush.color);
    AppendStroke(out, pen);
    out += "/>\n";
  });
}

void SvgSurface::FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width,
                               std::int32_t height, COLORREF color) noexcept {
  CloseLineRun();
  state_.backgroundColor = color;  // even when nothing is painted, as the classic does
  Emit([&](std::string& out) {
    AppendBox(out, x, y, std::int64_t{x} + width, std::int64_t{y} + height, color);
  });
}

void SvgSurface::Polygon(std::span<const Point> points) noexcept {
  CloseLineRun();
  if (points.empty()) return;
  const Pen pen = state_.pen;
  const Brush brush = state_.brush;
  Emit([&](std::string& out) {
    AppendClosedPath(out, points, PenOffset(PenWidth(pen)));
    out += " fill-rule=\"evenodd\"";
    AppendFill(out, brush.color);
    AppendStroke(out, pen);
    out += "/>\n";
  });
}

void SvgSurface::FillPolygon(std::span<const Point> points, const Brush& brush) noexcept {
  CloseLineRun();
  if (points.size() < 3) return;  // no area
  // Pixel (x, y) is filled when the lattice point (x, y) is inside: the same
  // polygon moved to pixel centres.
  Emit([&](std::string& out) {
    AppendClosedPath(out, points, 1);
    AppendFill(out, brush.color);
    out += "/>\n";
  });
}

void SvgSurface::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom) noexcept {
  CloseLineRun();
  const Box box = OrderedBox(left, top, right, bottom);
  const std::int64_t l = box.left, t = box.top, r = box.right, b = box.bottom;
  // Boxes two pixels thin or less are rectangles, as in the classic.
  if (r - l <= 2 || b - t <= 2) {
    Rectangle(left, top, right, bottom);
    return;
  }
  const Pen pen = state_.pen;
  const Brush brush = state_.brush;
  // The ring runs through the centres of the box's extreme pixels (l and
  // r-1), for an odd pen; an even pen is centred half a pixel up and left.
  const std::int64_t o = PenOffset(PenWidth(pen));
  Emit([&](std::string& out) {
    out += "<ellipse cx=\"";
    AppendHalf(out, l + r - 1 + o);
    out += "\" cy=\"";
    AppendHalf(out, t + b - 1 + o);
    out += "\" rx=\"";
    AppendHalf(out, r - l - 1);
    out += "\" ry=\"";
    AppendHalf(out, b - t - 1);
    out += '"';
    AppendFill(out, brush.color);
    AppendStroke(out, pen);
    out += "/>\n";
  });
}

void SvgSurface::Pie(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                     Point start, Point end) noexcept {
  CloseLineRun();
  const Box box = OrderedBox(left, top, right, bottom);
  const std::int64_t l = box.left, t = box.top, r = box.right, b = box.bottom;
  if (r - l <= 2 || b - t <= 2) {
    Rectangle(left, top, right, bottom);
    return;
  }
  const Pen pen = state_.pen;
  const Brush brush = state_.brush;
  const double o = static_cast<double>(PenOffset(PenWidth(pen))) / 2;
  // The ellipse as Ellipse draws it; the radials meet at the classic's
  // centre pixel (the lower-right central one for even sizes).
  const double rx = static_cast<double>(r - l - 1) / 2;
  const double ry = static_cast<double>(b - t - 1) / 2;
  const Real2 c{static_cast<double>(l + r - 1) / 2 + o, static_cast<double>(t + b - 1) / 2 + o};
  const std::int64_t cx = l + (r - l) / 2;
  const std::int64_t cy = t + (b - t) / 2;
  const Real2 apex{static_cast<double>(cx) + o, static_cast<double>(cy) + o};
  // Directions with y up; a point on the centre pixel means 3 o'clock.
  auto direction = [&](Point p) {
    std::int64_t dx = p.x - cx;
    std::int64_t dy = cy - p.y;
    if (dx == 0 && dy == 0) dx = 1;
    return std::pair{dx, dy};
  };
  const auto [sx, sy] = direction(start);
  const auto [ex, ey] = direction(end);
  const bool whole =
      raster::Cross(sx, sy, ex, ey) == 0 && raster::Int128{sx} * ex + raster::Int128{sy} * ey > 0;
  const Real2 from = RayExit(c, rx, ry, apex, static_cast<double>(sx), -static_cast<double>(sy));
  const Real2 to = RayExit(c, rx, ry, apex, static_cast<double>(ex), -static_cast<double>(ey));
  double sweep = ScreenAngle(c, rx, ry, to) - ScreenAngle(c, rx, ry, from);
  if (sweep <= 0) sweep += 2 * std::numbers::pi;
  Emit([&](std::string& out) {
    out += "<path d=\"M";
    AppendRealPoint(out, apex);
    out += 'L';
    AppendRealPoint(out, from);
    if (whole) {
      AppendArc(out, rx, ry, true, Real2{2 * c.x - from.x, 2 * c.y - from.y});
      AppendArc(out, rx, ry, true, from);
    } else {
      AppendArc(out, rx, ry, sweep > std::numbers::pi, to);
    }
    out += "Z\"";
    AppendFill(out, brush.color);
    AppendStroke(out, pen);
    // Round joins: a thin slice's miter would spike into its neighbours.
    out += " stroke-linejoin=\"round\"/>\n";
  });
}

void SvgSurface::LineTo(std::int32_t x, std::int32_t y) noexcept {
  const Point from = state_.position;
  state_.position = {x, y};
  const Pen pen = state_.pen;
  const std::int64_t width = PenWidth(pen);
  const std::int64_t dx = std::int64_t{x} - from.x;
  const std::int64_t dy = std::int64_t{y} - from.y;
  std::int64_t x0 = 2 * std::int64_t{from.x};
  std::int64_t y0 = 2 * std::int64_t{from.y};
  std::int64_t x1 = 2 * std::int64_t{x};
  std::int64_t y1 = 2 * std::int64_t{y};
  if (width == 1) {
    // A cosmetic line paints max(|dx|, |dy|) pixels, the start included and
    // the end left out: along the major axis the stroke runs from the start
    // pixel's near edge to the end pixel's near edge, across it through
    // pixel centres.
    if (dx == 0 && dy == 0) return;
    const bool xMajor = (dx < 0 ? -dx : dx) > (dy < 0 ? -dy : dy);
    const std::int64_t back = (xMajor ? dx : dy) < 0 ? 2 : 0;
    x0 += xMajor ? back : 1;
    x1 += xMajor ? back : 1;
    y0 += xMajor ? 1 : back;
    y1 += xMajor ? 1 : back;
  } else {
    // Wide lines are areas with square 2x2 caps at both ends (the classic's
    // round cap at width 2), so the end point is painted.
    const std::int64_t o = PenOffset(width);
    x0 += o;
    x1 += o;
    y0 += o;
    y1 += o;
  }
  if (run_.open && !(run_.pen == pen)) CloseLineRun();
  Emit([&](std::string& out) {
    if (!run_.open) {
      out += "<path fill=\"none\"";
      AppendStroke(out, pen);
      if (width != 1) out += " stroke-linecap=\"square\" stroke-linejoin=\"round\"";
      out += " d=\"";
      run_.open = true;
      run_.pen = pen;
    } else if (run_.endX2 == x0 && run_.endY2 == y0) {
      out += ' ';
      AppendPoint(out, x1, y1);
      run_.endX2 = x1;
      run_.endY2 = y1;
      return;
    }
    out += 'M';
    AppendPoint(out, x0, y0);
    out += ' ';
    AppendPoint(out, x1, y1);
    run_.endX2 = x1;
    run_.endY2 = y1;
  });
}

void SvgSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept {
  CloseLineRun();
  if (text.empty()) return;
  const Font font = state_.font;
  const bool chart = font.face == FontFace::kTimesNewRomanBold;
  const bool sans = font.face == FontFace::kSans || font.face == FontFace::kSansSemibold;
  const TextMetrics metrics = StandardTextMetrics(font);
  // The opaque cell is as wide as the classic draws it: the sum of the
  // chart face's advances (what the viewer's font does is its own affair).
  const std::int64_t width = TextWidth(font, text);
  const bool upward = (chart || sans) && font.escapement == 900;
  const COLORREF background = state_.backgroundColor;
  const COLORREF color = state_.textColor;
  Emit([&](std::string& out) {
    if (upward) {
      AppendBox(out, x, y - width, std::int64_t{x} + metrics.height, y, background);
    } else {
      AppendBox(out, x, y, x + width, std::int64_t{y} + metrics.height, background);
    }
    // (x, y) is the cell's top-left (bottom-left for upward text): the pen
    // starts on the baseline, `ascent` below (right of) it.
    const std::int64_t ax = upward ? std::int64_t{x} + metrics.ascent : x;
    const std::int64_t ay = upward ? y : std::int64_t{y} + metrics.ascent;
    const std::size_t mark = out.size();
    out += "<text x=\"";
    AppendInt(out, ax);
    out += "\" y=\"";
    AppendInt(out, ay);
    out += "\" font-size=\"";
    AppendInt(out, chart  ? CellPixelsPerEm(metrics.height, kTimesNewRomanBoldFigures)
                   : sans ? CellPixelsPerEm(metrics.height, kSansFigures)
                          : kSystemFontEm);
    out += '"';
    // The modern themes' face as the smooth surface draws it.
    if (sans) out += " font-family=\"Inter, DejaVu Sans, sans-serif\"";
    if (font.face == FontFace::kSansSemibold) out += " font-weight=\"600\"";
    if (!chart && !sans) out += " font-family=\"sans-serif\"";
    AppendFill(out, color);
    if (upward) {
      out += " transform=\"rotate(-90 ";
      AppendInt(out, ax);
      out += ' ';
      AppendInt(out, ay);
      out += ")\"";
    }
    out += '>';
    if (!AppendEscaped(out, text)) {
      out.resize(mark);  // nothing a viewer could show
      return;
    }
    out += "</text>\n";
  });
}

TextMetrics SvgSurface::GetTextMetrics() noexcept { return StandardTextMetrics(state_.font); }

std::int32_t SvgSurface::GetTextExtent(std::string_view text) noexcept {
  return SaturateToInt32(TextWidth(state_.font, text));  // the cell TextOut writes
}

bool SvgSurface::Finish(std::string_view title, std::string_view description, std::string& out,
                        std::string& error) noexcept {
  CloseLineRun();
  out.clear();
  if (failure_ != nullptr) {
    AssignOrClear(error, failure_);
    return false;
  }
  try {
    out.reserve(body_.size() + title.size() + description.size() + 512);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"";
    out += " width=\"";
    AppendInt(out, std::int64_t{width_} * scale_);
    out += "\" height=\"";
    AppendInt(out, std::int64_t{height_} * scale_);
    out += "\" viewBox=\"0 0 ";
    AppendInt(out, width_);
    out += ' ';
    AppendInt(out, height_);
    out += "\" role=\"img\">\n<title>";
    AppendEscaped(out, title);
    out += "</title>\n<desc>";
    AppendEscaped(out, description);
    out += "</desc>\n<g font-family=\"";
    out += kFontFamily;
    out += "\" font-weight=\"bold\" xml:space=\"preserve\">\n";
    out += body_;
    out += "</g>\n</svg>\n";
  } catch (...) {  // std::string's only exception: its memory ran out
    out.clear();
    AssignOrClear(error, kNoMemory);
    return false;
  }
  if (out.size() > kMaxSvgBytes) {
    out.clear();
    AssignOrClear(error, kTooLarge);
    return false;
  }
  return true;
}

}  // namespace tessaloom
