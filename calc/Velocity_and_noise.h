#pragma once
// Pipe data of a sizing: the flow area of standard pipe by nominal size and schedule, the
// schedules offered for an inlet and outlet pipe pair, and the fluid velocity in a pipe.
#include <memory>
#include <string>

#include "platform/rt/Classes.h"

// Schedules available for both pipes of a sizing. The positions and the list are rebuilt from
// the pipe sizes (and the session's valve line) every time one of them is read.
class Tsched {
public:
  Tsched();
  virtual ~Tsched();
  Tsched(const Tsched&) = delete;
  Tsched& operator=(const Tsched&) = delete;

  // Inlet and outlet pipe sizes, inches.
  double UpPipeDiam() const { return Fuppipe; }
  void SetUpPipeDiam(double Value) { Fuppipe = Value; }
  double DownPipeDiam() const { return Fdownpipe; }
  void SetDownPipeDiam(double Value) { Fdownpipe = Value; }

  // Table position of the inlet / outlet size, -1 when it is not a table size.
  int Schedindex();
  void SetSchedindex(int Value) { Findex = Value; }
  int Schedindexdown();
  void SetSchedindexdown(int Value) { Findexdown = Value; }

  // Schedule names available for both pipes, or the single entry "No available schedules".
  // The list stays owned by this object and is refilled on every read.
  const rt::TStringList& Schedlist();

private:
  void BuildScheduleList();

  double Fuppipe;
  double Fdownpipe;
  int Findex;
  int Findexdown = -1;
  std::unique_ptr<rt::TStringList> Fschedlist;
};

// Velocity in ft/s of a flow through the pipe of table position i and the named schedule:
// flow / area / divisor * 8.0208542 / 3600 (a liquid flow in gpm with divisor 1; a gas flow in
// SCFH with the gas volume term as divisor). Returns -1 when there is no velocity to give: a
// schedule name not in the table, a position outside it, a schedule that does not exist at
// that size, or a divisor that is not positive.
double PipeVelocity(int i, const std::string& schedule, double divisor, double flow);

// Grid text of a velocity in ft/s: feet and, in brackets, metres per second; "NA" for -1.
std::string VelocityText(double velocity);
