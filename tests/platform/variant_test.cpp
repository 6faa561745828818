#include "platform/variant.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A source value in a table row; Make() builds the VARIANT afresh each time.
struct Src {
  VARTYPE vt = VT_EMPTY;
  std::int64_t i = 0;
  std::uint64_t u = 0;
  double d = 0.0;
  std::u16string text;
  std::string label;

  Variant Make() const {
    Variant v;
    switch (vt) {
      case VT_EMPTY: break;
      case VT_NULL: return Variant::Null();
      case VT_R8: return Variant(d);
      case VT_R4: return Variant(static_cast<float>(d));
      case VT_BOOL: return Variant(i != 0);
      case VT_BSTR: return Variant(std::u16string_view(text));
      case VT_I1: v->vt = vt, v->cVal = static_cast<std::int8_t>(i); break;
      case VT_I2: v->vt = vt, v->iVal = static_cast<std::int16_t>(i); break;
      case VT_I4: v->vt = vt, v->lVal = static_cast<std::int32_t>(i); break;
      case VT_I8: v->vt = vt, v->llVal = i; break;
      case VT_UI1: v->vt = vt, v->bVal = static_cast<std::uint8_t>(u); break;
      case VT_UI4: v->vt = vt, v->ulVal = static_cast<std::uint32_t>(u); break;
      case VT_UI8: v->vt = vt, v->ullVal = u; break;
      default: v->vt = vt, v->llVal = i; break;  // a type outside the subset
    }
    return v;
  }
};

Src Of(VARTYPE vt, std::string label) {
  Src s;
  s.vt = vt;
  s.label = std::move(label);
  return s;
}
Src Empty() { return Of(VT_EMPTY, "EMPTY"); }
Src Null() { return Of(VT_NULL, "NULL"); }
Src Bool(bool b) {
  Src s = Of(VT_BOOL, b ? "true" : "false");
  s.i = b ? 1 : 0;
  return s;
}
Src Signed(VARTYPE vt, std::int64_t i) {
  Src s = Of(vt, "vt " + std::to_string(vt) + " " + std::to_string(i));
  s.i = i;
  return s;
}
Src I4(std::int32_t i) { return Signed(VT_I4, i); }
Src Unsigned(VARTYPE vt, std::uint64_t u) {
  Src s = Of(vt, "vt " + std::to_string(vt) + " " + std::to_string(u));
  s.u = u;
  return s;
}
Src R8(double d) {
  Src s = Of(VT_R8, "R8 " + std::to_string(d));
  s.d = d;
  return s;
}
Src R4(float f) {
  Src s = Of(VT_R4, "R4 " + std::to_string(f));
  s.d = static_cast<double>(f);
  return s;
}
Src Text(std::u16string text) {
  std::string shown = Utf16ToUtf8(text);
  if (shown.size() > 40) shown = shown.substr(0, 40) + "...";
  Src s = Of(VT_BSTR, "\"" + shown + "\"");
  s.text = std::move(text);
  return s;
}

// Converts into a fresh VARIANT, as Invoke does for each argument.
struct Converted {
  HRESULT hr;
  Variant value;
};
Converted Convert(const Src& src, VARTYPE vt) {
  const Variant from = src.Make();
  Converted out{S_OK, Variant()};
  out.hr = VariantChangeType(out.value.get(), from.get(), 0, vt);
  return out;
}

// The converted value as text, so that every target shares one table.
std::string Shown(const Variant& v) {
  switch (v->vt) {
    case VT_I4: return "I4 " + std::to_string(v->lVal);
    case VT_R4: return "R4 " + std::to_string(v->fltVal);
    case VT_R8: {
      char text[64];
      std::snprintf(text, sizeof text, "R8 %.17g", v->dblVal);
      return text;
    }
    case VT_BOOL: return "BOOL " + std::to_string(v->boolVal);
    case VT_BSTR: return v->bstrVal ? "BSTR " + BstrToUtf8(v->bstrVal) : "BSTR null";
    case VT_EMPTY: return "EMPTY";
    default: return "vt " + std::to_string(v->vt);
  }
}
std::string I4Of(std::int32_t i) { return "I4 " + std::to_string(i); }
std::string R4Of(float f) { return "R4 " + std::to_string(f); }
std::string R8Of(double d) {
  Variant v(d);
  return Shown(v);
}
std::string BoolOf(VARIANT_BOOL b) { return "BOOL " + std::to_string(b); }
std::string BstrOf(const std::string& text) { return "BSTR " + text; }

struct Row {
  Src src;
  VARTYPE target;
  HRESULT hr;
  std::string value;  // Shown() of the result; a failure leaves the destination empty
};

TEST(VariantChangeTypeTest, ConvertsBetweenTheSubsetTypesOrNamesWhyNot) {
  const std::u16string many_zeros(330, u'0');
  const std::vector<Row> rows = {
      // To I4: half to even, and only what fits.
      {R8(2.5), VT_I4, S_OK, I4Of(2)},
      {R8(3.5), VT_I4, S_OK, I4Of(4)},
      {R8(-2.5), VT_I4, S_OK, I4Of(-2)},
      {R8(0.5), VT_I4, S_OK, I4Of(0)},
      {R8(-0.6), VT_I4, S_OK, I4Of(-1)},
      {R8(2147483647.4), VT_I4, S_OK, I4Of(2147483647)},
      {R8(2147483647.5), VT_I4, DISP_E_OVERFLOW, "EMPTY"},
      {R8(-2147483648.5), VT_I4, S_OK, I4Of(-2147483647 - 1)},
      {R8(-2147483649.0), VT_I4, DISP_E_OVERFLOW, "EMPTY"},
      {R8(kNaN), VT_I4, DISP_E_OVERFLOW, "EMPTY"},
      {R8(-kInf), VT_I4, DISP_E_OVERFLOW, "EMPTY"},
      {R4(1.5f), VT_I4, S_OK, I4Of(2)},
      {Text(u"\t-7\r\n"), VT_I4, S_OK, I4Of(-7)},
      {Text(u"+7"), VT_I4, S_OK, I4Of(7)},
      {Text(u"2.5"), VT_I4, S_OK, I4Of(2)},
      {Text(u".5e1"), VT_I4, S_OK, I4Of(5)},
      {Text(u"1e-400"), VT_I4, S_OK, I4Of(0)},
      {Text(u""), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"   "), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"-infinity"), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"nan"), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"0x10"), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"1,5"), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"12abc"), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"1 2"), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"+-1"), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"1e"), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"."), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"\uFF11"), VT_I4, DISP_E_TYPEMISMATCH, "EMPTY"},  // full-width digit one
      {Text(u"-1e400"), VT_I4, DISP_E_OVERFLOW, "EMPTY"},
      {Text(u"99999999999"), VT_I4, DISP_E_OVERFLOW, "EMPTY"},
      {Bool(true), VT_I4, S_OK, I4Of(-1)},
      {Empty(), VT_I4, S_OK, I4Of(0)},
      {Signed(VT_I1, -128), VT_I4, S_OK, I4Of(-128)},
      {Signed(VT_I2, -5), VT_I4, S_OK, I4Of(-5)},
      {Signed(VT_I8, -2147483649), VT_I4, DISP_E_OVERFLOW, "EMPTY"},
      {Unsigned(VT_UI1, 255), VT_I4, S_OK, I4Of(255)},
      {Unsigned(VT_UI4, 0xFFFFFFFFu), VT_I4, DISP_E_OVERFLOW, "EMPTY"},
      // To R8: overflow apart from underflow.
      {Text(u"-0.25"), VT_R8, S_OK, R8Of(-0.25)},
      {Text(u"1e-310"), VT_R8, S_OK, R8Of(1e-310)},  // subnormal, still representable
      {Text(u"0e999"), VT_R8, S_OK, R8Of(0.0)},
      {Text(u"1e+400"), VT_R8, DISP_E_OVERFLOW, "EMPTY"},
      // A huge mantissa with a small negative exponent is still huge...
      {Text(u"1" + many_zeros + u"e-10"), VT_R8, DISP_E_OVERFLOW, "EMPTY"},
      // ...and a long run of fraction zeros without an exponent is tiny.
      {Text(u"0." + many_zeros + u"1"), VT_R8, S_OK, R8Of(0.0)},
      {Text(u"0." + many_zeros + u"1e400"), VT_R8, S_OK, R8Of(1e69)},
      {Signed(VT_I8, (std::int64_t{1} << 53) + 1), VT_R8, S_OK, R8Of(9007199254740992.0)},
      {Unsigned(VT_UI8, ~std::uint64_t{0}), VT_R8, S_OK, R8Of(18446744073709551616.0)},
      {R8(kInf), VT_R8, S_OK, R8Of(kInf)},
      {Null(), VT_R8, DISP_E_TYPEMISMATCH, "EMPTY"},
      // To R4: non-finite values pass, finite ones past the range do not.
      {R8(-1e39), VT_R4, DISP_E_OVERFLOW, "EMPTY"},
      {Text(u"1e39"), VT_R4, DISP_E_OVERFLOW, "EMPTY"},
      {R8(3.0e38), VT_R4, S_OK, R4Of(3.0e38f)},
      {R8(-kInf), VT_R4, S_OK, R4Of(-std::numeric_limits<float>::infinity())},
      {Text(u" -0.125 "), VT_R4, S_OK, R4Of(-0.125f)},
      {I4(16777217), VT_R4, S_OK, R4Of(16777216.0f)},
      {Text(u"x"), VT_R4, DISP_E_TYPEMISMATCH, "EMPTY"},
      // To BSTR: C-locale text.
      {R8(0.1), VT_BSTR, S_OK, BstrOf("0.1")},
      {R8(-3.0), VT_BSTR, S_OK, BstrOf("-3")},
      {R4(0.1f), VT_BSTR, S_OK, BstrOf("0.1")},  // the float's own digits, not the double's
      {Bool(true), VT_BSTR, S_OK, BstrOf("-1")},
      {Empty(), VT_BSTR, S_OK, BstrOf("")},
      {Text(u"caf\u00E9"), VT_BSTR, S_OK, BstrOf("caf\xC3\xA9")},
      {Signed(VT_I8, std::numeric_limits<std::int64_t>::min()), VT_BSTR, S_OK,
       BstrOf("-9223372036854775808")},
      {Unsigned(VT_UI8, ~std::uint64_t{0}), VT_BSTR, S_OK, BstrOf("18446744073709551615")},
      {Null(), VT_BSTR, DISP_E_TYPEMISMATCH, "EMPTY"},
      // To BOOL: words in any case, or numbers.
      {Text(u" True "), VT_BOOL, S_OK, BoolOf(VARIANT_TRUE)},
      {Text(u"FaLsE"), VT_BOOL, S_OK, BoolOf(VARIANT_FALSE)},
      {Text(u"0.0"), VT_BOOL, S_OK, BoolOf(VARIANT_FALSE)},
      {Text(u"2"), VT_BOOL, S_OK, BoolOf(VARIANT_TRUE)},
      {Text(u"yes"), VT_BOOL, DISP_E_TYPEMISMATCH, "EMPTY"},
      {Text(u"truex"), VT_BOOL, DISP_E_TYPEMISMATCH, "EMPTY"},
      {R8(0.25), VT_BOOL, S_OK, BoolOf(VARIANT_TRUE)},
      {Signed(VT_I8, std::int64_t{1} << 40), VT_BOOL, S_OK, BoolOf(VARIANT_TRUE)},
      {Empty(), VT_BOOL, S_OK, BoolOf(VARIANT_FALSE)},
      // To EMPTY: the value is dropped.
      {Text(u"dropped"), VT_EMPTY, S_OK, "EMPTY"},
  };
  for (const Row& row : rows) {
    const Converted c = Convert(row.src, row.target);
    EXPECT_EQ(c.hr, row.hr) << row.src.label << " to " << row.target;
    EXPECT_EQ(Shown(c.value), row.value) << row.src.label << " to " << row.target;
  }
  EXPECT_TRUE(std::isnan(Convert(R8(kNaN), VT_R8).value->dblVal));
  const Converted nan = Convert(R8(kNaN), VT_R4);
  EXPECT_EQ(nan.hr, S_OK);
  EXPECT_TRUE(std::isnan(nan.value->fltVal));
}

TEST(VariantChangeTypeTest, TypesOutsideTheSubsetAreBadVarTypes) {
  for (const VARTYPE target : {VT_EMPTY, VT_I4, VT_R4, VT_R8, VT_BOOL, VT_BSTR}) {
    EXPECT_EQ(Convert(Signed(9999, 1), target).hr, DISP_E_BADVARTYPE) << "target " << target;
  }
  for (const VARTYPE target : {VARTYPE{VT_I2}, VARTYPE{VT_NULL}, VARTYPE{9999}}) {
    EXPECT_EQ(Convert(I4(1), target).hr, DISP_E_BADVARTYPE) << "target " << target;
  }
}

TEST(VariantChangeTypeTest, FailureReleasesWhatTheDestinationHeld) {
  Variant dest(std::u16string_view(u"previous"));
  const Variant src(std::u16string_view(u"abc"));
  EXPECT_EQ(VariantChangeType(dest.get(), src.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(dest->vt, VT_EMPTY);  // "previous" freed, or the sanitizer build reports a leak
}

TEST(VariantChangeTypeTest, InPlaceConversionReplacesTheValueOnlyOnSuccess) {
  Variant v(std::u16string_view(u" 42 "));
  ASSERT_EQ(VariantChangeType(v.get(), v.get(), 0, VT_I4), S_OK);
  EXPECT_EQ(Shown(v), I4Of(42));

  Variant text(std::u16string_view(u"same"));
  const BSTR before = text->bstrVal;
  ASSERT_EQ(VariantChangeType(text.get(), text.get(), 0, VT_BSTR), S_OK);
  EXPECT_NE(text->bstrVal, before);
  EXPECT_EQ(Shown(text), BstrOf("same"));

  Variant bad(std::u16string_view(u"abc"));
  EXPECT_EQ(VariantChangeType(bad.get(), bad.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Shown(bad), BstrOf("abc"));
}

TEST(VariantChangeTypeTest, NullBstrReadsAsEmptyText) {
  Variant v;
  v->vt = VT_BSTR;
  v->bstrVal = nullptr;
  Variant out;
  EXPECT_EQ(VariantChangeType(out.get(), v.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
  ASSERT_EQ(VariantChangeType(out.get(), v.get(), 0, VT_BSTR), S_OK);
  EXPECT_EQ(SysStringLen(out->bstrVal), 0u);
}

TEST(VariantCopyTest, DuplicatesTextCopiesScalarsAndRefusesOtherTypes) {
  Variant src(std::u16string_view(u"chart"));
  Variant dest(std::u16string_view(u"overwritten"));
  ASSERT_EQ(VariantCopy(dest.get(), src.get()), S_OK);
  ASSERT_EQ(dest->vt, VT_BSTR);
  EXPECT_NE(dest->bstrVal, src->bstrVal);
  src->bstrVal[0] = u'C';
  VariantClear(src.get());
  EXPECT_EQ(BstrToUtf8(dest->bstrVal), "chart");

  Variant number(2.5);
  ASSERT_EQ(VariantCopy(dest.get(), number.get()), S_OK);
  EXPECT_EQ(Shown(dest), R8Of(2.5));
  Variant null_text;
  null_text->vt = VT_BSTR;
  null_text->bstrVal = nullptr;
  ASSERT_EQ(VariantCopy(dest.get(), null_text.get()), S_OK);
  EXPECT_EQ(Shown(dest), "BSTR null");

  VARIANT other;
  other.vt = 9999;
  EXPECT_EQ(VariantClear(&other), DISP_E_BADVARTYPE);
  EXPECT_EQ(other.vt, 9999);
  EXPECT_EQ(VariantCopy(dest.get(), &other), DISP_E_BADVARTYPE);
}

// Restores the process locale whatever the test does.
class LocaleGuard {
 public:
  LocaleGuard() : saved_(std::setlocale(LC_ALL, nullptr)) {}
  ~LocaleGuard() { std::setlocale(LC_ALL, saved_.c_str()); }
  LocaleGuard(const LocaleGuard&) = delete;
  LocaleGuard& operator=(const LocaleGuard&) = delete;

 private:
  std::string saved_;
};

TEST(VariantChangeTypeTest, ConversionsIgnoreACommaDecimalLocale) {
  LocaleGuard guard;
  const char* found = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) {
      found = name;
      break;
    }
  }
  if (found == nullptr) GTEST_SKIP() << "no locale with a decimal comma installed";

  const Converted real = Convert(Text(u"1.5"), VT_R8);
  EXPECT_EQ(real.hr, S_OK) << found;
  EXPECT_EQ(Shown(real.value), R8Of(1.5)) << found;
  EXPECT_EQ(Convert(Text(u"1,5"), VT_R8).hr, DISP_E_TYPEMISMATCH) << found;
  EXPECT_EQ(Convert(Text(u"1.5"), VT_I4).value->lVal, 2) << found;
  EXPECT_EQ(BstrToUtf8(Convert(R8(10.5), VT_BSTR).value->bstrVal), "10.5") << found;
  EXPECT_EQ(BstrToUtf8(Convert(R4(0.25f), VT_BSTR).value->bstrVal), "0.25") << found;
}

}  // namespace
}  // namespace tessaloom
