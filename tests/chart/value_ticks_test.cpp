// Nice value-axis ticks as properties over many generated ranges, and the
// ranges a caller or the data can make degenerate.
#include "chart/value_ticks.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>

namespace tessaloom {
namespace {

std::string Describe(const ValueRange& r, const ValueTicks& t) {
  std::ostringstream out;
  out.precision(17);
  out << "data " << r.dataMin << ".." << r.dataMax << (r.includeZero ? " with zero" : "")
      << " fixed " << (r.fixedMin ? std::to_string(*r.fixedMin) : "-") << ".."
      << (r.fixedMax ? std::to_string(*r.fixedMax) : "-") << " -> axis " << t.low << ".." << t.high
      << " ticks " << t.first << " + " << t.count << " x " << t.step;
  return out.str();
}

// Every rule the axis keeps for `r`, whose values lie within the handled
// magnitudes and whose fixed ends, if both, are well apart.
testing::AssertionResult KeepsTheRules(const ValueRange& r) {
  const ValueTicks t = NiceValueTicks(r);
  const double tolerance = t.step * 1e-6;
  const double last = t.Tick(t.count - 1);
  const double mantissa = t.step / std::pow(10.0, std::floor(std::log10(t.step)));
  const bool nice = [&] {
    for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0})
      if (std::fabs(mantissa - m) < 1e-9 * m) return true;
    return false;
  }();
  const double dataLow = std::min(r.dataMin, r.dataMax), dataHigh = std::max(r.dataMin, r.dataMax);
  const char* broken = nullptr;
  if (!(std::isfinite(t.low) && std::isfinite(t.high) && t.low < t.high))
    broken = "axis";
  else if (!nice)
    broken = "nice step";
  else if (t.count < kMinValueTicks || t.count > kMaxValueTicks)
    broken = "tick count";
  else if (t.first < t.low - tolerance || last > t.high + tolerance)
    broken = "ticks inside";
  else if (t.first - t.step > t.low - tolerance || last + t.step < t.high + tolerance)
    broken = "ticks fill the axis";
  else if (!r.fixedMin && (t.low > dataLow || t.first > t.low + tolerance))
    broken = "low end";
  else if (!r.fixedMax && (t.high < dataHigh || last < t.high - tolerance))
    broken = "high end";
  else if (r.includeZero && !r.fixedMin && !r.fixedMax && (t.low > 0.0 || t.high < 0.0))
    broken = "zero";
  else if ((r.fixedMin && t.low != *r.fixedMin) || (r.fixedMax && t.high != *r.fixedMax))
    broken = "fixed end";
  if (broken == nullptr) return testing::AssertionSuccess();
  return testing::AssertionFailure() << broken << ": " << Describe(r, t);
}

TEST(ValueTicksTest, GeneratedRangesGetNiceCoveringTicks) {
  std::mt19937 random(26);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::uniform_int_distribution<int> power(-40, 40);
  std::uniform_int_distribution<int> pick(0, 7);
  for (int i = 0; i < 20000; ++i) {
    // Values of one magnitude, sometimes a narrow band far from zero.
    const double scale = std::pow(10.0, power(random));
    const double centre = pick(random) == 0 ? scale * 1000.0 * unit(random) : 0.0;
    ValueRange r;
    r.dataMin = centre + scale * unit(random);
    r.dataMax = pick(random) == 0 ? r.dataMin : centre + scale * unit(random);
    r.includeZero = pick(random) < 3;
    const double a = centre + scale * unit(random), b = centre + scale * unit(random);
    if (std::fabs(a - b) > scale * 1e-3) {
      switch (pick(random)) {
        case 0: r.fixedMin = std::min(a, b); break;
        case 1: r.fixedMax = std::max(a, b); break;
        case 2: r.fixedMin = std::min(a, b), r.fixedMax = std::max(a, b); break;
        default: break;
      }
    }
    ASSERT_TRUE(KeepsTheRules(r)) << "case " << i;
  }
}

TEST(ValueTicksTest, DegenerateAndExtremeRangesStillMakeAnAxis) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  // Each row: the range; low, high, first, step, count (count 0: rules only).
  constexpr ValueTicks kRulesOnly{0, 1, 0, 1, 0};
  const struct {
    ValueRange range;
    ValueTicks expected;
  } cases[] = {
      {{0, 100}, {0, 100, 0, 20, 6}},
      {{0.08, 0.35}, {0.05, 0.35, 0.05, 0.05, 7}},
      {{-50, 120}, {-50, 125, -50, 25, 8}},
      {{50, 120, true}, {0, 120, 0, 20, 7}},                 // bars from zero
      {{120, 50, true}, {0, 120, 0, 20, 7}},                 // ends given high first
      {{7, 7}, {6.25, 7.75, 6.25, 0.25, 7}},                 // all equal: a tenth each way
      {{0, 0, true}, {0, 1, 0, 0.2, 6}},                     // all zero: 0..1
      {{-3, -3, true}, {-3, 0, -3, 0.5, 7}},                 // negatives to zero
      {{0, 50, false, 100.0}, {100, 110, 100, 2, 6}},        // fixed low above the data
      {{0, 50, false, {}, -10.0}, {-11, -10, -11, 0.2, 6}},  // fixed high below it
      {{0, 50, false, 5.0, 5.0}, {5, 5.5, 5, 0.1, 6}},       // equal fixed ends
      {{0, 50, false, 10.0, 0.0}, {0, 10, 0, 2, 6}},         // fixed ends swapped
      {{0, 1.3, false, 0.0, 1.3}, {0, 1.3, 0, 0.2, 7}},      // ticks inside fixed ends
      {{1e9, 1e9 + 1e-3}, {9e8, 1.1e9, 9e8, 5e7, 5}},        // below float precision
      {{-DBL_MAX, DBL_MAX}, kRulesOnly},
      {{DBL_MAX, DBL_MAX}, kRulesOnly},
      {{-kInf, kNaN, true}, kRulesOnly},
      {{4.9e-324, 1e-310}, {0, 1, 0, 0.2, 6}},  // denormals read as zero
      {{-1e-30, 3e-30}, kRulesOnly},
      {{static_cast<double>(FLT_MAX), -static_cast<double>(FLT_MAX)}, kRulesOnly},
      {{static_cast<double>(FLT_MIN), 2 * static_cast<double>(FLT_MIN)}, kRulesOnly},
      {{1, 2, false, -kInf, kInf}, kRulesOnly},
  };
  for (const auto& c : cases) {
    const ValueTicks t = NiceValueTicks(c.range);
    const std::string got = Describe(c.range, t);
    EXPECT_TRUE(std::isfinite(t.low) && std::isfinite(t.high) && t.low < t.high) << got;
    EXPECT_TRUE(t.count >= kMinValueTicks && t.count <= kMaxValueTicks) << got;
    if (c.expected.count == 0) continue;
    const double tolerance = c.expected.step * 1e-9;
    EXPECT_NEAR(t.low, c.expected.low, tolerance) << got;
    EXPECT_NEAR(t.high, c.expected.high, tolerance) << got;
    EXPECT_NEAR(t.first, c.expected.first, tolerance) << got;
    EXPECT_NEAR(t.step, c.expected.step, tolerance) << got;
    EXPECT_EQ(t.count, c.expected.count) << got;
  }
}

}  // namespace
}  // namespace tessaloom
