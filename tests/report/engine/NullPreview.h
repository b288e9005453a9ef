// A preview control that shows nothing, for tests that need one attached.
#pragma once

#include "report/engine/repClass.h"

struct TNullPreview : TrepCustomPreview {
  void InternalOnProgressStart(TrepReport*, TrepProgressType, int) override {}
  void InternalOnProgress(TrepReport*, TrepProgressType, int) override {}
  void InternalOnProgressStop(TrepReport*, TrepProgressType, int) override {}
  bool Init(TrepReport*, TrepCustomPreviewPages*) override { return true; }
  void UnInit(TrepCustomPreviewPages*) override {}
  void Lock() override {}
  void Unlock() override {}
  void RefreshReport() override {}
};
