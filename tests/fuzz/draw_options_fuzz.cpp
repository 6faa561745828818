// The CLI's draw options on arbitrary arguments (split at NUL bytes).
#include "cli/draw_options.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom::cli;
  std::vector<std::string> args(1);
  for (const char c : tessaloom::fuzz::AsText(data, size)) {
    if (c == '\0') {
      args.emplace_back();
    } else {
      args.back() += c;
    }
  }
  DrawOptions options, again;
  std::string error;
  const bool parsed = ParseDrawOptions(args, 0, options, error);
  FUZZ_CHECK(parsed == error.empty());
  if (!parsed) return 0;
  FUZZ_CHECK(options.width >= 0 && options.height >= 0);
  FUZZ_CHECK(ParseDrawOptions(args, 0, again, error));
  FUZZ_CHECK(again.output == options.output && again.title == options.title &&
             again.colors == options.colors && again.width == options.width &&
             again.height == options.height && again.grid == options.grid &&
             again.horizontal == options.horizontal);
  return 0;
}
