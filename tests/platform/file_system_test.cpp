#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/image/image_test_support.h"

namespace tessaloom {
namespace {

using image_test::ScratchDir;
using image_test::WriteAll;
using Bytes = std::vector<std::uint8_t>;

TEST(FileSystemTest, ReadFileStopsAtTheBoundAndReadsOnlyRegularFiles) {
  ScratchDir dir;
  WriteAll(dir / "f", Bytes(100, 7));
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

}  // namespace
}  // namespace tessaloom
