#include "component/color.h"

#include "chart/graph.h"
#include "platform/text.h"

namespace tessaloom {

COLORREF ColorFromName(std::string_view name) noexcept {
  for (std::size_t i = 0; i < kColorNames.size(); ++i) {
    if (EqualsIgnoreAsciiCase(name, kColorNames[i])) return kDefaultPalette[i];
  }
  return kDefaultPalette[0];
}

std::uint8_t HexByte(char c1, char c2) noexcept {
  const auto value = [](char c) -> unsigned {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<unsigned>(c - 'A' + 10);
    return static_cast<unsigned char>(c);
  };
  return static_cast<std::uint8_t>((value(c1) * 16 + value(c2)) & 0xFF);
}

COLORREF ParseColor(std::string_view text) noexcept {
  if (text.empty() || text.front() != '#') return ColorFromName(text);
  while (!text.empty() && text.front() == '#') text.remove_prefix(1);
  const auto at = [&](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
  return RGB(HexByte(at(0), at(1)), HexByte(at(2), at(3)), HexByte(at(4), at(5)));
}

}  // namespace tessaloom
