#pragma once
// Fills and frames: how views and bands paint their inside and their border (repClassFill.cpp).
#include "report/engine/repClassComponent.h"

class TrepFrame;

// ---- Fills and frames ----

// How the inside of a view is painted. Fills paint on a canvas in device pixels; the PDF export
// reads their properties and writes them its own way.
class TrepCustomFill : public rt::TObject {
public:
  RT_CLASS_INFO(TrepCustomFill)
  // Paints (X, Y)-(X1, Y1), right and bottom excluded. The scales are for descendants that
  // need them. EAbstractError in the base.
  virtual void Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY);
  // The XML attributes (" Add.Name=\"value\"") of the properties that differ from AFill; all of
  // them when AFill is of another class. EAbstractError in the base.
  virtual std::u16string Diff(const TrepCustomFill* AFill, const std::string& Add) const;
  // From a fill of the same class only.
  virtual void Assign(const rt::TObject& Source) { (void)Source; }
};

enum TrepFillType { ftBrush, ftGradient, ftGlass };

// A solid or hatched brush over an optional background colour.
class TrepBrushFill : public TrepCustomFill {
public:
  RT_CLASS_INFO(TrepBrushFill)
  void Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY) override;
  std::u16string Diff(const TrepCustomFill* AFill, const std::string& Add) const override;
  void Assign(const rt::TObject& Source) override;

  gfx::TColor BackColor = gfx::clNone;
  gfx::TColor ForeColor = gfx::clBlack;
  gfx::TBrushStyle Style = gfx::bsSolid;
};

enum TrepGradientStyle { gsHorizontal, gsVertical, gsElliptic, gsRectangle, gsVertCenter, gsHorizCenter };

// Two colours blended from the start colour to the end colour.
class TrepGradientFill : public TrepCustomFill {
public:
  RT_CLASS_INFO(TrepGradientFill)
  void Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY) override;
  std::u16string Diff(const TrepCustomFill* AFill, const std::string& Add) const override;
  void Assign(const rt::TObject& Source) override;
  // The one colour that stands for the gradient: the start colour 127/255 of the way.
  gfx::TColor GetColor() const;

  gfx::TColor StartColor = gfx::clWhite;
  gfx::TColor EndColor = gfx::clBlack;
  TrepGradientStyle GradientStyle = gsHorizontal;
};

enum TrepGlassFillOrientation { foVertical, foHorizontal, foVerticalMirror, foHorizontalMirror };

// A base colour with one half lightened, optionally hatched.
class TrepGlassFill : public TrepCustomFill {
public:
  RT_CLASS_INFO(TrepGlassFill)
  void Draw(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, double ScaleX, double ScaleY) override;
  std::u16string Diff(const TrepCustomFill* AFill, const std::string& Add) const override;
  void Assign(const rt::TObject& Source) override;
  gfx::TColor GetColor() const { return Color; }
  // Each channel of the colour moved Blend of the way to 255.
  gfx::TColor BlendColor() const;
  // BlendColor less $060606 in one subtraction (a channel below 6 borrows from the next).
  gfx::TColor HatchColor() const;

  gfx::TColor Color = gfx::clGray;
  double Blend = 0.5;
  bool Hatch = false;
  TrepGlassFillOrientation Orientation = foHorizontal;
};

// A new fill of the type with its defaults.
std::unique_ptr<TrepCustomFill> CreateFill(TrepFillType FillType);
// ftGradient for a gradient fill, ftGlass for a glass fill, ftBrush for anything else.
TrepFillType FillTypeOf(const TrepCustomFill* Fill);

enum TrepFrameStyle { fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble, fsAltDot, fsSquare };
enum TrepFrameType { ftLeft, ftRight, ftTop, ftBottom };
using TrepFrameTypes = TrepSet<TrepFrameType>;

// One side of a frame.
class TrepFrameLine : public rt::TObject {
public:
  RT_CLASS_INFO(TrepFrameLine)
  explicit TrepFrameLine(TrepFrame* AFrame) : FFrame(AFrame) {}
  TrepFrame* Frame() const { return FFrame; }
  // Colour, style and width; the line keeps its frame.
  void Assign(const rt::TObject& Source);
  // The line's attributes against ALine, named LineName + ".Color" and so on; each is written
  // when the frame's own value was written (the Changed flags) and the line differs from the
  // frame, or when it was not and the line differs from ALine.
  std::u16string Diff(const TrepFrameLine* ALine, const std::string& LineName, bool ColorChanged,
                      bool StyleChanged, bool WidthChanged) const;

  gfx::TColor Color = gfx::clBlack;
  TrepFrameStyle Style = fsSolid;
  double Width = 1;  // pixels at 96 dpi

private:
  TrepFrame* FFrame;
};

// Up to four border lines, each with its own colour, style and width, and a drop shadow.
class TrepFrame : public rt::TObject {
public:
  RT_CLASS_INFO(TrepFrame)
  TrepFrame();
  TrepFrame(const TrepFrame&) = delete;
  TrepFrame& operator=(const TrepFrame&) = delete;

  TrepFrameLine& LeftLine() { return *FLeftLine; }
  TrepFrameLine& TopLine() { return *FTopLine; }
  TrepFrameLine& RightLine() { return *FRightLine; }
  TrepFrameLine& BottomLine() { return *FBottomLine; }
  const TrepFrameLine& LeftLine() const { return *FLeftLine; }
  const TrepFrameLine& TopLine() const { return *FTopLine; }
  const TrepFrameLine& RightLine() const { return *FRightLine; }
  const TrepFrameLine& BottomLine() const { return *FBottomLine; }
  void SetLeftLine(const TrepFrameLine& Value) { FLeftLine->Assign(Value); }
  void SetTopLine(const TrepFrameLine& Value) { FTopLine->Assign(Value); }
  void SetRightLine(const TrepFrameLine& Value) { FRightLine->Assign(Value); }
  void SetBottomLine(const TrepFrameLine& Value) { FBottomLine->Assign(Value); }

  // Writing colour, style or width sets all four lines too.
  gfx::TColor Color() const { return FColor; }
  void SetColor(gfx::TColor Value);
  TrepFrameStyle Style() const { return FStyle; }
  void SetStyle(TrepFrameStyle Value);
  double Width() const { return FWidth; }
  void SetWidth(double Value);

  // Every value and the four lines, from a frame only.
  void Assign(const rt::TObject& Source);
  // Shadow, then the sides in Typ around the device rectangle (FX, FY)-(FX1, FY1).
  void Draw(gfx::TCanvas& Canvas, int FX, int FY, int FX1, int FY1, double ScaleX, double ScaleY) const;
  // The frame's XML attributes (" Frame.Color=\"...\"" ...) that differ from AFrame, then its lines'.
  std::u16string Diff(const TrepFrame* AFrame) const;

  bool DropShadow = false;
  double ShadowWidth = 4;
  gfx::TColor ShadowColor = gfx::clBlack;
  TrepFrameTypes Typ;

private:
  // A side from (X, Y) to (X1, Y1); the neighbours are the sides meeting it at its start and
  // end; OutsideSign is -1 when the outside of the rectangle lies left of or above the side.
  void DrawSide(gfx::TCanvas& Canvas, int X, int Y, int X1, int Y1, const TrepFrameLine& Line, bool StartNeighbour,
                bool EndNeighbour, bool Vertical, int OutsideSign, double ScaleX) const;
  std::unique_ptr<TrepFrameLine> FLeftLine, FTopLine, FRightLine, FBottomLine;
  gfx::TColor FColor = gfx::clBlack;
  TrepFrameStyle FStyle = fsSolid;
  double FWidth = 1;
};
