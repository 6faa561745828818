#include "image/jpeg_codec.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "draw/canvas.h"
#include "platform/text.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace tessaloom {
namespace {

// libjpeg's error manager with a way back: error_exit keeps the formatted
// message and long-jumps to the setjmp of whichever function below is
// running libjpeg at the time.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  ErrorManager* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
  manager->pub.format_message(cinfo, manager->message);
  std::longjmp(manager->jump, 1);
}

// Warnings are not printed: a server has no console to print them on.
void IgnoreMessage(j_common_ptr) {}

void InstallErrorManager(ErrorManager& manager) noexcept {
  jpeg_std_error(&manager.pub);
  manager.pub.error_exit = ErrorExit;
  manager.pub.output_message = IgnoreMessage;
  manager.message[0] = '\0';
}

// Output: a fixed buffer emptied into the file whenever it fills.
struct Destination {
  jpeg_destination_mgr pub;
  WritableFile* file;
  std::string* error;
  bool writeFailed;
  JOCTET* buffer;  // kJpegBufferSize bytes
};

Destination* DestinationOf(j_compress_ptr cinfo) {
  return reinterpret_cast<Destination*>(cinfo->dest);
}

void InitDestination(j_compress_ptr cinfo) {
  Destination* dest = DestinationOf(cinfo);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kJpegBufferSize;
}

// Hands `count` bytes of the buffer to the file; on failure ends the encoding
// through the error exit. Holds nothing that needs destroying when it jumps.
void Flush(j_compress_ptr cinfo, std::size_t count) {
  Destination* dest = DestinationOf(cinfo);
  if (!dest->file->Append(std::span<const std::uint8_t>(dest->buffer, count), *dest->error)) {
    dest->writeFailed = true;
    cinfo->err->msg_code = JERR_FILE_WRITE;
    cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
  }
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  // libjpeg asks for the whole buffer to be written, whatever free_in_buffer says.
  Flush(cinfo, kJpegBufferSize);
  InitDestination(cinfo);
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  Flush(cinfo, kJpegBufferSize - DestinationOf(cinfo)->pub.free_in_buffer);
}

bool IsGreyTable(std::span<const std::uint8_t> table) noexcept {
  for (std::size_t i = 0; i + 3 < table.size(); i += 4) {
    if (table[i] != table[i + 1] || table[i] != table[i + 2]) return false;
  }
  return true;
}

// Picture row y as libjpeg wants it: R, G, B per pixel, or one grey sample
// (the table's level) per pixel for an 8-bit image.
void FillRow(const PackedBitmap& image, std::int32_t y, JSAMPLE* out) noexcept {
  const std::span<const std::uint8_t> row = image.Row(y);
  const std::size_t width = static_cast<std::size_t>(image.Width());
  switch (image.BitsPerPixel()) {
    case 8: {
      const std::span<const std::uint8_t> table = image.ColorTable();
      for (std::size_t x = 0; x < width; ++x) out[x] = table[4 * std::size_t{row[x]}];
      break;
    }
    case 16:
      for (std::size_t x = 0; x < width; ++x) {
        const unsigned word = row[2 * x] | (unsigned{row[2 * x + 1]} << 8);
        out[3 * x] = static_cast<JSAMPLE>(((word >> 10) & 0x1F) << 3);
        out[3 * x + 1] = static_cast<JSAMPLE>(((word >> 5) & 0x1F) << 3);
        out[3 * x + 2] = static_cast<JSAMPLE>((word & 0x1F) << 3);
      }
      break;
    default: {  // 24 or 32: B, G, R first in each pixel
      const std::size_t step = static_cast<std::size_t>(image.BitsPerPixel()) / 8;
      for (std::size_t x = 0; x < width; ++x) {
        out[3 * x] = row[step * x + 2];
        out[3 * x + 1] = row[step * x + 1];
        out[3 * x + 2] = row[step * x];
      }
      break;
    }
  }
}

// Where the encoder takes its rows from: a packed bitmap converted row by
// row into `scratch`, or a canvas whose rows libjpeg reads in place.
struct RowSource {
  const PackedBitmap* bitmap = nullptr;
  const Canvas* canvas = nullptr;
  JSAMPLE* scratch = nullptr;
  int components = 3;
  J_COLOR_SPACE colorSpace = JCS_RGB;
  std::uint16_t xDensity = 0;
  std::uint16_t yDensity = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  int quality = kJpegQuality;
};

JSAMPROW RowAt(const RowSource& source, std::int32_t y) noexcept {
  if (source.canvas != nullptr) {
    // libjpeg only reads its input rows; the canvas's B, G, R, 0 pixels are
    // its extended BGRX layout, so nothing is copied.
    const std::span<const std::uint32_t> row = source.canvas->Row(y);
    return reinterpret_cast<JSAMPROW>(const_cast<std::uint32_t*>(row.data()));
  }
  FillRow(*source.bitmap, y, source.scratch);
  return source.scratch;
}

// The encoder's only setjmp. Every frame a libjpeg error jumps out of is
// libjpeg's or a callback above, and none of them, nor this one, has a local
// that needs destroying.
bool Compress(jpeg_compress_struct* cinfo, ErrorManager* errors, Destination* dest,
              const RowSource* source) {
  if (setjmp(errors->jump) != 0) return false;
  jpeg_create_compress(cinfo);
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  cinfo->dest = &dest->pub;
  cinfo->image_width = static_cast<JDIMENSION>(source->width);
  cinfo->image_height = static_cast<JDIMENSION>(source->height);
  cinfo->input_components = source->components;
  cinfo->in_color_space = source->colorSpace;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, source->quality, TRUE);
  cinfo->density_unit = 1;  // dots per inch
  cinfo->X_density = source->xDensity;
  cinfo->Y_density = source->yDensity;
  jpeg_start_compress(cinfo, TRUE);
  // A canvas hands libjpeg a band of its rows per call, a packed bitmap one
  // converted row at a time (its rows share one scratch buffer).
  constexpr std::int32_t kBand = 16;
  const std::int32_t band = source->canvas != nullptr ? kBand : 1;
  for (std::int32_t y = 0; y < source->height; y += band) {
    JSAMPROW rows[kBand];
    const std::int32_t count = std::min(band, source->height - y);
    for (std::int32_t i = 0; i < count; ++i) rows[i] = RowAt(*source, y + i);
    jpeg_write_scanlines(cinfo, rows, static_cast<JDIMENSION>(count));
  }
  jpeg_finish_compress(cinfo);
  return true;
}

// Runs the encoder over `source` into `file`; libjpeg's or the file's message
// in `error` on failure.
bool EncodeRows(const RowSource& source, WritableFile& file, std::string& error) noexcept;

// Input: the whole file in memory. Past its end libjpeg is fed an end-of-image
// marker with a warning, as its own readers do for a file cut short.
void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
  cinfo->err->msg_code = JWRN_JPEG_EOF;
  cinfo->err->emit_message(reinterpret_cast<j_common_ptr>(cinfo), -1);
  cinfo->src->next_input_byte = kEndOfImage;
  cinfo->src->bytes_in_buffer = 2;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  const std::size_t skip = static_cast<std::size_t>(count);
  if (skip >= src->bytes_in_buffer) {
    src->next_input_byte += src->bytes_in_buffer;
    src->bytes_in_buffer = 0;
  } else {
    src->next_input_byte += skip;
    src->bytes_in_buffer -= skip;
  }
}

void TermSource(j_decompress_ptr) {}

// First of the decoder's two setjmp functions: reads the header so the size is
// known before anything in proportion to it is allocated.
bool ReadHeader(jpeg_decompress_struct* cinfo, ErrorManager* errors, jpeg_source_mgr* src) {
  if (setjmp(errors->jump) != 0) return false;
  jpeg_create_decompress(cinfo);
  cinfo->src = src;
  jpeg_read_header(cinfo, TRUE);
  cinfo->out_color_space = cinfo->num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  return true;
}

// Second: decodes every row into `image` (B, G, R order), through `row`, a
// buffer for one row of samples. Same rule as Compress for locals.
bool ReadRows(jpeg_decompress_struct* cinfo, ErrorManager* errors, PackedBitmap* image,
              JSAMPLE* row) {
  if (setjmp(errors->jump) != 0) return false;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_width != static_cast<JDIMENSION>(image->Width()) ||
      cinfo->output_height != static_cast<JDIMENSION>(image->Height()) ||
      (cinfo->output_components != 1 && cinfo->output_components != 3)) {
    std::snprintf(errors->message, sizeof errors->message, "Unsupported JPEG colour layout");
    return false;
  }
  JSAMPROW rows[1] = {row};
  const std::size_t width = cinfo->output_width;
  const bool grey = cinfo->output_components == 1;
  while (cinfo->output_scanline < cinfo->output_height) {
    const std::int32_t y = static_cast<std::int32_t>(cinfo->output_scanline);
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1) break;  // finish reports the shortfall
    const std::span<std::uint8_t> out = image->Row(y);
    for (std::size_t x = 0; x < width; ++x) {
      const std::size_t at = grey ? x : 3 * x;
      out[3 * x] = row[grey ? at : at + 2];
      out[3 * x + 1] = row[grey ? at : at + 1];
      out[3 * x + 2] = row[at];
    }
  }
  jpeg_finish_decompress(cinfo);
  return true;
}

std::int32_t PixelsPerMetre(int unit, unsigned density) noexcept {
  switch (unit) {
    case 1: return static_cast<std::int32_t>((density * 10000.0) / 254.0 + 0.5);  // per inch
    case 2: return static_cast<std::int32_t>(density * 100);                      // per cm
    default: return 0;  // an aspect ratio only
  }
}

}  // namespace

std::uint16_t DotsPerInch(std::int32_t pixelsPerMetre) noexcept {
  const double dpi = static_cast<double>(pixelsPerMetre) * 254.0 / 10000.0 + 0.5;
  if (!(dpi > 0.0)) return 0;
  if (dpi >= 65535.0) return 65535;
  return static_cast<std::uint16_t>(dpi);
}

bool EncodeJpeg(const PackedBitmap& image, WritableFile& file, std::string& error) noexcept {
  if (image.Width() < 1 || image.Height() < 1) {
    AssignOrClear(error, "Invalid image size");
    return false;
  }
  const bool grey = image.BitsPerPixel() == 8;
  if (grey && !IsGreyTable(image.ColorTable())) {
    AssignOrClear(error, "JPEG can save only RGB or GreyScale images");
    return false;
  }
  std::vector<JSAMPLE> row;
  try {
    row.assign(static_cast<std::size_t>(image.Width()) * 3, 0);
  } catch (...) {
    AssignOrClear(error, "Not enough memory for the image");
    return false;
  }
  RowSource source;
  source.bitmap = &image;
  source.scratch = row.data();
  source.components = grey ? 1 : 3;
  source.colorSpace = grey ? JCS_GRAYSCALE : JCS_RGB;
  source.xDensity = DotsPerInch(image.XPixelsPerMetre());
  source.yDensity = DotsPerInch(image.YPixelsPerMetre());
  source.width = image.Width();
  source.height = image.Height();
  return EncodeRows(source, file, error);
}

bool EncodeCanvasJpeg(const Canvas& canvas, WritableFile& file, std::string& error,
                      int quality) noexcept {
  if (canvas.Width() < 1 || canvas.Height() < 1) {
    AssignOrClear(error, "Invalid image size");
    return false;
  }
  RowSource source;
  source.canvas = &canvas;
  source.quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
  source.components = 4;
  source.colorSpace = JCS_EXT_BGRX;
  source.width = canvas.Width();
  source.height = canvas.Height();
  return EncodeRows(source, file, error);
}

namespace {

bool EncodeRows(const RowSource& source, WritableFile& file, std::string& error) noexcept {
  ErrorManager errors;
  InstallErrorManager(errors);
  jpeg_compress_struct cinfo{};
  cinfo.err = &errors.pub;
  // On the heap: too large for the stack of every thread a host may run.
  const std::unique_ptr<JOCTET[]> buffer(new (std::nothrow) JOCTET[kJpegBufferSize]);
  if (!buffer) {
    AssignOrClear(error, "Not enough memory for the image");
    return false;
  }
  Destination dest{};
  dest.buffer = buffer.get();
  dest.file = &file;
  dest.error = &error;
  dest.writeFailed = false;
  const bool ok = Compress(&cinfo, &errors, &dest, &source);
  jpeg_destroy_compress(&cinfo);
  // On a write failure the file's own reason is already in `error`.
  if (!ok && !dest.writeFailed) AssignOrClear(error, errors.message);
  return ok;
}

}  // namespace

bool DecodeJpeg(std::span<const std::uint8_t> bytes, PackedBitmap& out,
                std::string& error) noexcept {
  ErrorManager errors;
  InstallErrorManager(errors);
  jpeg_decompress_struct cinfo{};
  cinfo.err = &errors.pub;
  jpeg_source_mgr src{};
  src.init_source = InitSource;
  src.fill_input_buffer = FillInputBuffer;
  src.skip_input_data = SkipInputData;
  src.resync_to_restart = jpeg_resync_to_restart;
  src.term_source = TermSource;
  src.next_input_byte = bytes.data();
  src.bytes_in_buffer = bytes.size();

  bool ok = ReadHeader(&cinfo, &errors, &src);
  if (!ok) AssignOrClear(error, errors.message);
  PackedBitmap image;
  std::vector<JSAMPLE> row;
  if (ok) {
    const std::int64_t width = cinfo.image_width;
    const std::int64_t height = cinfo.image_height;
    // Checked before libjpeg allocates anything in proportion to the picture.
    if (width > PackedBitmap::kMaxSide || height > PackedBitmap::kMaxSide) {
      AssignOrClear(error, "Image is larger than the largest supported image");
      ok = false;
    } else {
      ok = PackedBitmap::Create(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                                24, image, error);
    }
  }
  if (ok) {
    try {
      row.assign(static_cast<std::size_t>(image.Width()) * 3, 0);
    } catch (...) {
      AssignOrClear(error, "Not enough memory for the image");
      ok = false;
    }
  }
  if (ok) {
    errors.message[0] = '\0';
    ok = ReadRows(&cinfo, &errors, &image, row.data());
    if (!ok) AssignOrClear(error, errors.message);
  }
  if (ok) {
    image.SetResolution(PixelsPerMetre(cinfo.density_unit, cinfo.X_density),
                        PixelsPerMetre(cinfo.density_unit, cinfo.Y_density));
  }
  jpeg_destroy_decompress(&cinfo);
  if (ok) out = std::move(image);
  return ok;
}

}  // namespace tessaloom
