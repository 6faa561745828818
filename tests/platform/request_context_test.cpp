#include "platform/request_context.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tessaloom {
namespace {

TEST(RequestContextTest, TheCgiScriptWinsOverItsTranslation) {
  ::unsetenv("SCRIPT_FILENAME");
  ::unsetenv("PATH_TRANSLATED");
  EXPECT_EQ(CurrentPathTranslated(), std::nullopt);
  ::setenv("PATH_TRANSLATED", "/srv/www/allowed/x", 1);
  EXPECT_EQ(CurrentPathTranslated(), "/srv/www/allowed/x");
  ::setenv("SCRIPT_FILENAME", "/srv/cgi//./page.py", 1);
  EXPECT_EQ(CurrentPathTranslated(), "/srv/cgi/page.py");
  ::unsetenv("SCRIPT_FILENAME");
  ::unsetenv("PATH_TRANSLATED");
}

TEST(NormalizePagePathTest, ResolvesStepsOnTheText) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},
      {"/", "/"},
      {"//srv//www/", "/srv/www"},
      {"/srv/./www/a/../b/p.py", "/srv/www/b/p.py"},
      {"/srv/www/allowed/../refused/p.py", "/srv/www/refused/p.py"},
      {"/../../etc", "/etc"},
      {"/a/b/../../..", "/"},
      {"a/../..", ".."},
      {"./", "."},
      {"../a/../../b", "../../b"},
      {"/a/..\\b", "/a/..\\b"},
  };
  for (const auto& [path, normal] : cases) EXPECT_EQ(NormalizePagePath(path), normal) << path;
}

}  // namespace
}  // namespace tessaloom
