// Face colours of the three-dimensional kinds: a colour's red, green and
// blue each moved by the same amount and kept within 0..255.
#pragma once

#include <algorithm>

#include "platform/gdi_types.h"

namespace tessaloom {

constexpr COLORREF ShadeBy(COLORREF color, int delta) noexcept {
  COLORREF shaded = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int channel = std::clamp(static_cast<int>((color >> shift) & 0xFFu) + delta, 0, 255);
    shaded |= static_cast<COLORREF>(channel) << shift;
  }
  return shaded;
}

// The faces in shadow and in the light of bars and pie walls: 35 either way.
constexpr COLORREF ShadeDarker(COLORREF color) noexcept { return ShadeBy(color, -35); }
constexpr COLORREF ShadeLighter(COLORREF color) noexcept { return ShadeBy(color, 35); }

static_assert(ShadeDarker(0x0A14C8) == 0x0000A5 && ShadeLighter(0xFFFFF0) == 0xFFFFFF);

}  // namespace tessaloom
