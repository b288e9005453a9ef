#include "report/pdf/repCrypto.h"

#include <algorithm>
#include <cstring>

#include "report/pdf/repmd5.h"

namespace {

inline std::uint32_t Rotl(std::uint32_t X, int N) { return (X << N) | (X >> (32 - N)); }

// ---- Whirlpool tables: the S-box built from its three mini-boxes, and products in GF(2^8)
// modulo x^8 + x^4 + x^3 + x^2 + 1.

std::uint8_t GfMul(std::uint8_t A, std::uint8_t B, unsigned Poly) {
  unsigned R = 0, X = A;
  for (; B; B >>= 1) {
    if (B & 1) R ^= X;
    X <<= 1;
    if (X & 0x100) X ^= Poly;
  }
  return static_cast<std::uint8_t>(R);
}

struct WhirlpoolTables {
  std::uint8_t S[256];
  std::uint8_t Mul[10][256];  // Mul[f][x] = f * x for the factors 1 to 9
  WhirlpoolTables() {
    static const std::uint8_t E[16] = {0x1, 0xB, 0x9, 0xC, 0xD, 0x6, 0xF, 0x3,
                                       0xE, 0x8, 0x7, 0x4, 0xA, 0x2, 0x5, 0x0};
    static const std::uint8_t R[16] = {0x7, 0xC, 0xB, 0xD, 0xE, 0x4, 0x9, 0xF,
                                       0x6, 0x3, 0x8, 0xA, 0x2, 0x5, 0x1, 0x0};
    std::uint8_t EInv[16];
    for (int I = 0; I < 16; ++I) EInv[E[I]] = static_cast<std::uint8_t>(I);
    for (int U = 0; U < 256; ++U) {
      const std::uint8_t H = E[U >> 4], L = EInv[U & 15];
      const std::uint8_t M = R[H ^ L];
      S[U] = static_cast<std::uint8_t>(E[H ^ M] << 4 | EInv[L ^ M]);
    }
    for (int F = 0; F < 10; ++F)
      for (int X = 0; X < 256; ++X)
        Mul[F][X] = GfMul(static_cast<std::uint8_t>(X), static_cast<std::uint8_t>(F), 0x11D);
  }
};

const WhirlpoolTables& Whirlpool() {
  static const WhirlpoolTables T;
  return T;
}

// ---- AES tables: multiplicative inverse modulo x^8 + x^4 + x^3 + x + 1 followed by the affine
// map with 0x63.

struct AESTables {
  std::uint8_t S[256];
  std::uint8_t SInv[256];
  AESTables() {
    for (int X = 0; X < 256; ++X) {
      std::uint8_t Inv = 0;
      if (X)
        for (int Y = 1; Y < 256; ++Y)
          if (GfMul(static_cast<std::uint8_t>(X), static_cast<std::uint8_t>(Y), 0x11B) == 1) {
            Inv = static_cast<std::uint8_t>(Y);
            break;
          }
      std::uint8_t B = Inv, Out = 0x63;
      for (int K = 0; K < 5; ++K) {
        Out ^= B;
        B = static_cast<std::uint8_t>(B << 1 | B >> 7);
      }
      S[X] = Out;
      SInv[Out] = static_cast<std::uint8_t>(X);
    }
  }
};

const AESTables& AES() {
  static const AESTables T;
  return T;
}

// Built when the unit starts, so no hashing thread builds them.
[[maybe_unused]] const bool TablesBuilt = (Whirlpool(), AES(), true);

inline std::uint8_t XTime(std::uint8_t X) {
  return static_cast<std::uint8_t>(X << 1 ^ (X & 0x80 ? 0x1B : 0));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The hash family

void TCryptoHash::Push(std::uint8_t b) {
  FChunk[FLength % 64] = b;
  ++FLength;
  if (FLength % 64 == 0) CompressChunk();
}

void TCryptoHash::Push(const void* Data, int Size) {
  const auto* P = static_cast<const std::uint8_t*>(Data);
  while (Size > 0) {
    const int At = FLength % 64;
    const int Piece = std::min(64 - At, Size);
    std::memcpy(FChunk + At, P, static_cast<std::size_t>(Piece));
    FLength += Piece;
    P += Piece;
    Size -= Piece;
    if (FLength % 64 == 0) CompressChunk();
  }
}

void TCryptoHash::Push(rt::TStream& Stream) {
  Stream.SetPosition(0);
  std::uint8_t Buf[64];
  for (;;) {
    const auto N = Stream.Read(Buf, sizeof Buf);
    if (N <= 0) break;
    Push(Buf, static_cast<int>(N));
  }
}

void TCryptoHash::PadAndFinish(int LengthBytes, bool LittleEndian) {
  const std::uint32_t L = static_cast<std::uint32_t>(FLength) * 8;
  Push(0x80);
  while (64 - FLength % 64 != LengthBytes) Push(0);
  std::uint8_t* Field = FChunk + 64 - LengthBytes;
  std::memset(Field, 0, static_cast<std::size_t>(LengthBytes));
  for (int I = 0; I < 4 && I < LengthBytes; ++I) {
    const auto B = static_cast<std::uint8_t>(L >> (8 * I));
    if (LittleEndian)
      Field[I] = B;
    else
      Field[LengthBytes - 1 - I] = B;
  }
  CompressChunk();
}

void TCryptoHash::CheckDigestSize(int Size) const {
  if (Size != DigestSize())
    throw rt::Exception("Assertion failure (repCrypto.cpp, line " + std::to_string(__LINE__) + ")",
                        "EAssertionFailed");
}

std::unique_ptr<TCryptoHash> TCryptoHash::Create(const std::string& Name) {
  if (Name == "MD5") return std::make_unique<TCryptoMD5>();
  if (Name == "SHA1") return std::make_unique<TCryptoSHA1>();
  if (Name == "Whirlpool") return std::make_unique<TCryptoWhirlpool>();
  if (Name == "Jenkins") return std::make_unique<TCryptoJenkins>();
  return nullptr;
}

void TCryptoHash::Hash(const std::string& Name, void* Digest, int DigestSize, const void* Data,
                       int Size) {
  auto H = Create(Name);
  if (!H) throw ECryptoHashUnknown("Hash function " + Name + " is unknown");
  H->Push(Data, Size);
  H->GetDigest(Digest, DigestSize);
}

void TCryptoHash::Hash(const std::string& Name, void* Digest, int DigestSize, const std::string& s) {
  Hash(Name, Digest, DigestSize, s.data(), static_cast<int>(s.size()));
}

// ---- MD5

void TCryptoMD5::Reset() {
  FLength = 0;
  FState[0] = 0x67452301;
  FState[1] = 0xefcdab89;
  FState[2] = 0x98badcfe;
  FState[3] = 0x10325476;
}

void TCryptoMD5::CompressChunk() { MD5Compress(FState, FChunk); }

void TCryptoMD5::GetDigest(void* Digest, int Size) {
  CheckDigestSize(Size);
  PadAndFinish(8, true);
  auto* D = static_cast<std::uint8_t*>(Digest);
  for (int I = 0; I < 16; ++I) D[I] = static_cast<std::uint8_t>(FState[I / 4] >> (8 * (I % 4)));
}

// ---- SHA-1

void TCryptoSHA1::Reset() {
  FLength = 0;
  FState[0] = 0x67452301;
  FState[1] = 0xEFCDAB89;
  FState[2] = 0x98BADCFE;
  FState[3] = 0x10325476;
  FState[4] = 0xC3D2E1F0;
}

void TCryptoSHA1::CompressChunk() {
  std::uint32_t W[80];
  for (int I = 0; I < 16; ++I)
    W[I] = std::uint32_t(FChunk[4 * I]) << 24 | std::uint32_t(FChunk[4 * I + 1]) << 16 |
           std::uint32_t(FChunk[4 * I + 2]) << 8 | std::uint32_t(FChunk[4 * I + 3]);
  for (int I = 16; I < 80; ++I) W[I] = Rotl(W[I - 3] ^ W[I - 8] ^ W[I - 14] ^ W[I - 16], 1);
  std::uint32_t A = FState[0], B = FState[1], C = FState[2], D = FState[3], E = FState[4];
  for (int I = 0; I < 80; ++I) {
    std::uint32_t F, K;
    if (I < 20) {
      F = (B & C) | (~B & D);
      K = 0x5A827999;
    } else if (I < 40) {
      F = B ^ C ^ D;
      K = 0x6ED9EBA1;
    } else if (I < 60) {
      F = (B & C) | (B & D) | (C & D);
      K = 0x8F1BBCDC;
    } else {
      F = B ^ C ^ D;
      K = 0xCA62C1D6;
    }
    const std::uint32_t T = Rotl(A, 5) + F + E + K + W[I];
    E = D;
    D = C;
    C = Rotl(B, 30);
    B = A;
    A = T;
  }
  FState[0] += A;
  FState[1] += B;
  FState[2] += C;
  FState[3] += D;
  FState[4] += E;
}

void TCryptoSHA1::GetDigest(void* Digest, int Size) {
  CheckDigestSize(Size);
  PadAndFinish(8, false);
  auto* D = static_cast<std::uint8_t*>(Digest);
  for (int I = 0; I < 20; ++I) D[I] = static_cast<std::uint8_t>(FState[I / 4] >> (24 - 8 * (I % 4)));
}

// ---- Whirlpool (10 rounds of the dedicated block cipher in Miyaguchi-Preneel mode)

namespace {

using WBlock = std::uint8_t[8][8];

// One round function: substitution, column shift, row mixing and key addition.
void WhirlpoolRound(const WBlock In, const WBlock Key, WBlock Out) {
  const WhirlpoolTables& T = Whirlpool();
  static const std::uint8_t C[8] = {1, 1, 4, 1, 8, 5, 2, 9};
  WBlock Shifted;
  for (int I = 0; I < 8; ++I)
    for (int J = 0; J < 8; ++J) Shifted[I][J] = T.S[In[(I - J + 8) % 8][J]];
  for (int I = 0; I < 8; ++I)
    for (int J = 0; J < 8; ++J) {
      std::uint8_t V = Key[I][J];
      for (int K = 0; K < 8; ++K) V ^= T.Mul[C[(J - K + 8) % 8]][Shifted[I][K]];
      Out[I][J] = V;
    }
}

} // namespace

void TCryptoWhirlpool::Reset() {
  FLength = 0;
  std::memset(FState, 0, sizeof FState);
}

void TCryptoWhirlpool::CompressChunk() {
  const WhirlpoolTables& T = Whirlpool();
  WBlock Key, State, Next, Rc = {};
  std::memcpy(Key, FState, 64);
  for (int I = 0; I < 8; ++I)
    for (int J = 0; J < 8; ++J) State[I][J] = FChunk[8 * I + J] ^ Key[I][J];
  for (int R = 1; R <= 10; ++R) {
    for (int J = 0; J < 8; ++J) Rc[0][J] = T.S[8 * (R - 1) + J];
    WhirlpoolRound(Key, Rc, Next);
    std::memcpy(Key, Next, 64);
    WhirlpoolRound(State, Key, Next);
    std::memcpy(State, Next, 64);
  }
  for (int I = 0; I < 8; ++I)
    for (int J = 0; J < 8; ++J) FState[I][J] ^= State[I][J] ^ FChunk[8 * I + J];
}

void TCryptoWhirlpool::GetDigest(void* Digest, int Size) {
  CheckDigestSize(Size);
  PadAndFinish(32, false);
  std::memcpy(Digest, FState, 64);
}

// ---- Jenkins

void TCryptoJenkins::Reset() {
  FLength = 0;
  FState = 0;
}

void TCryptoJenkins::CompressChunk() {
  std::uint32_t H = FState;
  for (std::uint8_t B : FChunk) {
    H += B;
    H *= 1025;
    H ^= H >> 6;
  }
  FState = H;
}

void TCryptoJenkins::PadAndFinish(int LengthBytes, bool LittleEndian) {
  TCryptoHash::PadAndFinish(LengthBytes, LittleEndian);
  std::uint32_t H = FState;
  H *= 9;
  H ^= H >> 11;
  H *= 32769;
  FState = H;
}

void TCryptoJenkins::GetDigest(void* Digest, int Size) {
  CheckDigestSize(Size);
  PadAndFinish(32, true);
  auto* D = static_cast<std::uint8_t*>(Digest);
  for (int I = 0; I < 4; ++I) D[I] = static_cast<std::uint8_t>(FState >> (8 * I));
}

// ---------------------------------------------------------------------------------------------
// AES

TCryptoAES::TCryptoAES(const std::vector<std::uint8_t>& Key)
    : TCryptoAES(Key.data(), static_cast<int>(Key.size())) {}

TCryptoAES::TCryptoAES(const std::uint8_t* Key, int KeyLength) {
  if (KeyLength != 16 && KeyLength != 24 && KeyLength != 32)
    throw ECryptoAESInvalidKeyLength("AES-" + std::to_string(8 * KeyLength) + " is undefined");
  const AESTables& T = AES();
  const int Nk = KeyLength / 4;
  FNr = Nk + 6;
  const int Words = 4 * (FNr + 1);
  std::vector<std::array<std::uint8_t, 4>> W(static_cast<std::size_t>(Words));
  for (int I = 0; I < Nk; ++I)
    for (int B = 0; B < 4; ++B) W[static_cast<std::size_t>(I)][static_cast<std::size_t>(B)] = Key[4 * I + B];
  std::uint8_t Rcon = 1;
  for (int I = Nk; I < Words; ++I) {
    std::array<std::uint8_t, 4> Tmp = W[static_cast<std::size_t>(I - 1)];
    if (I % Nk == 0) {
      Tmp = {static_cast<std::uint8_t>(T.S[Tmp[1]] ^ Rcon), T.S[Tmp[2]], T.S[Tmp[3]], T.S[Tmp[0]]};
      Rcon = XTime(Rcon);
    } else if (Nk > 6 && I % Nk == 4) {
      for (auto& B : Tmp) B = T.S[B];
    }
    for (int B = 0; B < 4; ++B)
      W[static_cast<std::size_t>(I)][static_cast<std::size_t>(B)] =
          W[static_cast<std::size_t>(I - Nk)][static_cast<std::size_t>(B)] ^ Tmp[static_cast<std::size_t>(B)];
  }
  FW.resize(static_cast<std::size_t>(FNr + 1));
  for (int R = 0; R <= FNr; ++R)
    for (int C = 0; C < 4; ++C)
      for (int Row = 0; Row < 4; ++Row)
        FW[static_cast<std::size_t>(R)][static_cast<std::size_t>(Row)][static_cast<std::size_t>(C)] =
            W[static_cast<std::size_t>(4 * R + C)][static_cast<std::size_t>(Row)];
}

namespace {

void AddRoundKey(TCryptoAES::TState& S, const std::array<std::array<std::uint8_t, 4>, 4>& K) {
  for (int R = 0; R < 4; ++R)
    for (int C = 0; C < 4; ++C) S[R][C] ^= K[static_cast<std::size_t>(R)][static_cast<std::size_t>(C)];
}

std::uint8_t Mul(std::uint8_t A, std::uint8_t B) { return GfMul(A, B, 0x11B); }

void MixColumns(TCryptoAES::TState& S, bool Inverse) {
  const std::uint8_t M[4] = {static_cast<std::uint8_t>(Inverse ? 14 : 2), static_cast<std::uint8_t>(Inverse ? 11 : 3),
                             static_cast<std::uint8_t>(Inverse ? 13 : 1), static_cast<std::uint8_t>(Inverse ? 9 : 1)};
  for (int C = 0; C < 4; ++C) {
    std::uint8_t Col[4];
    for (int R = 0; R < 4; ++R) Col[R] = S[R][C];
    for (int R = 0; R < 4; ++R)
      S[R][C] = Mul(M[0], Col[R]) ^ Mul(M[1], Col[(R + 1) % 4]) ^ Mul(M[2], Col[(R + 2) % 4]) ^
                Mul(M[3], Col[(R + 3) % 4]);
  }
}

void ShiftRows(TCryptoAES::TState& S, bool Inverse) {
  for (int R = 1; R < 4; ++R) {
    std::uint8_t Row[4];
    for (int C = 0; C < 4; ++C) Row[C] = S[R][Inverse ? (C - R + 4) % 4 : (C + R) % 4];
    std::memcpy(S[R], Row, 4);
  }
}

void SubBytes(TCryptoAES::TState& S, const std::uint8_t* Box) {
  for (auto& Row : S)
    for (auto& B : Row) B = Box[B];
}

} // namespace

void TCryptoAES::EncryptState(TState& State) const {
  const AESTables& T = AES();
  AddRoundKey(State, FW[0]);
  for (int R = 1; R <= FNr; ++R) {
    SubBytes(State, T.S);
    ShiftRows(State, false);
    if (R < FNr) MixColumns(State, false);
    AddRoundKey(State, FW[static_cast<std::size_t>(R)]);
  }
}

void TCryptoAES::DecryptState(TState& State) const {
  const AESTables& T = AES();
  AddRoundKey(State, FW[static_cast<std::size_t>(FNr)]);
  for (int R = FNr - 1; R >= 0; --R) {
    ShiftRows(State, true);
    SubBytes(State, T.SInv);
    AddRoundKey(State, FW[static_cast<std::size_t>(R)]);
    if (R > 0) MixColumns(State, true);
  }
}

void TCryptoAES::Encrypt(void* Output, const void* Input) const {
  TState S;
  const auto* In = static_cast<const std::uint8_t*>(Input);
  for (int I = 0; I < 16; ++I) S[I % 4][I / 4] = In[I];
  EncryptState(S);
  auto* Out = static_cast<std::uint8_t*>(Output);
  for (int I = 0; I < 16; ++I) Out[I] = S[I % 4][I / 4];
}

void TCryptoAES::Decrypt(void* Output, const void* Input) const {
  TState S;
  const auto* In = static_cast<const std::uint8_t*>(Input);
  for (int I = 0; I < 16; ++I) S[I % 4][I / 4] = In[I];
  DecryptState(S);
  auto* Out = static_cast<std::uint8_t*>(Output);
  for (int I = 0; I < 16; ++I) Out[I] = S[I % 4][I / 4];
}
