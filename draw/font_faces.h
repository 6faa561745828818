// The faces text is drawn with: the chart font (a face metric-compatible
// with Times New Roman Bold), the System font (Wine's raster vgasys.fon,
// else a bold sans face), each looked for first in "fonts/" among the
// library's own files, and, for characters the chart face lacks, fallback faces that
// fontconfig finds for them. Faces are opened on first use and
// never closed; a face that could not be opened is looked for again by
// EnsureFacesLoaded. Fallback faces are looked for only when a chart text
// has a character the chart face lacks, so ordinary charts never start
// fontconfig. FreeType faces are not thread-safe, so every call that touches
// one is serialised here; callers cache what they get.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "draw/drawing_surface.h"
#include "draw/text_metrics.h"

typedef struct _FcConfig FcConfig;  // as fontconfig declares it

namespace tessaloom {

enum class FaceSlot : std::uint8_t { kChart = 0, kSystem = 1 };

// A loaded face: the two slots' faces, then fallback faces in the order
// they were first needed.
using FaceId = std::uint16_t;
inline constexpr FaceId kChartFaceId = 0;
inline constexpr FaceId kSystemFaceId = 1;
// Fallback faces a process opens at most; characters past them draw boxes.
inline constexpr std::size_t kMaxFallbackFaces = 32;
// Every face id is below this.
inline constexpr std::size_t kMaxFaces = 2 + kMaxFallbackFaces;

constexpr FaceId FaceOf(FaceSlot slot) noexcept {
  return slot == FaceSlot::kSystem ? kSystemFaceId : kChartFaceId;
}

// Where a character's glyph comes from.
struct GlyphSource {
  FaceId face = kChartFaceId;
  std::uint32_t index = 0;  // 0: the face's own missing glyph (the box)
  friend constexpr bool operator==(const GlyphSource&, const GlyphSource&) = default;
};

// What was loaded for a slot. Immutable once published.
struct FaceInfo {
  bool loaded = false;
  bool rasterFont = false;  // a Windows .fon face drawn at its fixed strike
  std::string family;
  std::string file;
  int index = 0;              // of the face in its file (a collection holds several)
  FaceFigures figures;        // scalable faces: as the face's tables state them
  TextMetrics rasterMetrics;  // raster faces: as the face's FNT header states them
};

// One span of ink on one row of a glyph bitmap: columns [x0, x1) of `row`,
// counted from the bitmap's top-left pixel.
struct InkRun {
  std::int32_t row = 0;
  std::int32_t x0 = 0;
  std::int32_t x1 = 0;
};

// A rendered bilevel glyph. Pixels; the bitmap's top-left pixel is at
// (pen + left, baseline - top), y downward.
struct Glyph {
  std::int32_t advance = 0;  // 0 or more
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t rows = 0;
  std::vector<InkRun> runs;
};

// Opens whichever face is still missing; true when both are open.
bool EnsureFacesLoaded() noexcept;

// The slot's face as loaded so far (`loaded` false while it is missing).
const FaceInfo& LoadedFace(FaceSlot slot) noexcept;
// Any face by id; an id not loaded gives a description with `loaded` false.
const FaceInfo& LoadedFace(FaceId face) noexcept;

// The glyph the slot draws `codePoint` with. The chart slot's own face
// first; when it lacks the character, the first fallback face already open
// that has it, else the first face in fontconfig's order for a bold serif
// with that character (not a colour face), opened then and kept. Controls,
// private-use characters (their meaning is the font's own) and
// noncharacters are not looked for. {the slot's face, 0} when no installed
// face has the character or the slot has no face.
GlyphSource FindGlyph(FaceSlot slot, char32_t codePoint) noexcept;

// The bytes of a loaded scalable face's file, as FreeType holds them (mapped,
// or else read once into memory), valid for the life of the process: a
// shaper reads the same face from them without opening the file again.
// Empty when the face is missing, a raster face, or memory ran out.
std::span<const unsigned char> FaceFileBytes(FaceId face) noexcept;

// Renders glyph `glyphIndex` of `face` bilevel at `pixelsPerEm` (ignored for
// a raster face). A glyph that fails to load is drawn as glyph 0; if that
// fails too, `out` is an empty glyph with no advance.
void RenderGlyph(FaceId face, std::int32_t pixelsPerEm, std::uint32_t glyphIndex,
                 Glyph& out) noexcept;

// How many font look-ups of the calling thread have failed for a reason
// that may pass: no file descriptor or memory left, a font file fontconfig
// lists that cannot be read. Such a look-up is not remembered, so a later one
// tries again; a chart drawn meanwhile lacks text and must not be reported as
// drawn (compare the count before and after drawing).
std::uint64_t FontFaults() noexcept;

// fontconfig's configuration and font list as the faces use them, read once
// for the process (and again after a read during a shortage), with a
// reference the caller drops with FcConfigDestroy. Null when it cannot be
// read now.
FcConfig* ReferenceFontconfig() noexcept;

// The system's whole configuration when the one above is the chart faces'
// own (draw/chart_fontconfig.h), read on first need, for text with
// characters no chart face has; with a reference as above. Null when the
// one above is the system's already, or this cannot be read now.
FcConfig* ReferenceWiderFontconfig() noexcept;

}  // namespace tessaloom
