// Conversions from floating point to pixel and scale integers. They never
// invoke undefined behaviour: values truncate toward zero, saturate at the
// 32-bit limits, and NaN becomes 0.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tessaloom {

constexpr std::int32_t SaturateToInt32(std::int64_t value) noexcept {
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

inline std::int32_t TruncateToInt32(double value) noexcept {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

}  // namespace tessaloom
