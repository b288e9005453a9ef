#include "report/pdf/repCrypto.h"
#include "report/pdf/repRC4.h"
#include "report/pdf/repmd5.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Hex(const void* Data, std::size_t Size) {
  static const char Digits[] = "0123456789abcdef";
  const auto* P = static_cast<const std::uint8_t*>(Data);
  std::string R;
  for (std::size_t I = 0; I < Size; ++I) {
    R += Digits[P[I] >> 4];
    R += Digits[P[I] & 15];
  }
  return R;
}

std::vector<std::uint8_t> Bytes(const std::string& HexText) {
  std::vector<std::uint8_t> R;
  for (std::size_t I = 0; I + 1 < HexText.size(); I += 2)
    R.push_back(static_cast<std::uint8_t>(std::stoi(HexText.substr(I, 2), nullptr, 16)));
  return R;
}

std::string HashHex(const std::string& Name, const std::string& Data) {
  auto H = TCryptoHash::Create(Name);
  std::vector<std::uint8_t> D(static_cast<std::size_t>(H->DigestSize()));
  TCryptoHash::Hash(Name, D.data(), H->DigestSize(), Data);
  return Hex(D.data(), D.size());
}

struct DigestCase {
  std::string Input;
  std::string Digest;
};

// RFC 1321, appendix A.5.
const DigestCase MD5Cases[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

} // namespace

TEST(MD5, RFC1321ValuesAsLowerCaseHexText) {
  for (const DigestCase& C : MD5Cases) {
    EXPECT_EQ(MD5HexText(C.Input), C.Digest) << '"' << C.Input << '"';
    std::uint8_t D[16];
    MD5Bytes(C.Input.data(), C.Input.size(), D);
    EXPECT_EQ(Hex(D, 16), C.Digest);
    EXPECT_EQ(HashHex("MD5", C.Input), C.Digest);
  }
}

TEST(MD5, PiecewiseUpdatesAcrossBlockBordersGiveTheWholeDigest) {
  // Lengths around the 56- and 64-byte borders of padding and blocks.
  for (std::size_t Len : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    std::string Msg(Len, '\0');
    for (std::size_t I = 0; I < Len; ++I) Msg[I] = static_cast<char>('A' + I % 26);
    TrepMD5 M;
    for (std::size_t At = 0; At < Len; At += 7)
      M.Update(Msg.data() + At, static_cast<std::uint32_t>(std::min<std::size_t>(7, Len - At)));
    M.Finalize();
    EXPECT_EQ(Hex(M.Digest(), 16), MD5HexText(Msg)) << Len;

    TCryptoMD5 H;
    for (char Ch : Msg) H.Push(static_cast<std::uint8_t>(Ch));
    std::uint8_t D[16];
    H.GetDigest(D, 16);
    EXPECT_EQ(Hex(D, 16), MD5HexText(Msg)) << Len;
  }
}

TEST(MD5, InitStartsANewMessage) {
  TrepMD5 M;
  M.Update("junk", 4);
  M.Finalize();
  M.Init();
  M.Update("abc", 3);
  M.Finalize();
  EXPECT_EQ(Hex(M.Digest(), 16), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(MD5, StreamIsHashedWholeWhateverItsPosition) {
  rt::TStringStream S(std::string(200, 'q') + "tail");
  S.SetPosition(150);
  TCryptoMD5 H;
  H.Push(S);
  std::uint8_t D[16];
  H.GetDigest(D, 16);
  EXPECT_EQ(Hex(D, 16), MD5HexText(std::string(200, 'q') + "tail"));
}

TEST(SHA1, FIPS180Values) {
  const DigestCase Cases[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const DigestCase& C : Cases) EXPECT_EQ(HashHex("SHA1", C.Input), C.Digest) << C.Input.size();
}

TEST(Whirlpool, ISOValues) {
  const DigestCase Cases[] = {
      {"", "19fa61d75522a4669b44e39c1d2e1726c530232130d407f89afee0964997f7a73e83be698b288febcf88e3e03c"
           "4f0757ea8964e59b63d93708b138cc42a66eb3"},
      {"a", "8aca2602792aec6f11a67206531fb7d7f0dff59413145e6973c45001d0087b42d11bc645413aeff63a42391a3"
            "9145a591a92200d560195e53b478584fdae231a"},
      {"abc", "4e2448a4c6f486bb16b6562c73b4020bf3043e3a731bce721ae1b303d97e6d4c7181eebdb6c57e277d0e3495"
              "7114cbd6c797fc9d95d8b582d225292076d4eef5"},
      {"The quick brown fox jumps over the lazy dog",
       "b97de512e91e3828b40d2b0fdce9ceb3c4a71f9bea8d88e75c4fa854df36725fd2b52eb6544edcacd6f8beddfea4"
       "03cb55ae31f03ad62a5ef54e42ee82c3fb35"},
  };
  for (const DigestCase& C : Cases) EXPECT_EQ(HashHex("Whirlpool", C.Input), C.Digest) << C.Input;
}

TEST(Jenkins, FoldsThePaddingAndLengthIntoTheHash) {
  // Worked out independently from the one-at-a-time steps over the padded 64-byte blocks.
  const DigestCase Cases[] = {
      {"", "48c7df83"},
      {"a", "8acda95e"},
      {"The quick brown fox jumps over the lazy dog", "0d3dbf25"},
      {std::string(40, 'x'), "418bad24"},  // padding spills into a second block
  };
  for (const DigestCase& C : Cases) EXPECT_EQ(HashHex("Jenkins", C.Input), C.Digest) << C.Input;
}

TEST(CryptoHash, FactoryNamesAreExact) {
  struct Case {
    const char* Name;
    int DigestSize;  // 0: no hash
  } Cases[] = {{"MD5", 16}, {"SHA1", 20}, {"Whirlpool", 64}, {"Jenkins", 4},
               {"md5", 0},  {"SHA-1", 0}, {"", 0},          {"whirlpool", 0}};
  for (const Case& C : Cases) {
    auto H = TCryptoHash::Create(C.Name);
    if (C.DigestSize == 0) {
      EXPECT_EQ(H, nullptr) << C.Name;
    } else {
      ASSERT_NE(H, nullptr) << C.Name;
      EXPECT_EQ(H->DigestSize(), C.DigestSize);
      EXPECT_EQ(H->ChunkSize(), 64);
    }
  }
}

TEST(CryptoHash, UnknownNameAndWrongDigestSizeRaise) {
  std::uint8_t D[64];
  try {
    TCryptoHash::Hash("md5", D, 16, std::string("abc"));
    FAIL() << "no exception";
  } catch (const ECryptoHashUnknown& E) {
    EXPECT_EQ(E.Message(), "Hash function md5 is unknown");
    EXPECT_EQ(E.ClassName(), "ECryptoHashUnknown");
  }
  try {
    TCryptoHash::Hash("SHA1", D, 16, std::string("abc"));
    FAIL() << "no exception";
  } catch (const rt::Exception& E) {
    EXPECT_EQ(E.Message().rfind("Assertion failure (repCrypto", 0), 0u) << E.Message();
  }
}

TEST(CryptoHash, ResetStartsANewMessage) {
  auto H = TCryptoHash::Create("SHA1");
  H->Push("garbage", 7);
  std::uint8_t D[20];
  H->GetDigest(D, 20);
  H->Reset();
  H->Push("abc", 3);
  H->GetDigest(D, 20);
  EXPECT_EQ(Hex(D, 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

// ---- RC4

TEST(RC4, RFC6229KeyStreams) {
  struct Case {
    std::string Key;
    std::string Stream;  // the key stream at offsets 0 to 31
  } Cases[] = {
      {"0102030405", "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919"},
      {"0102030405060708090a0b0c0d0e0f10",
       "9ac7cc9a609d1ef7b2932899cde41b975248c4959014126a6e8a84f11d1a9e1c"},
  };
  for (const Case& C : Cases) {
    const auto Key = Bytes(C.Key);
    std::vector<std::uint8_t> Zeros(32, 0), Out(32);
    TrepRC4 R;
    R.Start(Key.data(), static_cast<int>(Key.size()));
    R.Crypt(Zeros.data(), Out.data(), 32);
    EXPECT_EQ(Hex(Out.data(), 32), C.Stream) << C.Key;
  }
}

TEST(RC4, TextKeysEncryptInPlace) {
  struct Case {
    std::string Key, Plain, Cipher;
  } Cases[] = {{"Key", "Plaintext", "bbf316e8d940af0ad3"},
               {"Wiki", "pedia", "1021bf0420"},
               {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"}};
  for (const Case& C : Cases) {
    std::string Buf = C.Plain;
    TrepRC4 R;
    R.Start(C.Key.data(), static_cast<int>(C.Key.size()));
    R.Crypt(Buf.data(), Buf.data(), static_cast<int>(Buf.size()));
    EXPECT_EQ(Hex(Buf.data(), Buf.size()), C.Cipher) << C.Key;
  }
}

TEST(RC4, EachCryptRestartsTheIndicesOnThePermutedState) {
  const auto Key = Bytes("0102030405");
  std::uint8_t Zeros[16] = {}, First[16], Second[16];
  TrepRC4 R;
  R.Start(Key.data(), 5);
  R.Crypt(Zeros, First, 16);
  R.Crypt(Zeros, Second, 16);
  EXPECT_EQ(Hex(First, 16), "b2396305f03dc027ccc3524a0a1118a8");
  // Not the continuation of one stream (which would be bytes 16..31).
  EXPECT_NE(Hex(Second, 16), "6982944f18fc82d589c403a47a0d0919");
  EXPECT_NE(Hex(Second, 16), Hex(First, 16));
}

TEST(RC4, KeyLengthOutsideTheRangeKeepsThePreviousState) {
  const auto Key = Bytes("0102030405");
  std::uint8_t Zeros[8] = {}, A[8], B[8];
  for (int BadLength : {0, -1, 257}) {
    TrepRC4 R1, R2;
    R1.Start(Key.data(), 5);
    R2.Start(Key.data(), 5);
    std::vector<std::uint8_t> Long(300, 7);
    R2.Start(Long.data(), BadLength);
    R1.Crypt(Zeros, A, 8);
    R2.Crypt(Zeros, B, 8);
    EXPECT_EQ(Hex(A, 8), Hex(B, 8)) << BadLength;
  }
}

// ---- AES

TEST(AES, FIPS197ExampleVectorsBothWays) {
  struct Case {
    std::string Key, Cipher;
  } Cases[] = {
      {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
       "8ea2b7ca516745bfeafc49904b496089"},
  };
  const auto Plain = Bytes("00112233445566778899aabbccddeeff");
  for (const Case& C : Cases) {
    TCryptoAES A(Bytes(C.Key));
    std::uint8_t Out[16], Back[16];
    A.Encrypt(Out, Plain.data());
    EXPECT_EQ(Hex(Out, 16), C.Cipher) << C.Key.size() * 4;
    A.Decrypt(Back, Out);
    EXPECT_EQ(Hex(Back, 16), "00112233445566778899aabbccddeeff");
  }
  // FIPS-197 appendix B.
  TCryptoAES B(Bytes("2b7e151628aed2a6abf7158809cf4f3c"));
  std::uint8_t Out[16];
  B.Encrypt(Out, Bytes("3243f6a8885a308d313198a2e0370734").data());
  EXPECT_EQ(Hex(Out, 16), "3925841d02dc09fbdc118597196a0b32");
}

TEST(AES, OtherKeyLengthsAreRefused) {
  for (int Len : {0, 8, 15, 17, 31, 33}) {
    std::vector<std::uint8_t> Key(static_cast<std::size_t>(Len), 1);
    try {
      TCryptoAES A(Key);
      FAIL() << Len;
    } catch (const ECryptoAESInvalidKeyLength& E) {
      EXPECT_EQ(E.Message(), "AES-" + std::to_string(8 * Len) + " is undefined");
    }
  }
}
