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
#include <map>
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

// The PDF side of one face: its resource name and its reserved object number, on top of the
// glyphs the document used (TrepExportFont).
class TrepPDFFont : public TrepExportFont {
public:
  explicit TrepPDFFont(const gfx::TFontFace* Face) : TrepExportFont(Face) {}

  std::string Name;    // "/F0"
  int Reference = 0;   // object number of the Type0 font, reserved by the first page using it
  bool Saved = false;  // Reference has been reserved

  // The face's PostScript-style name with blanks and delimiters escaped, and a subset tag
  // ("ABCDEF+") made from the used glyphs, so equal subsets get equal names.
  std::string GetFontName() const;
  // The face's file cut down to the used glyphs (glyph numbers kept).
  std::vector<std::uint8_t> PackTTFFont() const;
  // The word spacing, in thousandths of the font size per blank, that makes RS as long as
  // TextWidth points at FontSize: (RS.Width - TextWidth x 1000 / FontSize) / RS.SpacesCount,
  // RS.Width / RS.SpacesCount at size 0. Only for a text with a blank.
  static double SpaceAdjustment(const TRemapedString& RS, double TextWidth, double FontSize);
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

// The styles the writer draws itself for one font name (its file's own bold or italic face is
// not used).
class TPDFFontSimulation {
public:
  TPDFFontSimulation(std::string Name, gfx::TFontStyles FontStyles) : FName(std::move(Name)), FFontStyles(FontStyles) {}
  void AddStyles(gfx::TFontStyles FontStyles) { FFontStyles |= FontStyles; }
  // Exact, letter case counting.
  bool IsName(const std::string& Name) const { return Name == FName; }
  bool IsStyle(gfx::TFontStyle FontStyle) const { return gfx::HasStyle(FFontStyles, FontStyle); }

  std::string FName;
  gfx::TFontStyles FFontStyles;
};

class TPDFFontSimulationList {
public:
  // Nothing for an empty set; otherwise adds the styles to the name's entry, or a new entry.
  void AddFont(const std::string& Name, gfx::TFontStyles FontStyles);
  bool IsNeedsBold(const std::string& Name) const;
  bool IsNeedsItalic(const std::string& Name) const;

private:
  const TPDFFontSimulation* FindSimulation(const std::string& Name) const;
  std::vector<std::unique_ptr<TPDFFontSimulation>> FItems;
};

// Width factors of one font by size in points (0 .. 64), 1.0 where none is set.
class TPDFFontCorrection {
public:
  TPDFFontCorrection() { FCorrection.fill(1.0); }
  double GetCorrection(int Index) const;
  void SetCorrection(int Index, double Value);

private:
  std::array<double, 65> FCorrection;
};

// Font names (letter case ignored) with their factors.
class TPDFFontCorrectionList {
public:
  void AddCorrection(const std::string& FontName, int FontSize, double Factor);
  void DeleteCorrection(const std::string& FontName);
  // 1.0 for a name not in the list.
  double GetCorrection(const std::string& FontName, int FontSize) const;

private:
  std::map<std::string, std::unique_ptr<TPDFFontCorrection>> FItems;  // by folded name
};

// The process-wide lists, filled with the usual names when first used: bold and italic drawn
// for "Arial Black" and the Japanese system faces, italic for "Tahoma"; factors for three
// monospaced faces at 6 to 15 points. Thread-safe.
void AddFontSimulation(const std::string& Name, gfx::TFontStyles FontStyles);
void AddFontCorrection(const std::string& FontName, int FontSize, double Factor);

// Font.Size x 0.9964722222222222 x the correction factor of the font, rounded to thousandths.
double PDFFontSize(const gfx::TFont& Font);
// The correction factor of a font name and size; 1.0 when none is listed.
double FontCorrectionFactor(const std::string& Name, int Size);
inline double FontCorrectionFactor(const gfx::TFont& Font) { return FontCorrectionFactor(Font.Name(), Font.Size()); }
// The font's style less what the simulation list draws for its name: the style of the face the
// text is drawn with.
gfx::TFontStyles SimulatedFontStyle(const gfx::TFont& Font);
// Bold asked for but the face is not bold: "2 Tr <width> w <colour> RG" thickens the outlines.
bool BoldSimulationText(const gfx::TFont& Font, const gfx::TFontFace* Face, std::string& Text);
// Italic asked for but the face is upright: the first four numbers of a slanting text matrix.
bool ItalicSimulationText(const gfx::TFont& Font, const gfx::TFontFace* Face, std::string& Text);
