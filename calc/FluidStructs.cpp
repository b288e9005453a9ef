#include "calc/FluidStructs.h"

tFluid::tFluid() {
  SetName("New Fluid");
  SetSG(1);
  SetCritPress(3206);
  SetCritTemp(1166);
  SetVisc(1.1);
  SetVapPress(0.26);
  SetState("Liquid");
  SetTemperature(60);
  SetNonAmbient(false);
  SetSuperheatfactor(1.0);
  SetScale("F");
}

std::string tFluid::Name() {
  if (FName == "New Fluid") FName = "New Fluid 1";
  return FName;
}
