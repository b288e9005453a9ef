// Automation objects inside Variants, and event properties of class descriptions.
#include <gtest/gtest.h>

#include "platform/rt/ComObj.h"
#include "platform/rt/Events.h"
#include "platform/rt/TypInfo.h"

using namespace rt;

namespace {

class TNothing : public IDispatch {
public:
  HRESULT GetIDsOfNames(std::u16string_view, TLCID, TDispID&) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(TDispID, TLCID, std::uint16_t, TDispParams&, Variant*, TExcepInfo*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
};

class TButton : public TObject {
public:
  RT_CLASS_INFO(TButton)
  int Width = 0;
  TNotifyEvent OnClick;
};

TClass TButton::ClassInfo() {
  static const TClassInfo Info("TButton", TObject::ClassInfo(), [] { return new TButton; },
                               {TPropInfo::Field<TButton>("Width", tkInteger, "", &TButton::Width),
                                TPropInfo::Event<TButton>("OnClick", "TNotifyEvent", &TButton::OnClick)});
  return &Info;
}

} // namespace

TEST(DispatchVariant, HoldsAndSharesTheObject) {
  auto Obj = std::make_shared<TNothing>();
  Variant V = Variant::Dispatch(Obj);
  EXPECT_EQ(V.VarType(), varDispatch);
  EXPECT_TRUE(V.IsDispatch());
  EXPECT_EQ(V.ToDispatch().get(), Obj.get());
  Variant Copy = V;
  EXPECT_EQ(Obj.use_count(), 3);  // Obj, V and Copy
  EXPECT_TRUE(Copy.Identical(V));
  EXPECT_FALSE(Copy.Identical(Variant::Dispatch(std::make_shared<TNothing>())));
  EXPECT_TRUE(VarAsType(V, varVariant).Identical(V));
  V = Variant();
  Copy = Variant();
  EXPECT_EQ(Obj.use_count(), 1);
}

TEST(DispatchVariant, IsNoNumberTextOrBoolean) {
  Variant V = Variant::Dispatch(std::make_shared<TNothing>());
  EXPECT_THROW(V.ToInteger(), EVariantTypeCastError);
  EXPECT_THROW(V.ToDouble(), EVariantTypeCastError);
  EXPECT_THROW(V.ToBoolean(), EVariantTypeCastError);
  EXPECT_THROW(V.ToString(), EVariantTypeCastError);
  EXPECT_THROW(V + Variant(1), EVariantInvalidOpError);
  EXPECT_THROW(VarCompare(V, Variant(1)), EVariantInvalidOpError);
  try {
    Variant(5).ToDispatch();
    ADD_FAILURE();
  } catch (const EVariantTypeCastError& E) {
    EXPECT_STREQ(E.what(), "Could not convert variant of type (Integer) into type (Dispatch)");
  }
}

TEST(ComObj, NoAutomationObjectsOnThisServer) {
  try {
    CreateOleObject("Some.Server");
    ADD_FAILURE();
  } catch (const EOleSysError& E) {
    EXPECT_EQ(E.ClassName(), "EOleSysError");
    EXPECT_STREQ(E.what(),
                 "Cannot create the automation object 'Some.Server': automation objects are not available on "
                 "this server");
  }
  EXPECT_EQ(OleErrorMessage(DISP_E_UNKNOWNNAME), "Unknown name.");
  EXPECT_EQ(OleErrorMessage(DISP_E_EXCEPTION), "Exception occurred.");
  EXPECT_EQ(OleErrorMessage(static_cast<HRESULT>(0x80001234u)), "Unspecified error");
  EXPECT_TRUE(Succeeded(S_OK));
  EXPECT_FALSE(Succeeded(E_FAIL));
}

TEST(EventProperties, SetAndRemoveHandlersThroughTheClassDescription) {
  TButton B;
  const TPropInfo* P = B.ClassType()->FindProperty("onclick");
  ASSERT_NE(P, nullptr);
  EXPECT_EQ(P->Kind, tkMethod);
  EXPECT_FALSE(P->Get);
  int Clicks = 0;
  P->SetMethod(&B, std::any(TNotifyEvent([&](TObject* Sender) { Clicks += Sender == &B ? 1 : 100; })));
  ASSERT_TRUE(B.OnClick);
  B.OnClick(&B);
  EXPECT_EQ(Clicks, 1);
  EXPECT_THROW(P->SetMethod(&B, std::any(TCloseQueryEvent())), Exception);  // another signature
  EXPECT_TRUE(B.OnClick);
  P->SetMethod(&B, std::any());
  EXPECT_FALSE(B.OnClick);
  // Events are no published properties of the class.
  const auto Props = B.ClassType()->Properties();
  ASSERT_EQ(Props.size(), 1u);
  EXPECT_EQ(Props[0]->Name, "Width");
}
