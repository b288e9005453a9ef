// The picture cache of prepared pages: indexes, the XML form, the file cache.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/gfx/Picture.h"
#include "report/engine/repClass.h"
#include "report/engine/repPictureCache.h"
#include "report/engine/repRes.h"
#include "report/engine/repXML.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() { enginesetup::StartEngine(); }

constexpr gfx::TColor Red = 0x0000FF, Blue = 0xFF0000;

void Fill(gfx::TBitmap& B, gfx::TColor Color) {
  for (int Y = 0; Y < B.Height(); ++Y)
    for (int X = 0; X < B.Width(); ++X) B.SetPixel(X, Y, Color);
}

} // namespace

TEST(PictureCache, IndexesSurviveTheXMLForm) {
  Start();
  TrepPictureCache Cache;
  TrepPictureView A(nullptr), B(nullptr), Empty(nullptr);
  gfx::TBitmap Small(3, 2), Large(5, 4);
  Fill(Small, Red);
  Fill(Large, Blue);
  A.Picture().SetGraphic(&Small);
  B.Picture().SetGraphic(&Large);
  Cache.AddPicture(&A);
  Cache.AddPicture(&B);
  Empty.ImageIndex = 7;
  Cache.AddPicture(&Empty);
  EXPECT_EQ(A.ImageIndex, 1);
  EXPECT_EQ(B.ImageIndex, 2);
  EXPECT_EQ(Empty.ImageIndex, 0);  // no graphic: no entry

  TrepXMLItem Item;
  Cache.SaveToXML(&Item);
  ASSERT_EQ(Item.Count(), 2);
  EXPECT_EQ(Item[1]->Name(), "item");

  TrepPictureCache Loaded;
  Loaded.LoadFromXML(&Item);
  EXPECT_EQ(Loaded.PictureData(1), Cache.PictureData(1));
  EXPECT_EQ(Loaded.PictureData(2), Cache.PictureData(2));
  TrepPictureView Out(nullptr);
  Out.ImageIndex = 2;
  Loaded.GetPicture(&Out);
  EXPECT_EQ(Out.Picture().Width(), 5);
  EXPECT_EQ(Out.Picture().Height(), 4);
  Out.ImageIndex = 3;
  Loaded.GetPicture(&Out);
  EXPECT_EQ(Out.Picture().Graphic(), nullptr);
}

TEST(PictureCache, EmptyGraphicsAndBadIndexesChangeNothing) {
  Start();
  TrepPictureCache Cache;
  gfx::TBitmap None;
  int Index = 5;
  Cache.AddPicture(&None, Index);
  EXPECT_EQ(Index, 5);
  EXPECT_EQ(Cache.Count(), 0);
  gfx::TBitmap Target(2, 2);
  Cache.GetPicture(&Target, 1);  // nothing stored: untouched
  EXPECT_EQ(Target.Width(), 2);
  EXPECT_EQ(Cache.PictureData(0), "");
  EXPECT_EQ(Cache.PictureData(-1), "");
}

TEST(PictureCache, FileCacheIsChosenWhileEmptyAndLeavesNoFiles) {
  Start();
  const std::filesystem::path Dir = std::filesystem::temp_directory_path() / "piccache-test";
  std::filesystem::remove_all(Dir);
  std::filesystem::create_directories(Dir);
  {
    TrepPictureCache Cache;
    Cache.SetTempDir(Dir.string());
    Cache.SetUseFileCache(true);
    gfx::TBitmap Pixels(2, 2);
    Fill(Pixels, Red);
    int Index = 0;
    Cache.AddPicture(&Pixels, Index);
    EXPECT_EQ(Index, 1);
    EXPECT_FALSE(std::filesystem::is_empty(Dir));
    Cache.SetUseFileCache(false);  // a segment exists: ignored
    EXPECT_TRUE(Cache.UseFileCache());
    gfx::TBitmap Back;
    Cache.GetPicture(&Back, 1);
    EXPECT_EQ(Back.Width(), 2);
    Cache.Clear();
    EXPECT_TRUE(std::filesystem::is_empty(Dir));
  }
  {
    TrepPictureCache Memory;
    gfx::TBitmap Pixels(2, 2);
    Fill(Pixels, Red);
    int Index = 0;
    Memory.AddPicture(&Pixels, Index);
    Memory.SetUseFileCache(true);  // too late: stays in memory
    EXPECT_FALSE(Memory.UseFileCache());
  }
  std::filesystem::remove_all(Dir);
}

TEST(PictureCache, DamagedDataKeepsLaterIndexes) {
  Start();
  TrepXMLItem Item;
  Item.Add("item")->SetText(u"stream=\"ZZ\"");
  TrepPictureCache Source;
  gfx::TBitmap Pixels(2, 3);
    Fill(Pixels, Red);
  int Index = 0;
  Source.AddPicture(&Pixels, Index);
  TrepXMLItem Good;
  Source.SaveToXML(&Good);
  Item.Add("item")->SetText(Good[0]->Text());
  rt::TStringList Errors;
  TrepPictureCache Cache;
  Cache.LoadFromXML(&Item, &Errors);
  EXPECT_EQ(Cache.Count(), 2);
  EXPECT_EQ(Errors.Count(), 1);
  TrepPictureView Out(nullptr);
  Out.ImageIndex = 1;
  Cache.GetPicture(&Out);
  EXPECT_EQ(Out.Picture().Graphic(), nullptr);
  Out.ImageIndex = 2;
  Cache.GetPicture(&Out);
  EXPECT_EQ(Out.Picture().Height(), 3);
}
