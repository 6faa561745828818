// The sources of the hosting access check's settings: the registry values
// that name the installation folder and switch the restriction on, the
// administrator's INI files in that folder, the page being served, and the
// system's error texts. SettingsSources states the readers the check uses,
// with their messages, once; a realisation supplies only the raw sources
// (registry content, file content and existence, real paths, the current
// request). SettingsSources::Platform() reads the registry file, the disk and
// the thread's request; MemorySettingsSources keeps everything in memory, so
// the check can be tested without the disk. A sources object is used by one
// thread at a time; Platform() keeps no state and serves every thread.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_document.h"

namespace tessaloom {

inline constexpr std::string_view kLocalMachineRoot = "HKEY_LOCAL_MACHINE";
// The key holding "InstallationPath" and "EnableGatehold".
inline constexpr std::string_view kGateholdKey = "SOFTWARE\\Ondrell\\Quillfen";
inline constexpr std::string_view kRegistryTypeMismatch =
    "The type you specified mismatch with registry value type";

class SettingsSources {
 public:
  virtual ~SettingsSources() = default;

  // The operating system's sources. Lives for the whole process; any thread.
  static SettingsSources& Platform() noexcept;

  // The settings file `fileName` in the folder named by the registry value
  // "InstallationPath" (HKEY_LOCAL_MACHINE, kGateholdKey), joined with one '/'.
  // True with the file's path in `out` when something exists there; false
  // with a message in `out` when the value cannot be read (the registry
  // reader's message), is empty, or no file is there (the lookup's system text).
  [[nodiscard]] bool FindSettingsFile(std::string_view fileName, std::string& out);

  // The REG_SZ value `valueName` of the key `root`\`subkey`, `root` being a
  // predefined key's name such as "HKEY_LOCAL_MACHINE". True with the text
  // (whole, up to any NUL) in `out`; false with a message in `out`: the
  // system's text when the registry cannot be read or the root, key or value
  // is missing, kRegistryTypeMismatch when the value is of another type.
  [[nodiscard]] bool ReadRegistryString(std::string_view root, std::string_view subkey,
                                        std::string_view valueName, std::string& out);

  // The REG_DWORD value `valueName` of the key `path`, whose first part (up to
  // the first backslash) names the predefined root key, matched without
  // regard to case. True with the value in unsigned decimal in `out`; false
  // with a message as ReadRegistryString gives.
  [[nodiscard]] bool ReadRegistryDword(std::string_view path, std::string_view valueName,
                                       std::string& out);

  // The trimmed value of `key` in `section` of the profile file `file`;
  // empty when the file, section or key is missing.
  std::string ReadIniString(const std::string& file, std::string_view section,
                            std::string_view key);

  // The lines of `section` of the profile file `file`, in file order
  // ("key=value", trimmed around the '='); empty when missing.
  std::vector<std::string> ReadIniSection(const std::string& file, std::string_view section);

  // The first line of `section` whose directory (the text after its first
  // '=', trimmed) contains `path`: it equals `path` or is followed in `path`
  // by '/', comparing case-sensitively; an empty directory contains every
  // path. The line is returned as ReadIniSection gives it; empty text when
  // no line matches. Lines without '=' are skipped.
  std::string FindSiteEntry(const std::string& file, std::string_view section,
                            std::string_view path);

  // True when some entry of the comma list `list`, trimmed of blanks, equals
  // `item` without regard to ASCII case. An empty list holds nothing; an
  // empty entry ("a,,b") matches only an empty item.
  static bool IsInList(std::string_view list, std::string_view item) noexcept;

  // The physical path of the page being served on this thread. False with a
  // message in `out` when there is no current request.
  [[nodiscard]] bool GetTranslatedPath(std::string& out);

  // The system's message text for the errno value `code`.
  static std::string SystemErrorText(int code);

  // `path` made absolute and normalised, with the symbolic links of its
  // existing part resolved. False when it cannot be resolved (an empty path,
  // a NUL byte, a loop of links).
  [[nodiscard]] virtual bool RealPath(const std::string& path, std::string& out) = 0;

 protected:
  // The registry's content into `out`: 0, or an errno value when it cannot
  // be read. A missing registry is an empty one.
  virtual int LoadRegistryDocument(RegistryDocument& out) = 0;
  // The whole text of the file at `path`; false when it cannot be read.
  virtual bool ReadSettingsText(const std::string& path, std::string& out) = 0;
  // 0 when something exists at `path`, else the errno value of the lookup.
  virtual int LookUpFile(const std::string& path) = 0;
  // The current request's translated path; nullopt when there is none.
  virtual std::optional<std::string> CurrentRequestPath() = 0;

 private:
  // Finds the value; false with the message in `out` when that fails.
  bool FindRegistryValue(std::string_view root, std::string_view subkey, std::string_view valueName,
                         RegistryDocument& document, const RegistryValue*& value, std::string& out);
};

// Every source held in memory, set directly by a test: the registry as a
// document, files as texts by path, links as real paths by path, the request.
class MemorySettingsSources final : public SettingsSources {
 public:
  RegistryDocument registry;
  // Non-zero: the registry cannot be read, with this errno value.
  int registryError = 0;
  // Each file that exists, by its exact path, with its text.
  std::map<std::string, std::string> files;
  std::optional<std::string> request;

  // Relative paths are taken from "/"; "." and ".." steps are resolved on
  // the text, as there are no links here.
  [[nodiscard]] bool RealPath(const std::string& path, std::string& out) override;

  // Shorthands for the settings the check reads.
  void SetInstallationPath(std::string_view folder);
  void SetGatehold(std::uint32_t value);

 protected:
  int LoadRegistryDocument(RegistryDocument& out) override;
  bool ReadSettingsText(const std::string& path, std::string& out) override;
  int LookUpFile(const std::string& path) override;
  std::optional<std::string> CurrentRequestPath() override;
};

}  // namespace tessaloom
