// Late-bound calls with fuzzed members, flags, named arguments and argument
// values against one GraphGenerator, as a hostile script could make them.
// Input: a sequence of calls, each: member byte, flags byte, shape byte
// (argument count in the low 2 bits, extra named arguments in bits 2-3,
// bit 7 puts the property-put name first), one byte per extra named
// argument (low 2 bits: DISPID_PROPERTYPUT, a small DISPID, a negative one,
// or a parameter's DISPID as GetIDsOfNames gives it; the rest picks which),
// then per argument a type byte, eight payload bytes and a length byte
// followed by that many bytes of UTF-8 text. Nothing may crash, leak or
// hang, every result is a documented code, and a failing argument is one
// of the call's.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "component/type_library.h"
#include "platform/text.h"
#include "tessaloom/tessaloom.h"
#include "tests/fuzz/fuzz_check.h"

namespace tessaloom {
namespace {

constexpr VARTYPE kTypes[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4,  VT_R4, VT_R8,
                              VT_BSTR,  VT_BOOL, VT_I8, VT_UI8, 9999};

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint64_t Bits() {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | Byte();
    return bits;
  }
  std::string_view Text(std::size_t n) {
    n = n < size_ - pos_ ? n : size_ - pos_;
    std::string_view text(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

bool Documented(HRESULT hr) {
  const HRESULT codes[] = {S_OK,
                           S_FALSE,
                           E_NOTIMPL,
                           E_INVALIDARG,
                           E_OUTOFMEMORY,
                           DISP_E_MEMBERNOTFOUND,
                           DISP_E_PARAMNOTFOUND,
                           DISP_E_TYPEMISMATCH,
                           DISP_E_NONAMEDARGS,
                           DISP_E_BADVARTYPE,
                           DISP_E_OVERFLOW,
                           DISP_E_BADPARAMCOUNT,
                           DISP_E_PARAMNOTOPTIONAL};
  for (HRESULT code : codes) {
    if (hr == code) return true;
  }
  return false;
}

}  // namespace
}  // namespace tessaloom

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  ComPtr<IClassFactory> factory;
  ComPtr<IDispatch> object;
  if (DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, factory.out()) != S_OK ||
      factory->CreateInstance(nullptr, IID_IDispatch, object.out()) != S_OK) {
    return 0;
  }
  const auto& members = GraphGenerator2Interface().members;
  // A parameter's DISPID as a script engine would ask for it by name.
  auto parameterId = [&](std::uint8_t member, std::uint8_t pick) -> DISPID {
    if (member >= members.size() || members[member].parameterCount == 0) return DISPID_UNKNOWN;
    const MemberDescription& m = members[member];
    std::u16string name = Utf8ToUtf16(m.name);
    std::u16string param = Utf8ToUtf16(m.parameters[pick % m.parameterCount].name);
    OLECHAR* names[] = {name.data(), param.data()};
    DISPID ids[2] = {};
    FUZZ_CHECK(object->GetIDsOfNames(GUID_NULL, names, 2, 0, ids) == S_OK);
    return ids[1];
  };
  Reader in(data, size);
  for (int call = 0; call < 64 && !in.Empty(); ++call) {
    const std::uint8_t member = in.Byte();
    const DISPID dispid = member < members.size() ? members[member].dispid : member;
    const auto flags = static_cast<WORD>(in.Byte() & 0x0F);
    const std::uint8_t shape = in.Byte();
    std::vector<DISPID> named;
    if (shape & 0x80u) named.push_back(DISPID_PROPERTYPUT);
    for (unsigned i = 0; i < ((shape >> 2) & 3u); ++i) {
      const std::uint8_t pick = in.Byte();
      switch (pick & 3u) {
        case 0: named.push_back(DISPID_PROPERTYPUT); break;
        case 1: named.push_back(pick >> 2); break;
        case 2: named.push_back(-static_cast<DISPID>(pick >> 2)); break;
        default: named.push_back(parameterId(member, static_cast<std::uint8_t>(pick >> 2)));
      }
    }
    std::vector<Variant> args(shape & 3u);
    for (Variant& arg : args) {
      const VARTYPE vt = kTypes[in.Byte() % std::size(kTypes)];
      const std::uint64_t bits = in.Bits();
      const std::string_view text = in.Text(in.Byte());
      VARIANT* v = arg.get();
      if (vt == VT_BSTR) {
        v->bstrVal = BstrFromUtf8(text);
      } else {
        std::memcpy(&v->llVal, &bits, sizeof bits);  // the widest member
      }
      v->vt = vt;
    }
    std::vector<VARIANT> raw;
    for (Variant& arg : args) raw.push_back(*arg.get());
    // More names than arguments is a malformed call the object must refuse.
    DISPPARAMS params{raw.data(), named.empty() ? nullptr : named.data(),
                      static_cast<UINT>(raw.size()), static_cast<UINT>(named.size())};
    Variant result;
    constexpr UINT kUnset = 0xFFFFFFFF;
    UINT argError = kUnset;
    const HRESULT hr =
        object->Invoke(dispid, GUID_NULL, 0, flags, &params, result.get(), nullptr, &argError);
    FUZZ_CHECK(Documented(hr));
    FUZZ_CHECK(FAILED(hr) ? argError == kUnset || argError < raw.size() : argError == kUnset);
    // An unsupported type must not reach VariantClear in the Variant's destructor.
    for (Variant& arg : args) {
      if (arg->vt == 9999) arg->vt = VT_EMPTY;
    }
  }
  Bstr reason;
  FUZZ_CHECK(static_cast<IGraphGenerator*>(object.get())->get_ErrorReason(reason.out()) == S_OK);
  return 0;
}
