// Invariant checks for the fuzz targets. Unlike assert they stay on in every
// build type, and they name the broken invariant before aborting, so a crash
// input replays to a readable message.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace tessaloom::fuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

}  // namespace tessaloom::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::tessaloom::fuzz::Fail(#condition, __FILE__, __LINE__))
