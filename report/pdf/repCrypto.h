#pragma once
// Hash functions and the AES block cipher. The PDF export uses MD5 to recognise equal images;
// the other members complete the family.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"

RT_DECLARE_EXCEPTION(ECryptoHash, rt::Exception)
RT_DECLARE_EXCEPTION(ECryptoHashUnknown, ECryptoHash)
RT_DECLARE_EXCEPTION(ECryptoAESException, rt::Exception)
RT_DECLARE_EXCEPTION(ECryptoAESInvalidKeyLength, ECryptoAESException)

// A hash over 64-byte blocks. Push data, then GetDigest once; Reset starts a new message.
class TCryptoHash : public rt::TObject {
public:
  ~TCryptoHash() override = default;

  void Push(std::uint8_t b);
  void Push(const void* Data, int Size);
  // The whole stream from position 0, whatever its position.
  void Push(rt::TStream& Stream);
  int ChunkSize() const noexcept { return 64; }

  virtual void Reset() = 0;
  // Size must be DigestSize (else an assertion failure); the hash is finished afterwards.
  virtual void GetDigest(void* Digest, int Size) = 0;
  virtual int DigestSize() const = 0;

  // "MD5", "SHA1", "Whirlpool" or "Jenkins", exactly; nullptr for any other name.
  static std::unique_ptr<TCryptoHash> Create(const std::string& Name);
  // ECryptoHashUnknown "Hash function %s is unknown" for an unknown name.
  static void Hash(const std::string& Name, void* Digest, int DigestSize, const void* Data, int Size);
  static void Hash(const std::string& Name, void* Digest, int DigestSize, const std::string& s);

protected:
  TCryptoHash() = default;
  // Processes the full block in FChunk.
  virtual void CompressChunk() = 0;
  // Standard padding: 0x80, zeros, then the message length in bits in the last LengthBytes
  // bytes of a block.
  virtual void PadAndFinish(int LengthBytes, bool LittleEndian);
  // Raises the assertion failure of a digest asked with the wrong size.
  void CheckDigestSize(int Size) const;

  std::uint8_t FChunk[64] = {};
  int FLength = 0;
};

class TCryptoMD5 : public TCryptoHash {
public:
  TCryptoMD5() { Reset(); }
  void Reset() override;
  void GetDigest(void* Digest, int Size) override;
  int DigestSize() const override { return 16; }

protected:
  void CompressChunk() override;

private:
  std::uint32_t FState[4];
};

class TCryptoSHA1 : public TCryptoHash {
public:
  TCryptoSHA1() { Reset(); }
  void Reset() override;
  void GetDigest(void* Digest, int Size) override;
  int DigestSize() const override { return 20; }

protected:
  void CompressChunk() override;

private:
  std::uint32_t FState[5];
};

class TCryptoWhirlpool : public TCryptoHash {
public:
  TCryptoWhirlpool() { Reset(); }
  void Reset() override;
  void GetDigest(void* Digest, int Size) override;
  int DigestSize() const override { return 64; }

protected:
  void CompressChunk() override;

private:
  std::uint8_t FState[8][8];
};

// One-at-a-time folding of every byte of the padded message, then the final mixing.
class TCryptoJenkins : public TCryptoHash {
public:
  TCryptoJenkins() { Reset(); }
  void Reset() override;
  void GetDigest(void* Digest, int Size) override;
  int DigestSize() const override { return 4; }

protected:
  void CompressChunk() override;
  void PadAndFinish(int LengthBytes, bool LittleEndian) override;

private:
  std::uint32_t FState = 0;
};

// AES-128, -192 or -256 on single 16-byte blocks, without chaining or padding.
class TCryptoAES : public rt::TObject {
public:
  using TState = std::uint8_t[4][4];  // [row][column]

  // A key of 16, 24 or 32 bytes; ECryptoAESInvalidKeyLength "AES-%d is undefined" otherwise.
  explicit TCryptoAES(const std::vector<std::uint8_t>& Key);
  TCryptoAES(const std::uint8_t* Key, int KeyLength);

  virtual void EncryptState(TState& State) const;
  virtual void DecryptState(TState& State) const;
  virtual void Encrypt(void* Output, const void* Input) const;
  virtual void Decrypt(void* Output, const void* Input) const;

private:
  int FNr = 0;
  std::vector<std::array<std::array<std::uint8_t, 4>, 4>> FW;  // round keys [round][row][column]
};
