#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/image/image_test_support.h"

namespace tessaloom {
namespace {

using image_test::Names;
using image_test::ReadAll;
using image_test::ScratchDir;
using image_test::WriteAll;
using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

TEST(FileSystemTest, SearchableDirectoriesAreExistingFolders) {
  ScratchDir dir;
  WriteAll(dir / "file", Bytes{1});
  FileSystem& files = FileSystem::Default();
  for (const std::string& yes : {dir.path(), dir.path() + "/", std::string(".")}) {
    EXPECT_TRUE(files.IsSearchableDirectory(yes)) << yes;
  }
  for (const std::string& no : {std::string(), dir / "file", dir / "missing", dir.path() + '\0'}) {
    EXPECT_FALSE(files.IsSearchableDirectory(no)) << no;
  }
}

TEST(FileSystemTest, CommittedFileReplacesTheOldOneAndADroppedOneLeavesNoTrace) {
  ScratchDir dir;
  WriteAll(dir / "image", Bytes{'o', 'l', 'd'});
  std::string error;
  auto dropped = FileSystem::Default().NewReplacingFile(dir / "image", error);
  ASSERT_NE(dropped, nullptr) << error;
  ASSERT_TRUE(dropped->Append(Bytes{'x'}, error));
  EXPECT_EQ(Names(dir.path()).size(), 2u);  // the old file and the temporary one
  dropped.reset();
  EXPECT_EQ(Names(dir.path()), Strings{"image"});
  EXPECT_EQ(ReadAll(dir / "image"), (Bytes{'o', 'l', 'd'}));

  auto kept = FileSystem::Default().NewReplacingFile(dir / "image", error);
  ASSERT_NE(kept, nullptr) << error;
  ASSERT_TRUE(kept->Append(Bytes{'n', 'e', 'w'}, error));
  ASSERT_EQ(kept->Commit(error), CommitResult::kDone) << error;
  kept.reset();
  EXPECT_EQ(Names(dir.path()), Strings{"image"});
  EXPECT_EQ(ReadAll(dir / "image"), (Bytes{'n', 'e', 'w'}));
}

TEST(FileSystemTest, ReadFileStopsAtTheBound) {
  ScratchDir dir;
  WriteAll(dir / "f", Bytes(100, 7));
  std::vector<std::uint8_t> out;
  std::string error;
  ASSERT_TRUE(FileSystem::Default().ReadFile(dir / "f", 100, out, error)) << error;
  EXPECT_EQ(out, Bytes(100, 7));
  EXPECT_FALSE(FileSystem::Default().ReadFile(dir / "f", 99, out, error));
  EXPECT_EQ(error, "Unable to read file: the file is too large");
  EXPECT_FALSE(FileSystem::Default().ReadFile(dir / "missing", 99, out, error));
  EXPECT_EQ(error, "Unable to read file: No such file or directory");
}

}  // namespace
}  // namespace tessaloom
