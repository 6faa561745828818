// Text conversions between the interface's UTF-16 strings and the narrow
// (UTF-8) text used everywhere inside the component, plus the small text
// rules the layout and the name lookups share. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tessaloom {

// UTF-16 to UTF-8. Lossless for well-formed input; an unpaired surrogate
// becomes U+FFFD. Never throws except std::bad_alloc.
std::string Utf16ToUtf8(std::u16string_view text);

// Length in bytes of the longest well-formed UTF-8 start of `text`: its
// size when all of it is well-formed, else where the first ill-formed byte
// stands (as Utf8ToUtf16 would replace it).
std::size_t WellFormedUtf8Length(std::string_view text) noexcept;

// UTF-8 to UTF-16. Each byte that does not start a well-formed sequence
// (overlong forms, surrogates and values past U+10FFFF included) becomes one
// U+FFFD, as decoders conventionally resynchronise.
std::u16string Utf8ToUtf16(std::string_view text);

// Number of Unicode code points in UTF-8 text: the length every layout
// formula uses. Counts the way Utf8ToUtf16 decodes, so an ill-formed byte
// counts as one replacement character.
std::size_t CodePointCount(std::string_view text) noexcept;

// CodePointCount clamped to a signed 32-bit length, for the model's i32 fields.
int CodePointLength(std::string_view text) noexcept;

// Decodes the code point starting at byte `index` of UTF-8 `text` as the
// surfaces draw it and returns the number of bytes it takes: at least 1, or 0
// (and U+0000) when `index` is at or past the end. A byte that does not start
// a well-formed sequence is one U+FFFD (as Utf8ToUtf16 reads it), and so is a
// noncharacter (U+FDD0 to U+FDEF, the last two of every plane): they are
// meant for a program's own use, have no glyph, and cairo's PDF text refuses
// them. Stored text keeps them; only what is drawn is read so.
std::size_t DecodeCodePoint(std::string_view text, std::size_t index, char32_t& codePoint) noexcept;

// UTF-8 text as the surfaces draw it: each code point as DecodeCodePoint
// reads it, written back as UTF-8 (so well-formed and free of noncharacters),
// for the libraries that take the text itself.
std::string DrawnText(std::string_view text);

// A text file's bytes as UTF-8 text. Bytes that start with a UTF-16
// byte-order mark (FF FE little-endian, FE FF big-endian) are decoded as
// UTF-16, the mark dropped (as Utf16ToUtf8; an odd last byte is dropped);
// other bytes are taken as UTF-8, as they are.
std::string DecodeTextFile(std::string_view bytes);

// UTF-8 text as the bytes of a UTF-16LE file: FF FE, then the code units
// (as Utf8ToUtf16 gives them).
std::string EncodeUtf16LeFile(std::string_view text);

// Case-insensitive equality for names (colours, lists, "All"): ASCII letters
// only, every other byte compared as it is.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) noexcept;

// An ASCII letter in lower case, any other byte as it is (no locale): how
// names that compare without regard to case are matched and keyed.
constexpr char LowerAscii(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string LowerAscii(std::string_view text);

// ASCII white space (space, tab, CR, LF, vertical tab, form feed): the
// blanks the settings, INI and registry files allow around names, values and
// list items.
constexpr bool IsAsciiSpace(char c) noexcept { return c == ' ' || (c >= '\t' && c <= '\r'); }

// `text` without ASCII white space at either end.
std::string_view TrimAsciiSpace(std::string_view text) noexcept;

// Copies `text` into `out`, or leaves `out` empty when even that cannot be
// allocated: how a failure path that must stay noexcept sets its reason.
void AssignOrClear(std::string& out, std::string_view text) noexcept;
// The same for a reason in two parts, `first` then `second`.
void AssignOrClear(std::string& out, std::string_view first, std::string_view second) noexcept;

}  // namespace tessaloom
