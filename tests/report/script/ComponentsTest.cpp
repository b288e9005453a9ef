// Forms, frames and data modules with their components as scripts see them: AddComponent,
// component members, and a component found through the object that owns it.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include "platform/rt/Components.h"
#include "platform/rt/Controls.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace {

class TPanelForm : public rt::TCustomForm {
public:
  RT_CLASS_INFO(TPanelForm)
  using rt::TCustomForm::TCustomForm;
};

rt::TClass TPanelForm::ClassInfo() {
  static const rt::TClassInfo Info("TPanelForm", rt::TComponent::ClassInfo(), nullptr);
  return &Info;
}

// A component that is no form: a script cannot be handed it as one.
class TWidget : public rt::TComponent {
public:
  RT_CLASS_INFO(TWidget)
  using rt::TComponent::TComponent;
};

rt::TClass TWidget::ClassInfo() {
  static const rt::TClassInfo Info("TWidget", rt::TComponent::ClassInfo(), nullptr);
  return &Info;
}

class Components : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    sc_iclassesrttiInitialization();
    PrepareScript();
    // The server registers no form classes; a host that has them names TComponent as ancestor.
    static const rt::TClassInfo FormClass("TForm", rt::TComponent::ClassInfo(), nullptr);
    S.AddedBy = &Out;
    S.AddClass(&FormClass, "TComponent");
    S.AddedBy = nullptr;
    Form = std::make_unique<TPanelForm>(nullptr);
    Form->SetName("Panel");
    auto* Box = new rt::TComponent(Form.get());
    Box->SetName("Box");
    auto* Inner = new rt::TComponent(Box);
    Inner->SetName("Inner");
    auto* Unnamed = new rt::TComponent(Form.get());
    (void)Unnamed;
  }
  std::unique_ptr<TPanelForm> Form;
};

} // namespace

TEST_F(Components, FormMembersAndComponentsOwnedByThem) {
  S.AddedBy = &Out;
  S.AddForm(Form.get());
  S.AddedBy = nullptr;
  TscClassVariable* C = S.FindClass("TPanelForm");
  ASSERT_NE(C, nullptr);
  EXPECT_EQ(C->Ancestor(), "TForm");
  // The unnamed component is no member.
  EXPECT_EQ(C->MembersCount(), 1);
  EXPECT_EQ(Run("begin\n"
                "  Print(Panel.ClassName);\n"
                "  Print(Panel.Box.ClassName);\n"
                "  Print(Panel.Box.Inner.ClassName);\n"
                "  Print(Panel.Box.Inner.Owner.ClassName);\n"
                "end."),
            "TPanelForm\nTComponent\nTComponent\nTComponent\n");
  EXPECT_EQ(Run("begin Print(Panel.Box.Missing.ClassName); end."),
            "compile error: Undeclared identifier: 'Missing'");
}

TEST_F(Components, OnlyFormsFramesAndDataModulesAreRegistered) {
  TWidget Plain(nullptr);
  Plain.SetName("Plain");
  S.AddComponent(&Plain);
  EXPECT_EQ(S.FindLocal("Plain"), nullptr);

  struct TModule : rt::TDataModule {
    using rt::TDataModule::TDataModule;
  } Module(nullptr);
  Module.SetName("Data");
  S.AddComponent(&Module);
  // The class is the runtime's TComponent description; already known, it only gains members.
  EXPECT_NE(S.FindLocal("Data"), nullptr);
  EXPECT_EQ(S.FindClass("TComponent")->Ancestor(), "TPersistent");
}

TEST_F(Components, AComponentFreedAfterRegistrationIsAnInvalidReference) {
  S.AddedBy = &Out;
  S.AddForm(Form.get());
  S.AddedBy = nullptr;
  delete Form->FindComponent("Box");
  const std::string R = Run("begin Print(Panel.Box.ClassName); end.");
  EXPECT_NE(R.find("raised"), std::string::npos) << R;
}
