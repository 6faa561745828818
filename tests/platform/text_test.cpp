#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessaloom {
namespace {

// Well-formed text in both encodings, written out unit by unit so that the
// expectations do not rest on the code under test.
struct Pair {
  const char* label;
  std::string utf8;
  std::u16string utf16;
  std::size_t codePoints;
};

const std::vector<Pair>& WellFormedPairs() {
  static const std::vector<Pair> pairs = {
      {"empty", "", u"", 0},
      {"ascii", "Sales 2024", u"Sales 2024", 10},
      {"embedded zero", std::string("a\0b", 3), std::u16string(u"a\0b", 3), 3},
      {"two-byte", "\xC3\xA9t\xC3\xA9", {0x00E9, u't', 0x00E9}, 3},
      {"three-byte", "\xE2\x82\xACz", {0x20AC, u'z'}, 2},
      {"last of the BMP", "\xEF\xBF\xBF", {0xFFFF}, 1},
      {"first astral", "\xF0\x90\x80\x80", {0xD800, 0xDC00}, 1},
      {"emoji", "x\xF0\x9F\x98\x80y", {u'x', 0xD83D, 0xDE00, u'y'}, 3},
      {"last code point", "\xF4\x8F\xBF\xBF", {0xDBFF, 0xDFFF}, 1},
      {"boundaries", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80", {0x7F, 0x80, 0x7FF, 0x800}, 4},
  };
  return pairs;
}

TEST(TextTest, WellFormedTextRoundTripsInBothDirections) {
  for (const Pair& p : WellFormedPairs()) {
    EXPECT_EQ(Utf8ToUtf16(p.utf8), p.utf16) << p.label;
    EXPECT_EQ(Utf16ToUtf8(p.utf16), p.utf8) << p.label;
    EXPECT_EQ(CodePointCount(p.utf8), p.codePoints) << p.label;
  }
}

// Each byte that cannot start a well-formed sequence is one U+FFFD; the
// decoder then resumes at the next byte.
TEST(TextTest, EachIllFormedUtf8ByteBecomesOneReplacementCharacter) {
  constexpr char16_t R = 0xFFFD;
  struct Case {
    const char* label;
    std::string in;
    std::u16string out;
  };
  const Case cases[] = {
      {"overlong NUL", "\xC0\x80", {R, R}},
      {"overlong three-byte", "\xE0\x80\xAF", {R, R, R}},
      {"overlong four-byte", "\xF0\x80\x80\xAF", {R, R, R, R}},
      {"high surrogate", "\xED\xA0\x80", {R, R, R}},
      {"past U+10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
      {"FF byte", "a\xFFz", {u'a', R, u'z'}},
      {"stray continuation", "a\x80z", {u'a', R, u'z'}},
      {"truncated three-byte at end", "\xE2\x82", {R, R}},
      {"truncated four-byte at end", "\xF0\x9F\x98", {R, R, R}},
      {"truncated before ASCII", "\xE2\x82z", {R, R, u'z'}},
      {"truncated before a valid sequence", "\xF0\x9F\xC3\xA9", {R, R, 0x00E9}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.label;
    EXPECT_EQ(CodePointCount(c.in), c.out.size()) << c.label;
  }
}

// The view ends inside a sequence whose remaining bytes follow in memory;
// they are not part of the text and must not complete it.
TEST(TextTest, SequenceCutByTheEndOfTheViewIsIllFormed) {
  const std::string buffer = "a\xC3\xA9\xE2\x82\xAC";
  EXPECT_EQ(Utf8ToUtf16(std::string_view(buffer).substr(0, 2)), (std::u16string{u'a', 0xFFFD}));
  EXPECT_EQ(Utf8ToUtf16(std::string_view(buffer).substr(3, 2)), (std::u16string{0xFFFD, 0xFFFD}));
  EXPECT_EQ(CodePointCount(std::string_view(buffer).substr(0, 2)), 2u);

  const std::u16string wide = u"a\U0001F600";
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(wide).substr(0, 2)), "a\xEF\xBF\xBD");
}

TEST(TextTest, NameComparisonIgnoresOnlyAsciiCase) {
  struct Case {
    std::string_view a, b;
    bool equal;
  };
  const Case cases[] = {
      {"DarkBlue", "DARKBLUE", true},
      {"All", "aLL", true},
      {"red", "red ", false},
      {"\xC3\xA9", "\xC3\x89", false},  // é and É
      {"[", "{", false},                // 0x5B and 0x7B differ by 0x20 too
      {"@", "`", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualsIgnoreAsciiCase(c.a, c.b), c.equal) << c.a << " vs " << c.b;
    EXPECT_EQ(EqualsIgnoreAsciiCase(c.b, c.a), c.equal) << c.b << " vs " << c.a;
  }
}

}  // namespace
}  // namespace tessaloom
