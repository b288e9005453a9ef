#pragma once
// The runtime's component streaming format: typed values (TValueType) in a byte stream, and the
// filers through which an object reads and writes data kept outside its published properties
// ("defined properties"). A property entry is its name as a short string followed by one value.
//
//   void TThing::DefineProperties(rt::TFiler& Filer) {
//     Filer.DefineProperty("Items", [this](rt::TReader& R) { ... }, [this](rt::TWriter& W) { ... },
//                          !FItems.empty());
//   }
//
// Numbers are little-endian. 8-bit strings are in the system code page (Unicode.h).
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/rt/Classes.h"

namespace rt {

enum TValueType : std::uint8_t {
  vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
  vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
  vaInt64, vaUTF8String, vaDouble
};

class TReader;
class TWriter;
using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;

class TFiler : public TObject {
public:
  explicit TFiler(TStream& Stream) : FStream(Stream) {}
  TStream& Stream() { return FStream; }
  // The object the written one descends from, so that only differences need writing; nullptr
  // when there is none.
  TObject* Ancestor = nullptr;
  // A writer writes the entry when HasData; a reader calls ReadData when Name is the entry it
  // is reading.
  virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                              const TWriterProc& WriteData, bool HasData) = 0;

private:
  TStream& FStream;
};

class TWriter : public TFiler {
public:
  explicit TWriter(TStream& Stream) : TFiler(Stream) {}
  // Prepended to the names of defined properties (e.g. "Lines." for a sub-object).
  std::string PropPath;

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;

  void WriteValue(TValueType Value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // Length byte and 8-bit bytes; EWriteError beyond 255 bytes.
  void WriteStr(std::string_view S);
  // The shorter of the UTF-8 (vaUTF8String) and UTF-16 (vaWString) forms.
  void WriteString(std::u16string_view S);
  void WriteUTF8Str(std::u16string_view S);
  void WriteWideString(std::u16string_view S);
  // 8-bit text in the system code page, vaString up to 255 bytes, vaLString beyond.
  void WriteAnsiString(std::u16string_view S);
  // The smallest of vaInt8, vaInt16, vaInt32, vaInt64 that holds Value.
  void WriteInteger(std::int64_t Value);
  void WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }
  void WritePropName(std::string_view Name) { WriteStr(PropPath + std::string(Name)); }

private:
  void WriteBytes(const void* Buffer, std::int64_t Count) { Stream().WriteBuffer(Buffer, Count); }
};

// Reading errors raise EReadError: "Stream read error" at the end of the data (also before
// anything is allocated for a stored length the stream cannot hold), "Invalid property value" for
// a value of the wrong type, "Property X does not exist" for an entry nobody defines.
class TReader : public TFiler {
public:
  // Lists and collections nested deeper than this raise "Invalid property value" when skipped.
  static constexpr int MaxNesting = 256;

  explicit TReader(TStream& Stream) : TFiler(Stream) {}

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;

  TValueType ReadValue();
  // The type of the next value, without consuming it.
  TValueType NextValue();
  void CheckValue(TValueType Value);
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  bool EndOfList() { return NextValue() == vaNull; }
  std::string ReadStr();
  // Any string value: 8-bit ones through the system code page.
  std::u16string ReadString();
  std::u16string ReadWideString() { return ReadString(); }
  // The bytes of an 8-bit or UTF-8 string value as stored.
  std::string ReadRawString();
  std::int64_t ReadInteger();
  bool ReadBoolean();
  void SkipValue();
  // Reads one property entry: its name, then DefineProperties(*this) must consume the value.
  void ReadProperty(const std::function<void(TFiler&)>& DefineProperties);
  // True when the stream holds no further byte.
  bool AtEnd() { return Stream().Position() >= Stream().Size(); }

private:
  void ReadBytes(void* Buffer, std::int64_t Count) { Stream().ReadBuffer(Buffer, Count); }
  // EReadError unless Count more bytes remain.
  void CheckRemaining(std::int64_t Count);
  void SkipValue(int Depth);
  std::string FPropName;
  bool FPropHandled = false;
};

} // namespace rt
