// The two faces text is drawn with: the chart font (a face metric-compatible
// with Times New Roman Bold) and the System font (Wine's raster vgasys.fon,
// else a bold sans face). Faces are opened on first use and never closed; a
// face that could not be opened is looked for again by EnsureFacesLoaded. FreeType faces are not
// thread-safe, so every call that touches one is serialised here; callers cache what they get.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "draw/drawing_surface.h"
#include "draw/text_metrics.h"

namespace tessaloom {

enum class FaceSlot : std::uint8_t { kChart = 0, kSystem = 1 };

// What was loaded for a slot. Immutable once published.
struct FaceInfo {
  bool loaded = false;
  bool rasterFont = false;  // a Windows .fon face drawn at its fixed strike
  std::string family;
  std::string file;
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

// The face's glyph for `codePoint`; 0 (the face's own missing glyph) when it
// has none or the slot has no face.
std::uint32_t FaceGlyphIndex(FaceSlot slot, char32_t codePoint) noexcept;

// Renders glyph `glyphIndex` bilevel at `pixelsPerEm` (ignored for a raster
// face). A glyph that fails to load is drawn as glyph 0; if that fails too,
// `out` is an empty glyph with no advance.
void RenderFaceGlyph(FaceSlot slot, std::int32_t pixelsPerEm, std::uint32_t glyphIndex,
                     Glyph& out) noexcept;

}  // namespace tessaloom
