// One operating point in Cv mode per fluid, and a 21-point chart run.
#include <benchmark/benchmark.h>

#include <memory>

#include "calc/MiscCalcs.h"
#include "platform/web/Application.h"
#include "webapp/ServerController.h"

namespace {

struct Session {
  Session() {
    app.SetData(std::make_unique<TIWUserSession>());
    UserSession()->GageP = true;
    UserSession()->ValveID = 2;
    UserSession()->NonAmbientData.Superheatfactor = 1;
  }
  web::TIWApplication app;
  web::TCurrentApplicationScope scope{&app};
};

void Fill(TCvCalc& c, int fluid, double flow) {
  c.Fluid = fluid;
  c.P1 = 100;
  c.P2 = fluid == 1 ? 80 : 40;
  c.Flow = flow;
  c.TabFe = 0.9;
  c.ListCv = 50;
  c.ValveSize = 2;
  c.UpDiam = 3;
  c.DownDiam = 3;
  c.InTemp = 60;
  c.SG = 1;
  c.Visc = 1;
  c.VP = 0.26;
  c.CP = 3206;
  c.SpecHeat = 1.4;
  c.Compress = 1;
}

void CvMode(benchmark::State& state, int fluid, double flow) {
  Session s;
  for (auto _ : state) {
    TCvCalc c;
    Fill(c, fluid, flow);
    c.CalculateCv();
    benchmark::DoNotOptimize(c.CalculatedCv);
  }
}

void BM_CalculateCvLiquid(benchmark::State& state) { CvMode(state, 1, 100); }
void BM_CalculateCvGas(benchmark::State& state) { CvMode(state, 2, 10000); }
void BM_CalculateCvSteam(benchmark::State& state) { CvMode(state, 3, 1000); }

void Chart(benchmark::State& state, int fluid, bool eq) {
  Session s;
  for (auto _ : state) {
    TCvCalc c;
    Fill(c, fluid, 0);
    c.Graphresult = true;
    c.SetGraphcount(20);
    c.SetEQCv(eq);
    c.CalculateCv();
    benchmark::DoNotOptimize(UserSession()->Mingraphflow.data());
  }
}

void BM_Chart21LiquidLinear(benchmark::State& state) { Chart(state, 1, false); }
void BM_Chart21LiquidEqualPercentage(benchmark::State& state) { Chart(state, 1, true); }
void BM_Chart21Gas(benchmark::State& state) { Chart(state, 2, true); }
void BM_Chart21Steam(benchmark::State& state) { Chart(state, 3, true); }

} // namespace

BENCHMARK(BM_CalculateCvLiquid);
BENCHMARK(BM_CalculateCvGas);
BENCHMARK(BM_CalculateCvSteam);
BENCHMARK(BM_Chart21LiquidLinear);
BENCHMARK(BM_Chart21LiquidEqualPercentage);
BENCHMARK(BM_Chart21Gas);
BENCHMARK(BM_Chart21Steam);
