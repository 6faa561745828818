#include "image/jpeg_codec.h"

#include <gtest/gtest.h>

#include "tests/support/image_files.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

// Offset of the first marker FF `code` in a JPEG stream, or its size.
std::size_t FindMarker(const Bytes& jpeg, std::uint8_t code) {
  const std::uint8_t marker[] = {0xFF, code};
  return static_cast<std::size_t>(std::search(jpeg.begin(), jpeg.end(), marker, marker + 2) -
                                  jpeg.begin());
}

TEST(JpegCodecTest, ChartJpegIsBaselineQuality75AtZeroByZeroDotsPerInch) {
  const Bytes jpeg = Written(EncodeJpeg, FBitmap(40, 30));
  ASSERT_GE(jpeg.size(), 20u);
  // SOI, JFIF APP0 (FF E0, length, "JFIF\0", version), unit dots per inch, densities 0.
  EXPECT_EQ((Bytes{jpeg[0], jpeg[1], jpeg[2], jpeg[3]}), (Bytes{0xFF, 0xD8, 0xFF, 0xE0}));
  EXPECT_EQ(std::string(jpeg.begin() + 6, jpeg.begin() + 11), std::string("JFIF\0", 5));
  EXPECT_EQ((Bytes(jpeg.begin() + 13, jpeg.begin() + 18)), (Bytes{1, 0, 0, 0, 0}));
  EXPECT_LT(FindMarker(jpeg, 0xC0), jpeg.size());  // baseline frame
  EXPECT_EQ(FindMarker(jpeg, 0xC2), jpeg.size());  // not progressive
  // Quality 75 halves the standard luminance table: its first entry 16 becomes 8.
  const std::size_t dqt = FindMarker(jpeg, 0xDB);
  ASSERT_LT(dqt, jpeg.size() - 5);
  EXPECT_EQ((Bytes{jpeg[dqt + 4], jpeg[dqt + 5]}), (Bytes{0, 8}));
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
  const Bytes jpeg = Written(EncodeJpeg, grey);
  ASSERT_LT(FindMarker(jpeg, 0xC0), jpeg.size() - 9);
  EXPECT_EQ(jpeg[FindMarker(jpeg, 0xC0) + 9], 1);  // components
  PackedBitmap decoded;
  ASSERT_TRUE(DecodeJpeg(jpeg, decoded, error)) << error;
  const std::uint8_t* p = &decoded.Row(8)[24];
  EXPECT_NEAR(p[0], 200, 2);  // the table's level for index 55
  EXPECT_EQ((Bytes{p[1], p[2]}), (Bytes{p[0], p[0]}));
}

TEST(JpegCodecTest, DecoderRefusesWhatIsNotAJpegOrTooLarge) {
  Bytes huge = Written(EncodeJpeg, FBitmap(16, 16));
  const std::size_t sof = FindMarker(huge, 0xC0);
  ASSERT_LT(sof, huge.size() - 9);
  // Big-endian height at sof+5 and width at sof+7: 60000 x 60000.
  huge[sof + 5] = huge[sof + 7] = 0xEA;
  huge[sof + 6] = huge[sof + 8] = 0x60;
  const Bytes inputs[] = {{}, {0xFF, 0xD8}, {'B', 'M', 0, 0, 0, 0}, Bytes(100, 0xFF), huge};
  for (const Bytes& input : inputs) {
    PackedBitmap decoded;
    std::string error;
    EXPECT_FALSE(DecodeJpeg(input, decoded, error) || error.empty()) << input.size();
    EXPECT_TRUE(decoded.Block().empty());
  }
}

}  // namespace
}  // namespace tessaloom
