#include "image/cimg.h"

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "image/bitmap_file.h"
#include "image/jpeg_codec.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

// Largest source file read: a 32-bit BMP at PackedBitmap's pixel bound is
// 256 MiB; twice that leaves room for padding and trailing bytes.
constexpr std::size_t kMaxSourceBytes = std::size_t{512} << 20;

bool Decode(std::span<const std::uint8_t> bytes, ImageType format, PackedBitmap& image,
            std::string& error) noexcept {
  return format == ImageType::kBmp ? ReadBmp(bytes, image, error) : DecodeJpeg(bytes, image, error);
}

}  // namespace

CIMG::~CIMG() = default;

std::string CIMG::GetError() const noexcept {
  try {
    return error_;
  } catch (...) {
    return {};
  }
}

void CIMG::Fail(std::string text) noexcept { error_ = std::move(text); }

bool CIMG::Convert(const std::string& source, ImageType target) noexcept {
  try {
    if (target != ImageType::kBmp && target != ImageType::kJpeg) {
      Fail("Invalid target image type.");
      return false;
    }
    const std::size_t dot = source.rfind('.');
    if (dot == std::string::npos) {
      Fail("Unknown source image type.");
      return false;
    }
    const std::string extension = source.substr(dot);
    ImageType format = ImageType::kBmp;
    if (EqualsIgnoreAsciiCase(extension, ".BMP")) {
      format = ImageType::kBmp;
    } else if (EqualsIgnoreAsciiCase(extension, ".JPG") ||
               EqualsIgnoreAsciiCase(extension, ".JPEG")) {
      format = ImageType::kJpeg;
    } else {
      Fail("Invalid source image type : " + extension);
      return false;
    }
    if (!files_->IsRegularFile(source)) {
      Fail("File specified does not exists.");
      return false;
    }

    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!files_->ReadFile(source, kMaxSourceBytes, bytes, reason)) {
      Fail(std::move(reason));
      return false;
    }
    // A file whose content does not match its name is read as the other
    // format; when neither fits, the first reader's message is the one kept.
    PackedBitmap image;
    if (!Decode(bytes, format, image, reason)) {
      std::string ignored;
      const ImageType other = format == ImageType::kBmp ? ImageType::kJpeg : ImageType::kBmp;
      if (!Decode(bytes, other, image, ignored)) {
        Fail(std::move(reason));
        return false;
      }
    }
    bytes = {};

    const std::string output =
        source.substr(0, dot) + (format == ImageType::kBmp ? ".JPG" : ".BMP");
    const std::unique_ptr<WritableFile> file = files_->NewReplacingFile(output, reason);
    if (file == nullptr) {
      Fail("Unable to open file for writing");
      return false;
    }
    const bool written = target == ImageType::kJpeg ? EncodeJpeg(image, *file, reason)
                                                    : WriteBmpFile(image, *file, reason);
    if (!written) {
      Fail(std::move(reason));
      return false;
    }
    switch (file->Commit(reason)) {
      case CommitResult::kDone: return true;
      case CommitResult::kCannotReplace: Fail("Unable to open file for writing"); return false;
      case CommitResult::kWriteFailed:
      case CommitResult::kNotRegularFile: Fail(std::move(reason)); return false;
    }
    return false;
  } catch (...) {
    try {
      AssignOrClear(error_, "Not enough memory");
    } catch (...) {
      error_.clear();
    }
    return false;
  }
}

}  // namespace tessaloom
