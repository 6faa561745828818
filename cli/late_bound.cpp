#include "cli/late_bound.h"

#include "platform/text.h"

namespace tessaloom::cli {

LateBound::LateBound() {
  ComPtr<IClassFactory> factory;
  if (FAILED(DllGetClassObject(CLSID_GraphGenerator, IID_IClassFactory, factory.out()))) return;
  factory->CreateInstance(nullptr, IID_IDispatch, object_.out());
}

Variant LateBound::Text(std::string_view utf8) {
  const std::u16string wide = Utf8ToUtf16(utf8);
  return Variant(std::u16string_view(wide));
}

HRESULT LateBound::Invoke(std::string_view name, WORD flags, std::vector<Variant>& args,
                          VARIANT* result) {
  if (!object_) return E_POINTER;
  std::u16string wide = Utf8ToUtf16(name);
  OLECHAR* names[] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  if (const HRESULT hr = object_->GetIDsOfNames(GUID_NULL, names, 1, 0, &id); FAILED(hr)) {
    return hr;
  }
  std::vector<VARIANT> raw;
  for (auto it = args.rbegin(); it != args.rend(); ++it) raw.push_back(*it->get());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{raw.data(), nullptr, static_cast<UINT>(raw.size()), 0};
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  return object_->Invoke(id, GUID_NULL, 0, flags, &params, result, nullptr, nullptr);
}

HRESULT LateBound::Put(std::string_view name, Variant value) {
  std::vector<Variant> args;
  args.push_back(std::move(value));
  return Invoke(name, DISPATCH_PROPERTYPUT, args, nullptr);
}

HRESULT LateBound::Call(std::string_view name, std::vector<Variant> args) {
  return Invoke(name, DISPATCH_METHOD, args, nullptr);
}

std::string LateBound::ErrorReason() {
  std::vector<Variant> none;
  Variant result;
  if (FAILED(Invoke("ErrorReason", DISPATCH_PROPERTYGET, none, result.get())) ||
      result->vt != VT_BSTR) {
    return "(ErrorReason could not be read)";
  }
  return BstrToUtf8(result->bstrVal);
}

Variant LateBound::Get(std::string_view name) {
  std::vector<Variant> none;
  Variant result;
  if (FAILED(Invoke(name, DISPATCH_PROPERTYGET, none, result.get()))) return Variant();
  return result;
}

std::string LateBound::GetText(std::string_view name) {
  Variant value = Get(name);
  return value->vt == VT_BSTR ? BstrToUtf8(value->bstrVal) : std::string();
}

}  // namespace tessaloom::cli
