#include "platform/library_path.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstring>

namespace tessaloom {
namespace {

// Anchor for dladdr: internal linkage, so its address is this copy's own.
void AddressInThisLibrary() {}

// Zero-initialised, so a read before the constructor ran finds them empty.
char folder[PATH_MAX] = {};
char name[NAME_MAX + 1] = {};

[[gnu::constructor]] void RecordLibraryPath() noexcept {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&AddressInThisLibrary), &info) == 0 ||
      info.dli_fname == nullptr || info.dli_fname[0] == '\0') {
    return;
  }
  // The name up to its last slash; a bare name was found through an empty
  // search-path entry, the current folder.
  char loadedFrom[PATH_MAX] = ".";
  const char* file = info.dli_fname;
  if (const char* slash = std::strrchr(info.dli_fname, '/'); slash != nullptr) {
    const auto length = static_cast<std::size_t>(slash - info.dli_fname) + 1;
    if (length >= sizeof loadedFrom) return;
    std::memcpy(loadedFrom, info.dli_fname, length);
    loadedFrom[length] = '\0';
    file = slash + 1;
  }
  const std::size_t fileLength = std::strlen(file);
  char resolved[PATH_MAX];
  if (fileLength >= sizeof name || realpath(loadedFrom, resolved) == nullptr) return;
  const std::size_t length = std::strlen(resolved);
  if (length + 2 > sizeof folder) return;  // room for the slash and the end
  std::memcpy(folder, resolved, length);
  if (length > 1) folder[length] = '/';  // "/" has its slash already
  std::memcpy(name, file, fileLength + 1);
}

}  // namespace

std::string_view OwnLibraryFolder() noexcept { return folder; }

std::string_view OwnLibraryName() noexcept { return folder[0] == '/' ? name : ""; }

}  // namespace tessaloom
