// Small pieces the flat axes and the 3D box frame share: the title font
// size, tick-label text, saturating lines and texts, and the two axis
// titles, the tick labels of one axis. Private to chart/axes.cpp and
// chart/axes_3d.cpp. Any thread, as long as the surface is used by one
// thread at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "chart/layout.h"
#include "draw/drawing_surface.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace tessaloom::axes {

// Every text the axes write is black.
inline constexpr COLORREF kAxisTextColor = 0x000000;
// The pen of the flat axis lines, the value-tick diagonals and the grid lines.
inline constexpr Pen kAxisPen{2, 0x000000};
inline constexpr Pen kGridPen{1, 0x000000};

// Length in code points, as every label-placement formula counts it.
inline std::int64_t TextLength(std::string_view text) noexcept { return CodePointLength(text); }

// Height of both axis-title fonts. Starts at 16; the label on the longer
// side (the Y-axis label against the height on a wide canvas, otherwise the
// X-axis label against the width) must fit at half the size per character,
// so the size drops by 2 until it does. The size stops at 0, which asks for
// the default height: with a negative limit (a canvas narrower than 5
// pixels) no size would fit, and an empty label would never stop the loop.
inline std::int32_t TitleFontSize(std::int32_t canvasWidth, std::int32_t canvasHeight,
                                  std::string_view xAxisLabel,
                                  std::string_view yAxisLabel) noexcept {
  const bool wide = canvasWidth > canvasHeight;
  const std::int64_t length = TextLength(wide ? yAxisLabel : xAxisLabel);
  const std::int64_t limit = wide ? canvasHeight : canvasWidth;
  std::int32_t size = 16;
  if (8 * length > limit) {
    do {
      size -= 2;
    } while (size > 0 && (size / 2) * length > limit);
  }
  return size;
}

// The "%d" text of a tick value; values beyond 32 bits saturate.
inline std::string ValueText(std::int64_t value) {
  char digits[16];
  const int length = std::snprintf(digits, sizeof digits, "%d", SaturateToInt32(value));
  return std::string(digits, static_cast<std::size_t>(length));
}

inline void MoveTo(DrawingSurface& surface, std::int64_t x, std::int64_t y) {
  surface.MoveTo(SaturateToInt32(x), SaturateToInt32(y));
}

inline void LineTo(DrawingSurface& surface, std::int64_t x, std::int64_t y) {
  surface.LineTo(SaturateToInt32(x), SaturateToInt32(y));
}

inline void Line(DrawingSurface& surface, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                 std::int64_t y1) {
  MoveTo(surface, x0, y0);
  LineTo(surface, x1, y1);
}

// A line with a 1-pixel black pen selected for it alone.
inline void GridLine(DrawingSurface& surface, std::int64_t x0, std::int64_t y0, std::int64_t x1,
                     std::int64_t y1) {
  const ScopedPen grid(surface, kGridPen);
  Line(surface, x0, y0, x1, y1);
}

inline void Text(DrawingSurface& surface, std::int64_t x, std::int64_t y, std::string_view text) {
  surface.TextOut(SaturateToInt32(x), SaturateToInt32(y), text);
}

// Pixels kept clear between tick labels side by side along an axis; labels
// stacked up an axis only must not overlap (their cells have the font's
// leading).
inline constexpr std::int64_t kTickLabelGap = 4;

// The tick labels of one axis. A label whose cell would come too near a
// label already drawn on the axis is left out (its tick stays), so a crowded
// axis shows every other or every third label instead of text over text; an
// axis whose labels have room draws them all.
class TickLabels {
 public:
  // `across`: the labels stand side by side along a horizontal axis and
  // their cells span their widths; otherwise they are stacked up a vertical
  // axis and their cells span the font's height.
  explicit TickLabels(bool across) : across_(across), gap_(across ? kTickLabelGap : 0) {}

  // Takes the cell [begin, end) on the axis when it is clear; false when it
  // is not (nothing is taken).
  bool Take(std::int64_t begin, std::int64_t end) {
    for (const Cell& c : taken_) {
      if (begin < c.end + gap_ && c.begin < end + gap_) return false;
    }
    taken_.push_back({begin, end});
    return true;
  }

  // Draws `text` at (x, y) in the current font when its cell is clear.
  void Draw(DrawingSurface& surface, std::int64_t x, std::int64_t y, std::string_view text) {
    const std::int64_t begin = across_ ? x : y;
    const std::int64_t extent =
        across_ ? surface.GetTextExtent(text) : surface.GetTextMetrics().height;
    if (Take(begin, begin + extent)) Text(surface, x, y, text);
  }

  // The same in `font`, selected for it alone; a `width` of 0 or more cuts
  // the text to fit it (see layout::FitText).
  void Draw(DrawingSurface& surface, const Font& font, std::int64_t x, std::int64_t y,
            std::string_view text, std::int64_t width = -1) {
    const ScopedFont selected(surface, font);
    if (width < 0) {
      Draw(surface, x, y, text);
    } else {
      Draw(surface, x, y, layout::FitText(surface, text, width));
    }
  }

 private:
  struct Cell {
    std::int64_t begin, end;
  };
  bool across_;
  std::int64_t gap_;
  std::vector<Cell> taken_;
};

// What the titles leave behind: the font current before them and the
// metrics of the bottom-title font, which place the labels of horizontal
// charts.
struct TitleResult {
  Font entryFont;
  std::int32_t bottomHeight = 0;
  std::int32_t bottomAveCharWidth = 0;
};

// Writes the rotated title at x = 10, centred on `leftCentreY` by its
// estimated width, then the bottom title centred on `bottomCentreX` at
// `canvasHeight` - 20. The bottom-title font stays selected.
inline TitleResult DrawTitles(DrawingSurface& surface, std::int32_t size,
                              std::string_view leftTitle, std::int64_t leftCentreY,
                              std::string_view bottomTitle, std::int64_t bottomCentreX,
                              std::int32_t canvasHeight) {
  TitleResult result;
  result.entryFont = surface.SelectFont(Font::Chart(size, 900));
  const std::int64_t w1 = surface.GetTextMetrics().aveCharWidth;
  // Rotated text starts at its bottom end: half its width below the centre.
  Text(surface, 10, leftCentreY + TextLength(leftTitle) * w1 / 2, leftTitle);

  surface.SelectFont(Font::Chart(size));
  const TextMetrics bottom = surface.GetTextMetrics();
  result.bottomHeight = bottom.height;
  result.bottomAveCharWidth = bottom.aveCharWidth;
  Text(surface, bottomCentreX - (TextLength(bottomTitle) / 2) * bottom.aveCharWidth,
       std::int64_t{canvasHeight} - 20, bottomTitle);
  return result;
}

}  // namespace tessaloom::axes
