// A metafile from anywhere, played onto the raster canvas of a small bitmap. Whatever the bytes,
// the play ends (damage ends it early) and the canvas gets its clip, pen and brush back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/gfx/Picture.h"
#include "report/pdf/repEMFtoCanvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
  gfx::TBitmap Bitmap(64, 48);
  gfx::TCanvas& C = Bitmap.Canvas();
  C.SetClipRect(gfx::TRect{2, 2, 60, 40});
  C.Pen.Width = 3;
  rt::TStringStream In(Bytes);
  {
    // The player gives the canvas back in its destructor, also after a damaged record.
    TEMFtoCanvasExport Player(&In, C, gfx::TRect{4, 4, 60, 44});
    try {
      Player.PlayMetaFile();
    } catch (const EEMFError&) {
    }
  }
  if (C.ClipRect() != std::optional<gfx::TRect>(gfx::TRect{2, 2, 60, 40}) || C.Pen.Width != 3) std::abort();
  return 0;
}
