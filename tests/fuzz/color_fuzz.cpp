// ParseColor and HexByte on arbitrary bytes.
#include <algorithm>
#include <charconv>

#include "component/color.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  const std::string_view text = fuzz::AsText(data, size);
  const COLORREF colour = ParseColor(text);
  FUZZ_CHECK((colour & 0xFF000000u) == 0);
  if (text.empty() || text.front() != '#') {
    FUZZ_CHECK(std::any_of(kColorNames.begin(), kColorNames.end(),
                           [&](std::string_view name) { return ColorFromName(name) == colour; }));
  } else {
    FUZZ_CHECK(ParseColor("#" + std::string(text)) == colour);
    const std::string_view digits = text.substr(std::min(text.find_first_not_of('#'), size));
    FUZZ_CHECK(ParseColor("#" + std::string(digits.substr(0, 6))) == colour);
  }
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    unsigned reference = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, reference, 16);
    if (ec == std::errc() && end == text.data() + i + 2)
      FUZZ_CHECK(HexByte(text[i], text[i + 1]) == reference);
  }
  return 0;
}
