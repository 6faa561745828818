// Where the shared library holding this code lies, recorded as it loads. The
// loader names a library by the search-path entry it was found through,
// which may be relative to the current folder (LD_LIBRARY_PATH=.), and a host
// may change folder before it asks: so the path is made absolute at once.
// Read-only after loading; any thread.
#pragma once

#include <string_view>

namespace tessaloom {

// The library's folder, absolute, without links and ending in '/', or empty
// when it could not be told. Hidden: another copy of the library loaded
// first must not answer for this one.
[[gnu::visibility("hidden")]] std::string_view OwnLibraryFolder() noexcept;

// The folder beside the library that holds the library's own files: the
// smooth module and fonts/ (the chart faces' fontconfig configuration and
// cache, and a package's copies of the two classic faces). Private, so that
// a system's library folder holds only libraries; named for the soname's
// version, so that two versions' files can lie side by side. CMakeLists.txt
// builds and installs into the same name.
inline constexpr char kOwnFilesFolder[] = "tessaloom-0/";

// The file name the library was loaded by (its soname link, so that a
// registration outlives an upgrade), or empty.
[[gnu::visibility("hidden")]] std::string_view OwnLibraryName() noexcept;

}  // namespace tessaloom
