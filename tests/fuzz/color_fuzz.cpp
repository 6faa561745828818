// Colour text from arbitrary bytes: ParseColor never fails, and HexByte on
// any pair of bytes. Checks what the notation promises: the top byte of a
// colour stays zero, text without '#' is always a palette colour, extra
// leading '#' and characters past the sixth digit change nothing, and pairs
// of hex digits read as hexadecimal.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "component/color.h"
#include "tests/fuzz/fuzz_check.h"

namespace tessaloom {
namespace {

bool IsPaletteColour(COLORREF colour) {
  return std::any_of(kColorNames.begin(), kColorNames.end(),
                     [&](std::string_view name) { return ColorFromName(name) == colour; });
}

}  // namespace
}  // namespace tessaloom

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const COLORREF colour = ParseColor(text);
  FUZZ_CHECK((colour & 0xFF000000u) == 0);
  if (text.empty() || text.front() != '#') {
    FUZZ_CHECK(IsPaletteColour(colour));
  } else {
    FUZZ_CHECK(ParseColor("#" + std::string(text)) == colour);
    std::string_view digits = text;
    while (!digits.empty() && digits.front() == '#') digits.remove_prefix(1);
    FUZZ_CHECK(ParseColor("#" + std::string(digits.substr(0, 6))) == colour);
  }

  for (std::size_t i = 0; i + 1 < size; i += 2) {
    const std::uint8_t byte = HexByte(text[i], text[i + 1]);
    unsigned reference = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, reference, 16);
    if (ec == std::errc() && end == text.data() + i + 2) FUZZ_CHECK(byte == reference);
  }
  return 0;
}
