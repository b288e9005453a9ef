#pragma once
// Small pieces the layout engine's source files share; not part of the engine's interface.
#include <utility>

#include "report/engine/repClass.h"

namespace repengine {

// Heights and positions closer than this are equal.
constexpr double Eps = 0.0001;

inline bool IsDataBand(const TrepComponent* C) { return dynamic_cast<const TrepDataBand*>(C) != nullptr; }

// Switches a list's change notices off while the engine borrows it, so that the report's name
// index does not see objects leave and come back.
class TQuietList {
public:
  explicit TQuietList(TrepObjectsNotifyList& L) : FList(L), FNotify(std::move(L.OnNotifyList)) {
    L.OnNotifyList = nullptr;
  }
  ~TQuietList() { FList.OnNotifyList = std::move(FNotify); }
  TQuietList(const TQuietList&) = delete;
  TQuietList& operator=(const TQuietList&) = delete;

private:
  TrepObjectsNotifyList& FList;
  TrepObjectsNotifyList::TNotifyEvent FNotify;
};

} // namespace repengine
