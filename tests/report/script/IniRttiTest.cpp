// INI files as scripts use them, and the runtime's INI file classes behind them.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/rt/IniFiles.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_iinirtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

namespace {

std::string TempPath(const char* Name) { return (std::filesystem::temp_directory_path() / Name).string(); }

std::string FileText(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream B;
  B << In.rdbuf();
  return B.str();
}

class IniRtti : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    sc_iclassesrttiInitialization();
    sc_iinirttiInitialization();
    PrepareScript();
    std::remove(Path.c_str());
  }
  void TearDown() override { std::remove(Path.c_str()); }

  std::string Path = TempPath("ini_rtti_test.ini");
};

} // namespace

TEST_F(IniRtti, TypedValuesRoundTripAndFallBackToDefaults) {
  EXPECT_EQ(Run("var F: TMemIniFile;\n"
                "begin\n"
                "  F := TMemIniFile.Create('');\n"
                "  F.WriteInteger('S', 'I', -42);\n"
                "  F.WriteBool('S', 'B', True);\n"
                "  F.WriteFloat('S', 'X', 2.5);\n"
                "  F.WriteString('S', 'T', 'text');\n"
                "  F.WriteDate('S', 'D', EncodeDate(2024, 2, 29));\n"
                "  Print(F.ReadInteger('S', 'I', 0));\n"
                "  Print(F.ReadBool('S', 'B', False));\n"
                "  Print(F.ReadFloat('S', 'X', 0));\n"
                "  Print(F.ReadString('s', 't', 'none'));\n"
                "  Print(DateToStr(F.ReadDate('S', 'D', 0)));\n"
                "  Print(F.ReadInteger('S', 'T', 7));\n"
                "  Print(F.ReadFloat('S', 'missing', 1.5));\n"
                "  Print(F.ReadString('Nope', 'T', 'dflt'));\n"
                "  Print(F.ReadBool('S', 'T', True));\n"
                "  Print(F.ValueExists('S', 'i'));\n"
                "  Print(F.ValueExists('S', 'zz'));\n"
                "  Print(F.SectionExists('s'));\n"
                "  Print(F.SectionExists('Q'));\n"
                "  F.Free;\n"
                "end."),
            "-42\nTrue\n2.5\ntext\n2/29/2024\n7\n1.5\ndflt\nTrue\nTrue\nFalse\nTrue\nFalse\n");
}

TEST_F(IniRtti, SectionsKeysAndErasing) {
  EXPECT_EQ(Run("var F: TMemIniFile; L: TStringList;\n"
                "begin\n"
                "  F := TMemIniFile.Create('');\n"
                "  L := TStringList.Create;\n"
                "  F.WriteString('A', 'a', '1');\n"
                "  F.WriteString('A', 'b', '2');\n"
                "  F.WriteString('B', 'c', '3');\n"
                "  F.ReadSections(L); Print(L.CommaText);\n"
                "  F.ReadSection('A', L); Print(L.CommaText);\n"
                "  F.ReadSectionValues('A', L); Print(L.CommaText);\n"
                "  F.ReadSectionValuesEx('A', L); Print(L.CommaText);\n"
                "  F.DeleteKey('A', 'a');\n"
                "  F.ReadSection('A', L); Print(L.CommaText);\n"
                "  F.EraseSection('a');\n"
                "  F.ReadSections(L); Print(L.CommaText);\n"
                "  F.GetStrings(L); Print(L.CommaText);\n"
                "  L.Text := '[X]' + #13#10 + 'k=v';\n"
                "  F.SetStrings(L);\n"
                "  Print(F.ReadString('X', 'k', ''));\n"
                "  F.Clear;\n"
                "  F.ReadSections(L); Print(L.Count);\n"
                "  F.Free; L.Free;\n"
                "end."),
            "A,B\na,b\na=1,b=2\n1,2\nb\nB\n[B],c=3,\nv\n0\n");
}

TEST_F(IniRtti, StringListsAsItemsAndCount) {
  EXPECT_EQ(Run("var F: TMemIniFile; L, R: TStringList;\n"
                "begin\n"
                "  F := TMemIniFile.Create('');\n"
                "  L := TStringList.Create; R := TStringList.Create;\n"
                "  F.WriteString('S', 'Old', 'x');\n"
                "  L.CommaText := 'one,two';\n"
                "  F.WriteTStrings('S', L, True);\n"
                "  F.ReadSectionValues('S', R); Print(R.CommaText);\n"
                "  R.CommaText := 'zero';\n"
                "  Print(F.ReadTStrings('S', R, False));\n"
                "  Print(R.CommaText);\n"
                "  F.ReadTStrings('S', R);\n"
                "  Print(R.CommaText);\n"
                "  F.WriteTStrings('S', L, False);\n"
                "  F.ReadTStrings('Empty', R, True);\n"
                "  Print(R.Count);\n"
                "  F.Free; L.Free; R.Free;\n"
                "end."),
            "Items0=one,Items1=two,Count=2\n0\nzero,one,two\none,two\n0\n");
}

TEST_F(IniRtti, FilesAreWrittenAndReadBack) {
  std::string P = Path;
  EXPECT_EQ(Run("var F: TIniFile; M: TMemIniFile;\n"
                "begin\n"
                "  F := TIniFile.Create('" + P + "');\n"
                "  Print(F.FileName);\n"
                "  F.WriteString('Main', 'Name', 'valve');\n"
                "  F.WriteInteger('Main', 'Size', 4);\n"
                "  F.Free;\n"
                "  M := TMemIniFile.Create('" + P + "');\n"
                "  Print(M.ReadString('main', 'name', ''));\n"
                "  M.WriteString('Main', 'Name', 'pump');\n"
                "  M.Free;\n"
                "  M := TMemIniFile.Create('" + P + "');\n"
                "  Print(M.ReadString('Main', 'Name', ''));\n"
                "  M.Free;\n"
                "end."),
            P + "\nvalve\nvalve\n");
  EXPECT_EQ(FileText(P), "[Main]\r\nName=valve\r\nSize=4\r\n\r\n");
}

TEST_F(IniRtti, IniThroughStreams) {
  std::string P = Path;
  EXPECT_EQ(Run("var F: TIniFile; M: TMemIniFile; St: TMemoryStream;\n"
                "begin\n"
                "  St := TMemoryStream.Create;\n"
                "  M := TMemIniFile.Create('');\n"
                "  M.WriteString('S', 'k', 'v');\n"
                "  M.SaveIniFileToStream(St);\n"
                "  M.SaveIniFileToStream(nil);\n"
                "  Print(St.Size);\n"
                "  St.Position := 0;\n"
                "  F := TIniFile.Create('" + P + "');\n"
                "  F.LoadIniFileFromStream(St);\n"
                "  Print(F.ReadString('S', 'k', ''));\n"
                "  St.Clear;\n"
                "  F.SaveIniFileToStream(St);\n"
                "  Print(St.Size);\n"
                "  F.Free; M.Free; St.Free;\n"
                "end."),
            "12\nv\n12\n");
}

TEST_F(IniRtti, BinaryStreams) {
  EXPECT_EQ(Run("var F: TMemIniFile; A, B: TMemoryStream; S: String;\n"
                "begin\n"
                "  F := TMemIniFile.Create('');\n"
                "  A := TMemoryStream.Create; B := TMemoryStream.Create;\n"
                "  A.Write('xAB', 3);\n"
                "  A.Position := 1;\n"
                "  F.WriteBinaryStream('S', 'Bin', A);\n"
                "  Print(F.ReadString('S', 'Bin', ''));\n"
                "  Print(F.ReadBinaryStream('S', 'Bin', B));\n"
                "  Print(B.Position);\n"
                "  B.Read(S, 10); Print(S);\n"
                "  F.WriteString('S', 'Bad', 'zz');\n"
                "  try\n"
                "    F.ReadBinaryStream('S', 'Bad', B);\n"
                "  finally\n"
                "    F.Free; A.Free; B.Free;\n"
                "  end;\n"
                "end."),
            "4142\n2\n0\nAB\nraised EConvertError: Invalid binary value\n");
}

TEST_F(IniRtti, AbstractIniFileCannotBeCreated) {
  EXPECT_EQ(Run("var F: TCustomIniFile;\nbegin\n  F := TCustomIniFile.Create('x');\nend."),
            "raised EInvalidPointer: Cannot create an abstract INI file; use TMemIniFile or TIniFile\n");
}

TEST(IniFiles, ParsingKeepsOrderIgnoresCommentsAndStrayLines) {
  rt::TStringList In;
  In.SetText("stray=1\n; comment\n  [A]  \nx = 1\n\n[B]\ny=2\n[a]\nz=3\n");
  rt::TMemIniFile F("");
  F.SetStrings(In);
  rt::TStringList Out;
  F.ReadSections(Out);
  EXPECT_EQ(Out.CommaText(), "A,B");
  F.ReadSectionValues("a", Out);
  EXPECT_EQ(Out.CommaText(), "\"x = 1\",z=3");
  EXPECT_EQ(F.ReadString("B", "stray", "-"), "-");
  EXPECT_EQ(F.ReadInteger("B", "Y", 0), 2);
}

TEST(IniFiles, IntegerTexts) {
  struct Case {
    const char* Text;
    int Expected;
  } Cases[] = {{"12", 12}, {" -3 ", -3}, {"0x1F", 31}, {"$10", 16}, {"1.5", 9}, {"", 9}, {"abc", 9}};
  rt::TMemIniFile F("");
  for (const Case& C : Cases) {
    F.WriteString("S", "K", C.Text);
    EXPECT_EQ(F.ReadInteger("S", "K", 9), C.Expected) << C.Text;
  }
}
