// The font metrics the chart layout depends on, computed from the fonts'
// published figures rather than from whatever font file is installed, so a
// chart's geometry is the same on every machine.
#pragma once

#include "chart/drawing_surface.h"

namespace tessaloom {

// Metrics of `font`: for the chart font, those of Times New Roman bold at
// that cell height (a height of 0 or less means the default height); for
// the System font, its fixed figures.
TextMetrics StandardTextMetrics(const Font& font) noexcept;

}  // namespace tessaloom
