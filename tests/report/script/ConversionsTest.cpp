// Declaration texts of native functions, literal texts and position texts.
#include <gtest/gtest.h>

#include "ScriptTestSupport.h"
#include "report/script/sc_itools.h"

using namespace scTest;

namespace {

class Declarations : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterBaseTypes();
    S.AddRTTI();
    S.AddConst("DefaultWidth", "Integer", 80);
  }
  // "name:type[var][=default]" per parameter.
  static std::string Params(TscCustomVariable* D) {
    std::string R;
    for (int I = 0; I < D->Count(); ++I) {
      TscParamItem* P = D->Params(I);
      R += (I ? " " : "") + P->Name() + ":" + P->TypeName + (P->IsVarParam ? "[var]" : "");
      if (P->IsOptional) R += "=" + (P->DefValue.IsNull() ? std::string("Null") : rt::VarToStr(P->DefValue));
    }
    return R;
  }
  TscScript S;
};

} // namespace

TEST_F(Declarations, TableOfDeclarationTexts) {
  struct Case { const char* Text; const char* Name; TscVarType Typ; const char* TypeName; bool Macro; const char* Params; int Required; } Cases[] = {
      {"function Copy(s: String; from, count: Integer): String", "Copy", fvtString, "String", false,
       "s:String from:Integer count:Integer", 3},
      {"procedure Inc(var i: Integer; incr: Integer = 1)", "Inc", fvtClass, "", false,
       "i:Integer[var] incr:Integer=1", 1},
      {"function F(a, b: Integer = 5): Integer", "F", fvtInt, "Integer", false, "a:Integer b:Integer=5", 1},
      {"macrofunction SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant", "SUM", fvtVariant,
       "Variant", true, "Expr:Variant Band:Variant=0 Flags:Integer=0", 1},
      {"function BoolToStr(B: Boolean): string;", "BoolToStr", fvtString, "string", false, "B:Boolean", 1},
      {"function Pi: Extended", "Pi", fvtFloat, "Extended", false, "", 0},
      {"procedure Hide", "Hide", fvtClass, "", false, "", 0},
      {"function ReadStr(const Section: String; Default: String = 'a''b'): String", "ReadStr", fvtString, "String",
       false, "Section:String Default:String=a'b", 1},
      {"function Shift(x: Integer = -3; w: Integer = DefaultWidth; z: Variant = Unknown): Integer", "Shift", fvtInt,
       "Integer", false, "x:Integer=-3 w:Integer=80 z:Variant=Null", 0},
      {"function Create(AOwner: TComponent): Constructor", "Create", fvtConstructor, "Constructor", false,
       "AOwner:TComponent", 1},
      {"function Broken(a: Integer", "Broken", fvtInt, "Integer", false, "a:Integer", 1},
  };
  for (const Case& C : Cases) {
    std::unique_ptr<TscCustomVariable> D = ParseDeclarationSyntax(C.Text, &S);
    EXPECT_EQ(D->Name(), C.Name) << C.Text;
    EXPECT_EQ(D->Typ, C.Typ) << C.Text;
    EXPECT_EQ(D->TypeName, C.TypeName) << C.Text;
    EXPECT_EQ(D->IsMacro, C.Macro) << C.Text;
    EXPECT_EQ(Params(D.get()), C.Params) << C.Text;
    EXPECT_EQ(D->GetNumberOfRequiredParams(), C.Required) << C.Text;
  }
  std::unique_ptr<TscCustomVariable> Ref = ParseDeclarationSyntax("procedure P(var a, b: Integer)", &S);
  EXPECT_TRUE(Ref->Params(0)->IsVarParam && Ref->Params(1)->IsVarParam);
  EXPECT_EQ(Ref->Params(0)->Typ, fvtInt);
}

TEST(Literals, TableOfLiteralTexts) {
  struct Case { const char* Text; const char* Outcome; } Cases[] = {
      {"'abc'", "String:abc"},
      {"''", "String:"},
      {"'it''s'", "String:it''s"},  // the text between the first and last apostrophe, as given
      {"$FF", "Integer:255"},
      {"42", "Integer:42"},
      {"2147483647", "Integer:2147483647"},
      {"2147483648", "Int64:2147483648"},
      {"1.5", "Double:1.5"},
      {"1.5e3", "Double:1500"},
      {"", "Null"},
  };
  for (const Case& C : Cases) {
    Variant V = LiteralToVariant(C.Text);
    std::string Got = V.IsNull() ? "Null" : rt::VarTypeAsText(V.VarType()) + ":" + V.ToString();
    EXPECT_EQ(Got, C.Outcome) << C.Text;
  }
  EXPECT_THROW(LiteralToVariant("abc"), rt::EConvertError);
}

TEST(Literals, PositionTexts) {
  TscPoint P = ScriptPosToPoint("12:7");
  EXPECT_EQ(P.Y, 12);
  EXPECT_EQ(P.X, 7);
  P = ScriptPosToPoint("");
  EXPECT_EQ(P.X + P.Y, 0);
}
