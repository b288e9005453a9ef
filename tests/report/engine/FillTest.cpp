// Fills and frames drawn onto the recording canvas, their differences for prepared pages and
// their published properties through the XML serializer.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repXMLSerializer.h"

namespace {

using Texts = std::vector<std::string>;

template <class TFill>
Texts Paint(TFill& Fill, int X, int Y, int X1, int Y1) {
  gfx::TRecordingCanvas C;
  Fill.Draw(C, X, Y, X1, Y1, 1, 1);
  return C.Texts();
}

Texts PaintFrame(const TrepFrame& Frame, int X, int Y, int X1, int Y1, double ScaleX = 1, double ScaleY = 1,
                 bool GeometricPens = true) {
  gfx::TRecordingCanvas C;
  C.AllowGeometricPens = GeometricPens;
  Frame.Draw(C, X, Y, X1, Y1, ScaleX, ScaleY);
  return C.Texts();
}

std::string U8(const std::u16string& S) { return rt::Utf16ToUtf8(S); }

// The system colour "button face" of the default scheme.
constexpr gfx::TColor clBtnFace = static_cast<gfx::TColor>(0x8000000F);

} // namespace

// ---- Brush fills ----

TEST(Fills, BrushFillsPaintBackgroundAndHatch) {
  struct Case {
    gfx::TColor Back, Fore;
    gfx::TBrushStyle Style;
    Texts Ops;
  } Cases[] = {
      {gfx::clNone, 0, gfx::bsSolid, {}},
      {gfx::clNone, 0, gfx::bsClear, {}},
      {0x0000FF, 0, gfx::bsSolid, {"fill 0,0 10,5 0000FF"}},
      {clBtnFace, 0, gfx::bsClear, {"fill 0,0 10,5 F0F0F0"}},
      {gfx::clNone, clBtnFace, gfx::bsBDiagonal, {"rect 0,0 11,6 pen clear brush F0F0F0 bdiagonal transparent"}},
      {0x00FF00, 0xFF0000, gfx::bsCross,
       {"fill 0,0 10,5 00FF00", "rect 0,0 11,6 pen clear brush FF0000 cross transparent"}},
  };
  for (const Case& C : Cases) {
    TrepBrushFill F;
    F.BackColor = C.Back;
    F.ForeColor = C.Fore;
    F.Style = C.Style;
    EXPECT_EQ(Paint(F, 0, 0, 10, 5), C.Ops) << C.Back << " " << C.Style;
  }

  // The hatch leaves the canvas's pen and brush as they were.
  gfx::TRecordingCanvas Canvas;
  Canvas.Pen = gfx::TPen{0x123456, 2, gfx::psDot, gfx::pmCopy};
  TrepBrushFill F;
  F.Style = gfx::bsVertical;
  F.Draw(Canvas, 0, 0, 4, 4, 1, 1);
  EXPECT_EQ(Canvas.Pen, (gfx::TPen{0x123456, 2, gfx::psDot, gfx::pmCopy}));
  EXPECT_EQ(Canvas.Brush.Style, gfx::bsVertical);
}

// ---- Gradient fills ----

TEST(Fills, AGradientOfOneColourIsFlatInEveryStyle) {
  for (int Style = gsHorizontal; Style <= gsHorizCenter; ++Style) {
    TrepGradientFill F;
    F.StartColor = F.EndColor = 0x3366CC;
    F.GradientStyle = static_cast<TrepGradientStyle>(Style);
    gfx::TRecordingCanvas C;
    F.Draw(C, 0, 0, 100, 50, 1, 1);
    int Painted = 0;
    for (const gfx::TCanvasOp& Op : C.Ops) {
      if (Op.Kind == gfx::TCanvasOp::opClip) continue;
      ++Painted;
      EXPECT_EQ(Op.Brush.Color, 0x3366CC) << Style;
    }
    EXPECT_GT(Painted, 0) << Style;
  }
}

TEST(Fills, GradientsRunFromTheStartColourToTheEndColour) {
  TrepGradientFill F;
  F.StartColor = 0x000000;
  F.EndColor = 0xFFFFFF;

  // Horizontal: 256 bands left to right, channel i in band i.
  Texts H = Paint(F, 0, 0, 256, 10);
  ASSERT_EQ(H.size(), 256u);
  EXPECT_EQ(H[0], "fill 0,0 1,10 000000");
  EXPECT_EQ(H[128], "fill 128,0 129,10 808080");
  EXPECT_EQ(H[255], "fill 255,0 256,10 FFFFFF");

  // Vertical on 10 rows: bands that fall on no row paint nothing; together they cover it.
  F.GradientStyle = gsVertical;
  gfx::TRecordingCanvas V;
  F.Draw(V, 0, 0, 20, 10, 1, 1);
  ASSERT_EQ(V.Ops.size(), 10u);
  for (std::size_t I = 0; I < V.Ops.size(); ++I) EXPECT_EQ(V.Ops[I].R, (gfx::TRect{0, int(I), 20, int(I) + 1}));
  EXPECT_LT(V.Ops.front().Brush.Color & 0xFF, 0x20);
  EXPECT_GT(V.Ops.back().Brush.Color & 0xFF, 0xE0);

  // Elliptic: clipped to the rectangle, 156 ellipses from outside in, the clip restored.
  F.GradientStyle = gsElliptic;
  gfx::TRecordingCanvas E;
  E.SetClipRect(gfx::TRect{10, 10, 60, 60});
  F.Draw(E, 0, 0, 100, 50, 1, 1);
  ASSERT_EQ(E.Ops.size(), 1u + 1 + 156 + 1);
  EXPECT_EQ(E.Ops[1].Text(), "clip 10,10 60,50");
  EXPECT_EQ(E.Ops[2].Text(), "ellipse -24,-12 124,62 pen clear brush 000000");
  EXPECT_EQ(E.Ops[157].Brush.Color, 0xFFFFFF);
  EXPECT_EQ(E.Ops[158].Text(), "clip 10,10 60,60");
  EXPECT_EQ(E.Pen.Style, gfx::psSolid);

  // Rectangle: boxes shrinking towards the centre.
  F.GradientStyle = gsRectangle;
  Texts R = Paint(F, 0, 0, 100, 50);
  EXPECT_EQ(R.front(), "fill 0,0 99,49 000000");
  EXPECT_GT(R.size(), 200u);

  // Centre styles: the start colour at both edges, the end colour in the middle.
  F.GradientStyle = gsVertCenter;
  Texts VC = Paint(F, 0, 0, 20, 10);
  ASSERT_EQ(VC.size(), 12u);
  EXPECT_EQ(VC[0], "fill 0,0 20,1 000000");
  EXPECT_EQ(VC[1], "fill 0,9 20,10 000000");
  EXPECT_EQ(VC[10], "fill 0,5 20,6 FFFFFF");
  EXPECT_EQ(VC[11], "fill 0,4 20,5 FFFFFF");
  F.GradientStyle = gsHorizCenter;
  EXPECT_EQ(Paint(F, 0, 0, 4, 10).front(), "fill 0,0 1,10 000000");
}

TEST(Fills, CentreGradientsNeedTwoPixels) {
  struct Case {
    TrepGradientStyle Style;
    int W, H;
  } Cases[] = {{gsVertCenter, 50, 1}, {gsVertCenter, 50, 0}, {gsHorizCenter, 1, 50}, {gsHorizCenter, -3, 50}};
  for (const Case& C : Cases) {
    TrepGradientFill F;
    F.GradientStyle = C.Style;
    EXPECT_TRUE(Paint(F, 0, 0, C.W, C.H).empty()) << C.Style << " " << C.W << "x" << C.H;
  }
}

TEST(Fills, TheGradientsColourIsItsMiddle) {
  struct Case {
    gfx::TColor Start, End, Colour;
  } Cases[] = {{0xFFFFFF, 0x000000, 0x808080}, {0x000000, 0x0000FF, 0x00007F}, {0x102030, 0x102030, 0x102030}};
  for (const Case& C : Cases) {
    TrepGradientFill F;
    F.StartColor = C.Start;
    F.EndColor = C.End;
    EXPECT_EQ(F.GetColor(), C.Colour) << std::hex << C.Start << " " << C.End;
  }
}

// ---- Glass fills ----

TEST(Fills, GlassBlendAndHatchColours) {
  struct Case {
    gfx::TColor Colour;
    double Blend;
    gfx::TColor BlendColour, HatchColour;
  } Cases[] = {
      {0x000000, 0.5, 0x808080, 0x7A7A7A},   // 127.5 rounds to the even 128
      {0x102030, 0, 0x102030, 0x0A1A2A},
      {0x102030, 1, 0xFFFFFF, 0xF9F9F9},
      {0x101004, 0, 0x101004, 0x0A09FE},     // red below 6 borrows from green
      {clBtnFace, 0, 0xF0F0F0, 0xEAEAEA},
  };
  for (const Case& C : Cases) {
    TrepGlassFill F;
    F.Color = C.Colour;
    F.Blend = C.Blend;
    EXPECT_EQ(F.BlendColor(), C.BlendColour) << std::hex << C.Colour << " " << C.Blend;
    EXPECT_EQ(F.HatchColor(), C.HatchColour) << std::hex << C.Colour << " " << C.Blend;
    EXPECT_EQ(F.GetColor(), C.Colour);
  }
}

TEST(Fills, GlassFillsLightenOneHalf) {
  struct Case {
    TrepGlassFillOrientation Orientation;
    int W;
    const char* Half;
  } Cases[] = {
      {foVertical, 10, "fill 0,0 5,6 808080"},         {foVertical, 11, "fill 0,0 6,6 808080"},
      {foHorizontal, 10, "fill 0,0 10,3 808080"},      {foVerticalMirror, 11, "fill 5,0 11,6 808080"},
      {foHorizontalMirror, 10, "fill 0,3 10,6 808080"},
  };
  for (const Case& C : Cases) {
    TrepGlassFill F;
    F.Color = 0;
    F.Orientation = C.Orientation;
    EXPECT_EQ(Paint(F, 0, 0, C.W, 6), (Texts{"fill 0,0 " + std::to_string(C.W) + ",6 000000", C.Half}))
        << C.Orientation;
  }

  TrepGlassFill Hatched;
  Hatched.Color = 0;
  Hatched.Hatch = true;
  gfx::TRecordingCanvas Canvas;
  Canvas.Brush = gfx::TBrush{0x112233, gfx::bsClear};
  Hatched.Draw(Canvas, 0, 0, 10, 6, 1, 1);
  ASSERT_EQ(Canvas.Ops.size(), 3u);
  EXPECT_EQ(Canvas.Ops[2].Text(), "rect 0,0 11,7 pen clear brush 7A7A7A bdiagonal transparent");
  EXPECT_EQ(Canvas.Brush, (gfx::TBrush{0x112233, gfx::bsClear}));

  TrepGlassFill None;
  None.Color = gfx::clNone;
  None.Hatch = true;
  EXPECT_TRUE(Paint(None, 0, 0, 10, 6).empty());
}

// ---- Fill types ----

TEST(Fills, FillTypesAndCopies) {
  for (TrepFillType T : {ftBrush, ftGradient, ftGlass}) EXPECT_EQ(FillTypeOf(CreateFill(T).get()), T);
  EXPECT_EQ(FillTypeOf(nullptr), ftBrush);

  TrepGlassFill Glass;
  Glass.Color = 0xFF;
  Glass.Blend = 0.2;
  TrepGlassFill Copy;
  Copy.Assign(Glass);
  EXPECT_EQ(Copy.Color, 0xFF);
  EXPECT_EQ(Copy.Blend, 0.2);
  TrepBrushFill Brush;
  Brush.Assign(Glass);  // another class: nothing
  EXPECT_EQ(Brush.BackColor, gfx::clNone);

  gfx::TRecordingCanvas C;
  TrepCustomFill Abstract;
  EXPECT_THROW(Abstract.Draw(C, 0, 0, 1, 1, 1, 1), EAbstractError);
  EXPECT_THROW(Abstract.Diff(nullptr, "Fill"), EAbstractError);
}

TEST(Fills, DifferencesNameTheChangedProperties) {
  TrepBrushFill A, B;
  EXPECT_EQ(U8(A.Diff(&B, "Fill")), "");
  A.BackColor = 255;
  EXPECT_EQ(U8(A.Diff(&B, "Fill")), " Fill.BackColor=\"255\"");
  TrepGradientFill G;
  EXPECT_EQ(U8(A.Diff(&G, "Fill")), " Fill.BackColor=\"255\" Fill.ForeColor=\"0\" Fill.Style=\"0\"");
  G.GradientStyle = gsElliptic;
  EXPECT_EQ(U8(G.Diff(&A, "Fill")), " Fill.StartColor=\"16777215\" Fill.EndColor=\"0\" Fill.GradientStyle=\"2\"");
  TrepGlassFill L1, L2;
  L1.Blend = 0.25;
  L1.Hatch = true;
  L1.Orientation = foVerticalMirror;
  EXPECT_EQ(U8(L1.Diff(&L2, "Fill")), " Fill.Blend=\"0.25\" Fill.Hatch=\"1\" Fill.Orientation=\"2\"");
  L2.Blend = 0.25000001;
  EXPECT_EQ(U8(L1.Diff(&L2, "Fill")), " Fill.Blend=\"0.25\" Fill.Hatch=\"1\" Fill.Orientation=\"2\"")
      << "the blend is compared exactly";
}

// ---- Frames ----

TEST(Frames, SettingTheFrameSetsItsLines) {
  TrepFrame F;
  F.SetColor(0xFF);
  F.SetStyle(fsDash);
  F.SetWidth(2.5);
  for (const TrepFrameLine* L : {&F.LeftLine(), &F.TopLine(), &F.RightLine(), &F.BottomLine()}) {
    EXPECT_EQ(L->Color, 0xFF);
    EXPECT_EQ(L->Style, fsDash);
    EXPECT_EQ(L->Width, 2.5);
    EXPECT_EQ(L->Frame(), &F);
  }
  F.TopLine().Color = 0xFF00;
  F.Typ = {ftTop, ftLeft};
  F.DropShadow = true;
  TrepFrame G;
  G.Assign(F);
  EXPECT_EQ(G.TopLine().Color, 0xFF00);
  EXPECT_EQ(G.TopLine().Frame(), &G) << "a copied line keeps its own frame";
  EXPECT_EQ(G.Typ, F.Typ);
  EXPECT_TRUE(G.DropShadow);
  G.SetLeftLine(F.TopLine());
  EXPECT_EQ(G.LeftLine().Color, 0xFF00);
  EXPECT_EQ(G.LeftLine().Frame(), &G);
}

TEST(Frames, SolidSidesEndFlushAndMeetAtCorners) {
  struct Case {
    TrepFrameTypes Typ;
    double Width;
    Texts Ops;
  } Cases[] = {
      {{ftTop}, 3, {"gline 1,0 9,0 000000 w3 square"}},   // free ends move in by 3 div 2
      {{ftLeft, ftTop}, 3, {"gline 0,0 0,9 000000 w3 square", "gline 0,0 9,0 000000 w3 square"}},
      {{ftLeft, ftRight, ftTop, ftBottom},
       1,
       {"gline 0,0 0,10 000000 w1 square", "gline 10,0 10,10 000000 w1 square", "gline 0,0 10,0 000000 w1 square",
        "gline 0,10 10,10 000000 w1 square"}},
      {{}, 1, {}},
      {{ftTop}, 0, {}},
  };
  for (const Case& C : Cases) {
    TrepFrame F;
    F.Typ = C.Typ;
    F.SetWidth(C.Width);
    EXPECT_EQ(PaintFrame(F, 0, 0, 10, 10), C.Ops) << C.Typ.ToInt() << " " << C.Width;
  }

  // The width follows the horizontal scale; without geometric pens a plain line is drawn.
  TrepFrame F;
  F.Typ = {ftTop};
  F.SetWidth(2);
  EXPECT_EQ(PaintFrame(F, 0, 0, 10, 10, 1.5, 1), (Texts{"gline 1,0 9,0 000000 w3 square"}));
  EXPECT_EQ(PaintFrame(F, 0, 0, 10, 10, 1, 1, false), (Texts{"line 1,0 9,0 pen 000000 w2 solid"}));
}

TEST(Frames, ShadowsAreDrawnEvenWithoutSides) {
  TrepFrame F;
  F.DropShadow = true;
  F.ShadowColor = 0x808080;
  F.Typ = {ftLeft};
  F.SetColor(gfx::clNone);
  EXPECT_EQ(PaintFrame(F, 0, 0, 100, 50),
            (Texts{"line 100,4 100,50 pen 808080 w1 solid", "line 101,4 101,50 pen 808080 w1 solid",
                   "line 102,4 102,50 pen 808080 w1 solid", "line 103,4 103,50 pen 808080 w1 solid",
                   "line 4,50 104,50 pen 808080 w1 solid", "line 4,51 104,51 pen 808080 w1 solid",
                   "line 4,52 104,52 pen 808080 w1 solid", "line 4,53 104,53 pen 808080 w1 solid"}));
  // Scaled: 2 pixels down the right, 1 along the bottom.
  F.ShadowWidth = 1;
  EXPECT_EQ(PaintFrame(F, 0, 0, 100, 50, 2, 1),
            (Texts{"line 100,2 100,50 pen 808080 w1 solid", "line 101,2 101,50 pen 808080 w1 solid",
                   "line 1,50 101,50 pen 808080 w1 solid"}));

  // A line without colour is skipped; its neighbours still count as present.
  TrepFrame G;
  G.Typ = {ftLeft, ftTop};
  G.SetWidth(3);
  G.LeftLine().Color = gfx::clNone;
  EXPECT_EQ(PaintFrame(G, 0, 0, 10, 10), (Texts{"gline 0,0 9,0 000000 w3 square"}));
}

TEST(Frames, DoubleSidesDrawTwoRailsThatMeetTheirNeighbours) {
  TrepFrame F;
  F.SetStyle(fsDouble);
  F.Typ = {ftLeft, ftTop, ftBottom};
  Texts Ops = PaintFrame(F, 0, 0, 10, 10);
  ASSERT_GE(Ops.size(), 2u);
  // The left side, width 1, both neighbours present: the outer rail 1 longer, the inner 1 shorter.
  EXPECT_EQ(Ops[0], "line -1,-1 -1,11 pen 000000 w1 solid");
  EXPECT_EQ(Ops[1], "line 1,1 1,9 pen 000000 w1 solid");

  // Alone, a width-3 side ends flush and keeps its rails 3 pixels either side.
  TrepFrame G;
  G.SetStyle(fsDouble);
  G.SetWidth(3);
  G.Typ = {ftRight};
  EXPECT_EQ(PaintFrame(G, 0, 0, 10, 10),
            (Texts{"line 7,1 7,9 pen 000000 w3 solid", "line 13,1 13,9 pen 000000 w3 solid"}));
}

TEST(Frames, StyledSidesUseParallelOnePixelLines) {
  TrepFrame F;
  F.SetStyle(fsDash);
  F.SetWidth(3);
  F.Typ = {ftTop};
  EXPECT_EQ(PaintFrame(F, 0, 0, 10, 10),
            (Texts{"line 0,-1 10,-1 pen 000000 w1 dash", "line 0,0 10,0 pen 000000 w1 dash",
                   "line 0,1 10,1 pen 000000 w1 dash"}));

  // A dotted left side starts one pixel higher and a dashed bottom side ends one further right.
  TrepFrame G;
  G.SetStyle(fsDot);
  G.BottomLine().Style = fsDash;
  G.Typ = {ftLeft, ftBottom};
  gfx::TRecordingCanvas C;
  G.Draw(C, 0, 0, 10, 10, 1, 1);
  EXPECT_EQ(C.Texts(), (Texts{"line 0,-1 0,10 pen 000000 w1 dot", "line 0,10 11,10 pen 000000 w1 dash"}));
  EXPECT_EQ(C.Brush.Style, gfx::bsClear);
}

TEST(Frames, DottedAndSquareSidesUsePatternsOrPaintThem) {
  struct Case {
    TrepFrameStyle Style;
    double Width;
    bool Geometric;
    Texts Ops;
  } Cases[] = {
      {fsAltDot, 2, true, {"gline 0,0 10,0 0000FF w2 round dashes 0,4"}},
      {fsSquare, 3, true, {"gline 0,0 10,0 0000FF w3 flat dashes 3,3"}},
      {fsSquare, 1, true, {"gline 0,0 10,0 0000FF w1 flat dashes 1,1"}},
      {fsSquare, 3, false, {"fill 0,-1 3,2 0000FF", "fill 6,-1 9,2 0000FF"}},
      {fsAltDot, 1, false, {"fill 0,0 1,1 0000FF", "fill 2,0 3,1 0000FF", "fill 4,0 5,1 0000FF", "fill 6,0 7,1 0000FF",
                            "fill 8,0 9,1 0000FF"}},
      {fsAltDot, 4, false, {"ellipse 0,-2 4,2 pen clear brush 0000FF", "ellipse 8,-2 12,2 pen clear brush 0000FF"}},
  };
  for (const Case& C : Cases) {
    TrepFrame F;
    F.SetStyle(C.Style);
    F.SetWidth(C.Width);
    F.SetColor(0x0000FF);
    F.Typ = {ftTop};
    EXPECT_EQ(PaintFrame(F, 0, 0, 10, 10, 1, 1, C.Geometric), C.Ops) << C.Style << " " << C.Width;
  }
}

TEST(Frames, DifferencesNameTheFrameAndTheLinesThatDiffer) {
  struct Case {
    std::function<void(TrepFrame&)> Change;
    const char* Diff;
  } Cases[] = {
      {[](TrepFrame&) {}, ""},
      {[](TrepFrame& F) { F.SetColor(255); }, " Frame.Color=\"255\""},
      {[](TrepFrame& F) {
         F.SetColor(255);
         F.LeftLine().Color = 0xFF0000;
       },
       " Frame.Color=\"255\" Frame.LeftLine.Color=\"16711680\""},
      {[](TrepFrame& F) { F.TopLine().Width = 2; }, " Frame.TopLine.Width=\"2\""},
      {[](TrepFrame& F) { F.ShadowWidth = 4.00005; }, ""},
      {[](TrepFrame& F) {
         F.ShadowWidth = 5;
         F.DropShadow = true;
         F.ShadowColor = 1;
       },
       " Frame.DropShadow=\"1\" Frame.ShadowColor=\"1\" Frame.ShadowWidth=\"5\""},
      {[](TrepFrame& F) { F.Typ = {ftLeft, ftBottom}; }, " Frame.Typ=\"9\""},
      {[](TrepFrame& F) {
         F.SetStyle(fsDash);
         F.SetWidth(1.5);
         F.BottomLine().Style = fsSolid;
       },
       " Frame.Style=\"1\" Frame.Width=\"1.5\" Frame.BottomLine.Style=\"0\""},
  };
  for (const Case& C : Cases) {
    TrepFrame Base, F;
    C.Change(F);
    EXPECT_EQ(U8(F.Diff(&Base)), C.Diff);
  }
  // Against a frame whose line differs from its own frame while this one's frame value is
  // unchanged: the line is compared with that line.
  TrepFrame Base, F;
  Base.RightLine().Color = 7;
  EXPECT_EQ(U8(F.Diff(&Base)), " Frame.RightLine.Color=\"0\"");
}

// ---- Streaming ----

TEST(Frames, FillsAndFramesReadBackAsWritten) {
  TrepXMLSerializer S(nullptr);
  TrepFrame F;
  F.SetColor(0xFF);
  F.SetStyle(fsDouble);
  F.SetWidth(2.5);
  F.TopLine().Color = 0xFF00;
  F.Typ = {ftTop, ftBottom};
  F.DropShadow = true;
  F.ShadowWidth = 6;
  const std::u16string Text = S.ObjToXML(&F);
  TrepFrame G;
  S.XMLToObj(Text, &G);
  EXPECT_EQ(U8(G.Diff(&F)), "") << U8(Text);
  EXPECT_EQ(U8(S.ObjToXML(&G)), U8(Text));
  TrepFrame Plain;
  EXPECT_EQ(U8(S.ObjToXML(&Plain)).find("Width"), std::string::npos) << "defaults are left out";

  TrepGlassFill White;
  White.Color = gfx::clWhite;
  TrepGlassFill Back;
  S.XMLToObj(S.ObjToXML(&White), &Back);
  EXPECT_EQ(Back.Color, gfx::clWhite);

  TrepBrushFill Brush;
  Brush.BackColor = 0x123456;
  Brush.Style = gfx::bsCross;
  TrepBrushFill BrushBack;
  S.XMLToObj(S.ObjToXML(&Brush), &BrushBack);
  EXPECT_EQ(U8(BrushBack.Diff(&Brush, "Fill")), "");
}
