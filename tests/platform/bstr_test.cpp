#include "tessaloom/bstr.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <utility>

namespace tessaloom {
namespace {

TEST(BstrTest, LengthsCountUnitsAndANullIsTheEmptyString) {
  EXPECT_EQ((std::tuple{SysStringLen(nullptr), BstrToUtf8(nullptr), SysAllocString(nullptr)}),
            (std::tuple{0u, "", nullptr}));
  // Embedded zeros are text; one astral code point is two units.
  for (const std::u16string& text : {std::u16string(u"a\0b\0", 4), std::u16string(u"\U0001F600")}) {
    const Bstr b =
        Bstr::Adopt(SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size())));
    EXPECT_EQ(SysStringByteLen(b.get()), 2 * text.size());
    EXPECT_EQ(b.view(), text);
    EXPECT_EQ(b.get()[text.size()], u'\0') << "terminator after the last unit";
  }
  EXPECT_EQ(Bstr::Adopt(SysAllocString(u"ab\0cd")).view(), u"ab");
  EXPECT_EQ(Bstr::Adopt(SysAllocStringLen(nullptr, 3)).view(), std::u16string(3, u'\0'));
  EXPECT_EQ(SysAllocStringLen(nullptr, kMaxBstrLength + 1), nullptr);
  EXPECT_EQ(SysAllocStringLen(u"x", 0xFFFFFFFFu), nullptr);
}

// A raw BSTR is taken over only by name; text of any other kind is copied.
static_assert(!std::is_constructible_v<Bstr, BSTR> &&
              std::is_constructible_v<Bstr, const OLECHAR*>);

TEST(BstrTest, OwnerMovesAndReleasesExactlyOnce) {
  Bstr a(u"first");  // a literal is copied
  BSTR raw = a.get();
  Bstr c(u"second");
  c = std::move(a);  // frees "second"; the sanitizer build reports a leak otherwise
  EXPECT_EQ(c.get(), raw);
  EXPECT_EQ(a.get(), nullptr);
  Bstr& same = c;
  c = std::move(same);  // self-move keeps the string
  EXPECT_EQ(c.view(), u"first");
  BSTR* slot = c.out();  // frees "first", takes what is put there
  EXPECT_EQ(*slot, nullptr);
  *slot = SysAllocString(u"new");
  SysFreeString(c.release());
  EXPECT_EQ(c.get(), nullptr);
}

}  // namespace
}  // namespace tessaloom
