#include "draw/font_faces.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_WINFONTS_H

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <new>
#include <span>
#include <string_view>

#include "draw/chart_fontconfig.h"
#include "platform/library_path.h"
#include "platform/text.h"

namespace tessaloom {
namespace {

// A package may carry the two faces in "fonts/" of the library's own files
// (the Python wheel does, for machines without the Debian font packages);
// those copies come first, so the package draws with what it was built with.
constexpr const char* kChartFileName = "LiberationSerif-Bold.ttf";
constexpr const char* kSystemFileName = "vgasys.fon";

// `name` in the fonts folder of the library's own files, or empty when the
// library's folder is unknown. Never the current folder.
std::string FileBesideLibrary(const char* name) {
  const std::string_view folder = OwnLibraryFolder();
  return folder.empty() ? std::string()
                        : std::string(folder).append(kOwnFilesFolder).append("fonts/").append(name);
}

// Families that share Times New Roman's advances and vertical metrics.
constexpr std::array<std::string_view, 3> kChartFamilies = {"Times New Roman", "Liberation Serif",
                                                            "Tinos"};
constexpr std::array<const char*, 2> kChartFiles = {
    "/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf"};
// Debian's fonts-wine does not register its raster fonts with fontconfig.
constexpr const char* kSystemFile = "/usr/share/wine/fonts/vgasys.fon";
// The System font's cell height, which a raster strike should have.
constexpr FT_Short kSystemStrikeHeight = 16;
// Bounds on what a (possibly broken) face may report, in pixels.
constexpr FT_Pos kMaxAdvance = 1 << 16;
constexpr unsigned kMaxBitmapSide = 1u << 16;
// The largest font file a shaper gets a copy of, when FreeType reads a file
// through calls instead of mapping it: past any face the fallback finds.
constexpr FT_ULong kMaxCopiedFontBytes = FT_ULong{256} << 20;

// Windows-1252 bytes 0x80-0x9F as code points; 0 where the byte is unused.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Raster fonts are coded in a Windows code page, not Unicode. 0: no code.
FT_ULong RasterCharCode(char32_t cp, bool cp1252) noexcept {
  if (cp < 0x80) return cp;
  if (!cp1252) return 0;
  if (cp >= 0xA0 && cp <= 0xFF) return cp;
  for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == cp) return 0x80 + i;
  }
  return 0;
}

struct Candidate {
  std::string file;
  int index = 0;
  std::string family;
  int weight = 0;
};

// Font look-ups of this thread that failed for a reason that may pass.
thread_local std::uint64_t faults = 0;

// fontconfig's best match for `pattern` in `config` (fontconfig always
// answers with something, so callers check the family).
bool MatchFont(FcConfig* config, const char* pattern, Candidate& out) {
  if (config == nullptr) return false;
  FcPattern* request = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
  if (request == nullptr) return false;
  FcConfigSubstitute(config, request, FcMatchPattern);
  FcDefaultSubstitute(request);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, request, &result);
  FcPatternDestroy(request);
  if (match == nullptr) return false;
  FcChar8* file = nullptr;
  FcChar8* family = nullptr;
  const bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
  if (found) {
    out.file = reinterpret_cast<const char*>(file);
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch) {
      out.family = reinterpret_cast<const char*>(family);
    }
    FcPatternGetInteger(match, FC_INDEX, 0, &out.index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &out.weight);
  }
  FcPatternDestroy(match);
  return found;
}

// Characters fallback faces are not looked for: C0 and C1 controls (they
// draw the box, as they always have), private-use characters (what they
// show is each font's own business) and noncharacters.
bool FallbackServes(char32_t cp) noexcept {
  if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) return false;
  if ((cp >= 0xE000 && cp <= 0xF8FF) || cp >= 0xF0000) return false;
  if (cp >= 0xFDD0 && cp <= 0xFDEF) return false;
  return (cp & 0xFFFE) != 0xFFFE;
}

// How many of fontconfig's candidates for one character are tried.
constexpr std::size_t kMaxCandidates = 8;

// Faces that have `cp`, in fontconfig's order for a bold serif with that
// character, leaving out colour faces (their glyphs are colour bitmaps,
// which bilevel text cannot show) and faces that are not scalable.
std::vector<Candidate> FacesWithCharacter(FcConfig* config, char32_t cp) {
  std::vector<Candidate> found;
  if (config == nullptr) return found;
  FcPattern* request = FcNameParse(reinterpret_cast<const FcChar8*>("serif:bold"));
  if (request == nullptr) return found;
  FcCharSet* wanted = FcCharSetCreate();
  if (wanted != nullptr) {
    FcCharSetAddChar(wanted, cp);
    FcPatternAddCharSet(request, FC_CHARSET, wanted);
    FcCharSetDestroy(wanted);
  }
  FcConfigSubstitute(config, request, FcMatchPattern);
  FcDefaultSubstitute(request);
  FcResult result = FcResultNoMatch;
  FcFontSet* fonts = FcFontSort(config, request, FcFalse, nullptr, &result);
  FcPatternDestroy(request);
  if (fonts == nullptr) return found;
  for (int i = 0; i < fonts->nfont && found.size() < kMaxCandidates; ++i) {
    FcPattern* font = fonts->fonts[i];
    FcCharSet* charset = nullptr;
    FcBool color = FcFalse;
    FcBool scalable = FcTrue;
    FcChar8* file = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch ||
        !FcCharSetHasChar(charset, cp) ||
        FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) {
      continue;
    }
    FcPatternGetBool(font, FC_COLOR, 0, &color);
    FcPatternGetBool(font, FC_SCALABLE, 0, &scalable);
    if (color || !scalable) continue;
    Candidate c;
    c.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &c.index);
    found.push_back(std::move(c));
  }
  FcFontSetDestroy(fonts);
  return found;
}

bool FamilyIn(const Candidate& c, std::span<const std::string_view> families) {
  return std::any_of(families.begin(), families.end(),
                     [&](std::string_view f) { return EqualsIgnoreAsciiCase(c.family, f); });
}

void Describe(FT_Face face, const std::string& file, FaceInfo& info) {
  info.loaded = true;
  info.file = file;
  info.index = static_cast<int>(face->face_index & 0xFFFF);
  info.family = face->family_name != nullptr ? face->family_name : "";
}

bool OpenScalable(FT_Library library, const std::string& file, int index, FT_Face& out,
                  FaceInfo& info) {
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.c_str(), index, &face) != 0) return false;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
    FT_Done_Face(face);
    return false;
  }
  if (face->charmap == nullptr || face->charmap->encoding != FT_ENCODING_UNICODE) {
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);  // a face without one keeps its own
  }
  FaceFigures& f = info.figures;
  f.unitsPerEm = face->units_per_EM;
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    f.winAscent = os2->usWinAscent;
    f.winDescent = os2->usWinDescent;
    f.xAvgCharWidth = os2->xAvgCharWidth;
  } else {
    f.winAscent = face->ascender;
    f.winDescent = -face->descender;
  }
  f.advanceWidthMax = hhea != nullptr ? hhea->advance_Width_Max : face->max_advance_width;
  Describe(face, file, info);
  out = face;
  return true;
}

bool OpenRaster(FT_Library library, const std::string& file, FT_Face& out, FaceInfo& info,
                bool& cp1252) {
  FT_Face face = nullptr;
  if (FT_New_Face(library, file.c_str(), 0, &face) != 0) return false;
  FT_WinFNT_HeaderRec header{};
  if (FT_Get_WinFNT_Header(face, &header) != 0 || face->num_fixed_sizes < 1) {
    FT_Done_Face(face);
    return false;
  }
  FT_Int strike = 0;
  for (FT_Int i = 0; i < face->num_fixed_sizes; ++i) {
    if (face->available_sizes[i].height == kSystemStrikeHeight) strike = i;
  }
  if (FT_Select_Size(face, strike) != 0) {
    FT_Done_Face(face);
    return false;
  }
  // The driver selects no charmap; its only one maps code-page bytes.
  if (face->num_charmaps > 0) FT_Set_Charmap(face, face->charmaps[0]);
  cp1252 = header.charset == FT_WinFNT_ID_CP1252;
  TextMetrics& m = info.rasterMetrics;
  m.height = header.pixel_height;
  m.ascent = std::min(header.ascent, header.pixel_height);
  m.descent = m.height - m.ascent;
  m.aveCharWidth = header.avg_width;
  m.maxCharWidth = header.max_width;
  info.rasterFont = true;
  Describe(face, file, info);
  out = face;
  return true;
}

// The process's faces. A face that could not be opened (no font installed
// yet, no file descriptor left) is looked for again at the next Ensure, so
// one failed attempt does not leave the process without text. A loaded
// face's description is published once through an atomic pointer and then
// never changes; every FreeType call is made under `mutex_`.
class Faces {
 public:
  Faces() noexcept { Ensure(); }

  static Faces& Instance() noexcept {
    // Built in static storage and never destroyed, so text drawn by other
    // threads or static destructors during exit still finds its faces.
    alignas(Faces) static unsigned char storage[sizeof(Faces)];
    static Faces* const kFaces = new (storage) Faces();
    return *kFaces;
  }

  bool Ensure() noexcept {
    if (Loaded()) return true;
    std::lock_guard lock(mutex_);
    try {
      if (library_ == nullptr && FT_Init_FreeType(&library_) != 0) library_ = nullptr;
      if (library_ != nullptr) {
        if (published_[0].load() == nullptr) LoadChartFace();
        if (published_[1].load() == nullptr) LoadSystemFace();
      }
    } catch (...) {  // out of memory while loading: try again next time
    }
    return Loaded();
  }

  const FaceInfo& Info(FaceId face) const noexcept {
    const FaceInfo* info =
        face < kFaces ? published_[face].load(std::memory_order_acquire) : nullptr;
    return info != nullptr ? *info : kNoFace;
  }

  GlyphSource Find(FaceSlot slot, char32_t cp) noexcept {
    const FaceId own = FaceOf(slot);
    std::lock_guard lock(mutex_);
    if (face_[own] == nullptr) return {own, 0};
    FT_ULong code = cp;
    if (info_[own].rasterFont) {
      code = RasterCharCode(cp, cp1252_[own]);
      if (code == 0) return {own, 0};
    }
    const FT_UInt index = FT_Get_Char_Index(face_[own], code);
    if (index != 0 || slot != FaceSlot::kChart || !FallbackServes(cp)) return {own, index};
    try {
      return Fallback(cp);
    } catch (...) {  // out of memory while looking: the box this time
      ++faults;
      return {own, 0};
    }
  }

  // See ReferenceFontconfig and ReferenceWiderFontconfig.
  FcConfig* ReferenceConfig(bool wider) noexcept {
    std::lock_guard lock(mutex_);
    FcConfig* config = Config();
    if (wider) config = config != nullptr ? WiderConfig() : nullptr;
    return config != nullptr ? FcConfigReference(config) : nullptr;
  }

  std::span<const unsigned char> FileBytes(FaceId id) noexcept {
    if (id >= kFaces) return {};
    std::lock_guard lock(mutex_);
    FT_Face face = face_[id];
    if (face == nullptr || info_[id].rasterFont || face->stream == nullptr) return {};
    if (face->stream->base != nullptr) return {face->stream->base, face->stream->size};
    // Tag 0 reads the whole file.
    std::vector<unsigned char>& copy = copies_[id];
    FT_ULong length = 0;
    if (copy.empty() && FT_Load_Sfnt_Table(face, 0, 0, nullptr, &length) == 0 && length > 0 &&
        length <= kMaxCopiedFontBytes) {
      try {
        copy.resize(length);
        if (FT_Load_Sfnt_Table(face, 0, 0, copy.data(), &length) != 0) copy.clear();
      } catch (...) {  // out of memory: none this time
        copy.clear();
      }
    }
    return copy;
  }

  void Render(FaceId id, std::int32_t ppem, std::uint32_t glyphIndex, Glyph& out) noexcept {
    out = Glyph{};
    if (id >= kFaces) return;
    const std::size_t i = id;
    std::lock_guard lock(mutex_);
    FT_Face face = face_[i];
    if (face == nullptr) return;
    if (!info_[i].rasterFont && ppem_[i] != ppem) {
      ppem_[i] = 0;
      if (ppem < 1 || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem)) != 0) return;
      ppem_[i] = ppem;
    }
    FT_Error error = FT_Load_Glyph(face, glyphIndex, FT_LOAD_TARGET_MONO);
    if (error != 0 && glyphIndex != 0) error = FT_Load_Glyph(face, 0, FT_LOAD_TARGET_MONO);
    if (error != 0) return;
    FT_GlyphSlot g = face->glyph;
    out.advance = static_cast<std::int32_t>(
        (std::clamp<FT_Pos>(g->advance.x, 0, kMaxAdvance * 64) + 32) >> 6);
    if (g->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(g, FT_RENDER_MODE_MONO) != 0) return;
    const FT_Bitmap& bitmap = g->bitmap;
    if (bitmap.buffer == nullptr || bitmap.width > kMaxBitmapSide || bitmap.rows > kMaxBitmapSide) {
      return;
    }
    out.left = g->bitmap_left;
    out.top = g->bitmap_top;
    out.width = static_cast<std::int32_t>(bitmap.width);
    out.rows = static_cast<std::int32_t>(bitmap.rows);
    try {
      ExtractRuns(bitmap, out.runs);
    } catch (...) {  // out of memory: the glyph keeps its advance, loses its ink
      out.runs.clear();
    }
  }

 private:
  static constexpr std::size_t kFaces = kMaxFaces;

  static std::size_t Index(FaceSlot slot) noexcept { return FaceOf(slot); }

  // A face after the chart face that has `cp`: one already open, else the
  // first of fontconfig's candidates that opens and has it. Under mutex_.
  GlyphSource Fallback(char32_t cp) {
    for (std::size_t i = 2; i < 2 + fallbackCount_; ++i) {
      if (const FT_UInt index = FT_Get_Char_Index(face_[i], cp); index != 0) {
        return {static_cast<FaceId>(i), index};
      }
    }
    if (2 + fallbackCount_ == kFaces) return {};
    FcConfig* config = Config();
    if (config == nullptr) return {};
    std::vector<Candidate> candidates = FacesWithCharacter(config, cp);
    if (candidates.empty()) candidates = FacesWithCharacter(WiderConfig(), cp);
    bool unreadable = false;
    for (const Candidate& c : candidates) {
      const std::size_t next = 2 + fallbackCount_;
      if (next == kFaces) break;
      const bool open = std::any_of(fallbackKeys_.begin(), fallbackKeys_.end(), [&](const auto& k) {
        return k.first == c.file && k.second == c.index;
      });
      if (open) continue;  // asked above: its character map says no
      errno = 0;
      if (!OpenScalable(library_, c.file, c.index, face_[next], info_[next])) {
        // A file fontconfig read that does not open now (no descriptor or
        // memory left, unreadable), rather than one FreeType turns down.
        unreadable = unreadable || errno != 0;
        continue;
      }
      fallbackKeys_.emplace_back(c.file, c.index);
      ++fallbackCount_;
      Publish(next);
      // fontconfig's character set and the face's map can disagree.
      if (const FT_UInt index = FT_Get_Char_Index(face_[next], cp); index != 0) {
        return {static_cast<FaceId>(next), index};
      }
    }
    if (unreadable) ++faults;
    return {};
  }

  // The faces' own fontconfig configuration (fontconfig's process-wide
  // default is left alone), read on first need. A read while descriptors or
  // memory ran short loses the configuration files or the font list without
  // failing, and would leave the process without fallback faces: it is
  // dropped, counted as a fault, and read again by the next look-up. Under
  // mutex_.
  FcConfig* Config() noexcept {
    if (config_ != nullptr) return config_;
    errno = 0;
    FcConfig* config = OwnConfig();
    own_ = config != nullptr;
    if (config == nullptr && errno != EMFILE && errno != ENFILE && errno != ENOMEM) {
      config = FcInitLoadConfigAndFonts();
    }
    if (errno == EMFILE || errno == ENFILE || errno == ENOMEM || config == nullptr) {
      if (config != nullptr) FcConfigDestroy(config);
      ++faults;
      return nullptr;
    }
    config_ = config;
    return config_;
  }

  // The system's whole configuration, beside the chart faces' own: read the
  // first time a character finds no chart face (a script they lack), so that
  // any face installed for it still serves. Null while the system's is the
  // one in use anyway, or when it cannot be read (again after a shortage).
  // Under mutex_.
  FcConfig* WiderConfig() noexcept {
    if (wider_ != nullptr || !own_ || widerFailed_) return wider_;
    errno = 0;
    FcConfig* config = FcInitLoadConfigAndFonts();
    const bool shortage = errno == EMFILE || errno == ENFILE || errno == ENOMEM;
    if (config == nullptr || shortage) {
      if (config != nullptr) FcConfigDestroy(config);
      widerFailed_ = !shortage;
      return nullptr;
    }
    wider_ = config;
    return wider_;
  }

  // The configuration of just the faces charts use (draw/chart_fontconfig.h),
  // or null when it is missing or unusable: the system's then serves.
  static FcConfig* OwnConfig() noexcept {
    const std::string_view folder = OwnLibraryFolder();
    return folder.empty()
               ? nullptr
               : LoadChartFontconfig(std::string(folder).append(kOwnFilesFolder).append("fonts/"));
  }

  bool Loaded() const noexcept {
    return published_[0].load(std::memory_order_acquire) != nullptr &&
           published_[1].load(std::memory_order_acquire) != nullptr;
  }

  // Makes slot i's description visible to readers once its face is open.
  void Publish(std::size_t i) { published_[i].store(new FaceInfo(info_[i])); }

  // Mono bitmaps hold 8 pixels a byte, most significant first; grey ones
  // (embedded strikes) count as ink from half coverage. Other modes: no ink.
  static void ExtractRuns(const FT_Bitmap& bitmap, std::vector<InkRun>& runs) {
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!mono && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
    const std::size_t pitch =
        static_cast<std::size_t>(bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch);
    for (unsigned r = 0; r < bitmap.rows; ++r) {
      // A negative pitch stores the bottom row first.
      const unsigned stored = bitmap.pitch < 0 ? bitmap.rows - 1 - r : r;
      const unsigned char* row = bitmap.buffer + stored * pitch;
      const auto ink = [&](unsigned x) {
        return mono ? ((row[x >> 3] >> (7 - (x & 7))) & 1) != 0 : row[x] >= 128;
      };
      for (unsigned x = 0; x < bitmap.width;) {
        if (!ink(x)) {
          ++x;
          continue;
        }
        const unsigned x0 = x;
        while (x < bitmap.width && ink(x)) ++x;
        runs.push_back({static_cast<std::int32_t>(r), static_cast<std::int32_t>(x0),
                        static_cast<std::int32_t>(x)});
      }
    }
  }

  // Liberation Serif Bold beside the library, then by its Debian path (a dependency of the package,
  // metric-compatible with Times New Roman bold), else "Times New Roman"
  // bold as fontconfig realises it when that is a metric-compatible face,
  // else any bold serif fontconfig offers. The known file comes first: a
  // chart then looks the same on every machine, and a process that finds
  // it never pays for fontconfig's set-up (most of a one-chart process).
  void LoadChartFace() {
    FT_Face& face = face_[Index(FaceSlot::kChart)];
    FaceInfo& info = info_[Index(FaceSlot::kChart)];
    Candidate c;
    const std::string beside = FileBesideLibrary(kChartFileName);
    const bool opened =
        (!beside.empty() && OpenScalable(library_, beside, 0, face, info)) ||
        std::any_of(
            kChartFiles.begin(), kChartFiles.end(),
            [&](const char* file) { return OpenScalable(library_, file, 0, face, info); }) ||
        (MatchFont(Config(), "Times New Roman:bold", c) && FamilyIn(c, kChartFamilies) &&
         c.weight >= FC_WEIGHT_BOLD && OpenScalable(library_, c.file, c.index, face, info)) ||
        (MatchFont(Config(), "serif:bold", c) &&
         OpenScalable(library_, c.file, c.index, face, info));
    if (opened) Publish(Index(FaceSlot::kChart));
  }

  // Wine's raster "System" font (its Debian path, then fontconfig), else a
  // bold sans face drawn in a 16-pixel cell.
  void LoadSystemFace() {
    const std::size_t i = Index(FaceSlot::kSystem);
    if (OpenSystemFace(face_[i], info_[i], i)) Publish(i);
  }

  bool OpenSystemFace(FT_Face& face, FaceInfo& info, std::size_t i) {
    const std::string beside = FileBesideLibrary(kSystemFileName);
    if (!beside.empty() && OpenRaster(library_, beside, face, info, cp1252_[i])) return true;
    if (OpenRaster(library_, kSystemFile, face, info, cp1252_[i])) return true;
    Candidate c;
    if (MatchFont(Config(), "System", c) &&
        FamilyIn(c, std::array<std::string_view, 1>{"System"}) &&
        OpenRaster(library_, c.file, face, info, cp1252_[i])) {
      return true;
    }
    for (const auto& [pattern, family] : {std::pair{"DejaVu Sans:bold", "DejaVu Sans"},
                                          std::pair{"Liberation Sans:bold", "Liberation Sans"}}) {
      if (MatchFont(Config(), pattern, c) && FamilyIn(c, std::array<std::string_view, 1>{family}) &&
          c.weight >= FC_WEIGHT_BOLD && OpenScalable(library_, c.file, c.index, face, info)) {
        return true;
      }
    }
    return MatchFont(Config(), "sans-serif:bold", c) &&
           OpenScalable(library_, c.file, c.index, face, info);
  }

  FT_Library library_ = nullptr;
  FcConfig* config_ = nullptr;  // see Config
  bool own_ = false;            // config_ is the chart faces' own configuration
  FcConfig* wider_ = nullptr;   // see WiderConfig
  bool widerFailed_ = false;
  std::mutex mutex_;  // every FreeType call after construction
  std::array<FT_Face, kFaces> face_{};
  std::array<FaceInfo, kFaces> info_;  // filled under mutex_ while a face is opened
  std::array<std::atomic<const FaceInfo*>, kFaces> published_{};
  static inline const FaceInfo kNoFace{};
  std::array<bool, kFaces> cp1252_{};
  std::array<std::int32_t, kFaces> ppem_{};                // size each scalable face is set to
  std::array<std::vector<unsigned char>, kFaces> copies_;  // files FreeType does not map
  std::size_t fallbackCount_ = 0;                          // faces open after the two slots'
  std::vector<std::pair<std::string, int>> fallbackKeys_;  // their files and indices
};

}  // namespace

bool EnsureFacesLoaded() noexcept { return Faces::Instance().Ensure(); }

const FaceInfo& LoadedFace(FaceSlot slot) noexcept { return Faces::Instance().Info(FaceOf(slot)); }

const FaceInfo& LoadedFace(FaceId face) noexcept { return Faces::Instance().Info(face); }

GlyphSource FindGlyph(FaceSlot slot, char32_t codePoint) noexcept {
  return Faces::Instance().Find(slot, codePoint);
}

std::span<const unsigned char> FaceFileBytes(FaceId face) noexcept {
  return Faces::Instance().FileBytes(face);
}

void RenderGlyph(FaceId face, std::int32_t pixelsPerEm, std::uint32_t glyphIndex,
                 Glyph& out) noexcept {
  Faces::Instance().Render(face, pixelsPerEm, glyphIndex, out);
}

std::uint64_t FontFaults() noexcept { return faults; }

FcConfig* ReferenceFontconfig() noexcept { return Faces::Instance().ReferenceConfig(false); }

FcConfig* ReferenceWiderFontconfig() noexcept { return Faces::Instance().ReferenceConfig(true); }

}  // namespace tessaloom
