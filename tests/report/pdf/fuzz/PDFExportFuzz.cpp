// The PDF export over text and pictures from anywhere: the first byte picks the road ('T' text
// of a memo as UTF-16, 'P' a picture file), the second the layout options. The document must
// come out whole, whatever the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/gfx/Picture.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repDrawText.h"
#include "report/pdf/repExportPDF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Ready = [] {
    repDrawTextInitialization();
    return true;
  }();
  (void)Ready;
  if (Size < 2) return 0;
  const char Road = static_cast<char>(Data[0]);
  const std::uint8_t Options = Data[1];
  Data += 2;
  Size -= 2;

  TrepPDFExport F;
  F.FixedFileID = "00000000000000000000000000000000";
  F.FixedCreationDateTime = 0;
  F.Compressed = (Options & 0x80) != 0;
  rt::TMemoryStream Out;
  F.Stream = &Out;
  F.Start();
  F.StartPage(nullptr, 0);
  if (Road == 'T') {
    std::unique_ptr<TrepView> Memo(new TrepCustomMemoView(nullptr));
    Memo->SetBounds(20, 20, 10 + (Options & 0x3F) * 8, 200);
    TrepPDFTextBlock Block;
    Block.FontName = (Options & 0x40) ? "Times New Roman" : "Arial";
    Block.HAlign = Options & 3;
    Block.VAlign = (Options >> 2) % 3;
    Block.RTLReading = (Options & 0x10) != 0;
    std::u16string Text;
    for (std::size_t I = 0; I + 1 < Size; I += 2) Text += static_cast<char16_t>(Data[I] | (Data[I + 1] << 8));
    Block.Lines = {Text};
    F.ExportTextBlock(Memo.get(), Block);
  } else if (Road == 'P') {
    std::unique_ptr<TrepPictureView> View(new TrepPictureView(nullptr));
    View->SetBounds(10, 10, 100, 80);
    View->Transparent = (Options & 1) != 0;
    rt::TMemoryStream In;
    In.WriteBuffer(Data, static_cast<std::int64_t>(Size));
    In.SetPosition(0);
    try {
      View->Picture().LoadFromStream(In);
    } catch (const rt::Exception&) {
      // Bad picture data is refused by the picture reader; the view stays empty.
    }
    F.ExportObject(View.get());
  }
  F.FinishPage(nullptr, 0);
  F.Finish();
  const std::string Pdf(static_cast<const char*>(Out.Memory()), static_cast<std::size_t>(Out.Size()));
  if (Pdf.size() < 6 || Pdf.compare(Pdf.size() - 7, 7, "%%EOF\r\n") != 0) std::abort();
  return 0;
}
