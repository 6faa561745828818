// Figures and helpers that the frame, the axes and the drawers share: the
// value axis's far-end margin, the value scale, the zero line's offset,
// saturating pixel points and texts cut to a width. Private to chart/.
// Stateless.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "draw/drawing_surface.h"
#include "platform/numbers.h"
#include "platform/text.h"

namespace tessaloom::layout {

// Pixels left free at the far end of a flat value axis.
inline constexpr std::int64_t kValueAxisMargin = 10;

// The legend and the category labels of horizontal charts each take at most
// this share of the canvas width (1 / kTextShare); longer texts are cut.
inline constexpr std::int64_t kTextShare = 3;

// Category labels of horizontal charts ask for a fixed-pitch roman font and
// end at least this many pixels left of the value axis.
inline constexpr std::uint8_t kFixedPitchRoman = 17;
inline constexpr std::int64_t kCategoryLabelGap = 5;

// Ends a cut text.
inline constexpr char kEllipsis[] = "\u2026";

// Axes

// Tick labels and axis titles, in pixels. Where the axes estimate a text's
// width, a character is the font's height over kFontHeightPerCharWidth wide;
// category labels under a horizontal axis take kCategoryCharWidth instead.
// Value labels left of a vertical axis end kValueLabelEnd short of it, their
// top kValueLabelRise above the tick so that the digits stand level with it;
// labels under a horizontal axis start kLabelDrop below it.
inline constexpr std::int64_t kFontHeightPerCharWidth = 2;
inline constexpr std::int64_t kCategoryCharWidth = 8;
inline constexpr std::int64_t kValueLabelEnd = 10;
inline constexpr std::int64_t kValueLabelRise = 6;
inline constexpr std::int64_t kLabelDrop = 8;

// The scale of a value axis: `units` value units span `pixels` pixels.
// Lengths multiply before they divide, so a value on a tick lands on that
// tick exactly (pixels / units rounds: 24 / 7 x 7 is just under 24).
struct AxisScale {
  double pixels = 0.0;
  double units = 1.0;
  // Pixels spanned by `distance` value units, before truncation.
  [[nodiscard]] double operator()(double distance) const noexcept {
    return distance * pixels / units;
  }
};

// The scale of a value axis of `extent` pixels showing minTick..maxTick,
// whose ticks stand tickValueStep units and extent / tickCount whole pixels
// apart: a value stands where the ticks say (the last tick may fall up to
// tickCount - 1 pixels short of `extent`). Without ticks (tickCount or
// tickValueStep below 1) the whole extent shows the range; an empty range
// has no scale, every value lying at the start.
inline AxisScale ValueScale(std::int64_t extent, std::int32_t minTick, std::int32_t maxTick,
                            std::int32_t tickCount, std::int32_t tickValueStep) noexcept {
  const std::int64_t range = std::int64_t{maxTick} - minTick;
  if (range == 0) return {};
  if (tickCount < 1 || tickValueStep < 1) {
    return {static_cast<double>(extent), static_cast<double>(range)};
  }
  return {static_cast<double>(extent / tickCount), static_cast<double>(tickValueStep)};
}

// Distance in pixels from the middle of the ticks of a vertical value axis
// (with its margin) down to the value 0. An empty range has no offset.
inline std::int32_t ZeroOffset(std::int32_t minTick, std::int32_t maxTick, std::int32_t tickCount,
                               std::int32_t tickValueStep, std::int32_t plotHeight) noexcept {
  const std::int64_t range = std::int64_t{maxTick} - minTick;
  const AxisScale scale = ValueScale(std::int64_t{plotHeight} - kValueAxisMargin, minTick, maxTick,
                                     tickCount, tickValueStep);
  return TruncateToInt32(scale(static_cast<double>(range / 2 + minTick)));
}

// A pixel point; coordinates beyond 32 bits saturate (the surface clips).
inline Point PointAt(std::int64_t x, std::int64_t y) noexcept {
  return Point{SaturateToInt32(x), SaturateToInt32(y)};
}

// `text` as it fits in `width` pixels in the surface's current font: whole
// when it fits, else its longest prefix (trailing spaces dropped) that fits
// with an ellipsis after it, or nothing when not even the ellipsis fits.
// Only the first `width` + 1 code points are measured, so a 10 kB text costs
// what a short one does; a text of more code points than `width` is cut
// (only zero-width marks could have let it fit).
inline std::string FitText(DrawingSurface& surface, std::string_view text, std::int64_t width) {
  const std::int64_t most = std::max<std::int64_t>(width, 0) + 1;
  std::vector<std::size_t> ends;  // byte end of each code point measured
  for (std::size_t at = 0; at < text.size() && std::ssize(ends) < most;) {
    char32_t codePoint = 0;
    at += DecodeCodePoint(text, at, codePoint);
    ends.push_back(at);
  }
  if (ends.empty() || (ends.back() == text.size() && surface.GetTextExtent(text) <= width)) {
    return std::string(text);
  }
  // The longest prefix of k code points that fits with the ellipsis.
  const auto cut = [&](std::size_t k) {
    std::string_view prefix = text.substr(0, k == 0 ? 0 : ends[k - 1]);
    while (!prefix.empty() && prefix.back() == ' ') prefix.remove_suffix(1);
    return std::string(prefix) + kEllipsis;
  };
  std::size_t low = 0;
  std::size_t high = ends.size();  // a prefix of `high` code points does not fit
  if (surface.GetTextExtent(kEllipsis) > width) return std::string();
  while (high - low > 1) {
    const std::size_t middle = low + (high - low) / 2;
    if (surface.GetTextExtent(cut(middle)) <= width) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return cut(low);
}

// Pies, legend and box-whisker

// The frame's 1-pixel border round the canvas; the labels stay inside it.
inline constexpr std::int64_t kCanvasBorder = 1;

// Font height for a text of `length` characters in `limit` pixels: start at
// `start` and step down by kFontSizeStep until length characters of
// size / kFontHeightPerCharWidth fit. The size stops at 0, which asks for
// the default height: with a negative limit (a canvas narrower than 5
// pixels) no size would fit.
inline constexpr std::int32_t kFontSizeStep = 2;
inline std::int32_t FittingFontSize(std::int32_t start, std::int64_t length,
                                    std::int64_t limit) noexcept {
  std::int32_t size = start;
  if ((size / kFontHeightPerCharWidth) * length > limit) {
    do {
      size -= kFontSizeStep;
    } while (size > 0 && (size / kFontHeightPerCharWidth) * length > limit);
  }
  return size;
}

// The axis titles' font starts at this height. Both titles share one size:
// the one on the longer side (the Y-axis title against the height on a wide
// canvas, otherwise the X-axis title against the width) must fit. The frame
// keeps the rotated title's band by it.
inline constexpr std::int32_t kAxisTitleFontStart = 16;
inline std::int32_t AxisTitleFontSize(std::int32_t canvasWidth, std::int32_t canvasHeight,
                                      std::string_view xAxisLabel,
                                      std::string_view yAxisLabel) noexcept {
  const bool wide = canvasWidth > canvasHeight;
  return FittingFontSize(kAxisTitleFontStart, CodePointLength(wide ? yAxisLabel : xAxisLabel),
                         wide ? canvasHeight : canvasWidth);
}

}  // namespace tessaloom::layout
