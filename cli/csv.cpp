#include "cli/csv.h"

namespace tessaloom::cli {

bool ParseCsv(std::string_view text, std::vector<CsvRow>& rows, std::string& error) {
  rows.clear();
  std::size_t line = 1;
  // A UTF-8 byte-order mark, as spreadsheets save one, is no part of the data.
  std::size_t i = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (i < text.size()) {
    CsvRow row;
    row.line = line;
    bool rowDone = false;
    bool blank = true;
    while (!rowDone) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        blank = false;
        const std::size_t quoteLine = line;
        ++i;
        for (;;) {
          if (i >= text.size()) {
            error = "line " + std::to_string(quoteLine) + ": unterminated quoted field";
            return false;
          }
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          field += text[i++];
        }
        if (i < text.size() && text[i] == '\r') ++i;
        if (i < text.size() && text[i] != ',' && text[i] != '\n') {
          error = "line " + std::to_string(line) + ": text after a closing quote";
          return false;
        }
      } else {
        while (i < text.size() && text[i] != ',' && text[i] != '\n') {
          if (text[i] != '\r') field += text[i];
          ++i;
        }
        if (!field.empty()) blank = false;
      }
      row.fields.push_back(std::move(field));
      if (i >= text.size() || text[i] == '\n') {
        rowDone = true;
        if (i < text.size()) {
          ++i;
          ++line;
        }
      } else {
        ++i;  // the comma
        blank = false;
      }
    }
    if (!blank) rows.push_back(std::move(row));
  }
  return true;
}

}  // namespace tessaloom::cli
