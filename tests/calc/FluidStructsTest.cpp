#include "calc/FluidStructs.h"

#include <gtest/gtest.h>

TEST(tFluid, DefaultsOfANewFluid) {
  tFluid f;
  EXPECT_EQ(f.SG(), 1);
  EXPECT_EQ(f.CritPress(), 3206);
  EXPECT_EQ(f.CritTemp(), 1166);
  EXPECT_EQ(f.Visc(), 1.1);
  EXPECT_EQ(f.VapPress(), 0.26);
  EXPECT_EQ(f.Temperature(), 60);
  EXPECT_EQ(f.Superheatfactor(), 1.0);
  EXPECT_EQ(f.Compress(), 0);
  EXPECT_EQ(f.SpecHeat(), 0);
  EXPECT_FALSE(f.NonAmbient());
  EXPECT_EQ(f.State(), "Liquid");
  EXPECT_EQ(f.Scale(), "F");
}

TEST(tFluid, DefaultNameIsStoredAsNewFluid1WhenRead) {
  tFluid f;
  EXPECT_EQ(f.Name(), "New Fluid 1");
  EXPECT_EQ(f.Name(), "New Fluid 1");  // the stored name itself changed
  f.SetName("New Fluid");
  EXPECT_EQ(f.Name(), "New Fluid 1");
}

TEST(tFluid, OtherNamesComeBackUnchanged) {
  for (const char* name : {"new fluid", "New Fluid 2", "New Fluid ", "Glycol 30%"}) {
    tFluid f;
    f.SetName(name);
    EXPECT_EQ(f.Name(), name);
  }
}
