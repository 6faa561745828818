// Canvas: the off-screen 32-bit pixel buffer a chart is drawn on. Pixels are
// stored as bytes B, G, R, 0 (the uint32 0x00RRGGBB), rows top-down with no
// padding. Every write goes through FillSpan or SetPixel, which clip to the
// canvas, or through MutablePixels for a library that clips for itself. Owned by one rendering,
// used by one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/gdi_types.h"

namespace tessaloom {

class Canvas {
 public:
  // Largest canvas we allocate: 16384 pixels a side and 64 Mi pixels
  // (256 MiB) in all, well past any chart and far below what a server can
  // afford per request.
  static constexpr std::int32_t kMaxSide = 16384;
  static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;
  static constexpr int kBitsPerPixel = 32;

  Canvas() = default;  // 0 x 0

  // Allocates a width x height canvas, every pixel 0 (black). On failure
  // (a side below 1, past the bounds, or out of memory) returns false,
  // leaves `out` as it was and puts the reason in `error`.
  [[nodiscard]] static bool Create(std::int32_t width, std::int32_t height, Canvas& out,
                                   std::string& error) noexcept;

  [[nodiscard]] std::int32_t Width() const noexcept { return width_; }
  [[nodiscard]] std::int32_t Height() const noexcept { return height_; }
  // Bytes per row: width * 4, rows follow each other top-down.
  [[nodiscard]] std::int64_t Stride() const noexcept { return std::int64_t{width_} * 4; }
  [[nodiscard]] std::span<const std::uint32_t> Pixels() const noexcept {
    return {pixels_.get(), pixels_.get_deleter().count};
  }
  [[nodiscard]] std::span<const std::uint32_t> Row(std::int32_t y) const noexcept;
  // The whole buffer for a drawing library that paints it in place (the
  // smooth surface's 32-bit x8r8g8b8 image has this very layout). Writers
  // through it bypass the clipping above and must stay within stride() *
  // height() bytes.
  [[nodiscard]] std::uint32_t* MutablePixels() noexcept { return pixels_.get(); }

  // The stored value of a COLORREF (R and B swap places) and back.
  static constexpr std::uint32_t ToStored(COLORREF c) noexcept {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  }
  static constexpr COLORREF ToColorRef(std::uint32_t stored) noexcept {
    return ((stored & 0xFF) << 16) | (stored & 0xFF00) | ((stored >> 16) & 0xFF);
  }

  // COLORREF of a pixel; 0 outside the canvas.
  [[nodiscard]] COLORREF GetPixel(std::int64_t x, std::int64_t y) const noexcept;

  // Paints [x0, x1) on row y in `color`, clipped; nothing when x1 <= x0 or the
  // row is outside. Coordinates are 64-bit so callers never overflow.
  void FillSpan(std::int64_t y, std::int64_t x0, std::int64_t x1, COLORREF color) noexcept;
  void SetPixel(std::int64_t x, std::int64_t y, COLORREF color) noexcept {
    FillSpan(y, x, x + 1, color);
  }
  // Paints [x0, x1) x [y0, y1), clipped.
  void FillRect(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
                COLORREF color) noexcept;

  // Whether each pixel's fourth byte is its transparency: 255 minus its
  // alpha, so 0 is opaque and a canvas that has none reads as it always did.
  // Off unless MatteOut found the background; drawing leaves the byte alone.
  [[nodiscard]] bool HasTransparency() const noexcept { return transparency_; }
  void ClearTransparency() noexcept { transparency_ = false; }

  // Makes the background see-through. This canvas holds the chart drawn on
  // `background`; `onMatte` the same chart with `matte` in its place, every
  // channel of `matte` at least 128 away from the background's. Where they
  // differ the background shows through, as much as they differ: the alpha
  // is the share of the difference left, the colour what was painted over
  // the background (exact for anything painted over it with coverage, as
  // anti-aliased edges and text are). False when the sizes differ.
  bool MatteOut(const Canvas& onMatte, COLORREF background, COLORREF matte) noexcept;

  friend bool ScaleNearest(const Canvas& from, std::int32_t factor, Canvas& to,
                           std::string& error) noexcept;

 private:
  // Gives the pixels back the way they were taken (see canvas.cpp).
  struct PixelRelease {
    PixelRelease() noexcept : count(0) {}
    explicit PixelRelease(std::size_t pixels) noexcept : count(pixels) {}
    std::size_t count;
    void operator()(std::uint32_t* pixels) const noexcept;
  };
  // Zeroed memory for `count` pixels; null when there is none.
  static std::unique_ptr<std::uint32_t[], PixelRelease> AllocatePixels(std::size_t count) noexcept;

  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::unique_ptr<std::uint32_t[], PixelRelease> pixels_;
  bool transparency_ = false;
};

// Fills `to` with `from` enlarged `factor` times, each pixel becoming a
// factor x factor block: the classic look at a larger size, pixel for pixel.
// False, `to` untouched and the reason in `error`, unless `to` is exactly
// that size.
[[nodiscard]] bool ScaleNearest(const Canvas& from, std::int32_t factor, Canvas& to,
                                std::string& error) noexcept;

}  // namespace tessaloom
