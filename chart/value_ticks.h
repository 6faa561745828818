// Nice ticks for a value axis: from the data's range, whether zero must show
// and the caller's fixed ends, the axis's two ends and its ticks at steps of
// 1, 2, 2.5 or 5 x 10^n. Pure and stateless; any thread.
#pragma once

#include <cstdint>
#include <optional>

namespace tessaloom {

// What a value axis must show, in value units. The data's ends may come in
// either order. A fixed end is the axis's end as given; data beyond it is the
// drawer's to clip.
struct ValueRange {
  double dataMin = 0.0;
  double dataMax = 0.0;
  bool includeZero = false;  // bar charts: bars grow from zero
  std::optional<double> fixedMin{};
  std::optional<double> fixedMax{};
};

// A value axis from `low` to `high` (low < high, both finite) with `count`
// ticks at first + i * step, i in [0, count), all within [low, high] up to a
// millionth of a step. An automatic end is the outermost tick, so the ticks
// cover the data; a fixed end may lie between ticks.
struct ValueTicks {
  double low = 0.0;
  double high = 1.0;
  double first = 0.0;
  double step = 1.0;  // 1, 2, 2.5 or 5 x 10^n
  std::int32_t count = 2;
  [[nodiscard]] double Tick(std::int32_t index) const noexcept { return first + index * step; }
};

// The ticks never number fewer or more than these: about five intervals, the
// density the eye reads at a glance without the labels crowding.
inline constexpr std::int32_t kMinValueTicks = 4;
inline constexpr std::int32_t kMaxValueTicks = 8;

// Magnitudes the ticks handle, in value units: larger ones (and infinities)
// are clamped to kValueLimit, smaller ones (and NaN) read as zero. The limit
// leaves room for the ticks and a tenth's padding beyond it in a double.
inline constexpr double kValueLimit = 1e300;
inline constexpr double kValueFloor = 1e-290;

// The axis for `range`: the smallest nice step that gives at most
// kMaxValueTicks ticks, which always gives at least kMinValueTicks. A range
// narrower than kNarrowRange of its magnitude (a single value, all values
// equal, a fixed end beyond the data) widens by a tenth of its magnitude (by 1
// at zero) on its automatic sides, the high side when both are fixed; fixed
// ends given high before low swap.
[[nodiscard]] ValueTicks NiceValueTicks(const ValueRange& range) noexcept;

// Below float precision, which the chart data has: differences this small
// relative to the values are noise, not a range to spread ticks over.
inline constexpr double kNarrowRange = 1e-7;

}  // namespace tessaloom
