// The preview's tool-bar pictures, drawn by code in a 16-unit grid scaled to the resolution, and
// the image lists cut from them.
#include "report/engine/repButtonImages.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "platform/rt/SysUtils.h"
#include "report/engine/repRes.h"

namespace {

// Beyond this the strip would be large for no screen there is.
constexpr int MaxImagesPPI = 384;

using gfx::TColor;

// Colours of the drawings (0x00BBGGRR).
constexpr TColor Ink = 0x303030;
constexpr TColor Paper = 0xFFFFFF;
constexpr TColor PaperEdge = 0x707070;
constexpr TColor Blue = 0xC06020;
constexpr TColor LightBlue = 0xF0C080;
constexpr TColor Yellow = 0x40C8F0;
constexpr TColor DarkYellow = 0x1890C0;
constexpr TColor Grey = 0xA0A0A0;
constexpr TColor DarkGrey = 0x606060;
constexpr TColor Red = 0x2020D0;
constexpr TColor Green = 0x30A030;
constexpr TColor Glass = 0xFFF0E0;

// A cell of the strip: drawing in 16 units, placed and scaled.
class TPen16 {
public:
  TPen16(gfx::TCanvas& C, int Left, double Scale) : FC(C), FLeft(Left), FS(Scale) {}
  int X(double U) const { return FLeft + static_cast<int>(std::lround(U * FS)); }
  int Y(double U) const { return static_cast<int>(std::lround(U * FS)); }
  int W(double U) const { return std::max(1, static_cast<int>(std::lround(U * FS))); }
  void Box(double L, double T, double R, double B, TColor Fill, TColor Edge) {
    FC.Pen = gfx::TPen{Edge, W(1), gfx::psSolid, gfx::pmCopy};
    FC.Brush = gfx::TBrush{Fill, gfx::bsSolid};
    FC.Rectangle(X(L), Y(T), X(R), Y(B));
  }
  void Fill(double L, double T, double R, double B, TColor Fill) {
    FC.Brush = gfx::TBrush{Fill, gfx::bsSolid};
    FC.FillRect(gfx::TRect{X(L), Y(T), X(R), Y(B)});
  }
  void Line(double X1, double Y1, double X2, double Y2, TColor Color, double Width = 1) {
    FC.Pen = gfx::TPen{Color, W(Width), gfx::psSolid, gfx::pmCopy};
    FC.MoveTo(X(X1), Y(Y1));
    FC.LineTo(X(X2), Y(Y2));
  }
  void Shape(std::initializer_list<std::pair<double, double>> Points, TColor Fill, TColor Edge) {
    std::vector<gfx::TPoint> P;
    for (const auto& [PX, PY] : Points) P.push_back({X(PX), Y(PY)});
    FC.Pen = gfx::TPen{Edge, W(1), gfx::psSolid, gfx::pmCopy};
    FC.Brush = gfx::TBrush{Fill, gfx::bsSolid};
    FC.Polygon(P);
  }
  void Ring(double L, double T, double R, double B, TColor Fill, TColor Edge, double Width = 1) {
    FC.Pen = gfx::TPen{Edge, W(Width), gfx::psSolid, gfx::pmCopy};
    FC.Brush = gfx::TBrush{Fill, gfx::bsSolid};
    FC.Ellipse(X(L), Y(T), X(R), Y(B));
  }
  // A sheet of paper with a folded corner.
  void Sheet(double L, double T, double R, double B) {
    Shape({{L, T}, {R - 3, T}, {R, T + 3}, {R, B}, {L, B}}, Paper, PaperEdge);
    Line(R - 3, T, R - 3, T + 3, PaperEdge);
    Line(R - 3, T + 3, R, T + 3, PaperEdge);
  }
  // Text lines on a sheet.
  void Lines(double L, double T, double R, int Count, TColor Color = Grey) {
    for (int I = 0; I < Count; ++I) Line(L, T + 2 * I, R, T + 2 * I, Color);
  }
  // A magnifying glass, the lens at (CX, CY).
  void Magnifier(double CX, double CY, double Radius) {
    Line(CX + Radius * 0.7, CY + Radius * 0.7, 15, 15, DarkGrey, 2.5);
    Ring(CX - Radius, CY - Radius, CX + Radius, CY + Radius, Glass, Ink, 1.5);
  }

private:
  gfx::TCanvas& FC;
  int FLeft;
  double FS;
};

void DrawOpen(TPen16& P) {
  P.Shape({{1, 4}, {6, 4}, {7, 5}, {13, 5}, {13, 13}, {1, 13}}, DarkYellow, Ink);
  P.Shape({{3, 8}, {15, 8}, {13, 13}, {1, 13}}, Yellow, Ink);
}

void DrawSave(TPen16& P) {
  P.Box(1, 1, 15, 15, Blue, Ink);
  P.Box(4, 1, 12, 7, Paper, Ink);
  P.Fill(5, 10, 11, 15, LightBlue);
  P.Fill(9, 2, 11, 6, DarkGrey);
}

void DrawPrint(TPen16& P) {
  P.Box(4, 1, 12, 7, Paper, PaperEdge);
  P.Box(1, 6, 15, 12, Grey, Ink);
  P.Box(4, 10, 12, 15, Paper, PaperEdge);
  P.Fill(12, 7, 14, 8, Green);
}

void DrawFind(TPen16& P) { P.Magnifier(6, 6, 4.5); }

void DrawThumbnails(TPen16& P) {
  for (double X : {1.0, 9.0})
    for (double Y : {1.0, 9.0}) P.Box(X, Y, X + 6, Y + 6, Paper, PaperEdge);
}

void DrawPageSettings(TPen16& P) {
  P.Sheet(2, 1, 14, 15);
  P.Box(4, 4, 11, 13, Paper, LightBlue);
  P.Lines(5, 6, 10, 3);
}

void Triangle(TPen16& P, double Tip, double Back, TColor Fill) {
  P.Shape({{Back, 3}, {Tip, 8}, {Back, 13}}, Fill, Ink);
}

void DrawFirst(TPen16& P) {
  P.Box(3, 3, 5, 13, Blue, Ink);
  Triangle(P, 5, 12, Blue);
}
void DrawPrior(TPen16& P) { Triangle(P, 4, 11, Blue); }
void DrawNext(TPen16& P) { Triangle(P, 12, 5, Blue); }
void DrawLast(TPen16& P) {
  Triangle(P, 11, 4, Blue);
  P.Box(11, 3, 13, 13, Blue, Ink);
}

void DrawOutline(TPen16& P) {
  P.Line(3, 3, 3, 13, DarkGrey);
  P.Line(3, 8, 7, 8, DarkGrey);
  P.Line(3, 13, 7, 13, DarkGrey);
  P.Box(1, 1, 6, 5, Yellow, Ink);
  P.Box(7, 6, 15, 10, Paper, Ink);
  P.Box(7, 11, 15, 15, Paper, Ink);
}

void SignBox(TPen16& P, bool Plus) {
  P.Box(3, 3, 13, 13, Paper, Ink);
  P.Line(5, 8, 11, 8, Ink, 1.5);
  if (Plus) P.Line(8, 5, 8, 11, Ink, 1.5);
}
void DrawCollapse(TPen16& P) { SignBox(P, false); }
void DrawExpand(TPen16& P) { SignBox(P, true); }

void Zoom(TPen16& P, bool In) {
  P.Magnifier(6, 6, 5);
  P.Line(3.5, 6, 9, 6, Ink, 1.5);
  if (In) P.Line(6, 3.5, 6, 9, Ink, 1.5);
}
void DrawZoomIn(TPen16& P) { Zoom(P, true); }
void DrawZoomOut(TPen16& P) { Zoom(P, false); }

void DrawEdit(TPen16& P) {
  P.Sheet(1, 1, 11, 15);
  P.Lines(3, 5, 8, 4);
  P.Shape({{13, 3}, {15, 5}, {8, 12}, {5, 13}, {6, 10}}, Yellow, Ink);
}

void DrawFullScreen(TPen16& P) {
  P.Box(3, 4, 13, 12, LightBlue, Ink);
  for (const auto& [CX, CY, DX, DY] : {std::array<double, 4>{1, 1, 1, 1}, {15, 1, -1, 1}, {1, 15, 1, -1},
                                       {15, 15, -1, -1}}) {
    P.Line(CX, CY, CX + 3 * DX, CY, Ink, 1.5);
    P.Line(CX, CY, CX, CY + 3 * DY, Ink, 1.5);
  }
}

void DrawEmail(TPen16& P) {
  P.Box(1, 3, 15, 13, Paper, Ink);
  P.Line(1, 3, 8, 9, Ink);
  P.Line(8, 9, 15, 3, Ink);
}

void DrawPdf(TPen16& P) {
  P.Sheet(2, 1, 14, 15);
  P.Fill(1, 8, 15, 13, Red);
  P.Lines(4, 4, 10, 2);
}

void DrawHighlight(TPen16& P) {
  P.Sheet(1, 1, 13, 15);
  P.Fill(3, 5, 11, 8, Yellow);
  P.Lines(3, 6, 10, 1, Ink);
  P.Lines(3, 10, 10, 2);
}

void DrawCopy(TPen16& P) {
  P.Box(1, 1, 10, 12, Paper, PaperEdge);
  P.Lines(3, 4, 8, 3);
  P.Box(6, 4, 15, 15, Paper, Ink);
  P.Lines(8, 7, 13, 4);
}

void DrawPaste(TPen16& P) {
  P.Box(2, 2, 14, 15, DarkYellow, Ink);
  P.Box(5, 1, 11, 4, Grey, Ink);
  P.Box(4, 5, 12, 14, Paper, PaperEdge);
  P.Lines(5, 8, 11, 3);
}

using TDraw = void (*)(TPen16&);

// Index in the strip -> drawing; the empty cells are the pictures this system has no tool for.
TDraw Drawing(int Index) {
  switch (Index) {
    case 0: return DrawOpen;
    case 1: return DrawSave;
    case 2: return DrawPrint;
    case 4: return DrawFind;
    case 5: return DrawThumbnails;
    case 7: return DrawPageSettings;
    case 8: return DrawFirst;
    case 9: return DrawPrior;
    case 10: return DrawNext;
    case 11: return DrawLast;
    case 12: return DrawOutline;
    case 13: return DrawCollapse;
    case 14: return DrawExpand;
    case 15: return DrawZoomIn;
    case 16: return DrawZoomOut;
    case 21: return DrawEdit;
    case 22: return DrawFullScreen;
    case 23: return DrawEmail;
    case 24: return DrawPdf;
    case 25: return DrawHighlight;
    case 26: return DrawCopy;
    case 27: return DrawPaste;
    default: return nullptr;
  }
}

int CellSize(int PPI) { return static_cast<int>(std::lround(repButtonCellSize * PPI / 96.0)); }

}  // namespace

const gfx::TBitmap& TrepImageList::Images(int Index) const {
  if (Index < 0 || Index >= Count()) throw rt::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return *FImages[static_cast<std::size_t>(Index)];
}

void TrepImageList::AddStrip(const gfx::TBitmap& Strip, gfx::TColor Transparent) {
  if (FWidth <= 0 || FHeight <= 0) return;
  const std::uint32_t Key = 0xFF000000u | (Transparent & 0xFF) << 16 | (Transparent & 0xFF00) | (Transparent >> 16 & 0xFF);
  for (int Top = 0; Top + FHeight <= Strip.Height(); Top += FHeight)
    for (int Left = 0; Left + FWidth <= Strip.Width(); Left += FWidth) {
      auto Cell = std::make_unique<gfx::TBitmap>(FWidth, FHeight, gfx::pf32bit);
      Cell->AlphaFormat = gfx::afDefined;
      for (int Y = 0; Y < FHeight; ++Y) {
        const std::uint32_t* From = Strip.ScanLine(Top + Y) + Left;
        std::uint32_t* To = Cell->ScanLine(Y);
        for (int X = 0; X < FWidth; ++X) To[X] = (From[X] | 0xFF000000u) == Key ? 0u : From[X] | 0xFF000000u;
      }
      FImages.push_back(std::move(Cell));
    }
}

std::unique_ptr<gfx::TBitmap> repPreviewButtonsStrip(int PPI) {
  PPI = std::clamp(PPI, 96, MaxImagesPPI);
  const int Cell = CellSize(PPI);
  auto Strip = std::make_unique<gfx::TBitmap>(Cell * repPreviewButtonCount, Cell, gfx::pf24bit);
  gfx::TCanvas& C = Strip->Canvas();
  C.Brush = gfx::TBrush{repStripTransparentColor, gfx::bsSolid};
  C.FillRect(gfx::TRect{0, 0, Strip->Width(), Strip->Height()});
  for (int I = 0; I < repPreviewButtonCount; ++I) {
    if (TDraw D = Drawing(I)) {
      C.SetClipRect(gfx::TRect{I * Cell, 0, (I + 1) * Cell, Cell});
      TPen16 P(C, I * Cell, PPI / 96.0);
      D(P);
    }
  }
  C.SetClipRect(std::nullopt);
  return Strip;
}

int TrepImageLists::ListPPI(int PPI) { return std::clamp(PPI / 24 * 24, 96, MaxImagesPPI); }

const TrepImageList& TrepImageLists::PreviewButtonImages(int PPI) {
  PPI = ListPPI(PPI);
  std::lock_guard<std::mutex> G(FLock);
  auto& L = FLists["PreviewImages" + std::to_string(PPI)];
  if (!L) {
    const int Cell = CellSize(PPI);
    L = std::make_unique<TrepImageList>(Cell, Cell);
  }
  if (L->Count() == 0) L->AddStrip(*repPreviewButtonsStrip(PPI), repStripTransparentColor);
  return *L;
}

TrepImageLists& repImageLists() {
  static TrepImageLists Lists;
  return Lists;
}

const TrepImageList& TrepResources::PreviewButtonImages() { return repImageLists().PreviewButtonImages(FImagesPPI); }
