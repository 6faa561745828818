#include "draw/text_shaper.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

#ifndef TESSALOOM_STATIC_PROGRAM
#include <fribidi.h>
#include <hb.h>

#include <atomic>
#include <climits>
#include <limits>
#include <mutex>
#include <new>
#include <numeric>
#endif

#include "platform/text.h"

namespace tessaloom {
namespace {

// Blocks whose characters need a shaper or the bidi algorithm: combining
// marks, right-to-left scripts, the Brahmic scripts of South and South-East
// Asia, Mongolian, joiners and bidi controls. Inclusive ranges in code point
// order. Latin, Greek, Cyrillic, CJK, kana, Hangul syllables and symbols are
// drawn a character at a time, as before.
constexpr std::array<std::pair<char32_t, char32_t>, 15> kShapedBlocks = {{
    {0x0300, 0x036F},    // combining diacritical marks
    {0x0590, 0x08FF},    // Hebrew, Arabic, Syriac, Thaana, NKo, Samaritan, Mandaic
    {0x0900, 0x109F},    // Devanagari to Sinhala, Thai, Lao, Tibetan, Myanmar
    {0x1700, 0x1CFF},    // Philippine scripts, Khmer, Mongolian to Vedic extensions
    {0x1DC0, 0x1DFF},    // combining marks supplement
    {0x200C, 0x200F},    // zero-width (non-)joiner, left- and right-to-left marks
    {0x202A, 0x202E},    // bidi embeddings and overrides
    {0x2066, 0x2069},    // bidi isolates
    {0x20D0, 0x20FF},    // combining marks for symbols
    {0xA800, 0xAAFF},    // Syloti Nagri to Meetei Mayek extensions
    {0xABC0, 0xABFF},    // Meetei Mayek
    {0xFB1D, 0xFDFF},    // Hebrew and Arabic presentation forms
    {0xFE20, 0xFE2F},    // combining half marks
    {0xFE70, 0xFEFE},    // Arabic presentation forms B
    {0x10800, 0x11FFF},  // right-to-left and Brahmic scripts of the supplementary plane
}};
// Beyond these: Adlam, Mende Kikakui, Arabic mathematical letters.
constexpr char32_t kShapedSupplementaryFirst = 0x1E800;
constexpr char32_t kShapedSupplementaryLast = 0x1EFFF;

bool IsShaped(char32_t cp) noexcept {
  if (cp >= kShapedSupplementaryFirst) return cp <= kShapedSupplementaryLast;
  const auto it = std::upper_bound(
      kShapedBlocks.begin(), kShapedBlocks.end(), cp,
      [](char32_t c, const std::pair<char32_t, char32_t>& block) { return c < block.first; });
  return it != kShapedBlocks.begin() && cp <= std::prev(it)->second;
}

// The first byte of any character from U+0300 on; continuation bytes and
// the lead bytes of earlier characters are all below it.
constexpr unsigned char kFirstShapedLeadByte = 0xCC;

}  // namespace

bool NeedsShaping(std::string_view text) noexcept {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (static_cast<unsigned char>(text[i]) < kFirstShapedLeadByte) continue;
    char32_t cp = 0;
    const std::size_t length = DecodeCodePoint(text, i, cp);
    if (IsShaped(cp)) return true;
    i += length - 1;
  }
  return false;
}

#ifdef TESSALOOM_STATIC_PROGRAM

bool ShapingAvailable() noexcept { return false; }

bool ShapeText(std::u32string_view, std::span<const GlyphSource>,
               std::vector<ShapedGlyph>& out) noexcept {
  out.clear();
  return false;
}

#else

namespace {

// One HarfBuzz font per face, made on first use from the bytes FreeType
// holds and kept for the life of the process. HarfBuzz fonts are immutable
// once made, so any thread may shape with them; they use HarfBuzz's own
// OpenType tables, never the FreeType face (whose calls the face registry
// serialises), and stay at the face's design units.
class ShapingFonts {
 public:
  static ShapingFonts& Instance() noexcept {
    // Static storage, never destroyed: text may be drawn during exit.
    alignas(ShapingFonts) static unsigned char storage[sizeof(ShapingFonts)];
    static ShapingFonts* const kFonts = new (storage) ShapingFonts();
    return *kFonts;
  }

  // Null while the face is not loaded or its font could not be made (a later
  // call tries again).
  hb_font_t* Font(FaceId face) noexcept {
    if (face >= kMaxFaces) return nullptr;
    if (hb_font_t* font = fonts_[face].load(std::memory_order_acquire)) return font;
    std::lock_guard lock(mutex_);
    if (hb_font_t* font = fonts_[face].load(std::memory_order_relaxed)) return font;
    const std::span<const unsigned char> bytes = FaceFileBytes(face);
    if (bytes.empty() || bytes.size() > std::numeric_limits<unsigned>::max()) return nullptr;
    // The bytes outlive the blob, so HarfBuzz reads them in place.
    hb_blob_t* blob = hb_blob_create(reinterpret_cast<const char*>(bytes.data()),
                                     static_cast<unsigned>(bytes.size()), HB_MEMORY_MODE_READONLY,
                                     nullptr, nullptr);
    hb_face_t* hbFace = hb_face_create(blob, static_cast<unsigned>(LoadedFace(face).index));
    hb_blob_destroy(blob);
    hb_font_t* font = hb_font_create(hbFace);
    hb_face_destroy(hbFace);
    if (font == hb_font_get_empty() || hb_face_get_glyph_count(hb_font_get_face(font)) == 0) {
      hb_font_destroy(font);
      return nullptr;
    }
    hb_font_make_immutable(font);
    fonts_[face].store(font, std::memory_order_release);
    return font;
  }

 private:
  ShapingFonts() = default;

  std::mutex mutex_;  // while a font is made
  std::array<std::atomic<hb_font_t*>, kMaxFaces> fonts_{};
};

// A stretch of text drawn alike: [begin, end) in logical order.
struct Run {
  std::size_t begin = 0;
  std::size_t end = 0;
  FaceId face = kChartFaceId;
  hb_script_t script = HB_SCRIPT_COMMON;
  FriBidiLevel level = 0;
  bool complex = false;  // holds a character NeedsShaping names
  bool shaped = false;   // complex, right to left, or holding a character of another face
};

bool RightToLeft(FriBidiLevel level) noexcept { return (level & 1) != 0; }

// Marks, joiners, variation selectors and bidi controls belong to the
// character before them, so they stay in its run.
bool Attaches(hb_unicode_funcs_t* unicode, char32_t cp) noexcept {
  switch (hb_unicode_general_category(unicode, cp)) {
    case HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK:
    case HB_UNICODE_GENERAL_CATEGORY_FORMAT: return true;
    default: return false;
  }
}

// The face each character is drawn from: its source, except that a
// character attached to the one before takes that one's face when the face
// has it, or the character the two compose into, or when no face has it
// (the shaper then hides an invisible control, or shows the face's missing
// glyph): a mark is then placed on its base, or composed with it.
std::vector<FaceId> RunFaces(std::u32string_view text, std::span<const GlyphSource> sources) {
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  std::vector<FaceId> faces(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    faces[i] = sources[i].face;
    if (i == 0 || faces[i - 1] == faces[i] || !Attaches(unicode, text[i])) continue;
    hb_codepoint_t glyph = 0, composed = 0;
    hb_font_t* previous = ShapingFonts::Instance().Font(faces[i - 1]);
    if (previous != nullptr && (sources[i] == GlyphSource{kChartFaceId, 0} ||
                                hb_font_get_nominal_glyph(previous, text[i], &glyph) ||
                                (hb_unicode_compose(unicode, text[i - 1], text[i], &composed) &&
                                 hb_font_get_nominal_glyph(previous, composed, &glyph)))) {
      faces[i] = faces[i - 1];
    }
  }
  return faces;
}

// Each character's script; characters common to scripts (spaces, digits,
// punctuation) and inherited ones (marks) take the script before them, or
// at the start the first one after.
std::vector<hb_script_t> Scripts(std::u32string_view text) {
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  std::vector<hb_script_t> scripts(text.size(), HB_SCRIPT_COMMON);
  hb_script_t current = HB_SCRIPT_INVALID;
  std::size_t pending = 0;  // characters before the first real script
  for (std::size_t i = 0; i < text.size(); ++i) {
    const hb_script_t s = hb_unicode_script(unicode, text[i]);
    if (s == HB_SCRIPT_COMMON || s == HB_SCRIPT_INHERITED || s == HB_SCRIPT_UNKNOWN) {
      if (current == HB_SCRIPT_INVALID) {
        ++pending;
      } else {
        scripts[i] = current;
      }
      continue;
    }
    if (current == HB_SCRIPT_INVALID) std::fill_n(scripts.begin(), pending, s);
    current = s;
    scripts[i] = s;
  }
  return scripts;
}

// Embedding levels by the Unicode bidi algorithm, the paragraph's direction
// taken from its first strong character (left to right when it has none).
bool Levels(std::u32string_view text, std::vector<FriBidiLevel>& levels) {
  const auto length = static_cast<FriBidiStrIndex>(text.size());
  const auto* chars = reinterpret_cast<const FriBidiChar*>(text.data());
  std::vector<FriBidiCharType> types(text.size());
  std::vector<FriBidiBracketType> brackets(text.size());
  levels.assign(text.size(), 0);
  fribidi_get_bidi_types(chars, length, types.data());
  fribidi_get_bracket_types(chars, length, types.data(), brackets.data());
  FriBidiParType direction = FRIBIDI_PAR_ON;
  return fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), length, &direction,
                                             levels.data()) != 0;
}

std::vector<Run> Runs(std::u32string_view text, std::span<const GlyphSource> sources,
                      std::span<const FaceId> faces, std::span<const hb_script_t> scripts,
                      std::span<const FriBidiLevel> levels) {
  std::vector<Run> runs;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (runs.empty() || runs.back().face != faces[i] || runs.back().script != scripts[i] ||
        runs.back().level != levels[i]) {
      runs.push_back({i, i, faces[i], scripts[i], levels[i], false, RightToLeft(levels[i])});
    }
    Run& run = runs.back();
    run.end = i + 1;
    run.complex = run.complex || IsShaped(text[i]);
    run.shaped = run.shaped || run.complex || faces[i] != sources[i].face;
  }
  return runs;
}

// Runs in visual order (the bidi algorithm's rule L2 applied to whole runs:
// from the highest level down to the lowest odd one, each stretch of runs at
// that level or above is reversed; a right-to-left run's own glyphs come out
// of the shaper already reversed).
std::vector<std::size_t> VisualOrder(std::span<const Run> runs) {
  std::vector<std::size_t> order(runs.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  int highest = 0, lowestOdd = INT_MAX;
  for (const Run& r : runs) {
    highest = std::max<int>(highest, r.level);
    if (RightToLeft(r.level)) lowestOdd = std::min<int>(lowestOdd, r.level);
  }
  for (int level = highest; level >= lowestOdd; --level) {
    for (std::size_t i = 0; i < order.size();) {
      if (runs[order[i]].level < level) {
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j < order.size() && runs[order[j]].level >= level) ++j;
      std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                   order.begin() + static_cast<std::ptrdiff_t>(j));
      i = j;
    }
  }
  return order;
}

// Runs shaped only to be mirrored and ordered (no character of a complex
// script) keep the glyphs and widths unshaped text has: no kerning and no
// ligatures, as the chart's plain text has none.
constexpr std::array<hb_tag_t, 4> kPlainOff = {
    HB_TAG('k', 'e', 'r', 'n'), HB_TAG('l', 'i', 'g', 'a'), HB_TAG('c', 'l', 'i', 'g'),
    HB_TAG('c', 'a', 'l', 't')};

// Appends the glyphs of `run`, shaped by HarfBuzz with the run's face, from
// left to right. The whole text is the context, so letters join across the
// run's ends. False when the face has no font or memory ran out.
bool Shape(std::u32string_view text, const Run& run, hb_buffer_t* buffer,
           std::vector<ShapedGlyph>& out) {
  hb_font_t* font = ShapingFonts::Instance().Font(run.face);
  if (font == nullptr) return false;
  hb_buffer_clear_contents(buffer);
  hb_buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(text.data()),
                      static_cast<int>(text.size()), static_cast<unsigned>(run.begin),
                      static_cast<int>(run.end - run.begin));
  hb_buffer_set_direction(buffer, RightToLeft(run.level) ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_set_script(buffer, run.script);
  std::array<hb_feature_t, kPlainOff.size()> off{};
  for (std::size_t k = 0; k < off.size(); ++k) {
    off[k] = {kPlainOff[k], 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END};
  }
  hb_shape(font, buffer, run.complex ? nullptr : off.data(),
           run.complex ? 0u : static_cast<unsigned>(off.size()));
  if (!hb_buffer_allocation_successful(buffer)) return false;
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  for (unsigned k = 0; k < count; ++k) {
    const hb_codepoint_t glyph = infos[k].codepoint;
    const hb_glyph_position_t& p = positions[k];
    ShapedGlyph g;
    g.face = run.face;
    g.index = glyph;
    g.nominal = p.x_advance == hb_font_get_glyph_h_advance(font, glyph);
    g.advance = p.x_advance;
    g.dx = p.x_offset;
    g.dy = p.y_offset;
    out.push_back(g);
  }
  return true;
}

}  // namespace

bool ShapingAvailable() noexcept { return true; }

bool ShapeText(std::u32string_view text, std::span<const GlyphSource> sources,
               std::vector<ShapedGlyph>& out) noexcept {
  out.clear();
  if (text.size() > kMaxShapedText || sources.size() != text.size()) return false;
  hb_buffer_t* buffer = hb_buffer_create();
  bool done = false;
  try {
    std::vector<FriBidiLevel> levels;
    if (Levels(text, levels)) {
      const std::vector<FaceId> faces = RunFaces(text, sources);
      const std::vector<hb_script_t> scripts = Scripts(text);
      const std::vector<Run> runs = Runs(text, sources, faces, scripts, levels);
      done = true;
      for (const std::size_t r : VisualOrder(runs)) {
        const Run& run = runs[r];
        if (run.shaped) {
          done = Shape(text, run, buffer, out);
          if (!done) break;
          continue;
        }
        for (std::size_t i = run.begin; i < run.end; ++i) {
          ShapedGlyph g;
          g.face = sources[i].face;
          g.index = sources[i].index;
          out.push_back(g);
        }
      }
    }
  } catch (...) {  // out of memory
    done = false;
  }
  hb_buffer_destroy(buffer);
  if (!done) out.clear();
  return done;
}

#endif  // TESSALOOM_STATIC_PROGRAM

}  // namespace tessaloom
