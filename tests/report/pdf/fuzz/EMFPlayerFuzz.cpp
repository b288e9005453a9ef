// A metafile from anywhere, played through the abstract player with and without the record
// descriptions. Malformed records end the play with EEMFError.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/pdf/repEMFAbstractExport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
  for (bool Comments : {false, true}) {
    rt::TStringStream In(Bytes);
    TEMFAbstractExport Player(&In, nullptr);
    Player.ShowComments = Comments;
    try {
      Player.PlayMetaFile();
    } catch (const EEMFError&) {
    }
  }
  return 0;
}
