// A small CSV reader for the command-line tool: comma-separated fields,
// double quotes around fields that contain commas, quotes ("" inside) or
// line breaks; CRLF or LF line ends; blank lines skipped; a leading UTF-8
// byte-order mark skipped.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaloom::cli {

struct CsvRow {
  std::size_t line = 0;  // 1-based line where the row starts
  std::vector<std::string> fields;
};

// Parses `text`; false with `error` naming the line on malformed input (an
// unterminated quote, or text after a closing quote).
bool ParseCsv(std::string_view text, std::vector<CsvRow>& rows, std::string& error);

}  // namespace tessaloom::cli
