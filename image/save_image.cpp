#include "image/save_image.h"

#include <memory>
#include <utility>

#include "image/bitmap_file.h"
#include "image/jpeg_codec.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr char kCannotOpen[] = "Unable to open file for writing";

}  // namespace

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

bool SaveImage(const Canvas* canvas, std::string filePath, std::string fileName,
               std::string& errorText, FileSystem& files, const OutputLimit& limit) noexcept {
  try {
    if (!IsPathValid(filePath, files)) {
      errorText = "Invalid File Path";
      return false;
    }
    const std::string fullPath = filePath + "/" + fileName;
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
    if (canvas->width() < 1 || canvas->height() < 1) {
      errorText = "Unable to convert DDB to DIB";
      return false;
    }
    const ImageOutput output = ChooseImageOutput(fullPath);
    // The output's final component always ends in "bmp" or "jpg", so it is
    // a plain name in the folder that the rest of the path leads to.
    const PathParts parts = SplitFolderAndName(output.path);
    std::string reason;
    const std::unique_ptr<Folder> folder = files.OpenFolder(parts.folder, reason);
    if (folder == nullptr) {
      errorText = kCannotOpen;
      return false;
    }
    std::string real;
    if (!limit.folder.empty() && !(folder->RealPath(real) && FolderHolds(limit.folder, real))) {
      errorText = limit.refusal;
      return false;
    }
    const std::unique_ptr<WritableFile> file = folder->NewReplacingFile(parts.name, reason);
    if (file == nullptr) {
      errorText = kCannotOpen;
      return false;
    }
    // The JPEG is encoded from the same rows the BMP would hold.
    const bool written = output.jpeg ? EncodeCanvasJpeg(*canvas, *file, reason)
                                     : WriteCanvasBmp(*canvas, *file, reason);
    if (!written) {
      errorText = std::move(reason);
      return false;
    }
    switch (file->Commit(reason)) {
      case CommitResult::kDone: return true;
      case CommitResult::kCannotReplace: errorText = kCannotOpen; return false;
      case CommitResult::kWriteFailed: errorText = std::move(reason); return false;
    }
    return false;
  } catch (...) {
    try {
      errorText = "Not enough memory";
    } catch (...) {
      errorText.clear();
    }
    return false;
  }
}

}  // namespace tessaloom
