#include "image/png_codec.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstring>
#include <utility>

namespace tessaloom {
namespace {

// Chart pictures are large flat areas with thin lines and text. Measured on
// the 500 x 350 bar chart: zlib level 3 without row filters gives about 10 KB
// in a fraction of the time the higher levels and the adaptive filters take,
// for a few KB more; RLE matching finds little in 3-byte pixels and triples
// the size. (libspng gives the same bytes at the same speed through the same
// zlib, but needs the rows converted by us; libpng reads the canvas's rows as
// they are.)
constexpr int kCompressionLevel = 3;
constexpr int kFilters = PNG_FILTER_NONE;

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
// needs destroying.
bool Compress(png_structp png, png_infop info, const Canvas* canvas) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(canvas->width()),
               static_cast<png_uint_32>(canvas->height()), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, kCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, kFilters);
  png_write_info(png, info);
  // The canvas's pixels are B, G, R, 0: libpng swaps to R, G, B and drops the
  // fourth byte as it reads each row.
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (std::int32_t y = 0; y < canvas->height(); ++y) {
    // libpng only reads its input rows.
    png_write_row(png, reinterpret_cast<png_const_bytep>(canvas->Row(y).data()));
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
    for (std::int32_t y = 0; y < image->height(); ++y) {
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
  if (canvas.width() < 1 || canvas.height() < 1) {
    SetText(error, "Invalid image size");
    return false;
  }
  Context context;
  context.file = &file;
  context.writeError = &error;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, OnError, OnWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    SetText(error, "Not enough memory for the PNG encoder");
    return false;
  }
  png_set_write_fn(png, &context, Write, Flush);
  const bool ok = Compress(png, info, &canvas);
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
