#pragma once
// INI files of the runtime layer: "[Section]" headers followed by "Name=Value" lines. Section and
// value names are compared ignoring letter case (ASCII). TMemIniFile keeps the file in memory and
// writes it on UpdateFile; TIniFile writes the file after every change.
#include <string>
#include <vector>

#include "platform/rt/Classes.h"

namespace rt {

class TCustomIniFile : public TObject {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }

  explicit TCustomIniFile(std::string AFileName) : FFileName(std::move(AFileName)) {}
  const std::string& FileName() const { return FFileName; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;
  // Names of the section's values in file order.
  virtual void ReadSection(const std::string& Section, TStrings& Strings) const = 0;
  virtual void ReadSections(TStrings& Strings) const = 0;
  // The section's "Name=Value" lines.
  virtual void ReadSectionValues(const std::string& Section, TStrings& Strings) const = 0;
  virtual void EraseSection(const std::string& Section) = 0;
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
  virtual void UpdateFile() = 0;

  // The typed values fall back to Default when the text is missing or not of the type.
  // Integers may be written in hexadecimal ("0x1F" or "$1F").
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  // Written as "1" / "0"; any integer other than 0 reads as true.
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  double ReadFloat(const std::string& Section, const std::string& Ident, double Default) const;
  void WriteFloat(const std::string& Section, const std::string& Ident, double Value);
  double ReadDate(const std::string& Section, const std::string& Ident, double Default) const;
  void WriteDate(const std::string& Section, const std::string& Ident, double Value);
  double ReadTime(const std::string& Section, const std::string& Ident, double Default) const;
  void WriteTime(const std::string& Section, const std::string& Ident, double Value);
  double ReadDateTime(const std::string& Section, const std::string& Ident, double Default) const;
  void WriteDateTime(const std::string& Section, const std::string& Ident, double Value);
  // Bytes as hexadecimal text. Writing takes the stream from its position to its end; reading
  // puts the bytes at the stream's position, leaves the position where it was and returns the
  // byte count. EConvertError "Invalid binary value" for text that is not hexadecimal pairs.
  int ReadBinaryStream(const std::string& Section, const std::string& Ident, TStream& Value) const;
  void WriteBinaryStream(const std::string& Section, const std::string& Ident, TStream& Value);
  bool SectionExists(const std::string& Section) const;
  bool ValueExists(const std::string& Section, const std::string& Ident) const;

protected:
  std::string FFileName;
};

class TMemIniFile : public TCustomIniFile {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }

  // Loads the file when it exists; an empty name or a missing file gives an empty object.
  explicit TMemIniFile(std::string AFileName);

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) const override;
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
  void ReadSection(const std::string& Section, TStrings& Strings) const override;
  void ReadSections(TStrings& Strings) const override;
  void ReadSectionValues(const std::string& Section, TStrings& Strings) const override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  // Writes the file (nothing when the name is empty).
  void UpdateFile() override;

  void Clear();
  // The whole content as file lines: each section's header, its lines, then an empty line.
  void GetStrings(TStrings& List) const;
  // Replaces the content with the parsed lines.
  void SetStrings(const TStrings& List);
  // Changes the file name; Reload replaces the content with that file's (empty when missing).
  void Rename(const std::string& AFileName, bool Reload);

protected:
  // After every change; TIniFile writes the file.
  virtual void Changed() {}

private:
  struct Section {
    std::string Name;
    std::vector<std::string> Lines;  // "Name=Value", in file order
  };
  const Section* FindSection(const std::string& Name) const;
  Section* FindSection(const std::string& Name);
  static int IndexOfName(const Section& S, const std::string& Ident);
  void Load();
  void Parse(const TStrings& List);
  std::vector<Section> FSections;
};

class TIniFile : public TMemIniFile {
public:
  static const TClassInfo* ClassInfo();
  const TClassInfo* ClassType() const override { return ClassInfo(); }
  using TMemIniFile::TMemIniFile;

protected:
  void Changed() override { UpdateFile(); }
};

} // namespace rt
