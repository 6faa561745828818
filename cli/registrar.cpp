// The library package's registration step: `register` registers the class
// of the library it is linked to, `register --unregister` removes it, each
// through the library's own DllRegisterServer or DllUnregisterServer on the
// registry file ($TESSALOOM_REGISTRY, else /etc/tessaloom/registry.reg). It
// lies among the library's own files, so that installing the library alone
// registers the class its hosts create; `tessaloom register` does the same
// with the failure's reason, for a library named on its command line too.
#include <cstdio>
#include <cstring>

#include "tessaloom/module.h"

int main(int argc, char** argv) {
  const bool unregistering = argc == 2 && std::strcmp(argv[1], "--unregister") == 0;
  if (argc > 2 || (argc == 2 && !unregistering)) {
    std::fputs("usage: register [--unregister]\n", stderr);
    return 2;
  }
  const tessaloom::HRESULT hr = unregistering ? DllUnregisterServer() : DllRegisterServer();
  if (tessaloom::FAILED(hr)) {
    std::fprintf(stderr, "%s failed: 0x%08X (tessaloom register says why)\n",
                 unregistering ? "DllUnregisterServer" : "DllRegisterServer",
                 static_cast<unsigned>(hr));
    return 1;
  }
  return 0;
}
