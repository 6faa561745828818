// VariantChangeType from a fuzzed source to every target, copied and in
// place. Input: one byte choosing the source type (the subset, a null BSTR,
// or a type outside the subset), eight bytes of payload, then the text of a
// BSTR source as UTF-8. Nothing may crash or leak (the sanitizer builds
// watch), every result is one of the documented codes with the documented
// shape, and numbers survive a trip through text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>

#include "platform/variant.h"
#include "tests/fuzz/fuzz_check.h"

namespace tessaloom {
namespace {

// Source types beyond the subset's own: a null BSTR, and types outside it.
constexpr VARTYPE kNullBstr = 0xFFFF;  // stands for VT_BSTR holding a null pointer
constexpr VARTYPE kDispatch = 9, kVariant = 12, kBstrArray = 0x2008, kUnknown = 9999;
constexpr VARTYPE kSources[] = {VT_EMPTY, VT_NULL,    VT_I1,   VT_I2,   VT_I4,     VT_I8,
                                VT_UI1,   VT_UI2,     VT_UI4,  VT_UI8,  VT_INT,    VT_UINT,
                                VT_R4,    VT_R8,      VT_BOOL, VT_BSTR, kNullBstr, kDispatch,
                                kVariant, kBstrArray, kUnknown};
constexpr VARTYPE kTargets[] = {VT_EMPTY, VT_I4, VT_R4, VT_R8, VT_BOOL, VT_BSTR, VT_I2, kUnknown};

bool IsSupported(VARTYPE vt) {
  return vt <= VT_R8 || vt == VT_BSTR || vt == VT_BOOL || (vt >= VT_I1 && vt <= VT_UINT);
}

VARIANT MakeSource(VARTYPE vt, std::uint64_t bits, std::string_view text) {
  VARIANT v;
  v.vt = vt;
  v.ullVal = bits;  // little-endian: every numeric member takes its low bytes
  if (vt == VT_BSTR) v.bstrVal = BstrFromUtf8(text);
  if (vt == kNullBstr) v.vt = VT_BSTR, v.bstrVal = nullptr;
  return v;
}

// Text made from an integer or a finite double reads back as the same value.
void CheckTextRoundTrip(const VARIANT& src, const VARIANT& text) {
  if (src.vt != VT_I4 && !(src.vt == VT_R8 && std::isfinite(src.dblVal))) return;
  VARIANT back;
  FUZZ_CHECK(VariantChangeType(&back, &text, 0, src.vt) == S_OK);
  FUZZ_CHECK(src.vt == VT_I4 ? back.lVal == src.lVal : back.dblVal == src.dblVal);
  VariantClear(&back);
}

}  // namespace
}  // namespace tessaloom

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  if (size < 9) return 0;
  const VARTYPE vt = kSources[data[0] % std::size(kSources)];
  std::uint64_t bits = 0;
  std::memcpy(&bits, data + 1, sizeof bits);
  const std::string_view text(reinterpret_cast<const char*>(data + 9), size - 9);
  VARIANT src = MakeSource(vt, bits, text);
  const bool supported = IsSupported(src.vt);

  for (const VARTYPE target : kTargets) {
    VARIANT dest;
    const HRESULT hr = VariantChangeType(&dest, &src, 0, target);
    FUZZ_CHECK(hr == S_OK || hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW ||
               hr == DISP_E_BADVARTYPE);
    FUZZ_CHECK(supported || hr == DISP_E_BADVARTYPE);
    FUZZ_CHECK(hr == S_OK ? dest.vt == target : dest.vt == VT_EMPTY);
    if (hr == S_OK && target == VT_BSTR) {
      FUZZ_CHECK(dest.bstrVal != nullptr);
      CheckTextRoundTrip(src, dest);
    }
    FUZZ_CHECK(VariantClear(&dest) == S_OK);

    // The same conversion in place, on a copy: a failure leaves it as it was.
    VARIANT work;
    if (VariantCopy(&work, &src) != S_OK) continue;
    const HRESULT in_place = VariantChangeType(&work, &work, 0, target);
    FUZZ_CHECK(in_place == hr);
    FUZZ_CHECK(work.vt == (hr == S_OK ? target : src.vt));
    VariantClear(&work);
  }
  FUZZ_CHECK(VariantClear(&src) == (supported ? S_OK : DISP_E_BADVARTYPE));
  return 0;
}
