#pragma once
// Pictures of prepared pages, stored once: a picture object on a prepared page keeps only a
// 1-based index (ImageIndex, 0 for none) into this cache. The graphics are kept back to back in
// a few large segments, in memory or in temporary files, each as the graphic's own file format.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"

namespace gfx {
class TGraphic;
}
class TrepPictureView;
class TrepXMLItem;

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
  void LoadFromXML(TrepXMLItem* Item, rt::TStrings* Errors = nullptr);

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
