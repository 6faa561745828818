#include "tessaloom/variant.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "platform/text.h"

namespace tessaloom {
namespace {

// A source value reduced to one of a few shapes, so every target needs only
// one conversion per shape.
struct Scalar {
  enum Kind { kEmpty, kNull, kSigned, kUnsigned, kReal, kText, kBool } kind = kEmpty;
  std::int64_t s = 0;
  std::uint64_t u = 0;
  double d = 0.0;
  bool single = false;  // kReal came from a float: print it at float precision
  bool b = false;
  BSTR text = nullptr;  // borrowed
};

bool Classify(const VARIANT& v, Scalar& out) {
  switch (v.vt) {
    case VT_EMPTY: out.kind = Scalar::kEmpty; return true;
    case VT_NULL: out.kind = Scalar::kNull; return true;
    case VT_I1: out.kind = Scalar::kSigned, out.s = v.cVal; return true;
    case VT_I2: out.kind = Scalar::kSigned, out.s = v.iVal; return true;
    case VT_I4: out.kind = Scalar::kSigned, out.s = v.lVal; return true;
    case VT_INT: out.kind = Scalar::kSigned, out.s = v.intVal; return true;
    case VT_I8: out.kind = Scalar::kSigned, out.s = v.llVal; return true;
    case VT_UI1: out.kind = Scalar::kUnsigned, out.u = v.bVal; return true;
    case VT_UI2: out.kind = Scalar::kUnsigned, out.u = v.uiVal; return true;
    case VT_UI4: out.kind = Scalar::kUnsigned, out.u = v.ulVal; return true;
    case VT_UINT: out.kind = Scalar::kUnsigned, out.u = v.uintVal; return true;
    case VT_UI8: out.kind = Scalar::kUnsigned, out.u = v.ullVal; return true;
    case VT_R4:
      out.kind = Scalar::kReal, out.d = static_cast<double>(v.fltVal), out.single = true;
      return true;
    case VT_R8: out.kind = Scalar::kReal, out.d = v.dblVal; return true;
    case VT_BOOL: out.kind = Scalar::kBool, out.b = v.boolVal != 0; return true;
    case VT_BSTR: out.kind = Scalar::kText, out.text = v.bstrVal; return true;
    default: return false;
  }
}

constexpr VARTYPE kByteArray = VT_ARRAY | VT_UI1;

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// For a well-formed unsigned decimal that from_chars found out of range:
// whether it is too large rather than too small. Decided by the power of ten
// of its first significant digit, mantissa and exponent together, so neither
// "1000...0e-10" nor "0.000...01" is mistaken for the other.
bool IsHugeMagnitude(std::string_view number) {
  std::size_t i = 0;
  std::int64_t integerDigits = 0;  // after leading zeros
  std::int64_t fractionZeros = 0;  // before the first significant digit
  for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i) {
    if (integerDigits > 0 || number[i] != '0') ++integerDigits;
  }
  if (i < number.size() && number[i] == '.') {
    for (++i; i < number.size() && number[i] == '0'; ++i) ++fractionZeros;
    while (i < number.size() && number[i] >= '0' && number[i] <= '9') ++i;
  }
  std::int64_t exponent = 0;
  bool negativeExponent = false;
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    ++i;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
      negativeExponent = number[i++] == '-';
    }
    // Saturated past the text's length: no larger exponent can move the
    // first significant digit to the other side of the decimal point.
    const std::int64_t limit = static_cast<std::int64_t>(number.size()) + 1000;
    for (; i < number.size(); ++i)
      exponent = std::min<std::int64_t>(exponent * 10 + (number[i] - '0'), limit);
  }
  const std::int64_t lead = integerDigits > 0 ? integerDigits - 1 : -(fractionZeros + 1);
  return lead + (negativeExponent ? -exponent : exponent) > 0;
}

// Parses a decimal number ("12", "-3.5", " 1e3 ") in the C locale. Words
// such as "inf" or "nan" are not numbers here, as they are not to a script.
HRESULT ParseNumber(BSTR text, double& out) {
  std::u16string_view view = BstrView(text);
  while (!view.empty() && IsSpace(view.front())) view.remove_prefix(1);
  while (!view.empty() && IsSpace(view.back())) view.remove_suffix(1);
  if (view.empty()) return DISP_E_TYPEMISMATCH;
  std::string ascii;
  ascii.reserve(view.size());
  for (char16_t c : view) {
    if (c > 0x7F) return DISP_E_TYPEMISMATCH;
    ascii.push_back(static_cast<char>(c));
  }
  std::size_t start = 0;
  bool negative = false;
  if (ascii[0] == '+' || ascii[0] == '-') {
    negative = ascii[0] == '-';
    start = 1;
  }
  if (start >= ascii.size()) return DISP_E_TYPEMISMATCH;
  const char first = ascii[start];
  if (!((first >= '0' && first <= '9') || first == '.')) return DISP_E_TYPEMISMATCH;
  double value = 0.0;
  const char* begin = ascii.data() + start;
  const char* end = ascii.data() + ascii.size();
  const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
  if (ptr != end) return DISP_E_TYPEMISMATCH;
  if (ec == std::errc::result_out_of_range) {
    // from_chars reports underflow the same way; a tiny number is zero.
    if (IsHugeMagnitude(std::string_view(begin, end))) return DISP_E_OVERFLOW;
    value = 0.0;
  } else if (ec != std::errc()) {
    return DISP_E_TYPEMISMATCH;
  }
  out = negative ? -value : value;
  return S_OK;
}

HRESULT ToReal(const Scalar& s, double& out) {
  switch (s.kind) {
    case Scalar::kEmpty: out = 0.0; return S_OK;
    case Scalar::kNull: return DISP_E_TYPEMISMATCH;
    case Scalar::kSigned: out = static_cast<double>(s.s); return S_OK;
    case Scalar::kUnsigned: out = static_cast<double>(s.u); return S_OK;
    case Scalar::kReal: out = s.d; return S_OK;
    case Scalar::kBool: out = s.b ? -1.0 : 0.0; return S_OK;
    case Scalar::kText: return ParseNumber(s.text, out);
  }
  return DISP_E_TYPEMISMATCH;
}

// Rounds half to even without depending on the floating-point environment.
double RoundHalfEven(double x) {
  const double lower = std::floor(x);
  const double diff = x - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

HRESULT ToInt32(const Scalar& s, std::int32_t& out) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  switch (s.kind) {
    case Scalar::kSigned:
      if (s.s < kMin || s.s > kMax) return DISP_E_OVERFLOW;
      out = static_cast<std::int32_t>(s.s);
      return S_OK;
    case Scalar::kUnsigned:
      if (s.u > static_cast<std::uint64_t>(kMax)) return DISP_E_OVERFLOW;
      out = static_cast<std::int32_t>(s.u);
      return S_OK;
    case Scalar::kBool: out = s.b ? -1 : 0; return S_OK;
    default: break;
  }
  double d = 0.0;
  if (const HRESULT hr = ToReal(s, d); FAILED(hr)) return hr;
  if (std::isnan(d)) return DISP_E_OVERFLOW;
  d = RoundHalfEven(d);
  if (d < static_cast<double>(kMin) || d > static_cast<double>(kMax)) return DISP_E_OVERFLOW;
  out = static_cast<std::int32_t>(d);
  return S_OK;
}

HRESULT ToBool(const Scalar& s, bool& out) {
  if (s.kind == Scalar::kText) {
    const std::string narrow = Utf16ToUtf8(BstrView(s.text));
    std::string_view word = narrow;
    while (!word.empty() && (word.front() == ' ' || word.front() == '\t')) word.remove_prefix(1);
    while (!word.empty() && (word.back() == ' ' || word.back() == '\t')) word.remove_suffix(1);
    if (EqualsIgnoreAsciiCase(word, "true")) return out = true, S_OK;
    if (EqualsIgnoreAsciiCase(word, "false")) return out = false, S_OK;
  }
  switch (s.kind) {
    case Scalar::kSigned: out = s.s != 0; return S_OK;
    case Scalar::kUnsigned: out = s.u != 0; return S_OK;
    case Scalar::kBool: out = s.b; return S_OK;
    default: break;
  }
  double d = 0.0;
  if (const HRESULT hr = ToReal(s, d); FAILED(hr)) return hr;
  out = d != 0.0;
  return S_OK;
}

HRESULT ToText(const Scalar& s, BSTR& out) {
  std::string text;
  switch (s.kind) {
    case Scalar::kEmpty: break;
    case Scalar::kNull: return DISP_E_TYPEMISMATCH;
    case Scalar::kSigned: text = std::to_string(s.s); break;
    case Scalar::kUnsigned: text = std::to_string(s.u); break;
    case Scalar::kBool: text = s.b ? "-1" : "0"; break;
    case Scalar::kReal: {
      char buf[64];
      const auto [ptr, ec] = s.single
                                 ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(s.d))
                                 : std::to_chars(buf, buf + sizeof buf, s.d);
      if (ec != std::errc()) return DISP_E_OVERFLOW;
      text.assign(buf, ptr);
      break;
    }
    case Scalar::kText:
      out = SysAllocStringLen(s.text, SysStringLen(s.text));
      return out == nullptr ? E_OUTOFMEMORY : S_OK;
  }
  out = BstrFromUtf8(text);
  return out == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT Convert(const Scalar& s, VARTYPE vt, VARIANT& result) {
  switch (vt) {
    case VT_EMPTY: return S_OK;
    case VT_I4: {
      std::int32_t v = 0;
      if (const HRESULT hr = ToInt32(s, v); FAILED(hr)) return hr;
      result.vt = VT_I4, result.lVal = v;
      return S_OK;
    }
    case VT_R8: {
      double v = 0.0;
      if (const HRESULT hr = ToReal(s, v); FAILED(hr)) return hr;
      result.vt = VT_R8, result.dblVal = v;
      return S_OK;
    }
    case VT_R4: {
      double v = 0.0;
      if (const HRESULT hr = ToReal(s, v); FAILED(hr)) return hr;
      // A float parameter takes finite values that fit: NaN and the
      // infinities are out of range as 1e39 is.
      if (!(std::fabs(v) <= static_cast<double>(std::numeric_limits<float>::max())))
        return DISP_E_OVERFLOW;
      result.vt = VT_R4, result.fltVal = static_cast<float>(v);
      return S_OK;
    }
    case VT_BOOL: {
      bool v = false;
      if (const HRESULT hr = ToBool(s, v); FAILED(hr)) return hr;
      result.vt = VT_BOOL, result.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
    case VT_BSTR: {
      BSTR v = nullptr;
      if (const HRESULT hr = ToText(s, v); FAILED(hr)) return hr;
      result.vt = VT_BSTR, result.bstrVal = v;
      return S_OK;
    }
    default: return DISP_E_BADVARTYPE;
  }
}

}  // namespace

void VariantInit(VARIANT* v) noexcept {
  v->vt = VT_EMPTY;
  v->llVal = 0;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, std::int32_t lowerBound,
                                 std::uint32_t count) noexcept {
  if (vt != VT_UI1 || lowerBound != 0) return nullptr;
  // Header and data in one block; the data starts at the next aligned offset.
  constexpr std::size_t kHeader = (sizeof(SAFEARRAY) + 15) / 16 * 16;
  void* block = std::calloc(1, kHeader + count);
  if (block == nullptr) return nullptr;
  auto* array = static_cast<SAFEARRAY*>(block);
  array->cDims = 1;
  array->cbElements = 1;
  array->cElements = count;
  array->lLbound = 0;
  array->pvData = count == 0 ? nullptr : static_cast<std::uint8_t*>(block) + kHeader;
  return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) noexcept {
  std::free(array);
  return S_OK;
}

HRESULT VariantClear(VARIANT* v) noexcept {
  if (v == nullptr) return E_POINTER;
  if (v->vt == kByteArray) {
    SafeArrayDestroy(v->parray);
    VariantInit(v);
    return S_OK;
  }
  Scalar s;
  if (!Classify(*v, s)) return DISP_E_BADVARTYPE;
  if (v->vt == VT_BSTR) SysFreeString(v->bstrVal);
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) noexcept {
  if (dest == nullptr || src == nullptr) return E_POINTER;
  if (dest == src) return S_OK;
  if (src->vt == kByteArray) {
    const std::uint32_t count = src->parray != nullptr ? src->parray->cElements : 0;
    SAFEARRAY* copy = SafeArrayCreateVector(VT_UI1, 0, count);
    if (copy == nullptr) return E_OUTOFMEMORY;
    if (count != 0) std::memcpy(copy->pvData, src->parray->pvData, count);
    if (const HRESULT hr = VariantClear(dest); FAILED(hr)) {
      SafeArrayDestroy(copy);
      return hr;
    }
    dest->vt = kByteArray;
    dest->parray = copy;
    return S_OK;
  }
  Scalar s;
  if (!Classify(*src, s)) return DISP_E_BADVARTYPE;
  if (const HRESULT hr = VariantClear(dest); FAILED(hr)) return hr;
  if (src->vt == VT_BSTR) {
    BSTR copy = nullptr;
    if (src->bstrVal != nullptr) {
      copy = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
      if (copy == nullptr) return E_OUTOFMEMORY;
    }
    dest->vt = VT_BSTR;
    dest->bstrVal = copy;
    return S_OK;
  }
  *dest = *src;
  return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, std::uint16_t /*flags*/,
                          VARTYPE vt) noexcept {
  if (dest == nullptr || src == nullptr) return E_POINTER;
  if (src->vt == kByteArray) {
    if (dest != src) VariantClear(dest);
    return DISP_E_TYPEMISMATCH;
  }
  Scalar s;
  if (!Classify(*src, s)) return DISP_E_BADVARTYPE;
  VARIANT result;
  HRESULT hr = E_OUTOFMEMORY;
  try {
    hr = Convert(s, vt, result);
  } catch (...) {
    hr = E_OUTOFMEMORY;
  }
  if (FAILED(hr)) {
    if (dest != src) VariantClear(dest);
    return hr;
  }
  if (dest == src) {
    VariantClear(dest);
  } else if (const HRESULT cleared = VariantClear(dest); FAILED(cleared)) {
    VariantClear(&result);
    return cleared;
  }
  *dest = result;
  return S_OK;
}

Variant::Variant(std::u16string_view text) noexcept {
  if (text.size() > kMaxBstrLength) return;
  BSTR b = SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()));
  if (b == nullptr) return;
  v_.vt = VT_BSTR;
  v_.bstrVal = b;
}

}  // namespace tessaloom
