// A scratch folder for the tests that read real settings files, removed
// with everything in it at the end.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include "tests/support/scratch_dir.h"

namespace tessaloom::access_test {

using test_support::ScratchDir;

}  // namespace tessaloom::access_test
