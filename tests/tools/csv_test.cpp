#include "tools/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaloom::tools {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows Fields(const std::vector<CsvRow>& rows) {
  Rows out;
  for (const CsvRow& r : rows) out.push_back(r.fields);
  return out;
}

TEST(CsvTest, ParsesFieldsQuotesAndLineEnds) {
  struct Case {
    std::string text;
    Rows expected;
  };
  const Case cases[] = {
      {"Jan,10\nFeb,20\n", {{"Jan", "10"}, {"Feb", "20"}}},
      {"Jan,10\r\nFeb,20", {{"Jan", "10"}, {"Feb", "20"}}},
      {"\n\nJan,10\n\n", {{"Jan", "10"}}},
      {"\"a,b\",1", {{"a,b", "1"}}},
      {"\"say \"\"hi\"\"\",2", {{"say \"hi\"", "2"}}},
      {"\"two\nlines\",3", {{"two\nlines", "3"}}},
      {",Q1,Q2", {{"", "Q1", "Q2"}}},
      {"a,", {{"a", ""}}},
      {",", {{"", ""}}},
      {"", {}},
  };
  for (const Case& c : cases) {
    std::vector<CsvRow> rows;
    std::string error;
    ASSERT_TRUE(ParseCsv(c.text, rows, error)) << c.text << ": " << error;
    EXPECT_EQ(Fields(rows), c.expected) << c.text;
  }
}

TEST(CsvTest, RowsKnowTheLineTheyStartOn) {
  std::vector<CsvRow> rows;
  std::string error;
  ASSERT_TRUE(ParseCsv("a,1\n\n\"b\nc\",2\nd,3\n", rows, error));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].line, 1u);
  EXPECT_EQ(rows[1].line, 3u);
  EXPECT_EQ(rows[2].line, 5u);
}

TEST(CsvTest, MalformedInputNamesTheLine) {
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"a,1\n\"open,2\n", "line 2: unterminated quoted field"},
      {"a,1\nb,2\n\"x\"y,3\n", "line 3: text after a closing quote"},
  };
  for (const Case& c : cases) {
    std::vector<CsvRow> rows;
    std::string error;
    EXPECT_FALSE(ParseCsv(c.text, rows, error));
    EXPECT_EQ(error, c.error);
  }
}

}  // namespace
}  // namespace tessaloom::tools
