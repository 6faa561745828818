// The subset of automation VARIANTs that scripts pass: empty, null, integers,
// float, double, bool and BSTR, and the one array the component hands out: a
// vector of bytes (VT_ARRAY | VT_UI1, an image's bytes). A VARIANT holding a
// BSTR or an array owns it; VariantClear releases it. Conversions follow VariantChangeType: numbers
// and text convert in the "C" locale with '.' as the decimal point, independent of the process
// locale.
#pragma once

#include <cstdint>
#include <string_view>

#include "tessaloom/bstr.h"
#include "tessaloom/hresult.h"

namespace tessaloom {

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_VARIANT = 12,  // a parameter or result of any type, as the caller gave it
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_ARRAY = 0x2000,  // a flag: VT_ARRAY | VT_UI1 is an array of bytes
};

// A one-dimensional array of bytes with lower bound 0, allocated in one block
// with its data. Only SafeArrayCreateVector makes one; only SafeArrayDestroy
// (or VariantClear of the VARIANT holding it) frees it.
struct SAFEARRAY {
  std::uint16_t cDims;       // 1
  std::uint32_t cbElements;  // 1
  std::uint32_t cElements;   // the number of bytes
  std::int32_t lLbound;      // 0
  std::uint8_t* pvData;      // cElements bytes (null when there are none)
};

// A zeroed byte vector of `count` elements. Null for a type other than VT_UI1,
// a lower bound other than 0, or no memory.
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, std::int32_t lowerBound, std::uint32_t count) noexcept;
// Frees `array` (null is fine).
HRESULT SafeArrayDestroy(SAFEARRAY* array) noexcept;

struct VARIANT {
  VARTYPE vt = VT_EMPTY;
  union {
    std::int8_t cVal;
    std::uint8_t bVal;
    std::int16_t iVal;
    std::uint16_t uiVal;
    std::int32_t lVal;
    std::uint32_t ulVal;
    std::int32_t intVal;
    std::uint32_t uintVal;
    std::int64_t llVal;
    std::uint64_t ullVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
    SAFEARRAY* parray;  // VT_ARRAY | VT_UI1
  };
  VARIANT() : llVal(0) {}
};

// Sets `v` to VT_EMPTY without releasing anything.
void VariantInit(VARIANT* v) noexcept;
// Releases what `v` owns and sets it to VT_EMPTY. DISP_E_BADVARTYPE (and `v`
// untouched) for a type outside the subset.
HRESULT VariantClear(VARIANT* v) noexcept;
// Clears `dest`, then deep-copies `src` (a BSTR or an array is duplicated).
HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) noexcept;

// Converts `src` to `vt` into `dest` (which is cleared first; `dest` may be
// `src`). Targets: VT_EMPTY, VT_I4, VT_R4, VT_R8, VT_BOOL, VT_BSTR.
// Results: S_OK; DISP_E_TYPEMISMATCH (null, non-numeric text);
// DISP_E_OVERFLOW (NaN or out-of-range to an integer, NaN, an infinity or a
// value past the float range to VT_R4, a number too long for text);
// DISP_E_BADVARTYPE (a
// source or target outside the subset); DISP_E_TYPEMISMATCH for an array
// source (arrays convert to nothing); E_OUTOFMEMORY. On failure `dest` is
// left VT_EMPTY (or unchanged when it is `src`). Integers round half to even;
// NaN and infinities pass to VT_R8 unchanged; bool to text is "-1"
// or "0"; text to bool accepts "True"/"False" in any case, or a number.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, std::uint16_t flags,
                          VARTYPE vt) noexcept;

// Owner of one VARIANT, for hosts and tests.
class Variant {
 public:
  Variant() = default;
  explicit Variant(std::int32_t value) noexcept { v_.vt = VT_I4, v_.lVal = value; }
  explicit Variant(double value) noexcept { v_.vt = VT_R8, v_.dblVal = value; }
  explicit Variant(float value) noexcept { v_.vt = VT_R4, v_.fltVal = value; }
  explicit Variant(bool value) noexcept {
    v_.vt = VT_BOOL, v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  // A VT_BSTR copy of `text`; VT_EMPTY when allocation fails.
  explicit Variant(std::u16string_view text) noexcept;
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      VariantClear(&v_);
      v_ = other.v_;
      VariantInit(&other.v_);
    }
    return *this;
  }
  ~Variant() { VariantClear(&v_); }

  static Variant Null() noexcept {
    Variant v;
    v.v_.vt = VT_NULL;
    return v;
  }
  VARIANT* get() noexcept { return &v_; }
  const VARIANT* get() const noexcept { return &v_; }
  VARIANT* operator->() noexcept { return &v_; }
  const VARIANT* operator->() const noexcept { return &v_; }

 private:
  VARIANT v_;
};

}  // namespace tessaloom
