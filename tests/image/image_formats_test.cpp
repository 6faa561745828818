// Every output format in memory: the bytes decode to the canvas's pixels (BMP
// and PNG exactly, JPEG within its loss). That memory equals the file, under
// the name as given, is checked through Python (test_drawing.py).
#include <gtest/gtest.h>

#include "image/jpeg_codec.h"
#include "image/png_codec.h"
#include "image/save_image.h"
#include "tests/image/image_test_support.h"

namespace tessaloom {
namespace {

using namespace image_test;  // NOLINT(google-build-using-namespace): test helpers

bool Decode(ImageFormat format, const Bytes& bytes, PackedBitmap& out, std::string& error) {
  return format == ImageFormat::kPng    ? DecodePng(bytes, out, error)
         : format == ImageFormat::kJpeg ? DecodeJpeg(bytes, out, error)
                                        : ReadBmp(bytes, out, error);
}

// `colors` colours in vertical stripes of width 1 over a width x height
// canvas (then the pattern shifts per row): PNG writes 4-bit, 8-bit palette
// or RGB rows as the count grows past 16 and 256.
Canvas Stripes(std::int32_t width, std::int32_t height, std::uint32_t colors) {
  Canvas canvas = FPicture(width, height);
  for (std::uint32_t i = 0; i < std::uint32_t(width * height); ++i) {
    const std::uint32_t c = (i % std::uint32_t(width) + 3 * (i / std::uint32_t(width))) % colors;
    canvas.SetPixel(
        std::int32_t(i) % width, std::int32_t(i) / width,
        RGB(std::uint8_t(c * 7 % 256), std::uint8_t(c * 13 % 256), std::uint8_t(c / 2 % 256)));
  }
  return canvas;
}

TEST(ImageFormatsTest, EachFormatDecodesToTheCanvas) {
  const std::pair<ImageFormat, const char*> formats[] = {{ImageFormat::kBmp, "image/bmp"},
                                                         {ImageFormat::kPng, "image/png"},
                                                         {ImageFormat::kJpeg, "image/jpeg"}};
  // The stripes go past 16 colours and past 256.
  const Canvas pictures[] = {FPicture(1, 1), FPicture(5, 4), FPicture(37, 23), Stripes(41, 9, 17),
                             Stripes(40, 30, 300)};
  for (const auto& [format, mime] : formats) {
    const bool lossy = format == ImageFormat::kJpeg;  // then pixels away from edges, within 32
    for (const Canvas& canvas : pictures) {
      SCOPED_TRACE(std::string(mime) + " " + std::to_string(canvas.width()));
      std::string error;
      Bytes memory;
      ImageFormat written = ImageFormat::kByName;
      ASSERT_TRUE(
          EncodeImageToMemory(&canvas, "ignored.bmp", {format, 90}, memory, written, error));
      EXPECT_STREQ(ImageMimeType(written), mime);
      PackedBitmap decoded;
      ASSERT_TRUE(Decode(format, memory, decoded, error)) << error;
      ASSERT_EQ(std::pair(decoded.width(), decoded.height()),
                std::pair(canvas.width(), canvas.height()));
      EXPECT_LE(LargestDifference(canvas, decoded, lossy), lossy ? 32 : 0);
    }
  }
}

TEST(ImageFormatsTest, JpegQualityCounts) {
  const Canvas canvas = FPicture(64, 48);
  std::string error;
  Bytes low, high;
  ImageFormat written = ImageFormat::kByName;
  ASSERT_TRUE(EncodeImageToMemory(&canvas, "x", {ImageFormat::kJpeg, 5}, low, written, error));
  ASSERT_TRUE(EncodeImageToMemory(&canvas, "x", {ImageFormat::kJpeg, 100}, high, written, error));
  EXPECT_LT(low.size(), high.size());
}

}  // namespace
}  // namespace tessaloom
