#include "platform/system_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace tessaloom {
namespace {

TEST(SystemErrorTextTest, KnownCodesGiveTheSystemsTextOthersTheirNumber) {
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(SystemErrorText(ENODATA), "No data available");
  for (const int code : {99999, -1, -2147483647 - 1}) {
    EXPECT_EQ(SystemErrorText(code),
              "The system cannot find error message for error number " + std::to_string(code));
  }
}

}  // namespace
}  // namespace tessaloom
