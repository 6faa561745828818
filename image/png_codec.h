// PNG through libpng: a canvas encoded straight from its rows (as palette
// indices one row at a time when it has at most 256 colours, else as RGB with
// libpng dropping the unused fourth byte and swapping blue and red as it
// reads each row), and a PNG file's bytes decoded for checks. libpng's errors come back as results
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

// Encodes `canvas` as a non-interlaced PNG appended to `file` (not
// committed): a 4-bit palette for up to 16 colours, an 8-bit one for up to
// 256, else 8-bit RGB, with the compression settings chosen for charts (see
// png_codec.cpp). The decoded pixels equal the canvas's exactly. False with libpng's message, or
// the file's on a write failure, in `error`.
[[nodiscard]] bool EncodeCanvasPng(const Canvas& canvas, WritableFile& file,
                                   std::string& error) noexcept;

// Decodes the PNG held in `bytes` into a 24-bit packed bitmap (grey, palette,
// 16-bit and alpha images reduced to 8-bit RGB, alpha dropped). Fails with
// libpng's message, or when the picture exceeds PackedBitmap's bounds; `out`
// is then unchanged.
[[nodiscard]] bool DecodePng(std::span<const std::uint8_t> bytes, PackedBitmap& out,
                             std::string& error) noexcept;

}  // namespace tessaloom
