#pragma once
// The standard security handler of a PDF document, revision 3 with a 128-bit RC4 key: the owner
// entry /O, the file key and the user entry /U computed from the passwords, the permission
// value and the file identifier; the per-object encryption of strings and stream data; the
// encryption dictionary.
//
// The document writer owns one, calls PrepareSecurityKeys when a protected document starts
// (after the file identifier is made), encrypts every text string with EncryptString and every
// stream's data with EncryptObjectData, and writes the dictionary with WriteEncryptionObject.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rt/Classes.h"
#include "platform/rt/SysUtils.h"
#include "report/pdf/repExportPDFSink.h"

// A file identifier that is not 32 hexadecimal digits: the keys would silently depend on garbage.
RT_DECLARE_EXCEPTION(ErepPDFSecurityError, rt::Exception)

class TrepPDFSecurity {
public:
  // The 32-byte padding string of the standard security handler.
  static const std::uint8_t Padding[32];

  // The first 32 bytes of Password, filled up from the start of the padding string.
  static std::string PadPassword(std::string_view Password);
  // The password's bytes as a reader derives them from what the user types: passwords arrive
  // as UTF-8 and become one byte per character (Latin-1; characters beyond it become '?').
  // Text that is not UTF-8 is taken as bytes already.
  static std::string PasswordBytes(std::string_view Password);
  // Escapes a literal string's bytes: LF "\n", CR "\r", "(" "\(", ")" "\)", "\" "\\".
  static std::string EscapeLiteralString(std::string_view Bytes);

  // Fills FOPass, FEncKey and FUPass. An empty OwnerPassword takes the user password's place.
  // EncBits is the /P value; FileID the document's 32 hexadecimal digits
  // (ErepPDFSecurityError otherwise).
  void PrepareSecurityKeys(std::string_view UserPassword, std::string_view OwnerPassword,
                           int EncBits, std::string_view FileID);

  // The RC4 key of object ObjectNumber, generation 0.
  std::string ObjectKey(int ObjectNumber) const;
  // Bytes encrypted with RC4 under the object key (the same call decrypts).
  std::string EncryptBytes(std::string_view Bytes, int ObjectNumber) const;
  // The escaped encryption of Bytes, to stand between "(" and ")".
  std::string EncryptString(std::string_view Bytes, int ObjectNumber) const;
  // Appends the whole of Source, encrypted for ObjectNumber, to Dest.
  void EncryptObjectData(rt::TStream& Source, rt::TStream& Dest, int ObjectNumber) const;

  // The lines of the encryption dictionary, "<<" to ">>".
  void WriteEncryptDictionary(rt::TStream& Stream) const;
  // The encryption object with the next object number; returns the number for the trailer's
  // /Encrypt.
  int WriteEncryptionObject(TrepPDFDocumentSink& Sink) const;

  const std::string& OPass() const noexcept { return FOPass; }
  const std::string& UPass() const noexcept { return FUPass; }
  // The 16-byte file key, also what the image writers encrypt with.
  const std::string& EncKey() const noexcept { return FEncKey; }
  int EncBits() const noexcept { return FEncBits; }

private:
  std::string FOPass;   // 32 bytes
  std::string FUPass;   // 32 bytes
  std::string FEncKey;  // 16 bytes
  int FEncBits = -4;
  std::string FFileID;  // the 16 bytes the identifier's digits denote
};
