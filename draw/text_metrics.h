// The font metrics the chart layout depends on, computed from the fonts'
// published figures rather than from whatever font file is installed, so a
// chart's geometry is the same on every machine. Pure functions; any thread.
#pragma once

#include <cstdint>

#include "draw/drawing_surface.h"

namespace tessaloom {

// A scalable face's published figures, in font units.
struct FaceFigures {
  std::int32_t unitsPerEm = 0;
  std::int32_t winAscent = 0;   // OS/2 usWinAscent
  std::int32_t winDescent = 0;  // OS/2 usWinDescent
  std::int32_t xAvgCharWidth = 0;
  std::int32_t advanceWidthMax = 0;  // hhea
};

// Times New Roman Bold. 874 is its OS/2 average (the weighted a-z and space
// average of its advances). 2306 is the advanceWidthMax of Liberation Serif
// Bold, which shares Times New Roman's advance widths.
inline constexpr FaceFigures kTimesNewRomanBoldFigures{2048, 1825, 443, 874, 2306};

// Inter, the modern themes' face (its semibold has the same figures but an
// average of 1849; the semibold cell is laid out with these).
inline constexpr FaceFigures kSansFigures{2816, 2728, 680, 1838, 7552};

// The raster System font (cell 16, ascent 13, average 7, widest 15), as the
// face that serves it (Wine's vgasys.fon) states its figures.
inline constexpr TextMetrics kSystemFontMetrics{16, 13, 3, 7, 15};

// Tallest cell drawn; taller requests get this height, so no arithmetic on
// a font's size can overflow and no glyph bitmap grows without bound.
inline constexpr std::int32_t kMaxFontHeight = 2048;

// The cell height a chart font of `height` gets: kDefaultFontHeight for 0 or
// less, at most kMaxFontHeight.
std::int32_t EffectiveCellHeight(std::int32_t height) noexcept;

// Pixels per em for a cell of `cellHeight` pixels (clamped to
// [1, kMaxFontHeight]): the rounded cell-to-em scale, lowered while the
// rounded ascent plus the rounded descent would exceed the cell. At least 1.
std::int32_t CellPixelsPerEm(std::int32_t cellHeight, const FaceFigures& figures) noexcept;

// Metrics of a face with `figures` at cell height `cellHeight` (clamped to
// [1, kMaxFontHeight]): the cell split between ascent and descent in the
// face's proportion, the average (at least 1) and widest advance at the
// pixels-per-em above.
TextMetrics ScalableTextMetrics(std::int32_t cellHeight, const FaceFigures& figures) noexcept;

// Metrics of `font`: for the chart font, those of Times New Roman bold at
// that cell height (a height of 0 or less means the default height), for
// the sans faces those of kSansFigures; for the System font, its fixed figures. Escapement and
// pitch do not matter.
TextMetrics StandardTextMetrics(const Font& font) noexcept;

}  // namespace tessaloom
