#include "cli/hand_over.h"

#include <sys/auxv.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "cli/arguments.h"
#include "draw/text_shaper.h"

namespace tessaloom::cli {

// This build of the tool holds the component whole and loads no shared
// library, so a classic chart costs little more than encoding it. Smooth
// charts, PDF, the gallery and registration need the shared library and its
// smooth module, and text in complex or right-to-left scripts its shaper
// (HarfBuzz has no static library): the full tool does them, with the same
// command line, so the output is the same whichever tool is run. It
// lies beside this program in the build tree, and in the library-executable
// folder once installed.
int HandOver(char** argv) {
  // This program's file: /proc/self/exe, else (no /proc, as in a chroot
  // where a package is being installed) the name it was started by, which
  // the tool never changes directory away from.
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    const auto* started = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    if (started != nullptr) self = std::filesystem::canonical(started, ec);
  }
  if (ec || self.empty()) return Fail("cannot find this program's own file");
  const std::filesystem::path folder = self.parent_path();
  const std::filesystem::path candidates[] = {
      folder / TESSALOOM_FULL_TOOL, folder / TESSALOOM_TOOL_TO_LIBEXEC / TESSALOOM_FULL_TOOL};
  for (const std::filesystem::path& full : candidates) {
    execv(full.c_str(), argv);
    if (errno != ENOENT) return Fail("cannot run " + full.string() + ": " + std::strerror(errno));
  }
  return Fail("cannot find " + candidates[1].lexically_normal().string() +
              ", which draws smooth charts, PDF and shaped text, shows the gallery and registers "
              "the server");
}

// Hands a chart whose data this program has already read from standard
// input over to the full tool, which reads the same bytes from a memory
// file put in its place.
int HandOverWithInput(char** argv, const std::string& data) {
  const int fd = memfd_create("tessaloom-data", 0);
  if (fd < 0)
    return Fail(std::string("cannot keep the data for the full tool: ") + std::strerror(errno));
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = write(fd, data.data() + written, data.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = errno;
      close(fd);
      return Fail(std::string("cannot keep the data for the full tool: ") + std::strerror(error));
    }
    written += static_cast<std::size_t>(n);
  }
  if (lseek(fd, 0, SEEK_SET) != 0 || dup2(fd, STDIN_FILENO) < 0) {
    const int error = errno;
    close(fd);
    return Fail(std::string("cannot give the data to the full tool: ") + std::strerror(error));
  }
  close(fd);
  return HandOver(argv);
}

// True when a text the chart draws needs the shaper this program lacks.
bool NeedsFullTool(const DrawOptions& o, const std::string& data) {
  if (tessaloom::ShapingAvailable()) return false;
  for (const std::string* text : {&o.title, &o.xLabel, &o.yLabel, &o.seriesLabel, &data}) {
    if (tessaloom::NeedsShaping(*text)) return true;
  }
  return false;
}

}  // namespace tessaloom::cli
