#pragma once
// One user-defined fluid as the sizing form builds it and stores it.
#include <string>

class tFluid {
public:
  tFluid();

  // Reading the default name "New Fluid" renames the fluid to "New Fluid 1" first, so an
  // unnamed fluid is stored under a name that differs from the default.
  std::string Name();
  void SetName(const std::string& v) { FName = v; }
  double SG() const { return FSG; }
  void SetSG(double v) { FSG = v; }
  double CritPress() const { return FCritPress; }
  void SetCritPress(double v) { FCritPress = v; }
  double CritTemp() const { return FCritTemp; }
  void SetCritTemp(double v) { FCritTemp = v; }
  double Visc() const { return FVisc; }
  void SetVisc(double v) { FVisc = v; }
  double SpecHeat() const { return FSpecHeat; }
  void SetSpecHeat(double v) { FSpecHeat = v; }
  double VapPress() const { return FVapPress; }
  void SetVapPress(double v) { FVapPress = v; }
  double Temperature() const { return FTemperature; }
  void SetTemperature(double v) { FTemperature = v; }
  double Compress() const { return FCompress; }
  void SetCompress(double v) { FCompress = v; }
  bool NonAmbient() const { return FNonAmbient; }
  void SetNonAmbient(bool v) { FNonAmbient = v; }
  double Superheatfactor() const { return FSuperheatfactor; }
  void SetSuperheatfactor(double v) { FSuperheatfactor = v; }
  const std::string& State() const { return FState; }
  void SetState(const std::string& v) { FState = v; }
  const std::string& Scale() const { return FScale; }
  void SetScale(const std::string& v) { FScale = v; }

private:
  double FCompress = 0;      // compressibility factor Z (gases)
  double FCritPress = 0;     // psia
  double FCritTemp = 0;
  double FSG = 0;
  double FSpecHeat = 0;      // specific-heat ratio k (gases)
  double FSuperheatfactor = 0;
  double FTemperature = 0;   // in the unit of Scale
  double FVapPress = 0;      // psia
  double FVisc = 0;          // centipoise
  bool FNonAmbient = false;
  std::string FName;
  std::string FState;        // "Liquid", "Gas" or "Steam"
  std::string FScale;        // temperature scale letter
};
