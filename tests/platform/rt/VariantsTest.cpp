#include "platform/rt/Variants.h"

#include <gtest/gtest.h>

#include <memory>

#include <functional>
#include <variant>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/ComObj.h"

using rt::Variant;

namespace {

// "Type:text" of a value, or "EClass: message" of what computing it raised.
std::string Outcome(const std::function<Variant()>& F) {
  try {
    Variant V = F();
    if (V.IsNull()) return "Null";
    if (V.IsEmpty()) return "Empty";
    return rt::VarTypeAsText(V.VarType()) + ":" + V.ToString();
  } catch (const rt::Exception& E) {
    return E.ClassName() + ": " + E.Message();
  }
}

const Variant N = Variant::Null();
const Variant E;

struct BinCase {
  Variant L, R;
  rt::TVarOp Op;
  std::string Expected;
};

} // namespace

TEST(Variants, ArithmeticPromotionTable) {
  const Variant Max32(2147483647), Big(static_cast<long long>(5000000000LL));
  const BinCase Cases[] = {
      {7, 2, rt::opAdd, "Integer:9"},
      {7, 2.5, rt::opMultiply, "Double:17.5"},
      {7, 2, rt::opDivide, "Double:3.5"},
      {8, 2, rt::opDivide, "Double:4"},
      {7, 2, rt::opIntDivide, "Integer:3"},
      {-7, 2, rt::opIntDivide, "Integer:-3"},
      {-7, 2, rt::opModulus, "Integer:-1"},
      {7.5, 2, rt::opIntDivide, "Integer:4"},          // 7.5 rounds to even 8 first
      {Max32, 1, rt::opAdd, "Int64:2147483648"},       // 32-bit overflow widens
      {-2147483647 - 1, 1, rt::opSubtract, "Int64:-2147483649"},
      {-2147483647 - 1, -1, rt::opMultiply, "Int64:2147483648"},
      {Max32, Max32, rt::opMultiply, "Int64:4611686014132420609"},
      {Big, 2, rt::opMultiply, "Int64:10000000000"},
      {Big, 2, rt::opDivide, "Double:2500000000"},
      {Variant(static_cast<long long>(INT64_MAX)), 1, rt::opAdd, "EIntOverflow: Integer overflow"},
      {"12", 3, rt::opAdd, "Double:15"},               // numeric text counts as a number
      {"12", "3", rt::opAdd, "String:123"},            // two texts join
      {"1.5", 1, rt::opAdd, "Double:2.5"},
      {"abc", 1, rt::opAdd, "EVariantTypeCastError: Could not convert variant of type (String) into type (Double)"},
      {"abc", 1, rt::opSubtract, "EVariantTypeCastError: Could not convert variant of type (String) into type (Double)"},
      {true, 1, rt::opAdd, "Integer:0"},               // True is -1
      {E, 3, rt::opAdd, "Integer:3"},
      {E, "x", rt::opAdd, "String:x"},
      {N, 3, rt::opAdd, "Null"},
      {3, N, rt::opMultiply, "Null"},
      {N, 0, rt::opIntDivide, "Null"},
      {1, 0, rt::opDivide, "EZeroDivide: Floating point division by zero"},
      {0, 0, rt::opDivide, "EInvalidOp: Invalid floating point operation"},
      {1, 0, rt::opIntDivide, "EDivByZero: Division by zero"},
      {1, 0, rt::opModulus, "EDivByZero: Division by zero"},
      {1e308, 10.0, rt::opMultiply, "EOverflow: Floating point overflow"},
      {Variant::Date(1.5), 1, rt::opAdd, "Date:1/1/1900 12:00:00 PM"},
      {Variant::Date(3), Variant::Date(1), rt::opSubtract, "Double:2"},
  };
  for (const BinCase& C : Cases)
    EXPECT_EQ(Outcome([&] { return rt::VarBinaryOp(C.L, C.R, C.Op); }), C.Expected)
        << C.L.ToString() << " op" << C.Op << " " << rt::VarToStr(C.R);
}

TEST(Variants, LogicAndShiftTable) {
  const BinCase Cases[] = {
      {true, false, rt::opAnd, "Boolean:False"},
      {true, false, rt::opOr, "Boolean:True"},
      {true, true, rt::opXor, "Boolean:False"},
      {"True", false, rt::opOr, "Boolean:True"},
      {5, 3, rt::opAnd, "Integer:1"},
      {5, 3, rt::opOr, "Integer:7"},
      {5, 3, rt::opXor, "Integer:6"},
      {true, 6, rt::opAnd, "Integer:6"},               // True is all bits set
      {N, true, rt::opAnd, "Null"},
      {5, 3, rt::opShiftLeft, "Integer:40"},
      {1, 40, rt::opShiftLeft, "Integer:256"},         // 32-bit shift counts are taken mod 32
      {-8, 1, rt::opShiftRight, "Integer:2147483644"}, // shr shifts in zeros
      {Variant(static_cast<long long>(1)), 40, rt::opShiftLeft, "Int64:1099511627776"},
  };
  for (const BinCase& C : Cases)
    EXPECT_EQ(Outcome([&] { return rt::VarBinaryOp(C.L, C.R, C.Op); }), C.Expected)
        << rt::VarToStr(C.L) << " op" << C.Op << " " << rt::VarToStr(C.R);
}

TEST(Variants, UnaryTable) {
  struct Case { Variant V; bool Not; std::string Expected; } Cases[] = {
      {1.5, false, "Double:-1.5"},
      {"2", false, "Double:-2"},
      {"x", false, "EVariantTypeCastError: Could not convert variant of type (String) into type (Double)"},
      {-2147483647 - 1, false, "Int64:2147483648"},
      {N, false, "Null"},
      {true, true, "Boolean:False"},
      {5, true, "Integer:-6"},
      {N, true, "Null"},
      {"False", true, "Boolean:True"},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(Outcome([&] { return C.Not ? rt::VarNot(C.V) : rt::VarNeg(C.V); }), C.Expected)
        << rt::VarToStr(C.V);
}

TEST(Variants, ComparisonTable) {
  struct Case { Variant L, R; int Expected; } Cases[] = {
      {1, 1.0, 0}, {1, 2, -1}, {2.5, 2, 1},
      {"10", 9, 1},          // text against number compares numbers
      {"10", "9", -1},       // two texts compare by character
      {"a", "B", 1},         // by code unit, so lower case sorts after upper case
      {"abc", "abd", -1}, {"", "a", -1},
      {N, N, 0}, {N, 3, -1}, {3, N, 1}, {N, "", -1},
      {E, 0, 0}, {E, "", 0}, {E, false, 0}, {E, E, 0}, {E, 1, -1},
      {false, true, -1}, {true, "True", 0},
      {Variant::Date(2), 2, 0},
      {Variant(static_cast<long long>(5000000000LL)), 2147483647, 1},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(rt::VarCompare(C.L, C.R), C.Expected) << rt::VarToStr(C.L) << " vs " << rt::VarToStr(C.R);
  EXPECT_EQ(Outcome([] { return Variant(rt::VarCompare("x", 1) == 0); }),
            "EVariantTypeCastError: Could not convert variant of type (String) into type (Double)");
  EXPECT_EQ(Outcome([] { return Variant(rt::VarCompare(rt::VarArrayOf({1}), 1) == 0); }),
            "EVariantInvalidOpError: Invalid variant operation");
}

TEST(Variants, ConversionTable) {
  struct Case { Variant V; rt::TVarType To; std::string Expected; } Cases[] = {
      {"42", rt::varInteger, "Integer:42"},
      {" $FF ", rt::varInteger, "Integer:255"},
      {"2.5", rt::varInteger, "Integer:2"},           // halves go to the even neighbour
      {3.5, rt::varInteger, "Integer:4"},
      {-2.5, rt::varInteger, "Integer:-2"},
      {3e9, rt::varInteger, "EVariantOverflowError: Overflow while converting variant of type (Double) into type (Integer)"},
      {Variant(static_cast<long long>(3000000000LL)), rt::varInteger,
       "EVariantOverflowError: Overflow while converting variant of type (Int64) into type (Integer)"},
      {"abc", rt::varInteger, "EVariantTypeCastError: Could not convert variant of type (String) into type (Integer)"},
      {N, rt::varInteger, "EVariantTypeCastError: Could not convert variant of type (Null) into type (Integer)"},
      {N, rt::varUString, "EVariantTypeCastError: Could not convert variant of type (Null) into type (String)"},
      {E, rt::varInteger, "Integer:0"},
      {E, rt::varUString, "String:"},
      {true, rt::varInteger, "Integer:-1"},
      {"true", rt::varBoolean, "Boolean:True"},
      {"0", rt::varBoolean, "Boolean:False"},
      {"-1", rt::varBoolean, "Boolean:True"},
      {"yes", rt::varBoolean, "EVariantTypeCastError: Could not convert variant of type (String) into type (Boolean)"},
      {2.0, rt::varBoolean, "Boolean:True"},
      {0.1, rt::varUString, "String:0.1"},
      {1e20, rt::varUString, "String:1E20"},
      {true, rt::varUString, "String:True"},
      {"9999999999", rt::varInt64, "Int64:9999999999"},
      {300, rt::varByte, "EVariantOverflowError: Overflow while converting variant of type (Integer) into type (Byte)"},
      {65535, rt::varWord, "Word:65535"},
      {"1.5", rt::varDouble, "Double:1.5"},
      {1.0, rt::varDate, "Date:12/31/1899"},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(Outcome([&] { return rt::VarAsType(C.V, C.To); }), C.Expected)
        << rt::VarToStr(C.V) << " -> " << rt::VarTypeAsText(C.To);
  EXPECT_EQ(rt::VarToStr(N), "");
}

TEST(Variants, StringsAreUtf16CodeUnits) {
  Variant S("\xE2\x82\xAC" "5");  // euro sign and 5
  EXPECT_EQ(S.RawString().size(), 2u);
  EXPECT_EQ(S.ToString(), "\xE2\x82\xAC" "5");
  EXPECT_EQ(rt::VarType(S), rt::varUString);
  EXPECT_EQ((Variant(u"a") + Variant(u"\u00e9")).RawString(), u"a\u00e9");
}

TEST(Variants, ObjectReferencesTravelAsIntegers) {
  struct Obj : rt::TObject {} O;
  Variant V = rt::VarFromObject(&O);
  EXPECT_TRUE(V.IsOrdinal());
  EXPECT_EQ(rt::VarToObject(V), &O);
  EXPECT_EQ(rt::VarToObject(Variant(0)), nullptr);
  EXPECT_EQ(rt::VarToObject(N), nullptr);
  EXPECT_THROW(rt::VarToObject(Variant("x")), rt::EVariantTypeCastError);
}

TEST(Variants, HandlesOfFreedObjectsAndStrayIntegersAreRefused) {
  struct Obj : rt::TObject {};
  auto* A = new Obj;
  const Variant HA = rt::VarFromObject(A);
  EXPECT_TRUE(HA.Identical(rt::VarFromObject(A)));  // one object, one handle
  Obj Copy(*A);
  EXPECT_FALSE(rt::VarFromObject(&Copy).Identical(HA));  // a copy is another object
  delete A;
  EXPECT_THROW(rt::VarToObject(HA), rt::EInvalidPointer);
  EXPECT_EQ(rt::VarFindObject(HA), nullptr);
  // The slot of the freed object serves the next one under a new generation.
  auto B = std::make_unique<Obj>();
  const Variant HB = rt::VarFromObject(B.get());
  EXPECT_FALSE(HB.Identical(HA));
  EXPECT_THROW(rt::VarToObject(HA), rt::EInvalidPointer);
  EXPECT_EQ(rt::VarToObject(HB), B.get());
  for (long long Stray : {1LL, 12345LL, -1LL, 0x7FFFFFFFLL, 1LL << 40})
    EXPECT_THROW(rt::VarToObject(Variant(Stray)), rt::EInvalidPointer) << Stray;
}

TEST(Variants, ArraysHaveBoundsValueSemanticsAndCheckedIndexes) {
  Variant A = rt::VarArrayCreate({1, 3, 0, 1}, rt::varVariant);
  EXPECT_EQ(A.ArrayDimCount(), 2);
  EXPECT_EQ(A.ArrayLowBound(1), 1);
  EXPECT_EQ(A.ArrayHighBound(1), 3);
  EXPECT_EQ(A.ArrayHighBound(2), 1);
  EXPECT_TRUE(A.ArrayGet({2, 1}).IsEmpty());
  A.ArrayPut({2, 1}, "x");
  Variant B = A;  // a copy keeps its own elements
  B.ArrayPut({2, 1}, 5);
  EXPECT_EQ(A.ArrayGet({2, 1}).ToString(), "x");
  EXPECT_EQ(B.ArrayGet({2, 1}).ToInteger(), 5);
  EXPECT_THROW(A.ArrayGet({0, 0}), rt::EVariantBadIndexError);
  EXPECT_THROW(A.ArrayGet({4, 0}), rt::EVariantBadIndexError);
  EXPECT_THROW(A.ArrayGet({1}), rt::EVariantBadIndexError);
  EXPECT_EQ(rt::VarType(A), rt::varArray | rt::varVariant);

  Variant I = rt::VarArrayCreate({0, 2}, rt::varInteger);
  EXPECT_EQ(I.ArrayGet({0}).VarType(), rt::varInteger);
  I.ArrayPut({1}, "7");  // typed arrays convert what they store
  EXPECT_EQ(I.ArrayGet({1}).VarType(), rt::varInteger);
  I.ArrayRedim(4);
  EXPECT_EQ(I.ArrayHighBound(1), 4);
  EXPECT_EQ(I.ArrayGet({1}).ToInteger(), 7);
  EXPECT_EQ(I.ArrayGet({4}).ToInteger(), 0);
  I.ArrayRedim(0);
  EXPECT_EQ(I.ArrayHighBound(1), 0);
  EXPECT_THROW(rt::VarArrayCreate({3, 1}, rt::varVariant), rt::EVariantInvalidArgError);
  EXPECT_THROW(Variant(1).ArrayDimCount(), rt::EVariantInvalidArgError);

  Variant L = rt::VarArrayOf({1, "two", 3.0});
  EXPECT_EQ(L.ArrayHighBound(1), 2);
  EXPECT_EQ(L.ArrayGet({1}).ToString(), "two");
}

TEST(Variants, DatesCountDaysFrom1899) {
  EXPECT_EQ(rt::EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(rt::EncodeDate(2000, 2, 29), 36585);
  EXPECT_THROW(rt::EncodeDate(1900, 2, 29), rt::EConvertError);
  EXPECT_EQ(rt::DateTimeToStr(36585.75), "2/29/2000 6:00:00 PM");
  EXPECT_EQ(rt::DateTimeToStr(-1), "12/29/1899");
  EXPECT_EQ(rt::TimeToStr(0.5 / 86400.0 / 1000.0 + 0.0), "12:00:00 AM");
}

namespace {
class NoMembers : public rt::IDispatch {
public:
  rt::HRESULT GetIDsOfNames(std::u16string_view, rt::TLCID, rt::TDispID&) override { return 0; }
  rt::HRESULT Invoke(rt::TDispID, rt::TLCID, std::uint16_t, rt::TDispParams&, Variant*, rt::TExcepInfo*) override {
    return 0;
  }
};
} // namespace

// Numbers are copied without a call and strings, arrays and automation objects by their own
// rules: every pair of kinds must copy, move and overwrite each other without leaking, sharing
// or losing a payload.
TEST(Variants, EveryKindCopiesMovesAndOverwritesEveryOther) {
  auto Obj = std::make_shared<NoMembers>();
  const std::u16string Long(100, u'q');  // past any in-place buffer
  const std::vector<Variant> Kinds = {
      Variant(), Variant::Null(), Variant(7), Variant(1LL << 40), Variant(2.5), Variant::Date(3.25),
      Variant(true), Variant(false), Variant(u"short"), Variant(Long), rt::VarArrayOf({Variant(1), Variant(Long)}),
      Variant::Dispatch(Obj)};
  for (std::size_t I = 0; I < Kinds.size(); ++I) {
    for (std::size_t J = 0; J < Kinds.size(); ++J) {
      SCOPED_TRACE(testing::Message() << "from kind " << I << " to kind " << J);
      const Variant& A = Kinds[I];
      const Variant& B = Kinds[J];
      Variant X = A;
      EXPECT_TRUE(X.Identical(A));
      X = B;
      EXPECT_TRUE(X.Identical(B));
      Variant Y = A;
      Y = Variant(B);  // move-assigned from a temporary
      EXPECT_TRUE(Y.Identical(B));
      Variant Z(std::move(Y));
      EXPECT_TRUE(Z.Identical(B));
      Y = A;  // a moved-from value takes a new one
      EXPECT_TRUE(Y.Identical(A));
      const Variant& Self = X;
      X = Self;
      EXPECT_TRUE(X.Identical(B));
    }
  }
  // A copied array is the copy's own.
  Variant Arr = Kinds[10];
  Arr.ArrayPut({0}, Variant(99));
  EXPECT_EQ(Kinds[10].ArrayGet({0}).ToInteger(), 1);
  // Every copy of the automation object is gone again: only the list and this test hold it.
  EXPECT_EQ(Obj.use_count(), 2);
}

TEST(Variants, RawAccessOfAnotherKindIsRefused) {
  EXPECT_THROW(Variant(1.5).RawInt(), std::bad_variant_access);
  EXPECT_THROW(Variant(3).RawString(), std::bad_variant_access);
  EXPECT_THROW(Variant(u"x").RawDouble(), std::bad_variant_access);
  EXPECT_EQ(Variant(true).ToInteger(), -1);
  EXPECT_EQ(Variant().ToInteger(), 0);
  EXPECT_EQ(Variant().ToInt64(), 0);
}
