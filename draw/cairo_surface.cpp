// CairoSurface: the smooth surface's realisation on cairo and Pango, built
// as the module libtessaloom-smooth.so (see draw/smooth_surface.h).
#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <hb.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#include <sys/mman.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "draw/font_faces.h"
#include "draw/smooth_surface.h"
#include "draw/text_metrics.h"
#include "draw/text_shaper.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

// Classic coordinates are clamped to this before they reach cairo, whose
// 24.8 fixed-point device space ends near 8.4 million: at scale 4 a clamped
// point stays representable. No chart comes near it; absurd data could.
constexpr double kCoordinateLimit = 1'000'000.0;

// Longest text shaped in one call. A label this long runs far off any canvas;
// the cut keeps the shaping time bounded whatever a script passes.
constexpr std::size_t kMaxTextBytes = 16 * 1024;

// Lines gathered into one stroke before it is drawn, which bounds the path
// cairo holds; consecutive segments of one stroke join cleanly.
constexpr int kMaxPendingSegments = 1024;

// The System font's stand-in: a bold sans face of about the raster font's
// 7-pixel average width; its glyphs sit in the 16-pixel cell with the
// raster font's 13-pixel ascent.
constexpr char kSystemFamily[] = "Sans";
constexpr double kSystemPixelsPerEm = 12.0;
// The modern themes' face (regular and semibold); fontconfig's fallback
// (DejaVu Sans, WenQuanYi Micro Hei, ...) covers the scripts it lacks.
constexpr char kSansFamily[] = "Inter";

// Pango's start-up aborts the process when memory runs out (GLib's allocator
// and thread creation do). Before an image's canvas takes its memory the
// direct path's faces start instead; when a text then needs Pango, it starts
// only while this much address space is still free, else the chart fails
// for want of memory and the next one tries again.
constexpr std::size_t kPangoStartHeadroom = std::size_t{192} << 20;

constexpr char kNoFonts[] = "Unable to load the chart fonts";
constexpr char kNoMemory[] = "Not enough memory to draw the chart";

// Whether kPangoStartHeadroom of address space can be had now (reserved,
// never touched, and given back).
bool PangoStartFits() noexcept {
  void* probe = mmap(nullptr, kPangoStartHeadroom, PROT_NONE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (probe == MAP_FAILED) return false;
  munmap(probe, kPangoStartHeadroom);
  return true;
}

double Coordinate(std::int64_t v) noexcept {
  return std::clamp(static_cast<double>(v), -kCoordinateLimit, kCoordinateLimit);
}

// kSeeThrough paints nothing: a source with no alpha over what is there.
void SetColor(cairo_t* cr, COLORREF c) noexcept {
  if (c == kSeeThrough) {
    cairo_set_source_rgba(cr, 0.0, 0.0, 0.0, 0.0);
    return;
  }
  cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                       ((c >> 16) & 0xFF) / 255.0);
}

std::int32_t PenWidth(const Pen& pen) noexcept { return std::clamp(pen.width, 1, 256); }

// A pen of odd width is centred on pixel centres so a 1-pixel line covers
// exactly the pixels the classic surface paints instead of two half-grey
// rows; an even width is centred on the pixel edge for the same reason.
double PenOffset(const Pen& pen) noexcept { return PenWidth(pen) % 2 == 1 ? 0.5 : 0.0; }

// Text as Pango and cairo are given it: cut to kMaxTextBytes and at a NUL,
// and read as every surface reads it (DrawnText), so that ill-formed bytes
// and noncharacters, which cairo's PDF text refuses, draw as U+FFFD here too.
std::string PangoText(std::string_view text) {
  return DrawnText(text.substr(0, std::min(text.find('\0'), kMaxTextBytes)));
}

// The turn of a font's text in cairo's terms (y downward, so the
// counter-clockwise escapement is a negative angle).
double TextAngle(const Font& font) noexcept {
  return -static_cast<double>(font.escapement % 3600) * std::numbers::pi / 1800;
}

// What a font asks fontconfig for: family, OpenType weight and size in
// pixels per em (classic pixels).
struct FontRequest {
  const char* family = kChartFontFaceName;
  int weight = 700;
  double pixelsPerEm = 0.0;
};

FontRequest RequestFor(const Font& font) noexcept {
  if (font.face == FontFace::kSans || font.face == FontFace::kSansSemibold) {
    return {kSansFamily, font.face == FontFace::kSans ? 400 : 600,
            static_cast<double>(CellPixelsPerEm(EffectiveCellHeight(font.height), kSansFigures))};
  }
  if (font.face == FontFace::kSystem) return {kSystemFamily, 700, kSystemPixelsPerEm};
  return {kChartFontFaceName, 700,
          static_cast<double>(
              CellPixelsPerEm(EffectiveCellHeight(font.height), kTimesNewRomanBoldFigures))};
}

// The image contexts' rendering: grey-scale anti-aliasing with light
// hinting; metrics unhinted, so widths scale linearly with Scale and match
// between the image and the PDF of one chart. A PDF's outlines stay untouched.
cairo_font_options_t* TextOptions(bool forImage) noexcept {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  if (forImage) {
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  } else {
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  }
  return options;
}

// A face an image's text is drawn with directly: HarfBuzz shapes with it and
// cairo renders its glyphs as Pango would (the same fontconfig match, the
// same font options), with no Pango font map, whose start-up (fontconfig's
// default configuration, read in a thread of its own) and first layout cost
// a process's first smooth chart more than drawing it.
struct DirectFace {
  cairo_font_face_t* face = nullptr;
  hb_font_t* shaper = nullptr;
  double unitsPerEm = 0.0;
};

// A text shaped once in one font at one scale, kept for the next chart:
// shaping (itemising, font fallback, HarfBuzz) costs more than drawing the
// glyphs, and charts repeat their texts (axis numbers, months, series names).
struct ShapedLayout {
  PangoLayout* layout = nullptr;  // null for text shaped directly
  // Text shaped directly: its glyphs from the layout's top-left (classic
  // pixels, baseline at `baseline`) and their face.
  cairo_font_face_t* face = nullptr;
  std::vector<cairo_glyph_t> glyphs;
  double width = 0.0;     // logical advance, classic pixels
  double baseline = 0.0;  // from the layout's top
  double left = 0.0;      // logical left edge (0 for almost every text)
  int missingGlyphs = 0;
  // Image targets: the glyphs' coverage rendered once (A8, device pixels)
  // with its top-left at (maskX, maskY) from the anchor's device pixel. A
  // text's anchor is a whole classic pixel and the scale whole, so the mask
  // lands on the very pixels the glyphs would, and drawing the text again
  // is one composite instead of a glyph run through Pango's renderer.
  cairo_surface_t* mask = nullptr;
  std::int32_t maskX = 0;
  std::int32_t maskY = 0;
};

void ShowText(cairo_t* cr, const ShapedLayout& shaped, double pixelsPerEm) noexcept;

// What a thread keeps per context. A chart has a few dozen texts; when the
// cache holds kMaxCachedLayouts of them, or its estimated memory passes
// kMaxCachedBytes, it is emptied and fills again, which bounds it without
// bookkeeping on every hit. The estimate counts a mask's bytes and, for the
// layout, kBytesPerTextByte per byte of text (Pango's glyph and attribute
// records); masks past kMaxMaskPixels are not kept at all.
constexpr std::size_t kMaxCachedLayouts = 512;
constexpr std::size_t kMaxCachedBytes = std::size_t{32} << 20;
constexpr std::size_t kBytesPerTextByte = 128;
constexpr double kMaxMaskPixels = 1 << 20;

// Pango's font map, the two contexts (images: grey-scale anti-aliasing with
// light hinting; vector documents: outlines untouched) and their shaped
// texts. Pango's default font map is shared by every thread; this one
// belongs to its thread, so no two charts ever share Pango state. It reads
// the fontconfig configuration the classic faces read (fontconfig's
// process-wide default is left alone), and is made again after a font
// failed to open: Pango keeps a font that failed once as failed. Beside
// them, the faces an image's plain text is drawn with directly (DirectFace),
// opened on first use and kept for the thread's life; the font map is made
// only when a text or a document needs it.
class PangoThread {
 public:
  PangoThread() = default;
  ~PangoThread() {
    Stop();
    for (DirectFace& d : direct_) {
      if (d.face != nullptr) cairo_font_face_destroy(d.face);
      if (d.shaper != nullptr) hb_font_destroy(d.shaper);
    }
  }
  PangoThread(const PangoThread&) = delete;
  PangoThread& operator=(const PangoThread&) = delete;

  // Readies the text of an image (`forImage`) or a document: an image's
  // text is drawn directly when the chart face opens so (Pango then starts
  // only for text the direct path leaves to it), else through Pango
  // (StartPango). False with the reason.
  bool Start(bool forImage, std::string& error) noexcept {
    if (forImage && !damaged_ && Direct(Font::Chart(0)) != nullptr) return true;
    return StartPango(error);
  }

  // Makes the font map and contexts, unless they are there and no font has
  // failed since. False with the reason when they cannot be made or no font
  // draws the chart's text.
  bool StartPango(std::string& error) noexcept {
    if (description_ != nullptr && !damaged_) return true;
    Stop();
    FcConfig* config = ReferenceFontconfig();
    if (config == nullptr) {
      error = kNoFonts;
      return false;
    }
    fontMap_ = pango_cairo_font_map_new();
    if (fontMap_ != nullptr) pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontMap_), config);
    FcConfigDestroy(config);
    if (fontMap_ != nullptr) {
      contexts_[0] = MakeContext(fontMap_, true);
      contexts_[1] = MakeContext(fontMap_, false);
      description_ = pango_font_description_new();
    }
    if (contexts_[0] == nullptr || contexts_[1] == nullptr || description_ == nullptr) {
      Stop();
      error = kNoMemory;
      return false;
    }
    // fontconfig knows no font for the chart's text (an empty configuration,
    // fonts hidden from it): the faces the classic style opens by path stand
    // in, else the chart is refused rather than drawn in boxes.
    if (!ChartFontDraws() && !(UseClassicFaces() && ChartFontDraws())) {
      Stop();
      error = kNoFonts;
      return false;
    }
    return true;
  }

  // Whether a font failed while shaping since Start.
  [[nodiscard]] bool Damaged() const noexcept { return damaged_; }
  // Has the next Start make the font map again.
  void Damage() noexcept { damaged_ = true; }

  // `text` shaped in `font` on the context for `forImage`, whose matrix
  // `cr` sets; null when memory ran out or a font failed (Damaged). Only
  // after a successful Start.
  const ShapedLayout* Shape(bool forImage, cairo_t* cr, std::int32_t scale, const Font& font,
                            std::string_view text) noexcept {
    if (damaged_) return nullptr;
    auto& cache = caches_[forImage ? 0 : 1];
    try {
      std::string& key = key_;
      key.clear();
      const std::int32_t fields[] = {static_cast<std::int32_t>(font.face), font.height,
                                     font.escapement, font.pitchAndFamily, scale};
      key.append(reinterpret_cast<const char*>(fields), sizeof fields);
      key.append(text);
      if (const auto found = cache.find(key); found != cache.end()) return &found->second;
      std::size_t& bytes = cachedBytes_[forImage ? 0 : 1];
      if (cache.size() >= kMaxCachedLayouts || bytes >= kMaxCachedBytes) {
        Clear(cache);
        bytes = 0;
      }
      const std::string drawn = PangoText(text);
      ShapedLayout shaped;
      if (forImage && ShapeDirect(scale, font, drawn, shaped)) {
        RenderMask(shaped, font, scale);
        return Keep(cache, bytes, shaped);
      }
      if (description_ == nullptr) {
        if (forImage && !PangoStartFits()) return nullptr;
        std::string error;
        if (!StartPango(error)) {
          damaged_ = true;  // the next chart starts Pango again
          return nullptr;
        }
      }
      PangoContext* context = contexts_[forImage ? 0 : 1];
      // A change of scale since this context last drew makes Pango lay its
      // texts out again on their next use.
      pango_cairo_update_context(cr, context);
      shaped.layout = pango_layout_new(context);
      if (shaped.layout == nullptr) return nullptr;
      SetFont(font);
      pango_layout_set_font_description(shaped.layout, description_);
      pango_layout_set_text(shaped.layout, drawn.data(), static_cast<int>(drawn.size()));
      if (!FontsOpen(shaped.layout)) {
        g_object_unref(shaped.layout);
        damaged_ = true;
        return nullptr;
      }
      shaped.missingGlyphs = pango_layout_get_unknown_glyphs_count(shaped.layout);
      if (shaped.missingGlyphs > 0) ShapeWider(forImage, cr, drawn, shaped);
      PangoRectangle logical{};
      pango_layout_get_extents(shaped.layout, nullptr, &logical);
      shaped.width = static_cast<double>(logical.width) / PANGO_SCALE;
      shaped.left = static_cast<double>(logical.x) / PANGO_SCALE;
      shaped.baseline = static_cast<double>(pango_layout_get_baseline(shaped.layout)) / PANGO_SCALE;
      if (forImage) RenderMask(shaped, font, scale);
      return Keep(cache, bytes, shaped);
    } catch (...) {
      return nullptr;
    }
  }

 private:
  using Cache = std::unordered_map<std::string, ShapedLayout>;

  static void Release(ShapedLayout& shaped) noexcept {
    if (shaped.layout != nullptr) g_object_unref(shaped.layout);
    if (shaped.mask != nullptr) cairo_surface_destroy(shaped.mask);
  }

  static void Clear(Cache& cache) noexcept {
    for (auto& entry : cache) Release(entry.second);
    cache.clear();
  }

  // Puts `shaped` in `cache` under key_, counting its bytes; throws only
  // std::bad_alloc, releasing `shaped` first.
  const ShapedLayout* Keep(Cache& cache, std::size_t& bytes, ShapedLayout& shaped) {
    try {
      const ShapedLayout& kept = cache.emplace(key_, std::move(shaped)).first->second;
      bytes += key_.size() * kBytesPerTextByte + kept.glyphs.size() * sizeof(cairo_glyph_t);
      if (kept.mask != nullptr) {
        bytes += static_cast<std::size_t>(cairo_image_surface_get_stride(kept.mask)) *
                 static_cast<std::size_t>(cairo_image_surface_get_height(kept.mask));
      }
      return &kept;
    } catch (...) {
      Release(shaped);
      throw;
    }
  }

  // The face `font` is drawn with directly, found and opened on first use
  // (as Pango would find it: the same configuration, pattern and options);
  // null when fontconfig has no match or its file does not open, and the
  // text goes to Pango. A failure is not kept: the next text tries again.
  const DirectFace* Direct(const Font& font) noexcept {
    const auto slot = static_cast<std::size_t>(font.face);
    if (slot >= std::size(direct_)) return nullptr;
    DirectFace& direct = direct_[slot];
    if (direct.face != nullptr) return &direct;
    FcConfig* config = ReferenceFontconfig();
    if (config == nullptr) return nullptr;
    const FontRequest request = RequestFor(font);
    FcPattern* pattern = FcPatternCreate();
    FcPattern* match = nullptr;
    if (pattern != nullptr &&
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(request.family)) !=
            0 &&
        FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(request.weight)) != 0 &&
        FcConfigSubstitute(config, pattern, FcMatchPattern) != 0) {
      cairo_font_options_t* options = TextOptions(true);
      cairo_ft_font_options_substitute(options, pattern);
      cairo_font_options_destroy(options);
      FcDefaultSubstitute(pattern);
      FcResult result = FcResultNoMatch;
      match = FcFontMatch(config, pattern, &result);
    }
    if (pattern != nullptr) FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    if (match == nullptr) return nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    hb_font_t* shaper = nullptr;
    // A variable face's instance (index past 16 bits) is left to Pango.
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch && index >= 0 &&
        index <= 0xFFFF) {
      if (hb_blob_t* blob = hb_blob_create_from_file_or_fail(reinterpret_cast<const char*>(file));
          blob != nullptr) {
        hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(index));
        hb_blob_destroy(blob);
        if (hb_face_get_glyph_count(face) > 0 && hb_face_get_upem(face) > 0) {
          shaper = hb_font_create(face);
        }
        hb_face_destroy(face);
      }
    }
    cairo_font_face_t* face =
        shaper != nullptr ? cairo_ft_font_face_create_for_pattern(match) : nullptr;
    FcPatternDestroy(match);
    // cairo opens the file when a size of the face is first made.
    bool opens = false;
    if (face != nullptr && cairo_font_face_status(face) == CAIRO_STATUS_SUCCESS) {
      cairo_scaled_font_t* sized = SizedFont(face, request.pixelsPerEm, 1);
      opens = cairo_scaled_font_status(sized) == CAIRO_STATUS_SUCCESS;
      cairo_scaled_font_destroy(sized);
    }
    if (!opens) {
      if (face != nullptr) cairo_font_face_destroy(face);
      if (shaper != nullptr) hb_font_destroy(shaper);
      return nullptr;
    }
    hb_font_make_immutable(shaper);
    direct.face = face;
    direct.shaper = shaper;
    direct.unitsPerEm = hb_face_get_upem(hb_font_get_face(shaper));
    return &direct;
  }

  static cairo_scaled_font_t* SizedFont(cairo_font_face_t* face, double pixelsPerEm,
                                        std::int32_t scale) noexcept {
    cairo_matrix_t size, device;
    cairo_matrix_init_scale(&size, pixelsPerEm, pixelsPerEm);
    cairo_matrix_init_scale(&device, scale, scale);
    cairo_font_options_t* options = TextOptions(true);
    cairo_scaled_font_t* sized = cairo_scaled_font_create(face, &size, &device, options);
    cairo_font_options_destroy(options);
    return sized;
  }

  // Whether a text is one the direct path draws as Pango would: a single
  // line (no control character or line separator) with no character of a
  // script that needs bidi ordering or complex shaping.
  static bool DirectText(std::string_view text) noexcept {
    for (const char c : text) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    for (const std::string_view separator : {"\u0085", "\u2028", "\u2029"}) {
      if (text.find(separator) != std::string_view::npos) return false;
    }
    return !NeedsShaping(text);
  }

  // Shapes `drawn` with HarfBuzz in the face `font` is drawn with directly,
  // placing glyphs as Pango does. False, with `shaped` untouched, when the text is not one
  // for the direct path (DirectText), the face lacks a character or cannot
  // be opened, or memory ran out: Pango then shapes it, with fallback faces.
  bool ShapeDirect(std::int32_t scale, const Font& font, const std::string& drawn,
                   ShapedLayout& shaped) {
    if (!DirectText(drawn)) return false;
    const DirectFace* direct = Direct(font);
    if (direct == nullptr) return false;
    const double pixelsPerEm = RequestFor(font).pixelsPerEm;
    cairo_scaled_font_t* sized = SizedFont(direct->face, pixelsPerEm, scale);
    cairo_font_extents_t extents{};
    cairo_scaled_font_extents(sized, &extents);
    const bool sizedOk = cairo_scaled_font_status(sized) == CAIRO_STATUS_SUCCESS;
    cairo_scaled_font_destroy(sized);
    if (!sizedOk) return false;
    // The baseline as Pango keeps it, in its units.
    const double ascent = std::round(extents.ascent * PANGO_SCALE) / PANGO_SCALE;
    // Pango's units: 1/1024 of a classic pixel, advances and offsets rounded
    // to whole classic pixels, as Pango places glyphs of unhinted metrics.
    hb_font_t* sizedShaper = hb_font_create_sub_font(direct->shaper);
    const int units = static_cast<int>(pixelsPerEm * PANGO_SCALE);
    hb_font_set_scale(sizedShaper, units, units);
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf8(buffer, drawn.data(), static_cast<int>(drawn.size()), 0, -1);
    hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
    hb_buffer_guess_segment_properties(buffer);
    // Pango shapes each script's run apart (no kerning across them): text of
    // two scripts is left to it.
    bool whole = hb_buffer_allocation_successful(buffer) != 0;
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
    hb_script_t script = HB_SCRIPT_COMMON;
    for (unsigned k = 0; whole && k < count; ++k) {
      const hb_script_t own = hb_unicode_script(unicode, infos[k].codepoint);
      if (own == HB_SCRIPT_COMMON || own == HB_SCRIPT_INHERITED || own == HB_SCRIPT_UNKNOWN) {
        continue;
      }
      whole = script == HB_SCRIPT_COMMON || own == script;
      script = own;
    }
    if (whole) hb_shape(sizedShaper, buffer, nullptr, 0);
    hb_font_destroy(sizedShaper);
    whole = whole && hb_buffer_allocation_successful(buffer) != 0;
    infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    std::vector<cairo_glyph_t> glyphs;
    const auto pixels = [](hb_position_t v) {
      return static_cast<double>(PANGO_UNITS_ROUND(v) / PANGO_SCALE);
    };
    double pen = 0.0;
    try {
      glyphs.reserve(count);
      for (unsigned k = 0; whole && k < count; ++k) {
        whole = infos[k].codepoint != 0;
        glyphs.push_back({infos[k].codepoint, pen + pixels(positions[k].x_offset),
                          ascent - pixels(positions[k].y_offset)});
        pen += pixels(positions[k].x_advance);
      }
    } catch (...) {
      whole = false;
    }
    hb_buffer_destroy(buffer);
    if (!whole) return false;
    shaped.face = direct->face;
    shaped.glyphs = std::move(glyphs);
    shaped.width = pen;
    shaped.baseline = ascent;
    return true;
  }

  void Stop() noexcept {
    for (std::size_t i = 0; i < 2; ++i) {
      Clear(caches_[i]);
      cachedBytes_[i] = 0;
      if (contexts_[i] != nullptr) g_object_unref(contexts_[i]);
      contexts_[i] = nullptr;
    }
    if (description_ != nullptr) pango_font_description_free(description_);
    description_ = nullptr;
    if (fontMap_ != nullptr) g_object_unref(fontMap_);
    fontMap_ = nullptr;
    for (PangoContext*& context : widerContexts_) {
      if (context != nullptr) g_object_unref(context);
      context = nullptr;
    }
    if (widerMap_ != nullptr) g_object_unref(widerMap_);
    widerMap_ = nullptr;
    widerTried_ = false;
    damaged_ = false;
  }

  // Text with characters no chart face has, laid out again on the system's
  // whole configuration (read the first time such text comes, see
  // ReferenceWiderFontconfig): a face installed for that script draws it.
  // The new layout replaces `shaped.layout` when it lacks fewer glyphs.
  void ShapeWider(bool forImage, cairo_t* cr, const std::string& drawn,
                  ShapedLayout& shaped) noexcept {
    if (!widerTried_) {
      widerTried_ = true;
      if (FcConfig* config = ReferenceWiderFontconfig(); config != nullptr) {
        widerMap_ = pango_cairo_font_map_new();
        if (widerMap_ != nullptr) {
          pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(widerMap_), config);
          widerContexts_[0] = MakeContext(widerMap_, true);
          widerContexts_[1] = MakeContext(widerMap_, false);
        }
        FcConfigDestroy(config);
      }
    }
    PangoContext* context = widerContexts_[forImage ? 0 : 1];
    if (context == nullptr) return;
    pango_cairo_update_context(cr, context);
    PangoLayout* layout = pango_layout_new(context);
    if (layout == nullptr) return;
    pango_layout_set_font_description(layout, description_);
    pango_layout_set_text(layout, drawn.data(), static_cast<int>(drawn.size()));
    const int missing = pango_layout_get_unknown_glyphs_count(layout);
    if (missing >= shaped.missingGlyphs || !FontsOpen(layout)) {
      g_object_unref(layout);
      return;
    }
    g_object_unref(shaped.layout);
    shaped.layout = layout;
    shaped.missingGlyphs = missing;
  }

  // Whether every font `layout` draws with opened: a font whose file could
  // not be read (no descriptor or memory left) has no cairo font, and its
  // glyphs would be drawn as boxes. A layout with no font at all had no
  // font to draw with.
  static bool FontsOpen(PangoLayout* layout) noexcept {
    bool open = true;
    PangoLayoutIter* run = pango_layout_get_iter(layout);
    do {
      const PangoLayoutRun* glyphs = pango_layout_iter_get_run_readonly(run);
      if (glyphs == nullptr) continue;  // a line's end
      PangoFont* font = glyphs->item->analysis.font;
      cairo_scaled_font_t* scaled =
          font != nullptr ? pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font)) : nullptr;
      open = scaled != nullptr && cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS;
    } while (open && pango_layout_iter_next_run(run));
    pango_layout_iter_free(run);
    return open;
  }

  // Whether the chart face's description gives a font that opens.
  bool ChartFontDraws() noexcept {
    SetFont(Font::Chart(0));
    PangoFont* font = pango_font_map_load_font(fontMap_, contexts_[0], description_);
    if (font == nullptr) return false;
    cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font));
    const bool draws =
        scaled != nullptr && cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS;
    g_object_unref(font);
    return draws;
  }

  // Gives the font map a configuration of the scalable faces the classic
  // style opened by path; false when there are none.
  bool UseClassicFaces() noexcept {
    if (!EnsureFacesLoaded() && !LoadedFace(FaceSlot::kChart).loaded) return false;
    FcConfig* config = FcConfigCreate();
    if (config == nullptr) return false;
    bool added = false;
    for (const FaceSlot slot : {FaceSlot::kChart, FaceSlot::kSystem}) {
      const FaceInfo& face = LoadedFace(slot);
      if (face.loaded && !face.rasterFont &&
          FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(face.file.c_str()))) {
        added = true;
      }
    }
    if (added) pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontMap_), config);
    FcConfigDestroy(config);
    return added;
  }

  // Renders the layout's glyphs into `shaped.mask`, as TextOut places them
  // (see there); leaves no mask when the text has no ink or cairo fails, and
  // TextOut then draws the glyphs directly.
  static void RenderMask(ShapedLayout& shaped, const Font& font, std::int32_t scale) noexcept {
    const TextMetrics metrics = StandardTextMetrics(font);
    const double pixelsPerEm = RequestFor(font).pixelsPerEm;
    struct {
      double x, y, width, height;
    } ink{};
    if (shaped.layout != nullptr) {
      PangoRectangle box{};
      pango_layout_get_pixel_extents(shaped.layout, &box, nullptr);
      ink = {static_cast<double>(box.x), static_cast<double>(box.y), static_cast<double>(box.width),
             static_cast<double>(box.height)};
    } else {
      // In classic pixels: a device scale of 1 (cairo reports the glyphs of
      // a scaled size in their device space).
      cairo_scaled_font_t* sized = SizedFont(shaped.face, pixelsPerEm, 1);
      cairo_text_extents_t box{};
      cairo_scaled_font_glyph_extents(sized, shaped.glyphs.data(),
                                      static_cast<int>(shaped.glyphs.size()), &box);
      cairo_scaled_font_destroy(sized);
      // cairo gives the bearings from the first glyph's origin.
      if (!shaped.glyphs.empty()) {
        ink = {shaped.glyphs[0].x + box.x_bearing, shaped.glyphs[0].y + box.y_bearing, box.width,
               box.height};
      }
    }
    if (ink.width <= 0 || ink.height <= 0) return;
    cairo_matrix_t place;
    cairo_matrix_init_scale(&place, scale, scale);
    cairo_matrix_rotate(&place, TextAngle(font));
    cairo_matrix_translate(&place, -shaped.left, metrics.ascent - shaped.baseline);
    // The ink box's corners in device pixels from the anchor, rounded out,
    // with a pixel to spare for anti-aliasing and hinting.
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    for (const int corner : {0, 1, 2, 3}) {
      double x = ink.x + (corner & 1 ? ink.width : 0);
      double y = ink.y + (corner & 2 ? ink.height : 0);
      cairo_matrix_transform_point(&place, &x, &y);
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
    const double left = std::floor(x0) - 1;
    const double top = std::floor(y0) - 1;
    const double width = std::ceil(x1) + 1 - left;
    const double height = std::ceil(y1) + 1 - top;
    // Text this large is drawn directly each time.
    if (width * height > kMaxMaskPixels) return;
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, static_cast<int>(width),
                                                       static_cast<int>(height));
    cairo_t* cr = cairo_create(mask);
    cairo_translate(cr, -left, -top);
    cairo_transform(cr, &place);
    ShowText(cr, shaped, pixelsPerEm);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    if (!ok || cairo_surface_status(mask) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(mask);
      return;
    }
    cairo_surface_flush(mask);
    // Coverage in 17 steps instead of 256: the eye does not tell them apart
    // at text sizes, and an image of fewer colours keeps the PNG encoder on
    // its palette path (several times faster, a third of the bytes).
    unsigned char* rows = cairo_image_surface_get_data(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    for (int y = 0; y < cairo_image_surface_get_height(mask); ++y) {
      unsigned char* row = rows + static_cast<std::ptrdiff_t>(y) * stride;
      for (int x = 0; x < cairo_image_surface_get_width(mask); ++x) {
        row[x] = static_cast<unsigned char>(std::min(255, (row[x] + 8) / 16 * 16));
      }
    }
    cairo_surface_mark_dirty(mask);
    shaped.mask = mask;
    shaped.maskX = static_cast<std::int32_t>(left);
    shaped.maskY = static_cast<std::int32_t>(top);
  }

  static PangoContext* MakeContext(PangoFontMap* map, bool forImage) noexcept {
    PangoContext* context = pango_font_map_create_context(map);
    if (context == nullptr) return nullptr;
    cairo_font_options_t* options = TextOptions(forImage);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    return context;
  }

  void SetFont(const Font& font) noexcept {
    const FontRequest request = RequestFor(font);
    pango_font_description_set_family_static(description_, request.family);
    pango_font_description_set_absolute_size(description_, request.pixelsPerEm * PANGO_SCALE);
    pango_font_description_set_weight(description_, static_cast<PangoWeight>(request.weight));
  }

  PangoFontMap* fontMap_ = nullptr;
  bool damaged_ = false;  // a font failed: the next Start makes the map again
  PangoContext* contexts_[2] = {nullptr, nullptr};
  // The system's whole configuration, for text the chart faces lack (ShapeWider).
  PangoFontMap* widerMap_ = nullptr;
  PangoContext* widerContexts_[2] = {nullptr, nullptr};
  bool widerTried_ = false;
  PangoFontDescription* description_ = nullptr;  // scratch, refilled per new text
  Cache caches_[2];
  std::size_t cachedBytes_[2] = {0, 0};  // estimated, as kMaxCachedBytes counts
  std::string key_;                      // scratch, so a hit allocates nothing
  DirectFace direct_[4];                 // by FontFace
};

// Draws a shaped text with its top-left at the origin of `cr`.
void ShowText(cairo_t* cr, const ShapedLayout& shaped, double pixelsPerEm) noexcept {
  if (shaped.layout != nullptr) {
    cairo_move_to(cr, 0, 0);
    pango_cairo_show_layout(cr, shaped.layout);
    return;
  }
  cairo_set_font_face(cr, shaped.face);
  cairo_set_font_size(cr, pixelsPerEm);
  cairo_font_options_t* options = TextOptions(true);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  cairo_show_glyphs(cr, shaped.glyphs.data(), static_cast<int>(shaped.glyphs.size()));
}

PangoThread& ThreadPango() noexcept {
  thread_local PangoThread pango;
  return pango;
}

cairo_status_t AppendToVector(void* closure, const unsigned char* data,
                              unsigned int length) noexcept {
  try {
    auto& out = *static_cast<std::vector<std::uint8_t>*>(closure);
    out.insert(out.end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
  } catch (...) {
    return CAIRO_STATUS_WRITE_ERROR;
  }
}

}  // namespace

class CairoSurface final : public SmoothSurface {
 public:
  struct Impl;
  explicit CairoSurface(std::unique_ptr<Impl> impl) noexcept;
  ~CairoSurface() override;
  CairoSurface(const CairoSurface&) = delete;
  CairoSurface& operator=(const CairoSurface&) = delete;

  static CairoSurface* ForCanvas(Canvas& canvas, std::int32_t scale, std::string& error) noexcept;
  static CairoSurface* ForPdf(std::int32_t width, std::int32_t height, std::int32_t scale,
                              std::vector<std::uint8_t>& out, std::string& error) noexcept;

  bool Finish(std::string_view title, std::string& error) noexcept override;
  ShapedText Shape(std::string_view text) noexcept override;

  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) noexcept override;
  void FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     COLORREF color) noexcept override;
  void Polygon(std::span<const Point> points) noexcept override;
  void FillPolygon(std::span<const Point> points, const Brush& brush) noexcept override;
  void Pie(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
           Point start, Point end) noexcept override;
  void Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
               std::int32_t bottom) noexcept override;
  void MoveTo(std::int32_t x, std::int32_t y) noexcept override;
  void LineTo(std::int32_t x, std::int32_t y) noexcept override;
  void TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept override;
  // The standard metrics (draw/text_metrics.h): the layout never depends on
  // the installed fonts.
  TextMetrics GetTextMetrics() noexcept override;
  // The shaped advance, rounded up as TextOut's cell is.
  std::int32_t GetTextExtent(std::string_view text) noexcept override;
  Pen SelectPen(const Pen& pen) noexcept override;

 private:
  // Strokes the lines gathered since the last other drawing call.
  void FlushLines() noexcept;
  // Fills the current path with the brush and outlines it with the pen.
  void FillAndStrokePath() noexcept;

  std::unique_ptr<Impl> impl_;
};

struct CairoSurface::Impl {
  cairo_surface_t* target = nullptr;
  cairo_t* cr = nullptr;
  Canvas* canvas = nullptr;  // the image target, else null (a PDF)
  std::int32_t scale = 1;
  bool finished = false;
  const char* textError = nullptr;  // why a text could not be drawn
  // Lines gathered but not stroked yet, and where the gathered path ends.
  int pendingSegments = 0;
  Point pathEnd;

  ~Impl() {
    if (cr != nullptr) cairo_destroy(cr);
    if (target != nullptr) cairo_surface_destroy(target);
  }

  // Builds the drawing context over `target` (taken over) for a chart of
  // classic coordinates.
  bool Start(cairo_surface_t* surface, std::string& error) noexcept {
    target = surface;
    if (cairo_surface_status(target) != CAIRO_STATUS_SUCCESS) {
      error = std::string("Unable to create the drawing surface: ") +
              cairo_status_to_string(cairo_surface_status(target));
      return false;
    }
    cr = cairo_create(target);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
      error = kNoMemory;
      return false;
    }
    cairo_scale(cr, scale, scale);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    return ThreadPango().Start(canvas != nullptr, error);
  }

  // Null when the text cannot be shaped; the chart then lacks it, and
  // Finish reports why.
  const ShapedLayout* Shape(const Font& font, std::string_view text) noexcept {
    const ShapedLayout* shaped = ThreadPango().Shape(canvas != nullptr, cr, scale, font, text);
    if (shaped == nullptr && textError == nullptr) {
      textError = ThreadPango().Damaged() ? kNoFonts : kNoMemory;
    }
    return shaped;
  }
};

CairoSurface::CairoSurface(std::unique_ptr<Impl> impl) noexcept : impl_(std::move(impl)) {}

CairoSurface::~CairoSurface() = default;

CairoSurface* CairoSurface::ForCanvas(Canvas& canvas, std::int32_t scale,
                                      std::string& error) noexcept {
  try {
    auto impl = std::make_unique<Impl>();
    impl->canvas = &canvas;
    impl->scale = std::clamp(scale, 1, kMaxScale);
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, canvas.Width());
    if (canvas.Width() < 1 || canvas.Height() < 1 || stride != canvas.Stride()) {
      error = "Unable to draw on a canvas of this size";
      return nullptr;
    }
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(canvas.MutablePixels()), CAIRO_FORMAT_RGB24,
        canvas.Width(), canvas.Height(), stride);
    if (!impl->Start(surface, error)) return nullptr;
    return new CairoSurface(std::move(impl));
  } catch (...) {
    AssignOrClear(error, kNoMemory);
    return nullptr;
  }
}

CairoSurface* CairoSurface::ForPdf(std::int32_t width, std::int32_t height, std::int32_t scale,
                                   std::vector<std::uint8_t>& out, std::string& error) noexcept {
  try {
    auto impl = std::make_unique<Impl>();
    impl->scale = std::clamp(scale, 1, kMaxScale);
    if (width < 1 || height < 1 || width > Canvas::kMaxSide || height > Canvas::kMaxSide) {
      error = "Invalid image size " + std::to_string(width) + " x " + std::to_string(height);
      return nullptr;
    }
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(
        AppendToVector, &out, static_cast<double>(width) * impl->scale,
        static_cast<double>(height) * impl->scale);
    if (!impl->Start(surface, error)) return nullptr;
    return new CairoSurface(std::move(impl));
  } catch (...) {
    AssignOrClear(error, kNoMemory);
    return nullptr;
  }
}

bool CairoSurface::Finish(std::string_view title, std::string& error) noexcept {
  if (impl_->finished) return true;
  FlushLines();
  impl_->finished = true;
  cairo_t* cr = impl_->cr;
  if (impl_->textError != nullptr) {
    AssignOrClear(error, impl_->textError);
    return false;
  }
  if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
    // A font that failed while its glyphs were drawn stays failed in Pango.
    ThreadPango().Damage();
    AssignOrClear(error, "Unable to draw the chart: ", cairo_status_to_string(cairo_status(cr)));
    return false;
  }
  if (impl_->canvas != nullptr) {
    cairo_surface_flush(impl_->target);
    // cairo leaves its own value in the byte RGB24 does not use.
    std::uint32_t* pixels = impl_->canvas->MutablePixels();
    const auto count = static_cast<std::size_t>(impl_->canvas->Width()) *
                       static_cast<std::size_t>(impl_->canvas->Height());
    for (std::size_t i = 0; i < count; ++i) pixels[i] &= 0x00FFFFFFu;
    return true;
  }
  try {
    const std::string titleText = PangoText(title);
    if (!titleText.empty()) {
      cairo_pdf_surface_set_metadata(impl_->target, CAIRO_PDF_METADATA_TITLE, titleText.c_str());
    }
  } catch (...) {  // no title rather than no document
  }
  cairo_pdf_surface_set_metadata(impl_->target, CAIRO_PDF_METADATA_CREATOR, "Tessaloom");
  cairo_surface_finish(impl_->target);
  const cairo_status_t status = cairo_surface_status(impl_->target);
  if (status != CAIRO_STATUS_SUCCESS) {
    AssignOrClear(error, "Unable to write the document: ", cairo_status_to_string(status));
    return false;
  }
  return true;
}

void CairoSurface::FlushLines() noexcept {
  if (impl_->pendingSegments == 0) return;
  cairo_t* cr = impl_->cr;
  SetColor(cr, state_.pen.color);
  cairo_set_line_width(cr, PenWidth(state_.pen));
  if (state_.pen.round) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  }
  cairo_stroke(cr);
  if (state_.pen.round) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
  }
  impl_->pendingSegments = 0;
}

Pen CairoSurface::SelectPen(const Pen& pen) noexcept {
  if (!(pen == state_.pen)) FlushLines();
  return Exchange(state_.pen, pen);
}

void CairoSurface::MoveTo(std::int32_t x, std::int32_t y) noexcept { state_.position = {x, y}; }

void CairoSurface::LineTo(std::int32_t x, std::int32_t y) noexcept {
  const Point from = state_.position;
  state_.position = {x, y};
  // The classic pen leaves out the end pixel, so a line to where it starts
  // draws nothing.
  if (impl_->finished || from == state_.position) return;
  cairo_t* cr = impl_->cr;
  const double c = PenOffset(state_.pen);
  if (impl_->pendingSegments == 0) cairo_new_path(cr);
  if (impl_->pendingSegments == 0 || !(impl_->pathEnd == from)) {
    cairo_move_to(cr, Coordinate(from.x) + c, Coordinate(from.y) + c);
  }
  cairo_line_to(cr, Coordinate(x) + c, Coordinate(y) + c);
  impl_->pathEnd = state_.position;
  if (++impl_->pendingSegments >= kMaxPendingSegments) FlushLines();
}

void CairoSurface::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom) noexcept {
  FlushLines();
  if (impl_->finished) return;
  const double l = Coordinate(std::min(left, right));
  const double r = Coordinate(std::max(left, right));
  const double t = Coordinate(std::min(top, bottom));
  const double b = Coordinate(std::max(top, bottom));
  if (r - l < 1 || b - t < 1) return;
  cairo_t* cr = impl_->cr;
  const double c = PenOffset(state_.pen);
  // The outline's centre line runs through the pixels [left, right-1] x
  // [top, bottom-1] the classic rectangle covers.
  cairo_new_path(cr);
  cairo_rectangle(cr, l + c, t + c, r - l - 1, b - t - 1);
  FillAndStrokePath();
}

void CairoSurface::FillSolidRect(std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height, COLORREF color) noexcept {
  FlushLines();
  state_.backgroundColor = color;
  if (impl_->finished) return;
  const double x0 = Coordinate(x);
  const double y0 = Coordinate(y);
  const double x1 = Coordinate(std::int64_t{x} + width);
  const double y1 = Coordinate(std::int64_t{y} + height);
  cairo_t* cr = impl_->cr;
  cairo_new_path(cr);
  cairo_rectangle(cr, std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0));
  SetColor(cr, color);
  cairo_fill(cr);
}

void CairoSurface::Polygon(std::span<const Point> points) noexcept {
  FlushLines();
  if (impl_->finished || points.size() < 2) return;
  cairo_t* cr = impl_->cr;
  const double c = PenOffset(state_.pen);
  cairo_new_path(cr);
  for (const Point& p : points) cairo_line_to(cr, Coordinate(p.x) + c, Coordinate(p.y) + c);
  cairo_close_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  FillAndStrokePath();
}

void CairoSurface::FillPolygon(std::span<const Point> points, const Brush& brush) noexcept {
  FlushLines();
  if (impl_->finished || points.size() < 3) return;
  cairo_t* cr = impl_->cr;
  // Without an outline the vertices are pixel corners: an axis-aligned
  // polygon covers the pixels the classic fill covers, edges sharp.
  cairo_new_path(cr);
  for (const Point& p : points) cairo_line_to(cr, Coordinate(p.x), Coordinate(p.y));
  cairo_close_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  SetColor(cr, brush.color);
  cairo_fill(cr);
}

namespace {

// The ellipse a box inscribes: its outline's centre line runs through the
// centres of the box's outermost pixels, as for Rectangle. Empty (rx or ry
// not positive) for a box too thin to draw.
struct InscribedEllipse {
  double cx, cy, rx, ry;
  [[nodiscard]] bool empty() const noexcept { return rx <= 0 || ry <= 0; }
};

InscribedEllipse EllipseIn(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom) noexcept {
  const double l = Coordinate(std::min(left, right));
  const double r = Coordinate(std::max(left, right));
  const double t = Coordinate(std::min(top, bottom));
  const double b = Coordinate(std::max(top, bottom));
  return {(l + r) / 2, (t + b) / 2, (r - l - 1) / 2, (b - t - 1) / 2};
}

}  // namespace

void CairoSurface::FillAndStrokePath() noexcept {
  cairo_t* cr = impl_->cr;
  SetColor(cr, state_.brush.color);
  cairo_fill_preserve(cr);
  SetColor(cr, state_.pen.color);
  cairo_set_line_width(cr, PenWidth(state_.pen));
  cairo_stroke(cr);
}

void CairoSurface::Pie(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       Point start, Point end) noexcept {
  FlushLines();
  if (impl_->finished) return;
  const InscribedEllipse e = EllipseIn(left, top, right, bottom);
  if (e.empty()) return;
  // Directions through the points, taken on the unit circle the ellipse is
  // stretched from (a radial stays a radial under the stretch). y grows
  // downward, so counter-clockwise on screen is the decreasing angle.
  const double a0 = std::atan2((Coordinate(start.y) + 0.5 - e.cy) / e.ry,
                               (Coordinate(start.x) + 0.5 - e.cx) / e.rx);
  const double a1 =
      std::atan2((Coordinate(end.y) + 0.5 - e.cy) / e.ry, (Coordinate(end.x) + 0.5 - e.cx) / e.rx);
  cairo_t* cr = impl_->cr;
  cairo_new_path(cr);
  cairo_save(cr);
  cairo_translate(cr, e.cx, e.cy);
  cairo_scale(cr, e.rx, e.ry);
  if (std::abs(a0 - a1) < 1e-9) {
    cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  } else {
    cairo_move_to(cr, 0, 0);
    cairo_arc_negative(cr, 0, 0, 1, a0, a1);
  }
  cairo_close_path(cr);
  cairo_restore(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  FillAndStrokePath();
}

void CairoSurface::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom) noexcept {
  FlushLines();
  if (impl_->finished) return;
  const InscribedEllipse e = EllipseIn(left, top, right, bottom);
  if (e.empty()) return;
  cairo_t* cr = impl_->cr;
  cairo_new_path(cr);
  cairo_save(cr);
  cairo_translate(cr, e.cx, e.cy);
  cairo_scale(cr, e.rx, e.ry);
  cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_close_path(cr);
  cairo_restore(cr);
  FillAndStrokePath();
}

void CairoSurface::TextOut(std::int32_t x, std::int32_t y, std::string_view text) noexcept {
  FlushLines();
  if (impl_->finished || text.empty()) return;
  const ShapedLayout* shaped = impl_->Shape(state_.font, text);
  if (shaped == nullptr) return;
  const TextMetrics metrics = StandardTextMetrics(state_.font);
  cairo_t* cr = impl_->cr;
  cairo_save(cr);
  cairo_translate(cr, Coordinate(x), Coordinate(y));
  // The cell turns about its anchor: its top-left for escapement 0, which
  // for 900 (text running upward) lies at the bottom-left on screen.
  if (state_.font.escapement != 0) cairo_rotate(cr, TextAngle(state_.font));
  cairo_new_path(cr);
  cairo_rectangle(cr, 0, 0, std::ceil(shaped->width), metrics.height);
  SetColor(cr, state_.backgroundColor);
  cairo_fill(cr);
  SetColor(cr, state_.textColor);
  if (shaped->mask != nullptr) {
    cairo_identity_matrix(cr);
    const double scale = impl_->scale;
    cairo_mask_surface(cr, shaped->mask, Coordinate(x) * scale + shaped->maskX,
                       Coordinate(y) * scale + shaped->maskY);
  } else {
    // The baseline stands where the classic cell has it, at the standard
    // ascent, whichever font the glyphs come from.
    cairo_translate(cr, -shaped->left, metrics.ascent - shaped->baseline);
    ShowText(cr, *shaped, RequestFor(state_.font).pixelsPerEm);
  }
  cairo_restore(cr);
}

TextMetrics CairoSurface::GetTextMetrics() noexcept { return StandardTextMetrics(state_.font); }

std::int32_t CairoSurface::GetTextExtent(std::string_view text) noexcept {
  const double width = std::ceil(Shape(text).width);
  return width >= INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(width);
}

SmoothSurface::ShapedText CairoSurface::Shape(std::string_view text) noexcept {
  if (text.empty()) return {};
  const ShapedLayout* shaped = impl_->Shape(state_.font, text);
  if (shaped == nullptr) return {};
  return {shaped->width, shaped->missingGlyphs};
}

}  // namespace tessaloom

// The module's entry points (draw/smooth_surface.h names them).
extern "C" __attribute__((visibility("default"))) tessaloom::SmoothSurface*
TessaloomCreateSmoothSurface(tessaloom::Canvas& canvas, std::int32_t scale,
                             std::string& error) noexcept {
  return tessaloom::CairoSurface::ForCanvas(canvas, scale, error);
}

extern "C" __attribute__((visibility("default"))) bool TessaloomStartSmoothText(
    std::string& error) noexcept {
  return tessaloom::ThreadPango().Start(true, error);
}

extern "C" __attribute__((visibility("default"))) tessaloom::SmoothSurface*
TessaloomCreatePdfSurface(std::int32_t width, std::int32_t height, std::int32_t scale,
                          std::vector<std::uint8_t>& out, std::string& error) noexcept {
  return tessaloom::CairoSurface::ForPdf(width, height, scale, out, error);
}
