#include "report/pdf/repEMFAbstractExport.h"

#include <gtest/gtest.h>

#include "EMFWriter.h"

using namespace emftest;

namespace {

using Calls = std::vector<std::string>;

TEST(EMFPlayer, HeaderAndEndOfFileOnly) {
  Played X(Metafile({}));
  EXPECT_EQ(Handlers(X.P), (Calls{"BeforePlay", "DoHeader", "DoEoF", "AfterPlay"}));
  EXPECT_EQ(X.P.FEMRList.size(), 2u);
  EXPECT_EQ(X.P.FLastRecord.iType, EMR_EOF);
  // Every record handler ends with one Comment call.
  EXPECT_EQ(X.P.Calls, (Calls{"BeforePlay", "DoHeader", "Comment", "DoEoF", "Comment", "AfterPlay"}));
  EXPECT_EQ(X.Stream.Position(), X.Stream.Size());
}

TEST(EMFPlayer, UnknownRecordsAreSkippedWhole) {
  for (std::uint32_t Type : {0u, 123u, 1000u}) {
    SCOPED_TRACE(Type);
    Played X(Metafile({Record(Type, Payload().U32(1).U32(2).U32(3)), OneValue(EMR_SETTEXTCOLOR, 0xFF)}));
    EXPECT_EQ(Handlers(X.P), (Calls{"BeforePlay", "DoHeader", "DoUnknown", "DoEoF", "AfterPlay"}));
    EXPECT_EQ(X.P.DC().TextColor(), 0xFFu);
    // No view for the unknown record: header, text colour, end of file.
    EXPECT_EQ(X.P.FEMRList.size(), 3u);
  }
}

TEST(EMFPlayer, RecordAfterAnOddSizedRecordStartsAtTheNextMultipleOfFour) {
  // An unknown record of 14 bytes, then two bytes of padding.
  std::string Odd = RecordWithSize(200, 14, Payload().U32(0).U16(0).U16(0));
  Played X(Metafile({Odd, OneValue(EMR_SETBKCOLOR, 0x123456)}));
  EXPECT_EQ(X.P.DC().BkColor(), 0x123456u);
  EXPECT_EQ(Handlers(X.P).back(), "AfterPlay");
}

TEST(EMFPlayer, HeaderReadsThePaletteOfTheEndOfFileRecordAhead) {
  HeaderSpec H;
  H.PalEntries = 2;
  std::string Bytes = Header(H) + OneValue(EMR_SETTEXTCOLOR, 0xAB) + EoF({0x00010203, 0x00040506});
  struct PaletteAtHeader : Player {
    using Player::Player;
    std::vector<TColor> Seen;
    void DoHeader() override {
      Player::DoHeader();
      Seen = DC().EOFPalette();
    }
  };
  rt::TMemoryStream S;
  Fill(S, Bytes);
  PaletteAtHeader P(S);
  P.PlayMetaFile();
  EXPECT_EQ(P.Seen, (std::vector<TColor>{0x00010203, 0x00040506}));
  // Play went on with the record after the header.
  EXPECT_EQ(P.DC().TextColor(), 0xABu);
  EXPECT_EQ(P.FEMRList.size(), 3u);
}

TEST(EMFPlayer, MissingEndOfFileBehindAPaletteHeaderStopsThePlay) {
  HeaderSpec H;
  H.PalEntries = 2;
  rt::TMemoryStream S;
  Fill(S, Header(H) + OneValue(EMR_SETTEXTCOLOR, 0xAB));
  Player P(S);
  try {
    P.PlayMetaFile();
    FAIL() << "no exception";
  } catch (const EEMFError& E) {
    EXPECT_STREQ(E.what(), "EMR_EoF not found");
  }
  EXPECT_EQ(Handlers(P), (Calls{"BeforePlay", "DoHeader"}));
  EXPECT_EQ(P.DC().TextColor(), 0u);
}

TEST(EMFPlayer, EndOfFileWithFewerEntriesThanTheHeaderAnnounces) {
  HeaderSpec H;
  H.PalEntries = 1000000;
  rt::TMemoryStream S;
  Fill(S, Header(H) + EoF({1, 2}));
  Player P(S);
  EXPECT_THROW(P.PlayMetaFile(), EEMFError);
}

TEST(EMFPlayer, StreamWithoutEndOfFileEndsAtItsEnd) {
  Played X(Header() + OneValue(EMR_SETTEXTCOLOR, 5));
  EXPECT_EQ(Handlers(X.P), (Calls{"BeforePlay", "DoHeader", "AfterPlay"}));
  EXPECT_EQ(X.P.DC().TextColor(), 5u);
}

TEST(EMFPlayer, PlayEndsAtTheEndOfFileRecordAndIsNotRepeated) {
  rt::TMemoryStream S;
  Fill(S, Metafile({}) + OneValue(EMR_SETTEXTCOLOR, 9));
  Player P(S);
  P.PlayMetaFile();
  EXPECT_EQ(P.DC().TextColor(), 0u);
  const std::int64_t Pos = S.Position();
  P.PlayMetaFile();
  EXPECT_EQ(S.Position(), Pos);
  EXPECT_EQ(P.DC().TextColor(), 0u);
  EXPECT_EQ(P.FEMRList.size(), 2u);
}

TEST(EMFPlayer, SaveAndRestoreOfDeviceContexts) {
  struct Case {
    const char* Name;
    std::vector<std::string> Records;
    std::uint32_t TextColor;
    std::size_t Saved;
  };
  const std::string Red = OneValue(EMR_SETTEXTCOLOR, 0xFF), Blue = OneValue(EMR_SETTEXTCOLOR, 0xFF0000),
                    Green = OneValue(EMR_SETTEXTCOLOR, 0xFF00), Save = HeaderOnly(EMR_SAVEDC);
  auto Restore = [](int N) { return Record(EMR_RESTOREDC, Payload().I32(N)); };
  const Case Cases[] = {
      {"back to the colour before SaveDC", {Save, Red, Restore(-1)}, 0, 0},
      {"nothing saved keeps the context", {Red, Restore(-1)}, 0xFF, 0},
      {"a positive index restores nothing", {Save, Red, Restore(2)}, 0xFF, 1},
      {"zero restores nothing", {Save, Red, Restore(0)}, 0xFF, 1},
      {"third from the top", {Red, Save, Blue, Save, Green, Save, Restore(-3)}, 0xFF, 0},
      {"second from the top", {Red, Save, Blue, Save, Green, Save, Restore(-2)}, 0xFF0000, 1},
      {"more levels than saved stop at the bottom", {Red, Save, Blue, Save, Restore(-5)}, 0xFF, 0},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    std::string Bytes = Header();
    for (const std::string& R : C.Records) Bytes += R;
    Played X(Bytes + EoF());
    EXPECT_EQ(X.P.DC().TextColor(), C.TextColor);
    EXPECT_EQ(X.P.FDCList.size(), C.Saved);
  }
}

TEST(EMFPlayer, SavedContextKeepsItsOwnClipRegion) {
  Played X(Metafile({ClipRegion(5, {{0, 0, 100, 100}}), HeaderOnly(EMR_SAVEDC),
                     RectRecord(EMR_INTERSECTCLIPRECT, 10, 10, 20, 20)}));
  ASSERT_TRUE(X.P.DC().ClipRgn());
  EXPECT_EQ(X.P.DC().ClipRgn()->Rects().size(), 1u);
  EXPECT_EQ(X.P.DC().ClipRgn()->Rects()[0].Right, 20);
  ASSERT_EQ(X.P.FDCList.size(), 1u);
  EXPECT_EQ(X.P.FDCList[0]->ClipRgn()->Rects()[0].Right, 100);
}

TEST(EMFPlayer, CreatedObjectsAreSelectedAndDeselectedThroughTheTable) {
  Played X(Metafile({CreatePen(3, 0, 5, 0xFF), OneValue(EMR_SELECTOBJECT, 3)}));
  const TEnhMetaObj* PenView = X.P.FEMRLastCreated[3];
  ASSERT_NE(PenView, nullptr);
  EXPECT_EQ(X.P.DC().Pen(), PenView);
  EXPECT_EQ(X.P.DC().PenWidth(), 5);

  Played Y(Metafile({CreatePen(3, 0, 5, 0xFF), OneValue(EMR_SELECTOBJECT, 3), OneValue(EMR_DELETEOBJECT, 3)}));
  EXPECT_EQ(Y.P.DC().Pen(), nullptr);
  ASSERT_NE(Y.P.FEMRLastCreated[3], nullptr);
  EXPECT_EQ(Y.P.FEMRLastCreated[3]->RecordType(), EMR_CREATEPEN);
}

TEST(EMFPlayer, ObjectTableIsSizedByTheHeaderAndReplacedByLaterCreates) {
  HeaderSpec H;
  H.Handles = 4;
  Played X(Metafile({CreateBrush(2, 0, 0x11), CreateBrush(2, 0, 0x22), CreateBrush(4, 0, 0x33),
                     CreateBrush(0xFFFFFFF0, 0, 0x44), OneValue(EMR_SELECTOBJECT, 2),
                     OneValue(EMR_SELECTOBJECT, 4), OneValue(EMR_SELECTOBJECT, 0xFFFFFFF0)},
                    H));
  EXPECT_EQ(X.P.FEMRLastCreated.size(), 4u);
  EXPECT_EQ(X.P.DC().BrushColor(), 0x22u);  // indexes beyond the table are never stored
  // Both views stay in the record list.
  EXPECT_EQ(X.P.FEMRList.size(), 9u);
  // Object records before any header change nothing.
  Played Y(CreateBrush(1, 0, 0x55) + OneValue(EMR_SELECTOBJECT, 1) + EoF());
  EXPECT_EQ(Y.P.DC().Brush(), nullptr);
}

TEST(EMFPlayer, EveryKindOfObjectSelectsIntoItsSlot) {
  FontSpec F;
  Played X(Metafile({ExtCreatePen(1, 0x2100, 3, 0xFF), CreateBrush(2, 0, 0x10), Font(3, F),
                     CreatePalette(4, {1, 2}), CreateColorSpace(5), OneValue(EMR_SELECTOBJECT, 1),
                     OneValue(EMR_SELECTOBJECT, 2), OneValue(EMR_SELECTOBJECT, 3),
                     OneValue(EMR_SELECTPALETTE, 4), OneValue(EMR_SETCOLORSPACE, 5)}));
  const TDeviceContext& D = X.P.DC();
  EXPECT_EQ(D.Pen(), X.P.FEMRLastCreated[1]);
  EXPECT_EQ(D.Brush(), X.P.FEMRLastCreated[2]);
  EXPECT_EQ(D.Font(), X.P.FEMRLastCreated[3]);
  EXPECT_EQ(D.Palette(), X.P.FEMRLastCreated[4]);
  EXPECT_EQ(D.ColorSpace(), X.P.FEMRLastCreated[5]);
  EXPECT_EQ(D.PenEndCap(), 0x100u);
  EXPECT_EQ(D.FontFamily(), "Arial");

  Played Y(Metafile({CreateColorSpace(5), OneValue(EMR_SETCOLORSPACE, 5), OneValue(EMR_DELETECOLORSPACE, 5)}));
  EXPECT_EQ(Y.P.DC().ColorSpace(), nullptr);
}

TEST(EMFPlayer, CurrentPositionBeforeEachRecord) {
  Played X(Metafile({TwoValues(EMR_LINETO, 10, 20), TwoValues(EMR_LINETO, 30, 40)}));
  EXPECT_EQ(Handlers(X.P), (Calls{"BeforePlay", "DoHeader", "DoLineTo from 0,0", "DoLineTo from 10,20",
                                  "DoEoF", "AfterPlay"}));
  EXPECT_EQ(X.P.DC().PositionNext().X, 30);
  EXPECT_EQ(X.P.DC().PositionCurrent().X, 30);  // the end record started from there
}

TEST(EMFPlayer, RecordsThatMoveTheCurrentPosition) {
  struct Case {
    const char* Name;
    std::string Record;
    TPoint Next;
  } Cases[] = {
      {"MoveToEx", TwoValues(EMR_MOVETOEX, 7, 8), {7, 8}},
      {"PolylineTo", Poly(EMR_POLYLINETO, {{1, 2}, {3, 4}}), {3, 4}},
      {"PolyBezierTo", Poly(EMR_POLYBEZIERTO, {{1, 2}, {3, 4}, {5, 6}}), {5, 6}},
      {"PolylineTo16", Poly(EMR_POLYLINETO16, {{1, 2}, {-3, -4}}), {-3, -4}},
      {"PolyBezierTo16", Poly(EMR_POLYBEZIERTO16, {{1, 2}, {3, 4}, {9, -9}}), {9, -9}},
      {"PolylineTo without points", Poly(EMR_POLYLINETO, {}), {0, 0}},
      {"ArcTo", Record(EMR_ARCTO, Payload().Rect(0, 0, 10, 10).Point(1, 1).Point(11, 12)), {11, 12}},
      {"Polyline leaves it", Poly(EMR_POLYLINE, {{1, 2}, {3, 4}}), {0, 0}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Played X(Metafile({C.Record}));
    EXPECT_EQ(X.P.DC().PositionNext().X, C.Next.X);
    EXPECT_EQ(X.P.DC().PositionNext().Y, C.Next.Y);
  }
}

TEST(EMFPlayer, RecordsThatSetOneFieldOfTheContext) {
  struct Case {
    const char* Name;
    std::string Record;
    std::function<bool(const TDeviceContext&)> Check;
  };
  const tagXFORM Shift{1, 0, 0, 1, 5, 6};
  const Case Cases[] = {
      {"SetMapMode", OneValue(EMR_SETMAPMODE, 8), [](auto& D) { return D.MapMode() == 8; }},
      {"SetBkMode", OneValue(EMR_SETBKMODE, 1), [](auto& D) { return D.BkMode() == 1; }},
      {"SetPolyFillMode", OneValue(EMR_SETPOLYFILLMODE, 2), [](auto& D) { return D.PolyFillMode() == 2; }},
      {"SetRop2", OneValue(EMR_SETROP2, 7), [](auto& D) { return D.SetRop2() == 7; }},
      {"SetStretchBltMode", OneValue(EMR_SETSTRETCHBLTMODE, 4), [](auto& D) { return D.StretchMode() == 4; }},
      {"SetTextAlign", OneValue(EMR_SETTEXTALIGN, 24), [](auto& D) { return D.TextAlignmentMode() == 24; }},
      {"SetTextColor", OneValue(EMR_SETTEXTCOLOR, 0x0000FF), [](auto& D) { return D.TextColor() == 0xFF; }},
      {"SetBkColor", OneValue(EMR_SETBKCOLOR, 0x00FF00), [](auto& D) { return D.BkColor() == 0xFF00; }},
      {"SetICMMode", OneValue(EMR_SETICMMODE, 2), [](auto& D) { return D.ICMMode() == 2; }},
      {"SetLayout", OneValue(EMR_SETLAYOUT, 1), [](auto& D) { return D.Layout() == 1; }},
      {"SetMapperFlags", OneValue(EMR_SETMAPPERFLAGS, 1), [](auto& D) { return D.MapperFlags() == 1; }},
      {"SetArcDirection", OneValue(EMR_SETARCDIRECTION, 2), [](auto& D) { return D.iArcDirection() == 2; }},
      {"SetBrushOrgEx", TwoValues(EMR_SETBRUSHORGEX, 3, 4), [](auto& D) { return D.BrushOrgEx().Y == 4; }},
      {"SetWindowOrgEx", TwoValues(EMR_SETWINDOWORGEX, -3, 4), [](auto& D) { return D.WindowOrgEx().X == -3; }},
      {"SetViewPortOrgEx", TwoValues(EMR_SETVIEWPORTORGEX, 3, 9), [](auto& D) { return D.ViewPortOrgEx().Y == 9; }},
      {"SetWindowExtEx", TwoValues(EMR_SETWINDOWEXTEX, 300, 400), [](auto& D) { return D.WindowExtEx().cy == 400; }},
      {"SetViewPortExtEx", TwoValues(EMR_SETVIEWPORTEXTEX, 30, 40), [](auto& D) { return D.ViewPortExtEx().cx == 30; }},
      {"SetWorldTransform", XFormRecord(EMR_SETWORLDTRANSFORM, Shift), [](auto& D) { return D.XForm().eDy == 6; }},
      {"BeginPath", HeaderOnly(EMR_BEGINPATH), [](auto& D) { return D.IsPathBracketOpened(); }},
      {"EndPath", HeaderOnly(EMR_BEGINPATH) + HeaderOnly(EMR_ENDPATH), [](auto& D) { return !D.IsPathBracketOpened(); }},
      {"AbortPath", HeaderOnly(EMR_BEGINPATH) + HeaderOnly(EMR_ABORTPATH), [](auto& D) { return !D.IsPathBracketOpened(); }},
      {"SetMiterLimit", Record(EMR_SETMITERLIMIT, Payload().F32(7.5f)), [](auto& D) { return D.MiterLimit() == 7.5f; }},
      {"zero window extent refused", TwoValues(EMR_SETWINDOWEXTEX, 0, 40), [](auto& D) { return D.WindowExtEx().cx == 1; }},
      {"zero viewport extent refused", TwoValues(EMR_SETVIEWPORTEXTEX, 40, 0), [](auto& D) { return D.ViewPortExtEx().cy == 1; }},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    Played X(Metafile({C.Record}));
    EXPECT_TRUE(C.Check(X.P.DC()));
  }
}

TEST(EMFPlayer, ColorAdjustmentIsTheRecordView) {
  Payload P;
  P.U16(24).U16(0).U16(0).U16(10000).U16(10000).U16(10000).U16(0).U16(10000).Zeros(8);
  Played X(Metafile({Record(EMR_SETCOLORADJUSTMENT, P)}));
  ASSERT_NE(X.P.DC().ColorAdjustment(), nullptr);
  EXPECT_EQ(X.P.DC().ColorAdjustment()->P()->SetColorAdjustment.ColorAdjustment.caRedGamma, 10000);
  EXPECT_EQ(X.P.DC().ColorAdjustment(), X.P.FEMRList[1].get());
}

TEST(EMFPlayer, HeaderSetsTheDeviceCornersOfThePicture) {
  HeaderSpec H;
  H.Bounds = {-5, 7, 100, 100};
  H.Frame = {1000, 500, 3000, 3000};  // 10 mm and 5 mm from the corner
  H.Device = {2000, 1000};
  H.Millimeters = {400, 250};
  Played X(Metafile({}, H));
  EXPECT_EQ(X.P.DC().DeviceTopLeft().X, -5);
  EXPECT_EQ(X.P.DC().DeviceTopLeft().Y, 7);
  EXPECT_DOUBLE_EQ(X.P.DC().rTopLeft().X, 2000.0 / 400 * 1000 / 100);
  EXPECT_DOUBLE_EQ(X.P.DC().rTopLeft().Y, 1000.0 / 250 * 500 / 100);
  H.Millimeters = {0, 0};
  Played Y(Metafile({}, H));
  EXPECT_EQ(Y.P.DC().rTopLeft().X, 0);
  EXPECT_EQ(Y.P.DC().rTopLeft().Y, 0);
}

// A back end overriding handlers sees the state after the record once the base handler ran.
class BackEnd : public Player {
public:
  using Player::Player;
  std::vector<std::string> Seen;
  std::size_t SavedAtRestore = 0;

protected:
  void CreateDeviceContext() override {
    ++Contexts;
    TEMFAbstractExport::CreateDeviceContext();
  }
  void DoSaveDC() override {
    TDeviceContext* Before = &DC();
    TEMFAbstractExport::DoSaveDC();
    Seen.push_back(std::string("save ") + (&DC() != Before ? "new" : "same") + " " +
                   std::to_string(FDCList.size()) + " " + std::to_string(Contexts));
  }
  void DoRestoreDC() override {
    SavedAtRestore = FDCList.size();  // before the base handler pops
    TEMFAbstractExport::DoRestoreDC();
    Seen.push_back("restore " + std::to_string(FDCList.size()));
  }
  void DoSelectObject() override {
    TEMFAbstractExport::DoSelectObject();
    Seen.push_back("select " + std::to_string(LastRecordData()->SelectObject.ihObject) + " " +
                   (DC().Pen() != nullptr ? "pen" : "none"));
  }

private:
  int Contexts = 0;
};

TEST(EMFPlayer, OverridingHandlersSeeTheStateAfterTheRecord) {
  rt::TMemoryStream S;
  Fill(S, Metafile({HeaderOnly(EMR_SAVEDC), OneValue(EMR_SELECTOBJECT, 0x80000007),
                    Record(EMR_RESTOREDC, Payload().I32(-1))}));
  BackEnd P(S);
  P.PlayMetaFile();
  EXPECT_EQ(P.Seen, (std::vector<std::string>{"save new 1 2", "select 2147483655 pen", "restore 0"}));
  EXPECT_EQ(P.SavedAtRestore, 1u);
  EXPECT_EQ(P.DC().Pen(), nullptr);  // the restored context never had the pen
}

TEST(EMFPlayer, ParsingIsKeptOnlyWhileCommentsAreShown) {
  Played Quiet(Metafile({TwoValues(EMR_LINETO, 1, 2), Record(500, Payload().U32(7))}));
  EXPECT_EQ(Quiet.P.Parsing(), u"");
  for (const auto& D : Quiet.P.Descriptions) EXPECT_EQ(D, u"");
  Played Loud(Metafile({TwoValues(EMR_LINETO, 1, 2)}), true);
  EXPECT_EQ(Loud.P.Descriptions[1], u"EMR_LineTo    ptl: 1, 2");
}

TEST(EMFPlayer, MemoParametersAreNotExternal) {
  struct Probe : Player {
    using Player::Player;
    bool External() const { return FMEP.IsExternal; }
  };
  rt::TMemoryStream S;
  Fill(S, Metafile({}));
  Probe P(S);
  EXPECT_FALSE(P.External());
  EXPECT_TRUE(P.EnableTransform);
  EXPECT_TRUE(P.Formatted);
  EXPECT_FALSE(P.ShowComments);
}

} // namespace
