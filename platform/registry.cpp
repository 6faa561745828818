#include "platform/registry.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/file_system.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr char kHeader5[] = "Windows Registry Editor Version 5.00";
constexpr char kHeader4[] = "REGEDIT4";
constexpr char kDefaultPath[] = "/etc/tessaloom/registry.reg";

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
    s.remove_prefix(1);
  }
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
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

bool HasControlCharacter(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  }
  return false;
}

std::string HexString(std::string_view text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out = "hex(1):";
  const std::u16string wide = Utf8ToUtf16(text);
  const auto put = [&](unsigned byte) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
    out += ',';
  };
  for (char16_t unit : wide) {
    put(unit & 0xFFu);
    put(static_cast<unsigned>(unit) >> 8);
  }
  out += "00,00";
  return out;
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Parses one value line into `value`; false when it is not one.
bool ParseValueLine(std::string_view line, RegistryValue& value) {
  std::size_t at = 0;
  if (line.front() == '@') {
    value.name.clear();
    at = 1;
  } else {
    const std::size_t used = ReadQuoted(line, value.name);
    if (used == 0) return false;
    at = used;
  }
  std::string_view rest = Trim(line.substr(at));
  if (rest.empty() || rest.front() != '=') return false;
  rest = Trim(rest.substr(1));
  if (!rest.empty() && rest.front() == '"') {
    if (ReadQuoted(rest, value.text) == 0) return false;
    value.kind = RegistryValueKind::kString;
    return true;
  }
  constexpr std::string_view kDword = "dword:";
  if (rest.size() > kDword.size() && EqualsIgnoreAsciiCase(rest.substr(0, kDword.size()), kDword)) {
    const std::string_view digits = rest.substr(kDword.size());
    if (digits.size() <= 8 && !digits.empty()) {
      std::uint32_t v = 0;
      bool ok = true;
      for (char c : digits) {
        if (!IsHex(c)) {
          ok = false;
          break;
        }
        v = (v << 4) | static_cast<std::uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
      }
      if (ok) {
        value.kind = RegistryValueKind::kDword;
        value.dword = v;
        return true;
      }
    }
  }
  value.kind = RegistryValueKind::kOther;
  value.raw = std::string(rest);
  return true;
}

bool HasPrefixIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool RegistryDocument::Parse(std::string_view text, RegistryDocument& out, std::string& error) {
  RegistryDocument doc;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::size_t line_number = 0;
  bool header_seen = false;
  RegistryKey* current = nullptr;
  while (!text.empty()) {
    // A line, joined with its continuations (a trailing backslash).
    std::string line;
    std::size_t first_line = line_number + 1;
    for (;;) {
      const std::size_t end = text.find('\n');
      std::string_view part = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      ++line_number;
      part = Trim(part);
      if (!part.empty() && part.back() == '\\' && !text.empty() && line.size() < (1u << 24)) {
        part.remove_suffix(1);
        line += part;
        continue;
      }
      line += part;
      break;
    }
    const std::string_view l = Trim(line);
    if (!header_seen) {
      if (l.empty()) continue;
      if (l != kHeader5 && l != kHeader4) {
        error = "line " + std::to_string(first_line) + ": not a registry file";
        return false;
      }
      header_seen = true;
      continue;
    }
    if (l.empty() || l.front() == ';') continue;
    if (l.front() == '[') {
      current = nullptr;
      if (l.back() != ']' || l.size() < 3 || l[1] == '-') continue;  // deletions are not kept
      current = &doc.CreateKey(l.substr(1, l.size() - 2));
      continue;
    }
    if (current == nullptr) continue;
    if (l.front() != '"' && l.front() != '@') continue;
    RegistryValue value;
    if (!ParseValueLine(l, value)) continue;
    bool replaced = false;
    for (RegistryValue& existing : current->values) {
      if (EqualsIgnoreAsciiCase(existing.name, value.name)) {
        existing = std::move(value);
        replaced = true;
        break;
      }
    }
    if (!replaced) current->values.push_back(std::move(value));
  }
  if (!header_seen) {
    error = "line 1: not a registry file";
    return false;
  }
  out = std::move(doc);
  return true;
}

std::string RegistryDocument::Serialize() const {
  std::string out = std::string(kHeader5) + "\n";
  for (const RegistryKey& key : keys_) {
    out += "\n[" + key.path + "]\n";
    for (const RegistryValue& v : key.values) {
      out += v.name.empty() ? std::string("@") : Quote(v.name);
      out += '=';
      switch (v.kind) {
        case RegistryValueKind::kString:
          // A quoted value cannot hold a line break or other control
          // character: such text is written in the hex(1) form (UTF-16LE
          // bytes), so it can never start a line of its own.
          out += HasControlCharacter(v.text) ? HexString(v.text) : Quote(v.text);
          break;
        case RegistryValueKind::kDword: {
          char buf[16];
          std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(v.dword));
          out += buf;
          break;
        }
        case RegistryValueKind::kOther: out += v.raw; break;
      }
      out += '\n';
    }
  }
  return out;
}

const RegistryKey* RegistryDocument::FindKey(std::string_view path) const noexcept {
  for (const RegistryKey& key : keys_) {
    if (EqualsIgnoreAsciiCase(key.path, path)) return &key;
  }
  return nullptr;
}

RegistryKey* RegistryDocument::FindMutableKey(std::string_view path) noexcept {
  for (RegistryKey& key : keys_) {
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

RegistryKey& RegistryDocument::CreateKey(std::string_view path) {
  if (RegistryKey* key = FindMutableKey(path)) return *key;
  keys_.push_back(RegistryKey{std::string(path), {}});
  return keys_.back();
}

void RegistryDocument::SetString(std::string_view path, std::string_view name,
                                 std::string_view text) {
  RegistryKey& key = CreateKey(path);
  for (RegistryValue& v : key.values) {
    if (EqualsIgnoreAsciiCase(v.name, name)) {
      v = RegistryValue{std::string(name), RegistryValueKind::kString, std::string(text), 0, {}};
      return;
    }
  }
  key.values.push_back(
      RegistryValue{std::string(name), RegistryValueKind::kString, std::string(text), 0, {}});
}

void RegistryDocument::SetDword(std::string_view path, std::string_view name, std::uint32_t value) {
  RegistryKey& key = CreateKey(path);
  for (RegistryValue& v : key.values) {
    if (EqualsIgnoreAsciiCase(v.name, name)) {
      v = RegistryValue{std::string(name), RegistryValueKind::kDword, {}, value, {}};
      return;
    }
  }
  key.values.push_back(RegistryValue{std::string(name), RegistryValueKind::kDword, {}, value, {}});
}

bool RegistryDocument::DeleteValue(std::string_view path, std::string_view name) {
  RegistryKey* key = FindMutableKey(path);
  if (key == nullptr) return false;
  for (auto it = key->values.begin(); it != key->values.end(); ++it) {
    if (EqualsIgnoreAsciiCase(it->name, name)) {
      key->values.erase(it);
      return true;
    }
  }
  return false;
}

bool RegistryDocument::DeleteKeyTree(std::string_view path) {
  const std::string prefix = std::string(path) + "\\";
  const std::size_t before = keys_.size();
  std::erase_if(keys_, [&](const RegistryKey& key) {
    return EqualsIgnoreAsciiCase(key.path, path) || HasPrefixIgnoringCase(key.path, prefix);
  });
  return keys_.size() != before;
}

std::string RegistryFilePath() {
  const char* configured = std::getenv("TESSALOOM_REGISTRY");
  return configured != nullptr && configured[0] != '\0' ? configured : kDefaultPath;
}

int LoadRegistry(RegistryDocument& out, std::string& error) noexcept {
  try {
    const std::string path = RegistryFilePath();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      if (errno == ENOENT) {
        out = RegistryDocument();
        return 0;
      }
      const int code = errno != 0 ? errno : EIO;
      error = path + ": " + std::strerror(code);
      return code;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
      error = path + ": " + std::strerror(EIO);
      return EIO;
    }
    RegistryDocument doc;
    std::string reason;
    if (!RegistryDocument::Parse(text.str(), doc, reason)) {
      error = path + ": " + reason;
      return EINVAL;
    }
    out = std::move(doc);
    return 0;
  } catch (...) {
    error = "Not enough memory to read the registry";
    return ENOMEM;
  }
}

int SaveRegistry(const RegistryDocument& document, std::string& error) noexcept {
  try {
    const std::string path = RegistryFilePath();
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
      std::string folder = path.substr(0, slash);
      // Creates the missing folders one level at a time.
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
    }
    std::string reason;
    const std::unique_ptr<WritableFile> file = FileSystem::Default().NewReplacingFile(path, reason);
    if (file == nullptr) {
      error = path + ": " + reason;
      return EACCES;
    }
    const std::string text = document.Serialize();
    if (!file->Append(std::span<const std::uint8_t>(
                          reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                      reason) ||
        file->Commit(reason) != CommitResult::kDone) {
      error = path + ": " + reason;
      return EIO;
    }
    return 0;
  } catch (...) {
    error = "Not enough memory to write the registry";
    return ENOMEM;
  }
}

}  // namespace tessaloom
