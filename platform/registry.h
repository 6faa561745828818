// The machine-wide value store that stands in for the Windows registry: one
// text file in the registry export format, at $TESSALOOM_REGISTRY when set,
// else /etc/tessaloom/registry.reg (the variable is read at every call, so a
// test can point it at a file of its own). A missing file is an empty
// registry. RegistryDocument is the file's content in memory: its lines as
// written, and the keys and values they hold (key paths and value names
// compare without regard to ASCII case). Edits change only the lines of the
// keys and values they name, so comments, deletions, lines the reader does
// not take and the file's encoding are written back as they were. Documents
// are plain values used by one thread at a time; the file functions may be
// called from any thread.
//
// File format (UTF-8, or UTF-16LE after the byte-order mark FF FE, as the
// registry editor exports; lines end in CR LF, LF or CR):
//   Windows Registry Editor Version 5.00      (or REGEDIT4)
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Vendor]      a key, by its full path
//   "Name"="text"                             REG_SZ; \\ and \" escaped
//   @="default"                               the key's default value
//   "Count"=dword:0000002a                    REG_DWORD, hexadecimal
//   "Path"=hex(1):41,00,00,00                 REG_SZ as UTF-16LE bytes; hex(2)
//                                             REG_EXPAND_SZ, hex(7) REG_MULTI_SZ
//   "Data"=hex:01,02,\                        anything else is kept as written;
//     03                                      hex data continues after a '\'
//   [-HKEY_LOCAL_MACHINE\SOFTWARE\Gone]       a deletion, kept but not read
//   ; comment
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaloom {

enum class RegistryValueKind : std::uint8_t {
  kString,
  kExpandString,
  kMultiString,
  kDword,
  kOther
};

struct RegistryValue {
  std::string name;  // empty: the key's default value (@)
  RegistryValueKind kind = RegistryValueKind::kString;
  // kString, kExpandString: the text. kMultiString: the strings, each ended
  // by a NUL. Read from hex data, the text is the UTF-16 data in UTF-8 with
  // one final NUL (the terminator) dropped.
  std::string text;
  std::uint32_t dword = 0;  // kDword
  std::string raw;          // kOther: everything after '=', continuation lines joined

  bool operator==(const RegistryValue&) const = default;
};

struct RegistryKey {
  std::string path;  // e.g. "HKEY_CLASSES_ROOT\CLSID\{...}"
  std::vector<RegistryValue> values;
};

class RegistryDocument {
 public:
  // Parses a registry file's bytes. Lines that are neither a key, a value,
  // a comment nor blank are kept but not read, as are deletions and value
  // lines outside any key; a value named twice in a key takes the later
  // line. Fails (with a message naming the line) only when the header is
  // missing.
  [[nodiscard]] static bool Parse(std::string_view bytes, RegistryDocument& out,
                                  std::string& error);
  // The file's bytes: every line as it was read, except the lines edits
  // wrote, in the file's encoding. Empty for a new document that was never
  // edited; an edit adds the header first.
  [[nodiscard]] std::string Serialize() const;
  // False when the document came from a UTF-16 file that Serialize would not
  // give back byte for byte (an unpaired surrogate, an odd byte): such a file
  // is read, but must not be written back.
  [[nodiscard]] bool Lossless() const noexcept { return lossless_; }

  [[nodiscard]] const RegistryKey* FindKey(std::string_view path) const noexcept;
  [[nodiscard]] const RegistryValue* FindValue(std::string_view path,
                                               std::string_view name) const noexcept;
  // Full paths of the direct subkeys of `path`, in file order.
  [[nodiscard]] std::vector<std::string> SubKeys(std::string_view path) const;
  [[nodiscard]] const std::vector<RegistryKey>& keys() const noexcept { return keys_; }

  // Edits. A missing key is added at the end of the file, after a blank
  // line; a new value goes after the last value line of its key; a value set
  // again is written on its first line (the later lines naming it go).
  // Values read back as they were set: a text holding a line break is
  // written as hex(1) (valid UTF-8 assumed), as is one holding another
  // control character when it is valid UTF-8. Names and key paths must hold
  // no line break.
  void CreateKey(std::string_view path);
  void SetValue(std::string_view path, RegistryValue value);
  void SetString(std::string_view path, std::string_view name, std::string_view text);
  void SetDword(std::string_view path, std::string_view name, std::uint32_t value);
  // Removes a value's lines; false when there was none.
  bool DeleteValue(std::string_view path, std::string_view name);
  // Removes the key and every key below it: their header and value lines,
  // and the blank line before each header (the one an added key brings);
  // comments among them stay. False when there was no such key.
  bool DeleteKeyTree(std::string_view path);

 private:
  // One line of the file, or a value with its continuation lines.
  struct Line {
    enum class Kind : std::uint8_t { kText, kKey, kValue };
    Kind kind = Kind::kText;  // kText: anything the reader does not take
    std::string raw;          // as written, line ends included
    std::string key;          // kKey, kValue: the key's path as its header wrote it
    RegistryValue value;      // kValue
    // kValue: hex data whose last line asks for a continuation that the file
    // never gave; whatever follows must not be taken for it.
    bool open = false;

    [[nodiscard]] bool HasLineEnd() const;
  };

  void Rebuild();
  void AddKeyLines(std::string_view path);
  void EndLine(std::size_t index);

  std::vector<Line> lines_;
  std::vector<RegistryKey> keys_;
  std::string lineEnd_ = "\n";
  bool utf16_ = false;
  bool lossless_ = true;
};

// The registry file's path, as above.
std::string RegistryFilePath();

// Reads the registry file into `out`. A missing file gives an empty
// document and 0. Otherwise 0 on success, or an errno value with a message
// in `error` (a file that cannot be read, or one without the header: EINVAL).
int LoadRegistry(RegistryDocument& out, std::string& error) noexcept;

// Reads the registry file, lets `change` edit it and, when that changed
// anything, replaces the file in one step, all under an exclusive advisory
// lock on the file's folder, so concurrent writers take turns. A symbolic
// link is written through to its target, never replaced; the new file keeps
// the old one's mode and owner (or nothing is written), and it and its
// folder are flushed to the disk around the rename. Missing folders are
// created, but only when `change` adds something to an empty registry (it
// is then called on one first). 0 on success, or an errno value with a
// message in `error`, the file then as it was. `change` may throw; that is
// reported as a failure.
int EditRegistry(const std::function<void(RegistryDocument&)>& change, std::string& error) noexcept;

}  // namespace tessaloom
