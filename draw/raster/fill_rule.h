// Which pixels inside a polygon's outline are its interior where edges
// cross or wind round more than once: kAlternate (odd-even) fills where a
// ray from the pixel crosses an odd number of edges, kWinding where the
// edges' winding number is not zero (the device's ALTERNATE and WINDING
// modes). The scan filler applies it; the shape functions choose it.
#pragma once

#include <cstdint>

namespace tessaloom::raster {

enum class FillRule : std::uint8_t { kAlternate, kWinding };

}  // namespace tessaloom::raster
