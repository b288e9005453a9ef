// Memo text layout: wrapping and measuring 10,000 lines of 80 characters (target: under 20 ms
// on one core). Glyph advances are cached per face and size, so this measures the layout.
#include <benchmark/benchmark.h>

#include <string>

#include "report/engine/repDrawText.h"

namespace {

TrepWideStrings& Memo(bool Tags) {
  static TrepWideStrings Plain, Tagged;
  TrepWideStrings& L = Tags ? Tagged : Plain;
  if (L.Count() == 0) {
    const std::u16string Words[] = {u"valve", u"trim", u"flow", u"coefficient", u"pressure", u"drop", u"at",
                                    u"the", u"outlet", u"of", u"a", u"globe"};
    for (int I = 0; I < 10000; ++I) {
      std::u16string Line;
      for (int W = I; Line.size() < 80; ++W) {
        if (Tags && W % 7 == 0) Line += u"<b>" + Words[W % 12] + u"</b> ";
        else Line += Words[W % 12] + u" ";
      }
      L.Add(Line.substr(0, Tags ? Line.size() : 80));
    }
  }
  return L;
}

void Layout(benchmark::State& State, bool Tags) {
  TrepDrawText D;
  gfx::TFont F;
  F.SetName("Arial");
  F.SetSize(10);
  const gfx::TRect R{0, 0, 250, 100000};
  TrepWideStrings& Text = Memo(Tags);
  {  // fonts are found and loaded once per process, not per layout
    TrepDrawText::TLock Lock;
    D.SetFont(F);
    D.SetText(u"warm up <b>bold</b>");
    D.CalcWidth();
  }
  for (auto _ : State) {
    TrepDrawText::TLock Lock;
    D.SetFont(F);
    D.SetOptions(true, Tags, false, false, false, true, 0);
    D.SetGaps(0, 0, 0);
    D.SetDimensions(1, 1, 1, R, R);
    D.SetText(Text);
    benchmark::DoNotOptimize(D.CalcHeight());
    benchmark::DoNotOptimize(D.CalcWidth());
  }
  State.counters["lines"] = D.LineCount();
}

void BM_WrapAndMeasure10000Lines(benchmark::State& State) { Layout(State, false); }
void BM_WrapAndMeasure10000TaggedLines(benchmark::State& State) { Layout(State, true); }

}  // namespace

BENCHMARK(BM_WrapAndMeasure10000Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WrapAndMeasure10000TaggedLines)->Unit(benchmark::kMillisecond);
