#include "cli/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaloom::cli {
namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(CsvTest, ParsesFieldsQuotesAndLineEndsOrNamesTheLineAtFault) {
  // The text, its rows and the line where each row starts, or the error.
  const std::tuple<std::string, Rows, std::vector<std::size_t>, std::string> cases[] = {
      {"Jan,10\nFeb,20\n", {{"Jan", "10"}, {"Feb", "20"}}, {1, 2}, ""},
      {"\xEF\xBB\xBFJan,10\r\nFeb,20", {{"Jan", "10"}, {"Feb", "20"}}, {1, 2}, ""},
      {"\n\nJan,10\n\n", {{"Jan", "10"}}, {3}, ""},
      {"\"a,b\",1", {{"a,b", "1"}}, {1}, ""},
      {"\"say \"\"hi\"\"\",2", {{"say \"hi\"", "2"}}, {1}, ""},
      {"\"two\nlines\",3\nd,4", {{"two\nlines", "3"}, {"d", "4"}}, {1, 3}, ""},
      {",Q1,Q2", {{"", "Q1", "Q2"}}, {1}, ""},
      {"a,", {{"a", ""}}, {1}, ""},
      {",", {{"", ""}}, {1}, ""},
      {"", {}, {}, ""},
      {"a,1\n\"open,2\n", {}, {}, "line 2: unterminated quoted field"},
      {"a,1\n\"b\nc\"y,3\n", {}, {}, "line 3: text after a closing quote"},
  };
  for (const auto& [text, expected, starts, message] : cases) {
    std::vector<CsvRow> rows;
    std::string error;
    EXPECT_EQ(ParseCsv(text, rows, error), message.empty()) << text;
    EXPECT_EQ(error, message) << text;
    Rows fields;
    std::vector<std::size_t> lines;
    for (const CsvRow& r : rows) fields.push_back(r.fields), lines.push_back(r.line);
    EXPECT_TRUE(!message.empty() || std::pair(fields, lines) == std::pair(expected, starts))
        << text;
  }
}

}  // namespace
}  // namespace tessaloom::cli
