// Shared by the image tests: a scratch folder removed afterwards, whole-file
// reads, folder listings, the asymmetric test picture (a red "F" on blue,
// which shows flips and red/blue swaps) and an in-memory WritableFile.
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
#include <span>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/file_system.h"

namespace tessaloom::image_test {

inline constexpr COLORREF kRed = 0x0000FF;
inline constexpr COLORREF kBlue = 0xFF0000;

class ScratchDir {
 public:
  ScratchDir() {
    char name[] = "/tmp/tessaloom-image-XXXXXX";
    if (::mkdtemp(name) == nullptr) std::abort();
    path_ = name;
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

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

// Collects what is appended; with `failAfter` set, an append that would go
// past that many bytes fails.
class MemoryFile final : public WritableFile {
 public:
  explicit MemoryFile(std::size_t failAfter = std::numeric_limits<std::size_t>::max())
      : failAfter_(failAfter) {}
  bool Append(std::span<const std::uint8_t> bytes, std::string& error) noexcept override {
    ++appends;
    if (bytes.size() > failAfter_ - std::min(failAfter_, data.size())) {
      error = "Unable to write file: test disk full";
      return false;
    }
    data.insert(data.end(), bytes.begin(), bytes.end());
    return true;
  }
  bool Commit(std::string&) noexcept override { return committed = true; }

  std::vector<std::uint8_t> data;
  int appends = 0;
  bool committed = false;

 private:
  std::size_t failAfter_;
};

}  // namespace tessaloom::image_test
