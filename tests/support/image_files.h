// For the image tests: whole files, folder listings, the test picture as a bitmap and compared with
// a decoded one, an in-memory WritableFile and real files that fail on request.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "draw/canvas.h"
#include "image/bitmap_file.h"
#include "platform/file_system.h"
#include "tests/support/canvas.h"
#include "tests/support/scratch_dir.h"

namespace tessaloom::test_support {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Names in `folder`, sorted, hidden (temporary) files included.
inline Strings Names(const std::string& folder) {
  Strings names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// FPicture as the packed bitmap the file writers take.
inline PackedBitmap FBitmap(std::int32_t width, std::int32_t height) {
  PackedBitmap bitmap;
  EXPECT_TRUE(DDBToDIB(FPicture(width, height), bitmap));
  return bitmap;
}

// The largest channel difference between the canvas and a decoded 24-bit picture, over every pixel
// or (JPEG rings round edges) those whose 5 x 5 neighbourhood is one colour; a flip or swap is 255.
inline int LargestDifference(const Canvas& canvas, const PackedBitmap& decoded, bool flatOnly) {
  const auto at = [&](std::int32_t x, std::int32_t y) {
    return canvas.GetPixel(std::clamp(x, 0, canvas.Width() - 1),
                           std::clamp(y, 0, canvas.Height() - 1));
  };
  int largest = 0;
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    for (std::int32_t x = 0; x < canvas.Width(); ++x) {
      const COLORREF want = at(x, y);
      bool flat = true;
      for (int d = 0; d < 25 && flat; ++d) flat = at(x + d % 5 - 2, y + d / 5 - 2) == want;
      if (flatOnly && !flat) continue;
      const std::uint8_t* got = &decoded.Row(y)[3 * static_cast<std::size_t>(x)];
      for (int c = 0; c < 3; ++c)  // red, green, blue against B, G, R
        largest =
            std::max(largest, std::abs(got[2 - c] - static_cast<int>((want >> (8 * c)) & 0xFF)));
    }
  }
  return largest;
}

// Appends to `real` (or `data`) until `left` bytes have gone; one going past writes part, fails.
class LimitedFile final : public WritableFile {
 public:
  explicit LimitedFile(std::size_t left = std::numeric_limits<std::size_t>::max(),
                       std::unique_ptr<WritableFile> real = nullptr,
                       const char* full = "Unable to write file: test disk full")
      : real_(std::move(real)), left_(left), full_(full) {}
  bool Append(std::span<const std::uint8_t> bytes, std::string& error) noexcept override {
    const std::size_t now = std::min(bytes.size(), left_);
    left_ -= now;
    if (!real_) data.insert(data.end(), bytes.begin(), bytes.begin() + static_cast<long>(now));
    if (real_ && !real_->Append(bytes.first(now), error)) return false;
    if (now < bytes.size()) error = full_;
    return now == bytes.size();
  }
  bool Reserve(std::uint64_t bytes, std::string& error) noexcept override {
    if (noRoom) error = full_;
    return !noRoom && (!real_ || real_->Reserve(bytes, error));
  }
  CommitResult Commit(std::string& error) noexcept override {
    return real_ ? real_->Commit(error) : CommitResult::kDone;
  }
  Bytes data;
  bool noRoom = false;  // Reserve fails: a full disk

 private:
  std::unique_ptr<WritableFile> real_;
  std::size_t left_;
  const char* full_;
};

// The bytes a successful `write(image, file, error)` puts in a file.
template <typename Writer, typename Image>
Bytes Written(Writer write, const Image& image) {
  LimitedFile file;
  std::string error;
  EXPECT_TRUE(write(image, file, error)) << error;
  return file.data;
}

// The real files, but creating fails if `refuseCreate` (read-only), reserving if `full`, and
// writing past `writeLimit` bytes.
class FaultyFiles final : public FileSystem {
 public:
  bool refuseCreate = false;
  bool full = false;
  std::size_t writeLimit = std::numeric_limits<std::size_t>::max();

  bool IsSearchableDirectory(const std::string& p) noexcept override {
    return Default().IsSearchableDirectory(p);
  }
  bool IsRegularFile(const std::string& p) noexcept override { return Default().IsRegularFile(p); }
  bool ReadFile(const std::string& p, std::size_t max, Bytes& out,
                std::string& e) noexcept override {
    return Default().ReadFile(p, max, out, e);
  }
  std::unique_ptr<Folder> OpenFolder(const std::string& p, std::string& error) noexcept override {
    auto real = Default().OpenFolder(p, error);
    return real ? std::make_unique<FaultyFolder>(std::move(real), *this) : nullptr;
  }

 private:
  class FaultyFolder final : public Folder {
   public:
    FaultyFolder(std::unique_ptr<Folder> real, const FaultyFiles& faults)
        : real_(std::move(real)), faults_(faults) {}
    bool RealPath(std::string& out) noexcept override { return real_->RealPath(out); }
    bool Lock(std::string& error) noexcept override { return real_->Lock(error); }
    int ReadFile(std::string_view name, std::size_t max, Bytes& out) noexcept override {
      return real_->ReadFile(name, max, out);
    }
    std::unique_ptr<WritableFile> NewReplacingFile(std::string_view name, std::string& error,
                                                   ReplaceOptions options) noexcept override {
      auto file = faults_.refuseCreate ? nullptr : real_->NewReplacingFile(name, error, options);
      if (!file) return nullptr;
      auto limited = std::make_unique<LimitedFile>(faults_.writeLimit, std::move(file),
                                                   "Unable to write file: No space left on device");
      limited->noRoom = faults_.full;
      return limited;
    }

   private:
    std::unique_ptr<Folder> real_;
    const FaultyFiles& faults_;
  };
};

}  // namespace tessaloom::test_support
