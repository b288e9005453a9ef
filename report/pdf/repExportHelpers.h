#pragma once
// Small helpers of the export, and the remapped text that the export font hands to the text
// writers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A text as glyph indices of one font, with advances in thousandths of the em.
struct TRemapedString {
  std::u16string Data;            // one code unit per glyph, holding the glyph index
  int Width = 0;                  // sum of the advances other than -1
  int SpacesCount = 0;            // glyphs with index 3, the space glyph
  bool IsValidCharWidth = false;  // every advance below 65535
  std::vector<int> CharWidth;     // the advance of each glyph, in output order
  bool IsHasLigatures = false;    // fewer glyphs than the text has characters
  bool IsAverageDx = false;       // position corrections are spread evenly
  std::vector<bool> IsSpace;      // per character, with IsAverageDx: a kind of space
  // The fonts of the glyphs, in order, when the text needed more than the font's own face
  // (characters it lacks come from the fallback chain): each run names its document font and
  // covers Count glyphs of Data from First. Empty when every glyph is the font's own.
  struct TFontRun {
    std::string FontName;      // the resource name, "/F1"
    std::string BoldSimulation;  // the operators that thicken this face's outlines, or empty
    std::size_t First = 0, Count = 0;
  };
  std::vector<TFontRun> Runs;
  // The part of the text one run covers, with that run's glyphs, advances and blanks.
  TRemapedString Slice(const TFontRun& Run) const;
};

// True when the first "<" of Text is followed by a ">" and what lies between them, in upper
// case, is a formatting tag of memo text (B, I, U, SUB, SUP, STRIKE, NOWRAP or FONT COLOR...).
bool HasHTMLTag(std::u16string_view Text);
inline bool HasAllFlags(std::uint32_t Value, std::uint32_t Mask) { return (Value & Mask) == Mask; }
// The sum modulo 2^32.
std::uint32_t SumLongWords(const std::uint32_t* Values, std::size_t Count);
inline std::uint32_t SumLongWords(const std::vector<std::uint32_t>& Values) {
  return SumLongWords(Values.data(), Values.size());
}

// ---- Shaping ----

namespace gfx {
class TFontFace;
}

// One glyph as shaping places it, in font units of its face.
struct TShapedGlyph {
  std::uint16_t Glyph = 0;
  int Advance = 0;   // pen advance after the glyph
  int XOffset = 0;   // shift of the glyph from the pen position (marks over their base)
  // The characters the glyph stands for (a ligature holds several, the further glyphs of one
  // cluster none), for the text a reader copies out: a view into the text given to ShapeText,
  // which must outlive the runs.
  std::u16string_view Text;
  bool IsSpace = false;  // a blank that justification may widen
};

// A run of text of one face and one direction, shaped; runs come in visual (left-to-right)
// order and the glyphs of each run too.
struct TrepPDFRun {
  const gfx::TFontFace* Face = nullptr;
  bool RTL = false;
  std::vector<TShapedGlyph> Glyphs;
  // Sum of the advances, in font units of the face.
  long long Width() const;
};

// The box the outline of a glyph covers, in font units from the glyph's origin (y up); all
// zero for a glyph without outline (a blank).
struct TGlyphBox {
  int XMin = 0, YMin = 0, XMax = 0, YMax = 0;
  bool Empty() const { return XMin == XMax || YMin == YMax; }
};
TGlyphBox GlyphInkBox(const gfx::TFontFace* Face, unsigned Glyph);

// Limits for text that comes from templates: longer texts are shaped in pieces of this many
// code units (cut at a blank where one is near), so a hostile memo cannot make one huge buffer.
inline constexpr std::size_t MaxShapedRunLength = 4096;

// Shapes Text (UTF-16) with Face: characters the face lacks go to the first face of the
// fallback chain that has them (one run per face; gfx::FallbackFaces), right-to-left text is
// ordered by the Unicode bidirectional algorithm with RTLBase as the paragraph direction, and
// every run is shaped as a whole with HarfBuzz (kerning and ligatures across blanks included).
// Without Ligatures every character gets a glyph of its own. Thread-safe.
std::vector<TrepPDFRun> ShapeText(const gfx::TFontFace* Face, std::u16string_view Text, bool RTLBase,
                                  bool Ligatures = true);

// Fonts whose ligatures are never used: their text is shaped one glyph per character (a reader
// then finds every character where the layout put it). Letter case is ignored; the list holds
// the usual names from the start and is process-wide (thread-safe).
void AddLigaturelessFont(std::string_view Name);
bool IsLigaturelessFont(std::string_view Name);

// The measuring and glyph side of one face of an export: the text of that face as glyphs, and
// every glyph the document used with the characters it stands for (the PDF side makes the
// widths array and the ToUnicode map from them). Advances are in thousandths of the em.
class TrepExportFont {
public:
  explicit TrepExportFont(const gfx::TFontFace* Face);

  const gfx::TFontFace* Face() const { return FFace; }
  // The face is in the ligature-less list: its text gets one glyph per character.
  bool IsLigatureless() const { return FIsLigatureless; }

  // Records a glyph once, with the characters of its first use that named any.
  void UseGlyph(std::uint16_t Glyph, std::u16string_view Text);
  const std::vector<std::uint16_t>& UsedAlphabet() const { return FUsed; }
  const std::vector<std::u16string>& UsedAlphabetUnicode() const { return FUnicode; }
  // The advance of a glyph in thousandths of the em, as /W states it.
  int GlyphWidth(std::uint16_t Glyph) const;
  // The advance in thousandths of the em, unrounded.
  double ToThousandths(int FontUnits) const;

  // The text as glyphs of this face alone (characters it lacks give its missing glyph), for
  // writers that place glyph by glyph. Records the glyphs. IsIndexes: the code units of Str
  // are glyph indices already.
  TRemapedString SoftRemapString(std::u16string_view Str, bool RTL, bool IsIndexes = false);

private:
  const gfx::TFontFace* FFace;
  bool FIsLigatureless;
  std::vector<std::uint16_t> FUsed;
  std::vector<std::u16string> FUnicode;
  std::unordered_map<std::uint16_t, std::size_t> FIndex;
  mutable std::vector<std::int32_t> FWidths;  // per glyph, -1 until asked
};

// A rotation about a centre for rotated text and pictures: Matrix() is the operand text of a
// PDF "cm" that rotates by the angle about the centre, Turn the inverse rotation of a point.
struct TRotation2D {
  double X = 0, Y = 0;  // the centre
  double Sinus = 0, Cosinus = 1, C1 = 0, C2 = 0;
  std::string FMatrix;
  void Init(double Radian, double CenterX, double CenterY);
  void Turn(double& PX, double& PY) const;
  const std::string& Matrix() const { return FMatrix; }
};
