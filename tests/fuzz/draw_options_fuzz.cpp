// The CLI's draw options on arbitrary arguments (the input split at NUL
// bytes): parsing either fails with a message or succeeds, sizes are then
// positive or unset, and parsing the same arguments again gives the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_check.h"
#include "tools/draw_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tessaloom::tools::DrawOptions;
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back().push_back(static_cast<char>(data[i]));
    }
  }
  DrawOptions options;
  std::string error;
  const bool parsed = tessaloom::tools::ParseDrawOptions(args, 0, options, error);
  FUZZ_CHECK(parsed == error.empty());
  if (!parsed) return 0;
  FUZZ_CHECK(options.width >= 0 && options.height >= 0);
  DrawOptions again;
  FUZZ_CHECK(tessaloom::tools::ParseDrawOptions(args, 0, again, error));
  FUZZ_CHECK(again.output == options.output && again.title == options.title &&
             again.colors == options.colors && again.width == options.width &&
             again.height == options.height && again.grid == options.grid &&
             again.horizontal == options.horizontal);
  return 0;
}
