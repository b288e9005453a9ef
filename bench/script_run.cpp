// Running compiled scripts: a counting loop with arithmetic on plain variables, a recursive
// function, and a report expression compiled and evaluated the way the report's expression cache
// does it (a small function in a child script).
#include <benchmark/benchmark.h>

#include "report/script/sc_iilparser.h"
#include "report/script/sc_iinterpreter.h"
#include "report/script/sc_ipascal.h"

namespace {

class BaseTypes : public TscRTTIModule {
public:
  explicit BaseTypes(TscScript* S) : TscRTTIModule(S) {
    S->AddType("Integer", fvtInt);
    S->AddType("Extended", fvtFloat);
    S->AddType("String", fvtString);
    S->AddType("Variant", fvtVariant);
  }
};

void Setup() {
  static bool Done = false;
  if (Done) return;
  Done = true;
  sc_ipascalInitialization();
  ScriptModuleList()->push_back(&scModuleClass<BaseTypes>);
}

void Compile(TscScript& S, const std::string& Text) {
  S.AddRTTI();
  S.Lines.SetText(Text);
  if (!S.Compile()) throw rt::Exception(S.ErrorMsg + " at " + S.ErrorPos);
}

void BM_Loop_100k(benchmark::State& State) {
  Setup();
  TscScript S;
  Compile(S, "var i, n: Integer; x: Extended;\n"
             "begin n := 0; x := 0;\n"
             "  for i := 1 to 100000 do begin n := n + i mod 7; x := x + i / 2 end\n"
             "end.");
  for (auto _ : State) S.Execute();
  State.SetItemsProcessed(State.iterations() * 100000);
}
BENCHMARK(BM_Loop_100k)->Unit(benchmark::kMillisecond);

void BM_RecursiveFib20(benchmark::State& State) {
  Setup();
  TscScript S;
  Compile(S, "function Fib(n: Integer): Integer;\n"
             "begin if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2) end;\n"
             "var r: Integer; begin r := Fib(20) end.");
  for (auto _ : State) S.Execute();
}
BENCHMARK(BM_RecursiveFib20)->Unit(benchmark::kMillisecond);

void BM_CompileAndEvaluateExpression(benchmark::State& State) {
  Setup();
  TscScript S;
  Compile(S, "var Total: Extended; begin Total := 12.5 end.");
  S.Execute();
  for (auto _ : State) benchmark::DoNotOptimize(S.Evaluate("Total * 2 + 1"));
}
BENCHMARK(BM_CompileAndEvaluateExpression)->Unit(benchmark::kMicrosecond);

} // namespace
