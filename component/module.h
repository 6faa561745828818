// The server module: its count of live objects and factory locks (atomic,
// since objects of different threads share it), the class factory of
// GraphGenerator, and creation by ProgID for hosts.
#pragma once

#include <string_view>

#include "platform/com.h"

namespace tessaloom {

void ModuleAddObject() noexcept;
void ModuleReleaseObject() noexcept;
// Live objects plus factory locks.
long ModuleLockCount() noexcept;

// The class object for `clsid` as interface `iid` (IClassFactory or
// IUnknown). CLASS_E_CLASSNOTAVAILABLE for any other class.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) noexcept;

// Class of a ProgID this library serves ("Tessaloom.GraphGenerator" and
// "Tessaloom.GraphGenerator.1", ignoring ASCII case); CO_E_CLASSSTRING for
// any other text.
HRESULT ClassFromProgId(std::string_view progId, CLSID* clsid) noexcept;

}  // namespace tessaloom

// Entry points of the library, with C linkage as an in-process server has.
extern "C" {
tessaloom::HRESULT DllGetClassObject(const tessaloom::CLSID& clsid, const tessaloom::IID& iid,
                                     void** object) noexcept;
tessaloom::HRESULT DllCanUnloadNow() noexcept;
}
