#pragma once
// Named styles memos take their font, fill and frame from (repClassStyles.cpp).
#include "report/engine/repClassFill.h"
#include "report/engine/repCollections.h"

class TrepReport;
class TrepXMLItem;

// ---- Styles ----

// A named set of font, fill and frame that memos take.
class TrepStyleItem : public TrepCollectionItem {
public:
  RT_CLASS_INFO(TrepStyleItem)
  explicit TrepStyleItem(rt::TCollection* ACollection);
  // Name, fill type and fill, font, frame, the three Apply flags and the inherited mark.
  void Assign(const rt::TObject& Source);
  const std::string& Name() const { return FName; }
  // Another item of the collection with that name (letter case ignored) raises ("clDupName").
  void SetName(const std::string& Value);
  // "Style" and the smallest free number.
  void CreateUniqueName();
  gfx::TColor Color() const;
  void SetColor(gfx::TColor Value);
  TrepFillType FillType() const { return FillTypeOf(FFill.get()); }
  void SetFillType(TrepFillType Value);
  TrepCustomFill* Fill() const { return FFill.get(); }
  void SetFill(const TrepCustomFill& Value);
  gfx::TFont& Font() { return FFont; }
  const gfx::TFont& Font() const { return FFont; }
  void SetFont(const gfx::TFont& Value) { FFont.Assign(Value); }
  TrepFrame& Frame() { return FFrame; }
  const TrepFrame& Frame() const { return FFrame; }
  void SetFrame(const TrepFrame& Value) { FFrame.Assign(Value); }
  bool ApplyFont = true, ApplyFill = true, ApplyFrame = true;

private:
  std::string FName;
  gfx::TFont FFont;
  TrepFrame FFrame;
  std::unique_ptr<TrepCustomFill> FFill;
};

class TrepStyles : public TrepCollection {
public:
  explicit TrepStyles(TrepReport* AReport);
  TrepReport* Report() const { return FReport; }
  TrepStyleItem* Add() { return static_cast<TrepStyleItem*>(TrepCollection::Add()); }
  TrepStyleItem* Items(int Index) const { return static_cast<TrepStyleItem*>(TrepCollection::Items(Index)); }
  TrepStyleItem* operator[](int Index) const { return Items(Index); }
  // Letter case ignored; nullptr when none.
  TrepStyleItem* Find(const std::string& Name) const;
  void GetList(rt::TStrings& List) const;
  // Every memo of the report whose style exists takes it again; the others forget their style.
  void Apply();
  // Names and styles (and Apply), from other styles only.
  void Assign(const TrepStyles& Source);
  void LoadFromXMLItem(TrepXMLItem* Item, bool OldXMLFormat);
  void SaveToXMLItem(TrepXMLItem* Item) const;
  // A document whose root is not "style" leaves the collection empty.
  void LoadFromStream(rt::TStream& Stream);
  void SaveToStream(rt::TStream& Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;
  std::string Name;

private:
  TrepReport* FReport;
};
