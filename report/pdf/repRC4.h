#pragma once
// RC4 stream cipher of the standard security handler.
#include <cstdint>

#include "platform/rt/Classes.h"

class TrepRC4 : public rt::TObject {
public:
  // Key schedule; a key length outside 1..256 leaves the state as it was.
  void Start(const void* Key, int KeyLength);
  // Encrypts (or decrypts) Length bytes; Source and Target may be the same buffer. The stream
  // indices start at 0 on every call while the permutation carries over, so only a Start
  // followed by one Crypt is plain RC4.
  void Crypt(const void* Source, void* Target, int Length);

private:
  std::uint8_t FKey[256] = {};
};
