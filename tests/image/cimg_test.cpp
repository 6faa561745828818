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

using image_test::FaultyFiles;
using image_test::FPicture;
using image_test::MemoryFile;
using image_test::Names;
using image_test::ReadAll;
using image_test::ScratchDir;
using image_test::WriteAll;
using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

Bytes BmpOf(const PackedBitmap& bitmap) {
  MemoryFile file;
  std::string error;
  EXPECT_TRUE(WriteBmpFile(bitmap, file, error));
  return file.data;
}

Bytes ChartBmp(std::int32_t pixelsPerMetre = 0) {
  PackedBitmap bitmap;
  EXPECT_TRUE(DDBToDIB(FPicture(40, 30), bitmap));
  bitmap.SetResolution(pixelsPerMetre, pixelsPerMetre);
  return BmpOf(bitmap);
}

TEST(CimgTest, FailuresGiveTheirMessages) {
  ScratchDir dir;
  WriteAll(dir / "chart.bmp", ChartBmp());
  WriteAll(dir / "junk.bmp", Bytes(200, 'x'));
  std::filesystem::create_directory(dir / "folder.bmp");
  PackedBitmap coloured;
  std::string error;
  ASSERT_TRUE(PackedBitmap::Create(4, 4, 8, coloured, error));
  coloured.ColorTable()[2] = 0xFF;  // entry 0 red
  WriteAll(dir / "palette.bmp", BmpOf(coloured));
  const Strings before = Names(dir.path());

  FaultyFiles noCreate;
  noCreate.refuseCreate = true;
  struct Case {
    std::string source;
    ImageType target;
    std::string message;
    FileSystem& files = FileSystem::Default();
  };
  const Case cases[] = {
      {dir / "chart.bmp", static_cast<ImageType>(2), "Invalid target image type."},
      {dir / "chart.bmp", static_cast<ImageType>(-1), "Invalid target image type."},
      {"", ImageType::JPEG, "Unknown source image type."},
      {"chart", ImageType::JPEG, "Unknown source image type."},
      {dir / "chart.png", ImageType::JPEG, "Invalid source image type : .png"},
      {"/tmp/a.b/chart", ImageType::JPEG, "Invalid source image type : .b/chart"},
      {dir / "missing.bmp", ImageType::JPEG, "File specified does not exists."},
      {dir / "folder.bmp", ImageType::JPEG, "File specified does not exists."},
      {dir / "palette.bmp", ImageType::JPEG, "JPEG can save only RGB or GreyScale images"},
      {dir / "junk.bmp", ImageType::JPEG, "Not a BMP file"},  // the first reader's message
      {dir / "chart.bmp", ImageType::JPEG, "Unable to open file for writing", noCreate},
  };
  for (const Case& c : cases) {
    CIMG converter(c.files);
    EXPECT_FALSE(converter.Convert(c.source, c.target)) << c.source;
    EXPECT_EQ(converter.GetError(), c.message) << c.source;
  }
  EXPECT_EQ(Names(dir.path()), before);
}

TEST(CimgTest, MessageOfAFailureOutlivesALaterSuccess) {
  ScratchDir dir;
  WriteAll(dir / "chart.bmp", ChartBmp());
  CIMG converter;
  EXPECT_EQ(converter.GetError(), "");
  EXPECT_FALSE(converter.Convert(dir / "chart.gif", ImageType::JPEG));
  EXPECT_TRUE(converter.Convert(dir / "chart.bmp", ImageType::JPEG));
  EXPECT_EQ(converter.GetError(), "Invalid source image type : .gif");
}

TEST(CimgTest, BmpBecomesUpperCaseJpgBesideItAndStays) {
  ScratchDir dir;
  const Bytes bmp = ChartBmp();
  WriteAll(dir / "chart.BmP", bmp);
  CIMG converter;
  ASSERT_TRUE(converter.Convert(dir / "chart.BmP", ImageType::JPEG)) << converter.GetError();
  EXPECT_EQ(Names(dir.path()), (Strings{"chart.BmP", "chart.JPG"}));
  EXPECT_EQ(ReadAll(dir / "chart.BmP"), bmp);
  PackedBitmap decoded;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(ReadAll(dir / "chart.JPG"), decoded, error)) << error;
  EXPECT_EQ(decoded.width(), 40);
  // B, G, R: top left blue, the F's top arm (x 8..31, y 5..9) red.
  EXPECT_NEAR(decoded.Row(1)[3], 255, 48);
  EXPECT_NEAR(decoded.Row(1)[5], 0, 48);
  EXPECT_NEAR(decoded.Row(7)[3 * 16], 0, 48);
  EXPECT_NEAR(decoded.Row(7)[3 * 16 + 2], 255, 48);
}

TEST(CimgTest, JpegBecomesBmpKeepingTheResolutionWhateverItsName) {
  ScratchDir dir;
  WriteAll(dir / "a.bmp", ChartBmp(2835));  // 72 dpi
  CIMG converter;
  ASSERT_TRUE(converter.Convert(dir / "a.bmp", ImageType::JPEG)) << converter.GetError();
  std::filesystem::rename(dir / "a.JPG", dir / "b.jpeg");
  ASSERT_TRUE(converter.Convert(dir / "b.jpeg", ImageType::BMP)) << converter.GetError();
  PackedBitmap back;
  std::string error;
  ASSERT_TRUE(ReadBmp(ReadAll(dir / "b.BMP"), back, error)) << error;
  EXPECT_EQ(back.bitsPerPixel(), 24);
  EXPECT_EQ(back.xPixelsPerMetre(), 2835);
  EXPECT_NEAR(back.Row(29)[0], 255, 48);  // bottom row blue
  EXPECT_NEAR(back.Row(29)[2], 0, 48);
  // A JPEG named .bmp is still read.
  std::filesystem::rename(dir / "b.jpeg", dir / "misnamed.bmp");
  EXPECT_TRUE(converter.Convert(dir / "misnamed.bmp", ImageType::JPEG)) << converter.GetError();
}

TEST(CimgTest, FailedWriteLeavesNoTemporaryFile) {
  ScratchDir dir;
  WriteAll(dir / "chart.bmp", ChartBmp());
  std::filesystem::create_directory(dir / "chart.JPG");  // the rename into place fails
  CIMG converter;
  EXPECT_FALSE(converter.Convert(dir / "chart.bmp", ImageType::JPEG));
  EXPECT_EQ(converter.GetError(), "Unable to open file for writing");
  EXPECT_EQ(Names(dir.path()), (Strings{"chart.JPG", "chart.bmp"}));
}

}  // namespace
}  // namespace tessaloom
