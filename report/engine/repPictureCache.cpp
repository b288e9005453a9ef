#include "report/engine/repPictureCache.h"

#include <cstdio>

#include "platform/gfx/Picture.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"

void TrepImagePixelBudget::Reset(rt::TStrings* TellTo) {
  FTellTo = TellTo;
  FPixels = 0;
  FSeen.clear();
  FRefused = false;
}

bool TrepImagePixelBudget::Take(const std::uint8_t* Data, std::size_t Size, rt::TStrings* Errors) {
  int W = 0, H = 0;
  if (!gfx::ImageSize(Data, Size, W, H)) return true;
  // A digest of the bytes would do; the bytes themselves are already bounded by the file.
  std::string Key(reinterpret_cast<const char*>(Data), Size);
  if (FSeen.count(Key) != 0) return true;
  const std::int64_t Pixels = static_cast<std::int64_t>(W) * H;
  if (FPixels + Pixels > MaxReportImagePixels) {
    if (FTellTo != nullptr) Errors = FTellTo;
    if (!FRefused && Errors != nullptr)
      Errors->Add("Pictures left out: the report's pictures have more than " + std::to_string(MaxReportImagePixels) +
                  " pixels in all");
    FRefused = true;
    return false;
  }
  FPixels += Pixels;
  FSeen.insert(std::move(Key));
  return true;
}

TrepPictureCache::TrepPictureCache() = default;

TrepPictureCache::~TrepPictureCache() { Clear(); }

void TrepPictureCache::SetUseFileCache(bool Value) {
  if (FSegments.empty()) FUseFileCache = Value;
}

void TrepPictureCache::SetTempDir(const std::string& Value) {
  if (FSegments.empty()) FTempDir = Value;
}

void TrepPictureCache::Clear() {
  for (std::size_t I = 0; I < FSegments.size(); ++I) {
    FSegments[I].reset();
    if (FUseFileCache && I < FTempFiles.size()) std::remove(FTempFiles[I].c_str());
  }
  FSegments.clear();
  FTempFiles.clear();
  FItems.clear();
}

void TrepPictureCache::AddSegment() {
  if (FUseFileCache) {
    const std::string Name = TempFileNameIn(FTempDir);
    FTempFiles.push_back(Name);
    FSegments.push_back(std::make_unique<rt::TFileStream>(Name, rt::fmOpenReadWrite));
  } else {
    FSegments.push_back(std::make_unique<rt::TMemoryStream>());
  }
}

rt::TStream& TrepPictureCache::NewEntry() {
  if (FSegments.empty() || FSegments.back()->Size() >= SegmentSize) AddSegment();
  rt::TStream& S = *FSegments.back();
  const std::int64_t End = S.Size();
  FItems.push_back(TEntry{static_cast<int>(FSegments.size()) - 1, End});
  S.Seek(End, rt::soBeginning);
  return S;
}

void TrepPictureCache::Range(int Index, int& Segment, std::int64_t& Start, std::int64_t& End) {
  const TEntry& E = FItems[static_cast<std::size_t>(Index - 1)];
  Segment = E.Segment;
  Start = E.Offset;
  if (static_cast<std::size_t>(Index) < FItems.size() && FItems[static_cast<std::size_t>(Index)].Segment == E.Segment)
    End = FItems[static_cast<std::size_t>(Index)].Offset;
  else
    End = FSegments[static_cast<std::size_t>(E.Segment)]->Size();
}

void TrepPictureCache::AddPicture(TrepPictureView* Picture) {
  if (Picture == nullptr) return;
  const gfx::TGraphic* G = Picture->Picture().Graphic();
  if (G == nullptr) {
    Picture->ImageIndex = 0;
    return;
  }
  Picture->ImageIndex = Count() + 1;
  G->SaveToStream(NewEntry());
}

void TrepPictureCache::AddPicture(const gfx::TGraphic* aGraphic, int& ImageIndex) {
  if (aGraphic == nullptr || (aGraphic->Width() == 0 && aGraphic->Height() == 0)) return;
  ImageIndex = Count() + 1;
  aGraphic->SaveToStream(NewEntry());
}

std::string TrepPictureCache::PictureData(int ImageIndex) {
  if (ImageIndex < 1 || ImageIndex > Count()) return {};
  int Seg = 0;
  std::int64_t Start = 0, End = 0;
  Range(ImageIndex, Seg, Start, End);
  std::string Data(static_cast<std::size_t>(End > Start ? End - Start : 0), '\0');
  rt::TStream& S = *FSegments[static_cast<std::size_t>(Seg)];
  S.Seek(Start, rt::soBeginning);
  if (!Data.empty()) S.ReadBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
  return Data;
}

void TrepPictureCache::GetPicture(TrepPictureView* Picture) {
  if (Picture == nullptr) return;
  if (Picture->ImageIndex < 1 || Picture->ImageIndex > Count()) {
    Picture->Picture().Clear();
    return;
  }
  // The picture's bytes alone, so that a reader that reads to the end stops at its picture.
  rt::TStringStream M(PictureData(Picture->ImageIndex));
  Picture->LoadPictureFromStream(M, true);
}

void TrepPictureCache::GetPicture(gfx::TGraphic* aGraphic, int ImageIndex) {
  if (aGraphic == nullptr || ImageIndex < 1 || ImageIndex > Count()) return;
  rt::TStringStream M(PictureData(ImageIndex));
  aGraphic->LoadFromStream(M);
}

void TrepPictureCache::SaveToXML(TrepXMLItem* Item) {
  if (Item == nullptr) return;
  Item->Clear();
  for (int I = 1; I <= Count(); ++I) {
    rt::TStringStream M(PictureData(I));
    const std::string Hex = StreamToHex(M);
    Item->Add("item")->SetText(u"stream=\"" + rt::Utf8ToUtf16(Hex) + u"\"");
  }
}

void TrepPictureCache::LoadFromXML(TrepXMLItem* Item, rt::TStrings* Errors, TrepImagePixelBudget* Budget) {
  Clear();
  if (Item == nullptr) return;
  for (int I = 0; I < Item->Count(); ++I) {
    const std::string Hex = rt::Utf16ToUtf8(Item->Items(I)->Prop("stream"));
    rt::TMemoryStream Bytes;
    try {
      HexToStream(Hex, Bytes);
    } catch (const rt::EConvertError&) {
      Bytes.SetSize(0);
      if (Errors != nullptr) Errors->Add("Picture " + std::to_string(I + 1) + " of the prepared pages is damaged");
    }
    if (Budget != nullptr && Bytes.Size() > 0 &&
        !Budget->Take(static_cast<const std::uint8_t*>(Bytes.Memory()), static_cast<std::size_t>(Bytes.Size()), Errors))
      Bytes.SetSize(0);
    rt::TStream& S = NewEntry();
    Bytes.Seek(0, rt::soBeginning);
    if (Bytes.Size() > 0) S.CopyFrom(Bytes, Bytes.Size());
  }
}
