#include "platform/rt/SysUtils.h"

#include <algorithm>

namespace rt {

namespace {
unsigned char LowerAscii(unsigned char C) { return C >= 'A' && C <= 'Z' ? C + ('a' - 'A') : C; }
unsigned char UpperAscii(unsigned char C) { return C >= 'a' && C <= 'z' ? C - ('a' - 'A') : C; }
} // namespace

int CompareStr(std::string_view S1, std::string_view S2) {
  int C = S1.compare(S2);
  return C < 0 ? -1 : C > 0 ? 1 : 0;
}

int CompareText(std::string_view S1, std::string_view S2) {
  const std::size_t N = std::min(S1.size(), S2.size());
  for (std::size_t I = 0; I < N; ++I) {
    int A = LowerAscii(static_cast<unsigned char>(S1[I]));
    int B = LowerAscii(static_cast<unsigned char>(S2[I]));
    if (A != B) return A < B ? -1 : 1;
  }
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

bool SameText(std::string_view S1, std::string_view S2) { return CompareText(S1, S2) == 0; }

std::string UpperCase(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = static_cast<char>(UpperAscii(static_cast<unsigned char>(C)));
  return R;
}

std::string LowerCase(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = static_cast<char>(LowerAscii(static_cast<unsigned char>(C)));
  return R;
}

std::string Trim(std::string_view S) {
  auto Blank = [](char C) { return static_cast<unsigned char>(C) <= ' '; };
  std::size_t B = 0, E = S.size();
  while (B < E && Blank(S[B])) ++B;
  while (E > B && Blank(S[E - 1])) --E;
  return std::string(S.substr(B, E - B));
}

} // namespace rt
