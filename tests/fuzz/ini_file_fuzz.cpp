// The profile (INI) reader on arbitrary bytes; the first line names the
// section (and the request path for the site lookup), the rest is the file.
#include <algorithm>

#include "access/settings_sources.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r' && c != '\n'); };
  return text.empty() || (!blank(text.front()) && !blank(text.back()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessaloom;
  const std::string_view input = fuzz::AsText(data, size);
  const std::size_t newline = input.find('\n');
  const std::string_view section = input.substr(0, newline);
  const std::string_view text =
      newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  const std::vector<std::string> lines = ProfileSectionLines(text, section);
  FUZZ_CHECK(ProfileSectionLines(text, LowerAscii(section)) == lines);
  const auto breaks =
      std::count_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; });
  FUZZ_CHECK(lines.size() <= static_cast<std::size_t>(breaks) + 1);
  std::vector<std::string> keysSeen;
  for (const std::string& line : lines) {
    FUZZ_CHECK(!line.empty() && Trimmed(line) && line.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(line.front() != ';' && line.front() != '[');
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
    FUZZ_CHECK(Trimmed(key) && Trimmed(value));
    if (std::none_of(keysSeen.begin(), keysSeen.end(),
                     [&](const std::string& k) { return EqualsIgnoreAsciiCase(k, key); })) {
      FUZZ_CHECK(FindProfileString(text, section, key) == value);
      FUZZ_CHECK(FindProfileString(text, LowerAscii(section), LowerAscii(key)) == value);
    }
    keysSeen.push_back(key);
  }
  FUZZ_CHECK(!FindProfileString(text, section, "\n").has_value());

  MemorySettingsSources sources;
  sources.files["/WebSite.ini"] = std::string(text);
  const std::string entry = sources.FindSiteEntry("/WebSite.ini", section, section);
  FUZZ_CHECK(entry.empty() || (std::find(lines.begin(), lines.end(), entry) != lines.end() &&
                               entry.find('=') != std::string::npos));
  return 0;
}
