#include "platform/text.h"

#include <climits>
#include <cstdint>

namespace tessaloom {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Unicode's 66 noncharacters: a block of 32 in Arabic Presentation Forms-A
// and the last two code points of each of the 17 planes.
bool IsNoncharacter(char32_t cp) {
  return (cp >= 0xFDD0 && cp <= 0xFDEF) || (cp & 0xFFFE) == 0xFFFE;
}

// Decodes one code point starting at text[i]. Returns the number of bytes
// consumed (at least 1) and stores the code point, or U+FFFD for a byte that
// does not start a well-formed sequence (then exactly one byte is consumed).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& cp) noexcept {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
  const std::uint8_t b0 = byte(i);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t need = 0;
  char32_t value = 0;
  char32_t min = 0;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1, value = b0 & 0x1Fu, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2, value = b0 & 0x0Fu, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3, value = b0 & 0x07u, min = 0x10000;
  } else {
    cp = kReplacement;
    return 1;
  }
  if (text.size() - i <= need) {
    cp = kReplacement;
    return 1;
  }
  for (std::size_t k = 1; k <= need; ++k) {
    const std::uint8_t b = byte(i + k);
    if ((b & 0xC0) != 0x80) {
      cp = kReplacement;
      return 1;
    }
    value = (value << 6) | (b & 0x3Fu);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    cp = kReplacement;
    return 1;
  }
  cp = value;
  return need + 1;
}

}  // namespace

std::size_t WellFormedUtf8Length(std::string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size()) {
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(text, i, cp);
    // U+FFFD itself takes three bytes: one byte read as it is ill-formed.
    if (cp == kReplacement && length == 1) return i;
    i += length;
  }
  return i;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    char32_t cp = u;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
             (static_cast<char32_t>(text[i + 1]) - 0xDC00);
        ++i;
      } else {
        cp = kReplacement;
      }
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      cp = kReplacement;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    i += DecodeUtf8(text, i, cp);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::size_t CodePointCount(std::string_view text) noexcept {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++count) {
    char32_t cp = 0;
    i += DecodeUtf8(text, i, cp);
  }
  return count;
}

int CodePointLength(std::string_view text) noexcept {
  const std::size_t n = CodePointCount(text);
  return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

std::size_t DecodeCodePoint(std::string_view text, std::size_t index,
                            char32_t& codePoint) noexcept {
  if (index >= text.size()) {
    codePoint = 0;
    return 0;
  }
  const std::size_t length = DecodeUtf8(text, index, codePoint);
  if (IsNoncharacter(codePoint)) codePoint = kReplacement;
  return length;
}

std::string DrawnText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    i += DecodeCodePoint(text, i, cp);
    AppendUtf8(out, cp);
  }
  return out;
}

std::string DecodeTextFile(std::string_view bytes) {
  const bool little = bytes.starts_with("\xFF\xFE");
  if (!little && !bytes.starts_with("\xFE\xFF")) return std::string(bytes);
  std::u16string units((bytes.size() - 2) / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 + 2 * i]);
    const auto second = static_cast<unsigned char>(bytes[3 + 2 * i]);
    units[i] = static_cast<char16_t>(little ? first | second << 8 : first << 8 | second);
  }
  return Utf16ToUtf8(units);
}

std::string EncodeUtf16LeFile(std::string_view text) {
  const std::u16string units = Utf8ToUtf16(text);
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + 2 * units.size());
  for (const char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFFu));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::string_view TrimAsciiSpace(std::string_view text) noexcept {
  constexpr std::string_view kSpace = " \t\r\n\v\f";
  const std::size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

void AssignOrClear(std::string& out, std::string_view text) noexcept {
  try {
    out.assign(text);
  } catch (...) {
    out.clear();
  }
}

void AssignOrClear(std::string& out, std::string_view first, std::string_view second) noexcept {
  try {
    out.assign(first).append(second);
  } catch (...) {
    out.clear();
  }
}

}  // namespace tessaloom
