// A zlib stream from anywhere, inflated under a small cap so that bombs end quickly.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "report/engine/repZLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  constexpr std::int64_t Cap = 1 << 20;
  std::vector<unsigned char> Out;
  try {
    InflateBuffer(Data, static_cast<std::int64_t>(Size), 0, Out, Cap);
  } catch (const EZDecompressionError&) {
    return 0;
  }
  if (Out.size() > static_cast<std::size_t>(Cap)) __builtin_trap();
  return 0;
}
