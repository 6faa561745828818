#include "component/registration.h"

#include <cerrno>
#include <filesystem>
#include <functional>
#include <new>
#include <vector>

#include "component/type_library.h"
#include "platform/library_path.h"
#include "platform/registry_file.h"
#include "platform/text.h"
#include "tessaloom/igraph_generator.h"
#include "tessaloom/module.h"

namespace tessaloom {
namespace {

constexpr std::string_view kRoot = "HKEY_CLASSES_ROOT\\";
constexpr char kThreadingModel[] = "Apartment";

std::string Key(std::string_view a, std::string_view b = {}, std::string_view c = {},
                std::string_view d = {}) {
  std::string key(kRoot);
  key += a;
  for (std::string_view part : {b, c, d}) {
    if (part.empty()) continue;
    key += '\\';
    key += part;
  }
  return key;
}

std::string VersionText() {
  const TypeLibraryDescription& lib = TessaloomTypeLibrary();
  return std::to_string(lib.majorVersion) + "." + std::to_string(lib.minorVersion);
}

// The locale subkey of a type library's version key: its LCID in hexadecimal.
std::string LocaleText() {
  static constexpr char kDigits[] = "0123456789abcdef";
  LCID lcid = TessaloomTypeLibrary().lcid;
  std::string text;
  do {
    text.insert(text.begin(), kDigits[lcid & 0xF]);
    lcid >>= 4;
  } while (lcid != 0);
  return text;
}

// The platform subkey under the locale: which kind of binary the path is.
constexpr const char* kPlatform = sizeof(void*) == 8 ? "linux64" : "linux32";

bool HasDescendants(const RegistryDocument& registry, std::string_view path) {
  const std::string prefix = std::string(path) + "\\";
  for (const RegistryKey& key : registry.Keys()) {
    if (key.path.size() > prefix.size() &&
        EqualsIgnoreAsciiCase(std::string_view(key.path).substr(0, prefix.size()), prefix)) {
      return true;
    }
  }
  return false;
}

// Removes `key` when it holds no value and no key below it.
void DeleteKeyIfEmpty(RegistryDocument& registry, std::string_view path) {
  const RegistryKey* key = registry.FindKey(path);
  if (key != nullptr && key->values.empty() && !HasDescendants(registry, path)) {
    registry.DeleteKeyTree(path);
  }
}

// Removes the default value of `path`, then the key when that left it empty.
void DeleteDefaultAndKeyIfEmpty(RegistryDocument& registry, std::string_view path) {
  registry.DeleteValue(path, "");
  DeleteKeyIfEmpty(registry, path);
}

// The library's path as it was when it loaded: the loader may have named it
// relative to a current folder the host has changed since. Its own copy's,
// not another copy's loaded first.
bool PathOfThisLibrary(std::string& path, std::string& error) noexcept {
  try {
    if (OwnLibraryFolder().empty()) {
      error = "The library's own path cannot be found";
      return false;
    }
    path = std::string(OwnLibraryFolder()).append(OwnLibraryName());
    return true;
  } catch (...) {
    AssignOrClear(error, "Not enough memory to find the library's path");
    return false;
  }
}

HRESULT FailureCode(int code) noexcept { return code == ENOMEM ? E_OUTOFMEMORY : SELFREG_E_CLASS; }

HRESULT ChangeRegistryFile(const std::function<void(RegistryDocument&)>& change,
                           std::string& error) noexcept {
  int code = 0;
  return EditRegistry(change, error, &code) ? S_OK : FailureCode(code);
}

}  // namespace

void AddServerEntries(RegistryDocument& registry, std::string_view libraryPath) {
  const TypeLibraryDescription& lib = TessaloomTypeLibrary();
  const std::string clsid = GuidToString(lib.clsid);
  const std::string libid = GuidToString(lib.libid);
  const std::string version = VersionText();

  registry.SetString(Key(kProgId), "", lib.coclassHelpString);
  registry.SetString(Key(kProgId, "CLSID"), "", clsid);
  registry.SetString(Key(kVersionIndependentProgId), "", lib.coclassHelpString);
  registry.SetString(Key(kVersionIndependentProgId, "CLSID"), "", clsid);
  registry.SetString(Key(kVersionIndependentProgId, "CurVer"), "", kProgId);

  const std::string classKey = Key("CLSID", clsid);
  registry.SetString(classKey, "", lib.coclassHelpString);
  registry.SetString(classKey + "\\ProgID", "", kProgId);
  registry.SetString(classKey + "\\VersionIndependentProgID", "", kVersionIndependentProgId);
  registry.CreateKey(classKey + "\\Programmable");
  registry.SetString(classKey + "\\InprocServer32", "", libraryPath);
  registry.SetString(classKey + "\\InprocServer32", "ThreadingModel", kThreadingModel);
  registry.SetString(classKey + "\\TypeLib", "", libid);

  const std::string versionKey = Key("TypeLib", libid, version);
  const std::string folder = std::filesystem::path(libraryPath).parent_path().string();
  registry.CreateKey(Key("TypeLib", libid));
  registry.SetString(versionKey, "", lib.helpString);
  registry.SetString(versionKey + "\\FLAGS", "", "0");
  registry.SetString(versionKey + "\\HELPDIR", "", folder);
  registry.CreateKey(versionKey + "\\" + LocaleText());
  registry.SetString(versionKey + "\\" + LocaleText() + "\\" + kPlatform, "", libraryPath);

  // Both interfaces are dual: marshalled through the automation proxy and
  // described by the type library.
  for (const InterfaceDescription* described : {&lib.interface, &lib.defaultInterface}) {
    const std::string interfaceKey = Key("Interface", GuidToString(described->iid));
    registry.SetString(interfaceKey, "", described->name);
    registry.SetString(interfaceKey + "\\ProxyStubClsid32", "", GuidToString(CLSID_PSOAInterface));
    registry.SetString(interfaceKey + "\\TypeLib", "", libid);
    registry.SetString(interfaceKey + "\\TypeLib", "Version", version);
  }
}

void RemoveServerEntries(RegistryDocument& registry) {
  const TypeLibraryDescription& lib = TessaloomTypeLibrary();
  const std::string libid = GuidToString(lib.libid);

  DeleteDefaultAndKeyIfEmpty(registry, Key(kProgId, "CLSID"));
  DeleteDefaultAndKeyIfEmpty(registry, Key(kProgId));
  DeleteDefaultAndKeyIfEmpty(registry, Key(kVersionIndependentProgId, "CLSID"));
  DeleteDefaultAndKeyIfEmpty(registry, Key(kVersionIndependentProgId, "CurVer"));
  DeleteDefaultAndKeyIfEmpty(registry, Key(kVersionIndependentProgId));
  registry.DeleteKeyTree(Key("CLSID", GuidToString(lib.clsid)));

  registry.DeleteKeyTree(Key("TypeLib", libid, VersionText()));
  DeleteKeyIfEmpty(registry, Key("TypeLib", libid));
  registry.DeleteKeyTree(Key("Interface", GuidToString(lib.interface.iid)));
  registry.DeleteKeyTree(Key("Interface", GuidToString(lib.defaultInterface.iid)));
}

bool ThisLibraryPath(std::string& path, std::string& error) noexcept {
  return PathOfThisLibrary(path, error);
}

HRESULT RegisterServer(std::string_view libraryPath, std::string& error) noexcept {
  try {
    if (libraryPath.empty() || libraryPath.front() != '/') {
      error = "The server's path must be a full path: \"" + std::string(libraryPath) + "\"";
      return E_INVALIDARG;
    }
    for (char c : libraryPath) {
      // The registry file is line-based text: such a path would not read back.
      if (static_cast<unsigned char>(c) < 0x20 || c == '\x7F') {
        error = "The server's path holds a control character";
        return E_INVALIDARG;
      }
    }
  } catch (...) {
    AssignOrClear(error, "Not enough memory to register the server");
    return E_OUTOFMEMORY;
  }
  return ChangeRegistryFile(
      [&](RegistryDocument& registry) { AddServerEntries(registry, libraryPath); }, error);
}

HRESULT UnregisterServer(std::string& error) noexcept {
  return ChangeRegistryFile([](RegistryDocument& registry) { RemoveServerEntries(registry); },
                            error);
}

}  // namespace tessaloom

extern "C" tessaloom::HRESULT DllRegisterServer() noexcept {
  std::string path, error;
  if (!tessaloom::PathOfThisLibrary(path, error)) return tessaloom::SELFREG_E_CLASS;
  return tessaloom::RegisterServer(path, error);
}

extern "C" tessaloom::HRESULT DllUnregisterServer() noexcept {
  std::string error;
  return tessaloom::UnregisterServer(error);
}
