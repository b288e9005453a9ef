#include "platform/rt/Classes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class StreamFiles : public ::testing::Test {
protected:
  void SetUp() override {
    std::string Tmpl = (std::filesystem::temp_directory_path() / "rtXXXXXX").string();
    ASSERT_NE(mkdtemp(Tmpl.data()), nullptr);
    Dir = Tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::string Path(const std::string& Name) const { return (Dir / Name).string(); }
  static std::string ReadAll(const std::string& P) {
    std::ifstream F(P, std::ios::binary);
    std::stringstream SS;
    SS << F.rdbuf();
    return SS.str();
  }
  std::filesystem::path Dir;
};

std::string ReadRest(rt::TStream& S) {
  std::string R(static_cast<std::size_t>(S.Size() - S.Position()), '\0');
  S.ReadBuffer(R.data(), static_cast<std::int64_t>(R.size()));
  return R;
}

} // namespace

TEST(TMemoryStream, ReadWriteSeekAndSize) {
  rt::TMemoryStream M;
  M.WriteBuffer("hello world", 11);
  EXPECT_EQ(M.Size(), 11);
  EXPECT_EQ(M.Position(), 11);
  EXPECT_EQ(M.Seek(-5, rt::soFromEnd), 6);
  char Buf[16] = {};
  EXPECT_EQ(M.Read(Buf, 16), 5);  // only what is left
  EXPECT_EQ(std::string(Buf, 5), "world");
  EXPECT_EQ(M.Read(Buf, 4), 0);
  M.Seek(-11, rt::soFromCurrent);
  M.WriteBuffer("J", 1);
  M.SetPosition(15);  // writing past the end fills the gap with zeros
  M.WriteBuffer("!", 1);
  EXPECT_EQ(M.Size(), 16);
  EXPECT_EQ(std::string(static_cast<const char*>(M.Memory()), 16),
            std::string("Jello world\0\0\0\0!", 16));
  M.SetSize(4);
  EXPECT_EQ(M.Position(), 4);
  M.SetPosition(0);
  EXPECT_EQ(ReadRest(M), "Jell");
  M.Clear();
  EXPECT_EQ(M.Size(), 0);
  EXPECT_EQ(M.Position(), 0);
}

TEST(TMemoryStream, ShortReadAndImpossibleWriteRaise) {
  rt::TMemoryStream M;
  M.WriteBuffer("abc", 3);
  M.SetPosition(1);
  char Buf[8];
  try {
    M.ReadBuffer(Buf, 3);
    FAIL() << "no exception";
  } catch (const rt::EReadError& E) {
    EXPECT_EQ(E.ClassName(), "EReadError");
    EXPECT_EQ(E.Message(), "Stream read error");
  }
  M.Seek(-10, rt::soFromBeginning);
  EXPECT_EQ(M.Read(Buf, 1), 0);  // before the start: nothing, no crash
  try {
    M.WriteBuffer("x", 1);
    FAIL() << "no exception";
  } catch (const rt::EWriteError& E) {
    EXPECT_EQ(E.ClassName(), "EWriteError");
    EXPECT_EQ(E.Message(), "Stream write error");
  }
  M.ReadBuffer(Buf, 0);  // nothing asked, nothing raised
  EXPECT_THROW(M.SetSize(-1), rt::EStreamError);
}

TEST(TStringStream, DataStringAndStringReadWrite) {
  rt::TStringStream S("abcdef");
  EXPECT_EQ(S.Position(), 0);
  EXPECT_EQ(S.ReadString(2), "ab");
  S.WriteString("XY");
  EXPECT_EQ(S.DataString(), "abXYef");
  EXPECT_EQ(S.ReadString(100), "ef");
  EXPECT_EQ(S.ReadString(1), "");
  S.WriteString(std::string("\0z", 2));
  EXPECT_EQ(S.DataString(), std::string("abXYef\0z", 8));
}

TEST(TStream, CopyFromWholeSourceOrCount) {
  rt::TStringStream Src(std::string(200000, 'q') + "tail");
  Src.SetPosition(7);
  rt::TMemoryStream Dst;
  EXPECT_EQ(Dst.CopyFrom(Src, 0), 200004);  // 0: everything, from the start
  Dst.SetPosition(0);
  EXPECT_EQ(ReadRest(Dst), Src.DataString());

  Src.SetPosition(200000);
  rt::TStringStream Part;
  EXPECT_EQ(Part.CopyFrom(Src, 3), 3);
  EXPECT_EQ(Part.DataString(), "tai");
  EXPECT_THROW(Part.CopyFrom(Src, 5), rt::EReadError);  // only one byte left
}

TEST_F(StreamFiles, FileStreamRoundTripAndModes) {
  const std::string P = Path("data.bin");
  {
    rt::TFileStream F(P, rt::fmCreate);
    F.WriteBuffer("0123456789", 10);
    EXPECT_EQ(F.Size(), 10);
    EXPECT_EQ(F.Seek(2, rt::soFromBeginning), 2);
    F.WriteBuffer("ab", 2);
  }
  EXPECT_EQ(ReadAll(P), "01ab456789");
  {
    rt::TFileStream F(P, rt::fmOpenRead | rt::fmShareDenyWrite);
    EXPECT_EQ(F.FileName(), P);
    F.Seek(-3, rt::soFromEnd);
    EXPECT_EQ(ReadRest(F), "789");
    EXPECT_THROW(F.WriteBuffer("x", 1), rt::EWriteError);  // opened for reading only
  }
  {
    rt::TFileStream F(P, rt::fmOpenReadWrite);
    F.Seek(0, rt::soFromEnd);
    F.WriteBuffer("!", 1);
    F.SetSize(4);
    EXPECT_EQ(F.Position(), 4);
  }
  EXPECT_EQ(ReadAll(P), "01ab");
  {
    rt::TFileStream F(P, rt::fmCreate);  // create empties an existing file
  }
  EXPECT_EQ(ReadAll(P), "");
}

TEST_F(StreamFiles, OpenFailuresNameTheFileAndTheReason) {
  struct Case {
    std::string File;
    unsigned Mode;
    std::string Class, Prefix, Reason;
  } Cases[] = {
      {Path("missing.txt"), rt::fmOpenRead, "EFOpenError", "Cannot open file", "No such file"},
      {Path("missing.txt"), rt::fmOpenReadWrite, "EFOpenError", "Cannot open file",
       "No such file"},
      {Path("no/such/dir.txt"), rt::fmCreate, "EFCreateError", "Cannot create file",
       "No such file"},
      {Dir.string(), rt::fmOpenRead, "EFOpenError", "Cannot open file", "directory"},
      {Dir.string(), rt::fmCreate, "EFCreateError", "Cannot create file", "directory"},
  };
  for (const auto& C : Cases) {
    try {
      rt::TFileStream F(C.File, C.Mode);
      ADD_FAILURE() << C.File << " opened";
    } catch (const rt::EStreamError& E) {
      EXPECT_EQ(E.ClassName(), C.Class) << C.File;
      EXPECT_THAT(E.Message(), StartsWith(C.Prefix + " \"" + C.File + "\". ")) << C.File;
      EXPECT_THAT(E.Message(), HasSubstr(C.Reason)) << C.File;
    }
  }
}

TEST_F(StreamFiles, MemoryStreamSavesAndLoadsFiles) {
  rt::TMemoryStream M;
  const std::string Bytes("\x00\xFF\r\n\x1A", 5);
  M.WriteBuffer(Bytes.data(), 5);
  M.SaveToFile(Path("m.bin"));
  EXPECT_EQ(ReadAll(Path("m.bin")), Bytes);
  rt::TMemoryStream Back;
  Back.LoadFromFile(Path("m.bin"));
  EXPECT_EQ(Back.Size(), 5);
  EXPECT_EQ(std::string(static_cast<const char*>(Back.Memory()), 5), Bytes);
  EXPECT_THROW(Back.LoadFromFile(Path("missing")), rt::EFOpenError);
  EXPECT_EQ(Back.Size(), 5);  // kept after a failed load
}
