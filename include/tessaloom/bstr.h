// Length-prefixed UTF-16 strings of the automation interface. A BSTR points
// at its first code unit; a 32-bit byte count sits just before it and a zero
// unit just after. The null BSTR is a valid empty string everywhere. Whoever
// receives a BSTR from a call owns it and frees it with SysFreeString.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace tessaloom {

using OLECHAR = char16_t;
using BSTR = OLECHAR*;

// Longest BSTR we allocate, in code units (so its byte count fits the prefix).
inline constexpr std::uint32_t kMaxBstrLength = 0x3FFFFFF0;

// Copies a zero-terminated string; null gives null. Null on allocation failure.
BSTR SysAllocString(const OLECHAR* text) noexcept;
// Copies `length` units from `text` (zero-filled when `text` is null). Null on
// allocation failure or when `length` exceeds kMaxBstrLength.
BSTR SysAllocStringLen(const OLECHAR* text, std::uint32_t length) noexcept;
void SysFreeString(BSTR text) noexcept;
// Length in code units / bytes; 0 for null.
std::uint32_t SysStringLen(BSTR text) noexcept;
std::uint32_t SysStringByteLen(BSTR text) noexcept;

// Conversions at the interface edge. Narrow text is UTF-8; an unpaired
// surrogate becomes U+FFFD. BstrFromUtf8 returns null on allocation failure.
std::string BstrToUtf8(BSTR text);
BSTR BstrFromUtf8(std::string_view text) noexcept;
inline std::u16string_view BstrView(BSTR text) noexcept {
  return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view();
}

// Sole owner of one BSTR. Text given to a constructor is copied: a literal
// (`Bstr title(u"Sales");`), a view, a zero-terminated string (null gives the
// null BSTR). A BSTR someone handed over is taken only by name, with
// Bstr::Adopt; passing one to a constructor does not compile, so no string of
// another owner is freed by accident.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view text) noexcept;
  explicit Bstr(const OLECHAR* text) noexcept : text_(SysAllocString(text)) {}
  explicit Bstr(BSTR) = delete;
  // Takes over `owned`, which this Bstr frees; null gives an empty Bstr.
  [[nodiscard]] static Bstr Adopt(BSTR owned) noexcept {
    Bstr adopted;
    adopted.text_ = owned;
    return adopted;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    if (this != &other) {
      SysFreeString(text_);
      text_ = std::exchange(other.text_, nullptr);
    }
    return *this;
  }
  ~Bstr() { SysFreeString(text_); }

  [[nodiscard]] BSTR get() const noexcept { return text_; }
  [[nodiscard]] BSTR release() noexcept { return std::exchange(text_, nullptr); }
  // Frees the held string and returns the slot for an out parameter.
  BSTR* out() noexcept {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  [[nodiscard]] std::u16string_view view() const noexcept { return BstrView(text_); }

 private:
  BSTR text_ = nullptr;
};

}  // namespace tessaloom
