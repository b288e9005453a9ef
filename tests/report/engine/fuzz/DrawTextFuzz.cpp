// Memo text from templates: tags, wrapping, measuring, splitting and drawing of any text.
// The first two bytes choose the options and the width; the rest is the text as UTF-8.
// Without tags and hyphenation, the parts that fit must give back the text exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/gfx/Canvas.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repDrawText.h"

namespace {
constexpr std::size_t kMaxInput = 64 * 1024;
constexpr int kMaxParts = 200;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 2 || Size > kMaxInput) return 0;
  const uint8_t Flags = Data[0];
  const int Width = Data[1];
  std::u16string Text = rt::Utf8ToUtf16(std::string(reinterpret_cast<const char*>(Data + 2), Size - 2));
  static TrepDrawText D;
  TrepDrawText::TLock Lock;
  gfx::TFont F;
  F.SetName((Flags & 1) ? "Courier New" : "Arial");
  F.SetSize(1 + (Flags >> 4));
  D.SetFont(F);
  D.SetOptions(true, Flags & 2, Flags & 4, Flags & 8, true, true, (Flags & 0x30) * 3);
  D.SetGaps((Flags & 0x40) ? 12 : 0, (Flags & 0x80) ? 1.5 : 0, (Flags & 0x40) ? -30 : 2);
  if ((Flags & 0xC0) == 0xC0) D.SetGaps(1e300, -1e300, 1e300);
  const gfx::TRect R{0, 0, Width, 40};
  const double Scale = (Flags & 0x40) ? 0.0 : (Flags & 0x80) ? 1e9 : 1.5;
  D.SetDimensions(Scale, Scale, Scale, R, R);
  gfx::TRecordingCanvas Printer;
  Printer.IsPrinter = true;
  Printer.PixelsPerInchX = Printer.PixelsPerInchY = Flags & 0x80 ? 0 : 600;
  const bool Exact = !(Flags & 2) && !(Flags & 8);
  TrepWideStrings Source;
  Source.SetText(Text);
  const std::u16string Expected = Source.GetText();
  std::u16string Joined;
  bool Finished = false;
  for (int Part = 0; Part < kMaxParts && !Text.empty(); ++Part) {
    D.SetText(Text, Part > 0);
    D.CalcHeight();
    D.CalcWidth();
    D.UnusedSpace();
    if (Part == 0) {
      gfx::TRecordingCanvas C;
      D.DrawText(C, Flags % 4, (Flags >> 2) % 3, Flags % 4);
      D.DrawText(Printer, 3 - Flags % 4, 2 - (Flags >> 2) % 3, 1);
    }
    bool ParaBreak = false;
    std::u16string Rest = D.GetOutBoundsText(ParaBreak, true);
    Joined += D.GetInBoundsText();
    if (Rest.empty()) Finished = true;
    if (Rest.size() >= Text.size() + 64) break;  // a continuation only grows by its prefix
    Text = std::move(Rest);
  }
  if (Exact && Finished && Joined != Expected) std::abort();
  return 0;
}
