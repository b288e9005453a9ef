// The graphics vocabulary as scripts see it: named colours, enumerations and sets, and fonts.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include <set>

#include "platform/gfx/ColorNames.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_igraphicsrtti.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

namespace {

class GraphicsRtti : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    sc_iclassesrttiInitialization();
    sc_igraphicsrttiInitialization();
    PrepareScript();
  }
};

} // namespace

TEST_F(GraphicsRtti, NamedColoursAndEnumerations) {
  auto T = gfx::ColorNames();
  EXPECT_EQ(T.size(), 52u);
  std::set<std::string> Names;
  for (const gfx::TColorName& C : T) Names.insert(C.Name);
  EXPECT_EQ(Names.size(), 52u);
  EXPECT_STREQ(T[29].Name, "clDefault");
  EXPECT_STREQ(T[45].Name, "clNone");
  struct Case {
    const char* Expr;
    long long Value;
  } Cases[] = {{"clRed", 0x0000FF},  {"clBlue", 0xFF0000},        {"clMedGray", 0xA4A0A0},
               {"clBtnFace", static_cast<int>(0xFF00000Fu)}, {"clScrollBar", static_cast<int>(0xFF000000u)},
               {"clDefault", 0x20000000}, {"clNone", 0x1FFFFFFF}, {"psInsideFrame", 6}, {"pmXor", 14},
               {"bsDiagCross", 7}, {"fpFixed", 2}};
  for (const Case& C : Cases) {
    Variant R = S.Evaluate(C.Expr);
    EXPECT_FALSE(S.EvaluteRiseError) << C.Expr;
    EXPECT_EQ(R.ToInt64(), C.Value) << C.Expr;
  }
}

TEST_F(GraphicsRtti, FontsAreMadeChangedAndFreed) {
  EXPECT_EQ(Run("var F: TFont;\n"
                "begin\n"
                "  F := TFont.Create;\n"
                "  Print(F.ClassName);\n"
                "  F.Name := 'Courier New';\n"
                "  F.Color := clRed;\n"
                "  Print(F.Name);\n"
                "  Print(F.Color);\n"
                "  F.Free;\n"
                "end."),
            "TFont\nCourier New\n255\n");
}
