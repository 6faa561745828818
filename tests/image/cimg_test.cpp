#include "image/cimg.h"

#include <gtest/gtest.h>

#include "tests/support/image_files.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

Bytes ChartBmp(std::int32_t pixelsPerMetre = 0) {
  PackedBitmap bitmap = FBitmap(40, 30);
  bitmap.SetResolution(pixelsPerMetre, pixelsPerMetre);
  return Written(WriteBmpFile, bitmap);
}

TEST(CimgTest, FailuresGiveTheirMessages) {
  ScratchDir dir;
  dir.Write("chart.bmp", ChartBmp());
  dir.Write("other.bmp", ChartBmp());
  dir.Write("junk.bmp", std::string(200, 'x'));
  std::filesystem::create_directory(dir / "folder.bmp");
  std::filesystem::create_directory(dir / "chart.JPG");  // the rename into place fails
  PackedBitmap coloured;
  std::string error;
  ASSERT_TRUE(PackedBitmap::Create(4, 4, 8, coloured, error));
  coloured.ColorTable()[2] = 0xFF;  // entry 0 red
  dir.Write("palette.bmp", Written(WriteBmpFile, coloured));
  const Strings before = Names(dir.Path());

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
      {"", ImageType::kJpeg, "Unknown source image type."},
      {"chart", ImageType::kJpeg, "Unknown source image type."},
      {dir / "chart.png", ImageType::kJpeg, "Invalid source image type : .png"},
      {"/tmp/a.b/chart", ImageType::kJpeg, "Invalid source image type : .b/chart"},
      {dir / "missing.bmp", ImageType::kJpeg, "File specified does not exists."},
      {dir / "folder.bmp", ImageType::kJpeg, "File specified does not exists."},
      {dir / "palette.bmp", ImageType::kJpeg, "JPEG can save only RGB or GreyScale images"},
      {dir / "junk.bmp", ImageType::kJpeg, "Not a BMP file"},  // the first reader's message
      {dir / "chart.bmp", ImageType::kJpeg, "Unable to open file for writing"},
      {dir / "other.bmp", ImageType::kJpeg, "Unable to open file for writing", noCreate},
  };
  for (const Case& c : cases) {
    CIMG converter(c.files);
    EXPECT_FALSE(converter.Convert(c.source, c.target)) << c.source;
    EXPECT_EQ(converter.GetError(), c.message) << c.source;
  }
  EXPECT_EQ(Names(dir.Path()), before);  // no temporary file left
}

// The message of a failure outlives later successes.
TEST(CimgTest, BmpBecomesUpperCaseJpgBesideItAndBackKeepingTheResolution) {
  ScratchDir dir;
  const Bytes bmp = ChartBmp(2835);  // 72 dpi
  dir.Write("chart.BmP", bmp);
  CIMG converter;
  EXPECT_FALSE(converter.Convert(dir / "chart.gif", ImageType::kJpeg));
  ASSERT_TRUE(converter.Convert(dir / "chart.BmP", ImageType::kJpeg));
  EXPECT_EQ(Names(dir.Path()), (Strings{"chart.BmP", "chart.JPG"}));
  EXPECT_EQ(ReadAll(dir / "chart.BmP"), bmp);
  std::filesystem::rename(dir / "chart.JPG", dir / "b.jpeg");
  ASSERT_TRUE(converter.Convert(dir / "b.jpeg", ImageType::kBmp));
  PackedBitmap back;
  std::string error;
  ASSERT_TRUE(ReadBmp(ReadAll(dir / "b.BMP"), back, error)) << error;
  EXPECT_EQ(std::pair(back.BitsPerPixel(), back.XPixelsPerMetre()), std::pair(24, 2835));
  EXPECT_LE(LargestDifference(FPicture(40, 30), back, true), 48);
  // A JPEG named .bmp is still read.
  std::filesystem::rename(dir / "b.jpeg", dir / "misnamed.bmp");
  EXPECT_TRUE(converter.Convert(dir / "misnamed.bmp", ImageType::kJpeg));
  EXPECT_EQ(converter.GetError(), "Invalid source image type : .gif");
}

}  // namespace
}  // namespace tessaloom
