#include "image/bitmap_file.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace tessaloom {
namespace {

// Little-endian fields at byte offsets; the caller has checked the bounds.
void PutU16(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) noexcept {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) noexcept {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU16(std::span<const std::uint8_t> bytes, std::size_t at) noexcept {
  return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t GetU32(std::span<const std::uint8_t> bytes, std::size_t at) noexcept {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{bytes[at + i]} << (8 * i);
  return value;
}

std::int32_t GetI32(std::span<const std::uint8_t> bytes, std::size_t at) noexcept {
  // Two's complement by value, so no implementation-defined narrowing.
  const std::uint32_t bits = GetU32(bytes, at);
  if (bits <= 0x7FFFFFFFu) return static_cast<std::int32_t>(bits);
  return static_cast<std::int32_t>(bits - 0x80000000u) + std::numeric_limits<std::int32_t>::min();
}

std::uint32_t ToU32(std::int32_t value) noexcept {
  return value >= 0 ? static_cast<std::uint32_t>(value)
                    : static_cast<std::uint32_t>(value - std::numeric_limits<std::int32_t>::min()) +
                          0x80000000u;
}

// Offsets of the info-header fields within the block.
constexpr std::size_t kHeaderSizeAt = 0;
constexpr std::size_t kWidthAt = 4;
constexpr std::size_t kHeightAt = 8;
constexpr std::size_t kPlanesAt = 12;
constexpr std::size_t kBitsAt = 14;
constexpr std::size_t kCompressionAt = 16;
constexpr std::size_t kImageSizeAt = 20;
constexpr std::size_t kXResolutionAt = 24;
constexpr std::size_t kYResolutionAt = 28;
constexpr std::size_t kColorsUsedAt = 32;

std::size_t TableEntriesFor(int bitsPerPixel) noexcept { return bitsPerPixel == 8 ? 256 : 0; }

}  // namespace

bool PackedBitmap::Create(std::int32_t width, std::int32_t height, int bitsPerPixel,
                          PackedBitmap& out, std::string& error) noexcept {
  try {
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) {
      error = "Unsupported bits per pixel " + std::to_string(bitsPerPixel);
      return false;
    }
    if (width < 1 || height < 1) {
      error = "Invalid image size " + std::to_string(width) + " x " + std::to_string(height);
      return false;
    }
    if (width > kMaxSide || height > kMaxSide || std::int64_t{width} * height > kMaxPixels) {
      error = "Image size " + std::to_string(width) + " x " + std::to_string(height) +
              " is larger than the largest supported image";
      return false;
    }
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t bits = static_cast<std::size_t>(bitsPerPixel);
    // Whole 32-bit words per row: the bound keeps this below 2^20.
    const std::size_t stride = (w * bits + 31) / 32 * 4;
    const std::size_t tableBytes = 4 * TableEntriesFor(bitsPerPixel);
    PackedBitmap bitmap;
    bitmap.block_.assign(kBitmapInfoHeaderSize + tableBytes + stride * h, 0);
    bitmap.width_ = width;
    bitmap.height_ = height;
    bitmap.bitsPerPixel_ = bitsPerPixel;
    bitmap.stride_ = stride;
    const std::span<std::uint8_t> header(bitmap.block_);
    PutU32(header, kHeaderSizeAt, kBitmapInfoHeaderSize);
    PutU32(header, kWidthAt, static_cast<std::uint32_t>(width));
    PutU32(header, kHeightAt, static_cast<std::uint32_t>(height));
    PutU16(header, kPlanesAt, 1);
    PutU16(header, kBitsAt, static_cast<std::uint32_t>(bitsPerPixel));
    PutU32(header, kCompressionAt, 0);
    PutU32(header, kImageSizeAt, static_cast<std::uint32_t>(stride * h));
    out = std::move(bitmap);
    return true;
  } catch (...) {
    AssignOrClear(error, "Not enough memory for the image");
    return false;
  }
}

std::size_t PackedBitmap::ColorTableEntries() const noexcept {
  return TableEntriesFor(bitsPerPixel_);
}

std::size_t PackedBitmap::PixelOffset() const noexcept {
  return kBitmapInfoHeaderSize + 4 * ColorTableEntries();
}

std::span<std::uint8_t> PackedBitmap::Row(std::int32_t y) noexcept {
  if (y < 0 || y >= height_) return {};
  const std::size_t stored = static_cast<std::size_t>(height_ - 1 - y);
  return std::span<std::uint8_t>(block_).subspan(PixelOffset() + stored * stride_, stride_);
}

std::span<const std::uint8_t> PackedBitmap::Row(std::int32_t y) const noexcept {
  if (y < 0 || y >= height_) return {};
  const std::size_t stored = static_cast<std::size_t>(height_ - 1 - y);
  return std::span<const std::uint8_t>(block_).subspan(PixelOffset() + stored * stride_, stride_);
}

std::span<std::uint8_t> PackedBitmap::ColorTable() noexcept {
  if (block_.empty()) return {};
  return std::span<std::uint8_t>(block_).subspan(kBitmapInfoHeaderSize, 4 * ColorTableEntries());
}

std::span<const std::uint8_t> PackedBitmap::ColorTable() const noexcept {
  if (block_.empty()) return {};
  return std::span<const std::uint8_t>(block_).subspan(kBitmapInfoHeaderSize,
                                                       4 * ColorTableEntries());
}

std::int32_t PackedBitmap::XPixelsPerMetre() const noexcept {
  return block_.empty() ? 0 : GetI32(block_, kXResolutionAt);
}

std::int32_t PackedBitmap::YPixelsPerMetre() const noexcept {
  return block_.empty() ? 0 : GetI32(block_, kYResolutionAt);
}

void PackedBitmap::SetResolution(std::int32_t xPerMetre, std::int32_t yPerMetre) noexcept {
  if (block_.empty()) return;
  PutU32(block_, kXResolutionAt, ToU32(xPerMetre));
  PutU32(block_, kYResolutionAt, ToU32(yPerMetre));
}

bool DDBToDIB(const Canvas& canvas, PackedBitmap& out) noexcept {
  std::string unused;
  PackedBitmap bitmap;
  if (!PackedBitmap::Create(canvas.Width(), canvas.Height(), Canvas::kBitsPerPixel, bitmap,
                            unused)) {
    return false;
  }
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    const std::span<const std::uint32_t> source = canvas.Row(y);
    const std::span<std::uint8_t> target = bitmap.Row(y);
    for (std::size_t x = 0; x < source.size(); ++x) {
      const std::uint32_t pixel = source[x];  // 0x00RRGGBB
      target[4 * x] = static_cast<std::uint8_t>(pixel);
      target[4 * x + 1] = static_cast<std::uint8_t>(pixel >> 8);
      target[4 * x + 2] = static_cast<std::uint8_t>(pixel >> 16);
      target[4 * x + 3] = 0;
    }
  }
  out = std::move(bitmap);
  return true;
}

std::array<std::uint8_t, kBmpFileHeaderSize> BmpFileHeader(const PackedBitmap& bitmap) noexcept {
  std::array<std::uint8_t, kBmpFileHeaderSize> header{};
  // The block is at most a few hundred MiB (PackedBitmap's bounds), so the
  // sizes fit their 32-bit fields.
  PutU16(header, 0, 0x4D42);
  PutU32(header, 2, static_cast<std::uint32_t>(kBmpFileHeaderSize + bitmap.Block().size()));
  PutU32(header, 10,
         static_cast<std::uint32_t>(kBmpFileHeaderSize + kBitmapInfoHeaderSize +
                                    4 * bitmap.ColorTableEntries()));
  return header;
}

bool WriteBmpFile(const PackedBitmap& bitmap, WritableFile& file, std::string& error) noexcept {
  const std::array<std::uint8_t, kBmpFileHeaderSize> header = BmpFileHeader(bitmap);
  return file.Append(header, error) && file.Append(bitmap.Block(), error);
}

bool WriteCanvasBmp(const Canvas& canvas, WritableFile& file, std::string& error) noexcept {
  static_assert(std::endian::native == std::endian::little,
                "canvas pixels are written as they lie in memory");
  const std::int32_t width = canvas.Width();
  const std::int32_t height = canvas.Height();
  if (width < 1 || height < 1) {
    AssignOrClear(error, "Invalid image size");
    return false;
  }
  // 32 bits per pixel: a row is exactly the canvas row, no padding; the
  // canvas's bounds keep every size within its 32-bit field.
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  const std::size_t imageSize = stride * static_cast<std::size_t>(height);
  std::array<std::uint8_t, kBmpFileHeaderSize + kBitmapInfoHeaderSize> header{};
  const std::span<std::uint8_t> fileHeader(header.data(), kBmpFileHeaderSize);
  const std::span<std::uint8_t> info(header.data() + kBmpFileHeaderSize, kBitmapInfoHeaderSize);
  PutU16(fileHeader, 0, 0x4D42);
  PutU32(fileHeader, 2, static_cast<std::uint32_t>(header.size() + imageSize));
  PutU32(fileHeader, 10, static_cast<std::uint32_t>(header.size()));
  PutU32(info, kHeaderSizeAt, kBitmapInfoHeaderSize);
  PutU32(info, kWidthAt, static_cast<std::uint32_t>(width));
  PutU32(info, kHeightAt, static_cast<std::uint32_t>(height));
  PutU16(info, kPlanesAt, 1);
  PutU16(info, kBitsAt, Canvas::kBitsPerPixel);
  PutU32(info, kCompressionAt, 0);
  PutU32(info, kImageSizeAt, static_cast<std::uint32_t>(imageSize));
  if (!file.Append(header, error)) return false;
  // Rows bottom-up, handed over in chunks of about 64 KiB.
  constexpr std::size_t kChunkBytes = std::size_t{1} << 16;
  std::vector<std::uint8_t> chunk;
  try {
    chunk.reserve(std::max(kChunkBytes, stride));
  } catch (...) {
    AssignOrClear(error, "Not enough memory for the image");
    return false;
  }
  for (std::int32_t y = height - 1; y >= 0; --y) {
    const std::span<const std::uint32_t> row = canvas.Row(y);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(row.data());
    if (chunk.size() + stride > chunk.capacity()) {
      if (!file.Append(chunk, error)) return false;
      chunk.clear();
    }
    chunk.insert(chunk.end(), bytes, bytes + stride);
  }
  return file.Append(chunk, error);
}

namespace {

// Offsets in a BMP file: the file header, then the info header.
constexpr std::size_t kFileTypeAt = 0;
constexpr std::size_t kPixelOffsetAt = 10;
constexpr std::size_t kInfoAt = kBmpFileHeaderSize;

bool IsKnownInfoHeaderSize(std::uint32_t size) noexcept {
  // The 40-byte header and its longer versions (52, 56, 108, 124; 64 for
  // OS/2 2.x) all begin with the same 40 bytes.
  return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

// Converts one stored row of the file to the result's row.
void ConvertRow(std::span<const std::uint8_t> in, int bits, std::span<std::uint8_t> out,
                std::size_t width) noexcept {
  switch (bits) {
    case 8: std::copy_n(in.begin(), width, out.begin()); break;
    case 16:
      for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t word = GetU16(in, 2 * x);
        // 5 bits a channel, moved up to the top of the byte.
        out[3 * x] = static_cast<std::uint8_t>((word & 0x001F) << 3);
        out[3 * x + 1] = static_cast<std::uint8_t>(((word >> 5) & 0x1F) << 3);
        out[3 * x + 2] = static_cast<std::uint8_t>(((word >> 10) & 0x1F) << 3);
      }
      break;
    case 24: std::copy_n(in.begin(), 3 * width, out.begin()); break;
    default:  // 32
      for (std::size_t x = 0; x < width; ++x) {
        out[3 * x] = in[4 * x];
        out[3 * x + 1] = in[4 * x + 1];
        out[3 * x + 2] = in[4 * x + 2];
      }
      break;
  }
}

}  // namespace

bool ReadBmp(std::span<const std::uint8_t> bytes, PackedBitmap& out, std::string& error) noexcept {
  if (bytes.size() < kBmpFileHeaderSize + kBitmapInfoHeaderSize ||
      GetU16(bytes, kFileTypeAt) != 0x4D42) {
    AssignOrClear(error, "Not a BMP file");
    return false;
  }
  const std::uint32_t headerSize = GetU32(bytes, kInfoAt + kHeaderSizeAt);
  if (!IsKnownInfoHeaderSize(headerSize) || kInfoAt + headerSize > bytes.size()) {
    AssignOrClear(error, "Unsupported BMP header");
    return false;
  }
  const std::int32_t width = GetI32(bytes, kInfoAt + kWidthAt);
  const std::int32_t storedHeight = GetI32(bytes, kInfoAt + kHeightAt);
  const std::uint32_t bits = GetU16(bytes, kInfoAt + kBitsAt);
  const std::uint32_t compression = GetU32(bytes, kInfoAt + kCompressionAt);
  if (compression != 0) {
    AssignOrClear(error, "Unsupported BMP compression");
    return false;
  }
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    AssignOrClear(error, "Unsupported BMP bits per pixel");
    return false;
  }
  // A negative height means rows stored top-down; the most negative value has
  // no positive counterpart.
  const bool topDown = storedHeight < 0;
  const std::int64_t height = topDown ? -std::int64_t{storedHeight} : storedHeight;
  if (width < 1 || height < 1 || width > PackedBitmap::kMaxSide ||
      height > PackedBitmap::kMaxSide || std::int64_t{width} * height > PackedBitmap::kMaxPixels) {
    AssignOrClear(error, "Invalid BMP image size");
    return false;
  }

  // Everything below is in 64-bit byte counts: width and height are at most
  // 65535 here, so no product overflows.
  const std::uint64_t stride =
      (std::uint64_t{static_cast<std::uint32_t>(width)} * bits + 31) / 32 * 4;
  const std::uint64_t pixelOffset = GetU32(bytes, kPixelOffsetAt);
  const std::uint64_t pixelBytes = stride * static_cast<std::uint64_t>(height);
  if (pixelOffset < kInfoAt + headerSize) {
    AssignOrClear(error, "Invalid BMP pixel data offset");
    return false;
  }
  if (pixelOffset + pixelBytes > bytes.size()) {
    AssignOrClear(error, "BMP file is truncated");
    return false;
  }
  std::uint64_t tableEntries = 0;
  if (bits == 8) {
    const std::uint32_t used = GetU32(bytes, kInfoAt + kColorsUsedAt);
    tableEntries = used == 0 ? 256 : used;
    if (tableEntries > 256) {
      AssignOrClear(error, "Invalid BMP colour table");
      return false;
    }
    if (kInfoAt + headerSize + 4 * tableEntries > bytes.size()) {
      AssignOrClear(error, "BMP file is truncated");
      return false;
    }
  }

  PackedBitmap image;
  if (!PackedBitmap::Create(width, static_cast<std::int32_t>(height), bits == 8 ? 8 : 24, image,
                            error)) {
    return false;
  }
  const std::span<std::uint8_t> table = image.ColorTable();
  for (std::size_t i = 0; i < tableEntries; ++i) {
    const std::size_t at = kInfoAt + headerSize + 4 * i;
    table[4 * i] = bytes[at];
    table[4 * i + 1] = bytes[at + 1];
    table[4 * i + 2] = bytes[at + 2];
  }
  for (std::int64_t stored = 0; stored < height; ++stored) {
    // Picture row counted from the top.
    const std::int64_t y = topDown ? stored : height - 1 - stored;
    const std::span<const std::uint8_t> in = bytes.subspan(
        static_cast<std::size_t>(pixelOffset + stride * static_cast<std::uint64_t>(stored)),
        static_cast<std::size_t>(stride));
    ConvertRow(in, static_cast<int>(bits), image.Row(static_cast<std::int32_t>(y)),
               static_cast<std::size_t>(width));
  }
  image.SetResolution(GetI32(bytes, kInfoAt + kXResolutionAt),
                      GetI32(bytes, kInfoAt + kYResolutionAt));
  out = std::move(image);
  return true;
}

}  // namespace tessaloom
