// NormalizePagePath on arbitrary bytes: the result is its own normal form and
// moves with a name appended, or appended and taken back.
#include "tessaloom/request_context.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessaloom::NormalizePagePath;
  const std::string path(tessaloom::fuzz::AsText(data, size));
  const std::string normal = NormalizePagePath(path);
  FUZZ_CHECK(NormalizePagePath(normal) == normal);
  FUZZ_CHECK(normal.empty() == path.empty());
  if (path.empty()) return 0;
  const bool absolute = path.front() == '/';
  FUZZ_CHECK((normal.front() == '/') == absolute && normal.size() <= path.size());
  if (normal != "/" && normal != ".") {
    std::string_view rest = std::string_view(normal).substr(absolute ? 1 : 0);
    bool named = false;  // a relative path's ".." steps all come first
    for (std::size_t slash = 0; slash != std::string_view::npos; rest.remove_prefix(slash + 1)) {
      slash = rest.find('/');
      const std::string_view step = rest.substr(0, slash);
      FUZZ_CHECK(!step.empty() && step != ".");
      FUZZ_CHECK(step != ".." || (!absolute && !named));
      named = named || step != "..";
    }
  }
  const std::string child = normal == "/" ? "/x" : normal == "." ? "x" : normal + "/x";
  FUZZ_CHECK(NormalizePagePath(path + "/x") == child);
  FUZZ_CHECK(NormalizePagePath(path + "/x/..") == normal);
  return 0;
}
