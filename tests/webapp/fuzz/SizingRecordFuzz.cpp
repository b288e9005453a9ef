// Sizing files come from anywhere. Whatever a file holds, reading it must end in a record or a
// reason; and a record that was read must come back identical through the file the form writes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "webapp/SizingRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  sizing::TSizingRecord record;
  std::string error;
  if (!sizing::ReadFile(bytes, record, error)) {
    if (error.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  // The form always writes the pressure mode.
  if (record.PressureMode.empty()) record.PressureMode = sizing::GaugeMode;
  const std::string file = sizing::EncodeFile(sizing::FormatRecord(record));
  sizing::TSizingRecord back;
  if (!sizing::ReadFile(file, back, error) || !(back == record)) __builtin_trap();
  return 0;
}
