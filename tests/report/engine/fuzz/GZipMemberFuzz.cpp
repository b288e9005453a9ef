// A compressed resource member from anywhere, unpacked under a small cap.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/engine/repGZip.h"
#include "report/engine/repZLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  constexpr std::int64_t Cap = 1 << 20;
  rt::TStringStream In(std::string(reinterpret_cast<const char*>(Data), Size));
  rt::TMemoryStream Out;
  std::string Name;
  try {
    InflateGZipMember(In, Out, Name, Cap);
  } catch (const EZDecompressionError&) {
    return 0;
  }
  if (Out.Size() > Cap) __builtin_trap();
  return 0;
}
