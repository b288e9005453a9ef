// Making the intermediate program: a template-sized script, and the small function a report
// expression is compiled as.
#include <benchmark/benchmark.h>

#include <string>

#include "report/script/sc_iparser.h"
#include "report/script/sc_ipascal.h"

namespace {

std::string LargeScript() {
  std::string S;
  for (int I = 0; I < 500; ++I) {
    S += "procedure P" + std::to_string(I) + "(var a: Integer; b: String);\r\nvar t: Integer;\r\nbegin\r\n";
    S += "  if (a > 1) and (b <> 'x') then t := a * 2 + Length(b) else t := 0;\r\n";
    S += "  for t := 1 to 10 do Memo1.Lines.Add(IntToStr(t) + ' ' + <Data.\"Field\">);\r\n";
    S += "end;\r\n";
  }
  return S + "begin\r\n  P1(x, 'a');\r\nend.\r\n";
}

void BM_MakeILScript_3000Lines(benchmark::State& State) {
  sc_ipascalInitialization();
  const std::string Text = LargeScript();
  for (auto _ : State) {
    TscCustomILParser P;
    P.SelectLanguage("PascalScript");
    benchmark::DoNotOptimize(P.MakeILScript(Text));
  }
}
BENCHMARK(BM_MakeILScript_3000Lines)->Unit(benchmark::kMillisecond);

void BM_MakeILScript_ExpressionFunction(benchmark::State& State) {
  sc_ipascalInitialization();
  const std::string Text =
      "function fsEvaluateFUNC: Variant; begin Result := <Data.\"Flow\"> * 2 + 1 end; begin end.\r\n";
  for (auto _ : State) {
    TscCustomILParser P;
    P.SelectLanguage("PascalScript");
    benchmark::DoNotOptimize(P.MakeILScript(Text));
  }
}
BENCHMARK(BM_MakeILScript_ExpressionFunction)->Unit(benchmark::kMicrosecond);

}  // namespace
