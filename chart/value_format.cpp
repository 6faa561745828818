// Spreadsheet format codes and the automatic number format. Numbers are laid
// out from their decimal digits, never by multiplying the double, so % and
// the thousands scale cannot overflow and 1.005 with "0.00" is 1.01.
#include "chart/value_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "platform/text.h"

namespace tessaloom {
namespace {

// Digits a code's number is read to before rounding: what a double holds
// reliably, and what spreadsheets show.
constexpr int kCodeDigits = 15;
// Significant digits of an automatic single value: a float's precision.
constexpr int kAutomaticDigits = 7;
// Automatic formats turn to exponents at and beyond this power of ten, and
// for steps (or values) needing more than kMaxPlainDecimals decimals.
constexpr int kExponentFrom = 15;
constexpr int kMaxPlainDecimals = 6;
// Largest mantissa decimals an exponent is written with.
constexpr int kMaxMantissaDecimals = 14;

// Automatic tick units: the power of ten and its suffix, largest first.
struct TickUnit {
  int power;
  const char* suffix;
};
constexpr TickUnit kTickUnits[] = {{12, "T"}, {9, "B"}, {6, "M"}};

// A non-negative number as d0.d1d2... x 10^exponent.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

Decimal DigitsOf(double magnitude, int significant) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", significant - 1, magnitude);
  Decimal decimal;
  const char* c = text;
  for (; *c != '\0' && *c != 'e'; ++c) {
    if (*c >= '0' && *c <= '9') decimal.digits += *c;
  }
  if (*c == 'e') decimal.exponent = std::atoi(c + 1);
  return decimal;
}

// Keeps the first `keep` digits, rounding half up on the next; "999" kept to
// 2 becomes "100" and the exponent grows. Fewer than one digit kept leaves
// "0" or, rounding up, "1" at the next power.
void RoundDigits(Decimal& decimal, int keep) {
  std::string& digits = decimal.digits;
  if (keep >= static_cast<int>(digits.size())) {
    digits.append(static_cast<std::size_t>(keep) - digits.size(), '0');
    return;
  }
  const bool up = keep >= 0 && digits[static_cast<std::size_t>(keep)] >= '5';
  digits.resize(static_cast<std::size_t>(std::max(keep, 0)));
  if (!up) {
    if (digits.empty()) digits = "0";
    return;
  }
  std::size_t i = digits.size();
  while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
  if (i > 0) {
    ++digits[i - 1];
  } else {
    digits.insert(digits.begin(), '1');
    ++decimal.exponent;
  }
}

std::string NonFinite(double value) {
  if (std::isnan(value)) return "NaN";
  return value < 0.0 ? "-Infinity" : "Infinity";
}

// The number `decimal` (a magnitude) laid out by `layout`.
std::string Write(bool negative, Decimal decimal, const NumberLayout& layout) {
  // Digits of round(magnitude x 10^maxDecimals), in decimal.
  RoundDigits(decimal, decimal.exponent + layout.scale + layout.maxDecimals + 1);
  std::string whole = std::move(decimal.digits);
  const bool zero = whole.find_first_not_of('0') == std::string::npos;
  const auto decimals = static_cast<std::size_t>(layout.maxDecimals);
  if (whole.size() <= decimals) whole.insert(0, decimals + 1 - whole.size(), '0');
  std::string integer = whole.substr(0, whole.size() - decimals);
  std::string fraction = whole.substr(whole.size() - decimals);
  integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
  const auto minInteger = static_cast<std::size_t>(layout.minInteger);
  if (integer.size() < minInteger) integer.insert(0, minInteger - integer.size(), '0');
  while (fraction.size() > static_cast<std::size_t>(layout.minDecimals) && fraction.back() == '0') {
    fraction.pop_back();
  }
  if (integer.empty() && fraction.empty()) integer = "0";  // a number never vanishes
  if (layout.grouping) {
    for (std::size_t at = integer.size(); at > 3; at -= 3) integer.insert(at - 3, 1, ',');
  }
  std::string text = negative && !zero ? "-" : "";
  text += layout.prefix;
  text += integer;
  if (!fraction.empty()) text += "." + fraction;
  text += layout.suffix;
  return text;
}

// "2.5e+18", "-1e-8": `mantissaDecimals` after the point, trailing zeros
// dropped when `trim`.
std::string WriteExponent(bool negative, Decimal decimal, int mantissaDecimals, bool trim) {
  RoundDigits(decimal, mantissaDecimals + 1);
  std::string mantissa = decimal.digits.substr(0, 1);
  std::string fraction = decimal.digits.substr(1);
  if (trim) fraction.erase(std::min(fraction.find_last_not_of('0') + 1, fraction.size()));
  if (!fraction.empty()) mantissa += "." + fraction;
  return (negative ? "-" : "") + mantissa + (decimal.exponent < 0 ? "e-" : "e+") +
         std::to_string(std::abs(decimal.exponent));
}

// Decimals `step` needs to be written exactly: 1 for 2.5, 2 for 0.25, -5 for
// 500000 (whole hundred-thousands).
int StepDecimals(double step) {
  Decimal decimal = DigitsOf(std::fabs(step), kCodeDigits);
  const std::size_t significant = decimal.digits.find_last_not_of('0') + 1;
  return static_cast<int>(significant) - 1 - decimal.exponent;
}

std::string Quoted(std::string_view code) { return "\"" + std::string(code) + "\""; }

// Why the character at `at` cannot be read, for the messages below.
std::string Unreadable(std::string_view code, std::size_t at) {
  const char c = code[at];
  std::string why;
  switch (c) {
    case ';': why = "sections for negative numbers or zero (;) are not supported"; break;
    case '[': why = "colours and conditions in brackets are not supported"; break;
    case 'E':
    case 'e': why = "exponent formats (E+) are not supported"; break;
    case ',': why = "a comma belongs inside the number, as in #,##0"; break;
    case '?': why = "the ? placeholder is not supported; use 0 or #"; break;
    case '@': why = "the text placeholder @ is not supported"; break;
    case '_':
    case '*': why = "spacing (_) and fill (*) are not supported"; break;
    default:
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
        why = std::string("letters must be quoted: write \"") + c + "\"";
      } else {
        why = std::string("cannot read '") + c + "'";
      }
  }
  return "Invalid number format " + Quoted(code) + " at position " + std::to_string(at + 1) + ": " +
         why;
}

// Characters shown as themselves without quotes.
bool IsBareLiteral(char c) {
  return std::string_view(" $-+()/:!^&'~{}<>=").find(c) != std::string_view::npos ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsNumberPart(char c) { return c == '0' || c == '#' || c == '.' || c == ','; }

// Reads the number at code[at] onward into `layout`; `at` ends past it.
bool ReadNumber(std::string_view code, std::size_t& at, NumberLayout& layout, std::string& error) {
  const std::size_t start = at;
  while (at < code.size() && IsNumberPart(code[at])) ++at;
  std::string_view number = code.substr(start, at - start);
  // Trailing commas scale by a thousand each; the others group.
  while (!number.empty() && number.back() == ',') {
    number.remove_suffix(1);
    layout.scale -= 3;
  }
  const std::size_t point = number.find('.');
  const std::string_view integer = number.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view() : number.substr(point + 1);
  auto fail = [&](const char* why) {
    error = "Invalid number format " + Quoted(code) + ": " + why;
    return false;
  };
  if (integer.find_first_of("0#") == std::string_view::npos &&
      fraction.find_first_of("0#") == std::string_view::npos) {
    return fail("the number needs a digit placeholder, 0 or #");
  }
  if (fraction.find_first_of(".,") != std::string_view::npos) {
    return fail("one decimal point, with only 0 or # after it");
  }
  if (static_cast<std::int32_t>(fraction.size()) > kMaxFormatDecimals) {
    return fail("at most 15 decimals");
  }
  layout.grouping = integer.find(',') != std::string_view::npos;
  layout.minInteger = static_cast<std::int32_t>(std::count(integer.begin(), integer.end(), '0'));
  layout.maxDecimals = static_cast<std::int32_t>(fraction.size());
  const std::size_t lastZero = fraction.rfind('0');
  layout.minDecimals =
      lastZero == std::string_view::npos ? 0 : static_cast<std::int32_t>(lastZero) + 1;
  return true;
}

bool ParseCode(std::string_view code, NumberLayout& layout, std::string& error) {
  if (code.size() > kMaxFormatCodeLength) {
    error = "Invalid number format: longer than " + std::to_string(kMaxFormatCodeLength) +
            " characters";
    return false;
  }
  if (WellFormedUtf8Length(code) != code.size()) {
    error = "Invalid number format: not valid UTF-8 text";
    return false;
  }
  bool haveNumber = false;
  bool havePercent = false;
  std::size_t at = 0;
  while (at < code.size()) {
    std::string& literal = haveNumber ? layout.suffix : layout.prefix;
    const char c = code[at];
    if (c == '0' || c == '#' || c == '.') {
      if (haveNumber) {
        error = "Invalid number format " + Quoted(code) + " at position " + std::to_string(at + 1) +
                ": one number per format; quote other text";
        return false;
      }
      if (!ReadNumber(code, at, layout, error)) return false;
      haveNumber = true;
    } else if (c == '"') {
      const std::size_t close = code.find('"', at + 1);
      if (close == std::string_view::npos) {
        error = "Invalid number format " + Quoted(code) + ": a quoted text has no closing quote";
        return false;
      }
      literal += code.substr(at + 1, close - at - 1);
      at = close + 1;
    } else if (c == '\\') {
      if (at + 1 >= code.size()) {
        error = "Invalid number format " + Quoted(code) + ": nothing after the final \\";
        return false;
      }
      std::size_t end = at + 2;  // a whole code point, its continuation bytes too
      while (end < code.size() && (static_cast<unsigned char>(code[end]) & 0xC0) == 0x80) ++end;
      literal += code.substr(at + 1, end - at - 1);
      at = end;
    } else if (c == '%') {
      if (havePercent) {
        error = "Invalid number format " + Quoted(code) + ": one % per format";
        return false;
      }
      havePercent = true;
      layout.scale += 2;
      literal += '%';
      ++at;
    } else if (IsBareLiteral(c)) {
      literal += c;
      ++at;
    } else {
      error = Unreadable(code, at);
      return false;
    }
  }
  if (!haveNumber) {
    error = "Invalid number format " + Quoted(code) + ": it needs a number such as 0 or #,##0";
    return false;
  }
  return true;
}

}  // namespace

bool ValueFormat::Parse(std::string_view code, std::string& error) noexcept {
  try {
    if (code.empty() || EqualsIgnoreAsciiCase(code, "General")) {
      layout_ = NumberLayout{};
      automatic_ = true;
      return true;
    }
    NumberLayout layout;
    std::string reason;
    if (!ParseCode(code, layout, reason)) {
      AssignOrClear(error, reason);
      return false;
    }
    layout_ = std::move(layout);
    automatic_ = false;
    return true;
  } catch (const std::bad_alloc&) {
    AssignOrClear(error, "Out of memory reading a number format");
    return false;
  }
}

std::string ValueFormat::Format(double value) const {
  if (!std::isfinite(value)) return NonFinite(value);
  const bool negative = value < 0.0;
  if (!automatic_) return Write(negative, DigitsOf(std::fabs(value), kCodeDigits), layout_);
  if (value == 0.0) return "0";
  const Decimal decimal = DigitsOf(std::fabs(value), kAutomaticDigits);
  const int lastDecimal = kAutomaticDigits - 1 - decimal.exponent;  // decimals of the 7th digit
  if (decimal.exponent >= kExponentFrom || decimal.exponent < -kMaxPlainDecimals) {
    return WriteExponent(negative, decimal, kAutomaticDigits - 1, true);
  }
  NumberLayout layout;
  layout.grouping = true;
  layout.maxDecimals = std::clamp(lastDecimal, 0, kMaxFormatDecimals);
  return Write(negative, decimal, layout);
}

std::string ValueFormat::FormatTick(const ValueTicks& ticks, std::int32_t index) const {
  const double value = ticks.Tick(index);
  if (!automatic_ || !std::isfinite(value)) return Format(value);
  const double largest =
      std::max(std::fabs(ticks.Tick(0)), std::fabs(ticks.Tick(std::max(ticks.count - 1, 0))));
  const int stepDecimals = StepDecimals(ticks.step);
  const bool atZero = std::fabs(value) < std::fabs(ticks.step) / 2;
  const bool negative = value < 0.0 && !atZero;
  if (largest >= std::pow(10.0, kExponentFrom) || stepDecimals > kMaxPlainDecimals) {
    if (atZero) return "0";
    const Decimal decimal = DigitsOf(std::fabs(value), kCodeDigits);
    const int mantissa = std::clamp(decimal.exponent + stepDecimals, 0, kMaxMantissaDecimals);
    return WriteExponent(negative, decimal, mantissa, false);
  }
  NumberLayout layout;
  layout.grouping = true;
  for (const TickUnit& unit : kTickUnits) {
    if (largest >= std::pow(10.0, unit.power)) {
      if (atZero) return "0";
      layout.scale = -unit.power;
      layout.suffix = unit.suffix;
      break;
    }
  }
  layout.minDecimals = layout.maxDecimals =
      std::clamp(stepDecimals - layout.scale, 0, kMaxFormatDecimals);
  return Write(negative, DigitsOf(std::fabs(value), kCodeDigits), layout);
}

}  // namespace tessaloom
