#include "platform/rt/Streaming.h"

#include "platform/rt/Unicode.h"

namespace rt {

namespace {

[[noreturn]] void InvalidValue() { throw EReadError("Invalid property value"); }

std::int32_t CheckedLength(std::int32_t L) {
  if (L < 0) InvalidValue();
  return L;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TWriter

void TWriter::DefineProperty(const std::string& Name, const TReaderProc&, const TWriterProc& WriteData,
                             bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  WriteData(*this);
}

void TWriter::WriteValue(TValueType Value) {
  std::uint8_t B = Value;
  WriteBytes(&B, 1);
}

void TWriter::WriteStr(std::string_view S) {
  if (S.size() > 255) throw EWriteError("String too long for a short string");
  std::uint8_t L = static_cast<std::uint8_t>(S.size());
  WriteBytes(&L, 1);
  WriteBytes(S.data(), static_cast<std::int64_t>(S.size()));
}

void TWriter::WriteString(std::u16string_view S) {
  std::string Utf8 = Utf16ToUtf8(S);
  if (Utf8.size() < S.size() * 2)
    WriteUTF8Str(S);
  else
    WriteWideString(S);
}

void TWriter::WriteUTF8Str(std::u16string_view S) {
  std::string Utf8 = Utf16ToUtf8(S);
  WriteValue(vaUTF8String);
  std::int32_t L = static_cast<std::int32_t>(Utf8.size());
  WriteBytes(&L, 4);
  WriteBytes(Utf8.data(), L);
}

void TWriter::WriteWideString(std::u16string_view S) {
  WriteValue(vaWString);
  std::int32_t L = static_cast<std::int32_t>(S.size());
  WriteBytes(&L, 4);
  std::string Bytes;
  Bytes.reserve(S.size() * 2);
  for (char16_t C : S) {
    Bytes.push_back(static_cast<char>(C & 0xFF));
    Bytes.push_back(static_cast<char>(C >> 8));
  }
  WriteBytes(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

void TWriter::WriteAnsiString(std::u16string_view S) {
  std::string A = Utf16ToAnsi(S);
  if (A.size() <= 255) {
    WriteValue(vaString);
    WriteStr(A);
  } else {
    WriteValue(vaLString);
    std::int32_t L = static_cast<std::int32_t>(A.size());
    WriteBytes(&L, 4);
    WriteBytes(A.data(), L);
  }
}

void TWriter::WriteInteger(std::int64_t Value) {
  if (Value >= -128 && Value <= 127) {
    WriteValue(vaInt8);
    std::int8_t V = static_cast<std::int8_t>(Value);
    WriteBytes(&V, 1);
  } else if (Value >= -32768 && Value <= 32767) {
    WriteValue(vaInt16);
    std::int16_t V = static_cast<std::int16_t>(Value);
    WriteBytes(&V, 2);
  } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
    WriteValue(vaInt32);
    std::int32_t V = static_cast<std::int32_t>(Value);
    WriteBytes(&V, 4);
  } else {
    WriteValue(vaInt64);
    WriteBytes(&Value, 8);
  }
}

// ---------------------------------------------------------------------------------------------
// TReader

void TReader::DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc&,
                             bool) {
  if (FPropHandled || !ReadData || !SameText(Name, FPropName)) return;
  ReadData(*this);
  FPropHandled = true;
}

void TReader::CheckRemaining(std::int64_t Count) {
  if (Count > Stream().Size() - Stream().Position()) throw EReadError("Stream read error");
}

TValueType TReader::ReadValue() {
  std::uint8_t B;
  ReadBytes(&B, 1);
  if (B > vaDouble) InvalidValue();
  return static_cast<TValueType>(B);
}

TValueType TReader::NextValue() {
  TValueType V = ReadValue();
  Stream().Seek(-1, soCurrent);
  return V;
}

void TReader::CheckValue(TValueType Value) {
  if (ReadValue() != Value) InvalidValue();
}

std::string TReader::ReadStr() {
  std::uint8_t L;
  ReadBytes(&L, 1);
  std::string S(L, '\0');
  ReadBytes(S.data(), L);
  return S;
}

std::string TReader::ReadRawString() {
  switch (ReadValue()) {
    case vaString: return ReadStr();
    case vaLString:
    case vaUTF8String: {
      std::int32_t L;
      ReadBytes(&L, 4);
      CheckRemaining(CheckedLength(L));
      std::string S(static_cast<std::size_t>(L), '\0');
      ReadBytes(S.data(), L);
      return S;
    }
    default: InvalidValue();
  }
}

std::u16string TReader::ReadString() {
  switch (NextValue()) {
    case vaString:
    case vaLString: return AnsiToUtf16(ReadRawString());
    case vaUTF8String: return Utf8ToUtf16(ReadRawString());
    case vaWString: {
      ReadValue();
      std::int32_t L;
      ReadBytes(&L, 4);
      CheckRemaining(std::int64_t{CheckedLength(L)} * 2);
      std::string Bytes(static_cast<std::size_t>(L) * 2, '\0');
      ReadBytes(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
      std::u16string S(static_cast<std::size_t>(L), u'\0');
      for (std::size_t I = 0; I < S.size(); ++I)
        S[I] = static_cast<char16_t>(static_cast<unsigned char>(Bytes[2 * I]) |
                                     (static_cast<unsigned char>(Bytes[2 * I + 1]) << 8));
      return S;
    }
    default: ReadValue(); InvalidValue();
  }
}

std::int64_t TReader::ReadInteger() {
  switch (ReadValue()) {
    case vaInt8: { std::int8_t V; ReadBytes(&V, 1); return V; }
    case vaInt16: { std::int16_t V; ReadBytes(&V, 2); return V; }
    case vaInt32: { std::int32_t V; ReadBytes(&V, 4); return V; }
    case vaInt64: { std::int64_t V; ReadBytes(&V, 8); return V; }
    default: InvalidValue();
  }
}

bool TReader::ReadBoolean() {
  switch (ReadValue()) {
    case vaTrue: return true;
    case vaFalse: return false;
    default: InvalidValue();
  }
}

void TReader::SkipValue() { SkipValue(0); }

void TReader::SkipValue(int Depth) {
  auto Skip = [this](std::int64_t N) {
    CheckRemaining(N);
    Stream().Seek(N, soCurrent);
  };
  const TValueType Next = NextValue();
  if ((Next == vaList || Next == vaCollection) && Depth >= MaxNesting) InvalidValue();
  switch (Next) {
    case vaList:
      ReadValue();
      while (!EndOfList()) SkipValue(Depth + 1);
      ReadListEnd();
      return;
    case vaString:
    case vaLString:
    case vaUTF8String:
    case vaWString: ReadString(); return;
    case vaInt8: case vaInt16: case vaInt32: case vaInt64: ReadInteger(); return;
    case vaIdent: ReadValue(); ReadStr(); return;
    case vaExtended: ReadValue(); Skip(10); return;
    case vaDouble: case vaCurrency: case vaDate: ReadValue(); Skip(8); return;
    case vaSingle: ReadValue(); Skip(4); return;
    case vaBinary: {
      ReadValue();
      std::int32_t L;
      ReadBytes(&L, 4);
      Skip(CheckedLength(L));
      return;
    }
    case vaSet:
      ReadValue();
      while (!ReadStr().empty()) {}
      return;
    case vaCollection:
      ReadValue();
      while (!EndOfList()) {
        if (NextValue() >= vaInt8 && NextValue() <= vaInt32) ReadInteger();
        ReadListBegin();
        while (!EndOfList()) { ReadStr(); SkipValue(Depth + 1); }
        ReadListEnd();
      }
      ReadListEnd();
      return;
    default: ReadValue(); return;  // vaNull, vaFalse, vaTrue, vaNil
  }
}

void TReader::ReadProperty(const std::function<void(TFiler&)>& DefineProperties) {
  FPropName = ReadStr();
  FPropHandled = false;
  DefineProperties(*this);
  if (!FPropHandled) throw EReadError("Property " + FPropName + " does not exist");
  FPropName.clear();
}

} // namespace rt
