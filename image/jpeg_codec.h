// JPEG through libjpeg's 6b interface: a packed bitmap encoded into a file,
// and a JPEG file's bytes decoded into a packed bitmap. libjpeg's errors come
// back as results carrying its message; its long jump never leaves a frame
// that owns anything. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "draw/canvas.h"
#include "image/bitmap_file.h"
#include "platform/file_system.h"

namespace tessaloom {

// Baseline quality for every JPEG written.
inline constexpr int kJpegQuality = 75;

// Bytes handed to the file at a time while encoding: a chart's JPEG goes out
// in one write.
inline constexpr std::size_t kJpegBufferSize = 65536;

// A resolution in pixels per metre as whole dots per inch for the JFIF
// header: x * 254 / 10000 + 0.5, truncated, kept within 0..65535 (0 for the
// charts, whose bitmaps carry no resolution; 2835 gives 72).
[[nodiscard]] std::uint16_t DotsPerInch(std::int32_t pixelsPerMetre) noexcept;

// Encodes `image` from its top row down and appends the JPEG to `file`
// through a kJpegBufferSize buffer: baseline quality kJpegQuality, JFIF
// density unit 1 (dots per inch) with the image's resolution. 24- and 32-bit
// images give 3 components in RGB order; an 8-bit image whose table is all
// grey gives 1 grey component, any other 8-bit image fails with "JPEG can save
// only RGB or GreyScale images". Other failures return false with libjpeg's
// message, or the file's on a write failure. Does not commit `file`.
[[nodiscard]] bool EncodeJpeg(const PackedBitmap& image, WritableFile& file,
                              std::string& error) noexcept;

// The same encoding straight from a canvas's rows (resolution 0 x 0): the
// pixels a BMP of the canvas would hold, without building that bitmap, at
// `quality` (kept within 1 to 100).
[[nodiscard]] bool EncodeCanvasJpeg(const Canvas& canvas, WritableFile& file, std::string& error,
                                    int quality = kJpegQuality) noexcept;

// Decodes the JPEG held in `bytes` into a 24-bit packed bitmap, with the JFIF
// density as pixels per metre (0 when the file states none). A file cut short
// decodes with its missing part filled in, as libjpeg does. Fails with
// libjpeg's message, or when the picture exceeds PackedBitmap's bounds (known
// from the header, before anything large is allocated); `out` is then unchanged.
[[nodiscard]] bool DecodeJpeg(std::span<const std::uint8_t> bytes, PackedBitmap& out,
                              std::string& error) noexcept;

}  // namespace tessaloom
