// Start-up registrations: done once however often asked, undone when the last caller ends.
#include <gtest/gtest.h>

#include "platform/gfx/Font.h"
#include "report/engine/repClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repStartup.h"

namespace {

int DialogTransports() {
  int N = 0;
  for (TrepCustomIOTransport* T : IOTransports().Items())
    if (dynamic_cast<TrepIOTransportFileDialog*>(T) != nullptr) ++N;
  return N;
}

} // namespace

TEST(Startup, RegistrationsHappenOnceAndGoWithTheLastFinalization) {
  repStartupInitialization();
  repStartupInitialization();
  EXPECT_EQ(DialogTransports(), 1);
  TrepPropertyEditorCollection& E = PropertyEditors();
  const int Name = E.GetPropertyEditor({rt::tkString, "TComponentName"}, nullptr, "Name");
  ASSERT_GE(Name, 0);
  EXPECT_EQ(static_cast<TrepPropertyEditorItem*>(E.Items(Name))->EditorClass, TrepNameProperty::ClassInfo());
  EXPECT_GE(E.GetPropertyEditor({rt::tkInteger, "TShortCut"}, nullptr, "Hotkey"), 0);
  EXPECT_EQ(BitCountTable()[0xFF], 8);
  EXPECT_EQ(BitCountTable()[0x51], 3);

  repStartupFinalization();
  EXPECT_EQ(DialogTransports(), 1) << "one caller still counts";
  repStartupFinalization();
  EXPECT_EQ(DialogTransports(), 0);
  EXPECT_LT(E.GetPropertyEditor({rt::tkInteger, "TShortCut"}, nullptr, "Hotkey"), 0);
  repStartupFinalization();  // one too many changes nothing
}

TEST(Startup, EveryEditedPropertyTypeFindsItsEditor) {
  repStartupInitialization();
  TrepPropertyEditorCollection& E = PropertyEditors();
  gfx::TFont Font;
  TrepMemoView Memo(nullptr);
  struct Case {
    TrepPropertyType Type;
    rt::TObject* Component;
    const char* Name;
    rt::TClass Editor;
  };
  const Case Cases[] = {
      {{rt::tkString, "TComponentName"}, &Memo, "Name", TrepNameProperty::ClassInfo()},
      {{rt::tkInteger, "TColor"}, &Memo, "Color", TrepColorProperty::ClassInfo()},
      {{rt::tkInteger, "TColor"}, &Font, "Color", TrepColorProperty::ClassInfo()},
      {{rt::tkClass, "TFont"}, &Memo, "Font", TrepFontProperty::ClassInfo()},
      {{rt::tkString, "TFontName"}, &Font, "Name", TrepFontNameProperty::ClassInfo()},
      {{rt::tkInteger, "TFontCharset"}, &Font, "Charset", TrepFontCharsetProperty::ClassInfo()},
      {{rt::tkInteger, "TModalResult"}, &Memo, "ModalResult", TrepModalResultProperty::ClassInfo()},
      {{rt::tkInteger, "TShortCut"}, &Memo, "ShortCut", TrepShortCutProperty::ClassInfo()},
      {{rt::tkInteger, "TCursor"}, &Memo, "Cursor", TrepCursorProperty::ClassInfo()},
      {{rt::tkFloat, "TDateTime"}, &Memo, "CreateDate", TrepDateTimeProperty::ClassInfo()},
      {{rt::tkFloat, "TDate"}, &Memo, "Day", TrepDateProperty::ClassInfo()},
      {{rt::tkFloat, "TTime"}, &Memo, "Hour", TrepTimeProperty::ClassInfo()},
  };
  for (const Case& C : Cases) {
    const int I = E.GetPropertyEditor(C.Type, C.Component, C.Name);
    ASSERT_GE(I, 0) << C.Type.Name;
    EXPECT_EQ(E.GetPropertyEditorItem(I)->EditorClass, C.Editor) << C.Type.Name << " " << C.Name;
  }
  // A name of another type is no font name; the property type alone decides.
  EXPECT_LT(E.GetPropertyEditor({rt::tkString, "string"}, &Memo, "Name"), 0);
  repStartupFinalization();
  EXPECT_EQ(E.Count(), 0);
}
