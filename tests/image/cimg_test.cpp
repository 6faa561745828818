#include "image/cimg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/bitmap_file.h"
#include "image/jpeg_codec.h"
#include "tests/image/image_test_support.h"

namespace tessaloom {
namespace {

using image_test::FPicture;
using image_test::MemoryFile;
using image_test::Names;
using image_test::ReadAll;
using image_test::ScratchDir;
using image_test::WriteAll;
using Bytes = std::vector<std::uint8_t>;

Bytes BmpBytes(const PackedBitmap& bitmap) {
  MemoryFile file;
  std::string error;
  EXPECT_TRUE(WriteBmpFile(bitmap, file, error));
  return file.data;
}

Bytes ChartBmp() {
  PackedBitmap bitmap;
  EXPECT_TRUE(DDBToDIB(FPicture(40, 30), bitmap));
  return BmpBytes(bitmap);
}

// Real files, except that no output file can be created.
class NoNewFiles final : public FileSystem {
 public:
  bool IsSearchableDirectory(const std::string& p) noexcept override {
    return FileSystem::Default().IsSearchableDirectory(p);
  }
  bool IsRegularFile(const std::string& p) noexcept override {
    return FileSystem::Default().IsRegularFile(p);
  }
  bool ReadFile(const std::string& p, std::size_t max, std::vector<std::uint8_t>& out,
                std::string& error) noexcept override {
    return FileSystem::Default().ReadFile(p, max, out, error);
  }
  std::unique_ptr<WritableFile> NewReplacingFile(const std::string&,
                                                 std::string& error) noexcept override {
    error = "Unable to create file: test";
    return nullptr;
  }
};

TEST(CimgTest, FailuresGiveTheirMessages) {
  ScratchDir dir;
  WriteAll(dir / "chart.bmp", ChartBmp());
  WriteAll(dir / "junk.bmp", Bytes(200, 'x'));
  std::filesystem::create_directory(dir / "folder.bmp");
  PackedBitmap coloured;
  std::string error;
  ASSERT_TRUE(PackedBitmap::Create(4, 4, 8, coloured, error));
  coloured.ColorTable()[2] = 0xFF;
  WriteAll(dir / "palette.bmp", BmpBytes(coloured));

  struct Case {
    std::string source;
    ImageType target;
    std::string message;
  };
  const Case cases[] = {
      {dir / "chart.bmp", static_cast<ImageType>(2), "Invalid target image type."},
      {dir / "chart.bmp", static_cast<ImageType>(-1), "Invalid target image type."},
      {"", ImageType::JPEG, "Unknown source image type."},
      {"chart", ImageType::JPEG, "Unknown source image type."},
      {dir / "chart.png", ImageType::JPEG, "Invalid source image type : .png"},
      {dir / "chart.", ImageType::JPEG, "Invalid source image type : ."},
      {"/tmp/a.b/chart", ImageType::JPEG, "Invalid source image type : .b/chart"},
      {dir / "missing.bmp", ImageType::JPEG, "File specified does not exists."},
      {dir / "folder.bmp", ImageType::JPEG, "File specified does not exists."},
      {dir / "palette.bmp", ImageType::JPEG, "JPEG can save only RGB or GreyScale images"},
      {dir / "junk.bmp", ImageType::JPEG, "Not a BMP file"},
  };
  for (const Case& c : cases) {
    CIMG converter;
    EXPECT_FALSE(converter.Convert(c.source, c.target)) << c.source;
    EXPECT_EQ(converter.GetError(), c.message) << c.source;
  }
  NoNewFiles noNewFiles;
  CIMG blocked(noNewFiles);
  EXPECT_FALSE(blocked.Convert(dir / "chart.bmp", ImageType::JPEG));
  EXPECT_EQ(blocked.GetError(), "Unable to open file for writing");
  EXPECT_EQ(Names(dir.path()),
            (std::vector<std::string>{"chart.bmp", "folder.bmp", "junk.bmp", "palette.bmp"}));
}

TEST(CimgTest, BmpBecomesUpperCaseJpgBesideItAndStays) {
  ScratchDir dir;
  const Bytes bmp = ChartBmp();
  WriteAll(dir / "chart.BmP", bmp);
  CIMG converter;
  EXPECT_EQ(converter.GetError(), "");
  ASSERT_TRUE(converter.Convert(dir / "chart.BmP", ImageType::JPEG)) << converter.GetError();
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"chart.BmP", "chart.JPG"}));
  EXPECT_EQ(ReadAll(dir / "chart.BmP"), bmp);
  PackedBitmap decoded;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(ReadAll(dir / "chart.JPG"), decoded, error)) << error;
  EXPECT_EQ(decoded.width(), 40);
  // Top left is blue, the F's top arm red.
  EXPECT_GT(decoded.Row(1)[3], 200);
  EXPECT_LT(decoded.Row(1)[5], 60);
  EXPECT_GT(decoded.Row(7)[3 * 16 + 2], 200);
  EXPECT_LT(decoded.Row(7)[3 * 16], 60);
}

TEST(CimgTest, JpegBecomesBmpAndResolutionSurvivesTheRoundTrip) {
  ScratchDir dir;
  PackedBitmap bitmap;
  ASSERT_TRUE(DDBToDIB(FPicture(40, 30), bitmap));
  bitmap.SetResolution(2835, 2835);
  WriteAll(dir / "a.bmp", BmpBytes(bitmap));
  CIMG converter;
  ASSERT_TRUE(converter.Convert(dir / "a.bmp", ImageType::JPEG)) << converter.GetError();
  std::filesystem::rename(dir / "a.JPG", dir / "b.jpeg");
  ASSERT_TRUE(converter.Convert(dir / "b.jpeg", ImageType::BMP)) << converter.GetError();
  PackedBitmap back;
  std::string error;
  ASSERT_TRUE(ReadBmp(ReadAll(dir / "b.BMP"), back, error)) << error;
  EXPECT_EQ(back.bitsPerPixel(), 24);
  EXPECT_EQ(back.xPixelsPerMetre(), 2835);
  EXPECT_GT(back.Row(29)[0], 200);  // bottom row blue
  EXPECT_LT(back.Row(29)[2], 60);
}

TEST(CimgTest, FileOfTheOtherFormatIsStillRead) {
  ScratchDir dir;
  WriteAll(dir / "real.bmp", ChartBmp());
  CIMG converter;
  ASSERT_TRUE(converter.Convert(dir / "real.bmp", ImageType::JPEG));
  std::filesystem::rename(dir / "real.JPG", dir / "misnamed.bmp");
  EXPECT_TRUE(converter.Convert(dir / "misnamed.bmp", ImageType::JPEG)) << converter.GetError();
}

TEST(CimgTest, MessageOfAFailureOutlivesLaterSuccess) {
  ScratchDir dir;
  WriteAll(dir / "chart.bmp", ChartBmp());
  CIMG converter;
  EXPECT_FALSE(converter.Convert(dir / "chart.gif", ImageType::JPEG));
  EXPECT_TRUE(converter.Convert(dir / "chart.bmp", ImageType::JPEG));
  EXPECT_EQ(converter.GetError(), "Invalid source image type : .gif");
}

TEST(CimgTest, FailedWriteKeepsTheOldOutputAndLeavesNoTemporaryFile) {
  ScratchDir dir;
  WriteAll(dir / "chart.bmp", ChartBmp());
  std::filesystem::create_directory(dir / "chart.JPG");  // cannot be replaced by a file
  CIMG converter;
  EXPECT_FALSE(converter.Convert(dir / "chart.bmp", ImageType::JPEG));
  EXPECT_EQ(converter.GetError(), "Unable to write file: Is a directory");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"chart.JPG", "chart.bmp"}));
}

}  // namespace
}  // namespace tessaloom
