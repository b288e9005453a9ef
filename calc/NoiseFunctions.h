#pragma once
// Predicted valve noise of one operating point, in dB, for the results grid.
//
// Three methods: a hydrodynamic method for liquids through a trim of known slot or hole
// geometry, an empirical method for liquids by pressure-ratio bands, and an empirical method
// for gas and steam. No routine here raises or returns NaN or infinity: where a method cannot
// apply to its input the result is NoiseNotApplicable, shown as "NA".
#include <string>

// Result of a noise routine whose method cannot apply to the given input.
inline constexpr double NoiseNotApplicable = -1.0e6;
// Result of the liquid pressure-ratio method when ΔP/P1 is above 0.9.
inline constexpr double NoiseRatioAboveLimit = 666;

// Liquid through a slotted gate trim (kind 1) or a drilled-hole trim (kind 2). Pressures psia,
// flow in gpm (base units), lengths and sizes in inches. Falls back to the pressure-ratio
// method for a valve size the method holds no pipe data for.
double HydrodynamicNoise(const std::string& schedule, int kind, int numslots, double FL,
                         double slotlength, double slotheight, double valvesize,
                         double pipediam, double ListCv, double CalculatedCv, double flow,
                         double P1a, double P2a, double VP, double SG);

// Correction of a pipe schedule against Sched 40 for the liquid pressure-ratio method, dB.
double Sched40Attenuation(const std::string& schedule, double valvesize);

// Liquid without trim geometry. P1 and P2 in psig; Cvpercent is CalculatedCv / ListCv * 100.
// Returns NoiseRatioAboveLimit when ΔP/P1 is above 0.9.
double LiquidNoiseByPressureRatio(double P1, double P2, double Cvpercent, double ListCv,
                                  double correction, double extracorrection, double divisor);

// Gas and steam. P1 and P2 in psig.
double NoiseWithPipeTables(const std::string& schedule, double valvesize, double Cv, double P1,
                           double P2);

// Grid texts of a liquid result ("< 75" below 75) and of a gas or steam result ("< 70").
std::string LiquidNoiseText(double level);
std::string GasNoiseText(double level);
