// The CLI's CSV reader on arbitrary bytes: it parses or names a line, and
// rows come with increasing line numbers and at least one field.
#include "cli/csv.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<tessaloom::cli::CsvRow> rows;
  std::string error;
  if (!tessaloom::cli::ParseCsv(tessaloom::fuzz::AsText(data, size), rows, error)) {
    FUZZ_CHECK(error.rfind("line ", 0) == 0);
    return 0;
  }
  std::size_t lastLine = 0;
  for (const auto& row : rows) {
    FUZZ_CHECK(row.line > lastLine && !row.fields.empty());
    lastLine = row.line;
  }
  return 0;
}
