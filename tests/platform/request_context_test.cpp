#include "tessaloom/request_context.h"

#include <gtest/gtest.h>

namespace tessaloom {
namespace {

// The CGI variables' order is tested with the hostile site's attacks.
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
      {"/a/..\\b", "/a/..\\b"}};
  for (const auto& [path, normal] : cases) EXPECT_EQ(NormalizePagePath(path), normal) << path;
}

}  // namespace
}  // namespace tessaloom
