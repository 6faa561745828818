#include "draw/font_engine.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "draw/font_faces.h"
#include "draw/text_metrics.h"
#include "draw/text_shaper.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

// Rendered glyphs are kept until this many bytes are cached; past it a glyph
// is rendered afresh at each use, so no sequence of sizes exhausts memory.
constexpr std::size_t kGlyphCacheBudget = std::size_t{32} << 20;
constexpr std::size_t kMaxCachedCodePoints = std::size_t{1} << 16;
// Widths are capped here so that coordinates plus a width stay in range.
constexpr std::int64_t kMaxTextWidth = std::int64_t{1} << 60;
// A fallback face's ascent plus descent may reach this many cell heights
// (numerator, denominator): a face with room for tall stacks of marks
// (Lohit Devanagari's is 1.44 cells at the chart face's size) keeps its
// letters at the chart face's size; one that states even more is drawn
// smaller, so its glyphs never spill far out of the cell.
constexpr std::int32_t kFallbackExtentNum = 3;
constexpr std::int32_t kFallbackExtentDen = 2;

// Pixels per em of `face` for text of `slot` whose own face is set to
// `ppem` in a cell `cellHeight` high. A fallback face is drawn at the chart
// face's size, as the smooth surface draws it: its letters then match the
// chart face's (Lohit Devanagari's headline stands at 0.65 em, Liberation
// Serif's capitals at 0.655 em), and they stand on the same baseline.
// Scaling a fallback face until its ascent and descent fill the cell drew
// Devanagari at 0.69 of the size.
std::int32_t FacePixelsPerEm(FaceSlot slot, FaceId face, std::int32_t ppem,
                             std::int32_t cellHeight) noexcept {
  if (face == FaceOf(slot)) return ppem;
  const std::int64_t extent = std::int64_t{cellHeight} * kFallbackExtentNum / kFallbackExtentDen;
  return std::min(
      ppem,
      CellPixelsPerEm(static_cast<std::int32_t>(std::min<std::int64_t>(extent, kMaxFontHeight)),
                      LoadedFace(face).figures));
}

std::int64_t AddCapped(std::int64_t a, std::int64_t b) noexcept {
  return a > kMaxTextWidth - b ? kMaxTextWidth : a + b;
}

// (slot, code point) -> glyph source and (face, pixels per em, glyph index)
// -> bilevel glyph, shared by all threads. Readers take the lock shared; a
// miss renders outside it. Entries are never removed, so a pointer to one
// stays valid for the life of the process.
class GlyphCache {
 public:
  static GlyphCache& Instance() noexcept {
    // Static storage, never destroyed: see Faces::Instance.
    alignas(GlyphCache) static unsigned char storage[sizeof(GlyphCache)];
    static GlyphCache* const kCache = new (storage) GlyphCache();
    return *kCache;
  }

  // The glyph `slot` draws `cp` with in a cell `cellHeight` pixels high, the
  // slot's own face being set to `ppem`: a cache entry, or `scratch` when
  // the cache is full.
  const Glyph* Find(FaceSlot slot, std::int32_t ppem, std::int32_t cellHeight, char32_t cp,
                    Glyph& scratch) noexcept {
    const GlyphSource source = Source(slot, cp);
    return FindIndexed(source.face, FacePixelsPerEm(slot, source.face, ppem, cellHeight),
                       source.index, scratch);
  }

  // Glyph `index` of `face` at `ppem`: a cache entry, or `scratch` when the
  // cache is full.
  const Glyph* FindIndexed(FaceId face, std::int32_t ppem, std::uint32_t index,
                           Glyph& scratch) noexcept {
    const std::uint64_t key = (std::uint64_t{face} << 48) |
                              (std::uint64_t{static_cast<std::uint16_t>(ppem)} << 32) | index;
    {
      std::shared_lock lock(mutex_);
      if (const auto it = glyphs_.find(key); it != glyphs_.end()) return &it->second;
    }
    Glyph glyph;
    RenderGlyph(face, ppem, index, glyph);
    const std::size_t cost = sizeof(Glyph) + 64 + glyph.runs.size() * sizeof(InkRun);
    try {
      std::unique_lock lock(mutex_);
      if (bytes_ + cost <= kGlyphCacheBudget) {
        // Another thread may have rendered it meanwhile; then keep theirs.
        const auto [it, inserted] = glyphs_.try_emplace(key, std::move(glyph));
        if (inserted) bytes_ += cost;
        return &it->second;
      }
    } catch (...) {  // out of memory: use it uncached
    }
    scratch = std::move(glyph);
    return &scratch;
  }

  // Where `slot` takes `cp` from (FindGlyph, remembered: a character no
  // face has is asked about once; a look-up that failed for a passing
  // reason is asked again next time).
  GlyphSource Source(FaceSlot slot, char32_t cp) noexcept {
    const std::uint64_t key = (std::uint64_t{FaceOf(slot)} << 32) | cp;
    {
      std::shared_lock lock(mutex_);
      if (const auto it = sources_.find(key); it != sources_.end()) return it->second;
    }
    const std::uint64_t faults = FontFaults();
    const GlyphSource source = FindGlyph(slot, cp);
    if (FontFaults() != faults) return source;
    try {
      std::unique_lock lock(mutex_);
      if (sources_.size() < kMaxCachedCodePoints) sources_.emplace(key, source);
    } catch (...) {  // out of memory: not remembered
    }
    return source;
  }

 private:
  GlyphCache() = default;

  std::shared_mutex mutex_;
  std::unordered_map<std::uint64_t, GlyphSource> sources_;
  std::unordered_map<std::uint64_t, Glyph> glyphs_;
  std::size_t bytes_ = 0;
};

// How a font is drawn.
struct Style {
  FaceSlot slot = FaceSlot::kSystem;
  bool hasFace = false;
  std::int32_t ppem = 0;  // 0 for a raster face's fixed strike
  TextMetrics metrics;
  bool upward = false;
};

Style StyleFor(const Font& font) noexcept {
  Style s;
  s.metrics = StandardTextMetrics(font);
  s.slot = font.face == FontFace::kSystem ? FaceSlot::kSystem : FaceSlot::kChart;
  const FaceInfo& info = LoadedFace(s.slot);
  s.hasFace = info.loaded;
  s.ppem = info.rasterFont ? 0 : CellPixelsPerEm(s.metrics.height, info.figures);
  // Raster fonts ignore escapement. Charts use 0 and 900 only: 900 runs
  // upward and every other angle is drawn as 0.
  s.upward = s.slot == FaceSlot::kChart && font.escapement == 900;
  return s;
}

// Calls visit(glyph) for each code point of `text`. A small direct-mapped
// memo spares the cache's lock for repeated characters.
template <typename Visit>
void ForEachGlyph(const Style& style, std::string_view text, Visit&& visit) noexcept {
  GlyphCache& cache = GlyphCache::Instance();
  struct Memo {
    char32_t cp = 0xFFFFFFFF;  // decoding never yields it
    const Glyph* glyph = nullptr;
  };
  std::array<Memo, 256> memo{};
  Glyph scratch;
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    i += DecodeCodePoint(text, i, cp);
    Memo& m = memo[cp & 0xFF];
    if (m.cp != cp) {
      const Glyph* glyph = cache.Find(style.slot, style.ppem, style.metrics.height, cp, scratch);
      if (glyph == &scratch) {
        visit(scratch);
        continue;
      }
      m = {cp, glyph};
    }
    visit(*m.glyph);
  }
}

std::int64_t UnshapedWidth(const Style& style, std::string_view text) noexcept {
  if (!style.hasFace) {  // no face at all: the average width keeps layouts sane
    const std::size_t n = CodePointCount(text);
    const auto average = static_cast<std::size_t>(style.metrics.aveCharWidth);
    return n > static_cast<std::size_t>(kMaxTextWidth) / average
               ? kMaxTextWidth
               : static_cast<std::int64_t>(n * average);
  }
  std::int64_t width = 0;
  ForEachGlyph(style, text, [&](const Glyph& g) { width = AddCapped(width, g.advance); });
  return width;
}

// A glyph of shaped text on the line, in pixels: its pen position `pen`
// from the text's start along the baseline, then `dx` further along and
// `rise` above the baseline.
struct PlacedGlyph {
  FaceId face = kChartFaceId;
  std::uint32_t index = 0;
  std::int32_t ppem = 0;
  std::int64_t pen = 0;
  std::int32_t dx = 0;
  std::int32_t rise = 0;
};

// A shaper's offsets and advances are bounded here, in pixels, so that a
// broken face cannot move a glyph out of range.
constexpr std::int64_t kMaxGlyphShift = std::int64_t{1} << 20;

// `units` of a face with `unitsPerEm` at `ppem`, rounded half up.
std::int32_t UnitsToPixels(std::int32_t units, std::int32_t ppem,
                           std::int32_t unitsPerEm) noexcept {
  const std::int64_t em = std::max(unitsPerEm, 1);
  const std::int64_t n = 2 * std::int64_t{units} * ppem + em;
  std::int64_t q = n / (2 * em);
  if (n % (2 * em) != 0 && n < 0) --q;
  return static_cast<std::int32_t>(std::clamp(q, -kMaxGlyphShift, kMaxGlyphShift));
}

// Lays out chart text that needs shaping (see NeedsShaping): the shaper's
// glyphs from left to right, each advancing by the face's hinted width for
// it as unshaped glyphs do, unless the shaper changed that width (then by
// the shaper's, rounded); `width` is their sum. False for text that needs
// no shaping, or when it cannot be shaped now (no shaper in this build, no
// memory): then it is drawn a character at a time. Text without a character
// that needs shaping costs only NeedsShaping's scan of its bytes.
bool ShapedLayout(const Style& style, std::string_view text, std::vector<PlacedGlyph>& placed,
                  std::int64_t& width) noexcept {
  if (style.slot != FaceSlot::kChart || !style.hasFace || !NeedsShaping(text)) return false;
  GlyphCache& cache = GlyphCache::Instance();
  try {
    std::u32string codePoints;
    std::vector<GlyphSource> sources;
    for (std::size_t i = 0; i < text.size() && codePoints.size() <= kMaxShapedText;) {
      char32_t cp = 0;
      i += DecodeCodePoint(text, i, cp);
      codePoints.push_back(cp);
      sources.push_back(cache.Source(style.slot, cp));
    }
    std::vector<ShapedGlyph> shaped;
    if (!ShapeText(codePoints, sources, shaped)) return false;
    placed.clear();
    placed.reserve(shaped.size());
    width = 0;
    Glyph scratch;
    for (const ShapedGlyph& g : shaped) {
      const std::int32_t ppem =
          FacePixelsPerEm(style.slot, g.face, style.ppem, style.metrics.height);
      const std::int32_t em = LoadedFace(g.face).figures.unitsPerEm;
      const std::int32_t advance = g.nominal
                                       ? cache.FindIndexed(g.face, ppem, g.index, scratch)->advance
                                       : std::max(0, UnitsToPixels(g.advance, ppem, em));
      placed.push_back({g.face, g.index, ppem, width, UnitsToPixels(g.dx, ppem, em),
                        UnitsToPixels(g.dy, ppem, em)});
      width = AddCapped(width, advance);
    }
    return true;
  } catch (...) {  // out of memory: unshaped this time
    return false;
  }
}

std::int64_t Width(const Style& style, std::string_view text) noexcept {
  std::vector<PlacedGlyph> placed;
  std::int64_t width = 0;
  return ShapedLayout(style, text, placed, width) ? width : UnshapedWidth(style, text);
}

// Glyph at pen position `pen` on the horizontal baseline `baseline`.
void DrawAcross(Canvas& canvas, const Glyph& g, std::int64_t pen, std::int64_t baseline,
                COLORREF color) noexcept {
  const std::int64_t left = pen + g.left;
  const std::int64_t top = baseline - g.top;
  if (left >= canvas.Width() || left + g.width <= 0 || top >= canvas.Height() ||
      top + g.rows <= 0) {
    return;
  }
  for (const InkRun& r : g.runs) canvas.FillSpan(top + r.row, left + r.x0, left + r.x1, color);
}

// Glyph turned 90 degrees counter-clockwise about the pen point (baseline,
// pen) on the vertical baseline X = `baseline`: glyph pixel (dx, dy) from the
// pen point lands on (baseline + dy, pen - dx - 1).
void DrawUpward(Canvas& canvas, const Glyph& g, std::int64_t baseline, std::int64_t pen,
                COLORREF color) noexcept {
  const std::int64_t left = baseline - g.top;
  const std::int64_t bottom = pen - g.left;  // exclusive
  if (left >= canvas.Width() || left + g.rows <= 0 || bottom <= 0 ||
      bottom - g.width >= canvas.Height()) {
    return;
  }
  for (const InkRun& r : g.runs) {
    const std::int64_t x = left + r.row;
    canvas.FillRect(x, bottom - r.x1, x + 1, bottom - r.x0, color);
  }
}

}  // namespace

bool EnsureFontsLoaded() noexcept { return EnsureFacesLoaded(); }

TextMetrics FontMetrics(const Font& font) noexcept { return StandardTextMetrics(font); }

std::int64_t TextWidth(const Font& font, std::string_view text) noexcept {
  return Width(StyleFor(font), text);
}

void DrawText(Canvas& canvas, std::int32_t x, std::int32_t y, std::string_view text,
              const Font& font, COLORREF textColor, COLORREF backgroundColor) noexcept {
  const Style style = StyleFor(font);
  std::vector<PlacedGlyph> placed;
  std::int64_t width = 0;
  const bool shaped = ShapedLayout(style, text, placed, width);
  if (!shaped) width = UnshapedWidth(style, text);
  const std::int64_t height = style.metrics.height;
  const std::int64_t ascent = style.metrics.ascent;
  if (style.upward) {
    canvas.FillRect(x, y - width, x + height, y, backgroundColor);
  } else {
    canvas.FillRect(x, y, x + width, y + height, backgroundColor);
  }
  if (!style.hasFace) return;
  // Each glyph is tested against the canvas before its ink is touched, so
  // text far outside costs only the walk along it.
  const std::int64_t start = style.upward ? y : x;
  const std::int64_t baseline = (style.upward ? x : y) + ascent;
  if (shaped) {
    GlyphCache& cache = GlyphCache::Instance();
    Glyph scratch;
    for (const PlacedGlyph& p : placed) {
      const Glyph& g = *cache.FindIndexed(p.face, p.ppem, p.index, scratch);
      if (g.runs.empty()) continue;
      if (style.upward) {
        DrawUpward(canvas, g, baseline - p.rise, start - p.pen - p.dx, textColor);
      } else {
        DrawAcross(canvas, g, start + p.pen + p.dx, baseline - p.rise, textColor);
      }
    }
    return;
  }
  std::int64_t pen = start;
  ForEachGlyph(style, text, [&](const Glyph& g) {
    if (style.upward) {
      if (!g.runs.empty()) DrawUpward(canvas, g, baseline, pen, textColor);
      pen = -AddCapped(-pen, g.advance);
    } else {
      if (!g.runs.empty()) DrawAcross(canvas, g, pen, baseline, textColor);
      pen = AddCapped(pen, g.advance);
    }
  });
}

std::u32string MissingCharacters(std::string_view text) {
  std::u32string missing;
  GlyphCache& cache = GlyphCache::Instance();
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    i += DecodeCodePoint(text, i, cp);
    if (cache.Source(FaceSlot::kChart, cp) == GlyphSource{kChartFaceId, 0} &&
        missing.find(cp) == std::u32string::npos) {
      missing.push_back(cp);
    }
  }
  return missing;
}

}  // namespace tessaloom
