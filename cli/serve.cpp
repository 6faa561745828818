// tessaloom serve: the chart service is the Python package's (ChartApp under
// gunicorn, else the standard library's server), so this command runs
// `python3 -m tessaloom.serve` in the tool's place with the same options.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"

namespace tessaloom::cli {
namespace {

// Debian's Python, which the package's module is installed for; any python3
// on the PATH when it is missing.
constexpr const char* kPython = "/usr/bin/python3";

// In the build tree the package lies in python/ beside this program: put it
// first on the module path, so the module is the one built with this tool.
void FindBuildTreePackage() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return;
  const std::filesystem::path package = self.parent_path() / "python";
  if (!std::filesystem::is_regular_file(package / "tessaloom" / "serve.py", ec)) return;
  std::string path = package.string();
  if (const char* old = std::getenv("PYTHONPATH"); old != nullptr && *old != '\0') {
    path += ':';
    path += old;
  }
  setenv("PYTHONPATH", path.c_str(), 1);
}

}  // namespace

int Serve(int argc, char** argv) {
  if (AsksForHelp(argc, argv)) {
    std::fputs(Help("serve").c_str(), stdout);
    return 0;
  }
  FindBuildTreePackage();
  std::vector<char*> args;
  for (const char* word : {kPython, "-m", "tessaloom.serve"})
    args.push_back(const_cast<char*>(word));
  for (int i = 2; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execv(kPython, args.data());
  if (errno == ENOENT) {
    args[0] = const_cast<char*>("python3");
    execvp("python3", args.data());
  }
  return Fail(std::string("cannot run python3 -m tessaloom.serve: ") + std::strerror(errno));
}

}  // namespace tessaloom::cli
