#include "platform/system_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace tessaloom {
namespace {

TEST(SystemErrorTextTest, KnownCodesGiveTheSystemsTextOthersTheirNumber) {
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
  EXPECT_EQ(SystemErrorText(ENODATA), "No data available");
  EXPECT_EQ(SystemErrorText(-2147483647 - 1),
            "The system cannot find error message for error number -2147483648");
}

}  // namespace
}  // namespace tessaloom
