#include "image/save_image.h"

#include <memory>
#include <utility>

#include "image/bitmap_file.h"
#include "image/jpeg_codec.h"
#include "image/png_codec.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr char kCannotOpen[] = "Unable to open file for writing";

constexpr char kNoMemory[] = "Not enough memory";

// Room set aside before drawing: a BMP's exact size (its two headers, then
// the canvas's 4 bytes a pixel); for a compressed image or a document, whose
// size is known only once drawn, its first bytes, fewer than the smallest
// file of those formats holds (a PNG's signature and headers alone take 67),
// so no file that would fit is refused, yet a disk without a free block is
// found.
constexpr std::uint64_t kFirstBytes = 64;

std::uint64_t RoomFor(ImageFormat format, std::int64_t width, std::int64_t height) {
  if (format != ImageFormat::kBmp) return kFirstBytes;
  if (width < 1 || height < 1 || width > Canvas::kMaxSide || height > Canvas::kMaxSide) return 0;
  return kBmpFileHeaderSize + kBitmapInfoHeaderSize +
         4 * static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
}

}  // namespace

const char* ImageMimeType(ImageFormat format) noexcept {
  switch (format) {
    case ImageFormat::kBmp: return "image/bmp";
    case ImageFormat::kJpeg: return "image/jpeg";
    case ImageFormat::kPng: return "image/png";
    case ImageFormat::kSvg: return "image/svg+xml";
    case ImageFormat::kPdf: return "application/pdf";
    case ImageFormat::kByName: break;
  }
  return "";
}

bool EncodeCanvas(const Canvas& canvas, ImageFormat format, int jpegQuality, WritableFile& file,
                  std::string& error) noexcept {
  switch (format) {
    case ImageFormat::kBmp: return WriteCanvasBmp(canvas, file, error);
    case ImageFormat::kJpeg: return EncodeCanvasJpeg(canvas, file, error, jpegQuality);
    case ImageFormat::kPng: return EncodeCanvasPng(canvas, file, error);
    case ImageFormat::kSvg:
    case ImageFormat::kPdf:
    case ImageFormat::kByName: break;
  }
  error = "No image format chosen";
  return false;
}

bool MemorySink::Append(std::span<const std::uint8_t> bytes, std::string& error) noexcept {
  try {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return true;
  } catch (...) {
    AssignOrClear(error, kNoMemory);
    return false;
  }
}

CommitResult MemorySink::Commit(std::string&) noexcept { return CommitResult::kDone; }

bool IsPathValid(const std::string& path, FileSystem& files) noexcept {
  return files.IsSearchableDirectory(path);
}

ImageOutput ChooseImageOutput(const std::string& fullPath) {
  const std::size_t slash = fullPath.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = fullPath.rfind('.');
  // Only a dot in the final component counts, so the file always lands in
  // the folder the path names, whatever dots the folder names hold.
  if (dot == std::string::npos || dot < nameStart) {
    return {fullPath.substr(0, nameStart) + "bmp", false};
  }
  if (EqualsIgnoreAsciiCase(std::string_view(fullPath).substr(dot + 1), "jpg")) {
    return {fullPath, true};
  }
  return {fullPath.substr(0, dot + 1) + "bmp", false};
}

void OutputFile::SetDetail(std::string_view path, std::string_view why) noexcept {
  try {
    detail_.assign("\"").append(path).append("\"");
    if (!why.empty()) detail_.append(": ").append(why);
  } catch (...) {
    detail_.clear();
  }
}

bool OutputFile::Open(const std::string& filePath, const std::string& fileName, ImageFormat format,
                      std::int64_t width, std::int64_t height, std::string& errorText,
                      FileSystem& files, const OutputLimit& limit) noexcept {
  file_.reset();
  detail_.clear();
  try {
    if (!IsPathValid(filePath, files)) {
      errorText = "Invalid File Path";
      SetDetail(filePath, "not a folder that can be opened");
      return false;
    }
    if (fileName.empty()) {
      errorText = "File Name missing";
      return false;
    }
    std::string path = filePath + "/" + fileName;
    if (format == ImageFormat::kByName) {
      ImageOutput output = ChooseImageOutput(path);
      path = std::move(output.path);
      format = output.jpeg ? ImageFormat::kJpeg : ImageFormat::kBmp;
    }
    // The final component is a plain name in the folder the rest of the
    // path leads to; a path ending in '/' leaves none, and no file can be made.
    const PathParts parts = SplitFolderAndName(path);
    std::string reason;
    const std::unique_ptr<Folder> folder = files.OpenFolder(parts.folder, reason);
    if (folder == nullptr) {
      errorText = kCannotOpen;
      SetDetail(parts.folder, reason);
      return false;
    }
    std::string real;
    if (!limit.folder.empty() && !(folder->RealPath(real) && FolderHolds(limit.folder, real))) {
      errorText = limit.refusal;
      return false;
    }
    std::unique_ptr<WritableFile> file = folder->NewReplacingFile(parts.name, reason);
    if (file == nullptr) {
      errorText = kCannotOpen;
      SetDetail(path, reason);
      return false;
    }
    if (!file->Reserve(RoomFor(format, width, height), reason)) {
      errorText = std::move(reason);
      return false;
    }
    file_ = std::move(file);
    format_ = format;
    path_ = std::move(path);
    return true;
  } catch (...) {
    AssignOrClear(errorText, kNoMemory);
    return false;
  }
}

bool OutputFile::Write(const Canvas& canvas, int jpegQuality, std::string& errorText) noexcept {
  std::string reason;
  if (file_ == nullptr || !EncodeCanvas(canvas, format_, jpegQuality, *file_, reason)) {
    file_.reset();
    errorText = std::move(reason);
    return false;
  }
  return Commit(errorText);
}

bool OutputFile::Write(std::span<const std::uint8_t> bytes, std::string& errorText) noexcept {
  std::string reason;
  if (file_ == nullptr || !file_->Append(bytes, reason)) {
    file_.reset();
    errorText = std::move(reason);
    return false;
  }
  return Commit(errorText);
}

bool OutputFile::Commit(std::string& errorText) noexcept {
  std::string reason;
  const CommitResult result = file_->Commit(reason);
  file_.reset();
  switch (result) {
    case CommitResult::kDone: return true;
    case CommitResult::kCannotReplace:
      AssignOrClear(errorText, kCannotOpen);
      SetDetail(path_, reason);
      return false;
    case CommitResult::kNotRegularFile:
      errorText = std::move(reason);
      SetDetail(path_, {});
      return false;
    case CommitResult::kWriteFailed: errorText = std::move(reason); return false;
  }
  return false;
}

bool SaveImage(const Canvas* canvas, std::string filePath, std::string fileName,
               std::string& errorText, FileSystem& files, const OutputLimit& limit,
               const ImageOptions& options) noexcept {
  try {
    if (!IsPathValid(filePath, files)) {
      errorText = "Invalid File Path";
      return false;
    }
    if (canvas == nullptr) {
      errorText = "No DC Avaiable";
      return false;
    }
    if (fileName.empty()) {
      errorText = "File Name missing";
      return false;
    }
    // The canvas's rows are the packed bitmap's rows: both writers read them
    // in place instead of copying them into a packed block first.
    if (canvas->Width() < 1 || canvas->Height() < 1) {
      errorText = "Unable to convert DDB to DIB";
      return false;
    }
    OutputFile file;
    return file.Open(filePath, fileName, options.format, canvas->Width(), canvas->Height(),
                     errorText, files, limit) &&
           file.Write(*canvas, options.jpegQuality, errorText);
  } catch (...) {
    AssignOrClear(errorText, kNoMemory);
    return false;
  }
}

bool SaveDocument(std::span<const std::uint8_t> bytes, std::string filePath, std::string fileName,
                  std::string& errorText, FileSystem& files, const OutputLimit& limit) noexcept {
  OutputFile file;
  return file.Open(filePath, fileName, ImageFormat::kSvg, 0, 0, errorText, files, limit) &&
         file.Write(bytes, errorText);
}

bool EncodeImageToMemory(const Canvas* canvas, const std::string& fileName,
                         const ImageOptions& options, std::vector<std::uint8_t>& out,
                         ImageFormat& written, std::string& errorText) noexcept {
  out.clear();
  try {
    if (canvas == nullptr) {
      errorText = "No DC Avaiable";
      return false;
    }
    if (canvas->Width() < 1 || canvas->Height() < 1) {
      errorText = "Unable to convert DDB to DIB";
      return false;
    }
    ImageFormat format = options.format;
    if (format == ImageFormat::kByName) {
      format = ChooseImageOutput(fileName).jpeg ? ImageFormat::kJpeg : ImageFormat::kBmp;
    }
    MemorySink file(out);
    std::string reason;
    if (!EncodeCanvas(*canvas, format, options.jpegQuality, file, reason)) {
      out.clear();
      errorText = std::move(reason);
      return false;
    }
    written = format;
    return true;
  } catch (...) {
    out.clear();
    AssignOrClear(errorText, kNoMemory);
    return false;
  }
}

}  // namespace tessaloom
