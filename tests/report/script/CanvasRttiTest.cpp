// Scripts drawing: bitmaps, their canvas, pens and brushes, pixels, and Assign between graphics.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tests/report/script/PrintingScript.h"

#include "report/script/sc_icanvasrtti.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_igraphicsrtti.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace {

class CanvasRtti : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    sc_iclassesrttiInitialization();
    sc_igraphicsrttiInitialization();
    sc_icanvasrttiInitialization();
    PrepareScript();
  }
};

} // namespace

TEST_F(CanvasRtti, ABitmapIsDrawnOnAndRead) {
  EXPECT_EQ(Run("var B, C: TBitmap;\n"
                "begin\n"
                "  B := TBitmap.Create;\n"
                "  Print(B.ClassName);\n"
                "  B.Width := 10;\n"
                "  B.Height := 4;\n"
                "  B.Canvas.Pen.Color := clRed;\n"
                "  B.Canvas.MoveTo(0, 1);\n"
                "  B.Canvas.LineTo(5, 1);\n"
                "  B.Canvas.Brush.Color := clBlue;\n"
                "  B.Canvas.FillRect(6, 0, 8, 2);\n"
                "  Print(B.Canvas.Pixels[4, 1]);\n"
                "  Print(B.Canvas.Pixels[5, 1]);\n"
                "  Print(B.Canvas.Pixels[7, 0]);\n"
                "  B.Canvas.Pixels[9, 3] := clLime;\n"
                "  C := TBitmap.Create;\n"
                "  C.Assign(B);\n"
                "  Print(C.Width);\n"
                "  Print(C.Canvas.Pixels[9, 3]);\n"
                "  C.Free;\n"
                "  B.Free;\n"
                "end."),
            "TBitmap\n255\n16777215\n16711680\n10\n65280\n");
}

TEST_F(CanvasRtti, PensBrushesAndRefusals) {
  EXPECT_EQ(Run("var P, Q: TPen;\n"
                "begin\n"
                "  P := TPen.Create;\n"
                "  P.Width := 3;\n"
                "  P.Mode := pmXor;\n"
                "  Q := TPen.Create;\n"
                "  Q.Assign(P);\n"
                "  Print(Q.Width);\n"
                "  Print(Q.Mode);\n"
                "  P.Free;\n"
                "  Q.Free;\n"
                "end."),
            "3\n14\n");
  EXPECT_NE(Run("var P: TPen; B: TBitmap;\n"
                "begin\n"
                "  P := TPen.Create;\n"
                "  B := TBitmap.Create;\n"
                "  try\n"
                "    B.Assign(P);\n"
                "  except\n"
                "    Print(ExceptionMessage);\n"
                "  end;\n"
                "  P.Free;\n"
                "  B.Free;\n"
                "end.").find("Cannot assign"),
            std::string::npos);
}

TEST_F(CanvasRtti, AMetafileCanvasHandsItsDrawingToItsMetafile) {
  const std::string File = ::testing::TempDir() + "canvas-rtti.emf";
  EXPECT_EQ(Run("var M: TMetafile; C: TMetafileCanvas;\n"
                "begin\n"
                "  M := TMetafile.Create;\n"
                "  M.Width := 120;\n"
                "  M.Height := 40;\n"
                "  C := TMetafileCanvas.Create(M, 0);\n"
                "  C.Brush.Color := clRed;\n"
                "  C.Rectangle(0, 0, 60, 20);\n"
                "  C.MoveTo(0, 39);\n"
                "  C.LineTo(119, 39);\n"
                "  C.Free;\n"
                "  Print(M.Width);\n"
                "  Print(M.Height);\n"
                "  M.SaveToFile('" + File + "');\n"
                "  C := TMetafileCanvas.Create(M, 0);\n"
                "  M.Free;\n"
                "  C.Ellipse(0, 0, 5, 5);\n"
                "  C.Free;\n"
                "end."),
            "120\n40\n");
  std::ifstream In(File, std::ios::binary);
  const std::string Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  ASSERT_GT(Bytes.size(), 108u);
  EXPECT_EQ(Bytes.substr(40, 4), " EMF");
  // The rectangle record (43) and the red brush (39 with 0x0000FF) are in it.
  bool Rect = false, RedBrush = false;
  for (std::size_t At = 0; At + 8 <= Bytes.size();) {
    std::uint32_t Type, Size;
    std::memcpy(&Type, Bytes.data() + At, 4);
    std::memcpy(&Size, Bytes.data() + At + 4, 4);
    if (Size < 8) break;
    Rect |= Type == 43;
    if (Type == 39) {
      std::uint32_t Color;
      std::memcpy(&Color, Bytes.data() + At + 16, 4);
      RedBrush |= Color == 0x0000FF;
    }
    At += Size;
  }
  EXPECT_TRUE(Rect);
  EXPECT_TRUE(RedBrush);
  std::remove(File.c_str());
}

TEST_F(CanvasRtti, TextIsMeasuredByTheFontLayerAndDrawnOnBitmaps) {
  // Measures follow the font: a longer text is wider, a larger size wider and higher; drawing
  // puts ink of the font's colour inside the measured box and nowhere else.
  EXPECT_EQ(Run("var B: TBitmap; W1, W2, H1, X, Y, Ink, Outside: Integer;\n"
                "begin\n"
                "  B := TBitmap.Create;\n"
                "  B.Width := 200;\n"
                "  B.Height := 60;\n"
                "  B.Canvas.Font.Name := 'Arial';\n"
                "  B.Canvas.Font.Size := 10;\n"
                "  B.Canvas.Font.Color := clRed;\n"
                "  W1 := B.Canvas.TextWidth('Valve');\n"
                "  H1 := B.Canvas.TextHeight('Valve');\n"
                "  Print(B.Canvas.TextWidth('Valve trim') > W1);\n"
                "  Print(B.Canvas.TextWidth('') = 0);\n"
                "  B.Canvas.TextOut(10, 5, 'Valve');\n"
                "  Ink := 0; Outside := 0;\n"
                "  for Y := 0 to 59 do\n"
                "    for X := 0 to 199 do\n"
                "      if B.Canvas.Pixels[X, Y] = clRed then\n"
                "        if (X >= 10) and (X < 10 + W1) and (Y >= 5) and (Y < 5 + H1) then Inc(Ink) else Inc(Outside);\n"
                "  Print(Ink > 20);\n"
                "  Print(Outside);\n"
                "  B.Canvas.Font.Size := 20;\n"
                "  W2 := B.Canvas.TextWidth('Valve');\n"
                "  Print((W2 > W1) and (B.Canvas.TextHeight('Valve') > H1));\n"
                "  B.Free;\n"
                "end."),
            "True\nTrue\nTrue\n0\nTrue\n");
}
