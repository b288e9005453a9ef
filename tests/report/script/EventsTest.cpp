// Event bridges: script procedures serving the events of a host control.
#include <gtest/gtest.h>

#include "platform/rt/Events.h"
#include "report/script/sc_ievents.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

namespace {

// A control with one event of every signature the bridges serve.
class TTestControl : public rt::TObject {
public:
  RT_CLASS_INFO(TTestControl)
  rt::TNotifyEvent OnClick;
  rt::TMouseEvent OnMouseDown;
  rt::TMouseMoveEvent OnMouseMove;
  rt::TKeyEvent OnKeyDown;
  rt::TKeyPressEvent OnKeyPress;
  rt::TCloseEvent OnClose;
  rt::TCloseQueryEvent OnCloseQuery;
  rt::TCanResizeEvent OnCanResize;

  // A form closes unless its close-query handler says no.
  bool Close() {
    bool CanClose = true;
    if (OnCloseQuery) OnCloseQuery(this, CanClose);
    return CanClose;
  }
};

rt::TClass TTestControl::ClassInfo() {
  using rt::TPropInfo;
  static const rt::TClassInfo Info(
      "TTestControl", rt::TObject::ClassInfo(), [] { return new TTestControl; },
      {TPropInfo::Event<TTestControl>("OnClick", "TNotifyEvent", &TTestControl::OnClick),
       TPropInfo::Event<TTestControl>("OnMouseDown", "TMouseEvent", &TTestControl::OnMouseDown),
       TPropInfo::Event<TTestControl>("OnMouseMove", "TMouseMoveEvent", &TTestControl::OnMouseMove),
       TPropInfo::Event<TTestControl>("OnKeyDown", "TKeyEvent", &TTestControl::OnKeyDown),
       TPropInfo::Event<TTestControl>("OnKeyPress", "TKeyPressEvent", &TTestControl::OnKeyPress),
       TPropInfo::Event<TTestControl>("OnClose", "TCloseEvent", &TTestControl::OnClose),
       TPropInfo::Event<TTestControl>("OnCloseQuery", "TCloseQueryEvent", &TTestControl::OnCloseQuery),
       TPropInfo::Event<TTestControl>("OnCanResize", "TCanResizeEvent", &TTestControl::OnCanResize)});
  return &Info;
}

class EventBridges : public ::testing::Test {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    S = std::make_unique<TscScript>();
    S->AddRTTI();
    S->AddClass(rt::TObject::ClassInfo(), "");
    TscClassVariable* C = S->AddClass(TTestControl::ClassInfo(), "TObject");
    C->AddEvent("OnClick", &scEventClass<TscNotifyEvent>);
    C->AddEvent("OnMouseDown", &scEventClass<TscMouseEvent>);
    C->AddEvent("OnMouseMove", &scEventClass<TscMouseMoveEvent>);
    C->AddEvent("OnKeyDown", &scEventClass<TscKeyEvent>);
    C->AddEvent("OnKeyPress", &scEventClass<TscKeyPressEvent>);
    C->AddEvent("OnClose", &scEventClass<TscCloseEvent>);
    C->AddEvent("OnCloseQuery", &scEventClass<TscCloseQueryEvent>);
    C->AddEvent("OnCanResize", &scEventClass<TscCanResizeEvent>);
    S->AddObject("Ctl", &Ctl);
    S->AddMethod("procedure Print(v: Variant)",
                 TscCallMethodNewEvent([this](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* M) {
                   Out += rt::VarToStr(M->GetVParam(0)) + "\n";
                   return Variant();
                 }));
    // Fires the key event from inside a script procedure and gives back the key it left.
    S->AddMethod("function FireKey(k: Integer): Integer",
                 TscCallMethodNewEvent([this](rt::TObject*, rt::TClass, const std::string&, TscMethodHelper* M) {
                   std::uint16_t Key = static_cast<std::uint16_t>(M->GetVParam(0).ToInteger());
                   Ctl.OnKeyDown(&Ctl, Key, 0);
                   return Variant(static_cast<int>(Key));
                 }));
  }

  // Compiles and runs the program (which connects the handlers); "" when all went well.
  std::string Load(const std::string& Text) {
    S->Lines.SetText(Text);
    if (!S->Compile()) return "compile error: " + S->ErrorMsg + " at " + S->ErrorPos;
    try {
      S->Execute();
    } catch (const rt::Exception& E) {
      return "raised " + E.Message();
    }
    return "";
  }

  TTestControl Ctl;
  std::unique_ptr<TscScript> S;
  std::string Out;
};

} // namespace

TEST_F(EventBridges, AProcedureNameConnectsTheEvent) {
  ASSERT_EQ(Load("procedure CtlClick(Sender: TObject);\n"
                 "begin Print('clicked'); Print(Sender = Ctl) end;\n"
                 "begin Ctl.OnClick := 'CtlClick'; Print('[' + Ctl.OnClick + ']') end."),
            "");
  EXPECT_EQ(Out, "[]\n");  // the event member reads as the empty string
  ASSERT_TRUE(Ctl.OnClick);
  Out.clear();
  Ctl.OnClick(&Ctl);
  Ctl.OnClick(&Ctl);
  EXPECT_EQ(Out, "clicked\nTrue\nclicked\nTrue\n");
}

TEST_F(EventBridges, TheAddressOfAProcedureConnectsAndZeroDisconnects) {
  ASSERT_EQ(Load("procedure CtlClick(Sender: TObject); begin Print('clicked') end;\n"
                 "procedure Detach; begin Ctl.OnClick := '0' end;\n"
                 "begin Ctl.OnClick := @CtlClick end."),
            "");
  ASSERT_TRUE(Ctl.OnClick);
  Ctl.OnClick(&Ctl);
  S->CallFunction("Detach", Variant::Null());
  EXPECT_FALSE(Ctl.OnClick);
  EXPECT_EQ(Out, "clicked\n");
}

TEST_F(EventBridges, ANameThatIsNoProcedureIsRefused) {
  ASSERT_EQ(Load("var NotAProc: Integer;\n"
                 "procedure Connect(Name: String); begin Ctl.OnClick := Name end;\n"
                 "begin end."),
            "");
  for (const char* Name : {"NotAProc", "Nowhere", "Ctl"}) {
    try {
      S->CallFunction("Connect", rt::VarArrayOf({Variant(Name)}));
      ADD_FAILURE() << Name;
    } catch (const rt::Exception& E) {
      EXPECT_STREQ(E.what(), "Event handler must be a procedure") << Name;
    }
  }
  EXPECT_FALSE(Ctl.OnClick);
}

TEST_F(EventBridges, MouseArgumentsBeyondTheParametersAreDropped) {
  ASSERT_EQ(Load("procedure Down(Sender: TObject; Button, Shift: Integer);\n"
                 "begin Print(IntToStr(Button) + ' ' + IntToStr(Shift)) end;\n"
                 "procedure Move(Sender: TObject; Shift, X, Y: Integer);\n"
                 "begin Print(IntToStr(Shift) + ' ' + IntToStr(X) + ',' + IntToStr(Y)) end;\n"
                 "begin Ctl.OnMouseDown := 'Down'; Ctl.OnMouseMove := 'Move' end."),
            "");
  Ctl.OnMouseDown(&Ctl, rt::mbRight, rt::ssShift | rt::ssCtrl, 10, 20);
  Ctl.OnMouseMove(&Ctl, rt::ssLeft, 7, 8);
  EXPECT_EQ(Out, "1 5\n8 7,8\n");
}

TEST_F(EventBridges, ParametersWithoutAnArgumentKeepTheirValues) {
  ASSERT_EQ(Load("var n: Integer;\n"
                 "procedure Click(Sender: TObject; Extra: Integer); begin Print(Extra); Extra := Extra + 1 end;\n"
                 "begin Ctl.OnClick := 'Click' end."),
            "");
  Ctl.OnClick(&Ctl);
  Ctl.OnClick(&Ctl);
  EXPECT_EQ(Out, "0\n1\n");  // first as declared, then what the first call left
}

TEST_F(EventBridges, VarArgumentsComeBack) {
  ASSERT_EQ(Load("procedure KeyDown(Sender: TObject; var Key: Word; Shift: Integer);\n"
                 "begin if Shift = 4 then Key := 0 else Key := Key + 1 end;\n"
                 "procedure KeyPress(Sender: TObject; var Key: Char);\n"
                 "begin if Key = 'a' then Key := 'Bc' else if Key = 'e' then Key := '' end;\n"
                 "procedure Close(Sender: TObject; var Action: Integer); begin Action := Action + 2 end;\n"
                 "procedure CanResize(Sender: TObject; var NewWidth, NewHeight: Integer; var Resize: Boolean);\n"
                 "begin NewWidth := NewWidth * 2; NewHeight := 50; Resize := NewWidth < 100 end;\n"
                 "begin Ctl.OnKeyDown := 'KeyDown'; Ctl.OnKeyPress := 'KeyPress'; Ctl.OnClose := 'Close';\n"
                 "  Ctl.OnCanResize := 'CanResize' end."),
            "");
  std::uint16_t Key = 65;
  Ctl.OnKeyDown(&Ctl, Key, 0);
  EXPECT_EQ(Key, 66);
  Ctl.OnKeyDown(&Ctl, Key, rt::ssCtrl);
  EXPECT_EQ(Key, 0);
  char16_t Ch = u'a';
  Ctl.OnKeyPress(&Ctl, Ch);
  EXPECT_EQ(Ch, u'B');  // the first character of the text
  Ch = u'e';
  Ctl.OnKeyPress(&Ctl, Ch);
  EXPECT_EQ(Ch, char16_t(0));  // an empty text gives the character 0
  Ch = u'z';
  Ctl.OnKeyPress(&Ctl, Ch);
  EXPECT_EQ(Ch, u'z');
  rt::TCloseAction Action = rt::caHide;
  Ctl.OnClose(&Ctl, Action);
  EXPECT_EQ(Action, rt::caMinimize);
  EXPECT_THROW(Ctl.OnClose(&Ctl, Action), rt::ERangeError);  // 3 + 2 is no close action
  int W = 30, H = 10;
  bool Resize = false;
  Ctl.OnCanResize(&Ctl, W, H, Resize);
  EXPECT_EQ(W, 60);
  EXPECT_EQ(H, 50);
  EXPECT_TRUE(Resize);
  Ctl.OnCanResize(&Ctl, W, H, Resize);
  EXPECT_EQ(W, 120);
  EXPECT_FALSE(Resize);
}

TEST_F(EventBridges, ACloseQueryHandlerThatSaysNoKeepsTheFormOpen) {
  ASSERT_EQ(Load("var Allowed: Boolean;\n"
                 "procedure Query(Sender: TObject; var CanClose: Boolean); begin CanClose := Allowed end;\n"
                 "begin Allowed := False; Ctl.OnCloseQuery := 'Query' end."),
            "");
  EXPECT_FALSE(Ctl.Close());
  S->SetVariables("Allowed", true);
  EXPECT_TRUE(Ctl.Close());
}

TEST_F(EventBridges, AnEventFiredFromInsideTheProcedureKeepsBothCalls) {
  ASSERT_EQ(Load("procedure KeyDown(Sender: TObject; var Key: Word; Shift: Integer);\n"
                 "var Local: Integer;\n"
                 "begin\n"
                 "  Local := Key;\n"
                 "  if Key = 1 then begin Print(FireKey(5)); Print(Local); Print(Key); Key := 7 end\n"
                 "  else Key := Key * 10;\n"
                 "end;\n"
                 "begin Ctl.OnKeyDown := 'KeyDown' end."),
            "");
  std::uint16_t Key = 1;
  Ctl.OnKeyDown(&Ctl, Key, 0);
  // The inner call's var parameter came back to FireKey (50); the outer call's local and its
  // own var parameter are as they were; the outer call's own write reached the outer caller.
  EXPECT_EQ(Out, "50\n1\n1\n");
  EXPECT_EQ(Key, 7);
}

TEST_F(EventBridges, ErrorsOfTheProcedureReachTheEventsCaller) {
  ASSERT_EQ(Load("procedure Click(Sender: TObject); begin StrToInt('x') end;\n"
                 "begin Ctl.OnClick := 'Click' end."),
            "");
  EXPECT_THROW(Ctl.OnClick(&Ctl), rt::EConvertError);
  auto* Proc = dynamic_cast<TscProcVariable*>(S->Find("Click"));
  ASSERT_NE(Proc, nullptr);
  EXPECT_FALSE(Proc->Executing);
}

TEST_F(EventBridges, AHandlerOutlivingItsProgramDoesNothing) {
  ASSERT_EQ(Load("procedure Click(Sender: TObject); begin Print('clicked') end;\n"
                 "begin Ctl.OnClick := 'Click' end."),
            "");
  S.reset();
  ASSERT_TRUE(Ctl.OnClick);
  Ctl.OnClick(&Ctl);
  EXPECT_EQ(Out, "");
}

TEST_F(EventBridges, TheObjectMustExistAndHaveTheEvent) {
  // A class whose bindings declare an event its objects do not publish.
  S->FindClass("TObject")->AddEvent("OnPaint", &scEventClass<TscNotifyEvent>);
  S->AddVariable("NoCtl", "TTestControl", Variant::Null());
  ASSERT_EQ(Load("procedure Click(Sender: TObject); begin end;\n"
                 "procedure ToNil; begin NoCtl.OnClick := 'Click' end;\n"
                 "procedure ToMissing; begin Ctl.OnPaint := 'Click' end;\n"
                 "begin end."),
            "");
  struct Case {
    const char* Proc;
    const char* Message;
  } Cases[] = {{"ToNil", "Cannot set the event OnClick of a nil object"},
               {"ToMissing", "The class TTestControl has no event OnPaint"}};
  for (const Case& C : Cases) {
    try {
      S->CallFunction(C.Proc, Variant::Null());
      ADD_FAILURE() << C.Proc;
    } catch (const rt::Exception& E) {
      EXPECT_STREQ(E.what(), C.Message);
    }
  }
}
