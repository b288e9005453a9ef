// Memo text with bracketed expressions from templates and users: whatever the text, a print
// evaluates it without crashing or hanging, errors stay in the report's error list, the
// template text is back after the print, and text set literally is printed exactly as given.
// The first byte chooses the delimiters and options; the rest is the text as UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"

namespace {
constexpr std::size_t kMaxInput = 4 * 1024;
const char* const kDelimiters[] = {"[,]", "{,}", "<%,%>", "", ",", "[", "[,", "x,x"};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1 || Size > kMaxInput) return 0;
  static const bool Started = [] {
    enginesetup::StartResources();
    enginesetup::AddScriptModules();
    return true;
  }();
  (void)Started;
  const uint8_t Flags = Data[0];
  const std::u16string Text = rt::Utf8ToUtf16(std::string(reinterpret_cast<const char*>(Data + 1), Size - 1));
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  R.EngineOptions.IgnoreExprError = Flags & 0x80;
  R.Script()->AddVariable("Price", "Variant", 2.5);
  auto* Page = new TrepReportPage(&R);
  auto* Memo = new TrepMemoView(Page);
  Memo->SetName("Memo1");
  Memo->SetBounds(0, 0, 120, 40);
  Memo->ExpressionDelimiters = kDelimiters[Flags & 7];
  Memo->HideZeros = Flags & 8;
  Memo->SuppressRepeated = Flags & 16;
  if (Flags & 32) {
    auto* F = static_cast<TrepFormat*>(Memo->Formats().Add());
    F->Kind = fkNumeric;
    F->FormatStr = rt::Utf16ToUtf8(Text.substr(0, 16));
  }
  Memo->SetText(Text);
  const std::u16string Template = Memo->Text();
  for (int Print = 0; Print < 2; ++Print) {
    Memo->BeforePrint();
    Memo->GetData();
    Memo->CalcHeight();
    Memo->AfterPrint();
    if (Memo->Text() != Template) std::abort();
  }
  Memo->SetLiteralText(Text);
  Memo->BeforePrint();
  Memo->GetData();
  if (!(Flags & 16) && Memo->Text() != Template) std::abort();
  Memo->AfterPrint();
  return 0;
}
