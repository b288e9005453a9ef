#pragma once
// Cv and flow of one operating point of a gate or globe valve for liquid, gas and steam.
//
// Units: pressures psig unless named absolute (psia), temperatures degF, liquid flow gpm,
// gas flow SCFH, steam lb/h, diameters and valve size in inches.
//
// Properties map to a getter named after the property and a setter Set<Property>.
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

  double P1() const { return Fp1; }
  void SetP1(double v) { Fp1 = v; }
  double P2() const { return Fp2; }
  void SetP2(double v) { Fp2 = v; }
  double Flow() const { return Fflow; }
  void SetFlow(double v) { Fflow = v; }
  double SG() const { return Fsg; }
  void SetSG(double v) { Fsg = v; }
  double Prf() const { return Fprf; }
  void SetPrf(double v) { Fprf = v; }
  double Xt() const { return fXt; }
  void SetXt(double v) { fXt = v; }
  double TabFe() const { return FTabFe; }
  void SetTabFe(double v) { FTabFe = v; }
  double PMF() const { return Fpmf; }
  void SetPMF(double v) { Fpmf = v; }
  double FMF() const { return Ffmf; }
  void SetFMF(double v) { Ffmf = v; }
  double VP() const { return Fvp; }
  void SetVP(double v) { Fvp = v; }
  double CP() const { return Fcp; }
  void SetCP(double v) { Fcp = v; }
  double Visc() const { return Fvisc; }
  void SetVisc(double v) { Fvisc = v; }
  double SpecHeat() const { return Fk; }
  void SetSpecHeat(double v) { Fk = v; }
  double Compress() const { return Fz; }
  void SetCompress(double v) { Fz = v; }
  double Dpm() const { return FDPm; }
  void SetDpm(double v) { FDPm = v; }
  double ListCv() const { return FListCv; }
  void SetListCv(double v) { FListCv = v; }
  double UpDiam() const { return fUpDiam; }
  void SetUpDiam(double v) { fUpDiam = v; }
  double DownDiam() const { return fDownDiam; }
  void SetDownDiam(double v) { fDownDiam = v; }
  double GVF() const { return fGVF; }
  void SetGVF(double v) { fGVF = v; }
  double GVFp1() const { return fGVFp1; }
  void SetGVFp1(double v) { fGVFp1 = v; }
  double CalculatedCv() const { return FCalculatedCv; }
  void SetCalculatedCv(double v) { FCalculatedCv = v; }
  double DeltaPoverP1() const { return fDPoverP1; }
  float ValveSize() const { return Fvalvesize; }
  void SetValveSize(float v) { Fvalvesize = v; }
  float InTemp() const { return Fintemp; }
  void SetInTemp(float v) { Fintemp = v; }
  int Fluid() const { return Ffluidtype; }
  void SetFluid(int v) { Ffluidtype = v; }
  int ValveID() const { return Fvalveid; }
  void SetValveID(int v) { Fvalveid = v; }
  int Schedindex() const { return FSchedindex; }
  void SetSchedindex(int v) { FSchedindex = v; }
  int Schedindexdown() const { return FSchedindexdown; }
  void SetSchedindexdown(int v) { FSchedindexdown = v; }
  const std::string& FlowWarning() const { return FflowWarning; }
  void SetFlowWarning(const std::string& v) { FflowWarning = v; }
  const std::string& Style() const { return FStyle; }
  void SetStyle(const std::string& v) { FStyle = v; }
  bool CalcforCv() const { return FCalcforCv; }
  void SetCalcforCv(bool v) { FCalcforCv = v; }
  bool linTaper() const { return FlinTaper; }
  void SetlinTaper(bool v) { FlinTaper = v; }
  TValvestyle SGstyle() const { return FSGstyle; }
  void SetSGstyle(TValvestyle v) { FSGstyle = v; }
  bool Graphresult() const { return FGraphresult; }
  void SetGraphresult(bool v) { FGraphresult = v; }
  std::uint8_t Graphcount() const { return FGraphcount; }
  // Also tells the session how many chart intervals there are.
  void SetGraphcount(std::uint8_t v);
  bool EQCv() const { return FEQCv; }
  void SetEQCv(bool v) { FEQCv = v; }
  // 0 Min, 1 Norm, any other value Max.
  std::uint8_t MNM() const { return FMNM; }
  void SetMNM(std::uint8_t v) { FMNM = v; }

private:
  struct Pass;  // working values of one calculation
  void LiquidPass(Pass& p);
  void GasPass(Pass& p);
  void SteamPass(Pass& p);

  double Fp1 = 100;
  double Fp2 = 80;
  double Fflow = 10;
  double Fsg = 1.0;
  double Fprf = 0;
  double fXt = 0;
  double FTabFe = 0.766;
  double Fpmf = 1;
  double Ffmf = 1;
  double Fvp = 0.26;
  double Fcp = 3206;
  double Fvisc = 1.1;
  double Fk = 0;
  double Fz = 0;
  double FDPm = 0;
  double FListCv = 2.5;
  double fUpDiam = 2;
  double fDownDiam = 2;
  double fGVF = 0;
  double fGVFp1 = 0;
  double FCalculatedCv = 0;
  double fDPoverP1 = 0;
  float Fvalvesize = 2.0f;
  float Fintemp = 60;
  int Ffluidtype = 1;
  int Fvalveid = 2;
  int FSchedindex = 0;
  int FSchedindexdown = 0;
  std::string FflowWarning;
  std::string FStyle;
  bool FCalcforCv = true;
  bool FlinTaper = false;
  TValvestyle FSGstyle = TValvestyle::PRV;
  bool FGraphresult = false;
  std::uint8_t FGraphcount = 0;
  bool FEQCv = false;
  std::uint8_t FMNM = 0;
};
