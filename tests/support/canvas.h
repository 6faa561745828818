// Canvases and pictures for the tests: one-colour canvases, the asymmetric test picture, a canvas
// as ASCII art, a window's colours, painted pixels, a colour's count; seeded random numbers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "draw/canvas.h"
#include "draw/drawing_surface.h"

namespace tessaloom::test_support {

// Red and blue differ so that a swapped channel order shows.
inline constexpr COLORREF kPenColor = RGB(200, 30, 10);
inline constexpr COLORREF kBrushColor = RGB(10, 120, 250);
inline constexpr Pen kPen{1, kPenColor};
inline constexpr Pen kWidePen{2, kPenColor};
inline constexpr Brush kBrush{kBrushColor};

using PixelSet = std::set<std::pair<std::int64_t, std::int64_t>>;  // (x, y)

inline Canvas MakeCanvas(std::int32_t width, std::int32_t height, COLORREF fill = 0) {
  Canvas canvas;
  std::string error;
  if (!Canvas::Create(width, height, canvas, error)) ADD_FAILURE() << error;
  canvas.FillRect(0, 0, width, height, fill);
  return canvas;
}

// Blue (0xFF0000), with a red "F": the stem in the left fifth-to-two-fifths,
// the top arm reaching four fifths across, the middle arm three fifths.
inline Canvas FPicture(std::int32_t width, std::int32_t height) {
  Canvas canvas = MakeCanvas(width, height, 0xFF0000);
  canvas.FillRect(width / 5, height / 6, 2 * width / 5, 5 * height / 6, 0x0000FF);
  canvas.FillRect(width / 5, height / 6, 4 * width / 5, 2 * height / 6, 0x0000FF);
  canvas.FillRect(width / 5, 3 * height / 6, 3 * width / 5, 4 * height / 6, 0x0000FF);
  return canvas;
}

// The canvas row by row, each row ending in '\n' ('#' pen colour, '+' brush colour, '.' untouched,
// '?' other); Art writes such a picture with its rows separated by spaces.
inline std::string Picture(const Canvas& canvas) {
  std::string out;
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    for (std::int32_t x = 0; x < canvas.Width(); ++x) {
      const COLORREF c = canvas.GetPixel(x, y);
      out += c == kPenColor ? '#' : c == kBrushColor ? '+' : c == 0 ? '.' : '?';
    }
    out += '\n';
  }
  return out;
}
inline std::string Art(std::string rows) {
  std::replace(rows.begin(), rows.end(), ' ', '\n');
  return rows + '\n';
}

// The colours of the w x h window at (x, y), row by row.
inline std::vector<COLORREF> Window(const Canvas& canvas, std::int32_t x, std::int32_t y,
                                    std::int32_t w, std::int32_t h) {
  std::vector<COLORREF> out;
  for (std::int32_t py = y; py < y + h; ++py) {
    for (std::int32_t px = x; px < x + w; ++px) out.push_back(canvas.GetPixel(px, py));
  }
  return out;
}

inline std::int64_t Count(const Canvas& canvas, COLORREF color) {
  return std::ranges::count(Window(canvas, 0, 0, canvas.Width(), canvas.Height()), color);
}

inline PixelSet PaintedPixels(const Canvas& canvas) {
  PixelSet out;
  for (std::int32_t y = 0; y < canvas.Height(); ++y) {
    for (std::int32_t x = 0; x < canvas.Width(); ++x) {
      if (canvas.GetPixel(x, y) != 0) out.insert({x, y});
    }
  }
  return out;
}

// Seeded source for random cases: random(lo, hi) is inclusive.
struct Random {
  std::mt19937 engine;
  std::int64_t operator()(std::int64_t lo, std::int64_t hi) {
    return std::uniform_int_distribution<std::int64_t>(lo, hi)(engine);
  }
  std::int32_t Int32(std::int64_t lo, std::int64_t hi) {
    return static_cast<std::int32_t>((*this)(lo, hi));
  }
};

}  // namespace tessaloom::test_support
