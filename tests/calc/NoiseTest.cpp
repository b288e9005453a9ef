#include "calc/NoiseFunctions.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

// Inputs of the hydrodynamic method, with a 2-inch drilled-hole trim in Sched 40 pipe as the
// starting point of every case.
struct Hydro {
  std::string schedule = "Sched 40";
  int kind = 2;
  int numslots = 0;
  double FL = 0.9, slotlength = 0, slotheight = 0;
  double valvesize = 2, pipediam = 2;
  double ListCv = 50, CalculatedCv = 30, flow = 100;
  double P1a = 100, P2a = 80, VP = 0.5, SG = 1;

  double Run() const {
    return HydrodynamicNoise(schedule, kind, numslots, FL, slotlength, slotheight, valvesize,
                             pipediam, ListCv, CalculatedCv, flow, P1a, P2a, VP, SG);
  }
};

} // namespace

// ---- Hydrodynamic method ----

// Worked by hand, step by step, for the 2-inch hole trim (not cavitating):
//   p1 = 689500 Pa, p2 = 551600 Pa, pv = 3447.5 Pa, m = 6.31 kg/s, rho = 997 kg/m3, FL = 0.92
//   xF = 0.201005, dPc = min(137900, 0.8464 * 686052.5) = 137900
//   xFz = 0.9 / sqrt(1 + 3 * 0.42 * sqrt(30 / (1.17 * 0.92))) = 0.325356, xFzp1 = 0.319750
//   Dj = 0.0046 * 0.42 * sqrt(27.6) = 0.0101499 m, Uvc = sqrt(2 * 137900 / 997) / 0.92 = 18.0785
//   Wm = 872.767 W, eta = 1.29132e-6, Wa = 2.81755e-4 W, Lpi = 146.5953 dB
//   fp = 733.303 Hz, f0 = 30315.2 Hz, TL = -80.4791 dB, level = 50.7800 dB
TEST(HydrodynamicNoise, HoleTrimWithoutCavitationMatchesHandWorkedLevel) {
  EXPECT_NEAR(Hydro{}.Run(), 50.7800, 0.001);
}

// A 3-inch slotted gate, 4 slots of 1 x 0.5 in, at half its rated Cv: the open height is half
// the slot height (0.25 in), which sets Fd = 0.354491, the replaced pipe diameter 0.0286608 m
// and xFz = 0.434310. Sched 80 pipe: Di = 0.0737 m, s = 0.0076 m. Level worked by hand: 55.0932.
TEST(HydrodynamicNoise, SlottedGateAtHalfRatedCvUsesHalfTheSlotHeight) {
  Hydro h;
  h.schedule = "Sched 80";
  h.kind = 1;
  h.numslots = 4;
  h.FL = 0.85;
  h.slotlength = 1.0;
  h.slotheight = 0.5;
  h.valvesize = 3;
  h.pipediam = 3;
  h.ListCv = 60;
  h.CalculatedCv = 30;
  h.flow = 200;
  h.P1a = 150;
  h.P2a = 120;
  EXPECT_NEAR(h.Run(), 55.0932, 0.001);

  // The same trim fully open is a different geometry and a different level.
  h.CalculatedCv = 60;
  EXPECT_GT(std::fabs(h.Run() - 55.0932), 0.5);
}

// Cavitating: P2 = 55 psia gives xF = 0.452261 > xFzp1 = 0.319750. Worked by hand:
//   eta_cav = 1.65013e-6, eta_turb = 1.93698e-6, Wa = 1.76103e-3 W, Lpi = 154.5542
//   fp = 1099.955 Hz, f_cav = 1798.410 Hz, TL = -76.9587
//   cavitation share 250 * f_cav^1.5 / fp^2 * eta_cav / (eta_turb + eta_cav) = 7.24932
//   level = 70.8624 dB
// With the frequencies the other way round (250 * fp^2 / f_cav^1.5) the share would be about
// 2.1e3 and the level some 25 dB higher.
TEST(HydrodynamicNoise, CavitationShareFollowsTheStandardsFrequencyRatio) {
  Hydro h;
  h.P2a = 55;
  EXPECT_NEAR(h.Run(), 70.8624, 0.001);
}

// Strong cavitation in a 4-inch hole trim: the cavitation share 0.012068 is below 1 and, past
// the transition zone, lowers the level: 95.7111 dB worked by hand.
TEST(HydrodynamicNoise, CavitationShareBelowOneLowersTheLevelPastTheTransitionZone) {
  Hydro h;
  h.valvesize = 4;
  h.pipediam = 4;
  h.ListCv = 150;
  h.CalculatedCv = 100;
  h.flow = 800;
  h.P1a = 300;
  h.P2a = 60;
  EXPECT_NEAR(h.Run(), 95.7111, 0.001);
}

// Just past the onset of cavitation the cavitation efficiency is tiny and so is its share; the
// share is held at 1 there, so the level does not fall when cavitation starts.
TEST(HydrodynamicNoise, LevelDoesNotDropAtTheOnsetOfCavitation) {
  Hydro below, above;
  below.P2a = 68.4;  // xF = 0.3176, xFzp1 = 0.3198: not cavitating
  above.P2a = 68.1;  // xF = 0.3206: cavitating, inside the transition zone
  const double lb = below.Run(), la = above.Run();
  ASSERT_GT(lb, 0);
  EXPECT_GE(la, lb);
  EXPECT_LT(la - lb, 0.5);
}

TEST(HydrodynamicNoise, ValveSizeMatchesTheTableWithinRoundingNoise) {
  Hydro exact, single;
  exact.valvesize = 2.5;
  single.valvesize = 2.5 + 1e-7;  // sizes reach us through single precision
  exact.pipediam = single.pipediam = 2.5;
  EXPECT_NEAR(single.Run(), exact.Run(), 0.01);
  EXPECT_NE(exact.Run(), NoiseNotApplicable);
}

TEST(HydrodynamicNoise, SizeWithoutPipeDataFallsBackToThePressureRatioMethod) {
  for (double size : {1.0, 5.0, 10.0, 0.38}) {
    Hydro h;
    h.schedule = "Sched 80";
    h.valvesize = size;
    const double expected =
        LiquidNoiseByPressureRatio(h.P1a - 14.696, h.P2a - 14.696, h.CalculatedCv / h.ListCv * 100,
                                   h.ListCv, Sched40Attenuation("Sched 80", size), 0, 3);
    EXPECT_NEAR(h.Run(), expected, 1e-9) << "size " << size;
    EXPECT_NE(expected, NoiseNotApplicable);
  }
}

TEST(HydrodynamicNoise, InputsTheMethodCannotTakeGiveNotApplicable) {
  struct Case {
    const char* why;
    void (*change)(Hydro&);
  };
  const Case cases[] = {
      {"Sched 120 has no pipe below 4 in",
       [](Hydro& h) { h.schedule = "Sched 120"; }},
      {"inlet at the vapour pressure", [](Hydro& h) { h.VP = h.P1a; }},
      {"inlet below the vapour pressure", [](Hydro& h) { h.VP = 120; }},
      {"outlet at the vapour pressure: fully flashing", [](Hydro& h) { h.P2a = h.VP; }},
      {"outlet below the vapour pressure", [](Hydro& h) { h.P2a = 0.2; }},
      {"no pressure drop", [](Hydro& h) { h.P2a = h.P1a; }},
      {"reverse pressure drop", [](Hydro& h) { h.P2a = 120; }},
      {"no flow", [](Hydro& h) { h.flow = 0; }},
      {"no Cv", [](Hydro& h) { h.CalculatedCv = 0; }},
      {"no specific gravity", [](Hydro& h) { h.SG = 0; }},
      {"no pipe diameter", [](Hydro& h) { h.pipediam = 0; }},
      {"unknown trim kind", [](Hydro& h) { h.kind = 0; }},
      {"slotted trim without slots",
       [](Hydro& h) { h.kind = 1; h.numslots = 0; h.slotlength = 1; h.slotheight = 0.5; }},
      {"slotted trim without rated Cv",
       [](Hydro& h) { h.kind = 1; h.numslots = 4; h.slotlength = 1; h.slotheight = 0.5;
                      h.ListCv = 0; }},
      {"slotted trim with zero FL",
       [](Hydro& h) { h.kind = 1; h.numslots = 4; h.slotlength = 1; h.slotheight = 0.5;
                      h.FL = 0; }},
      {"NaN pressure", [](Hydro& h) { h.P1a = NaN; }},
      {"infinite flow", [](Hydro& h) { h.flow = Inf; }},
      {"fallback size without rated Cv", [](Hydro& h) { h.valvesize = 5; h.ListCv = 0; }},
  };
  for (const Case& c : cases) {
    Hydro h;
    c.change(h);
    EXPECT_EQ(h.Run(), NoiseNotApplicable) << c.why;
  }
}

TEST(HydrodynamicNoise, EveryPipeOfTheTableGivesAFiniteLevel) {
  for (const char* schedule : {"Sched 40", "Sched 80", "Sanitary tubing", "XS", "XXS"})
    for (double size : {1.5, 2.0, 2.5, 3.0, 4.0, 6.0, 8.0}) {
      Hydro h;
      h.schedule = schedule;
      h.valvesize = h.pipediam = size;
      const double level = h.Run();
      EXPECT_TRUE(std::isfinite(level)) << schedule << " " << size;
      EXPECT_NE(level, NoiseNotApplicable) << schedule << " " << size;
    }
  for (double size : {4.0, 6.0, 8.0}) {
    Hydro h;
    h.schedule = "Sched 120";
    h.valvesize = h.pipediam = size;
    EXPECT_NE(h.Run(), NoiseNotApplicable) << "Sched 120 " << size;
  }
}

// ---- Schedule attenuation ----

TEST(Sched40Attenuation, BySizeBand) {
  struct Case {
    const char* schedule;
    double size, expected;
  };
  const Case cases[] = {
      {"Sched 40", 3, 0},   {"Sched 40", 1.95, 0}, {"Sched 80", 0.5, -3},
      {"Sched 80", 1, -5},  {"Sched 80", 1.5, -5}, {"Sched 80", 1.95, -9},
      {"Sched 80", 2, -6},  {"XS", 3, -6},         {"Sched 160", 3.95, -9},
      {"Sched 160", 4, -7}, {"XXS", 5.95, -9},     {"Sched 80", 6, -8},
      {"Sched 80", 8, -8},  {"Sched 80", 10, -9},  {"Sched 80", 12, -9},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Sched40Attenuation(c.schedule, c.size), c.expected) << c.schedule << " " << c.size;
}

// ---- Liquid pressure-ratio method ----

// P1 = 100 psig, P2 = 50 psig: x = 50 / 114.696 = 0.435935; C = 40 * 50 % = 20;
// L4 = log10(20 / 0.0037) / 0.0518 = 72.1067, L5 = log10(20 / 0.002939) / 0.0518 = 74.0365,
// F = L4 + 0.35935 * (L5 - L4) = 72.7561; level = F + 8.74 ln 114.696 - 40.4 - 6 = 67.8034
TEST(LiquidNoiseByPressureRatio, InterpolatesBetweenTheRatioCurves) {
  EXPECT_NEAR(LiquidNoiseByPressureRatio(100, 50, 50, 40, -6, 0, 3), 67.8034, 0.001);
}

TEST(LiquidNoiseByPressureRatio, RatioBandsAndLimits) {
  const double base = 8.74 * std::log(100.0) - 40.4;  // P1 = 85.304 psig is 100 psia
  struct Case {
    const char* why;
    double P1, P2, expected;
  };
  const Case cases[] = {
      // x = 0.9 exactly: no curve applies, the level is the pressure term alone
      {"ratio exactly 0.9", 85.304, -4.696, base},
      {"ratio above 0.9", 85.304, -5.0, NoiseRatioAboveLimit},
      {"outlet at full vacuum", 85.304, -14.696, NoiseRatioAboveLimit},
      // x = 0.05: the first curve, log10(20 / 0.01963) / 0.0498 = 60.4039
      {"ratio below 0.1", 85.304, 80.304, 60.4039 + base},
      // x <= 0: no curve
      {"no pressure drop", 85.304, 85.304, base},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(LiquidNoiseByPressureRatio(c.P1, c.P2, 50, 40, 0, 0, 3), c.expected, 0.001)
        << c.why;
}

TEST(LiquidNoiseByPressureRatio, CurveBoundariesJoinWithoutAStep) {
  // Within each band the level is interpolated, so it is continuous across band edges.
  for (int k = 1; k <= 8; ++k) {
    const double P1 = 85.304;  // 100 psia
    const double x = 0.1 * k;
    const double lo = LiquidNoiseByPressureRatio(P1, P1 - 100 * (x - 1e-9), 50, 40, 0, 0, 3);
    const double hi = LiquidNoiseByPressureRatio(P1, P1 - 100 * (x + 1e-9), 50, 40, 0, 0, 3);
    EXPECT_NEAR(lo, hi, 1e-4) << "x = " << x;
  }
}

TEST(LiquidNoiseByPressureRatio, ZeroPercentIsTakenAsATinyOpening) {
  EXPECT_NEAR(LiquidNoiseByPressureRatio(100, 50, 0, 40, 0, 0, 3),
              LiquidNoiseByPressureRatio(100, 50, 0.001, 40, 0, 0, 3), 1e-12);
}

TEST(LiquidNoiseByPressureRatio, InputsTheMethodCannotTakeGiveNotApplicable) {
  struct Case {
    const char* why;
    double P1, P2, pct, ListCv, divisor;
  };
  const Case cases[] = {
      {"inlet at full vacuum", -14.696, -14.696, 50, 40, 3},
      {"no rated Cv", 100, 50, 50, 0, 3},
      {"negative opening", 100, 50, -10, 40, 3},
      {"NaN opening (Cv over a zero rated Cv)", 100, 50, NaN, 40, 3},
      {"infinite opening", 100, 50, Inf, 40, 3},
      {"zero divisor", 100, 50, 50, 40, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LiquidNoiseByPressureRatio(c.P1, c.P2, c.pct, c.ListCv, 0, 0, c.divisor),
              NoiseNotApplicable)
        << c.why;
}

// ---- Gas and steam method ----

// Sched 80 at 2 in (A = -5), Cv 20, 100 -> 40 psig: r = 0.6, K = 760,
// L1 = 16.8 log10 0.6 + 17.7 = 13.9729; level = 17 log10 60 + 60 + 23 log10 760 - 85 + L1 - 5
// + 10 log10(29 / 12) - 10 log10 3 = 79.5212
TEST(NoiseWithPipeTables, HandWorkedLevel) {
  EXPECT_NEAR(NoiseWithPipeTables("Sched 80", 2, 20, 100, 40), 79.5212, 0.001);
}

TEST(NoiseWithPipeTables, ScheduleCorrectionAndSmallRatios) {
  // r = 0.05: 16.8 log10 0.05 + 17.7 < 0, so L1 = 0; 0.38 in Sched 80: A = -4.5;
  // K = 35 * 20 (size not above 1): 46.8807 dB
  EXPECT_NEAR(NoiseWithPipeTables("Sched 80", 0.38, 20, 100, 95), 46.8807, 0.001);
  // The session holds 0.38 in single precision; it still finds its correction.
  EXPECT_NEAR(NoiseWithPipeTables("Sched 80", static_cast<float>(0.38), 20, 100, 95), 46.8807,
              0.001);
  // Corrections relative to Sched 40 at 4 in.
  const double s40 = NoiseWithPipeTables("Sched 40", 4, 50, 200, 50);
  EXPECT_NEAR(NoiseWithPipeTables("Sched 120", 4, 50, 200, 50) - s40, -8.5, 1e-9);
  EXPECT_NEAR(NoiseWithPipeTables("Sched 160", 4, 50, 200, 50) - s40, -11.5, 1e-9);
  EXPECT_NEAR(NoiseWithPipeTables("Sched 160", 2, 50, 200, 50) -
                  NoiseWithPipeTables("Sched 40", 2, 50, 200, 50), -11.5, 1e-9);
  EXPECT_NEAR(NoiseWithPipeTables("XXS", 4, 50, 200, 50) - s40, 0, 1e-9);
  // 8 in is not in the correction table.
  EXPECT_NEAR(NoiseWithPipeTables("Sched 80", 8, 50, 200, 50) -
                  NoiseWithPipeTables("Sched 40", 8, 50, 200, 50), 0, 1e-9);
}

TEST(NoiseWithPipeTables, InputsTheMethodCannotTakeGiveNotApplicable) {
  struct Case {
    const char* why;
    double Cv, P1, P2;
  };
  const Case cases[] = {
      {"inlet at 0 psig", 20, 0, -5},       {"inlet below 0 psig", 20, -3, -5},
      {"no pressure drop", 20, 100, 100},   {"reverse pressure drop", 20, 100, 120},
      {"no Cv", 0, 100, 50},                {"NaN Cv", NaN, 100, 50},
      {"infinite inlet", 20, Inf, 50},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NoiseWithPipeTables("Sched 40", 2, c.Cv, c.P1, c.P2), NoiseNotApplicable) << c.why;
}

// ---- Grid texts ----

TEST(NoiseText, LiquidAndGasCells) {
  EXPECT_EQ(LiquidNoiseText(NoiseRatioAboveLimit), "NA (ΔP/P1 > 0.9)");
  EXPECT_EQ(LiquidNoiseText(NoiseNotApplicable), "NA");
  EXPECT_EQ(LiquidNoiseText(NaN), "NA");
  EXPECT_EQ(LiquidNoiseText(74.9), "< 75");
  EXPECT_EQ(LiquidNoiseText(-12), "< 75");
  EXPECT_EQ(LiquidNoiseText(75), "75");
  EXPECT_EQ(LiquidNoiseText(95.71), "96");
  EXPECT_EQ(GasNoiseText(NoiseNotApplicable), "NA");
  EXPECT_EQ(GasNoiseText(Inf), "NA");
  EXPECT_EQ(GasNoiseText(69.99), "< 70");
  EXPECT_EQ(GasNoiseText(70), "70");
  EXPECT_EQ(GasNoiseText(79.5212), "80");
}

TEST(NoiseText, ResultsOfEachMethodAsShown) {
  EXPECT_EQ(LiquidNoiseText(Hydro{}.Run()), "< 75");
  Hydro cav;
  cav.valvesize = cav.pipediam = 4;
  cav.ListCv = 150;
  cav.CalculatedCv = 100;
  cav.flow = 800;
  cav.P1a = 300;
  cav.P2a = 60;
  EXPECT_EQ(LiquidNoiseText(cav.Run()), "96");
  Hydro sched120;
  sched120.schedule = "Sched 120";
  EXPECT_EQ(LiquidNoiseText(sched120.Run()), "NA");
  EXPECT_EQ(LiquidNoiseText(LiquidNoiseByPressureRatio(85.304, -5, 50, 40, 0, 0, 3)),
            "NA (ΔP/P1 > 0.9)");
  EXPECT_EQ(LiquidNoiseText(LiquidNoiseByPressureRatio(100, 50, 50, 40, -6, 0, 3)), "< 75");
  EXPECT_EQ(LiquidNoiseText(LiquidNoiseByPressureRatio(500, 100, 100, 400, 0, 0, 3)), "121");
  EXPECT_EQ(GasNoiseText(NoiseWithPipeTables("Sched 80", 2, 20, 100, 40)), "80");
  EXPECT_EQ(GasNoiseText(NoiseWithPipeTables("Sched 80", 0.38, 20, 100, 95)), "< 70");
  EXPECT_EQ(GasNoiseText(NoiseWithPipeTables("Sched 40", 2, 20, 100, 120)), "NA");
}
