// The value-axis scale a Draw method asks the chart for, from the smallest
// and largest value: round outward to tens and split into ten steps.
// Stateless functions and a value type; any thread.
#pragma once

#include <cstdint>

namespace tessaloom {

struct ScaleLimits {
  std::int32_t low = 0;
  std::int32_t high = 0;
  std::int32_t step = 0;
  friend constexpr bool operator==(const ScaleLimits&, const ScaleLimits&) = default;
};

// The truncated smallest and largest values (or 0 and a total).
// Computed wide and saturated, so extreme values cannot overflow.
ScaleLimits ComputeScaleLimits(std::int32_t smallest, std::int32_t largest) noexcept;

// The values a chart draws, gathered one by one, and the limits of an axis
// that covers them all. Values count truncated toward zero, except a value
// under one unit from zero, which truncation would put on the wrong side of
// an axis ending at 0: it counts as -1 or 1 when that end needs it.
class ValueRange {
 public:
  void Add(float value) noexcept;
  [[nodiscard]] ScaleLimits Limits() const noexcept;

 private:
  std::int32_t smallest_ = 0;  // truncated toward zero
  std::int32_t largest_ = 0;
  bool empty_ = true;
  bool negative_ = false;  // some value below 0
  bool positive_ = false;  // some value above 0
};

}  // namespace tessaloom
