// Creation of objects through the registry, as a host's object activation
// does: a ProgID gives a class (HKEY_CLASSES_ROOT\<ProgID>\CLSID; a
// version-independent ProgID through its CurVer), the class gives its server
// library (HKEY_CLASSES_ROOT\CLSID\{CLSID}\InprocServer32, a full path), the
// library is loaded once per process, and its DllGetClassObject hands out the
// class factory that creates the object.
//
// The registry comes in as a document, and libraries through a ServerLoader,
// so tests can run against an in-memory registry and a fake loader; the
// functions at the end use the registry file and the real loader. All
// functions may be called from any thread.
#pragma once

#include <string>
#include <string_view>

#include "platform/registry_document.h"
#include "tessaloom/com.h"
#include "tessaloom/create_object.h"

namespace tessaloom {

// Activation failures, with the Windows values. (CO_E_CLASSSTRING: no class
// for the ProgID; REGDB_E_CLASSNOTREG: the class has no registered server.)
inline constexpr HRESULT REGDB_E_READREGDB = MakeHresult(0x80040150);
inline constexpr HRESULT CO_E_DLLNOTFOUND = MakeHresult(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = MakeHresult(0x800401F9);

using DllGetClassObjectFunction = HRESULT (*)(const CLSID&, const IID&, void**) noexcept;

// Opens server libraries and finds their DllGetClassObject.
class ServerLoader {
 public:
  virtual ~ServerLoader() = default;

  // The operating system's loader (dlopen). Each path is loaded once, and its
  // handle kept, for the rest of the process; the table of handles is
  // guarded, so any thread may use it.
  static ServerLoader& Default() noexcept;

  // Sets `entry` to the DllGetClassObject of the library at `path`, loading
  // the library on first use. S_OK, or CO_E_DLLNOTFOUND (the library cannot
  // be loaded) or CO_E_ERRORINDLL (it has no such export) with the loader's
  // reason in `error`; `entry` is then null.
  virtual HRESULT FindClassObjectEntry(const std::string& path, DllGetClassObjectFunction& entry,
                                       std::string& error) noexcept = 0;
};

// The class of `progId` in `registry`. The version-independent ProgID leads
// through CurVer to the versioned one; a ProgID without CurVer, or whose
// CurVer names no class, gives its own CLSID subkey. CO_E_CLASSSTRING (and
// GUID_NULL) when the registry names no class for it. Names ignore ASCII case.
HRESULT CLSIDFromProgID(const RegistryDocument& registry, std::string_view progId,
                        CLSID& clsid) noexcept;

// The class factory of `clsid` as interface `iid`: the registered server
// library, loaded through `loader`, asked through its DllGetClassObject.
// REGDB_E_CLASSNOTREG when the class or its InprocServer32 path is not
// registered; CO_E_DLLNOTFOUND when the path is not a full path or cannot be
// loaded; otherwise the loader's or the library's code. A message for every
// failure goes to `error`.
HRESULT CoGetClassObject(const RegistryDocument& registry, ServerLoader& loader, REFCLSID clsid,
                         REFIID iid, void** object, std::string& error) noexcept;

// A new object of `clsid` as interface `iid`, from the class factory above
// (`outer` for aggregation, as IClassFactory::CreateInstance takes it).
HRESULT CoCreateInstance(const RegistryDocument& registry, ServerLoader& loader, REFCLSID clsid,
                         IUnknown* outer, REFIID iid, void** object, std::string& error) noexcept;

// A new object of the class `progId` names in the registry file, as `iid`,
// through the real loader. CO_E_CLASSSTRING when the registry names no class
// for it (the message says how to register one).
HRESULT CreateRegisteredObject(std::string_view progId, REFIID iid, void** object,
                               std::string& error) noexcept;

// CoCreateInstance on the registry file and the real loader, and
// CreateObjectFromProgID (component/module.cpp: it falls back to this
// library's own class), are declared in tessaloom/create_object.h, for hosts.

}  // namespace tessaloom
