// ReadBmp on arbitrary bytes fails with a reason or gives a bitmap within
// bounds that reads back the same once written out.
#include <algorithm>
#include <span>

#include "image/bitmap_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  PackedBitmap image;
  std::string error;
  if (!ReadBmp(std::span(data, size), image, error)) {
    FUZZ_CHECK(!error.empty() && image.Block().empty());
    return 0;
  }
  const auto width = static_cast<std::size_t>(image.Width());
  const auto height = static_cast<std::size_t>(image.Height());
  const auto bits = static_cast<std::size_t>(image.BitsPerPixel());
  FUZZ_CHECK(bits == 8 || bits == 24);
  FUZZ_CHECK(width >= 1 && width <= PackedBitmap::kMaxSide);
  FUZZ_CHECK(height >= 1 && height <= PackedBitmap::kMaxSide);
  FUZZ_CHECK(image.Stride() % 4 == 0 && image.Stride() * 8 >= width * bits &&
             image.Stride() * 8 < width * bits + 32);
  FUZZ_CHECK(image.Block().size() ==
             kBitmapInfoHeaderSize + 4 * image.ColorTableEntries() + image.Stride() * height);
  FUZZ_CHECK(width * height <= size);  // every pixel took at least a byte of the input

  const auto header = BmpFileHeader(image);
  std::vector<std::uint8_t> file(header.begin(), header.end());
  file.insert(file.end(), image.Block().begin(), image.Block().end());
  PackedBitmap again;
  FUZZ_CHECK(ReadBmp(file, again, error));
  FUZZ_CHECK(std::equal(again.Block().begin(), again.Block().end(), image.Block().begin(),
                        image.Block().end()));
  return 0;
}
