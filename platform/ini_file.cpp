#include "platform/ini_file.h"

#include <cstdint>

#include "platform/file_system.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Calls visit(line) with each trimmed line of the first occurrence of
// `section` that is neither blank, a comment nor a header, in file order,
// until visit returns false.
template <typename Visit>
void VisitSection(std::string_view text, std::string_view section, Visit visit) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  bool inside = false;
  while (!text.empty()) {
    // A line ends at CR LF, LF or CR.
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = TrimAsciiSpace(text.substr(0, end));
    if (end == std::string_view::npos) {
      text = {};
    } else {
      text.remove_prefix(text.substr(end, 2) == "\r\n" ? end + 2 : end + 1);
    }
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (inside) return;
      const std::string_view name = line.substr(1);
      inside = EqualsIgnoreAsciiCase(TrimAsciiSpace(name.substr(0, name.find(']'))), section);
      continue;
    }
    if (inside && !visit(line)) return;
  }
}

}  // namespace

std::optional<std::string> FindProfileString(std::string_view text, std::string_view section,
                                             std::string_view key) {
  std::optional<std::string> value;
  VisitSection(text, section, [&](std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos ||
        !EqualsIgnoreAsciiCase(TrimAsciiSpace(line.substr(0, equals)), key)) {
      return true;
    }
    value.emplace(TrimAsciiSpace(line.substr(equals + 1)));
    return false;
  });
  return value;
}

std::vector<std::string> ProfileSectionLines(std::string_view text, std::string_view section) {
  std::vector<std::string> lines;
  VisitSection(text, section, [&](std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      lines.emplace_back(line);
    } else {
      std::string joined(TrimAsciiSpace(line.substr(0, equals)));
      joined += '=';
      joined += TrimAsciiSpace(line.substr(equals + 1));
      lines.push_back(std::move(joined));
    }
    return true;
  });
  return lines;
}

bool ReadProfileFile(const std::string& path, std::string& text) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!FileSystem::Default().ReadFile(path, kMaxProfileBytes, bytes, error)) return false;
  text =
      DecodeTextFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return true;
}

std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key) {
  std::string text;
  if (!ReadProfileFile(path, text)) return {};
  return FindProfileString(text, section, key).value_or(std::string());
}

std::vector<std::string> GetProfileSection(const std::string& path, std::string_view section) {
  std::string text;
  if (!ReadProfileFile(path, text)) return {};
  return ProfileSectionLines(text, section);
}

}  // namespace tessaloom
