#pragma once
// The runtime's Variant: a value that carries its own type, with the classic conversion and
// operator rules of the script engine (see docs/ARCHITECTURE.md, "Variants").
//
// - Empty (Unassigned) acts as 0, '' or False next to another value; Null means "no value":
//   arithmetic and logic with Null give Null, and converting Null to a number, a Boolean or a
//   string raises EVariantTypeCastError (VarToStr gives '' instead).
// - Strings hold UTF-16 code units (std::u16string); constructors and VarToStr speak UTF-8.
// - Integers keep their width (varByte, varWord, varInteger, varInt64 ...); a 32-bit result that
//   does not fit becomes varInt64; a 64-bit result that does not fit raises EIntOverflow.
// - Floating results never hold NaN or infinity: x/0 raises EZeroDivide, 0/0 EInvalidOp, and an
//   overflowing result EOverflow.
// - An object reference travels as a varInt64 handle of the live object (VarFromObject/VarToObject).
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/SysUtils.h"

namespace rt {

class TObject;
class IDispatch;  // late-bound automation objects, platform/rt/ComObj.h

using TVarType = std::uint16_t;
constexpr TVarType varEmpty = 0;
constexpr TVarType varNull = 1;
constexpr TVarType varSmallint = 2;
constexpr TVarType varInteger = 3;
constexpr TVarType varSingle = 4;
constexpr TVarType varDouble = 5;
constexpr TVarType varCurrency = 6;
constexpr TVarType varDate = 7;
constexpr TVarType varOleStr = 8;
constexpr TVarType varDispatch = 9;
constexpr TVarType varError = 10;
constexpr TVarType varBoolean = 11;
constexpr TVarType varVariant = 12;
constexpr TVarType varUnknown = 13;
constexpr TVarType varShortInt = 16;
constexpr TVarType varByte = 17;
constexpr TVarType varWord = 18;
constexpr TVarType varLongWord = 19;
constexpr TVarType varInt64 = 20;
constexpr TVarType varStrArg = 72;
constexpr TVarType varString = 256;
constexpr TVarType varAny = 257;
constexpr TVarType varUString = 258;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

RT_DECLARE_EXCEPTION(EVariantError, Exception)
// "Could not convert variant of type (String) into type (Integer)"
RT_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError)
// "Overflow while converting variant of type (Double) into type (Integer)"
RT_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError)
// "Invalid variant operation"
RT_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError)
// "Variant or safe array index out of bounds"
RT_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError)
// "Variant is not an array", bounds that make no array
RT_DECLARE_EXCEPTION(EVariantInvalidArgError, EVariantError)
RT_DECLARE_EXCEPTION(EIntError, Exception)
RT_DECLARE_EXCEPTION(EDivByZero, EIntError)   // "Division by zero"
RT_DECLARE_EXCEPTION(EIntOverflow, EIntError) // "Integer overflow"
RT_DECLARE_EXCEPTION(ERangeError, EIntError)  // an index outside a string or list
RT_DECLARE_EXCEPTION(EStackOverflow, Exception)  // "Stack overflow"

// Scripts must not exhaust the server's memory: the longest string (in UTF-16 code units) and
// the largest array (in elements) that Variant operations and the script functions build.
constexpr std::size_t kMaxStringLength = std::size_t(1) << 24;
constexpr std::size_t kMaxArrayElements = std::size_t(1) << 22;
// "String too long ..." when a string would grow past kMaxStringLength; also what a script sees
// for memory the system refused.
RT_DECLARE_EXCEPTION(EOutOfMemory, Exception)
// Raises EOutOfMemory when Length passes kMaxStringLength.
void CheckStringLength(std::size_t Length);

class Variant;

// A Variant array: dimensions with their low bounds and lengths, elements stored row by row
// (the last index varies fastest). Elements of a typed array are converted on store.
struct TVarArrayBound {
  int LowBound = 0;
  int ElementCount = 0;
};

class Variant {
public:
  Variant() : FInt(0) {}
  Variant(bool V) : FType(varBoolean), FStore(Store::Bool), FInt(V ? 1 : 0) {}
  Variant(int V) : FType(varInteger), FStore(Store::Int), FInt(V) {}
  Variant(long V) : FType(varInt64), FStore(Store::Int), FInt(V) {}
  Variant(long long V) : FType(varInt64), FStore(Store::Int), FInt(V) {}
  Variant(double V) : FType(varDouble), FStore(Store::Double), FDouble(V) {}
  Variant(const char* S);
  Variant(const std::string& S);
  Variant(std::string_view S);
  Variant(std::u16string S) : FType(varUString), FStore(Store::Str), FStr(std::move(S)) {}
  // Numbers, Booleans, Empty and Null are copied, moved and dropped without a call; only
  // strings, arrays and automation objects take the slow way. The assignments are always
  // inlined: the compiler otherwise keeps them as calls in large functions.
  Variant(const Variant& O) : FType(O.FType), FStore(O.FStore) {
    if (O.FStore < Store::Str) FInt = O.FInt;
    else CopyHeavy(O);
  }
  Variant(Variant&& O) noexcept : FType(O.FType), FStore(O.FStore) {
    if (O.FStore < Store::Str) FInt = O.FInt;
    else MoveHeavy(std::move(O));
  }
  [[gnu::always_inline]] Variant& operator=(const Variant& O) {
    if (FStore < Store::Str && O.FStore < Store::Str) {
      FType = O.FType;
      FStore = O.FStore;
      FInt = O.FInt;
    } else if (this != &O) {
      AssignHeavy(O);
    }
    return *this;
  }
  [[gnu::always_inline]] Variant& operator=(Variant&& O) noexcept {
    if (FStore < Store::Str && O.FStore < Store::Str) {
      FType = O.FType;
      FStore = O.FStore;
      FInt = O.FInt;
    } else if (this != &O) {
      MoveAssignHeavy(std::move(O));
    }
    return *this;
  }
  ~Variant() {
    if (FStore >= Store::Str) DestroyHeavy();
  }
  Variant(const char16_t* S) : Variant(std::u16string(S)) {}
  // No accidental Variants from characters (would be numbers) or pointers (would be Booleans).
  Variant(char) = delete;
  Variant(char16_t) = delete;
  template <class T> Variant(T*) = delete;

  static Variant Null() {
    Variant V;
    V.FType = varNull;
    return V;
  }
  static Variant Date(double V);
  // An automation object (varDispatch); the Variant shares its ownership.
  static Variant Dispatch(std::shared_ptr<IDispatch> Obj);
  // An integer of the given integer type (varSmallint, varShortInt, varByte, varWord,
  // varLongWord, varInteger, varInt64); the value is taken as that type would hold it.
  static Variant OfInt(TVarType Type, std::int64_t V);

  TVarType VarType() const { return FType == varArray ? ArrayVarType() : FType; }
  bool IsEmpty() const { return FType == varEmpty; }
  // varInteger alone.
  bool IsInteger() const { return FType == varInteger; }
  bool IsNull() const { return FType == varNull; }
  bool IsArray() const { return FType == varArray; }
  bool IsString() const { return FType == varUString; }
  bool IsBoolean() const { return FType == varBoolean; }
  bool IsDispatch() const { return FType == varDispatch; }
  // Integer types, varInt64 included.
  bool IsOrdinal() const;
  // varDouble and varDate.
  bool IsFloat() const { return FType == varDouble || FType == varDate; }
  bool IsNumeric() const { return IsOrdinal() || IsFloat(); }

  // Conversions by the Variant rules; they raise EVariantTypeCastError or EVariantOverflowError.
  int ToInteger() const { return FType == varInteger ? static_cast<int>(FInt) : ToIntegerOther(); }
  std::int64_t ToInt64() const { return FStore == Store::Int ? FInt : ToInt64Other(); }
  double ToDouble() const { return FStore == Store::Double ? FDouble : ToDoubleOther(); }
  bool ToBoolean() const { return FType == varBoolean ? FInt != 0 : ToBooleanOther(); }
  std::u16string ToUString() const;
  std::string ToString() const;  // UTF-8
  // The automation object of a varDispatch value (may be nullptr); EVariantTypeCastError for
  // every other value.
  std::shared_ptr<IDispatch> ToDispatch() const;

  // The stored payload without conversion; only for the matching type.
  // std::bad_variant_access for any other type.
  std::int64_t RawInt() const {
    if (FStore != Store::Int) BadAccess();
    return FInt;
  }
  double RawDouble() const {
    if (FStore != Store::Double) BadAccess();
    return FDouble;
  }
  const std::u16string& RawString() const {
    if (FStore != Store::Str) BadAccess();
    return FStr;
  }
  // The stored string for changing in place (strings are never shared between Variants);
  // nullptr when the value is not a string.
  std::u16string* MutableString() { return FStore == Store::Str ? &FStr : nullptr; }

  // Arrays. Dimensions count from 1. Indexes out of bounds raise EVariantBadIndexError; a
  // value that is not an array raises EVariantInvalidArgError.
  int ArrayDimCount() const;
  int ArrayLowBound(int Dim) const;
  int ArrayHighBound(int Dim) const;
  TVarType ArrayElementType() const;
  Variant ArrayGet(const std::vector<int>& Indexes) const;
  void ArrayPut(const std::vector<int>& Indexes, const Variant& Value);
  // Resizes dimension 1 (the only one for one-dimensional arrays) to end at HighBound.
  void ArrayRedim(int HighBound);
  // Direct access by position in storage order.
  int ArrayElementCount() const;
  const Variant& ArrayAt(int Position) const;

  // Same type and same content (arrays element by element); not the script's "=".
  bool Identical(const Variant& Other) const;

private:
  struct ArrayData {
    TVarType ElementType = varVariant;
    std::vector<TVarArrayBound> Bounds;
    std::vector<Variant> Data;
  };
  friend Variant VarArrayCreate(const std::vector<int>& Bounds, TVarType ElementType);
  std::size_t ArrayOffset(const std::vector<int>& Indexes) const;
  ArrayData& MutableArray();
  const ArrayData& ConstArray() const;

  // What the payload holds. The kinds below Str need no construction or destruction: their 8
  // bytes are copied as they stand.
  enum class Store : std::uint8_t { None, Int, Double, Bool, Str, Array, Dispatch };
  [[noreturn]] static void BadAccess();
  TVarType ArrayVarType() const;
  int ToIntegerOther() const;
  std::int64_t ToInt64Other() const;
  double ToDoubleOther() const;
  bool ToBooleanOther() const;
  bool RawBool() const {
    if (FStore != Store::Bool) BadAccess();
    return FInt != 0;
  }
  void CopyHeavy(const Variant& O);
  void MoveHeavy(Variant&& O) noexcept;
  void AssignHeavy(const Variant& O);
  void MoveAssignHeavy(Variant&& O) noexcept;
  void DestroyHeavy() noexcept;

  TVarType FType = varEmpty;
  Store FStore = Store::None;
  union {
    std::int64_t FInt;  // integers; a Boolean as 0 or 1
    double FDouble;
    std::u16string FStr;
    std::shared_ptr<ArrayData> FArray;
    std::shared_ptr<IDispatch> FDispatch;
  };
};

// ---- Type names and conversion ----
// "Empty", "Null", "Integer", "Double", "Date", "String", "Boolean", "Int64", "Array of Variant" ...
std::string VarTypeAsText(TVarType Type);
// Converts to varInteger, varInt64, varDouble, varDate, varBoolean, varUString (varString and
// varOleStr mean varUString), the smaller integer types, varVariant (unchanged), varEmpty or varNull.
Variant VarAsType(const Variant& V, TVarType Type);
inline TVarType VarType(const Variant& V) { return V.VarType(); }
inline bool VarIsNull(const Variant& V) { return V.IsNull(); }
inline bool VarIsEmpty(const Variant& V) { return V.IsEmpty(); }
inline bool VarIsArray(const Variant& V) { return V.IsArray(); }
// Null and Empty give ''; other values as ToString.
std::string VarToStr(const Variant& V);
std::u16string VarToUStr(const Variant& V);

// ---- Object references ----
// An object travels as its handle, a varInt64 the process's handle table maps back to the live
// object; nil is 0. The handle ends when the object is destroyed (rt::TObject's destructor), so
// a reference kept after a free, or an integer that was never a handle, never reaches memory.
Variant VarFromObject(const TObject* Obj);
// nullptr for Null, Empty and 0; EInvalidPointer for an integer that is not the handle of a
// live object; EVariantTypeCastError for a value that is not an integer.
TObject* VarToObject(const Variant& V);
// The live object of a handle, nullptr for anything else; never raises.
TObject* VarFindObject(const Variant& V);

// ---- Arrays ----
// Bounds: low and high bound of each dimension in turn. ElementType varVariant gives Empty
// elements, numeric types 0, varBoolean False, varUString ''.
Variant VarArrayCreate(const std::vector<int>& Bounds, TVarType ElementType);
// A one-dimensional array 0..n-1 of varVariant holding the values.
Variant VarArrayOf(std::initializer_list<Variant> Values);
Variant VarArrayOf(const std::vector<Variant>& Values);
inline int VarArrayDimCount(const Variant& V) { return V.IsArray() ? V.ArrayDimCount() : 0; }
inline int VarArrayLowBound(const Variant& V, int Dim) { return V.ArrayLowBound(Dim); }
inline int VarArrayHighBound(const Variant& V, int Dim) { return V.ArrayHighBound(Dim); }

// ---- Operators ----
enum TVarOp { opAdd, opSubtract, opMultiply, opDivide, opIntDivide, opModulus, opShiftLeft,
              opShiftRight, opAnd, opOr, opXor };
Variant VarBinaryOp(const Variant& L, const Variant& R, TVarOp Op);
Variant VarNeg(const Variant& V);
Variant VarNot(const Variant& V);

enum TVarCompareResult { crLessThan = -1, crEqual = 0, crGreaterThan = 1 };
// Null equals Null and is less than every other value; Empty acts as 0, '' or False next to
// the other operand. Strings compare by code unit; a string and a number compare as numbers.
TVarCompareResult VarCompare(const Variant& L, const Variant& R);
bool VarSameValue(const Variant& L, const Variant& R);

inline Variant operator+(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opAdd); }
inline Variant operator-(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opSubtract); }
inline Variant operator*(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opMultiply); }
inline Variant operator/(const Variant& L, const Variant& R) { return VarBinaryOp(L, R, opDivide); }
inline Variant operator-(const Variant& V) { return VarNeg(V); }
inline bool operator==(const Variant& L, const Variant& R) { return VarCompare(L, R) == crEqual; }
inline bool operator<(const Variant& L, const Variant& R) { return VarCompare(L, R) == crLessThan; }

// ---- Date-times: days since 30 December 1899, time of day as the fraction ----
// "m/d/yyyy", "h:nn:ss AM" and both joined by a blank (the time is left out at midnight).
std::string DateToStr(double D);
std::string TimeToStr(double D);
std::string DateTimeToStr(double D);
double EncodeDate(int Year, int Month, int Day);  // EConvertError "Invalid argument to date encode"
void DecodeDate(double D, int& Year, int& Month, int& Day);

} // namespace rt
