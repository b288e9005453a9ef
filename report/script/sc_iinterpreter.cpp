#include "report/script/sc_iinterpreter.h"
#include "report/script/sc_isets.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>
#include <stdexcept>
#include <typeinfo>

#include "platform/rt/Unicode.h"
#include "report/script/sc_iexpression.h"
#include "report/script/sc_istack.h"
#include "report/script/sc_itools.h"

using rt::Variant;

namespace {

std::string TrimText(const std::string& S) { return rt::Trim(S); }

// Splits a comma-separated list.
std::vector<std::string> SplitCommas(const std::string& S) {
  std::vector<std::string> R;
  std::size_t From = 0;
  for (;;) {
    std::size_t At = S.find(',', From);
    R.push_back(S.substr(From, At == std::string::npos ? std::string::npos : At - From));
    if (At == std::string::npos) break;
    From = At + 1;
  }
  return R;
}

[[noreturn]] void IndexError(int Index) {
  throw rt::EListError("List index out of bounds (" + rt::IntToStr(Index) + ")");
}

} // namespace

void TscItemList::IndexError(int Index) { ::IndexError(Index); }

// =============================================================================================
// TscItemList

TscItemList::~TscItemList() { TscItemList::Clear(); }

void TscItemList::Clear() {
  std::vector<rt::TObject*> Items;
  Items.swap(FItems);
  for (rt::TObject* O : Items) delete O;
}

void TscItemList::Add(rt::TObject* Item) { FItems.push_back(Item); }

void TscItemList::Remove(rt::TObject* Item) {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  if (It != FItems.end()) FItems.erase(It);
}


// =============================================================================================
// TscCustomVariable and the variables

TscCustomVariable::TscCustomVariable(const std::string& AName, TscVarType ATyp, const std::string& ATypeName)
    : Typ(ATyp), TypeName(ATypeName), FValue(Variant::Null()) {
  if (!AName.empty()) SetName(AName, rt::Utf8UpperCase(AName));
}

void TscCustomVariable::SetName(const std::string& Value, const std::string& Uppercase) {
  if (Value.empty() && Uppercase.empty() && !FExtra) return;
  Extra().Name = Value;
  FExtra->UppercaseName = Uppercase == Value ? std::string() : Uppercase;
}

const std::string& TscCustomVariable::NoText() {
  static const std::string Empty;
  return Empty;
}

const TscGetVariableValueEvent& TscCustomVariable::NoHook() {
  static const TscGetVariableValueEvent None;
  return None;
}

void TscCustomVariable::SetValue(const Variant& Value) {
  if (!IsReadOnly) FValue = Value;
}

Variant TscCustomVariable::GetValue() { return FValue; }

TscParamItem* TscCustomVariable::Params(int Index) const { return static_cast<TscParamItem*>(Get(Index)); }

std::string TscCustomVariable::GetFullTypeName() const {
  switch (Typ) {
    case fvtInt: return "Integer";
    case fvtBool: return "Boolean";
    case fvtFloat: return "Extended";
    case fvtChar: return "Char";
    case fvtString: return "String";
    case fvtClass: case fvtEnum: return TypeName;
    case fvtArray: return "Array";
    case fvtInt64: return "Int64";
    default: return "Variant";
  }
}

int TscCustomVariable::GetNumberOfRequiredParams() const {
  int N = 0;
  for (int I = 0; I < Count(); ++I)
    if (!Params(I)->IsOptional) ++N;
  return N;
}

void TscVariable::TakeValue(Variant&& Value) {
  if (IsReadOnly) return;
  if (StoresAsIs(Value)) FValue = std::move(Value);
  else SetValue(Value);
}

void TscVariable::SetValue(const Variant& Value) {
  if (IsReadOnly) return;
  if (StoresAsIs(Value)) {
    FValue = Value;
    return;
  }
  switch (Typ) {
    case fvtInt: FValue = Variant(Value.ToInteger()); break;
    case fvtBool: FValue = Variant(Value.ToBoolean()); break;
    case fvtFloat:
      FValue = Value.VarType() == rt::varDate ? Value : Variant(Value.ToDouble());
      break;
    case fvtString: FValue = rt::VarAsType(Value, rt::varUString); break;
    case fvtInt64: FValue = rt::VarAsType(Value, rt::varInt64); break;
    default: FValue = Value; break;
  }
}

Variant TscVariable::GetValue() {
  if (HasVarValueHook()) {
    Variant V = OnGetVarValue()(Name(), Typ, FValue);
    if (!V.IsNull()) return V;
  }
  return FValue;
}

void TscStringVariable::SetValue(const Variant& Value) { FStr = Value.ToUString(); }

Variant TscStringVariable::GetValue() {
  Variant Stored(FStr);
  if (HasVarValueHook()) {
    Variant V = OnGetVarValue()(Name(), Typ, Stored);
    if (!V.IsNull()) return V;
  }
  return Stored;
}

TscParamItem::TscParamItem(const std::string& AName, TscVarType ATyp, const std::string& ATypeName,
                           bool AIsOptional, bool AIsVarParam)
    : TscCustomVariable(AName, ATyp, ATypeName), IsOptional(AIsOptional), IsVarParam(AIsVarParam) {}

namespace {
// The argument values of one call: up to kInline of them without a heap block, and none made
// before it is read.
class TArgs {
public:
  explicit TArgs(int Count) {
    if (Count > kInline) FSpill.reserve(static_cast<std::size_t>(Count));
  }
  ~TArgs() {
    for (int I = 0; I < FCount; ++I) Inline()[I].~Variant();
  }
  TArgs(const TArgs&) = delete;
  TArgs& operator=(const TArgs&) = delete;
  void Push(Variant&& V) {
    if (FCount < kInline && FSpill.capacity() == 0) {
      new (&Inline()[FCount]) Variant(std::move(V));
      ++FCount;
    } else {
      FSpill.push_back(std::move(V));
    }
  }
  Variant& operator[](int I) { return FSpill.capacity() == 0 ? Inline()[I] : FSpill[static_cast<std::size_t>(I)]; }

private:
  static constexpr int kInline = 8;
  Variant* Inline() { return reinterpret_cast<Variant*>(FRaw); }
  const Variant* Inline() const { return reinterpret_cast<const Variant*>(FRaw); }
  alignas(Variant) unsigned char FRaw[kInline * sizeof(Variant)];
  int FCount = 0;
  std::vector<Variant> FSpill;
};
} // namespace

namespace {
// Reads Step's arguments and gives them to R's parameters, which store what they are given as
// it is. All arguments are read before any parameter is set: an argument may read a parameter
// of the routine being called. A macro gets its arguments' source texts.
void PassArguments(TscCustomVariable* R, TscDesignatorItem* Step) {
  const int PC = R->Count();
  if (PC == 0) return;
  const int AC = Step->Count();
  if (AC == 1 && !R->IsMacro) {
    // The most common call needs no buffer.
    Variant A = Step->FirstArgument()->GetValue();
    TscParamItem* P = R->Params(0);
    if (!P->IsReadOnly) P->PValue() = std::move(A);
    return;
  }
  TArgs Args(AC);
  for (int J = 0; J < AC; ++J) {
    TscCustomVariable* E = Step->GetItem(J);
    if (R->IsMacro) {
      auto* CE = dynamic_cast<TscCustomExpression*>(E);
      Args.Push(Variant(CE ? CE->Source : std::string()));
    } else {
      Args.Push(E->GetValue());
    }
  }
  for (int J = 0; J < PC && J < AC; ++J) {
    TscParamItem* P = R->Params(J);
    if (!P->IsReadOnly) P->PValue() = std::move(Args[J]);
  }
}

// Writes what R's var parameters hold after the call into Step's arguments.
void WriteBackVarParams(TscCustomVariable* R, TscDesignatorItem* Step) {
  const int N = std::min(R->Count(), Step->Count());
  for (int J = 0; J < N; ++J)
    if (R->Params(J)->IsVarParam) Step->GetItem(J)->SetValue(R->Params(J)->GetValue());
}
} // namespace

// =============================================================================================
// Script procedures and functions

TscProcVariable::TscProcVariable(const std::string& AName, TscVarType ATyp, const std::string& ATypeName,
                                 TscScript* AParent, bool AIsFunc)
    : TscCustomVariable(AName, ATyp, ATypeName), FIsFunc(AIsFunc), FProgram(std::make_unique<TscScript>()) {
  IsReadOnly = true;
  FProgram->Parent = AParent;
  if (AParent) FProgram->UseClassLateBinding = AParent->UseClassLateBinding;
  if (FIsFunc) {
    auto* Result = new TscVariable("Result", ATyp, ATypeName);
    FProgram->Add("Result", Result);
    RefItem = Result;
  }
}

TscProcVariable::~TscProcVariable() {
  // The parameters belong to the routine item, not to its local program.
  for (int I = 0; I < Count(); ++I) FProgram->Remove(Get(I));
  FProgram.reset();
  Clear();
}

namespace {
// Script calls nest on the C++ stack; a runaway recursion becomes a script error before the
// thread's stack runs out, whatever its size (sc_istack.h).
constexpr int kMaxCallDepth = 1000;
thread_local int GCallDepth = 0;
struct CallDepthGuard {
  CallDepthGuard() {
    scCheckStack();
    if (GCallDepth >= kMaxCallDepth) throw rt::EStackOverflow("Stack overflow");
    ++GCallDepth;
  }
  ~CallDepthGuard() { --GCallDepth; }
};
} // namespace

namespace {
// Empties a routine's locals after a call when the main program asks for it.
void ClearLocals(TscScript* Local, TscCustomVariable* ResultItem) {
  for (int I = 0; I < Local->Count(); ++I) {
    auto* V = dynamic_cast<TscVariable*>(Local->GetItem(I));
    if (!V || V == ResultItem) continue;
    if (auto* S = dynamic_cast<TscStringVariable*>(V)) {
      S->Str().clear();
      continue;
    }
    if (V->PValue().IsEmpty()) continue;
    switch (V->Typ) {
      case fvtInt: case fvtFloat: case fvtChar: V->PValue() = Variant(0); break;
      case fvtString: V->PValue() = Variant(u""); break;
      case fvtVariant: V->PValue() = Variant::Null(); break;
      default: break;
    }
  }
}
} // namespace

Variant TscProcVariable::GetValue() { return Run(); }

[[gnu::always_inline]] inline Variant TscProcVariable::Run() {
  CallDepthGuard Depth;
  TscScript* Local = FProgram.get();
  TscScript* Main = scFindMainProgram(Local);
  // Puts the running state back however the body ends.
  struct TRunning {
    TscProcVariable* Proc;
    TscScript* Local;
    TscScript* Main;
    TscScript* OldRunning;
    bool WasExecuting;
    ~TRunning() {
      Local->ExitCalled.store(false, std::memory_order_relaxed);
      Local->Terminated.store(false, std::memory_order_relaxed);
      Local->IsRunning = false;
      Local->SetProgNameRef(nullptr);
      Proc->Executing = WasExecuting;
      if (Main) {
        Main->ProgRunning = OldRunning;
        if (Main->ClearLocalVars) ClearLocals(Local, Proc->RefItem);
      }
    }
  } Running{this, Local, Main, Main ? Main->ProgRunning : nullptr, Executing};
  Executing = true;
  if (FHasResultStart) {
    RefItem->PValue() = FResultStart;
  } else if (FIsFunc) {
    RefItem->SetValue(Variant());
    if (typeid(*RefItem) == typeid(TscVariable) && !RefItem->IsReadOnly) {
      FResultStart = RefItem->PValue();
      FHasResultStart = true;
    }
  }
  if (Main) Main->ProgRunning = Local;
  Local->ExitCalled.store(false, std::memory_order_relaxed);
  Local->Terminated.store(false, std::memory_order_relaxed);
  Local->IsRunning = true;
  // The routine's own name: no copy per call.
  Local->SetProgNameRef(&Name());
  Local->Statement()->Execute();
  if (!FIsFunc) return Variant::Null();
  // A plain result variable without a hook is read where it is stored.
  if (FHasResultStart && !RefItem->HasVarValueHook()) return RefItem->PValue();
  return RefItem->GetValue();
}

const std::vector<TscProcVariable::TSavedItem>& TscProcVariable::SettleSavedItems() {
  TscScript* Local = FProgram.get();
  FSavedItems.clear();
  for (int I = 0; I < Local->Count(); ++I) {
    TscCustomVariable* V = Local->GetItem(I);
    if (dynamic_cast<TscVariable*>(V))
      FSavedItems.push_back({V, typeid(*V) == typeid(TscVariable) ? skVariable : skOther});
    else if (dynamic_cast<TscParamItem*>(V))
      FSavedItems.push_back({V, typeid(*V) == typeid(TscParamItem) ? skPlain : skOther});
  }
  FSavedDirect = std::none_of(FSavedItems.begin(), FSavedItems.end(),
                              [](const TSavedItem& S) { return S.Kind == skOther; });
  FSavedHookSerial = HookSerial.load(std::memory_order_relaxed);
  FSavedHookFree = std::none_of(FSavedItems.begin(), FSavedItems.end(),
                                [](const TSavedItem& S) { return S.Item->HasVarValueHook(); });
  FHasVarParams = false;
  for (int I = 0; I < Count(); ++I)
    if (Params(I)->IsVarParam) FHasVarParams = true;
  FSavedItemsOf = Local->Count();
  return FSavedItems;
}

// A frame is known by where its values begin in FSaved, times two, plus one when every value goes
// back without a call.
int TscProcVariable::SaveLocalVariables() {
  const std::size_t Begin = FSaved.size();
  // Hooks given since the items were settled: settle them anew.
  if (FSavedHookSerial != HookSerial.load(std::memory_order_relaxed)) FSavedItemsOf = -1;
  SavedItems();
  if (PlainFrames()) {
    // Reading them calls nothing, so the list cannot change meanwhile.
    for (const TSavedItem& Saved : FSavedItems) FSaved.push_back({Saved.Item->PValue(), Saved.Item, Saved.Kind});
    return static_cast<int>(Begin * 2 + 1);
  }
  try {
    // Reading a value may call this routine again, adding and removing frames after this one
    // and changing the item list: look it up anew after each read. Values read directly call
    // nothing.
    for (std::size_t I = 0; I < SavedItems().size(); ++I) {
      const TSavedItem Saved = FSavedItems[I];
      TscCustomVariable* V = Saved.Item;
      if (Saved.Kind == skPlain || (Saved.Kind == skVariable && !V->HasVarValueHook())) {
        FSaved.push_back({V->PValue(), V, Saved.Kind});
      } else {
        Variant Value = V->GetValue();
        FSaved.push_back({std::move(Value), V, skOther});
      }
    }
  } catch (...) {
    FSaved.resize(Begin);
    throw;
  }
  return static_cast<int>(Begin * 2);
}

void TscProcVariable::RestoreLocalVariables(int StackIndex, bool bSkipVarParams, TscDesignatorItem* dItem) {
  if (StackIndex < 0) return;
  const std::size_t Begin = static_cast<std::size_t>(StackIndex) / 2;
  const bool Direct = StackIndex & 1;
  if (Begin > FSaved.size()) return;
  const bool HasVarParams = dItem && this->HasVarParams();
  if (Direct && !HasVarParams && !bSkipVarParams) {
    // A saved plain value is what the item stored: it goes back as it was, calling nothing, so
    // the storage cannot move meanwhile.
    for (std::size_t I = Begin; I < FSaved.size(); ++I) {
      TscLocalVariablesHelper& H = FSaved[I];
      if (!H.FVariableLink->IsReadOnly) H.FVariableLink->PValue() = std::move(H.FValue);
    }
    while (FSaved.size() > Begin) FSaved.pop_back();
    return;
  }
  // What the call left in its var parameters goes to the caller's variables, after the saved
  // values of this level are back.
  std::vector<std::pair<int, Variant>> VarParams;
  if (HasVarParams)
    for (int I = 0; I < Count(); ++I)
      if (Params(I)->IsVarParam) VarParams.emplace_back(I, Params(I)->GetValue());
  // Writing a value back may call this routine again: take the frame out first.
  std::vector<TscLocalVariablesHelper> Values(std::make_move_iterator(FSaved.begin() + static_cast<std::ptrdiff_t>(Begin)),
                                              std::make_move_iterator(FSaved.end()));
  FSaved.resize(Begin);
  for (TscLocalVariablesHelper& H : Values) {
    TscCustomVariable* V = H.FVariableLink;
    if (bSkipVarParams) {
      auto* P = dynamic_cast<TscParamItem*>(V);
      if (P && P->IsVarParam) continue;
    }
    if (H.FKind == skPlain && !V->IsReadOnly) V->PValue() = std::move(H.FValue);
    else if (H.FKind == skVariable) static_cast<TscVariable*>(V)->TakeValue(std::move(H.FValue));
    else if (H.FKind == skOther) V->SetValue(H.FValue);
  }
  for (auto& [I, V] : VarParams)
    if (I < dItem->Count()) dItem->GetItem(I)->SetValue(V);
}

namespace {
// The level of a running routine kept aside for a call, in the C++ frame of that call: a few
// plain values without hooks, each going back as its item stored it, calling nothing.
class TInlineFrame {
public:
  static constexpr std::size_t kMax = 4;
  TInlineFrame() = default;
  TInlineFrame(const TInlineFrame&) = delete;
  TInlineFrame& operator=(const TInlineFrame&) = delete;
  ~TInlineFrame() { Drop(); }
  template <class TItems>
  void Save(const TItems& Items) {
    for (const auto& Saved : Items) {
      FItems[FCount] = Saved.Item;
      new (&Value(FCount)) Variant(Saved.Item->PValue());
      ++FCount;
    }
  }
  void Restore() {
    for (std::size_t I = 0; I < FCount; ++I)
      if (!FItems[I]->IsReadOnly) FItems[I]->PValue() = std::move(Value(I));
    Drop();
  }

private:
  Variant& Value(std::size_t I) { return *std::launder(reinterpret_cast<Variant*>(FRaw) + I); }
  void Drop() {
    for (std::size_t I = 0; I < FCount; ++I) Value(I).~Variant();
    FCount = 0;
  }
  std::size_t FCount = 0;
  TscCustomVariable* FItems[kMax];
  alignas(Variant) unsigned char FRaw[kMax * sizeof(Variant)];
};
} // namespace

Variant TscProcVariable::Call(TscDesignatorItem* Step) {
  // A routine already running keeps its level's values aside for the call: a few plain values
  // without hooks, as last settled, in this C++ frame; anything else on the general road.
  int StackIndex = -1;
  TInlineFrame Plain;
  bool InPlain = false;
  if (Executing) {
    if (PlainFrames() && !FHasVarParams && FSavedItems.size() <= TInlineFrame::kMax) {
      Plain.Save(FSavedItems);
      InPlain = true;
    } else {
      StackIndex = SaveLocalVariables();
    }
  }
  try {
    PassArguments(this, Step);
    Variant Val = Run();
    // A level kept in this frame belongs to a routine without var parameters.
    if (!InPlain && HasVarParams()) WriteBackVarParams(this, Step);
    if (InPlain) Plain.Restore();
    else if (StackIndex >= 0) RestoreLocalVariables(StackIndex, false, Step);
    return Val;
  } catch (...) {
    if (InPlain) Plain.Restore();
    else if (StackIndex >= 0) RestoreLocalVariables(StackIndex, false, Step);
    throw;
  }
}

// =============================================================================================
// Helpers: array elements, string characters, properties, methods

TscArrayHelper::TscArrayHelper(const std::string& AName, int DimCount, TscVarType ATyp, const std::string& ATypeName)
    : TscCustomHelper(AName, ATyp, ATypeName) {
  if (DimCount == -1) {
    Add(new TscParamItem("", fvtInt, "", false, false));
    Add(new TscParamItem("", fvtInt, "", true, false));
    Add(new TscParamItem("", fvtInt, "", true, false));
  } else {
    for (int I = 0; I < DimCount; ++I) Add(new TscParamItem("", fvtInt, "", false, false));
  }
}

Variant& TscArrayHelper::ArrayOf() {
  if (ParentRef && ParentRef->PValue().IsArray()) return ParentRef->PValue();
  return ParentValue;
}

std::vector<int> TscArrayHelper::Indexes(int DimCount) {
  std::vector<int> R;
  for (int I = 0; I < DimCount; ++I) R.push_back(Params(I)->GetValue().ToInteger());
  return R;
}

Variant TscArrayHelper::GetValue() {
  Variant& A = ArrayOf();
  if (!A.IsArray()) throw rt::EVariantInvalidArgError("Variant is not an array");
  const int Dims = A.ArrayDimCount();
  if (Dims < 1 || Dims > 3 || Dims > Count()) return Variant::Null();
  return A.ArrayGet(Indexes(Dims));
}

void TscArrayHelper::SetValue(const Variant& Value) {
  if (!ParentRef) throw rt::EVariantInvalidArgError("Variant is not an array");
  Variant& A = ParentRef->PValue();
  if (!A.IsArray()) throw rt::EVariantInvalidArgError("Variant is not an array");
  const int Dims = A.ArrayDimCount();
  if (Dims < 1 || Dims > 3 || Dims > Count()) return;
  A.ArrayPut(Indexes(Dims), Value);
}

TscStringHelper::TscStringHelper() : TscCustomHelper("__StringHelper", fvtChar, "") {
  Add(new TscParamItem("", fvtInt, "", false, false));
}

namespace {
[[noreturn]] void CharIndexError(int Index, std::size_t Length) {
  throw rt::ERangeError("Character index " + rt::IntToStr(Index) + " is outside the string (length " +
                        rt::IntToStr(static_cast<long long>(Length)) + ")");
}
char16_t FirstChar(const Variant& V) {
  std::u16string S = V.ToUString();
  return S.empty() ? char16_t(0) : S[0];
}
} // namespace

Variant TscStringHelper::GetValue() {
  std::u16string S = ParentValue.ToUString();
  int I = Params(0)->GetValue().ToInteger();
  if (I < 1 || static_cast<std::size_t>(I) > S.size()) CharIndexError(I, S.size());
  return Variant(std::u16string(1, S[static_cast<std::size_t>(I - 1)]));
}

void TscStringHelper::SetValue(const Variant& Value) {
  std::u16string S = ParentValue.ToUString();
  int I = Params(0)->GetValue().ToInteger();
  if (I < 1 || static_cast<std::size_t>(I) > S.size()) CharIndexError(I, S.size());
  S[static_cast<std::size_t>(I - 1)] = FirstChar(Value);
  if (ParentRef) ParentRef->SetValue(Variant(S));
}

long long scSetBits(const Variant& Value) {
  if (!Value.IsArray()) return Value.ToInt64();
  // A set constructor holds its members' bits, one element each.
  long long Bits = 0;
  for (int I = Value.ArrayLowBound(1); I <= Value.ArrayHighBound(1); ++I) Bits |= Value.ArrayGet({I}).ToInt64();
  return Bits;
}

Variant TscPropertyHelper::GetValue() {
  rt::TObject* Instance = rt::VarToObject(ParentValue);
  Variant V = Variant::Null();
  if (IsPublished) {
    if (Instance) {
      const rt::TPropInfo* P = Instance->ClassType()->FindProperty(Name());
      if (P && P->Get) {
        Variant Raw = P->Get(Instance);
        switch (P->Kind) {
          case rt::tkInteger: case rt::tkEnumeration: case rt::tkSet:
            V = Raw.IsBoolean() ? Variant(Raw.ToBoolean() ? 1 : 0) : Variant(Raw.ToInteger());
            break;
          case rt::tkClass: V = rt::VarAsType(Raw, rt::varInt64); break;
          case rt::tkChar: case rt::tkWChar: {
            std::u16string S = Raw.ToUString();
            V = Variant(S.substr(0, 1));
            break;
          }
          case rt::tkFloat: V = Raw.VarType() == rt::varDate ? Raw : Variant(Raw.ToDouble()); break;
          case rt::tkString: case rt::tkLString: case rt::tkWString: case rt::tkUString:
            V = rt::VarAsType(Raw, rt::varUString);
            break;
          case rt::tkInt64: V = rt::VarAsType(Raw, rt::varInt64); break;
          default: V = Raw; break;
        }
      }
    }
  } else if (OnGetValue) {
    V = OnGetValue(Instance, ClassRef, UppercaseName());
  } else if (OnGetValueNew) {
    V = OnGetValueNew(Instance, ClassRef, UppercaseName(), this);
  }
  if (Typ == fvtBool) V = Variant(rt::VarCompare(V, Variant(0)) != rt::crEqual);
  return V;
}

void TscPropertyHelper::SetValue(const Variant& Value) {
  if (IsReadOnly) return;
  rt::TObject* Instance = rt::VarToObject(ParentValue);
  if (IsPublished) {
    if (!Instance) return;  // nothing to write into
    const rt::TPropInfo* P = Instance->ClassType()->FindProperty(Name());
    if (!P || !P->Set) return;
    switch (P->Kind) {
      case rt::tkInteger: case rt::tkEnumeration: case rt::tkSet: case rt::tkClass:
        if (Typ == fvtBool) P->Set(Instance, Variant(rt::VarCompare(Value, Variant(true)) == rt::crEqual ? 1 : 0));
        else if (P->Kind == rt::tkClass) P->Set(Instance, rt::VarAsType(Value, rt::varInt64));
        else if (P->Kind == rt::tkSet) P->Set(Instance, Variant(scSetBits(Value)));
        else P->Set(Instance, Variant(Value.ToInteger()));
        break;
      case rt::tkChar: case rt::tkWChar: P->Set(Instance, Variant(std::u16string(1, FirstChar(Value)))); break;
      case rt::tkFloat: P->Set(Instance, Variant(Value.ToDouble())); break;
      case rt::tkString: case rt::tkLString: case rt::tkWString: case rt::tkUString:
        P->Set(Instance, Variant(Value.ToUString()));
        break;
      case rt::tkInt64: P->Set(Instance, rt::VarAsType(Value, rt::varInt64)); break;
      default: P->Set(Instance, Value); break;
    }
  } else if (OnSetValue) {
    OnSetValue(Instance, ClassRef, UppercaseName(), Value);
  } else if (OnSetValueNew) {
    OnSetValueNew(Instance, ClassRef, UppercaseName(), Value, this);
  }
}

TscMethodHelper::TscMethodHelper(const std::string& Syntax, TscScript* Script)
    : TscCustomHelper("", fvtVariant, ""), FSyntax(Syntax) {
  std::unique_ptr<TscCustomVariable> D = ParseDeclarationSyntax(Syntax, Script);
  SetName(D->Name(), D->UppercaseName());
  Typ = D->Typ;
  TypeName = D->TypeName;
  IsMacro = D->IsMacro;
  while (D->Count() > 0) {
    rt::TObject* P = D->Get(0);
    D->Remove(P);
    Add(P);
  }
  IsReadOnly = true;
  if (Count() > 0) FVarArray = rt::VarArrayCreate({0, Count() - 1}, rt::varVariant);
}

rt::TObject* TscMethodHelper::Instance() const {
  return ParentValue.IsNull() ? nullptr : rt::VarToObject(ParentValue);
}

Variant TscMethodHelper::GetValue() {
  rt::TObject* Inst = Instance();
  const std::string Name = IndexMethod ? UppercaseName() + ".GET" : UppercaseName();
  if (OnCall) {
    const int N = Count();
    for (int I = 0; I < N; ++I) FVarArray.ArrayPut({I}, Params(I)->GetValue());
    Variant Args = N > 0 ? FVarArray : rt::VarArrayCreate({0, -1}, rt::varVariant);
    Variant R;
    try {
      R = OnCall(Inst, ClassRef, Name, Args);
    } catch (...) {
      if (N > 0) FVarArray = rt::VarArrayCreate({0, N - 1}, rt::varVariant);
      throw;
    }
    for (int I = 0; I < N; ++I) {
      if (Params(I)->IsVarParam && Args.IsArray() && I <= Args.ArrayHighBound(1))
        Params(I)->SetValue(Args.ArrayGet({I}));
    }
    if (N > 0) FVarArray = rt::VarArrayCreate({0, N - 1}, rt::varVariant);
    return R;
  }
  if (OnCallNew) return OnCallNew(Inst, ClassRef, Name, this);
  return Variant(0);
}

void TscMethodHelper::SetValue(const Variant& Value) {
  if (!IndexMethod) return;
  rt::TObject* Inst = Instance();
  const std::string Name = UppercaseName() + ".SET";
  if (OnCall) {
    const int N = Count();
    Variant Args = rt::VarArrayCreate({0, N}, rt::varVariant);
    for (int I = 0; I < N; ++I) Args.ArrayPut({I}, Params(I)->GetValue());
    Args.ArrayPut({N}, Value);
    OnCall(Inst, ClassRef, Name, Args);
  } else if (OnCallNew) {
    FSetValue = Value;
    try {
      OnCallNew(Inst, ClassRef, Name, this);
    } catch (...) {
      FSetValue = Variant::Null();
      throw;
    }
    FSetValue = Variant::Null();
  }
}

Variant TscMethodHelper::GetVParam(int Index) {
  if (Index == Count()) return FSetValue;
  return Params(Index)->GetValue();
}

void TscMethodHelper::SetVParam(int Index, const Variant& Value) { Params(Index)->SetValue(Value); }

// =============================================================================================
// Classes

TscClassVariable::TscClassVariable(rt::TClass AClass, const std::string& Ancestor)
    : TscCustomVariable(AClass->ClassName(), fvtClass, AClass->ClassName()), FAncestor(Ancestor),
      FClassRef(AClass) {
  for (const rt::TPropInfo* P : AClass->Properties()) {
    TscVarType K;
    std::string TN;
    switch (P->Kind) {
      case rt::tkChar: case rt::tkWChar: K = fvtChar; break;
      case rt::tkEnumeration:
        TN = P->TypeName;
        K = (rt::Utf8CompareText(TN, "Boolean") == 0 || rt::Utf8CompareText(TN, "bool") == 0) ? fvtBool : fvtEnum;
        break;
      case rt::tkSet: K = fvtEnum; TN = P->TypeName; break;
      case rt::tkFloat: K = fvtFloat; break;
      case rt::tkString: case rt::tkLString: case rt::tkWString: case rt::tkUString: K = fvtString; break;
      case rt::tkClass: K = fvtClass; TN = P->TypeName; break;
      case rt::tkVariant: K = fvtVariant; break;
      case rt::tkInt64: K = fvtInt64; break;
      default: K = fvtInt; break;
    }
    auto* H = new TscPropertyHelper(P->Name, K, TN);
    H->IsPublished = true;
    H->ClassRef = AClass;
    FMembers.Add(H);
  }
  Add(new TscParamItem("", fvtVariant, "", true, false));
}

TscClassVariable::~TscClassVariable() { FMembers.Clear(); }

Variant TscClassVariable::GetValue() {
  TscParamItem* P = Params(0);
  Variant V = P->GetValue();
  P->SetValue(Variant::Null());
  if (!V.IsNull()) return V;
  rt::TObject* O = FClassRef->NewInstance();
  return O ? rt::VarFromObject(O) : Variant::Null();
}

TscMethodHelper* TscClassVariable::NewMethod(const std::string& Syntax) {
  auto* M = new TscMethodHelper(Syntax, Program);
  M->ClassRef = FClassRef;
  FMembers.Add(M);
  return M;
}

TscMethodHelper* TscClassVariable::AddMethod(const std::string& Syntax, const TscCallMethodEvent& CallEvent) {
  TscMethodHelper* M = NewMethod(Syntax);
  M->OnCall = CallEvent;
  return M;
}

TscMethodHelper* TscClassVariable::AddMethod(const std::string& Syntax, const TscCallMethodNewEvent& CallEvent) {
  TscMethodHelper* M = NewMethod(Syntax);
  M->OnCallNew = CallEvent;
  return M;
}

namespace {
std::string ConstructorAsFunction(const std::string& Syntax) {
  std::size_t Blank = Syntax.find(' ');
  std::string Rest = Blank == std::string::npos ? std::string() : Syntax.substr(Blank);
  return "function" + Rest + ": Constructor";
}
} // namespace

TscMethodHelper* TscClassVariable::AddConstructor(const std::string& Syntax, const TscCallMethodEvent& CallEvent) {
  return AddMethod(ConstructorAsFunction(Syntax), CallEvent);
}

TscMethodHelper* TscClassVariable::AddConstructor(const std::string& Syntax, const TscCallMethodNewEvent& CallEvent) {
  return AddMethod(ConstructorAsFunction(Syntax), CallEvent);
}

TscPropertyHelper* TscClassVariable::AddProperty(const std::string& Name, const std::string& Typ,
                                                 const TscGetValueEvent& GetEvent, const TscSetValueEvent& SetEvent) {
  auto* P = new TscPropertyHelper(Name, TypeNameToVarType(Typ, Program), Typ);
  P->ClassRef = FClassRef;
  P->OnGetValue = GetEvent;
  P->OnSetValue = SetEvent;
  P->IsReadOnly = !SetEvent;
  FMembers.Add(P);
  return P;
}

TscPropertyHelper* TscClassVariable::AddPropertyEx(const std::string& Name, const std::string& Typ,
                                                   const TscGetValueNewEvent& GetEvent,
                                                   const TscSetValueNewEvent& SetEvent) {
  auto* P = new TscPropertyHelper(Name, TypeNameToVarType(Typ, Program), Typ);
  P->ClassRef = FClassRef;
  P->OnGetValueNew = GetEvent;
  P->OnSetValueNew = SetEvent;
  P->IsReadOnly = !SetEvent;
  FMembers.Add(P);
  return P;
}

std::string TscClassVariable::IndexDeclaration(const std::string& Name, const std::string& Params,
                                               const std::string& Typ) {
  std::string List;
  if (!TrimText(Params).empty()) {
    std::vector<std::string> Types = SplitCommas(Params);
    for (std::size_t I = 0; I < Types.size(); ++I) {
      if (I > 0) List += "; ";
      List += "p" + rt::IntToStr(static_cast<long long>(I)) + ": " + TrimText(Types[I]);
    }
  }
  return "function " + Name + "(" + List + "): " + Typ;
}

TscMethodHelper* TscClassVariable::AddIndexProperty(const std::string& Name, const std::string& Params,
                                                    const std::string& Typ, const TscCallMethodEvent& CallEvent,
                                                    bool AReadOnly) {
  TscMethodHelper* M = AddMethod(IndexDeclaration(Name, Params, Typ), CallEvent);
  M->IsReadOnly = AReadOnly;
  M->IndexMethod = true;
  return M;
}

TscMethodHelper* TscClassVariable::AddIndexProperty(const std::string& Name, const std::string& Params,
                                                    const std::string& Typ, const TscCallMethodNewEvent& CallEvent,
                                                    bool AReadOnly) {
  TscMethodHelper* M = AddMethod(IndexDeclaration(Name, Params, Typ), CallEvent);
  M->IsReadOnly = AReadOnly;
  M->IndexMethod = true;
  return M;
}

TscMethodHelper* TscClassVariable::AddDefaultProperty(const std::string& Name, const std::string& Params,
                                                      const std::string& Typ, const TscCallMethodEvent& CallEvent,
                                                      bool AReadOnly) {
  TscMethodHelper* M = AddIndexProperty(Name, Params, Typ, CallEvent, AReadOnly);
  DefProperty = M;
  return M;
}

TscMethodHelper* TscClassVariable::AddDefaultProperty(const std::string& Name, const std::string& Params,
                                                      const std::string& Typ, const TscCallMethodNewEvent& CallEvent,
                                                      bool AReadOnly) {
  TscMethodHelper* M = AddIndexProperty(Name, Params, Typ, CallEvent, AReadOnly);
  DefProperty = M;
  return M;
}

TscCustomVariable* TscClassVariable::Find(const std::string& Name) {
  const std::string Upper = rt::Utf8UpperCase(Name);
  TscClassVariable* C = this;
  // A chain of ancestors is short; the bound guards against a class registered as its own
  // ancestor.
  for (int Depth = 0; C && Depth < 64; ++Depth) {
    for (int I = 0; I < C->FMembers.Count(); ++I) {
      auto* M = static_cast<TscCustomVariable*>(C->FMembers.Get(I));
      if (M->UppercaseName() == Upper) return M;
    }
    if (C->FAncestor.empty() || !C->Program) break;
    TscClassVariable* A = C->Program->FindClass(C->FAncestor);
    if (A == C) break;
    C = A;
  }
  return nullptr;
}

TscCustomVariable* TscClassVariable::GetMembers(int Index) const {
  return static_cast<TscCustomVariable*>(FMembers.Get(Index));
}

// =============================================================================================
// Designators

TscScript* scFindMainProgram(TscScript* Prog) {
  for (TscScript* P = Prog; P; P = P->Parent)
    if (P->MainProg) return P;
  return nullptr;
}

TscDesignator::TscDesignator(TscScript* AProgram) : TscCustomVariable("", fvtInt, ""), FProgram(AProgram) {
  TscScript* Main = scFindMainProgram(AProgram);
  FMainProg = Main ? Main : AProgram;
  if (AProgram) AProgram->UseClassLateBinding = FMainProg->UseClassLateBinding;
}

TscDesignatorItem* TscDesignator::AddStep(TscCustomVariable* Ref, const std::string& SourcePos) {
  auto* Item = new TscDesignatorItem;
  Item->Ref = Ref;
  Item->SourcePos = SourcePos;
  Add(Item);
  return Item;
}

void TscDesignator::Finalize() {
  if (Count() == 0) return;
  TscCustomVariable* Last = GetItem(Count() - 1)->Ref;
  Typ = Last->Typ;
  TypeName = Last->TypeName;
  if (Typ == fvtConstructor) {
    Typ = fvtClass;
    if (Count() >= 2) TypeName = GetItem(Count() - 2)->Ref->TypeName;
  }
  IsReadOnly = Last->IsReadOnly;
  FKind = dkOther;
  FRef1 = nullptr;
  FRef2 = nullptr;
  TscCustomVariable* First = GetItem(0)->Ref;
  // A parameter reads and writes its stored value as a variable does.
  if (Count() == 1 && (dynamic_cast<TscVariable*>(First) ||
                       (typeid(*First) == typeid(TscParamItem) && GetItem(0)->Count() == 0))) {
    FKind = dkVariable;
    RefItem = First;
  } else if (Count() == 2 && dynamic_cast<TscStringVariable*>(First) && GetItem(1)->Count() > 0) {
    FKind = dkStringArray;
    RefItem = First;
    FRef1 = GetItem(1)->GetItem(0);
  } else if (Count() == 2 && dynamic_cast<TscVariable*>(First) && First->Typ == fvtArray &&
             dynamic_cast<TscArrayHelper*>(First->RefItem)) {
    FKind = dkArray;
    RefItem = First;
    FRef1 = First->RefItem;
    FRef2 = GetItem(1);
  } else if (Count() == 1 && dynamic_cast<TscProcVariable*>(First) && !First->IsMacro) {
    // A lone script routine call: reading the designator calls the routine straight.
    FRef1 = First;
    FRef2 = GetItem(0);
  }
}

TscDesignator* scFinalizeDesignator(TscDesignator* D) {
  D->Finalize();
  TscDesignator* Fast = nullptr;
  switch (D->Kind()) {
    case dkVariable: Fast = new TscVariableDesignator(D->Program()); break;
    case dkStringArray: Fast = new TscStringDesignator(D->Program()); break;
    case dkArray: Fast = new TscArrayDesignator(D->Program()); break;
    default: return D;
  }
  Fast->Borrow(D);
  delete D;
  return Fast;
}

void TscDesignator::Borrow(TscDesignator* ADesignator) {
  std::swap(FItems, ADesignator->FItems);
  FKind = ADesignator->FKind;
  FRef1 = ADesignator->FRef1;
  FRef2 = ADesignator->FRef2;
  Typ = ADesignator->Typ;
  TypeName = ADesignator->TypeName;
  IsReadOnly = ADesignator->IsReadOnly;
  RefItem = ADesignator->RefItem;
}

void TscDesignator::CheckLateBinding() {
  if (!LateBinding) return;
  std::unique_ptr<TscLateBinding> L = std::move(LateBinding);
  L->Resolve(this);
}

Variant TscDesignator::GetValue() {
  CheckLateBinding();
  if (TscProcVariable* Proc = LoneCall()) return CallLone(Proc);
  return DoCalc(nullptr);
}

void TscDesignator::SetValue(const Variant& Value) {
  CheckLateBinding();
  DoCalc(&Value);
}

TscCustomVariable* TscDesignatorItem::SettleFirstArgument() {
  TscCustomVariable* A = GetItem(0);
  FFirstArgument = typeid(*A) == typeid(TscExpression) ? static_cast<TscExpression*>(A)->Root() : A;
  return FFirstArgument;
}

const TscDesignatorItem::TKinds& TscDesignatorItem::SettleKinds() {
  FKinds.Of = Ref;
  FKinds.Designator = dynamic_cast<TscDesignator*>(Ref);
  FKinds.Proc = dynamic_cast<TscProcVariable*>(Ref);
  FKinds.Helper = dynamic_cast<TscCustomHelper*>(Ref);
  return FKinds;
}


Variant TscDesignator::DoCalc(const Variant* Assign) {
  scCheckStack();
  const int N = Count();
  Variant Val = Variant::Null();
  TscCustomVariable* Prev = nullptr;
  for (int I = 0; I < N; ++I) {
    TscDesignatorItem* Step = GetItem(I);
    TscCustomVariable* R = Step->Ref;
    const bool Last = I == N - 1;
    const TscDesignatorItem::TKinds& K = Step->Kinds();
    if (TscDesignator* D = K.Designator) {
      Val = D->GetValue();
      Prev = R;
      continue;
    }
    TscProcVariable* Proc = K.Proc;
    const int StackIndex = Proc && Proc->Executing ? Proc->SaveLocalVariables() : -1;
    try {
      PassArguments(R, Step);
      if (TscCustomHelper* H = K.Helper) {
        H->ParentRef = Prev;
        H->ParentValue = Val;
        H->Prog = FProgram;
      }
      if (Assign && Last) {
        R->SetValue(*Assign);
      } else {
        R->NeedResult = Last ? NeedResult : true;
        Val = R->GetValue();
      }
      if (!Proc || Proc->HasVarParams()) WriteBackVarParams(R, Step);
      if (Proc && Proc->Executing) Proc->RestoreLocalVariables(StackIndex, false, Step);
    } catch (...) {
      if (Proc && Proc->Executing) Proc->RestoreLocalVariables(StackIndex, false, Step);
      throw;
    }
    Prev = R;
  }
  return Val;
}

Variant TscVariableDesignator::DoCalc(const Variant* Assign) {
  if (Assign) {
    RefItem->SetValue(*Assign);
    return Variant::Null();
  }
  return RefItem->GetValue();
}

Variant TscStringDesignator::DoCalc(const Variant* Assign) {
  auto* S = static_cast<TscStringVariable*>(RefItem);
  const int I = FRef1->GetValue().ToInteger();
  std::u16string& Str = S->Str();
  if (I < 1 || static_cast<std::size_t>(I) > Str.size()) CharIndexError(I, Str.size());
  if (Assign) {
    Str[static_cast<std::size_t>(I - 1)] = FirstChar(*Assign);
    return Variant::Null();
  }
  return Variant(std::u16string(1, Str[static_cast<std::size_t>(I - 1)]));
}

Variant TscArrayDesignator::DoCalc(const Variant* Assign) {
  auto* H = static_cast<TscArrayHelper*>(FRef1);
  H->ParentRef = RefItem;
  H->ParentValue = Variant::Null();
  for (int J = 0; J < FRef2->Count() && J < H->Count(); ++J) H->Params(J)->SetValue(FRef2->GetItem(J)->GetValue());
  if (Assign) {
    H->SetValue(*Assign);
    return Variant::Null();
  }
  return H->GetValue();
}

TscSetExpression::TscSetExpression() : TscCustomVariable("", fvtVariant, "") {}

bool TscSetExpression::Check(const Variant& Value) {
  const int N = Count();
  for (int I = 0; I < N; ++I) {
    TscCustomVariable* E = GetItem(I);
    if (!E) continue;
    if (I + 1 < N && GetItem(I + 1) == nullptr) {
      if (I + 2 >= N || !GetItem(I + 2)) continue;
      Variant Low = E->GetValue();
      Variant High = GetItem(I + 2)->GetValue();
      if (rt::VarCompare(Value, Low) != rt::crLessThan && rt::VarCompare(Value, High) != rt::crGreaterThan)
        return true;
      I += 2;
    } else if (rt::VarCompare(Value, E->GetValue()) == rt::crEqual) {
      return true;
    }
  }
  return false;
}

Variant TscSetExpression::GetValue() {
  const int N = Count();
  Variant A = rt::VarArrayCreate({0, N - 1}, rt::varVariant);
  for (int I = 0; I < N; ++I) A.ArrayPut({I}, GetItem(I) ? GetItem(I)->GetValue() : Variant::Null());
  return A;
}

// =============================================================================================
// Statements

TscStatement::TscStatement(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos)
    : FProgram(AProgram), FSourcePos(SourcePos), FUnitName(UnitName) {}

void TscStatement::Execute() {
  scCheckStack();
  if (!FProgram->ErrorPos.empty()) FProgram->ErrorPos.clear();
  const int N = Count();
  for (int I = 0; I < N && !FProgram->Terminated; ++I) {
    // The list does not change while it runs: no index check.
    auto* S = static_cast<TscStatement*>(FItems[static_cast<std::size_t>(I)]);
    FProgram->SetLastSourcePos(&S->FSourcePos);
    try {
      S->Execute();
    } catch (const rt::Exception&) {
      if (FProgram->ErrorPos.empty()) FProgram->ErrorPos = FProgram->LastSourcePos();
      throw;
    } catch (const std::bad_alloc&) {
      // Memory the system refused is a script error like any other: try/except sees it and
      // the host gets a message, not a dead server.
      if (FProgram->ErrorPos.empty()) FProgram->ErrorPos = FProgram->LastSourcePos();
      throw rt::EOutOfMemory("Out of memory");
    } catch (const std::length_error&) {
      if (FProgram->ErrorPos.empty()) FProgram->ErrorPos = FProgram->LastSourcePos();
      throw rt::EOutOfMemory("Out of memory");
    }
    if (FProgram->BreakCalled || FProgram->ContinueCalled || FProgram->ExitCalled) break;
  }
}

void TscStatement::SettleLone() {
  FLone = 0;
  if (Count() != 1) return;
  TscStatement* S = GetItem(0);
  if (dynamic_cast<TscAssignmentStmt*>(S) || dynamic_cast<TscCallStmt*>(S)) FLone = 1;
}

TscAssignmentStmt::~TscAssignmentStmt() {
  delete Designator;
  delete Expression;
}

void TscAssignmentStmt::Optimize() {
  if (Designator) {
    FVar = Designator;
    if (dynamic_cast<TscVariableDesignator*>(Designator)) FVar = Designator->RefItem;
  }
  FPlainTarget = FVar && typeid(*FVar) == typeid(TscVariable);
  FExpr = Expression;
  // An expression's value is its tree's: read the tree directly.
  if (auto* E = dynamic_cast<TscExpression*>(Expression)) {
    TscCustomVariable* Single = E->SingleItem();
    FExpr = Single ? Single : E->Root();
  }
}

void TscAssignmentStmt::DropPlainTarget() {
  if (!FVar || FVar == Designator || !dynamic_cast<TscVariableDesignator*>(Designator)) return;
  delete Designator;
  Designator = nullptr;
}

void TscAssignmentStmt::Execute() {
  Notify();
  if (Terminated()) return;
  if (!FVar) Optimize();
  if (FPlainTarget) static_cast<TscVariable*>(FVar)->TakeValue(FExpr->GetValue());
  else FVar->SetValue(FExpr->GetValue());
}

[[gnu::always_inline]] inline bool TscAssignmentStmt::IntegerStep(char Op) {
  if (FIntegerForm < 0) {
    FIntegerForm = 0;
    if (FPlainTarget && (FVar->Typ == fvtInt || FVar->Typ == fvtVariant)) {
      const std::type_info& T = typeid(*FExpr);
      if (T == typeid(TscOperandNode) || T == typeid(TscParamItem)) FIntegerForm = 1;
      else if (T == typeid(TscVariable)) FIntegerForm = 2;
    }
  }
  if (FIntegerForm == 0) return false;
  Variant& Stored = FVar->PValue();
  if (!Stored.IsInteger() || FVar->IsReadOnly || FVar->HasVarValueHook()) return false;
  if (FIntegerForm == 2 && FExpr->HasVarValueHook()) return false;
  const Variant& R = FExpr->PValue();
  if (!R.IsInteger()) return false;
  int Out = 0;
  const int L = Stored.ToInteger();
  const bool Overflow = Op == '+'   ? __builtin_add_overflow(L, R.ToInteger(), &Out)
                        : Op == '-' ? __builtin_sub_overflow(L, R.ToInteger(), &Out)
                                    : __builtin_mul_overflow(L, R.ToInteger(), &Out);
  if (Overflow) return false;
  Stored = Variant(Out);
  return true;
}

namespace {
// Reading V has no side effects: a constant, a plain variable without a hook, or operators over
// those.
bool ReadsWithoutSideEffects(TscCustomVariable* V) {
  if (auto* E = dynamic_cast<TscExpression*>(V)) V = E->Root();
  std::vector<TscCustomVariable*> Pending{V};
  while (!Pending.empty()) {
    TscCustomVariable* C = Pending.back();
    Pending.pop_back();
    if (!C) continue;
    if (auto* D = dynamic_cast<TscDesignatorNode*>(C)) {
      Pending.push_back(D->FVar);
      continue;
    }
    if (dynamic_cast<TscSetNode*>(C)) return false;
    if (auto* N = dynamic_cast<TscExpressionNode*>(C)) {
      Pending.push_back(N->FLeft);
      Pending.push_back(N->FRight);
      continue;
    }
    if (dynamic_cast<TscParamItem*>(C)) continue;
    auto* Var = dynamic_cast<TscVariable*>(C);
    if (!Var || Var->HasVarValueHook()) return false;
  }
  return true;
}
} // namespace

std::u16string* TscAssignPlusStmt::AppendTarget() {
  if (FInPlace < 0) {
    auto* Var = dynamic_cast<TscVariable*>(FVar);
    FInPlace = Var && !Var->HasVarValueHook() && !Var->IsReadOnly &&
                       (dynamic_cast<TscStringVariable*>(Var) || Var->Typ == fvtVariant || Var->Typ == fvtString) &&
                       ReadsWithoutSideEffects(FExpr)
                   ? (dynamic_cast<TscStringVariable*>(Var) ? 2 : 1)
                   : 0;
  }
  if (FInPlace == 0) return nullptr;
  if (FInPlace == 2) return &static_cast<TscStringVariable*>(FVar)->Str();
  return FVar->PValue().MutableString();
}

void TscAssignPlusStmt::Execute() {
  Notify();
  if (Terminated()) return;
  if (!FVar) Optimize();
  if (IntegerStep('+')) return;
  Append();
}

void TscAssignPlusStmt::Append() {
  if (std::u16string* Target = AppendTarget()) {
    // A constant text is appended from where it is stored, without a copy.
    if (typeid(*FExpr) == typeid(TscOperandNode) && FExpr->PValue().IsString()) {
      const std::u16string& Add = FExpr->PValue().RawString();
      rt::CheckStringLength(Target->size() + Add.size());
      Target->append(Add);
      return;
    }
    Variant R = FExpr->GetValue();
    // Text + text joins; any other pair follows the Variant rules below.
    if (R.IsString()) {
      rt::CheckStringLength(Target->size() + R.RawString().size());
      Target->append(R.RawString());
      return;
    }
    FVar->SetValue(FVar->GetValue() + R);
    return;
  }
  Combine('+');
}

void TscAssignmentStmt::Combine(char Op) {
  Variant L = FVar->GetValue();
  switch (Op) {
    case '+': FVar->SetValue(L + FExpr->GetValue()); break;
    case '-': FVar->SetValue(L - FExpr->GetValue()); break;
    case '*': FVar->SetValue(L * FExpr->GetValue()); break;
    default: FVar->SetValue(L / FExpr->GetValue()); break;
  }
}

void TscAssignMinusStmt::Execute() {
  Notify();
  if (Terminated()) return;
  if (!FVar) Optimize();
  if (IntegerStep('-')) return;
  Combine('-');
}

void TscAssignMulStmt::Execute() {
  Notify();
  if (Terminated()) return;
  if (!FVar) Optimize();
  if (IntegerStep('*')) return;
  Combine('*');
}

void TscAssignDivStmt::Execute() {
  Notify();
  if (Terminated()) return;
  if (!FVar) Optimize();
  Combine('/');
}

TscCallStmt::~TscCallStmt() { delete Designator; }

void TscCallStmt::Execute() {
  Notify();
  if (Terminated()) return;
  if (FStep == 3) FStep = Modificator.empty() ? 0 : Modificator == "+" ? 1 : Modificator == "-" ? -1 : 2;
  // An Integer or Variant variable holding an Integer steps in place while the result stays
  // an Integer.
  if ((FStep == 1 || FStep == -1) && !Designator->LateBinding) {
    TscCustomVariable* Var = Designator->RefItem;
    if (Var != FStepOf) SettleStepOf(Var);
    if (FStepInPlace) {
      Variant& Stored = Var->PValue();
      if (Stored.IsInteger() && !Var->IsReadOnly && !Var->HasVarValueHook()) {
        const int I = Stored.ToInteger();
        if (FStep > 0 ? I < INT_MAX : I > INT_MIN) {
          Stored = Variant(I + FStep);
          return;
        }
      }
    }
  }
  Run();
}

void TscCallStmt::SettleStepOf(TscCustomVariable* Var) {
  FStepOf = Var;
  FStepInPlace = Var && typeid(*Designator) == typeid(TscVariableDesignator) && typeid(*Var) == typeid(TscVariable) &&
                 (Var->Typ == fvtInt || Var->Typ == fvtVariant);
}

void TscCallStmt::Run() {
  if (FStep == 0) {
    Designator->NeedResult = false;
    Designator->GetValue();
  } else if (FStep != 2) {
    Variant V = Designator->GetValue();
    Designator->SetValue(FStep > 0 ? V + Variant(1) : V - Variant(1));
  }
}

namespace {
// What is read for a condition: an expression's value is its tree's, so loops read the tree.
TscCustomVariable* ConditionItem(TscCustomVariable* Condition) {
  auto* E = dynamic_cast<TscExpression*>(Condition);
  return E ? static_cast<TscCustomVariable*>(E->Root()) : Condition;
}
} // namespace

TscIfStmt::TscIfStmt(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos)
    : TscStatement(AProgram, UnitName, SourcePos), FElseStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)) {}

TscIfStmt::~TscIfStmt() { delete Condition; }

void TscIfStmt::Execute() {
  Notify();
  if (Terminated()) return;
  if (!FCondition) {
    FCondition = ConditionItem(Condition);
    FTest.Settle(FCondition);
  }
  if (FTest.Value()) RunList();
  else FElseStmt->RunList();
}

TscCaseSelector::~TscCaseSelector() { delete SetExpression; }

TscCaseStmt::TscCaseStmt(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos)
    : TscStatement(AProgram, UnitName, SourcePos), FElseStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)) {}

TscCaseStmt::~TscCaseStmt() { delete Condition; }

void TscCaseStmt::Execute() {
  Variant Value = Condition->GetValue();
  Notify();
  if (Terminated()) return;
  for (int I = 0; I < Count(); ++I) {
    auto* Sel = static_cast<TscCaseSelector*>(GetItem(I));
    if (Sel->Check(Value)) {
      Sel->RunList();
      return;
    }
  }
  FElseStmt->RunList();
}

TscRepeatStmt::~TscRepeatStmt() { delete Condition; }

void TscRepeatStmt::Execute() {
  Notify();
  if (Terminated()) return;
  TscCondition Cond;
  Cond.Settle(ConditionItem(Condition));
  for (;;) {
    RunList();
    if (FProgram->BreakCalled || FProgram->ExitCalled || FProgram->Terminated) break;
    FProgram->ContinueCalled.store(false, std::memory_order_relaxed);
    const bool C = Cond.Value();
    if (InverseCondition ? !C : C) break;
  }
  FProgram->BreakCalled.store(false, std::memory_order_relaxed);
}

TscWhileStmt::~TscWhileStmt() { delete Condition; }

void TscWhileStmt::Execute() {
  Notify();
  if (Terminated()) return;
  TscCondition Cond;
  Cond.Settle(ConditionItem(Condition));
  while (!FProgram->Terminated && Cond.Value()) {
    RunList();
    if (FProgram->BreakCalled || FProgram->ExitCalled) break;
    FProgram->ContinueCalled.store(false, std::memory_order_relaxed);
  }
  FProgram->BreakCalled.store(false, std::memory_order_relaxed);
}

TscForStmt::~TscForStmt() {
  delete BeginValue;
  delete EndValue;
}

void TscForStmt::Execute() {
  int B = 0, E = 0;
  try {
    B = BeginValue->GetValue().ToInteger();
    E = EndValue->GetValue().ToInteger();
  } catch (...) {
    Notify();
    throw;
  }
  Notify();
  if (Terminated()) return;
  if (Down ? B < E : E < B) return;
  const long long Passes = Down ? static_cast<long long>(B) - E + 1 : static_cast<long long>(E) - B + 1;
  long long Counter = B;
  for (long long K = 0; K < Passes && !FProgram->Terminated; ++K) {
    Variable->PValue() = Variant(static_cast<int>(Counter));
    RunList();
    if (FProgram->BreakCalled || FProgram->ExitCalled) break;
    FProgram->ContinueCalled.store(false, std::memory_order_relaxed);
    Counter += Down ? -1 : 1;
  }
  FProgram->BreakCalled.store(false, std::memory_order_relaxed);
}

TscVbForStmt::~TscVbForStmt() {
  delete BeginValue;
  delete EndValue;
  delete Step;
}

void TscVbForStmt::Execute() {
  Variant B = BeginValue->GetValue();
  Variant E = EndValue->GetValue();
  Variant S = Step ? Step->GetValue() : Variant(1);
  const bool Negative = rt::VarCompare(S, Variant(0)) == rt::crLessThan;
  Notify();
  if (Terminated()) return;
  Variant Cur = B;
  // Integer bounds and step: the counter steps as a machine integer while it stays an Integer,
  // then goes on by the Variant rules.
  bool Done = false;
  if (Cur.IsInteger() && E.IsInteger() && S.IsInteger()) {
    const int Last = E.ToInteger();
    const int By = S.ToInteger();
    int I = Cur.ToInteger();
    for (;;) {
      if (FProgram->Terminated || (Negative ? I < Last : I > Last)) {
        Done = true;
        break;
      }
      Variable->PValue() = Variant(I);
      RunList();
      if (FProgram->BreakCalled || FProgram->ExitCalled) {
        Done = true;
        break;
      }
      FProgram->ContinueCalled.store(false, std::memory_order_relaxed);
      int Next = 0;
      if (__builtin_add_overflow(I, By, &Next)) {
        Cur = Variant(I) + S;
        break;
      }
      I = Next;
    }
  }
  while (!Done && !FProgram->Terminated) {
    const rt::TVarCompareResult C = rt::VarCompare(Cur, E);
    if (Negative ? C == rt::crLessThan : C == rt::crGreaterThan) break;
    Variable->PValue() = Cur;
    RunList();
    if (FProgram->BreakCalled || FProgram->ExitCalled) break;
    FProgram->ContinueCalled.store(false, std::memory_order_relaxed);
    Cur = Cur + S;
  }
  FProgram->BreakCalled.store(false, std::memory_order_relaxed);
}

TscCppForStmt::TscCppForStmt(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos)
    : TscStatement(AProgram, UnitName, SourcePos),
      FFirstStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)),
      FSecondStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)) {}

TscCppForStmt::~TscCppForStmt() { delete Expression; }

void TscCppForStmt::Execute() {
  Notify();
  if (Terminated()) return;
  FFirstStmt->Execute();
  if (Terminated()) return;
  TscCondition Cond;
  Cond.Settle(ConditionItem(Expression));
  while (!FProgram->Terminated && Cond.Value()) {
    RunList();
    if (FProgram->BreakCalled || FProgram->ExitCalled) break;
    FProgram->ContinueCalled.store(false, std::memory_order_relaxed);
    FSecondStmt->RunList();
  }
  FProgram->BreakCalled.store(false, std::memory_order_relaxed);
}

TscTryStmt::TscTryStmt(TscScript* AProgram, const std::string& UnitName, const std::string& SourcePos)
    : TscStatement(AProgram, UnitName, SourcePos), FExceptStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)) {}

TscTryStmt::~TscTryStmt() = default;

void TscTryStmt::Execute() {
  Notify();
  if (Terminated()) return;
  if (IsExcept) {
    try {
      TscStatement::Execute();
    } catch (const rt::Exception& E) {
      FProgram->SetVariables("ExceptionClassName", Variant(E.ClassName()));
      FProgram->SetVariables("ExceptionMessage", Variant(E.Message()));
      FProgram->ErrorPos = FProgram->LastSourcePos();
      FExceptStmt->Execute();
    }
    return;
  }
  // The finally list always runs whole: a break, continue or exit that left the try list waits
  // until it is done, then goes on.
  auto RunFinally = [&] {
    const bool Exit = FProgram->ExitCalled;
    const bool Break = FProgram->BreakCalled;
    const bool Continue = FProgram->ContinueCalled;
    FProgram->ExitCalled.store(false, std::memory_order_relaxed);
    FProgram->BreakCalled.store(false, std::memory_order_relaxed);
    FProgram->ContinueCalled.store(false, std::memory_order_relaxed);
    FExceptStmt->Execute();
    FProgram->ExitCalled.store(Exit, std::memory_order_relaxed);
    FProgram->BreakCalled.store(Break || FProgram->BreakCalled, std::memory_order_relaxed);
    FProgram->ContinueCalled.store(Continue || FProgram->ContinueCalled, std::memory_order_relaxed);
  };
  try {
    TscStatement::Execute();
  } catch (...) {
    // The error keeps the position of the statement that raised, not of the finally list's.
    const std::string Pos = FProgram->ErrorPos;
    const std::string* Last = &FProgram->LastSourcePos();
    RunFinally();
    FProgram->ErrorPos = Pos;
    FProgram->SetLastSourcePos(Last);
    throw;
  }
  RunFinally();
}

void TscBreakStmt::Execute() { FProgram->BreakCalled = true; }
void TscContinueStmt::Execute() { FProgram->ContinueCalled = true; }

void TscExitStmt::Execute() {
  Notify();
  FProgram->ExitCalled.store(true, std::memory_order_relaxed);
}

TscWithStmt::~TscWithStmt() { delete Designator; }

void TscWithStmt::Execute() {
  TscStatement::Execute();
  Variable->SetValue(Designator->GetValue());
}

// =============================================================================================
// The binding-module list

namespace {
std::vector<TscRTTIModuleClass>* GModuleList = nullptr;
bool GModuleListFreed = false;
} // namespace

std::vector<TscRTTIModuleClass>* ScriptModuleList() {
  if (!GModuleList && !GModuleListFreed) GModuleList = new std::vector<TscRTTIModuleClass>();
  return GModuleList;
}

void scFreeScriptModuleList() {
  delete GModuleList;
  GModuleList = nullptr;
  GModuleListFreed = true;
}

// =============================================================================================
// TscScript

TscScript::TscScript() : FStatement(std::make_unique<TscStatement>(this, "", "")) { IncludePath.Add(""); }

TscScript::~TscScript() {
  Clear();
  ClearRTTI();
  FStatement.reset();
  // Whatever is left (items kept by Clear) goes last, newest first.
  while (!FItems.empty()) {
    std::unique_ptr<rt::TObject> O = std::move(FItems.back().Obj);
    FItems.pop_back();
  }
}

void TscScript::Add(const std::string& Name, rt::TObject* Item) {
  std::string Key = rt::Utf8UpperCase(Name);
  auto It = std::lower_bound(FItems.begin(), FItems.end(), Key,
                             [](const Entry& E, const std::string& K) { return E.Key < K; });
  FItems.insert(It, Entry{std::move(Key), std::unique_ptr<rt::TObject>(Item)});
  if (auto* V = dynamic_cast<TscCustomVariable*>(Item)) V->AddedBy = AddedBy;
}

void TscScript::Remove(rt::TObject* Item) {
  for (auto It = FItems.begin(); It != FItems.end(); ++It)
    if (It->Obj.get() == Item) {
      (void)It->Obj.release();
      FItems.erase(It);
      return;
    }
}

TscCustomVariable* TscScript::GetItem(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return dynamic_cast<TscCustomVariable*>(FItems[static_cast<std::size_t>(Index)].Obj.get());
}

TscCustomVariable* TscScript::FindLocal(const std::string& Name) const {
  const std::string Key = rt::Utf8UpperCase(Name);
  auto It = std::lower_bound(FItems.begin(), FItems.end(), Key,
                             [](const Entry& E, const std::string& K) { return E.Key < K; });
  if (It == FItems.end() || It->Key != Key) return nullptr;
  return dynamic_cast<TscCustomVariable*>(It->Obj.get());
}

TscCustomVariable* TscScript::Find(const std::string& Name) const {
  for (const TscScript* S = this; S; S = S->Parent)
    if (TscCustomVariable* V = S->FindLocal(Name)) return V;
  return nullptr;
}

TscClassVariable* TscScript::FindClass(const std::string& Name) const {
  return dynamic_cast<TscClassVariable*>(Find(Name));
}

void TscScript::ClearLines() { FUnitLines.clear(); }

void TscScript::Clear() {
  FLastSourcePos = nullptr;
  FStatement->Clear();
  // Newest entries go first so that nothing outlives what it was made for.
  std::vector<Entry> Keep;
  std::vector<Entry> Drop;
  for (Entry& E : FItems) {
    auto* V = dynamic_cast<TscCustomVariable*>(E.Obj.get());
    if (dynamic_cast<TscRTTIModule*>(E.Obj.get()) || (V && V->AddedBy == scAddedByRTTI)) Keep.push_back(std::move(E));
    else Drop.push_back(std::move(E));
  }
  FItems = std::move(Keep);
  while (!Drop.empty()) Drop.pop_back();
  ClearLines();
  ErrorPos.clear();
  ErrorMsg.clear();
  ErrorUnit.clear();
}

void TscScript::RemoveItems(TscAddedBy Owner) {
  // One pass that keeps the others in order (a report removes hundreds of objects before each
  // run); the removed items are freed afterwards, last first, as one by one would.
  std::vector<std::unique_ptr<rt::TObject>> Removed;
  std::size_t Kept = 0;
  for (std::size_t I = 0; I < FItems.size(); ++I) {
    auto* V = dynamic_cast<TscCustomVariable*>(FItems[I].Obj.get());
    if (V && V->AddedBy == Owner) Removed.push_back(std::move(FItems[I].Obj));
    else if (Kept++ != I) FItems[Kept - 1] = std::move(FItems[I]);
  }
  FItems.resize(Kept);
  while (!Removed.empty()) Removed.pop_back();
}

void TscScript::ClearItems(TscAddedBy Owner) {
  RemoveItems(Owner);
  FStatement->Clear();
  ClearLines();
}

void TscScript::AddRTTI() {
  if (FRTTIAdded) return;
  AddedBy = scAddedByRTTI;
  try {
    if (std::vector<TscRTTIModuleClass>* List = ScriptModuleList())
      for (TscRTTIModuleClass C : *List) Add("", C(this));
  } catch (...) {
    AddedBy = nullptr;
    throw;
  }
  AddedBy = nullptr;
  FRTTIAdded = true;
}

void TscScript::ClearRTTI() {
  if (!FRTTIAdded) return;
  for (int I = Count() - 1; I >= 0; --I) {
    rt::TObject* O = FItems[static_cast<std::size_t>(I)].Obj.get();
    auto* V = dynamic_cast<TscCustomVariable*>(O);
    if (dynamic_cast<TscRTTIModule*>(O) || (V && V->AddedBy == scAddedByRTTI)) FItems.erase(FItems.begin() + I);
  }
  FRTTIAdded = false;
}

TscClassVariable* TscScript::AddClass(rt::TClass AClass, const std::string& Ancestor) {
  if (Find(AClass->ClassName())) return nullptr;
  auto* C = new TscClassVariable(AClass, Ancestor);
  C->Program = this;
  Add(AClass->ClassName(), C);
  if (TscClassVariable* A = FindClass(Ancestor); A && A != C) C->DefProperty = A->DefProperty;
  return C;
}

void TscScript::AddConst(const std::string& Name, const std::string& Typ, const Variant& Value) {
  if (Find(Name)) return;
  auto V = std::make_unique<TscVariable>(Name, TypeNameToVarType(Typ, this), Typ);
  V->SetValue(Value);
  V->IsReadOnly = true;
  Add(Name, V.release());
}

void TscScript::AddEnumValues(const std::string& Typ, const std::string& Names, bool Set) {
  Add(Typ, new TscVariable(Typ, fvtEnum, Typ));
  long long Value = Set ? 1 : 0;
  for (const std::string& Raw : SplitCommas(Names)) {
    std::string Name = TrimText(Raw);
    auto* V = new TscVariable(Name, fvtEnum, Typ);
    V->PValue() = Value <= INT_MAX ? Variant(static_cast<int>(Value)) : Variant(Value);
    V->IsReadOnly = true;
    Add(Name, V);
    Value = Set ? Value * 2 : Value + 1;
  }
}

void TscScript::AddEnum(const std::string& Typ, const std::string& Names) { AddEnumValues(Typ, Names, false); }
void TscScript::AddEnumSet(const std::string& Typ, const std::string& Names) { AddEnumValues(Typ, Names, true); }

TscMethodHelper* TscScript::AddMethod(const std::string& Syntax, const TscCallMethodNewEvent& CallEvent,
                                      const std::string& Category, const std::string& Description) {
  auto* M = new TscMethodHelper(Syntax, this);
  M->OnCallNew = CallEvent;
  M->Category = Category;
  M->Description = Description.empty() ? M->Name() : Description;
  Add(M->Name(), M);
  return M;
}

TscMethodHelper* TscScript::AddMethod(const std::string& Syntax, const TscCallMethodEvent& CallEvent,
                                      const std::string& Category, const std::string& Description) {
  auto* M = new TscMethodHelper(Syntax, this);
  M->OnCall = CallEvent;
  M->Category = Category;
  M->Description = Description.empty() ? M->Name() : Description;
  Add(M->Name(), M);
  return M;
}

void TscScript::AddObject(const std::string& Name, rt::TObject* Obj) {
  AddVariable(Name, Obj ? Obj->ClassName() : std::string("TObject"), rt::VarFromObject(Obj));
}

void TscScript::AddVariable(const std::string& Name, const std::string& Typ, const Variant& Value) {
  if (Find(Name)) return;
  auto V = std::make_unique<TscVariable>(Name, TypeNameToVarType(Typ, this), Typ);
  V->SetValue(Value);
  V->SetOnGetVarValue(OnGetVarValue);
  Add(Name, V.release());
}

void TscScript::AddType(const std::string& TypeName, TscVarType ParentType) {
  if (Find(TypeName)) return;
  Add(TypeName, new TscTypeVariable(TypeName, ParentType, ""));
}

void TscScript::Execute() {
  ExitCalled = false;
  Terminated = false;
  IsRunning = true;
  MainProg = true;
  try {
    FStatement->Execute();
  } catch (...) {
    ExitCalled = false;
    Terminated = false;
    IsRunning = false;
    throw;
  }
  ExitCalled = false;
  Terminated = false;
  IsRunning = false;
}

namespace {
// Calls Func with the values of the array Params. A host calling a routine that is running
// already (from inside it, through a native function) must not clobber the running call: its
// locals and parameters are saved and put back afterwards, as for a script's own recursive call.
// Back, when given, receives what the call left in the parameters.
Variant CallFromHost(TscProcVariable* Func, const Variant& Params, std::vector<Variant>* Back) {
  const int Frame = Func->Executing ? Func->SaveLocalVariables() : -1;
  Variant R;
  try {
    if (Params.IsArray()) {
      const int High = Params.ArrayHighBound(1);
      const int Low = Params.ArrayLowBound(1);
      for (int I = 0; I <= High; ++I) {
        if (I >= Func->Count()) IndexError(I);
        Func->Params(I)->SetValue(I >= Low ? Params.ArrayGet({I}) : Variant());
      }
    }
    R = Func->GetValue();
    if (Back)
      for (int I = 0; I < Func->Count(); ++I) Back->push_back(Func->Params(I)->GetValue());
  } catch (...) {
    Func->RestoreLocalVariables(Frame, false, nullptr);
    throw;
  }
  Func->RestoreLocalVariables(Frame, false, nullptr);
  return R;
}
} // namespace

Variant TscScript::CallFunction2(TscProcVariable* Func, const Variant& Params) {
  if (!Func) return Variant::Null();
  return CallFromHost(Func, Params, nullptr);
}

Variant TscScript::CallFunction(const std::string& Name, const Variant& Params, bool sGlobal) {
  auto* F = dynamic_cast<TscProcVariable*>(sGlobal ? Find(Name) : FindLocal(Name));
  return CallFunction2(F, Params);
}

Variant TscScript::CallFunction1(const std::string& Name, Variant& Params, bool sGlobal) {
  auto* F = dynamic_cast<TscProcVariable*>(sGlobal ? Find(Name) : FindLocal(Name));
  if (!F) return Variant::Null();
  std::vector<Variant> Back;
  Variant R = CallFromHost(F, Params, &Back);
  if (Params.IsArray())
    for (int I = Params.ArrayLowBound(1); I <= Params.ArrayHighBound(1); ++I)
      if (I >= 0 && I < static_cast<int>(Back.size())) Params.ArrayPut({I}, Back[static_cast<std::size_t>(I)]);
  return R;
}

void TscScript::Terminate() {
  ExitCalled = true;
  Terminated = true;
  for (Entry& E : FItems)
    if (auto* P = dynamic_cast<TscProcVariable*>(E.Obj.get())) P->Prog()->Terminate();
}

void TscScript::AddCodeLine(const std::string& UnitName, const std::string& APos) {
  std::size_t Colon = APos.find(':');
  FUnitLines[rt::Utf8UpperCase(UnitName)].insert(APos.substr(0, Colon));
}

bool TscScript::IsExecutableLine(int LineN, const std::string& UnitName) const {
  auto It = FUnitLines.find(rt::Utf8UpperCase(UnitName));
  return It != FUnitLines.end() && It->second.count(rt::IntToStr(LineN)) > 0;
}

Variant TscScript::Variables(const std::string& Name) const {
  TscCustomVariable* V = Find(Name);
  return V ? V->GetValue() : Variant::Null();
}

void TscScript::SetVariables(const std::string& Name, const Variant& Value) {
  if (TscCustomVariable* V = Find(Name)) V->SetValue(Value);
  else AddVariable(Name, "Variant", Value);
}

std::string TscScript::ProgName() const {
  if (ProgRunning && ProgRunning != this) return ProgRunning->ProgName();
  return FProgNameRef ? *FProgNameRef : FProgName;
}

void TscScript::SetProgName(const std::string& Value) {
  if (ProgRunning && ProgRunning != this) {
    ProgRunning->SetProgName(Value);
    return;
  }
  FProgName = Value;
  FProgNameRef = nullptr;
}
