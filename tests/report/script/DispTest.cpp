// Late-bound calls: members of an automation object held in a Variant, called by name at run
// time through its dispatch interface.
#include <gtest/gtest.h>

#include <map>

#include "platform/rt/ComObj.h"
#include "platform/rt/Unicode.h"
#include "report/script/sc_idisp.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

namespace {

// One invocation as the object saw it.
struct Call {
  std::string Member;
  std::uint16_t Flags;
  std::vector<Variant> Args;  // as placed in the block: last argument first
  std::vector<rt::TDispID> NamedArgs;
  bool WantResult;
  rt::TLCID Lcid;
};

// An automation object with a few members: Add(a, b), Beep, Name (property), Items[i]
// (indexed property), Child (object property), Fail (reports an exception), Boom (throws).
class TTestObject : public rt::IDispatch {
public:
  std::vector<Call> Calls;
  std::vector<rt::TLCID> NameLocales;
  std::vector<std::u16string> NamesAsked;
  Variant Name = "initial";
  std::map<int, Variant> Items;
  Variant Child = Variant::Null();

  rt::HRESULT GetIDsOfNames(std::u16string_view AName, rt::TLCID Lcid, rt::TDispID& DispID) override {
    NamesAsked.emplace_back(AName);
    NameLocales.push_back(Lcid);
    const std::string N = rt::Utf8UpperCase(rt::Utf16ToUtf8(AName));
    static const std::map<std::string, rt::TDispID> Ids = {{"ADD", 1},   {"BEEP", 2},  {"NAME", 3}, {"ITEMS", 4},
                                                           {"CHILD", 5}, {"FAIL", 6},  {"BOOM", 7}, {"COUNT", 8}};
    auto It = Ids.find(N);
    if (It == Ids.end()) return rt::DISP_E_UNKNOWNNAME;
    DispID = It->second;
    return rt::S_OK;
  }

  rt::HRESULT Invoke(rt::TDispID DispID, rt::TLCID Lcid, std::uint16_t Flags, rt::TDispParams& P, Variant* Result,
                     rt::TExcepInfo* Info) override {
    static const char* Names[] = {"", "Add", "Beep", "Name", "Items", "Child", "Fail", "Boom", "Count"};
    Calls.push_back({Names[DispID], Flags, P.Args, P.NamedArgs, Result != nullptr, Lcid});
    const bool Put = Flags & (rt::DISPATCH_PROPERTYPUT | rt::DISPATCH_PROPERTYPUTREF);
    switch (DispID) {
      case 1:
        if (P.Args.size() != 2) return rt::DISP_E_BADPARAMCOUNT;
        if (Result) *Result = P.Args[1] + P.Args[0];
        return rt::S_OK;
      case 2: return rt::S_OK;
      case 3:
        if (Put) Name = P.Args[0];
        else if (Result) *Result = Name;
        return rt::S_OK;
      case 4:
        if (Put) Items[P.Args[1].ToInteger()] = P.Args[0];
        else if (Result) *Result = Items[P.Args[0].ToInteger()];
        return rt::S_OK;
      case 5:
        if (Put) Child = P.Args[0];
        else if (Result) *Result = Child;
        return rt::S_OK;
      case 6:
        Info->Source = u"Test.Object";
        Info->Description = u"Something went wrong";
        Info->HelpFile = u"help.chm";
        return rt::DISP_E_EXCEPTION;
      case 7: throw rt::EConvertError("thrown by the member");
      case 8:
        if (Result) *Result = static_cast<int>(P.Args.size());
        return rt::S_OK;
    }
    return rt::DISP_E_MEMBERNOTFOUND;
  }
};

class LateBoundCalls : public ::testing::Test {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    S.AddRTTI();
    S.AddedBy = &Out;  // kept when a test program is replaced
    S.AddVariable("Obj", "Variant", Variant::Dispatch(Obj));
    S.AddVariable("Other", "Variant", Variant::Dispatch(Other));
    S.AddMethod("procedure Print(v: Variant)",
                TscCallMethodNewEvent([this](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
                  Out += rt::VarToStr(C->GetVParam(0)) + "\n";
                  return Variant();
                }));
    S.AddMethod("function GetObj: Variant",
                TscCallMethodNewEvent([this](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper*) {
                  return Variant::Dispatch(Obj);
                }));
    S.AddedBy = nullptr;
  }

  std::string Run(const std::string& Text) {
    Out.clear();
    S.ClearItems(nullptr);
    S.Lines.SetText(Text);
    if (!S.Compile()) return "compile error: " + S.ErrorMsg + " at " + S.ErrorPos;
    try {
      S.Execute();
    } catch (const rt::Exception& E) {
      Out += "raised " + E.ClassName() + ": " + E.Message() + "\n";
    }
    return Out;
  }

  std::shared_ptr<TTestObject> Obj = std::make_shared<TTestObject>();
  std::shared_ptr<TTestObject> Other = std::make_shared<TTestObject>();
  TscScript S;
  std::string Out;
};

std::string Texts(const std::vector<Variant>& Args) {
  std::string R;
  for (const Variant& A : Args) R += (R.empty() ? "" : ",") + rt::VarToStr(A);
  return R;
}

} // namespace

TEST_F(LateBoundCalls, MethodCallsAskForAResultOnlyInsideExpressions) {
  EXPECT_EQ(Run("var x: Variant;\n"
                "begin\n"
                "  x := Obj.Add(2, 3); Print(x);\n"
                "  Obj.Add(10, 20);\n"
                "  Obj.Beep;\n"
                "  Print(Obj.add('a', 'b'));\n"
                "end."),
            "5\nab\n");
  ASSERT_EQ(Obj->Calls.size(), 4u);
  struct Expected {
    const char* Member;
    std::uint16_t Flags;
    bool WantResult;
    const char* Args;  // last argument first
  } Cases[] = {{"Add", 3, true, "3,2"}, {"Add", 1, false, "20,10"}, {"Beep", 1, false, ""}, {"Add", 3, true, "b,a"}};
  for (std::size_t I = 0; I < 4; ++I) {
    const Call& C = Obj->Calls[I];
    EXPECT_EQ(C.Member, Cases[I].Member) << I;
    EXPECT_EQ(C.Flags, Cases[I].Flags) << I;
    EXPECT_EQ(C.WantResult, Cases[I].WantResult) << I;
    EXPECT_EQ(Texts(C.Args), Cases[I].Args) << I;
    EXPECT_TRUE(C.NamedArgs.empty()) << I;
    EXPECT_EQ(C.Lcid, 0u) << I;  // invocations carry locale 0
  }
  // Names go out as written, with the thread's locale.
  EXPECT_EQ(Obj->NamesAsked.back(), u"add");
  EXPECT_EQ(Obj->NameLocales.back(), rt::GetThreadLocale());
}

TEST_F(LateBoundCalls, PropertiesAreReadAndAssigned) {
  EXPECT_EQ(Run("begin Print(Obj.Name); Obj.Name := 'changed'; Print(Obj.Name); Obj.Name := 42 end."),
            "initial\nchanged\n");
  EXPECT_TRUE(Obj->Name.Identical(Variant(42)));
  const Call& Put = Obj->Calls[1];
  EXPECT_EQ(Put.Member, "Name");
  EXPECT_EQ(Put.Flags, rt::DISPATCH_PROPERTYPUT);  // a number goes by value
  EXPECT_FALSE(Put.WantResult);
  EXPECT_EQ(Texts(Put.Args), "changed");
  EXPECT_EQ(Put.NamedArgs, (std::vector<rt::TDispID>{rt::DISPID_PROPERTYPUT}));
}

TEST_F(LateBoundCalls, AnAutomationObjectIsAssignedByReference) {
  EXPECT_EQ(Run("begin Obj.Child := Other; Other.Name := 'other'; Print(Obj.Child.Name) end."), "other\n");
  const Call& Put = Obj->Calls[0];
  EXPECT_EQ(Put.Member, "Child");
  EXPECT_EQ(Put.Flags, rt::DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(Put.Args[0].ToDispatch(), Other);
  // The chain reads Child from Obj, then Name from the child.
  EXPECT_EQ(Obj->Calls.back().Member, "Child");
  EXPECT_EQ(Other->Calls.back().Member, "Name");
}

TEST_F(LateBoundCalls, IndexedPropertiesTakeTheIndexesAsArguments) {
  EXPECT_EQ(Run("var i: Integer;\n"
                "begin for i := 1 to 3 do Obj.Items[i] := i * 10; Print(Obj.Items[2] + Obj.Items[3]) end."),
            "50\n");
  const Call& Put = Obj->Calls[0];
  EXPECT_EQ(Put.Member, "Items");
  EXPECT_EQ(Put.Flags, rt::DISPATCH_PROPERTYPUT);
  EXPECT_EQ(Texts(Put.Args), "10,1");  // the value first, then the index
  const Call& Get = Obj->Calls[3];
  EXPECT_EQ(Get.Flags, rt::DISPATCH_METHOD | rt::DISPATCH_PROPERTYGET);
  EXPECT_EQ(Texts(Get.Args), "2");
}

TEST_F(LateBoundCalls, TheStepKeepsNoReferenceAfterTheCall) {
  Run("begin Obj.Beep; Print(Obj.Name) end.");
  int Steps = 0;
  for (int I = 0; I < S.Count(); ++I)
    if (auto* H = dynamic_cast<TscOLEHelper*>(S.GetItem(I))) {
      ++Steps;
      EXPECT_TRUE(H->ParentValue.IsNull()) << H->Name();
    }
  EXPECT_EQ(Steps, 2);
  EXPECT_EQ(Obj.use_count(), 2);  // the test and the script's variable
}

TEST_F(LateBoundCalls, AVariantThatGetsItsObjectWhileRunningIsBoundThen) {
  EXPECT_EQ(Run("var w: Variant;\n"
                "begin w := GetObj; w.Name := 'late'; Print(w.Add(1, 2));\n"
                "  with w do Name := Name + '!';\n"
                "  Print(Obj.Name) end."),
            "3\nlate!\n");
}

TEST_F(LateBoundCalls, FailuresBecomeOleErrors) {
  EXPECT_EQ(Run("begin Obj.Missing(1) end."), "raised EOleError: OLE error 80020006: Missing: Unknown name.\n");
  EXPECT_EQ(Run("begin Obj.Add(1) end."),
            "raised EOleError: OLE error 8002000E: Add: Invalid number of parameters.\n");
  EXPECT_EQ(Run("begin Obj.Fail end."),
            "raised EOleError: OLE error 80020009: Fail: Exception occurred.\r\n"
            "Source        ::  Test.Object\r\n"
            "Description ::  Something went wrong\r\n"
            "Help File     ::  help.chm\n");
  // Exceptions of the object's own code pass unchanged; a script can catch all of these.
  EXPECT_EQ(Run("begin Obj.Boom end."), "raised EConvertError: thrown by the member\n");
  EXPECT_EQ(Run("begin try Obj.Missing except Print(ExceptionClassName) end end."), "EOleError\n");
}

TEST_F(LateBoundCalls, AVariantThatNoLongerHoldsAnObjectIsAConversionError) {
  // The step is bound on the first pass, when w holds the object.
  EXPECT_EQ(Run("var w: Variant; i: Integer;\n"
                "begin w := GetObj; for i := 1 to 2 do begin if i = 2 then w := 5; w.Beep end end."),
            "raised EVariantTypeCastError: Could not convert variant of type (Integer) into type (Dispatch)\n");
  S.SetVariables("Obj", Variant::Dispatch(nullptr));
  EXPECT_EQ(Run("begin Obj.Beep end."), "raised EOleError: No automation object to call Beep on\n");
}

TEST_F(LateBoundCalls, AtMostSixtyFourArguments) {
  std::string Args64, Args65;
  for (int I = 0; I < 64; ++I) Args64 += (I ? "," : "") + std::to_string(I);
  Args65 = Args64 + ",64";
  EXPECT_EQ(Run("begin Print(Obj.Count(" + Args64 + ")) end."), "64\n");
  EXPECT_EQ(Run("begin Print(Obj.Count(" + Args65 + ")) end."),
            "raised EOleError: Too many arguments for Count: an automation call takes at most 64\n");
  // With the assigned value, 64 indexes are already one too many.
  EXPECT_EQ(Run("begin Obj.Items[" + Args64 + "] := 1 end."),
            "raised EOleError: Too many arguments for Items: an automation call takes at most 64\n");
}

TEST_F(LateBoundCalls, OtherSyntaxesCallThroughTheSameBridge) {
  sc_ijsInitialization();
  S.SyntaxType = "JScript";
  EXPECT_EQ(Run("Obj.Name = \"js\"; Print(Obj.Add(40, 2));"), "42\n");
  EXPECT_TRUE(Obj->Name.Identical(Variant("js")));
}
