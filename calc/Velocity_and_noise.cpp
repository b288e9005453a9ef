#include "calc/Velocity_and_noise.h"

#include <cmath>
#include <numbers>

#include "platform/rt/SysUtils.h"
#include "webapp/ServerController.h"

namespace {

constexpr int SizeCount = 16;
constexpr int ScheduleCount = 7;

// Nominal pipe sizes, inches (3/8 in is held as 0.38).
constexpr double PipeSizes[SizeCount] = {0.25, 0.38, 0.5, 0.75, 1, 1.25, 1.5, 2,
                                         2.5,  3,    4,   5,    6, 8,    10,  12};

// Column order of the area table.
constexpr const char* ScheduleNames[ScheduleCount] = {
    "Sched 40", "Sched 80", "Sched 120", "Sched 160", "Sanitary tubing", "XXS", "XS"};

// Order in which the schedules are offered.
constexpr int OfferOrder[ScheduleCount] = {0, 1, 2, 3, 4, 6, 5};
constexpr int SanitaryColumn = 4;

// Flow area in ft² of a pipe of outside diameter od and wall w, both inches.
constexpr double BoreArea(double od, double w) {
  const double d = od - 2 * w;
  return std::numbers::pi * d * d / 4 / 144;
}

// Flow areas in ft², 0 where the schedule does not exist at the size.
//
// The entries written as BoreArea(OD, wall) come from ASME B36.10M dimensions, inches:
//
//   size   OD      XXS wall   other
//   1/2    0.840   0.294
//   3/4    1.050   0.308      Sched 160 wall 0.219
//   1      1.315   0.358
//   1 1/4  1.660   0.382
//   1 1/2  1.900   0.400
//   2      2.375   0.436
//   2 1/2  2.875   0.552
//   3      3.500   0.600
//   4      4.500   0.674
//   5      5.563   0.750
//   6      6.625   0.864      Sched 160 wall 0.719
//   8      8.625   0.875
//   10     10.750             XS wall 0.500
//   12     12.750             XS wall 0.500, Sched 80 wall 0.688, Sched 40 wall 0.406
//
// XXS does not exist below 1/2 in. A zero means the program does not offer that schedule at
// that size (XXS at 10 and 12 in, Sched 120 and 160 at 8 in), even where such pipe is made.
constexpr double Areas[SizeCount][ScheduleCount] = {
    // Sched 40, Sched 80, Sched 120, Sched 160, Sanitary tubing, XXS, XS
    {0.00072, 0.0005, 0, 0, 0, 0, 0.0005},
    {0.00133, 0.00098, 0, 0, 0, 0, 0.00098},
    {0.00211, 0.00163, 0, 0.00118, 0.00076, BoreArea(0.840, 0.294), 0.00163},
    {0.00371, 0.003, 0, BoreArea(1.050, 0.219), 0.00213, BoreArea(1.050, 0.308), 0.003},
    {0.006, 0.00499, 0, 0.00362, 0.00418, BoreArea(1.315, 0.358), 0.00499},
    {0.0104, 0.00891, 0, 0.00734, 0, BoreArea(1.660, 0.382), 0.00891},
    {0.01414, 0.01225, 0, 0.00976, 0.01031, BoreArea(1.900, 0.400), 0.01225},
    {0.0233, 0.0205, 0, 0.01556, 0.01917, BoreArea(2.375, 0.436), 0.0205},
    {0.03322, 0.02942, 0, 0.02463, 0.03076, BoreArea(2.875, 0.552), 0.02942},
    {0.0513, 0.04587, 0, 0.03755, 0.04508, BoreArea(3.500, 0.600), 0.04587},
    {0.0884, 0.07986, 0.07163, 0.06447, 0.0819, BoreArea(4.500, 0.674), 0.07986},
    {0.139, 0.1263, 0.1136, 0.1015, 0, BoreArea(5.563, 0.750), 0.1263},
    {0.2006, 0.181, 0.165, BoreArea(6.625, 0.719), 0, BoreArea(6.625, 0.864), 0.181},
    {0.347, 0.317, 0, 0, 0, BoreArea(8.625, 0.875), 0.317},
    {0.548, 0.499, 0, 0, 0, 0, BoreArea(10.750, 0.500)},
    {BoreArea(12.750, 0.406), BoreArea(12.750, 0.688), 0, 0, 0, 0, BoreArea(12.750, 0.500)},
};

int ScheduleColumn(const std::string& schedule) {
  for (int c = 0; c < ScheduleCount; ++c)
    if (schedule == ScheduleNames[c]) return c;
  return -1;
}

// A pipe size matches a table size when both agree to five decimals; 0.375 is therefore not
// the table's 0.38.
int SizePosition(double size) {
  if (!std::isfinite(size) || std::fabs(size) > 1e6) return -1;
  const long long key = std::llround(size * 100000);
  for (int i = 0; i < SizeCount; ++i)
    if (std::llround(PipeSizes[i] * 100000) == key) return i;
  return -1;
}

std::string Fixed1(double v) { return rt::FloatToStrF(v, rt::ffFixed, 8, 1); }

} // namespace

Tsched::Tsched()
    : Fuppipe(1), Fdownpipe(1), Findex(1), Fschedlist(std::make_unique<rt::TStringList>()) {}

Tsched::~Tsched() = default;

int Tsched::Schedindex() {
  BuildScheduleList();
  return Findex;
}

int Tsched::Schedindexdown() {
  BuildScheduleList();
  return Findexdown;
}

const rt::TStringList& Tsched::Schedlist() {
  BuildScheduleList();
  return *Fschedlist;
}

void Tsched::BuildScheduleList() {
  Findexdown = SizePosition(Fdownpipe);
  Findex = SizePosition(Fuppipe);
  Fschedlist->Clear();
  if (Findex < 0 || Findexdown < 0) {
    Fschedlist->Add("No available schedules");
    return;
  }
  auto bothExist = [this](int c) { return Areas[Findex][c] != 0 && Areas[Findexdown][c] != 0; };
  if (UserSession()->ValveLine == "Purilane") {
    // The sanitary line is piped in sanitary tubing only.
    Fschedlist->Add(bothExist(SanitaryColumn) ? ScheduleNames[SanitaryColumn]
                                              : "No available schedules");
    return;
  }
  for (int c : OfferOrder)
    if (bothExist(c)) Fschedlist->Add(ScheduleNames[c]);
}

double PipeVelocity(int i, const std::string& schedule, double divisor, double flow) {
  const int c = ScheduleColumn(schedule);
  if (c < 0 || i < 0 || i >= SizeCount) return -1;
  const double area = Areas[i][c];
  if (area <= 0 || !(divisor > 0) || !std::isfinite(flow)) return -1;
  const double v = flow / area / divisor * 8.0208542 / 3600;
  return std::isfinite(v) ? v : -1;
}

std::string VelocityText(double velocity) {
  if (!(velocity >= 0) || !std::isfinite(velocity)) return "NA";
  return Fixed1(velocity) + "  (" + Fixed1(velocity / 3.2808) + ")";
}
