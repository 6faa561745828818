// Format codes, what they refuse and why, and the automatic tick labels.
#include "chart/value_format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

namespace tessaloom {
namespace {

TEST(ValueFormatTest, CodesWriteNumbersAsSpreadsheetsDo) {
  const struct {
    const char* code;
    double value;
    std::string text;
  } cases[] = {
      {"#,##0", 1234567.891, "1,234,568"},
      {"#,##0", -999.5, "-1,000"},  // ties away from zero
      {"#,##0", -0.4, "0"},         // rounded to zero: no sign
      {"#,##0", 123, "123"},        // no separator under a thousand
      {"0", 2.5, "3"},
      {"0.00", 1.005, "1.01"},  // 15 digits, not the double's 1.00499...
      {"0.00", 0.1 + 0.2, "0.30"},
      {"#,##0.0", 1e21, "1,000,000,000,000,000,000,000.0"},
      {"0.0#", 3.14159, "3.14"},
      {"0.0#", 3, "3.0"},
      {"#.##", 0.5, ".5"},
      {"#.##", 0, "0"},  // a number never vanishes
      {"000", 7, "007"},
      {"0%", 0.256, "26%"},
      {"0.0%", -0.0123, "-1.2%"},
      {"0.0%", DBL_MAX, "179769313486232" + std::string(296, '0') + ".0%"},
      {"$#,##0", -5000, "-$5,000"},
      {"0.0\" kg\"", 12.34, "12.3 kg"},
      {"\\€ 0.00", 3, "€ 3.00"},
      {"€#,##0.00", 1234.5, "€1,234.50"},
      {"(0)", 4, "(4)"},
      {"#,##0.0,,\"M\"", 2500000, "2.5M"},  // each trailing comma divides by 1000
      {"0.000", 1e-300, "0.000"},
      {"0", std::numeric_limits<double>::quiet_NaN(), "NaN"},
      {"0", -std::numeric_limits<double>::infinity(), "-Infinity"},
      {"", 1234567.5, "1,234,568"},  // automatic: 7 significant digits
      {"", 0.000123456789, "0.0001234568"},
      {"General", -2.5e20, "-2.5e+20"},
      {"", 1e-7, "1e-7"},
      {"", 100, "100"},
  };
  for (const auto& c : cases) {
    ValueFormat format;
    std::string error;
    ASSERT_TRUE(format.Parse(c.code, error)) << c.code << ": " << error;
    EXPECT_EQ(format.Format(c.value), c.text) << c.code << " " << c.value;
  }
}

TEST(ValueFormatTest, UnreadableCodesSayWhyAndChangeNothing) {
  const struct {
    const char* code;
    const char* says;
  } cases[] = {
      {"#,##0;(#,##0)", "position 6: sections"},
      {"[Red]0", "brackets"},
      {"0.00E+00", "exponent"},
      {"0 kg", "position 3: letters must be quoted: write \"k\""},
      {"0.0\" kg", "no closing quote"},
      {"0\\", "final \\"},
      {"0%%", "one %"},
      {"0 \"x\" 0", "one number per format"},
      {"0.0.0", "one decimal point"},
      {"\"kg\"", "needs a number"},
      {",", "inside the number"},
      {".", "digit placeholder"},
      {"0.0000000000000000", "at most 15 decimals"},
      {"?/?", "? placeholder"},
      {"0\xff", "UTF-8"},
  };
  for (const auto& c : cases) {
    ValueFormat format;
    std::string error;
    ASSERT_TRUE(format.Parse("0.0", error));
    EXPECT_FALSE(format.Parse(c.code, error)) << c.code;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.code << ": " << error;
    EXPECT_EQ(format.Format(1), "1.0") << c.code;
  }
  ValueFormat format;
  std::string error;
  EXPECT_FALSE(format.Parse(std::string(kMaxFormatCodeLength + 1, '0'), error));
}

TEST(ValueFormatTest, AutomaticTicksShowTheDecimalsTheStepNeeds) {
  // Ticks first + index x step; the text of tick `index`.
  const struct {
    double first, step;
    std::int32_t count, index;
    const char* text;
  } cases[] = {
      {0, 0.25, 5, 2, "0.50"},
      {-50, 25, 8, 0, "-50"},
      {0, 0.1, 6, 3, "0.3"},  // not 0.30000000000000004
      {-0.6000000000000001, 0.2, 6, 3, "0.0"},
      {0, 200000, 5, 4, "800,000"},
      {0, 200000, 6, 5, "1.0M"},  // a million as the largest tick: the axis in M
      {0, 500000, 7, 3, "1.5M"},
      {0, 500000, 7, 0, "0"},
      {-2e9, 1e9, 5, 1, "-1B"},
      {0, 2.5e11, 6, 5, "1.25T"},
      {0, 2e18, 5, 3, "6e+18"},
      {1e18, 2.5e17, 5, 2, "1.50e+18"},
      {0, 2e-8, 5, 2, "4e-8"},
      {0, 2.5e-6, 5, 1, "2.5e-6"},  // seven decimals: exponents
  };
  const ValueFormat automatic;
  for (const auto& c : cases) {
    const ValueTicks ticks{c.first, c.first + (c.count - 1) * c.step, c.first, c.step, c.count};
    EXPECT_EQ(automatic.FormatTick(ticks, c.index), c.text) << c.step << " #" << c.index;
  }
  ValueFormat percent;
  std::string error;
  ASSERT_TRUE(percent.Parse("0%", error));
  EXPECT_EQ(percent.FormatTick({0, 1, 0, 0.25, 5}, 2), "50%");
}

}  // namespace
}  // namespace tessaloom
