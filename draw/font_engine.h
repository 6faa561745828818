// Fonts for the raster surface: the chart font ("Times New Roman" bold,
// realised by a metric-compatible face found through fontconfig, with
// fallback faces for the characters it lacks) and the canvas's initial
// "System" font. Faces are loaded once per process (retried
// after a failure) and rendered glyphs cached; every function may be called from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "draw/canvas.h"
#include "draw/drawing_surface.h"

namespace tessaloom {

// Opens the faces that an earlier attempt could not open (for instance when
// the process had no file descriptor left). False while text cannot be drawn.
bool EnsureFontsLoaded() noexcept;

// Metrics of `font` as the engine reads them; equal to StandardTextMetrics.
TextMetrics FontMetrics(const Font& font) noexcept;

// Width of `text` (UTF-8) in `font`: the sum of its advances, saturated.
std::int64_t TextWidth(const Font& font, std::string_view text) noexcept;

// The characters of `text` (UTF-8; ill-formed bytes read as U+FFFD) that
// the chart font draws as the missing-glyph box because no installed face
// has them, each once, in order of first appearance. Throws only
// std::bad_alloc.
std::u32string MissingCharacters(std::string_view text);

// Draws `text` opaque: first the cell of the background colour, then the
// glyphs in the text colour (bilevel), each advancing by its own width (a
// fallback face's glyph by that face's). Escapement 0: the cell is
// [x, x+W) x [y, y+height). Escapement 900: the text runs upward and the
// cell is [x, x+height) x [y-W, y).
void DrawText(Canvas& canvas, std::int32_t x, std::int32_t y, std::string_view text,
              const Font& font, COLORREF textColor, COLORREF backgroundColor) noexcept;

}  // namespace tessaloom
