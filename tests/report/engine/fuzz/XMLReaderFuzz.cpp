// The report XML reader on arbitrary bytes: a whole load, a partial load with every unloaded
// element brought back, and every attribute looked up. Whatever loads must save and load again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "report/engine/repXML.h"

namespace {

void VisitAttributes(TrepXMLItem* Item) {
  // Iterative: the depth of a loaded tree is already bounded, but the walk need not rely on it.
  std::vector<TrepXMLItem*> Stack{Item};
  while (!Stack.empty()) {
    TrepXMLItem* I = Stack.back();
    Stack.pop_back();
    for (const char* Name : {"Name", "Text", "x"}) {
      try {
        (void)I->GetProp(Name);
      } catch (const rt::EConvertError&) {
        // A malformed character reference in a value.
      }
    }
    for (int K = 0; K < I->Count(); ++K) Stack.push_back(I->Items(K));
  }
}

void LoadAll(TrepXMLDocument& Doc, TrepXMLItem* Item) {
  std::vector<TrepXMLItem*> Stack{Item};
  while (!Stack.empty()) {
    TrepXMLItem* I = Stack.back();
    Stack.pop_back();
    Doc.LoadItem(I);
    for (int K = 0; K < I->Count(); ++K) Stack.push_back(I->Items(K));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  std::string Saved;
  try {
    TrepXMLDocument Doc;
    rt::TStringStream In(Text);
    Doc.LoadFromStream(In);
    VisitAttributes(Doc.Root());
    rt::TStringStream Out;
    Doc.SaveToStream(Out);
    Saved = Out.DataString();
  } catch (const TrepInvalidXMLException&) {
  }
  if (!Saved.empty()) {
    // What the engine wrote it must read.
    TrepXMLDocument Again;
    rt::TStringStream In(Saved);
    Again.LoadFromStream(In);
  }
  try {
    TrepXMLDocument Partial;
    Partial.LoadFromStream(std::make_unique<rt::TStringStream>(Text), true);
    LoadAll(Partial, Partial.Root());
  } catch (const TrepInvalidXMLException&) {
  }
  return 0;
}
