#include "report/script/sc_istack.h"

#include <pthread.h>

#include <algorithm>

#include "platform/rt/Variants.h"

namespace {

std::uintptr_t ComputeStackLimit() {
  pthread_attr_t Attr;
  if (pthread_getattr_np(pthread_self(), &Attr) != 0) return 0;
  void* Low = nullptr;
  std::size_t Size = 0;
  const int Rc = pthread_attr_getstack(&Attr, &Low, &Size);
  pthread_attr_destroy(&Attr);
  if (Rc != 0 || !Low || Size == 0) return 0;
  const std::size_t Reserve = std::min(kScriptStackReserve, Size / 4);
  return reinterpret_cast<std::uintptr_t>(Low) + Reserve;
}

} // namespace

thread_local constinit std::uintptr_t GscStackLimit = 0;

std::uintptr_t scComputeStackLimit() {
  // 1 when the stack is unknown: no frame lies that low, and it is not computed again.
  const std::uintptr_t L = ComputeStackLimit();
  GscStackLimit = L ? L : 1;
  return GscStackLimit;
}

void scStackOverflow(const char* Message) { throw rt::EStackOverflow(Message); }
