// What every modern-theme drawer shares: the theme's colours, its text cells
// and the box a placed text takes, so that pies, bars and the rest read as one
// family and keep their texts apart by the same rule.
#pragma once

#include <cstdint>

#include "chart/graph.h"

namespace tessaloom::modern {

// The colours of a theme. Greys are the same in any byte order.
struct ThemeColors {
  COLORREF background;
  COLORREF title;  // the title, legend texts and value labels
  COLORREF text;   // ticks, categories and axis titles
  COLORREF grid;
  COLORREF axis;  // the base line (zero, or the axis end nearest it)
};
inline constexpr ThemeColors kLightColors{0xFFFFFF, 0x333333, 0x666666, 0xE5E5E5, 0x8C8C8C};
inline constexpr ThemeColors kDarkColors{0x1E1E1E, 0xEDEDED, 0xB0B0B0, 0x3C3C3C, 0x8C8C8C};

[[nodiscard]] inline const ThemeColors& ColorsOf(Theme theme) noexcept {
  return theme == Theme::kDark ? kDarkColors : kLightColors;
}

// Text cells in pixels: a 17 px semibold title, 12 px labels (Inter's cell
// is 1.21 em).
inline constexpr std::int32_t kTitleCell = 20;
inline constexpr std::int32_t kLabelCell = 15;

inline constexpr std::int64_t kMargin = 12;    // canvas edge to anything drawn
inline constexpr std::int64_t kTitleGap = 10;  // title to the legend or plot

// A legend item: a swatch, then its text; items in rows.
inline constexpr std::int64_t kSwatchSide = 10;     // a colour square
inline constexpr std::int64_t kSwatchGap = 6;       // swatch to its text
inline constexpr std::int64_t kLegendItemGap = 16;  // between items in a row
inline constexpr std::int64_t kLegendRowGap = 4;    // between rows

inline constexpr char kNoRoom[] = "The image is too small for the chart";

// The box a drawn text takes, in pixels, right and bottom exclusive.
struct TextBox {
  std::int64_t l = 0, t = 0, r = 0, b = 0;
  [[nodiscard]] bool Meets(const TextBox& o) const noexcept {
    return l < o.r && o.l < r && t < o.b && o.t < b;
  }
};

}  // namespace tessaloom::modern
