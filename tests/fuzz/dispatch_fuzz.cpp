// A hostile script's late-bound calls on one GraphGenerator. Each call: member, flags and shape
// bytes (argument count in bits 0-1, extra names in bits 2-3, bit 7 names the put value first), a
// byte per extra name (bits 0-1: DISPID_PROPERTYPUT, small, negative or a parameter's own; the rest
// picks which), then per argument a type byte, eight payload bytes and a length byte with that much
// UTF-8 text. Every result is a documented code, a failing argument one of the call's.
#include <cstring>

#include "component/type_library.h"
#include "platform/text.h"
#include "tessaloom/tessaloom.h"
#include "tests/fuzz/fuzz_check.h"

namespace tessaloom {
namespace {

constexpr VARTYPE kTypes[] = {VT_EMPTY, VT_NULL, VT_I2, VT_I4,  VT_R4, VT_R8,
                              VT_BSTR,  VT_BOOL, VT_I8, VT_UI8, 9999};

bool Documented(HRESULT hr) {
  return hr == S_OK || hr == S_FALSE || hr == E_NOTIMPL || hr == E_INVALIDARG ||
         hr == E_OUTOFMEMORY || hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_PARAMNOTFOUND ||
         hr == DISP_E_TYPEMISMATCH || hr == DISP_E_NONAMEDARGS || hr == DISP_E_BADVARTYPE ||
         hr == DISP_E_OVERFLOW || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTOPTIONAL;
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
  std::size_t at = 0;
  const auto byte = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
  for (int call = 0; call < 64 && at < size; ++call) {
    const std::uint8_t member = byte();
    const DISPID dispid = member < members.size() ? members[member].dispid : member;
    const auto flags = static_cast<WORD>(byte() & 0x0F);
    const std::uint8_t shape = byte();
    std::vector<DISPID> named;
    if (shape & 0x80u) named.push_back(DISPID_PROPERTYPUT);
    for (unsigned i = 0; i < ((shape >> 2) & 3u); ++i) {
      const std::uint8_t pick = byte();
      switch (pick & 3u) {
        case 0: named.push_back(DISPID_PROPERTYPUT); break;
        case 1: named.push_back(pick >> 2); break;
        case 2: named.push_back(-static_cast<DISPID>(pick >> 2)); break;
        default: named.push_back(parameterId(member, static_cast<std::uint8_t>(pick >> 2)));
      }
    }
    std::vector<Variant> args(shape & 3u);
    for (Variant& arg : args) {
      const VARTYPE vt = kTypes[byte() % std::size(kTypes)];
      std::uint64_t bits = 0;
      for (int i = 0; i < 8; ++i) bits = bits << 8 | byte();
      const std::size_t length = byte();
      const std::string_view text = fuzz::AsText(data, size).substr(at, length);
      at += text.size();
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
