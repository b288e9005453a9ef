// Appending to a string variable grows it in place; the result must be what joining a new string
// gives, in every syntax and for every kind of added value.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include "report/script/sc_ibasic.h"
#include "report/script/sc_icpp.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace {

class Appends : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_icppInitialization();
    sc_ibasicInitialization();
    sc_ijsInitialization();
    sc_isysrttiInitialization();
    PrepareScript();
  }
};

} // namespace

TEST_F(Appends, GiveWhatJoiningGivesInEverySyntax) {
  struct Case {
    const char* Syntax;
    const char* Program;
    const char* Expected;
  } Cases[] = {
      {"PascalScript", "var s: String; i: Integer; begin for i := 1 to 3 do s := s + 'ab'; Print(s); end.",
       "ababab\n"},
      {"PascalScript", "var s, t: String; begin s := 'x'; t := 'y'; s := s + t; s := s + s; Print(s); end.",
       "xyxy\n"},
      // A number added to a number text is arithmetic, not an append.
      {"PascalScript", "var v: Variant; begin v := '5'; v := v + 1; Print(v); end.", "6\n"},
      {"PascalScript", "var v: Variant; begin v := 'a'; v := v + 'b' + 'c'; Print(v); end.", "abc\n"},
      // The copy taken before the append keeps its value.
      {"PascalScript", "var s, t: String; begin s := 'a'; t := s; s := s + 'b'; Print(t + s); end.", "aab\n"},
      {"PascalScript", "var v, w: Variant; begin v := 'a'; w := v; v := v + 'b'; Print(w + v); end.", "aab\n"},
      // Function results and parameters append as well.
      {"PascalScript", "function F(p: String): String; begin Result := 'r'; Result := Result + p; end; "
                       "begin Print(F('q')); end.",
       "rq\n"},
      {"D++Uderir", "{ String s; int i; for (i = 0; i < 3; i++) s = s + \"ab\"; Print(s); }", "ababab\n"},
      {"RiravUdevad", "dim s, i\ns = \"\"\nfor i = 1 to 3\ns = s + \"ab\"\nnext\nPrint(s)\n", "ababab\n"},
      {"JScript", "var s = \"\"; var i; for (i = 0; i < 3; i++) { s = s + \"ab\"; } Print(s);", "ababab\n"},
  };
  for (const Case& C : Cases) {
    S.SyntaxType = C.Syntax;
    EXPECT_EQ(Run(C.Program), C.Expected) << C.Syntax << ": " << C.Program;
  }
}

TEST_F(Appends, AHookedVariableIsReadThroughItsHook) {
  S.OnGetVarValue = [](const std::string& Name, TscVarType, const rt::Variant& Old) {
    return Name == "H" && Old.IsString() ? rt::Variant(u"<" + Old.RawString() + u">") : rt::Variant::Null();
  };
  S.AddedBy = &Out;  // kept when Run replaces the program
  S.AddVariable("H", "String", "a");
  S.AddedBy = nullptr;
  EXPECT_EQ(Run("begin H := H + 'b'; Print(H); end."), "<<a>b>\n");
}

// ++ and -- step an Integer variable in place; past the Integer range, and for other kinds,
// they follow the Variant rules as before.
TEST_F(Appends, StepsOfIntegersStayWithinTheIntegerRange) {
  S.SyntaxType = "D++Uderir";
  EXPECT_EQ(Run("{ int i; i = 5; i++; i++; i--; Print(i); }"), "6\n");
  EXPECT_EQ(Run("{ int i; i = -2147483647; i--; Print(i); }"), "-2147483648\n");
  EXPECT_EQ(Run("{ int i; i = 2147483647; i++; Print(i); }").rfind("raised EVariantOverflowError", 0), 0u);
  EXPECT_EQ(Run("{ int i; i = -2147483648; i--; Print(i); }").rfind("raised EVariantOverflowError", 0), 0u);
  EXPECT_EQ(Run("{ Variant v; v = \"5\"; v++; Print(v); }"), "6\n");
}
