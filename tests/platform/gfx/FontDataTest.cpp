#include "platform/gfx/FontData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::vector<std::uint8_t> FileBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

std::string BaseName(const std::string& Path) { return Path.substr(Path.find_last_of('/') + 1); }

} // namespace

TEST(FontData, InstalledFamilyAndStyleGiveTheirFile) {
  struct Case {
    const char* Family;
    bool Bold;
    const char* File;
  } Cases[] = {{"DejaVu Sans", false, "DejaVuSans.ttf"},
               {"DejaVu Sans", true, "DejaVuSans-Bold.ttf"},
               {"DejaVu Serif", true, "DejaVuSerif-Bold.ttf"},
               {"DejaVu Sans Mono", false, "DejaVuSansMono.ttf"}};
  for (const Case& C : Cases) {
    gfx::TFontFile File;
    ASSERT_TRUE(gfx::FindFontFile(C.Family, C.Bold, false, File)) << C.Family;
    EXPECT_EQ(BaseName(File.FileName), C.File);
    EXPECT_EQ(File.FaceIndex, 0);
    EXPECT_EQ(File.Family, C.Family);
    const std::vector<std::uint8_t> Data = gfx::GetFontData(C.Family, C.Bold, false);
    EXPECT_EQ(Data, FileBytes(File.FileName)) << C.Family;
    ASSERT_GE(Data.size(), 4u);
    EXPECT_EQ(Data[0], 0);
    EXPECT_EQ(Data[1], 1);  // a TrueType file
  }
}

TEST(FontData, UnknownFamilyGetsTheSystemsSubstitute) {
  gfx::TFontFile File;
  ASSERT_TRUE(gfx::FindFontFile("No Such Family Anywhere", false, false, File));
  EXPECT_FALSE(File.FileName.empty());
  EXPECT_NE(File.Family, "No Such Family Anywhere");
  EXPECT_FALSE(gfx::GetFontData("No Such Family Anywhere", false, false).empty());
}

TEST(FontData, FamilyNamesHoldTheTableAndTheInstalledFamiliesOnce) {
  const std::vector<std::string>& Names = gfx::FontFamilyNames();
  auto Lower = [](std::string S) {
    for (char& C : S) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return S;
  };
  for (std::size_t I = 1; I < Names.size(); ++I)
    EXPECT_LT(Lower(Names[I - 1]), Lower(Names[I])) << "sorted, each once ignoring case";
  auto Has = [&](const char* N) { return std::find(Names.begin(), Names.end(), N) != Names.end(); };
  // Names of the alias table, spelled as the table spells them, and installed families.
  for (const char* N : {"Arial", "Humnst777 BT", "Times New Roman", "DejaVu Sans", "DejaVu Serif", "Liberation Mono"})
    EXPECT_TRUE(Has(N)) << N;
  EXPECT_FALSE(Has("No Such Family Anywhere"));
}
