#include "report/engine/repClassPicture.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repUtils.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <iostream>

#include "platform/rt/Controls.h"
#include "platform/rt/SysUtils.h"
#include "report/engine/repRes.h"

// ---------------------------------------------------------------------------------------------
// Numbers and text

double TextToFloat(std::string_view S) {
  std::string T;
  T.reserve(S.size());
  for (char C : S) {
    if (C == ' ') continue;
    // The runtime's decimal separator is always '.'.
    T += C == ',' ? '.' : C;
  }
  return rt::StrToFloat(T);
}

std::string FloatToShortText(double X) {
  if (X != std::trunc(X)) return rt::FloatToStrF(X, rt::ffFixed, 15, 2);
  return rt::FloatToStr(X);
}

std::string FloatToFixedText(double X, int Digits, char Separator) {
  return ReplaceChar(rt::FloatToStrF(X, rt::ffFixed, 32, Digits), '.', Separator);
}

bool FloatsDiffer(double A, double B) { return std::fabs(A - B) > 1e-4; }

std::string ReplaceChar(std::string_view S, char From, char To) {
  std::string R(S);
  for (char& C : R)
    if (C == From) C = To;
  return R;
}

std::string ToBackslashPath(std::string_view S) { return ReplaceChar(S, '/', '\\'); }

// ---------------------------------------------------------------------------------------------
// Lists and parsing

void SplitToList(std::string_view S, rt::TStrings& List, std::string_view Separator) {
  List.Clear();
  if (S.empty()) return;
  if (Separator.empty()) {
    List.Add(std::string(S));
    return;
  }
  std::size_t Start = 0;
  for (;;) {
    const std::size_t P = S.find(Separator, Start);
    if (P == std::string_view::npos) {
      if (Start < S.size()) List.Add(std::string(S.substr(Start)));
      return;
    }
    List.Add(std::string(S.substr(Start, P - Start)));
    Start = P + Separator.size();
  }
}

void SplitBySeparator(rt::TStrings& List, std::string_view S, char Separator) {
  List.Clear();
  if (S.empty() || (S.size() == 1 && S[0] == Separator)) return;
  List.BeginUpdate();
  // 1-based positions, as the rules are told.
  const std::size_t Len = S.size();
  std::size_t F = 1;
  for (std::size_t I = 1; I <= Len; ++I) {
    if ((S[I - 1] == Separator && I > F) || (I == Len && List.Count() > 0)) {
      std::size_t End = I == Len ? I + 1 : I;
      List.Add(std::string(S.substr(F - 1, End - F)));
      F = End + 1;
      I = End;
    }
  }
  List.EndUpdate();
}

void ParsePageRange(std::string_view S, rt::TStrings& List, int PageCount) {
  List.Clear();
  std::string T;
  for (char C : S)
    if (C != ' ') T += C;
  if (T.empty()) return;
  if (T.back() == '-') T += rt::IntToStr(PageCount);
  T += ',';
  std::size_t F = 0;
  bool RangeOpen = false;
  int RangeStart = 0;
  for (std::size_t I = 0; I < T.size(); ++I) {
    if (T[I] == ',') {
      const int N = rt::StrToInt(T.substr(F, I - F));
      if (RangeOpen) {
        // A range never runs past the document's last page: "1-2000000000" must not take minutes.
        const long long Last = PageCount > 0 ? std::min<long long>(N, PageCount) : N;
        for (long long K = RangeStart; K <= Last; ++K) List.Add(rt::IntToStr(K));
        RangeOpen = false;
      } else {
        List.Add(rt::IntToStr(N));
      }
      F = I + 1;
    } else if (T[I] == '-') {
      RangeStart = rt::StrToInt(T.substr(F, I - F));
      RangeOpen = true;
      F = I + 1;
    }
  }
}

std::u16string ExtractBracketed(std::u16string_view S, std::u16string_view Open, std::u16string_view Close,
                                int& I, int& J) {
  J = I;
  const int Len = static_cast<int>(S.size());
  if (S.empty() || Len < I || I < 1) return {};
  auto At = [&](int Pos, std::u16string_view What) {
    return !What.empty() && S.substr(static_cast<std::size_t>(Pos - 1), What.size()) == What;
  };
  int Depth = 0;
  bool InDouble = false, InSingle = false;
  for (;;) {
    if (!InDouble && !InSingle) {
      if (At(J, Open)) {
        if (Depth == 0) I = J;
        ++Depth;
      } else if (At(J, Close)) {
        --Depth;
      }
    }
    const char16_t C = S[static_cast<std::size_t>(J - 1)];
    if (C == u'"' && !InSingle) InDouble = !InDouble;
    else if (C == u'\'' && !InDouble) InSingle = !InSingle;
    if (!(Depth > 0 && J < Len)) break;
    ++J;
  }
  const int From = I + static_cast<int>(Open.size());
  std::u16string Result;
  if (J - From > 0) Result = S.substr(static_cast<std::size_t>(From - 1), static_cast<std::size_t>(J - From));
  if (J != I) J += static_cast<int>(Close.size()) - 1;
  return Result;
}

// ---------------------------------------------------------------------------------------------
// Streams

std::uint32_t StreamChecksum(rt::TStream& Stream) {
  const std::int64_t Pos = Stream.Position();
  Stream.SetPosition(0);
  uLong Crc = crc32(0L, Z_NULL, 0);
  unsigned char Buf[4096];
  for (;;) {
    const std::int64_t N = Stream.Read(Buf, sizeof Buf);
    if (N <= 0) break;
    Crc = crc32(Crc, Buf, static_cast<uInt>(N));
  }
  Stream.SetPosition(Pos);
  return static_cast<std::uint32_t>(Crc);
}

std::string StreamToHex(rt::TStream& Stream) {
  static const char Digits[] = "0123456789ABCDEF";
  Stream.SetPosition(0);
  std::string R;
  R.reserve(static_cast<std::size_t>(Stream.Size()) * 2);
  unsigned char Buf[4096];
  for (;;) {
    const std::int64_t N = Stream.Read(Buf, sizeof Buf);
    if (N <= 0) break;
    for (std::int64_t K = 0; K < N; ++K) {
      R += Digits[Buf[K] >> 4];
      R += Digits[Buf[K] & 15];
    }
  }
  return R;
}

void HexToStream(std::string_view S, rt::TStream& Stream) {
  auto Digit = [&](char C) {
    const int D = rt::HexDigitValue(C);
    if (D < 0) throw rt::EConvertError("'" + std::string(1, C) + "' is not a hexadecimal digit");
    return D;
  };
  std::string Bytes(S.size() / 2, '\0');
  for (std::size_t K = 0; K < Bytes.size(); ++K)
    Bytes[K] = static_cast<char>(Digit(S[2 * K]) * 16 + Digit(S[2 * K + 1]));
  Stream.SetPosition(0);
  Stream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

// ---------------------------------------------------------------------------------------------
// Components and objects

rt::TComponent* FindComponentByPath(rt::TComponent* Owner, std::string_view Name) {
  try {
    auto Part = [](std::string_view P) { return P.substr(0, 255); };
    const std::size_t Dot = Name.find('.');
    if (Dot != std::string_view::npos) {
      rt::TComponent* First = rt::FindGlobalComponent(Name.substr(0, Dot));
      if (First == nullptr) return nullptr;
      const std::string_view Rest = Name.substr(Dot + 1);
      const std::size_t Dot2 = Rest.find('.');
      if (Dot2 == std::string_view::npos) return First->FindComponent(Part(Rest));
      rt::TComponent* Middle = First->FindComponent(Part(Rest.substr(0, Dot2)));
      return Middle ? Middle->FindComponent(Part(Rest.substr(Dot2 + 1))) : nullptr;
    }
    if (Owner == nullptr) return nullptr;
    rt::TComponent* Result = Owner->FindComponent(Name);
    if (Result == nullptr && dynamic_cast<TrepReport*>(Owner) != nullptr && Owner->Owner() != nullptr)
      Result = Owner->Owner()->FindComponent(Name);
    return Result;
  } catch (const std::exception&) {
    throw rt::EClassNotFound("Missing " + std::string(Name));
  }
}

std::string ComponentFullName(rt::TComponent* Owner, rt::TComponent* Component) {
  if (Component == nullptr) return {};
  rt::TComponent* CO = Component->Owner();
  if (CO == nullptr || CO == Owner ||
      (dynamic_cast<TrepReport*>(Owner) != nullptr && Owner->Owner() == CO))
    return Component->Name();
  if (dynamic_cast<rt::TCustomForm*>(CO) != nullptr || dynamic_cast<rt::TDataModule*>(CO) != nullptr)
    return CO->Name() + "." + Component->Name();
  if (dynamic_cast<rt::TCustomFrame*>(CO) != nullptr) {
    std::string R = CO->Owner() ? CO->Owner()->Name() + "." : std::string();
    return R + CO->Name() + "." + Component->Name();
  }
  return {};
}

bool IsForegroundPicture(const rt::TObject* Obj) {
  auto* P = dynamic_cast<const TrepPictureView*>(Obj);
  return P != nullptr && P->Name() != "_pagebackground";
}

TrepRectArea::TrepRectArea(const TrepComponent& Component)
    : X(Component.AbsLeft()), Y(Component.AbsTop()), X1(Component.AbsLeft() + Component.Width()),
      Y1(Component.AbsTop() + Component.Height()) {}

TrepRectArea::TrepRectArea(double Left, double Top, double Right, double Bottom)
    : X(Left), Y(Top), X1(Right), Y1(Bottom) {}

bool TrepRectArea::InterceptsX(const TrepRectArea& A) const { return A.X < X1 - 1e-4 && A.X1 > X + 1e-4; }

bool TrepRectArea::InterceptsY(const TrepRectArea& A) const { return A.Y < Y1 - 1e-4 && A.Y1 > Y + 1e-4; }

std::unique_ptr<TrepRectArea> TrepRectArea::InterceptX(const TrepRectArea& A) const {
  if (!InterceptsX(A)) return nullptr;
  return std::make_unique<TrepRectArea>(Max(X, A.X), 0, Min(X1, A.X1), 0);
}

std::unique_ptr<TrepRectArea> TrepRectArea::InterceptY(const TrepRectArea& A) const {
  if (!InterceptsY(A)) return nullptr;
  return std::make_unique<TrepRectArea>(0, Max(Y, A.Y), 0, Min(Y1, A.Y1));
}

// ---------------------------------------------------------------------------------------------
// Errors

void ReportError(TrepReport* Report, const std::string& Text) {
  const TrepSilentMode Mode = Report ? Report->EngineOptions.SilentMode : simMessageBoxes;
  switch (Mode) {
    case simMessageBoxes: ShowErrorBox(Text); break;
    case simSilent: break;
    case simReThrow: throw rt::Exception(Text);
  }
}

void ShowErrorBox(const std::string& Text) {
  std::cerr << ResourceTable().Get("mbError") << ": " << Text << std::endl;
}

// ---------------------------------------------------------------------------------------------
// Files

namespace {

std::string WithSlash(std::string S) {
  if (S.empty() || S.back() != '/') S += '/';
  return S;
}

} // namespace

std::string TempPath() {
  std::error_code Ec;
  std::filesystem::path P = std::filesystem::temp_directory_path(Ec);
  return WithSlash(Ec ? std::string("/tmp") : P.string());
}

std::string TempFileName() { return TempFileNameIn(std::string()); }

std::string TempFileNameIn(const std::string& Dir) {
  std::string Name = (Dir.empty() ? TempPath() : WithSlash(Dir)) + "repXXXXXX";
  const int Fd = ::mkstemp(Name.data());
  if (Fd < 0)
    throw rt::EFCreateError("Cannot create a temporary file in \"" + Dir + "\". " + std::strerror(errno));
  ::close(Fd);
  return Name;
}

std::string ExeFileName() {
  std::error_code Ec;
  std::filesystem::path P = std::filesystem::read_symlink("/proc/self/exe", Ec);
  return Ec ? std::string() : P.string();
}

std::string ExeDirectory() {
  const std::string Exe = ExeFileName();
  return Exe.empty() ? std::string("./") : WithSlash(std::filesystem::path(Exe).parent_path().string());
}

namespace {
std::mutex& SettingsFolderLock() {
  static std::mutex M;
  return M;
}
std::string& SettingsFolderValue() {
  static std::string Folder;
  return Folder;
}

std::string AbsoluteFolder(const std::string& Folder) {
  std::error_code Ec;
  const std::filesystem::path P = std::filesystem::absolute(Folder, Ec);
  return WithSlash((Ec ? std::filesystem::path(Folder) : P).lexically_normal().string());
}
} // namespace

std::string repSettingsFolder() {
  std::lock_guard<std::mutex> Lock(SettingsFolderLock());
  std::string& F = SettingsFolderValue();
  if (F.empty()) F = AbsoluteFolder(ExeDirectory() + "settings/");
  return F;
}

void repSetSettingsFolder(const std::string& Folder) {
  const std::string F = Folder.empty() ? std::string() : AbsoluteFolder(Folder);
  std::lock_guard<std::mutex> Lock(SettingsFolderLock());
  SettingsFolderValue() = F;
}

// ---------------------------------------------------------------------------------------------
// Resolution of windows

int WindowDPI(TWindowHandle) { return 96; }

TDpiContext SetThreadDpiContext(TDpiContext) { return 0; }

TDpiContext ThreadDpiContext() { return -1; }
