#include "image/png_codec.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace tessaloom {
namespace {

// Chart pictures are large flat areas in a handful of colours (the 500 x 350
// bar chart has 14), with thin lines and text. Measured on that chart, in
// one process beside libjpeg-turbo at quality 75 (about 495 us, 31 KB):
//   RGB, zlib level 1 or 3, no filter        1300 us   12 KB / 10 KB
//   8-bit palette, level 1, no filter         800 us    5 KB
//   4-bit palette packed here, level 2        430 to 480 us, 3 KB
// The palette is found first, then each row is turned into indices in one
// row buffer and written. Both passes skip what the row above already had: a
// whole row equal to it, or eight pixels equal to those above it (their
// indices are still in the buffer); runs of eight pixels of one colour are
// passed over at once too. The adaptive filters and higher levels cost more
// than they save on these pictures, and RLE matching finds little. An 8 KB
// window and memory level 6 keep zlib's state (about 80 KB) below the size
// at which the C library maps fresh pages for every image: with the default
// 256 KB, the page faults made the whole draw slower than the JPEG's. A canvas
// of more than 256 colours is written as RGB, libpng reading its B, G, R, 0
// rows in place. libspng gives the same bytes through the same zlib at the
// same speed; libpng was kept because it reads BGRX rows as they are.
constexpr int kCompressionLevel = 2;
constexpr int kFilters = PNG_FILTER_NONE;
constexpr int kWindowBits = 13;
constexpr int kMemLevel = 6;

// Colours of the canvas in the order first met: an open-addressed table of
// 4096 slots (key 0 is a free slot, so keys are pixel + 1) for at most 256.
class Palette {
 public:
  static constexpr int kMaxColors = 256;
  // The index of `pixel`, added when new; -1 once the palette is full.
  int IndexOf(std::uint32_t pixel) noexcept {
    for (std::uint32_t slot = (pixel * 0x9E3779B1u) >> 20;; slot = (slot + 1) & (kSlots - 1)) {
      if (keys_[slot] == pixel + 1) return indices_[slot];
      if (keys_[slot] == 0) {
        if (count_ == kMaxColors) return -1;
        keys_[slot] = pixel + 1;
        indices_[slot] = static_cast<std::uint8_t>(count_);
        colors_[count_] = pixel;
        return count_++;
      }
    }
  }
  [[nodiscard]] int Count() const noexcept { return count_; }
  [[nodiscard]] std::uint32_t Color(int i) const noexcept { return colors_[i]; }

 private:
  static constexpr std::uint32_t kSlots = 4096;
  std::uint32_t keys_[kSlots] = {};
  std::uint8_t indices_[kSlots] = {};
  std::uint32_t colors_[kMaxColors] = {};
  int count_ = 0;
};

// Whether the eight pixels at `p` are all `pixel` (the loop vectorises).
bool EightAre(const std::uint32_t* p, std::uint32_t pixel) noexcept {
  std::uint32_t differ = 0;
  for (int k = 0; k < 8; ++k) differ |= p[k] ^ pixel;
  return differ == 0;
}

// Whether the eight pixels at `p` equal those at `q`.
bool EightSame(const std::uint32_t* p, const std::uint32_t* q) noexcept {
  std::uint32_t differ = 0;
  for (int k = 0; k < 8; ++k) differ |= p[k] ^ q[k];
  return differ == 0;
}

bool SameAsRowAbove(const Canvas& canvas, std::int32_t y) noexcept {
  if (y == 0) return false;
  const std::span<const std::uint32_t> row = canvas.Row(y);
  return std::memcmp(row.data(), canvas.Row(y - 1).data(), row.size_bytes()) == 0;
}

// Fills `palette` with the canvas's colours and `repeats[y]` with whether
// row y equals the row above; false when there are more than 256 colours.
// Eight pixels equal to those above, or all of the last colour, bring none.
bool FindPalette(const Canvas& canvas, Palette& palette, std::uint8_t* repeats) noexcept {
  const std::int32_t width = canvas.Width();
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    repeats[y] = SameAsRowAbove(canvas, y) ? 1 : 0;
    if (repeats[y] != 0) continue;
    const std::uint32_t* row = canvas.Row(y).data();
    const std::uint32_t* above = y > 0 ? canvas.Row(y - 1).data() : nullptr;
    std::uint32_t last = row[0];
    if (palette.IndexOf(last) < 0) return false;
    for (std::int32_t x = 0; x < width;) {
      if ((x & 7) == 0 && x + 8 <= width) {
        if (above != nullptr && EightSame(row + x, above + x)) {
          x += 8;
          last = row[x - 1];
          continue;
        }
        if (EightAre(row + x, last)) {
          x += 8;
          continue;
        }
      }
      const std::uint32_t pixel = row[x++];
      if (pixel == last) continue;
      last = pixel;
      if (palette.IndexOf(pixel) < 0) return false;
    }
  }
  return true;
}

// Row y as palette indices, packed two to a byte (high nibble first) at 4
// bits per pixel, into `out`, which holds (width + 1) / 2 or width bytes and,
// for y > 0, row y - 1's indices: eight pixels equal to those above keep
// theirs.
void IndexRow(const Canvas& canvas, std::int32_t y, Palette& palette, int bits,
              std::uint8_t* out) noexcept {
  const std::int32_t width = canvas.Width();
  const std::uint32_t* row = canvas.Row(y).data();
  const std::uint32_t* above = y > 0 ? canvas.Row(y - 1).data() : nullptr;
  std::uint32_t last = row[0];
  auto index = static_cast<std::uint8_t>(palette.IndexOf(last));
  for (std::int32_t x = 0; x < width;) {
    if ((x & 7) == 0 && x + 8 <= width) {
      if (above != nullptr && EightSame(row + x, above + x)) {
        x += 8;
        last = row[x - 1];
        index = bits == 8 ? out[x - 1] : static_cast<std::uint8_t>(out[(x - 1) / 2] & 0x0F);
        continue;
      }
      if (EightAre(row + x, last)) {
        if (bits == 8) {
          std::memset(out + x, index, 8);
        } else {
          std::memset(out + x / 2, index * 0x11, 4);
        }
        x += 8;
        continue;
      }
    }
    if (row[x] != last) last = row[x], index = static_cast<std::uint8_t>(palette.IndexOf(last));
    if (bits == 8) {
      out[x] = index;
    } else if ((x & 1) == 0) {
      out[x / 2] = static_cast<std::uint8_t>(index << 4);
    } else {
      out[x / 2] = static_cast<std::uint8_t>(out[x / 2] | index);
    }
    ++x;
  }
}

// libpng's error messages are short; longer ones are cut.
constexpr std::size_t kMessageSize = 200;

struct Context {
  WritableFile* file = nullptr;         // encoding
  std::span<const std::uint8_t> input;  // decoding
  std::size_t position = 0;             // decoding
  std::string* writeError = nullptr;    // the file's reason for a failed write
  bool writeFailed = false;
  char message[kMessageSize] = {};
};

void CopyMessage(Context& context, const char* text) {
  std::strncpy(context.message, text != nullptr ? text : "PNG error", kMessageSize - 1);
  context.message[kMessageSize - 1] = '\0';
}

[[noreturn]] void OnError(png_structp png, png_const_charp text) {
  CopyMessage(*static_cast<Context*>(png_get_error_ptr(png)), text);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void Write(png_structp png, png_bytep data, png_size_t size) {
  auto& context = *static_cast<Context*>(png_get_io_ptr(png));
  if (!context.file->Append(std::span<const std::uint8_t>(data, size), *context.writeError)) {
    context.writeFailed = true;
    png_error(png, "write failed");
  }
}

void Flush(png_structp) {}

void Read(png_structp png, png_bytep data, png_size_t size) {
  auto& context = *static_cast<Context*>(png_get_io_ptr(png));
  if (context.input.size() - context.position < size) png_error(png, "PNG file is cut short");
  std::memcpy(data, context.input.data() + context.position, size);
  context.position += size;
}

// The encoder's only setjmp. Every frame libpng's error jumps out of is
// libpng's or a callback above; none of them, nor this one, has a local that
// needs destroying. With `palette` (null: RGB) rows go through `row`, and
// `repeats` says which rows equal the one above.
bool Compress(png_structp png, png_infop info, const Canvas* canvas, Palette* palette,
              std::uint8_t* row, const std::uint8_t* repeats) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  const int bits = palette == nullptr || palette->Count() > 16 ? 8 : 4;
  const bool transparency = canvas->HasTransparency();
  const int rgbType = transparency ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
  png_set_IHDR(png, info, static_cast<png_uint_32>(canvas->Width()),
               static_cast<png_uint_32>(canvas->Height()), bits,
               palette != nullptr ? PNG_COLOR_TYPE_PALETTE : rgbType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (palette != nullptr) {
    png_color colors[Palette::kMaxColors];
    png_byte alphas[Palette::kMaxColors];
    for (int i = 0; i < palette->Count(); ++i) {
      const std::uint32_t c = palette->Color(i);  // B, G, R, transparency in memory
      colors[i] = {static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                   static_cast<png_byte>(c)};
      alphas[i] = static_cast<png_byte>(255 - (c >> 24));
    }
    png_set_PLTE(png, info, colors, palette->Count());
    if (transparency) png_set_tRNS(png, info, alphas, palette->Count(), nullptr);
  }
  png_set_compression_level(png, kCompressionLevel);
  png_set_compression_window_bits(png, kWindowBits);
  png_set_compression_mem_level(png, kMemLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, kFilters);
  png_write_info(png, info);
  if (palette != nullptr) {
    for (std::int32_t y = 0; y < canvas->Height(); ++y) {
      // A row like the one above leaves the same indices in `row`.
      if (repeats[y] == 0) IndexRow(*canvas, y, *palette, bits, row);
      png_write_row(png, row);
    }
  } else {
    // The canvas's pixels are B, G, R, 0: libpng swaps to R, G, B and drops
    // the fourth byte as it reads each row, which it only reads; a canvas
    // with transparency keeps it, turned into alpha.
    png_set_bgr(png);
    if (transparency) {
      png_set_invert_alpha(png);
    } else {
      png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    for (std::int32_t y = 0; y < canvas->Height(); ++y) {
      png_write_row(png, reinterpret_cast<png_const_bytep>(canvas->Row(y).data()));
    }
  }
  png_write_end(png, info);
  return true;
}

// The decoder's first setjmp: the header, read before anything in proportion
// to the picture is allocated. Same rule for locals as Compress.
bool ReadHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_user_limits(png, PackedBitmap::kMaxSide, PackedBitmap::kMaxSide);
  png_read_info(png, info);
  *width = png_get_image_width(png, info);
  *height = png_get_image_height(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return true;
}

// The decoder's second setjmp: every pass of every row into `image`.
bool ReadRows(png_structp png, png_infop info, PackedBitmap* image, int passes) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  for (int pass = 0; pass < passes; ++pass) {
    for (std::int32_t y = 0; y < image->Height(); ++y) {
      png_read_row(png, image->Row(y).data(), nullptr);
    }
  }
  png_read_end(png, info);
  return true;
}

void SetText(std::string& out, const char* text) noexcept {
  try {
    out = text;
  } catch (...) {
    out.clear();
  }
}

}  // namespace

bool EncodeCanvasPng(const Canvas& canvas, WritableFile& file, std::string& error) noexcept {
  if (canvas.Width() < 1 || canvas.Height() < 1) {
    SetText(error, "Invalid image size");
    return false;
  }
  const std::unique_ptr<Palette> palette(new (std::nothrow) Palette());
  // One row of indices, then one flag per row.
  std::vector<std::uint8_t> row;
  try {
    row.resize(static_cast<std::size_t>(canvas.Width()) + 8 +
               static_cast<std::size_t>(canvas.Height()));
  } catch (...) {
    row.clear();
  }
  std::uint8_t* repeats = row.data() + canvas.Width() + 8;
  Context context;
  context.file = &file;
  context.writeError = &error;
  png_structp png =
      palette != nullptr && !row.empty()
          ? png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning)
          : nullptr;
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    SetText(error, "Not enough memory for the PNG encoder");
    return false;
  }
  png_set_write_fn(png, &context, Write, Flush);
  const bool indexed = FindPalette(canvas, *palette, repeats);
  const bool ok =
      Compress(png, info, &canvas, indexed ? palette.get() : nullptr, row.data(), repeats);
  png_destroy_write_struct(&png, &info);
  // On a write failure the file's own reason is already in `error`.
  if (!ok && !context.writeFailed) SetText(error, context.message);
  return ok;
}

bool DecodePng(std::span<const std::uint8_t> bytes, PackedBitmap& out,
               std::string& error) noexcept {
  Context context;
  context.input = bytes;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    SetText(error, "Not enough memory for the PNG decoder");
    return false;
  }
  png_set_read_fn(png, &context, Read);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  bool ok = ReadHeader(png, info, &width, &height);
  if (!ok) SetText(error, context.message);
  PackedBitmap image;
  if (ok) {
    ok = PackedBitmap::Create(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                              24, image, error);
  }
  if (ok) {
    ok = ReadRows(png, info, &image, png_set_interlace_handling(png));
    if (!ok) SetText(error, context.message);
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (ok) out = std::move(image);
  return ok;
}

}  // namespace tessaloom
