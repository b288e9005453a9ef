#include "calc/Velocity_and_noise.h"

#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/web/Application.h"
#include "webapp/ServerController.h"
#include "webapp/UserSessionUnit.h"

namespace {

// A browser session current on this thread, as the web server provides on a request thread.
class SchedTest : public ::testing::Test {
protected:
  SchedTest() {
    app.SetData(std::make_unique<TIWUserSession>());
    UserSession()->ValveLine = "Sliding Gate";
  }

  std::vector<std::string> Schedules(double up, double down) {
    Tsched s;
    s.SetDownPipeDiam(down);
    s.SetUpPipeDiam(up);
    const rt::TStringList& list = s.Schedlist();
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
    return out;
  }

  web::TIWApplication app;
  web::TCurrentApplicationScope scope{&app};
};

using List = std::vector<std::string>;
const List None = {"No available schedules"};

// Flow that gives a velocity of 1 / area in ft/s with divisor 1.
constexpr double UnitFlow = 3600 / 8.0208542;

} // namespace

TEST_F(SchedTest, SchedulesOfferedForBothPipes) {
  struct Case {
    double up, down;
    List expected;
  };
  const Case cases[] = {
      {2, 3, {"Sched 40", "Sched 80", "Sched 160", "Sanitary tubing", "XS", "XXS"}},
      {3, 2, {"Sched 40", "Sched 80", "Sched 160", "Sanitary tubing", "XS", "XXS"}},
      {4, 6, {"Sched 40", "Sched 80", "Sched 120", "Sched 160", "XS", "XXS"}},
      {4, 4, {"Sched 40", "Sched 80", "Sched 120", "Sched 160", "Sanitary tubing", "XS", "XXS"}},
      {1, 1.25, {"Sched 40", "Sched 80", "Sched 160", "XS", "XXS"}},
      {0.25, 0.5, {"Sched 40", "Sched 80", "XS"}},
      {0.38, 0.38, {"Sched 40", "Sched 80", "XS"}},
      {8, 6, {"Sched 40", "Sched 80", "XS", "XXS"}},
      // XXS is not offered at 10 and 12 in.
      {10, 12, {"Sched 40", "Sched 80", "XS"}},
      {0.375, 1, None},
      {1, 0.375, None},
      {7, 8, None},
      {0, 0, None},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Schedules(c.up, c.down), c.expected) << c.up << " x " << c.down;
}

TEST_F(SchedTest, SanitaryLineOffersSanitaryTubingOnly) {
  UserSession()->ValveLine = "Purilane";
  struct Case {
    double up, down;
    List expected;
  };
  const Case cases[] = {
      {2, 3, {"Sanitary tubing"}}, {0.5, 4, {"Sanitary tubing"}}, {1.25, 2, None},
      {4, 6, None},                {0.375, 2, None},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Schedules(c.up, c.down), c.expected) << c.up << " x " << c.down;
}

TEST_F(SchedTest, PositionsOfTheInletAndOutletSizes) {
  Tsched s;
  s.SetUpPipeDiam(2);
  s.SetDownPipeDiam(12);
  EXPECT_EQ(s.Schedindex(), 7);
  EXPECT_EQ(s.Schedindexdown(), 15);
  s.SetUpPipeDiam(0.375);
  EXPECT_EQ(s.Schedindex(), -1);
  s.SetUpPipeDiam(static_cast<float>(0.38));  // a size that went through single precision
  EXPECT_EQ(s.Schedindex(), 1);
  s.SetDownPipeDiam(0.25);
  EXPECT_EQ(s.Schedindexdown(), 0);
}

TEST_F(SchedTest, ListIsRebuiltOnEveryRead) {
  Tsched s;
  s.SetUpPipeDiam(2);
  s.SetDownPipeDiam(2);
  EXPECT_EQ(s.Schedlist().Count(), 6);
  s.SetDownPipeDiam(0.25);
  ASSERT_EQ(s.Schedlist().Count(), 3);
  EXPECT_EQ(s.Schedlist().Strings(2), "XS");
}

// ---- Velocities ----

TEST(PipeVelocity, OneVelocityPerFluid) {
  // Liquid, 100 gpm in 2-inch Sched 40: 100 / 0.0233 * 8.0208542 / 3600 = 9.5623 ft/s.
  const double liquid = PipeVelocity(7, "Sched 40", 1, 100);
  EXPECT_NEAR(liquid, 9.5623, 1e-4);
  EXPECT_EQ(VelocityText(liquid), "9.6  (2.9)");

  // Gas, 20000 SCFH in 3-inch Sched 80 with a volume term of 6.5:
  // 20000 / 0.04587 / 6.5 * 8.0208542 / 3600 = 149.453 ft/s.
  const double gas = PipeVelocity(9, "Sched 80", 6.5, 20000);
  EXPECT_NEAR(gas, 149.453, 1e-3);
  EXPECT_EQ(VelocityText(gas), "149.5  (45.6)");

  // Steam, 5000 lb/h in 4-inch Sched 40 with a volume term of 2.4; the caller divides by
  // 8.0208542 again: 5000 / 0.0884 / 2.4 / 3600 = 6.5464 ft/s.
  const double steam = PipeVelocity(10, "Sched 40", 2.4, 5000) / 8.0208542;
  EXPECT_NEAR(steam, 6.5464, 1e-4);
  EXPECT_EQ(VelocityText(steam), "6.5  (2.0)");
}

TEST(PipeVelocity, NoVelocityWhereThereIsNoPipe) {
  struct Case {
    const char* why;
    int i;
    const char* schedule;
    double divisor;
  };
  const Case cases[] = {
      {"unknown schedule", 7, "Sched 10", 1},
      {"the combo's own no-schedule entry", 7, "No available schedules", 1},
      {"Sched 120 does not exist at 2 in", 7, "Sched 120", 1},
      {"sanitary tubing does not exist at 5 in", 11, "Sanitary tubing", 1},
      {"XXS does not exist at 1/4 in", 0, "XXS", 1},
      {"size not in the table", -1, "Sched 40", 1},
      {"position past the table", 16, "Sched 40", 1},
      {"zero volume term", 7, "Sched 40", 0},
      {"negative volume term", 7, "Sched 40", -2},
  };
  for (const Case& c : cases) {
    const double v = PipeVelocity(c.i, c.schedule, c.divisor, 100);
    EXPECT_EQ(v, -1) << c.why;
    EXPECT_EQ(VelocityText(v), "NA") << c.why;
    EXPECT_EQ(VelocityText(v / 8.0208542), "NA") << c.why << " (steam)";
  }
}

// The entries rebuilt from ASME B36.10M inside diameters (inches); every other entry stands.
TEST(PipeVelocity, FlowAreasAgainstPipeInsideDiameters) {
  struct Case {
    int i;
    const char* schedule;
    double insideDiameter;
  };
  const Case cases[] = {
      {2, "XXS", 0.252},        {3, "XXS", 0.434},       {4, "XXS", 0.599},
      {5, "XXS", 0.896},        {6, "XXS", 1.100},       {7, "XXS", 1.503},
      {8, "XXS", 1.771},        {9, "XXS", 2.300},       {10, "XXS", 3.152},
      {11, "XXS", 4.063},       {12, "XXS", 4.897},      {13, "XXS", 6.875},
      {12, "Sched 160", 5.187}, {3, "Sched 160", 0.612},  {15, "Sched 40", 11.938},
      {15, "Sched 80", 11.374}, {14, "XS", 9.750},       {15, "XS", 11.750},
  };
  for (const Case& c : cases) {
    const double area = std::numbers::pi * c.insideDiameter * c.insideDiameter / 4 / 144;
    EXPECT_NEAR(1 / PipeVelocity(c.i, c.schedule, 1, UnitFlow), area, area * 1e-9)
        << c.schedule << " at position " << c.i;
  }

  struct Kept {
    int i;
    const char* schedule;
    double area;
  };
  const Kept kept[] = {
      {14, "Sched 40", 0.548}, {14, "Sched 80", 0.499},  {12, "Sched 80", 0.181},
      {13, "XS", 0.317},       {11, "Sched 160", 0.1015}, {10, "Sanitary tubing", 0.0819},
      {1, "Sched 40", 0.00133},
  };
  for (const Kept& k : kept)
    EXPECT_NEAR(1 / PipeVelocity(k.i, k.schedule, 1, UnitFlow), k.area, k.area * 1e-9)
        << k.schedule << " at position " << k.i;
}
