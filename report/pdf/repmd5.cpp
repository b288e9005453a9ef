#include "report/pdf/repmd5.h"

#include <cstring>

namespace {

// Per-step shift amounts and sine-derived constants of the four rounds.
constexpr std::uint32_t Shift[64] = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr std::uint32_t Sine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

inline std::uint32_t Rotl(std::uint32_t X, std::uint32_t N) { return (X << N) | (X >> (32 - N)); }

} // namespace

void TrepMD5::Init() {
  m_Count[0] = m_Count[1] = 0;
  m_State[0] = 0x67452301;
  m_State[1] = 0xefcdab89;
  m_State[2] = 0x98badcfe;
  m_State[3] = 0x10325476;
  std::memset(m_Buffer, 0, sizeof m_Buffer);
}

void MD5Compress(std::uint32_t State[4], const std::uint8_t* Block) {
  std::uint32_t X[16];
  for (int I = 0; I < 16; ++I)
    X[I] = std::uint32_t(Block[4 * I]) | std::uint32_t(Block[4 * I + 1]) << 8 |
           std::uint32_t(Block[4 * I + 2]) << 16 | std::uint32_t(Block[4 * I + 3]) << 24;
  std::uint32_t A = State[0], B = State[1], C = State[2], D = State[3];
  for (int I = 0; I < 64; ++I) {
    std::uint32_t F;
    int G;
    if (I < 16) {
      F = (B & C) | (~B & D);
      G = I;
    } else if (I < 32) {
      F = (B & D) | (C & ~D);
      G = (5 * I + 1) % 16;
    } else if (I < 48) {
      F = B ^ C ^ D;
      G = (3 * I + 5) % 16;
    } else {
      F = C ^ (B | ~D);
      G = (7 * I) % 16;
    }
    const std::uint32_t T = D;
    D = C;
    C = B;
    B = B + Rotl(A + F + Sine[I] + X[G], Shift[I]);
    A = T;
  }
  State[0] += A;
  State[1] += B;
  State[2] += C;
  State[3] += D;
}

void TrepMD5::Transform(const std::uint8_t* Block) { MD5Compress(m_State, Block); }

void TrepMD5::Update(const void* chInput, std::uint32_t nInputLen) {
  const auto* In = static_cast<const std::uint8_t*>(chInput);
  std::uint32_t Index = (m_Count[0] >> 3) & 0x3F;
  const std::uint32_t Bits = nInputLen << 3;
  m_Count[0] += Bits;
  if (m_Count[0] < Bits) ++m_Count[1];
  m_Count[1] += nInputLen >> 29;
  std::uint32_t Done = 0;
  const std::uint32_t Room = 64 - Index;
  if (nInputLen >= Room) {
    std::memcpy(m_Buffer + Index, In, Room);
    Transform(m_Buffer);
    for (Done = Room; Done + 63 < nInputLen; Done += 64) Transform(In + Done);
    Index = 0;
  }
  if (nInputLen > Done) std::memcpy(m_Buffer + Index, In + Done, nInputLen - Done);
}

void TrepMD5::Finalize() {
  std::uint8_t Bits[8];
  for (int I = 0; I < 8; ++I) Bits[I] = static_cast<std::uint8_t>(m_Count[I / 4] >> (8 * (I % 4)));
  const std::uint32_t Index = (m_Count[0] >> 3) & 0x3F;
  const std::uint32_t PadLen = Index < 56 ? 56 - Index : 120 - Index;
  std::uint8_t Padding[64] = {0x80};
  Update(Padding, PadLen);
  Update(Bits, 8);
  for (int I = 0; I < 16; ++I) m_Digest[I] = static_cast<std::uint8_t>(m_State[I / 4] >> (8 * (I % 4)));
  std::memset(m_State, 0, sizeof m_State);
  std::memset(m_Count, 0, sizeof m_Count);
  std::memset(m_Buffer, 0, sizeof m_Buffer);
}

void MD5Bytes(const void* Data, std::size_t Length, std::uint8_t Output[16]) {
  TrepMD5 M;
  const auto* P = static_cast<const std::uint8_t*>(Data);
  // Update takes 32-bit lengths; larger inputs go in pieces.
  while (Length > 0) {
    const std::uint32_t Piece = Length > 0x40000000u ? 0x40000000u : static_cast<std::uint32_t>(Length);
    M.Update(P, Piece);
    P += Piece;
    Length -= Piece;
  }
  M.Finalize();
  std::memcpy(Output, M.Digest(), 16);
}

std::string MD5HexText(std::string_view S) {
  std::uint8_t D[16];
  MD5Bytes(S.data(), S.size(), D);
  static const char Hex[] = "0123456789abcdef";
  std::string R;
  R.reserve(32);
  for (std::uint8_t B : D) {
    R += Hex[B >> 4];
    R += Hex[B & 15];
  }
  return R;
}
