#include "component/scale.h"

#include "platform/numbers.h"

namespace tessaloom {

ScaleLimits ComputeScaleLimits(std::int32_t m, std::int32_t M) noexcept {
  const std::int64_t lo = m;
  const std::int64_t hi = M;
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

}  // namespace tessaloom
