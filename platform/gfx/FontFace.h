#pragma once
// The font layer that text layout and the PDF export share: a family and style resolve to an
// installed TrueType face through one table (FontAliases), faces are loaded with FreeType once
// per process and kept, and a face at a whole pixel size gives integer advances per character,
// with DejaVu Sans standing in for characters the face lacks. Layout measures at 600 pixels
// per inch with these advances, so a line measured here is the line the PDF export writes.
// Characters a face lacks come from the fallback chain (FallbackFamilies), character by
// character, on every road: layout, raster canvas and PDF alike.
//
// Every FreeType call runs under one process-wide lock inside this unit; the objects handed
// out are immutable to callers and live until the process ends (sized fonts: see
// TSizedFont::Get).
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gfx {

// The families a report names and the installed family (Debian's fonts-liberation 1.07, which
// has Sans Narrow) that replaces each. A family outside the table is asked of fontconfig as it
// is; when fontconfig has no face of that family, HumanistSansFamily stands in.
struct TFontAlias {
  const char* Family;
  const char* Installed;
};
std::span<const TFontAlias> FontAliases();
// The stand-in for families that are not installed (the template's "Humnst777 BT" title face
// among them): a humanist sans shipped with every installation (fonts-dejavu-core).
inline constexpr char HumanistSansFamily[] = "DejaVu Sans";
// The families asked, in this order, for a character the chosen face has no glyph for: DejaVu
// Sans (Latin, Greek, Cyrillic, symbols), then a CJK face (Debian's fonts-wqy-microhei: Chinese
// ideographs, kana, Hangul). A family that is not installed drops out of the chain.
inline constexpr const char* FallbackFamilies[] = {"DejaVu Sans", "WenQuanYi Micro Hei"};
// The first of them, the face that stands in for a whole missing family too.
inline constexpr char FallbackFamily[] = "DejaVu Sans";
// The family the table gives for Family (letter case ignored), or Family itself.
std::string ResolveFontFamily(std::string_view Family);

// Limits for sizes that come from templates: em sizes in pixels are clamped to this range.
inline constexpr int MaxPixelSize = 1 << 16;
// Font files larger than this are not loaded. Only the system's installed files are ever
// loaded (a template names a family, never a file), so the limit is room for a large CJK
// collection rather than a guard against hostile data; the PDF export embeds subsets only.
inline constexpr std::size_t MaxFontFileSize = 64u << 20;

class TFontFace {
public:
  TFontFace(const TFontFace&) = delete;
  TFontFace& operator=(const TFontFace&) = delete;
  ~TFontFace();

  // The installed family of the face and its file.
  const std::string& Family() const { return FFamily; }
  const std::string& FileName() const { return FFileName; }
  int FaceIndex() const { return FFaceIndex; }
  // The style of the face in its file, whatever style was asked for.
  bool Bold() const { return FBold; }
  bool Italic() const { return FItalic; }
  // The whole file (a whole collection for a face inside one), as the PDF export embeds it.
  const std::vector<std::uint8_t>& FileData() const { return FData; }

  // Design metrics in font units. Ascent and Descent are the face's Windows metrics (the
  // cell a line of text occupies), both positive; both fall back to the horizontal header.
  int UnitsPerEm() const { return FUnitsPerEm; }
  int Ascent() const { return FAscent; }
  int Descent() const { return FDescent; }
  // Metrics a PDF font descriptor states, in font units (the italic angle in degrees,
  // counter-clockwise from the vertical, so negative for a face leaning right).
  struct TMetrics {
    int XMin = 0, YMin = 0, XMax = 0, YMax = 0;  // the box every glyph fits in
    double ItalicAngle = 0;
    int CapHeight = 0;      // height of flat capitals; 70 % of the ascent when the face omits it
    int XHeight = 0;
    int AvgWidth = 0, MaxWidth = 0;
    int Weight = 400;       // 100 .. 900
    bool FixedPitch = false;
    int NumGlyphs = 0;
  };
  const TMetrics& Metrics() const { return FMetrics; }
  // The glyph of a character, 0 when the face has none.
  unsigned GlyphIndex(char32_t C) const;
  // The advance of a glyph in font units.
  int GlyphAdvance(unsigned Glyph) const;

private:
  friend struct TFaceCache;
  friend class TSizedFont;
  TFontFace() = default;
  std::string FFamily, FFileName;
  int FFaceIndex = 0;
  bool FBold = false, FItalic = false;
  std::vector<std::uint8_t> FData;
  int FUnitsPerEm = 2048, FAscent = 0, FDescent = 0;
  TMetrics FMetrics;
  void* FFace = nullptr;  // FT_Face
};

// The face for a family and style, resolved through the table; loaded once and cached. Null
// only when the system has no usable scalable font at all.
const TFontFace* FindFace(std::string_view Family, bool Bold, bool Italic);
// The face that stands in for missing characters, in the nearest style (the chain's first).
const TFontFace* FallbackFace(bool Bold, bool Italic);
// The installed faces of the fallback chain in the nearest style, in order, each once. Made on
// first use and kept; thread-safe.
const std::vector<const TFontFace*>& FallbackFaces(bool Bold, bool Italic);
// The face that draws C for Face: Face itself when it has a glyph, else the first face of the
// chain that has one; nullptr when no installed face has it.
const TFontFace* FaceForCharacter(const TFontFace* Face, char32_t C);

// A character's glyph: which face draws it (the font's own or one of the chain) and its index
// there (0 when no face has it: the font's own missing-glyph box).
struct TGlyphRef {
  const TFontFace* Face = nullptr;
  unsigned Glyph = 0;
};

// A face at an em size of whole pixels. Advances are the design advances scaled and rounded
// to whole pixels glyph by glyph, so the width of a text is the sum of its characters'
// widths at every size, as the layout needs for wrapping at the reference resolution.
class TSizedFont {
public:
  // The cached sized font (PixelSize clamped to 1 .. MaxPixelSize). The cache holds at most
  // MaxSizedFonts entries and starts over when full; holders keep theirs alive.
  static std::shared_ptr<const TSizedFont> Get(const TFontFace* Face, int PixelSize);
  static constexpr std::size_t MaxSizedFonts = 512;

  TSizedFont(const TFontFace* Face, int PixelSize);
  TSizedFont(const TSizedFont&) = delete;
  TSizedFont& operator=(const TSizedFont&) = delete;
  ~TSizedFont();

  const TFontFace* Face() const { return FFace; }
  int PixelSize() const { return FPixelSize; }
  // Cell metrics in pixels: ascent and descent rounded each, the height their sum, the
  // internal leading the part of the height above the em.
  int Ascent() const { return FAscentPx; }
  int Descent() const { return FDescentPx; }
  int Height() const { return FAscentPx + FDescentPx; }
  int InternalLeading() const { return Height() - FPixelSize; }

  TGlyphRef Glyph(char32_t C) const;
  // The advance of a character in pixels (the fallback face's when the font lacks it).
  int Advance(char32_t C) const;
  // One advance per UTF-16 code unit of Text: a surrogate pair's advance goes to its first
  // unit and 0 to its second. Out must hold Text.size() entries.
  void Advances(std::u16string_view Text, int* Out) const;
  // The sum of the advances.
  int TextWidth(std::u16string_view Text) const;

private:
  int AdvanceLocked(char32_t C) const;
  const TFontFace* FFace;
  std::vector<const TFontFace*> FFallbacks;  // the chain without FFace
  int FPixelSize;
  int FAscentPx, FDescentPx;
  // Advances of the basic multilingual plane, 256 per page, filled on first use (-1 unknown).
  mutable std::unique_ptr<std::unique_ptr<std::int32_t[]>[]> FPages;
};

// Right-to-left text: the logical indexes of Text's code units in visual (left-to-right) order,
// by the Unicode bidirectional algorithm with the given base direction; surrogate pairs stay
// in their order. Texts without right-to-left characters under a left-to-right base give the
// identity.
std::vector<int> BidiVisualOrder(std::u16string_view Text, bool RTLBase);
// Whether Text holds a strongly right-to-left character.
bool HasRightToLeft(std::u16string_view Text);

} // namespace gfx
