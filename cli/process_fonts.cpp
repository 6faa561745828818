#include "cli/process_fonts.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <cerrno>
#include <string>

#include "draw/chart_fontconfig.h"
#include "platform/library_path.h"
#include "tessaloom/module.h"

namespace tessaloom::cli {

void UseChartFacesForProcess() noexcept {
  // The shared library's own file, as the loader opened it: a relative name
  // would be read against the current folder, so it is not used.
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&DllGetClassObject), &info) == 0 ||
      info.dli_fname == nullptr || info.dli_fname[0] != '/') {
    return;
  }
  try {
    std::string folder = info.dli_fname;
    folder.resize(folder.rfind('/') + 1);
    FcConfig* config = LoadChartFontconfig(folder.append(kOwnFilesFolder).append("fonts/"));
    if (config == nullptr) return;
    FcConfigSetCurrent(config);  // takes a reference of its own
    FcConfigDestroy(config);
  } catch (...) {  // no memory: the system's configuration serves
  }
  errno = 0;
}

}  // namespace tessaloom::cli
