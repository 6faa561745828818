// CIMG on arbitrary bytes (the first byte's parity picks .bmp or .jpg): it fails with a reason
// leaving nothing, or writes the other format beside the source, decoding to the source's size.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>

#include "image/bitmap_file.h"
#include "image/cimg.h"
#include "image/jpeg_codec.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/scratch_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  namespace fs = std::filesystem;
  static const test_support::ScratchDir kScratch;  // emptied after every input
  const std::string& folder = kScratch.Path();
  if (size == 0) return 0;
  const bool fromJpeg = (data[0] & 1) != 0;
  const std::span<const std::uint8_t> file(data + 1, size - 1);
  const std::string source = folder + (fromJpeg ? "/in.jpg" : "/in.bmp");
  std::ofstream(source, std::ios::binary)
      .write(fuzz::AsText(data + 1, size - 1).data(), static_cast<std::streamsize>(size - 1));
  const auto files = [&] { return std::distance(fs::directory_iterator(folder), {}); };
  const auto decode = [](std::span<const std::uint8_t> bytes, bool jpeg, PackedBitmap& out) {
    std::string error;
    return jpeg ? DecodeJpeg(bytes, out, error) : ReadBmp(bytes, out, error);
  };
  CIMG converter;
  if (converter.Convert(source, fromJpeg ? ImageType::kBmp : ImageType::kJpeg)) {
    FUZZ_CHECK(converter.GetError().empty() && files() == 2);
    // The source is read by its extension first, then as the other format.
    PackedBitmap before, after;
    FUZZ_CHECK(decode(file, fromJpeg, before) || decode(file, !fromJpeg, before));
    std::ifstream in(folder + (fromJpeg ? "/in.BMP" : "/in.JPG"), std::ios::binary);
    const std::vector<std::uint8_t> target{std::istreambuf_iterator<char>(in), {}};
    FUZZ_CHECK(decode(target, !fromJpeg, after));
    FUZZ_CHECK(after.Width() == before.Width() && after.Height() == before.Height());
  } else {
    FUZZ_CHECK(!converter.GetError().empty() && files() == 1);  // the source alone
  }
  for (const auto& entry : fs::directory_iterator(folder)) fs::remove(entry.path());
  return 0;
}
