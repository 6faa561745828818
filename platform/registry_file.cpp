#include "platform/registry_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/file_system.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr char kDefaultPath[] = "/etc/tessaloom/registry.reg";
// Registry files are a few kilobytes; the bound keeps a stray huge file from
// costing every Draw call its memory.
constexpr std::size_t kMaxRegistryBytes = 16u << 20;

// `path` with the symbolic links of its final component followed to the
// file they lead to. 0 (`path` itself need not exist yet), ENOENT for a link
// to nothing (`out` is its target), or another errno value.
int FollowFinalLinks(std::string path, std::string& out) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
      if (errno != ENOENT) return errno;
      out = std::move(path);
      return hops == 0 ? 0 : ENOENT;
    }
    if (!S_ISLNK(info.st_mode)) {
      out = std::move(path);
      return 0;
    }
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
    // A link removed since the look: changing under us, not a link to nothing.
    if (length < 0) return errno == ENOENT ? EAGAIN : errno;
    if (static_cast<std::size_t>(length) == sizeof target) return ENAMETOOLONG;
    const std::string_view link(target, static_cast<std::size_t>(length));
    path = link.starts_with('/') ? std::string(link)
                                 : SplitFolderAndName(path).folder + "/" + std::string(link);
  }
  return ELOOP;
}

// Creates `folder` and the folders above it that are missing.
int MakeFolders(const std::string& folder, std::string& error) {
  for (std::size_t at = 1; at <= folder.size(); ++at) {
    if (at == folder.size() || folder[at] == '/') {
      const std::string part = folder.substr(0, at);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
        const int code = errno;
        error = part + ": " + std::strerror(code);
        return code;
      }
    }
  }
  return 0;
}

// The registry file's content, read from `folder`: 0 (a missing file gives
// an empty document), or an errno value with a message naming `path`.
int ReadDocument(Folder& folder, const PathParts& parts, const std::string& path,
                 RegistryDocument& out, std::string& error) {
  std::vector<std::uint8_t> bytes;
  const int code = folder.ReadFile(parts.name, kMaxRegistryBytes, bytes);
  if (code == ENOENT) {
    out = RegistryDocument();
    return 0;
  }
  if (code != 0) {
    error = path + ": " + std::strerror(code);
    return code;
  }
  std::string reason;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!RegistryDocument::Parse(text, out, reason)) {
    error = path + ": " + reason;
    return EINVAL;
  }
  return 0;
}

// The registry file's content into `out`: 0, or an errno value with the
// reason in `error`.
int ReadRegistryFile(RegistryDocument& out, std::string& error) noexcept {
  try {
    const std::string path = RegistryFilePath();
    std::string target;
    const int followed = FollowFinalLinks(path, target);
    if (followed == ENOENT) {  // a link to nothing: no registry
      out = RegistryDocument();
      return 0;
    }
    if (followed != 0) {
      error = path + ": " + std::strerror(followed);
      return followed;
    }
    const PathParts parts = SplitFolderAndName(target);
    std::string reason;
    const std::unique_ptr<Folder> folder = FileSystem::Default().OpenFolder(parts.folder, reason);
    if (folder == nullptr) {
      // No folder, no file: an empty registry. Other failures are reported.
      struct stat info {};
      if (::stat(parts.folder.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        out = RegistryDocument();
        return 0;
      }
      error = path + ": " + reason;
      return EACCES;
    }
    return ReadDocument(*folder, parts, path, out, error);
  } catch (...) {
    AssignOrClear(error, "Not enough memory to read the registry");
    return ENOMEM;
  }
}

// EditRegistry's work: 0, or an errno value with the reason in `error`.
int EditRegistryFile(const std::function<void(RegistryDocument&)>& change,
                     std::string& error) noexcept {
  try {
    const std::string path = RegistryFilePath();
    std::string target;
    const int followed = FollowFinalLinks(path, target);
    if (followed == ENOENT) {
      // A link to nothing reads as no registry, so a change that adds nothing
      // is done; any other would create the link's target wherever it points
      // (a registry file owned by root, when root registers).
      RegistryDocument empty;
      change(empty);
      if (empty.Serialize().empty()) return 0;
      error = path + ": a symbolic link to " + target + ", which does not exist";
      return ENOENT;
    }
    if (followed != 0) {
      error = path + ": " + std::strerror(followed);
      return followed;
    }
    const PathParts parts = SplitFolderAndName(target);
    std::string reason;
    std::unique_ptr<Folder> folder = FileSystem::Default().OpenFolder(parts.folder, reason);
    if (folder == nullptr) {
      struct stat info {};
      if (::stat(parts.folder.c_str(), &info) != 0 && errno == ENOENT) {
        // Without its folder there is no file: a change that adds nothing to
        // an empty registry creates neither.
        RegistryDocument empty;
        change(empty);
        if (empty.Serialize().empty()) return 0;
        if (const int code = MakeFolders(parts.folder, error); code != 0) return code;
      }
      // Made here, or by another writer since the first look.
      folder = FileSystem::Default().OpenFolder(parts.folder, reason);
    }
    if (folder == nullptr) {
      error = path + ": " + reason;
      return EACCES;
    }
    if (!folder->Lock(reason)) {
      error = path + ": " + reason;
      return ENOLCK;
    }
    RegistryDocument document;
    if (const int code = ReadDocument(*folder, parts, path, document, error); code != 0) {
      return code;
    }
    const std::string before = document.Serialize();
    change(document);
    const std::string text = document.Serialize();
    if (text == before) return 0;
    if (!document.Lossless()) {
      error = path + ": its UTF-16 text is not well formed, so it is not rewritten";
      return EILSEQ;
    }
    const std::unique_ptr<WritableFile> file =
        folder->NewReplacingFile(parts.name, reason, ReplaceOptions{true, true});
    if (file == nullptr) {
      error = path + ": " + reason;
      return EACCES;
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    if (!file->Append(bytes, reason) || file->Commit(reason) != CommitResult::kDone) {
      error = path + ": " + reason;
      return EIO;
    }
    return 0;
  } catch (const std::bad_alloc&) {
    error = "Not enough memory to write the registry";
    return ENOMEM;
  } catch (...) {
    AssignOrClear(error, "The registry could not be changed");
    return EINVAL;
  }
}

}  // namespace

std::string RegistryFilePath() {
  const char* configured = std::getenv("TESSALOOM_REGISTRY");
  return configured != nullptr && configured[0] != '\0' ? configured : kDefaultPath;
}

bool LoadRegistry(RegistryDocument& out, std::string& error, int* code) noexcept {
  const int result = ReadRegistryFile(out, error);
  if (code != nullptr) *code = result;
  return result == 0;
}

bool EditRegistry(const std::function<void(RegistryDocument&)>& change, std::string& error,
                  int* code) noexcept {
  const int result = EditRegistryFile(change, error);
  if (code != nullptr) *code = result;
  return result == 0;
}

}  // namespace tessaloom
