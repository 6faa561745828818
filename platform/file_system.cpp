#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <system_error>
#include <utility>

namespace tessaloom {
namespace {

constexpr const char* kReadFailed = "Unable to read file: ";
constexpr const char* kWriteFailed = "Unable to write file: ";
constexpr const char* kCreateFailed = "Unable to create file: ";

// `action` followed by the C library's text for an errno value; an empty
// text when even that cannot be allocated, so callers stay noexcept.
void SetSystemError(std::string& error, const char* action, int code) noexcept {
  try {
    error = action + std::generic_category().message(code);
  } catch (...) {
    error.clear();
  }
}

void SetError(std::string& error, const char* text) noexcept {
  try {
    error = text;
  } catch (...) {
    error.clear();
  }
}

// A NUL byte would silently cut the path short at the system call.
bool HasNul(const std::string& path) noexcept { return path.find('\0') != std::string::npos; }

class PosixWritableFile final : public WritableFile {
 public:
  PosixWritableFile(int fd, std::string tempPath, std::string path) noexcept
      : fd_(fd), tempPath_(std::move(tempPath)), path_(std::move(path)) {}
  PosixWritableFile(const PosixWritableFile&) = delete;
  PosixWritableFile& operator=(const PosixWritableFile&) = delete;

  ~PosixWritableFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(tempPath_.c_str());
  }

  bool Append(std::span<const std::uint8_t> bytes, std::string& error) noexcept override {
    if (fd_ < 0 || failed_) {
      SetError(error, "Unable to write file: the file is closed");
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
    }
    return true;
  }

  bool Commit(std::string& error) noexcept override {
    if (fd_ < 0 || failed_) {
      SetError(error, "Unable to write file: the file is closed");
      return false;
    }
    // close reports delayed write errors (NFS, quota), so it is checked.
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
      SetSystemError(error, kWriteFailed, errno);
      return false;
    }
    if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
      SetSystemError(error, kWriteFailed, errno);
      return false;
    }
    committed_ = true;
    return true;
  }

 private:
  int fd_;
  bool failed_ = false;
  bool committed_ = false;
  std::string tempPath_;
  std::string path_;
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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      SetSystemError(error, kReadFailed, errno);
      return false;
    }
    const bool ok = ReadOpenFile(fd, maxBytes, out, error);
    ::close(fd);
    return ok;
  }

  std::unique_ptr<WritableFile> NewReplacingFile(const std::string& path,
                                                 std::string& error) noexcept override {
    if (HasNul(path)) {
      SetSystemError(error, kCreateFailed, EINVAL);
      return nullptr;
    }
    try {
      // The temporary file sits beside the target so the rename stays within
      // one file system. The name is short so that any target name that fits
      // the folder also leaves room for it.
      const std::size_t slash = path.rfind('/');
      const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
      for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = folder + TempName();
        // 0666 less the umask: the file gets the mode a plain create would give.
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
          try {
            return std::make_unique<PosixWritableFile>(fd, temp, path);
          } catch (...) {
            ::close(fd);
            ::unlink(temp.c_str());
            throw;
          }
        }
        if (errno != EEXIST) {
          SetSystemError(error, kCreateFailed, errno);
          return nullptr;
        }
      }
      SetSystemError(error, kCreateFailed, EEXIST);
      return nullptr;
    } catch (...) {
      SetSystemError(error, kCreateFailed, ENOMEM);
      return nullptr;
    }
  }

 private:
  static bool ReadOpenFile(int fd, std::size_t maxBytes, std::vector<std::uint8_t>& out,
                           std::string& error) noexcept {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
      SetSystemError(error, kReadFailed, errno);
      return false;
    }
    if (!S_ISREG(info.st_mode)) {
      SetError(error, "Unable to read file: not a regular file");
      return false;
    }
    if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
      SetError(error, "Unable to read file: the file is too large");
      return false;
    }
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
          SetSystemError(error, kReadFailed, errno);
          return false;
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
        if (more > 0) {
          SetError(error, "Unable to read file: the file is too large");
          return false;
        }
      }
      out.resize(filled);
      return true;
    } catch (...) {
      SetSystemError(error, kReadFailed, ENOMEM);
      return false;
    }
  }

  // A name no other writer in this or another process picks at the same
  // time; O_EXCL settles the rare clash, so it need not be secret.
  static std::string TempName() {
    static std::atomic<std::uint64_t> counter{0};
    const std::uint64_t serial = counter.fetch_add(1, std::memory_order_relaxed);
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    char name[80];
    std::snprintf(name, sizeof name, ".tessaloom-%ld-%llu-%llx.tmp", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(serial),
                  static_cast<unsigned long long>(now) & 0xFFFFFFull);
    return name;
  }
};

}  // namespace

FileSystem& FileSystem::Default() noexcept {
  static PosixFileSystem fileSystem;
  return fileSystem;
}

}  // namespace tessaloom
