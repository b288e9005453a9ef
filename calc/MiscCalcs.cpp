#include "calc/MiscCalcs.h"

#include <cmath>
#include <iterator>

#include "calc/utilities.h"
#include "platform/rt/Classes.h"
#include "platform/rt/SysUtils.h"
#include "webapp/ServerController.h"

using checked::Div;
using checked::Pow;
using checked::Sqrt;

namespace {

constexpr double kAtm = 14.696;      // psi added to gauge pressures
constexpr double kRankine = 459.69;  // degF to degR
constexpr double N2 = 890;
constexpr double N6 = 63.3;
constexpr double N7 = 1360;
constexpr double kN6Choked = 42.2211;  // N6 at Y = 0.667
constexpr double kYChoked = 0.667;
// SCFH to actual ft3/h at a pressure and temperature, over the ft3/h in one gpm.
constexpr double kGpmPerCfh = 8.0208542;

// The diary of a liquid sizing is for diagnosis only; it is trimmed so that a long-lived
// session does not keep every pass it ever calculated.
constexpr int kDebugListKeep = 500;

const double kGateStyleTerm = std::pow(0.7, 0.667);

struct TablePoint {
  double P, v;
};

// Specific-heat ratio of steam by pressure, psia.
constexpr TablePoint kSteamK[] = {
    {0, 1.327},    {100, 1.304},  {200, 1.295},  {300, 1.292},  {400, 1.286},  {500, 1.276},
    {600, 1.272},  {700, 1.268},  {800, 1.263},  {900, 1.259},  {1000, 1.258}, {1100, 1.257},
    {1200, 1.256}, {1300, 1.254}, {1400, 1.253}, {1500, 1.252}, {1600, 1.252}, {1700, 1.251},
    {1800, 1.251}, {1900, 1.25},  {2000, 1.25},  {2100, 1.25},  {2200, 1.25},  {2300, 1.25},
    {2400, 1.25},  {2500, 1.25},  {2600, 1.25},  {2700, 1.25},  {2800, 1.25},  {2900, 1.25},
    {3000, 1.25},  {3208.2, 1.25}};

// Specific volume of saturated steam, ft3/lb, by pressure, psia.
constexpr TablePoint kSteamVolume[] = {
    {1000, 0.44596}, {1050, 0.42224}, {1100, 0.40058}, {1150, 0.38073}, {1200, 0.36245},
    {1250, 0.34556}, {1300, 0.32991}, {1350, 0.31536}, {1400, 0.30178}, {1450, 0.28909},
    {1500, 0.27719}, {1600, 0.25545}, {1700, 0.23607}, {1800, 0.21861}, {1900, 0.20278},
    {2000, 0.18831}, {2100, 0.17501}, {2200, 0.16272}, {2300, 0.15133}, {2400, 0.14076},
    {2500, 0.13068}, {2600, 0.1211},  {2700, 0.11194}, {2800, 0.10305}, {2900, 0.0942},
    {3000, 0.085},   {3100, 0.07452}, {3200, 0.05663}, {3208.2, 0.05078}};

// Value between the first table pressure above P and the one before it; at and beyond the
// critical point the last row holds.
template <std::size_t N>
double TableLookup(const TablePoint (&t)[N], double P) {
  for (std::size_t i = 1; i < N; ++i)
    if (t[i].P > P) return Interpolate(t[i - 1].P, t[i].P, t[i - 1].v, t[i].v, P);
  return t[N - 1].v;
}

double BlendRatio(TValvestyle style) {
  switch (style) {
    case TValvestyle::BPRV: return 0.5;
    case TValvestyle::Piloted: return 0.2;
    case TValvestyle::PRV: return 0.4;
    case TValvestyle::DCV: break;
  }
  return 0;  // no style adjustment: the catalogue recovery factor stands
}

// sqrt(dP / SG), the liquid head term.
double LiquidHead(double dP, double SG) {
  return Sqrt(Div(dP, SG, "the specific gravity"), "pressure drop / specific gravity");
}

// The choked ratio k/1.4 xT is what the choked equations divide by in the end.
void RequireChokedRatio(double x) {
  if (x == 0) checked::ZeroDivide("the choked pressure-drop ratio (specific heat ratio or recovery factor)");
}

} // namespace

double GasTerm(double x, double SG, double T, double Z) {
  if (SG == 0) checked::ZeroDivide("the gas specific gravity");
  if (T == 0) checked::ZeroDivide("the absolute temperature");
  if (Z == 0) checked::ZeroDivide("the compressibility");
  return Sqrt(x / (SG * T * Z), "a negative gas specific gravity, absolute temperature or compressibility");
}

double SteamTerm(double x, double P1a, double rho1) {
  return Sqrt(x * P1a * rho1, "pressure-drop ratio x inlet pressure x steam density");
}

double SteamTableFactor(double P) {
  if (P < 1000 || P > 3208.2) return 1.0;
  return TableLookup(kSteamK, P);
}

double SteamProperty(double P) {
  if (P < 1000) return SteamDensityPolynomial(P);
  return 1 / TableLookup(kSteamVolume, P);
}

double SteamKPolynomial(double P) {
  return 1.327 - 3.404 * 1e-4 * P + 1.34 * 1e-6 * P * P - 2.4 * 1e-9 * P * P * P +
         1.35 * 1e-12 * P * P * P * P;
}

double SteamDensityPolynomial(double P) {
  if (P < 9) return 1.31 * 1e-4 + 2.89 * 1e-3 * P - 5.08 * 1e-5 * P * P + 2.05 * 1e-6 * P * P * P;
  if (P < 150)
    return 1.82 * 1e-3 + 2.47 * 1e-3 * P - 4.17 * 1e-6 * P * P + 2.43 * 1e-8 * P * P * P -
           5.63 * 1e-11 * P * P * P * P;
  return 3.24 * 1e-3 + 2.26 * 1e-3 * P - 6.17 * 1e-7 * P * P + 9.42 * 1e-10 * P * P * P -
         3.51 * 1e-13 * P * P * P * P;
}

Trampresults SolveOperatingPoint(TValvestyle style, bool CvMode, int fluid, double UpDiam,
                                 double DownDiam, double TabFe, double P1a, double P2a,
                                 double Q, double VP, double CP, double rho1, double Z, double T,
                                 float d, double ListCv, double C, double SG, double k,
                                 int ValveID) {
  (void)UpDiam, (void)DownDiam, (void)d, (void)ListCv;
  const double base = fluid == 1 ? 0.88 : 0.9;
  const double FL = TabFe > 0.88 ? TabFe : TabFe + (base - TabFe) * BlendRatio(style);
  const double dP = P1a - P2a;
  Trampresults r;
  double xT = 0;
  if (fluid == 1) {
    const double FF = 0.96 - 0.28 * Sqrt(Div(VP, CP, "the critical pressure"), "vapour pressure / critical pressure");
    const double head = P1a - FF * VP;
    r.Dpm = FL * FL * head;
    if (r.Dpm > dP) {
      if (CvMode) C = Div(Q, LiquidHead(dP, SG), "the liquid head term");
      else Q = C * LiquidHead(dP, SG);
    } else {
      if (CvMode) C = Div(Q, FL, "the recovery factor FL") * Sqrt(Div(SG, head, "the choked pressure term"), "specific gravity / choked pressure term");
      else Q = FL * C * Sqrt(Div(head, SG, "the specific gravity"), "choked pressure term / specific gravity");
      r.Warning = VP > P2a ? "Flashing" : "Cavitating";
    }
  } else {
    const double x0 = dP / P1a;
    xT = FL * FL * (fluid == 2 && ValveID == 1 ? 0.86 : 0.84);
    const double xChoke = k / 1.4 * xT;
    double x = x0, Y;
    if (x0 > xChoke) {
      r.Warning = "*Sonic";
      x = xChoke;
      RequireChokedRatio(x);
      Y = kYChoked;
    } else {
      Y = 1 - x / (3 * xChoke);
    }
    r.Dpm = x * P1a;
    if (fluid == 2) {
      const double term = N7 * P1a * Y * GasTerm(x, SG, T, Z);
      if (CvMode) C = Div(Q, term, "the gas flow term");
      else Q = term * C;
    } else {
      const double term = (x0 > xChoke ? kN6Choked : N6 * Y) * SteamTerm(x, P1a, rho1);
      if (CvMode) C = Div(Q, term, "the steam flow term");
      else Q = term * C;
    }
  }
  r.Prf = FL;
  r.Xt = xT;
  r.Cv = C;
  r.Flow = Q;
  return r;
}

double PipingGeometryFactor(float d, double UpDiam, double DownDiam, double C) {
  const double r1 = Div(d, UpDiam, "the inlet pipe diameter");
  const double r2 = Div(d, DownDiam, "the outlet pipe diameter");
  const double a1 = 1 - r1 * r1, a2 = 1 - r2 * r2;
  const double K1 = 0.5 * a1 * a1;
  const double K2 = a2 * a2;
  const double KB1 = 1 - r1 * r1 * r1 * r1;
  const double KB2 = 1 - r2 * r2 * r2 * r2;
  const double sumK = K1 + K2 + KB1 - KB2;
  if (sumK == 0) return 1;  // line-size fittings
  const double cd = Div(C, static_cast<double>(d) * d, "the valve size");
  return Pow(1 + sumK / N2 * cd * cd, -0.5, "the piping geometry term");
}

// ---------------------------------------------------------------------------------------------

struct TCvCalc::Pass {
  double Q;   // base flow (gpm, SCFH or lb/h)
  double C;   // working Cv
  double P1a, P2a, dP;
  double T;   // degR
  double diaryCv = 0;
  std::string diaryLine;
};

TCvCalc::TCvCalc() {
  SetGraphcount(4);
  SetEQCv(false);
}

void TCvCalc::SetGraphcount(std::uint8_t v) {
  FGraphcount = v;
  UserSession()->Graphcount = v;
}

void TCvCalc::CalculateCv() {
  TIWUserSession* session = UserSession();
  SGstyle = TValvestyle::PRV;
  ValveID = session->ValveID;

  using checked::Finite;
  Finite(P1, "the inlet pressure");
  Finite(P2, "the outlet pressure");
  Finite(Flow, "the flow");
  Finite(FMF, "the flow unit factor");
  Finite(SG, "the specific gravity");
  Finite(TabFe, "the recovery factor");
  Finite(ListCv, "the rated Cv");
  Finite(UpDiam, "the inlet pipe diameter");
  Finite(DownDiam, "the outlet pipe diameter");
  Finite(ValveSize, "the valve size");
  Finite(InTemp, "the inlet temperature");
  if (Fluid == 1) {
    Finite(VP, "the vapour pressure");
    Finite(CP, "the critical pressure");
    Finite(Visc, "the viscosity");
  } else if (Fluid == 2) {
    Finite(SpecHeat, "the specific heat ratio");
    Finite(Compress, "the compressibility");
  }
  const double superheat = Finite(session->NonAmbientData.Superheatfactor, "the superheat factor");

  Pass p;
  p.Q = Flow * FMF;
  if (VP == 0) VP = 0.0001;
  if (CP == 0) CP = 0.0001;
  p.T = InTemp + kRankine;

  // Pressure limits. The steam ceiling keeps the gauge/absolute offset it has always had;
  // the vapour-pressure floor compares absolute with absolute whichever way P was entered.
  const double offset = session->GageP ? kAtm : 0;
  double p1 = P1, p2 = P2;
  if (p1 < 0) p1 = 100;
  if (Fluid == 3 && p1 > 3208 - offset) p1 = 3208 - offset;
  if (Fluid == 1 && VP > p1 + kAtm) p1 = VP - kAtm + 1;
  if (p2 >= p1) p2 = p1 - 1;

  p.P1a = p1 + kAtm;
  p.P2a = p2 + kAtm;
  p.dP = p.P1a - p.P2a;
  fDPoverP1 = p.dP / p.P1a;

  session->ListCv = ListCv;
  double step = 0;
  if (Graphresult) step = Div(ListCv, FGraphcount, "the number of chart intervals");
  else FGraphcount = 1;

  double C = ListCv;
  for (int i = 0; i <= FGraphcount; ++i) {
    if (Graphresult) {
      CalcforCv = false;
      if (i == 0) C = 0;
      else if (EQCv) C = CvAtTravel(100.0 * i / FGraphcount, ListCv);
      else C = C + step;
    }
    p.C = C;
    GVF = 1;
    GVFp1 = 1;
    Prf = TabFe;
    if (Fluid == 1) LiquidPass(p);
    else if (Fluid == 2) GasPass(p);
    else SteamPass(p);

    if (CalcforCv && CalculatedCv > ListCv) FlowWarning = "Valve capacity exceeded";
    if (CalcforCv) CalculatedCv = CalculatedCv * superheat;
    else Flow = Div(Flow, superheat, "the superheat factor");
    Finite(CalculatedCv, "the calculated Cv");
    Finite(Flow, "the calculated flow");
    Finite(Dpm, "the maximum pressure drop");
    Finite(fDPoverP1, "the pressure ratio");
    Finite(Prf, "the recovery factor");
    Finite(Xt, "the pressure differential ratio factor");
    Finite(GVFp1, "the inlet density term");
    Finite(GVF, "the outlet density term");
    Finite(SpecHeat, "the specific heat ratio");

    if (!Graphresult) {
      if (MNM == 0) session->MinCalcCv = CalculatedCv;
      else if (MNM == 1) session->NormCalcCv = CalculatedCv;
      else session->MaxCalcCv = CalculatedCv;
    } else {
      std::vector<double>& g = MNM == 0   ? session->Mingraphflow
                               : MNM == 1 ? session->Normgraphflow
                                           : session->Maxgraphflow;
      g.resize(static_cast<std::size_t>(FGraphcount) + 1);
      g[i] = Flow;
    }
  }
}

void TCvCalc::LiquidPass(Pass& p) {
  const float d = ValveSize;
  const double FF = 0.96 - 0.28 * Sqrt(Div(VP, CP, "the critical pressure"), "vapour pressure / critical pressure");
  const double head = p.P1a - FF * VP;  // pressure available to a choked liquid
  double FL = Prf;
  const double dPch = FL * FL * head;   // catalogue choke drop, kept for the piping test
  Dpm = dPch;
  // Valve style modifier Fd (0.7 for a sliding gate) to the power 0.667.
  const double FdTerm = ValveID == 1 ? kGateStyleTerm : 1.0;
  const bool choked = !(dPch > p.dP);

  // Style modifier and recovery factor of the Reynolds-number correction.
  auto Fs = [&](double cv) {
    const double d4 = static_cast<double>(d) * d * d * d;
    return Div(FdTerm, Pow(FL, 0.333, "the recovery factor FL"), "the recovery factor FL") *
           Pow(Div(FL * FL * cv * cv, N2 * d4, "the valve size") + 1, 1.0 / 6, "the Reynolds-number term");
  };

  if (CalcforCv) {
    const double Q = p.Q;
    double C = Div(Q, LiquidHead(p.dP, SG), "the liquid head term");
    TIWUserSession* session = UserSession();
    StringList& diary = session->DebugList;
    if (diary.Count() >= 2 * kDebugListKeep) {
      rt::TStringList recent;
      for (int i = diary.Count() - kDebugListKeep; i < diary.Count(); ++i) recent.Add(diary->Strings(i));
      diary.Assign(recent);
    }
    // Both passes of a plain calculation start from the same Cv: format it once.
    if (p.diaryLine.empty() || p.diaryCv != C) {
      p.diaryCv = C;
      p.diaryLine = "_______________Initial TempCv  =" + rt::FloatToStr(C);
    }
    diary.Add(p.diaryLine);
    if (!choked) FlowWarning.clear();
    else C = Div(Q, FL, "the recovery factor FL") * Sqrt(Div(SG, head, "the choked pressure term"), "specific gravity / choked pressure term");

    const Trampresults r = SolveOperatingPoint(SGstyle, true, 1, UpDiam, DownDiam, TabFe, p.P1a, p.P2a, Q, VP, CP,
                                               0, Compress, p.T, d, ListCv, C, SG, SpecHeat, ValveID);
    Dpm = r.Dpm;
    Prf = r.Prf;
    CalculatedCv = r.Cv;
    FlowWarning = r.Warning;
    Flow = Div(r.Flow, FMF, "the flow unit factor") * SG;
    C = CalculatedCv;
    FL = Prf;

    // Laminar and transitional flow.
    const double Cs = Div(Pow(Div(Q * Visc, 47 * p.dP, "the pressure drop"), 0.667,
                              "the laminar flow term (negative flow or viscosity)"),
                          Fs(C), "the Reynolds-number term");
    const double FR = 1.044 - 0.358 * Pow(Div(Cs, C, "the calculated Cv (zero flow)"), 0.665, "the laminar Cv ratio");
    if (FR < 0.48) C = Cs;
    else if (FR <= 0.98) C = Div(Q, LiquidHead(p.dP, SG) * FR, "the liquid head term");

    const double Fp = PipingGeometryFactor(d, UpDiam, DownDiam, C);
    if (Fp == 1) {
    } else if (Fp > 1 && Div(C, ListCv, "the rated Cv") > 1.25) {
      session->FpError = true;
    } else {
      session->FpError = false;
      if (!choked) C = C / Fp;
    }
    CalculatedCv = C;
  } else {
    const double C = p.C;
    double Q = C * LiquidHead(p.dP, SG);
    if (!choked) FlowWarning.clear();
    else Q = FL * C * Sqrt(Div(head, SG, "the specific gravity"), "choked pressure term / specific gravity");

    const Trampresults r = SolveOperatingPoint(SGstyle, false, 1, UpDiam, DownDiam, TabFe, p.P1a, p.P2a, Q, VP,
                                               CP, 0, Compress, p.T, d, ListCv, C, SG, SpecHeat, ValveID);
    Dpm = r.Dpm;
    Prf = r.Prf;
    double flow = r.Flow;
    FlowWarning = r.Warning;
    CalculatedCv = ListCv;
    FL = Prf;

    // Laminar and transitional flow, referred to the Cv of the chart point (the rated Cv for
    // the closed first point and outside the chart).
    const double Cr = (Graphresult && C != 0) ? C : ListCv;
    const double Qs = Div(Pow(Fs(Cr) * Cr, 1.5, "the laminar Cv term") * 47 * p.dP, Visc, "the viscosity");
    const double FR = 1.004 - 0.358 * Pow(Div(flow, Qs, "the laminar flow"), 0.588, "the laminar flow ratio");
    if (FR < 0.48) flow = Qs;
    else if (FR <= 0.98) flow = LiquidHead(p.dP, SG) * Cr * FR;

    const double Fp = PipingGeometryFactor(d, UpDiam, DownDiam, ListCv);
    if (!choked) flow = flow * Fp;
    Flow = Div(flow, FMF, "the flow unit factor");
  }
}

void TCvCalc::GasPass(Pass& p) {
  const double Z = Compress, k = SpecHeat;
  const float d = ValveSize;
  const double xT = TabFe * TabFe * (ValveID == 1 ? 0.86 : 0.84);
  double x = p.dP / p.P1a;
  const double xChoke = k / 1.4 * xT;

  if (x > xChoke) {
    FlowWarning = "*Sonic";
    x = xChoke;
    RequireChokedRatio(x);
    const double term = N7 * p.P1a * kYChoked * GasTerm(x, SG, p.T, Z);
    if (CalcforCv) {
      const double C = Div(p.Q, term, "the gas flow term");
      const Trampresults r = SolveOperatingPoint(SGstyle, true, 2, UpDiam, DownDiam, TabFe, p.P1a, p.P2a, p.Q,
                                                 VP, CP, 0, Z, p.T, d, ListCv, C, SG, k, ValveID);
      Dpm = r.Dpm;
      Prf = r.Prf;
      Xt = r.Xt;
      CalculatedCv = r.Cv;
      FlowWarning = r.Warning;
      CalculatedCv = CalculatedCv / PipingGeometryFactor(d, UpDiam, DownDiam, CalculatedCv);
    } else {
      const double Q = term * p.C;
      const Trampresults r = SolveOperatingPoint(SGstyle, false, 2, UpDiam, DownDiam, TabFe, p.P1a, p.P2a, Q,
                                                 VP, CP, 0, Z, p.T, d, ListCv, p.C, SG, k, ValveID);
      Dpm = r.Dpm;
      Prf = r.Prf;
      Xt = r.Xt;
      FlowWarning = r.Warning;
      CalculatedCv = ListCv;
      const double Fp = PipingGeometryFactor(d, UpDiam, DownDiam, ListCv);
      Flow = Div(r.Flow * Fp, FMF, "the flow unit factor");
    }
  } else {
    FlowWarning.clear();
    const double Y = 1 - x / (3 * xChoke);
    Dpm = x * p.P1a;
    const double term = N7 * p.P1a * Y * GasTerm(x, SG, p.T, Z);
    if (CalcforCv) {
      const double C = Div(p.Q, term, "the gas flow term");
      CalculatedCv = C / PipingGeometryFactor(d, UpDiam, DownDiam, C);
    } else {
      const double Q = term * p.C;
      const double Fp = PipingGeometryFactor(d, UpDiam, DownDiam, p.C);
      CalculatedCv = ListCv;
      Flow = Div(Q * Fp, FMF, "the flow unit factor");
    }
    Xt = xT;
  }

  // Inlet and outlet density terms: SCFH over these is the actual flow in gpm-equivalent
  // units that the pipe velocity expects.
  GVFp1 = p.P1a / kAtm * Div(520, p.T, "the absolute temperature") * kGpmPerCfh;
  GVF = p.P2a / kAtm * (520 / p.T) * kGpmPerCfh;
}

void TCvCalc::SteamPass(Pass& p) {
  const float d = ValveSize;
  FlowWarning.clear();
  const double rho1 = SteamProperty(p.P1a);
  GVFp1 = rho1;
  GVF = SteamProperty(p.P2a);
  const double k = p.P1a < 1000 ? SteamKPolynomial(p.P1a) : SteamTableFactor(p.P1a);
  SpecHeat = k;
  double x = p.dP / p.P1a;
  const double xT = TabFe * TabFe * 0.84;
  const double xChoke = k / 1.4 * xT;

  if (x > xChoke) {
    FlowWarning = "*Sonic";
    x = xChoke;
    RequireChokedRatio(x);
    Dpm = x * p.P1a;
    const double term = kN6Choked * SteamTerm(x, p.P1a, rho1);
    if (CalcforCv) {
      const double C = Div(p.Q, term, "the steam flow term");
      const Trampresults r = SolveOperatingPoint(SGstyle, true, Fluid, UpDiam, DownDiam, TabFe, p.P1a, p.P2a,
                                                 p.Q, VP, CP, rho1, Compress, p.T, d, ListCv, C, SG, k, ValveID);
      Dpm = r.Dpm;
      Prf = r.Prf;
      Xt = r.Xt;
      CalculatedCv = r.Cv;
      FlowWarning = r.Warning;
      CalculatedCv = CalculatedCv / PipingGeometryFactor(d, UpDiam, DownDiam, CalculatedCv);
    } else {
      // The flow through the operating point's recovery factor, as Cv mode sizes it, so that
      // rating a valve at the Cv it was sized for gives back the flow it was sized for.
      const Trampresults r = SolveOperatingPoint(SGstyle, false, Fluid, UpDiam, DownDiam, TabFe, p.P1a,
                                                 p.P2a, term * p.C, VP, CP, rho1, Compress, p.T, d, ListCv, p.C,
                                                 SG, k, ValveID);
      Dpm = r.Dpm;
      Prf = r.Prf;
      Xt = r.Xt;
      FlowWarning = r.Warning;
      CalculatedCv = ListCv;
      const double Fp = PipingGeometryFactor(d, UpDiam, DownDiam, ListCv);
      Flow = Div(r.Flow * Fp, FMF, "the flow unit factor");
    }
  } else {
    FlowWarning.clear();
    const double Y = 1 - x / (3 * xChoke);
    Dpm = x * p.P1a;
    const double term = N6 * Y * SteamTerm(x, p.P1a, rho1);
    if (CalcforCv) {
      const double C = Div(p.Q, term, "the steam flow term");
      CalculatedCv = C / PipingGeometryFactor(d, UpDiam, DownDiam, C);
    } else {
      const double W = term * p.C;
      const double Fp = PipingGeometryFactor(d, UpDiam, DownDiam, p.C);
      CalculatedCv = ListCv;
      Flow = Div(W * Fp, FMF, "the flow unit factor");
    }
    Xt = xT;  // reported like the gas pass, for the sliding-gate results row
  }
}
