#pragma once
// A recording of text output. When a report object is drawn for an export that writes real
// text, its text calls are captured here instead of being drawn: one record per call, in call
// order, with the reference point, the call's option flags and clipping rectangle, the text and
// the advance of every character, so that the exporter can place the same characters at the
// same positions. The recording canvas owns its records; records never change once made.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"

// Advances of the characters of one call, in device units.
using TCharacterDistance = std::vector<std::int32_t>;

// The clipping or opaquing rectangle of a text call, as the call gave it.
struct TVectorRect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool operator==(const TVectorRect&) const = default;
};

// The font selected on the canvas when the call was made.
struct TVectorFont {
  std::string Name;
  double Size = 0;  // points
  bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
  bool operator==(const TVectorFont&) const = default;
};

// Options are the text call's flags, kept as given (4: clipped to Rect, 128: right-to-left).
class TVector_ExtTextOut : public rt::TObject {
public:
  // Copies ACount advances from ADx; none when ADx is null. A negative count raises
  // rt::ERangeError.
  TVector_ExtTextOut(int AX, int AY, int AOptions, const TVectorRect& ARect, int ACount,
                     const std::int32_t* ADx);

  int X() const { return FX; }
  int Y() const { return FY; }
  int Options() const { return FOptions; }
  const TVectorRect& Rect() const { return FRect; }
  const TCharacterDistance& Dx() const { return FDx; }
  const std::u16string& Str() const { return FStr; }
  const TVectorFont& Font() const { return FFont; }

  // The sum of the advances; 0 without advances.
  int TextLength() const;
  // A readable dump of the record (the same heading for 8-bit records).
  std::string AsString() const;

protected:
  int FX, FY;
  int FOptions;
  TVectorRect FRect;
  TCharacterDistance FDx;
  std::u16string FStr;
  TVectorFont FFont;

  friend class TVectorCanvas;
};

// Made from a wide-character call.
class TVector_ExtTextOutW : public TVector_ExtTextOut {
public:
  // Copies ACount characters from AStr (which may be null only when ACount is 0).
  TVector_ExtTextOutW(int AX, int AY, int AOptions, const TVectorRect& ARect, const char16_t* AStr,
                      int ACount, const std::int32_t* ADx);
};

// Made from an 8-bit call; the text is kept converted from the system's code page.
class TVector_ExtTextOutA : public TVector_ExtTextOut {
public:
  TVector_ExtTextOutA(int AX, int AY, int AOptions, const TVectorRect& ARect, const char* AStr,
                      int ACount, const std::int32_t* ADx);
};

class TVectorCanvas : public rt::TObject {
public:
  TVectorCanvas() = default;
  TVectorCanvas(const TVectorCanvas&) = delete;
  TVectorCanvas& operator=(const TVectorCanvas&) = delete;

  // The font of the calls that follow, copied into each record.
  TVectorFont Font;

  // Append one record each, as the record constructors describe.
  void ExtTextOutW(int X, int Y, int Options, const TVectorRect& Rect, const char16_t* Str, int aCount,
                   const std::int32_t* Dx);
  void ExtTextOutA(int X, int Y, int Options, const TVectorRect& Rect, const char* Str, int aCount,
                   const std::int32_t* Dx);
  // The same call for text held in a string: Dx is null or gives one advance per character
  // (rt::ERangeError otherwise).
  void ExtTextOutW(int X, int Y, int Options, const TVectorRect& Rect, std::u16string_view Str,
                   const TCharacterDistance* Dx);

  int Count() const { return static_cast<int>(FItems.size()); }
  // rt::EListError "List index out of bounds (N)" outside 0 .. Count - 1.
  TVector_ExtTextOut* Items(int Index) const;
  TVector_ExtTextOut* operator[](int Index) const { return Items(Index); }
  void Clear() { FItems.clear(); }

  // The records in call order.
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

private:
  void Add(std::unique_ptr<TVector_ExtTextOut> Item);
  std::vector<std::unique_ptr<TVector_ExtTextOut>> FItems;
};
