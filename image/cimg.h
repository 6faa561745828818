// CIMG: converts an image file into the other format beside it, a BMP into a
// JPEG or a JPEG into a BMP, and keeps the message of its last failed
// conversion. Reads and writes through a FileSystem, which must outlive it.
// One thread at a time per object.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace tessaloom {

enum class ImageType : std::int32_t { kBmp = 0, kJpeg = 1 };

class CIMG {
 public:
  explicit CIMG(FileSystem& files = FileSystem::Default()) noexcept : files_(&files) {}
  virtual ~CIMG();

  // Reads `source` by its extension (".bmp", ".jpg" or ".jpeg", any letter
  // case; when that reading fails the other format is tried) and writes it as
  // `target` beside it: the source path up to its last '.' followed by ".JPG"
  // for a BMP source and ".BMP" for a JPEG source, whatever `target` is. The
  // new file replaces one of that name in a single step; a failure leaves the
  // old one untouched and no other file behind. Returns true when the file
  // was written; otherwise false with the reason for GetError. The message of
  // an earlier failure stays after a success.
  [[nodiscard]] bool Convert(const std::string& source, ImageType target) noexcept;

  // The message of the last failed conversion; empty before any failure.
  [[nodiscard]] std::string GetError() const noexcept;

 private:
  void Fail(std::string text) noexcept;

  FileSystem* files_;
  std::string error_;
};

}  // namespace tessaloom
