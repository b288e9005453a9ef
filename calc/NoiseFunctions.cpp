#include "calc/NoiseFunctions.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/rt/SysUtils.h"

namespace {

constexpr double pi = std::numbers::pi;

// Valve sizes are held in single precision by the session (0.38 is 0.3799999952 there), so a
// size matches a table size within this tolerance.
constexpr double SizeTolerance = 1e-3;

bool SameSize(double a, double b) { return std::fabs(a - b) < SizeTolerance; }

bool Finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

double Checked(double level) { return std::isfinite(level) ? level : NoiseNotApplicable; }

// ---- Hydrodynamic method: pipe inner diameter and wall by schedule, metres ----

constexpr double HydroSizes[7] = {1.5, 2, 2.5, 3, 4, 6, 8};

struct PipeWall {
  double Di, s;
};

// Columns: Sched 40, Sched 80, Sched 120, Sanitary tubing, any other schedule.
constexpr PipeWall HydroPipes[7][5] = {
    {{0.0411, 0.0037}, {0.0381, 0.0051}, {0, 0}, {0.0348, 0.00165}, {0.034, 0.0071}},
    {{0.0525, 0.0039}, {0.0493, 0.0055}, {0, 0}, {0.0475, 0.00165}, {0.0429, 0.0087}},
    {{0.0627, 0.0052}, {0.059, 0.007}, {0, 0}, {0.0602, 0.00165}, {0.054, 0.0095}},
    {{0.0779, 0.0055}, {0.0737, 0.0076}, {0, 0}, {0.0729, 0.00165}, {0.0666, 0.0111}},
    {{0.1023, 0.006}, {0.0972, 0.0086}, {0.092, 0.0111}, {0.0974, 0.00211}, {0.0873, 0.0135}},
    {{0.1541, 0.0071}, {0.1463, 0.011}, {0.1397, 0.0143}, {0.1469, 0.00277}, {0.1318, 0.0182}},
    {{0.2027, 0.0082}, {0.1937, 0.0127}, {0.1826, 0.0182}, {0.1977, 0.00277}, {0.1731, 0.023}},
};

int HydroColumn(const std::string& schedule) {
  if (schedule == "Sched 40") return 0;
  if (schedule == "Sched 80") return 1;
  if (schedule == "Sched 120") return 2;
  if (schedule == "Sanitary tubing") return 3;
  return 4;
}

int HydroPosition(double valvesize) {
  for (int i = 0; i < 7; ++i)
    if (SameSize(HydroSizes[i], valvesize)) return i;
  return -1;
}

// ---- Gas and steam method: schedule correction A, dB ----

constexpr double GasSizes[12] = {0.25, 0.38, 0.5, 0.75, 1, 1.25, 1.5, 2, 2.5, 3, 4, 6};
constexpr double GasSched80[12] = {-4.5, -4.5, -4.5, -4.5, -4.5, -5, -5, -5, -5, -5, -5, -6};
constexpr double GasSched120[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -8.5, -9.5};
constexpr double GasSched160[12] = {-9.5, -9.5, -9.5, -9.5, -9.5, -9.5,
                                    -9.5, -11.5, -10, -10, -11.5, -13};

double ScheduleCorrection(const std::string& schedule, double valvesize) {
  const double* row = nullptr;
  if (schedule == "Sched 80") row = GasSched80;
  else if (schedule == "Sched 120") row = GasSched120;
  else if (schedule == "Sched 160") row = GasSched160;
  if (!row) return 0;
  for (int i = 0; i < 12; ++i)
    if (SameSize(GasSizes[i], valvesize)) return row[i];
  return 0;
}

// ---- Liquid pressure-ratio method: one curve per ratio 0.1 ... 0.9 ----

struct RatioCurve {
  double c, s;
};
constexpr RatioCurve RatioCurves[9] = {
    {0.01963, 0.0498},  {0.007895, 0.0516}, {0.00378, 0.05348},
    {0.0037, 0.0518},   {0.002939, 0.0518}, {0.003172, 0.0504},
    {0.00133, 0.0526},  {0.000377, 0.0562}, {0.0001147, 0.0588},
};
constexpr double RatioBounds[10] = {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};

// Level of curve n (1 ... 9) at the valve's Cv.
double CurveLevel(int n, double C) {
  return std::log10(C / RatioCurves[n - 1].c) / RatioCurves[n - 1].s;
}

std::string WholeDecibels(double level) { return rt::FloatToStrF(level, rt::ffFixed, 4, 0); }

} // namespace

double HydrodynamicNoise(const std::string& schedule, int kind, int numslots, double FL,
                         double slotlength, double slotheight, double valvesize,
                         double pipediam, double ListCv, double CalculatedCv, double flow,
                         double P1a, double P2a, double VP, double SG) {
  if (!Finite({FL, slotlength, slotheight, valvesize, pipediam, ListCv, CalculatedCv, flow, P1a,
               P2a, VP, SG}))
    return NoiseNotApplicable;

  const int pos = HydroPosition(valvesize);
  if (pos < 0) {
    // No pipe data for this size: the empirical liquid method still gives an estimate.
    if (ListCv <= 0) return NoiseNotApplicable;
    return LiquidNoiseByPressureRatio(P1a - 14.696, P2a - 14.696, CalculatedCv / ListCv * 100,
                                      ListCv, Sched40Attenuation(schedule, valvesize), 0, 3);
  }
  if (kind != 1 && kind != 2) return NoiseNotApplicable;

  const PipeWall pipe = HydroPipes[pos][HydroColumn(schedule)];
  const double Di = pipe.Di, s = pipe.s;
  if (Di <= 0) return NoiseNotApplicable;  // the schedule does not exist at this size

  const double l = slotlength * 0.0254, H = slotheight * 0.0254;
  const double dv = valvesize * 0.0254;
  double D = pipediam * 0.0254;
  const double p1 = P1a * 6895, p2 = P2a * 6895, pv = VP * 6895;
  const double m = flow * SG * 0.0631;
  const double rho = 997 * SG;
  const double C = CalculatedCv;

  // No flow, no liquid at the inlet, or a fully flashing outlet: the method has nothing to say.
  if (C <= 0 || SG <= 0 || flow <= 0 || p1 <= 0 || p2 >= p1 || p1 <= pv || dv <= 0)
    return NoiseNotApplicable;
  const double xF = (p1 - p2) / (p1 - pv);
  if (xF >= 1) return NoiseNotApplicable;

  if (kind == 2) FL = 0.92;
  if (FL <= 0) return NoiseNotApplicable;
  double Fd = 0.42;
  const double dPc = std::min(p1 - p2, FL * FL * (p1 - pv));

  double xFz;
  if (kind == 1) {
    const double N = numslots;
    if (N < 1 || l <= 0 || H <= 0 || ListCv <= 0) return NoiseNotApplicable;
    const double h = C / ListCv * H;  // open height of the slots at this Cv
    const double dH = 2 * l * h / (l + h);
    Fd = std::sqrt(pi * l * h / N) / (l + h);
    D = std::sqrt(N * 4 / pi * l * h);
    xFz = 1 / std::sqrt(1650 * N * dH * dH / FL + 4.5);
  } else {
    xFz = 0.9 / std::sqrt(1 + 3 * Fd * std::sqrt(C / (1.17 * FL)));
  }
  if (D <= 0) return NoiseNotApplicable;
  const double xFzp1 = xFz * std::pow(600000 / p1, 0.125);

  const double Dj = 0.0046 * Fd * std::sqrt(C * FL);
  const double Uvc = std::sqrt(2 * dPc / rho) / FL;
  const double Wm = Uvc * Uvc * m * FL * FL / 2;
  const double etaTurb = 1e-4 * Uvc / 1400;

  const bool cavitating = xF > xFzp1;
  double etaCav = 0;
  if (cavitating)
    etaCav = 0.32 * etaTurb * std::sqrt((p1 - p2) / (dPc * xFzp1)) * std::exp(5 * xFzp1) *
             std::sqrt((1 - xFzp1) / (1 - xF)) * std::pow(xF / xFzp1, 5) *
             std::pow(xF - xFzp1, 1.5);
  const double Wa = (etaTurb + etaCav) * Wm * 0.25;

  const double Lpi = 10 * std::log10(3.2e9 * Wa * rho * 1400 / (Di * Di));

  const double Kf = 0.036 * FL * FL * C * std::pow(Fd, 0.75) /
                    (1.17 * std::pow(xFzp1, 1.5) * dv * D) * std::pow(1 / (p1 - pv), 0.57);
  const double fp = Kf * Uvc / Dj;

  const double f0 = 5000 / (pi * Di);
  const double TL = -10 - 10 * std::log10(3.9e7 * s / (443.499 * Di)) -
                    20 * std::log10(std::pow(fp / f0, 1.5) + f0 / fp);

  double level = Lpi + TL - 10 * std::log10((Di + 2 * s + 2) / (Di + 2 * s));
  if (cavitating) {
    const double fcav =
        6 * fp * std::pow((1 - xF) / (1 - xFzp1), 2) * std::pow(xFzp1 / xF, 2.5);
    double share = 250 * std::pow(fcav, 1.5) / (fp * fp) * etaCav / (etaTurb + etaCav);
    // Just past the onset of cavitation the cavitation share may not lower the level.
    if (xF < xFzp1 + 0.1) share = std::max(share, 1.0);
    level += 10 * std::log10(share);
  }
  return Checked(level);
}

double Sched40Attenuation(const std::string& schedule, double valvesize) {
  if (schedule == "Sched 40") return 0;
  if (valvesize < 1) return -3;
  if (valvesize < 1.9) return -5;
  if (valvesize >= 2 && valvesize < 3.9) return -6;
  if (valvesize >= 4 && valvesize < 5.9) return -7;
  if (valvesize >= 6 && valvesize < 9.9) return -8;
  return -9;
}

double LiquidNoiseByPressureRatio(double P1, double P2, double Cvpercent, double ListCv,
                                  double correction, double extracorrection, double divisor) {
  if (!Finite({P1, P2, Cvpercent, ListCv, correction, extracorrection, divisor}) || divisor <= 0)
    return NoiseNotApplicable;
  const double p1abs = std::fabs(P1 + 14.696), p2abs = std::fabs(P2 + 14.696);
  if (p1abs == 0) return NoiseNotApplicable;
  const double x = (p1abs - p2abs) / p1abs;
  if (x > 0.9) return NoiseRatioAboveLimit;

  double F = 0;
  if (x > 0 && x < 0.9) {
    const double C = ListCv * (Cvpercent == 0 ? 0.001 : Cvpercent) / 100;
    if (C <= 0) return NoiseNotApplicable;
    if (x < RatioBounds[1]) {
      F = CurveLevel(1, C);
    } else {
      for (int k = 1; k <= 8; ++k) {
        if (x >= RatioBounds[k] && x < RatioBounds[k + 1]) {
          const double Lk = CurveLevel(k, C), Lk1 = CurveLevel(k + 1, C);
          F = Lk + (x - RatioBounds[k]) / 0.1 * (Lk1 - Lk);
          break;
        }
      }
    }
  }
  return Checked(F + (8.74 * std::log(p1abs) - 40.4) + correction + extracorrection -
                 10 * std::log10(divisor) + 4.771);
}

double NoiseWithPipeTables(const std::string& schedule, double valvesize, double Cv, double P1,
                           double P2) {
  if (!Finite({valvesize, Cv, P1, P2}) || P1 <= 0 || P2 >= P1 || Cv <= 0)
    return NoiseNotApplicable;
  const double dP = P1 - P2;
  const double r = dP / P1;
  const double K = (valvesize > 1 ? 38 : 35) * Cv;
  const double L1 = std::max(0.0, 16.8 * std::log10(r) + 17.7);
  const double A = ScheduleCorrection(schedule, valvesize);
  return Checked(17 * std::log10(dP) + 60 + 23 * std::log10(K) - 85 + L1 + A +
                 10 * std::log10(29.0 / 12) - 10 * std::log10(3.0));
}

std::string LiquidNoiseText(double level) {
  if (level == NoiseNotApplicable || !std::isfinite(level)) return "NA";
  if (level == NoiseRatioAboveLimit) return "NA (ΔP/P1 > 0.9)";
  if (level < 75) return "< 75";
  return WholeDecibels(level);
}

std::string GasNoiseText(double level) {
  if (level == NoiseNotApplicable || !std::isfinite(level)) return "NA";
  if (level < 70) return "< 70";
  return WholeDecibels(level);
}
