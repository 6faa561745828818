// CIMG on arbitrary bytes: the first byte picks the source's extension
// (even: .bmp, odd: .jpg), the rest is the file. A conversion either fails
// with a reason and leaves nothing behind, or writes the other format beside
// the source, and that file decodes to an image of the source's size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "image/bitmap_file.h"
#include "image/cimg.h"
#include "image/jpeg_codec.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// One scratch folder per process, emptied after every input.
const std::string& Scratch() {
  static const std::string folder = [] {
    char name[] = "/tmp/tessaloom-cimg-fuzz-XXXXXX";
    if (::mkdtemp(name) == nullptr) std::abort();
    return std::string(name);
  }();
  return folder;
}

std::size_t FilesIn(const std::string& folder) {
  const std::filesystem::directory_iterator entries(folder);
  return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Decode(std::span<const std::uint8_t> bytes, bool jpeg, tessaloom::PackedBitmap& out) {
  std::string error;
  return jpeg ? tessaloom::DecodeJpeg(bytes, out, error) : tessaloom::ReadBmp(bytes, out, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  if (size == 0) return 0;
  const bool from_jpeg = (data[0] & 1) != 0;
  const std::span<const std::uint8_t> file(data + 1, size - 1);
  const std::string folder = Scratch();
  const std::string source = folder + (from_jpeg ? "/in.jpg" : "/in.bmp");
  const std::string target = folder + (from_jpeg ? "/in.BMP" : "/in.JPG");
  {
    std::ofstream out(source, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
  }

  CIMG converter;
  if (converter.Convert(source, from_jpeg ? ImageType::BMP : ImageType::JPEG)) {
    FUZZ_CHECK(converter.GetError().empty());
    FUZZ_CHECK(FilesIn(folder) == 2);
    // The source is read by its extension first, then as the other format.
    PackedBitmap before;
    FUZZ_CHECK(Decode(file, from_jpeg, before) || Decode(file, !from_jpeg, before));
    PackedBitmap after;
    FUZZ_CHECK(Decode(ReadAll(target), !from_jpeg, after));
    FUZZ_CHECK(after.width() == before.width() && after.height() == before.height());
  } else {
    FUZZ_CHECK(!converter.GetError().empty());
    FUZZ_CHECK(FilesIn(folder) == 1);  // the source alone
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::filesystem::remove(entry.path());
  }
  return 0;
}
