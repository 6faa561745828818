// Exact integer arithmetic for the rasteriser: 128-bit products and the
// rounded quotients the pixel rules need, so that any 32-bit coordinate is
// handled without overflow and without floating-point drift. Header-only,
// no state.
#pragma once

#include <cmath>
#include <cstdint>

namespace tessaloom::raster {

// GCC and Clang's 128-bit integer; `__extension__` keeps -Wpedantic quiet.
__extension__ using Int128 = __int128;

// Largest coordinate magnitude the stroke and fill helpers accept. Shapes
// built from 32-bit inputs (plus a pen width) stay well inside it, which
// keeps every product below in range: helpers ignore anything beyond it.
inline constexpr std::int64_t kMaxCoordinate = std::int64_t{1} << 34;

struct Point64 {
  std::int64_t x = 0;
  std::int64_t y = 0;
  friend constexpr bool operator==(const Point64&, const Point64&) = default;
};

constexpr bool InCoordinateRange(Point64 p) noexcept {
  return p.x >= -kMaxCoordinate && p.x <= kMaxCoordinate && p.y >= -kMaxCoordinate &&
         p.y <= kMaxCoordinate;
}

constexpr std::int64_t Abs64(std::int64_t v) noexcept { return v < 0 ? -v : v; }

// ceil(n / d) and floor(n / d) for d > 0 (C++ division truncates).
constexpr Int128 CeilDiv(Int128 n, Int128 d) noexcept {
  Int128 q = n / d;
  if (n % d > 0) ++q;
  return q;
}
constexpr Int128 FloorDiv(Int128 n, Int128 d) noexcept {
  Int128 q = n / d;
  if (n % d < 0) --q;
  return q;
}

// Cross product a x b of 64-bit vectors, exact.
constexpr Int128 Cross(std::int64_t ax, std::int64_t ay, std::int64_t bx,
                       std::int64_t by) noexcept {
  return Int128{ax} * by - Int128{ay} * bx;
}

// floor(sqrt(v)) for v <= 2^62.
inline std::uint64_t ISqrt(std::uint64_t v) noexcept {
  auto r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(v)));
  while (r > 0 && r * r > v) --r;
  while ((r + 1) * (r + 1) <= v) ++r;
  return r;
}

}  // namespace tessaloom::raster
