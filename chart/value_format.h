// Number formats for tick labels, value labels and alternative text: a
// spreadsheet format code, or the automatic format. A small value type that
// owns its texts; one thread at a time, as the object holding it.
//
// Codes read: digit placeholders 0 (always a digit) and # (a digit when
// needed), one decimal point, commas between integer placeholders for
// thousands separators, trailing commas each dividing by 1000, one % that
// multiplies by 100, and literal text before and after the number: quoted
// ("kg"), escaped (\k), or the characters $ - + ( ) / : ! ^ & ' ~ { } < > =,
// spaces and any non-ASCII character (€, £). "General" is automatic.
// Negative values put the minus sign first ("-$5"); a value that rounds to
// zero loses its sign; ties round away from zero on the value's 15
// significant digits, as spreadsheets do; with no decimals shown there is no
// decimal point.
//
// Automatic ticks: thousands separators below a million ("250,000"); from a
// million the axis's largest tick picks M, B or T (millions, billions,
// trillions: "1.5M"), zero staying "0"; every tick has the decimals the step
// needs and no more ("0.25, 0.50"). From 1e15, or for steps needing more than
// six decimals, exponents as JavaScript writes them ("2.5e+18", "2.5e-6").
// Automatic single values: up to 7 significant digits (the data are floats),
// thousands separators, no trailing zeros, exponents likewise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chart/value_ticks.h"

namespace tessaloom {

// How a code lays a number out.
struct NumberLayout {
  std::string prefix;
  std::string suffix;
  std::int32_t scale = 0;       // powers of ten applied: 2 for %, -3 per trailing comma
  std::int32_t minInteger = 1;  // integer digits shown at least, leading zeros added
  std::int32_t minDecimals = 0;
  std::int32_t maxDecimals = 0;
  bool grouping = false;  // a comma every three integer digits
};

// Longest code read, in bytes, and the most decimals a code may ask for (a
// double holds about 16 significant digits).
inline constexpr std::size_t kMaxFormatCodeLength = 256;
inline constexpr std::int32_t kMaxFormatDecimals = 15;

class ValueFormat {
 public:
  // Reads `code`; "" and "General" (any case) are automatic. On failure
  // returns false with what could not be read in `error`, for E_INVALIDARG,
  // and the format stays as it was.
  [[nodiscard]] bool Parse(std::string_view code, std::string& error) noexcept;

  [[nodiscard]] bool IsAutomatic() const noexcept { return automatic_; }

  // `value` in this format. NaN and infinities are "NaN", "Infinity",
  // "-Infinity" in every format.
  [[nodiscard]] std::string Format(double value) const;

  // Tick `index` of `ticks`: in this format, or automatic as described above.
  [[nodiscard]] std::string FormatTick(const ValueTicks& ticks, std::int32_t index) const;

 private:
  NumberLayout layout_;
  bool automatic_ = true;
};

}  // namespace tessaloom
