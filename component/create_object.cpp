// Creation by ProgID for hosts: the registry file first, then this library's
// own class. A file of its own, so that a program linking the component
// statically without creating objects by ProgID never links the loader.
#include "tessaloom/create_object.h"

#include "platform/activation.h"
#include "platform/com_object.h"
#include "tessaloom/module.h"

namespace tessaloom {

HRESULT CreateObjectFromProgID(std::string_view progId, REFIID iid, void** object,
                               std::string& error) noexcept {
  const HRESULT hr = CreateRegisteredObject(progId, iid, object, error);
  CLSID own;
  if (hr != CO_E_CLASSSTRING || FAILED(ClassFromProgId(progId, &own))) return hr;
  // A ProgID of this library that the registry does not name (no registry
  // file at all included) is served by the library itself, as the Python
  // host does.
  error.clear();
  ComPtr<IClassFactory> factory;
  const HRESULT got = GetClassObject(own, IID_IClassFactory, factory.out());
  return FAILED(got) ? got : factory->CreateInstance(nullptr, iid, object);
}

}  // namespace tessaloom
