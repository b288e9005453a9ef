// Compression streams over zlib and the engine's compressed resource members.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <cstring>
#include <random>

#include "report/engine/repGZip.h"
#include "report/engine/repZLib.h"

namespace {

std::string Bytes(rt::TMemoryStream& S) {
  return std::string(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
}

// Text that compresses well, or noise that does not.
std::string Sample(std::size_t Size, bool Noise) {
  std::string S(Size, '\0');
  std::mt19937 Rng(static_cast<unsigned>(Size));
  for (std::size_t I = 0; I < Size; ++I)
    S[I] = Noise ? static_cast<char>(Rng() & 0xFF) : "The quick brown fox jumps. "[I % 27];
  return S;
}

std::string Inflate(const std::string& Z, std::int64_t Estimate = 0) {
  std::vector<unsigned char> Out;
  InflateBuffer(Z.data(), static_cast<std::int64_t>(Z.size()), Estimate, Out);
  return std::string(Out.begin(), Out.end());
}

std::string Compress(const std::string& Data, TZCompressionLevel Level = zcDefault) {
  rt::TStringStream Source(Data);
  rt::TMemoryStream Dest;
  CompressStream(Source, Dest, Level);
  return Bytes(Dest);
}

// zlib's own inflation of a whole zlib stream.
std::string ZlibUncompress(const std::string& Z, std::size_t Size) {
  std::string Out(Size + 1, '\0');
  uLongf OutLen = static_cast<uLongf>(Out.size());
  EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(Out.data()), &OutLen,
                       reinterpret_cast<const Bytef*>(Z.data()), static_cast<uLong>(Z.size())),
            Z_OK);
  Out.resize(OutLen);
  return Out;
}

} // namespace

TEST(ZLib, AnEmptySourceGivesAValidEmptyStream) {
  const std::string Z = Compress("");
  ASSERT_GE(Z.size(), 6u);
  EXPECT_EQ(Z.substr(Z.size() - 4), std::string("\0\0\0\1", 4));
  EXPECT_EQ(Inflate(Z), "");
  EXPECT_EQ(ZlibUncompress(Z, 0), "");
}

TEST(ZLib, RoundTripsAtEveryLevelAndSizeAndWithZlibItself) {
  for (TZCompressionLevel Level : {zcNone, zcFastest, zcDefault, zcMax}) {
    for (std::size_t Size : {std::size_t(1), std::size_t(1000), std::size_t(70000), std::size_t(300000)}) {
      for (bool Noise : {false, true}) {
        const std::string Data = Sample(Size, Noise);
        const std::string Z = Compress(Data, Level);
        EXPECT_EQ(Inflate(Z), Data) << Level << " " << Size << " " << Noise;
        EXPECT_EQ(Inflate(Z, static_cast<std::int64_t>(Size)), Data);
        EXPECT_EQ(ZlibUncompress(Z, Size), Data);
        // And the other way: zlib's own stream through InflateBuffer.
        std::string Theirs(compressBound(static_cast<uLong>(Size)), '\0');
        uLongf Len = static_cast<uLongf>(Theirs.size());
        ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(Theirs.data()), &Len,
                            reinterpret_cast<const Bytef*>(Data.data()), static_cast<uLong>(Size), 9),
                  Z_OK);
        Theirs.resize(Len);
        EXPECT_EQ(Inflate(Theirs), Data);
      }
    }
  }
}

TEST(ZLib, LevelsReachZlib) {
  const std::string Data = Sample(50000, false);
  // Level 0 stores, so it is larger than the input; level 9 is the smallest.
  EXPECT_GT(Compress(Data, zcNone).size(), Data.size());
  EXPECT_LE(Compress(Data, zcMax).size(), Compress(Data, zcFastest).size());
}

TEST(ZLib, CompressionStreamWritesOneStreamWhereItWasCreated) {
  const std::string Data = Sample(200000, true);
  rt::TMemoryStream Dest;
  Dest.WriteBuffer("HEAD", 4);
  int Progress = 0;
  {
    TZCompressionStream Z(Dest);
    Z.OnProgress = [&](rt::TObject* Sender) {
      EXPECT_EQ(Sender, &Z);
      ++Progress;
    };
    for (std::size_t I = 0; I < Data.size(); I += 10000) {
      Z.Write(Data.data() + I, 10000);
      // Someone else writes to the same target between the calls.
      Dest.Seek(0, rt::soEnd);
      Dest.WriteBuffer("other writer", 12);
    }
    Z.Finish();
  }
  EXPECT_GE(Progress, 3);
  const std::string All = Bytes(Dest);
  EXPECT_EQ(All.substr(0, 4), "HEAD");
  EXPECT_EQ(Inflate(All.substr(4)), Data);
}

TEST(ZLib, CompressionStreamOnlyTellsItsPosition) {
  rt::TMemoryStream Dest;
  TZCompressionStream Z(Dest);
  EXPECT_EQ(Z.CompressionRate(), 0);
  Z.Write("0123456789", 10);
  EXPECT_EQ(Z.Seek(0, rt::soCurrent), 10);
  EXPECT_EQ(Z.Position(), 10);
  char Buf[4];
  try {
    Z.Seek(0, rt::soBeginning);
    ADD_FAILURE();
  } catch (const EZCompressionError& E) {
    EXPECT_STREQ(E.what(), "Invalid ZStream operation!");
  }
  EXPECT_THROW(Z.Seek(1, rt::soCurrent), EZCompressionError);
  EXPECT_THROW(Z.Read(Buf, 4), EZCompressionError);
  const std::string More = Sample(100000, false);
  Z.Write(More.data(), static_cast<std::int64_t>(More.size()));
  Z.Finish();
  EXPECT_GT(Z.CompressionRate(), 90);
  EXPECT_EQ(Inflate(Bytes(Dest)), "0123456789" + More);
}

TEST(ZLib, TheDestructorFinishesTheStream) {
  rt::TMemoryStream Dest;
  {
    TZCompressionStream Z(Dest, zcMax);
    Z.Write("abc", 3);
  }
  EXPECT_EQ(Inflate(Bytes(Dest)), "abc");
}

TEST(ZLib, BrokenInputRaisesWithZlibsMessage) {
  const std::string Z = Compress(Sample(5000, true));
  std::string Corrupt = Z;
  Corrupt[Corrupt.size() - 1] ^= 0x55;  // the Adler-32 trailer
  struct Case {
    std::string Input;
    const char* Message;
  } Cases[] = {
      {Z.substr(0, Z.size() / 2), "buffer error"},
      {Corrupt, "data error"},
      {"not zlib at all", "data error"},
      {"", "buffer error"},
  };
  for (const Case& C : Cases) {
    try {
      Inflate(C.Input);
      ADD_FAILURE() << C.Message;
    } catch (const EZDecompressionError& E) {
      EXPECT_STREQ(E.what(), C.Message);
    }
  }
}

TEST(ZLib, OutputStopsAtTheCapWhateverTheEstimate) {
  const std::string Data(100000, 'z');
  const std::string Z = Compress(Data);
  std::vector<unsigned char> Out;
  struct Case {
    std::int64_t Estimate, Cap;
    bool Fits;
  } Cases[] = {
      {0, 100000, true},      {0, 99999, false},
      {1 << 30, 99999, false},  // a huge estimate is no licence to allocate it
      {100000, 100000, true}, {256, 50000, false},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(std::to_string(C.Estimate) + " " + std::to_string(C.Cap));
    if (C.Fits) {
      InflateBuffer(Z.data(), static_cast<std::int64_t>(Z.size()), C.Estimate, Out, C.Cap);
      EXPECT_EQ(std::string(Out.begin(), Out.end()), Data);
      continue;
    }
    try {
      InflateBuffer(Z.data(), static_cast<std::int64_t>(Z.size()), C.Estimate, Out, C.Cap);
      ADD_FAILURE() << "inflated past the cap";
    } catch (const EZDecompressionError& E) {
      EXPECT_EQ(std::string(E.what()), "data error: the data inflates to more than " + std::to_string(C.Cap) + " bytes");
      EXPECT_LE(Out.capacity(), static_cast<std::size_t>(C.Cap));
    }
  }
}

TEST(ZLib, TheDefaultCapHoldsWithoutACallersOwn) {
  // 64 MiB and one byte of one letter: a small stream that would otherwise inflate without end.
  const std::string Z = Compress(std::string(static_cast<std::size_t>(DefaultMaxInflatedSize) + 1, 'a'), zcFastest);
  EXPECT_LT(Z.size(), 1u << 20);
  EXPECT_THROW(Inflate(Z), EZDecompressionError);
}

TEST(ZLib, AStreamThatNeedsAPresetDictionaryRaisesInsteadOfLooping) {
  // 78 BB: a valid zlib header with the dictionary flag, then the dictionary's checksum.
  const std::string Header("\x78\xBB\x00\x00\x00\x01", 6);
  // And a whole stream compressed against a dictionary.
  std::string WithDict(256, '\0');
  {
    z_stream Z{};
    ASSERT_EQ(deflateInit(&Z, 9), Z_OK);
    const std::string Dict = "dictionary words";
    ASSERT_EQ(deflateSetDictionary(&Z, reinterpret_cast<const Bytef*>(Dict.data()), static_cast<uInt>(Dict.size())), Z_OK);
    std::string In = "dictionary words again";
    Z.next_in = reinterpret_cast<Bytef*>(In.data());
    Z.avail_in = static_cast<uInt>(In.size());
    Z.next_out = reinterpret_cast<Bytef*>(WithDict.data());
    Z.avail_out = static_cast<uInt>(WithDict.size());
    ASSERT_EQ(deflate(&Z, Z_FINISH), Z_STREAM_END);
    WithDict.resize(Z.total_out);
    deflateEnd(&Z);
  }
  for (const std::string& In : {Header, WithDict}) {
    try {
      Inflate(In);
      ADD_FAILURE() << "inflated";
    } catch (const EZDecompressionError& E) {
      EXPECT_STREQ(E.what(), "data error: the stream needs a preset dictionary");
    }
  }
}

// ---- Compressed resource members ----

namespace {

// A gzip member as the engine stores its resources: the time field holds the Adler-32 of the
// data, most significant byte first.
std::string Member(const std::string& Data, const char* Name, bool ChecksumInTime = true) {
  z_stream Z{};
  EXPECT_EQ(deflateInit2(&Z, 9, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  gz_header H{};
  const uLong Adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(Data.data()),
                              static_cast<uInt>(Data.size()));
  // deflate writes the time field least significant byte first; swap so it reads MSB first.
  const uLong Big = ((Adler & 0xFF) << 24) | ((Adler & 0xFF00) << 8) | ((Adler >> 8) & 0xFF00) | (Adler >> 24);
  H.time = ChecksumInTime ? Big : 0;
  H.os = 3;
  H.name = reinterpret_cast<Bytef*>(const_cast<char*>(Name));
  EXPECT_EQ(deflateSetHeader(&Z, &H), Z_OK);
  std::string Out(deflateBound(&Z, static_cast<uLong>(Data.size())) + 64 + std::strlen(Name), '\0');
  Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
  Z.avail_in = static_cast<uInt>(Data.size());
  Z.next_out = reinterpret_cast<Bytef*>(Out.data());
  Z.avail_out = static_cast<uInt>(Out.size());
  EXPECT_EQ(deflate(&Z, Z_FINISH), Z_STREAM_END);
  Out.resize(Z.total_out);
  deflateEnd(&Z);
  return Out;
}

std::string Unpack(const std::string& Source, std::string& Name, std::int64_t Start = 0) {
  rt::TStringStream S(Source);
  S.SetPosition(Start);
  rt::TMemoryStream Dest;
  InflateGZipMember(S, Dest, Name);
  return Bytes(Dest);
}

} // namespace

TEST(GZipMember, TheCallersCapHolds) {
  const std::string Data = Sample(40000, false);
  const std::string M = Member(Data, "n");
  std::string Name;
  rt::TMemoryStream Dest;
  rt::TStringStream Tight(M);
  EXPECT_THROW(InflateGZipMember(Tight, Dest, Name, 39999), EZDecompressionError);
  EXPECT_EQ(Dest.Size(), 0);
  rt::TStringStream Enough(M);
  InflateGZipMember(Enough, Dest, Name, 40000);
  EXPECT_EQ(Bytes(Dest), Data);
}

TEST(GZipMember, UnpacksWithAndWithoutAStoredName) {
  const std::string Data = Sample(40000, false);
  std::string Name = "stale";
  EXPECT_EQ(Unpack(Member(Data, "PreviewButtons.bmp"), Name), Data);
  EXPECT_EQ(Name, "PreviewButtons.bmp");
  EXPECT_EQ(Unpack(Member("x", ""), Name), "x");
  EXPECT_EQ(Name, "");
  // From the stream's position, not its start.
  EXPECT_EQ(Unpack("prefix" + Member(Data, "n"), Name, 6), Data);
}

TEST(GZipMember, TheMemberIsOrdinaryGzipForZlibsReader) {
  const std::string Data = Sample(100000, true);
  const auto File = std::filesystem::temp_directory_path() / "repgzip-member.gz";
  {
    rt::TFileStream F(File.string(), rt::fmCreate);
    const std::string M = Member(Data, "data.bin");
    F.WriteBuffer(M.data(), static_cast<std::int64_t>(M.size()));
  }
  gzFile G = gzopen(File.string().c_str(), "rb");
  ASSERT_NE(G, nullptr);
  std::string Out(Data.size() + 10, '\0');
  const int N = gzread(G, Out.data(), static_cast<unsigned>(Out.size()));
  gzclose(G);
  std::filesystem::remove(File);
  Out.resize(N < 0 ? 0 : static_cast<std::size_t>(N));
  EXPECT_EQ(Out, Data);
}

TEST(GZipMember, OtherDataIsRefused) {
  const std::string Data = Sample(3000, false);
  // zlib's gzip writer stores no checksum in the time field.
  const auto File = std::filesystem::temp_directory_path() / "repgzip-plain.gz";
  gzFile G = gzopen(File.string().c_str(), "wb");
  ASSERT_NE(G, nullptr);
  gzwrite(G, Data.data(), static_cast<unsigned>(Data.size()));
  gzclose(G);
  rt::TMemoryStream Plain;
  Plain.LoadFromFile(File.string());
  std::filesystem::remove(File);

  std::string Zlib = Compress(Data);
  const std::string Inputs[] = {
      Member(Data, "n", false),  // the time field is not the checksum
      Bytes(Plain),
      Zlib,                      // not a gzip member
      "\x1F\x8B",                // too short
      "",
  };
  for (const std::string& In : Inputs) {
    std::string Name;
    EXPECT_THROW(Unpack(In, Name), EZDecompressionError) << In.size();
  }
}
