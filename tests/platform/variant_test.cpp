#include "tessaloom/variant.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/dispatch.h"

namespace tessaloom {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Source values of the table; Convert frees what they hold.
VARIANT Of(VARTYPE vt, std::int64_t bits = 0) {
  VARIANT v;
  v.vt = vt, v.llVal = bits;  // little-endian: the low bytes serve any integer type
  return v;
}
VARIANT R8(double d) { return Variant(d).get()[0]; }
VARIANT R4(double d) { return Variant(static_cast<float>(d)).get()[0]; }
VARIANT Text(std::u16string_view text) {
  VARIANT v = Of(VT_BSTR);
  v.bstrVal = SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  return v;
}

// The converted value as text, or the failure.
std::string Convert(VARIANT source, VARTYPE vt) {
  Variant from, to;
  *from.get() = source;
  const HRESULT hr = VariantChangeType(to.get(), from.get(), 0, vt);
  if (hr == DISP_E_OVERFLOW || hr == DISP_E_TYPEMISMATCH || hr == DISP_E_BADVARTYPE) {
    if (to->vt != VT_EMPTY) return "failed, but left a value";
    return hr == DISP_E_OVERFLOW ? "overflow" : hr == DISP_E_TYPEMISMATCH ? "mismatch" : "bad type";
  }
  // Shortest round-trip digits; to_chars, unlike printf, ignores the locale a test sets.
  const auto number = [](const char* kind, auto value) {
    char text[64];
    return kind + std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
  };
  switch (to->vt) {
    case VT_I4: return "I4 " + std::to_string(to->lVal);
    case VT_R4: return number("R4 ", to->fltVal);
    case VT_R8: return number("R8 ", to->dblVal);
    case VT_BOOL: return "BOOL " + std::to_string(to->boolVal);
    case VT_BSTR: return to->bstrVal ? "BSTR " + BstrToUtf8(to->bstrVal) : "BSTR null";
    case VT_EMPTY: return "EMPTY";
    default: return "vt " + std::to_string(to->vt);
  }
}

TEST(VariantChangeTypeTest, ConvertsBetweenTheSubsetTypesOrNamesWhyNot) {
  const std::u16string zeros(330, u'0');
  const std::vector<std::tuple<VARIANT, VARTYPE, std::string>> rows = {
      // To I4: half to even, and only what fits (Python's argument tests add NaN,
      // full-width digits and I8; -1e39 to R4).
      {R8(2.5), VT_I4, "I4 2"},
      {R8(3.5), VT_I4, "I4 4"},
      {R8(-0.6), VT_I4, "I4 -1"},
      {R8(2147483647.5), VT_I4, "overflow"},
      {R8(-2147483648.5), VT_I4, "I4 -2147483648"},
      {R4(1.5), VT_I4, "I4 2"},
      {Text(u"\t-7\r\n"), VT_I4, "I4 -7"},
      {Text(u".5e1"), VT_I4, "I4 5"},
      {Text(u"1e-400"), VT_I4, "I4 0"},
      {Text(u"nan"), VT_I4, "mismatch"},
      {Text(u"0x10"), VT_I4, "mismatch"},
      {Text(u"1,5"), VT_I4, "mismatch"},
      {Text(u"12abc"), VT_I4, "mismatch"},
      {Text(u"-1e400"), VT_I4, "overflow"},
      {Text(u"99999999999"), VT_I4, "overflow"},
      {Of(VT_BOOL, -1), VT_I4, "I4 -1"},
      {Of(VT_EMPTY), VT_I4, "I4 0"},
      {Of(VT_UI4, 0xFFFFFFFF), VT_I4, "overflow"},
      // To R8: overflow apart from underflow.
      {Text(u"1e-310"), VT_R8, "R8 1e-310"},
      {Text(u"1e+400"), VT_R8, "overflow"},
      {Text(u"1" + zeros + u"e-10"), VT_R8, "overflow"},
      {Text(u"0." + zeros + u"1"), VT_R8, "R8 0"},
      {Text(u"0." + zeros + u"1e400"), VT_R8, "R8 1e+69"},
      {Of(VT_I8, (std::int64_t{1} << 53) + 1), VT_R8, "R8 9007199254740992"},
      {Of(VT_UI8, -1), VT_R8, "R8 18446744073709551616"},
      {Of(VT_NULL), VT_R8, "mismatch"},
      // To R4: only finite values in range.
      {Text(u"1e39"), VT_R4, "overflow"},
      {R4(kInf), VT_R4, "overflow"},
      {R8(std::numeric_limits<double>::quiet_NaN()), VT_R4, "overflow"},
      // To BSTR: C-locale text, a float's own digits.
      {R8(0.1), VT_BSTR, "BSTR 0.1"},
      {R4(0.1), VT_BSTR, "BSTR 0.1"},
      {Of(VT_BOOL, -1), VT_BSTR, "BSTR -1"},
      {Text(u"caf\u00E9"), VT_BSTR, "BSTR caf\xC3\xA9"},
      {Of(VT_I8, std::numeric_limits<std::int64_t>::min()), VT_BSTR, "BSTR -9223372036854775808"},
      {Of(VT_NULL), VT_BSTR, "mismatch"},
      // To BOOL: words in any case, or numbers.
      {Text(u" True "), VT_BOOL, "BOOL -1"},
      {Text(u"0.0"), VT_BOOL, "BOOL 0"},
      {Text(u"yes"), VT_BOOL, "mismatch"},
      {R8(0.25), VT_BOOL, "BOOL -1"},
      {Text(u"dropped"), VT_EMPTY, "EMPTY"},
      // Types outside the subset, either way.
      {Of(9999, 1), VT_I4, "bad type"},
      {Of(VT_I4, 1), VT_I2, "bad type"},
  };
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const auto& [src, target, expected] = rows[k];
    EXPECT_EQ(Convert(src, target), expected) << "row " << k;
  }
}

// A destination's old value is freed (the sanitizer build sees leaks); a copy owns its text.
TEST(VariantChangeTypeTest, DestinationsAreFreedAndCopiesOwnTheirText) {
  Variant dest(std::u16string_view(u"previous"));
  Variant src(std::u16string_view(u"abc"));
  EXPECT_EQ(VariantChangeType(dest.get(), src.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(dest->vt, VT_EMPTY);
  Variant v(std::u16string_view(u" 42 "));
  ASSERT_EQ(VariantChangeType(v.get(), v.get(), 0, VT_I4), S_OK);
  EXPECT_EQ(v->lVal, 42);
  Variant copy(std::u16string_view(u"overwritten"));
  ASSERT_EQ(VariantCopy(copy.get(), src.get()), S_OK);
  VariantClear(src.get());
  EXPECT_EQ(BstrToUtf8(copy->bstrVal), "abc");
}

TEST(VariantChangeTypeTest, ConversionsIgnoreACommaDecimalLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  const char* found = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (found == nullptr && std::setlocale(LC_ALL, name) != nullptr) found = name;
  }
  if (found == nullptr) GTEST_SKIP() << "no locale with a decimal comma installed";
  EXPECT_EQ(Convert(Text(u"1.5"), VT_R8), "R8 1.5") << found;
  EXPECT_EQ(Convert(Text(u"1,5"), VT_R8), "mismatch") << found;
  EXPECT_EQ(Convert(R8(10.5), VT_BSTR), "BSTR 10.5") << found;
  EXPECT_EQ(Convert(R4(0.25), VT_BSTR), "BSTR 0.25") << found;
  std::setlocale(LC_ALL, saved.c_str());
}

HRESULT Fails(IDispatch*, VARIANT*, VARIANT*) noexcept { return E_FAIL; }
HRESULT SaysFalse(IDispatch*, VARIANT*, VARIANT*) noexcept { return S_FALSE; }
// Answers first * 10 + second, showing which argument reached which parameter.
HRESULT Pair(IDispatch*, VARIANT* a, VARIANT* result) noexcept {
  result->vt = VT_I4;
  result->lVal = a[0].lVal * 10 + a[1].lVal;
  return S_OK;
}

using Parameters = std::array<ParameterDescription, kMaxParameters>;
const std::array<MemberDescription, 4> kMembers{{
    {1, "Pair", MemberKind::kMethod, 2, Parameters{{{"first", VT_I4}, {"second", VT_I4}}}, VT_EMPTY,
     "", Pair},
    {2, "Item", MemberKind::kPropertyPut, 2, Parameters{{{"index", VT_I4}, {"newVal", VT_I4}}},
     VT_EMPTY, "", Pair},
    {3, "Fails", MemberKind::kMethod, 0, {}, VT_EMPTY, "", Fails},
    {4, "SaysFalse", MemberKind::kMethod, 0, {}, VT_EMPTY, "", SaysFalse},
}};
const InterfaceDescription kInterface{"ITest", GUID_NULL, "", kMembers};

constexpr DISPID kPut = DISPID_PROPERTYPUT;
constexpr UINT kNone = 0xFFFFFFFF;

TEST(DispatchInvokeTest, ArgumentsFindTheirParametersByPositionAndName) {
  // What, member, arguments as the caller lays them out, names, result (on
  // success the answer is 12), the argument at fault.
  const std::tuple<const char*, DISPID, std::vector<int>, std::vector<DISPID>, HRESULT, UINT>
      cases[] = {
          {"positional, last first", 1, {2, 1}, {}, S_OK, kNone},
          {"both named, in order", 1, {1, 2}, {0, 1}, S_OK, kNone},
          {"negative name", 1, {1, 2}, {-5, 0}, DISP_E_PARAMNOTFOUND, 0},
          {"repeated name", 1, {1, 2}, {0, 0}, DISP_E_PARAMNOTFOUND, 1},
          {"put value on a method", 1, {2, 1}, {kPut}, DISP_E_PARAMNOTFOUND, 0},
          {"too few, no names", 1, {1}, {}, DISP_E_BADPARAMCOUNT, kNone},
          {"too many", 1, {3, 2, 1}, {}, DISP_E_BADPARAMCOUNT, kNone},
          {"more names than arguments", 1, {1}, {0, 1}, DISP_E_BADPARAMCOUNT, kNone},
          {"put, value named first", 2, {2, 1}, {kPut}, S_OK, kNone},
          {"put, index named too", 2, {2, 1}, {kPut, 0}, S_OK, kNone},
          {"put, names reversed", 2, {1, 2}, {0, kPut}, S_OK, kNone},
          {"put without its value", 2, {2, 1}, {}, DISP_E_PARAMNOTOPTIONAL, kNone},
          {"put, value named twice", 2, {2, 1}, {kPut, kPut}, DISP_E_PARAMNOTFOUND, 1},
          {"put value names no index", 2, {2, 1}, {kPut, 1}, DISP_E_PARAMNOTFOUND, 1},
          {"put, index left out", 2, {2}, {kPut}, DISP_E_BADPARAMCOUNT, kNone},
          // A member's result as it is; a failure reaches the caller's exception too.
          {"member fails", 3, {}, {}, E_FAIL, kNone},
          {"member says S_FALSE", 4, {}, {}, S_FALSE, kNone},
      };
  for (auto [what, member, rgvarg, named, hr, expectedArgError] : cases) {
    SCOPED_TRACE(what);
    std::vector<VARIANT> values(rgvarg.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i].vt = VT_I4;
      values[i].lVal = rgvarg[i];
    }
    DISPPARAMS params{values.data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(values.size()), static_cast<UINT>(named.size())};
    const WORD flags = member == 2 ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD;
    Variant result;
    UINT argError = kNone;
    EXCEPINFO info;
    EXPECT_EQ(DispatchInvoke(kInterface, nullptr, member, GUID_NULL, flags, &params, result.get(),
                             &info, &argError),
              hr);
    EXPECT_EQ(argError, expectedArgError);
    EXPECT_TRUE(member < 3 || info.scode == (FAILED(hr) ? hr : S_OK));
    EXPECT_TRUE(hr != S_OK || result->lVal == 12);
  }
}

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
