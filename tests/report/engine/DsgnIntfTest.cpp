#include "report/engine/repDsgnIntf.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/gfx/ColorNames.h"
#include "platform/gfx/FontData.h"
#include "platform/rt/DateUtils.h"
#include "platform/rt/SysUtils.h"
#include "report/engine/repClass.h"

namespace {

// Class descriptions standing for engine base classes the object registry derives categories
// from, and for objects registered under them.
const rt::TClassInfo DataSetBase("TrepDataSet", rt::TObject::ClassInfo());
const rt::TClassInfo DatabaseBase("TrepCustomDatabase", rt::TObject::ClassInfo());
const rt::TClassInfo DialogControlBase("TrepDialogControl", rt::TObject::ClassInfo());
const rt::TClassInfo DialogComponentBase("TrepDialogComponent", rt::TObject::ClassInfo());
const rt::TClassInfo TestDataSet("TTestRegDataSet", &DataSetBase);
const rt::TClassInfo TestDatabase("TTestRegDatabase", &DatabaseBase);
const rt::TClassInfo TestButton("TTestRegButton", &DialogControlBase);
const rt::TClassInfo TestDialogComp("TTestRegDialogComp", &DialogComponentBase);
const rt::TClassInfo TestShape("TTestRegShape", TrepView::ClassInfo());

struct TTestFont : rt::TObject {
  RT_CLASS_INFO(TTestFont)
};
rt::TClass TTestFont::ClassInfo() {
  static const rt::TClassInfo Info("TTestFont", rt::TObject::ClassInfo());
  return &Info;
}

class RegistriesTest : public ::testing::Test {
protected:
  void TearDown() override { repDoneRegistries(); }
};

TEST_F(RegistriesTest, SameClassWithSameFlagsStandsOnceWithOtherFlagsTwice) {
  TrepObjectCollection& R = ReportObjects();
  R.RegisterObject1(&TestShape, nullptr, "Shape", "", 0);
  R.RegisterObject1(&TestShape, nullptr, "Shape again", "", 0);
  ASSERT_EQ(R.Count(), 1);
  EXPECT_EQ(R.GetObjectItem(0)->ButtonHint, "Shape");
  R.RegisterObject1(&TestShape, nullptr, "Shape 2", "", 2);
  EXPECT_EQ(R.Count(), 2);
  // Registered classes can be made by name from templates.
  EXPECT_EQ(rt::GetClass("TTestRegShape"), &TestShape);
  R.RegisterObject(&TestButton, nullptr);
  R.Unregister(&TestShape);
  ASSERT_EQ(R.Count(), 1);
  EXPECT_EQ(R.GetObjectItem(0)->ClassRef, &TestButton);
  R.Unregister(&TestShape);  // absent: nothing
  EXPECT_EQ(R.Count(), 1);
}

TEST_F(RegistriesTest, CategoryIsDerivedFromTheClassWhenEmpty) {
  struct Case {
    rt::TClass Class;
    TrepObjectCategories Given, Expected;
  };
  const Case Cases[] = {
      {&TestDataSet, 0, repCategoryBit(ctData)},
      {&TestDatabase, 0, repCategoryBit(ctData)},
      {&TestButton, 0, repCategoryBit(ctDialog)},
      {&TestDialogComp, 0, repCategoryBit(ctDialog)},
      {&TestShape, 0, repCategoryBit(ctReport)},
      {TrepCustomMemoView::ClassInfo(), repCategoryBit(ctDMP), repCategoryBit(ctDMP)},
  };
  TrepObjectCollection& R = ReportObjects();
  for (const Case& C : Cases) {
    R.RegisterObject1(C.Class, nullptr, {}, {}, 0, -1, C.Given);
    EXPECT_EQ(R.GetObjectItem(R.Count() - 1)->Category, C.Expected) << C.Class->ClassName();
  }
  // A category entry has no class and keeps its empty set, its hint and image index.
  R.RegisterCategory("Other", nullptr, "Other objects", 7);
  const TrepObjectItem* Cat = R.GetObjectItem(R.Count() - 1);
  EXPECT_EQ(Cat->ClassRef, nullptr);
  EXPECT_EQ(Cat->Category, 0);
  EXPECT_EQ(Cat->ButtonImageIndex, 7);
  EXPECT_EQ(Cat->ButtonHint, "Other objects");
  // Category entries are never merged.
  R.RegisterCategory("Other", nullptr, "Other objects", 7);
  EXPECT_EQ(R.Count(), static_cast<int>(std::size(Cases)) + 2);
}

struct TestFilter : TrepCustomExportFilter {
  using TrepCustomExportFilter::TrepCustomExportFilter;
  void ExportObject(TrepComponent*) override {}
};

TEST_F(RegistriesTest, FiltersEnterWhenMadeAndLeaveWhenFreed) {
  TrepExportFilterCollection& R = ExportFilters();
  auto A = std::make_unique<TestFilter>();
  TestFilter Hidden{TrepCustomExportFilter::NoRegister{}};
  auto B = std::make_unique<TestFilter>();
  EXPECT_EQ(R.Filters(), (std::vector<TrepCustomExportFilter*>{A.get(), B.get()}));
  R.Register(A.get());
  R.Register(nullptr);
  EXPECT_EQ(R.FilterCount(), 2);
  A.reset();
  EXPECT_EQ(R.Filters(), (std::vector<TrepCustomExportFilter*>{B.get()}));
  R.Unregister(&Hidden);  // absent: nothing
  EXPECT_EQ(R.FilterCount(), 1);
}

TEST_F(RegistriesTest, FilterOutlivingTheRegistryLeavesNothingBehind) {
  auto A = std::make_unique<TestFilter>();
  repDoneRegistries();
  A.reset();
  EXPECT_EQ(ExportFilters().FilterCount(), 0);
}

TEST_F(RegistriesTest, FiltersMadeAndFreedOnManyThreadsAtOnce) {
  TrepExportFilterCollection& R = ExportFilters();
  TestFilter Lasting;
  std::atomic<bool> Stop{false};
  std::thread Reader([&] {
    while (!Stop) {
      std::lock_guard<std::recursive_mutex> G(R.Lock());
      for (int i = 0; i < R.FilterCount(); ++i) ASSERT_NE(R.GetExportFilterItem(i)->Filter, nullptr);
    }
  });
  std::vector<std::thread> Sessions;
  for (int t = 0; t < 6; ++t)
    Sessions.emplace_back([] {
      for (int i = 0; i < 300; ++i) {
        TestFilter F1;
        auto F2 = std::make_unique<TestFilter>();
        TestFilter F3;
      }
    });
  for (auto& T : Sessions) T.join();
  Stop = true;
  Reader.join();
  EXPECT_EQ(R.Filters(), (std::vector<TrepCustomExportFilter*>{&Lasting}));
}

// Editor classes stand in for the real editors: the registry only compares them.
const rt::TClassInfo EdName("TTestNameEd", rt::TObject::ClassInfo());
const rt::TClassInfo EdColor("TTestColorEd", rt::TObject::ClassInfo());
const rt::TClassInfo EdColor2("TTestColor2Ed", rt::TObject::ClassInfo());
const rt::TClassInfo EdFontName("TTestFontNameEd", rt::TObject::ClassInfo());
const rt::TClassInfo EdMemoColor("TTestMemoColorEd", rt::TObject::ClassInfo());
const rt::TClassInfo EdEvent("TTestEventEd", rt::TObject::ClassInfo());

TEST_F(RegistriesTest, ChoosingAPropertyEditor) {
  const TrepPropertyType Str{rt::tkString, "string"};
  const TrepPropertyType Color{rt::tkInteger, "TColor"};
  const TrepPropertyType Event{rt::tkMethod, "TrepNotifyEvent"};
  const TrepPropertyType NotEvent{rt::tkMethod, "TrepEventList"};
  TrepPropertyEditorCollection& R = PropertyEditors();
  EXPECT_EQ(R.GetPropertyEditor(Event, nullptr, "OnClick"), -1);  // no event editor yet
  R.Register({rt::tkString, "TComponentName"}, nullptr, "Name", &EdName);  // 0
  R.Register(Color, nullptr, "", &EdColor);                              // 1
  R.Register(Str, TTestFont::ClassInfo(), "Name", &EdFontName);         // 2
  R.Register(Color, nullptr, "", &EdColor2);                             // 3: later duplicate type match
  R.Register(Color, TrepCustomMemoView::ClassInfo(), "Color", &EdMemoColor);  // 4
  R.RegisterEventEditor(&EdEvent);                                       // 5
  TrepView View(nullptr);
  TrepCustomMemoView Memo(nullptr);
  TTestFont Font;
  struct Case {
    TrepPropertyType Type;
    rt::TObject* Component;
    const char* Name;
    int Expected;
  };
  const Case Cases[] = {
      {Color, &View, "Color", 1},         // first registered type match
      {Color, &View, "FillColor", 1},
      {Color, &Memo, "color", 4},         // class and name match wins, ignoring case
      {Str, &Font, "NAME", 2},
      {Str, &View, "Name", -1},           // string type, not the font class
      {{rt::tkString, "TComponentName"}, &View, "name", 0},
      {{rt::tkString, "TComponentName"}, &View, "Caption", -1},
      {Event, &View, "OnBeforePrint", 5},
      {NotEvent, &View, "OnBeforePrint", -1},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(R.GetPropertyEditor(C.Type, C.Component, C.Name), C.Expected) << C.Type.Name << "." << C.Name;

  // Removing an editor before the event editor keeps the event editor found.
  R.UnRegister(&EdColor);
  EXPECT_EQ(R.Count(), 5);
  EXPECT_EQ(R.GetPropertyEditorItem(R.GetPropertyEditor(Event, &View, "OnClick"))->EditorClass, &EdEvent);
  EXPECT_EQ(R.GetPropertyEditorItem(R.GetPropertyEditor(Color, &View, "Color"))->EditorClass, &EdColor2);
  R.UnRegister(&EdEvent);
  EXPECT_EQ(R.GetPropertyEditor(Event, &View, "OnClick"), -1);
}

} // namespace

namespace {

struct TEdited : rt::TObject {
  int Result = 0;
  int Keys = 0;
  std::string Caption;
};
const rt::TPropInfo ResultProp = rt::TPropInfo::Field<TEdited>("ModalResult", rt::tkInteger, "TModalResult", &TEdited::Result);
const rt::TPropInfo KeysProp = rt::TPropInfo::Field<TEdited>("ShortCut", rt::tkInteger, "TShortCut", &TEdited::Keys);
const rt::TPropInfo CaptionProp = rt::TPropInfo::Field<TEdited>("Caption", rt::tkString, "string", &TEdited::Caption);
rt::TPropInfo ReadOnly(const rt::TPropInfo& P) {
  rt::TPropInfo R = P;
  R.Set = nullptr;
  return R;
}

TEST(PropertyEditors, ModalResultNamesAndNumbers) {
  struct Case {
    const char* Text;
    int Stored;
    const char* Shown;
  };
  const Case Cases[] = {{"mrok", 1, "mrOk"}, {"MRYESTOALL", 14, "mrYesToAll"}, {"", 0, "mrNone"},
                        {"15", 15, "15"},    {"-1", -1, "-1"},                 {"7", 7, "mrNo"}};
  TEdited O;
  TrepModalResultProperty E;
  E.Add(&O, &ResultProp);
  for (const Case& C : Cases) {
    E.SetValue(C.Text);
    EXPECT_EQ(O.Result, C.Stored) << C.Text;
    EXPECT_EQ(E.GetValue(), C.Shown) << C.Text;
  }
  EXPECT_THROW(E.SetValue("mrMaybe"), rt::EConvertError);
  E.GetValues();
  EXPECT_EQ(E.Values().Count(), 15);
  // Edit steps to the next name, and from the last back to the first.
  O.Result = 13;
  EXPECT_TRUE(E.Edit());
  EXPECT_EQ(O.Result, 14);
  EXPECT_TRUE(E.Edit());
  EXPECT_EQ(O.Result, 0);
}

TEST(PropertyEditors, ShortCutTexts) {
  struct Case {
    const char* Text;
    int Stored;
    const char* Shown;
  };
  const Case Cases[] = {{"", 0, "(None)"},
                        {"(none)", 0, "(None)"},
                        {"Ctrl+A", 0x4000 | 'A', "Ctrl+A"},
                        {"shift+ctrl+f12", 0x6000 | 0x7B, "Shift+Ctrl+F12"},
                        {"Shift+Alt+BkSp", 0xA000 | 0x08, "Shift+Alt+BkSp"},
                        {"Del", 0x2E, "Del"}};
  TEdited O;
  TrepShortCutProperty E;
  E.Add(&O, &KeysProp);
  for (const Case& C : Cases) {
    E.SetValue(C.Text);
    EXPECT_EQ(O.Keys, C.Stored) << C.Text;
    EXPECT_EQ(E.GetValue(), C.Shown) << C.Text;
  }
  EXPECT_THROW(E.SetValue("Ctrl+Nothing"), rt::EConvertError);
  E.GetValues();
  ASSERT_EQ(E.Values().Count(), 109);
  EXPECT_EQ(E.Values()[1], "Ctrl+A");
  EXPECT_EQ(E.Values()[27], "Ctrl+Alt+A");
  EXPECT_EQ(E.Values()[53], "F1");
  EXPECT_EQ(E.Values()[101], "Ins");
  EXPECT_EQ(E.Values()[108], "Shift+Alt+BkSp");
}

TEST(PropertyEditors, WritingReachesEveryWritableComponent) {
  TEdited A, B, C;
  const rt::TPropInfo Locked = ReadOnly(CaptionProp);
  TrepStringProperty E;
  E.Add(&A, &CaptionProp);
  E.Add(&B, &Locked);
  E.Add(&C, &CaptionProp);
  E.SetValue("Total");
  EXPECT_EQ(A.Caption, "Total");
  EXPECT_EQ(B.Caption, "");
  EXPECT_EQ(C.Caption, "Total");
  EXPECT_EQ(E.GetName(), "Caption");
  EXPECT_FALSE(E.Edit());  // nothing offered

  TrepIntegerProperty I;
  I.Add(&A, &ResultProp);
  EXPECT_THROW(I.SetValue("twelve"), rt::EConvertError);
  I.SetValue("12");
  EXPECT_EQ(I.GetValue(), "12");

  TrepClassProperty Cls;
  const rt::TPropInfo FontProp("Font", rt::tkClass, "TFont");
  Cls.Add(&A, &FontProp);
  EXPECT_EQ(Cls.GetValue(), "(TFont)");
  TrepPropertyEditor Base;
  Base.SetItemHeight(16);
  EXPECT_EQ(Base.GetValue(), "(Unknown)");
  EXPECT_EQ(Base.GetExtraLBSize(), 18);
}

} // namespace

// ---- Colours, fonts, cursors and dates ----

namespace {

struct TShown : rt::TObject {
  int Color = 0;
  int Cursor = 0;
  double When = 0;
  gfx::TFont Font;
};
const rt::TPropInfo ColorProp = rt::TPropInfo::Field<TShown>("Color", rt::tkInteger, "TColor", &TShown::Color);
const rt::TPropInfo CursorProp = rt::TPropInfo::Field<TShown>("Cursor", rt::tkInteger, "TCursor", &TShown::Cursor);
const rt::TPropInfo WhenProp = rt::TPropInfo::Field<TShown>("When", rt::tkFloat, "TDateTime", &TShown::When);
const rt::TPropInfo ShownFontProp("Font", rt::tkClass, "TFont",
                                  [](rt::TObject* O) { return rt::VarFromObject(&static_cast<TShown*>(O)->Font); });

// The values an editor offers, in its order.
std::vector<std::string> Offered(TrepPropertyEditor& E) {
  E.GetValues();
  std::vector<std::string> R;
  for (int i = 0; i < E.Values().Count(); ++i) R.push_back(E.Values()[i]);
  return R;
}

bool SortedIgnoringCase(const std::vector<std::string>& V) {
  for (std::size_t i = 1; i < V.size(); ++i)
    if (rt::CompareText(V[i - 1], V[i]) > 0) return false;
  return true;
}

// A text set, the value stored and the text shown; Stored is ignored where Shown is null
// (the text is refused and the value stays).
struct TextCase {
  const char* Text;
  int Stored;
  const char* Shown;
};

void CheckTexts(TrepPropertyEditor& E, const int& Field, std::initializer_list<TextCase> Cases) {
  for (const TextCase& C : Cases) {
    const int Before = Field;
    if (C.Shown == nullptr) {
      EXPECT_THROW(E.SetValue(C.Text), rt::EConvertError) << C.Text;
      EXPECT_EQ(Field, Before) << C.Text;
      continue;
    }
    E.SetValue(C.Text);
    EXPECT_EQ(Field, C.Stored) << C.Text;
    EXPECT_EQ(E.GetValue(), C.Shown) << C.Text;
  }
}

TEST(PropertyEditors, ColourNamesAndNumbers) {
  TShown O, Second;
  TrepColorProperty E;
  E.Add(&O, &ColorProp);
  E.Add(&Second, &ColorProp);
  CheckTexts(E, O.Color,
             {{"clRed", 0x0000FF, "clRed"},
              {"CLMONEYGREEN", 0xC0DCC0, "clMoneyGreen"},
              {"clBtnFace", static_cast<int>(0xFF00000F), "clBtnFace"},
              {"clNone", 0x1FFFFFFF, "clNone"},
              {"$00C08040", 0xC08040, "$00C08040"},
              {"0xc08041", 0xC08041, "$00C08041"},
              {"255", 0xFF, "clRed"},  // a number with a name shows the name
              {"$FF000019", static_cast<int>(0xFF000019), "$FF000019"},  // a system colour without a name
              {"$FFFFFFFF", -1, "$FFFFFFFF"},
              {"-1", -1, "$FFFFFFFF"},
              {"clNoSuchColour", 0, nullptr},
              {"red", 0, nullptr},
              {"", 0, nullptr},
              {"$1FFFFFFFF", 0, nullptr},
              {"12 apples", 0, nullptr}});
  EXPECT_EQ(Second.Color, -1) << "every edited component takes the colour";

  const std::vector<std::string> Names = Offered(E);
  ASSERT_EQ(Names.size(), gfx::ColorNames().size());
  EXPECT_EQ(Names.front(), "clBlack");
  EXPECT_EQ(Names[9], "clRed");
  EXPECT_EQ(Names.back(), "clWindowText");
  EXPECT_TRUE(E.GetAttributes() & repAttr(paOwnerDraw));
}

TEST(PropertyEditors, ColourDialogWritesOnOkOnly) {
  TShown A, B;
  A.Color = 0x123456;
  TrepColorProperty E;
  E.Add(&A, &ColorProp);
  E.Add(&B, &ColorProp);
  EXPECT_FALSE(E.Edit()) << "no dialog on the server";
  EXPECT_EQ(A.Color, 0x123456);
  gfx::TColor OpenedOn = 0;
  bool Ok = false;
  E.ColorDialog = [&](gfx::TColor& C) {
    OpenedOn = C;
    C = 0x00FF00;
    return Ok;
  };
  EXPECT_FALSE(E.Edit());
  EXPECT_EQ(OpenedOn, 0x123456);
  EXPECT_EQ(A.Color, 0x123456);
  Ok = true;
  EXPECT_TRUE(E.Edit());
  EXPECT_EQ(A.Color, 0x00FF00);
  EXPECT_EQ(B.Color, 0x00FF00);
}

TEST(PropertyEditors, FontDialogWritesEveryFontAndKeepsTheCharsetOfSymbolFaces) {
  TShown A, B;
  A.Font.SetName("Times New Roman");
  A.Font.SetCharset(204);
  B.Font.Assign(A.Font);
  TrepFontProperty E;
  E.Add(&A, &ShownFontProp);
  E.Add(&B, &ShownFontProp);
  EXPECT_EQ(E.GetValue(), "(TFont)");
  EXPECT_FALSE(E.Edit()) << "no dialog on the server";

  struct Case {
    const char* Name;
    int Charset;
    bool Ok;
    const char* NameAfter;
    int CharsetAfter;
  };
  const Case Cases[] = {{"Courier New", 0, false, "Times New Roman", 204},  // cancelled
                        {"Courier New", 0, true, "Courier New", 0},
                        {"Symbol", 2, true, "Symbol", 0}};  // the symbol set keeps the former set
  for (const Case& C : Cases) {
    TrepFontDialogOptions Got{};
    std::string Opened;
    E.FontDialog = [&](gfx::TFont& F, const TrepFontDialogOptions& Options) {
      Got = Options;
      Opened = F.Name();
      F.SetName(C.Name);
      F.SetCharset(C.Charset);
      F.SetSize(14);
      return C.Ok;
    };
    const std::string Before = A.Font.Name();
    EXPECT_EQ(E.Edit(), C.Ok) << C.Name;
    EXPECT_EQ(Opened, Before) << "the dialog opens on the current font";
    EXPECT_TRUE(Got.ScreenFonts && Got.PrinterFonts && Got.ForceFontExist);
    for (TShown* O : {&A, &B}) {
      EXPECT_EQ(O->Font.Name(), C.NameAfter) << C.Name;
      EXPECT_EQ(O->Font.Charset(), C.CharsetAfter) << C.Name;
    }
  }
  EXPECT_EQ(B.Font.Size(), 14);
}

TEST(PropertyEditors, FontNamesComeFromTheFontLayer) {
  gfx::TFont F;
  TrepFontNameProperty E;
  E.Add(&F, gfx::TFont::ClassInfo()->FindProperty("Name"));
  const std::vector<std::string> Names = Offered(E);
  EXPECT_EQ(Names, gfx::FontFamilyNames());
  EXPECT_TRUE(SortedIgnoringCase(Names));
  for (const char* N : {"Arial", "Times New Roman", "Courier New", "DejaVu Sans", "Liberation Sans"})
    EXPECT_NE(std::find(Names.begin(), Names.end(), N), Names.end()) << N;
  E.SetValue("Courier New");
  EXPECT_EQ(F.Name(), "Courier New");
  EXPECT_EQ(E.GetValue(), "Courier New");
}

TEST(PropertyEditors, CharsetNamesAndNumbers) {
  gfx::TFont F;
  TrepFontCharsetProperty E;
  E.Add(&F, gfx::TFont::ClassInfo()->FindProperty("Charset"));
  struct Case {
    const char* Text;
    int Stored;
    const char* Shown;
  };
  const Case Cases[] = {{"RUSSIAN_CHARSET", 204, "RUSSIAN_CHARSET"}, {"symbol_charset", 2, "SYMBOL_CHARSET"},
                        {"77", 77, "MAC_CHARSET"},                   {"0", 0, "ANSI_CHARSET"},
                        {"100", 100, "100"},                         {"255", 255, "OEM_CHARSET"}};
  for (const Case& C : Cases) {
    E.SetValue(C.Text);
    EXPECT_EQ(F.Charset(), C.Stored) << C.Text;
    EXPECT_EQ(E.GetValue(), C.Shown) << C.Text;
  }
  for (const char* Bad : {"KLINGON_CHARSET", "256", "-1", ""}) {
    EXPECT_THROW(E.SetValue(Bad), rt::EConvertError) << Bad;
    EXPECT_EQ(F.Charset(), 255) << Bad;
  }
  const std::vector<std::string> Names = Offered(E);
  EXPECT_EQ(Names.size(), repCharsetNames().size());
  EXPECT_TRUE(SortedIgnoringCase(Names));
  EXPECT_EQ(Names.front(), "ANSI_CHARSET");
}

TEST(PropertyEditors, CursorNamesAndNumbers) {
  TShown O;
  TrepCursorProperty E;
  E.Add(&O, &CursorProp);
  CheckTexts(E, O.Cursor,
             {{"crHandPoint", -21, "crHandPoint"},
              {"CRIBEAM", -4, "crIBeam"},
              {"0", 0, "crDefault"},
              {"-22", -22, "crSizeAll"},
              {"-5", -5, "-5"},  // no cursor has this number
              {"7", 7, "7"},
              {"crPointer", 0, nullptr},
              {"", 0, nullptr}});
  const std::vector<std::string> Names = Offered(E);
  EXPECT_EQ(Names.size(), repCursorNames().size());
  EXPECT_TRUE(SortedIgnoringCase(Names));
  // Every name reads back as itself.
  for (const std::string& N : Names) {
    E.SetValue(N);
    EXPECT_EQ(E.GetValue(), N);
  }
}

TEST(PropertyEditors, DatesAndTimesInTheRuntimesTexts) {
  enum Kind { DateTime, Date, Time };
  struct Case {
    Kind K;
    const char* Text;
    double Stored;
    const char* Shown;  // null: refused, the value stays
  };
  const double Eve = rt::EncodeDate(2025, 12, 31);
  const double HalfPastOne = rt::EncodeTime(13, 30, 15, 0);
  const Case Cases[] = {
      {DateTime, "", 0, ""},
      {DateTime, "12/31/2025", Eve, "12/31/2025"},
      {DateTime, "12/31/2025 1:30:15 PM", Eve + HalfPastOne, "12/31/2025 1:30:15 PM"},
      {DateTime, "12/31/2025 13:30:15", Eve + HalfPastOne, "12/31/2025 1:30:15 PM"},
      {DateTime, "1:30:15 PM", HalfPastOne, "12/30/1899 1:30:15 PM"},  // a time alone is on day 0
      {DateTime, "2/30/2025", 0, nullptr},
      {DateTime, "12/31/2025 25:00", 0, nullptr},
      {DateTime, "tomorrow", 0, nullptr},
      {Date, "", 0, ""},
      {Date, "2/29/2024", rt::EncodeDate(2024, 2, 29), "2/29/2024"},
      {Date, "1/1/1900", 2, "1/1/1900"},
      {Date, "2/29/2025", 0, nullptr},
      {Date, "13/1/2025", 0, nullptr},
      {Date, "1:30 PM", 0, nullptr},
      {Time, "", 0, ""},
      {Time, "6:05:09 AM", rt::EncodeTime(6, 5, 9, 0), "6:05:09 AM"},
      {Time, "23:59:59", rt::EncodeTime(23, 59, 59, 0), "11:59:59 PM"},
      {Time, "12:00 AM", 0, ""},  // midnight is the empty time
      {Time, "24:00", 0, nullptr},
      {Time, "noon", 0, nullptr},
  };
  TrepDateTimeProperty DT;
  TrepDateProperty D;
  TrepTimeProperty T;
  TrepPropertyEditor* Editors[] = {&DT, &D, &T};
  TShown O;
  for (TrepPropertyEditor* E : Editors) E->Add(&O, &WhenProp);
  for (const Case& C : Cases) {
    TrepPropertyEditor& E = *Editors[C.K];
    O.When = 12345.25;
    if (C.Shown == nullptr) {
      EXPECT_THROW(E.SetValue(C.Text), rt::EConvertError) << C.Text;
      EXPECT_EQ(O.When, 12345.25) << C.Text;
      continue;
    }
    E.SetValue(C.Text);
    EXPECT_NEAR(O.When, C.Stored, 1e-9) << C.Text;
    EXPECT_EQ(E.GetValue(), C.Shown) << C.Text;
  }

  // Whatever a value, its text (whole seconds) reads back within a second.
  for (double V : {Eve + HalfPastOne, 1.0, 45000.999988, -700.75, 2958465.5}) {
    O.When = V;
    DT.SetValue(DT.GetValue());
    EXPECT_NEAR(O.When, V, 1.0 / 86400) << V;
  }
  // A value beyond the calendar is a conversion error, not a text.
  O.When = 1e12;
  for (TrepPropertyEditor* E : Editors) EXPECT_THROW(E->GetValue(), rt::EConvertError);
}

} // namespace
