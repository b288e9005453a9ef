#pragma once
// Memo text layout: formatting tags in memo text (TrepHTMLTagsList) and the layout that wraps,
// measures, splits and draws memo text (TrepDrawText).
//
// Text is measured at a reference resolution of 600 pixels per inch with the font layer's
// whole-pixel advances (gfx::TSizedFont), so a memo wraps the same way on every device and in
// the PDF export, which measures with the same layer; drawing spreads the difference between
// device and reference widths over the characters.
//
// All layout in the process runs under one lock: a caller takes TrepDrawText::Lock() around its
// whole sequence (SetFont ... the last query or DrawText) on whichever instance it uses.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontFace.h"
#include "report/engine/repUnicodeUtils.h"

class TVectorCanvas;

enum TSubStyle { ssNormal, ssSubscript, ssSuperscript };

// The formatting of one character of memo text.
struct TrepHTMLTag {
  // 1-based position of the character in the memo's source text (tags and two characters per
  // line end counted).
  std::int32_t Position = 0;
  gfx::TColor Color = 0;
  std::int16_t Size = 0;  // points (font sizes are clamped to MaxTagFontSize)
  std::uint8_t Style = 0;  // gfx::TFontStyles
  std::int8_t AddY = 0;    // 1 for subscript
  // The character continues the formatting of the one before it.
  bool Default = false;
  // Size differs from the default size (sub- and superscript).
  bool Small = false;
  // Inside a no-wrap run.
  bool DontWRAP = false;
  std::uint8_t SubType = ssNormal;  // TSubStyle

  // Copies every field but DontWRAP.
  void Assign(const TrepHTMLTag& Source);
};
// Records are kept small: a long memo has one per character.
static_assert(sizeof(TrepHTMLTag) == 16);
inline constexpr int MaxTagFontSize = 32767;

// The records of one wrapped line.
class TrepHTMLTags {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TrepHTMLTag& Items(int Index) { return FItems.at(static_cast<std::size_t>(Index)); }
  const TrepHTMLTag& Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
  TrepHTMLTag& operator[](int Index) { return Items(Index); }
  void Add(const TrepHTMLTag& Tag) { FItems.push_back(Tag); }
  void Clear() { FItems.clear(); }

private:
  friend class TrepHTMLTagsList;
  std::vector<TrepHTMLTag> FItems;
};

// Limits for tag parsing of untrusted memo text: open tags remembered for re-opening, and the
// length of a font tag's attribute text.
inline constexpr int MaxOpenTags = 32;
inline constexpr int MaxFontTagLength = 256;

// Removes the tags <b> <i> <u> <strike> <sub> <sup> <nowrap> <font color=...> and their closing
// forms (letter case ignored) from memo text and records each remaining character's
// formatting, one group of records per wrapped line.
class TrepHTMLTagsList {
public:
  TrepHTMLTagsList() = default;
  TrepHTMLTagsList(const TrepHTMLTagsList&) = delete;
  TrepHTMLTagsList& operator=(const TrepHTMLTagsList&) = delete;

  // Without tags allowed nothing is removed and every record continues the default formatting.
  bool AllowTags = true;

  // Stores the defaults, makes them current, position 1, no open tags, no groups.
  void SetDefaults(gfx::TColor DefColor, int DefSize, gfx::TFontStyles DefStyle);
  // Removes the tags from s and appends one record per remaining character to the last group
  // (made when there is none). A text that is empty or only tags becomes one blank with one
  // record. Positions count the source text as given: tags re-opened by a closing tag are not
  // part of it.
  void ExpandHTMLTags(std::u16string& s);
  // A new empty group when the list is not empty.
  void NewLine();
  // Splits the last group after Count records; the rest moves to a new group. With AddBreak the
  // old group gets a copy of its last kept record for the added hyphen.
  void Wrap(int Count, bool AddBreak);
  void Clear() { FItems.clear(); }

  int Count() const { return static_cast<int>(FItems.size()); }
  TrepHTMLTags& Items(int Index) { return FItems.at(static_cast<std::size_t>(Index)); }
  const TrepHTMLTags& Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
  int Position() const { return FPosition; }
  void SetPosition(int Value) { FPosition = Value; }
  gfx::TColor DefColor() const { return FDefColor; }
  int DefSize() const { return FDefSize; }
  gfx::TFontStyles DefStyle() const { return FDefStyle; }

private:
  struct TOpenTag {
    std::u16string Name, Attributes;
  };
  void Push(std::u16string Name, std::u16string Attributes = {});
  // Pops up to the tag Name; the tags above it come back as text to parse after the closing tag.
  std::u16string Close(std::u16string_view Name);
  TrepHTMLTag Record() const;

  gfx::TColor FColor = 0, FDefColor = 0;
  int FSize = 10, FDefSize = 10, FAddY = 0;
  gfx::TFontStyles FStyle = 0, FDefStyle = 0;
  bool FDontWRAP = false;
  TSubStyle FSubStyle = ssNormal;
  int FPosition = 1;
  std::vector<TOpenTag> FOpen;
  std::vector<TrepHTMLTags> FItems;
};

// Limits for layout settings that come from templates: gaps and spacings in screen pixels,
// and scale factors (a scale of zero or less counts as 1).
inline constexpr double MaxTextGap = 100000;
inline constexpr double MinTextScale = 0.001, MaxTextScale = 1000;

// Wrapped line flags.
inline constexpr int rlfParaStart = 1;
inline constexpr int rlfParaEnd = 2;

class TrepDrawText {
public:
  TrepDrawText();
  TrepDrawText(const TrepDrawText&) = delete;
  TrepDrawText& operator=(const TrepDrawText&) = delete;
  ~TrepDrawText();

  // The process-wide layout lock (recursive, so nested layout on one thread is safe).
  static void Lock();
  static void Unlock();
  // Lock() for a scope.
  class TLock {
  public:
    TLock() { TrepDrawText::Lock(); }
    ~TLock() { TrepDrawText::Unlock(); }
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;
  };

  // The reference font takes the font's name, style and colour (black with UseMonoFont) and
  // its size at 600 pixels per inch.
  void SetFont(const gfx::TFont& Font);
  void SetOptions(bool WordWrap, bool HTMLTags, bool RTLReading, bool WordBreak, bool Clipped, bool Wysiwyg,
                  int Rotation);
  void SetGaps(double ParagraphGap, double CharSpacing, double LineSpacing);
  void SetDimensions(double ScaleX, double ScaleY, double PrintScale, const gfx::TRect& OriginalRect,
                     const gfx::TRect& ScaledRect);
  // Wraps the lines. FirstParaBreak: the first line continues a paragraph of a previous part
  // (no first-line indent).
  void SetText(const TrepWideStrings& Text, bool FirstParaBreak = false);
  // The same for text whose lines end at CR LF, CR or LF.
  void SetText(std::u16string_view Text, bool FirstParaBreak = false);
  void SetParaBreaks(bool FirstParaBreak, bool LastParaBreak);
  std::u16string DeleteTags(std::u16string_view Txt);

  // HAlign: 0 left, 1 right, 2 centre, 3 block; VAlign: 0 top, 1 bottom, 2 centre;
  // UnderlinesTextMode: 0 none, 1 all, 2 text, 3 text and empty lines (as the memo's enumerations).
  void DrawText(gfx::TCanvas& C, int HAlign, int VAlign, int UnderlinesTextMode = 0);

  // Screen pixels.
  double CalcHeight();
  double CalcWidth();
  double LineHeight() const;
  double TextHeight() const;
  double UnusedSpace() const;
  // The font's em height made positive when UseOldLineHeight, else its cell height (reference
  // pixels for the reference font).
  int GetFontHeight() const;
  // The text as set, lines joined by CR LF, tags included; after GetOutBoundsText, the part
  // that fits.
  std::u16string GetInBoundsText() const { return FPlainText; }
  // Cuts off what does not fit the original rectangle's height and returns it, prefixed with
  // the formatting in force at the cut when tags are allowed. The cut falls after the blank a
  // wrapped line dropped, so the two parts hold every character of the text once. ParaBreak: the cut fell inside a
  // paragraph. AtLeastOneLine (the memo stands on an otherwise empty page) keeps the first
  // line even when not one fits, so that splitting always progresses.
  std::u16string GetOutBoundsText(bool& ParaBreak, bool AtLeastOneLine = false);

  // The wrapped lines and their flags (rlfParaStart, rlfParaEnd).
  int LineCount() const { return static_cast<int>(FText.size()); }
  const std::u16string& Lines(int Index) const { return FText.at(static_cast<std::size_t>(Index)).Text; }
  int LineFlags(int Index) const { return FText.at(static_cast<std::size_t>(Index)).Flags; }
  std::u16string WrappedText() const;
  TrepHTMLTagsList& HTMLTags() { return FHTMLTags; }

  // The reference font (height in pixels at DefPPI).
  const gfx::TFont& Font() const { return FFont; }
  int DefPPI() const { return FDefPPI; }
  int ScrPPI() const { return FScrPPI; }

  bool UseMonoFont = false;
  bool UseDefaultCharset = false;
  bool UseOldLineHeight = true;
  // When set, every text output is also recorded here.
  TVectorCanvas* VC = nullptr;

  // Russian syllable breaks of Word: the kept positions (characters before the break),
  // ascending.
  static std::vector<int> HyphenatePositions(std::u16string_view Word);

private:
  struct TLine {
    std::u16string Text;
    int Flags = 0;
    bool Hyphenated = false;  // ends with a hyphen the layout added
  };
  // A font as measured: the face per style at one em size in pixels.
  struct TMeasureFont {
    std::string Name;
    int PixelSize = 1;
    std::shared_ptr<const gfx::TSizedFont> Sized[4];
    const gfx::TSizedFont& Get(gfx::TFontStyles Style);
  };

  void WrapParagraph(std::u16string Text, int FullWidth, int CharSpacing, int FirstWidth);
  // Widths of the characters of a line in their own styles (Small ones divided by 1.5), plus
  // CharSpacing each; with Cumulative running sums. Returns the total.
  long long MeasureLine(TMeasureFont& F, std::u16string_view Text, int LineIndex, int CharSpacing,
                        bool Cumulative, std::vector<int>& Out);
  int FindHyphenPrefix(std::u16string_view Text, int WordStart, int Overflow) const;
  double ClampedLineHeight() const;
  void DrawTextLine(gfx::TCanvas& C, TMeasureFont& DeviceFont, int LineIndex, int HAlign, int Avail, int X, int Y);
  int DeviceFontHeight(const gfx::TCanvas& C, int Size) const;

  int FDefPPI = 600;
  int FScrPPI = 96;
  int FFontSize = 10;
  gfx::TFont FFont;
  TMeasureFont FRef;
  TrepHTMLTagsList FHTMLTags;
  double FCharSpacing = 0, FLineSpacing = 0, FParagraphGap = 0;
  int FOptions = 0;
  gfx::TRect FOriginalRect, FScaledRect;
  std::u16string FPlainText;
  double FPrintScale = 1;
  int FRotation = 0;
  bool FRTLReading = false;
  double FScaleX = 1, FScaleY = 1;
  std::vector<TLine> FText;
  bool FWordBreak = false;
  bool FWordWrap = true;
  bool FWysiwyg = true;
  std::vector<int> FTempArray;
};

// Start-up and shut-down of the text layout: the shared instance for components outside a
// report. Counted, so nested calls pair up.
void repDrawTextInitialization();
void repDrawTextFinalization();
// The shared instance (made by the start-up, or on first use under the layout lock).
TrepDrawText& SharedDrawText();
