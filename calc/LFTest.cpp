#include "calc/LFTest.h"

#include <cmath>

#include "calc/LowFlowUnit.h"
#include "calc/MiscCalcs.h"
#include "calc/utilities.h"
#include "webapp/ServerController.h"

using checked::Div;
using checked::Finite;
using checked::Sqrt;

namespace {

constexpr double kAtm = 14.696;
constexpr double kRankine = 459.69;
constexpr double kWaterDensity = 62.371;  // lb/ft3 at SG 1
constexpr double kXt = 0.77;              // xT of every low-flow trim
constexpr double N6 = 63.3;
constexpr double N7 = 1360;
constexpr double kN6Choked = 42.2211;  // N6 at Y = 0.667
constexpr double kYChokedSizing = 0.667;
constexpr double kYChokedRating = 0.67;
constexpr int kMaxPasses = 1001;
constexpr int kMaxPassesChokedSteam = 50;

void RequireChokedRatio(double xChoke) {
  if (xChoke == 0) checked::ZeroDivide("the choked pressure-drop ratio (specific heat ratio)");
}

} // namespace

TLowFlowdata LowFlowCalc(const TLowFlowParams& p) {
  TLowFlowdata r;
  LowFlowCalc(p.CalcforCv, p.Fluid, r, p.Compress, p.InTemp, p.SpecHeat, p.Cv, p.Sg, p.QQ, p.P1, p.P2, p.VP, p.CP,
              p.Visc, p.FMF, p.PMF);
  return r;
}

void LowFlowCalc(bool CalcforCv, int Fluid, TLowFlowdata& result, double Compress, double InTemp,
                 double SpecHeat, double Cv, double Sg, double QQ, double P1, double P2, double VP,
                 double CP, double Visc, double FMF, double PMF) {
  (void)PMF;
  TIWUserSession* session = UserSession();
  Finite(P1, "the inlet pressure");
  Finite(P2, "the outlet pressure");
  Finite(Sg, "the specific gravity");
  Finite(FMF, "the flow unit factor");
  Finite(QQ, "the flow");
  if (!CalcforCv) Finite(Cv, "the nominal Cv");
  if (Fluid == 1) {
    Finite(VP, "the vapour pressure");
    Finite(CP, "the critical pressure");
  } else if (Fluid == 2) {
    Finite(SpecHeat, "the specific heat ratio");
    Finite(Compress, "the compressibility");
    Finite(InTemp, "the inlet temperature");
  }
  if (Fluid != 3) Finite(Visc, "the viscosity");

  TLowFlowdata r;
  double Q = QQ * FMF;

  // Same pressure limits as the gate and globe calculation.
  const double offset = session->GageP ? kAtm : 0;
  if (P1 < 0) P1 = 100;
  if (Fluid == 3 && P1 > 3208 - offset) P1 = 3208 - offset;
  if (Fluid == 1 && VP > P1 + kAtm) P1 = VP - kAtm + 1;
  if (P2 >= P1) P2 = P1 - 1;
  const double dP = P1 - P2;
  const double P1a = P1 + kAtm;
  const double rho = kWaterDensity * Sg;

  // Fluid terms shared by both modes.
  double mu = Visc, k = SpecHeat, rhoS = 0, T = 0, x = dP / P1a, xChoke = 0, head = 0;
  bool choked = false;
  if (Fluid == 1) {
    const double FF = 0.96 - 0.28 * Sqrt(Div(VP, CP, "the critical pressure"), "vapour pressure / critical pressure");
    head = P1a - FF * VP;  // choke drop with FL = 1
    choked = head <= dP;
  } else {
    if (Fluid == 2) {
      T = InTemp + kRankine;
    } else {
      mu = SteamViscosityByPressure(P1a);
      k = SteamKFactor(P1a);
      rhoS = LowFlowSteamProperty(P1a);
    }
    xChoke = k * kXt / 1.4;
    choked = x > xChoke;
  }

  bool noTrim = false;
  if (CalcforCv) {
    double C;
    if (Fluid == 1) {
      C = Div(Q, Sqrt(Div(dP, Sg, "the specific gravity"), "pressure drop / specific gravity"), "the liquid head term");
      if (choked) C = Q * Sqrt(Div(Sg, head, "the choked pressure term"), "specific gravity / choked pressure term");
    } else if (Fluid == 2) {
      if (choked) {
        x = xChoke;
        RequireChokedRatio(x);
        r.FlowWarning = "*Choked Flow";
        C = Div(Q, N7 * P1a * kYChokedSizing * GasTerm(x, Sg, T, Compress), "the gas flow term");
      } else {
        const double Y = 1 - x / (3 * xChoke);
        C = Div(Q, N7 * P1a * Y * GasTerm(x, Sg, T, Compress), "the gas flow term");
      }
    } else {
      if (choked) {
        x = xChoke;
        RequireChokedRatio(x);
        r.FlowWarning = "*Choked Flow";
        C = Div(Q, kN6Choked * SteamTerm(x, P1a, rhoS), "the steam flow term");
      } else {
        const double Y = 1 - x / (3 * xChoke);
        C = Div(Q, N6 * Y * SteamTerm(x, P1a, rhoS), "the steam flow term");
      }
    }
    const TLowFlowFactors FR = LowFlowReynoldsFactors(Fluid, Q, rho, mu);
    noTrim = !SelectLowFlowTrim(C, FR, r);
    r.CalcCv = Finite(C, "the calculated Cv");
  } else {
    const double Ct = LowFlowCvTolerance(Cv);
    // Flow through one unit of Cv, in base units.
    double perCv;
    double bandCv = 0;
    if (Fluid == 1) {
      perCv = choked ? Sqrt(Div(head, Sg, "the specific gravity"), "choked pressure term / specific gravity")
                     : Sqrt(Div(dP, Sg, "the specific gravity"), "pressure drop / specific gravity");
    } else if (Fluid == 2) {
      // The ratio is not limited when rating a gas trim; only Y takes its choked value.
      const double Y = choked ? kYChokedRating : 1 - x / (3 * xChoke);
      perCv = N7 * P1a * Y * GasTerm(x, Sg, T, Compress);
    } else {
      // The trim band follows the Cv the given flow needs. Choked, that Cv is formed with the
      // same choked term as the flow itself (Y 0.67 on the full ratio), as for a gas.
      if (choked) r.FlowWarning = "*Choked Flow";
      const double Y = choked ? kYChokedRating : 1 - x / (3 * xChoke);
      perCv = N6 * Y * SteamTerm(x, P1a, rhoS);
      bandCv = Div(Q, perCv, "the steam flow term");
    }
    const double sgOverHead =
        Fluid == 1 && choked ? Sqrt(Div(Sg, head, "the choked pressure term"), "specific gravity / choked pressure term") : 0;
    Q = perCv * Ct;  // W for steam

    const int maxPasses = Fluid == 3 && choked ? kMaxPassesChokedSteam : kMaxPasses;
    for (int passes = 0; passes < maxPasses;) {
      double F = 0;
      if (Q > 0) {
        const TLowFlowFactors FR = LowFlowReynoldsFactors(Fluid, Q, rho, mu);
        if (Fluid == 3) {
          noTrim = !SelectLowFlowTrim(bandCv, FR, r);
          F = r.FR;
        } else {
          F = FactorByCvBand(Cv, FR);
        }
      }
      if (Fluid == 1) session->DebugvalOld = F;
      // The factor falls to 0 with the flow: no flow through this trim meets the service.
      if (!(F > 0)) {
        r.FlowWarning = "Larger Cv req.";
        break;
      }
      double required;
      if (Fluid == 1) required = choked ? Q / F * sgOverHead : Q / F / perCv;
      else required = Q / F / perCv;
      const double ratio = required / Ct;
      Q *= PressureRatioFactor(ratio);
      ++passes;
      if (ratio < 1.001) break;
    }
    r.flow = Finite(Div(Q, FMF, "the flow unit factor"), "the calculated flow");
  }
  if (noTrim) r.FlowWarning = "Not Low Flow";
  result = r;
}
