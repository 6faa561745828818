// Shared by the image tests: a scratch folder removed afterwards, whole-file
// reads, folder listings, the asymmetric test picture (a red "F" on blue,
// which shows flips and red/blue swaps) and its comparison with a decoded
// picture, an in-memory WritableFile and real files that fail on request.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

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
#include "tests/support/scratch_dir.h"

namespace tessaloom::image_test {

inline constexpr COLORREF kRed = 0x0000FF;
inline constexpr COLORREF kBlue = 0xFF0000;

using test_support::ScratchDir;

inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, std::span<const std::uint8_t> bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Names in `folder`, sorted, hidden (temporary) files included.
inline std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Blue, with a red "F": the stem in the left fifth-to-two-fifths, the top arm
// reaching four fifths across, the middle arm three fifths.
inline Canvas FPicture(std::int32_t width, std::int32_t height) {
  Canvas canvas;
  std::string error;
  EXPECT_TRUE(Canvas::Create(width, height, canvas, error)) << error;
  canvas.FillRect(0, 0, width, height, kBlue);
  canvas.FillRect(width / 5, height / 6, 2 * width / 5, 5 * height / 6, kRed);
  canvas.FillRect(width / 5, height / 6, 4 * width / 5, 2 * height / 6, kRed);
  canvas.FillRect(width / 5, 3 * height / 6, 3 * width / 5, 4 * height / 6, kRed);
  return canvas;
}

// The largest difference of any colour channel between the canvas and a
// decoded 24-bit picture, over every pixel or, for JPEG, only those whose
// 5 x 5 neighbourhood is one colour (its loss rings round edges). A flip or a
// red/blue swap is off by 255 on most pixels.
inline int LargestDifference(const Canvas& canvas, const PackedBitmap& decoded, bool flatOnly) {
  const auto at = [&](std::int32_t x, std::int32_t y) {
    return canvas.GetPixel(std::clamp(x, 0, canvas.width() - 1),
                           std::clamp(y, 0, canvas.height() - 1));
  };
  int largest = 0;
  for (std::int32_t y = 0; y < canvas.height(); ++y) {
    for (std::int32_t x = 0; x < canvas.width(); ++x) {
      const COLORREF want = at(x, y);
      bool flat = true;
      for (int d = 0; d < 25 && flat; ++d) flat = at(x + d % 5 - 2, y + d / 5 - 2) == want;
      if (flatOnly && !flat) continue;
      const std::uint8_t* got = &decoded.Row(y)[3 * static_cast<std::size_t>(x)];
      for (int c = 0; c < 3; ++c) {  // red, green, blue against B, G, R
        largest =
            std::max(largest, std::abs(got[2 - c] - static_cast<int>((want >> (8 * c)) & 0xFF)));
      }
    }
  }
  return largest;
}

// Collects what is appended; with `failAfter` set, an append that would go
// past that many bytes fails.
class MemoryFile final : public WritableFile {
 public:
  explicit MemoryFile(std::size_t failAfter = std::numeric_limits<std::size_t>::max())
      : failAfter_(failAfter) {}
  bool Append(std::span<const std::uint8_t> bytes, std::string& error) noexcept override {
    if (bytes.size() > failAfter_ - std::min(failAfter_, data.size())) {
      error = "Unable to write file: test disk full";
      return false;
    }
    data.insert(data.end(), bytes.begin(), bytes.end());
    return true;
  }
  CommitResult Commit(std::string&) noexcept override { return CommitResult::kDone; }

  std::vector<std::uint8_t> data;

 private:
  std::size_t failAfter_;
};

// The real files, except that creating fails when `refuseCreate` is set and
// writing fails once `writeLimit` bytes have gone into a file.
class FaultyFiles final : public FileSystem {
 public:
  bool refuseCreate = false;
  std::size_t writeLimit = std::numeric_limits<std::size_t>::max();

  bool IsSearchableDirectory(const std::string& p) noexcept override {
    return Default().IsSearchableDirectory(p);
  }
  bool IsRegularFile(const std::string& p) noexcept override { return Default().IsRegularFile(p); }
  bool ReadFile(const std::string& p, std::size_t max, std::vector<std::uint8_t>& out,
                std::string& error) noexcept override {
    return Default().ReadFile(p, max, out, error);
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
    int ReadFile(std::string_view name, std::size_t max,
                 std::vector<std::uint8_t>& out) noexcept override {
      return real_->ReadFile(name, max, out);
    }
    std::unique_ptr<WritableFile> NewReplacingFile(std::string_view name, std::string& error,
                                                   ReplaceOptions options) noexcept override {
      if (faults_.refuseCreate) return nullptr;
      auto file = real_->NewReplacingFile(name, error, options);
      return file ? std::make_unique<Limited>(std::move(file), faults_.writeLimit) : nullptr;
    }

   private:
    std::unique_ptr<Folder> real_;
    const FaultyFiles& faults_;
  };

  class Limited final : public WritableFile {
   public:
    Limited(std::unique_ptr<WritableFile> real, std::size_t left)
        : real_(std::move(real)), left_(left) {}
    bool Append(std::span<const std::uint8_t> bytes, std::string& error) noexcept override {
      const std::size_t now = std::min(bytes.size(), left_);
      left_ -= now;
      if (!real_->Append(bytes.first(now), error)) return false;
      if (now < bytes.size()) error = "Unable to write file: No space left on device";
      return now == bytes.size();
    }
    CommitResult Commit(std::string& error) noexcept override { return real_->Commit(error); }

   private:
    std::unique_ptr<WritableFile> real_;
    std::size_t left_;
  };
};

}  // namespace tessaloom::image_test
