// SaveImage: writes a finished chart canvas as the image file the script
// asked for, a JPEG when the name ends in "jpg" (any letter case) and a BMP
// otherwise. The current directory is read (for relative paths) but never
// changed, so different threads may save at once, into one folder too. On a
// restricted host the file must also stay inside the site's folder: the
// output folder is opened once, its real path checked, and the file created
// and renamed relative to that open folder, so no link swapped in meanwhile
// can lead the write elsewhere.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "draw/canvas.h"
#include "image/jpeg_codec.h"
#include "platform/file_system.h"

namespace tessaloom {

// The image format a script asks for. kByName follows ChooseImageOutput.
// kSvg and kPdf are documents a surface writes itself (SaveDocument); they
// are never encoded from a canvas.
enum class ImageFormat : std::uint8_t { kByName, kBmp, kJpeg, kPng, kSvg, kPdf };

// Whether `format` is a document written by its own surface, not a raster.
[[nodiscard]] constexpr bool IsDocumentFormat(ImageFormat format) noexcept {
  return format == ImageFormat::kSvg || format == ImageFormat::kPdf;
}

struct ImageOptions {
  ImageFormat format = ImageFormat::kByName;
  int jpegQuality = kJpegQuality;  // 1 to 100
};

// "image/bmp", "image/jpeg", "image/png", "image/svg+xml",
// "application/pdf"; "" for kByName.
[[nodiscard]] const char* ImageMimeType(ImageFormat format) noexcept;

// Encodes `canvas` in `format` (not kByName) and appends it to `file`, which
// is not committed. False with the reason in `error` when encoding or
// writing fails.
[[nodiscard]] bool EncodeCanvas(const Canvas& canvas, ImageFormat format, int jpegQuality,
                                WritableFile& file, std::string& error) noexcept;

// A WritableFile that collects the bytes in memory: what an encoder writes to
// it equals what it writes to a file. Commit only reports success.
class MemorySink final : public WritableFile {
 public:
  explicit MemorySink(std::vector<std::uint8_t>& bytes) noexcept : bytes_(bytes) {}
  [[nodiscard]] bool Append(std::span<const std::uint8_t> bytes,
                            std::string& error) noexcept override;
  [[nodiscard]] CommitResult Commit(std::string& error) noexcept override;

 private:
  std::vector<std::uint8_t>& bytes_;
};

// True when `path` is an existing directory the process may enter (search).
[[nodiscard]] bool IsPathValid(const std::string& path,
                               FileSystem& files = FileSystem::Default()) noexcept;

// Where the image for the full path F = folder + "/" + name goes. With D the
// last '.' in F's final component and E the text after it:
//   E is "jpg" in any letter case: F itself, a JPEG (letter case kept);
//   otherwise: F up to and including D, then "bmp", a BMP ("a.PNG" gives
//   "a.bmp"); with no '.' in the final component, a BMP named "bmp" in the
//   folder F names ("dir/Graph" gives "dir/bmp").
struct ImageOutput {
  std::string path;
  bool jpeg = false;
};
[[nodiscard]] ImageOutput ChooseImageOutput(const std::string& fullPath);

// Where a restricted host lets the image go: into `folder` (an absolute real
// path, as Folder::RealPath gives) or a folder below it; otherwise the save
// fails with `refusal`. An empty `folder` lets it go anywhere.
struct OutputLimit {
  std::string folder;
  std::string refusal;
};

// The file a chart goes to, opened before the chart is drawn: the folder is
// checked and opened, the temporary file made and room set aside for it, so
// a folder that cannot take the file (read-only, full, outside the site)
// fails before any drawing. Write fills it and puts it in place in one
// step; an OutputFile dropped unwritten removes its temporary file and
// leaves any file of that name as it was. One Write per Open.
class OutputFile {
 public:
  // Opens the file for `fileName` in folder `filePath`: for an image of
  // `format` (kByName: named and chosen by ChooseImageOutput) of `width` x
  // `height` pixels, or for a document (kSvg, kPdf) named `fileName` exactly.
  // False with the reason in `errorText`, in this order: "Invalid File
  // Path", "File Name missing", "Unable to open file for writing",
  // `limit.refusal`, "Unable to write file: ..." when the disk has no room.
  [[nodiscard]] bool Open(const std::string& filePath, const std::string& fileName,
                          ImageFormat format, std::int64_t width, std::int64_t height,
                          std::string& errorText, FileSystem& files = FileSystem::Default(),
                          const OutputLimit& limit = {}) noexcept;
  // Encodes `canvas` in the opened image format, or writes a finished
  // document's `bytes`, and puts the file in place. False with the reason in
  // `errorText` (an encoder's or the disk's, "Unable to open file for
  // writing" when the name cannot be replaced); the file is then dropped.
  [[nodiscard]] bool Write(const Canvas& canvas, int jpegQuality, std::string& errorText) noexcept;
  [[nodiscard]] bool Write(std::span<const std::uint8_t> bytes, std::string& errorText) noexcept;
  // After Open or Write failed with "Invalid File Path" or "Unable to open
  // file for writing": the path concerned and why, for a caller that shows more than
  // the fixed reason (`"out/x.bmp": Unable to create file: Is a directory`).
  // The paths are the caller's own, never a hosting setting. Else empty.
  [[nodiscard]] const std::string& Detail() const noexcept { return detail_; }

 private:
  [[nodiscard]] bool Commit(std::string& errorText) noexcept;
  // The path, quoted, then ": " and `why` if any; empty when memory runs out.
  void SetDetail(std::string_view path, std::string_view why) noexcept;

  std::unique_ptr<WritableFile> file_;
  ImageFormat format_ = ImageFormat::kByName;
  std::string path_;  // the file's full path as the caller named it
  std::string detail_;
};

// Writes `canvas` into folder `filePath` as `fileName` (joined with '/',
// placed by ChooseImageOutput). A relative `filePath` is taken from the
// current directory. Returns true when the file was written, replacing any
// file of that name in one step; otherwise false with the reason in `errorText`, any
// previous file of that name intact and no other file left behind:
//   "Invalid File Path"               `filePath` is not a directory IsPathValid accepts
//   "No DC Avaiable"                  `canvas` is null
//   "File Name missing"               `fileName` is empty
//   "Unable to convert DDB to DIB"    the canvas has no pixels, or memory ran out
//   "Unable to open file for writing" the file's folder cannot be opened, or
//                                     the file cannot be created or replaced
//   `limit.refusal`                   the file's folder (links resolved) is
//                                     not inside `limit.folder`
//   libjpeg's message, or "Unable to write file: ..." when encoding or writing fails.
// `errorText` is left as it was on success. Checks run in the order listed.
// With `options.format` other than kByName the file is `fileName` itself in
// that format; `options.jpegQuality` sets the JPEG's quality.
[[nodiscard]] bool SaveImage(const Canvas* canvas, std::string filePath, std::string fileName,
                             std::string& errorText, FileSystem& files = FileSystem::Default(),
                             const OutputLimit& limit = {},
                             const ImageOptions& options = {}) noexcept;

// Writes a finished document (SVG or PDF bytes) into folder `filePath` as
// `fileName` exactly, through OutputFile's checks and messages.
[[nodiscard]] bool SaveDocument(std::span<const std::uint8_t> bytes, std::string filePath,
                                std::string fileName, std::string& errorText,
                                FileSystem& files = FileSystem::Default(),
                                const OutputLimit& limit = {}) noexcept;

// The image SaveImage would write, kept in `out` instead (replacing what it
// held) with its format in `written`; nothing touches the disk. kByName picks
// JPEG or BMP from `fileName` as ChooseImageOutput does. On failure returns
// false with the reason in `errorText` ("No DC Avaiable", "Unable to convert
// DDB to DIB", an encoder's message) and empties `out`.
[[nodiscard]] bool EncodeImageToMemory(const Canvas* canvas, const std::string& fileName,
                                       const ImageOptions& options, std::vector<std::uint8_t>& out,
                                       ImageFormat& written, std::string& errorText) noexcept;

}  // namespace tessaloom
