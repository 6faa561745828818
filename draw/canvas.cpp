#include "draw/canvas.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>

#include "platform/text.h"

namespace tessaloom {
namespace {

// From this size on, pixels are mapped straight from the kernel with every
// page faulted in by the one call: a chart touches each page anyway, and one
// trap per page on first touch cost more than drawing its background. Fresh
// pages are zero, so neither way clears the memory again.
constexpr std::size_t kMappedBytes = std::size_t{128} << 10;

}  // namespace

std::unique_ptr<std::uint32_t[], Canvas::PixelRelease> Canvas::AllocatePixels(
    std::size_t count) noexcept {
  const std::size_t bytes = count * sizeof(std::uint32_t);  // count <= kMaxPixels
  void* memory = nullptr;
  if (bytes >= kMappedBytes) {
    memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (memory == MAP_FAILED) memory = nullptr;
  } else {
    memory = std::calloc(count, sizeof(std::uint32_t));
  }
  return std::unique_ptr<std::uint32_t[], PixelRelease>(
      static_cast<std::uint32_t*>(memory), PixelRelease(memory != nullptr ? count : 0));
}

void Canvas::PixelRelease::operator()(std::uint32_t* pixels) const noexcept {
  const std::size_t bytes = count * sizeof(std::uint32_t);
  if (bytes >= kMappedBytes) {
    munmap(pixels, bytes);
  } else {
    std::free(pixels);
  }
}

bool Canvas::Create(std::int32_t width, std::int32_t height, Canvas& out,
                    std::string& error) noexcept {
  try {
    if (width < 1 || height < 1) {
      error = "Invalid image size " + std::to_string(width) + " x " + std::to_string(height);
      return false;
    }
    const std::int64_t count = std::int64_t{width} * height;
    if (width > kMaxSide || height > kMaxSide || count > kMaxPixels) {
      error = "Image size " + std::to_string(width) + " x " + std::to_string(height) +
              " is larger than the largest supported image (" + std::to_string(kMaxSide) +
              " pixels a side, " + std::to_string(kMaxPixels) + " pixels in all)";
      return false;
    }
    Canvas canvas;
    canvas.pixels_ = AllocatePixels(static_cast<std::size_t>(count));
    if (canvas.pixels_ == nullptr) {
      error = "Not enough memory for the image";
      return false;
    }
    canvas.width_ = width;
    canvas.height_ = height;
    out = std::move(canvas);
    return true;
  } catch (...) {
    AssignOrClear(error, "Not enough memory for the image");
    return false;
  }
}

std::span<const std::uint32_t> Canvas::Row(std::int32_t y) const noexcept {
  if (y < 0 || y >= height_) return {};
  return Pixels().subspan(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_),
                          static_cast<std::size_t>(width_));
}

COLORREF Canvas::GetPixel(std::int64_t x, std::int64_t y) const noexcept {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return ToColorRef(pixels_[static_cast<std::size_t>(y * width_ + x)]);
}

// Backgrounds and bars are long runs: with 32-byte stores, where the processor
// has them, filling a 500 x 350 chart's background takes half the time. The
// clones are picked by a resolver that the loader runs while relocating,
// before ThreadSanitizer's runtime starts, so thread-sanitized builds make none.
#if defined(__SANITIZE_THREAD__)
#define TESSALOOM_WIDE_STORES
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TESSALOOM_WIDE_STORES
#endif
#endif
#ifndef TESSALOOM_WIDE_STORES
#define TESSALOOM_WIDE_STORES __attribute__((target_clones("avx2", "default")))
#endif

namespace {

// A free function of its own, so the clones are made where it is first declared.
TESSALOOM_WIDE_STORES void FillPixels(std::uint32_t* first, std::uint32_t* last,
                                      std::uint32_t value) noexcept {
  std::fill(first, last, value);
}

}  // namespace

void Canvas::FillSpan(std::int64_t y, std::int64_t x0, std::int64_t x1, COLORREF color) noexcept {
  if (y < 0 || y >= height_) return;
  x0 = std::max<std::int64_t>(x0, 0);
  x1 = std::min<std::int64_t>(x1, width_);
  if (x1 <= x0) return;
  std::uint32_t* row = pixels_.get() + y * width_;
  FillPixels(row + x0, row + x1, ToStored(color));
}

void Canvas::FillRect(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                      COLORREF color) noexcept {
  y0 = std::max<std::int64_t>(y0, 0);
  y1 = std::min<std::int64_t>(y1, height_);
  for (std::int64_t y = y0; y < y1; ++y) FillSpan(y, x0, x1, color);
}

bool Canvas::MatteOut(const Canvas& onMatte, COLORREF background, COLORREF matte) noexcept {
  if (onMatte.width_ != width_ || onMatte.height_ != height_) return false;
  const std::uint32_t back = ToStored(background);
  const std::uint32_t front = ToStored(matte);
  // Per channel (B, G, R in the stored order): how far the matte moves a
  // pixel where nothing covers the background, signed.
  std::int32_t span[3];
  std::int32_t spanTotal = 0;
  for (int c = 0; c < 3; ++c) {
    span[c] = static_cast<std::int32_t>((back >> (8 * c)) & 0xFF) -
              static_cast<std::int32_t>((front >> (8 * c)) & 0xFF);
    spanTotal += span[c] < 0 ? -span[c] : span[c];
  }
  if (spanTotal == 0) return false;
  const std::size_t count = pixels_.get_deleter().count;
  std::uint32_t* drawn = pixels_.get();
  const std::uint32_t* other = onMatte.pixels_.get();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = drawn[i] & 0xFFFFFF;
    const std::uint32_t q = other[i] & 0xFFFFFF;
    if (p == q) {
      drawn[i] = p;  // opaque
      continue;
    }
    // The share of the background left (0 to 255): the difference the
    // matte made against the most it can make.
    std::int64_t moved = 0;
    for (int c = 0; c < 3; ++c) {
      const std::int32_t d = static_cast<std::int32_t>((p >> (8 * c)) & 0xFF) -
                             static_cast<std::int32_t>((q >> (8 * c)) & 0xFF);
      moved += span[c] < 0 ? -d : d;
    }
    const std::int64_t left =
        std::clamp<std::int64_t>((moved * 255 + spanTotal / 2) / spanTotal, 0, 255);
    const std::int64_t alpha = 255 - left;
    if (alpha == 0) {
      drawn[i] = 0xFF000000u;  // nothing but background
      continue;
    }
    // The colour painted over the background: p = alpha * colour + left * back.
    std::uint32_t colour = 0;
    for (int c = 0; c < 3; ++c) {
      const std::int64_t pc = (p >> (8 * c)) & 0xFF;
      const std::int64_t bc = (back >> (8 * c)) & 0xFF;
      const std::int64_t v =
          std::clamp<std::int64_t>((pc * 255 - left * bc + alpha / 2) / alpha, 0, 255);
      colour |= static_cast<std::uint32_t>(v) << (8 * c);
    }
    drawn[i] = colour | static_cast<std::uint32_t>(left) << 24;
  }
  transparency_ = true;
  return true;
}

bool ScaleNearest(const Canvas& from, std::int32_t factor, Canvas& to,
                  std::string& error) noexcept {
  if (factor < 1 || std::int64_t{from.Width()} * factor != to.Width() ||
      std::int64_t{from.Height()} * factor != to.Height()) {
    error = "Unable to enlarge the chart: the image is not Scale times its size";
    return false;
  }
  const auto f = static_cast<std::size_t>(factor);
  const auto rowPixels = static_cast<std::size_t>(to.Width());
  std::uint32_t* target = to.MutablePixels();
  to.transparency_ = from.transparency_;
  for (std::int32_t y = 0; y < from.Height(); ++y) {
    std::uint32_t* first = target + static_cast<std::size_t>(y) * f * rowPixels;
    std::uint32_t* out = first;
    for (const std::uint32_t pixel : from.Row(y)) out = std::fill_n(out, f, pixel);
    for (std::size_t k = 1; k < f; ++k) std::copy_n(first, rowPixels, first + k * rowPixels);
  }
  return true;
}

}  // namespace tessaloom
