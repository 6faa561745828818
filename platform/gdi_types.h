// Colour values as the drawing layer and the chart model exchange them.
#pragma once

#include <cstdint>

namespace tessaloom {

// 0x00BBGGRR: red in bits 0-7, green 8-15, blue 16-23, the top byte zero.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
         (static_cast<COLORREF>(b) << 16);
}

}  // namespace tessaloom
