// The value-axis scale a Draw method asks the chart for, from the smallest
// and largest value: round outward to tens and split into ten steps.
#pragma once

#include <cstdint>

namespace tessaloom {

struct ScaleLimits {
  std::int32_t low = 0;
  std::int32_t high = 0;
  std::int32_t step = 0;
  friend constexpr bool operator==(const ScaleLimits&, const ScaleLimits&) = default;
};

// m and M are the truncated smallest and largest values (or 0 and a total).
// Computed wide and saturated, so extreme values cannot overflow.
ScaleLimits ComputeScaleLimits(std::int32_t m, std::int32_t M) noexcept;

}  // namespace tessaloom
