// Pictures from outside: any bytes go through format recognition and every decoder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gfx/Picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rt::TMemoryStream S;
  if (size > 0) S.WriteBuffer(data, static_cast<std::int64_t>(size));
  S.SetPosition(0);
  gfx::TPicture P;
  try {
    P.LoadFromStream(S);
    if (P.HasGraphic()) {
      gfx::TBitmap Out(16, 16);
      P.Graphic()->Draw(Out.Canvas(), {0, 0, 16, 16});
    }
  } catch (const gfx::EInvalidGraphic&) {
  }
  // Each decoder also sees the bytes directly, whatever they start with.
  std::string Error;
  gfx::TBitmap B;
  gfx::DecodePNG(data, size, B, Error);
  gfx::DecodeJPEG(data, size, B, Error);
  gfx::DecodeICO(data, size, B, Error);
  B.LoadFromBMP(data, size, &Error);
  return 0;
}
