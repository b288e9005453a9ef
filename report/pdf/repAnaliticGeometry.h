#pragma once
// Conversions of the PDF export between the integer points of the graphics platform and the
// Extended points of the report model.
#include "report/engine/repClassComponent.h"
#include "report/engine/repUtils.h"
#include "report/pdf/repEMFFormat.h"

inline TrepPoint PointToRepPoint(const TPoint& P) {
  return MakeRepPoint(static_cast<double>(P.X), static_cast<double>(P.Y));
}
