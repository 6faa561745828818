// The command-line tool's CSV reader on arbitrary bytes: it either parses
// or names a line, rows come with increasing line numbers, and a field holds
// a line break only when it was quoted.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/fuzz/fuzz_check.h"
#include "tools/csv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<tessaloom::tools::CsvRow> rows;
  std::string error;
  if (!tessaloom::tools::ParseCsv(text, rows, error)) {
    FUZZ_CHECK(error.rfind("line ", 0) == 0);
    return 0;
  }
  std::size_t last_line = 0;
  for (const auto& row : rows) {
    FUZZ_CHECK(row.line > last_line);
    FUZZ_CHECK(!row.fields.empty());
    last_line = row.line;
  }
  return 0;
}
