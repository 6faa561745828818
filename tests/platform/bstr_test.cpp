#include "platform/bstr.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tessaloom {
namespace {

TEST(BstrTest, NullIsTheEmptyString) {
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  EXPECT_EQ(BstrToUtf8(nullptr), "");
  EXPECT_TRUE(BstrView(nullptr).empty());
  SysFreeString(nullptr);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
}

TEST(BstrTest, LengthsCountUnitsAndBytes) {
  struct Case {
    std::u16string text;
    std::uint32_t units;
  };
  const Case cases[] = {
      {u"", 0},
      {u"abc", 3},
      {std::u16string(u"a\0b\0", 4), 4},  // embedded zeros are part of the text
      {u"\xD83D\xDE00", 2},               // one code point, two units
  };
  for (const Case& c : cases) {
    Bstr b(SysAllocStringLen(c.text.data(), static_cast<std::uint32_t>(c.text.size())));
    ASSERT_NE(b.get(), nullptr);
    EXPECT_EQ(SysStringLen(b.get()), c.units);
    EXPECT_EQ(SysStringByteLen(b.get()), 2 * c.units);
    EXPECT_EQ(b.view(), c.text);
    EXPECT_EQ(b.get()[c.units], u'\0') << "terminator after the last unit";
  }
}

TEST(BstrTest, SysAllocStringStopsAtTheFirstZero) {
  Bstr b(SysAllocString(u"ab\0cd"));
  EXPECT_EQ(b.view(), u"ab");
}

TEST(BstrTest, NullSourceGivesZeroFilledString) {
  Bstr b(SysAllocStringLen(nullptr, 3));
  ASSERT_NE(b.get(), nullptr);
  EXPECT_EQ(b.view(), std::u16string(3, u'\0'));
}

TEST(BstrTest, LengthPastTheLimitGivesNull) {
  EXPECT_EQ(SysAllocStringLen(nullptr, kMaxBstrLength + 1), nullptr);
  EXPECT_EQ(SysAllocStringLen(u"x", 0xFFFFFFFFu), nullptr);
}

TEST(BstrTest, Utf8ConversionsMeetAtTheEdge) {
  Bstr b(BstrFromUtf8("Caf\xC3\xA9 \xF0\x9F\x98\x80"));
  EXPECT_EQ(b.view(), u"Caf\u00E9 \U0001F600");
  EXPECT_EQ(BstrToUtf8(b.get()), "Caf\xC3\xA9 \xF0\x9F\x98\x80");

  const char16_t unpaired[] = {u'a', 0xD800};
  Bstr lone(SysAllocStringLen(unpaired, 2));
  EXPECT_EQ(BstrToUtf8(lone.get()), "a\xEF\xBF\xBD");
}

TEST(BstrTest, OwnerMovesAndReleasesExactlyOnce) {
  Bstr a(std::u16string_view(u"first"));
  BSTR raw = a.get();
  Bstr b(std::move(a));
  EXPECT_EQ(a.get(), nullptr);
  EXPECT_EQ(b.get(), raw);

  Bstr c(std::u16string_view(u"second"));
  c = std::move(b);  // frees "second"; the sanitizer build reports a leak otherwise
  EXPECT_EQ(c.get(), raw);
  EXPECT_EQ(b.get(), nullptr);

  Bstr& same = c;
  c = std::move(same);  // self-move keeps the string
  EXPECT_EQ(c.view(), u"first");

  BSTR released = c.release();
  EXPECT_EQ(c.get(), nullptr);
  SysFreeString(released);
}

TEST(BstrTest, OutFreesTheHeldStringAndTakesTheNewOne) {
  Bstr b(std::u16string_view(u"old"));
  BSTR* slot = b.out();
  EXPECT_EQ(*slot, nullptr);
  *slot = SysAllocString(u"new");
  EXPECT_EQ(b.view(), u"new");
}

TEST(BstrTest, MegabyteStringRoundTripsThroughUtf8) {
  std::u16string text(1 << 20, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Cycles through ASCII, two- and three-byte code points, never a surrogate.
    text[i] = static_cast<char16_t>(0x20 + (i * 7919) % 0xD000);
  }
  Bstr b(text);
  ASSERT_NE(b.get(), nullptr);
  ASSERT_EQ(SysStringLen(b.get()), text.size());
  const std::string narrow = BstrToUtf8(b.get());
  Bstr back(BstrFromUtf8(narrow));
  ASSERT_NE(back.get(), nullptr);
  EXPECT_TRUE(back.view() == text);  // not EXPECT_EQ: a failure would print a megabyte
}

}  // namespace
}  // namespace tessaloom
