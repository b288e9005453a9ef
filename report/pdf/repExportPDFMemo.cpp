// Memo text: the lines the text layout wraps, shaped into glyphs of the font layer's faces and
// written as PDF text, one BT .. ET block per line.
#include <cmath>
#include <mutex>

#include "platform/gfx/FontFace.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repDrawText.h"
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
  CL("q");
  CL(PDFRectText(GetClipRect(View, true)) + " re");
  CL("W");
  CL("n");
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
      const int Count = static_cast<int>(std::min(10000.0, std::trunc(View->Height() / LH)));
      for (int K = 1; K <= Count; ++K) {
        const std::string Y = F2(PixelsToPDFY(View->AbsTop() + GapY + 1 + K * LH - LS));
        C(CachedColorText(Fr.Color()) + " RG\r\n" + F2(Fr.Width() * 0.75) + " w\r\n" + stLeft + " " + Y + " m\r\n" +
          stRight + " " + Y + " l\r\nS\r\n");
      }
    }

    const int N = DT.LineCount();
    const bool SameCount = N == static_cast<int>(Block.Lines.size());
    const gfx::TFontFace* Face = FaceFor(Block.FontName, Block.FontStyle);
    const double S = PDFFontSize(Font);
    const gfx::TColor Color = Block.FontColor == gfx::clNone ? gfx::clBlack : Block.FontColor;
    for (int I = 0; I < N && Face; ++I) {
      const std::u16string& L = DT.Lines(I);
      const int Flags = DT.LineFlags(I);
      const double Pg = SameCount ? (I == 0 ? PG : 0) : ((Flags & rlfParaStart) ? PG : 0);
      if (L.empty()) continue;
      const std::vector<TShapedRun> Runs = ShapeText(Face, L, Block.RTLReading);
      // Width in thousandths of the font size, and the blanks that justification widens.
      double Th = 0;
      int Spaces = 0, Glyphs = 0;
      for (const TShapedRun& Run : Runs) {
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
      TrepPDFTextBlock Line = Block;
      Line.FontColor = Color;
      Line.CharSpacing = CSTh;
      WriteTextLine(Runs, Line, S, PX, PY, Adjust);
      const double EndX = Lpx * 0.75 + PX;
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
  }
  CL("Q");
  ExportFrame(View->Frame(), GetViewRect(View));
}

const gfx::TFontFace* TrepPDFExport::FaceFor(const std::string& Family, gfx::TFontStyles Style) {
  const unsigned Key = Style & gfx::FontStyles({gfx::fsBold, gfx::fsItalic});
  auto It = FFaces.find({Family, Key});
  if (It != FFaces.end()) return It->second;
  const gfx::TFontFace* Face =
      gfx::FindFace(Family, gfx::HasStyle(Style, gfx::fsBold), gfx::HasStyle(Style, gfx::fsItalic));
  FFaces.emplace(std::make_pair(Family, Key), Face);
  return Face;
}

void TrepPDFExport::WriteTextLine(const std::vector<TShapedRun>& Runs, const TrepPDFTextBlock& Block, double Size,
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
    const TShapedRun& Run = Runs[RI];
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
    TJ = "[<";
    bool Open = true;
    for (const TShapedGlyph& G : Run.Glyphs) {
      PF->UseGlyph(G.Glyph, G.Text);
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
    if (RI + 1 < Runs.size()) {
      const long Adj = std::lround(Cur - Pen);
      if (Adj != 0) {
        TJ += (Open ? ">" : "") + std::to_string(Adj);
        Open = false;
        Cur -= static_cast<double>(Adj);
      }
    }
    TJ += Open ? ">] TJ" : "] TJ";
    CL(TJ);
  }
  CL("ET");
  if (Stroking) CL("0 Tr");
}
