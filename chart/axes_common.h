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
#include "chart/value_format.h"
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

// The axis titles, in pixels (escapement in tenths of a degree).
inline constexpr std::int32_t kRunsUpward = 900;      // the left title's escapement
inline constexpr std::int64_t kSideTitleX = 10;       // the left title's x
inline constexpr std::int64_t kBottomTitleRise = 20;  // the bottom title's top above the bottom

// The "%d" text of a tick value; values beyond 32 bits saturate.
inline std::string ValueText(std::int64_t value) {
  char digits[16];
  const int length = std::snprintf(digits, sizeof digits, "%d", SaturateToInt32(value));
  return std::string(digits, static_cast<std::size_t>(length));
}

// A tick value's text: ValueText in the automatic format, else in `format`.
inline std::string TickText(const ValueFormat& format, std::int64_t value) {
  if (format.IsAutomatic()) return ValueText(value);
  return format.Format(static_cast<double>(SaturateToInt32(value)));
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

// The side of the plot an axis runs along. A position on an axis is one
// pixel coordinate: a y on the left axis, an x on the bottom one.
enum class Side { kLeft, kBottom };

// The x at which a value label ends kValueLabelEnd left of the axis at
// `axisX`, taking `digitWidth` pixels to a digit.
inline std::int64_t ValueLabelX(std::int64_t axisX, std::int64_t digitWidth,
                                std::string_view label) noexcept {
  return axisX - digitWidth * TextLength(label) - layout::kValueLabelEnd;
}

// The value ticks: count + 1 of them, `spacing` pixels apart, the first at
// the corner; their values run from `first` in steps of `valueStep`; with
// `gridLines` each has a grid line across the plot.
struct ValueTicks {
  std::int64_t count;
  std::int64_t spacing;
  std::int64_t first;
  std::int64_t valueStep;
  bool gridLines;
  const ValueFormat* format = nullptr;  // the labels' number format; null: "%d"

  [[nodiscard]] std::string Label(std::int64_t value) const {
    return format == nullptr ? ValueText(value) : TickText(*format, value);
  }
};

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
    for (const Cell& cell : taken_) {
      if (begin < cell.end + gap_ && cell.begin < end + gap_) return false;
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

// Where the tick labels of one axis stand, and in which font.
struct LabelPlacement {
  Font font;
  std::int64_t axisX = 0;       // the left axis's x
  std::int64_t charWidth = 0;   // left: a value label's digit; bottom: a label's character
  std::int64_t top = 0;         // bottom: the labels' top row
  std::int64_t room = 0;        // left: the category labels' width; they are cut to it
  std::int64_t cellHeight = 0;  // left: the category labels' cell, centred on the tick
};

// The tick labels of the axis along `side`, drawn where their placement
// says; a label that would crowd one drawn before is left out (see
// TickLabels). Under the bottom axis every label stands centred on its tick
// by the estimate of charWidth pixels a character.
class AxisLabels {
 public:
  AxisLabels(Side side, const LabelPlacement& placement)
      : side_(side), placement_(placement), taken_(side == Side::kBottom) {}

  // Left of the left axis a value label ends kValueLabelEnd short of it by
  // the estimate of charWidth pixels a digit, its digits level with the tick.
  void Value(DrawingSurface& surface, std::int64_t position, std::string_view text) {
    if (side_ == Side::kLeft) {
      taken_.Draw(surface, placement_.font,
                  ValueLabelX(placement_.axisX, placement_.charWidth, text),
                  position - layout::kValueLabelRise, text);
    } else {
      Centred(surface, position, text);
    }
  }

  // Left of the left axis a category label starts kCategoryLabelGap beyond
  // its room.
  void Category(DrawingSurface& surface, std::int64_t position, std::string_view text) {
    if (side_ == Side::kLeft) {
      taken_.Draw(surface, placement_.font,
                  placement_.axisX - placement_.room - layout::kCategoryLabelGap,
                  position - placement_.cellHeight / 2, text, placement_.room);
    } else {
      Centred(surface, position, text);
    }
  }

 private:
  void Centred(DrawingSurface& surface, std::int64_t position, std::string_view text) {
    taken_.Draw(surface, placement_.font, position - (placement_.charWidth * TextLength(text)) / 2,
                placement_.top, text);
  }

  Side side_;
  LabelPlacement placement_;
  TickLabels taken_;
};

// What the titles leave behind: the font current before them and the
// metrics of the bottom-title font, which place the labels of horizontal
// charts.
struct TitleResult {
  Font entryFont;
  std::int32_t bottomHeight = 0;
  std::int32_t bottomAveCharWidth = 0;
};

// Writes the rotated title at kSideTitleX, centred on `leftCentreY` by its
// estimated width, then the bottom title centred on `bottomCentreX`,
// kBottomTitleRise above `canvasHeight`. The bottom-title font stays selected.
inline TitleResult DrawTitles(DrawingSurface& surface, std::int32_t size,
                              std::string_view leftTitle, std::int64_t leftCentreY,
                              std::string_view bottomTitle, std::int64_t bottomCentreX,
                              std::int32_t canvasHeight) {
  TitleResult result;
  result.entryFont = surface.SelectFont(Font::Chart(size, kRunsUpward));
  const std::int64_t sideCharWidth = surface.GetTextMetrics().aveCharWidth;
  // Rotated text starts at its bottom end: half its width below the centre.
  Text(surface, kSideTitleX, leftCentreY + TextLength(leftTitle) * sideCharWidth / 2, leftTitle);

  surface.SelectFont(Font::Chart(size));
  const TextMetrics bottom = surface.GetTextMetrics();
  result.bottomHeight = bottom.height;
  result.bottomAveCharWidth = bottom.aveCharWidth;
  Text(surface, bottomCentreX - (TextLength(bottomTitle) / 2) * bottom.aveCharWidth,
       std::int64_t{canvasHeight} - kBottomTitleRise, bottomTitle);
  return result;
}

}  // namespace tessaloom::axes
