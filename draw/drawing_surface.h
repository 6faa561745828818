// DrawingSurface: the chart engine's one way to draw. Integer pixels, origin
// at the top-left, y downward; colours are COLORREF (0x00BBGGRR). The
// surface keeps the drawing state (pen, brush, font, text and background
// colours, current position); select operations make a value current and
// return the one they replaced, so a drawer can restore it. One surface is
// used by one thread at a time. No operation fails or throws (all are
// noexcept): coordinates
// far outside the canvas are clipped, degenerate shapes draw nothing.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/gdi_types.h"

namespace tessaloom {

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend constexpr bool operator==(const Point&, const Point&) = default;
};

// Not a colour but its absence (the fourth byte is set): the document
// surfaces (SVG, PDF) paint nothing in it, leaving what lies beneath. A
// transparent background is the background colour exchanged for it.
inline constexpr COLORREF kSeeThrough = 0xFF000000;

// A solid pen; widths 1 and 2 are the ones charts use (0 draws as 1).
// A round pen has round joins and caps where the surface can draw them.
struct Pen {
  std::int32_t width = 1;
  COLORREF color = 0x000000;
  bool round = false;
  friend constexpr bool operator==(const Pen&, const Pen&) = default;
};

// A solid brush.
struct Brush {
  COLORREF color = 0xFFFFFF;
  friend constexpr bool operator==(const Brush&, const Brush&) = default;
};

// Every font a classic chart creates is "Times New Roman", weight 700,
// character set 129, with a cell height, an escapement and a pitch-and-family
// of its own. The canvas's initial font is the raster "System" font instead.
// The modern themes use a sans-serif face, regular or semibold.
enum class FontFace : std::uint8_t { kSystem, kTimesNewRomanBold, kSans, kSansSemibold };

inline constexpr char kChartFontFaceName[] = "Times New Roman";
inline constexpr int kChartFontWeight = 700;
inline constexpr int kChartFontCharset = 129;
// Cell height a font of height 0 asks for.
inline constexpr std::int32_t kDefaultFontHeight = 16;

// Escapement, in tenths of a degree, of text that runs upward.
inline constexpr std::int32_t kEscapementUpward = 900;

struct Font {
  FontFace face = FontFace::kSystem;
  std::int32_t height = 0;          // cell height in pixels; 0 or less: the default
  std::int32_t escapement = 0;      // tenths of a degree: 0, or 900 (runs upward)
  std::uint8_t pitchAndFamily = 0;  // 16, or 17 for the value-axis labels
  friend constexpr bool operator==(const Font&, const Font&) = default;

  static constexpr Font System() { return Font{}; }
  static constexpr Font Chart(std::int32_t height, std::int32_t escapement = 0,
                              std::uint8_t pitchAndFamily = 16) {
    return Font{FontFace::kTimesNewRomanBold, height, escapement, pitchAndFamily};
  }
  // The modern sans-serif face at cell height `height`.
  static constexpr Font Sans(std::int32_t height, bool semibold = false,
                             std::int32_t escapement = 0) {
    return Font{semibold ? FontFace::kSansSemibold : FontFace::kSans, height, escapement, 0};
  }
};

// Largest factor a chart's image may be scaled by: the image is Width x
// Scale by Height x Scale pixels, drawn from the same classic coordinates.
inline constexpr std::int32_t kMaxScale = 4;

// Metrics of a font, in pixels.
struct TextMetrics {
  std::int32_t height = 0;  // cell height: ascent + descent
  std::int32_t ascent = 0;
  std::int32_t descent = 0;
  std::int32_t aveCharWidth = 0;
  std::int32_t maxCharWidth = 0;
  friend constexpr bool operator==(const TextMetrics&, const TextMetrics&) = default;
};

class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;

  // Outline with the pen, interior with the brush; corners in any order.
  // With a 1-pixel pen it covers [left, right-1] x [top, bottom-1].
  virtual void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom) noexcept = 0;
  // Paints [x, x+width) x [y, y+height) (negative extents reach back) and
  // makes `color` the background colour, even when nothing is painted.
  virtual void FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height, COLORREF color) noexcept = 0;
  // Closed outline with the pen, filled with the brush by the alternate rule.
  virtual void Polygon(std::span<const Point> points) noexcept = 0;
  // Filled with `brush` by the winding rule; no outline. The current brush
  // is not changed.
  virtual void FillPolygon(std::span<const Point> points, const Brush& brush) noexcept = 0;
  // Sector of the ellipse inscribed in the box, counter-clockwise on screen
  // from the radial through `start` to the radial through `end`; equal
  // directions give the whole ellipse. Pen outline, brush fill.
  virtual void Pie(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                   Point start, Point end) noexcept = 0;
  // Ellipse inscribed in the box; pen outline, brush fill.
  virtual void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                       std::int32_t bottom) noexcept = 0;
  // Sets the current position.
  virtual void MoveTo(std::int32_t x, std::int32_t y) noexcept = 0;
  // Line with the pen from the current position to (x, y); a 1-pixel pen
  // leaves out the end pixel. The position becomes (x, y).
  virtual void LineTo(std::int32_t x, std::int32_t y) noexcept = 0;
  // UTF-8 text in the current font and text colour on an opaque cell of the
  // background colour. (x, y) is the cell's top-left for escapement 0 and its
  // bottom-left on screen for escapement 900 (text running upward).
  virtual void TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept = 0;
  // Metrics of the current font.
  virtual TextMetrics GetTextMetrics() noexcept = 0;
  // Width in pixels of the cell TextOut paints for `text` in the current
  // font: the advance of the glyphs that draw it (along the run for
  // escapement 900). Layout measures with it so text fits where it is put.
  virtual std::int32_t GetTextExtent(std::string_view text) noexcept = 0;

  virtual COLORREF SetTextColor(COLORREF color) noexcept = 0;  // returns the previous one
  virtual COLORREF SetBkColor(COLORREF color) noexcept = 0;    // returns the previous one
  virtual COLORREF GetBkColor() const noexcept = 0;
  virtual Pen SelectPen(const Pen& pen) noexcept = 0;  // each returns the one replaced
  virtual Brush SelectBrush(const Brush& brush) noexcept = 0;
  virtual Font SelectFont(const Font& font) noexcept = 0;

  // The state, for tests and for drawers that read it.
  virtual Pen CurrentPen() const noexcept = 0;
  virtual Brush CurrentBrush() const noexcept = 0;
  virtual Font CurrentFont() const noexcept = 0;
  virtual COLORREF TextColor() const noexcept = 0;
  virtual Point CurrentPosition() const noexcept = 0;
};

// The state every realisation starts from and keeps: a new canvas's black
// 1-pixel pen, white brush, black text on white, position (0, 0), System font.
class SurfaceState {
 public:
  Pen pen;
  Brush brush;
  Font font = Font::System();
  COLORREF textColor = 0x000000;
  COLORREF backgroundColor = 0xFFFFFF;
  Point position;
};

// The drawing-state half of a surface, shared by its realisations: colours,
// selects and position live in `state_`; realisations add the drawing.
class StatefulSurface : public DrawingSurface {
 public:
  COLORREF SetTextColor(COLORREF color) noexcept override {
    return Exchange(state_.textColor, color);
  }
  COLORREF SetBkColor(COLORREF color) noexcept override {
    return Exchange(state_.backgroundColor, color);
  }
  COLORREF GetBkColor() const noexcept override { return state_.backgroundColor; }
  Pen SelectPen(const Pen& pen) noexcept override { return Exchange(state_.pen, pen); }
  Brush SelectBrush(const Brush& brush) noexcept override { return Exchange(state_.brush, brush); }
  Font SelectFont(const Font& font) noexcept override { return Exchange(state_.font, font); }
  void MoveTo(std::int32_t x, std::int32_t y) noexcept override { state_.position = {x, y}; }

  Pen CurrentPen() const noexcept override { return state_.pen; }
  Brush CurrentBrush() const noexcept override { return state_.brush; }
  Font CurrentFont() const noexcept override { return state_.font; }
  COLORREF TextColor() const noexcept override { return state_.textColor; }
  Point CurrentPosition() const noexcept override { return state_.position; }

 protected:
  template <class T>
  static T Exchange(T& slot, const T& value) noexcept {
    T previous = slot;
    slot = value;
    return previous;
  }

  SurfaceState state_;
};

// Selects a pen for one scope and puts the previous one back.
class ScopedPen {
 public:
  ScopedPen(DrawingSurface& surface, const Pen& pen) noexcept
      : surface_(surface), previous_(surface.SelectPen(pen)) {}
  ScopedPen(const ScopedPen&) = delete;
  ScopedPen& operator=(const ScopedPen&) = delete;
  ~ScopedPen() { surface_.SelectPen(previous_); }

 private:
  DrawingSurface& surface_;
  Pen previous_;
};

// Selects a brush for one scope and puts the previous one back.
class ScopedBrush {
 public:
  ScopedBrush(DrawingSurface& surface, const Brush& brush) noexcept
      : surface_(surface), previous_(surface.SelectBrush(brush)) {}
  ScopedBrush(const ScopedBrush&) = delete;
  ScopedBrush& operator=(const ScopedBrush&) = delete;
  ~ScopedBrush() { surface_.SelectBrush(previous_); }

 private:
  DrawingSurface& surface_;
  Brush previous_;
};

// Selects a font for one scope and puts the previous one back.
class ScopedFont {
 public:
  ScopedFont(DrawingSurface& surface, const Font& font) noexcept
      : surface_(surface), previous_(surface.SelectFont(font)) {}
  ScopedFont(const ScopedFont&) = delete;
  ScopedFont& operator=(const ScopedFont&) = delete;
  ~ScopedFont() { surface_.SelectFont(previous_); }

 private:
  DrawingSurface& surface_;
  Font previous_;
};

// Keeps the background colour of the scope's start and puts it back at its
// end, whatever the scope sets (FillSolidRect makes its colour the
// background colour); the second form also sets `color` for the scope.
class ScopedBkColor {
 public:
  explicit ScopedBkColor(DrawingSurface& surface) noexcept
      : surface_(surface), previous_(surface.GetBkColor()) {}
  ScopedBkColor(DrawingSurface& surface, COLORREF color) noexcept
      : surface_(surface), previous_(surface.SetBkColor(color)) {}
  ScopedBkColor(const ScopedBkColor&) = delete;
  ScopedBkColor& operator=(const ScopedBkColor&) = delete;
  ~ScopedBkColor() { surface_.SetBkColor(previous_); }

 private:
  DrawingSurface& surface_;
  COLORREF previous_;
};

// Brush and 1-pixel pen of one colour: a shape without a dark outline.
class FaceColor {
 public:
  FaceColor(DrawingSurface& surface, COLORREF color) noexcept
      : brush_(surface, Brush{color}), pen_(surface, Pen{1, color}) {}

 private:
  ScopedBrush brush_;
  ScopedPen pen_;
};

}  // namespace tessaloom
