#include "image/bitmap_file.h"

#include <gtest/gtest.h>

#include "image/jpeg_codec.h"
#include "tests/support/image_files.h"

namespace tessaloom {
namespace {

using namespace test_support;  // NOLINT(google-build-using-namespace): test helpers

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Test colours as B, G, R: multiples of 8 so that 16-bit files hold them
// exactly. 8-bit files hold index (x + 2y) % 6 into a table of the first row's.
using Bgr = std::array<std::uint8_t, 3>;
Bgr ColourAt(int x, int y) {
  return {static_cast<std::uint8_t>(8 * (x + 1)), static_cast<std::uint8_t>(8 * (y + 1) + 64),
          static_cast<std::uint8_t>(8 * (x + y) + 128)};
}
int IndexAt(int x, int y) { return (x + 2 * y) % 6; }

// A BMP file written field by field, apart from the writer under test; padding
// bytes are 0xEE so that a reader taking them for pixels shows.
Bytes BuildBmp(int width, int height, int bits) {
  const int rows = height < 0 ? -height : height;
  const std::size_t stride = static_cast<std::size_t>((width * bits + 31) / 32 * 4);
  const std::size_t offset = 54 + (bits == 8 ? 6 * 4 : 0);
  Bytes b(offset, 0);
  b.resize(offset + stride * static_cast<std::size_t>(rows), 0xEE);
  b[0] = 'B', b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, static_cast<std::uint32_t>(offset));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  b[26] = 1;
  b[28] = static_cast<std::uint8_t>(bits);
  Put32(b, 38, 2835);
  Put32(b, 42, 3780);
  if (bits == 8) Put32(b, 46, 6);
  for (int i = 0; i < 6 && bits == 8; ++i)
    std::copy_n(ColourAt(i, 0).begin(), 3, b.begin() + 54 + 4 * static_cast<std::ptrdiff_t>(i));
  for (int stored = 0; stored < rows; ++stored) {
    const int y = height < 0 ? stored : rows - 1 - stored;
    auto out = b.begin() + static_cast<std::ptrdiff_t>(offset + std::size_t(stored) * stride);
    for (int x = 0; x < width; ++x) {
      const Bgr c = ColourAt(x, y);
      const auto word = static_cast<unsigned>((c[2] >> 3u) << 10 | (c[1] >> 3u) << 5 | c[0] >> 3u);
      const Bytes pixel = bits == 8 ? Bytes{std::uint8_t(IndexAt(x, y))}
                          : bits == 16
                              ? Bytes{std::uint8_t(word), std::uint8_t(word >> 8)}
                              : Bytes{c[0], c[1], c[2], 0xAB};  // a 32-bit fourth is ignored
      out = std::copy_n(pixel.begin(), bits == 24 ? 3 : pixel.size(), out);
    }
  }
  return b;
}

TEST(BmpReaderTest, ReadsEveryDepthAtWidthsOneToFiveInBothRowOrders) {
  for (int bits : {8, 16, 24, 32}) {
    for (int width = 1; width <= 5; ++width) {
      for (int height : {3, -3}) {
        SCOPED_TRACE(testing::Message() << bits << " bpp, " << width << " x " << height);
        PackedBitmap image;
        std::string error;
        ASSERT_TRUE(ReadBmp(BuildBmp(width, height, bits), image, error)) << error;
        ASSERT_EQ(std::tuple(image.Width(), image.Height(), image.BitsPerPixel()),
                  std::tuple(width, 3, bits == 8 ? 8 : 24));
        EXPECT_EQ(image.XPixelsPerMetre() * 10000 + image.YPixelsPerMetre(), 28353780);
        const auto table = image.ColorTable();
        for (int i = 0; i < 3 * width; ++i) {
          const int x = i % width, y = i / width;
          const auto ux = static_cast<std::size_t>(x);
          // An 8-bit pixel is looked up in the table it came with.
          const std::uint8_t* p =
              bits == 8 ? &table[4 * std::size_t{image.Row(y)[ux]}] : &image.Row(y)[3 * ux];
          EXPECT_EQ((Bgr{p[0], p[1], p[2]}),
                    ColourAt(bits == 8 ? IndexAt(x, y) : x, bits == 8 ? 0 : y))
              << x << "," << y;
        }
      }
    }
  }
}

TEST(BmpReaderTest, RefusesMalformedFilesWithAReasonAndReadsNothing) {
  const char *const kSize = "Invalid BMP image size", *const kShort = "BMP file is truncated";
  // What, the depth of the file changed, the change, the message.
  const std::tuple<const char*, int, std::function<void(Bytes&)>, const char*> cases[] = {
      {"empty", 24, [](Bytes& b) { b.clear(); }, "Not a BMP file"},
      {"wrong magic", 24, [](Bytes& b) { b[1] = 'A'; }, "Not a BMP file"},
      {"core header", 24, [](Bytes& b) { Put32(b, 14, 12); }, "Unsupported BMP header"},
      {"header past end", 24, [](Bytes& b) { Put32(b, 14, 124); }, "Unsupported BMP header"},
      {"run-length", 8, [](Bytes& b) { Put32(b, 30, 1); }, "Unsupported BMP compression"},
      {"4 bpp", 24, [](Bytes& b) { b[28] = 4; }, "Unsupported BMP bits per pixel"},
      {"width 0", 24, [](Bytes& b) { Put32(b, 18, 0); }, kSize},
      {"negative width", 24, [](Bytes& b) { Put32(b, 18, 0xFFFFFFFF); }, kSize},
      {"most negative height", 24, [](Bytes& b) { Put32(b, 22, 0x80000000); }, kSize},
      {"65535 squared", 24, [](Bytes& b) { Put32(b, 18, 65535), Put32(b, 22, 65535); }, kSize},
      {"more rows than held", 24, [](Bytes& b) { Put32(b, 22, 4000); }, kShort},
      {"last byte missing", 16, [](Bytes& b) { b.pop_back(); }, kShort},
      {"pixels past the end", 24, [](Bytes& b) { Put32(b, 10, 0xFFFFFFF0); }, kShort},
      {"pixels in the header", 24, [](Bytes& b) { Put32(b, 10, 40); },
       "Invalid BMP pixel data offset"},
      {"257 colours", 8, [](Bytes& b) { Put32(b, 46, 257); }, "Invalid BMP colour table"},
      {"table past the end", 8, [](Bytes& b) { Put32(b, 46, 200); }, kShort},
  };
  for (const auto& [label, bits, change, message] : cases) {
    Bytes bytes = BuildBmp(5, 3, bits);
    change(bytes);
    PackedBitmap image;
    std::string error;
    EXPECT_FALSE(ReadBmp(bytes, image, error) || !image.Block().empty()) << label;
    EXPECT_EQ(error, message) << label;
  }
}

// The writers reading the canvas in place give the packed bitmap's bytes.
TEST(CanvasWritersTest, MatchThePackedBitmapPath) {
  for (std::int32_t width : {1, 2, 3, 4, 5, 37}) {
    const Canvas canvas = FPicture(width, 7);
    PackedBitmap bitmap;
    ASSERT_TRUE(DDBToDIB(canvas, bitmap));
    const auto canvasJpeg = [](const Canvas& c, WritableFile& f, std::string& e) {
      return EncodeCanvasJpeg(c, f, e);
    };
    EXPECT_EQ(Written(WriteCanvasBmp, canvas), Written(WriteBmpFile, bitmap)) << width;
    EXPECT_EQ(Written(canvasJpeg, canvas), Written(EncodeJpeg, bitmap)) << width;
  }
}

TEST(CanvasWritersTest, AWriteFailureEndsTheFileWithItsReason) {
  const Canvas canvas = FPicture(300, 300);  // several 64 KiB chunks of rows
  const std::size_t size = Written(EncodeJpeg, FBitmap(300, 300)).size();
  // JPEG at the first buffer, in the middle and at the final flush; BMP in its second chunk.
  const std::pair<bool, std::size_t> cases[] = {
      {true, 0}, {true, size / 2}, {true, size - 1}, {false, 100000}};
  for (const auto& [jpeg, failAfter] : cases) {
    LimitedFile file(failAfter);
    std::string error;
    EXPECT_FALSE(jpeg ? EncodeJpeg(FBitmap(300, 300), file, error)
                      : WriteCanvasBmp(canvas, file, error))
        << failAfter;
    EXPECT_EQ(error, "Unable to write file: test disk full") << failAfter;
  }
}

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
