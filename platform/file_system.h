// The files the component reads and writes: a small interface over the
// operating system so image and registry code state what they need (a
// searchable folder, a whole file read, a folder held open, a file replaced in
// one step) and tests can stand in for failures. Paths are UTF-8 bytes, '/'
// separated, relative ones resolved against the process's current directory,
// which nothing here changes. FileSystem::Default() is shared by all threads;
// a Folder or WritableFile belongs to the thread that opened it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessaloom {

// Every `error` a member sets is a whole message for a person, such as
// "Unable to write file: No space left on device".

// How Commit ended.
enum class CommitResult : std::uint8_t {
  kDone,            // the new file is in place
  kWriteFailed,     // its bytes did not reach the disk (disk full, I/O error)
  kCannotReplace,   // the named file cannot be created or replaced (a folder of
                    // that name, a name too long, no permission)
  kNotRegularFile,  // a device, FIFO or socket has the name: only a regular file
                    // (or a link, itself replaced) is ever replaced
};

// A file being written to replace `name` in its folder: bytes go to a fresh
// temporary file in that folder, and Commit renames it over `name` in one
// step, so a reader sees the old file or the whole new one, never a part.
class WritableFile {
 public:
  // Removes the temporary file unless Commit succeeded; `name` is then as it
  // was before the file was opened.
  virtual ~WritableFile() = default;

  // Appends all of `bytes`. On failure returns false with the reason in
  // `error`; the file must then be dropped, not committed.
  [[nodiscard]] virtual bool Append(std::span<const std::uint8_t> bytes,
                                    std::string& error) noexcept = 0;

  // Sets aside room on the disk for the file's first `bytes` bytes before
  // they are made, so a full disk is found before the work of making them;
  // Commit gives back what was not written. True when the room is there or
  // the file system cannot set room aside (a full disk then shows at
  // Append); false with the reason in `error` when the disk has no room.
  [[nodiscard]] virtual bool Reserve(std::uint64_t /*bytes*/, std::string& /*error*/) noexcept {
    return true;
  }

  // Closes the temporary file and renames it to `name`, replacing a regular
  // file or a link of that name (the link itself: nothing is written through
  // it). A device, FIFO or socket is never replaced. On failure returns why,
  // with the reason in `error`, and leaves `name` untouched. Call at most once.
  [[nodiscard]] virtual CommitResult Commit(std::string& error) noexcept = 0;
};

struct ReplaceOptions {
  // The new file takes the mode and owner of the regular file it replaces;
  // NewReplacingFile fails when the owner cannot be kept.
  bool keepModeAndOwner = false;
  // Commit flushes the file to the disk before the rename and the folder
  // after it, so the change survives a crash.
  bool durable = false;
};

// A folder opened once. Files are read, created, renamed and removed relative
// to the open folder, never through its path again, so a link or rename in
// the path afterwards cannot send them elsewhere: RealPath names the very
// folder the files go to.
class Folder {
 public:
  // Closes the folder, releasing Lock. Files opened from it stay usable.
  virtual ~Folder() = default;

  // The open folder's absolute path, without links, "." or "..", as the
  // system reports it. False when that cannot be told for certain (the folder
  // was removed or moved meanwhile, or /proc is not mounted).
  [[nodiscard]] virtual bool RealPath(std::string& out) noexcept = 0;

  // Waits for and takes the exclusive advisory lock on the folder, held until
  // the Folder goes. Writers that all lock the folder take turns.
  [[nodiscard]] virtual bool Lock(std::string& error) noexcept = 0;

  // Reads the whole regular file `name` (one path component; a link is not
  // followed) into `out`. 0 on success, else the errno value: ENOENT when
  // there is no such file, EFBIG when it holds more than `maxBytes` bytes.
  [[nodiscard]] virtual int ReadFile(std::string_view name, std::size_t maxBytes,
                                     std::vector<std::uint8_t>& out) noexcept = 0;

  // Opens a file that will replace `name` (one path component) in this folder
  // when committed. Returns null, with the reason in `error`, when no
  // temporary file can be created here (no permission, a read-only disk) or
  // the owner cannot be kept.
  [[nodiscard]] virtual std::unique_ptr<WritableFile> NewReplacingFile(
      std::string_view name, std::string& error, ReplaceOptions options = {}) noexcept = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The operating system's files. Lives for the whole process; any thread.
  static FileSystem& Default() noexcept;

  // True when `path` is an existing directory the process may enter (search
  // permission for the effective user).
  [[nodiscard]] virtual bool IsSearchableDirectory(const std::string& path) noexcept = 0;

  // True when `path` names an existing regular file (after symbolic links).
  [[nodiscard]] virtual bool IsRegularFile(const std::string& path) noexcept = 0;

  // Reads the whole regular file at `path` into `out`. Fails, with the reason
  // in `error` and `out` unspecified, when the file cannot be read or holds
  // more than `maxBytes` bytes.
  [[nodiscard]] virtual bool ReadFile(const std::string& path, std::size_t maxBytes,
                                      std::vector<std::uint8_t>& out,
                                      std::string& error) noexcept = 0;

  // Opens the folder at `path`, following links. Null, with the reason in
  // `error`, when it is no folder or cannot be opened (a NUL byte included).
  [[nodiscard]] virtual std::unique_ptr<Folder> OpenFolder(const std::string& path,
                                                           std::string& error) noexcept = 0;

  // OpenFolder on the folder part of `path` (up to its last '/'), then
  // Folder::NewReplacingFile for the rest. Null, with the reason in `error`,
  // when either fails or `path` ends in '/'.
  [[nodiscard]] std::unique_ptr<WritableFile> NewReplacingFile(const std::string& path,
                                                               std::string& error) noexcept;
};

// `path` split at its last '/': the folder ("." when there is no '/', "/" for
// a file at the root) and the final component.
struct PathParts {
  std::string folder;
  std::string name;
};
[[nodiscard]] PathParts SplitFolderAndName(const std::string& path);

// True when the folder `folder` is `path` or holds it: both absolute and
// normal (as RealPath gives them), compared byte for byte at a '/' boundary.
// A trailing '/' on `folder` does not count.
[[nodiscard]] bool FolderHolds(std::string_view folder, std::string_view path) noexcept;

}  // namespace tessaloom
