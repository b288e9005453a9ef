#pragma once
// MD5 message digest (RFC 1321): the document identifier and the keys of the standard security
// handler are derived from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rt/Classes.h"

class TrepMD5 : public rt::TObject {
public:
  TrepMD5() { Init(); }

  // Starts a new message.
  void Init();
  void Update(const void* chInput, std::uint32_t nInputLen);
  // Pads, writes the digest and clears the working state; Init before hashing another message.
  void Finalize();
  // The 16 digest bytes, valid after Finalize.
  const std::uint8_t* Digest() const noexcept { return m_Digest; }

private:
  void Transform(const std::uint8_t* Block);

  std::uint32_t m_State[4];
  std::uint32_t m_Count[2];  // message length in bits, low word first
  std::uint8_t m_Buffer[64];
  std::uint8_t m_Digest[16] = {};
};

// The MD5 compression function over one 64-byte block; shared with the hash family of repCrypto.
void MD5Compress(std::uint32_t State[4], const std::uint8_t* Block);

// The digest of the string's bytes as 32 lower-case hexadecimal digits.
std::string MD5HexText(std::string_view S);
// The digest of a buffer, written to Output.
void MD5Bytes(const void* Data, std::size_t Length, std::uint8_t Output[16]);
