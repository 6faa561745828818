// A registry file's content in memory, as the machine-wide value store that
// stands in for the Windows registry keeps it (platform/registry_file.h reads
// and edits the file itself). RegistryDocument holds its lines as
// written, and the keys and values they hold (key paths and value names
// compare without regard to ASCII case). Edits change only the lines of the
// keys and values they name, so comments, deletions, lines the reader does
// not take and the file's encoding are written back as they were. Documents
// are plain values used by one thread at a time.
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
  [[nodiscard]] const std::vector<RegistryKey>& Keys() const noexcept { return keys_; }

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

}  // namespace tessaloom
