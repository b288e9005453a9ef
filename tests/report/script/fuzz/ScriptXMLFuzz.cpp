// The script engine's XML tree reader on arbitrary bytes (grammars and intermediate programs
// come back through it). Whatever loads is copied, saved and must load again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/script/sc_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TscXMLDocument Doc;
  try {
    rt::TStringStream In(std::string(reinterpret_cast<const char*>(Data), Size));
    Doc.LoadFromStream(In);
  } catch (const rt::Exception&) {
    return 0;
  }
  std::vector<TscXMLItem*> Stack{Doc.Root()};
  while (!Stack.empty()) {
    TscXMLItem* I = Stack.back();
    Stack.pop_back();
    for (const char* Name : {"text", "pos", "name"}) (void)I->Prop(Name);
    for (int K = 0; K < I->Count(); ++K) Stack.push_back(I->Items(K));
  }
  TscXMLItem Copy;
  Copy.Assign(Doc.Root());
  rt::TStringStream Out;
  Doc.SaveToStream(Out);
  TscXMLDocument Again;
  rt::TStringStream In(Out.DataString());
  Again.LoadFromStream(In);
  return 0;
}
