// The memo object: its text, the expressions in it, display formats, highlights, repeated
// values and the post-processing dictionary.
#include <cmath>

#include "platform/rt/DateUtils.h"
#include "platform/rt/Format.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repClassStyles.h"
#include "report/engine/repExpression.h"
#include "report/engine/repPostProcessor.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"

namespace {

// The longest number a display format may carry (a width or precision); anything beyond is
// not a format a report needs and is printed unformatted.
constexpr int kMaxFormatNumber = 255;

bool HasOversizedNumber(const std::string& F) {
  long long N = 0;
  for (char C : F) {
    if (C >= '0' && C <= '9') {
      N = N * 10 + (C - '0');
      if (N > kMaxFormatNumber) return true;
    } else {
      N = 0;
    }
  }
  return false;
}

bool IsZeroValue(const rt::Variant& V) {
  if (V.IsNull() || V.IsEmpty() || V.IsString() || !V.IsNumeric()) return false;
  return std::fabs(static_cast<float>(V.ToDouble())) < 0.0001f;
}

// Position (0-based) of Needle in Hay, ASCII letter case ignored; npos when absent.
std::size_t FindNoCase(const std::u16string& Hay, std::u16string_view Needle, std::size_t From = 0) {
  const std::u16string H = rt::WideUpperCase(Hay);
  return H.find(rt::WideUpperCase(Needle), From);
}

} // namespace

rt::TClass TrepMemoView::ClassInfo() {
  static const rt::TClassInfo Info("TrepMemoView", TrepCustomMemoView::ClassInfo(),
                                   [] { return new TrepMemoView(nullptr); });
  return &Info;
}

rt::TClass TrepSysMemoView::ClassInfo() {
  static const rt::TClassInfo Info("TrepSysMemoView", TrepCustomMemoView::ClassInfo(),
                                   [] { return new TrepSysMemoView(nullptr); });
  return &Info;
}

TrepCustomMemoView::TrepCustomMemoView(rt::TComponent* AOwner)
    : TrepStretcheable(AOwner), FMemo(std::make_unique<TrepWideStrings>()),
      FFormats(std::make_unique<TrepFormatCollection>()), FHighlights(std::make_unique<TrepHighlightCollection>()) {
  frComponentStyle.Exclude(csDefaultDiff);
  frComponentStyle.Include(csHandlesNestedProperties);
  SetParentFont(true);
}

TrepCustomMemoView::~TrepCustomMemoView() = default;

std::string TrepCustomMemoView::GetDescription() const { return ResourceTable().Get("obText"); }
std::string TrepSysMemoView::GetDescription() const { return ResourceTable().Get("obSysText"); }

std::u16string TrepCustomMemoView::Text() const { return FMemo->GetText(); }

void TrepCustomMemoView::SetText(std::u16string_view Value) { FMemo->SetText(Value); }

void TrepCustomMemoView::SetLiteralText(std::u16string_view Value) {
  FMemo->SetText(Value);
  AllowExpressions = false;
}

TrepFormat& TrepCustomMemoView::DisplayFormat() {
  if (FFormats->Count() == 0) FFormats->Add();
  return *FFormats->Items(0);
}

TrepHighlight& TrepCustomMemoView::Highlight() {
  if (FHighlights->Count() == 0) FHighlights->Add();
  return *FHighlights->Items(0);
}

void TrepCustomMemoView::SetUnderlines(bool Value) {
  if (!Value) UnderlinesTextMode = ulmNone;
  else if (UnderlinesTextMode == ulmNone) UnderlinesTextMode = ulmUnderlinesAll;
}

int TrepCustomMemoView::ReducedAngle() const {
  const int A = FRotation % 360;
  return A < 0 ? A + 360 : A;
}

void TrepCustomMemoView::SetStyle(const std::string& Value) {
  Style = Value;
  if (TrepReport* R = Report())
    if (TrepStyleItem* S = R->Styles().Find(Value)) ApplyStyle(*S);
}

TrepCustomMemoView* TrepCustomMemoView::FlowTo() const {
  return dynamic_cast<TrepCustomMemoView*>(rt::VarFindObject(FFlowTo));
}

void TrepCustomMemoView::SetFlowTo(TrepCustomMemoView* Value) {
  FFlowTo = Value ? rt::VarFromObject(Value) : rt::Variant::Null();
}

// ---------------------------------------------------------------------------------------------
// One print

void TrepCustomMemoView::BeforePrint() {
  TrepStretcheable::BeforePrint();
  if (!IsDataField()) TempMemo = Text();
}

void TrepCustomMemoView::AfterPrint() {
  if (!IsDataField()) SetText(TempMemo);
  RestoreHighlightState();
  TrepStretcheable::AfterPrint();
}

void TrepCustomMemoView::GetData() {
  TrepStretcheable::GetData();
  if (FFormats->Count() == 0) FFormats->Add();
  TrepReport* R = Report();
  if (IsDataField()) {
    TrepDataSet* DS = DataSet();
    if (DS->IsBlobField(DataField)) {
      DS->AssignBlobTo(DataField, FMemo.get());
    } else {
      Value = DS->GetValue(DataField);
      if (DisplayFormat().Kind != fkText) SetText(FormatData(Value));
      else SetText(DS->GetDisplayText(DataField));
      if (HideZeros && IsZeroValue(Value)) SetText(u"");
    }
  } else if (AllowExpressions) {
    ExpandExpressions();
  }
  if (R) R->SetLocalValue(Value);

  for (int I = 0; I < FHighlights->Count(); ++I) {
    TrepHighlight* H = FHighlights->Items(I);
    if (rt::Trim(H->Condition).empty() || R == nullptr) continue;
    bool Holds = false;
    try {
      Holds = R->Calc(H->Condition) == rt::Variant(true);
    } catch (const ErepExpressionError&) {
      // Recorded by the report; a condition that cannot be worked out does not hold.
    }
    if (Holds) {
      SaveHighlightState();
      ApplyHighlight(H);
      break;
    }
  }

  if (SuppressRepeated) {
    const rt::Variant Now(Text());
    if (Now == LastValue) SetText(u"");
    else LastValue = Now;
  }

  if (TrepCustomMemoView* F = FlowTo(); F != nullptr && F != this) {
    InitPart();
    DrawPart();
    F->SetText(PartMemo);
    F->AllowExpressions = false;
  }
}

void TrepCustomMemoView::ExpandExpressions() {
  const std::size_t Comma = ExpressionDelimiters.find(',');
  const std::u16string Open = rt::Utf8ToUtf16(ExpressionDelimiters.substr(0, Comma));
  std::u16string Close =
      Comma == std::string::npos ? std::u16string() : rt::Utf8ToUtf16(ExpressionDelimiters.substr(Comma + 1));
  if (Close.size() > repMaxDelimiterLength) Close.resize(repMaxDelimiterLength);
  // Without both delimiters there are no expressions (an empty one would match everywhere).
  if (Open.empty() || Close.empty() || Open.size() > repMaxDelimiterLength) return;
  std::u16string S = Text();
  if (S.find(Open) == std::u16string::npos) return;
  TrepReport* R = Report();
  int I = 1;
  int FormatIndex = 0;
  int Evaluated = 0;
  for (;;) {
    const int Len = static_cast<int>(S.size());
    while (I < Len && S.compare(static_cast<std::size_t>(I - 1), Open.size(), Open) != 0) ++I;
    int J = I;
    const std::u16string Expr = ExtractBracketed(S, Open, Close, I, J);
    if (I == J) break;
    if (++Evaluated > repMaxMemoExpressions) break;
    const std::size_t From = static_cast<std::size_t>(I - 1), Count = static_cast<std::size_t>(J - I + 1);
    const std::u16string Written = S.substr(From, Count);
    std::u16string Result;
    try {
      Result = EvaluateExpression(Expr, FFormats->Items(FormatIndex));
    } catch (const ErepExpressionError&) {
      // Already in the report's errors; the memo keeps what was written.
      Result = Written;
    } catch (const rt::Exception& E) {
      if (R) R->Errors().Add((Name().empty() ? std::string() : Name() + ": ") + E.Message());
      Result = Written;
    }
    S.replace(From, Count, Result);
    I += static_cast<int>(Result.size());
    if (FormatIndex < FFormats->Count() - 1) ++FormatIndex;
  }
  SetText(S);
}

std::u16string TrepCustomMemoView::EvaluateExpression(const std::u16string& Source, TrepFormat* AFormat) {
  std::u16string Expr = Source;
  std::unique_ptr<TrepFormatCollection> Temp;
  TrepFormat* Format = AFormat;
  const std::size_t Hash = Expr.find(u" #");
  if (Hash != std::u16string::npos && Expr.find(u')', Hash + 2) == std::u16string::npos) {
    std::u16string Suffix = Expr.substr(Hash + 2);
    Expr.resize(Hash);
    Temp = std::make_unique<TrepFormatCollection>();
    Format = static_cast<TrepFormat*>(Temp->Add());
    const char16_t K = Suffix.empty() ? u' ' : Suffix[0];
    if (K == u'N' || K == u'n') Format->Kind = fkNumeric;
    else if (K == u'D' || K == u'd' || K == u'T' || K == u't') Format->Kind = fkDateTime;
    else if (K == u'B' || K == u'b') Format->Kind = fkBoolean;
    else Format->Kind = fkText;
    std::u16string F = Suffix.empty() ? std::u16string() : Suffix.substr(1, 255);
    if (Format->Kind == fkNumeric)
      for (char16_t& C : F)
        if (C == u',' || C == u'-' || C == u'.') {
          Format->DecimalSeparator = rt::Utf16ToUtf8(std::u16string(1, C));
          C = u'.';
        }
    Format->FormatStr = rt::Utf16ToUtf8(F);
  }
  const std::u16string Upper = rt::WideUpperCase(Expr);
  if (Upper == u"TOTALPAGES#") Value = rt::Variant(u"[TotalPages#]");
  else if (Upper == u"COPYNAME#") Value = rt::Variant(u"[CopyName#]");
  else if (TrepReport* R = Report()) Value = R->Calc(rt::Utf16ToUtf8(Expr));
  else return u"[" + Source + u"]";
  if (HideZeros && IsZeroValue(Value)) return {};
  return FormatData(Value, Format);
}

std::u16string TrepCustomMemoView::FormatData(const rt::Variant& V, TrepFormat* AFormat) {
  TrepFormat* F = AFormat ? AFormat : &DisplayFormat();
  if (V.IsNull()) return {};
  const std::u16string Plain = rt::VarToUStr(V);
  try {
    switch (F->Kind) {
      case fkText: return Plain;
      case fkNumeric: {
        const std::string& FS = F->FormatStr;
        if (HasOversizedNumber(FS)) return Plain;
        std::string R;
        if (FS.find('#') != std::string::npos || (!FS.empty() && FS[0] == '0'))
          R = rt::FormatFloat(FS, V.ToDouble());
        else if (FS.find('d') != std::string::npos || FS.find('u') != std::string::npos)
          R = rt::Format(FS, {rt::TVarRec::Integer(V.ToInteger())});
        else
          R = rt::Format(FS, {rt::TVarRec::Extended(V.ToDouble())});
        // The runtime writes '.' and ','; the decimal point's place is found before the
        // thousands separators change, so that swapping the two stays apart.
        std::size_t DecPos = std::string::npos;
        if (F->DecimalSeparator.size() == 1 && F->DecimalSeparator != ".") DecPos = R.rfind('.');
        if (F->ThousandSeparator.size() == 1 && F->ThousandSeparator != ",")
          for (char& C : R)
            if (C == ',') C = F->ThousandSeparator[0];
        if (DecPos != std::string::npos) R[DecPos] = F->DecimalSeparator[0];
        return rt::Utf8ToUtf16(R);
      }
      case fkDateTime: return rt::Utf8ToUtf16(rt::FormatDateTime(F->FormatStr, V.ToDouble()));
      case fkBoolean: {
        const std::string& FS = F->FormatStr;
        const std::size_t C = FS.find(',');
        const std::string No = FS.substr(0, C);
        const std::string Yes = C == std::string::npos ? std::string() : FS.substr(C + 1, 255);
        return rt::Utf8ToUtf16(V == rt::Variant(true) ? Yes : No);
      }
    }
  } catch (const rt::Exception&) {
    // A format that does not fit the value: the value as it is.
  }
  return Plain;
}

void TrepCustomMemoView::ExtractMacros(TrepPostProcessor* Dictionary) {
  // LoadValue may free the memo (a repeat that is left out); nothing of it may be used after.
  if (Dictionary && Dictionary->LoadValue(this)) return;
  if (!AllowExpressions) return;
  std::u16string S = Text();
  bool Changed = false;
  const std::u16string Pages = rt::Utf8ToUtf16(std::to_string(TotalPages));
  for (std::size_t P = FindNoCase(S, u"[TOTALPAGES#]"); P != std::u16string::npos;
       P = FindNoCase(S, u"[TOTALPAGES#]", P)) {
    S.replace(P, 13, Pages);
    Changed = true;
  }
  const rt::Variant Copy = GlobalVariables().Variables("CopyName");
  const std::u16string CopyText =
      GlobalVariables().IndexOf("CopyName") >= 0 ? rt::VarToUStr(Copy) + rt::Utf8ToUtf16(std::to_string(CopyNo)) : u"";
  for (std::size_t P = FindNoCase(S, u"[COPYNAME#]"); P != std::u16string::npos;
       P = FindNoCase(S, u"[COPYNAME#]", P + CopyText.size())) {
    S.replace(P, 11, CopyText);
    Changed = true;
  }
  if (Changed) SetText(S);
}

void TrepCustomMemoView::ApplyHighlight(TrepHighlight* H) {
  if (H == nullptr) return;
  if (H->ApplyFont) SetFont(H->Font());
  if (H->ApplyFill && H->Fill()) SetFill(*H->Fill());
  if (H->ApplyFrame) SetFrame(H->Frame());
  SetVisible(H->Visible);
}

void TrepCustomMemoView::ApplyPreviewHighlight() {
  if (Highlight().Active) ApplyHighlight(&Highlight());
}

void TrepCustomMemoView::SaveHighlightState() {
  HighlightActivated = true;
  FTempFill = CreateFill(FillType());
  if (Fill()) FTempFill->Assign(*Fill());
  FTempFont = std::make_unique<gfx::TFont>();
  FTempFont->Assign(Font());
  FTempParentFont = ParentFont();
  FTempFrame = std::make_unique<TrepFrame>();
  FTempFrame->Assign(Frame());
  FTempVisible = Visible();
}

void TrepCustomMemoView::RestoreHighlightState() {
  if (!HighlightActivated) return;
  HighlightActivated = false;
  if (FTempFill) SetFill(*FTempFill);
  if (FTempFont) {
    SetFont(*FTempFont);
    if (FTempParentFont) SetParentFont(true);
  }
  if (FTempFrame) SetFrame(*FTempFrame);
  SetVisible(FTempVisible);
  FTempFill.reset();
  FTempFont.reset();
  FTempFrame.reset();
}

std::string TrepCustomMemoView::GetComponentText() {
  std::u16string S = Text();
  if (AllowExpressions) {
    const std::size_t P = FindNoCase(S, u"[TOTALPAGES]");
    if (P != std::u16string::npos) S.replace(P, 12, rt::Utf8ToUtf16(std::to_string(TotalPages)));
  }
  return rt::Utf16ToUtf8(S);
}

// ---------------------------------------------------------------------------------------------
// Post-processing and duplicates

void TrepCustomMemoView::SaveContentToDictionary(TrepReport* aReport, TrepPostProcessor* PostProcessor) {
  if (PostProcessor == nullptr) return;
  std::u16string Content;
  if (IsDataField() && aReport) {
    Content = rt::VarToUStr(aReport->Calc(DataSet()->UserName() + ".\"" + DataField + "\""));
  } else {
    Content = Text();
  }
  if (Content.size() >= 2 && Content.compare(Content.size() - 2, 2, u"\r\n") == 0) Content.resize(Content.size() - 2);
  const bool Supressed = (Processing().ProcessAt != paDefault || Duplicates != dmShow) && Parent() != nullptr;
  const std::string Band = Parent() ? Parent()->Name() : std::string();
  const int Index = PostProcessor->Add(Band, Name(), Content, Processing().ProcessAt, this, Supressed, false);
  if (Index != -1) SetText(rt::Utf8ToUtf16(std::to_string(Index)));
}

bool TrepCustomMemoView::LoadContentFromDictionary(TrepReport* aReport, TrepMacrosItem* aItem) {
  (void)aReport;
  if (aItem == nullptr || MacroLoaded || FMemo->Count() == 0) return false;
  int V = 0;
  if (!rt::TryStrToInt(rt::Utf16ToUtf8(FMemo->Get(0)), V)) return false;
  MacroLoaded = true;
  const bool Repeats = aItem->LastIndex == V;
  if (Duplicates == dmClear && Repeats) SetText(u"");
  else SetText(aItem->Item(V));
  bool Result = false;
  if ((Duplicates == dmHide || Duplicates == dmClear || Duplicates == dmMerge) && Repeats) {
    if (Duplicates == dmMerge && aItem->Component != nullptr) {
      TrepComponent* C = aItem->Component;
      C->SetHeight(AbsTop() - C->AbsTop() + Height());
    }
    Result = Duplicates != dmClear;
  } else if (!Repeats) {
    aItem->Component = this;
  }
  aItem->LastIndex = V;
  return Result;
}

void TrepCustomMemoView::ProcessDictionary(TrepMacrosItem* aItem, TrepReport* aReport,
                                           TrepPostProcessor* PostProcessor) {
  (void)PostProcessor;
  if (aItem == nullptr) return;
  const std::u16string Saved = Text();
  std::string SavedObject;
  if (aReport) {
    SavedObject = aReport->CurObject;
    aReport->CurObject = Name();
  }
  auto Restore = [&] {
    SetText(Saved);
    if (aReport) aReport->CurObject = SavedObject;
  };
  try {
    GetData();
    if (aReport) aReport->DoNotifyEvent(this, OnAfterData);
    std::u16string T = Text();
    if (T.size() >= 2 && T.compare(T.size() - 2, 2, u"\r\n") == 0) T.resize(T.size() - 2);
    if (aItem->Count() > 0) aItem->SetItem(aItem->Count() - 1, T);
  } catch (...) {
    Restore();
    throw;
  }
  Restore();
}
