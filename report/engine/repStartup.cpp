#include "report/engine/repStartup.h"

#include <mutex>

#include "report/engine/repDMPClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repInPlaceCopyPaste.h"
#include "report/engine/repIOTransport.h"

namespace {

std::mutex& StartupLock() {
  static std::mutex Lock;
  return Lock;
}

int StartupCount = 0;

} // namespace

const std::array<std::uint8_t, 256>& BitCountTable() {
  static const std::array<std::uint8_t, 256> Table = [] {
    std::array<std::uint8_t, 256> T{};
    for (int I = 0; I < 256; ++I) T[static_cast<std::size_t>(I)] = static_cast<std::uint8_t>(__builtin_popcount(I));
    return T;
  }();
  return Table;
}

void repStartupInitialization() {
  std::lock_guard<std::mutex> Lock(StartupLock());
  if (StartupCount++ > 0) return;
  // Property editors of the design interface, those that stand without a designer.
  TrepPropertyEditorCollection& Editors = PropertyEditors();
  Editors.Register({rt::tkString, "TComponentName"}, nullptr, "Name", TrepNameProperty::ClassInfo());
  Editors.Register({rt::tkInteger, "TModalResult"}, nullptr, "", TrepModalResultProperty::ClassInfo());
  Editors.Register({rt::tkInteger, "TShortCut"}, nullptr, "", TrepShortCutProperty::ClassInfo());
  (void)BitCountTable();
  repIOTransportDialogInitialization();
  repDMPInitialization();
  repInPlaceCopyPasteInitialization();
}

void repStartupFinalization() {
  std::lock_guard<std::mutex> Lock(StartupLock());
  if (StartupCount == 0 || --StartupCount > 0) return;
  repInPlaceCopyPasteFinalization();
  repDMPFinalization();
  repIOTransportDialogFinalization();
  PropertyEditors().UnRegister(TrepNameProperty::ClassInfo());
  PropertyEditors().UnRegister(TrepModalResultProperty::ClassInfo());
  PropertyEditors().UnRegister(TrepShortCutProperty::ClassInfo());
}
