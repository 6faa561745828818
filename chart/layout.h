// Figures and helpers that the frame, the axes and the drawers share: the
// value axis's far-end margin, the value scale, the zero line's offset and
// saturating pixel points. Private to chart/. Stateless.
#pragma once

#include <cstdint>

#include "draw/drawing_surface.h"
#include "platform/numbers.h"

namespace tessaloom::layout {

// Pixels left free at the far end of a flat value axis.
inline constexpr std::int64_t kValueAxisMargin = 10;

// Pixels per value unit when `extent` pixels show minTick..maxTick. An empty
// range has no scale: every value then lies at the start of the axis.
inline double ValueScale(std::int64_t extent, std::int32_t minTick, std::int32_t maxTick) noexcept {
  const std::int64_t range = std::int64_t{maxTick} - minTick;
  if (range == 0) return 0.0;
  return static_cast<double>(extent) / static_cast<double>(range);
}

// Distance in pixels from the middle of the plot height down to the value 0
// on a vertical value axis (with its margin), in single precision as the
// origin is placed. An empty range has no offset.
inline std::int32_t ZeroOffset(std::int32_t minTick, std::int32_t maxTick,
                               std::int32_t plotHeight) noexcept {
  const std::int64_t range = std::int64_t{maxTick} - minTick;
  if (range == 0) return 0;
  const auto middle = static_cast<float>(range / 2 + minTick);
  const auto scale =
      static_cast<float>(ValueScale(std::int64_t{plotHeight} - kValueAxisMargin, minTick, maxTick));
  return TruncateToInt32(static_cast<double>(middle * scale));
}

// A pixel point; coordinates beyond 32 bits saturate (the surface clips).
inline Point PointAt(std::int64_t x, std::int64_t y) noexcept {
  return Point{SaturateToInt32(x), SaturateToInt32(y)};
}

}  // namespace tessaloom::layout
