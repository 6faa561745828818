// The colour vocabulary of the interface: "#RRGGBB" notation and the 24
// colour names, whose order is also the default palette's. Pure functions.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/gdi_types.h"

namespace tessaloom {

// Names in palette order: the name at position i has palette colour i.
inline constexpr std::array<std::string_view, 24> kColorNames{
    "MAROON",    "LIGHTYELLOW", "PURPLE",   "CYAN",      "VOILET", "LIGHTPINK",
    "BLUE",      "SKYBLUE",     "DARKBLUE", "PINK",      "YELLOW", "LIGHTMAROON",
    "DARKGREEN", "FORESTGREEN", "BROWN",    "TURQUOISE", "RED",    "DARKGREY",
    "GREY",      "TAN",         "ORANGE",   "GREEN",     "DUSK",   "PEACH"};

// Colour of a name of the table, compared without regard to ASCII case and
// without trimming; any other text gives maroon (0x562C87).
COLORREF ColorFromName(std::string_view name) noexcept;

// Two characters as a hexadecimal byte. '0'-'9', 'a'-'f', 'A'-'F' are digits;
// any other byte counts with its own code. (v1 * 16 + v2) mod 256.
std::uint8_t HexByte(char c1, char c2) noexcept;

// Non-empty colour text to a colour: "#" notation when the text starts with
// '#' (all leading '#' dropped, missing digits count as code 0, anything past
// six characters ignored), otherwise ColorFromName.
COLORREF ParseColor(std::string_view text) noexcept;

}  // namespace tessaloom
