#include "access/settings_sources.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/ini_file.h"
#include "platform/registry_file.h"
#include "platform/system_error.h"
#include "platform/text.h"
#include "tessaloom/request_context.h"

namespace tessaloom {
namespace {

// The predefined root keys a key path may start with.
constexpr std::array<std::string_view, 7> kRootKeys = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG",   "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA"};

// The error a failed request lookup reports: the request's data are not there.
constexpr int kNoRequestError = ENODATA;

bool IsRootKey(std::string_view name) noexcept {
  for (std::string_view root : kRootKeys) {
    if (EqualsIgnoreAsciiCase(root, name)) return true;
  }
  return false;
}

// True when the folder `dir` contains `path`: equal, or a prefix followed by
// '/' (or itself ending in '/'). Case-sensitive, as the file system is.
bool DirectoryContains(std::string_view dir, std::string_view path) noexcept {
  if (dir.empty()) return true;
  if (!path.starts_with(dir)) return false;
  return path.size() == dir.size() || dir.back() == '/' || path[dir.size()] == '/';
}

class PlatformSettingsSources final : public SettingsSources {
 public:
  bool RealPath(const std::string& path, std::string& out) override {
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(path, error);
    if (error) return false;
    out = real.string();
    return true;
  }

 protected:
  int LoadRegistryDocument(RegistryDocument& out) override {
    std::string error;
    int code = 0;
    return LoadRegistry(out, error, &code) ? 0 : code;
  }
  bool ReadSettingsText(const std::string& path, std::string& out) override {
    return ReadProfileFile(path, out);
  }
  int LookUpFile(const std::string& path) override {
    if (path.find('\0') != std::string::npos) return EINVAL;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? 0 : errno;
  }
  std::optional<std::string> CurrentRequestPath() override { return CurrentPathTranslated(); }
};

}  // namespace

SettingsSources& SettingsSources::Platform() noexcept {
  static PlatformSettingsSources platform;
  return platform;
}

bool SettingsSources::FindSettingsFile(std::string_view fileName, std::string& out) {
  std::string folder;
  if (!ReadRegistryString(kLocalMachineRoot, kGateholdKey, "InstallationPath", folder)) {
    out = std::move(folder);
    return false;
  }
  // An empty folder would put the file at the root of the file system.
  if (folder.empty()) {
    out = SystemErrorText(ENOENT);
    return false;
  }
  std::string candidate = std::move(folder);
  if (candidate.back() != '/') candidate += '/';
  candidate += fileName;
  if (const int error = LookUpFile(candidate); error != 0) {
    out = SystemErrorText(error);
    return false;
  }
  out = std::move(candidate);
  return true;
}

bool SettingsSources::FindRegistryValue(std::string_view root, std::string_view subkey,
                                        std::string_view valueName, RegistryDocument& document,
                                        const RegistryValue*& value, std::string& out) {
  if (const int error = LoadRegistryDocument(document); error != 0) {
    out = SystemErrorText(error);
    return false;
  }
  if (!IsRootKey(root)) {
    out = SystemErrorText(EINVAL);
    return false;
  }
  std::string path(root);
  if (!subkey.empty()) {
    path += '\\';
    path += subkey;
  }
  value = document.FindValue(path, valueName);
  if (value == nullptr) {
    out = SystemErrorText(ENOENT);
    return false;
  }
  return true;
}

bool SettingsSources::ReadRegistryString(std::string_view root, std::string_view subkey,
                                         std::string_view valueName, std::string& out) {
  RegistryDocument document;
  const RegistryValue* value = nullptr;
  if (!FindRegistryValue(root, subkey, valueName, document, value, out)) return false;
  if (value->kind != RegistryValueKind::kString) {
    out = kRegistryTypeMismatch;
    return false;
  }
  // A REG_SZ value ends at its terminator.
  out = value->text.substr(0, value->text.find('\0'));
  return true;
}

bool SettingsSources::ReadRegistryDword(std::string_view path, std::string_view valueName,
                                        std::string& out) {
  const std::size_t slash = path.find('\\');
  const std::string_view root = path.substr(0, slash);
  const std::string_view subkey =
      slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
  RegistryDocument document;
  const RegistryValue* value = nullptr;
  if (!FindRegistryValue(root, subkey, valueName, document, value, out)) return false;
  if (value->kind != RegistryValueKind::kDword) {
    out = kRegistryTypeMismatch;
    return false;
  }
  out = std::to_string(value->dword);
  return true;
}

std::string SettingsSources::ReadIniString(const std::string& file, std::string_view section,
                                           std::string_view key) {
  std::string text;
  if (!ReadSettingsText(file, text)) return {};
  return FindProfileString(text, section, key).value_or(std::string());
}

std::vector<std::string> SettingsSources::ReadIniSection(const std::string& file,
                                                         std::string_view section) {
  std::string text;
  if (!ReadSettingsText(file, text)) return {};
  return ProfileSectionLines(text, section);
}

std::string SettingsSources::FindSiteEntry(const std::string& file, std::string_view section,
                                           std::string_view path) {
  for (std::string& line : ReadIniSection(file, section)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string_view dir = TrimAsciiSpace(std::string_view(line).substr(equals + 1));
    if (DirectoryContains(dir, path)) return std::move(line);
  }
  return {};
}

bool SettingsSources::IsInList(std::string_view list, std::string_view item) noexcept {
  if (list.empty()) return false;
  while (true) {
    const std::size_t comma = list.find(',');
    if (EqualsIgnoreAsciiCase(TrimAsciiSpace(list.substr(0, comma)), item)) return true;
    if (comma == std::string_view::npos) return false;
    list.remove_prefix(comma + 1);
  }
}

bool SettingsSources::GetTranslatedPath(std::string& out) {
  std::optional<std::string> path = CurrentRequestPath();
  if (!path) {
    out = SystemErrorText(kNoRequestError);
    return false;
  }
  out = std::move(*path);
  return true;
}

std::string SettingsSources::SystemErrorText(int code) { return tessaloom::SystemErrorText(code); }

// In memory.

bool MemorySettingsSources::RealPath(const std::string& path, std::string& out) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  std::filesystem::path absolute(path);
  if (absolute.is_relative()) absolute = std::filesystem::path("/") / absolute;
  std::string normal = absolute.lexically_normal().string();
  if (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  out = std::move(normal);
  return true;
}

void MemorySettingsSources::SetInstallationPath(std::string_view folder) {
  registry.SetString(std::string(kLocalMachineRoot) + "\\" + std::string(kGateholdKey),
                     "InstallationPath", folder);
}

void MemorySettingsSources::SetGatehold(std::uint32_t value) {
  registry.SetDword(std::string(kLocalMachineRoot) + "\\" + std::string(kGateholdKey),
                    "EnableGatehold", value);
}

int MemorySettingsSources::LoadRegistryDocument(RegistryDocument& out) {
  if (registryError != 0) return registryError;
  out = registry;
  return 0;
}

bool MemorySettingsSources::ReadSettingsText(const std::string& path, std::string& out) {
  const auto it = files.find(path);
  if (it == files.end()) return false;
  out = it->second;
  return true;
}

int MemorySettingsSources::LookUpFile(const std::string& path) {
  return files.contains(path) ? 0 : ENOENT;
}

std::optional<std::string> MemorySettingsSources::CurrentRequestPath() { return request; }

}  // namespace tessaloom
