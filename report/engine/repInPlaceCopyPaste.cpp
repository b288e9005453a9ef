// Copy and paste of object content (single objects and cell tables of several), the text
// editor's state and the data-field choice; their registration.
#include "report/engine/repInPlaceCopyPaste.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/rt/Events.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repGraphicUtils.h"
#include "report/engine/repUnicodeUtils.h"

// ---------------------------------------------------------------------------------------------
// Clipboard

bool TrepClipboard::HasText() const {
  std::lock_guard<std::mutex> L(FLock);
  return FHasText;
}

std::u16string TrepClipboard::Text() const {
  std::lock_guard<std::mutex> L(FLock);
  return FText;
}

void TrepClipboard::SetText(std::u16string Value) {
  std::lock_guard<std::mutex> L(FLock);
  FText = std::move(Value);
  FHasText = true;
}

bool TrepClipboard::HasPicture() const {
  std::lock_guard<std::mutex> L(FLock);
  return FPicture.HasGraphic();
}

void TrepClipboard::GetPicture(gfx::TPicture& Dest) const {
  std::lock_guard<std::mutex> L(FLock);
  Dest.Assign(FPicture);
}

void TrepClipboard::SetPicture(const gfx::TPicture& Value) {
  std::lock_guard<std::mutex> L(FLock);
  FPicture.Assign(Value);
}

void TrepClipboard::Clear() {
  std::lock_guard<std::mutex> L(FLock);
  FText.clear();
  FHasText = false;
  FPicture.Clear();
}

namespace {
thread_local TrepClipboard* GScopedClipboard = nullptr;
}  // namespace

TrepClipboard& repClipboard() {
  if (GScopedClipboard != nullptr) return *GScopedClipboard;
  static TrepClipboard C;
  return C;
}

TrepClipboardScope::TrepClipboardScope(TrepClipboard& Own) : FPrevious(GScopedClipboard) { GScopedClipboard = &Own; }

TrepClipboardScope::~TrepClipboardScope() { GScopedClipboard = FPrevious; }

namespace {

void WriteUtf16(rt::TStream& S, std::u16string_view Text) {
  std::string Bytes;
  Bytes.reserve(Text.size() * 2);
  for (char16_t C : Text) {
    Bytes += static_cast<char>(C & 0xFF);
    Bytes += static_cast<char>(C >> 8);
  }
  if (!Bytes.empty()) S.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
}

std::u16string ReadUtf16(rt::TMemoryStream& S) {
  const auto* P = static_cast<const unsigned char*>(S.Memory());
  const std::size_t N = static_cast<std::size_t>(S.Size()) / 2;
  std::u16string R(N, u'\0');
  for (std::size_t I = 0; I < N; ++I) R[I] = static_cast<char16_t>(P[2 * I] | (P[2 * I + 1] << 8));
  return R;
}

// "1" + the value with two decimals in nine places, or "0" + the negated value when negative:
// sorting the keys puts objects top to bottom, then left to right.
std::string SortPart(double V) {
  char Buf[64];
  if (V < 0) std::snprintf(Buf, sizeof Buf, "0%9.2f", -V);
  else std::snprintf(Buf, sizeof Buf, "1%9.2f", V);
  return Buf;
}

struct TCell {
  TrepComponent* Obj;
  std::string Key;
};

// The selected report objects in reading order. Objects at the same place keep their order.
std::vector<TrepComponent*> ReadingOrder(TrepSelectedObjectsList& L) {
  std::vector<TCell> Cells;
  for (int I = 0; I < L.Count(); ++I)
    if (auto* C = dynamic_cast<TrepComponent*>(L.Items(I)))
      Cells.push_back({C, SortPart(C->AbsTop()) + SortPart(C->AbsLeft())});
  std::stable_sort(Cells.begin(), Cells.end(), [](const TCell& A, const TCell& B) { return A.Key < B.Key; });
  std::vector<TrepComponent*> R;
  for (const TCell& C : Cells) R.push_back(C.Obj);
  return R;
}

// Sets the record's selection list aside for the duration, also on failure.
class TSelectionAside {
public:
  explicit TSelectionAside(TrepInteractiveEventsParams& P) : FP(P), FSaved(P.SelectionList) { P.SelectionList = nullptr; }
  ~TSelectionAside() { FP.SelectionList = FSaved; }
  TSelectionAside(const TSelectionAside&) = delete;
  TSelectionAside& operator=(const TSelectionAside&) = delete;

private:
  TrepInteractiveEventsParams& FP;
  TrepSelectedObjectsList* FSaved;
};

struct TBox {
  double Top = 0, Bottom = 0, Left = 0, Right = 0;
  void Row(const TrepComponent* C) {
    Top = C->AbsTop();
    Bottom = C->AbsTop() + C->Height();
    Column(C);
  }
  void Column(const TrepComponent* C) {
    Left = C->AbsLeft();
    Right = C->AbsLeft() + C->Width();
  }
  bool InRow(const TrepComponent* C) const { return C->AbsTop() >= Top && C->AbsTop() < Bottom; }
  bool InColumn(const TrepComponent* C) const { return C->AbsLeft() >= Left && C->AbsLeft() < Right; }
};

// Reads cells from a clipboard text: up to a TAB, or up to a CR LF pair.
class TCellReader {
public:
  explicit TCellReader(const std::u16string& T) : FText(T) {}
  // The next cell; EndedByTab tells how it ended.
  std::u16string Next(bool& EndedByTab) {
    EndedByTab = false;
    std::size_t I = FPos;
    while (I < FText.size()) {
      if (FText[I] == u'\t') {
        std::u16string Cell = FText.substr(FPos, I - FPos);
        FPos = I + 1;
        EndedByTab = true;
        return Cell;
      }
      if (FText[I] == u'\r' && I + 1 < FText.size() && FText[I + 1] == u'\n') {
        std::u16string Cell = FText.substr(FPos, I - FPos);
        FPos = I + 2;
        return Cell;
      }
      ++I;
    }
    std::u16string Cell = FText.substr(FPos);
    FPos = FText.size();
    return Cell;
  }
  // The rest of the current line, separator included, without giving a cell.
  void SkipLine() {
    const std::size_t E = FText.find(u"\r\n", FPos);
    FPos = E == std::u16string::npos ? FText.size() : E + 2;
  }

private:
  const std::u16string& FText;
  std::size_t FPos = 0;
};

void PasteCell(TrepComponentEditorsManager* M, TrepComponent* Obj, TrepInteractiveEventsParams& P,
               const std::u16string& Cell) {
  if (M == nullptr) return;
  rt::TMemoryStream S;
  const unsigned char Mark[2] = {0xFF, 0xFE};
  S.WriteBuffer(Mark, 2);
  WriteUtf16(S, Cell);
  M->PasteContent(Obj, P, &S, cptText);
}

bool GroupMode(const TrepInteractiveEventsParams& P) {
  return P.SelectionList != nullptr && P.SelectionList->Count() > 1 && P.EditorsList != nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Group copy and paste

void TrepInPlaceBaseCopyPasteEditor::CopyGoupContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams,
                                                     rt::TStream* Buffer, TrepCopyPasteType CopyAs) {
  if (!GroupMode(EventParams)) {
    TrepInPlaceEditor::CopyGoupContent(CopyFrom, EventParams, Buffer, CopyAs);
    return;
  }
  const std::vector<TrepComponent*> Objs = ReadingOrder(*EventParams.SelectionList);
  if (Objs.empty()) return;
  TSelectionAside Aside(EventParams);
  rt::TMemoryStream S;
  TBox Box;
  TrepComponentEditorsManager* M = nullptr;
  for (std::size_t I = 0; I < Objs.size(); ++I) {
    TrepComponent* C = Objs[I];
    if (I == 0 || C->ClassType() != Objs[I - 1]->ClassType()) M = EventParams.EditorsList->Find(C->ClassName());
    if (I == 0) {
      Box.Row(C);
    } else {
      if (!Box.InRow(C)) {
        Box.Row(C);
        WriteUtf16(S, u"\r\n");
      }
      if (!Box.InColumn(C)) {
        Box.Column(C);
        WriteUtf16(S, u"\t");
      }
    }
    if (M != nullptr) M->CopyContent(C, EventParams, &S, cptText);
  }
  repClipboard().SetText(ReadUtf16(S));
}

void TrepInPlaceBaseCopyPasteEditor::PasteGoupContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                                                      rt::TStream* Buffer, TrepCopyPasteType PasteAs) {
  if (!GroupMode(EventParams)) {
    TrepInPlaceEditor::PasteGoupContent(PasteTo, EventParams, Buffer, PasteAs);
    return;
  }
  const std::vector<TrepComponent*> Objs = ReadingOrder(*EventParams.SelectionList);
  if (Objs.empty()) return;
  TSelectionAside Aside(EventParams);
  const std::u16string Text = repClipboard().Text();
  if (Text.size() > repMaxClipboardText) return;
  TCellReader Reader(Text);
  TBox Box;
  TrepComponentEditorsManager* M = nullptr;
  bool LastByTab = false;
  for (std::size_t I = 0; I < Objs.size(); ++I) {
    TrepComponent* C = Objs[I];
    if (I == 0 || C->ClassType() != Objs[I - 1]->ClassType()) M = EventParams.EditorsList->Find(C->ClassName());
    if (I == 0) {
      Box.Row(C);
      PasteCell(M, C, EventParams, Reader.Next(LastByTab));
      continue;
    }
    bool Takes = false;
    std::u16string Cell;
    if (Box.InRow(C)) {
      if (!Box.InColumn(C) && LastByTab) {
        Box.Column(C);
        Cell = Reader.Next(LastByTab);
        Takes = true;
      }
    } else {
      Box.Row(C);
      if (LastByTab) Reader.SkipLine();
      Cell = Reader.Next(LastByTab);
      Takes = true;
    }
    if (Takes && !Cell.empty()) PasteCell(M, C, EventParams, Cell);
  }
}

// ---------------------------------------------------------------------------------------------
// Text objects

void TrepInPlaceMemoCopyPasteEditor::CopyContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams,
                                                 rt::TStream* Buffer, TrepCopyPasteType CopyAs) {
  (void)EventParams;
  auto* Memo = dynamic_cast<TrepCustomMemoView*>(CopyFrom);
  if (Memo == nullptr || CopyAs != cptText) return;
  if (Buffer == nullptr) {
    repClipboard().SetText(Memo->Text());
    return;
  }
  std::u16string Joined;
  for (int I = 0; I < Memo->Lines().Count(); ++I) {
    if (I > 0) Joined += u' ';
    Joined += Memo->Lines()[I];
  }
  WriteUtf16(*Buffer, Joined);
}

void TrepInPlaceMemoCopyPasteEditor::PasteContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                                                  rt::TStream* Buffer, TrepCopyPasteType PasteAs) {
  (void)PasteAs;
  EventParams.Refresh = true;
  EventParams.Modified = true;
  auto* Memo = dynamic_cast<TrepCustomMemoView*>(PasteTo);
  if (Memo == nullptr) return;
  if (Buffer == nullptr || EventParams.SelectionList != nullptr) {
    const std::u16string T = repClipboard().Text();
    if (T.size() <= repMaxClipboardText) Memo->SetText(T);
    return;
  }
  Buffer->SetPosition(0);
  Memo->Lines().LoadFromStream(*Buffer);
}

bool TrepInPlaceMemoCopyPasteEditor::IsPasteAvailable(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                                                      TrepCopyPasteType PasteAs) {
  (void)PasteTo, (void)EventParams, (void)PasteAs;
  return repClipboard().HasText();
}

// ---------------------------------------------------------------------------------------------
// Picture objects

void TrepInPlacePictureCopyPasteEditor::CopyContent(TrepComponent* CopyFrom, TrepInteractiveEventsParams& EventParams,
                                                    rt::TStream* Buffer, TrepCopyPasteType CopyAs) {
  (void)EventParams, (void)Buffer, (void)CopyAs;
  if (auto* P = dynamic_cast<TrepPictureView*>(CopyFrom)) repClipboard().SetPicture(P->Picture());
}

void TrepInPlacePictureCopyPasteEditor::PasteContent(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                                                     rt::TStream* Buffer, TrepCopyPasteType PasteAs) {
  (void)Buffer, (void)PasteAs;
  if (dynamic_cast<TrepPictureView*>(PasteTo) != nullptr) {
    TrepSelectedObjectsList* L = EventParams.SelectionList;
    if (L != nullptr && L->Count() > 1) {
      for (int I = 0; I < L->Count(); ++I)
        if (auto* P = dynamic_cast<TrepPictureView*>(L->Items(I))) repClipboard().GetPicture(P->Picture());
    } else {
      repClipboard().GetPicture(static_cast<TrepPictureView*>(PasteTo)->Picture());
    }
  }
  EventParams.Refresh = true;
  EventParams.Modified = true;
}

bool TrepInPlacePictureCopyPasteEditor::IsPasteAvailable(TrepComponent* PasteTo, TrepInteractiveEventsParams& EventParams,
                                                         TrepCopyPasteType PasteAs) {
  (void)PasteTo, (void)EventParams, (void)PasteAs;
  return repClipboard().HasPicture();
}

// ---------------------------------------------------------------------------------------------
// The text editor

bool TrepInPlaceMemoEditor::DoMouseUp(int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                                      TrepInteractiveEventsParams& EventParams) {
  const bool Result = TrepInPlaceEditor::DoMouseUp(X, Y, Button, Shift, EventParams);
  OnFinishInPlace = EventParams.OnFinish;
  EditInPlaceDone();
  if (FComponent == nullptr) return Result;
  const bool InPreview = EventParams.EventSender == esPreview && (Shift & rt::ssAlt) != 0 &&
                         !FComponent->Restrictions().Contains(rfDontEditInPreview);
  if (EventParams.EditMode || InPreview) EditInPlace();
  return Result;
}

void TrepInPlaceMemoEditor::EditInPlace() {
  auto* Memo = dynamic_cast<TrepCustomMemoView*>(FComponent);
  if (Memo == nullptr) return;
  const double S = FScale;
  const int OX = RoundHalfEven(FOffsetX), OY = RoundHalfEven(FOffsetY);
  FBounds = {RoundHalfEven(Memo->AbsLeft() * S) + OX, RoundHalfEven(Memo->AbsTop() * S) + OY,
             RoundHalfEven((Memo->AbsLeft() + Memo->Width()) * S + 1) + OX,
             RoundHalfEven((Memo->AbsTop() + Memo->Height()) * S + 1) + OY};
  FWordWrap = Memo->WordWrap;
  FAlignment = Memo->HAlign == haLeft ? taLeftJustify : Memo->HAlign == haRight ? taRightJustify : taCenter;
  FEditText = Memo->Text();
  if (!FEditText.empty() && FEditText.back() == u'\n')
    FEditText.resize(FEditText.size() >= 2 ? FEditText.size() - 2 : 0);
  FFontHeight = RoundHalfEven(Memo->Font().Height() * S);
  FColor = Memo->Color() == gfx::clNone ? gfx::clWhite : Memo->Color();
  FVisible = true;
  FModified = false;
  FEdited = false;
}

void TrepInPlaceMemoEditor::Commit() {
  if (FModified) {
    if (auto* Memo = dynamic_cast<TrepCustomMemoView*>(FComponent)) Memo->SetText(FEditText);
    DoFinishInPlace(FComponent, true, true);
    FModified = false;
    FEdited = true;
  }
  FVisible = false;
}

void TrepInPlaceMemoEditor::Discard() {
  FModified = false;
  Commit();
}

bool TrepInPlaceMemoEditor::EditInPlaceDone() {
  Commit();
  return FEdited;
}

void TrepInPlaceMemoEditor::FinalizeUI(TrepInteractiveEventsParams& EventParams) {
  TrepInPlaceEditor::FinalizeUI(EventParams);
  const bool Done = EditInPlaceDone();
  EventParams.Refresh = EventParams.Refresh || Done;
}

// ---------------------------------------------------------------------------------------------
// The data-field editor

TrepDataSet* TrepInPlaceDataFiledEditor::DataSetOf(TrepComponent* Obj) {
  for (TrepComponent* P = Obj != nullptr ? Obj->Parent() : nullptr; P != nullptr; P = P->Parent())
    if (auto* B = dynamic_cast<TrepDataBand*>(P)) return B->DataSet();
  return nullptr;
}

int TrepInPlaceDataFiledEditor::ButtonSize(int DevicePPI, int RectHeight) {
  int A = RoundHalfEven(DevicePPI * 16 / 96.0);
  if (RectHeight < A && A > 16) A = RectHeight;
  return A - A % 2;
}

std::vector<std::string> TrepInPlaceDataFiledEditor::FieldList() {
  std::vector<std::string> R;
  if (TrepDataSet* D = DataSetOf(FComponent)) {
    rt::TStringList L;
    D->GetFieldList(L);
    for (int I = 0; I < L.Count(); ++I) R.push_back(L[I]);
  }
  return R;
}

void TrepInPlaceDataFiledEditor::ChooseField(const std::string& Field) {
  auto* View = dynamic_cast<TrepView*>(FComponent);
  if (View == nullptr) return;
  TrepDataSet* D = DataSetOf(View);
  View->SetDataSet(D);
  View->DataField = Field;
  if (Components != nullptr)
    for (int I = 0; I < Components->Count(); ++I) {
      auto* V = dynamic_cast<TrepView*>(Components->Items(I));
      if (V == nullptr || V == View || V->ClassType() != View->ClassType()) continue;
      V->SetDataSet(D);
      V->DataField = Field;
    }
  FModified = true;
}

bool TrepInPlaceDataFiledEditor::DropNodes(const std::vector<TDroppedNode>& Nodes,
                                           TrepInteractiveEventsParams& EventParams) {
  auto* View = dynamic_cast<TrepView*>(FComponent);
  if (View == nullptr || Nodes.empty()) return false;
  auto* Memo = dynamic_cast<TrepCustomMemoView*>(View);
  TrepReport* R = View->Report();
  bool Result = false;
  bool First = true;
  // The expressions follow each other without a break; the text is written once at the end.
  std::u16string Text;
  auto ClearText = [&] {
    Text.clear();
    Memo->SetDataSet(nullptr);
    Memo->DataField.clear();
  };
  for (std::size_t K = Nodes.size(); K-- > 0; First = false) {
    const TDroppedNode& N = Nodes[K];
    EventParams.Refresh = true;
    EventParams.Modified = true;
    const std::string Alias = N.DataSet != nullptr && R != nullptr ? R->GetAlias(N.DataSet) : std::string();
    if (!Alias.empty()) {
      if (Nodes.size() == 1 || (Memo == nullptr && First)) {
        View->SetDataSet(N.DataSet);
        View->DataField = N.Text;
        return true;
      }
      if (Memo == nullptr) continue;
      if (First) ClearText();
      Text += rt::Utf8ToUtf16("[" + Alias + ".\"" + N.Text + "\"]");
      Result = true;
    } else if (Memo != nullptr) {
      if (First) ClearText();
      Text += rt::Utf8ToUtf16("[" + N.Text + "]");
      Result = true;
    }
  }
  if (Result && Memo != nullptr) Memo->SetText(Text);
  return Result;
}

bool TrepInPlaceDataFiledEditor::DoCustomDragOver(rt::TObject* Source, int X, int Y, TrepDragState State,
                                                  bool& Accept, TrepInteractiveEventsParams& EventParams) {
  (void)X, (void)Y, (void)State;
  if (dynamic_cast<TrepView*>(FComponent) == nullptr || dynamic_cast<TrepDataTreeSource*>(Source) == nullptr)
    return false;
  Accept = true;
  FDrawDragDrop = true;
  EventParams.Refresh = true;
  return true;
}

bool TrepInPlaceDataFiledEditor::DoCustomDragDrop(rt::TObject* Source, int X, int Y,
                                                  TrepInteractiveEventsParams& EventParams) {
  (void)X, (void)Y;
  FDrawDragDrop = false;
  if (auto* Tree = dynamic_cast<TrepDataTreeSource*>(Source)) return DropNodes(Tree->Selected, EventParams);
  if (auto* One = dynamic_cast<TrepDataTreeEventObject*>(Source)) {
    if (One->Sender == nullptr || One->Index < 0 || One->Index >= static_cast<int>(One->Sender->Selected.size()))
      return false;
    return DropNodes({One->Sender->Selected[static_cast<std::size_t>(One->Index)]}, EventParams);
  }
  return false;
}

void TrepInPlaceDataFiledEditor::FinalizeUI(TrepInteractiveEventsParams& EventParams) {
  TrepInPlaceEditor::FinalizeUI(EventParams);
  FDrawDragDrop = false;
}

// ---------------------------------------------------------------------------------------------
// The band editor

TrepBand* TrepInPlaceBandEditor::Band() const { return dynamic_cast<TrepBand*>(FComponent); }

gfx::TRect TrepInPlaceBandEditor::TitleStrip() const {
  const TrepBand* B = Band();
  if (B == nullptr) return {};
  return {RoundHalfEven(B->AbsLeft() * FScale), RoundHalfEven((B->AbsTop() - B->BandDesignHeader) * FScale),
          RoundHalfEven((B->AbsLeft() + B->Width()) * FScale), RoundHalfEven(B->AbsTop() * FScale)};
}

bool TrepInPlaceBandEditor::OverTitleStrip(int X, int Y) const {
  const TrepBand* B = Band();
  if (B == nullptr) return false;
  return B->AbsLeft() * FScale < X && X < (B->AbsLeft() + B->Width()) * FScale &&
         (B->AbsTop() - B->BandDesignHeader) * FScale < Y && Y < B->AbsTop() * FScale;
}

gfx::TPoint TrepInPlaceBandEditor::DropMarkPos() const {
  const TrepBand* B = Band();
  if (B == nullptr) return {};
  return {RoundHalfEven((B->AbsLeft() + B->Width()) * FScale / 2), TitleStrip().Top};
}

bool TrepInPlaceBandEditor::DoCustomDragOver(rt::TObject* Source, int X, int Y, TrepDragState State, bool& Accept,
                                             TrepInteractiveEventsParams& EventParams) {
  (void)State;
  EventParams.Refresh = true;
  FDrawDragDrop = dynamic_cast<TrepDataTreeSource*>(Source) != nullptr && OverTitleStrip(X, Y);
  if (FDrawDragDrop) Accept = true;
  return FDrawDragDrop;
}

bool TrepInPlaceBandEditor::DoCustomDragDrop(rt::TObject* Source, int X, int Y,
                                             TrepInteractiveEventsParams& EventParams) {
  auto* Tree = dynamic_cast<TrepDataTreeSource*>(Source);
  TrepBand* B = Band();
  if (!FDrawDragDrop || Tree == nullptr || B == nullptr) return false;
  TrepReport* R = B->Report();
  bool Result = false;
  for (std::size_t K = Tree->Selected.size(); K-- > 0;) {
    const TrepInPlaceDataFiledEditor::TDroppedNode& N = Tree->Selected[K];
    if (N.DataSet == nullptr || R == nullptr || R->GetAlias(N.DataSet).empty()) continue;
    Result = true;
    for (TrepComponent* C : B->Objects())
      if (C->IndexTag == static_cast<std::intptr_t>(K) + 1) {
        TrepDataTreeEventObject One(Tree, static_cast<int>(K));
        C->DragDrop(&One, X, Y, EventParams);
        break;
      }
  }
  return Result;
}

void TrepInPlaceBandEditor::DrawCustomEditor(gfx::TCanvas& Canvas, const gfx::TRect& R) {
  (void)R;
  if (FDrawDragDrop && Band() != nullptr) DrawPatternRect(Canvas, TitleStrip(), 0x808080);
}

void TrepInPlaceBandEditor::FinalizeUI(TrepInteractiveEventsParams& EventParams) {
  TrepInPlaceEditor::FinalizeUI(EventParams);
  EventParams.Refresh = FDrawDragDrop;
  FDrawDragDrop = false;
}

// ---------------------------------------------------------------------------------------------
// Registration

const TrepInPlaceEditorClassInfo repMemoCopyPasteEditorClass{
    "TrepInPlaceMemoCopyPasteEditor",
    [](rt::TClass C, rt::TObject* Owner) { return new TrepInPlaceMemoCopyPasteEditor(C, Owner); }};
const TrepInPlaceEditorClassInfo repPictureCopyPasteEditorClass{
    "TrepInPlacePictureCopyPasteEditor",
    [](rt::TClass C, rt::TObject* Owner) { return new TrepInPlacePictureCopyPasteEditor(C, Owner); }};
const TrepInPlaceEditorClassInfo repMemoEditorClass{
    "TrepInPlaceMemoEditor", [](rt::TClass C, rt::TObject* Owner) { return new TrepInPlaceMemoEditor(C, Owner); }};
const TrepInPlaceEditorClassInfo repDataFieldEditorClass{
    "TrepInPlaceDataFiledEditor",
    [](rt::TClass C, rt::TObject* Owner) { return new TrepInPlaceDataFiledEditor(C, Owner); }};
const TrepInPlaceEditorClassInfo repBandEditorClass{
    "TrepInPlaceBandEditor", [](rt::TClass C, rt::TObject* Owner) { return new TrepInPlaceBandEditor(C, Owner); }};

namespace {
std::mutex& InitLock() {
  static std::mutex L;
  return L;
}
int InitCount = 0;
} // namespace

void repInPlaceCopyPasteInitialization() {
  std::lock_guard<std::mutex> L(InitLock());
  if (InitCount++ > 0) return;
  TrepComponentEditorsClasses& R = ComponentEditorsRegistry();
  const TrepComponentEditorVisibility Both{evPreview, evDesigner}, Designer{evDesigner};
  R.Register(TrepMemoView::ClassInfo(), {&repMemoCopyPasteEditorClass}, {Both});
  R.Register(TrepPictureView::ClassInfo(), {&repPictureCopyPasteEditorClass}, {Both});
  R.Register(TrepMemoView::ClassInfo(), {&repDataFieldEditorClass, &repMemoEditorClass}, {Designer, Both});
  R.Register(TrepPictureView::ClassInfo(), {&repDataFieldEditorClass}, {Designer});
  R.Register(TrepMasterData::ClassInfo(), {&repBandEditorClass}, {Designer});
}

void repInPlaceCopyPasteFinalization() {
  std::lock_guard<std::mutex> L(InitLock());
  if (InitCount == 0 || --InitCount > 0) return;
  TrepComponentEditorsClasses& R = ComponentEditorsRegistry();
  for (const TrepInPlaceEditorClassInfo* E : {&repMemoCopyPasteEditorClass, &repPictureCopyPasteEditorClass,
                                              &repMemoEditorClass, &repDataFieldEditorClass, &repBandEditorClass})
    R.UnRegisterEditor(E);
  // A class left without editors leaves the registry.
  for (rt::TClass C : {TrepMemoView::ClassInfo(), TrepPictureView::ClassInfo(), TrepMasterData::ClassInfo()})
    if (const TrepComponentEditorsRegItem* I = R.Item(C->ClassName()); I != nullptr && I->EditorClasses.empty())
      R.UnRegister(C);
}
