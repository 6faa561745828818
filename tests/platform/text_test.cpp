#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tessaloom {
namespace {

// Each byte that cannot start a well-formed sequence is one U+FFFD, and the
// view's end cuts its last sequence (round trips are fuzzed: text_fuzz).
TEST(TextTest, EachIllFormedUtf8ByteBecomesOneReplacementCharacter) {
  constexpr char16_t kR = 0xFFFD;
  constexpr std::string_view kCut = "a\xC3\xA9\xE2\x82\xAC";
  // Overlong forms, a surrogate, past U+10FFFF, stray bytes, sequences cut short.
  const std::pair<std::string_view, std::u16string> cases[] = {
      {"\xC0\x80", {kR, kR}},          {"\xF0\x80\x80\xAF", {kR, kR, kR, kR}},
      {"\xED\xA0\x80", {kR, kR, kR}},  {"\xF4\x90\x80\x80", {kR, kR, kR, kR}},
      {"a\xFFz", {u'a', kR, u'z'}},    {"a\x80z", {u'a', kR, u'z'}},
      {"\xE2\x82z", {kR, kR, u'z'}},   {"\xF0\x9F\xC3\xA9", {kR, kR, 0x00E9}},
      {kCut.substr(0, 2), {u'a', kR}}, {kCut.substr(3, 2), {kR, kR}},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(Utf8ToUtf16(in), out) << in;
    EXPECT_EQ(CodePointCount(in), out.size()) << in;
  }
  EXPECT_EQ(Utf16ToUtf8(std::u16string_view(u"a\U0001F600").substr(0, 2)), "a\xEF\xBF\xBD");
}

// Noncharacters are drawn as U+FFFD, the characters beside them as they are.
TEST(TextTest, DrawnTextReplacesNoncharactersAndIllFormedBytes) {
  const std::string r = "\xEF\xBF\xBD";
  const std::pair<std::string_view, std::string> cases[] = {
      {"\xEF\xB7\x90\xEF\xB7\xAF", r + r},                               // U+FDD0, U+FDEF
      {"\xEF\xB7\x8F\xEF\xB7\xB0", "\xEF\xB7\x8F\xEF\xB7\xB0"},          // U+FDCF, U+FDF0
      {"a\xEF\xBF\xBE\xEF\xBF\xBF", "a" + r + r},                        // U+FFFE, U+FFFF
      {"\xF0\x9F\xBF\xBE", r},                                           // U+1FFFE
      {"\xF4\x8F\xBF\xBF", r},                                           // U+10FFFF
      {"\xF0\x9F\xBF\xBD\xEF\xBF\xBD", "\xF0\x9F\xBF\xBD\xEF\xBF\xBD"},  // U+1FFFD, U+FFFD
      {"\xED\xA0\x80z", r + r + r + "z"},                                // a surrogate
      {"\xE2\x82", r + r},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(DrawnText(in), out) << in;
}

// Only ASCII letters fold: '[' and '{', '@' and '`' differ by 0x20 too.
TEST(TextTest, NameComparisonIgnoresOnlyAsciiCase) {
  const std::tuple<std::string_view, std::string_view, bool> cases[] = {
      {"DarkBlue", "DARKBLUE", true},
      {"\xC3\xA9", "\xC3\x89", false},
      {"[", "{", false},
      {"@", "`", false}};
  for (const auto& [a, b, equal] : cases) {
    EXPECT_EQ(EqualsIgnoreAsciiCase(a, b), equal) << a << " vs " << b;
    EXPECT_EQ(EqualsIgnoreAsciiCase(b, a), equal) << b << " vs " << a;
  }
}

}  // namespace
}  // namespace tessaloom
