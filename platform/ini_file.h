// Private profile (INI) files, read by the rules of the Windows profile
// functions that the hosting administrator's settings were written for:
//   [Section]        a section header; the name is trimmed of blanks
//   key = value      key and value trimmed of blanks; the key ends at the first '='
//   ; comment        a line whose first non-blank character is ';'
// Section and key names compare without regard to ASCII case. The first
// occurrence wins: of a key within its section, and of a section (a later
// section of the same name is ignored whole). Lines before the first section
// belong to none. Lines end at CR LF, LF or CR; a leading UTF-8 byte order
// mark is skipped, and a file that starts with a UTF-16 one is read as UTF-16.
// Values have no length limit. Nothing is cached: the file functions read the
// file afresh at every call. Any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaloom {

// Profile files larger than this are not read (they read as empty): settings
// files are a few kilobytes, and the bound keeps a stray huge file from
// costing a page request its memory.
inline constexpr std::size_t kMaxProfileBytes = 16u << 20;

// The value of `key` in `section` of the profile text `text`, trimmed;
// nullopt when the section or the key is missing. A line without '=' is no key.
std::optional<std::string> FindProfileString(std::string_view text, std::string_view section,
                                             std::string_view key);

// The lines of `section` in file order, comments and blank lines left out:
// "key=value" with key and value trimmed, and any other line trimmed as it
// is. Empty when the section is missing or has no lines.
std::vector<std::string> ProfileSectionLines(std::string_view text, std::string_view section);

// Reads the whole profile file at `path` into `text`, as UTF-8
// (DecodeTextFile). False, with `text` unspecified, when the file cannot be
// read or holds more than kMaxProfileBytes.
[[nodiscard]] bool ReadProfileFile(const std::string& path, std::string& text);

// The file forms of the two lookups: a file that cannot be read has no
// sections, so its values read as empty text and its sections as no lines.
std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key);
std::vector<std::string> GetProfileSection(const std::string& path, std::string_view section);

}  // namespace tessaloom
