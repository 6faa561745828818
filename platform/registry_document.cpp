#include "platform/registry_document.h"

#include <cstdio>
#include <unordered_map>

#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool HasPrefixIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned HexDigit(char c) {
  return static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
}

// Reads a quoted string starting at text[0] == '"'; \\ and \" are escapes.
// Returns the number of characters consumed, or 0 when unterminated.
std::size_t ReadQuoted(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      out += text[++i];
    } else if (text[i] == '"') {
      return i + 1;
    } else {
      out += text[i];
    }
  }
  return 0;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

// A value's data that continues on the next line after a trailing '\'.
bool IsHexData(std::string_view data) {
  return HasPrefixIgnoringCase(data, "hex:") || HasPrefixIgnoringCase(data, "hex(");
}

// The kind hex(n) data stores, for the kinds read as text.
bool TextKindOf(std::string_view data, RegistryValueKind& kind, std::string_view& bytes) {
  const std::pair<std::string_view, RegistryValueKind> kinds[] = {
      {"hex(1):", RegistryValueKind::kString},
      {"hex(2):", RegistryValueKind::kExpandString},
      {"hex(7):", RegistryValueKind::kMultiString}};
  for (const auto& [prefix, k] : kinds) {
    if (HasPrefixIgnoringCase(data, prefix)) {
      kind = k;
      bytes = data.substr(prefix.size());
      return true;
    }
  }
  return false;
}

// UTF-16LE bytes written as "41,00,42,00" to UTF-8 text. False unless every
// byte is two hexadecimal digits and the code units are well-formed UTF-16,
// so that writing the text back gives the same bytes.
bool DecodeHexText(std::string_view list, std::string& text) {
  std::u16string units;
  std::uint32_t pending = 0;
  bool half = false;
  while (!TrimAsciiSpace(list).empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view item = TrimAsciiSpace(list.substr(0, comma));
    if (item.size() != 2 || !IsHexDigit(item[0]) || !IsHexDigit(item[1])) return false;
    const std::uint32_t byte = HexDigit(item[0]) << 4 | HexDigit(item[1]);
    if (half) units.push_back(static_cast<char16_t>(pending | byte << 8));
    pending = byte;
    half = !half;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
    if (TrimAsciiSpace(list).empty()) return false;  // a trailing comma
  }
  if (half) return false;
  text = Utf16ToUtf8(units);
  if (Utf8ToUtf16(text) != units) return false;  // an unpaired surrogate
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return true;
}

std::string HexText(std::string_view prefix, std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out(prefix);
  const auto put = [&](unsigned byte) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
    out += ',';
  };
  for (char16_t unit : Utf8ToUtf16(text)) {
    put(unit & 0xFFu);
    put(static_cast<unsigned>(unit) >> 8);
  }
  out += "00,00";
  return out;
}

// True when `text` must be written as hex(1): a line break cannot stand in
// quotes, and other control characters are kept out of the file's text
// when hex(1) can carry them without loss (valid UTF-8).
bool NeedsHex(std::string_view text) {
  bool control = false;
  for (char c : text) {
    if (c == '\n' || c == '\r') return true;
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) control = true;
  }
  return control && Utf16ToUtf8(Utf8ToUtf16(text)) == text;
}

// The data after '=' for a value.
std::string DataText(const RegistryValue& v) {
  switch (v.kind) {
    case RegistryValueKind::kString:
      return NeedsHex(v.text) ? HexText("hex(1):", v.text) : Quote(v.text);
    case RegistryValueKind::kExpandString: return HexText("hex(2):", v.text);
    case RegistryValueKind::kMultiString: return HexText("hex(7):", v.text);
    case RegistryValueKind::kDword: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(v.dword));
      return buf;
    }
    case RegistryValueKind::kOther: break;
  }
  return v.raw;
}

// Parses the name and '=' of a value line; the data after it in `data`.
bool ParseValueName(std::string_view line, std::string& name, std::string_view& data) {
  std::size_t at = 1;
  if (line.front() == '@') {
    name.clear();
  } else {
    at = ReadQuoted(line, name);
    if (at == 0) return false;
  }
  std::string_view rest = TrimAsciiSpace(line.substr(at));
  if (rest.empty() || rest.front() != '=') return false;
  data = TrimAsciiSpace(rest.substr(1));
  return true;
}

// Parses a value's data into `value` (its name already set).
bool ParseValueData(std::string_view data, RegistryValue& value) {
  if (!data.empty() && data.front() == '"') {
    if (ReadQuoted(data, value.text) == 0) return false;
    value.kind = RegistryValueKind::kString;
    return true;
  }
  constexpr std::string_view kDword = "dword:";
  if (HasPrefixIgnoringCase(data, kDword)) {
    const std::string_view digits = data.substr(kDword.size());
    std::uint32_t v = 0;
    bool ok = !digits.empty() && digits.size() <= 8;
    for (char c : digits) {
      ok = ok && IsHexDigit(c);
      v = v << 4 | (ok ? HexDigit(c) : 0u);
    }
    if (ok) {
      value.kind = RegistryValueKind::kDword;
      value.dword = v;
      return true;
    }
  }
  std::string_view bytes;
  RegistryValueKind kind = RegistryValueKind::kOther;
  if (TextKindOf(data, kind, bytes) && DecodeHexText(bytes, value.text)) {
    value.kind = kind;
    return true;
  }
  value.text.clear();
  value.kind = RegistryValueKind::kOther;
  value.raw = std::string(data);
  return true;
}

// One physical line of the file: its text and its line end ("\r\n", "\n",
// "\r", or none at the end of the file).
struct PhysicalLine {
  std::string_view text;
  std::string_view end;
};

PhysicalLine NextLine(std::string_view& rest) {
  const std::size_t at = rest.find_first_of("\r\n");
  if (at == std::string_view::npos) {
    const PhysicalLine line{rest, {}};
    rest = {};
    return line;
  }
  const std::size_t endSize =
      rest[at] == '\r' && at + 1 < rest.size() && rest[at + 1] == '\n' ? 2 : 1;
  const PhysicalLine line{rest.substr(0, at), rest.substr(at, endSize)};
  rest.remove_prefix(at + endSize);
  return line;
}

}  // namespace

bool RegistryDocument::Line::HasLineEnd() const {
  return !raw.empty() && (raw.back() == '\n' || raw.back() == '\r');
}

bool RegistryDocument::Parse(std::string_view bytes, RegistryDocument& out, std::string& error) {
  RegistryDocument doc;
  std::string decoded;
  std::string_view text = bytes;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    decoded = DecodeTextFile(bytes);
    doc.utf16_ = true;
    doc.lossless_ = EncodeUtf16LeFile(decoded) == bytes;
    text = decoded;
  }
  if (const std::size_t end = text.find_first_of("\r\n"); end != std::string_view::npos) {
    doc.lineEnd_ =
        text[end] == '\r' && text.substr(end, 2) == "\r\n" ? "\r\n" : text.substr(end, 1);
  }
  std::size_t lineNumber = 0;
  bool headerSeen = false;
  std::string current;  // the key value lines belong to; empty: none
  while (!text.empty()) {
    PhysicalLine physical = NextLine(text);
    ++lineNumber;
    Line line;
    line.raw = std::string(physical.text) + std::string(physical.end);
    std::string_view content = physical.text;
    if (lineNumber == 1 && content.starts_with(kByteOrderMark)) content.remove_prefix(3);
    const std::string_view l = TrimAsciiSpace(content);
    if (!headerSeen) {
      if (!l.empty()) {
        if (l != kHeader5 && l != kHeader4) {
          error = "line " + std::to_string(lineNumber) + ": not a registry file";
          return false;
        }
        headerSeen = true;
      }
    } else if (!l.empty() && l.front() == '[') {
      current.clear();
      if (l.size() >= 3 && l.back() == ']' && l[1] != '-') {
        current = l.substr(1, l.size() - 2);
        line.kind = Line::Kind::kKey;
        line.key = current;
      }
    } else if (!current.empty() && !l.empty() && (l.front() == '"' || l.front() == '@')) {
      std::string_view data;
      if (ParseValueName(l, line.value.name, data)) {
        std::string joined;
        if (IsHexData(data)) {
          // Hex data goes on while a line ends in '\'; at the end of the file
          // the '\' leads nowhere and is dropped. What ends the joined data
          // (blanks before a '\' on an empty last line, further '\') is
          // dropped too, so that the data written on one line reads the same.
          joined = data;
          bool more = data.ends_with('\\');
          while (more) {
            joined.pop_back();
            if (text.empty()) {
              line.open = true;
              break;
            }
            physical = NextLine(text);
            ++lineNumber;
            line.raw += physical.text;
            line.raw += physical.end;
            const std::string_view part = TrimAsciiSpace(physical.text);
            joined += part;
            more = part.ends_with('\\');
          }
          while (!joined.empty() && (joined.back() == '\\' || IsAsciiSpace(joined.back()))) {
            joined.pop_back();
          }
          data = joined;
        }
        if (ParseValueData(data, line.value)) {
          line.kind = Line::Kind::kValue;
          line.key = current;
        }
      }
    }
    if (line.kind != Line::Kind::kValue) line.value = {};
    doc.lines_.push_back(std::move(line));
  }
  if (!headerSeen) {
    error = "line 1: not a registry file";
    return false;
  }
  doc.Rebuild();
  out = std::move(doc);
  return true;
}

std::string RegistryDocument::Serialize() const {
  std::string text;
  for (const Line& line : lines_) text += line.raw;
  return utf16_ ? EncodeUtf16LeFile(text) : text;
}

void RegistryDocument::Rebuild() {
  keys_.clear();
  std::unordered_map<std::string, std::size_t> index;
  for (const Line& line : lines_) {
    if (line.kind == Line::Kind::kText) continue;
    const auto [at, added] = index.try_emplace(LowerAscii(line.key), keys_.size());
    if (added) keys_.push_back(RegistryKey{line.key, {}});
    if (line.kind != Line::Kind::kValue) continue;
    std::vector<RegistryValue>& values = keys_[at->second].values;
    bool replaced = false;
    for (RegistryValue& existing : values) {
      if (EqualsIgnoreAsciiCase(existing.name, line.value.name)) {
        existing = line.value;
        replaced = true;
        break;
      }
    }
    if (!replaced) values.push_back(line.value);
  }
}

const RegistryKey* RegistryDocument::FindKey(std::string_view path) const noexcept {
  for (const RegistryKey& key : keys_) {
    if (EqualsIgnoreAsciiCase(key.path, path)) return &key;
  }
  return nullptr;
}

const RegistryValue* RegistryDocument::FindValue(std::string_view path,
                                                 std::string_view name) const noexcept {
  const RegistryKey* key = FindKey(path);
  if (key == nullptr) return nullptr;
  for (const RegistryValue& v : key->values) {
    if (EqualsIgnoreAsciiCase(v.name, name)) return &v;
  }
  return nullptr;
}

std::vector<std::string> RegistryDocument::SubKeys(std::string_view path) const {
  std::vector<std::string> out;
  const std::string prefix = std::string(path) + "\\";
  for (const RegistryKey& key : keys_) {
    if (HasPrefixIgnoringCase(key.path, prefix) &&
        key.path.find('\\', prefix.size()) == std::string::npos) {
      out.push_back(key.path);
    }
  }
  return out;
}

void RegistryDocument::EndLine(std::size_t index) {
  Line& line = lines_[index];
  if (!line.HasLineEnd()) line.raw += lineEnd_;
  // The blank line is taken as the continuation, so nothing that follows is.
  if (line.open) line.raw += lineEnd_;
  line.open = false;
}

void RegistryDocument::AddKeyLines(std::string_view path) {
  if (lines_.empty()) {
    lines_.push_back(Line{Line::Kind::kText, std::string(kHeader5) + lineEnd_, {}, {}, false});
  }
  EndLine(lines_.size() - 1);
  lines_.push_back(Line{Line::Kind::kText, lineEnd_, {}, {}, false});
  lines_.push_back(Line{
      Line::Kind::kKey, "[" + std::string(path) + "]" + lineEnd_, std::string(path), {}, false});
}

void RegistryDocument::CreateKey(std::string_view path) {
  if (FindKey(path) != nullptr) return;
  AddKeyLines(path);
  Rebuild();
}

void RegistryDocument::SetValue(std::string_view path, RegistryValue value) {
  if (FindKey(path) == nullptr) AddKeyLines(path);
  std::string text = value.name.empty() ? std::string("@") : Quote(value.name);
  text += '=';
  text += DataText(value);
  std::size_t last = 0;  // the key's last line
  std::size_t same = lines_.size();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == Line::Kind::kText || !EqualsIgnoreAsciiCase(line.key, path)) continue;
    last = i;
    if (line.kind == Line::Kind::kValue && same == lines_.size() &&
        EqualsIgnoreAsciiCase(line.value.name, value.name)) {
      same = i;
    }
  }
  if (same < lines_.size()) {
    // Written on the value's first line, where the reader places it; the
    // later lines that named it again go.
    const std::string name = value.name;
    for (std::size_t i = lines_.size(); --i > same;) {
      const Line& other = lines_[i];
      if (other.kind == Line::Kind::kValue && EqualsIgnoreAsciiCase(other.key, path) &&
          EqualsIgnoreAsciiCase(other.value.name, name)) {
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
      }
    }
    Line& line = lines_[same];
    const std::size_t endAt = line.raw.find_last_not_of("\r\n");
    line.raw = text + line.raw.substr(endAt == std::string::npos ? 0 : endAt + 1);
    line.open = false;
    line.value = std::move(value);
  } else {
    EndLine(last);
    Line line{Line::Kind::kValue, text + lineEnd_, std::string(path), std::move(value), false};
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(last + 1), std::move(line));
  }
  Rebuild();
}

void RegistryDocument::SetString(std::string_view path, std::string_view name,
                                 std::string_view text) {
  SetValue(path,
           RegistryValue{std::string(name), RegistryValueKind::kString, std::string(text), 0, {}});
}

void RegistryDocument::SetDword(std::string_view path, std::string_view name, std::uint32_t value) {
  SetValue(path, RegistryValue{std::string(name), RegistryValueKind::kDword, {}, value, {}});
}

bool RegistryDocument::DeleteValue(std::string_view path, std::string_view name) {
  const std::size_t before = lines_.size();
  std::erase_if(lines_, [&](const Line& line) {
    return line.kind == Line::Kind::kValue && EqualsIgnoreAsciiCase(line.key, path) &&
           EqualsIgnoreAsciiCase(line.value.name, name);
  });
  if (lines_.size() == before) return false;
  Rebuild();
  return true;
}

bool RegistryDocument::DeleteKeyTree(std::string_view path) {
  const std::string prefix = std::string(path) + "\\";
  const auto inTree = [&](const Line& line) {
    return line.kind != Line::Kind::kText &&
           (EqualsIgnoreAsciiCase(line.key, path) || HasPrefixIgnoringCase(line.key, prefix));
  };
  std::vector<bool> drop(lines_.size(), false);
  bool found = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (!inTree(lines_[i])) continue;
    drop[i] = true;
    found = true;
    if (lines_[i].kind == Line::Kind::kKey && i > 0 && lines_[i - 1].kind == Line::Kind::kText &&
        TrimAsciiSpace(lines_[i - 1].raw.substr(0, lines_[i - 1].raw.find_first_of("\r\n")))
            .empty()) {
      drop[i - 1] = true;
    }
  }
  if (!found) return false;
  std::vector<Line> kept;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (!drop[i]) kept.push_back(std::move(lines_[i]));
  }
  lines_ = std::move(kept);
  Rebuild();
  return true;
}

}  // namespace tessaloom
