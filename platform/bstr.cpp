#include "tessaloom/bstr.h"

#include <cstdlib>
#include <cstring>

#include "platform/text.h"

namespace tessaloom {
namespace {

constexpr std::size_t kPrefixBytes = sizeof(std::uint32_t);

std::uint32_t* PrefixOf(BSTR text) {
  return reinterpret_cast<std::uint32_t*>(reinterpret_cast<unsigned char*>(text) - kPrefixBytes);
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, std::uint32_t length) noexcept {
  if (length > kMaxBstrLength) return nullptr;
  const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(OLECHAR);
  void* block = std::malloc(kPrefixBytes + bytes + sizeof(OLECHAR));
  if (block == nullptr) return nullptr;
  auto* prefix = static_cast<std::uint32_t*>(block);
  *prefix = static_cast<std::uint32_t>(bytes);
  auto* chars = reinterpret_cast<OLECHAR*>(static_cast<unsigned char*>(block) + kPrefixBytes);
  if (text != nullptr && bytes != 0) {
    std::memcpy(chars, text, bytes);
  } else {
    std::memset(chars, 0, bytes);
  }
  chars[length] = 0;
  return chars;
}

BSTR SysAllocString(const OLECHAR* text) noexcept {
  if (text == nullptr) return nullptr;
  std::size_t n = 0;
  while (text[n] != 0 && n <= kMaxBstrLength) ++n;
  if (n > kMaxBstrLength) return nullptr;
  return SysAllocStringLen(text, static_cast<std::uint32_t>(n));
}

void SysFreeString(BSTR text) noexcept {
  if (text != nullptr) std::free(PrefixOf(text));
}

std::uint32_t SysStringByteLen(BSTR text) noexcept { return text == nullptr ? 0 : *PrefixOf(text); }

std::uint32_t SysStringLen(BSTR text) noexcept {
  return SysStringByteLen(text) / static_cast<std::uint32_t>(sizeof(OLECHAR));
}

std::string BstrToUtf8(BSTR text) { return Utf16ToUtf8(BstrView(text)); }

BSTR BstrFromUtf8(std::string_view text) noexcept {
  try {
    const std::u16string wide = Utf8ToUtf16(text);
    if (wide.size() > kMaxBstrLength) return nullptr;
    return SysAllocStringLen(wide.data(), static_cast<std::uint32_t>(wide.size()));
  } catch (...) {
    return nullptr;
  }
}

Bstr::Bstr(std::u16string_view text) noexcept
    : text_(text.size() > kMaxBstrLength
                ? nullptr
                : SysAllocStringLen(text.data(), static_cast<std::uint32_t>(text.size()))) {}

}  // namespace tessaloom
