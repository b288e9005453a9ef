#pragma once
// The bookkeeping of one PDF document that its writers share: the cross-reference list, the
// fonts of the document (one per installed face, named /F0, /F1 ... in order of first use) with
// the glyphs each page uses, and the image XObjects, shared by the MD5 digest of their data.
//
// A font is always written as a composite font (Type0, Identity-H, CIDFontType2) whose codes
// are the glyph indices of its file, so the file itself, as a subset of the used glyphs, is
// always embedded: without it a reader would draw the codes with another font's glyphs.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gfx/Font.h"
#include "report/pdf/repExportHelpers.h"
#include "report/pdf/repExportPDFHelpers.h"

namespace gfx {
class TFontFace;
class TGraphic;
}

// Limits for what a document may hold: fonts and images beyond them raise instead of growing
// the file without bound.
inline constexpr std::size_t MaxPDFFonts = 4096;
inline constexpr std::size_t MaxPDFImages = 65536;

// The PDF side of one face: its resource name, its reserved object number and the glyphs the
// document used, each with the characters it stands for.
class TrepPDFFont {
public:
  explicit TrepPDFFont(const gfx::TFontFace* Face);

  const gfx::TFontFace* Face() const { return FFace; }
  std::string Name;    // "/F0"
  int Reference = 0;   // object number of the Type0 font, reserved by the first page using it
  bool Saved = false;  // Reference has been reserved

  // Records a glyph once, with the characters of its first use that named any.
  void UseGlyph(std::uint16_t Glyph, std::u16string_view Text);
  const std::vector<std::uint16_t>& UsedAlphabet() const { return FUsed; }
  const std::vector<std::u16string>& UsedAlphabetUnicode() const { return FUnicode; }
  // The advance of a glyph in thousandths of the em, as /W states it.
  int GlyphWidth(std::uint16_t Glyph) const;
  // The advance in thousandths of the em, unrounded.
  double ToThousandths(int FontUnits) const;

  // The face's PostScript-style name with blanks and delimiters escaped, and a subset tag
  // ("ABCDEF+") made from the used glyphs, so equal subsets get equal names.
  std::string GetFontName() const;
  // The face's file cut down to the used glyphs (glyph numbers kept).
  std::vector<std::uint8_t> PackTTFFont() const;

  // The text as glyphs of this face alone (characters it lacks give its missing glyph), for
  // writers that place glyph by glyph. Records the glyphs.
  TRemapedString SoftRemapString(std::u16string_view Str, bool RTL, bool IsIndexes = false);

private:
  const gfx::TFontFace* FFace;
  std::vector<std::uint16_t> FUsed;
  std::vector<std::u16string> FUnicode;
  std::unordered_map<std::uint16_t, std::size_t> FIndex;
  mutable std::vector<std::int32_t> FWidths;  // per glyph, -1 until asked
};

// One image XObject of the document.
struct TrepPDFXObject {
  int Id = 0;
  TrepPDFXObjectHash Hash{};
};

class TPDFObjectsHelper {
public:
  TPDFObjectsHelper() = default;
  TPDFObjectsHelper(const TPDFObjectsHelper&) = delete;
  TPDFObjectsHelper& operator=(const TPDFObjectsHelper&) = delete;

  // The position where the next object will be written, in bytes from the start of the
  // document; set by the writer.
  std::function<std::int64_t()> Position;

  // Forgets the fonts and the cross-reference list (not the images).
  void Clear();
  // A new object: its number, with the current position as its offset.
  int UpdateXRef();
  // Puts the current position into the entry of a reserved object number.
  void SetXRef(int Number);
  const std::vector<std::int64_t>& XRef() const { return FXRef; }

  // The document's font of a face, made on first use.
  TrepPDFFont* GetGlobalFont(const gfx::TFontFace* Face);
  int GetFontsCount() const { return static_cast<int>(FFonts.size()); }
  TrepPDFFont* GetFonts(int Index) const { return FFonts.at(static_cast<std::size_t>(Index)).get(); }

  // -1 when no image has that digest.
  int FindXObject(const TrepPDFXObjectHash& Hash) const;
  int AddXObject(int Id, const TrepPDFXObjectHash& Hash);
  int GetXObjectsId(int Index) const { return FXObjects.at(static_cast<std::size_t>(Index)).Id; }
  int XObjectsCount() const { return static_cast<int>(FXObjects.size()); }
  void ClearXObject() { FXObjects.clear(); }

  // The images and fonts the current page draws, each once, in order of first use.
  void ClearUsedXObjects() { FUsedXObjects.clear(); }
  void AddUsedObject(int Index);
  const std::vector<int>& UsedXObjects() const { return FUsedXObjects; }
  void ClearPageFonts() { FPageFonts.clear(); }
  void AddPageFont(TrepPDFFont* Font);
  const std::vector<TrepPDFFont*>& PageFonts() const { return FPageFonts; }

private:
  std::vector<std::int64_t> FXRef;
  std::vector<std::unique_ptr<TrepPDFFont>> FFonts;
  std::unordered_map<const gfx::TFontFace*, TrepPDFFont*> FFontOfFace;
  std::vector<TrepPDFXObject> FXObjects;
  std::vector<int> FUsedXObjects;
  std::vector<TrepPDFFont*> FPageFonts;
};

// ---- Font styles the writer simulates, and size corrections ----

// Font.Size x 0.9964722222222222 x the correction factor of the font, rounded to thousandths.
double PDFFontSize(const gfx::TFont& Font);
// The correction factor of a font name and size; 1.0 when none is listed.
double FontCorrectionFactor(const std::string& Name, int Size);
// Bold asked for but the face is not bold: "2 Tr <width> w <colour> RG" thickens the outlines.
bool BoldSimulationText(const gfx::TFont& Font, const gfx::TFontFace* Face, std::string& Text);
// Italic asked for but the face is upright: the first four numbers of a slanting text matrix.
bool ItalicSimulationText(const gfx::TFont& Font, const gfx::TFontFace* Face, std::string& Text);
