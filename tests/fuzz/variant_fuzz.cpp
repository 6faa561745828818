// VariantChangeType from a fuzzed source to every target, copied and in place. Input: the source
// type's byte, eight bytes of payload, then a BSTR source's text as UTF-8.
#include <cmath>
#include <cstring>
#include <iterator>

#include "tessaloom/variant.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  static constexpr VARTYPE kNullBstr = 0xFFFF;  // stands for VT_BSTR holding a null pointer
  // 9, 12, 0x2008 and 9999 lie outside the subset: dispatch, variant, BSTR array, unknown.
  static constexpr VARTYPE kSources[] = {
      VT_EMPTY, VT_NULL, VT_I1, VT_I2,   VT_I4,   VT_I8, VT_UI1,    VT_UI2, VT_UI4, VT_UI8, VT_INT,
      VT_UINT,  VT_R4,   VT_R8, VT_BOOL, VT_BSTR, 9,     kNullBstr, 12,     0x2008, 9999};
  static constexpr VARTYPE kTargets[] = {VT_EMPTY, VT_I4,   VT_R4, VT_R8,
                                         VT_BOOL,  VT_BSTR, VT_I2, 9999};
  if (size < 9) return 0;
  VARIANT src;
  src.vt = kSources[data[0] % std::size(kSources)];
  std::memcpy(&src.ullVal, data + 1, 8);  // little-endian: every numeric member takes its low bytes
  if (src.vt == VT_BSTR) src.bstrVal = BstrFromUtf8(fuzz::AsText(data + 9, size - 9));
  if (src.vt == kNullBstr) src.vt = VT_BSTR, src.bstrVal = nullptr;
  const bool supported = src.vt <= VT_R8 || src.vt == VT_BSTR || src.vt == VT_BOOL ||
                         (src.vt >= VT_I1 && src.vt <= VT_UINT);
  for (const VARTYPE target : kTargets) {
    VARIANT dest;
    const HRESULT hr = VariantChangeType(&dest, &src, 0, target);
    FUZZ_CHECK(hr == S_OK || hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW ||
               hr == DISP_E_BADVARTYPE);
    FUZZ_CHECK(supported || hr == DISP_E_BADVARTYPE);
    FUZZ_CHECK(hr == S_OK ? dest.vt == target : dest.vt == VT_EMPTY);
    FUZZ_CHECK(hr != S_OK || target != VT_BSTR || dest.bstrVal != nullptr);
    // Text made from an integer or a finite double reads back as the same value.
    if (hr == S_OK && target == VT_BSTR &&
        (src.vt == VT_I4 || (src.vt == VT_R8 && std::isfinite(src.dblVal)))) {
      VARIANT back;
      FUZZ_CHECK(VariantChangeType(&back, &dest, 0, src.vt) == S_OK);
      FUZZ_CHECK(src.vt == VT_I4 ? back.lVal == src.lVal : back.dblVal == src.dblVal);
      VariantClear(&back);
    }
    FUZZ_CHECK(VariantClear(&dest) == S_OK);
    // The same conversion in place, on a copy: a failure leaves it as it was.
    VARIANT work;
    if (VariantCopy(&work, &src) != S_OK) continue;
    FUZZ_CHECK(VariantChangeType(&work, &work, 0, target) == hr);
    FUZZ_CHECK(work.vt == (hr == S_OK ? target : src.vt));
    VariantClear(&work);
  }
  FUZZ_CHECK(VariantClear(&src) == (supported ? S_OK : DISP_E_BADVARTYPE));
  return 0;
}
