#include "image/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/image/image_test_support.h"

namespace tessaloom {
namespace {

using image_test::FPicture;
using image_test::MemoryFile;
using Bytes = std::vector<std::uint8_t>;

// Offset of the first marker FF `code` in a JPEG stream, or npos.
std::size_t FindMarker(const Bytes& jpeg, std::uint8_t code) {
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == code) return i;
  }
  return std::string::npos;
}

Bytes Encode(const PackedBitmap& image) {
  MemoryFile file;
  std::string error;
  EXPECT_TRUE(EncodeJpeg(image, file, error)) << error;
  return file.data;
}

PackedBitmap FBitmap(std::int32_t w, std::int32_t h) {
  PackedBitmap bitmap;
  EXPECT_TRUE(DDBToDIB(FPicture(w, h), bitmap));
  return bitmap;
}

// JPEG is lossy, and quality 75 with halved chroma rings around saturated
// edges: pixels whose 5 x 5 neighbourhood is one colour must come back within
// 48 per channel, and the whole picture within 16 on average. A flip or a
// red/blue swap is off by 255 on most of them.
void ExpectClose(const Canvas& expected, const PackedBitmap& actual) {
  ASSERT_EQ(actual.width(), expected.width());
  ASSERT_EQ(actual.height(), expected.height());
  ASSERT_EQ(actual.bitsPerPixel(), 24);
  std::int64_t total = 0;
  for (std::int32_t y = 0; y < expected.height(); ++y) {
    const auto row = actual.Row(y);
    for (std::int32_t x = 0; x < expected.width(); ++x) {
      const COLORREF want = expected.GetPixel(x, y);
      bool flat = true;
      for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
          const std::int32_t nx = std::clamp(x + dx, 0, expected.width() - 1);
          const std::int32_t ny = std::clamp(y + dy, 0, expected.height() - 1);
          flat = flat && expected.GetPixel(nx, ny) == want;
        }
      }
      const std::size_t at = 3 * static_cast<std::size_t>(x);
      const int diffs[3] = {row[at + 2] - static_cast<int>(want & 0xFF),
                            row[at + 1] - static_cast<int>((want >> 8) & 0xFF),
                            row[at] - static_cast<int>((want >> 16) & 0xFF)};
      for (int d : diffs) {
        total += std::abs(d);
        if (flat) {
          EXPECT_LE(std::abs(d), 48) << "pixel " << x << "," << y;
        }
      }
    }
  }
  EXPECT_LE(total / (3 * std::int64_t{expected.width()} * expected.height()), 16);
}

TEST(JpegCodecTest, PictureComesBackWithinTolerance) {
  for (const auto& [w, h] : {std::pair{40, 30}, std::pair{61, 47}, std::pair{1, 1}}) {
    const Canvas canvas = FPicture(w, h);
    PackedBitmap bitmap;
    ASSERT_TRUE(DDBToDIB(canvas, bitmap));
    PackedBitmap decoded;
    std::string error;
    ASSERT_TRUE(DecodeJpeg(Encode(bitmap), decoded, error)) << error;
    ExpectClose(canvas, decoded);
  }
}

TEST(JpegCodecTest, ChartJpegIsBaselineQuality75WithZeroDotsPerInch) {
  const Bytes jpeg = Encode(FBitmap(40, 30));
  ASSERT_GE(jpeg.size(), 20u);
  // JFIF APP0: FF E0, length, "JFIF\0", version, unit at 13, densities at 14 and 16.
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);
  EXPECT_EQ(jpeg[3], 0xE0);
  EXPECT_EQ(std::string(jpeg.begin() + 6, jpeg.begin() + 11), std::string("JFIF\0", 5));
  EXPECT_EQ(jpeg[13], 1);
  EXPECT_EQ(jpeg[14] << 8 | jpeg[15], 0);
  EXPECT_EQ(jpeg[16] << 8 | jpeg[17], 0);
  EXPECT_NE(FindMarker(jpeg, 0xC0), std::string::npos);  // baseline frame
  EXPECT_EQ(FindMarker(jpeg, 0xC2), std::string::npos);  // not progressive
  // Quality 75 halves the standard luminance table: its first entry 16 becomes 8.
  const std::size_t dqt = FindMarker(jpeg, 0xDB);
  ASSERT_NE(dqt, std::string::npos);
  EXPECT_EQ(jpeg[dqt + 4], 0x00);  // 8-bit table 0
  EXPECT_EQ(jpeg[dqt + 5], 8);
}

TEST(JpegCodecTest, ResolutionBecomesDotsPerInchAndBack) {
  PackedBitmap bitmap = FBitmap(8, 8);
  bitmap.SetResolution(2835, 3780);  // 72 and 96 dpi
  const Bytes jpeg = Encode(bitmap);
  EXPECT_EQ(jpeg[14] << 8 | jpeg[15], 72);
  EXPECT_EQ(jpeg[16] << 8 | jpeg[17], 96);
  PackedBitmap decoded;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(jpeg, decoded, error)) << error;
  EXPECT_EQ(decoded.xPixelsPerMetre(), 2835);
  EXPECT_EQ(decoded.yPixelsPerMetre(), 3780);
}

TEST(JpegCodecTest, DotsPerInchRoundsAndStaysInRange) {
  const std::pair<std::int32_t, std::uint16_t> cases[] = {
      {0, 0},     {19, 0},        {20, 1},          {2835, 72},        {3780, 96},
      {-2835, 0}, {INT32_MIN, 0}, {2580157, 65535}, {INT32_MAX, 65535}};
  for (const auto& [ppm, dpi] : cases) EXPECT_EQ(DotsPerInch(ppm), dpi) << ppm;
}

TEST(JpegCodecTest, GreyEightBitImageGivesOneGreyComponent) {
  PackedBitmap grey;
  std::string error;
  ASSERT_TRUE(PackedBitmap::Create(16, 16, 8, grey, error));
  auto table = grey.ColorTable();
  for (std::size_t i = 0; i < 256; ++i) {
    table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = static_cast<std::uint8_t>(255 - i);
  }
  for (std::int32_t y = 0; y < 16; ++y) std::fill(grey.Row(y).begin(), grey.Row(y).end(), 55);
  const Bytes jpeg = Encode(grey);
  const std::size_t sof = FindMarker(jpeg, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  EXPECT_EQ(jpeg[sof + 9], 1);  // components
  PackedBitmap decoded;
  ASSERT_TRUE(DecodeJpeg(jpeg, decoded, error)) << error;
  const auto row = decoded.Row(8);
  EXPECT_NEAR(row[24], 200, 2);  // the table's level for index 55
  EXPECT_EQ(row[24], row[25]);
  EXPECT_EQ(row[24], row[26]);
}

TEST(JpegCodecTest, ColouredEightBitImageIsRefused) {
  PackedBitmap coloured;
  std::string error;
  ASSERT_TRUE(PackedBitmap::Create(4, 4, 8, coloured, error));
  coloured.ColorTable()[4 * 7 + 2] = 0xFF;  // entry 7 red
  MemoryFile file;
  EXPECT_FALSE(EncodeJpeg(coloured, file, error));
  EXPECT_EQ(error, "JPEG can save only RGB or GreyScale images");
  EXPECT_TRUE(file.data.empty());
}

TEST(JpegCodecTest, OutputGoesToTheFileInFourKilobyteBuffers) {
  const Bytes jpeg = Encode(FBitmap(300, 300));
  MemoryFile file;
  std::string error;
  ASSERT_TRUE(EncodeJpeg(FBitmap(300, 300), file, error));
  EXPECT_EQ(file.data, jpeg);
  ASSERT_GT(jpeg.size(), kJpegBufferSize);
  EXPECT_EQ(file.appends, static_cast<int>((jpeg.size() + kJpegBufferSize - 1) / kJpegBufferSize));
}

TEST(JpegCodecTest, WriteFailureEndsEncodingWithTheFilesReason) {
  const std::size_t size = Encode(FBitmap(300, 300)).size();
  // In the middle of the stream, and at the final flush.
  for (std::size_t failAfter : {std::size_t{0}, size / 2, size - 1}) {
    MemoryFile file(failAfter);
    std::string error;
    EXPECT_FALSE(EncodeJpeg(FBitmap(300, 300), file, error)) << failAfter;
    EXPECT_EQ(error, "Unable to write file: test disk full") << failAfter;
  }
}

TEST(JpegCodecTest, DecoderRefusesWhatIsNotAJpeg) {
  const Bytes inputs[] = {{}, {0xFF}, {0xFF, 0xD8}, {'B', 'M', 0, 0, 0, 0}, Bytes(100, 0xFF)};
  for (const Bytes& input : inputs) {
    PackedBitmap decoded;
    std::string error;
    EXPECT_FALSE(DecodeJpeg(input, decoded, error)) << input.size();
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(decoded.block().empty());
  }
}

TEST(JpegCodecTest, HugeClaimedSizeIsRefusedBeforeDecoding) {
  Bytes jpeg = Encode(FBitmap(16, 16));
  const std::size_t sof = FindMarker(jpeg, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  // Height at sof+5, width at sof+7, big-endian: 60000 x 60000.
  jpeg[sof + 5] = jpeg[sof + 7] = 0xEA;
  jpeg[sof + 6] = jpeg[sof + 8] = 0x60;
  PackedBitmap decoded;
  std::string error;
  EXPECT_FALSE(DecodeJpeg(jpeg, decoded, error));
  EXPECT_NE(error.find("larger than the largest supported image"), std::string::npos) << error;
}

TEST(JpegCodecTest, FileCutShortStillDecodesToFullSize) {
  Bytes jpeg = Encode(FBitmap(64, 64));
  jpeg.resize(jpeg.size() * 2 / 3);
  PackedBitmap decoded;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(jpeg, decoded, error)) << error;
  EXPECT_EQ(decoded.width(), 64);
  EXPECT_EQ(decoded.height(), 64);
}

}  // namespace
}  // namespace tessaloom
