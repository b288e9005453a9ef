// Start-up registrations: done once however often asked, undone when the last caller ends.
#include <gtest/gtest.h>

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
