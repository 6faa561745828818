#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/system_error.h"
#include "tests/support/scratch_dir.h"

namespace tessaloom {
namespace {

using test_support::ScratchDir;
using Bytes = std::vector<std::uint8_t>;

TEST(FileSystemTest, ReadFileStopsAtTheBoundAndReadsOnlyRegularFiles) {
  ScratchDir dir;
  dir.Write("f", Bytes(100, 7));
  std::vector<std::uint8_t> out;
  std::string error;
  ASSERT_TRUE(FileSystem::Default().ReadFile(dir / "f", 100, out, error)) << error;
  EXPECT_EQ(out, Bytes(100, 7));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);  // no writer: a read would wait
  for (const auto& [name, message] : {std::pair{"f", "the file is too large"},
                                      {"missing", "No such file or directory"},
                                      {"fifo", "not a regular file"}}) {
    EXPECT_FALSE(FileSystem::Default().ReadFile(dir / name, 99, out, error)) << name;
    EXPECT_EQ(error, std::string("Unable to read file: ") + message);
  }
}

// A file's error is told in the system's words; a code it has no text for, by its number.
TEST(SystemErrorTextTest, KnownCodesGiveTheSystemsTextOthersTheirNumber) {
  EXPECT_EQ(SystemErrorText(ENODATA), "No data available");
  EXPECT_EQ(SystemErrorText(-2147483647 - 1),
            "The system cannot find error message for error number -2147483648");
}

}  // namespace
}  // namespace tessaloom
