#include "platform/rt/Unicode.h"

namespace rt {

std::u16string Utf8ToUtf16(std::string_view S) {
  std::u16string R;
  R.reserve(S.size());
  const std::size_t N = S.size();
  std::size_t I = 0;
  while (I < N) {
    unsigned char C = static_cast<unsigned char>(S[I]);
    if (C < 0x80) {
      R.push_back(C);
      ++I;
      continue;
    }
    int Extra;
    char32_t Cp;
    if ((C & 0xE0) == 0xC0) { Extra = 1; Cp = C & 0x1F; }
    else if ((C & 0xF0) == 0xE0) { Extra = 2; Cp = C & 0x0F; }
    else if ((C & 0xF8) == 0xF0) { Extra = 3; Cp = C & 0x07; }
    else { R.push_back(0xFFFD); ++I; continue; }
    bool Ok = true;
    for (int K = 1; Ok && K <= Extra; ++K) {
      if (I + K >= N) { Ok = false; break; }
      unsigned char D = static_cast<unsigned char>(S[I + K]);
      if ((D & 0xC0) != 0x80) { Ok = false; break; }
      Cp = (Cp << 6) | (D & 0x3F);
    }
    static const char32_t Min[4] = {0, 0x80, 0x800, 0x10000};
    if (!Ok || Cp < Min[Extra] || Cp > 0x10FFFF || (Cp >= 0xD800 && Cp <= 0xDFFF)) {
      R.push_back(0xFFFD);
      ++I;
      continue;
    }
    I += Extra + 1;
    if (Cp >= 0x10000) {
      Cp -= 0x10000;
      R.push_back(static_cast<char16_t>(0xD800 + (Cp >> 10)));
      R.push_back(static_cast<char16_t>(0xDC00 + (Cp & 0x3FF)));
    } else {
      R.push_back(static_cast<char16_t>(Cp));
    }
  }
  return R;
}

std::string Utf16ToUtf8(std::u16string_view S) {
  std::string R;
  R.reserve(S.size());
  const std::size_t N = S.size();
  for (std::size_t I = 0; I < N; ++I) {
    char32_t Cp = S[I];
    if (Cp >= 0xD800 && Cp <= 0xDBFF && I + 1 < N && S[I + 1] >= 0xDC00 && S[I + 1] <= 0xDFFF) {
      Cp = 0x10000 + ((Cp - 0xD800) << 10) + (S[I + 1] - 0xDC00);
      ++I;
    } else if (Cp >= 0xD800 && Cp <= 0xDFFF) {
      Cp = 0xFFFD;
    }
    if (Cp < 0x80) {
      R.push_back(static_cast<char>(Cp));
    } else if (Cp < 0x800) {
      R.push_back(static_cast<char>(0xC0 | (Cp >> 6)));
      R.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    } else if (Cp < 0x10000) {
      R.push_back(static_cast<char>(0xE0 | (Cp >> 12)));
      R.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
      R.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    } else {
      R.push_back(static_cast<char>(0xF0 | (Cp >> 18)));
      R.push_back(static_cast<char>(0x80 | ((Cp >> 12) & 0x3F)));
      R.push_back(static_cast<char>(0x80 | ((Cp >> 6) & 0x3F)));
      R.push_back(static_cast<char>(0x80 | (Cp & 0x3F)));
    }
  }
  return R;
}

// Code page 1252 differs from Latin-1 only in 80..9F.
static const char16_t Ansi80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::u16string AnsiToUtf16(std::string_view S) {
  std::u16string R(S.size(), u'\0');
  for (std::size_t I = 0; I < S.size(); ++I) {
    unsigned char C = static_cast<unsigned char>(S[I]);
    R[I] = C >= 0x80 && C < 0xA0 ? Ansi80[C - 0x80] : C;
  }
  return R;
}

std::string Utf16ToAnsi(std::u16string_view S) {
  std::string R;
  R.reserve(S.size());
  for (std::size_t I = 0; I < S.size(); ++I) {
    char16_t C = S[I];
    if (C < 0x80 || (C >= 0xA0 && C <= 0xFF)) {
      R.push_back(static_cast<char>(C));
      continue;
    }
    char Out = '?';
    for (int K = 0; K < 32; ++K)
      if (Ansi80[K] == C) { Out = static_cast<char>(0x80 + K); break; }
    if (C >= 0xD800 && C <= 0xDBFF && I + 1 < S.size() && S[I + 1] >= 0xDC00 && S[I + 1] <= 0xDFFF) ++I;
    R.push_back(Out);
  }
  return R;
}

char16_t WideUpperChar(char16_t C) {
  if (C < 0x80) return C >= 'a' && C <= 'z' ? C - 32 : C;
  if (C >= 0xE0 && C <= 0xFE && C != 0xF7) return C - 32;
  if (C == 0xFF) return 0x178;
  if (C == 0xB5) return 0x39C;
  if (C >= 0x100 && C <= 0x17F) {
    if (C == 0x131) return 'I';
    if (C == 0x17F) return 'S';
    if ((C >= 0x139 && C <= 0x148) || (C >= 0x179 && C <= 0x17E)) return (C & 1) ? C : C - 1;
    if (C == 0x130 || C == 0x138 || C == 0x149 || C == 0x178) return C;
    return (C & 1) ? C - 1 : C;
  }
  if (C >= 0x3B1 && C <= 0x3CB && C != 0x3C2) return C - 32;
  if (C == 0x3C2) return 0x3A3;
  if (C >= 0x430 && C <= 0x44F) return C - 32;
  if (C >= 0x450 && C <= 0x45F) return C - 80;
  return C;
}

char16_t WideLowerChar(char16_t C) {
  if (C < 0x80) return C >= 'A' && C <= 'Z' ? C + 32 : C;
  if (C >= 0xC0 && C <= 0xDE && C != 0xD7) return C + 32;
  if (C == 0x178) return 0xFF;
  if (C >= 0x100 && C <= 0x17F) {
    if (C == 0x130) return 'i';
    if ((C >= 0x139 && C <= 0x148) || (C >= 0x179 && C <= 0x17E)) return (C & 1) ? C + 1 : C;
    if (C == 0x131 || C == 0x138 || C == 0x149 || C == 0x17F) return C;
    return (C & 1) ? C : C + 1;
  }
  if (C >= 0x391 && C <= 0x3AB && C != 0x3A2) return C + 32;
  if (C >= 0x410 && C <= 0x42F) return C + 32;
  if (C >= 0x400 && C <= 0x40F) return C + 80;
  return C;
}

std::u16string WideUpperCase(std::u16string_view S) {
  std::u16string R(S);
  for (char16_t& C : R) C = WideUpperChar(C);
  return R;
}

std::u16string WideLowerCase(std::u16string_view S) {
  std::u16string R(S);
  for (char16_t& C : R) C = WideLowerChar(C);
  return R;
}

int WideCompareText(std::u16string_view S1, std::u16string_view S2) {
  const std::size_t N = S1.size() < S2.size() ? S1.size() : S2.size();
  for (std::size_t I = 0; I < N; ++I) {
    char16_t A = WideUpperChar(S1[I]), B = WideUpperChar(S2[I]);
    if (A != B) return A < B ? -1 : 1;
  }
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

std::string Utf8UpperCase(std::string_view S) {
  for (char C : S)
    if (static_cast<unsigned char>(C) >= 0x80) return Utf16ToUtf8(WideUpperCase(Utf8ToUtf16(S)));
  std::string R(S);
  for (char& C : R)
    if (C >= 'a' && C <= 'z') C -= 32;
  return R;
}

int Utf8CompareText(std::string_view S1, std::string_view S2) {
  // Property and class names are ASCII: up to the first other character the byte positions are
  // the UTF-16 positions, so the wide comparison is needed only from there.
  const std::size_t N = S1.size() < S2.size() ? S1.size() : S2.size();
  for (std::size_t I = 0; I < N; ++I) {
    const unsigned char A = static_cast<unsigned char>(S1[I]), B = static_cast<unsigned char>(S2[I]);
    if (A >= 0x80 || B >= 0x80) return WideCompareText(Utf8ToUtf16(S1), Utf8ToUtf16(S2));
    const unsigned char UA = A >= 'a' && A <= 'z' ? A - 32 : A, UB = B >= 'a' && B <= 'z' ? B - 32 : B;
    if (UA != UB) return UA < UB ? -1 : 1;
  }
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

} // namespace rt
