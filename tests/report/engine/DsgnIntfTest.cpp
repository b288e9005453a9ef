#include "report/engine/repDsgnIntf.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

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
