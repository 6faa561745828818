#include "component/scale.h"

#include <algorithm>

#include "platform/numbers.h"

namespace tessaloom {

ScaleLimits ComputeScaleLimits(std::int32_t smallest, std::int32_t largest) noexcept {
  const std::int64_t lo = smallest;
  const std::int64_t hi = largest;
  std::int64_t low = 0;
  if (lo % 10 == 0) {
    // A minimum of exactly 10 still starts the axis at 0.
    low = (lo == 0 || lo == 10) ? 0 : lo - 10;
  } else {
    low = (lo / 10) * 10 - (lo < 0 ? 10 : 0);
  }
  std::int64_t high = 0;
  if (hi % 10 == 0) {
    high = hi == 0 ? 0 : hi + 10;
  } else {
    high = (hi / 10) * 10 + 10;
  }
  ScaleLimits limits;
  limits.low = SaturateToInt32(low);
  limits.high = SaturateToInt32(high);
  limits.step = SaturateToInt32((std::int64_t{limits.high} - limits.low) / 10);
  return limits;
}

void ValueRange::Add(float value) noexcept {
  const std::int32_t whole = TruncateToInt32(static_cast<double>(value));
  smallest_ = empty_ ? whole : std::min(smallest_, whole);
  largest_ = empty_ ? whole : std::max(largest_, whole);
  empty_ = false;
  negative_ |= value < 0.0f;
  positive_ |= value > 0.0f;
}

ScaleLimits ValueRange::Limits() const noexcept {
  // -0.5 alone would start the axis at 0; 0.5 beside negative values would
  // end it at 0. (Without negative values an axis of 0..0 becomes 0..1, which
  // covers a value under 1 already.)
  const std::int32_t smallest = smallest_ == 0 && negative_ ? -1 : smallest_;
  const std::int32_t largest = largest_ == 0 && positive_ && smallest < 0 ? 1 : largest_;
  return ComputeScaleLimits(smallest, largest);
}

}  // namespace tessaloom
