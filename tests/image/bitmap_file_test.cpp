#include "image/bitmap_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/image/image_test_support.h"

namespace tessaloom {
namespace {

using image_test::FPicture;
using image_test::MemoryFile;
using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(PackedBitmapTest, CanvasBecomesBottomUpBlueGreenRedZeroRows) {
  Canvas canvas;
  std::string error;
  ASSERT_TRUE(Canvas::Create(3, 2, canvas, error));
  canvas.SetPixel(0, 0, 0x0000FF);  // red
  canvas.SetPixel(1, 0, 0x00FF00);  // green
  canvas.SetPixel(2, 0, 0x123456);  // R 0x56, G 0x34, B 0x12
  canvas.SetPixel(0, 1, 0xFFFFFF);
  canvas.SetPixel(1, 1, 0x000000);
  canvas.SetPixel(2, 1, 0xFF0000);  // blue
  PackedBitmap bitmap;
  ASSERT_TRUE(DDBToDIB(canvas, bitmap));
  const Bytes expected = {40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 32,
                          0,                        // size, width, height, planes, bpp
                          0, 0, 0, 0, 24, 0, 0, 0,  // compression, image size 12 x 2
                          0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // resolution, colours
                          // bottom row first
                          0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0,
                          // then the top row
                          0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0x12, 0x34, 0x56, 0};
  EXPECT_EQ(Bytes(bitmap.block().begin(), bitmap.block().end()), expected);
}

TEST(PackedBitmapTest, RowsArePaddedToWholeFourByteWords) {
  // Strides for widths 1 to 5.
  const std::vector<std::pair<int, std::vector<std::size_t>>> cases = {
      {8, {4, 4, 4, 4, 8}},
      {16, {4, 4, 8, 8, 12}},
      {24, {4, 8, 12, 12, 16}},
      {32, {4, 8, 12, 16, 20}},
  };
  for (const auto& [bits, strides] : cases) {
    for (std::int32_t width = 1; width <= 5; ++width) {
      PackedBitmap bitmap;
      std::string error;
      ASSERT_TRUE(PackedBitmap::Create(width, 3, bits, bitmap, error)) << error;
      const std::size_t stride = strides[static_cast<std::size_t>(width - 1)];
      EXPECT_EQ(bitmap.stride(), stride) << bits << " bpp, width " << width;
      const std::size_t table = bits == 8 ? 1024 : 0;
      EXPECT_EQ(bitmap.block().size(), 40 + table + 3 * stride);
    }
  }
}

TEST(PackedBitmapTest, RefusesDepthsAndSizesOutsideItsBounds) {
  struct Case {
    std::int32_t w, h;
    int bits;
  };
  const Case cases[] = {{1, 1, 1},        {1, 1, 4},       {1, 1, 48},
                        {0, 1, 24},       {1, -1, 24},     {65536, 1, 24},
                        {8193, 8193, 32}, {INT_MAX, 1, 8}, {1, INT_MIN, 8}};
  for (const Case& c : cases) {
    PackedBitmap bitmap;
    std::string error;
    EXPECT_FALSE(PackedBitmap::Create(c.w, c.h, c.bits, bitmap, error)) << c.w << "x" << c.h;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(bitmap.block().empty());
  }
}

TEST(PackedBitmapTest, EmptyCanvasCannotBeConverted) {
  PackedBitmap bitmap;
  EXPECT_FALSE(DDBToDIB(Canvas(), bitmap));
}

TEST(BmpFileTest, ChartFileHeaderCountsBlockAndPixelOffset) {
  Canvas canvas;
  std::string error;
  ASSERT_TRUE(Canvas::Create(500, 350, canvas, error));
  PackedBitmap bitmap;
  ASSERT_TRUE(DDBToDIB(canvas, bitmap));
  // 14 + 40 + 500 x 350 x 4 = 700054 = 0x000AAE96; pixels at 54.
  const std::array<std::uint8_t, 14> expected = {'B', 'M', 0x96, 0xAE, 0x0A, 0, 0,
                                                 0,   0,   0,    54,   0,    0, 0};
  EXPECT_EQ(BmpFileHeader(bitmap), expected);
}

TEST(BmpFileTest, EightBitFileHasItsColourTableBeforeThePixels) {
  PackedBitmap bitmap;
  std::string error;
  ASSERT_TRUE(PackedBitmap::Create(5, 2, 8, bitmap, error));
  // 14 + 40 + 1024 + 2 x 8 = 1094 = 0x446; pixels at 1078 = 0x436.
  const std::array<std::uint8_t, 14> expected = {'B', 'M', 0x46, 0x04, 0,    0, 0,
                                                 0,   0,   0,    0x36, 0x04, 0, 0};
  EXPECT_EQ(BmpFileHeader(bitmap), expected);
}

TEST(BmpFileTest, WrittenFileIsHeaderThenBlock) {
  PackedBitmap bitmap;
  ASSERT_TRUE(DDBToDIB(FPicture(7, 5), bitmap));
  MemoryFile file;
  std::string error;
  ASSERT_TRUE(WriteBmpFile(bitmap, file, error));
  const auto header = BmpFileHeader(bitmap);
  Bytes expected(header.begin(), header.end());
  expected.insert(expected.end(), bitmap.block().begin(), bitmap.block().end());
  EXPECT_EQ(file.data, expected);
  EXPECT_FALSE(file.committed);
}

TEST(BmpFileTest, WriteFailureIsReportedWithTheFilesReason) {
  PackedBitmap bitmap;
  ASSERT_TRUE(DDBToDIB(FPicture(7, 5), bitmap));
  MemoryFile file(20);
  std::string error;
  EXPECT_FALSE(WriteBmpFile(bitmap, file, error));
  EXPECT_EQ(error, "Unable to write file: test disk full");
}

TEST(BmpFileTest, PictureSurvivesWriteAndRead) {
  const Canvas canvas = FPicture(7, 5);
  PackedBitmap bitmap;
  ASSERT_TRUE(DDBToDIB(canvas, bitmap));
  MemoryFile file;
  std::string error;
  ASSERT_TRUE(WriteBmpFile(bitmap, file, error));
  PackedBitmap read;
  ASSERT_TRUE(ReadBmp(file.data, read, error)) << error;
  ASSERT_EQ(read.bitsPerPixel(), 24);
  for (std::int32_t y = 0; y < 5; ++y) {
    for (std::int32_t x = 0; x < 7; ++x) {
      const COLORREF c = canvas.GetPixel(x, y);
      const auto row = read.Row(y);
      const std::size_t at = 3 * static_cast<std::size_t>(x);
      EXPECT_EQ(row[at + 2], c & 0xFF) << x << "," << y;
      EXPECT_EQ(row[at + 1], (c >> 8) & 0xFF) << x << "," << y;
      EXPECT_EQ(row[at], (c >> 16) & 0xFF) << x << "," << y;
    }
  }
}

// Test colours per pixel, multiples of 8 so that 16-bit files hold them exactly.
struct Bgr {
  std::uint8_t b, g, r;
};
Bgr ColourAt(int x, int y) {
  return {static_cast<std::uint8_t>(8 * (x + 1)), static_cast<std::uint8_t>(8 * (y + 1) + 64),
          static_cast<std::uint8_t>(8 * (x + y) + 128)};
}
std::uint8_t IndexAt(int x, int y) { return static_cast<std::uint8_t>((x + 2 * y) % 6); }
Bgr TableEntry(int i) {
  return {static_cast<std::uint8_t>(40 * i), static_cast<std::uint8_t>(255 - 30 * i),
          static_cast<std::uint8_t>(7 * i)};
}

// A BMP file written field by field, independently of the writer. Padding
// bytes are 0xEE so that a reader taking them for pixels shows; 8-bit files
// carry a 6-entry table.
Bytes BuildBmp(int width, int height, int bits) {
  const int rows = height < 0 ? -height : height;
  const std::size_t stride = static_cast<std::size_t>((width * bits + 31) / 32 * 4);
  const std::size_t table = bits == 8 ? 6 * 4 : 0;
  const std::size_t offset = 54 + table;
  Bytes b(offset + stride * static_cast<std::size_t>(rows), 0xEE);
  std::fill(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(offset), 0);
  b[0] = 'B';
  b[1] = 'M';
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
  for (int i = 0; i < 6 && bits == 8; ++i) {
    const Bgr e = TableEntry(i);
    const std::size_t at = 54 + 4 * static_cast<std::size_t>(i);
    b[at] = e.b;
    b[at + 1] = e.g;
    b[at + 2] = e.r;
  }
  for (int stored = 0; stored < rows; ++stored) {
    const int y = height < 0 ? stored : rows - 1 - stored;  // picture row
    std::size_t at = offset + static_cast<std::size_t>(stored) * stride;
    for (int x = 0; x < width; ++x) {
      const Bgr c = ColourAt(x, y);
      switch (bits) {
        case 8: b[at++] = IndexAt(x, y); break;
        case 16: {
          const unsigned word =
              (unsigned{c.r} >> 3) << 10 | (unsigned{c.g} >> 3) << 5 | unsigned{c.b} >> 3;
          b[at++] = static_cast<std::uint8_t>(word);
          b[at++] = static_cast<std::uint8_t>(word >> 8);
          break;
        }
        default:
          b[at++] = c.b;
          b[at++] = c.g;
          b[at++] = c.r;
          if (bits == 32) b[at++] = 0xAB;  // ignored
      }
    }
  }
  return b;
}

TEST(BmpReaderTest, ReadsEveryDepthAtWidthsOneToFiveBothRowOrders) {
  for (int bits : {8, 16, 24, 32}) {
    for (int width = 1; width <= 5; ++width) {
      for (int height : {3, -3}) {
        SCOPED_TRACE(testing::Message() << bits << " bpp, " << width << " x " << height);
        PackedBitmap image;
        std::string error;
        ASSERT_TRUE(ReadBmp(BuildBmp(width, height, bits), image, error)) << error;
        ASSERT_EQ(image.width(), width);
        ASSERT_EQ(image.height(), 3);
        ASSERT_EQ(image.bitsPerPixel(), bits == 8 ? 8 : 24);
        EXPECT_EQ(image.xPixelsPerMetre(), 2835);
        EXPECT_EQ(image.yPixelsPerMetre(), 3780);
        for (int y = 0; y < 3; ++y) {
          const auto row = image.Row(y);
          for (int x = 0; x < width; ++x) {
            const std::size_t ux = static_cast<std::size_t>(x);
            if (bits == 8) {
              EXPECT_EQ(row[ux], IndexAt(x, y)) << x << "," << y;
              continue;
            }
            const Bgr c = ColourAt(x, y);
            EXPECT_EQ(row[3 * ux], c.b) << x << "," << y;
            EXPECT_EQ(row[3 * ux + 1], c.g) << x << "," << y;
            EXPECT_EQ(row[3 * ux + 2], c.r) << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(BmpReaderTest, EightBitTableIsKeptAndMissingEntriesAreBlack) {
  PackedBitmap image;
  std::string error;
  ASSERT_TRUE(ReadBmp(BuildBmp(4, 2, 8), image, error)) << error;
  const auto table = image.ColorTable();
  ASSERT_EQ(table.size(), 1024u);
  for (int i = 0; i < 256; ++i) {
    const std::size_t at = 4 * static_cast<std::size_t>(i);
    const Bgr e = i < 6 ? TableEntry(i) : Bgr{0, 0, 0};
    EXPECT_EQ(table[at], e.b) << i;
    EXPECT_EQ(table[at + 1], e.g) << i;
    EXPECT_EQ(table[at + 2], e.r) << i;
    EXPECT_EQ(table[at + 3], 0) << i;
  }
}

TEST(BmpReaderTest, RefusesMalformedFilesWithAReason) {
  struct Case {
    const char* label;
    std::function<void(Bytes&)> change;
    const char* message;
  };
  const Case cases[] = {
      {"empty", [](Bytes& b) { b.clear(); }, "Not a BMP file"},
      {"wrong magic", [](Bytes& b) { b[1] = 'A'; }, "Not a BMP file"},
      {"header cut", [](Bytes& b) { b.resize(50); }, "Not a BMP file"},
      {"core header", [](Bytes& b) { Put32(b, 14, 12); }, "Unsupported BMP header"},
      {"header past end",
       [](Bytes& b) {
         Put32(b, 14, 124);
         b.resize(100);
       },
       "Unsupported BMP header"},
      {"run-length", [](Bytes& b) { Put32(b, 30, 1); }, "Unsupported BMP compression"},
      {"bit fields", [](Bytes& b) { Put32(b, 30, 3); }, "Unsupported BMP compression"},
      {"4 bpp", [](Bytes& b) { b[28] = 4; }, "Unsupported BMP bits per pixel"},
      {"width 0", [](Bytes& b) { Put32(b, 18, 0); }, "Invalid BMP image size"},
      {"negative width", [](Bytes& b) { Put32(b, 18, 0xFFFFFFFF); }, "Invalid BMP image size"},
      {"height 0", [](Bytes& b) { Put32(b, 22, 0); }, "Invalid BMP image size"},
      {"most negative height", [](Bytes& b) { Put32(b, 22, 0x80000000); },
       "Invalid BMP image size"},
      {"too wide", [](Bytes& b) { Put32(b, 18, 65536); }, "Invalid BMP image size"},
      {"too many pixels",
       [](Bytes& b) {
         Put32(b, 18, 65535);
         Put32(b, 22, 65535);
       },
       "Invalid BMP image size"},
      {"claims more rows than it holds", [](Bytes& b) { Put32(b, 22, 4000); },
       "BMP file is truncated"},
      {"last byte missing", [](Bytes& b) { b.pop_back(); }, "BMP file is truncated"},
      {"pixels past the end", [](Bytes& b) { Put32(b, 10, 0xFFFFFFF0); }, "BMP file is truncated"},
      {"pixels inside the header", [](Bytes& b) { Put32(b, 10, 40); },
       "Invalid BMP pixel data offset"},
  };
  for (const Case& c : cases) {
    Bytes bytes = BuildBmp(5, 3, 24);
    c.change(bytes);
    PackedBitmap image;
    std::string error;
    EXPECT_FALSE(ReadBmp(bytes, image, error)) << c.label;
    EXPECT_EQ(error, c.message) << c.label;
    EXPECT_TRUE(image.block().empty()) << c.label;
  }
}

TEST(BmpReaderTest, RefusesEightBitTablesLargerOrLongerThanTheFile) {
  Bytes big = BuildBmp(2, 2, 8);
  Put32(big, 46, 257);
  Bytes cut = BuildBmp(2, 2, 8);
  Put32(cut, 46, 200);  // 800 bytes of table in a file of about 90
  PackedBitmap image;
  std::string error;
  EXPECT_FALSE(ReadBmp(big, image, error));
  EXPECT_EQ(error, "Invalid BMP colour table");
  EXPECT_FALSE(ReadBmp(cut, image, error));
  EXPECT_EQ(error, "BMP file is truncated");
}

}  // namespace
}  // namespace tessaloom
