// The page-path normalising every host relies on, on arbitrary bytes: the
// result is its own normal form, stays absolute or relative, holds no empty
// or "." step and (absolute) no ".." step, and a plain name appended, or
// appended and taken back, moves it by exactly that name.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/request_context.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessaloom::NormalizePagePath;
  const std::string path(reinterpret_cast<const char*>(data), size);
  const std::string normal = NormalizePagePath(path);
  FUZZ_CHECK(NormalizePagePath(normal) == normal);
  FUZZ_CHECK(normal.empty() == path.empty());
  if (path.empty()) return 0;
  const bool absolute = path.front() == '/';
  FUZZ_CHECK((normal.front() == '/') == absolute);
  FUZZ_CHECK(normal.size() <= path.size());

  if (normal != "/" && normal != ".") {
    std::string_view rest(normal);
    if (absolute) rest.remove_prefix(1);
    bool named = false;  // a relative path's ".." steps all come first
    while (true) {
      const std::size_t slash = rest.find('/');
      const std::string_view step = rest.substr(0, slash);
      FUZZ_CHECK(!step.empty() && step != ".");
      FUZZ_CHECK(step != ".." || (!absolute && !named));
      named = named || step != "..";
      if (slash == std::string_view::npos) break;
      rest.remove_prefix(slash + 1);
    }
  }

  const std::string child = normal == "/" ? "/x" : normal == "." ? "x" : normal + "/x";
  FUZZ_CHECK(NormalizePagePath(path + "/x") == child);
  FUZZ_CHECK(NormalizePagePath(path + "/x/..") == normal);
  return 0;
}
