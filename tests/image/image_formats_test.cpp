// Every output format, to a file and to memory: the bytes decode to the
// canvas's pixels (BMP and PNG exactly, JPEG within its loss), memory equals
// the file byte for byte, and a chosen format keeps the name as given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/bitmap_file.h"
#include "image/jpeg_codec.h"
#include "image/png_codec.h"
#include "image/save_image.h"
#include "tests/image/image_test_support.h"

namespace tessaloom {
namespace {

using image_test::FPicture;
using image_test::Names;
using image_test::ReadAll;
using image_test::ScratchDir;
using Bytes = std::vector<std::uint8_t>;

bool Decode(ImageFormat format, const Bytes& bytes, PackedBitmap& out, std::string& error) {
  switch (format) {
    case ImageFormat::kPng: return DecodePng(bytes, out, error);
    case ImageFormat::kJpeg: return DecodeJpeg(bytes, out, error);
    default: return ReadBmp(bytes, out, error);
  }
}

// `colors` colours in vertical stripes of width 1 over a width x height
// canvas (then the pattern shifts per row): PNG writes 4-bit, 8-bit palette
// or RGB rows as the count grows past 16 and 256.
Canvas Stripes(std::int32_t width, std::int32_t height, std::uint32_t colors) {
  Canvas canvas;
  std::string error;
  EXPECT_TRUE(Canvas::Create(width, height, canvas, error)) << error;
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      const std::uint32_t i = static_cast<std::uint32_t>(x + 3 * y) % colors;
      canvas.SetPixel(x, y, RGB(i * 7 % 256, i * 13 % 256, i / 2 % 256));
    }
  }
  return canvas;
}

TEST(ImageFormatsTest, EachFormatDecodesToTheCanvasAndMemoryEqualsTheFile) {
  struct Case {
    ImageFormat format;
    const char* name;  // written as given, whatever its extension
    const char* mime;
    bool lossy;  // then only pixels away from edges are compared, within 32
  };
  const Case cases[] = {
      {ImageFormat::kBmp, "a.img", "image/bmp", false},
      {ImageFormat::kPng, "b.PNG.jpg", "image/png", false},
      {ImageFormat::kJpeg, "c", "image/jpeg", true},
  };
  std::vector<Canvas> pictures;
  pictures.push_back(FPicture(1, 1));
  pictures.push_back(FPicture(5, 4));
  pictures.push_back(FPicture(37, 23));
  pictures.push_back(Stripes(41, 9, 17));    // past 16 colours
  pictures.push_back(Stripes(40, 30, 300));  // past 256
  for (const Case& c : cases) {
    for (const Canvas& canvas : pictures) {
      SCOPED_TRACE(std::string(c.name) + " " + std::to_string(canvas.width()));
      ScratchDir dir;
      std::string error;
      const ImageOptions options{c.format, 90};
      ASSERT_TRUE(SaveImage(&canvas, dir.path(), c.name, error, FileSystem::Default(), {}, options))
          << error;
      EXPECT_EQ(Names(dir.path()), std::vector<std::string>{c.name});
      const Bytes file = ReadAll(dir.path() + "/" + c.name);

      Bytes memory;
      ImageFormat written = ImageFormat::kByName;
      ASSERT_TRUE(EncodeImageToMemory(&canvas, "ignored.bmp", options, memory, written, error));
      EXPECT_EQ(memory, file);
      EXPECT_STREQ(ImageMimeType(written), c.mime);

      PackedBitmap decoded;
      ASSERT_TRUE(Decode(c.format, memory, decoded, error)) << error;
      ASSERT_EQ(decoded.width(), canvas.width());
      ASSERT_EQ(decoded.height(), canvas.height());
      EXPECT_LE(image_test::LargestDifference(canvas, decoded, c.lossy), c.lossy ? 32 : 0);
    }
  }
}

TEST(ImageFormatsTest, WithoutAFormatMemoryFollowsTheNameAndJpegQualityCounts) {
  const Canvas canvas = FPicture(64, 48);
  std::string error;
  Bytes bmp, low, high;
  ImageFormat written = ImageFormat::kByName;
  ASSERT_TRUE(EncodeImageToMemory(&canvas, "chart.png", {}, bmp, written, error));
  EXPECT_EQ(written, ImageFormat::kBmp);  // the classic name rule: not "jpg", so BMP
  ASSERT_TRUE(
      EncodeImageToMemory(&canvas, "chart.JPG", {ImageFormat::kByName, 5}, low, written, error));
  EXPECT_EQ(written, ImageFormat::kJpeg);
  ASSERT_TRUE(EncodeImageToMemory(&canvas, "x", {ImageFormat::kJpeg, 100}, high, written, error));
  EXPECT_LT(low.size(), high.size());
}

TEST(ImageFormatsTest, BrokenPngFailsWithAMessage) {
  const Canvas canvas = FPicture(20, 10);
  Bytes png;
  ImageFormat written = ImageFormat::kByName;
  std::string error;
  ASSERT_TRUE(EncodeImageToMemory(&canvas, "", {ImageFormat::kPng}, png, written, error));
  for (const std::size_t keep :
       {std::size_t{0}, std::size_t{8}, std::size_t{40}, png.size() - 13}) {
    PackedBitmap decoded;
    error.clear();
    EXPECT_FALSE(
        DecodePng(Bytes(png.begin(), png.begin() + static_cast<long>(keep)), decoded, error))
        << keep;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace tessaloom
