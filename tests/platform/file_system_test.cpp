#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
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

const Bytes kNew = {'n', 'e', 'w'};

TEST(FileSystemTest, SearchableDirectoriesAreExistingFolders) {
  ScratchDir dir;
  WriteAll(dir / "file", kNew);
  FileSystem& fs = FileSystem::Default();
  EXPECT_TRUE(fs.IsSearchableDirectory(dir.path()));
  EXPECT_TRUE(fs.IsSearchableDirectory(dir.path() + "/"));
  EXPECT_TRUE(fs.IsSearchableDirectory("."));
  EXPECT_FALSE(fs.IsSearchableDirectory(""));
  EXPECT_FALSE(fs.IsSearchableDirectory(dir / "file"));
  EXPECT_FALSE(fs.IsSearchableDirectory(dir / "missing"));
  EXPECT_FALSE(fs.IsSearchableDirectory(dir.path() + std::string(1, '\0') + "x"));
  EXPECT_TRUE(fs.IsRegularFile(dir / "file"));
  EXPECT_FALSE(fs.IsRegularFile(dir.path()));
}

TEST(FileSystemTest, CommittedFileReplacesTheOldOneAndDroppedFileLeavesNoTrace) {
  ScratchDir dir;
  WriteAll(dir / "image", Bytes{'o', 'l', 'd'});
  FileSystem& fs = FileSystem::Default();
  std::string error;
  {
    auto dropped = fs.NewReplacingFile(dir / "image", error);
    ASSERT_NE(dropped, nullptr) << error;
    ASSERT_TRUE(dropped->Append(kNew, error));
    EXPECT_EQ(Names(dir.path()).size(), 2u);  // the old file and the temporary one
  }
  EXPECT_EQ(Names(dir.path()), Strings{"image"});
  EXPECT_EQ(ReadAll(dir / "image"), (Bytes{'o', 'l', 'd'}));

  auto kept = fs.NewReplacingFile(dir / "image", error);
  ASSERT_NE(kept, nullptr) << error;
  ASSERT_TRUE(kept->Append(kNew, error));
  ASSERT_TRUE(kept->Commit(error)) << error;
  kept.reset();
  EXPECT_EQ(Names(dir.path()), Strings{"image"});
  EXPECT_EQ(ReadAll(dir / "image"), kNew);
}

TEST(FileSystemTest, NoReplacingFileWhereTheFolderIsMissingOrAFile) {
  ScratchDir dir;
  WriteAll(dir / "file", kNew);
  for (const std::string& path :
       {dir / "missing/x", dir / "file/x", dir / std::string("a\0b", 3)}) {
    std::string error;
    EXPECT_EQ(FileSystem::Default().NewReplacingFile(path, error), nullptr) << path;
    EXPECT_EQ(error.rfind("Unable to create file: ", 0), 0u) << error;
  }
  EXPECT_EQ(Names(dir.path()), Strings{"file"});
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
  EXPECT_FALSE(FileSystem::Default().ReadFile(dir.path(), 99, out, error));
  EXPECT_FALSE(FileSystem::Default().ReadFile(dir / "missing", 99, out, error));
  EXPECT_EQ(error, "Unable to read file: No such file or directory");
}

}  // namespace
}  // namespace tessaloom
