// Items, classes and designators: host classes, members, parameters, element access.
#include <gtest/gtest.h>

#include "ScriptTestSupport.h"

using namespace scTest;

namespace {

// A host class with published properties, as the report's objects will have.
class TGadget : public rt::TObject {
public:
  RT_CLASS_INFO(TGadget)
  int Width = 3;
  bool Visible = true;
  std::string Caption = "cap";
  double Ratio = 0.5;
  std::string Tag;  // set by the constructor member
};

rt::TClass TGadget::ClassInfo() {
  static const rt::TClassInfo Info(
      "TGadget", rt::TObject::ClassInfo(), [] { return new TGadget; },
      {rt::TPropInfo::Field<TGadget>("Width", rt::tkInteger, "", &TGadget::Width),
       rt::TPropInfo::Field<TGadget>("Visible", rt::tkEnumeration, "Boolean", &TGadget::Visible),
       rt::TPropInfo::Field<TGadget>("Caption", rt::tkUString, "", &TGadget::Caption),
       rt::TPropInfo::Field<TGadget>("Ratio", rt::tkFloat, "", &TGadget::Ratio)});
  return &Info;
}

class TBigGadget : public TGadget {
public:
  RT_CLASS_INFO(TBigGadget)
};

rt::TClass TBigGadget::ClassInfo() {
  static const rt::TClassInfo Info("TBigGadget", TGadget::ClassInfo(), [] { return new TBigGadget; });
  return &Info;
}

class Classes : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterBaseTypes();
    S.AddRTTI();
    Obj = S.AddClass(rt::TObject::ClassInfo(), "");
    Gadget = S.AddClass(TGadget::ClassInfo(), "TObject");
  }
  TscScript S;
  TscClassVariable* Obj;
  TscClassVariable* Gadget;
};

TscCallMethodNewEvent NewHandler(std::function<Variant(rt::TObject*, const std::string&, TscMethodHelper*)> F) {
  return [F](rt::TObject* I, rt::TClass, const std::string& N, TscMethodHelper* C) { return F(I, N, C); };
}

} // namespace

TEST_F(Classes, PublishedPropertiesBecomeTypedMembers) {
  struct Case { const char* Name; TscVarType Typ; } Cases[] = {
      {"Width", fvtInt}, {"Visible", fvtBool}, {"Caption", fvtString}, {"Ratio", fvtFloat}};
  for (const Case& C : Cases) {
    TscCustomVariable* M = Gadget->Find(C.Name);
    ASSERT_NE(M, nullptr) << C.Name;
    EXPECT_EQ(M->Typ, C.Typ) << C.Name;
  }
  EXPECT_EQ(Gadget->GetMembers(0)->Name(), "Caption");  // ascending name order
  TGadget G;
  TscVariable* V = DeclareVar(S, "g", "TGadget");
  V->SetValue(rt::VarFromObject(&G));
  std::unique_ptr<TscDesignator> W(Path(S, {Step{V, {}}, Step{Gadget->Find("Width"), {}}}));
  EXPECT_EQ(W->GetValue().ToInteger(), 3);
  W->SetValue("12");
  EXPECT_EQ(G.Width, 12);
  std::unique_ptr<TscDesignator> Vis(Path(S, {Step{V, {}}, Step{Gadget->Find("Visible"), {}}}));
  EXPECT_EQ(Vis->GetValue().VarType(), rt::varBoolean);
  Vis->SetValue(false);
  EXPECT_FALSE(G.Visible);
  std::unique_ptr<TscDesignator> Cap(Path(S, {Step{V, {}}, Step{Gadget->Find("caption"), {}}}));
  Cap->SetValue(42);
  EXPECT_EQ(G.Caption, "42");
  V->SetValue(Variant(0));  // no instance: reads Null, writes nothing
  EXPECT_TRUE(Cap->GetValue().IsNull());
  Cap->SetValue("lost");
}

TEST_F(Classes, AncestorsLendMembersAndTheDefaultProperty) {
  auto Handler = NewHandler([](rt::TObject*, const std::string& N, TscMethodHelper* C) {
    return Variant(N + ":" + rt::VarToStr(C->GetVParam(0)));
  });
  Gadget->AddDefaultProperty("Items", "Integer", "String", Handler, true);
  TscClassVariable* Big = S.AddClass(TBigGadget::ClassInfo(), "TGadget");
  EXPECT_EQ(Big->DefProperty, Gadget->DefProperty);
  EXPECT_NE(Big->Find("Items"), nullptr);
  EXPECT_EQ(S.AddClass(TBigGadget::ClassInfo(), "TGadget"), nullptr);  // already known

  TscScript Other;
  Other.AddClass(TBigGadget::ClassInfo(), "TGadget");  // ancestor not registered there
  EXPECT_EQ(Other.FindClass("TBigGadget")->Find("Items"), nullptr);
  EXPECT_NE(Other.FindClass("TBigGadget")->Find("Width"), nullptr);  // its own published ones
  EXPECT_EQ(Other.FindClass("TBigGadget")->DefProperty, nullptr);

  // A class registered as its own ancestor does not loop.
  TscScript Self;
  static const rt::TClassInfo Loop("TLoop", nullptr);
  Self.AddClass(&Loop, "TLoop");
  EXPECT_EQ(Self.FindClass("TLoop")->Find("Anything"), nullptr);
}

TEST_F(Classes, IndexedPropertiesReadWithGetAndWriteWithSet) {
  std::vector<std::string> Calls;
  auto Handler = NewHandler([&](rt::TObject* I, const std::string& N, TscMethodHelper* C) {
    std::string Args;
    for (int K = 0; K <= C->Count(); ++K) Args += "," + rt::VarToStr(C->GetVParam(K));
    Calls.push_back(N + Args + (I ? " on object" : ""));
    return Variant("value");
  });
  TscMethodHelper* M = Gadget->AddIndexProperty("Cells", "Integer, String", "String", Handler);
  ASSERT_EQ(M->Count(), 2);
  EXPECT_EQ(M->Params(0)->Name(), "p0");
  EXPECT_EQ(M->Params(0)->Typ, fvtInt);
  EXPECT_EQ(M->Params(1)->Typ, fvtString);
  EXPECT_EQ(M->Typ, fvtString);
  EXPECT_EQ(Gadget->AddIndexProperty("None", "", "Integer", Handler)->Count(), 0);

  TGadget G;
  TscVariable* V = DeclareVar(S, "g", "TGadget");
  V->SetValue(rt::VarFromObject(&G));
  std::unique_ptr<TscDesignator> D(
      Path(S, {Step{V, {}}, Step{M, {Ex(S, Variant(2)), Ex(S, Variant("b"))}}}));
  EXPECT_EQ(D->GetValue().ToString(), "value");
  D->SetValue("new");
  EXPECT_EQ(Calls, (std::vector<std::string>{"CELLS.GET,2,b, on object", "CELLS.SET,2,b,new on object"}));
}

TEST_F(Classes, ConstructorsMakeInstancesOfTheNamedClass) {
  TscMethodHelper* Create = Obj->AddConstructor(
      "constructor Create(ATag: String)", NewHandler([](rt::TObject* I, const std::string& N, TscMethodHelper* C) {
        EXPECT_EQ(N, "CREATE");
        if (auto* G = dynamic_cast<TGadget*>(I)) G->Tag = rt::VarToStr(C->GetVParam(0));
        return rt::VarFromObject(I);
      }));
  EXPECT_EQ(Create->Name(), "Create");
  EXPECT_EQ(Create->Typ, fvtConstructor);
  TscClassVariable* Big = S.AddClass(TBigGadget::ClassInfo(), "TGadget");
  std::unique_ptr<TscDesignator> D(
      Path(S, {Step{Big, {Ex(S, Variant::Null())}}, Step{Obj->Find("Create"), {Ex(S, Variant("t1"))}}}));
  EXPECT_EQ(D->Typ, fvtClass);
  EXPECT_EQ(D->TypeName, "TBigGadget");
  std::unique_ptr<rt::TObject> Made(rt::VarToObject(D->GetValue()));
  auto* G = dynamic_cast<TBigGadget*>(Made.get());
  ASSERT_NE(G, nullptr);  // the class named before the dot, not the one holding Create
  EXPECT_EQ(G->Tag, "t1");
  // A class with a value is a typecast: the value passes unchanged.
  TscVariable* V = DeclareVar(S, "v", "Variant");
  std::unique_ptr<TscDesignator> Cast(Path(S, {Step{Gadget, {Ex(S, V)}}}));
  V->SetValue(7);
  EXPECT_EQ(Cast->GetValue().ToInteger(), 7);
}

TEST_F(Classes, MethodCallsSeeWhetherTheirResultIsUsed) {
  std::vector<bool> Seen;
  TscMethodHelper* M = Native(S, "function Work: Integer", [&](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
    Seen.push_back(C->NeedResult);
    return Variant(1);
  });
  TscVariable* X = DeclareVar(S, "x", "Integer");
  Stmts Body = Main(S);
  Body.Call(Path(S, M));
  Body.Assign(X, Ex(S, {Path(S, M), Op{"+"}, Variant(1)}));
  S.Execute();
  EXPECT_EQ(Seen, (std::vector<bool>{false, true}));
}

TEST_F(Classes, VarParametersOfNativeMethodsReachTheCallersVariables) {
  // New form: SetVParam.
  TscMethodHelper* NewForm = Native(S, "procedure Bump(var a: Integer; b: Integer)",
                                    [](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* C) {
                                      C->SetVParam(0, C->GetVParam(0).ToInteger() + C->GetVParam(1).ToInteger());
                                      C->SetVParam(1, 99);  // not a var parameter: the caller keeps its value
                                      return Variant(0);
                                    });
  // Classic form: the argument array.
  int ArgCount = -1;
  TscMethodHelper* Classic = S.AddMethod("procedure Twice(var a: Integer)",
                                         TscCallMethodEvent([&](rt::TObject*, rt::TClass, const std::string&, Variant& P) {
                                           ArgCount = P.ArrayHighBound(1) + 1;
                                           P.ArrayPut({0}, P.ArrayGet({0}).ToInteger() * 2);
                                           return Variant(0);
                                         }));
  int EmptyCount = -1;
  TscMethodHelper* NoArgs = S.AddMethod("procedure Nothing",
                                        TscCallMethodEvent([&](rt::TObject*, rt::TClass, const std::string&, Variant& P) {
                                          EmptyCount = P.IsArray() ? P.ArrayHighBound(1) + 1 : -2;
                                          return Variant(0);
                                        }));
  TscVariable* A = DeclareVar(S, "a", "Integer");
  TscVariable* B = DeclareVar(S, "b", "Integer");
  A->SetValue(1);
  B->SetValue(5);
  Stmts Body = Main(S);
  Body.Call(Path(S, {Step{NewForm, {Ex(S, A), Ex(S, B)}}}));
  Body.Call(Path(S, {Step{Classic, {Ex(S, A)}}}));
  Body.Call(Path(S, NoArgs));
  S.Execute();
  EXPECT_EQ(A->GetValue().ToInteger(), 12);
  EXPECT_EQ(B->GetValue().ToInteger(), 5);
  EXPECT_EQ(ArgCount, 1);
  EXPECT_EQ(EmptyCount, 0);
}

TEST_F(Classes, MethodWithoutHandlerGivesZero) {
  TscMethodHelper* M = S.AddMethod("function Idle: Integer", TscCallMethodNewEvent());
  EXPECT_EQ(M->GetValue().ToInteger(), 0);
}

TEST_F(Classes, StringCharactersReadAndReplaceInPlace) {
  TscVariable* Str = DeclareVar(S, "s", "String");
  Str->SetValue("abc");
  TscCustomVariable* Helper = S.Find("__StringHelper");
  std::unique_ptr<TscDesignator> D(Path(S, {Step{Str, {}}, Step{Helper, {Ex(S, Variant(2))}}}));
  EXPECT_NE(dynamic_cast<TscStringDesignator*>(D.get()), nullptr);  // the fast form
  EXPECT_EQ(D->GetValue().ToString(), "b");
  D->SetValue("XYZ");
  EXPECT_EQ(Str->GetValue().ToString(), "aXc");
  D->SetValue("");
  EXPECT_EQ(Str->GetValue().RawString(), std::u16string(u"a\0c", 3));
  std::unique_ptr<TscDesignator> Out(Path(S, {Step{Str, {}}, Step{Helper, {Ex(S, Variant(4))}}}));
  EXPECT_THROW(Out->GetValue(), rt::ERangeError);
  EXPECT_THROW(Out->SetValue("q"), rt::ERangeError);
  EXPECT_EQ(Str->GetValue().RawString().size(), 3u);

  // Through a Variant holding a string, the general helper path does the same.
  TscVariable* V = DeclareVar(S, "v", "Variant");
  V->SetValue("hello");
  std::unique_ptr<TscDesignator> G(Path(S, {Step{V, {}}, Step{Helper, {Ex(S, Variant(1))}}}));
  G->SetValue("J");
  EXPECT_EQ(V->GetValue().ToString(), "Jello");
  std::unique_ptr<TscDesignator> G0(Path(S, {Step{V, {}}, Step{Helper, {Ex(S, Variant(0))}}}));
  EXPECT_THROW(G0->GetValue(), rt::ERangeError);
}

TEST_F(Classes, ArrayElementsByDimensionCount) {
  TscVariable* A2 = DeclareArray(S, "grid", {0, 2, 0, 3});
  A2->PValue().ArrayPut({1, 2}, "r1c2");
  std::unique_ptr<TscDesignator> D(
      Path(S, {Step{A2, {}}, Step{A2->RefItem, {Ex(S, Variant(1)), Ex(S, Variant(2))}}}));
  EXPECT_NE(dynamic_cast<TscArrayDesignator*>(D.get()), nullptr);
  EXPECT_EQ(D->GetValue().ToString(), "r1c2");
  D->SetValue(5);
  EXPECT_EQ(A2->GetValue().ArrayGet({1, 2}).ToInteger(), 5);
  std::unique_ptr<TscDesignator> Bad(
      Path(S, {Step{A2, {}}, Step{A2->RefItem, {Ex(S, Variant(3)), Ex(S, Variant(0))}}}));
  EXPECT_THROW(Bad->GetValue(), rt::EVariantBadIndexError);

  // The general element item over Variant values: 1 to 3 dimensions, anything else reads Null.
  TscCustomVariable* Helper = S.Find("__ArrayHelper");
  TscVariable* V = DeclareVar(S, "v", "Variant");
  std::unique_ptr<TscDesignator> E(Path(S, {Step{V, {}}, Step{Helper, {Ex(S, Variant(1)), Ex(S, Variant(2)),
                                                                        Ex(S, Variant(0))}}}));
  V->SetValue(rt::VarArrayCreate({0, 1, 0, 2}, rt::varVariant));
  V->PValue().ArrayPut({1, 2}, "x");
  EXPECT_EQ(E->GetValue().ToString(), "x");
  E->SetValue("y");
  EXPECT_EQ(V->GetValue().ArrayGet({1, 2}).ToString(), "y");
  V->SetValue(rt::VarArrayCreate({0, 1, 0, 1, 0, 1, 0, 1}, rt::varVariant));
  EXPECT_TRUE(E->GetValue().IsNull());
}

TEST_F(Classes, PropertiesWithHandlersAndReadOnlyOnes) {
  std::string Written;
  TscPropertyHelper* P = Gadget->AddProperty(
      "Flag", "Boolean", [](rt::TObject*, rt::TClass, const std::string& N) { return Variant(N == "FLAG" ? 5 : 0); },
      [&](rt::TObject*, rt::TClass, const std::string& N, const Variant& V) { Written = N + "=" + rt::VarToStr(V); });
  TscPropertyHelper* RO = Gadget->AddProperty(
      "Count", "Integer", [](rt::TObject*, rt::TClass, const std::string&) { return Variant(3); });
  EXPECT_TRUE(RO->IsReadOnly);
  TGadget G;
  TscVariable* V = DeclareVar(S, "g", "TGadget");
  V->SetValue(rt::VarFromObject(&G));
  std::unique_ptr<TscDesignator> D(Path(S, {Step{V, {}}, Step{P, {}}}));
  EXPECT_EQ(D->GetValue().VarType(), rt::varBoolean);  // a Boolean property turns non-zero into True
  EXPECT_TRUE(D->GetValue().ToBoolean());
  D->SetValue(true);
  EXPECT_EQ(Written, "FLAG=True");
  std::unique_ptr<TscDesignator> R(Path(S, {Step{V, {}}, Step{RO, {}}}));
  EXPECT_TRUE(R->IsReadOnly);
  R->SetValue(9);  // ignored
  EXPECT_EQ(R->GetValue().ToInteger(), 3);
}
