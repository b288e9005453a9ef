#pragma once
// The tables of a TrueType font file held in memory, and one face of such a file with the
// packing of a subset that keeps only the glyphs a document uses.
//
// Every reader works on one buffer that holds the whole file (or the whole collection file):
// table offsets count from its start. Every access is checked against the buffer's size; a font
// whose offsets or counts lead outside it is refused with "TrueType font format error".
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"

// Memory of a font file; not owned.
struct TTFBuffer {
  std::uint8_t* Data = nullptr;
  std::size_t Size = 0;
  // The address of Length bytes at Offset; the format error when they leave the buffer.
  std::uint8_t* At(std::uint64_t Offset, std::uint64_t Length) const;
};

// Raises "TrueType font format error".
[[noreturn]] void TrueTypeFormatError();

class TTF_Helpers : public rt::TObject {
public:
  static std::uint8_t* Increment(std::uint8_t* ptr, std::size_t cbSize) { return ptr + cbSize; }
  static std::int16_t SwapInt16(std::int16_t V) {
    return static_cast<std::int16_t>(SwapUInt16(static_cast<std::uint16_t>(V)));
  }
  static std::uint16_t SwapUInt16(std::uint16_t V) {
    return static_cast<std::uint16_t>(V >> 8 | V << 8);
  }
  static std::int32_t SwapInt32(std::int32_t V) {
    return static_cast<std::int32_t>(SwapUInt32(static_cast<std::uint32_t>(V)));
  }
  static std::uint32_t SwapUInt32(std::uint32_t V) {
    return V >> 24 | (V >> 8 & 0xFF00) | (V << 8 & 0xFF0000) | V << 24;
  }
  // Big-endian values at any address.
  static std::uint16_t GetUInt16(const std::uint8_t* P) {
    return static_cast<std::uint16_t>(P[0] << 8 | P[1]);
  }
  static std::int16_t GetInt16(const std::uint8_t* P) {
    return static_cast<std::int16_t>(GetUInt16(P));
  }
  static std::uint32_t GetUInt32(const std::uint8_t* P) {
    return std::uint32_t(P[0]) << 24 | std::uint32_t(P[1]) << 16 | std::uint32_t(P[2]) << 8 | P[3];
  }
  static void PutUInt16(std::uint8_t* P, std::uint16_t V) {
    P[0] = static_cast<std::uint8_t>(V >> 8);
    P[1] = static_cast<std::uint8_t>(V);
  }
  static void PutUInt32(std::uint8_t* P, std::uint32_t V) {
    for (int I = 0; I < 4; ++I) P[I] = static_cast<std::uint8_t>(V >> (24 - 8 * I));
  }
  // Sum of the big-endian 32-bit words modulo 2^32; a last partial word counts its missing bytes
  // as 0.
  static std::uint32_t TableChecksum(const std::uint8_t* P, std::size_t Length);
};

// One entry of the table directory. The tag stays in file byte order, so it compares as its
// four characters; the numbers are native.
struct TableEntry {
  char tag[4] = {};
  std::uint32_t checkSum = 0;
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  std::string Tag() const { return std::string(tag, 4); }
};

// A table of the directory. Tables without a class of their own are carried into a subset as
// they are.
class TrueTypeTable : public TTF_Helpers {
public:
  TableEntry entry;

  // Reads a 16-byte directory entry.
  explicit TrueTypeTable(const std::uint8_t* entry_ptr);
  // Copies another table's entry (a parsed table is made from the generic one).
  TrueTypeTable(const TrueTypeTable& parent) : TTF_Helpers(), entry(parent.entry) {}
  TrueTypeTable& operator=(const TrueTypeTable&) = delete;

  virtual void Load(const TTFBuffer& font);
  // Writes the table at offset of the new file `to`, taking its current bytes from `from`; the
  // table starts on a 4-byte boundary and its padding is 0. Sets `offset` to the new place and
  // returns where the next table goes.
  virtual std::uint32_t Save(const TTFBuffer& from, TTFBuffer& to, std::uint32_t offset);
  // Writes the entry as a 16-byte big-endian directory entry; returns the address after it.
  std::uint8_t* StoreDescriptor(std::uint8_t* descriptor_ptr) const;
  // The tag as text, for messages.
  std::string GetTAGLINE() const { return entry.Tag(); }

protected:
  // The table's bytes in the buffer (format error when they leave it).
  std::uint8_t* Bytes(const TTFBuffer& font) const { return font.At(entry.offset, entry.length); }
  // The table's first Size bytes, or the format error when the table is shorter.
  std::uint8_t* Fixed(const TTFBuffer& font, std::uint32_t Size) const;
};

// "cmap": the Windows Unicode (3, 1) subtable in format 4.
class CmapTableClass : public TrueTypeTable {
public:
  explicit CmapTableClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  std::vector<std::uint16_t> endCount, GlyphIndexArray, idRangeOffset, startCount;
  std::vector<std::int16_t> idDelta;
  int segment_count = 0;

  void Load(const TTFBuffer& font) override { LoadCmapTable(font); }
  // Formats 0, 2 and 6 raise "TO DO: ... cmap format not implemented"; other formats but 4 are
  // passed over.
  void LoadCmapTable(const TTFBuffer& font);
  // 0 for a character without a glyph.
  std::uint16_t GetGlyphIndex(std::uint16_t ch) const;
};

struct FontHeader {
  std::uint32_t version = 0, revision = 0, checkSumAdjustment = 0, magicNumber = 0;
  std::uint16_t flags = 0, unitsPerEm = 0;
  std::int64_t CreatedDateTime = 0, ModifiedDateTime = 0;
  std::int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  std::uint16_t macStyle = 0, lowestRecPPEM = 0;
  std::int16_t fontDirectionHint = 0, indexToLocFormat = 0, glyphDataFormat = 0;
};

// "head".
class FontHeaderClass : public TrueTypeTable {
public:
  explicit FontHeaderClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  FontHeader font_header;

  // Also sets checkSumAdjustment in the buffer to 0, so whole-file sums can be taken later.
  void Load(const TTFBuffer& font) override;
  // Writes the header at the table's offset with checkSumAdjustment = CheckSum.
  void SaveFontHeader(TTFBuffer& font, std::uint32_t CheckSum);
};

// "glyf".
class GlyphTableClass : public TrueTypeTable {
public:
  explicit GlyphTableClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  std::uint8_t* glyph_table_ptr = nullptr;  // the table in the buffer

  void Load(const TTFBuffer& font) override;
  // The component glyph indices of the glyph at glyph_offset (empty for a simple glyph).
  std::vector<std::uint16_t> CheckGlyph(std::uint32_t glyph_offset, std::uint32_t glyph_size) const;
};

struct GSUB_Header {
  std::uint32_t Version = 0;
  std::uint16_t ScriptList = 0, FeatureList = 0, LookupList = 0;
};

// "GSUB".
class GlyphSubstitutionClass : public TrueTypeTable {
public:
  explicit GlyphSubstitutionClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  GSUB_Header header;
  void Load(const TTFBuffer& font) override;
};

struct HorizontalHeader {
  std::uint32_t version = 0;
  std::int16_t Ascender = 0, Descender = 0, LineGap = 0;
  std::uint16_t advanceWidthMax = 0;
  std::int16_t minLeftSideBearing = 0, minRightSideBearing = 0, xMaxExtent = 0,
               caretSlopeRise = 0, caretSlopeRun = 0;
  std::int16_t reserved1 = 0, reserved2 = 0, reserved3 = 0, reserved4 = 0, reserved5 = 0;
  std::int16_t metricDataFormat = 0;
  std::uint16_t numberOfHMetrics = 0;
};

// "hhea".
class HorizontalHeaderClass : public TrueTypeTable {
public:
  explicit HorizontalHeaderClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  HorizontalHeader horizontal_header;
  void Load(const TTFBuffer& font) override;
  std::uint32_t Save(const TTFBuffer& from, TTFBuffer& to, std::uint32_t offset) override;
};

struct longHorMetric {
  std::uint16_t advanceWidth = 0;
  std::int16_t lsb = 0;
};

// "hmtx". NumberOfMetrics comes from "hhea" before loading.
class HorizontalMetrixClass : public TrueTypeTable {
public:
  explicit HorizontalMetrixClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  std::vector<longHorMetric> MetrixTable;
  std::uint16_t NumberOfMetrics = 0;
  void Load(const TTFBuffer& font) override;
  // The entry of a glyph; glyphs beyond the table take the last entry.
  longHorMetric GetItem(std::uint32_t index) const;
};

// "loca".
class IndexToLocationClass : public TrueTypeTable {
public:
  explicit IndexToLocationClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  std::vector<std::uint32_t> LongIndexToLocation;
  std::vector<std::uint16_t> ShortIndexToLocation;
  // "Unsupported Index to Location format" for a format other than 0 and 1.
  void LoadIndexToLocation(const TTFBuffer& font, const FontHeaderClass& font_header);
  // The size of a glyph's data and, in location, its offset in "glyf"; 0 and 0 for a glyph the
  // table does not cover.
  std::uint32_t GetGlyph(std::uint32_t i2l_idx, const FontHeaderClass& font_header,
                         std::uint32_t& location) const;
};

struct KerningCommonHeader {
  std::uint16_t Coverage = 0, Length = 0, Version = 0;
};

struct KerningFormatZero {
  std::uint16_t entrySelector = 0, nPairs = 0, rangeShift = 0, searchRange = 0;
};

// One kern subtable: its pairs, keyed by left glyph x 65536 + right glyph.
class KerningSubtableClass : public TTF_Helpers {
public:
  KerningCommonHeader common_header;
  std::map<std::uint32_t, std::int16_t> zero_pairs;
  KerningFormatZero format_zero;
  // Reads the subtable at P; Available is how many bytes of the table follow P.
  KerningSubtableClass(const std::uint8_t* P, std::uint32_t Available);
};

struct KerningTableHeader {
  std::uint16_t Version = 0, nTables = 0;
};

// "kern". Only subtables whose version word is 1 carry pairs.
class KerningTableClass : public TrueTypeTable {
public:
  explicit KerningTableClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  KerningTableHeader kerning_table_header;
  std::vector<std::unique_ptr<KerningSubtableClass>> kerning_subtables_collection;
  void Load(const TTFBuffer& font) override;
  // The value of a pair in the first subtable; 0 when absent.
  std::int16_t get_Item(std::uint32_t idx) const;
};

struct NamingTableHeader {
  std::uint16_t TableVersion = 0, Count = 0, stringOffset = 0;
};

// "name".
class NameTableClass : public TrueTypeTable {
public:
  explicit NameTableClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  NamingTableHeader name_header;
  const std::uint8_t* namerecord_ptr = nullptr;
  const std::uint8_t* string_storage_ptr = nullptr;
  std::uint16_t FPlatform = 3;

  void Load(const TTFBuffer& font) override;
  // Looks through the Windows Unicode (or Unicode platform) records of a name ID, in UTF-8: the
  // first one when wanted is empty, else the one equal to wanted ignoring ASCII case. Without a
  // match text holds the last such record (empty when none) and the result is false.
  bool IsHasFontName(std::uint16_t nameID, const std::string& wanted, std::string& text) const;
  // The first Windows Unicode record of a name ID (1 family, 4 full name).
  std::string get_Item(std::uint16_t nameID) const;

private:
  const std::uint8_t* table_end = nullptr;
};

struct PostScript {
  std::uint32_t Version = 0, ItalicAngle = 0;
  std::int16_t underlinePosition = 0, underlineThickness = 0;
  std::uint32_t isFixedPitch = 0, minMemType42 = 0, maxMemType42 = 0, minMemType1 = 0,
                maxMemType1 = 0;
};

// "post". Written back as a 32-byte version 3.0 table, without glyph names.
class PostScriptClass : public TrueTypeTable {
public:
  explicit PostScriptClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  PostScript post_script;
  void Load(const TTFBuffer& font) override;
  std::uint32_t Save(const TTFBuffer& from, TTFBuffer& to, std::uint32_t offset) override;
};

struct MaximumProfile {
  std::uint32_t version = 0;
  std::uint16_t numGlyphs = 0, maxPoints = 0, maxContours = 0, maxCompositePoints = 0,
                maxCompositeContours = 0, maxZones = 0, maxTwilightPoints = 0, maxStorage = 0,
                maxFunctionDefs = 0, maxInstructionDefs = 0, maxStackElements = 0,
                maxSizeOfInstructions = 0, maxComponentElements = 0, maxComponentDepth = 0;
};

// "maxp".
class MaximumProfileClass : public TrueTypeTable {
public:
  explicit MaximumProfileClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  MaximumProfile max_profile;
  void Load(const TTFBuffer& font) override;
  std::uint32_t Save(const TTFBuffer& from, TTFBuffer& to, std::uint32_t offset) override;
};

// The 96-byte layout of "OS/2" versions 2 to 4; shorter tables read as 0 past their end.
struct OS2WindowsMetrics {
  std::uint16_t version = 0;
  std::int16_t xAvgCharWidth = 0;
  std::uint16_t usWeightClass = 0, usWidthClass = 0, fsType = 0;
  std::int16_t ySubscriptXSize = 0, ySubscriptYSize = 0, ySubscriptXOffset = 0,
               ySubscriptYOffset = 0, ySuperscriptXSize = 0, ySuperscriptYSize = 0,
               ySuperscriptXOffset = 0, ySuperscriptYOffset = 0, yStrikeoutSize = 0,
               yStrikeoutPosition = 0, sFamilyClass = 0;
  std::uint8_t panose[10] = {};
  std::uint32_t ulUnicodeRange1 = 0, ulUnicodeRange2 = 0, ulUnicodeRange3 = 0, ulUnicodeRange4 = 0;
  char achVendID[4] = {};
  std::uint16_t fsSelection = 0, usFirstCharIndex = 0, usLastCharIndex = 0;
  std::int16_t sTypoAscender = 0, sTypoDescender = 0, sTypoLineGap = 0;
  std::uint16_t usWinAscent = 0, usWinDescent = 0;
  std::uint32_t ulCodePageRange1 = 0, ulCodePageRange2 = 0;
  std::int16_t sxHeight = 0, sCapHeight = 0;
  std::uint16_t usDefaultChar = 0, usBreakChar = 0, usMaxContext = 0;
};

// "OS/2", written back unchanged.
class OS2WindowsMetricsClass : public TrueTypeTable {
public:
  explicit OS2WindowsMetricsClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  std::unique_ptr<OS2WindowsMetrics> win_metrix;
  void Load(const TTFBuffer& font) override;
  std::uint32_t Save(const TTFBuffer& from, TTFBuffer& to, std::uint32_t offset) override;

private:
  std::vector<std::uint8_t> FBytes;  // the table as read
};

// "prep", held as its bytes rounded up to a multiple of 4.
class PreProgramClass : public TrueTypeTable {
public:
  explicit PreProgramClass(const TrueTypeTable& src) : TrueTypeTable(src) {}
  std::vector<std::uint8_t> pre_program;
  void Load(const TTFBuffer& font) override;
  std::uint32_t Save(const TTFBuffer& from, TTFBuffer& to, std::uint32_t offset) override;
};

// ---------------------------------------------------------------------------------------------
// One face of a font file

enum ChecksumFaultAction {
  ChecksumFaultAction_IgnoreChecksum,
  ChecksumFaultAction_ThrowException,
  // The mismatch is reported on the standard error stream and checking goes on.
  ChecksumFaultAction_Warn
};

struct TableDirectory {
  std::uint32_t sfntversion = 0;
  std::uint16_t numTables = 0, searchRange = 0, entrySelector = 0, rangeShift = 0;
};

class TrueTypeFont : public TTF_Helpers {
public:
  // bgn: the whole file; font: the offset of this face's offset table in it.
  TrueTypeFont(TTFBuffer bgn, std::uint32_t font, ChecksumFaultAction action);
  TrueTypeFont(const TrueTypeFont&) = delete;
  TrueTypeFont& operator=(const TrueTypeFont&) = delete;

  TTFBuffer beginfile_ptr;
  CmapTableClass* cmap_table = nullptr;
  TableDirectory dir;
  FontHeaderClass* font_header = nullptr;
  GlyphTableClass* glyph_table = nullptr;
  GlyphSubstitutionClass* gsub_table = nullptr;
  HorizontalHeaderClass* horizontal_header = nullptr;
  HorizontalMetrixClass* horizontal_metrix_table = nullptr;
  IndexToLocationClass* index_to_location = nullptr;
  KerningTableClass* kerning_table = nullptr;
  NameTableClass* name_table = nullptr;
  PostScriptClass* postscript = nullptr;
  MaximumProfileClass* profile = nullptr;
  std::uint32_t selector_ptr = 0;
  OS2WindowsMetricsClass* windows_metrix = nullptr;
  PreProgramClass* preprogram_table = nullptr;
  std::vector<std::unique_ptr<TrueTypeTable>> ListOfTables;  // every table of the face, owned
  std::vector<std::uint16_t> ListOfUsedGlyphs;               // the keep list
  std::vector<int> GlyphWidths;        // width of each kept glyph, thousandths of the em
  std::vector<std::uint16_t> Indices;  // the kept glyphs
  std::string FSubstitutionName;
  ChecksumFaultAction checksum_action;

  // Reads the directory (dropping the tags of skip_list), loads the tables and verifies their
  // checksums.
  void PrepareFont(const std::vector<std::string>& skip_list);
  void AddCharacterToKeepList(std::uint16_t ch);
  // Fills Indices and GlyphWidths from used_glyphs (glyph indices when uniscribe, else
  // characters looked up in "cmap"). decompose keeps the glyphs composites are built from;
  // collate keeps every glyph once; use_kerning takes the kerning with the next glyph off a width.
  void BuildGlyphIndexList(const std::vector<std::uint16_t>& used_glyphs, bool uniscribe,
                           bool decompose, bool collate, bool use_kerning);
  // Rebuilds the face in the buffer as a standalone file that keeps every glyph number but only
  // the outlines of the kept glyphs, and returns its bytes. A face is packed once.
  std::vector<std::uint8_t> PackFont(bool uniscribe);
  std::uint16_t get_Glyph(int idx) const;
  // The width of a kept glyph; 0 when the glyph is not kept.
  int get_GlyphWidth(std::uint16_t glph) const;
  // The first Windows Unicode family name.
  std::string GetFamilyName() const;

private:
  void ReadDirectory(const std::vector<std::string>& skip_list);
  void LoadTables();
  void VerifyChecksums();
  void RebuildGlyphs(bool uniscribe);
  void KeepGlyph(std::uint16_t Glyph, int Width, std::vector<bool>& Kept);
  void KeepComponents(std::uint16_t Glyph, bool decompose, bool collate, int Depth,
                      std::vector<bool>& Kept);
  void WriteDirectory(TTFBuffer& to) const;
  void SetCheckSumAdjustment(TTFBuffer& to, std::uint32_t Size);
};

// Family names whose table checksums are not verified (compared ignoring ASCII case).
void AddTrueTypeFontName(const std::string& Name);
bool FindTrueTypeFontName(const std::string& Name);
