#include "platform/request_context.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace tessaloom {
namespace {

TEST(RequestContextTest, ScopesNestPerThreadAndFallBackToTheCgiVariable) {
  ::unsetenv("PATH_TRANSLATED");
  EXPECT_EQ(CurrentPathTranslated(), std::nullopt);
  ::setenv("PATH_TRANSLATED", "/srv/cgi/page.py", 1);
  EXPECT_EQ(CurrentPathTranslated(), "/srv/cgi/page.py");
  {
    RequestScope outer("/srv/www/a/index.py");
    EXPECT_EQ(CurrentPathTranslated(), "/srv/www/a/index.py");
    {
      RequestScope inner("/srv/www/b/page.py");
      EXPECT_EQ(CurrentPathTranslated(), "/srv/www/b/page.py");
      // Another thread sees its own request, here none: the CGI variable.
      std::thread([] { EXPECT_EQ(CurrentPathTranslated(), "/srv/cgi/page.py"); }).join();
    }
    EXPECT_EQ(CurrentPathTranslated(), "/srv/www/a/index.py");
  }
  EXPECT_EQ(CurrentPathTranslated(), "/srv/cgi/page.py");
  ::unsetenv("PATH_TRANSLATED");
}

}  // namespace
}  // namespace tessaloom
