// Script engine speed beside python3: integer additions, recursive calls and string appends in every
// syntax, and compile time over source size and line length. Each benchmark times the work
// itself (compile and run, best of its iterations) and, when python3 is installed, the same
// program in python3 timed by python itself; the counter "x_python" is our time over python's.
// Both sides count the processor time of their own process, not the wall clock, so that a busy
// machine does not skew the figures.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "report/script/sc_ibasic.h"
#include "report/script/sc_icpp.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_iinterpreter.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace {

// Processor time of this process, in seconds.
double CpuSeconds() {
  timespec T{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &T);
  return static_cast<double>(T.tv_sec) + static_cast<double>(T.tv_nsec) * 1e-9;
}

void Setup() {
  static const bool Done = [] {
    sc_ipascalInitialization();
    sc_icppInitialization();
    sc_ibasicInitialization();
    sc_ijsInitialization();
    sc_isysrttiInitialization();
    return true;
  }();
  (void)Done;
}

// Seconds python3 needs for Body (timed inside python, start-up excluded); 0 when python3 is
// missing or fails. Body runs as a function, where python keeps its variables as fast locals
// and appends to a string in place: its best form, not its slow module-level one.
double PythonSeconds(const std::string& Body) {
  static const bool Have = std::system("python3 -c pass >/dev/null 2>&1") == 0;
  if (!Have) return 0;
  char Name[] = "/tmp/zentor_bench_XXXXXX";
  const int Fd = mkstemp(Name);
  if (Fd < 0) return 0;
  close(Fd);
  {
    std::ofstream Out(Name);
    std::string Indented = "    ";
    for (char C : Body) {
      Indented += C;
      if (C == '\n') Indented += "    ";
    }
    Out << "import time, sys\nsys.setrecursionlimit(100000)\ndef work():\n" << Indented
        << "\nbest = 1e9\nfor _ in range(3):\n    t0 = time.process_time()\n    work()\n"
           "    best = min(best, time.process_time() - t0)\nprint(best)\n";
  }
  std::string Cmd = std::string("python3 ") + Name + " 2>/dev/null";
  double Seconds = 0;
  if (FILE* P = popen(Cmd.c_str(), "r")) {
    if (std::fscanf(P, "%lf", &Seconds) != 1) Seconds = 0;
    pclose(P);
  }
  std::remove(Name);
  return Seconds;
}

double MaxRssMB() {
  rusage U{};
  getrusage(RUSAGE_SELF, &U);
  return static_cast<double>(U.ru_maxrss) / 1024.0;
}

// Compiles and runs Text in Syntax once per iteration; reports the best time and the ratio to
// python's time for PythonBody.
void RunBeside(benchmark::State& State, const char* Syntax, const std::string& Text, const std::string& PythonBody) {
  Setup();
  double Best = 1e9;
  for (auto _ : State) {
    const double T0 = CpuSeconds();
    TscScript S;
    S.SyntaxType = Syntax;
    S.AddRTTI();
    S.Lines.SetText(Text);
    if (!S.Compile()) {
      State.SkipWithError((S.ErrorMsg + " at " + S.ErrorPos).c_str());
      return;
    }
    try {
      S.Execute();
    } catch (const rt::Exception& E) {
      State.SkipWithError(E.Message().c_str());
      return;
    }
    Best = std::min(Best, CpuSeconds() - T0);
  }
  State.counters["best_s"] = Best;
  if (!PythonBody.empty()) {
    const double Py = PythonSeconds(PythonBody);
    if (Py > 0) {
      State.counters["python_s"] = Py;
      State.counters["x_python"] = Best / Py;
    }
  }
}

// One program in every syntax beside python's form of it.
struct TSyntaxProgram {
  const char* Syntax;
  const char* Label;
  const char* Text;
};

const char* const kPythonAdditions = "n = 0\nfor i in range(1, 10000001):\n    n = n + 3";
const TSyntaxProgram kAdditions[] = {
    {"PascalScript", "Pascal", "var i, n: Integer; begin n := 0; for i := 1 to 10000000 do n := n + 3; end."},
    {"D++Uderir", "Cpp", "{ int i, n; n = 0; for (i = 1; i <= 10000000; i++) n = n + 3; }"},
    {"RiravUdevad", "Basic", "dim n, i\r\nn = 0\r\nfor i = 1 to 10000000\r\nn = n + 3\r\nnext\r\n"},
    {"JScript", "JS", "var n = 0; var i; for (i = 1; i <= 10000000; i++) { n = n + 3; }"},
};

const char* const kPythonFib = "def fib(n):\n    return n if n < 2 else fib(n - 1) + fib(n - 2)\nfib(25)";
const TSyntaxProgram kFib[] = {
    {"PascalScript", "Pascal",
     "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else "
     "Result := Fib(n - 1) + Fib(n - 2); end; begin Fib(25); end."},
    {"D++Uderir", "Cpp", "int Fib(int n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); } { Fib(25); }"},
    {"RiravUdevad", "Basic",
     "Function Fib(n)\r\nIf n < 2 Then\r\nReturn n\r\nEnd If\r\nReturn Fib(n - 1) + Fib(n - 2)\r\n"
     "End Function\r\nFib(25)\r\n"},
    {"JScript", "JS", "function Fib(n) { if (n < 2) return n; return Fib(n - 1) + Fib(n - 2); } Fib(25);"},
};

const char* const kPythonAppends = "s = ''\nfor i in range(100000):\n    s = s + 'x'";
const TSyntaxProgram kAppends[] = {
    {"PascalScript", "Pascal", "var s: String; i: Integer; begin s := ''; for i := 1 to 100000 do s := s + 'x'; end."},
    {"D++Uderir", "Cpp", "{ String s; int i; s = \"\"; for (i = 0; i < 100000; i++) s = s + \"x\"; }"},
    {"RiravUdevad", "Basic", "dim s, i\r\ns = \"\"\r\nfor i = 1 to 100000\r\ns = s + \"x\"\r\nnext\r\n"},
    {"JScript", "JS", "var s = \"\"; var i; for (i = 0; i < 100000; i++) { s = s + \"x\"; }"},
};

template <std::size_t N>
void RegisterBeside(const char* Name, const TSyntaxProgram (&Programs)[N], const char* PythonBody, int Iterations) {
  for (const TSyntaxProgram& P : Programs)
    benchmark::RegisterBenchmark((std::string(Name) + "/" + P.Label).c_str(),
                                 [P, PythonBody](benchmark::State& State) { RunBeside(State, P.Syntax, P.Text, PythonBody); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(Iterations);
}

const bool kRegistered = [] {
  RegisterBeside("BM_Additions10M", kAdditions, kPythonAdditions, 3);
  RegisterBeside("BM_Fib25", kFib, kPythonFib, 3);
  RegisterBeside("BM_Appends100k", kAppends, kPythonAppends, 3);
  return true;
}();

// A generated program of about Bytes bytes, in lines of about LineBytes bytes.
std::string GeneratedSource(std::size_t Bytes, std::size_t LineBytes) {
  std::string S = "var a, b: Integer;\r\nbegin\r\n";
  std::string Line;
  int K = 0;
  while (S.size() < Bytes) {
    Line += "a := a + " + std::to_string(K++ % 97) + "; b := b * 2 - a; ";
    if (Line.size() >= LineBytes) {
      S += Line + "\r\n";
      Line.clear();
    }
  }
  return S + Line + "\r\nend.\r\n";
}

void BM_Compile(benchmark::State& State) {
  Setup();
  const std::size_t Bytes = static_cast<std::size_t>(State.range(0)) << 20;
  const std::size_t LineBytes = static_cast<std::size_t>(State.range(1));
  const std::string Text = GeneratedSource(Bytes, LineBytes);
  double Best = 1e9;
  for (auto _ : State) {
    const double T0 = CpuSeconds();
    TscScript S;
    S.AddRTTI();
    S.Lines.SetText(Text);
    if (!S.Compile()) {
      State.SkipWithError((S.ErrorMsg + " at " + S.ErrorPos).c_str());
      return;
    }
    Best = std::min(Best, CpuSeconds() - T0);
  }
  State.counters["best_s"] = Best;
  State.counters["s_per_MB"] = Best / static_cast<double>(State.range(0));
  State.counters["maxrss_MB"] = MaxRssMB();
}
// Size in MB, line length in bytes: short lines at 1, 2, 4 and 10 MB, and 1 MB in 64 KB lines.
BENCHMARK(BM_Compile)
    ->Args({1, 40})
    ->Args({2, 40})
    ->Args({4, 40})
    ->Args({10, 40})
    ->Args({1, 65536})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_CompileCaseSelectors(benchmark::State& State) {
  Setup();
  std::string Text = "var a, b: Integer;\r\nbegin\r\n  case a of\r\n";
  for (int I = 0; I < State.range(0); ++I) Text += "    " + std::to_string(I) + ": b := " + std::to_string(I) + ";\r\n";
  Text += "  end;\r\nend.\r\n";
  double Best = 1e9;
  for (auto _ : State) {
    const double T0 = CpuSeconds();
    TscScript S;
    S.AddRTTI();
    S.Lines.SetText(Text);
    if (!S.Compile()) {
      State.SkipWithError((S.ErrorMsg + " at " + S.ErrorPos).c_str());
      return;
    }
    Best = std::min(Best, CpuSeconds() - T0);
  }
  State.counters["best_s"] = Best;
  State.counters["us_per_selector"] = Best * 1e6 / static_cast<double>(State.range(0));
}
// Selectors of one case statement: the time per selector stays flat when compiling is linear.
BENCHMARK(BM_CompileCaseSelectors)->Arg(2000)->Arg(8000)->Arg(32000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
