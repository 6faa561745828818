// PNG through libpng: a canvas encoded straight from its rows (libpng drops
// the unused fourth byte and swaps blue and red as it reads each row), and a
// PNG file's bytes decoded for checks. libpng's errors come back as results
// carrying its message; its long jump never leaves a frame that owns
// anything. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "draw/canvas.h"
#include "image/bitmap_file.h"
#include "platform/file_system.h"

namespace tessaloom {

// Encodes `canvas` as an 8-bit RGB, non-interlaced PNG appended to `file`
// (not committed), with the compression settings chosen for charts (see
// png_codec.cpp). False with libpng's message, or the file's on a write
// failure, in `error`.
[[nodiscard]] bool EncodeCanvasPng(const Canvas& canvas, WritableFile& file,
                                   std::string& error) noexcept;

// Decodes the PNG held in `bytes` into a 24-bit packed bitmap (grey, palette,
// 16-bit and alpha images reduced to 8-bit RGB, alpha dropped). Fails with
// libpng's message, or when the picture exceeds PackedBitmap's bounds; `out`
// is then unchanged.
[[nodiscard]] bool DecodePng(std::span<const std::uint8_t> bytes, PackedBitmap& out,
                             std::string& error) noexcept;

}  // namespace tessaloom
