#include "draw/text_metrics.h"

#include <algorithm>

namespace tessaloom {
namespace {

// a / b rounded half up; b > 0.
std::int64_t RoundDiv(std::int64_t a, std::int64_t b) noexcept {
  const std::int64_t n = 2 * a + b;
  const std::int64_t d = 2 * b;
  std::int64_t q = n / d;
  if (n % d != 0 && n < 0) --q;
  return q;
}

// Figures brought into the ranges the font formats allow, so that a broken
// face cannot make the arithmetic divide by zero or overflow.
struct Sane {
  std::int64_t em;
  std::int64_t ascent;
  std::int64_t descent;
  std::int64_t average;
  std::int64_t widest;
};

Sane Sanitize(const FaceFigures& f) noexcept {
  Sane s{std::clamp<std::int64_t>(f.unitsPerEm, 16, 16384),
         std::clamp<std::int64_t>(f.winAscent, 0, 65535),
         std::clamp<std::int64_t>(f.winDescent, 0, 65535),
         std::clamp<std::int64_t>(f.xAvgCharWidth, 0, 65535),
         std::clamp<std::int64_t>(f.advanceWidthMax, 0, 65535)};
  if (s.ascent + s.descent == 0) s.ascent = s.em;  // no design height: the em
  return s;
}

std::int64_t ClampHeight(std::int32_t cellHeight) noexcept {
  return std::clamp<std::int64_t>(cellHeight, 1, kMaxFontHeight);
}

std::int64_t PixelsPerEm(std::int64_t h, const Sane& s) noexcept {
  std::int64_t p =
      std::clamp<std::int64_t>(RoundDiv(h * s.em, s.ascent + s.descent), 1, kMaxFontHeight);
  // The rounded start is within a pixel or two of the answer: few steps.
  while (p > 1 && RoundDiv(s.ascent * p, s.em) + RoundDiv(s.descent * p, s.em) > h) --p;
  return p;
}

}  // namespace

std::int32_t EffectiveCellHeight(std::int32_t height) noexcept {
  if (height <= 0) return kDefaultFontHeight;
  return std::min(height, kMaxFontHeight);
}

std::int32_t CellPixelsPerEm(std::int32_t cellHeight, const FaceFigures& figures) noexcept {
  return static_cast<std::int32_t>(PixelsPerEm(ClampHeight(cellHeight), Sanitize(figures)));
}

TextMetrics ScalableTextMetrics(std::int32_t cellHeight, const FaceFigures& figures) noexcept {
  const Sane s = Sanitize(figures);
  const std::int64_t h = ClampHeight(cellHeight);
  const std::int64_t p = PixelsPerEm(h, s);
  const std::int64_t ascent = RoundDiv(s.ascent * h, s.ascent + s.descent);
  // Every value is at most 65535 * 2048 / 16 (about 8.4 million).
  TextMetrics m;
  m.height = static_cast<std::int32_t>(h);
  m.ascent = static_cast<std::int32_t>(ascent);
  m.descent = static_cast<std::int32_t>(h - ascent);
  m.aveCharWidth =
      static_cast<std::int32_t>(std::max<std::int64_t>(1, RoundDiv(s.average * p, s.em)));
  m.maxCharWidth = static_cast<std::int32_t>(RoundDiv(s.widest * p, s.em));
  return m;
}

TextMetrics StandardTextMetrics(const Font& font) noexcept {
  if (font.face == FontFace::kSystem) return kSystemFontMetrics;
  if (font.face == FontFace::kSans || font.face == FontFace::kSansSemibold) {
    return ScalableTextMetrics(EffectiveCellHeight(font.height), kSansFigures);
  }
  return ScalableTextMetrics(EffectiveCellHeight(font.height), kTimesNewRomanBoldFigures);
}

}  // namespace tessaloom
