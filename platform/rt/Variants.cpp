#include "platform/rt/Variants.h"

#include <cfenv>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>
#include <variant>

#include "platform/rt/Classes.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"

namespace rt {

namespace {

// The kinds the operator rules tell apart.
enum class Cat { Empty, Null, Int, Int64, Double, Date, Bool, Str, Array, Dispatch };

Cat CatOf(const Variant& V) {
  switch (V.VarType()) {
    case varEmpty: return Cat::Empty;
    case varNull: return Cat::Null;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
      return Cat::Int;
    case varLongWord: case varInt64: return Cat::Int64;
    case varDouble: return Cat::Double;
    case varDate: return Cat::Date;
    case varBoolean: return Cat::Bool;
    case varUString: return Cat::Str;
    case varDispatch: return Cat::Dispatch;
    default: return Cat::Array;
  }
}

[[noreturn]] void CastError(TVarType From, TVarType To) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(From) +
                              ") into type (" + VarTypeAsText(To) + ")");
}

[[noreturn]] void OverflowError(TVarType From, TVarType To) {
  throw EVariantOverflowError("Overflow while converting variant of type (" + VarTypeAsText(From) +
                              ") into type (" + VarTypeAsText(To) + ")");
}

[[noreturn]] void InvalidOp() { throw EVariantInvalidOpError("Invalid variant operation"); }

// Optional blanks, optional sign, decimal digits or '$' / "0x" hexadecimal, optional blanks.
bool TryParseInt64(std::u16string_view S, std::int64_t& Out) {
  std::size_t I = 0, N = S.size();
  while (I < N && S[I] <= ' ') ++I;
  while (N > I && S[N - 1] <= ' ') --N;
  bool Neg = false;
  if (I < N && (S[I] == '+' || S[I] == '-')) Neg = S[I++] == '-';
  int Base = 10;
  if (I < N && S[I] == '$') { Base = 16; ++I; }
  else if (I + 1 < N && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) { Base = 16; I += 2; }
  if (I >= N) return false;
  unsigned long long Acc = 0;
  const unsigned long long Limit = Neg ? 9223372036854775808ULL : 9223372036854775807ULL;
  for (; I < N; ++I) {
    char16_t C = S[I];
    const int D = HexDigitValue(C);
    if (D < 0 || D >= Base) return false;
    if (Acc > (Limit - D) / Base) {
      if (Base == 16 && !Neg && Acc <= (ULLONG_MAX - D) / 16) { Acc = Acc * 16 + D; continue; }
      return false;
    }
    Acc = Acc * Base + D;
  }
  Out = Neg ? static_cast<std::int64_t>(0 - Acc) : static_cast<std::int64_t>(Acc);
  return true;
}

bool TryParseDouble(std::u16string_view S, double& Out) {
  std::int64_t I;
  if (TryParseInt64(S, I)) { Out = static_cast<double>(I); return true; }
  for (char16_t C : S)
    if (C >= 0x80) return false;
  std::string A(S.begin(), S.end());
  return TryStrToFloat(A, Out) && std::isfinite(Out);
}

// Round half to even, as the runtime converts floating values to integers.
double RoundEven(double D) { return D - std::remainder(D, 1.0); }

bool FitsInt32(std::int64_t V) { return V >= INT_MIN && V <= INT_MAX; }

Variant IntResult(std::int64_t V) { return FitsInt32(V) ? Variant(static_cast<int>(V)) : Variant(static_cast<long long>(V)); }

// Floating result of an operation on finite operands: never NaN or infinity.
double CheckFloat(double R) {
  if (std::isnan(R)) throw EInvalidOp("Invalid floating point operation");
  if (std::isinf(R)) throw EOverflow("Floating point overflow");
  return R;
}

const std::u16string kTrue = u"True";
const std::u16string kFalse = u"False";

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and type

Variant::Variant(const char* S) : FType(varUString), FStore(Store::Str), FStr(Utf8ToUtf16(S)) {}
Variant::Variant(const std::string& S) : FType(varUString), FStore(Store::Str), FStr(Utf8ToUtf16(S)) {}
Variant::Variant(std::string_view S) : FType(varUString), FStore(Store::Str), FStr(Utf8ToUtf16(S)) {}

void Variant::BadAccess() { throw std::bad_variant_access(); }

void Variant::CopyHeavy(const Variant& O) {
  switch (O.FStore) {
    case Store::Str: new (&FStr) std::u16string(O.FStr); break;
    case Store::Array: new (&FArray) std::shared_ptr<ArrayData>(O.FArray); break;
    case Store::Dispatch: new (&FDispatch) std::shared_ptr<IDispatch>(O.FDispatch); break;
    default: FInt = O.FInt; break;
  }
}

// The source keeps its type with an emptied payload, as a moved-from string or pointer is.
void Variant::MoveHeavy(Variant&& O) noexcept {
  switch (O.FStore) {
    case Store::Str: new (&FStr) std::u16string(std::move(O.FStr)); break;
    case Store::Array: new (&FArray) std::shared_ptr<ArrayData>(std::move(O.FArray)); break;
    case Store::Dispatch: new (&FDispatch) std::shared_ptr<IDispatch>(std::move(O.FDispatch)); break;
    default: FInt = O.FInt; break;
  }
}

void Variant::AssignHeavy(const Variant& O) {
  if (FStore == O.FStore) {
    // Same kind: the string assignment reuses this one's buffer.
    FType = O.FType;
    switch (FStore) {
      case Store::Str: FStr = O.FStr; return;
      case Store::Array: FArray = O.FArray; return;
      case Store::Dispatch: FDispatch = O.FDispatch; return;
      default: FInt = O.FInt; return;
    }
  }
  Variant Copy(O);  // may throw; this value stays as it was then
  *this = std::move(Copy);
}

void Variant::MoveAssignHeavy(Variant&& O) noexcept {
  if (FStore >= Store::Str) DestroyHeavy();
  FType = O.FType;
  FStore = O.FStore;
  if (O.FStore < Store::Str) FInt = O.FInt;
  else MoveHeavy(std::move(O));
}

void Variant::DestroyHeavy() noexcept {
  switch (FStore) {
    case Store::Str: FStr.~basic_string(); break;
    case Store::Array: FArray.~shared_ptr(); break;
    case Store::Dispatch: FDispatch.~shared_ptr(); break;
    default: break;
  }
  FStore = Store::None;
}

Variant Variant::Date(double D) {
  Variant V(D);
  V.FType = varDate;
  return V;
}

Variant Variant::Dispatch(std::shared_ptr<IDispatch> Obj) {
  Variant V;
  V.FType = varDispatch;
  V.FStore = Store::Dispatch;
  new (&V.FDispatch) std::shared_ptr<IDispatch>(std::move(Obj));
  return V;
}

std::shared_ptr<IDispatch> Variant::ToDispatch() const {
  if (FType != varDispatch) CastError(VarType(), varDispatch);
  return FDispatch;
}

Variant Variant::OfInt(TVarType Type, std::int64_t X) {
  Variant V;
  switch (Type) {
    case varSmallint: X = static_cast<std::int16_t>(X); break;
    case varShortInt: X = static_cast<std::int8_t>(X); break;
    case varByte: X = static_cast<std::uint8_t>(X); break;
    case varWord: X = static_cast<std::uint16_t>(X); break;
    case varLongWord: X = static_cast<std::uint32_t>(X); break;
    case varInteger: X = static_cast<std::int32_t>(X); break;
    case varInt64: break;
    default: throw EVariantInvalidArgError("Not an integer variant type: " + VarTypeAsText(Type));
  }
  V.FType = Type;
  V.FStore = Store::Int;
  V.FInt = X;
  return V;
}

TVarType Variant::ArrayVarType() const { return varArray | ConstArray().ElementType; }

bool Variant::IsOrdinal() const {
  const Cat C = CatOf(*this);
  return C == Cat::Int || C == Cat::Int64;
}

std::string VarTypeAsText(TVarType Type) {
  if (Type & varArray) return "Array of " + VarTypeAsText(Type & varTypeMask);
  switch (Type & varTypeMask) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varOleStr: return "OleStr";
    case varDispatch: return "Dispatch";
    case varError: return "Error";
    case varBoolean: return "Boolean";
    case varVariant: return "Variant";
    case varUnknown: return "Unknown";
    case varShortInt: return "ShortInt";
    case varByte: return "Byte";
    case varWord: return "Word";
    case varLongWord: return "LongWord";
    case varInt64: return "Int64";
    case varString: case varUString: return "String";
    default: return "Unknown";
  }
}

// ---------------------------------------------------------------------------------------------
// Conversions

std::int64_t Variant::ToInt64Other() const {
  if (FType == varEmpty) return 0;
  switch (CatOf(*this)) {
    case Cat::Empty: return 0;
    case Cat::Int: case Cat::Int64: return RawInt();
    case Cat::Bool: return RawBool() ? -1 : 0;
    case Cat::Double: case Cat::Date: {
      double D = RoundEven(RawDouble());
      if (!(D >= -9223372036854775808.0 && D < 9223372036854775808.0)) OverflowError(VarType(), varInt64);
      return static_cast<std::int64_t>(D);
    }
    case Cat::Str: {
      std::int64_t I;
      if (TryParseInt64(RawString(), I)) return I;
      double D;
      if (!TryParseDouble(RawString(), D)) CastError(varUString, varInt64);
      D = RoundEven(D);
      if (!(D >= -9223372036854775808.0 && D < 9223372036854775808.0)) OverflowError(varUString, varInt64);
      return static_cast<std::int64_t>(D);
    }
    default: CastError(VarType(), varInt64);
  }
}

int Variant::ToIntegerOther() const {
  if (FType == varEmpty) return 0;
  switch (CatOf(*this)) {
    case Cat::Null: case Cat::Array: CastError(VarType(), varInteger);
    case Cat::Double: case Cat::Date: {
      double D = RoundEven(RawDouble());
      if (!(D >= INT_MIN && D <= INT_MAX)) OverflowError(VarType(), varInteger);
      return static_cast<int>(D);
    }
    default: break;
  }
  std::int64_t V;
  try {
    V = ToInt64();
  } catch (const EVariantError&) {
    if (IsString()) CastError(varUString, varInteger);
    throw;
  }
  if (!FitsInt32(V)) OverflowError(VarType(), varInteger);
  return static_cast<int>(V);
}

double Variant::ToDoubleOther() const {
  switch (CatOf(*this)) {
    case Cat::Empty: return 0;
    case Cat::Int: case Cat::Int64: return static_cast<double>(RawInt());
    case Cat::Bool: return RawBool() ? -1 : 0;
    case Cat::Double: case Cat::Date: return RawDouble();
    case Cat::Str: {
      double D;
      if (!TryParseDouble(RawString(), D)) CastError(varUString, varDouble);
      return D;
    }
    default: CastError(VarType(), varDouble);
  }
}

bool Variant::ToBooleanOther() const {
  switch (CatOf(*this)) {
    case Cat::Empty: return false;
    case Cat::Int: case Cat::Int64: return RawInt() != 0;
    case Cat::Bool: return RawBool();
    case Cat::Double: case Cat::Date: return RawDouble() != 0;
    case Cat::Str: {
      const std::u16string& S = RawString();
      if (WideCompareText(S, kTrue) == 0) return true;
      if (WideCompareText(S, kFalse) == 0) return false;
      double D;
      if (!TryParseDouble(S, D)) CastError(varUString, varBoolean);
      return D != 0;
    }
    default: CastError(VarType(), varBoolean);
  }
}

std::u16string Variant::ToUString() const {
  switch (CatOf(*this)) {
    case Cat::Empty: return std::u16string();
    case Cat::Int: case Cat::Int64: return Utf8ToUtf16(IntToStr(RawInt()));
    case Cat::Bool: return RawBool() ? kTrue : kFalse;
    case Cat::Double: return Utf8ToUtf16(FloatToStr(RawDouble()));
    case Cat::Date: return Utf8ToUtf16(DateTimeToStr(RawDouble()));
    case Cat::Str: return RawString();
    default: CastError(VarType(), varUString);
  }
}

std::string Variant::ToString() const {
  if (IsString()) return Utf16ToUtf8(RawString());
  return Utf16ToUtf8(ToUString());
}

std::string VarToStr(const Variant& V) { return V.IsNull() ? std::string() : V.ToString(); }
std::u16string VarToUStr(const Variant& V) { return V.IsNull() ? std::u16string() : V.ToUString(); }

Variant VarAsType(const Variant& V, TVarType Type) {
  switch (Type & varTypeMask) {
    case varEmpty: return Variant();
    case varNull: return Variant::Null();
    case varVariant: return V;
    case varInteger: return V.VarType() == varInteger ? V : Variant(V.ToInteger());
    case varInt64: return V.VarType() == varInt64 ? V : Variant(static_cast<long long>(V.ToInt64()));
    case varSmallint: case varShortInt: case varByte: case varWord: case varLongWord: {
      if (V.VarType() == Type) return V;
      std::int64_t X = V.ToInt64();
      Variant R = Variant::OfInt(Type, X);
      if (R.RawInt() != X) OverflowError(V.VarType(), Type);
      return R;
    }
    case varSingle: case varDouble: case varCurrency:
      return V.VarType() == varDouble ? V : Variant(V.ToDouble());
    case varDate: return V.VarType() == varDate ? V : Variant::Date(V.ToDouble());
    case varBoolean: return V.IsBoolean() ? V : Variant(V.ToBoolean());
    case varOleStr: case varString: case varUString: return V.IsString() ? V : Variant(V.ToUString());
    default: CastError(V.VarType(), Type);
  }
}

void CheckStringLength(std::size_t Length) {
  if (Length > kMaxStringLength)
    throw EOutOfMemory("String too long (more than " + IntToStr(static_cast<long long>(kMaxStringLength)) +
                       " characters)");
}

// ---- Object handles ----
//
// A handle is (generation << 32) | slot. A slot's generation changes when its object dies, so a
// handle to a freed object never names the object that takes the slot next; generations start
// at 1, so no 32-bit integer is ever a handle.
namespace {

struct HandleSlot {
  TObject* Obj = nullptr;
  std::uint32_t Generation = 1;
};

struct HandleTable {
  std::mutex Lock;
  std::vector<HandleSlot> Slots;
  std::vector<std::uint32_t> FreeSlots;
};

// Never destroyed: objects with handles may die during static destruction.
HandleTable& Handles() {
  static HandleTable* Table = new HandleTable;
  return *Table;
}

constexpr std::uint32_t kMaxGeneration = 0x7FFFFFFF;  // handles stay positive

TObject* LookUpHandle(std::int64_t Handle) {
  if (Handle <= 0) return nullptr;
  const auto H = static_cast<std::uint64_t>(Handle);
  const auto Slot = static_cast<std::uint32_t>(H & 0xFFFFFFFFu);
  const auto Generation = static_cast<std::uint32_t>(H >> 32);
  HandleTable& T = Handles();
  std::lock_guard<std::mutex> G(T.Lock);
  if (Slot >= T.Slots.size() || T.Slots[Slot].Generation != Generation) return nullptr;
  return T.Slots[Slot].Obj;
}

[[noreturn]] void InvalidReference() {
  throw EInvalidPointer("Invalid object reference: the object was freed or never existed");
}

} // namespace

std::uint64_t ObjectHandle(const TObject* Obj) {
  if (!Obj) return 0;
  if (std::uint64_t H = Obj->FHandle.load(std::memory_order_relaxed)) return H;
  HandleTable& T = Handles();
  std::lock_guard<std::mutex> G(T.Lock);
  if (std::uint64_t H = Obj->FHandle.load(std::memory_order_relaxed)) return H;
  std::uint32_t Slot;
  if (!T.FreeSlots.empty()) {
    Slot = T.FreeSlots.back();
    T.FreeSlots.pop_back();
  } else {
    Slot = static_cast<std::uint32_t>(T.Slots.size());
    T.Slots.emplace_back();
  }
  T.Slots[Slot].Obj = const_cast<TObject*>(Obj);
  const std::uint64_t H = (static_cast<std::uint64_t>(T.Slots[Slot].Generation) << 32) | Slot;
  Obj->FHandle.store(H, std::memory_order_relaxed);
  return H;
}

void ReleaseObjectHandle(TObject* Obj) {
  HandleTable& T = Handles();
  std::lock_guard<std::mutex> G(T.Lock);
  const std::uint64_t H = Obj->FHandle.load(std::memory_order_relaxed);
  if (H == 0) return;
  const auto Slot = static_cast<std::uint32_t>(H & 0xFFFFFFFFu);
  HandleSlot& S = T.Slots[Slot];
  S.Obj = nullptr;
  S.Generation = S.Generation >= kMaxGeneration ? 1 : S.Generation + 1;
  T.FreeSlots.push_back(Slot);
  Obj->FHandle.store(0, std::memory_order_relaxed);
}

Variant VarFromObject(const TObject* Obj) {
  return Variant(static_cast<long long>(ObjectHandle(Obj)));
}

TObject* VarToObject(const Variant& V) {
  switch (CatOf(V)) {
    case Cat::Empty: case Cat::Null: return nullptr;
    case Cat::Int: case Cat::Int64: {
      if (V.RawInt() == 0) return nullptr;
      TObject* O = LookUpHandle(V.RawInt());
      if (!O) InvalidReference();
      return O;
    }
    default: CastError(V.VarType(), varInt64);
  }
}

TObject* VarFindObject(const Variant& V) {
  switch (CatOf(V)) {
    case Cat::Int: case Cat::Int64: return LookUpHandle(V.RawInt());
    default: return nullptr;
  }
}

bool Variant::Identical(const Variant& O) const {
  if (FType != O.FType) return false;
  switch (CatOf(*this)) {
    case Cat::Empty: case Cat::Null: return true;
    case Cat::Int: case Cat::Int64: return RawInt() == O.RawInt();
    case Cat::Double: case Cat::Date: return RawDouble() == O.RawDouble();
    case Cat::Bool: return RawBool() == O.RawBool();
    case Cat::Str: return RawString() == O.RawString();
    case Cat::Dispatch:
      return FDispatch == O.FDispatch;
    case Cat::Array: {
      const ArrayData& A = ConstArray();
      const ArrayData& B = O.ConstArray();
      if (A.ElementType != B.ElementType || A.Bounds.size() != B.Bounds.size() || A.Data.size() != B.Data.size())
        return false;
      for (std::size_t I = 0; I < A.Bounds.size(); ++I)
        if (A.Bounds[I].LowBound != B.Bounds[I].LowBound || A.Bounds[I].ElementCount != B.Bounds[I].ElementCount)
          return false;
      for (std::size_t I = 0; I < A.Data.size(); ++I)
        if (!A.Data[I].Identical(B.Data[I])) return false;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Arrays

const Variant::ArrayData& Variant::ConstArray() const {
  if (FType != varArray) throw EVariantInvalidArgError("Variant is not an array");
  return *FArray;
}

Variant::ArrayData& Variant::MutableArray() {
  if (FType != varArray) throw EVariantInvalidArgError("Variant is not an array");
  auto& P = FArray;
  if (P.use_count() > 1) P = std::make_shared<ArrayData>(*P);  // copies keep their own elements
  return *P;
}

Variant VarArrayCreate(const std::vector<int>& Bounds, TVarType ElementType) {
  if (Bounds.empty() || Bounds.size() % 2 != 0)
    throw EVariantInvalidArgError("Variant array bounds must come in low and high pairs");
  auto A = std::make_shared<Variant::ArrayData>();
  A->ElementType = ElementType & varTypeMask;
  std::size_t Total = 1;
  for (std::size_t I = 0; I < Bounds.size(); I += 2) {
    long long Count = static_cast<long long>(Bounds[I + 1]) - Bounds[I] + 1;
    if (Count < 0) throw EVariantInvalidArgError("Variant array high bound is below its low bound");
    A->Bounds.push_back({Bounds[I], static_cast<int>(Count)});
    Total *= static_cast<std::size_t>(Count);
    if (Total > kMaxArrayElements) throw EVariantInvalidArgError("Variant array too large");
  }
  Variant Init;
  switch (A->ElementType) {
    case varVariant: break;
    case varBoolean: Init = Variant(false); break;
    case varOleStr: case varString: case varUString: A->ElementType = varUString; Init = Variant(u""); break;
    default: Init = VarAsType(Variant(0), A->ElementType); break;
  }
  A->Data.assign(Total, Init);
  Variant V;
  V.FType = varArray;
  V.FStore = Variant::Store::Array;
  new (&V.FArray) std::shared_ptr<Variant::ArrayData>(std::move(A));
  return V;
}

Variant VarArrayOf(const std::vector<Variant>& Values) {
  Variant V = VarArrayCreate({0, static_cast<int>(Values.size()) - 1}, varVariant);
  for (std::size_t I = 0; I < Values.size(); ++I) V.ArrayPut({static_cast<int>(I)}, Values[I]);
  return V;
}

Variant VarArrayOf(std::initializer_list<Variant> Values) { return VarArrayOf(std::vector<Variant>(Values)); }

int Variant::ArrayDimCount() const { return static_cast<int>(ConstArray().Bounds.size()); }

int Variant::ArrayLowBound(int Dim) const {
  const ArrayData& A = ConstArray();
  if (Dim < 1 || Dim > static_cast<int>(A.Bounds.size())) throw EVariantInvalidArgError("Variant array has no dimension " + IntToStr(Dim));
  return A.Bounds[Dim - 1].LowBound;
}

int Variant::ArrayHighBound(int Dim) const {
  const ArrayData& A = ConstArray();
  if (Dim < 1 || Dim > static_cast<int>(A.Bounds.size())) throw EVariantInvalidArgError("Variant array has no dimension " + IntToStr(Dim));
  return A.Bounds[Dim - 1].LowBound + A.Bounds[Dim - 1].ElementCount - 1;
}

TVarType Variant::ArrayElementType() const { return ConstArray().ElementType; }

std::size_t Variant::ArrayOffset(const std::vector<int>& Indexes) const {
  const ArrayData& A = ConstArray();
  if (Indexes.size() != A.Bounds.size()) throw EVariantBadIndexError("Variant or safe array index out of bounds");
  std::size_t Off = 0;
  for (std::size_t I = 0; I < Indexes.size(); ++I) {
    long long K = static_cast<long long>(Indexes[I]) - A.Bounds[I].LowBound;
    if (K < 0 || K >= A.Bounds[I].ElementCount) throw EVariantBadIndexError("Variant or safe array index out of bounds");
    Off = Off * A.Bounds[I].ElementCount + static_cast<std::size_t>(K);
  }
  return Off;
}

Variant Variant::ArrayGet(const std::vector<int>& Indexes) const { return ConstArray().Data[ArrayOffset(Indexes)]; }

void Variant::ArrayPut(const std::vector<int>& Indexes, const Variant& Value) {
  std::size_t Off = ArrayOffset(Indexes);
  ArrayData& A = MutableArray();
  A.Data[Off] = A.ElementType == varVariant ? Value : VarAsType(Value, A.ElementType);
}

void Variant::ArrayRedim(int HighBound) {
  ArrayData& A = MutableArray();
  long long Count = static_cast<long long>(HighBound) - A.Bounds[0].LowBound + 1;
  if (Count < 0) throw EVariantInvalidArgError("Variant array high bound is below its low bound");
  std::size_t Row = 1;
  for (std::size_t I = 1; I < A.Bounds.size(); ++I) Row *= A.Bounds[I].ElementCount;
  if (static_cast<unsigned long long>(Count) * Row > kMaxArrayElements) throw EVariantInvalidArgError("Variant array too large");
  Variant Init;
  if (A.ElementType != varVariant) Init = A.ElementType == varBoolean ? Variant(false) : A.ElementType == varUString ? Variant(u"") : VarAsType(Variant(0), A.ElementType);
  A.Data.resize(static_cast<std::size_t>(Count) * Row, Init);
  A.Bounds[0].ElementCount = static_cast<int>(Count);
}

int Variant::ArrayElementCount() const { return static_cast<int>(ConstArray().Data.size()); }

const Variant& Variant::ArrayAt(int Position) const {
  const ArrayData& A = ConstArray();
  if (Position < 0 || Position >= static_cast<int>(A.Data.size())) throw EVariantBadIndexError("Variant or safe array index out of bounds");
  return A.Data[Position];
}

// ---------------------------------------------------------------------------------------------
// Operators

namespace {

// Integer arithmetic with overflow to Int64 (32-bit operands) or EIntOverflow (64-bit).
Variant IntArith(std::int64_t A, std::int64_t B, TVarOp Op, bool Wide) {
  std::int64_t R;
  bool Over = false;
  switch (Op) {
    case opAdd: Over = __builtin_add_overflow(A, B, &R); break;
    case opSubtract: Over = __builtin_sub_overflow(A, B, &R); break;
    default: Over = __builtin_mul_overflow(A, B, &R); break;
  }
  if (Over) throw EIntOverflow("Integer overflow");
  return Wide ? Variant(static_cast<long long>(R)) : IntResult(R);
}

double FloatArith(double A, double B, TVarOp Op) {
  switch (Op) {
    case opAdd: return CheckFloat(A + B);
    case opSubtract: return CheckFloat(A - B);
    case opMultiply: return CheckFloat(A * B);
    default:
      if (B == 0) {
        if (A == 0) throw EInvalidOp("Invalid floating point operation");
        throw EZeroDivide("Floating point division by zero");
      }
      return CheckFloat(A / B);
  }
}

// Empty, Boolean and string operands of arithmetic become numbers.
Cat NumericCat(const Variant& V, Cat C, Cat Other) {
  switch (C) {
    case Cat::Empty: case Cat::Bool: return Cat::Int;
    case Cat::Str: return Other == Cat::Date ? Cat::Date : Cat::Double;
    default: return C;
  }
  (void)V;
}

bool IsBoolLike(const Variant& V, Cat C) {
  if (C == Cat::Bool) return true;
  if (C != Cat::Str) return false;
  return WideCompareText(V.RawString(), kTrue) == 0 || WideCompareText(V.RawString(), kFalse) == 0;
}

Variant Arith(const Variant& L, const Variant& R, TVarOp Op) {
  Cat CL = CatOf(L), CR = CatOf(R);
  if (Op == opAdd) {
    if (CL == Cat::Str && CR == Cat::Empty) return L;
    if (CL == Cat::Str && CR == Cat::Str) {
      CheckStringLength(L.RawString().size() + R.RawString().size());
      return L.RawString() + R.RawString();
    }
    if (CL == Cat::Empty && CR == Cat::Str) return R;
  }
  CL = NumericCat(L, CL, CR);
  CR = NumericCat(R, CR, CL);
  if (CL == Cat::Date || CR == Cat::Date) {
    double D = FloatArith(L.ToDouble(), R.ToDouble(), Op);
    if (Op == opAdd || (Op == opSubtract && !(CL == Cat::Date && CR == Cat::Date))) return Variant::Date(D);
    return Variant(D);
  }
  if (CL == Cat::Double || CR == Cat::Double) return Variant(FloatArith(L.ToDouble(), R.ToDouble(), Op));
  return IntArith(L.ToInt64(), R.ToInt64(), Op, CL == Cat::Int64 || CR == Cat::Int64);
}

} // namespace

Variant VarBinaryOp(const Variant& L, const Variant& R, TVarOp Op) {
  // Scripts mostly add and compare plain integers: the same result as Arith, without the
  // category work. Two 32-bit operands cannot overflow 64 bits.
  if (L.VarType() == varInteger && R.VarType() == varInteger) {
    const std::int64_t A = L.RawInt(), B = R.RawInt();
    if (Op == opAdd) return IntResult(A + B);
    if (Op == opSubtract) return IntResult(A - B);
    if (Op == opMultiply) return IntResult(A * B);
  }
  const Cat CL = CatOf(L), CR = CatOf(R);
  if (CL == Cat::Array || CR == Cat::Array || CL == Cat::Dispatch || CR == Cat::Dispatch) InvalidOp();
  if (CL == Cat::Null || CR == Cat::Null) return Variant::Null();
  switch (Op) {
    case opAdd: case opSubtract: case opMultiply: return Arith(L, R, Op);
    case opDivide: return Variant(FloatArith(L.ToDouble(), R.ToDouble(), opDivide));
    case opIntDivide: case opModulus: {
      std::int64_t A = L.ToInt64(), B = R.ToInt64();
      if (B == 0) throw EDivByZero("Division by zero");
      if (A == INT64_MIN && B == -1) {
        if (Op == opModulus) return IntResult(0);
        throw EIntOverflow("Integer overflow");
      }
      std::int64_t Res = Op == opIntDivide ? A / B : A % B;
      return (CL == Cat::Int64 || CR == Cat::Int64) ? Variant(static_cast<long long>(Res)) : IntResult(Res);
    }
    case opShiftLeft: case opShiftRight: {
      std::int64_t A = L.ToInt64(), B = R.ToInt64();
      if (CL == Cat::Int64 || !FitsInt32(A)) {
        std::uint64_t U = static_cast<std::uint64_t>(A);
        unsigned S = static_cast<unsigned>(B) & 63;
        return Variant(static_cast<long long>(Op == opShiftLeft ? U << S : U >> S));
      }
      std::uint32_t U = static_cast<std::uint32_t>(A);
      unsigned S = static_cast<unsigned>(B) & 31;
      std::uint32_t Res = Op == opShiftLeft ? U << S : U >> S;
      return Op == opShiftLeft ? Variant(static_cast<int>(Res)) : IntResult(static_cast<std::int64_t>(Res));
    }
    case opAnd: case opOr: case opXor: {
      const bool LB = IsBoolLike(L, CL) || CL == Cat::Empty, RB = IsBoolLike(R, CR) || CR == Cat::Empty;
      if ((CL == Cat::Bool || CR == Cat::Bool) && LB && RB) {
        bool A = L.ToBoolean(), B = R.ToBoolean();
        return Variant(Op == opAnd ? (A && B) : Op == opOr ? (A || B) : (A != B));
      }
      std::int64_t A = L.ToInt64(), B = R.ToInt64();
      std::int64_t Res = Op == opAnd ? (A & B) : Op == opOr ? (A | B) : (A ^ B);
      return (CL == Cat::Int64 || CR == Cat::Int64) ? Variant(static_cast<long long>(Res)) : IntResult(Res);
    }
  }
  InvalidOp();
}

Variant VarNeg(const Variant& V) {
  switch (CatOf(V)) {
    case Cat::Null: return V;
    case Cat::Empty: return Variant(0);
    case Cat::Bool: return Variant(V.ToBoolean() ? 1 : 0);
    case Cat::Int: return IntResult(-V.RawInt());
    case Cat::Int64:
      if (V.RawInt() == INT64_MIN) throw EIntOverflow("Integer overflow");
      return Variant(static_cast<long long>(-V.RawInt()));
    case Cat::Double: return Variant(-V.RawDouble());
    case Cat::Date: return Variant::Date(-V.RawDouble());
    case Cat::Str: return Variant(-V.ToDouble());
    default: InvalidOp();
  }
}

Variant VarNot(const Variant& V) {
  const Cat C = CatOf(V);
  switch (C) {
    case Cat::Null: return V;
    case Cat::Bool: return Variant(!V.ToBoolean());
    case Cat::Str:
      if (IsBoolLike(V, C)) return Variant(!V.ToBoolean());
      [[fallthrough]];
    case Cat::Empty: case Cat::Int: case Cat::Double: case Cat::Date: return IntResult(~V.ToInt64());
    case Cat::Int64: return Variant(static_cast<long long>(~V.RawInt()));
    default: InvalidOp();
  }
}

TVarCompareResult VarCompare(const Variant& L, const Variant& R) {
  if (L.VarType() == varInteger && R.VarType() == varInteger)
    return L.RawInt() < R.RawInt() ? crLessThan : R.RawInt() < L.RawInt() ? crGreaterThan : crEqual;
  Cat CL = CatOf(L), CR = CatOf(R);
  if (CL == Cat::Array || CR == Cat::Array || CL == Cat::Dispatch || CR == Cat::Dispatch) InvalidOp();
  if (CL == Cat::Null || CR == Cat::Null) {
    if (CL == CR) return crEqual;
    return CL == Cat::Null ? crLessThan : crGreaterThan;
  }
  auto Sign = [](auto A, auto B) { return A < B ? crLessThan : B < A ? crGreaterThan : crEqual; };
  if (CL == Cat::Empty && CR == Cat::Empty) return crEqual;
  if (CL == Cat::Str && CR == Cat::Str) {
    int C = L.RawString().compare(R.RawString());
    return C < 0 ? crLessThan : C > 0 ? crGreaterThan : crEqual;
  }
  if ((CL == Cat::Str && CR == Cat::Empty) || (CL == Cat::Empty && CR == Cat::Str))
    return Sign(L.ToUString(), R.ToUString());
  if (CL == Cat::Bool && CR == Cat::Bool) return Sign(L.ToBoolean(), R.ToBoolean());
  if ((CL == Cat::Bool && CR == Cat::Empty) || (CL == Cat::Empty && CR == Cat::Bool))
    return Sign(L.ToBoolean(), R.ToBoolean());
  if ((CL == Cat::Bool && CR == Cat::Str) || (CL == Cat::Str && CR == Cat::Bool))
    return Sign(L.ToBoolean(), R.ToBoolean());
  const bool Float = CL == Cat::Double || CL == Cat::Date || CR == Cat::Double || CR == Cat::Date ||
                     CL == Cat::Str || CR == Cat::Str;
  if (Float) return Sign(L.ToDouble(), R.ToDouble());
  return Sign(L.ToInt64(), R.ToInt64());
}

bool VarSameValue(const Variant& L, const Variant& R) { return VarCompare(L, R) == crEqual; }

// ---------------------------------------------------------------------------------------------
// Date-times

namespace {
// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
long long DaysFromCivil(long long Y, unsigned M, unsigned D) {
  Y -= M <= 2;
  const long long Era = (Y >= 0 ? Y : Y - 399) / 400;
  const unsigned Yoe = static_cast<unsigned>(Y - Era * 400);
  const unsigned Doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
  const unsigned Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
  return Era * 146097 + static_cast<long long>(Doe) - 719468;
}

void CivilFromDays(long long Z, int& Y, int& M, int& D) {
  Z += 719468;
  const long long Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  const unsigned Doe = static_cast<unsigned>(Z - Era * 146097);
  const unsigned Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
  const unsigned Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
  const unsigned Mp = (5 * Doy + 2) / 153;
  D = static_cast<int>(Doy - (153 * Mp + 2) / 5 + 1);
  M = static_cast<int>(Mp < 10 ? Mp + 3 : Mp - 9);
  Y = static_cast<int>(static_cast<long long>(Yoe) + Era * 400 + (M <= 2));
}

const long long kDelta = 25569;  // 1970-01-01 as a day number from 1899-12-30

bool IsLeap(int Y) { return (Y % 4 == 0 && Y % 100 != 0) || Y % 400 == 0; }
} // namespace

double EncodeDate(int Year, int Month, int Day) {
  static const int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
      Day > Days[Month - 1] + (Month == 2 && IsLeap(Year) ? 1 : 0))
    throw EConvertError("Invalid argument to date encode");
  return static_cast<double>(DaysFromCivil(Year, static_cast<unsigned>(Month), static_cast<unsigned>(Day)) + kDelta);
}

void DecodeDate(double Dt, int& Year, int& Month, int& Day) {
  if (!(std::fabs(Dt) < 4e6)) throw EConvertError("Invalid date value");
  CivilFromDays(static_cast<long long>(std::trunc(Dt)) - kDelta, Year, Month, Day);
}

std::string DateToStr(double Dt) {
  int Y, M, D;
  DecodeDate(Dt, Y, M, D);
  return IntToStr(M) + "/" + IntToStr(D) + "/" + IntToStr(Y);
}

std::string TimeToStr(double Dt) {
  if (!(std::fabs(Dt) < 4e6)) throw EConvertError("Invalid date value");
  double F = std::fabs(Dt - std::trunc(Dt));
  long long Ms = std::llround(F * 86400000.0);
  if (Ms >= 86400000) Ms = 86400000 - 1;
  long long S = Ms / 1000;
  int H = static_cast<int>(S / 3600), N = static_cast<int>(S / 60 % 60), Sec = static_cast<int>(S % 60);
  const char* Ap = H < 12 ? " AM" : " PM";
  int H12 = H % 12 == 0 ? 12 : H % 12;
  auto Two = [](int X) { return (X < 10 ? "0" : "") + IntToStr(X); };
  return IntToStr(H12) + ":" + Two(N) + ":" + Two(Sec) + Ap;
}

std::string DateTimeToStr(double Dt) {
  std::string R = DateToStr(Dt);
  if (Dt != std::trunc(Dt)) R += " " + TimeToStr(Dt);
  return R;
}

} // namespace rt
