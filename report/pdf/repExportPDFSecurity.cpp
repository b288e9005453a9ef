#include "report/pdf/repExportPDFSecurity.h"

#include <cstring>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/pdf/repExportPDFHelpers.h"
#include "report/pdf/repRC4.h"
#include "report/pdf/repmd5.h"

const std::uint8_t TrepPDFSecurity::Padding[32] = {
    0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E, 0x56, 0xFF, 0xFA, 0x01, 0x08,
    0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68, 0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

namespace {

constexpr std::size_t KeyLength = 16;  // 128-bit RC4
constexpr int HashRounds = 50;         // extra MD5 rounds of revision 3
constexpr int CipherRounds = 19;       // extra RC4 rounds of revision 3

std::string MD5Of(std::string_view Bytes) {
  std::uint8_t Digest[16];
  MD5Bytes(Bytes.data(), Bytes.size(), Digest);
  return std::string(reinterpret_cast<const char*>(Digest), sizeof Digest);
}

std::string RC4(std::string_view Key, std::string_view Bytes) {
  std::string Out(Bytes);
  if (Out.empty()) return Out;
  TrepRC4 Cipher;
  Cipher.Start(Key.data(), static_cast<int>(Key.size()));
  Cipher.Crypt(Out.data(), Out.data(), static_cast<int>(Out.size()));
  return Out;
}

// RC4 with the key, then 19 more times with the key's bytes XOR 1 .. 19.
std::string RC4Rounds(std::string_view Key, std::string Bytes) {
  Bytes = RC4(Key, Bytes);
  std::string K(Key);
  for (int I = 1; I <= CipherRounds; ++I) {
    for (std::size_t J = 0; J < K.size(); ++J)
      K[J] = static_cast<char>(static_cast<std::uint8_t>(Key[J]) ^ I);
    Bytes = RC4(K, Bytes);
  }
  return Bytes;
}


std::string FileIDBytes(std::string_view FileID) {
  if (FileID.size() != 32)
    throw ErepPDFSecurityError("The PDF file identifier must be 32 hexadecimal digits");
  std::string Bytes;
  for (std::size_t I = 0; I < FileID.size(); I += 2) {
    const int Hi = rt::HexDigitValue(FileID[I]), Lo = rt::HexDigitValue(FileID[I + 1]);
    if (Hi < 0 || Lo < 0)
      throw ErepPDFSecurityError("The PDF file identifier must be 32 hexadecimal digits");
    Bytes += static_cast<char>(Hi * 16 + Lo);
  }
  return Bytes;
}

bool IsUtf8(std::string_view S) {
  std::size_t I = 0;
  while (I < S.size()) {
    const auto C = static_cast<std::uint8_t>(S[I]);
    int More = C < 0x80 ? 0 : (C & 0xE0) == 0xC0 ? 1 : (C & 0xF0) == 0xE0 ? 2 : (C & 0xF8) == 0xF0 ? 3 : -1;
    if (More < 0 || (More == 1 && C < 0xC2) || I + static_cast<std::size_t>(More) >= S.size())
      return false;
    for (int K = 1; K <= More; ++K)
      if ((static_cast<std::uint8_t>(S[I + K]) & 0xC0) != 0x80) return false;
    I += static_cast<std::size_t>(More) + 1;
  }
  return true;
}

} // namespace

std::string TrepPDFSecurity::PadPassword(std::string_view Password) {
  std::string Padded(Password.substr(0, 32));
  Padded.append(reinterpret_cast<const char*>(Padding), 32 - Padded.size());
  return Padded;
}

std::string TrepPDFSecurity::PasswordBytes(std::string_view Password) {
  if (!IsUtf8(Password)) return std::string(Password);
  std::string Bytes;
  for (char16_t C : rt::Utf8ToUtf16(Password)) Bytes += C <= 0xFF ? static_cast<char>(C) : '?';
  return Bytes;
}

std::string TrepPDFSecurity::EscapeLiteralString(std::string_view Bytes) {
  std::string S;
  S.reserve(Bytes.size() + Bytes.size() / 8);
  for (char C : Bytes) {
    switch (C) {
      case '\n': S += "\\n"; break;
      case '\r': S += "\\r"; break;
      case '(': S += "\\("; break;
      case ')': S += "\\)"; break;
      case '\\': S += "\\\\"; break;
      default: S += C;
    }
  }
  return S;
}

void TrepPDFSecurity::PrepareSecurityKeys(std::string_view UserPassword,
                                          std::string_view OwnerPassword, int EncBits,
                                          std::string_view FileID) {
  FFileID = FileIDBytes(FileID);
  FEncBits = EncBits;
  const std::string User = PadPassword(PasswordBytes(UserPassword));
  const std::string Owner =
      PadPassword(PasswordBytes(OwnerPassword.empty() ? UserPassword : OwnerPassword));

  // Owner entry: the user password encrypted under a key hashed from the owner password.
  std::string D = MD5Of(Owner);
  for (int I = 0; I < HashRounds; ++I) D = MD5Of(D);
  FOPass = RC4Rounds(D, User);

  // File key.
  const auto P = static_cast<std::uint32_t>(EncBits);
  std::string H = User + FOPass;
  for (int Shift = 0; Shift < 32; Shift += 8) H += static_cast<char>((P >> Shift) & 0xFF);
  H += FFileID;
  H = MD5Of(H);
  for (int I = 0; I < HashRounds; ++I) H = MD5Of(H);
  FEncKey = H.substr(0, KeyLength);

  // User entry: the padding and the identifier hashed, encrypted under the file key.
  std::string U = MD5Of(std::string(reinterpret_cast<const char*>(Padding), 32) + FFileID);
  FUPass = RC4Rounds(FEncKey, U) + std::string(16, '\0');
}

std::string TrepPDFSecurity::ObjectKey(int ObjectNumber) const {
  const auto N = static_cast<std::uint32_t>(ObjectNumber);
  std::string Material = FEncKey;
  Material += static_cast<char>(N & 0xFF);
  Material += static_cast<char>((N >> 8) & 0xFF);
  Material += static_cast<char>((N >> 16) & 0xFF);
  Material += std::string(2, '\0');  // generation 0
  return MD5Of(Material);
}

std::string TrepPDFSecurity::EncryptBytes(std::string_view Bytes, int ObjectNumber) const {
  return RC4(ObjectKey(ObjectNumber), Bytes);
}

std::string TrepPDFSecurity::EncryptString(std::string_view Bytes, int ObjectNumber) const {
  return EscapeLiteralString(EncryptBytes(Bytes, ObjectNumber));
}

void TrepPDFSecurity::EncryptObjectData(rt::TStream& Source, rt::TStream& Dest,
                                        int ObjectNumber) const {
  ::EncryptObjectData(Source, Dest, reinterpret_cast<const std::uint8_t*>(FEncKey.data()),
                      ObjectNumber);
}

void TrepPDFSecurity::WriteEncryptDictionary(rt::TStream& Stream) const {
  WritePDFLine(Stream, "<<");
  WritePDFLine(Stream, "/Filter /Standard");
  WritePDFLine(Stream, "/V 2");
  WritePDFLine(Stream, "/R 3");
  WritePDFLine(Stream, "/Length 128");
  WritePDFLine(Stream, "/P " + std::to_string(FEncBits));
  WritePDFLine(Stream, "/O (" + EscapeLiteralString(FOPass) + ")");
  WritePDFLine(Stream, "/U (" + EscapeLiteralString(FUPass) + ")");
  WritePDFLine(Stream, ">>");
}

int TrepPDFSecurity::WriteEncryptionObject(TrepPDFDocumentSink& Sink) const {
  const int E = Sink.UpdateXRef();
  rt::TStream& Out = Sink.Output();
  WritePDFLine(Out, ObjNumberText(E));
  WriteEncryptDictionary(Out);
  WritePDFLine(Out, "endobj");
  return E;
}
