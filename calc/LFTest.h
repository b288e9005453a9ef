#pragma once
// Low-flow valves: inputs and result of the trim calculation.
#include <string>

// Inputs, in the base units of the sizing form (psig, degF, centipoise).
struct TLowFlowParams {
  double Compress = 0;  // compressibility Z (gas)
  double InTemp = 0;    // degF
  double SpecHeat = 0;  // specific-heat ratio k (gas; steam uses its own)
  double Cv = 0;        // nominal Cv of the selected trim (flow mode)
  double Sg = 0;
  double QQ = 0;        // flow in the user's unit
  double P1 = 0, P2 = 0;
  double VP = 0, CP = 0;  // psia (liquid)
  double Visc = 0;        // centipoise (liquid and gas; steam uses its own)
  double FMF = 0;         // base flow = QQ x FMF
  double PMF = 0;         // carried for the form
  bool CalcforCv = false;
  int Fluid = 0;          // 1 liquid, 2 gas, 3 steam
};

struct TLowFlowdata {
  double flow = 0;  // flow in the user's unit (flow mode)
  double CvNominal = 0;
  std::string FlowWarning;
  std::string TrimCode;
  double FR = 0;  // Reynolds factor of the selected trim
  double CalcCv = 0;  // Cv the service needs, before the Reynolds factor (Cv mode)
  double CvTested = 0;  // 0 when no low-flow trim is large enough
};

// Cv mode: the Cv the service needs and the smallest trim that covers it after the Reynolds
// correction. Flow mode: the flow the trim of nominal Cv passes. Warnings "*Choked Flow",
// "Not Low Flow" and "Larger Cv req.". Bad input raises rt::EMathError; result is then
// left as it was.
void LowFlowCalc(bool CalcforCv, int Fluid, TLowFlowdata& result, double Compress, double InTemp,
                 double SpecHeat, double Cv, double Sg, double QQ, double P1, double P2, double VP,
                 double CP, double Visc, double FMF, double PMF);
TLowFlowdata LowFlowCalc(const TLowFlowParams& p);
