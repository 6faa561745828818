// Packed bitmaps (a device-independent bitmap in one block: info header,
// colour table, pixel rows bottom-up) and BMP files made of them: the block
// built from a canvas, the file writer and a bounded reader. A PackedBitmap
// owns its block and is used by one thread at a time; the functions are pure.
//
// Info header, the first 40 bytes of the block (all fields little-endian):
//   offset size field
//    0     4    header size: 40
//    4     4    width in pixels
//    8     4    height in pixels, positive: rows are stored bottom-up
//   12     2    planes: 1
//   14     2    bits per pixel: 8, 16, 24 or 32
//   16     4    compression: 0 (uncompressed)
//   20     4    image size: stride x height
//   24     4    horizontal resolution, pixels per metre
//   28     4    vertical resolution, pixels per metre
//   32     4    colours used: 0
//   36     4    important colours: 0
// Then the colour table, 256 entries of B, G, R, 0 at 8 bits per pixel and
// none otherwise, then the rows, each stride = ((width x bpp + 31) & ~31) / 8
// bytes. Pixels: 8 bpp a table index; 16 bpp a 16-bit word 0RRRRRGGGGGBBBBB;
// 24 bpp B, G, R; 32 bpp B, G, R, 0.
//
// BMP file: this 14-byte file header, then the block unchanged.
//    0     2    type: 0x4D42, the letters "BM"
//    2     4    file size: 14 + block size
//    6     2    reserved: 0
//    8     2    reserved: 0
//   10     4    pixel data offset: 14 + 40 + 4 x colour-table entries
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "draw/canvas.h"
#include "platform/file_system.h"

namespace tessaloom {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::size_t kBitmapInfoHeaderSize = 40;

class PackedBitmap {
 public:
  // Bounds on what is allocated, whatever a file claims: 65535 pixels a side
  // (JPEG's own limit is 65500) and 64 Mi pixels, the canvas's bound, which
  // keeps a block at or below 256 MiB.
  static constexpr std::int32_t kMaxSide = 65535;
  static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

  PackedBitmap() = default;  // no block: width and height 0

  // A zeroed width x height block at `bitsPerPixel` (8, 16, 24 or 32) with
  // its header filled and resolution 0. Fails, leaving `out` as it was and the
  // reason in `error`, for another depth, a side below 1 or past kMaxSide,
  // more than kMaxPixels, or no memory.
  [[nodiscard]] static bool Create(std::int32_t width, std::int32_t height, int bitsPerPixel,
                                   PackedBitmap& out, std::string& error) noexcept;

  [[nodiscard]] std::int32_t Width() const noexcept { return width_; }
  [[nodiscard]] std::int32_t Height() const noexcept { return height_; }
  [[nodiscard]] int BitsPerPixel() const noexcept { return bitsPerPixel_; }
  [[nodiscard]] std::size_t Stride() const noexcept { return stride_; }
  [[nodiscard]] std::size_t ColorTableEntries() const noexcept;

  // The whole block: header, colour table, rows.
  [[nodiscard]] std::span<const std::uint8_t> Block() const noexcept { return block_; }

  // Row y of the picture counted from the top, `stride` bytes; it is stored
  // as row height - 1 - y of the block. Empty for y outside the picture.
  [[nodiscard]] std::span<std::uint8_t> Row(std::int32_t y) noexcept;
  [[nodiscard]] std::span<const std::uint8_t> Row(std::int32_t y) const noexcept;

  // The colour table, 4 bytes (B, G, R, 0) per entry; empty below 8 bpp.
  [[nodiscard]] std::span<std::uint8_t> ColorTable() noexcept;
  [[nodiscard]] std::span<const std::uint8_t> ColorTable() const noexcept;

  // Resolution in pixels per metre, as stored in the header.
  [[nodiscard]] std::int32_t XPixelsPerMetre() const noexcept;
  [[nodiscard]] std::int32_t YPixelsPerMetre() const noexcept;
  void SetResolution(std::int32_t xPerMetre, std::int32_t yPerMetre) noexcept;

 private:
  [[nodiscard]] std::size_t PixelOffset() const noexcept;

  std::vector<std::uint8_t> block_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  int bitsPerPixel_ = 0;
  std::size_t stride_ = 0;
};

// The packed bitmap of `canvas`: 32 bits per pixel, the canvas's rows stored
// bottom-up, resolution 0. Fails for a canvas without pixels (0 x 0) or when
// memory runs out; `out` is then unchanged.
[[nodiscard]] bool DDBToDIB(const Canvas& canvas, PackedBitmap& out) noexcept;

// The 14-byte file header that precedes `bitmap`'s block in a BMP file.
[[nodiscard]] std::array<std::uint8_t, kBmpFileHeaderSize> BmpFileHeader(
    const PackedBitmap& bitmap) noexcept;

// Appends the BMP file of `bitmap` (file header, then the block) to `file`.
// On a write failure returns false with the reason in `error`. Does not commit.
[[nodiscard]] bool WriteBmpFile(const PackedBitmap& bitmap, WritableFile& file,
                                std::string& error) noexcept;

// The BMP file of `canvas` (the bytes WriteBmpFile writes for
// DDBToDIB(canvas)) appended straight from the canvas's rows, without
// building the block. On failure returns false with the reason in `error`.
[[nodiscard]] bool WriteCanvasBmp(const Canvas& canvas, WritableFile& file,
                                  std::string& error) noexcept;

// Decodes the BMP file held in `bytes`: uncompressed, 8 bits per pixel with a
// colour table, 16 (5-5-5), 24 or 32 (the fourth byte ignored); rows
// bottom-up, or top-down for a negative height; an info header of 40 bytes or
// one of its longer later versions. The result has 8 bits per pixel and a
// 256-entry table (entries the file lacks are black) for 8-bit files, 24
// otherwise, and the file's resolution. Anything else fails with a reason in
// `error` and `out` unchanged. Never reads outside `bytes`; allocates only
// within PackedBitmap's bounds and only after the pixel data is known to be
// in `bytes`.
[[nodiscard]] bool ReadBmp(std::span<const std::uint8_t> bytes, PackedBitmap& out,
                           std::string& error) noexcept;

}  // namespace tessaloom
