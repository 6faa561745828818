#include "platform/system_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace tessaloom {
namespace {

TEST(SystemErrorTextTest, KnownCodesGiveTheSystemsText) {
  struct Case {
    int code;
    const char* text;
  };
  const Case cases[] = {
      {ENOENT, "No such file or directory"},
      {EACCES, "Permission denied"},
      {ENODATA, "No data available"},
      {EINVAL, "Invalid argument"},
  };
  for (const Case& c : cases) EXPECT_EQ(SystemErrorText(c.code), c.text) << c.code;
}

TEST(SystemErrorTextTest, UnknownCodesNameTheNumber) {
  for (const int code : {99999, -1, -2147483647 - 1}) {
    EXPECT_EQ(SystemErrorText(code),
              "The system cannot find error message for error number " + std::to_string(code));
  }
}

}  // namespace
}  // namespace tessaloom
