// Named styles of a report and how memos take them.
#include "platform/rt/Unicode.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repClassStyles.h"
#include "report/engine/repClassProps.h"
#include "report/engine/repRes.h"
#include "report/engine/repXML.h"
#include "report/engine/repXMLSerializer.h"

namespace {
bool SameName(const std::string& A, const std::string& B) { return rt::Utf8CompareText(A, B) == 0; }
} // namespace

void TrepCustomMemoView::ApplyStyle(const TrepStyleItem& Item) {
  if (Item.ApplyFont) SetFont(Item.Font());
  if (Item.ApplyFill) SetFill(*Item.Fill());
  if (Item.ApplyFrame) SetFrame(Item.Frame());
}

TrepStyleItem::TrepStyleItem(rt::TCollection* ACollection)
    : TrepCollectionItem(ACollection), FFill(CreateFill(ftBrush)) {
  FFont.SetName("Arial");
  FFont.SetSize(10);
}

void TrepStyleItem::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepStyleItem*>(&Source);
  if (S == nullptr || S == this) return;
  FName = S->FName;
  SetFill(*S->FFill);
  FFont.Assign(S->FFont);
  FFrame.Assign(S->FFrame);
  ApplyFont = S->ApplyFont;
  ApplyFill = S->ApplyFill;
  ApplyFrame = S->ApplyFrame;
  SetIsInherited(S->IsInherited());
}

void TrepStyleItem::SetName(const std::string& Value) {
  if (auto* Owner = dynamic_cast<TrepStyles*>(Collection()))
    for (int I = 0; I < Owner->Count(); ++I)
      if (Owner->Items(I) != this && SameName(Owner->Items(I)->Name(), Value))
        throw rt::Exception(ResourceTable().Get("clDupName"));
  FName = Value;
}

void TrepStyleItem::CreateUniqueName() {
  auto* Owner = dynamic_cast<TrepStyles*>(Collection());
  for (int N = 1;; ++N) {
    const std::string Candidate = "Style" + std::to_string(N);
    if (Owner == nullptr || Owner->Find(Candidate) == nullptr || Owner->Find(Candidate) == this) {
      FName = Candidate;
      return;
    }
  }
}

gfx::TColor TrepStyleItem::Color() const {
  if (auto* B = dynamic_cast<const TrepBrushFill*>(FFill.get())) return B->BackColor;
  if (auto* G = dynamic_cast<const TrepGradientFill*>(FFill.get())) return G->GetColor();
  return gfx::clNone;
}

void TrepStyleItem::SetColor(gfx::TColor Value) {
  if (auto* B = dynamic_cast<TrepBrushFill*>(FFill.get())) B->BackColor = Value;
}

void TrepStyleItem::SetFillType(TrepFillType Value) {
  if (FillType() != Value) FFill = CreateFill(Value);
}

void TrepStyleItem::SetFill(const TrepCustomFill& Value) {
  SetFillType(FillTypeOf(&Value));
  FFill->Assign(Value);
}

TrepStyles::TrepStyles(TrepReport* AReport)
    : TrepCollection([](rt::TCollection* C) { return new TrepStyleItem(C); }), FReport(AReport) {}

TrepStyleItem* TrepStyles::Find(const std::string& AName) const {
  for (int I = 0; I < Count(); ++I)
    if (SameName(Items(I)->Name(), AName)) return Items(I);
  return nullptr;
}

void TrepStyles::GetList(rt::TStrings& List) const {
  List.Clear();
  for (int I = 0; I < Count(); ++I) List.Add(Items(I)->Name());
}

void TrepStyles::Apply() {
  if (FReport == nullptr) return;
  for (TrepComponent* C : FReport->AllObjects())
    if (auto* M = dynamic_cast<TrepCustomMemoView*>(C)) {
      if (TrepStyleItem* S = Find(M->Style))
        M->ApplyStyle(*S);
      else
        M->Style.clear();
    }
}

void TrepStyles::Assign(const TrepStyles& Source) {
  if (&Source == this) return;
  Clear();
  Name = Source.Name;
  for (int I = 0; I < Source.Count(); ++I) Add()->Assign(*Source.Items(I));
}

void TrepStyles::LoadFromXMLItem(TrepXMLItem* Item, bool OldXMLFormat) {
  Clear();
  Name = rt::Utf16ToUtf8(Item->Prop("Name"));
  TrepXMLSerializer S(nullptr);
  S.SetOldFormat(OldXMLFormat);
  for (int I = 0; I < Item->Count(); ++I)
    if (SameName(Item->Items(I)->Name(), "item")) S.XMLToObj(Item->Items(I)->Text(), Add());
  Apply();
}

void TrepStyles::SaveToXMLItem(TrepXMLItem* Item) const {
  Item->SetName("style");
  Item->SetProp("Name", Name);
  TrepXMLSerializer S(nullptr);
  for (int I = 0; I < Count(); ++I) Item->Add("item")->SetText(S.ObjToXML(Items(I)));
}

void TrepStyles::LoadFromStream(rt::TStream& Stream) {
  Clear();
  TrepXMLDocument Doc;
  Doc.LoadFromStream(Stream);
  if (SameName(Doc.Root()->Name(), "style")) LoadFromXMLItem(Doc.Root(), Doc.OldVersion());
}

void TrepStyles::SaveToStream(rt::TStream& Stream) const {
  TrepXMLDocument Doc;
  Doc.SetAutoIndent(true);
  SaveToXMLItem(Doc.Root());
  Doc.SaveToStream(Stream);
}

void TrepStyles::LoadFromFile(const std::string& FileName) {
  rt::TFileStream Stream(FileName, rt::fmOpenRead);
  LoadFromStream(Stream);
}

void TrepStyles::SaveToFile(const std::string& FileName) const {
  rt::TFileStream Stream(FileName, rt::fmCreate);
  SaveToStream(Stream);
}

rt::TClass TrepStyleItem::ClassInfo() {
  using T = TrepStyleItem;
  auto As = [](rt::TObject* O) { return static_cast<T*>(O); };
  rt::TPropInfo FillType("FillType", rt::tkEnumeration, "TrepFillType",
                         [As](rt::TObject* O) { return rt::Variant(static_cast<int>(As(O)->FillType())); },
                         [As](rt::TObject* O, const rt::Variant& V) {
                           const int I = V.ToInteger();
                           if (I < ftBrush || I > ftGlass) throw rt::EConvertError("Invalid property value");
                           As(O)->SetFillType(static_cast<TrepFillType>(I));
                         });
  FillType.EnumNames = {"ftBrush", "ftGradient", "ftGlass"};
  static const rt::TClassInfo Info(
      "TrepStyleItem", TrepCollectionItem::ClassInfo(), [] { return new T(nullptr); },
      {rt::TPropInfo("Name", rt::tkString, "string", [As](rt::TObject* O) { return rt::Variant(As(O)->Name()); },
                     [As](rt::TObject* O, const rt::Variant& V) { As(O)->SetName(V.ToString()); }),
       rt::TPropInfo("Color", rt::tkInteger, "TColor", [As](rt::TObject* O) { return rt::Variant(As(O)->Color()); },
                     [As](rt::TObject* O, const rt::Variant& V) { As(O)->SetColor(V.ToInteger()); })
           .WithStored([](rt::TObject*) { return false; }),
       rt::TPropInfo("Font", rt::tkClass, "TFont", [As](rt::TObject* O) { return rt::VarFromObject(&As(O)->Font()); }),
       rt::TPropInfo("Frame", rt::tkClass, "TrepFrame", [As](rt::TObject* O) { return rt::VarFromObject(&As(O)->Frame()); }),
       repProp::Bool("ApplyFont", &T::ApplyFont, true), repProp::Bool("ApplyFill", &T::ApplyFill, true),
       repProp::Bool("ApplyFrame", &T::ApplyFrame, true), std::move(FillType).WithDefault(ftBrush),
       rt::TPropInfo("Fill", rt::tkClass, "TrepCustomFill", [As](rt::TObject* O) { return rt::VarFromObject(As(O)->Fill()); })});
  return &Info;
}
