// A font file from anywhere (a single face or a collection): faces chosen, glyph lists built
// and a subset packed, as the PDF export does with the fonts it embeds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "report/pdf/repTrueTypeCollection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // Subsetting rewrites the data in place, so it works on a copy of exactly the input's size.
  std::vector<std::uint8_t> Font(Data, Data + Size);
  TrueTypeCollection Collection;
  try {
    Collection.Initialize(Font.data(), Font.size());
    TrueTypeFont* Face = Collection.LoadFont("Fuzz Sans", true, false);
    if (Face == nullptr) return 0;
    (void)Face->GetFamilyName();
    Face->BuildGlyphIndexList({'A', 'V', ' ', 0xE9, 0x667}, false, true, true, true);
    (void)Collection.PackFont(Face, {0, 1, 2, 3, 36, 68, 0xFFFF});
  } catch (const rt::Exception&) {
    // "TrueType font format error" and its kin: the font is refused.
  }
  return 0;
}
