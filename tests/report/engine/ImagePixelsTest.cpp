// The pixels of all pictures of one report file are capped as a whole: a template or a prepared
// report whose pictures declare more leaves the rest out, with one error line, before decoding
// them. Pictures here only declare their size, so nothing large is ever made.
#include <gtest/gtest.h>

#include <string>

#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repPictureCache.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"
#include "tests/report/EngineSetup.h"

namespace {

void Put32Be(std::string& S, std::size_t At, std::uint32_t V) {
  for (int I = 0; I < 4; ++I) S[At + I] = static_cast<char>(V >> (24 - 8 * I));
}

// A PNG's signature and header declaring W x H, then nothing (the decoder refuses it).
std::string DeclaredPng(std::uint32_t W, std::uint32_t H, char Tag) {
  std::string S("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
  S += std::string(8, '\0');
  S += std::string("\x08\x02\0\0\0", 5);
  S += std::string(4, Tag);  // the checksum place: makes each picture's bytes its own
  Put32Be(S, 16, W);
  Put32Be(S, 20, H);
  return S;
}

std::string Hex(const std::string& Bytes) {
  rt::TStringStream S(Bytes);
  return StreamToHex(S);
}

// Pictures of 6,000 x 6,000: two fit under the cap of 100 million pixels, the third does not.
constexpr std::uint32_t Side = 6000;
static_assert(2ll * Side * Side <= MaxReportImagePixels && 3ll * Side * Side > MaxReportImagePixels);

int Count(const rt::TStrings& Errors, const std::string& Part) {
  int N = 0;
  for (const std::string& E : Errors) N += E.find(Part) != std::string::npos;
  return N;
}

const std::string Refused = "Pictures left out";

} // namespace

TEST(ImagePixels, ATemplateWhosePicturesTogetherExceedTheCapIsDecodedWholeNoMore) {
  enginesetup::StartEngine();
  std::string Xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><TrepReport Name=\"Report\"><TrepReportPage Name=\"Page1\">";
  for (char Tag : {'a', 'a', 'b', 'c', 'd'})  // the first picture twice: counted once
    Xml += std::string("<TrepPictureView Name=\"P") + Tag + std::to_string(Xml.size()) + "\" Picture.PropData=\"" +
           Hex("\x0ATPNGObject" + DeclaredPng(Side, Side, Tag)) + "\"/>";
  Xml += "</TrepReportPage></TrepReport>";
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  rt::TStringStream In(Xml);
  R.LoadFromStream(In);
  // Pictures a and b were counted (and then refused by the decoder); c and d were left out
  // before decoding, with one line for both.
  EXPECT_EQ(Count(R.Errors(), Refused), 1) << R.Errors().Text();
  EXPECT_EQ(R.ImagePixels.Pixels(), 2ll * Side * Side);

  // Reading again counts afresh.
  rt::TStringStream Again(Xml);
  R.LoadFromStream(Again);
  EXPECT_EQ(R.ImagePixels.Pixels(), 2ll * Side * Side);
}

TEST(ImagePixels, APreparedReportWhosePicturesTogetherExceedTheCapKeepsTheRestEmpty) {
  enginesetup::StartEngine();
  TrepXMLItem Item;
  for (char Tag : {'a', 'b', 'c'}) Item.Add("item")->SetText(u"stream=\"" + rt::Utf8ToUtf16(Hex(DeclaredPng(Side, Side, Tag))) + u"\"");
  gfx::TBitmap Small(2, 2);
  TrepPictureCache Source;
  int Index = 0;
  Source.AddPicture(&Small, Index);
  TrepXMLItem Good;
  Source.SaveToXML(&Good);
  Item.Add("item")->SetText(Good[0]->Text());  // a small picture after the refused one still fits

  rt::TStringList Errors;
  TrepImagePixelBudget Budget;
  TrepPictureCache Cache;
  Cache.LoadFromXML(&Item, &Errors, &Budget);
  ASSERT_EQ(Cache.Count(), 4) << "indexes keep their places";
  EXPECT_FALSE(Cache.PictureData(2).empty());
  EXPECT_TRUE(Cache.PictureData(3).empty());
  EXPECT_FALSE(Cache.PictureData(4).empty());
  EXPECT_EQ(Count(Errors, Refused), 1);
  EXPECT_EQ(Budget.Pixels(), 2ll * Side * Side + 4);
}

TEST(ImagePixels, HeadersTellTheSizeOfEveryPictureKind) {
  gfx::TBitmap B(7, 5);
  gfx::TPNGObject Png;
  Png.Assign(B);
  gfx::TJPEGImage Jpeg;
  Jpeg.Assign(B);
  rt::TStringStream Bmp;
  B.SaveToStream(Bmp);
  struct Case {
    const char* Name;
    std::string Bytes;
    bool Known;
  } Cases[] = {
      {"png", Png.Bytes(), true},
      {"jpeg", Jpeg.Bytes(), true},
      {"bmp", Bmp.DataString(), true},
      {"nothing", "hello", false},
      {"jpeg without frame", std::string("\xFF\xD8\xFF\xD9", 4), false},
  };
  for (const Case& C : Cases) {
    int W = 0, H = 0;
    EXPECT_EQ(gfx::ImageSize(reinterpret_cast<const std::uint8_t*>(C.Bytes.data()), C.Bytes.size(), W, H), C.Known)
        << C.Name;
    if (C.Known) {
      EXPECT_EQ(W * 100 + H, 705) << C.Name;
    }
  }
}
