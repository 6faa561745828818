// Registration of the in-process server: the GraphGenerator class with its
// two ProgIDs, and the TESSALOOMLib type library with its interface, written
// under HKEY_CLASSES_ROOT of the registry file (platform/registry.h) the way
// a class registration script and a type-library registration record them:
//
//   Tessaloom.GraphGenerator.1            @ "GraphGenerator Class"
//     CLSID                               @ {CLSID}
//   Tessaloom.GraphGenerator              @ "GraphGenerator Class"
//     CLSID                               @ {CLSID}
//     CurVer                              @ "Tessaloom.GraphGenerator.1"
//   CLSID\{CLSID}                         @ "GraphGenerator Class"
//     ProgID                              @ "Tessaloom.GraphGenerator.1"
//     VersionIndependentProgID            @ "Tessaloom.GraphGenerator"
//     Programmable
//     InprocServer32                      @ library path, ThreadingModel "Apartment"
//     TypeLib                             @ {LIBID}
//   TypeLib\{LIBID}
//     1.0                                 @ "Tessaloom 1.0 Type Library"
//       FLAGS                             @ "0"
//       HELPDIR                           @ the library's folder
//       409\linux64                       @ library path (locale 1033; "linux32"
//                                           for a 32-bit library)
//   Interface\{IID}                       @ "IGraphGenerator"
//     ProxyStubClsid32                    @ {00020424-0000-0000-C000-000000000046}
//     TypeLib                             @ {LIBID}, Version "1.0"
//
// Unregistration removes CLSID\{CLSID}, TypeLib\{LIBID}\1.0 and
// Interface\{IID} whole, TypeLib\{LIBID} when nothing else is left in it,
// and from the ProgID keys the values above, each key going when it is left
// empty. The CLSID, TypeLib and Interface keys themselves always stay, as
// does every key and value not named here, and every other line of the file
// (EditRegistry). Functions are safe from any thread; the file functions
// replace the file in one step, under the registry's lock.
#pragma once

#include <string>
#include <string_view>

#include "platform/registry_document.h"
#include "tessaloom/com.h"

namespace tessaloom {

// DllRegisterServer's failure codes, with the Windows values.
inline constexpr HRESULT SELFREG_E_TYPELIB = MakeHresult(0x80040200);
inline constexpr HRESULT SELFREG_E_CLASS = MakeHresult(0x80040201);

// {00020424-0000-0000-C000-000000000046}: the standard marshaler of
// automation (dual and oleautomation) interfaces.
inline constexpr CLSID CLSID_PSOAInterface{
    0x00020424, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Adds or overwrites the entries above in `registry`, with `libraryPath` as
// the server. Every other key and value stays as it was.
void AddServerEntries(RegistryDocument& registry, std::string_view libraryPath);

// Removes the entries above from `registry`; removing entries that are not
// there changes nothing.
void RemoveServerEntries(RegistryDocument& registry);

// The full path of this library as the loader opened it (dladdr). False,
// with a message in `error`, when it cannot be told.
[[nodiscard]] bool ThisLibraryPath(std::string& path, std::string& error) noexcept;

// Reads the registry file, adds (removes) the entries, and replaces the file.
// `libraryPath` must be a full path without control characters, else
// E_INVALIDARG. Other failures give SELFREG_E_CLASS (E_OUTOFMEMORY when
// memory runs out) with the reason in `error`, and leave the file as it was.
HRESULT RegisterServer(std::string_view libraryPath, std::string& error) noexcept;
HRESULT UnregisterServer(std::string& error) noexcept;

}  // namespace tessaloom
