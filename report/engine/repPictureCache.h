#pragma once
// Pictures of prepared pages, stored once: a picture object on a prepared page keeps only a
// 1-based index (ImageIndex, 0 for none) into this cache. The graphics are kept back to back in
// a few large segments, in memory or in temporary files, each as the graphic's own file format.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/rt/Classes.h"

namespace gfx {
class TGraphic;
}
class TrepPictureView;
class TrepXMLItem;

// The pixels all pictures of one report file (a template or a prepared report) may have
// together once decoded; pictures beyond it are left out. Counted from the pictures' headers,
// before any is decoded.
inline constexpr std::int64_t MaxReportImagePixels = 100'000'000;

// Counts the pictures of one report file against MaxReportImagePixels, each distinct picture
// once however often the file repeats it.
class TrepImagePixelBudget {
public:
  // Starts counting afresh; refusals are told to TellTo when given, else to the caller's list.
  void Reset(rt::TStrings* TellTo = nullptr);
  // True when the picture of these bytes still fits (it is counted then). False when it does
  // not: the caller leaves it out, and the first refusal adds one line to the errors.
  // Bytes whose header tells no size count nothing (the picture reader refuses them anyway).
  bool Take(const std::uint8_t* Data, std::size_t Size, rt::TStrings* Errors);
  std::int64_t Pixels() const { return FPixels; }

private:
  std::int64_t FPixels = 0;
  std::unordered_set<std::string> FSeen;
  bool FRefused = false;
  rt::TStrings* FTellTo = nullptr;
};

class TrepPictureCache : public rt::TObject {
public:
  // A new segment starts once the last one holds this many bytes.
  static constexpr std::int64_t SegmentSize = 1789569706;

  TrepPictureCache();
  ~TrepPictureCache() override;
  TrepPictureCache(const TrepPictureCache&) = delete;
  TrepPictureCache& operator=(const TrepPictureCache&) = delete;

  // Both settings take effect only while the cache holds no segment.
  bool UseFileCache() const { return FUseFileCache; }
  void SetUseFileCache(bool Value);
  const std::string& TempDir() const { return FTempDir; }
  void SetTempDir(const std::string& Value);

  int Count() const { return static_cast<int>(FItems.size()); }
  // Frees every segment and deletes the segment files.
  void Clear();
  // A picture object with a graphic gets the next index and its graphic is stored; one without
  // gets index 0.
  void AddPicture(TrepPictureView* Picture);
  // Nothing for no graphic or an empty one (ImageIndex stays as it is).
  void AddPicture(const gfx::TGraphic* aGraphic, int& ImageIndex);
  // Loads the picture of the object's ImageIndex into it; an index outside 1 .. Count empties
  // the object's picture.
  void GetPicture(TrepPictureView* Picture);
  // Nothing for an index outside 1 .. Count. EInvalidGraphic when the data does not suit the
  // graphic's class.
  void GetPicture(gfx::TGraphic* aGraphic, int ImageIndex);
  // The stored bytes of a picture; empty for an index outside 1 .. Count.
  std::string PictureData(int ImageIndex);

  // One child "item" per picture with the attribute stream (the data as upper-case hex).
  void SaveToXML(TrepXMLItem* Item);
  // Clear, then one picture per child. A child whose stream is not hexadecimal keeps its place
  // as a picture without data (so later indexes stay right) and adds a line to Errors when
  // given.
  // Pictures that do not fit Budget (when given) are kept as pictures without data too.
  void LoadFromXML(TrepXMLItem* Item, rt::TStrings* Errors = nullptr, TrepImagePixelBudget* Budget = nullptr);

private:
  struct TEntry {
    int Segment;
    std::int64_t Offset;
  };
  void AddSegment();
  // A new entry at the end of the last segment; the segment is positioned there.
  rt::TStream& NewEntry();
  // The data range of an entry.
  void Range(int Index, int& Segment, std::int64_t& Start, std::int64_t& End);

  std::vector<TEntry> FItems;
  std::vector<std::unique_ptr<rt::TStream>> FSegments;
  std::vector<std::string> FTempFiles;
  std::string FTempDir;
  bool FUseFileCache = false;
};
