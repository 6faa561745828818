// UTF-8 <-> UTF-16 on arbitrary bytes, read as UTF-8 and as little-endian
// UTF-16 units, against a validator of its own.
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Well-formed UTF-8 (Unicode's Table 3-7): lead bytes, continuation bytes, range of the first.
constexpr unsigned char kWellFormed[][5] = {
    {0x00, 0x7F, 0, 0, 0},       {0xC2, 0xDF, 1, 0x80, 0xBF}, {0xE0, 0xE0, 2, 0xA0, 0xBF},
    {0xE1, 0xEC, 2, 0x80, 0xBF}, {0xED, 0xED, 2, 0x80, 0x9F}, {0xEE, 0xEF, 2, 0x80, 0xBF},
    {0xF0, 0xF0, 3, 0x90, 0xBF}, {0xF1, 0xF3, 3, 0x80, 0xBF}, {0xF4, 0xF4, 3, 0x80, 0x8F},
};

bool IsWellFormedUtf8(std::string_view s) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char* row = nullptr;
    for (const auto& r : kWellFormed) row = at(i) >= r[0] && at(i) <= r[1] ? r : row;
    if (row == nullptr) return false;
    const std::size_t trail = row[2];
    if (trail > 0 && (s.size() - i <= trail || at(i + 1) < row[3] || at(i + 1) > row[4]))
      return false;
    for (std::size_t k = 2; k <= trail; ++k) {
      if ((at(i + k) & 0xC0) != 0x80) return false;
    }
    i += trail + 1;
  }
  return true;
}

bool IsSurrogate(char16_t u, char16_t first) { return u >= first && u <= first + 0x3FF; }

// `units` with each unpaired surrogate replaced; also counts code points.
std::u16string Repaired(std::u16string_view units, std::size_t& codePoints) {
  std::u16string out;
  codePoints = 0;
  for (std::size_t i = 0; i < units.size(); ++i, ++codePoints) {
    const bool paired =
        IsSurrogate(units[i], 0xD800) && i + 1 < units.size() && IsSurrogate(units[i + 1], 0xDC00);
    if (paired) out += units[i++];
    out += paired || (units[i] & 0xF800) != 0xD800 ? units[i] : u'\uFFFD';
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  const std::string_view narrow = fuzz::AsText(data, size);
  const std::u16string decoded = Utf8ToUtf16(narrow);
  const std::string encoded = Utf16ToUtf8(decoded);
  FUZZ_CHECK(IsWellFormedUtf8(encoded));
  FUZZ_CHECK(!IsWellFormedUtf8(narrow) || encoded == narrow);
  FUZZ_CHECK(Utf8ToUtf16(encoded) == decoded);
  std::size_t points = 0;
  FUZZ_CHECK(Repaired(decoded, points) == decoded);  // the decoder emits no lone surrogate
  FUZZ_CHECK(CodePointCount(narrow) == points && CodePointCount(encoded) == points);

  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  const std::string wideEncoded = Utf16ToUtf8(units);
  FUZZ_CHECK(IsWellFormedUtf8(wideEncoded));
  FUZZ_CHECK(Utf8ToUtf16(wideEncoded) == Repaired(units, points));
  FUZZ_CHECK(CodePointCount(wideEncoded) == points);
  return 0;
}
