// The machine-wide value store that stands in for the Windows registry: one
// text file in the registry export format, at $TESSALOOM_REGISTRY when set,
// else /etc/tessaloom/registry.reg (the variable is read at every call, so a
// test can point it at a file of its own). A missing file is an empty
// registry. RegistryDocument is the file's content in memory, keys and values
// in file order; key paths and value names compare without regard to ASCII
// case. Documents are plain values used by one thread at a time; the file
// functions may be called from any thread.
//
// File format:
//   Windows Registry Editor Version 5.00      (or REGEDIT4)
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Vendor]      a key, by its full path
//   "Name"="text"                             REG_SZ; \\ and \" escaped
//   @="default"                               the key's default value
//   "Count"=dword:0000002a                    REG_DWORD, hexadecimal
//   "Data"=hex:01,02,\                        anything else is kept as written,
//     03                                      continuation lines included
//   ; comment
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessaloom {

enum class RegistryValueKind : std::uint8_t { kString, kDword, kOther };

struct RegistryValue {
  std::string name;  // empty: the key's default value (@)
  RegistryValueKind kind = RegistryValueKind::kString;
  std::string text;         // kString: the text, unescaped
  std::uint32_t dword = 0;  // kDword
  std::string raw;          // kOther: everything after '=', as written
};

struct RegistryKey {
  std::string path;  // e.g. "HKEY_CLASSES_ROOT\CLSID\{...}"
  std::vector<RegistryValue> values;
};

class RegistryDocument {
 public:
  // Parses a registry file's text. Lines that are neither a key, a value,
  // a comment nor blank are skipped; a value line before any key is skipped.
  // Fails (with a message naming the line) only when the header is missing.
  [[nodiscard]] static bool Parse(std::string_view text, RegistryDocument& out, std::string& error);
  // The file text: header, then each key with its values, a blank line between.
  [[nodiscard]] std::string Serialize() const;

  [[nodiscard]] const RegistryKey* FindKey(std::string_view path) const noexcept;
  [[nodiscard]] const RegistryValue* FindValue(std::string_view path,
                                               std::string_view name) const noexcept;
  // Full paths of the direct subkeys of `path`, in file order.
  [[nodiscard]] std::vector<std::string> SubKeys(std::string_view path) const;

  // Creates the key (not its parents) when missing; returns it.
  RegistryKey& CreateKey(std::string_view path);
  void SetString(std::string_view path, std::string_view name, std::string_view text);
  void SetDword(std::string_view path, std::string_view name, std::uint32_t value);
  // Removes a value; false when there was none.
  bool DeleteValue(std::string_view path, std::string_view name);
  // Removes the key and every key below it; false when there was none.
  bool DeleteKeyTree(std::string_view path);

  [[nodiscard]] const std::vector<RegistryKey>& keys() const noexcept { return keys_; }

 private:
  RegistryKey* FindMutableKey(std::string_view path) noexcept;
  std::vector<RegistryKey> keys_;
};

// The registry file's path, as above.
std::string RegistryFilePath();

// Reads the registry file into `out`. A missing file gives an empty
// document and 0. Otherwise 0 on success, or an errno value with a message
// in `error` (a file that cannot be read, or one without the header: EINVAL).
int LoadRegistry(RegistryDocument& out, std::string& error) noexcept;

// Replaces the registry file with `document` in one step (a temporary file
// in the same folder, renamed into place), creating the folder when it is
// missing. 0 on success, or an errno value with a message in `error`.
int SaveRegistry(const RegistryDocument& document, std::string& error) noexcept;

}  // namespace tessaloom
