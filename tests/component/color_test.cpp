#include "component/color.h"

#include <gtest/gtest.h>

#include <string>

#include "chart/graph.h"

namespace tessaloom {
namespace {

struct ColorCase {
  std::string text;
  COLORREF expected;
};

class ParseColorTest : public ::testing::TestWithParam<ColorCase> {};

TEST_P(ParseColorTest, GivesTheDocumentedColour) {
  EXPECT_EQ(ParseColor(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    HexAndNames, ParseColorTest,
    ::testing::Values(ColorCase{"#FF0000", 0x0000FF}, ColorCase{"##00FF00", 0x00FF00},
                      ColorCase{"#0000ff", 0xFF0000}, ColorCase{"#F", 0x0000F0},
                      ColorCase{"#", 0x000000}, ColorCase{"#123456789", 0x563412},
                      // Non-digits keep their code: 'G','0' -> 71 * 16 mod 256 = 112.
                      ColorCase{"#G00000", 0x000070}, ColorCase{"red", 0x0000FF},
                      ColorCase{"Red", 0x0000FF}, ColorCase{"RED", 0x0000FF},
                      ColorCase{"voilet", 0x870056}, ColorCase{"peach", 0xB1E2FF},
                      ColorCase{" red", 0x562C87}, ColorCase{"red ", 0x562C87},
                      ColorCase{"violet", 0x562C87}, ColorCase{"re#d", 0x562C87},
                      ColorCase{"nosuchcolour", 0x562C87},
                      ColorCase{"r\xC3\xA9"
                                "d",
                                0x562C87}));

TEST(HexByteTest, MapsDigitsAndKeepsOtherCodes) {
  struct Case {
    char c1, c2;
    std::uint8_t expected;
  };
  const Case cases[] = {{'F', 'F', 255},
                        {'0', 'a', 10},
                        {'G', '0', 112},
                        {'0', '\0', 0},
                        {'f', 'f', 255},
                        {'1', 'Z', 106},
                        {'\xFF', '\xFF', static_cast<std::uint8_t>((255 * 16 + 255) & 0xFF)}};
  for (const Case& c : cases) {
    EXPECT_EQ(HexByte(c.c1, c.c2), c.expected) << c.c1 << c.c2;
  }
}

TEST(ColorNamesTest, EveryNameGivesItsPaletteColourInAnyCase) {
  for (std::size_t i = 0; i < kColorNames.size(); ++i) {
    std::string lower(kColorNames[i]);
    for (char& c : lower) c = static_cast<char>(c - 'A' + 'a');
    EXPECT_EQ(ColorFromName(kColorNames[i]), kDefaultPalette[i]) << kColorNames[i];
    EXPECT_EQ(ColorFromName(lower), kDefaultPalette[i]) << lower;
  }
}

}  // namespace
}  // namespace tessaloom
