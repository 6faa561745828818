// Nice value-axis ticks. The step is the smallest of 1, 2, 2.5 and 5 x 10^n,
// counting up from about an eighth of the range, that needs no more than
// kMaxValueTicks ticks. Steps at most double from one to the next, which is
// what guarantees kMinValueTicks: the step before had nine ticks or more.
#include "chart/value_ticks.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tessaloom {
namespace {

// Nice steps within one power of ten.
constexpr double kNiceMultiples[] = {1.0, 2.0, 2.5, 5.0};
// Candidates tried at most: the search ends within a power of ten and a bit,
// so this bound is never reached; it only makes the loop's end evident.
constexpr int kMaxCandidates = 12;
// A quotient this close to a whole number (in steps) is that number: 0.6 /
// 0.2 is 2.9999999999999996 and must not add a tick below 0.6.
constexpr double kSnap = 1e-6;
// A range too narrow to tick widens by this share of its magnitude per side.
constexpr double kWidenShare = 0.1;

double Bounded(double value) noexcept {
  if (std::isnan(value) || std::fabs(value) < kValueFloor) return 0.0;
  return std::clamp(value, -kValueLimit, kValueLimit);
}

// m x 10^exponent, dividing for negative exponents so that 0.2 is the double
// nearest 0.2 rather than 2 x (the double nearest 0.1).
double NiceStep(int exponent, double multiple) noexcept {
  return exponent < 0 ? multiple / std::pow(10.0, -exponent) : multiple * std::pow(10.0, exponent);
}

// `quotient` rounded up or down to a whole number of steps, a near-whole one
// to that whole number. |quotient| stays below about 1e9 (range at least
// kNarrowRange of the magnitude, step at least a 80th of the range).
std::int64_t WholeSteps(double quotient, bool up) noexcept {
  const double nearest = std::round(quotient);
  if (std::fabs(quotient - nearest) < kSnap) return static_cast<std::int64_t>(nearest);
  return static_cast<std::int64_t>(up ? std::ceil(quotient) : std::floor(quotient));
}

}  // namespace

ValueTicks NiceValueTicks(const ValueRange& range) noexcept {
  double low = Bounded(range.dataMin);
  double high = Bounded(range.dataMax);
  if (low > high) std::swap(low, high);
  if (range.includeZero) {
    low = std::min(low, 0.0);
    high = std::max(high, 0.0);
  }
  const bool lowFixed = range.fixedMin.has_value();
  const bool highFixed = range.fixedMax.has_value();
  if (lowFixed) low = Bounded(*range.fixedMin);
  if (highFixed) high = Bounded(*range.fixedMax);
  if (lowFixed && highFixed) {
    if (low > high) std::swap(low, high);
  } else if (low > high) {
    // A fixed end beyond all the data: the free end meets it, then widens.
    if (lowFixed) {
      high = low;
    } else {
      low = high;
    }
  }

  const double magnitude = std::max(std::fabs(low), std::fabs(high));
  if (high - low <= magnitude * kNarrowRange) {
    const double pad = magnitude > 0.0 ? magnitude * kWidenShare : 1.0;
    if (!highFixed && !lowFixed && magnitude > 0.0) {
      low -= pad;
      high += pad;
    } else if (!lowFixed && highFixed) {
      low -= pad;
    } else {
      high += pad;  // all zero (zero at the base), or both ends fixed
    }
  }

  const double span = high - low;
  int exponent = static_cast<int>(std::floor(std::log10(span / kMaxValueTicks)));
  ValueTicks ticks;
  for (int candidate = 0; candidate < kMaxCandidates; ++candidate) {
    const int index = candidate % 4;
    if (candidate > 0 && index == 0) ++exponent;
    const double step = NiceStep(exponent, kNiceMultiples[index]);
    // A fixed end keeps its ticks inside; a free end moves out to a tick.
    const std::int64_t lowSteps = WholeSteps(low / step, lowFixed);
    const std::int64_t highSteps = WholeSteps(high / step, !highFixed);
    const std::int64_t count = highSteps - lowSteps + 1;
    ticks.first = static_cast<double>(lowSteps) * step;
    ticks.step = step;
    ticks.count = static_cast<std::int32_t>(std::clamp<std::int64_t>(count, 1, kMaxValueTicks));
    ticks.low = lowFixed ? low : std::min(low, ticks.first);
    ticks.high = highFixed ? high : std::max(high, static_cast<double>(highSteps) * step);
    if (count <= kMaxValueTicks) break;
  }
  return ticks;
}

}  // namespace tessaloom
