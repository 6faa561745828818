// The server module: its count of live objects and factory locks (atomic,
// since objects of different threads share it), the class factory of
// GraphGenerator, and the library's entry points as an in-process server
// exports them. Any thread.
#pragma once

#include <string_view>

#include "tessaloom/com.h"

namespace tessaloom {

// Called by every object's constructor and destructor.
void ModuleAddObject() noexcept;
void ModuleReleaseObject() noexcept;
// IClassFactory::LockServer. Unlocking when no lock is held changes nothing
// and fails (E_UNEXPECTED): a stray unlock must not let the count reach zero
// while an object is alive.
HRESULT ModuleLockServer(bool lock) noexcept;
// Live objects plus factory locks.
long ModuleLockCount() noexcept;

// The class object for `clsid` as interface `iid` (IClassFactory or
// IUnknown). CLASS_E_CLASSNOTAVAILABLE for any other class. Its
// CreateInstance makes one CGraphGenerator per call; with an outer object it
// must be asked for IID_IUnknown (else CLASS_E_NOAGGREGATION) and returns
// the inner, non-delegating IUnknown of the aggregated object.
HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) noexcept;

// Class of a ProgID this library serves ("Tessaloom.GraphGenerator" and
// "Tessaloom.GraphGenerator.1", ignoring ASCII case); CO_E_CLASSSTRING for
// any other text. Needs no registry.
HRESULT ClassFromProgId(std::string_view progId, CLSID* clsid) noexcept;

}  // namespace tessaloom

// Entry points of the library, with C linkage as an in-process server has.
extern "C" {
// The class factory (see GetClassObject).
tessaloom::HRESULT DllGetClassObject(const tessaloom::CLSID& clsid, const tessaloom::IID& iid,
                                     void** object) noexcept;
// S_OK when no object and no factory lock is alive, else S_FALSE.
tessaloom::HRESULT DllCanUnloadNow() noexcept;
// Write and remove the class's and type library's registry entries, with
// this library's full path as the server (component/registration.h).
tessaloom::HRESULT DllRegisterServer() noexcept;
tessaloom::HRESULT DllUnregisterServer() noexcept;
}
