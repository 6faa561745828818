// The files the component reads and writes: a small interface over the
// operating system so image code states what it needs (a searchable folder,
// a whole file read, a file replaced in one step) and tests can stand in for
// failures. Paths are UTF-8 bytes, '/' separated, relative ones resolved
// against the process's current directory, which nothing here changes.
// FileSystem::Default() is shared by all threads; a WritableFile belongs to
// the thread that opened it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tessaloom {

// Every `error` a member sets is a whole message for a person, such as
// "Unable to write file: No space left on device".

// A file being written to replace `path`: bytes go to a fresh temporary file
// in the same folder, and Commit renames it over `path` in one step, so a
// reader sees the old file or the whole new one, never a part.
class WritableFile {
 public:
  // Removes the temporary file unless Commit succeeded; `path` is then as it
  // was before the file was opened.
  virtual ~WritableFile() = default;

  // Appends all of `bytes`. On failure returns false with the reason in
  // `error`; the file must then be dropped, not committed.
  [[nodiscard]] virtual bool Append(std::span<const std::uint8_t> bytes,
                                    std::string& error) noexcept = 0;

  // Closes the temporary file and renames it to `path`, replacing any file of
  // that name. On failure returns false with the reason in `error` and leaves
  // `path` untouched. Call at most once.
  [[nodiscard]] virtual bool Commit(std::string& error) noexcept = 0;
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

  // Opens a file that will replace `path` when committed. Returns null, with
  // the reason in `error`, when no temporary file can be created in the
  // folder of `path` (missing folder, a regular file in the way, no
  // permission, a NUL byte in the path).
  [[nodiscard]] virtual std::unique_ptr<WritableFile> NewReplacingFile(
      const std::string& path, std::string& error) noexcept = 0;
};

}  // namespace tessaloom
