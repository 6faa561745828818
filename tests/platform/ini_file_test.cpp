#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tessaloom {
namespace {

// Reading the files (either encoding, afresh at each call) is tested with the
// hostile site's settings and through Python's example site.
TEST(FindProfileStringTest, FollowsTheProfileRules) {
  // What, the text, the key looked up in section S, its value.
  const std::tuple<const char*, std::string, const char*, std::optional<std::string>> cases[] = {
      {"value trimmed", "[S]\nInstalled =  Tessaloom, Other \t\n", "Installed", "Tessaloom, Other"},
      {"section and key in any case", "[s]\nINSTALLED=x\n", "Installed", "x"},
      {"text after the header", "[S] ; the switches\nk=x\n", "k", "x"},
      {"header without ]", "[S\nk=x\n", "k", "x"},
      {"first duplicate key", "[S]\nk=first\nK=second\n", "k", "first"},
      {"first duplicate section", "[S]\na=1\n[T]\n[s]\na=2\nb=3\n", "a", "1"},
      {"key only in a repeated section", "[S]\na=1\n[s]\nb=3\n", "b", std::nullopt},
      {"comment line", "[S]\n;k=commented\n  ; k=indented comment\nk=real\n", "k", "real"},
      {"';' inside a value kept", "[S]\nk=a ;b\n", "k", "a ;b"},
      {"line without =", "[S]\nk\n", "k", std::nullopt},
      {"indented line is a key", "[S]\na=1\n   k=2\n", "k", "2"},
      {"no continuation lines", "[S]\na=1\n  more\n", "a", "1"},
      {"no ':' separator", "[S]\nk:x\n", "k", std::nullopt},
      {"lines before a section", "k=x\n[S]\n", "k", std::nullopt},
      {"CRLF line ends", "[S]\r\nk=x\r\nm=y\r\n", "m", "y"},
      {"CR line ends", "[S]\rk=x\rm=y\r", "m", "y"},
      {"byte order mark", "\xEF\xBB\xBF[S]\nk=x\n", "k", "x"},
      {"next section ends the lookup", "[S]\n[T]\nk=x\n", "k", std::nullopt},
      {"long value's tail is no key", "[S]\nk=" + std::string(300, 'v') + "tail=1\n", "tail",
       std::nullopt},
  };
  for (const auto& [what, text, key, expected] : cases) {
    EXPECT_EQ(FindProfileString(text, "S", key), expected) << what;
  }
}

TEST(ProfileSectionLinesTest, GivesTheSectionsLinesInFileOrder) {
  const std::string text =
      "[Path]\nb = /srv/www/b\n; a comment\n\n  a=/srv/www/a  \nno equals here\na=/srv/www/again\n"
      "c=\n[Security]\nb=Tessaloom\n[path]\n"
      "late=/srv/late\n";
  const std::vector<std::string> expected = {"b=/srv/www/b", "a=/srv/www/a", "no equals here",
                                             "a=/srv/www/again", "c="};
  EXPECT_EQ(ProfileSectionLines(text, "PATH"), expected);
  EXPECT_TRUE(ProfileSectionLines(text, "Missing").empty());
  EXPECT_TRUE(ProfileSectionLines("[Path]\n; only a comment\n", "Path").empty());
}

}  // namespace
}  // namespace tessaloom
