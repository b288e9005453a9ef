#pragma once
// Font files for the tests: real fonts of the system, taken apart into their tables and written
// again with tables changed, added or removed, alone or as a collection; and FreeType as the
// independent reader of what the subsetter writes.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace fontfix {

inline const char* const DejaVuDir = "/usr/share/fonts/truetype/dejavu/";

inline std::string ReadFile(const std::string& Path) {
  std::ifstream F(Path, std::ios::binary);
  if (!F) throw std::runtime_error("cannot read " + Path);
  std::stringstream S;
  S << F.rdbuf();
  return S.str();
}

inline const std::string& DejaVuSans() {
  static const std::string Data = ReadFile(std::string(DejaVuDir) + "DejaVuSans.ttf");
  return Data;
}

inline const std::string& DejaVuSansBold() {
  static const std::string Data = ReadFile(std::string(DejaVuDir) + "DejaVuSans-Bold.ttf");
  return Data;
}

inline std::uint16_t BE16(const std::string& S, std::size_t At) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(S.at(At)) << 8 |
                                    static_cast<std::uint8_t>(S.at(At + 1)));
}
inline std::uint32_t BE32(const std::string& S, std::size_t At) {
  return std::uint32_t(BE16(S, At)) << 16 | BE16(S, At + 2);
}
inline void Put16(std::string& S, std::size_t At, std::uint32_t V) {
  S.at(At) = static_cast<char>(V >> 8);
  S.at(At + 1) = static_cast<char>(V);
}
inline void Put32(std::string& S, std::size_t At, std::uint32_t V) {
  Put16(S, At, V >> 16);
  Put16(S, At + 2, V & 0xFFFF);
}
inline std::string U16(std::uint32_t V) {
  std::string S(2, '\0');
  Put16(S, 0, V);
  return S;
}
inline std::string U32(std::uint32_t V) {
  std::string S(4, '\0');
  Put32(S, 0, V);
  return S;
}

// The TrueType checksum of a byte range, a last partial word padded with zeros.
inline std::uint32_t Checksum(const std::string& S, std::size_t At, std::size_t Length) {
  std::string Padded = S.substr(At, Length);
  Padded.resize((Padded.size() + 3) / 4 * 4, '\0');
  std::uint32_t Sum = 0;
  for (std::size_t I = 0; I < Padded.size(); I += 4) Sum += BE32(Padded, I);
  return Sum;
}

struct NameRecord {
  std::uint16_t Platform, EncodingID, NameID;
  std::u16string Text;
};

inline std::string NameTable(const std::vector<NameRecord>& Records) {
  std::string Head = U16(0) + U16(static_cast<std::uint32_t>(Records.size())) +
                     U16(6 + 12 * static_cast<std::uint32_t>(Records.size()));
  std::string Strings;
  for (const NameRecord& R : Records) {
    std::string S;
    for (char16_t C : R.Text) S += U16(C);
    Head += U16(R.Platform) + U16(R.EncodingID) + U16(0x409) + U16(R.NameID) +
            U16(static_cast<std::uint32_t>(S.size())) + U16(static_cast<std::uint32_t>(Strings.size()));
    Strings += S;
  }
  return Head + Strings;
}

struct DirEntry {
  std::string Tag;
  std::uint32_t CheckSum, Offset, Length;
};

// The offset table and directory entries of the face whose offset table is at At.
struct Directory {
  std::uint32_t Version = 0;
  std::uint16_t SearchRange = 0, EntrySelector = 0, RangeShift = 0;
  std::vector<DirEntry> Entries;
  const DirEntry* Find(const std::string& Tag) const {
    for (const DirEntry& E : Entries)
      if (E.Tag == Tag) return &E;
    return nullptr;
  }
};

inline Directory ReadDirectory(const std::string& File, std::size_t At = 0) {
  Directory D;
  D.Version = BE32(File, At);
  const std::uint16_t N = BE16(File, At + 4);
  D.SearchRange = BE16(File, At + 6);
  D.EntrySelector = BE16(File, At + 8);
  D.RangeShift = BE16(File, At + 10);
  for (std::uint16_t I = 0; I < N; ++I) {
    const std::size_t E = At + 12 + 16u * I;
    D.Entries.push_back({File.substr(E, 4), BE32(File, E + 4), BE32(File, E + 8), BE32(File, E + 12)});
  }
  return D;
}

// One face as its tables, in directory order.
struct SfntFile {
  std::uint32_t Version = 0x00010000;
  std::vector<std::pair<std::string, std::string>> Tables;

  static SfntFile Read(const std::string& File, std::size_t At = 0) {
    SfntFile F;
    const Directory D = ReadDirectory(File, At);
    F.Version = D.Version;
    for (const DirEntry& E : D.Entries) F.Tables.emplace_back(E.Tag, File.substr(E.Offset, E.Length));
    return F;
  }
  std::string& Table(const std::string& Tag) {
    for (auto& T : Tables)
      if (T.first == Tag) return T.second;
    throw std::runtime_error("no table " + Tag);
  }
  void Set(const std::string& Tag, const std::string& Bytes) {
    for (auto& T : Tables)
      if (T.first == Tag) {
        T.second = Bytes;
        return;
      }
    Tables.emplace_back(Tag, Bytes);
  }
  void Remove(const std::string& Tag) {
    Tables.erase(std::remove_if(Tables.begin(), Tables.end(), [&](const auto& T) { return T.first == Tag; }),
                 Tables.end());
  }
  std::vector<std::pair<std::string, std::string>> Sorted() const {
    auto S = Tables;
    std::sort(S.begin(), S.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
    return S;
  }
  // A standalone file: sorted directory, 4-byte aligned tables, every checksum right.
  std::string Write() const {
    std::string Out;
    WriteFace(Out, 0, true);
    return Out;
  }
  // Appends the offset table and the tables at Base of Out (which must end there).
  void WriteFace(std::string& Out, std::size_t Base, bool Adjust) const {
    const auto S = Sorted();
    const auto N = static_cast<std::uint16_t>(S.size());
    std::uint16_t Pow = 1, Sel = 0;
    while (Pow * 2 <= N) {
      Pow = static_cast<std::uint16_t>(Pow * 2);
      ++Sel;
    }
    Out.resize(Base + 12 + 16u * N, '\0');
    Put32(Out, Base, Version);
    Put16(Out, Base + 4, N);
    Put16(Out, Base + 6, Pow * 16u);
    Put16(Out, Base + 8, Sel);
    Put16(Out, Base + 10, N * 16u - Pow * 16u);
    std::size_t HeadAt = 0;
    for (std::size_t I = 0; I < S.size(); ++I) {
      std::string Bytes = S[I].second;
      if (S[I].first == "head") Put32(Bytes, 8, 0);
      const std::size_t At = Out.size();
      if (S[I].first == "head") HeadAt = At;
      Out += Bytes;
      Out.resize((Out.size() + 3) / 4 * 4, '\0');
      const std::size_t E = Base + 12 + 16 * I;
      Out.replace(E, 4, S[I].first);
      Put32(Out, E + 4, Checksum(Bytes, 0, Bytes.size()));
      Put32(Out, E + 8, static_cast<std::uint32_t>(At));
      Put32(Out, E + 12, static_cast<std::uint32_t>(Bytes.size()));
    }
    if (Adjust && HeadAt) Put32(Out, HeadAt + 8, 0xB1B0AFBAu - Checksum(Out, 0, Out.size()));
  }
};

// A collection file holding the faces one after another.
inline std::string WriteCollection(const std::vector<SfntFile>& Faces, std::uint32_t Version = 0x00010000) {
  std::string Out = "ttcf" + U32(Version) + U32(static_cast<std::uint32_t>(Faces.size()));
  Out.resize(12 + 4 * Faces.size(), '\0');
  for (std::size_t I = 0; I < Faces.size(); ++I) {
    Put32(Out, 12 + 4 * I, static_cast<std::uint32_t>(Out.size()));
    Faces[I].WriteFace(Out, Out.size(), false);
  }
  return Out;
}

inline std::vector<std::uint8_t> Bytes(const std::string& S) { return {S.begin(), S.end()}; }
inline std::string Text(const std::vector<std::uint8_t>& B) { return {B.begin(), B.end()}; }

// ---- FreeType as the independent reader

struct GlyphShape {
  std::vector<std::pair<long, long>> Points;
  std::string Tags;
  std::vector<short> Contours;
  long Advance = 0;
  bool operator==(const GlyphShape& O) const {
    return Points == O.Points && Tags == O.Tags && Contours == O.Contours && Advance == O.Advance;
  }
};

class FTFont {
public:
  explicit FTFont(const std::string& Data, long FaceIndex = 0) : FData(Data) {
    if (FT_Init_FreeType(&FLib)) throw std::runtime_error("FreeType does not start");
    FError = FT_New_Memory_Face(FLib, reinterpret_cast<const FT_Byte*>(FData.data()),
                                static_cast<FT_Long>(FData.size()), FaceIndex, &FFace);
  }
  ~FTFont() {
    if (!FError) FT_Done_Face(FFace);
    FT_Done_FreeType(FLib);
  }
  FTFont(const FTFont&) = delete;
  FTFont& operator=(const FTFont&) = delete;

  bool Loaded() const { return FError == 0; }
  FT_Face Face() const { return FFace; }
  long GlyphCount() const { return FFace->num_glyphs; }
  unsigned CharIndex(unsigned long Ch) const { return FT_Get_Char_Index(FFace, Ch); }
  // The outline in font units, composites resolved, and the advance.
  GlyphShape Shape(unsigned Glyph) const {
    GlyphShape G;
    if (FT_Load_Glyph(FFace, Glyph, FT_LOAD_NO_SCALE)) throw std::runtime_error("glyph does not load");
    const FT_Outline& O = FFace->glyph->outline;
    for (int I = 0; I < O.n_points; ++I) {
      G.Points.emplace_back(O.points[I].x, O.points[I].y);
      G.Tags += static_cast<char>(O.tags[I]);
    }
    G.Contours.assign(O.contours, O.contours + O.n_contours);
    G.Advance = FFace->glyph->metrics.horiAdvance;
    return G;
  }

private:
  std::string FData;
  FT_Library FLib = nullptr;
  FT_Face FFace = nullptr;
  FT_Error FError = 1;
};

} // namespace fontfix
