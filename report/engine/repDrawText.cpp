// Memo text layout: wrapping, measuring, splitting and drawing at the 600-dpi reference.
#include "report/engine/repDrawText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report/engine/repVectorCanvas.h"

namespace {

std::recursive_mutex& LayoutLock() {
  static std::recursive_mutex M;
  return M;
}

long long RoundL(double V) { return std::llround(V); }
int RoundI(double V) {
  return static_cast<int>(std::clamp<long long>(std::llround(V), -0x7FFFFFFFLL, 0x7FFFFFFFLL));
}

constexpr int haLeft = 0, haRight = 1, haCenter = 2, haBlock = 3;
constexpr int vaTop = 0, vaBottom = 1;
constexpr int ulmNone = 0, ulmUnderlinesAll = 1, ulmUnderlinesText = 2;

// Adds Count units of Unit to the entries From..To, spread by halving so that the additions
// fall evenly over the range.
void SpreadIncrements(std::vector<int>& A, int From, int To, int Unit, int Count) {
  if (Count <= 0 || From > To) return;
  if (Count == 1) {
    const int Mid = std::max(From, From + (To - From + 2) / 2 - 1);
    A[static_cast<std::size_t>(Mid)] += Unit;
    return;
  }
  const int Half = From + (To - From + 1) / 2;  // first index of the second half
  SpreadIncrements(A, From, Half - 1, Unit, Count / 2);
  SpreadIncrements(A, Half, To, Unit, Count - Count / 2);
}

// Gives Diff units to the entries From..To: an equal share each and the rest spread.
void Distribute(std::vector<int>& A, int From, int To, long long Diff) {
  const int N = To - From + 1;
  if (N <= 0 || Diff == 0) return;
  const int Unit = Diff < 0 ? -1 : 1;
  const long long Abs = Diff < 0 ? -Diff : Diff;
  const int Share = static_cast<int>(std::min<long long>(Abs / N, 0x3FFFFFFF));
  for (int I = From; I <= To; ++I) A[static_cast<std::size_t>(I)] += Unit * Share;
  SpreadIncrements(A, From, To, Unit, static_cast<int>(Abs % N));
}

bool IsBlank(char16_t C) { return C == u' ' || C == 0xA0; }
bool IsHighSurrogate(char16_t C) { return C >= 0xD800 && C < 0xDC00; }
bool IsLowSurrogate(char16_t C) { return C >= 0xDC00 && C < 0xE000; }

} // namespace

// ---------------------------------------------------------------------------------------------

const gfx::TSizedFont& TrepDrawText::TMeasureFont::Get(gfx::TFontStyles Style) {
  const bool Bold = gfx::HasStyle(Style, gfx::fsBold), Italic = gfx::HasStyle(Style, gfx::fsItalic);
  auto& S = Sized[(Bold ? 1 : 0) | (Italic ? 2 : 0)];
  if (!S || S->PixelSize() != std::clamp(PixelSize, 1, gfx::MaxPixelSize))
    S = gfx::TSizedFont::Get(gfx::FindFace(Name, Bold, Italic), PixelSize);
  return *S;
}

TrepDrawText::TrepDrawText() {
  FFont.PixelsPerInch = FDefPPI;
  FTempArray.reserve(32768);
  SetFont(FFont);
}

TrepDrawText::~TrepDrawText() = default;

void TrepDrawText::Lock() { LayoutLock().lock(); }
void TrepDrawText::Unlock() { LayoutLock().unlock(); }

void TrepDrawText::SetFont(const gfx::TFont& Font) {
  FFontSize = Font.Size();
  FFont.PixelsPerInch = FDefPPI;
  FFont.SetName(Font.Name());
  FFont.SetSize(Font.Size());
  FFont.SetStyle(Font.Style());
  FFont.SetCharset(Font.Charset());
  FFont.SetColor(UseMonoFont ? gfx::clBlack : Font.Color());
  if (FRef.Name != FFont.Name() || FRef.PixelSize != std::abs(FFont.Height())) {
    FRef.Name = FFont.Name();
    FRef.PixelSize = std::abs(FFont.Height());
    for (auto& S : FRef.Sized) S.reset();
  }
}

void TrepDrawText::SetOptions(bool WordWrap, bool HTMLTags, bool RTLReading, bool WordBreak, bool Clipped,
                              bool Wysiwyg, int Rotation) {
  FWordWrap = WordWrap;
  FHTMLTags.AllowTags = HTMLTags;
  FRTLReading = RTLReading;
  FWordBreak = WordBreak;
  FWysiwyg = Wysiwyg;
  FOptions = (RTLReading ? gfx::ETO_RTLREADING : 0) + (Clipped ? gfx::ETO_CLIPPED : 0);
  FRotation = ((Rotation % 360) + 360) % 360;
}

namespace {
// Gaps and scales come from templates: bounded so that no width or step leaves the integers.
double Bounded(double V, double Lo, double Hi) { return std::isfinite(V) ? std::clamp(V, Lo, Hi) : 0.0; }
double Scale(double V) { return std::isfinite(V) && V > 0 ? std::clamp(V, MinTextScale, MaxTextScale) : 1.0; }
} // namespace

void TrepDrawText::SetGaps(double ParagraphGap, double CharSpacing, double LineSpacing) {
  FParagraphGap = Bounded(ParagraphGap, -MaxTextGap, MaxTextGap);
  FCharSpacing = Bounded(CharSpacing, -MaxTextGap, MaxTextGap);
  FLineSpacing = Bounded(LineSpacing, -MaxTextGap, MaxTextGap);
}

void TrepDrawText::SetDimensions(double ScaleX, double ScaleY, double PrintScale, const gfx::TRect& OriginalRect,
                                 const gfx::TRect& ScaledRect) {
  FScaleX = Scale(ScaleX);
  FScaleY = Scale(ScaleY);
  FPrintScale = Scale(PrintScale);
  FOriginalRect = OriginalRect;
  FScaledRect = ScaledRect;
}

void TrepDrawText::SetText(std::u16string_view Text, bool FirstParaBreak) {
  TrepWideStrings L;
  L.SetText(Text);
  SetText(L, FirstParaBreak);
}

void TrepDrawText::SetText(const TrepWideStrings& Text, bool FirstParaBreak) {
  FPlainText.clear();
  FText.clear();
  FHTMLTags.SetDefaults(FFont.Color(), FFontSize, FFont.Style());
  if (Text.Count() == 0) return;
  const bool Across = (FRotation >= 90 && FRotation <= 179) || (FRotation >= 270 && FRotation <= 359);
  const int W = Across ? FOriginalRect.Height() : FOriginalRect.Width();
  const double K = static_cast<double>(FDefPPI) / FScrPPI;
  const int Full = RoundI(K * W);
  const int Spacing = RoundI(K * FCharSpacing);
  const int First = RoundI(K * (W - FParagraphGap));
  for (int I = 0; I < Text.Count(); ++I) {
    std::u16string S = Text.Get(I);
    FPlainText += S;
    FPlainText += u"\r\n";
    const std::size_t Before = FText.size();
    // An empty line is laid out as one blank that is not part of the source text, so the
    // positions that splitting cuts at stay those of the text as given.
    const bool Empty = S.empty();
    WrapParagraph(Empty ? std::u16string(u" ") : std::move(S), Full, Spacing, I == 0 && FirstParaBreak ? Full : First);
    if (Empty) FHTMLTags.SetPosition(FHTMLTags.Position() - 1);
    if (FText.size() > Before) {
      FText[Before].Flags |= rlfParaStart;
      FText.back().Flags |= rlfParaEnd;
    }
  }
}

void TrepDrawText::SetParaBreaks(bool FirstParaBreak, bool LastParaBreak) {
  if (FText.empty()) return;
  if (FirstParaBreak) FText.front().Flags &= ~rlfParaStart;
  if (LastParaBreak) FText.back().Flags &= ~rlfParaEnd;
}

std::u16string TrepDrawText::DeleteTags(std::u16string_view Txt) {
  if (Txt.empty()) return {};
  TrepHTMLTagsList L;
  L.AllowTags = FHTMLTags.AllowTags;
  L.SetDefaults(FFont.Color(), FFontSize, FFont.Style());
  std::u16string S(Txt);
  L.ExpandHTMLTags(S);
  return S;
}

std::u16string TrepDrawText::WrappedText() const {
  std::u16string R;
  for (const TLine& L : FText) R += L.Text + u"\r\n";
  return R;
}

long long TrepDrawText::MeasureLine(TMeasureFont& F, std::u16string_view Text, int LineIndex, int CharSpacing,
                                    bool Cumulative, std::vector<int>& Out) {
  const int N = static_cast<int>(Text.size());
  Out.assign(static_cast<std::size_t>(N), 0);
  const TrepHTMLTags* G =
      LineIndex >= 0 && LineIndex < FHTMLTags.Count() ? &FHTMLTags.Items(LineIndex) : nullptr;
  const int Recs = G ? G->Count() : 0;
  auto StyleAt = [&](int J) { return J < Recs ? G->Items(J).Style & 3u : FFont.Style() & 3u; };
  auto SmallAt = [&](int J) { return J < Recs && G->Items(J).Small; };
  // Runs of one face are measured in one call.
  for (int A = 0; A < N;) {
    int B = A + 1;
    while (B < N && StyleAt(B) == StyleAt(A)) ++B;
    F.Get(StyleAt(A)).Advances(Text.substr(static_cast<std::size_t>(A), static_cast<std::size_t>(B - A)), &Out[A]);
    A = B;
  }
  long long Total = 0;
  for (int J = 0; J < N; ++J) {
    // The second half of a surrogate pair adds nothing, so no width ever falls between halves.
    const bool Second = J > 0 && IsLowSurrogate(Text[J]) && IsHighSurrogate(Text[J - 1]);
    int W = Second ? 0 : Out[J] + CharSpacing;
    if (SmallAt(J)) W = static_cast<int>(std::lround(W / 1.5));
    Total += W;
    Out[J] = Cumulative ? static_cast<int>(std::min<long long>(Total, 0x7FFFFFFF)) : W;
  }
  return Total;
}

namespace {

bool IsVowel(char16_t C) { return std::u16string_view(u"АЕЁИОУЫЭЮЯ").find(C) != std::u16string_view::npos; }
bool IsConsonant(char16_t C) {
  return std::u16string_view(u"БВГДЖЗЙКЛМНПРСТФХЦЧШЩЬЪ").find(C) != std::u16string_view::npos;
}
bool IsSign(char16_t C) { return C == u'Ь' || C == u'Ъ'; }

char16_t UpperCyrillic(char16_t C) {
  if (C >= u'а' && C <= u'я') return static_cast<char16_t>(C - 0x20);
  if (C == u'ё') return u'Ё';
  if (C >= u'a' && C <= u'z') return static_cast<char16_t>(C - 0x20);
  return C;
}

bool HasVowel(std::u16string_view S) { return std::any_of(S.begin(), S.end(), IsVowel); }

} // namespace

std::vector<int> TrepDrawText::HyphenatePositions(std::u16string_view Word) {
  std::u16string W(Word);
  for (char16_t& C : W) C = UpperCyrillic(C);
  const int N = static_cast<int>(W.size());
  std::vector<int> R;
  for (int J = 0; J < N; ++J) {
    const char16_t C = W[J];
    const char16_t Next = J + 1 < N ? W[J + 1] : 0;
    bool Break = false;
    if (IsVowel(C)) {
      Break = Next != u'Й';
      if (J + 2 < N && IsConsonant(W[J + 1]) && W[J + 1] == W[J + 2] && !(J + 3 < N && IsVowel(W[J + 3])))
        Break = false;
    } else if (IsConsonant(C)) {
      Break = Next == 0 || (IsConsonant(Next) && !IsSign(Next));
    }
    const int P = J + 1;
    if (Break && P >= 2 && N - P >= 2 && HasVowel(std::u16string_view(W).substr(0, P)) &&
        HasVowel(std::u16string_view(W).substr(P)))
      R.push_back(P);
  }
  return R;
}

int TrepDrawText::FindHyphenPrefix(std::u16string_view Text, int WordStart, int Overflow) const {
  if (WordStart >= Overflow) return 0;
  std::size_t End = Text.find_first_of(u" .,-;", static_cast<std::size_t>(Overflow));
  if (End == std::u16string_view::npos) End = Text.size();
  const auto Positions = HyphenatePositions(Text.substr(static_cast<std::size_t>(WordStart), End - WordStart));
  int Best = 0;
  for (int P : Positions)
    if (WordStart + P <= Overflow) Best = P;
  return Best;
}

void TrepDrawText::WrapParagraph(std::u16string S, int FullWidth, int CharSpacing, int FirstWidth) {
  FHTMLTags.NewLine();
  FHTMLTags.ExpandHTMLTags(S);
  FHTMLTags.SetPosition(FHTMLTags.Position() + 2);
  const int N = static_cast<int>(S.size());
  const int Group = FHTMLTags.Count() - 1;
  auto AddLine = [&](std::u16string L, bool Hyphenated) { FText.push_back({std::move(L), 0, Hyphenated}); };
  if (!FWordWrap || N <= 1) {
    AddLine(std::move(S), false);
    return;
  }
  std::vector<int>& Cum = FTempArray;
  const long long Total = MeasureLine(FRef, S, Group, CharSpacing, true, Cum);
  if (Total < FirstWidth) {
    AddLine(std::move(S), false);
    return;
  }
  int LineStart = 0, LastBreak = -1;
  long long StartW = 0, Avail = FirstWidth;
  for (int I = 0; I < N; ++I) {
    if (S[I] == u' ') {
      const TrepHTMLTags& G = FHTMLTags.Items(FHTMLTags.Count() - 1);
      const int R = I - LineStart;
      if (!(FHTMLTags.AllowTags && R < G.Count() && G.Items(R).DontWRAP)) LastBreak = I;
    }
    if (Cum[I] - StartW <= Avail) continue;
    std::u16string Line;
    int Next;
    bool Hyphen = false;
    if (LastBreak < LineStart) {
      const int P = I > LineStart && FWordBreak ? FindHyphenPrefix(S, LineStart, I) : 0;
      if (I == LineStart) {  // a single character wider than the line
        Next = I + 1 + (I + 1 < N && IsHighSurrogate(S[I]) && IsLowSurrogate(S[I + 1]) ? 1 : 0);
        Line = S.substr(I, Next - I);
      } else if (P > 0) {
        Line = S.substr(LineStart, P) + u"-";
        Next = LineStart + P;
        Hyphen = true;
      } else {
        Line = S.substr(LineStart, I - LineStart);
        Next = I;
      }
    } else {
      const int P = FWordBreak ? FindHyphenPrefix(S, LastBreak + 1, I) : 0;
      if (P > 0) {
        Line = S.substr(LineStart, LastBreak + 1 - LineStart + P) + u"-";
        Next = LastBreak + 1 + P;
        Hyphen = true;
      } else {
        Line = S.substr(LineStart, LastBreak - LineStart);
        Next = LastBreak + 1;
      }
    }
    FHTMLTags.Wrap(Next - LineStart, Hyphen);
    AddLine(std::move(Line), Hyphen);
    LineStart = Next;
    StartW = Cum[Next - 1];
    Avail = FullWidth;
    LastBreak = -1;
    I = Next - 1;
  }
  if (LineStart < N) AddLine(S.substr(LineStart), false);
}

int TrepDrawText::GetFontHeight() const {
  const int Em = std::abs(FFont.Height());
  if (UseOldLineHeight) return Em;
  return const_cast<TMeasureFont&>(FRef).Get(FFont.Style()).Height();
}

double TrepDrawText::LineHeight() const {
  return GetFontHeight() / (static_cast<double>(FDefPPI) / FScrPPI) + FLineSpacing;
}

double TrepDrawText::ClampedLineHeight() const { return std::max(1.0, LineHeight()); }

double TrepDrawText::TextHeight() const {
  return std::abs(FFont.Height()) / (static_cast<double>(FDefPPI) / FScrPPI);
}

double TrepDrawText::CalcHeight() {
  if (FText.empty()) return 0;
  const double K = static_cast<double>(FDefPPI) / FScrPPI;
  const int H = GetFontHeight();
  const int N = LineCount();
  double R = (H / K + FLineSpacing) * N;
  if (FLineSpacing < 0) R -= FLineSpacing;
  if (FFontSize > 12) {
    const int Cell = FRef.Get(FFont.Style()).Height();
    if (Cell > H) R += (Cell - H) / K;
  }
  return R;
}

double TrepDrawText::CalcWidth() {
  if (FText.empty()) return 0;
  const double K = static_cast<double>(FDefPPI) / FScrPPI;
  long long Max = 0;
  for (int I = 0; I < LineCount(); ++I) {
    const std::u16string& L = FText[static_cast<std::size_t>(I)].Text;
    long long W = MeasureLine(FRef, L, I, 0, false, FTempArray);
    W += RoundL(K * static_cast<double>(L.size()) * FCharSpacing);
    if (FText[static_cast<std::size_t>(I)].Flags & rlfParaStart) W += RoundL(K * FParagraphGap);
    Max = std::max(Max, W);
  }
  return Max / K;
}

double TrepDrawText::UnusedSpace() const {
  const double L = ClampedLineHeight();
  const double A = FOriginalRect.Bottom - FOriginalRect.Top + 1;
  const double N = std::trunc(A / L);
  if (N <= 0) return 0;
  const double R = A - L * N;
  return R == 0 ? 0.0001 : R;
}

std::u16string TrepDrawText::GetOutBoundsText(bool& ParaBreak, bool AtLeastOneLine) {
  ParaBreak = false;
  if (FText.empty()) return {};
  const double A = FOriginalRect.Bottom - FOriginalRect.Top + 1;
  int N = static_cast<int>(std::clamp(std::trunc(A / ClampedLineHeight()), 0.0, static_cast<double>(LineCount())));
  if (AtLeastOneLine && N == 0) N = 1;
  if (N >= FHTMLTags.Count() || N >= LineCount()) return {};
  const bool Hyphenated = N > 0 && FText[static_cast<std::size_t>(N) - 1].Hyphenated;
  FText.resize(static_cast<std::size_t>(N));
  if (N > 0) ParaBreak = FText.back().Flags < rlfParaEnd;
  const TrepHTMLTags& G = FHTMLTags.Items(N);
  if (G.Count() == 0) return {};
  const TrepHTMLTag& Tag = G.Items(0);
  const std::size_t Cut = std::min<std::size_t>(static_cast<std::size_t>(std::max(Tag.Position - 1, 0)), FPlainText.size());
  std::u16string Result = FPlainText.substr(Cut);
  FPlainText.erase(Cut);
  if (Hyphenated && FWordBreak) FPlainText += u"-";
  if (FHTMLTags.AllowTags) {
    std::u16string Prefix;
    if (gfx::HasStyle(Tag.Style, gfx::fsBold)) Prefix = u"<b>" + Prefix;
    if (gfx::HasStyle(Tag.Style, gfx::fsItalic)) Prefix = u"<i>" + Prefix;
    if (gfx::HasStyle(Tag.Style, gfx::fsUnderline)) Prefix = u"<u>" + Prefix;
    if (gfx::HasStyle(Tag.Style, gfx::fsStrikeOut)) Prefix = u"<strike>" + Prefix;
    if (Tag.SubType == ssSubscript) Prefix = u"<sub>" + Prefix;
    if (Tag.SubType == ssSuperscript) Prefix = u"<sup>" + Prefix;
    const unsigned C = static_cast<unsigned>(gfx::ColorToRGB(Tag.Color));
    char Hex[8];
    std::snprintf(Hex, sizeof Hex, "%02X%02X%02X", C & 0xFF, (C >> 8) & 0xFF, (C >> 16) & 0xFF);
    std::u16string Colour;
    for (const char* P = Hex; *P; ++P) Colour += static_cast<char16_t>(*P);
    Prefix = u"<font color=\"#" + Colour + u"\">" + Prefix;
    Result = Prefix + Result;
  }
  return Result;
}

int TrepDrawText::DeviceFontHeight(const gfx::TCanvas& C, int Size) const {
  const double H = C.IsPrinter ? Size * static_cast<double>(C.PixelsPerInchY) * FPrintScale / 72.0
                               : Size * FScaleY * 96.0 / 72.0;
  return std::clamp(RoundI(H), 1, gfx::MaxPixelSize);
}

void TrepDrawText::DrawText(gfx::TCanvas& C, int HAlign, int VAlign, int UnderlinesTextMode) {
  if (FText.empty() && UnderlinesTextMode == ulmNone) return;
  const int R = C.PixelsPerInchY > 0 ? C.PixelsPerInchY : 96;
  TMeasureFont Dev;
  Dev.Name = FFont.Name();
  Dev.PixelSize = DeviceFontHeight(C, FFontSize);
  C.Font.SetName(FFont.Name());
  C.Font.SetSize(FFontSize);
  C.Font.SetStyle(FFont.Style());
  C.Font.SetColor(UseMonoFont ? gfx::clBlack : FFont.Color());

  const int F = UseOldLineHeight ? Dev.PixelSize : Dev.Get(FFont.Style()).Height();
  const int H0 = GetFontHeight();
  const int N = LineCount();
  const int S = RoundI(FLineSpacing * FScaleY);
  long long H;
  if (C.IsPrinter) {
    const double V = 600.0 / R / FPrintScale;
    H = RoundL((FLineSpacing * FScaleY * V * N + static_cast<double>(H0) * N) / V);
  } else {
    H = RoundL((FLineSpacing * 6.25 * N + static_cast<double>(H0) * N) / 6.25 * FScaleY);
  }
  std::vector<int> Steps(static_cast<std::size_t>(N), F + S);
  if (FWysiwyg && N > 1) Distribute(Steps, 0, N - 2, H - static_cast<long long>(N) * (F + S));

  const double Rad = FRotation * M_PI / 180.0;
  const double Cos = std::cos(Rad), Sin = std::sin(Rad);
  const double AC = std::abs(Cos), AS = std::abs(Sin);
  const int L = FScaledRect.Left, T = FScaledRect.Top, Rt = FScaledRect.Right, B = FScaledRect.Bottom;
  long long Fh = H;
  if (FLineSpacing < 0 && VAlign != vaTop) Fh += std::llabs(RoundL(2 * FLineSpacing));
  long long X = L, Y = T, Len = Rt - L, Extent = B - T;
  const int Rot = FRotation;
  if (Rot == 0) {
  } else if (Rot == 90) {
    X = L, Y = B, Len = B - T, Extent = Rt - L;
  } else if (Rot == 180) {
    X = Rt, Y = B, Len = Rt - L, Extent = B - T;
  } else if (Rot == 270) {
    X = Rt, Y = T, Len = B - T, Extent = Rt - L;
  } else {
    const long long W = AC > 1e-9 ? RoundL((Rt - L - AS * Fh) / AC) : 0;
    Len = W;
    if (Rot < 90) {
      X = L, Y = T + RoundL(AS * W);
      Extent = Fh + B - Y - RoundL(AC * Fh);
    } else if (Rot < 180) {
      X = L + RoundL(AC * W), Y = B;
      Extent = Fh + B - T - RoundL(AC * Fh + AS * W);
    } else if (Rot < 270) {
      X = Rt, Y = B - RoundL(AS * W);
      Extent = Fh + Y - T - RoundL(AC * Fh);
    } else {
      X = L + RoundL(AS * Fh), Y = T;
      Extent = Fh + B - T - RoundL(AS * W + AC * Fh);
    }
  }
  const long long D = Extent - Fh;
  if (VAlign != vaTop) {
    const long long Move = VAlign == vaBottom ? D : D / 2;
    if (Rot % 90 == 0) {
      X += RoundL(Move * Sin);
      Y += RoundL(Move * Cos);
    } else if (Rot > 90 && Rot < 270) {
      Y -= Move;
    } else {
      Y += Move;
    }
  }
  C.BkMode = gfx::bkTransparent;

  // Underline geometry (unrotated text only, as memos draw it).
  const double G = C.IsPrinter ? R * FPrintScale / 96.0 : FScaleY;
  const int U = C.IsPrinter ? RoundI(FLineSpacing * R * FPrintScale / 96.0) : RoundI((FLineSpacing - FScaleY) * FScaleY);
  const int P = std::max(1, F + RoundI(FLineSpacing * G));
  auto Underline = [&](long long Ly) {
    C.MoveTo(static_cast<int>(X), static_cast<int>(Ly));
    C.LineTo(static_cast<int>(X + Len), static_cast<int>(Ly));
  };
  if (UnderlinesTextMode == ulmUnderlinesAll && N == 0)
    for (long long Ly = T + P - U; Ly < B; Ly += P) Underline(Ly);
  if (UnderlinesTextMode == ulmUnderlinesAll && N > 0 && VAlign != vaTop)
    for (long long Ly = Y - U; Ly > T; Ly -= P) Underline(Ly);

  for (int I = 0; I < N; ++I) {
    const TLine& Line = FText[static_cast<std::size_t>(I)];
    const bool First = Line.Flags & rlfParaStart;
    const int E = First && (HAlign == haLeft || HAlign == haBlock) ? RoundI(FParagraphGap * FScaleX) : 0;
    int Align = HAlign;
    if (HAlign == haBlock && (Line.Flags & rlfParaEnd)) Align = FRTLReading ? haRight : haLeft;
    DrawTextLine(C, Dev, I, Align, static_cast<int>(Len) - E, static_cast<int>(X + RoundL(E * Cos)),
                 static_cast<int>(Y - RoundL(E * Sin)));
    if (UnderlinesTextMode != ulmNone) {
      const long long Ly = Y + P - U;
      const bool Blank = std::all_of(Line.Text.begin(), Line.Text.end(), IsBlank);
      if (Ly > T && Ly < B && !(UnderlinesTextMode == ulmUnderlinesText && Blank)) Underline(Ly);
      if (UnderlinesTextMode == ulmUnderlinesAll && I == N - 1 && VAlign != vaBottom)
        for (long long Ny = Ly + P; Ny < B; Ny += P) Underline(Ny);
    }
    X += RoundL(Steps[static_cast<std::size_t>(I)] * Sin);
    Y += RoundL(Steps[static_cast<std::size_t>(I)] * Cos);
  }
}

void TrepDrawText::DrawTextLine(gfx::TCanvas& C, TMeasureFont& DeviceFont, int LineIndex, int Align, int Avail,
                                int X, int Y) {
  const std::u16string& Text = FText[static_cast<std::size_t>(LineIndex)].Text;
  const int N = static_cast<int>(Text.size());
  if (N == 0) return;
  const double K = static_cast<double>(FDefPPI) / FScrPPI;
  const int RefSpacing = RoundI(FCharSpacing * K);
  const int DevSpacing = RoundI(FCharSpacing * FScaleX);
  std::vector<int> Ref;
  const long long Wr = MeasureLine(FRef, Text, LineIndex, RefSpacing, false, Ref) - RefSpacing;
  std::vector<int> Adv;
  const long long Wd = MeasureLine(DeviceFont, Text, LineIndex, DevSpacing, false, Adv) - DevSpacing;
  long long Ideal;
  if (!FWysiwyg) {
    Ideal = Wd;
  } else if (C.IsPrinter) {
    const int Lx = C.PixelsPerInchX > 0 ? C.PixelsPerInchX : 96;
    Ideal = RoundL(Wr * FPrintScale / (600.0 / Lx));
  } else {
    Ideal = RoundL(Wr / K * FScaleX);
  }
  const double Cos = std::cos(FRotation * M_PI / 180.0), Sin = std::sin(FRotation * M_PI / 180.0);
  const long long Free = Avail - Ideal;
  long long Shift = 0;
  bool Justified = false;
  const TrepHTMLTags* G = LineIndex < FHTMLTags.Count() ? &FHTMLTags.Items(LineIndex) : nullptr;
  auto Rec = [&](int J) -> const TrepHTMLTag* { return G && J < G->Count() ? &G->Items(J) : nullptr; };
  if (Align == haRight) {
    Shift = Free + 1;
    const gfx::TFontStyles St = Rec(0) ? Rec(0)->Style : FFont.Style();
    Shift -= FRotation == 0 && (St & 3u) ? 2 : 1;
  } else if (Align == haCenter) {
    Shift = Free / 2;
  } else if (Align == haBlock) {
    std::vector<int> Blanks;
    for (int J = 0; J < N; ++J)
      if (IsBlank(Text[static_cast<std::size_t>(J)])) Blanks.push_back(J);
    if (!Blanks.empty()) {
      Justified = true;
      const long long Extra = std::llabs(static_cast<long long>(Avail)) - Wd;
      const long long Nb = static_cast<long long>(Blanks.size());
      const long long Q = Extra / Nb, Rm = Extra % Nb;
      for (long long J = 0; J < Nb; ++J)
        Adv[static_cast<std::size_t>(Blanks[static_cast<std::size_t>(J)])] +=
            static_cast<int>(Q + (std::llabs(J) < std::llabs(Rm) ? (Rm < 0 ? -1 : 1) : 0));
    }
  }
  if (!Justified) Distribute(Adv, 0, N - 1, Ideal - Wd);
  X += static_cast<int>(RoundL(Shift * Cos));
  Y -= static_cast<int>(RoundL(Shift * Sin));

  // Visual order for right-to-left text; advances and records travel with their characters.
  std::vector<int> Order;
  if (FRTLReading || gfx::HasRightToLeft(Text)) Order = gfx::BidiVisualOrder(Text, FRTLReading);
  auto Logical = [&](int V) { return Order.empty() ? V : Order[static_cast<std::size_t>(V)]; };

  auto SameRun = [&](const TrepHTMLTag* A, const TrepHTMLTag* B) {
    if (!A || !B) return A == B;
    return A->Style == B->Style && A->Color == B->Color && A->Size == B->Size && A->AddY == B->AddY;
  };
  for (int A = 0; A < N;) {
    const TrepHTMLTag* RA = Rec(Logical(A));
    int B = A + 1;
    while (B < N && SameRun(Rec(Logical(B)), RA)) ++B;
    gfx::TTextOut Out;
    long long RunWidth = 0;
    for (int V = A; V < B; ++V) {
      const int Lg = Logical(V);
      Out.Text += Text[static_cast<std::size_t>(Lg)];
      Out.Dx.push_back(Adv[static_cast<std::size_t>(Lg)]);
      RunWidth += Adv[static_cast<std::size_t>(Lg)];
    }
    const int Size = RA ? RA->Size : FFontSize;
    const gfx::TFontStyles Style = RA ? RA->Style : FFont.Style();
    C.Font.SetSize(Size);
    C.Font.SetStyle(Style);
    C.Font.SetColor(UseMonoFont ? gfx::clBlack : RA ? RA->Color : FFont.Color());
    const long long Down = RA ? RoundL(RA->AddY * Size * FScaleY) : 0;
    Out.X = static_cast<int>(X + RoundL(Down * Sin));
    Out.Y = static_cast<int>(Y + RoundL(Down * Cos));
    Out.Options = FOptions;
    Out.Clip = FScaledRect;
    Out.Escapement = FRotation * 10;
    Out.FontHeight = DeviceFontHeight(C, Size);
    if (!FWysiwyg) Out.Dx.clear();
    C.ExtTextOut(Out);
    if (VC) {
      VC->Font.Name = C.Font.Name();
      VC->Font.Size = Size;
      VC->Font.Bold = gfx::HasStyle(Style, gfx::fsBold);
      VC->Font.Italic = gfx::HasStyle(Style, gfx::fsItalic);
      VC->Font.Underline = gfx::HasStyle(Style, gfx::fsUnderline);
      VC->Font.StrikeOut = gfx::HasStyle(Style, gfx::fsStrikeOut);
      const TVectorRect Clip{FScaledRect.Left, FScaledRect.Top, FScaledRect.Right, FScaledRect.Bottom};
      std::vector<std::int32_t> Dx(Out.Dx.begin(), Out.Dx.end());
      VC->ExtTextOutW(Out.X, Out.Y, Out.Options, Clip, Out.Text, FWysiwyg ? &Dx : nullptr);
    }
    X += static_cast<int>(RoundL(RunWidth * Cos));
    Y -= static_cast<int>(RoundL(RunWidth * Sin));
    A = B;
  }
}

// ---------------------------------------------------------------------------------------------

namespace {

std::mutex& SharedLock() {
  static std::mutex M;
  return M;
}
int InitCount = 0;
std::unique_ptr<TrepDrawText>& SharedInstance() {
  static std::unique_ptr<TrepDrawText> P;
  return P;
}

} // namespace

void repDrawTextInitialization() {
  std::lock_guard<std::mutex> G(SharedLock());
  if (InitCount++ != 0) return;
  if (!SharedInstance()) SharedInstance() = std::make_unique<TrepDrawText>();
  // The faces memos use most are loaded now rather than on a session's first request.
  for (const char* Family : {"Arial", "Times New Roman", "Courier New"})
    for (int Style = 0; Style < 4; ++Style) gfx::FindFace(Family, Style & 1, Style & 2);
  for (int Style = 0; Style < 4; ++Style) gfx::FallbackFaces(Style & 1, Style & 2);
}

void repDrawTextFinalization() {
  std::lock_guard<std::mutex> G(SharedLock());
  if (InitCount > 0 && --InitCount == 0) SharedInstance().reset();
}

TrepDrawText& SharedDrawText() {
  std::lock_guard<std::mutex> G(SharedLock());
  if (!SharedInstance()) SharedInstance() = std::make_unique<TrepDrawText>();
  return *SharedInstance();
}
