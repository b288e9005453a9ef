#include "report/pdf/repRC4.h"

#include <utility>

void TrepRC4::Start(const void* Key, int KeyLength) {
  if (KeyLength < 1 || KeyLength > 256) return;
  const auto* K = static_cast<const std::uint8_t*>(Key);
  for (int I = 0; I < 256; ++I) FKey[I] = static_cast<std::uint8_t>(I);
  std::uint8_t J = 0;
  for (int I = 0; I < 256; ++I) {
    J = static_cast<std::uint8_t>(J + FKey[I] + K[I % KeyLength]);
    std::swap(FKey[I], FKey[J]);
  }
}

void TrepRC4::Crypt(const void* Source, void* Target, int Length) {
  const auto* S = static_cast<const std::uint8_t*>(Source);
  auto* T = static_cast<std::uint8_t*>(Target);
  std::uint8_t I = 0, J = 0;
  for (int N = 0; N < Length; ++N) {
    I = static_cast<std::uint8_t>(I + 1);
    J = static_cast<std::uint8_t>(J + FKey[I]);
    std::swap(FKey[I], FKey[J]);
    T[N] = S[N] ^ FKey[static_cast<std::uint8_t>(FKey[I] + FKey[J])];
  }
}
