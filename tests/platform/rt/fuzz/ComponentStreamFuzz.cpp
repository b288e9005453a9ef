// Component streams from anywhere: values skipped one after another, then read as the entries
// of defined properties (a name, then a list of strings or integers).
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/rt/Streaming.h"

namespace {

void SkipAll(rt::TStringStream& S) {
  S.SetPosition(0);
  rt::TReader R(S);
  try {
    while (!R.AtEnd()) R.SkipValue();
  } catch (const rt::EReadError&) {
  }
}

void ReadEntries(rt::TStringStream& S) {
  S.SetPosition(0);
  rt::TReader R(S);
  auto ReadList = [](rt::TReader& Reader) {
    Reader.ReadListBegin();
    while (!Reader.EndOfList()) {
      if (Reader.NextValue() >= rt::vaInt8 && Reader.NextValue() <= rt::vaInt32) Reader.ReadInteger();
      else if (Reader.NextValue() == rt::vaTrue || Reader.NextValue() == rt::vaFalse) Reader.ReadBoolean();
      else Reader.ReadString();
    }
    Reader.ReadListEnd();
  };
  try {
    while (!R.AtEnd())
      R.ReadProperty([&](rt::TFiler& F) {
        F.DefineProperty("Strings", ReadList, nullptr, false);
        F.DefineProperty("Raw", [](rt::TReader& Reader) { (void)Reader.ReadRawString(); }, nullptr, false);
        F.DefineProperty("Any", [](rt::TReader& Reader) { Reader.SkipValue(); }, nullptr, false);
      });
  } catch (const rt::EReadError&) {
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  rt::TStringStream S(std::string(reinterpret_cast<const char*>(Data), Size));
  SkipAll(S);
  ReadEntries(S);
  return 0;
}
