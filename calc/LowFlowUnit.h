#pragma once
// Parts of the low-flow trim calculation: the trim table, the Reynolds-number factors of its
// five trim bands and the steam properties it uses.
#include <array>

struct TLowFlowdata;

// Factors FR1 to FR5 of the five Reynolds curves, each at most 1.
using TLowFlowFactors = std::array<double, 5>;

// Reynolds factors for a base flow Q (gpm, SCFH or lb/h), density rho (62.371 x SG) and
// viscosity mu (centipoise).
TLowFlowFactors LowFlowReynoldsFactors(int Fluid, double Q, double rho, double mu);
// Picks the smallest trim whose tested Cv covers Cv divided by the factor of its band and
// fills TrimCode, CvNominal, CvTested and FR. Returns false when even the largest trim is too
// small; CvTested is then 0 and the other fields name the largest trim.
bool SelectLowFlowTrim(double Cv, const TLowFlowFactors& FR, TLowFlowdata& result);
// Tested Cv of a nominal Cv of the table; 0.2 for any other value.
double LowFlowCvTolerance(double Cv);
// Factor of the band a nominal Cv belongs to.
double FactorByCvBand(double Cv, const TLowFlowFactors& FR);
// Flow reduction step for a ratio of required to tested Cv.
double PressureRatioFactor(double ratio);
double SteamViscosityByPressure(double P);
double SteamKFactor(double P);
double LowFlowSteamProperty(double P);
