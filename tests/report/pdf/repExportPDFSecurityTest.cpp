#include "report/pdf/repExportPDFSecurity.h"

#include <gtest/gtest.h>

#include <cctype>

#include "MiniPDFWriter.h"

namespace {

using minipdf::BuildDocument;
using minipdf::HaveTool;
using minipdf::Quote;
using minipdf::RunTool;
using minipdf::TDocument;
using minipdf::TTempDir;

const std::string PaddingText(reinterpret_cast<const char*>(TrepPDFSecurity::Padding), 32);

std::string Hex(const std::string& Bytes) {
  static const char D[] = "0123456789abcdef";
  std::string H;
  for (unsigned char C : Bytes) {
    H += D[C >> 4];
    H += D[C & 15];
  }
  return H;
}

TrepPDFSecurity Keys(const std::string& User, const std::string& Owner, int EncBits = -4,
                     const std::string& FileID = "0123456789abcdef0123456789abcdef") {
  TrepPDFSecurity S;
  S.PrepareSecurityKeys(User, Owner, EncBits, FileID);
  return S;
}

TEST(PDFSecurity, PadPasswordCutsOrFillsToThirtyTwoBytes) {
  const std::string Long(40, 'x');
  struct Case {
    std::string Password, Padded;
  } Cases[] = {{"", PaddingText},
               {"abc", "abc" + PaddingText.substr(0, 29)},
               {std::string(32, 'p'), std::string(32, 'p')},
               {Long, Long.substr(0, 32)},
               {std::string("a\0b", 3), std::string("a\0b", 3) + PaddingText.substr(0, 29)}};
  for (const Case& C : Cases) EXPECT_EQ(TrepPDFSecurity::PadPassword(C.Password), C.Padded) << C.Password;
}

TEST(PDFSecurity, PasswordsBecomeOneBytePerCharacter) {
  struct Case {
    std::string In, Bytes;
  } Cases[] = {{"secret", "secret"},
               {"M\xC3\xBCller", "M\xFCller"},      // UTF-8 u-umlaut becomes Latin-1 FC
               {"\xE2\x82\xAC" "5", "?5"},          // the euro sign has no Latin-1 byte
               {"M\xFCller", "M\xFCller"}};         // already 8-bit: kept
  for (const Case& C : Cases) EXPECT_EQ(TrepPDFSecurity::PasswordBytes(C.In), C.Bytes) << C.In;
}

TEST(PDFSecurity, LiteralStringEscapes) {
  EXPECT_EQ(TrepPDFSecurity::EscapeLiteralString(std::string("a(b)c\\d\re\nf\0g", 13)),
            std::string("a\\(b\\)c\\\\d\\re\\nf\0g", 18));
}

TEST(PDFSecurity, KeysHaveTheirSizesAndDependOnWhatTheyShould) {
  const TrepPDFSecurity A = Keys("user", "owner");
  EXPECT_EQ(A.OPass().size(), 32u);
  EXPECT_EQ(A.UPass().size(), 32u);
  EXPECT_EQ(A.UPass().substr(16), std::string(16, '\0'));
  EXPECT_EQ(A.EncKey().size(), 16u);

  // The owner entry depends only on the passwords; the file key and the user entry also on the
  // identifier and the permissions.
  const TrepPDFSecurity B = Keys("user", "owner", -4, "fedcba9876543210fedcba9876543210");
  EXPECT_EQ(A.OPass(), B.OPass());
  EXPECT_NE(A.UPass(), B.UPass());
  EXPECT_NE(A.EncKey(), B.EncKey());
  const TrepPDFSecurity C = Keys("user", "owner", -44);
  EXPECT_EQ(A.OPass(), C.OPass());
  EXPECT_NE(A.EncKey(), C.EncKey());

  // No owner password: the user password takes its place.
  EXPECT_EQ(Keys("user", "").OPass(), Keys("user", "user").OPass());
  EXPECT_NE(Keys("user", "").OPass(), A.OPass());
}

TEST(PDFSecurity, FileIdentifierMustBeThirtyTwoHexDigits) {
  for (const std::string Bad : {"", "0123456789abcdef0123456789abcde", "0123456789abcdef0123456789abcdeg",
                                "0123456789abcdef0123456789abcdef00"}) {
    TrepPDFSecurity S;
    EXPECT_THROW(S.PrepareSecurityKeys("u", "o", -4, Bad), ErepPDFSecurityError) << Bad;
  }
  TrepPDFSecurity S;
  EXPECT_NO_THROW(S.PrepareSecurityKeys("u", "o", -4, "0123456789ABCDEF0123456789abcdef"));
}

TEST(PDFSecurity, StringsAndStreamsEncryptPerObject) {
  const TrepPDFSecurity S = Keys("user", "owner");
  const std::string Plain = "Title (with) \\ parts\r\n";
  const std::string E7 = S.EncryptBytes(Plain, 7);
  EXPECT_EQ(E7.size(), Plain.size());
  EXPECT_NE(E7, Plain);
  EXPECT_NE(E7, S.EncryptBytes(Plain, 8));
  EXPECT_EQ(S.EncryptBytes(E7, 7), Plain);
  EXPECT_EQ(S.EncryptString(Plain, 7), TrepPDFSecurity::EscapeLiteralString(E7));
  // Only the three low bytes of the object number count.
  EXPECT_EQ(S.ObjectKey(5), S.ObjectKey(5 + (1 << 24)));

  rt::TMemoryStream Source, Dest;
  Source.WriteBuffer(Plain.data(), static_cast<std::int64_t>(Plain.size()));
  S.EncryptObjectData(Source, Dest, 7);
  EXPECT_EQ(std::string(static_cast<const char*>(Dest.Memory()), Dest.Size()), E7);
}

TEST(PDFSecurity, EncryptionDictionaryText) {
  const TrepPDFSecurity S = Keys("user", "owner", -44);
  rt::TMemoryStream Out;
  S.WriteEncryptDictionary(Out);
  const std::string Text(static_cast<const char*>(Out.Memory()), Out.Size());
  const std::string Expected = "<<\r\n/Filter /Standard\r\n/V 2\r\n/R 3\r\n/Length 128\r\n/P -44\r\n/O (" +
                               TrepPDFSecurity::EscapeLiteralString(S.OPass()) + ")\r\n/U (" +
                               TrepPDFSecurity::EscapeLiteralString(S.UPass()) + ")\r\n>>\r\n";
  EXPECT_EQ(Text, Expected);
}

// ---- Outside reader: qpdf opens, decrypts and describes what the handler wrote.

class PDFSecurityQpdf : public ::testing::Test {
protected:
  void SetUp() override {
    if (!HaveTool("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  }
  // An encrypted document in the temporary folder.
  std::string Write(const std::string& Name, const std::string& User, const std::string& Owner, int EncBits,
                    const std::string& FileID = "0123456789abcdef0123456789abcdef") {
    Security.PrepareSecurityKeys(User, Owner, EncBits, FileID);
    TDocument D;
    D.Title = "Sizing (\xC3\xBC) \\ report";
    D.FileID = FileID;
    D.Security = &Security;
    return Dir.File(Name, BuildDocument(D));
  }
  TTempDir Dir;
  TrepPDFSecurity Security;
};

TEST_F(PDFSecurityQpdf, UserAndOwnerPasswordsOpenTheDocumentAndWrongOnesDoNot) {
  const std::string In = Write("in.pdf", "user", "owner", -4);
  struct Case {
    std::string Password;
    bool Opens;
  } Cases[] = {{"user", true}, {"owner", true}, {"wrong", false}, {"", false}};
  for (const Case& C : Cases) {
    const std::string Out = Dir.File("out-" + C.Password + ".pdf");
    const auto R = RunTool("qpdf --password=" + Quote(C.Password) + " --decrypt --qdf --object-streams=disable " +
                       Quote(In) + " " + Quote(Out));
    if (!C.Opens) {
      EXPECT_NE(R.Status, 0) << C.Password << ": " << R.Output;
      EXPECT_NE(R.Output.find("password"), std::string::npos) << R.Output;
      continue;
    }
    ASSERT_EQ(R.Status, 0) << C.Password << ": " << R.Output;
    const std::string Plain = TTempDir::Read(Out);
    EXPECT_NE(Plain.find("(Hello sizing) Tj"), std::string::npos) << C.Password;
    EXPECT_EQ(Plain.find("/Encrypt"), std::string::npos);
    if (HaveTool("pdfinfo")) {
      const auto Info = RunTool("pdfinfo " + Quote(Out));
      EXPECT_NE(Info.Output.find("Sizing (\xC3\xBC) \\ report"), std::string::npos) << Info.Output;
    }
  }
}

TEST_F(PDFSecurityQpdf, ReportsPermissionsAndTheFileKey) {
  struct Case {
    int EncBits;
    std::vector<std::string> Lines;
  } Cases[] = {{-44,
                {"P = -44", "User password = user", "extract for any purpose: allowed",
                 "print high resolution: allowed", "modify annotations: not allowed",
                 "modify other: not allowed"}},
               {-4, {"P = -4", "modify annotations: allowed", "modify other: allowed"}},
               {-64, {"P = -64", "extract for any purpose: not allowed", "print low resolution: not allowed"}}};
  for (const Case& C : Cases) {
    const std::string In = Write("p.pdf", "user", "owner", C.EncBits);
    const auto R = RunTool("qpdf --password=user --show-encryption --show-encryption-key " + Quote(In));
    ASSERT_EQ(R.Status, 0) << R.Output;
    for (const std::string& L : C.Lines) EXPECT_NE(R.Output.find(L), std::string::npos) << L << "\n" << R.Output;
    EXPECT_NE(R.Output.find("R = 3"), std::string::npos) << R.Output;
    EXPECT_NE(R.Output.find("Encryption key = " + Hex(Security.EncKey())), std::string::npos) << R.Output;
  }
}

TEST_F(PDFSecurityQpdf, UserPasswordAloneAndNonAsciiPasswords) {
  // No owner password: the user password opens the document as owner too.
  std::string In = Write("u.pdf", "x", "", -4);
  auto R = RunTool("qpdf --password=x --show-encryption " + Quote(In));
  ASSERT_EQ(R.Status, 0) << R.Output;
  EXPECT_NE(R.Output.find("Supplied password is owner password"), std::string::npos) << R.Output;

  // Typed passwords outside ASCII open the document as a reader derives their bytes.
  In = Write("n.pdf", "M\xC3\xBCller", "\xC3\x85se", -4);
  for (const std::string P : {"M\xC3\xBCller", "\xC3\x85se"}) {
    R = RunTool("qpdf --password=" + Quote(P) + " --check " + Quote(In));
    EXPECT_EQ(R.Status, 0) << P << ": " << R.Output;
  }
  R = RunTool("qpdf --password=Muller --check " + Quote(In));
  EXPECT_NE(R.Status, 0) << R.Output;
}

TEST_F(PDFSecurityQpdf, SamePasswordsInTwoDocumentsGiveOneOwnerEntryAndDifferentData) {
  Write("a.pdf", "user", "owner", -4, "00000000000000000000000000000001");
  const TrepPDFSecurity A = Security;
  const std::string B = Write("b.pdf", "user", "owner", -4, "00000000000000000000000000000002");
  EXPECT_EQ(A.OPass(), Security.OPass());
  EXPECT_NE(A.UPass(), Security.UPass());
  EXPECT_NE(A.EncryptBytes("same content", 3), Security.EncryptBytes("same content", 3));
  const auto R = RunTool("qpdf --password=user --check " + Quote(B));
  EXPECT_EQ(R.Status, 0) << R.Output;
}

} // namespace
