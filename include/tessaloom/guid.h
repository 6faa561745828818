// 128-bit class and interface identifiers, printed and parsed in the braced
// registry form "{4F463A34-8A46-437E-8B62-422717E99546}". Plain values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaloom {

struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0;
  std::uint16_t Data3 = 0;
  std::array<std::uint8_t, 8> Data4{};

  // Spelled out, not defaulted, so that hosts may compile as C++17.
  friend constexpr bool operator==(const GUID& a, const GUID& b) noexcept {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 && a.Data4 == b.Data4;
  }
  friend constexpr bool operator!=(const GUID& a, const GUID& b) noexcept { return !(a == b); }
};

using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;

// Parses exactly the braced form (hex digits of either case). Anything else,
// including the unbraced form or trailing text, gives nullopt.
std::optional<GUID> GuidFromString(std::string_view text);

// The braced form with upper-case hex digits, 38 characters.
std::string GuidToString(const GUID& guid);

inline constexpr GUID GUID_NULL{};

}  // namespace tessaloom
