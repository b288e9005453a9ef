#include "report/pdf/repTrueTypeFont.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <mutex>
#include <set>
#include <type_traits>

#include "platform/rt/Unicode.h"

namespace {

std::uint32_t RoundUp4(std::uint32_t N) { return (N + 3u) & ~3u; }

// The C library wants valid pointers even for no bytes, and an empty table, an empty vector or
// a subset without outlines has none: these skip zero counts.
void CopyBytes(void* Dest, const void* Src, std::size_t N) {
  if (N > 0) std::memcpy(Dest, Src, N);
}
void MoveBytes(void* Dest, const void* Src, std::size_t N) {
  if (N > 0) std::memmove(Dest, Src, N);
}
void ZeroBytes(void* Dest, std::size_t N) {
  if (N > 0) std::memset(Dest, 0, N);
}

// Bytes of an optional table that lie past its end read as 0.
void CopyPadded(std::uint8_t* Dest, std::size_t DestSize, const std::uint8_t* Src, std::size_t SrcSize) {
  ZeroBytes(Dest, DestSize);
  CopyBytes(Dest, Src, std::min(DestSize, SrcSize));
}

struct CaseInsensitiveLess {
  bool operator()(const std::string& A, const std::string& B) const {
    return rt::CompareText(A, B) < 0;
  }
};

struct ExemptNames {
  std::mutex Lock;
  std::set<std::string, CaseInsensitiveLess> Names{"EanGniv?", "Roboto Cn"};
};

ExemptNames& Exempt() {
  static ExemptNames E;
  return E;
}

} // namespace

std::uint8_t* TTFBuffer::At(std::uint64_t Offset, std::uint64_t Length) const {
  if (Offset > Size || Length > Size - Offset) TrueTypeFormatError();
  return Data + Offset;
}

void TrueTypeFormatError() { throw rt::Exception("TrueType font format error"); }

std::uint32_t TTF_Helpers::TableChecksum(const std::uint8_t* P, std::size_t Length) {
  std::uint32_t Sum = 0;
  std::size_t I = 0;
  for (; I + 4 <= Length; I += 4) Sum += GetUInt32(P + I);
  if (I < Length) {
    std::uint8_t Last[4] = {};
    std::memcpy(Last, P + I, Length - I);
    Sum += GetUInt32(Last);
  }
  return Sum;
}

void AddTrueTypeFontName(const std::string& Name) {
  std::lock_guard<std::mutex> G(Exempt().Lock);
  Exempt().Names.insert(Name);
}

bool FindTrueTypeFontName(const std::string& Name) {
  std::lock_guard<std::mutex> G(Exempt().Lock);
  return Exempt().Names.count(Name) > 0;
}

// ---------------------------------------------------------------------------------------------
// Tables

TrueTypeTable::TrueTypeTable(const std::uint8_t* entry_ptr) {
  std::memcpy(entry.tag, entry_ptr, 4);
  entry.checkSum = GetUInt32(entry_ptr + 4);
  entry.offset = GetUInt32(entry_ptr + 8);
  entry.length = GetUInt32(entry_ptr + 12);
}

void TrueTypeTable::Load(const TTFBuffer&) {}

std::uint8_t* TrueTypeTable::Fixed(const TTFBuffer& font, std::uint32_t Size) const {
  std::uint8_t* P = Bytes(font);
  if (entry.length < Size) TrueTypeFormatError();
  return P;
}

std::uint32_t TrueTypeTable::Save(const TTFBuffer& from, TTFBuffer& to, std::uint32_t offset) {
  const std::uint32_t Rounded = RoundUp4(entry.length);
  const std::uint8_t* Src = Bytes(from);
  std::uint8_t* Dst = to.At(offset, Rounded);
  MoveBytes(Dst, Src, entry.length);
  ZeroBytes(Dst + entry.length, Rounded - entry.length);
  entry.offset = offset;
  return offset + Rounded;
}

std::uint8_t* TrueTypeTable::StoreDescriptor(std::uint8_t* descriptor_ptr) const {
  std::memcpy(descriptor_ptr, entry.tag, 4);
  PutUInt32(descriptor_ptr + 4, entry.checkSum);
  PutUInt32(descriptor_ptr + 8, entry.offset);
  PutUInt32(descriptor_ptr + 12, entry.length);
  return descriptor_ptr + 16;
}

// ---- cmap

void CmapTableClass::LoadCmapTable(const TTFBuffer& font) {
  const std::uint8_t* P = Fixed(font, 4);
  const std::uint32_t Len = entry.length;
  const std::uint32_t Count = GetUInt16(P + 2);
  if (4 + 8 * Count > Len) TrueTypeFormatError();
  for (std::uint32_t R = 0; R < Count; ++R) {
    const std::uint8_t* Rec = P + 4 + 8 * R;
    if (GetUInt16(Rec) != 3 || GetUInt16(Rec + 2) != 1) continue;
    const std::uint32_t Off = GetUInt32(Rec + 4);
    if (Off > Len || Len - Off < 4) TrueTypeFormatError();
    const std::uint8_t* Sub = P + Off;
    switch (GetUInt16(Sub)) {
      case 0: throw rt::Exception("TO DO: ByteEncoding cmap format not implemented");
      case 2: throw rt::Exception("TO DO: HighByteMapping cmap format not implemented");
      case 6: throw rt::Exception("TO DO: TrimmedTable cmap format not implemented");
      case 4: break;
      default: continue;
    }
    // A subtable that claims to run past the table is read up to the table's end.
    const std::uint32_t SubLen = std::min<std::uint32_t>(GetUInt16(Sub + 2), Len - Off);
    if (SubLen < 14) TrueTypeFormatError();
    const std::uint32_t Segs = GetUInt16(Sub + 6) / 2;
    if (16 + 8 * Segs > SubLen) TrueTypeFormatError();
    segment_count = static_cast<int>(Segs);
    endCount.assign(Segs, 0);
    startCount.assign(Segs, 0);
    idDelta.assign(Segs, 0);
    idRangeOffset.assign(Segs, 0);
    for (std::uint32_t I = 0; I < Segs; ++I) {
      endCount[I] = GetUInt16(Sub + 14 + 2 * I);
      startCount[I] = GetUInt16(Sub + 16 + 2 * Segs + 2 * I);
      idDelta[I] = GetInt16(Sub + 16 + 4 * Segs + 2 * I);
      idRangeOffset[I] = GetUInt16(Sub + 16 + 6 * Segs + 2 * I);
    }
    const std::uint32_t Glyphs = (SubLen - 16 - 8 * Segs) / 2;
    GlyphIndexArray.assign(Glyphs, 0);
    for (std::uint32_t I = 0; I < Glyphs; ++I)
      GlyphIndexArray[I] = GetUInt16(Sub + 16 + 8 * Segs + 2 * I);
  }
}

std::uint16_t CmapTableClass::GetGlyphIndex(std::uint16_t ch) const {
  int Seg = 0;
  while (Seg < segment_count && endCount[static_cast<std::size_t>(Seg)] < ch) ++Seg;
  if (Seg == segment_count) return 0;
  const auto I = static_cast<std::size_t>(Seg);
  if (ch < startCount[I]) return 0;
  if (idRangeOffset[I] == 0) return static_cast<std::uint16_t>(ch + idDelta[I]);
  const auto Index = static_cast<std::uint16_t>(idRangeOffset[I] / 2 + (ch - startCount[I]) -
                                                (segment_count - Seg));
  if (Index >= GlyphIndexArray.size()) return 0;
  const std::uint16_t G = GlyphIndexArray[Index];
  return G != 0 ? static_cast<std::uint16_t>(G + idDelta[I]) : 0;
}

// ---- head

void FontHeaderClass::Load(const TTFBuffer& font) {
  std::uint8_t* P = Fixed(font, 54);
  FontHeader& H = font_header;
  H.version = GetUInt32(P);
  H.revision = GetUInt32(P + 4);
  H.checkSumAdjustment = GetUInt32(P + 8);
  H.magicNumber = GetUInt32(P + 12);
  H.flags = GetUInt16(P + 16);
  H.unitsPerEm = GetUInt16(P + 18);
  H.CreatedDateTime = static_cast<std::int64_t>(std::uint64_t(GetUInt32(P + 20)) << 32 | GetUInt32(P + 24));
  H.ModifiedDateTime = static_cast<std::int64_t>(std::uint64_t(GetUInt32(P + 28)) << 32 | GetUInt32(P + 32));
  H.xMin = GetInt16(P + 36);
  H.yMin = GetInt16(P + 38);
  H.xMax = GetInt16(P + 40);
  H.yMax = GetInt16(P + 42);
  H.macStyle = GetUInt16(P + 44);
  H.lowestRecPPEM = GetUInt16(P + 46);
  H.fontDirectionHint = GetInt16(P + 48);
  H.indexToLocFormat = GetInt16(P + 50);
  H.glyphDataFormat = GetInt16(P + 52);
  PutUInt32(P + 8, 0);
}

void FontHeaderClass::SaveFontHeader(TTFBuffer& font, std::uint32_t CheckSum) {
  std::uint8_t* P = Fixed(font, 54);
  const FontHeader& H = font_header;
  PutUInt32(P, H.version);
  PutUInt32(P + 4, H.revision);
  PutUInt32(P + 8, CheckSum);
  PutUInt32(P + 12, H.magicNumber);
  PutUInt16(P + 16, H.flags);
  PutUInt16(P + 18, H.unitsPerEm);
  PutUInt32(P + 20, static_cast<std::uint32_t>(static_cast<std::uint64_t>(H.CreatedDateTime) >> 32));
  PutUInt32(P + 24, static_cast<std::uint32_t>(H.CreatedDateTime));
  PutUInt32(P + 28, static_cast<std::uint32_t>(static_cast<std::uint64_t>(H.ModifiedDateTime) >> 32));
  PutUInt32(P + 32, static_cast<std::uint32_t>(H.ModifiedDateTime));
  PutUInt16(P + 36, static_cast<std::uint16_t>(H.xMin));
  PutUInt16(P + 38, static_cast<std::uint16_t>(H.yMin));
  PutUInt16(P + 40, static_cast<std::uint16_t>(H.xMax));
  PutUInt16(P + 42, static_cast<std::uint16_t>(H.yMax));
  PutUInt16(P + 44, H.macStyle);
  PutUInt16(P + 46, H.lowestRecPPEM);
  PutUInt16(P + 48, static_cast<std::uint16_t>(H.fontDirectionHint));
  PutUInt16(P + 50, static_cast<std::uint16_t>(H.indexToLocFormat));
  PutUInt16(P + 52, static_cast<std::uint16_t>(H.glyphDataFormat));
}

// ---- glyf

void GlyphTableClass::Load(const TTFBuffer& font) { glyph_table_ptr = Bytes(font); }

std::vector<std::uint16_t> GlyphTableClass::CheckGlyph(std::uint32_t glyph_offset,
                                                       std::uint32_t glyph_size) const {
  std::vector<std::uint16_t> Components;
  if (glyph_size == 0) return Components;
  if (!glyph_table_ptr || glyph_offset > entry.length || glyph_size > entry.length - glyph_offset ||
      glyph_size < 10)
    TrueTypeFormatError();
  const std::uint8_t* G = glyph_table_ptr + glyph_offset;
  if (GetInt16(G) >= 0) return Components;
  std::uint32_t Pos = 10;
  std::uint16_t Flags;
  do {
    if (Pos + 4 > glyph_size) TrueTypeFormatError();
    Flags = GetUInt16(G + Pos);
    Components.push_back(GetUInt16(G + Pos + 2));
    Pos += 4;
    Pos += (Flags & 0x0001) ? 4 : 2;  // ARG_1_AND_2_ARE_WORDS
    if (Flags & 0x0008)               // WE_HAVE_A_SCALE
      Pos += 2;
    else if (Flags & 0x0040)          // WE_HAVE_AN_X_AND_Y_SCALE
      Pos += 4;
    else if (Flags & 0x0080)          // WE_HAVE_A_TWO_BY_TWO
      Pos += 8;
  } while (Flags & 0x0020);           // MORE_COMPONENTS
  return Components;
}

// ---- GSUB

void GlyphSubstitutionClass::Load(const TTFBuffer& font) {
  const std::uint8_t* P = Fixed(font, 10);
  header.Version = GetUInt32(P);
  header.ScriptList = GetUInt16(P + 4);
  header.FeatureList = GetUInt16(P + 6);
  header.LookupList = GetUInt16(P + 8);
}

// ---- hhea

void HorizontalHeaderClass::Load(const TTFBuffer& font) {
  const std::uint8_t* P = Fixed(font, 36);
  HorizontalHeader& H = horizontal_header;
  H.version = GetUInt32(P);
  std::int16_t* Signed[] = {&H.Ascender, &H.Descender, &H.LineGap};
  for (int I = 0; I < 3; ++I) *Signed[I] = GetInt16(P + 4 + 2 * I);
  H.advanceWidthMax = GetUInt16(P + 10);
  std::int16_t* Rest[] = {&H.minLeftSideBearing, &H.minRightSideBearing, &H.xMaxExtent,
                          &H.caretSlopeRise,     &H.caretSlopeRun,       &H.reserved1,
                          &H.reserved2,          &H.reserved3,           &H.reserved4,
                          &H.reserved5,          &H.metricDataFormat};
  for (int I = 0; I < 11; ++I) *Rest[I] = GetInt16(P + 12 + 2 * I);
  H.numberOfHMetrics = GetUInt16(P + 34);
}

std::uint32_t HorizontalHeaderClass::Save(const TTFBuffer& from, TTFBuffer& to, std::uint32_t offset) {
  const std::uint32_t Length = entry.length;
  std::uint8_t* Dst = to.At(offset, std::max<std::uint32_t>(Length, 36));
  MoveBytes(Dst, Bytes(from), Length);
  const HorizontalHeader& H = horizontal_header;
  PutUInt32(Dst, H.version);
  const std::int16_t Signed[] = {H.Ascender, H.Descender, H.LineGap};
  for (int I = 0; I < 3; ++I) PutUInt16(Dst + 4 + 2 * I, static_cast<std::uint16_t>(Signed[I]));
  PutUInt16(Dst + 10, H.advanceWidthMax);
  const std::int16_t Rest[] = {H.minLeftSideBearing, H.minRightSideBearing, H.xMaxExtent,
                               H.caretSlopeRise,     H.caretSlopeRun,       H.reserved1,
                               H.reserved2,          H.reserved3,           H.reserved4,
                               H.reserved5,          H.metricDataFormat};
  for (int I = 0; I < 11; ++I) PutUInt16(Dst + 12 + 2 * I, static_cast<std::uint16_t>(Rest[I]));
  PutUInt16(Dst + 34, H.numberOfHMetrics);
  entry.offset = offset;
  return offset + Length;
}

// ---- hmtx

void HorizontalMetrixClass::Load(const TTFBuffer& font) {
  const std::uint8_t* P = Fixed(font, 4u * NumberOfMetrics);
  MetrixTable.resize(NumberOfMetrics);
  for (std::uint32_t I = 0; I < NumberOfMetrics; ++I) {
    MetrixTable[I].advanceWidth = GetUInt16(P + 4 * I);
    MetrixTable[I].lsb = GetInt16(P + 4 * I + 2);
  }
}

longHorMetric HorizontalMetrixClass::GetItem(std::uint32_t index) const {
  if (MetrixTable.empty()) return {};
  return index < MetrixTable.size() ? MetrixTable[index] : MetrixTable.back();
}

// ---- loca

void IndexToLocationClass::LoadIndexToLocation(const TTFBuffer& font,
                                               const FontHeaderClass& font_header) {
  const std::uint8_t* P = Bytes(font);
  switch (font_header.font_header.indexToLocFormat) {
    case 0:
      ShortIndexToLocation.resize(entry.length / 2);
      for (std::size_t I = 0; I < ShortIndexToLocation.size(); ++I)
        ShortIndexToLocation[I] = GetUInt16(P + 2 * I);
      break;
    case 1:
      LongIndexToLocation.resize(entry.length / 4);
      for (std::size_t I = 0; I < LongIndexToLocation.size(); ++I)
        LongIndexToLocation[I] = GetUInt32(P + 4 * I);
      break;
    default: throw rt::Exception("Unsupported Index to Location format");
  }
}

std::uint32_t IndexToLocationClass::GetGlyph(std::uint32_t i2l_idx, const FontHeaderClass& font_header,
                                             std::uint32_t& location) const {
  location = 0;
  std::uint32_t Start, Next;
  switch (font_header.font_header.indexToLocFormat) {
    case 0:
      if (i2l_idx + 1 >= ShortIndexToLocation.size()) return 0;
      Start = 2u * ShortIndexToLocation[i2l_idx];
      Next = 2u * ShortIndexToLocation[i2l_idx + 1];
      break;
    case 1:
      if (i2l_idx + 1 >= LongIndexToLocation.size()) return 0;
      Start = LongIndexToLocation[i2l_idx];
      Next = LongIndexToLocation[i2l_idx + 1];
      break;
    default: return 0;
  }
  location = Start;
  return Next > Start ? Next - Start : 0;
}

// ---- kern

KerningSubtableClass::KerningSubtableClass(const std::uint8_t* P, std::uint32_t Available) {
  common_header.Version = GetUInt16(P);
  common_header.Length = GetUInt16(P + 2);
  common_header.Coverage = GetUInt16(P + 4);
  // Only version-1 subtables carry pairs; they are read in the layout of format 0.
  if (common_header.Version != 1 || (common_header.Coverage >> 8) != 0 || Available < 14) return;
  format_zero.nPairs = GetUInt16(P + 6);
  format_zero.searchRange = GetUInt16(P + 8);
  format_zero.entrySelector = GetUInt16(P + 10);
  format_zero.rangeShift = GetUInt16(P + 12);
  const std::uint32_t Pairs = std::min<std::uint32_t>(format_zero.nPairs, (Available - 14) / 6);
  for (std::uint32_t I = 0; I < Pairs; ++I) {
    const std::uint8_t* Pair = P + 14 + 6 * I;
    zero_pairs[std::uint32_t(GetUInt16(Pair)) << 16 | GetUInt16(Pair + 2)] = GetInt16(Pair + 4);
  }
}

void KerningTableClass::Load(const TTFBuffer& font) {
  const std::uint8_t* P = Bytes(font);
  const std::uint32_t Len = entry.length;
  if (Len < 4) return;
  kerning_table_header.Version = GetUInt16(P);
  kerning_table_header.nTables = GetUInt16(P + 2);
  std::uint32_t Pos = 4;
  for (int T = 0; T < kerning_table_header.nTables && Pos + 6 <= Len; ++T) {
    auto Sub = std::make_unique<KerningSubtableClass>(P + Pos, Len - Pos);
    const std::uint32_t Step = Sub->common_header.Length;
    kerning_subtables_collection.push_back(std::move(Sub));
    if (Step < 6) break;  // a subtable that does not say how long it is ends the walk
    Pos += Step;
  }
}

std::int16_t KerningTableClass::get_Item(std::uint32_t idx) const {
  if (kerning_subtables_collection.empty()) return 0;
  const auto& Pairs = kerning_subtables_collection.front()->zero_pairs;
  auto It = Pairs.find(idx);
  return It == Pairs.end() ? 0 : It->second;
}

// ---- name

void NameTableClass::Load(const TTFBuffer& font) {
  const std::uint8_t* P = Fixed(font, 6);
  name_header.TableVersion = GetUInt16(P);
  name_header.Count = GetUInt16(P + 2);
  name_header.stringOffset = GetUInt16(P + 4);
  if (6 + 12u * name_header.Count > entry.length) TrueTypeFormatError();
  namerecord_ptr = P + 6;
  string_storage_ptr = P + name_header.stringOffset;
  table_end = P + entry.length;
}

bool NameTableClass::IsHasFontName(std::uint16_t nameID, const std::string& wanted,
                                   std::string& text) const {
  text.clear();
  for (std::uint32_t R = 0; R < name_header.Count; ++R) {
    const std::uint8_t* Rec = namerecord_ptr + 12 * R;
    const std::uint16_t Platform = GetUInt16(Rec), Encoding = GetUInt16(Rec + 2);
    if (GetUInt16(Rec + 6) != nameID) continue;
    if (!((Platform == FPlatform && Encoding == 1) || Platform == 0)) continue;
    const std::uint16_t Length = GetUInt16(Rec + 8), Offset = GetUInt16(Rec + 10);
    const std::uint8_t* S = string_storage_ptr + Offset;
    if (S > table_end || Length > table_end - S) continue;  // a string outside the table
    std::u16string Units(Length / 2, u'\0');
    for (std::size_t I = 0; I < Units.size(); ++I) Units[I] = static_cast<char16_t>(GetUInt16(S + 2 * I));
    text = rt::Utf16ToUtf8(Units);
    if (wanted.empty() || rt::SameText(text, wanted)) return true;
  }
  return false;
}

std::string NameTableClass::get_Item(std::uint16_t nameID) const {
  std::string Text;
  IsHasFontName(nameID, std::string(), Text);
  return Text;
}

// ---- post

void PostScriptClass::Load(const TTFBuffer& font) {
  const std::uint8_t* P = Fixed(font, 32);
  PostScript& S = post_script;
  S.Version = GetUInt32(P);
  S.ItalicAngle = GetUInt32(P + 4);
  S.underlinePosition = GetInt16(P + 8);
  S.underlineThickness = GetInt16(P + 10);
  S.isFixedPitch = GetUInt32(P + 12);
  S.minMemType42 = GetUInt32(P + 16);
  S.maxMemType42 = GetUInt32(P + 20);
  S.minMemType1 = GetUInt32(P + 24);
  S.maxMemType1 = GetUInt32(P + 28);
}

std::uint32_t PostScriptClass::Save(const TTFBuffer&, TTFBuffer& to, std::uint32_t offset) {
  std::uint8_t* D = to.At(offset, 32);
  const PostScript& S = post_script;
  PutUInt32(D, 0x00030000);
  PutUInt32(D + 4, S.ItalicAngle);
  PutUInt16(D + 8, static_cast<std::uint16_t>(S.underlinePosition));
  PutUInt16(D + 10, static_cast<std::uint16_t>(S.underlineThickness));
  PutUInt32(D + 12, S.isFixedPitch);
  PutUInt32(D + 16, S.minMemType42);
  PutUInt32(D + 20, S.maxMemType42);
  PutUInt32(D + 24, S.minMemType1);
  PutUInt32(D + 28, S.maxMemType1);
  entry.offset = offset;
  entry.length = 32;
  entry.checkSum = TableChecksum(D, 32);
  return offset + 32;
}

// ---- maxp

namespace {
constexpr int MaxpCounts = 14;
std::uint16_t* MaxpCount(MaximumProfile& M, int I) { return &M.numGlyphs + I; }
} // namespace

void MaximumProfileClass::Load(const TTFBuffer& font) {
  const std::uint8_t* P = Fixed(font, 6);
  std::uint8_t Raw[32];
  CopyPadded(Raw, sizeof Raw, P, entry.length);
  max_profile.version = GetUInt32(Raw);
  for (int I = 0; I < MaxpCounts; ++I) *MaxpCount(max_profile, I) = GetUInt16(Raw + 4 + 2 * I);
}

std::uint32_t MaximumProfileClass::Save(const TTFBuffer& from, TTFBuffer& to, std::uint32_t offset) {
  const std::uint32_t Length = entry.length;
  std::uint8_t* Dst = to.At(offset, Length);
  MoveBytes(Dst, Bytes(from), Length);
  std::uint8_t Raw[32];
  PutUInt32(Raw, max_profile.version);
  for (int I = 0; I < MaxpCounts; ++I) PutUInt16(Raw + 4 + 2 * I, *MaxpCount(max_profile, I));
  CopyBytes(Dst, Raw, std::min<std::uint32_t>(Length, 32));
  entry.offset = offset;
  return offset + Length;
}

// ---- OS/2

void OS2WindowsMetricsClass::Load(const TTFBuffer& font) {
  const std::uint8_t* P = Fixed(font, 2);
  FBytes.assign(P, P + entry.length);
  std::uint8_t R[96];
  CopyPadded(R, sizeof R, P, entry.length);
  auto M = std::make_unique<OS2WindowsMetrics>();
  M->version = GetUInt16(R);
  M->xAvgCharWidth = GetInt16(R + 2);
  M->usWeightClass = GetUInt16(R + 4);
  M->usWidthClass = GetUInt16(R + 6);
  M->fsType = GetUInt16(R + 8);
  std::int16_t* Metrics[] = {&M->ySubscriptXSize,     &M->ySubscriptYSize,   &M->ySubscriptXOffset,
                             &M->ySubscriptYOffset,   &M->ySuperscriptXSize, &M->ySuperscriptYSize,
                             &M->ySuperscriptXOffset, &M->ySuperscriptYOffset, &M->yStrikeoutSize,
                             &M->yStrikeoutPosition,  &M->sFamilyClass};
  for (int I = 0; I < 11; ++I) *Metrics[I] = GetInt16(R + 10 + 2 * I);
  std::memcpy(M->panose, R + 32, 10);
  M->ulUnicodeRange1 = GetUInt32(R + 42);
  M->ulUnicodeRange2 = GetUInt32(R + 46);
  M->ulUnicodeRange3 = GetUInt32(R + 50);
  M->ulUnicodeRange4 = GetUInt32(R + 54);
  std::memcpy(M->achVendID, R + 58, 4);
  M->fsSelection = GetUInt16(R + 62);
  M->usFirstCharIndex = GetUInt16(R + 64);
  M->usLastCharIndex = GetUInt16(R + 66);
  M->sTypoAscender = GetInt16(R + 68);
  M->sTypoDescender = GetInt16(R + 70);
  M->sTypoLineGap = GetInt16(R + 72);
  M->usWinAscent = GetUInt16(R + 74);
  M->usWinDescent = GetUInt16(R + 76);
  M->ulCodePageRange1 = GetUInt32(R + 78);
  M->ulCodePageRange2 = GetUInt32(R + 82);
  M->sxHeight = GetInt16(R + 86);
  M->sCapHeight = GetInt16(R + 88);
  M->usDefaultChar = GetUInt16(R + 90);
  M->usBreakChar = GetUInt16(R + 92);
  M->usMaxContext = GetUInt16(R + 94);
  win_metrix = std::move(M);
}

std::uint32_t OS2WindowsMetricsClass::Save(const TTFBuffer&, TTFBuffer& to, std::uint32_t offset) {
  const auto Length = static_cast<std::uint32_t>(FBytes.size());
  const std::uint32_t Rounded = RoundUp4(Length);
  std::uint8_t* Dst = to.At(offset, Rounded);
  CopyPadded(Dst, Rounded, FBytes.data(), Length);
  entry.offset = offset;
  return offset + Rounded;
}

// ---- prep

void PreProgramClass::Load(const TTFBuffer& font) {
  const std::uint8_t* P = Bytes(font);
  // The bytes past the program are padding; they are kept as 0 whatever the file holds there.
  pre_program.assign(RoundUp4(entry.length), 0);
  CopyBytes(pre_program.data(), P, entry.length);
}

std::uint32_t PreProgramClass::Save(const TTFBuffer&, TTFBuffer& to, std::uint32_t offset) {
  const auto Size = static_cast<std::uint32_t>(pre_program.size());
  CopyBytes(to.At(offset, Size), pre_program.data(), Size);
  entry.offset = offset;
  return offset + Size;
}

// ---------------------------------------------------------------------------------------------
// The face

TrueTypeFont::TrueTypeFont(TTFBuffer bgn, std::uint32_t font, ChecksumFaultAction action)
    : beginfile_ptr(bgn), selector_ptr(font), checksum_action(action) {}

void TrueTypeFont::PrepareFont(const std::vector<std::string>& skip_list) {
  ReadDirectory(skip_list);
  LoadTables();
  VerifyChecksums();
}

void TrueTypeFont::ReadDirectory(const std::vector<std::string>& skip_list) {
  ListOfTables.clear();
  cmap_table = nullptr;
  font_header = nullptr;
  glyph_table = nullptr;
  gsub_table = nullptr;
  horizontal_header = nullptr;
  horizontal_metrix_table = nullptr;
  index_to_location = nullptr;
  kerning_table = nullptr;
  name_table = nullptr;
  postscript = nullptr;
  profile = nullptr;
  windows_metrix = nullptr;
  preprogram_table = nullptr;

  const std::uint8_t* P = beginfile_ptr.At(selector_ptr, 12);
  dir.sfntversion = GetUInt32(P);
  dir.numTables = GetUInt16(P + 4);
  dir.searchRange = GetUInt16(P + 6);
  dir.entrySelector = GetUInt16(P + 8);
  dir.rangeShift = GetUInt16(P + 10);
  const std::uint8_t* Entries = beginfile_ptr.At(std::uint64_t(selector_ptr) + 12, 16u * dir.numTables);
  for (int I = 0; I < dir.numTables; ++I) {
    TrueTypeTable Generic(Entries + 16 * I);
    const std::string Tag = Generic.entry.Tag();
    if (std::find(skip_list.begin(), skip_list.end(), Tag) != skip_list.end()) continue;
    beginfile_ptr.At(Generic.entry.offset, Generic.entry.length);  // the table lies in the file
    std::unique_ptr<TrueTypeTable> T;
    auto Make = [&](auto*& Field) {
      using Class = std::remove_pointer_t<std::remove_reference_t<decltype(Field)>>;
      auto Table = std::make_unique<Class>(Generic);
      Field = Table.get();
      T = std::move(Table);
    };
    if (Tag == "OS/2") Make(windows_metrix);
    else if (Tag == "GSUB") Make(gsub_table);
    else if (Tag == "loca") Make(index_to_location);
    else if (Tag == "hhea") Make(horizontal_header);
    else if (Tag == "head") Make(font_header);
    else if (Tag == "name") Make(name_table);
    else if (Tag == "glyf") Make(glyph_table);
    else if (Tag == "kern") Make(kerning_table);
    else if (Tag == "cmap") Make(cmap_table);
    else if (Tag == "prep") Make(preprogram_table);
    else if (Tag == "maxp") Make(profile);
    else if (Tag == "post") Make(postscript);
    else if (Tag == "hmtx") Make(horizontal_metrix_table);
    else T = std::make_unique<TrueTypeTable>(Generic);
    ListOfTables.push_back(std::move(T));
  }
  dir.numTables = static_cast<std::uint16_t>(ListOfTables.size());
}

void TrueTypeFont::LoadTables() {
  // Glyph widths are divided by the em size, so a face without a usable header is refused.
  if (!font_header) TrueTypeFormatError();
  // The header and the horizontal header go first: "loca" and "hmtx" depend on them, whatever
  // the order of the directory.
  font_header->Load(beginfile_ptr);
  if (font_header->font_header.unitsPerEm == 0) TrueTypeFormatError();
  if (horizontal_header) horizontal_header->Load(beginfile_ptr);
  for (auto& T : ListOfTables) {
    if (T.get() == font_header || T.get() == horizontal_header) continue;
    if (T.get() == index_to_location) {
      index_to_location->LoadIndexToLocation(beginfile_ptr, *font_header);
    } else if (T.get() == horizontal_metrix_table) {
      horizontal_metrix_table->NumberOfMetrics =
          horizontal_header ? horizontal_header->horizontal_header.numberOfHMetrics : 0;
      horizontal_metrix_table->Load(beginfile_ptr);
    } else {
      T->Load(beginfile_ptr);
    }
  }
}

void TrueTypeFont::VerifyChecksums() {
  if (checksum_action == ChecksumFaultAction_IgnoreChecksum) return;
  if (FindTrueTypeFontName(GetFamilyName())) return;
  for (const auto& T : ListOfTables) {
    const std::uint32_t Sum = TableChecksum(beginfile_ptr.At(T->entry.offset, T->entry.length), T->entry.length);
    if (Sum == T->entry.checkSum) continue;
    // Writers differ on whether the header's sum takes its file checksum adjustment as 0, and
    // the adjustment is rewritten when the header is read: its sum proves nothing.
    if (T->GetTAGLINE() == "head") continue;
    const std::string Message = "Table ID \"" + T->GetTAGLINE() + "\" checksum error." +
                                std::to_string(Sum) + " " + std::to_string(T->entry.checkSum);
    if (checksum_action == ChecksumFaultAction_ThrowException) throw rt::Exception(Message);
    // A server has no one to answer a message box: the warning goes to the log and the font
    // is used as it is.
    std::cerr << "Font table checksum error: " << Message << std::endl;
  }
}

void TrueTypeFont::AddCharacterToKeepList(std::uint16_t ch) {
  if (std::find(ListOfUsedGlyphs.begin(), ListOfUsedGlyphs.end(), ch) == ListOfUsedGlyphs.end())
    ListOfUsedGlyphs.push_back(ch);
}

void TrueTypeFont::KeepGlyph(std::uint16_t Glyph, int Width, std::vector<bool>& Kept) {
  Indices.push_back(Glyph);
  GlyphWidths.push_back(Width);
  Kept[Glyph] = true;
}

void TrueTypeFont::KeepComponents(std::uint16_t Glyph, bool decompose, bool collate, int Depth,
                                  std::vector<bool>& Kept) {
  if (!glyph_table || !index_to_location) return;
  std::uint32_t Location;
  const std::uint32_t Size = index_to_location->GetGlyph(Glyph, *font_header, Location);
  if (Size == 0) return;
  const int Upem = font_header->font_header.unitsPerEm;
  for (std::uint16_t C : glyph_table->CheckGlyph(Location, Size)) {
    if (collate && (!decompose || Kept[C])) continue;
    // A component may itself be built from components; those must stay too or the subset
    // loses parts of the glyph. Only followed while every glyph is kept once, which bounds it.
    if (collate && Depth < 16) {
      KeepComponents(C, decompose, collate, Depth + 1, Kept);
      if (Kept[C]) continue;
    }
    const int Advance = horizontal_metrix_table && C < horizontal_metrix_table->NumberOfMetrics
                            ? horizontal_metrix_table->GetItem(C).advanceWidth
                        : windows_metrix ? windows_metrix->win_metrix->xAvgCharWidth
                                         : 0;
    KeepGlyph(C, Advance * 1000 / Upem, Kept);
  }
}

void TrueTypeFont::BuildGlyphIndexList(const std::vector<std::uint16_t>& used_glyphs, bool uniscribe,
                                       bool decompose, bool collate, bool use_kerning) {
  Indices.clear();
  GlyphWidths.clear();
  if (!font_header) TrueTypeFormatError();
  const int Upem = font_header->font_header.unitsPerEm;
  std::vector<bool> Kept(65536, false);
  auto GlyphOf = [&](std::uint16_t V) -> std::uint16_t {
    if (uniscribe) return V;
    return cmap_table ? cmap_table->GetGlyphIndex(V) : 0;
  };
  auto AdvanceOf = [&](std::uint16_t G) -> int {
    return horizontal_metrix_table ? horizontal_metrix_table->GetItem(G).advanceWidth : 0;
  };
  const int AverageWidth = windows_metrix ? windows_metrix->win_metrix->xAvgCharWidth : 0;

  for (std::size_t K = 0; K < used_glyphs.size(); ++K) {
    const std::uint16_t V = used_glyphs[K];
    const std::uint16_t G = GlyphOf(V);
    std::uint32_t Location = 0;
    const std::uint32_t Size =
        index_to_location ? index_to_location->GetGlyph(G, *font_header, Location) : 0;
    int Kerning = 0;
    if (use_kerning && K + 1 < used_glyphs.size() && kerning_table) {
      const std::uint16_t N = GlyphOf(used_glyphs[K + 1]);
      Kerning = kerning_table->get_Item(std::uint32_t(N) << 16 | G) * 1000 / Upem;
    }
    if (Size > 0) {
      KeepComponents(G, decompose, collate, 0, Kept);
      if (!(collate && Kept[G])) KeepGlyph(G, AdvanceOf(G) * 1000 / Upem - Kerning, Kept);
    } else if (!Kept[G]) {
      const int Advance = V == 0x667 ? 0 : Location != 0 ? AdvanceOf(G) : AverageWidth;
      KeepGlyph(G, Advance * 1000 / Upem - Kerning, Kept);
    }
  }
}

void TrueTypeFont::RebuildGlyphs(bool uniscribe) {
  if (!glyph_table) throw rt::Exception("Glyph table not found");
  if (!index_to_location) TrueTypeFormatError();
  std::sort(ListOfUsedGlyphs.begin(), ListOfUsedGlyphs.end());
  BuildGlyphIndexList(ListOfUsedGlyphs, uniscribe, true, true, true);
  std::vector<std::uint16_t> Kept = Indices;
  std::sort(Kept.begin(), Kept.end());

  IndexToLocationClass& Loca = *index_to_location;
  const int Format = font_header->font_header.indexToLocFormat;
  const std::size_t Count =
      Format == 0 ? Loca.ShortIndexToLocation.size() : Loca.LongIndexToLocation.size();
  auto SetEntry = [&](std::size_t K, std::uint32_t V) {
    switch (Format) {
      case 0: Loca.ShortIndexToLocation[K] = static_cast<std::uint16_t>(V / 2); break;
      case 1: Loca.LongIndexToLocation[K] = V; break;
      default: throw rt::Exception("Unknown IndexToLoc value");
    }
  };

  // The places of the kept glyphs are taken before the table is rewritten.
  struct Place {
    std::uint16_t Glyph;
    std::uint32_t Location, Size;
  };
  std::vector<Place> Places;
  for (std::uint16_t G : Kept) {
    Place P{G, 0, 0};
    P.Size = Loca.GetGlyph(G, *font_header, P.Location);
    if (P.Location > glyph_table->entry.length || P.Size > glyph_table->entry.length - P.Location)
      TrueTypeFormatError();
    Places.push_back(P);
  }

  std::vector<std::uint8_t> NewGlyphs;
  std::uint32_t V = 0;
  std::size_t K = 0;
  for (const Place& P : Places) {
    for (; K <= P.Glyph && K < Count; ++K) SetEntry(K, V);
    NewGlyphs.insert(NewGlyphs.end(), glyph_table->glyph_table_ptr + P.Location,
                     glyph_table->glyph_table_ptr + P.Location + P.Size);
    V += P.Size;
  }
  for (; K < Count; ++K) SetEntry(K, V);

  std::uint8_t* GlyfBytes = beginfile_ptr.At(glyph_table->entry.offset, glyph_table->entry.length);
  CopyBytes(GlyfBytes, NewGlyphs.data(), NewGlyphs.size());
  glyph_table->entry.length = V;

  std::uint8_t* LocaBytes = beginfile_ptr.At(Loca.entry.offset, Loca.entry.length);
  for (std::size_t I = 0; I < Count; ++I) {
    if (Format == 0)
      PutUInt16(LocaBytes + 2 * I, Loca.ShortIndexToLocation[I]);
    else
      PutUInt32(LocaBytes + 4 * I, Loca.LongIndexToLocation[I]);
  }
  glyph_table->entry.checkSum = TableChecksum(GlyfBytes, V);
  Loca.entry.checkSum = TableChecksum(LocaBytes, Loca.entry.length);

  // The metrics of the glyphs left out are of no use either: zeroed, they pack to nearly
  // nothing (a CJK face has tens of thousands). The last long entry stays: glyphs after it
  // take its advance.
  if (horizontal_metrix_table) {
    HorizontalMetrixClass& H = *horizontal_metrix_table;
    std::vector<bool> Keep(Count + 1, false);
    for (std::uint16_t G : Kept)
      if (G < Keep.size()) Keep[G] = true;
    auto Left = [&](std::size_t G) { return G >= Keep.size() || !Keep[G]; };
    std::uint8_t* Metrics = beginfile_ptr.At(H.entry.offset, H.entry.length);
    const std::size_t Long = std::min<std::size_t>(H.NumberOfMetrics, H.entry.length / 4);
    for (std::size_t G = 0; G + 1 < Long; ++G)
      if (Left(G)) ZeroBytes(Metrics + 4 * G, 4);
    for (std::size_t G = Long, P = 4 * Long; P + 2 <= H.entry.length; ++G, P += 2)
      if (Left(G)) ZeroBytes(Metrics + P, 2);
    H.entry.checkSum = TableChecksum(Metrics, H.entry.length);
  }
}

std::vector<std::uint8_t> TrueTypeFont::PackFont(bool uniscribe) {
  if (!font_header) TrueTypeFormatError();
  std::vector<TrueTypeTable*> Order;
  for (auto& T : ListOfTables) Order.push_back(T.get());
  std::stable_sort(Order.begin(), Order.end(), [](const TrueTypeTable* A, const TrueTypeTable* B) {
    return A->entry.offset < B->entry.offset;
  });

  RebuildGlyphs(uniscribe);

  // The subset is laid out in a buffer of its own and then copied over the start of the font
  // data, so no table is overwritten before it has been moved.
  std::uint64_t Room = 12 + 16u * ListOfTables.size();
  for (const auto* T : Order) Room += RoundUp4(T->entry.length) + 32;
  std::vector<std::uint8_t> Packed(static_cast<std::size_t>(Room), 0);
  TTFBuffer To{Packed.data(), Packed.size()};

  std::uint32_t P = 12 + 16u * static_cast<std::uint32_t>(ListOfTables.size());
  for (TrueTypeTable* T : Order) {
    P = T->Save(beginfile_ptr, To, P);
    if (P % 4 != 0) throw rt::Exception("Align error");
  }
  WriteDirectory(To);
  SetCheckSumAdjustment(To, P);
  Packed.resize(P);
  if (P <= beginfile_ptr.Size) CopyBytes(beginfile_ptr.Data, Packed.data(), P);
  return Packed;
}

void TrueTypeFont::WriteDirectory(TTFBuffer& to) const {
  std::uint8_t* P = to.At(0, 12 + 16u * ListOfTables.size());
  PutUInt32(P, dir.sfntversion);
  PutUInt16(P + 4, static_cast<std::uint16_t>(ListOfTables.size()));
  PutUInt16(P + 6, dir.searchRange);
  PutUInt16(P + 8, dir.entrySelector);
  PutUInt16(P + 10, dir.rangeShift);
  std::vector<const TrueTypeTable*> Sorted;
  for (const auto& T : ListOfTables) Sorted.push_back(T.get());
  std::sort(Sorted.begin(), Sorted.end(), [](const TrueTypeTable* A, const TrueTypeTable* B) {
    return std::memcmp(A->entry.tag, B->entry.tag, 4) < 0;
  });
  P += 12;
  for (const auto* T : Sorted) P = T->StoreDescriptor(P);
}

void TrueTypeFont::SetCheckSumAdjustment(TTFBuffer& to, std::uint32_t Size) {
  const std::uint32_t Sum = TableChecksum(to.At(0, Size), Size);
  font_header->SaveFontHeader(to, 0xB1B0AFBAu - Sum);
}

std::uint16_t TrueTypeFont::get_Glyph(int idx) const {
  if (idx < 0 || static_cast<std::size_t>(idx) >= Indices.size())
    throw rt::EListError("List index out of bounds (" + std::to_string(idx) + ")");
  return Indices[static_cast<std::size_t>(idx)];
}

int TrueTypeFont::get_GlyphWidth(std::uint16_t glph) const {
  auto It = std::find(Indices.begin(), Indices.end(), glph);
  return It == Indices.end() ? 0 : GlyphWidths[static_cast<std::size_t>(It - Indices.begin())];
}

std::string TrueTypeFont::GetFamilyName() const { return name_table ? name_table->get_Item(1) : std::string(); }
