#include "component/color.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaloom {
namespace {

// The fuzz replay's properties cover extra leading '#', digits past the sixth, lower-case digits
// and a '#' past the front. A non-digit keeps its code: 'G','0' -> 71 * 16 mod 256 = 112.
TEST(ParseColorTest, HexDigitsOrANameElseTheFirstPaletteColour) {
  const std::pair<std::string, COLORREF> cases[] = {
      {"#FF0000", 0x0000FF}, {"#F", 0x0000F0},        {"#", 0x000000},    {"#G00000", 0x000070},
      {"#1Z", 0x00006A},     {"#\xFF\xFF", 0x0000EF}, {"RED", 0x0000FF},  {"tan", 0x6BC6FF},
      {"voilet", 0x870056},  {"peach", 0xB1E2FF},     {" red", 0x562C87}, {"red ", 0x562C87},
      {"violet", 0x562C87},  {"r\303\251d", 0x562C87}};
  for (const auto& [text, color] : cases) EXPECT_EQ(ParseColor(text), color) << '"' << text << '"';
}

}  // namespace
}  // namespace tessaloom
