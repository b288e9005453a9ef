// The forms vocabulary as scripts see it: constants, types, enumerations and sets.
#include <gtest/gtest.h>

#include "report/script/sc_iexpression.h"
#include "report/script/sc_iformsrtti.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

TEST(FormsRtti, ConstantsEnumerationsAndSets) {
  sc_ipascalInitialization();
  sc_isysrttiInitialization();
  sc_iformsrttiInitialization();
  TscScript S;
  S.AddRTTI();
  struct Case {
    const char* Expr;
    long long Value;
  } Cases[] = {{"mrYesToAll", 14}, {"mrAll", 12},    {"crSize", -22},     {"crSizeAll", -22},
               {"crHandPoint", -21}, {"crNone", -1}, {"bsSizeToolWin", 5}, {"VK_RETURN", 13},
               {"VK_NUMPAD0", 96}, {"VK_NUMPAD9", 105}, {"VK_DIVIDE", 111}, {"VK_F1", 112},
               {"VK_F12", 123},    {"VK_SCROLL", 145}, {"taCenter", 2},    {"ssDouble", 1 << 6},
               {"alClient", 5},    {"akBottom", 1 << 3}, {"caMinimize", 3}, {"poDesktopCenter", 5},
               {"biHelp", 1 << 3}, {"fsStayOnTop", 3}};
  for (const Case& C : Cases) {
    Variant R = S.Evaluate(C.Expr);
    EXPECT_FALSE(S.EvaluteRiseError) << C.Expr;
    EXPECT_EQ(R.ToInt64(), C.Value) << C.Expr;
  }
  // Registered twice, each cursor keeps one item with its first value.
  int Seen = 0;
  for (int I = 0; I < S.Count(); ++I)
    if (TscCustomVariable* V = S.GetItem(I); V && V->Name() == "crSizeAll") ++Seen;
  EXPECT_EQ(Seen, 1);
  for (const char* T : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"})
    EXPECT_EQ(TypeNameToVarType(T, &S), fvtInt) << T;
  Variant R = S.Evaluate("VK_LBUTTON");
  EXPECT_TRUE(S.EvaluteRiseError);
}
