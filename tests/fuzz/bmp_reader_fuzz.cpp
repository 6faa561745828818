// BMP reader on arbitrary bytes: ReadBmp never reads outside its input, and
// either fails with a reason and leaves its output alone, or gives an 8- or
// 24-bit bitmap within PackedBitmap's bounds whose block has the size its
// header states, and which reads back the same after being written out.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/bitmap_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  const std::span<const std::uint8_t> bytes(data, size);

  PackedBitmap image;
  std::string error;
  if (!ReadBmp(bytes, image, error)) {
    FUZZ_CHECK(!error.empty());
    FUZZ_CHECK(image.block().empty());
    return 0;
  }
  FUZZ_CHECK(image.bitsPerPixel() == 8 || image.bitsPerPixel() == 24);
  FUZZ_CHECK(image.width() >= 1 && image.width() <= PackedBitmap::kMaxSide);
  FUZZ_CHECK(image.height() >= 1 && image.height() <= PackedBitmap::kMaxSide);
  const std::size_t width = static_cast<std::size_t>(image.width());
  const std::size_t height = static_cast<std::size_t>(image.height());
  const std::size_t bits = static_cast<std::size_t>(image.bitsPerPixel());
  FUZZ_CHECK(image.stride() % 4 == 0 && image.stride() * 8 >= width * bits &&
             image.stride() * 8 < width * bits + 32);
  FUZZ_CHECK(image.block().size() ==
             kBitmapInfoHeaderSize + 4 * image.colorTableEntries() + image.stride() * height);
  // Every pixel took at least a byte of the input.
  FUZZ_CHECK(width * height <= size);

  std::vector<std::uint8_t> file;
  const auto header = BmpFileHeader(image);
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), image.block().begin(), image.block().end());
  PackedBitmap again;
  FUZZ_CHECK(ReadBmp(file, again, error));
  FUZZ_CHECK(std::vector<std::uint8_t>(again.block().begin(), again.block().end()) ==
             std::vector<std::uint8_t>(image.block().begin(), image.block().end()));
  return 0;
}
