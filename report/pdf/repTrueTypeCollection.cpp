#include "report/pdf/repTrueTypeCollection.h"

#include <cstring>

namespace {

// Tables that describe bitmaps, device metrics or a signature of the whole file: none of them
// is valid for a subset.
const std::vector<std::string>& LeftOutTables() {
  static const std::vector<std::string> Tags{"EBLC", "EBDT", "hdmx", "VDMX", "DSIG"};
  return Tags;
}

// Localized face names and the names their files carry.
struct NamePair {
  const char* Asked;
  const char* LookedFor;
};
const NamePair LocalizedNames[] = {
    {"ＭＳ ゴシック", "MS Gothic"}, {"ＭＳ Ｐゴシック", "MS PGothic"}, {"ＭＳ 明朝", "MS Mincho"},
    {"ＭＳ Ｐ明朝", "MS PMincho"},  {"メイリオ", "Meiryo"},             {"Tahoma Bold", "Tahoma Negreta"},
};

} // namespace

void TrueTypeCollection::Initialize(std::uint8_t* FD, std::size_t FontDataSize) {
  fonts_collection.clear();
  const TTFBuffer File{FD, FontDataSize};
  const std::uint8_t* Head = File.At(0, 4);
  if (std::memcmp(Head, "\x00\x01\x00\x00", 4) == 0) {
    fonts_collection.push_back(std::make_unique<TrueTypeFont>(File, 0, ChecksumFaultAction_Warn));
  } else if (std::memcmp(Head, "ttcf", 4) == 0) {
    const std::uint8_t* Header = File.At(0, 12);
    const std::uint32_t Version = GetUInt32(Header + 4);
    if (Version != 0x00010000 && Version != 0x00020000)
      throw rt::Exception("Unknown font collection version");
    const std::uint32_t Count = GetUInt32(Header + 8);
    const std::uint8_t* Offsets = File.At(12, 4ull * Count);
    for (std::uint32_t I = 0; I < Count; ++I)
      fonts_collection.push_back(
          std::make_unique<TrueTypeFont>(File, GetUInt32(Offsets + 4 * I), ChecksumFaultAction_Warn));
  } else if (std::memcmp(Head, "OTTO", 4) != 0) {
    TrueTypeFormatError();
  }
}

TrueTypeFont* TrueTypeCollection::LoadFont(const std::string& Name, bool Bold, bool Italic) {
  if (fonts_collection.empty()) return nullptr;
  std::string Wanted = Name;
  bool Localized = false;
  for (const NamePair& P : LocalizedNames)
    if (Name == P.Asked) {
      Wanted = P.LookedFor;
      Localized = true;
      break;
    }
  if (!Localized) {
    if (Bold) Wanted += " Bold";
    if (Italic) Wanted += " Italic";
  }
  for (auto& Face : fonts_collection) {
    Face->PrepareFont(LeftOutTables());
    if (!Face->name_table) continue;
    const std::string FullName = Face->name_table->get_Item(4);
    std::string Family;
    Face->name_table->IsHasFontName(1, FullName, Family);
    if (FullName == Wanted || Family == Wanted) return Face.get();
  }
  TrueTypeFont* First = fonts_collection.front().get();
  const std::string FullName = First->name_table ? First->name_table->get_Item(4) : std::string();
  First->FSubstitutionName = Wanted + " - " + FullName;
  return First;
}

std::vector<std::uint8_t> TrueTypeCollection::PackFont(TrueTypeFont* ttf,
                                                       const std::vector<std::uint16_t>& UsedAlphabet) {
  for (std::uint16_t G : UsedAlphabet) ttf->AddCharacterToKeepList(G);
  return ttf->PackFont(true);
}
