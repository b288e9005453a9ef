#pragma once
// Routines the report engine, its file formats and its exports share: locale-proof numbers,
// splitting and page ranges, stream checksums and hex forms, component lookup by name, error
// reporting by a report's silent mode, temporary files and rectangle overlaps.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rt/Classes.h"
#include "platform/rt/Components.h"
#include "report/engine/repClassComponent.h"

// ---- Numbers and text ----

// Every ',' and '.' taken as the decimal separator and every blank dropped, so "1 234,5" and
// "1234.5" read alike; rt::EConvertError for anything else ("1,234.5" included).
double TextToFloat(std::string_view S);
// Two decimals when X has a fraction ("2.50"), else the plain number ("2").
std::string FloatToShortText(double X);
// Digits decimals with the given separator, no thousands separator.
std::string FloatToFixedText(double X, int Digits, char Separator);
// The two differ by more than 1e-4.
bool FloatsDiffer(double A, double B);
std::string ReplaceChar(std::string_view S, char From, char To);
std::string ToBackslashPath(std::string_view S);
inline std::string IfStr(bool Flag, const std::string& TrueValue, const std::string& FalseValue) {
  return Flag ? TrueValue : FalseValue;
}
inline int IfInt(bool Flag, int TrueValue, int FalseValue) { return Flag ? TrueValue : FalseValue; }
inline double IfReal(bool Flag, double TrueValue, double FalseValue) { return Flag ? TrueValue : FalseValue; }
using TColor = std::int32_t;
inline TColor IfColor(bool Flag, TColor TrueValue, TColor FalseValue) { return Flag ? TrueValue : FalseValue; }

// ---- Lists and parsing ----

// Every field between separators, empty ones included; a trailing separator adds no field.
void SplitToList(std::string_view S, rt::TStrings& List, std::string_view Separator);
// The hyperlink splitting: nothing for a text without separator; a text ending in the separator
// keeps it in its last field; a separator right after another one starts the next field.
void SplitBySeparator(rt::TStrings& List, std::string_view S, char Separator);
// "1,3-5,8-" with 10 pages gives 1, 3, 4, 5, 8, 9, 10 (as texts); a range running backwards adds
// nothing; rt::EConvertError for a field that is no number.
void ParsePageRange(std::string_view S, rt::TStrings& List, int PageCount);
// The text inside the bracket pair opening at position I (1-based), with nesting; brackets
// inside single or double quotes do not count. J ends on the last character of the closing
// bracket; when position I holds no opening bracket the result is empty and J = I.
std::u16string ExtractBracketed(std::u16string_view S, std::u16string_view Open, std::u16string_view Close,
                                int& I, int& J);

// ---- Streams ----

// CRC-32 of the whole stream; its position is kept.
std::uint32_t StreamChecksum(rt::TStream& Stream);
// The whole stream as upper-case hexadecimal.
std::string StreamToHex(rt::TStream& Stream);
// The bytes of the digit pairs of S written at position 0; an odd last digit is ignored;
// rt::EConvertError for a character that is no hexadecimal digit.
void HexToStream(std::string_view S, rt::TStream& Stream);

// ---- Components and objects ----

// "Form.Component", "Form.Frame.Component" among the program's global forms and data modules;
// a bare name among Owner's components (then, for a report, among its owner's). nullptr when
// not found; rt::EClassNotFound "Missing <Name>" when the lookup fails.
rt::TComponent* FindComponentByPath(rt::TComponent* Owner, std::string_view Name);
// The name under which a reference from Owner to Component is written; empty when it cannot be.
std::string ComponentFullName(rt::TComponent* Owner, rt::TComponent* Component);
// A picture object other than the page background.
bool IsForegroundPicture(const rt::TObject* Obj);
inline TrepRect MakeRepRect(double Left, double Top, double Right, double Bottom) {
  return TrepRect{Left, Top, Right, Bottom};
}
inline TrepPoint MakeRepPoint(double X, double Y) { return TrepPoint{X, Y}; }
inline double Max(double A, double B) { return A > B ? A : B; }
inline double Min(double A, double B) { return A < B ? A : B; }

// A rectangle in report units: X, Y left and top, X1, Y1 right and bottom.
class TrepRectArea : public rt::TObject {
public:
  // The component's absolute position and size.
  explicit TrepRectArea(const TrepComponent& Component);
  TrepRectArea(double Left, double Top, double Right, double Bottom);

  bool InterceptsX(const TrepRectArea& A) const;
  bool InterceptsY(const TrepRectArea& A) const;
  // The common horizontal (vertical) stretch, other edges 0; nullptr when there is none.
  std::unique_ptr<TrepRectArea> InterceptX(const TrepRectArea& A) const;
  std::unique_ptr<TrepRectArea> InterceptY(const TrepRectArea& A) const;

  double X = 0, Y = 0, X1 = 0, Y1 = 0;
};

// ---- Errors ----

// By the report's silent mode: a message, nothing (the text stays in the error list), or
// rt::Exception with Text.
void ReportError(TrepReport* Report, const std::string& Text);
// The server has no message boxes: the text goes to the server window (standard error) under
// the caption of the resource "mbError".
void ShowErrorBox(const std::string& Text);

// ---- Files ----

// The system's temporary directory, with a trailing '/'.
std::string TempPath();
// A new, empty file with a unique name starting with "rep" in the temporary directory (in Dir;
// an empty Dir means the temporary directory). rt::EFCreateError when it cannot be made.
std::string TempFileName();
std::string TempFileNameIn(const std::string& Dir);
std::string ExeFileName();
// With a trailing '/'.
std::string ExeDirectory();
// The folder where the server keeps report settings files, absolute and with a trailing '/':
// "settings/" beside the executable unless the server names another at start-up.
std::string repSettingsFolder();
void repSetSettingsFolder(const std::string& Folder);

// ---- Resolution of windows ----
// No window system here: a window's resolution is the screen's 96 pixels per inch, and there
// is no per-thread resolution context (0 from setting it, -1, the unaware context, as current).

using TWindowHandle = std::intptr_t;
using TDpiContext = std::intptr_t;
int WindowDPI(TWindowHandle Window);
TDpiContext SetThreadDpiContext(TDpiContext Context);
TDpiContext ThreadDpiContext();
