// Shaping and bidirectional ordering of chart text for the raster surface's
// font engine: HarfBuzz joins and reorders the letters of complex scripts
// (Arabic, Indic, Thai...) and places their marks; FriBidi orders
// right-to-left runs. Text without such characters never comes here. Any
// thread may call; HarfBuzz fonts are made once per face and kept, buffers
// are per call. A static program's copy of the component has no shaper
// (Debian ships HarfBuzz as a shared library only): there ShapeText always
// fails and the tool hands such text to its full build.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "draw/font_faces.h"

namespace tessaloom {

// True when `text` (UTF-8) has a character that only shaping draws right: one
// of a right-to-left script, of a script whose letters join, combine or
// reorder, a combining mark, or a joining or bidirectional control.
bool NeedsShaping(std::string_view text) noexcept;

// False when this copy of the component has no shaper.
bool ShapingAvailable() noexcept;

// One glyph of laid-out text. Distances are in the glyph's face's units,
// along the baseline and up from it; `nominal` glyphs advance by the face's
// own (hinted) width for the glyph, as unshaped text does.
struct ShapedGlyph {
  FaceId face = kChartFaceId;
  std::uint32_t index = 0;
  bool nominal = true;
  std::int32_t advance = 0;  // when not nominal
  std::int32_t dx = 0;
  std::int32_t dy = 0;
};

// Lays out `text`, whose characters the chart slot draws from `sources`
// (one for each): the paragraph's direction comes from its first strong
// character; runs of one face, one script and one bidi level are shaped
// when they hold a character NeedsShaping names or run right to left (else
// their glyphs are the sources' own), and put in visual order. `out` gets
// the glyphs from left to right. False, with `out` empty, when there is no
// shaper, the text is longer than kMaxShapedText or memory ran out.
inline constexpr std::size_t kMaxShapedText = std::size_t{1} << 20;  // code points
bool ShapeText(std::u32string_view text, std::span<const GlyphSource> sources,
               std::vector<ShapedGlyph>& out) noexcept;

}  // namespace tessaloom
