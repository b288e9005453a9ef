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
  repRegisterPropertyEditors();
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
  repUnregisterPropertyEditors();
}
