#include "report/engine/repAggregate.h"

#include <algorithm>
#include <set>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repUtils.h"

// ---------------------------------------------------------------------------------------------
// Items

namespace {

// Adds the row's value into a store as the function combines values.
void Combine(TrepAggregateFunction F, rt::Variant& Store, const rt::Variant& V) {
  if (Store.IsNull()) {
    Store = V;
    return;
  }
  if (V.IsNull()) return;
  switch (F) {
    case agSum:
    case agAvg: Store = Store + V; break;
    case agMin: if (V < Store) Store = V; break;
    case agMax: if (Store < V) Store = V; break;
    case agCount: break;
  }
}

bool InColumns(int Col) { return Col >= 1 && Col <= repAggregateMaxColumn; }

} // namespace

void TrepAggregateItem::Calc() {
  if (FBand && !FBand->Visible() && !FCountInvisibleBands) return;
  if (FReport) FReport->CurObject = FMemoName;
  rt::Variant V = rt::Variant::Null();
  if (FAggregateFunction != agCount && Evaluate) V = Evaluate(FExpression);
  // Booleans total as numbers: SUM over a condition counts the rows where it holds.
  if (V.IsBoolean()) V = rt::Variant(V.ToBoolean() ? 1 : 0);

  int* Count;
  rt::Variant* Store;
  if (FVColumn >= 1) {
    // Columns beyond the table have no store; their rows are not counted anywhere.
    if (!InColumns(FVColumn)) return;
    if (FItemsArray.empty()) {
      FItemsArray.assign(repAggregateMaxColumn + 1, rt::Variant::Null());
      FItemsCountArray.assign(repAggregateMaxColumn + 1, 0);
    }
    Count = &FItemsCountArray[static_cast<std::size_t>(FVColumn)];
    Store = &FItemsArray[static_cast<std::size_t>(FVColumn)];
  } else if (FKeeping) {
    Count = &FTempItemsCount;
    Store = &FTempItemsValue;
  } else {
    FLastCount = FItemsCount;
    FLastValue = FItemsValue;
    Count = &FItemsCount;
    Store = &FItemsValue;
  }
  if (!(FAggregateFunction == agAvg && V.IsNull())) ++*Count;
  if (FAggregateFunction == agCount) return;
  Combine(FAggregateFunction, *Store, V);
}

rt::Variant TrepAggregateItem::Value() const {
  int Count = FItemsCount;
  rt::Variant V = FItemsValue;
  if (!FItemsArray.empty()) {
    if (!InColumns(FVColumn) && FVColumn != 0) return rt::Variant(0);
    Count = FItemsCountArray[static_cast<std::size_t>(FVColumn)];
    V = FItemsArray[static_cast<std::size_t>(FVColumn)];
  }
  rt::Variant R;
  switch (FAggregateFunction) {
    case agAvg:
      R = (V.IsNull() || Count == 0) ? rt::Variant::Null() : rt::Variant(V.ToDouble() / Count);
      break;
    case agCount: R = rt::Variant(Count); break;
    default: R = V; break;
  }
  return R.IsNull() ? rt::Variant(0) : R;
}

void TrepAggregateItem::ResetAll() {
  FItemsCount = 0;
  FItemsValue = rt::Variant::Null();
  FItemsArray.clear();
  FItemsCountArray.clear();
}

void TrepAggregateItem::Reset() {
  if (FDontReset && FItemsCount != 0) return;
  ResetAll();
}

void TrepAggregateItem::DeleteValue() {
  FItemsCount = FLastCount;
  FItemsValue = FLastValue;
}

void TrepAggregateItem::SaveValue() {
  FSavedCount = FItemsCount;
  FSavedValue = FItemsValue;
}

void TrepAggregateItem::RestoreValue() {
  FItemsCount = FSavedCount;
  FItemsValue = FSavedValue;
}

void TrepAggregateItem::StartKeep() {
  // Only a page footer may print while a kept block is still open and about to move to the
  // next page; every other total shows the rows of the block as they come.
  if (FKeeping || !FIsPageFooter) return;
  FKeeping = true;
  FTempItemsCount = 0;
  FTempItemsValue = rt::Variant::Null();
}

void TrepAggregateItem::EndKeep() {
  if (!FKeeping) return;
  FKeeping = false;
  FItemsCount += FTempItemsCount;
  // COUNT keeps no value; the other functions merge as rows do.
  if (FAggregateFunction != agCount) Combine(FAggregateFunction, FItemsValue, FTempItemsValue);
}

// ---------------------------------------------------------------------------------------------
// Finding the calls

namespace {

bool IsSeparator(char16_t C) {
  if (C >= 1 && C <= 32) return true;
  if (C >= u'0' && C <= u'9') return true;
  switch (C) {
    case u'!': case u'#': case u'$': case u'%': case u'&': case u'*': case u'+': case u',': case u'-':
    case u'.': case u'/': case u'=': case u'[': case u']': case u'^': case u'|': return true;
    default: return false;
  }
}

bool IsTerminator(char16_t C) {
  if (C >= 1 && C <= 32) return true;
  switch (C) {
    case u'!': case u'#': case u'$': case u'%': case u'&': case u'(': case u'*': case u'+': case u',':
    case u'-': case u'.': case u'/': case u'=': case u'[': case u']': case u'^': case u'|': return true;
    default: return false;
  }
}

std::u16string TrimW(std::u16string_view S) {
  std::size_t B = 0, E = S.size();
  while (B < E && S[B] <= 32) ++B;
  while (E > B && S[E - 1] <= 32) --E;
  return std::u16string(S.substr(B, E - B));
}

bool IsAggregateName(const std::u16string& Upper) {
  return Upper == u"SUM" || Upper == u"MIN" || Upper == u"MAX" || Upper == u"AVG" || Upper == u"COUNT";
}

class TCallFinder {
public:
  TCallFinder(const TrepAggregateScanContext& C, std::vector<std::u16string>& Out) : Ctx(C), Calls(Out) {}

  // A variable whose value names it again (directly or through others) is scanned once.
  bool ScanVariable(const std::u16string& Name) {
    std::u16string Value;
    if (!Ctx.Variable || !Ctx.Variable(Name, Value)) return false;
    if (Active.count(rt::WideUpperCase(Name))) return true;
    const std::u16string Key = rt::WideUpperCase(Name);
    Active.insert(Key);
    Scan(Value);
    Active.erase(Key);
    return true;
  }

  void Scan(std::u16string_view E) {
    const std::u16string Whole = TrimW(E);
    if (!Whole.empty()) {
      if (ScanVariable(Whole)) return;
      if (Ctx.IsDataField && Ctx.IsDataField(Whole)) return;
    }
    const int Len = static_cast<int>(E.size());
    int i = 0;  // 0-based
    while (i < Len) {
      const char16_t C = E[static_cast<std::size_t>(i)];
      if (IsSeparator(C)) {
        ++i;
      } else if (C == u'"' || C == u'\'') {
        const auto Close = E.find(C, static_cast<std::size_t>(i) + 1);
        i = Close == std::u16string_view::npos ? Len : static_cast<int>(Close) + 1;
      } else if (C == u'(' || C == u'<') {
        int I = i + 1, J = 0;
        const std::u16string Inner = ExtractBracketed(E, C == u'(' ? u"(" : u"<", C == u'(' ? u")" : u">", I, J);
        Scan(Inner);
        i = J;  // J is the 1-based position of the closing bracket
      } else {
        int k = i;
        while (k < Len && !IsTerminator(E[static_cast<std::size_t>(k)])) ++k;
        if (k == i) {
          ++i;  // a lone terminator that is no separator: "("
          continue;
        }
        const std::u16string Word(E.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(k - i)));
        if (IsAggregateName(rt::WideUpperCase(Word)) && k < Len && E[static_cast<std::size_t>(k)] == u'(') {
          int I = k + 1, J = 0;
          ExtractBracketed(E, u"(", u")", I, J);
          Calls.push_back(std::u16string(E.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(J - i))));
          i = J;
        } else {
          ScanVariable(Word);
          i = k;
        }
      }
    }
  }

private:
  const TrepAggregateScanContext& Ctx;
  std::vector<std::u16string>& Calls;
  std::set<std::u16string> Active;
};

// Up to three trimmed arguments of a call: commas at depth 1 outside quotes separate them.
std::vector<std::u16string> SplitArguments(std::u16string_view Call) {
  std::vector<std::u16string> Args;
  const auto Open = Call.find(u'(');
  if (Open == std::u16string_view::npos) return Args;
  int Depth = 0;
  bool InDouble = false, InSingle = false;
  std::u16string Cur;
  for (std::size_t p = Open; p < Call.size(); ++p) {
    const char16_t C = Call[p];
    if (C == u'"' && !InSingle) InDouble = !InDouble;
    else if (C == u'\'' && !InDouble) InSingle = !InSingle;
    const bool Quoted = InDouble || InSingle || C == u'"' || C == u'\'';
    if (!Quoted && C == u'(') {
      if (++Depth == 1) continue;
    } else if (!Quoted && C == u')') {
      if (--Depth == 0) break;
    } else if (!Quoted && C == u',' && Depth == 1) {
      Args.push_back(TrimW(Cur));
      Cur.clear();
      continue;
    }
    Cur += C;
  }
  Args.push_back(TrimW(Cur));
  if (Args.size() == 1 && Args[0].empty()) Args.clear();
  if (Args.size() > 3) Args.resize(3);
  return Args;
}

TrepAggregateFunction FunctionByName(std::string_view Upper) {
  if (Upper == "SUM") return agSum;
  if (Upper == "MIN") return agMin;
  if (Upper == "MAX") return agMax;
  if (Upper == "AVG") return agAvg;
  return agCount;
}

// Flags are a decimal number only: hexadecimal forms are refused as well.
int ParseFlags(const std::u16string& S) {
  const std::string T = rt::Utf16ToUtf8(S);
  std::size_t p = (!T.empty() && (T[0] == '+' || T[0] == '-')) ? 1 : 0;
  bool Digits = p < T.size();
  for (; p < T.size(); ++p)
    if (T[p] < '0' || T[p] > '9') Digits = false;
  if (!Digits) throw rt::EConvertError("'" + T + "' is not a valid integer value");
  return rt::StrToInt(T);
}

} // namespace

std::vector<std::u16string> repFindAggregateCallsInExpression(std::u16string_view Expression,
                                                              const TrepAggregateScanContext& Context) {
  std::vector<std::u16string> Calls;
  TCallFinder(Context, Calls).Scan(Expression);
  return Calls;
}

std::vector<std::u16string> repFindAggregateCalls(std::u16string_view Text, std::u16string_view Delimiters,
                                                  const TrepAggregateScanContext& Context) {
  std::vector<std::u16string> Calls;
  const auto Comma = Delimiters.find(u',');
  const std::u16string_view Open = Delimiters.substr(0, Comma);
  std::u16string_view Close = Comma == std::u16string_view::npos ? std::u16string_view() : Delimiters.substr(Comma + 1);
  if (Close.size() > 255) Close = Close.substr(0, 255);
  if (Open.empty() || Close.empty()) return Calls;
  TCallFinder Finder(Context, Calls);
  std::size_t From = 0;
  for (;;) {
    const auto At = Text.find(Open, From);
    if (At == std::u16string_view::npos) break;
    int I = static_cast<int>(At) + 1, J = 0;
    const std::u16string Inner = ExtractBracketed(Text, Open, Close, I, J);
    Finder.Scan(Inner);
    // J is the 1-based last position of the closing delimiter: go on after it, always forward.
    From = std::max<std::size_t>(static_cast<std::size_t>(J), At + 1);
  }
  return Calls;
}

// ---------------------------------------------------------------------------------------------
// The list

TrepAggregateList::~TrepAggregateList() = default;

void TrepAggregateList::Clear() { FList.clear(); }

TrepAggregateItem* TrepAggregateList::AddItem(std::u16string_view CallText, const std::string& MemoName,
                                              TrepComponent* DefaultBand, TrepComponent* ParentBand,
                                              bool IsPageFooter) {
  const std::u16string Call = TrimW(CallText);
  const auto Paren = Call.find(u'(');
  const std::string Name = rt::UpperCase(rt::Trim(rt::Utf16ToUtf8(Call.substr(0, Paren))));
  const std::vector<std::u16string> Args = SplitArguments(Call);
  auto Arg = [&](std::size_t N) { return N < Args.size() ? Args[N] : std::u16string(); };

  auto Item = std::make_unique<TrepAggregateItem>();
  Item->FAggregateFunction = FunctionByName(Name);
  std::u16string BandName, Flags;
  if (Item->FAggregateFunction == agCount) {
    BandName = Arg(0);
    Flags = Arg(1);
  } else {
    Item->FExpression = Arg(0);
    BandName = Arg(1);
    Flags = Arg(2);
  }
  const int F = Flags.empty() ? 0 : ParseFlags(Flags);
  Item->FCountInvisibleBands = (F & 1) != 0;
  Item->FDontReset = (F & 2) != 0;
  TrepComponent* Band = nullptr;
  if (!BandName.empty() && FReport) Band = FReport->FindObject(rt::Utf16ToUtf8(BandName));
  Item->FBand = Band ? Band : DefaultBand;
  Item->FParentBand = ParentBand;
  Item->FIsPageFooter = IsPageFooter;
  Item->FOriginalName = Call;
  Item->FMemoName = MemoName;
  Item->FReport = FReport;
  Item->Evaluate = [this](const std::u16string& E) { return Evaluate ? Evaluate(E) : rt::Variant::Null(); };
  Item->Reset();
  FList.push_back(std::move(Item));
  return FList.back().get();
}

void TrepAggregateList::AddValue(TrepComponent* Band, int VColumn) {
  for (auto& It : FList)
    if (It->FBand == Band) {
      It->FVColumn = VColumn;
      It->Calc();
    }
}

void TrepAggregateList::DeleteValue(TrepComponent* Band) {
  for (auto& It : FList)
    if (It->FBand == Band) It->DeleteValue();
}

void TrepAggregateList::SaveValue(TrepComponent* Band) {
  for (auto& It : FList)
    if (It->FBand == Band) It->SaveValue();
}

void TrepAggregateList::RestoreValue(TrepComponent* Band) {
  for (auto& It : FList)
    if (It->FBand == Band) It->RestoreValue();
}

void TrepAggregateList::Reset(TrepComponent* ParentBand) {
  for (auto& It : FList)
    if (It->FParentBand == ParentBand) It->Reset();
}

void TrepAggregateList::StartKeep() {
  for (auto& It : FList) It->StartKeep();
}

void TrepAggregateList::EndKeep() {
  for (auto& It : FList) It->EndKeep();
}

void TrepAggregateList::ClearValues() {
  for (auto& It : FList) It->ResetAll();
}

rt::Variant TrepAggregateList::GetValue(TrepComponent* ParentBand, std::u16string_view ComplexName, int VColumn) {
  const std::u16string Key = rt::WideUpperCase(TrimW(ComplexName));
  for (auto& It : FList)
    if (It->FParentBand == ParentBand && rt::WideUpperCase(It->FOriginalName) == Key) {
      It->FVColumn = VColumn;
      return It->Value();
    }
  return rt::Variant::Null();
}

rt::Variant TrepAggregateList::GetValue(TrepComponent* ParentBand, int VColumn, std::string_view Name,
                                        std::u16string_view Expression, TrepComponent* Band, int Flags) {
  const TrepAggregateFunction F = FunctionByName(rt::UpperCase(Name));
  const std::u16string Expr = rt::WideUpperCase(TrimW(Expression));
  for (auto& It : FList)
    if (It->FParentBand == ParentBand && It->FAggregateFunction == F && rt::WideUpperCase(It->FExpression) == Expr &&
        (!Band || It->FBand == Band) && It->FCountInvisibleBands == ((Flags & 1) != 0) &&
        It->FDontReset == ((Flags & 2) != 0)) {
      It->FVColumn = VColumn;
      return It->Value();
    }
  return rt::Variant::Null();
}
