#pragma once
// The script engine recurses on the native stack (nested statements, expressions, script calls,
// grammar rules). Server threads may have as little as 1 MB of it, so the recursive paths check
// the room left on the current thread's own stack instead of trusting a fixed depth alone.
#include <cstddef>
#include <cstdint>

// Room kept free below the deepest checked frame, for the unchecked calls between two checks
// and for raising the error; a quarter of the stack on threads with less than 1 MB.
constexpr std::size_t kScriptStackReserve = 256 * 1024;

// The lowest address a checked frame may reach on this thread, computed on first use; 0 until then.
// Kept in a plain thread-local so that the check on every call stays a compare.
extern thread_local constinit std::uintptr_t GscStackLimit;
std::uintptr_t scComputeStackLimit();
inline std::uintptr_t scStackLimit() {
  const std::uintptr_t L = GscStackLimit;
  return L ? L : scComputeStackLimit();
}

// rt::EStackOverflow with Message when the current thread's stack is nearly used up.
void scStackOverflow(const char* Message);
inline void scCheckStack(const char* Message = "Stack overflow") {
  if (reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < scStackLimit()) scStackOverflow(Message);
}
// True when the current thread's stack is nearly used up.
inline bool scStackLow() { return reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)) < scStackLimit(); }
