#include "platform/rt/Format.h"

#include <cstdio>

#include "platform/rt/DateUtils.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"

namespace rt {

TVarRec TVarRec::Integer(int V) {
  TVarRec R;
  R.VType = vtInteger;
  R.VInteger = V;
  return R;
}

TVarRec TVarRec::Int64(std::int64_t V) {
  TVarRec R;
  R.VType = vtInt64;
  R.VInteger = V;
  return R;
}

TVarRec TVarRec::Boolean(bool V) {
  TVarRec R;
  R.VType = vtBoolean;
  R.VInteger = V ? 1 : 0;
  return R;
}

TVarRec TVarRec::WideChar(char16_t V) {
  TVarRec R;
  R.VType = vtWideChar;
  R.VInteger = V;
  return R;
}

TVarRec TVarRec::Extended(double V) {
  TVarRec R;
  R.VType = vtExtended;
  R.VExtended = V;
  return R;
}

TVarRec TVarRec::Currency(double V) {
  TVarRec R;
  R.VType = vtCurrency;
  R.VExtended = V;
  return R;
}

TVarRec TVarRec::UnicodeString(std::u16string V) {
  TVarRec R;
  R.VType = vtUnicodeString;
  R.VString = std::move(V);
  return R;
}

TVarRec TVarRec::WideString(std::u16string V) {
  TVarRec R;
  R.VType = vtWideString;
  R.VString = std::move(V);
  return R;
}

TVarRec TVarRec::ShortString(std::u16string V) {
  TVarRec R;
  R.VType = vtString;
  if (V.size() > 255) V.resize(255);
  R.VString = std::move(V);
  return R;
}

TVarRec TVarRec::OfVariant(const Variant& V) {
  TVarRec R;
  R.VType = vtVariant;
  R.VVariant = V;
  return R;
}

TVarRec TVarRec::Pointer(const void* V) {
  TVarRec R;
  R.VType = vtPointer;
  R.VPointer = V;
  return R;
}

TVarRec TVarRec::Object(const TObject* V) {
  TVarRec R;
  R.VType = vtObject;
  R.VPointer = V;
  return R;
}

namespace {

class Formatter {
public:
  Formatter(std::u16string_view Pattern, const std::vector<TVarRec>& Args) : FPattern(Pattern), FArgs(Args) {}

  std::u16string Run() {
    std::size_t I = 0;
    const std::size_t N = FPattern.size();
    while (I < N) {
      const char16_t C = FPattern[I++];
      if (C != u'%') {
        FOut += C;
        continue;
      }
      if (I >= N) Invalid();
      if (FPattern[I] == u'%') {
        FOut += u'%';
        ++I;
        continue;
      }
      Specifier(I);
    }
    return FOut;
  }

private:
  [[noreturn]] void Invalid() const {
    throw EConvertError("Format '" + Utf16ToUtf8(FPattern) + "' invalid or incompatible with argument");
  }

  const TVarRec& NextArg() {
    if (FNext >= FArgs.size()) throw EConvertError("No argument for format '" + Utf16ToUtf8(FPattern) + "'");
    return FArgs[FNext++];
  }

  // A number or "*" at I; -1 when neither is there.
  int Count(std::size_t& I) {
    if (I < FPattern.size() && FPattern[I] == u'*') {
      ++I;
      const TVarRec& A = NextArg();
      if (A.VType != TVarRec::vtInteger) Invalid();
      return static_cast<int>(A.VInteger);
    }
    if (I >= FPattern.size() || FPattern[I] < u'0' || FPattern[I] > u'9') return -1;
    long long V = 0;
    while (I < FPattern.size() && FPattern[I] >= u'0' && FPattern[I] <= u'9') {
      V = V * 10 + (FPattern[I++] - u'0');
      if (V > 100000) Invalid();
    }
    return static_cast<int>(V);
  }

  void Specifier(std::size_t& I) {
    const std::size_t N = FPattern.size();
    bool Left = false;
    if (I < N && FPattern[I] == u'-') {
      Left = true;
      ++I;
    }
    int Width = Count(I);
    if (I < N && FPattern[I] == u':') {  // the number was an argument index
      ++I;
      if (Left || Width < 0) Invalid();
      FNext = static_cast<std::size_t>(Width);
      Width = -1;
      if (I < N && FPattern[I] == u'-') {
        Left = true;
        ++I;
      }
      Width = Count(I);
    }
    int Prec = -1;
    if (I < N && FPattern[I] == u'.') {
      ++I;
      Prec = Count(I);
      if (Prec < 0) Prec = 0;
    }
    if (I >= N) Invalid();
    const char16_t Type = FPattern[I++];
    std::u16string Text = Convert(Type, Prec);
    if (Width > 0 && static_cast<int>(Text.size()) < Width) {
      const std::u16string Pad(static_cast<std::size_t>(Width) - Text.size(), u' ');
      Text = Left ? Text + Pad : Pad + Text;
    }
    CheckStringLength(FOut.size() + Text.size());
    FOut += Text;
  }

  // The argument as a 64-bit integer, for d, u and x.
  std::int64_t IntegerOf(const TVarRec& A, bool& Wide) const {
    Wide = false;
    switch (A.VType) {
      case TVarRec::vtInteger: return A.VInteger;
      case TVarRec::vtInt64: Wide = true; return A.VInteger;
      case TVarRec::vtVariant:
        if (A.VVariant.IsOrdinal() || A.VVariant.IsBoolean()) {
          Wide = A.VVariant.VarType() == varInt64 || A.VVariant.VarType() == varLongWord;
          return A.VVariant.ToInt64();
        }
        break;
      default: break;
    }
    Invalid();
  }

  double FloatOf(const TVarRec& A) const {
    switch (A.VType) {
      case TVarRec::vtExtended: case TVarRec::vtCurrency: return A.VExtended;
      case TVarRec::vtVariant:
        if (A.VVariant.IsNumeric()) return A.VVariant.ToDouble();
        break;
      default: break;
    }
    Invalid();
  }

  std::u16string TextOf(const TVarRec& A) const {
    switch (A.VType) {
      case TVarRec::vtChar: case TVarRec::vtWideChar: return std::u16string(1, static_cast<char16_t>(A.VInteger));
      case TVarRec::vtString: case TVarRec::vtPChar: case TVarRec::vtAnsiString: case TVarRec::vtPWideChar:
      case TVarRec::vtWideString: case TVarRec::vtUnicodeString: case TVarRec::vtClass:
        return A.VString;
      case TVarRec::vtVariant: return VarToUStr(A.VVariant);
      default: Invalid();
    }
  }

  static std::u16string Ascii(const std::string& S) { return std::u16string(S.begin(), S.end()); }

  std::u16string Convert(char16_t Type, int Prec) {
    switch (Type) {
      case u'd': case u'D': {
        bool Wide;
        const std::int64_t V = IntegerOf(NextArg(), Wide);
        std::string Digits = std::to_string(V < 0 ? -(V + 1) + 1ULL : static_cast<unsigned long long>(V));
        if (Prec > static_cast<int>(Digits.size())) Digits.insert(0, static_cast<std::size_t>(Prec) - Digits.size(), '0');
        return Ascii((V < 0 ? "-" : "") + Digits);
      }
      case u'u': case u'U': {
        bool Wide;
        const std::int64_t V = IntegerOf(NextArg(), Wide);
        const unsigned long long U = Wide ? static_cast<unsigned long long>(V) : static_cast<std::uint32_t>(V);
        std::string Digits = std::to_string(U);
        if (Prec > static_cast<int>(Digits.size())) Digits.insert(0, static_cast<std::size_t>(Prec) - Digits.size(), '0');
        return Ascii(Digits);
      }
      case u'x': case u'X': {
        bool Wide;
        const std::int64_t V = IntegerOf(NextArg(), Wide);
        const unsigned long long U = Wide ? static_cast<unsigned long long>(V) : static_cast<std::uint32_t>(V);
        char Buf[32];
        std::snprintf(Buf, sizeof Buf, "%llX", U);
        std::string Digits = Buf;
        if (Prec > static_cast<int>(Digits.size())) Digits.insert(0, static_cast<std::size_t>(Prec) - Digits.size(), '0');
        return Ascii(Digits);
      }
      case u'e': case u'E': {
        const double V = FloatOf(NextArg());
        return Ascii(FloatToStrF(V, ffExponent, Prec < 0 ? 15 : Prec, 3));
      }
      case u'f': case u'F': {
        const double V = FloatOf(NextArg());
        return Ascii(FloatToStrF(V, ffFixed, 18, Prec < 0 ? 2 : Prec));
      }
      case u'g': case u'G': {
        const double V = FloatOf(NextArg());
        return Ascii(FloatToStrF(V, ffGeneral, Prec < 0 ? 15 : Prec, 0));
      }
      case u'n': case u'N': {
        const double V = FloatOf(NextArg());
        return Ascii(FloatToStrF(V, ffNumber, 18, Prec < 0 ? 2 : Prec));
      }
      case u'm': case u'M': {
        const double V = FloatOf(NextArg());
        const TFormatSettings& FS = FormatSettings();
        std::string Amount = FloatToStrF(V < 0 ? -V : V, ffNumber, 18, Prec < 0 ? FS.CurrencyDecimals : Prec);
        return Utf8ToUtf16(V < 0 && Amount.find_first_not_of("0.,") != std::string::npos
                               ? "(" + FS.CurrencyString + Amount + ")"
                               : FS.CurrencyString + Amount);
      }
      case u's': case u'S': {
        std::u16string S = TextOf(NextArg());
        if (Prec >= 0 && static_cast<int>(S.size()) > Prec) S.resize(static_cast<std::size_t>(Prec));
        return S;
      }
      case u'p': case u'P': {
        const TVarRec& A = NextArg();
        if (A.VType != TVarRec::vtPointer) Invalid();
        char Buf[32];
        std::snprintf(Buf, sizeof Buf, "%016llX",
                      static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(A.VPointer)));
        return Ascii(Buf);
      }
      default: Invalid();
    }
  }

  std::u16string_view FPattern;
  const std::vector<TVarRec>& FArgs;
  std::size_t FNext = 0;
  std::u16string FOut;
};

} // namespace

std::u16string Format(std::u16string_view Pattern, const std::vector<TVarRec>& Args) {
  return Formatter(Pattern, Args).Run();
}

std::string Format(std::string_view Pattern, const std::vector<TVarRec>& Args) {
  return Utf16ToUtf8(Format(std::u16string_view(Utf8ToUtf16(Pattern)), Args));
}

} // namespace rt
