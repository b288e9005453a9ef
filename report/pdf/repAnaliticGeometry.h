#pragma once
// Points and rectangles of the report model in Extended report pixels, and the conversions of the
// PDF export between them and the integer points of the graphics platform.
//
// TrepPoint, TrepRect and MakeRepPoint belong to the report engine's shared types; they stand here
// until the engine provides them, and must then come from there.
#include "report/pdf/repEMFFormat.h"

struct TrepPoint {
  double X = 0, Y = 0;
};

struct TrepRect {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;
};

inline TrepPoint MakeRepPoint(double X, double Y) { return TrepPoint{X, Y}; }

inline TrepPoint PointToRepPoint(const TPoint& P) {
  return MakeRepPoint(static_cast<double>(P.X), static_cast<double>(P.Y));
}
