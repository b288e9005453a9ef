#pragma once
// Small helpers of the export, and the remapped text that the export font hands to the text
// writers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

// A run of one face and one direction; runs come in visual (left-to-right) order and the
// glyphs of each run too.
struct TShapedRun {
  const gfx::TFontFace* Face = nullptr;
  bool RTL = false;
  std::vector<TShapedGlyph> Glyphs;
  // Sum of the advances, in font units of the face.
  long long Width() const;
};

// Limits for text that comes from templates: longer texts are shaped in pieces of this many
// code units (cut at a blank where one is near), so a hostile memo cannot make one huge buffer.
inline constexpr std::size_t MaxShapedRunLength = 4096;

// Shapes Text (UTF-16) with Face: characters the face lacks go to the fallback face of the
// same style (one run per face), right-to-left text is ordered by the Unicode bidirectional
// algorithm with RTLBase as the paragraph direction, and every run is shaped as a whole with
// HarfBuzz (kerning and ligatures across blanks included). Thread-safe.
std::vector<TShapedRun> ShapeText(const gfx::TFontFace* Face, std::u16string_view Text, bool RTLBase);

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
