#include "platform/activation.h"

#include <dlfcn.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <new>
#include <optional>

#include "platform/registry_file.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr std::string_view kRoot = "HKEY_CLASSES_ROOT\\";

// The default value of `path` when it is text.
std::optional<std::string_view> DefaultText(const RegistryDocument& registry,
                                            const std::string& path) {
  const RegistryValue* value = registry.FindValue(path, "");
  if (value == nullptr || value->kind != RegistryValueKind::kString) return std::nullopt;
  return value->text;
}

// A ProgID names one key right under the root: no separator, no control
// character (a NUL would end the name on its way into any C interface).
bool IsProgIdText(std::string_view progId) {
  if (progId.empty()) return false;
  for (char c : progId) {
    if (c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == '\x7F') return false;
  }
  return true;
}

std::optional<CLSID> ClassOfKey(const RegistryDocument& registry, std::string_view progId) {
  if (!IsProgIdText(progId)) return std::nullopt;
  const std::optional<std::string_view> text =
      DefaultText(registry, std::string(kRoot) + std::string(progId) + "\\CLSID");
  if (!text) return std::nullopt;
  return GuidFromString(*text);
}

// True when `path` or any key below it is in the registry (a key may be
// written without its parent).
bool KeyOrKeysBelow(const RegistryDocument& registry, std::string_view path) {
  for (const RegistryKey& key : registry.Keys()) {
    if (key.path.size() >= path.size() &&
        EqualsIgnoreAsciiCase(std::string_view(key.path).substr(0, path.size()), path) &&
        (key.path.size() == path.size() || key.path[path.size()] == '\\')) {
      return true;
    }
  }
  return false;
}

class DlopenLoader final : public ServerLoader {
 public:
  HRESULT FindClassObjectEntry(const std::string& path, DllGetClassObjectFunction& entry,
                               std::string& error) noexcept override {
    entry = nullptr;
    try {
      if (path.find('\0') != std::string::npos) {
        error = "The server path holds a NUL character";
        return CO_E_DLLNOTFOUND;
      }
      // dlerror's text belongs to the calling thread, and the table is shared.
      const std::lock_guard<std::mutex> lock(mutex_);
      auto it = handles_.find(path);
      if (it == handles_.end()) {
        dlerror();
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
          const char* reason = dlerror();
          error = reason != nullptr ? reason : path + ": cannot be loaded";
          return CO_E_DLLNOTFOUND;
        }
        it = handles_.emplace(path, handle).first;
      }
      dlerror();
      void* symbol = dlsym(it->second, "DllGetClassObject");
      if (symbol == nullptr) {
        const char* reason = dlerror();
        error = reason != nullptr ? reason : path + ": no DllGetClassObject";
        return CO_E_ERRORINDLL;
      }
      entry = reinterpret_cast<DllGetClassObjectFunction>(symbol);
      return S_OK;
    } catch (...) {
      AssignOrClear(error, "Not enough memory to load a server");
      return E_OUTOFMEMORY;
    }
  }

 private:
  std::mutex mutex_;
  // Never closed: objects and factories of a library may outlive any caller.
  std::map<std::string, void*> handles_;
};

HRESULT ReadRegistry(RegistryDocument& registry, std::string& error) noexcept {
  int code = 0;
  if (LoadRegistry(registry, error, &code)) return S_OK;
  return code == ENOMEM ? E_OUTOFMEMORY : REGDB_E_READREGDB;
}

}  // namespace

ServerLoader& ServerLoader::Default() noexcept {
  static DlopenLoader loader;
  return loader;
}

HRESULT CLSIDFromProgID(const RegistryDocument& registry, std::string_view progId,
                        CLSID& clsid) noexcept {
  clsid = GUID_NULL;
  try {
    if (!IsProgIdText(progId)) return CO_E_CLASSSTRING;
    // A key may be written without its parent, so only the subkeys count.
    const std::string key = std::string(kRoot) + std::string(progId);
    // One step through CurVer only, so a loop of CurVer keys ends.
    std::optional<CLSID> found;
    if (const std::optional<std::string_view> current = DefaultText(registry, key + "\\CurVer")) {
      found = ClassOfKey(registry, *current);
    }
    if (!found) found = ClassOfKey(registry, progId);
    if (!found) return CO_E_CLASSSTRING;
    clsid = *found;
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CoGetClassObject(const RegistryDocument& registry, ServerLoader& loader, REFCLSID clsid,
                         REFIID iid, void** object, std::string& error) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  try {
    const std::string name = GuidToString(clsid);
    const std::string classKey = std::string(kRoot) + "CLSID\\" + name;
    const std::optional<std::string_view> path =
        DefaultText(registry, classKey + "\\InprocServer32");
    if (!path || path->empty()) {
      error = "The class " + name +
              (KeyOrKeysBelow(registry, classKey) ? " has no registered server library"
                                                  : " is not registered");
      return REGDB_E_CLASSNOTREG;
    }
    // A relative path would depend on the current directory.
    if (path->front() != '/') {
      error = "The server of class " + name + " is not a full path: " + std::string(*path);
      return CO_E_DLLNOTFOUND;
    }
    DllGetClassObjectFunction entry = nullptr;
    std::string reason;
    const HRESULT hr = loader.FindClassObjectEntry(std::string(*path), entry, reason);
    if (FAILED(hr)) {
      error = "The server of class " + name + " cannot be used: " + reason;
      return hr;
    }
    const HRESULT got = entry(clsid, iid, object);
    if (FAILED(got)) error = std::string(*path) + " did not hand out the class " + name;
    return got;
  } catch (...) {
    AssignOrClear(error, "Not enough memory to find the class");
    return E_OUTOFMEMORY;
  }
}

HRESULT CoCreateInstance(const RegistryDocument& registry, ServerLoader& loader, REFCLSID clsid,
                         IUnknown* outer, REFIID iid, void** object, std::string& error) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  ComPtr<IClassFactory> factory;
  const HRESULT hr =
      CoGetClassObject(registry, loader, clsid, IID_IClassFactory, factory.out(), error);
  if (FAILED(hr)) return hr;
  const HRESULT created = factory->CreateInstance(outer, iid, object);
  if (FAILED(created)) {
    try {
      error = "The class factory of " + GuidToString(clsid) + " did not create the object";
    } catch (...) {
    }
  }
  return created;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, REFIID iid, void** object,
                         std::string& error) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  RegistryDocument registry;
  if (const HRESULT hr = ReadRegistry(registry, error); FAILED(hr)) return hr;
  return CoCreateInstance(registry, ServerLoader::Default(), clsid, outer, iid, object, error);
}

HRESULT CreateRegisteredObject(std::string_view progId, REFIID iid, void** object,
                               std::string& error) noexcept {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  RegistryDocument registry;
  if (const HRESULT hr = ReadRegistry(registry, error); FAILED(hr)) return hr;
  CLSID clsid;
  if (const HRESULT hr = CLSIDFromProgID(registry, progId, clsid); FAILED(hr)) {
    try {
      error = hr == CO_E_CLASSSTRING
                  ? "No class is registered for the ProgID \"" + std::string(progId) + "\" in " +
                        RegistryFilePath() +
                        "; `tessaloom register LIBRARY` registers the server library LIBRARY"
                  : "Not enough memory to find the class";
    } catch (...) {
    }
    return hr;
  }
  return CoCreateInstance(registry, ServerLoader::Default(), clsid, nullptr, iid, object, error);
}

}  // namespace tessaloom
