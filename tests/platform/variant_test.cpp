#include "platform/variant.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
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

template <class T>
struct Row {
  Src src;
  HRESULT hr;
  T value;
};

TEST(VariantChangeTypeTest, ToI4RoundsHalfToEvenAndRejectsWhatDoesNotFit) {
  const std::vector<Row<std::int32_t>> rows = {
      {R8(2.5), S_OK, 2},
      {R8(3.5), S_OK, 4},
      {R8(-2.5), S_OK, -2},
      {R8(-3.5), S_OK, -4},
      {R8(0.5), S_OK, 0},
      {R8(2.4999), S_OK, 2},
      {R8(-0.6), S_OK, -1},
      {R8(2147483647.4), S_OK, 2147483647},
      {R8(2147483647.5), DISP_E_OVERFLOW, 0},
      {R8(-2147483648.5), S_OK, -2147483647 - 1},
      {R8(-2147483649.0), DISP_E_OVERFLOW, 0},
      {R8(kNaN), DISP_E_OVERFLOW, 0},
      {R8(1e10), DISP_E_OVERFLOW, 0},
      {R8(kInf), DISP_E_OVERFLOW, 0},
      {R8(-kInf), DISP_E_OVERFLOW, 0},
      {R4(1.5f), S_OK, 2},
      {Text(u" 12 "), S_OK, 12},
      {Text(u"\t-7\r\n"), S_OK, -7},
      {Text(u"+7"), S_OK, 7},
      {Text(u"1.5"), S_OK, 2},
      {Text(u"2.5"), S_OK, 2},
      {Text(u"1e3"), S_OK, 1000},
      {Text(u".5e1"), S_OK, 5},
      {Text(u"1e-400"), S_OK, 0},
      {Text(u"abc"), DISP_E_TYPEMISMATCH, 0},
      {Text(u""), DISP_E_TYPEMISMATCH, 0},
      {Text(u"   "), DISP_E_TYPEMISMATCH, 0},
      {Text(u"inf"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"-infinity"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"nan"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"0x10"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"1,5"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"12abc"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"1 2"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"+-1"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"1e"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"."), DISP_E_TYPEMISMATCH, 0},
      {Text(u"\uFF11"), DISP_E_TYPEMISMATCH, 0},  // full-width digit one
      {Text(u"1e400"), DISP_E_OVERFLOW, 0},
      {Text(u"-1e400"), DISP_E_OVERFLOW, 0},
      {Text(u"99999999999"), DISP_E_OVERFLOW, 0},
      {Bool(true), S_OK, -1},
      {Bool(false), S_OK, 0},
      {Empty(), S_OK, 0},
      {Null(), DISP_E_TYPEMISMATCH, 0},
      {Signed(VT_I1, -128), S_OK, -128},
      {Signed(VT_I2, -5), S_OK, -5},
      {Signed(VT_I8, 2147483648), DISP_E_OVERFLOW, 0},
      {Signed(VT_I8, -2147483649), DISP_E_OVERFLOW, 0},
      {Unsigned(VT_UI1, 255), S_OK, 255},
      {Unsigned(VT_UI4, 0xFFFFFFFFu), DISP_E_OVERFLOW, 0},
  };
  for (const auto& row : rows) {
    const Converted c = Convert(row.src, VT_I4);
    EXPECT_EQ(c.hr, row.hr) << row.src.label;
    if (row.hr == S_OK && c.hr == S_OK) {
      EXPECT_EQ(c.value->vt, VT_I4) << row.src.label;
      EXPECT_EQ(c.value->lVal, row.value) << row.src.label;
    } else {
      EXPECT_EQ(c.value->vt, VT_EMPTY) << row.src.label;
    }
  }
}

TEST(VariantChangeTypeTest, ToR8ParsesTextAndSeparatesOverflowFromUnderflow) {
  const std::u16string many_zeros(330, u'0');
  const std::vector<Row<double>> rows = {
      {Text(u"10.5"), S_OK, 10.5},
      {Text(u"-0.25"), S_OK, -0.25},
      {Text(u"1e308"), S_OK, 1e308},
      {Text(u"1e-310"), S_OK, 1e-310},  // subnormal, still representable
      {Text(u"1e-400"), S_OK, 0.0},
      {Text(u"0e999"), S_OK, 0.0},
      {Text(u"1e400"), DISP_E_OVERFLOW, 0},
      {Text(u"1e+400"), DISP_E_OVERFLOW, 0},
      // A huge mantissa with a small negative exponent is still huge...
      {Text(u"1" + many_zeros + u"e-10"), DISP_E_OVERFLOW, 0},
      // ...and a long run of fraction zeros without an exponent is tiny.
      {Text(u"0." + many_zeros + u"1"), S_OK, 0.0},
      {Text(u"0." + many_zeros + u"1e400"), S_OK, 1e69},
      {I4(-5), S_OK, -5.0},
      {Signed(VT_I8, (std::int64_t{1} << 53) + 1), S_OK, 9007199254740992.0},
      {Unsigned(VT_UI8, ~std::uint64_t{0}), S_OK, 18446744073709551616.0},
      {Bool(true), S_OK, -1.0},
      {Empty(), S_OK, 0.0},
      {R8(kInf), S_OK, kInf},
      {Null(), DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& row : rows) {
    const Converted c = Convert(row.src, VT_R8);
    EXPECT_EQ(c.hr, row.hr) << row.src.label;
    if (row.hr == S_OK && c.hr == S_OK) {
      EXPECT_EQ(c.value->vt, VT_R8) << row.src.label;
      EXPECT_DOUBLE_EQ(c.value->dblVal, row.value) << row.src.label;
    }
  }
  EXPECT_TRUE(std::isnan(Convert(R8(kNaN), VT_R8).value->dblVal));
}

TEST(VariantChangeTypeTest, ToR4PassesNonFiniteValuesAndRejectsFiniteOnesPastTheRange) {
  const std::vector<Row<float>> rows = {
      {R8(1e39), DISP_E_OVERFLOW, 0},
      {R8(-1e39), DISP_E_OVERFLOW, 0},
      {Text(u"1e39"), DISP_E_OVERFLOW, 0},
      {R8(3.0e38), S_OK, 3.0e38f},
      {R8(kInf), S_OK, std::numeric_limits<float>::infinity()},
      {R8(-kInf), S_OK, -std::numeric_limits<float>::infinity()},
      {Text(u"10.5"), S_OK, 10.5f},
      {Text(u" -0.125 "), S_OK, -0.125f},
      {I4(16777217), S_OK, 16777216.0f},
      {Bool(true), S_OK, -1.0f},
      {Empty(), S_OK, 0.0f},
      {Text(u"x"), DISP_E_TYPEMISMATCH, 0},
      {Null(), DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& row : rows) {
    const Converted c = Convert(row.src, VT_R4);
    EXPECT_EQ(c.hr, row.hr) << row.src.label;
    if (row.hr == S_OK && c.hr == S_OK) {
      EXPECT_EQ(c.value->vt, VT_R4) << row.src.label;
      EXPECT_EQ(c.value->fltVal, row.value) << row.src.label;
    }
  }
  const Converted nan = Convert(R8(kNaN), VT_R4);
  EXPECT_EQ(nan.hr, S_OK);
  EXPECT_TRUE(std::isnan(nan.value->fltVal));
}

TEST(VariantChangeTypeTest, ToBstrWritesCLocaleText) {
  const std::vector<Row<std::string>> rows = {
      {I4(-5), S_OK, "-5"},
      {I4(0), S_OK, "0"},
      {R8(10.5), S_OK, "10.5"},
      {R8(0.1), S_OK, "0.1"},
      {R8(-3.0), S_OK, "-3"},
      {R4(0.1f), S_OK, "0.1"},  // the float's own digits, not the double's
      {R4(10.5f), S_OK, "10.5"},
      {Bool(true), S_OK, "-1"},
      {Bool(false), S_OK, "0"},
      {Empty(), S_OK, ""},
      {Text(u"caf\u00E9"), S_OK, "caf\xC3\xA9"},
      {Signed(VT_I8, std::numeric_limits<std::int64_t>::min()), S_OK, "-9223372036854775808"},
      {Unsigned(VT_UI8, ~std::uint64_t{0}), S_OK, "18446744073709551615"},
      {Null(), DISP_E_TYPEMISMATCH, ""},
  };
  for (const auto& row : rows) {
    const Converted c = Convert(row.src, VT_BSTR);
    EXPECT_EQ(c.hr, row.hr) << row.src.label;
    if (row.hr == S_OK && c.hr == S_OK) {
      ASSERT_EQ(c.value->vt, VT_BSTR) << row.src.label;
      ASSERT_NE(c.value->bstrVal, nullptr) << row.src.label;
      EXPECT_EQ(BstrToUtf8(c.value->bstrVal), row.value) << row.src.label;
    }
  }
}

TEST(VariantChangeTypeTest, ToBoolAcceptsWordsInAnyCaseOrNumbers) {
  const std::vector<Row<VARIANT_BOOL>> rows = {
      {Text(u"TRUE"), S_OK, VARIANT_TRUE},
      {Text(u"true"), S_OK, VARIANT_TRUE},
      {Text(u" True "), S_OK, VARIANT_TRUE},
      {Text(u"false"), S_OK, VARIANT_FALSE},
      {Text(u"FaLsE"), S_OK, VARIANT_FALSE},
      {Text(u"0"), S_OK, VARIANT_FALSE},
      {Text(u"0.0"), S_OK, VARIANT_FALSE},
      {Text(u"2"), S_OK, VARIANT_TRUE},
      {Text(u"-1"), S_OK, VARIANT_TRUE},
      {Text(u"yes"), DISP_E_TYPEMISMATCH, 0},
      {Text(u"truex"), DISP_E_TYPEMISMATCH, 0},
      {Text(u""), DISP_E_TYPEMISMATCH, 0},
      {I4(0), S_OK, VARIANT_FALSE},
      {I4(7), S_OK, VARIANT_TRUE},
      {R8(0.25), S_OK, VARIANT_TRUE},
      {Signed(VT_I8, std::int64_t{1} << 40), S_OK, VARIANT_TRUE},
      {Empty(), S_OK, VARIANT_FALSE},
      {Null(), DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& row : rows) {
    const Converted c = Convert(row.src, VT_BOOL);
    EXPECT_EQ(c.hr, row.hr) << row.src.label;
    if (row.hr == S_OK && c.hr == S_OK) {
      EXPECT_EQ(c.value->vt, VT_BOOL) << row.src.label;
      EXPECT_EQ(c.value->boolVal, row.value) << row.src.label;
    }
  }
}

TEST(VariantChangeTypeTest, TypesOutsideTheSubsetAreBadVarTypes) {
  for (const VARTYPE target : {VT_EMPTY, VT_I4, VT_R4, VT_R8, VT_BOOL, VT_BSTR}) {
    EXPECT_EQ(Convert(Signed(9999, 1), target).hr, DISP_E_BADVARTYPE) << "target " << target;
  }
  for (const VARTYPE target : {VARTYPE{VT_I2}, VARTYPE{VT_NULL}, VARTYPE{9999}}) {
    EXPECT_EQ(Convert(I4(1), target).hr, DISP_E_BADVARTYPE) << "target " << target;
  }
}

TEST(VariantChangeTypeTest, EmptyTargetDropsTheValue) {
  const Converted c = Convert(Text(u"dropped"), VT_EMPTY);
  EXPECT_EQ(c.hr, S_OK);
  EXPECT_EQ(c.value->vt, VT_EMPTY);
}

TEST(VariantChangeTypeTest, FailureReleasesWhatTheDestinationHeld) {
  Variant dest(std::u16string_view(u"previous"));
  const Variant src(std::u16string_view(u"abc"));
  EXPECT_EQ(VariantChangeType(dest.get(), src.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(dest->vt, VT_EMPTY);  // "previous" freed, or the sanitizer build reports a leak
}

TEST(VariantChangeTypeTest, InPlaceConversionReplacesTheText) {
  Variant v(std::u16string_view(u" 42 "));
  ASSERT_EQ(VariantChangeType(v.get(), v.get(), 0, VT_I4), S_OK);
  EXPECT_EQ(v->vt, VT_I4);
  EXPECT_EQ(v->lVal, 42);

  Variant text(std::u16string_view(u"same"));
  const BSTR before = text->bstrVal;
  ASSERT_EQ(VariantChangeType(text.get(), text.get(), 0, VT_BSTR), S_OK);
  EXPECT_EQ(text->vt, VT_BSTR);
  EXPECT_NE(text->bstrVal, before);
  EXPECT_EQ(BstrToUtf8(text->bstrVal), "same");

  Variant number(10.5);
  ASSERT_EQ(VariantChangeType(number.get(), number.get(), 0, VT_BSTR), S_OK);
  EXPECT_EQ(BstrToUtf8(number->bstrVal), "10.5");
}

TEST(VariantChangeTypeTest, FailedInPlaceConversionLeavesTheSourceIntact) {
  Variant v(std::u16string_view(u"abc"));
  EXPECT_EQ(VariantChangeType(v.get(), v.get(), 0, VT_I4), DISP_E_TYPEMISMATCH);
  ASSERT_EQ(v->vt, VT_BSTR);
  EXPECT_EQ(BstrToUtf8(v->bstrVal), "abc");
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

TEST(VariantCopyTest, DuplicatesTheText) {
  Variant src(std::u16string_view(u"chart"));
  Variant dest(std::u16string_view(u"overwritten"));
  ASSERT_EQ(VariantCopy(dest.get(), src.get()), S_OK);
  ASSERT_EQ(dest->vt, VT_BSTR);
  EXPECT_NE(dest->bstrVal, src->bstrVal);
  src->bstrVal[0] = u'C';
  VariantClear(src.get());
  EXPECT_EQ(BstrToUtf8(dest->bstrVal), "chart");
}

TEST(VariantCopyTest, CopiesScalarsAndNullText) {
  Variant number(2.5);
  Variant dest;
  ASSERT_EQ(VariantCopy(dest.get(), number.get()), S_OK);
  EXPECT_EQ(dest->vt, VT_R8);
  EXPECT_EQ(dest->dblVal, 2.5);

  Variant null_text;
  null_text->vt = VT_BSTR;
  null_text->bstrVal = nullptr;
  ASSERT_EQ(VariantCopy(dest.get(), null_text.get()), S_OK);
  EXPECT_EQ(dest->vt, VT_BSTR);
  EXPECT_EQ(dest->bstrVal, nullptr);
}

TEST(VariantClearTest, RefusesTypesOutsideTheSubset) {
  VARIANT v;
  v.vt = 9999;
  EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
  EXPECT_EQ(v.vt, 9999);
  Variant dest;
  EXPECT_EQ(VariantCopy(dest.get(), &v), DISP_E_BADVARTYPE);
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
  EXPECT_EQ(real.value->dblVal, 1.5) << found;
  EXPECT_EQ(Convert(Text(u"1,5"), VT_R8).hr, DISP_E_TYPEMISMATCH) << found;
  EXPECT_EQ(Convert(Text(u"1.5"), VT_I4).value->lVal, 2) << found;
  EXPECT_EQ(BstrToUtf8(Convert(R8(10.5), VT_BSTR).value->bstrVal), "10.5") << found;
  EXPECT_EQ(BstrToUtf8(Convert(R4(0.25f), VT_BSTR).value->bstrVal), "0.25") << found;
}

}  // namespace
}  // namespace tessaloom
