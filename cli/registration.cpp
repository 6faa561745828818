#include "component/registration.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "platform/registry_file.h"
#include "tessaloom/tessaloom.h"

namespace tessaloom::cli {
namespace {

std::string HresultText(tessaloom::HRESULT hr) {
  struct Name {
    tessaloom::HRESULT hr;
    const char* name;
  };
  static constexpr Name kNames[] = {{tessaloom::SELFREG_E_CLASS, "SELFREG_E_CLASS"},
                                    {tessaloom::SELFREG_E_TYPELIB, "SELFREG_E_TYPELIB"},
                                    {tessaloom::E_INVALIDARG, "E_INVALIDARG"},
                                    {tessaloom::E_OUTOFMEMORY, "E_OUTOFMEMORY"},
                                    {tessaloom::E_FAIL, "E_FAIL"}};
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(hr));
  for (const Name& n : kNames) {
    if (n.hr == hr) return std::string(n.name) + " (" + hex + ")";
  }
  return hex;
}

}  // namespace

// Like a server registration tool: the server registers itself through its
// own entry point. Without LIBRARY that is the library this tool is linked
// to; with it, LIBRARY is loaded for the occasion.
int Registration(int argc, char** argv, bool registering) {
  if (AsksForHelp(argc, argv)) {
    std::fputs(Help("register").c_str(), stdout);
    return 0;
  }
  if (argc > 3) return Usage(std::string(argv[1]) + " takes at most one LIBRARY", "register");
  const std::string entryName = registering ? "DllRegisterServer" : "DllUnregisterServer";
  const std::string registry = tessaloom::RegistryFilePath();
  using Entry = tessaloom::HRESULT (*)() noexcept;
  const Entry own = registering ? &DllRegisterServer : &DllUnregisterServer;
  Entry entry = own;
  std::string path;
  std::string error;
  if (argc == 3) {
    // A bare file name means the file here, not one on the loader's search path.
    path = std::filesystem::absolute(argv[2]).lexically_normal().string();
    dlerror();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* reason = dlerror();
      return Fail("cannot load " + (reason != nullptr ? std::string(reason) : path));
    }
    void* symbol = dlsym(library, entryName.c_str());
    if (symbol == nullptr) return Fail(path + " is not a server: it has no " + entryName);
    entry = reinterpret_cast<Entry>(symbol);
  } else if (!tessaloom::ThisLibraryPath(path, error)) {
    return Fail(error);
  }
  tessaloom::HRESULT hr = tessaloom::S_OK;
  if (entry == own) {
    // Our own library (also when LIBRARY is the same file): run its steps
    // here, so a failure comes with its reason.
    if (argc == 3 && !tessaloom::ThisLibraryPath(path, error)) return Fail(error);
    hr = registering ? tessaloom::RegisterServer(path, error) : tessaloom::UnregisterServer(error);
  } else {
    hr = entry();
  }
  if (tessaloom::FAILED(hr)) {
    return Fail(entryName + " in " + path + " failed: " + HresultText(hr) +
                (error.empty() ? " (registry " + registry + ")" : ": " + error));
  }
  std::printf("%s in %s succeeded (registry %s)\n", entryName.c_str(), path.c_str(),
              registry.c_str());
  return 0;
}

}  // namespace tessaloom::cli
