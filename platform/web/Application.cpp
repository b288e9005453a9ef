#include "platform/web/Application.h"

namespace web {
namespace {
thread_local TIWApplication* GCurrent = nullptr;
}

TIWApplication* CurrentApplication() noexcept { return GCurrent; }

TCurrentApplicationScope::TCurrentApplicationScope(TIWApplication* app) noexcept
    : FPrevious(GCurrent) {
  GCurrent = app;
}

TCurrentApplicationScope::~TCurrentApplicationScope() { GCurrent = FPrevious; }

} // namespace web
