#pragma once
// Cv and flow of one operating point of a gate or globe valve for liquid, gas and steam.
//
// Units: pressures psig unless named absolute (psia), temperatures degF, liquid flow gpm,
// gas flow SCFH, steam lb/h, diameters and valve size in inches.
#include <array>
#include <cstdint>
#include <string>

enum class TValvestyle { BPRV, Piloted, PRV, DCV };
// Fluid state as a type; the calculation itself identifies the fluid by an integer code.
enum class Tfluid { Gas, Liquid, Steam };

// Result of the operating-point routine.
struct Trampresults {
  double Prf = 0;   // recovery factor used
  double Dpm = 0;   // choke drop (liquid) or pressure drop at the ratio used, psi
  double Xt = 0;    // xT used (gas and steam)
  double Cv = 0;
  double Flow = 0;  // base units
  std::string Warning;
};

// One row of a flow-unit table.
struct Tflowunit {
  std::string Flabel;
  double FMF = 0;
  std::string Shlabel;
};

struct Material {
  std::string Name;
  Tfluid State = Tfluid::Gas;
  double SG = 0, CritPress = 0, CritTemp = 0, Visc = 0, SpecHeat = 0, VapPress = 0,
         AmbientTemp = 0, Density = 0, MPAs = 0, Compress = 0;
};

struct LFCvs {
  std::array<std::string, 16> Stringrep;
  std::array<double, 8> Numrep{};
};

// The flow terms shared with the low-flow calculation: sqrt(x / (SG T Z)) of the gas
// volume-flow equation and sqrt(x P1 rho1) of the steam mass-flow equation. Zero or negative
// factors raise a math error naming the quantity.
double GasTerm(double x, double SG, double T, double Z);
double SteamTerm(double x, double P1a, double rho1);
// Specific-heat ratio of steam at P psia from its table (1000 psia and up); 1.0 outside.
double SteamTableFactor(double P);
// Density of saturated steam at P psia, lb/ft3.
double SteamProperty(double P);
// Curve fits shared with the low-flow calculation: the specific-heat ratio of steam, and the
// saturated density in three pressure bands (the last band from 150 psia upwards).
double SteamKPolynomial(double P);
double SteamDensityPolynomial(double P);

// Recomputes an operating point with the recovery factor adjusted for the valve style.
// Pressures psia, Q in base units, rho1 the steam inlet density, T in degR. In Cv mode Q is
// the given flow and C is not read; in flow mode C is the given Cv.
Trampresults SolveOperatingPoint(TValvestyle style, bool CvMode, int fluid, double UpDiam,
                                 double DownDiam, double TabFe, double P1a, double P2a,
                                 double Q, double VP, double CP, double rho1, double Z, double T,
                                 float d, double ListCv, double C, double SG, double k,
                                 int ValveID);
// Piping geometry factor Fp for reducers/expanders around a valve of size d.
double PipingGeometryFactor(float d, double UpDiam, double DownDiam, double C);

class TCvCalc {
public:
  TCvCalc();

  // Runs the calculation with the inputs as they stand; results go to the object and to the
  // current session. Bad input (a zero SG, viscosity, compressibility, an impossible
  // pressure) raises rt::EMathError with the quantity named; no NaN is ever left behind.
  void CalculateCv();

  // (P1 - P2) / P1 in absolute pressures of the last run.
  double DeltaPoverP1() const { return fDPoverP1; }
  std::uint8_t Graphcount() const { return FGraphcount; }
  // Also tells the session how many chart intervals there are.
  void SetGraphcount(std::uint8_t v);
  void SetEQCv(bool v) { EQCv = v; }
  void SetMNM(std::uint8_t v) { MNM = v; }

  double P1 = 100;  // psig
  double P2 = 80;   // psig
  double Flow = 10;  // user's unit: input in Cv mode, result in flow mode
  double SG = 1.0;
  double Prf = 0;    // FL used (result)
  double Xt = 0;     // xT used (result)
  double TabFe = 0.766;  // catalogue FL of the trim
  double PMF = 1;    // pressure unit factor, carried for the form
  double FMF = 1;    // base flow = Flow x FMF
  double VP = 0.26;  // psia
  double CP = 3206;  // psia
  double Visc = 1.1;  // centipoise
  double SpecHeat = 0;  // k (gas; replaced for steam)
  double Compress = 0;  // Z (gas)
  double Dpm = 0;    // maximum (choked) pressure drop, psi (result)
  double ListCv = 2.5;  // rated Cv
  double UpDiam = 2;
  double DownDiam = 2;
  double GVF = 0;    // outlet density term (result)
  double GVFp1 = 0;  // inlet density term (result)
  double CalculatedCv = 0;
  float ValveSize = 2.0f;  // inches
  float InTemp = 60;       // degF
  int Fluid = 1;    // 1 liquid, 2 gas, any other value steam
  int ValveID = 2;  // 1 gate, 2 globe; taken from the session by every run
  int Schedindex = 0, Schedindexdown = 0;  // carried for the form
  std::string FlowWarning;
  std::string Style;  // carried for the form
  bool CalcforCv = true;
  bool linTaper = false;  // carried for the form
  TValvestyle SGstyle = TValvestyle::PRV;
  bool Graphresult = false;  // chart mode
  bool EQCv = false;  // chart points follow the equal-percentage characteristic
  std::uint8_t MNM = 0;  // 0 Min, 1 Norm, any other value Max

private:
  struct Pass;  // working values of one calculation
  void LiquidPass(Pass& p);
  void GasPass(Pass& p);
  void SteamPass(Pass& p);

  double fDPoverP1 = 0;
  std::uint8_t FGraphcount = 0;
};
