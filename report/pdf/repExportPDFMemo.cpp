// Memo text: the lines the text layout wraps, shaped into glyphs of the font layer's faces and
// written as PDF text, one BT .. ET block per line.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

#include "platform/gfx/FontFace.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repVectorCanvas.h"
#include "report/pdf/repExportPDF.h"

namespace {

// The writer's own lock, taken after the layout lock: the layout instance is shared by the
// process and the font lists of the layer are filled as text comes.
std::mutex& PDFTextLock() {
  static std::mutex M;
  return M;
}

std::string F2(double V) { return PDFFixed(V, 2); }

// Gaps, spacings and sizes from templates, held where the layout holds them.
double Sane(double V, double Limit) { return std::isfinite(V) ? std::clamp(V, -Limit, Limit) : 0.0; }

// Whether every glyph of a line drawn from (X, Y) at Size points lies inside Clip, pens
// advanced as the text writer advances them. Readers place glyphs within half a thousandth of
// an em of those pens; a thousandth is allowed.
bool InkInside(const TrepPDFRun& Run, const TrepPDFTextBlock& Block, double SpaceAdjust, double Size, double X,
               double Y, const TrepRect& Clip) {
  const double Unit = 1.0 / std::max(1, Run.Face->UnitsPerEm());
  double Pen = 0;
  for (const TShapedGlyph& G : Run.Glyphs) {
    const TGlyphBox B = GlyphInkBox(Run.Face, G.Glyph);
    if (!B.Empty()) {
      const double L = X + (Pen + (G.XOffset + B.XMin) * Unit - 0.001) * Size;
      const double R = X + (Pen + (G.XOffset + B.XMax) * Unit + 0.001) * Size;
      if (L < Clip.Left || R > Clip.Right || Y + B.YMin * Unit * Size < Clip.Bottom || Y + B.YMax * Unit * Size > Clip.Top)
        return false;
    }
    Pen += G.Advance * Unit + ((G.IsSpace ? SpaceAdjust : 0) + (G.Text.empty() ? 0 : Block.CharSpacing)) / 1000;
  }
  return true;
}

} // namespace

void TrepPDFExport::FillTextBlock(TrepView* View, TrepPDFTextBlock& Block) {
  auto* Memo = dynamic_cast<TrepCustomMemoView*>(View);
  Block.Lines.clear();
  if (!Memo) return;
  const TrepWideStrings& Lines = Memo->Lines();
  Block.Lines.reserve(static_cast<std::size_t>(Lines.Count()));
  for (int I = 0; I < Lines.Count(); ++I) Block.Lines.push_back(Lines[I]);
  const gfx::TFont& Font = Memo->Font();
  Block.FontName = Font.Name();
  Block.FontSize = Font.Size();
  Block.FontStyle = Font.Style();
  Block.FontColor = Font.Color();
  Block.HAlign = static_cast<int>(Memo->HAlign);
  Block.VAlign = static_cast<int>(Memo->VAlign);
  Block.GapX = Memo->GapX;
  Block.GapY = Memo->GapY;
  Block.LineSpacing = Memo->LineSpacing;
  Block.ParagraphGap = Memo->ParagraphGap;
  Block.CharSpacing = Memo->CharSpacing;
  Block.WordWrap = Memo->WordWrap;
  Block.WordBreak = Memo->WordBreak;
  Block.RTLReading = Memo->RTLReading;
  Block.Clipped = Memo->Clipped;
  Block.Wysiwyg = Memo->Wysiwyg;
  Block.Underlines = Memo->Underlines();
}

void TrepPDFExport::ExportTextBlock(TrepView* View, const TrepPDFTextBlock& Block) {
  const TrepRect VR = GetViewRect(View);
  stLeft = F2(VR.Left);
  stTop = F2(VR.Top);
  stRight = F2(VR.Right);
  stBottom = F2(VR.Bottom);
  ExportFill(View);
  const TrepRect Clip = GetClipRect(View, true);
  bool Clipped = false;
  auto OpenClip = [&] {
    if (Clipped) return;
    Clipped = true;
    CL("q");
    CL(PDFRectText(Clip) + " re");
    CL("W");
    CL("n");
  };
  {
    TrepDrawText::TLock LayoutLock;
    std::lock_guard<std::mutex> Own(PDFTextLock());
    TrepDrawText& DT = SharedDrawText();

    const int Size = std::clamp(Block.FontSize, 1, 1000);
    gfx::TFont Font;
    Font.SetName(Block.FontName);
    Font.SetSize(Size);
    Font.SetStyle(Block.FontStyle);
    Font.SetColor(Block.FontColor);
    const double GapX = Sane(Block.GapX, MaxTextGap), GapY = Sane(Block.GapY, MaxTextGap);
    const double LS = Sane(Block.LineSpacing, MaxTextGap), PG = Sane(Block.ParagraphGap, MaxTextGap);
    const double CS = Sane(Block.CharSpacing, MaxTextGap);
    DT.SetFont(Font);
    DT.SetOptions(Block.WordWrap, false, Block.RTLReading, Block.WordBreak, Block.Clipped, Block.Wysiwyg, 0);
    DT.SetGaps(PG, CS, LS);

    // The text rectangle in whole pixels, inside the frame lines and the gaps.
    const TrepFrame& Fr = View->Frame();
    const double Wm = View->Width() - View->ShadowSize(), Hm = View->Height() - View->ShadowSize();
    const double W = std::isfinite(Fr.Width()) ? Fr.Width() : 0;
    auto Rnd = [](double V) { return static_cast<int>(std::nearbyint(std::clamp(V, -1e9, 1e9))); };
    int l = Rnd(View->AbsLeft()), t = Rnd(View->AbsTop());
    int r = l + static_cast<int>(std::ceil(std::clamp(View->Width(), 0.0, 1e9)));
    int b = t + static_cast<int>(std::ceil(std::clamp(View->Height(), 0.0, 1e9)));
    if (Fr.Typ.Contains(ftLeft)) l += Rnd((W - 1) / 2);
    if (Fr.Typ.Contains(ftRight)) r -= Rnd(W / 2);
    if (Fr.Typ.Contains(ftTop)) t += Rnd((W - 1) / 2);
    if (Fr.Typ.Contains(ftBottom)) b -= Rnd(W / 2);
    const int gx = Rnd(GapX), gy = Rnd(GapY);
    const gfx::TRect R{l + gx, t + gy, r - gx + 1, b - gy + 1};
    DT.SetDimensions(1, 1, 1, R, R);
    std::u16string Text;
    for (std::size_t I = 0; I < Block.Lines.size(); ++I) {
      if (I) Text += u"\r\n";
      Text += Block.Lines[I];
    }
    DT.SetText(Text, false);
    const double LH = DT.LineHeight();

    if (Block.Underlines && LH > 0) {
      OpenClip();
      const int Count = static_cast<int>(std::min(10000.0, std::trunc(View->Height() / LH)));
      for (int K = 1; K <= Count; ++K) {
        const std::string Y = F2(PixelsToPDFY(View->AbsTop() + GapY + 1 + K * LH - LS));
        C(CachedColorText(Fr.Color()) + " RG\r\n" + F2(Fr.Width() * 0.75) + " w\r\n" + stLeft + " " + Y + " m\r\n" +
          stRight + " " + Y + " l\r\nS\r\n");
      }
    }

    const int N = DT.LineCount();
    const bool SameCount = N == static_cast<int>(Block.Lines.size());
    const TFaceChoice& Choice = FaceChoiceFor(Block.FontName, Block.FontStyle);
    const gfx::TFontFace* Face = Choice.Face;
    const double S = PDFFontSize(Font);
    const gfx::TColor Color = Block.FontColor == gfx::clNone ? gfx::clBlack : Block.FontColor;
    // Lines are placed first, so that text that lies inside the clip can go without it.
    struct TPlaced {
      std::vector<TrepPDFRun> Runs;
      double X, Y, EndX, Adjust;
    };
    std::vector<TPlaced> Placed;
    TrepPDFTextBlock Line = Block;
    Line.FontColor = Color;
    Line.CharSpacing = S > 0 ? CS * 0.75 * 1000 / S : 0;
    for (int I = 0; I < N && Face; ++I) {
      const std::u16string& L = DT.Lines(I);
      const int Flags = DT.LineFlags(I);
      const double Pg = SameCount ? (I == 0 ? PG : 0) : ((Flags & rlfParaStart) ? PG : 0);
      if (L.empty()) continue;
      const std::vector<TrepPDFRun> Runs = ShapeText(Face, L, Block.RTLReading, Choice.Ligatures);
      // Width in thousandths of the font size, and the blanks that justification widens.
      double Th = 0;
      int Spaces = 0, Glyphs = 0;
      for (const TrepPDFRun& Run : Runs) {
        Th += Run.Width() * 1000.0 / Run.Face->UnitsPerEm();
        for (const TShapedGlyph& G : Run.Glyphs) {
          Spaces += G.IsSpace;
          Glyphs += !G.Text.empty();
        }
      }
      const double CSTh = S > 0 ? CS * 0.75 * 1000 / S : 0;
      Th += CSTh * Glyphs;
      const double A = Wm - 2 * GapX - Pg;
      const bool EndsParagraph = SameCount ? true : (Flags & rlfParaEnd) != 0;
      const bool Justified = Block.HAlign == 3 && !EndsParagraph && Spaces >= 1;
      double Lpx = S * Th / 0.75 / 1000, Adjust = 0;
      if (Justified && S > 0) {
        Adjust = (A * 0.75 * 1000 / S - Th) / Spaces;
        Lpx = A;
      }
      const double X0 = View->AbsLeft() + GapX + Pg;
      double X = X0;
      switch (Block.HAlign) {
      case 1: X = X0 + A - Lpx; break;
      case 2: X = X0 + (A - Lpx) / 2; break;
      case 3: X = Block.RTLReading ? X0 + A - Lpx : X0; break;
      default: break;
      }
      const double Y0 = View->AbsTop() + GapY - 0.1 * Size, H2 = Hm - 2 * GapY;
      double Y;
      switch (Block.VAlign) {
      case 1: Y = Y0 + H2 - LS - (N - I - 1) * LH; break;
      case 2: Y = Y0 + (H2 - N * LH) / 2 + (I + 1) * LH - LS; break;
      default: Y = Y0 + (I + 1) * LH - LS; break;
      }
      const double PX = PixelsToPDFX(X), PY = PixelsToPDFY(Y);
      Placed.push_back({std::move(Runs), PX, PY, Lpx * 0.75 + PX, Adjust});
    }
    // Shared text: one face, nothing simulated or stroked, every glyph inside the clip by the
    // face's own glyph box.
    bool Shared = !Block.Underlines && !gfx::HasStyle(Block.FontStyle, gfx::fsUnderline) &&
                  !gfx::HasStyle(Block.FontStyle, gfx::fsStrikeOut);
    for (std::size_t K = 0; K < Placed.size() && Shared; ++K) {
      const TPlaced& P = Placed[K];
      if (P.Runs.size() != 1 || P.Runs.front().Glyphs.empty()) {
        Shared = false;
        break;
      }
      const gfx::TFontFace* F = P.Runs.front().Face;
      std::string Simulated;
      if (ItalicSimulationText(Font, F, Simulated) || BoldSimulationText(Font, F, Simulated)) {
        Shared = false;
        break;
      }
      Shared = InkInside(P.Runs.front(), Line, P.Adjust, S, P.X, P.Y, Clip);
    }
    if (!Shared) OpenClip();
    for (const TPlaced& P : Placed) {
      const double PX = P.X, PY = P.Y, EndX = P.EndX;
      if (Shared) {
        WriteSharedTextLine(P.Runs.front(), Line, S, PX, PY, P.Adjust);
        continue;
      }
      WriteTextLine(P.Runs, Line, S, PX, PY, P.Adjust);
      if (gfx::HasStyle(Block.FontStyle, gfx::fsUnderline)) {
        CL("[] 0 d");
        CL(CachedColorText(Color) + " RG");
        CL(F2(S * 0.08) + " w");
        CL(F2(PX) + " " + F2(PY - S * 0.12) + " m");
        CL(F2(EndX) + " " + F2(PY - S * 0.12) + " l");
        CL("S");
      }
      if (gfx::HasStyle(Block.FontStyle, gfx::fsStrikeOut)) {
        C(CachedColorText(Color) + " RG\r\n" + F2(S * 0.08) + " w\r\n" + F2(PX) + " " + F2(PY + S * 0.28) + " m\r\n" +
          F2(EndX) + " " + F2(PY + S * 0.28) + " l\r\nS\r\n");
      }
    }
    // An empty memo keeps its clip, as it always had one.
    if (Placed.empty()) OpenClip();
  }
  if (Clipped) CL("Q");
  ExportFrame(View->Frame(), GetViewRect(View));
}

const TrepPDFExport::TFaceChoice& TrepPDFExport::FaceChoiceFor(const std::string& Family, gfx::TFontStyles Style) {
  const unsigned Key = Style & gfx::FontStyles({gfx::fsBold, gfx::fsItalic});
  auto It = FFaces.find({Family, Key});
  if (It != FFaces.end()) return It->second;
  // A style the writer simulates for this family is drawn from its regular face.
  gfx::TFont Asked;
  Asked.SetName(Family);
  Asked.SetStyle(Key);
  const gfx::TFontStyles Own = SimulatedFontStyle(Asked);
  TFaceChoice Choice;
  Choice.Face = gfx::FindFace(Family, gfx::HasStyle(Own, gfx::fsBold), gfx::HasStyle(Own, gfx::fsItalic));
  Choice.Ligatures = !IsLigaturelessFont(Family) && !(Choice.Face && IsLigaturelessFont(Choice.Face->Family()));
  return FFaces.emplace(std::make_pair(Family, Key), Choice).first->second;
}

void TrepPDFExport::NoteMissingCharacters(std::u16string_view Text) {
  for (std::size_t I = 0; I < Text.size(); ++I) {
    char32_t C = Text[I];
    if (C >= 0xD800 && C < 0xDC00 && I + 1 < Text.size() && Text[I + 1] >= 0xDC00 && Text[I + 1] < 0xE000)
      C = 0x10000 + ((C - 0xD800) << 10) + (Text[++I] - 0xDC00);
    // Control characters are no text a face could be asked for.
    if (C < 0x20 || (C >= 0x7F && C < 0xA0)) continue;
    if (std::find(FMissingCharacters.begin(), FMissingCharacters.end(), C) != FMissingCharacters.end()) continue;
    if (FMissingCharacters.size() < MaxReportedMissingCharacters) FMissingCharacters.push_back(C);
    ++FMissingCount;
  }
}

void TrepPDFExport::ReportMissingCharacters() {
  if (FMissingCharacters.empty()) return;
  std::string Text = "No installed font has these characters; the PDF shows them as empty boxes:";
  for (char32_t C : FMissingCharacters) {
    char Code[16];
    std::snprintf(Code, sizeof Code, " U+%04X", static_cast<unsigned>(C));
    Text += Code;
    Text += " \"" + rt::Utf16ToUtf8(C < 0x10000 ? std::u16string(1, static_cast<char16_t>(C))
                                                : std::u16string{static_cast<char16_t>(0xD800 + ((C - 0x10000) >> 10)),
                                                                 static_cast<char16_t>(0xDC00 + ((C - 0x10000) & 0x3FF))}) +
            "\"";
  }
  if (FMissingCount > FMissingCharacters.size())
    Text += " and " + std::to_string(FMissingCount - FMissingCharacters.size()) + " more";
  FMissingCharacters.clear();
  FMissingCount = 0;
  if (Report) Report->Errors().Add(Text);
}

TRemapedString TrepPDFExport::RemapText(const gfx::TFont& Font, std::u16string_view Text, bool RTL, bool IsIndexes) {
  const TFaceChoice& Choice = FaceChoiceFor(Font.Name(), Font.Style());
  if (!Choice.Face) throw rt::Exception("No font for \"" + Font.Name() + "\"");
  TrepPDFFont* Own = FPOH.GetGlobalFont(Choice.Face);
  FPOH.AddPageFont(Own);
  if (IsIndexes || Text.empty()) return Own->SoftRemapString(Text, RTL, IsIndexes);
  TRemapedString RS;
  RS.IsValidCharWidth = true;
  std::size_t Characters = 0;
  for (char16_t C : Text) Characters += !(C >= 0xDC00 && C < 0xE000);
  for (const TrepPDFRun& Run : ShapeText(Choice.Face, Text, RTL, Choice.Ligatures)) {
    TrepPDFFont* PF = Run.Face == Choice.Face ? Own : FPOH.GetGlobalFont(Run.Face);
    if (PF != Own) FPOH.AddPageFont(PF);
    if (RS.Runs.empty() || RS.Runs.back().FontName != PF->Name) {
      std::string Bold;
      BoldSimulationText(Font, Run.Face, Bold);
      RS.Runs.push_back({PF->Name, Bold, RS.Data.size(), 0});
    }
    const unsigned Space = Run.Face->GlyphIndex(U' ');
    for (const TShapedGlyph& G : Run.Glyphs) {
      PF->UseGlyph(G.Glyph, G.Text);
      if (G.Glyph == 0 && !G.Text.empty()) NoteMissingCharacters(G.Text);
      RS.Data.push_back(static_cast<char16_t>(G.Glyph));
      const int W = static_cast<int>(std::lround(PF->ToThousandths(G.Advance)));
      RS.CharWidth.push_back(W);
      RS.Width += W;
      if (G.Glyph == Space) ++RS.SpacesCount;
      ++RS.Runs.back().Count;
    }
  }
  RS.IsHasLigatures = RS.Data.size() < Characters;
  // Text of the font's own face alone needs no font changes.
  if (RS.Runs.size() == 1 && RS.Runs.front().FontName == Own->Name) RS.Runs.clear();
  return RS;
}

void TrepPDFExport::ExportMemo(TrepCustomMemoView* Memo) {
  // A memo with a negative gap draws outside its text rectangle: its text goes where the memo's
  // own drawing puts it.
  if (std::min(Memo->GapX, Memo->GapY) < 0) {
    ExportFill(Memo);
    ExportVectorText(Memo);
    ExportFrame(Memo->Frame(), GetViewRect(Memo));
    return;
  }
  TrepPDFTextBlock Block;
  FillTextBlock(Memo, Block);
  ExportTextBlock(Memo, Block);
}

void TrepPDFExport::ClipToMemo(TrepView* View) {
  CL(PDFRectText(GetClipRect(View, true)) + " re");
  CL("W");
  CL("n");
}

void TrepPDFExport::ExportVectorText(TrepCustomMemoView* Memo) {
  const std::unique_ptr<TVectorCanvas> VC = Memo->GetVectorCanvas();
  CL("q");
  for (const auto& Rec : *VC) WriteVectorTextRecord(Memo, *Rec);
  CL("Q");
}

void TrepPDFExport::WriteVectorTextRecord(TrepCustomMemoView* Memo, const TVector_ExtTextOut& Rec) {
  if (Rec.Str().empty()) return;
  CL("%--Vector Begin");
  CL("q");
  if (Rec.Options() & 4) ClipToMemo(Memo);
  // The record's font: the memo's, in the style its drawing used.
  gfx::TFont Font;
  Font.Assign(Memo->Font());
  const TVectorFont& RF = Rec.Font();
  if (!RF.Name.empty()) Font.SetName(RF.Name);
  if (RF.Size > 0) Font.SetSize(std::clamp(static_cast<int>(std::lround(RF.Size)), 1, 1000));
  gfx::TFontStyles Style = 0;
  if (RF.Bold) Style |= gfx::FontStyles({gfx::fsBold});
  if (RF.Italic) Style |= gfx::FontStyles({gfx::fsItalic});
  if (RF.Underline) Style |= gfx::FontStyles({gfx::fsUnderline});
  if (RF.StrikeOut) Style |= gfx::FontStyles({gfx::fsStrikeOut});
  Font.SetStyle(Style);
  const double S = Font.Size(), FSize = PDFFontSize(Font);
  // Only unturned memos come this way (turned ones take the metafile road): the baseline lies
  // 1.2 em below the record's top.
  const TrepPoint P = MakeRepPoint(PixelsToPDFX(Memo->AbsLeft() + Rec.X()), PixelsToPDFY(Memo->AbsTop() + Rec.Y() + 1.2 * S));
  const TRemapedString RS = RemapText(Font, Rec.Str(), (Rec.Options() & 128) != 0, false);
  const gfx::TColor Color = Font.Color() == gfx::clNone ? gfx::clBlack : Font.Color();
  const std::string Size = " " + FloatToFixedText(FSize, 3, '.') + " Tf";
  CL("BT");
  CL((RS.Runs.empty() ? FPOH.GetGlobalFont(FaceFor(Font.Name(), Font.Style()))->Name : RS.Runs.front().FontName) + Size);
  CL(CachedColorText(Color) + " rg");
  CL(PointToPDFText(P) + " Td");
  std::string Italic, Bold;
  if (ItalicSimulationText(Font, FaceFor(Font.Name(), Font.Style()), Italic)) CL(Italic + " " + PointToPDFText(P) + " Tm");
  const double TextLength = Rec.TextLength() * 0.75;
  // Word spacing that makes the line as long as the drawing made it; none without advances.
  const bool Spaced = RS.Data.size() >= 2 && RS.SpacesCount > 0 && TextLength > 0;
  const double Adjust = Spaced ? TrepPDFFont::SpaceAdjustment(RS, TextLength, FSize) : 0;
  auto Glyphs = [&](const TRemapedString& Part) {
    CL(Spaced ? "[<" + SpacedGlyphsText(Part.Data, Adjust) + ">] TJ" : "<" + UnicodeToHexText(Part.Data) + "> Tj");
  };
  bool Stroking = false;
  if (RS.Runs.empty()) {
    if (BoldSimulationText(Font, FaceFor(Font.Name(), Font.Style()), Bold)) {
      CL(Bold);
      Stroking = true;
    }
    Glyphs(RS);
  } else {
    for (std::size_t I = 0; I < RS.Runs.size(); ++I) {
      const TRemapedString::TFontRun& Run = RS.Runs[I];
      if (I > 0) CL(Run.FontName + Size);
      if (!Run.BoldSimulation.empty()) CL(Run.BoldSimulation);
      else if (Stroking) CL("0 Tr");
      Stroking = !Run.BoldSimulation.empty();
      Glyphs(RS.Slice(Run));
    }
  }
  CL("ET");
  if (Stroking) CL("0 Tr");
  if (gfx::HasStyle(Font.Style(), gfx::fsUnderline) || gfx::HasStyle(Font.Style(), gfx::fsStrikeOut)) {
    CL("[] 0 d");
    CL(CachedColorText(Color) + " RG");
    const double Length = TextLength > 0 ? TextLength : RS.Width * FSize / 1000.0;
    auto Stroke = [&](double Position, double Width) {
      CL(F2(Width * FSize) + " w");
      const double YY = Position * FSize + P.Y;
      CL(F2(P.X) + " " + F2(YY) + " m");
      CL(F2(P.X + Length) + " " + F2(YY) + " l");
      CL("S");
    };
    if (gfx::HasStyle(Font.Style(), gfx::fsUnderline)) Stroke(-0.175, 0.12);
    if (gfx::HasStyle(Font.Style(), gfx::fsStrikeOut)) Stroke(0.24, 0.06);
  }
  CL("Q");
  CL("%--Vector End");
}

void TrepPDFExport::WriteTextLine(const std::vector<TrepPDFRun>& Runs, const TrepPDFTextBlock& Block, double Size,
                                  double X, double Y, double SpaceAdjust) {
  gfx::TFont Font;
  Font.SetName(Block.FontName);
  Font.SetSize(std::clamp(Block.FontSize, 1, 1000));
  Font.SetStyle(Block.FontStyle);
  Font.SetColor(Block.FontColor);
  CL("BT");
  CL(PDFColorText(Block.FontColor) + " rg");
  std::string Italic;
  const bool AnyItalic = !Runs.empty() && ItalicSimulationText(Font, Runs.front().Face, Italic);
  if (AnyItalic) CL(Italic + " " + FloatToPDFText(X, 3) + " " + FloatToPDFText(Y, 3) + " Tm");
  else CL(F2(X) + " " + F2(Y) + " Td");
  bool Stroking = false;
  // Positions in thousandths of the font size from the line's start: where the reader's pen
  // stands (Cur) and where shaping put it (Pen).
  double Cur = 0, Pen = 0;
  std::string TJ;
  for (std::size_t RI = 0; RI < Runs.size(); ++RI) {
    const TrepPDFRun& Run = Runs[RI];
    TrepPDFFont* PF = FPOH.GetGlobalFont(Run.Face);
    FPOH.AddPageFont(PF);
    CL(PF->Name + " " + FloatToPDFText(Size, 3) + " Tf");
    std::string Bold;
    if (BoldSimulationText(Font, Run.Face, Bold)) {
      CL(Bold);
      Stroking = true;
    } else if (Stroking) {
      CL("0 Tr");
      Stroking = false;
    }
    TJ = "[" + GlyphsTJ(Run, PF, Block, SpaceAdjust, Cur, Pen, RI + 1 == Runs.size()) + "] TJ";
    CL(TJ);
  }
  CL("ET");
  if (Stroking) CL("0 Tr");
}

std::string TrepPDFExport::GlyphsTJ(const TrepPDFRun& Run, TrepPDFFont* PF, const TrepPDFTextBlock& Block,
                                    double SpaceAdjust, double& Cur, double& Pen, bool Last) {
  std::string TJ = "<";
  bool Open = true;
  for (const TShapedGlyph& G : Run.Glyphs) {
    PF->UseGlyph(G.Glyph, G.Text);
    if (G.Glyph == 0 && !G.Text.empty()) NoteMissingCharacters(G.Text);
    const double Desired = Pen + PF->ToThousandths(G.XOffset);
    const long Adj = std::lround(Cur - Desired);
    if (Adj != 0) {
      TJ += (Open ? ">" : "") + std::to_string(Adj);
      Open = false;
      Cur -= static_cast<double>(Adj);
    }
    if (!Open) {
      TJ += "<";
      Open = true;
    }
    static const char Digits[] = "0123456789ABCDEF";
    for (int Shift = 12; Shift >= 0; Shift -= 4) TJ += Digits[(G.Glyph >> Shift) & 15];
    Cur += PF->GlyphWidth(G.Glyph);
    Pen += PF->ToThousandths(G.Advance) + (G.IsSpace ? SpaceAdjust : 0) + (G.Text.empty() ? 0 : Block.CharSpacing);
  }
  // The next run starts where shaping ends this one.
  if (!Last) {
    const long Adj = std::lround(Cur - Pen);
    if (Adj != 0) {
      TJ += (Open ? ">" : "") + std::to_string(Adj);
      Open = false;
      Cur -= static_cast<double>(Adj);
    }
  }
  if (Open) TJ += ">";
  return TJ;
}

namespace {

// Hundredths as a number, without the decimals that are zero (97.5, 0, -21).
std::string Hundredths(long long V) {
  std::string R = V < 0 ? "-" : "";
  const unsigned long long A = V < 0 ? 0ULL - static_cast<unsigned long long>(V) : static_cast<unsigned long long>(V);
  R += std::to_string(A / 100);
  if (A % 100 != 0) {
    R += '.';
    R += static_cast<char>('0' + A % 100 / 10);
    if (A % 10 != 0) R += static_cast<char>('0' + A % 10);
  }
  return R;
}

long long ToHundredths(double V) { return std::llround(std::clamp(V, -1e12, 1e12) * 100); }

} // namespace

void TrepPDFExport::WriteSharedTextLine(const TrepPDFRun& Run, const TrepPDFTextBlock& Block, double Size, double X,
                                        double Y, double SpaceAdjust) {
  TrepPDFFont* PF = FPOH.GetGlobalFont(Run.Face);
  FPOH.AddPageFont(PF);
  if (!FTextRun) {
    FTextFont.clear();
    FTextColor.clear();
  }
  FTextRun = true;
  if (!FTextOpen) {
    FContent.append("BT\r\n");
    FTextOpen = true;
    FTextX = FTextY = 0;
  }
  std::string Tf = PF->Name + " " + FloatToPDFText(Size, 3) + " Tf";
  if (Tf != FTextFont) {
    FContent.append(Tf).append("\r\n");
    FTextFont = std::move(Tf);
  }
  std::string Rg = PDFColorText(Block.FontColor) + " rg";
  if (Rg != FTextColor) {
    FContent.append(Rg).append("\r\n");
    FTextColor = std::move(Rg);
  }
  // Td moves from the start of the text object's line: the offsets are exact in hundredths,
  // so every line starts where an absolute position would put it.
  const long long HX = ToHundredths(X), HY = ToHundredths(Y);
  FContent.append(Hundredths(HX - FTextX)).append(" ").append(Hundredths(HY - FTextY)).append(" Td\r\n");
  FTextX = HX;
  FTextY = HY;
  double Cur = 0, Pen = 0;
  FContent.append("[").append(GlyphsTJ(Run, PF, Block, SpaceAdjust, Cur, Pen, true)).append("] TJ\r\n");
}

void TrepPDFExport::EndTextRun() {
  if (FTextOpen) FContent.append("ET\r\n");
  FTextOpen = false;
  FTextRun = false;
}
