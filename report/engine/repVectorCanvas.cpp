#include "report/engine/repVectorCanvas.h"

#include <climits>

#include "platform/rt/Unicode.h"
#include "platform/rt/Variants.h"

namespace {

void CheckCount(int ACount) {
  if (ACount < 0) throw rt::ERangeError("Character count out of range (" + std::to_string(ACount) + ")");
}

void CheckText(int ACount, const void* Str) {
  if (ACount > 0 && !Str) throw rt::EInvalidPointer("Text output without its characters");
}

} // namespace

TVector_ExtTextOut::TVector_ExtTextOut(int AX, int AY, int AOptions, const TVectorRect& ARect, int ACount,
                                       const std::int32_t* ADx)
    : FX(AX), FY(AY), FOptions(AOptions), FRect(ARect) {
  CheckCount(ACount);
  if (ADx) FDx.assign(ADx, ADx + ACount);
}

int TVector_ExtTextOut::TextLength() const {
  long long Sum = 0;
  for (std::int32_t D : FDx) Sum += D;
  // Saturates rather than wrapping for absurd advances.
  return Sum > INT_MAX ? INT_MAX : Sum < INT_MIN ? INT_MIN : static_cast<int>(Sum);
}

std::string TVector_ExtTextOut::AsString() const {
  std::string S = "ExtTextOutW\r\n  X, Y, Options: " + std::to_string(FX) + ", " + std::to_string(FY) + ", " +
                  std::to_string(FOptions) + "\r\n  Rect: " + std::to_string(FRect.Left) + " " +
                  std::to_string(FRect.Top) + " " + std::to_string(FRect.Right) + " " +
                  std::to_string(FRect.Bottom) + "\r\n  Text: " + rt::Utf16ToUtf8(FStr) + "\r\n  Dx:";
  for (std::int32_t D : FDx) S += " " + std::to_string(D);
  return S;
}

TVector_ExtTextOutW::TVector_ExtTextOutW(int AX, int AY, int AOptions, const TVectorRect& ARect,
                                         const char16_t* AStr, int ACount, const std::int32_t* ADx)
    : TVector_ExtTextOut(AX, AY, AOptions, ARect, ACount, ADx) {
  CheckText(ACount, AStr);
  if (ACount > 0) FStr.assign(AStr, static_cast<std::size_t>(ACount));
}

TVector_ExtTextOutA::TVector_ExtTextOutA(int AX, int AY, int AOptions, const TVectorRect& ARect,
                                         const char* AStr, int ACount, const std::int32_t* ADx)
    : TVector_ExtTextOut(AX, AY, AOptions, ARect, ACount, ADx) {
  CheckText(ACount, AStr);
  if (ACount > 0) FStr = rt::AnsiToUtf16(std::string_view(AStr, static_cast<std::size_t>(ACount)));
}

void TVectorCanvas::Add(std::unique_ptr<TVector_ExtTextOut> Item) {
  Item->FFont = Font;
  FItems.push_back(std::move(Item));
}

void TVectorCanvas::ExtTextOutW(int X, int Y, int Options, const TVectorRect& Rect, const char16_t* Str,
                                int aCount, const std::int32_t* Dx) {
  Add(std::make_unique<TVector_ExtTextOutW>(X, Y, Options, Rect, Str, aCount, Dx));
}

void TVectorCanvas::ExtTextOutA(int X, int Y, int Options, const TVectorRect& Rect, const char* Str,
                                int aCount, const std::int32_t* Dx) {
  Add(std::make_unique<TVector_ExtTextOutA>(X, Y, Options, Rect, Str, aCount, Dx));
}

void TVectorCanvas::ExtTextOutW(int X, int Y, int Options, const TVectorRect& Rect, std::u16string_view Str,
                                const TCharacterDistance* Dx) {
  if (Str.size() > static_cast<std::size_t>(INT_MAX))
    throw rt::ERangeError("Character count out of range (" + std::to_string(Str.size()) + ")");
  if (Dx && Dx->size() != Str.size())
    throw rt::ERangeError("Text output with " + std::to_string(Str.size()) + " characters and " +
                          std::to_string(Dx->size()) + " advances");
  ExtTextOutW(X, Y, Options, Rect, Str.data(), static_cast<int>(Str.size()), Dx ? Dx->data() : nullptr);
}

TVector_ExtTextOut* TVectorCanvas::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw rt::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FItems[Index].get();
}
