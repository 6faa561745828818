#include "platform/file_system.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr const char* kReadFailed = "Unable to read file: ";
constexpr const char* kWriteFailed = "Unable to write file: ";
constexpr const char* kCreateFailed = "Unable to create file: ";
constexpr const char* kReplaceFailed = "Unable to replace file: ";
constexpr const char* kOpenFolderFailed = "Unable to open folder: ";
constexpr const char* kNotRegularFile =
    "Unable to open file for writing: the name is a device, FIFO or socket, not a regular file";

// `action` followed by the C library's text for an errno value; an empty
// text when even that cannot be allocated, so callers stay noexcept.
void SetSystemError(std::string& error, const char* action, int code) noexcept {
  try {
    error = action + std::generic_category().message(code);
  } catch (...) {
    error.clear();
  }
}

// A NUL byte would silently cut the path short at the system call.
bool HasNul(const std::string& path) noexcept { return path.find('\0') != std::string::npos; }

// Reads everything from the open regular file `fd`, up to `maxBytes`: 0, or
// an errno value (EFBIG past the bound, EISDIR and the like for no regular file).
int ReadOpenFile(int fd, std::size_t maxBytes, std::vector<std::uint8_t>& out) noexcept {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
  if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > maxBytes) return EFBIG;
  try {
    out.assign(static_cast<std::size_t>(info.st_size), 0);
    std::size_t filled = 0;
    // The file may change while it is read; stop at its end or at the bound.
    while (true) {
      if (filled == out.size()) {
        if (out.size() >= maxBytes) break;
        out.resize(std::min(maxBytes, out.size() + 65536));
      }
      const ssize_t got = ::read(fd, out.data() + filled, out.size() - filled);
      if (got < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (got == 0) break;
      filled += static_cast<std::size_t>(got);
    }
    if (filled == out.size() && filled == maxBytes) {
      std::uint8_t extra = 0;
      ssize_t more = 0;
      do {
        more = ::read(fd, &extra, 1);
      } while (more < 0 && errno == EINTR);
      if (more > 0) return EFBIG;
    }
    out.resize(filled);
    return 0;
  } catch (...) {
    return ENOMEM;
  }
}

// A name no other writer in this or another process picks at the same
// time; O_EXCL settles the rare clash, so it need not be secret. Short, so
// that any target name that fits the folder leaves room for it.
void TempName(char (&name)[80]) noexcept {
  static std::atomic<std::uint64_t> counter{0};
  const std::uint64_t serial = counter.fetch_add(1, std::memory_order_relaxed);
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  std::snprintf(name, sizeof name, ".tessaloom-%ld-%llu-%llx.tmp", static_cast<long>(::getpid()),
                static_cast<unsigned long long>(serial),
                static_cast<unsigned long long>(now) & 0xFFFFFFull);
}

// The temporary file and the target name, both relative to a folder of its
// own (a duplicate of the Folder's descriptor, so the Folder may go first).
class PosixWritableFile final : public WritableFile {
 public:
  PosixWritableFile(int folder, int fd, std::string tempName, std::string name,
                    bool durable) noexcept
      : folder_(folder),
        fd_(fd),
        durable_(durable),
        tempName_(std::move(tempName)),
        name_(std::move(name)) {}
  PosixWritableFile(const PosixWritableFile&) = delete;
  PosixWritableFile& operator=(const PosixWritableFile&) = delete;

  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlinkat(folder_, tempName_.c_str(), 0);
    ::close(folder_);
  }

  bool Append(std::span<const std::uint8_t> bytes, std::string& error) noexcept override {
    if (fd_ < 0 || failed_) {
      AssignOrClear(error, "Unable to write file: the file is closed");
      return false;
    }
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        failed_ = true;
        SetSystemError(error, kWriteFailed, errno);
        return false;
      }
      bytes = bytes.subspan(static_cast<std::size_t>(written));
      written_ += static_cast<std::uint64_t>(written);
    }
    return true;
  }

  bool Reserve(std::uint64_t bytes, std::string& error) noexcept override {
    if (fd_ < 0 || failed_ || bytes <= reserved_ ||
        bytes > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
      return true;
    }
    // Blocks allocated, not written: fast however large. The file's size
    // grows to `bytes` until Commit trims it to what was written.
    int result = 0;
    do {
      result = ::fallocate(fd_, 0, 0, static_cast<off_t>(bytes));
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
      reserved_ = bytes;
      return true;
    }
    if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG || errno == EIO) {
      SetSystemError(error, kWriteFailed, errno);
      return false;
    }
    return true;  // no room set aside on this file system (EOPNOTSUPP and the like)
  }

  CommitResult Commit(std::string& error) noexcept override {
    if (fd_ < 0 || failed_) {
      AssignOrClear(error, "Unable to write file: the file is closed");
      return CommitResult::kWriteFailed;
    }
    if (written_ < reserved_ && ::ftruncate(fd_, static_cast<off_t>(written_)) != 0) {
      SetSystemError(error, kWriteFailed, errno);
      return CommitResult::kWriteFailed;
    }
    if (durable_ && ::fsync(fd_) != 0) {
      SetSystemError(error, kWriteFailed, errno);
      return CommitResult::kWriteFailed;
    }
    // close reports delayed write errors (NFS, quota), so it is checked.
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
      SetSystemError(error, kWriteFailed, errno);
      return CommitResult::kWriteFailed;
    }
    // Renaming over a device node would take its name from the system (as
    // root, /dev/null becomes a chart). Whoever could put one here between
    // this look and the rename may already remove the name.
    struct stat existing {};
    if (::fstatat(folder_, name_.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 &&
        (S_ISCHR(existing.st_mode) || S_ISBLK(existing.st_mode) || S_ISFIFO(existing.st_mode) ||
         S_ISSOCK(existing.st_mode))) {
      AssignOrClear(error, kNotRegularFile);
      return CommitResult::kNotRegularFile;
    }
    if (::renameat(folder_, tempName_.c_str(), folder_, name_.c_str()) != 0) {
      SetSystemError(error, kReplaceFailed, errno);
      return CommitResult::kCannotReplace;
    }
    committed_ = true;
    if (durable_ && ::fsync(folder_) != 0) {
      SetSystemError(error, kWriteFailed, errno);
      return CommitResult::kWriteFailed;
    }
    return CommitResult::kDone;
  }

 private:
  int folder_;
  int fd_;
  bool durable_;
  bool failed_ = false;
  bool committed_ = false;
  std::uint64_t written_ = 0;   // bytes appended
  std::uint64_t reserved_ = 0;  // the file's size set by Reserve
  std::string tempName_;
  std::string name_;
};

class PosixFolder final : public Folder {
 public:
  explicit PosixFolder(int fd) noexcept : fd_(fd) {}
  PosixFolder(const PosixFolder&) = delete;
  PosixFolder& operator=(const PosixFolder&) = delete;
  ~PosixFolder() override { ::close(fd_); }

  bool RealPath(std::string& out) noexcept override {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd_);
    char target[PATH_MAX + 1];
    const ssize_t length = ::readlink(link, target, PATH_MAX);
    if (length <= 0 || target[0] != '/') return false;
    target[length] = '\0';
    // The name the system keeps for the folder must still lead to it: a
    // removed folder's name carries " (deleted)", a moved one's may be stale.
    struct stat open {};
    struct stat named {};
    if (::fstat(fd_, &open) != 0 || ::stat(target, &named) != 0 || open.st_dev != named.st_dev ||
        open.st_ino != named.st_ino) {
      return false;
    }
    try {
      out.assign(target, static_cast<std::size_t>(length));
      return true;
    } catch (...) {
      return false;
    }
  }

  bool Lock(std::string& error) noexcept override {
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      SetSystemError(error, "Unable to lock the folder: ", errno);
      return false;
    }
    return true;
  }

  int ReadFile(std::string_view name, std::size_t maxBytes,
               std::vector<std::uint8_t>& out) noexcept override {
    std::string file;
    if (!Component(name, file)) return EINVAL;
    const int fd = ::openat(fd_, file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return errno;
    const int result = ReadOpenFile(fd, maxBytes, out);
    ::close(fd);
    return result;
  }

  std::unique_ptr<WritableFile> NewReplacingFile(std::string_view name, std::string& error,
                                                 ReplaceOptions options) noexcept override {
    std::string target;
    if (!Component(name, target)) {
      SetSystemError(error, kCreateFailed, EINVAL);
      return nullptr;
    }
    struct stat old {};
    const bool replacing = options.keepModeAndOwner &&
                           ::fstatat(fd_, target.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 &&
                           S_ISREG(old.st_mode);
    for (int attempt = 0; attempt < 100; ++attempt) {
      char temp[80];
      TempName(temp);
      // 0666 less the umask: the file gets the mode a plain create would give.
      const int fd =
          ::openat(fd_, temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        SetSystemError(error, kCreateFailed, errno);
        return nullptr;
      }
      if (replacing && !TakeModeAndOwner(fd, old, error)) {
        ::close(fd);
        ::unlinkat(fd_, temp, 0);
        return nullptr;
      }
      const int folder = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
      if (folder >= 0) {
        try {
          return std::make_unique<PosixWritableFile>(folder, fd, temp, std::move(target),
                                                     options.durable);
        } catch (...) {
          ::close(folder);
          errno = ENOMEM;
        }
      }
      const int code = errno;
      ::close(fd);
      ::unlinkat(fd_, temp, 0);
      SetSystemError(error, kCreateFailed, code);
      return nullptr;
    }
    SetSystemError(error, kCreateFailed, EEXIST);
    return nullptr;
  }

 private:
  // `name` as one path component: not empty, no '/', no NUL, not "." or "..".
  static bool Component(std::string_view name, std::string& out) noexcept {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
      return false;
    }
    try {
      out.assign(name);
      return true;
    } catch (...) {
      return false;
    }
  }

  static bool TakeModeAndOwner(int fd, const struct stat& old, std::string& error) noexcept {
    struct stat fresh {};
    if (::fstat(fd, &fresh) != 0) {
      SetSystemError(error, kCreateFailed, errno);
      return false;
    }
    if ((fresh.st_uid != old.st_uid || fresh.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      SetSystemError(error, "Unable to keep the file's owner: ", errno);
      return false;
    }
    // After the owner: changing it clears the set-id bits.
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
      SetSystemError(error, "Unable to keep the file's mode: ", errno);
      return false;
    }
    return true;
  }

  int fd_;
};

class PosixFileSystem final : public FileSystem {
 public:
  bool IsSearchableDirectory(const std::string& path) noexcept override {
    if (path.empty() || HasNul(path)) return false;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    return ::faccessat(AT_FDCWD, path.c_str(), X_OK, AT_EACCESS) == 0;
  }

  bool IsRegularFile(const std::string& path) noexcept override {
    if (path.empty() || HasNul(path)) return false;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  }

  bool ReadFile(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& out,
                std::string& error) noexcept override {
    if (HasNul(path)) {
      SetSystemError(error, kReadFailed, EINVAL);
      return false;
    }
    // Non-blocking, so a FIFO in the file's place cannot hang the read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      SetSystemError(error, kReadFailed, errno);
      return false;
    }
    const int result = ReadOpenFile(fd, maxBytes, out);
    ::close(fd);
    if (result == EFBIG) {
      AssignOrClear(error, "Unable to read file: the file is too large");
    } else if (result == EISDIR || result == EINVAL) {
      AssignOrClear(error, "Unable to read file: not a regular file");
    } else if (result != 0) {
      SetSystemError(error, kReadFailed, result);
    }
    return result == 0;
  }

  std::unique_ptr<Folder> OpenFolder(const std::string& path,
                                     std::string& error) noexcept override {
    if (path.empty() || HasNul(path)) {
      SetSystemError(error, kOpenFolderFailed, path.empty() ? ENOENT : EINVAL);
      return nullptr;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder the process may enter but not list still takes files.
    if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      SetSystemError(error, kOpenFolderFailed, errno);
      return nullptr;
    }
    try {
      return std::make_unique<PosixFolder>(fd);
    } catch (...) {
      ::close(fd);
      SetSystemError(error, kOpenFolderFailed, ENOMEM);
      return nullptr;
    }
  }
};

}  // namespace

FileSystem& FileSystem::Default() noexcept {
  static PosixFileSystem fileSystem;
  return fileSystem;
}

std::unique_ptr<WritableFile> FileSystem::NewReplacingFile(const std::string& path,
                                                           std::string& error) noexcept {
  try {
    const PathParts parts = SplitFolderAndName(path);
    if (parts.name.empty()) {
      SetSystemError(error, kCreateFailed, EISDIR);
      return nullptr;
    }
    const std::unique_ptr<Folder> folder = OpenFolder(parts.folder, error);
    return folder == nullptr ? nullptr : folder->NewReplacingFile(parts.name, error);
  } catch (...) {
    SetSystemError(error, kCreateFailed, ENOMEM);
    return nullptr;
  }
}

PathParts SplitFolderAndName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

bool FolderHolds(std::string_view folder, std::string_view path) noexcept {
  while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  if (folder.empty() || !path.starts_with(folder)) return false;
  return path.size() == folder.size() || folder.back() == '/' || path[folder.size()] == '/';
}

}  // namespace tessaloom
