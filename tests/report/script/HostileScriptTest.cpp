// Hostile programs: whatever a script does, it ends in a compile error or a script error the host
// sees, never in a crash of the process or an exhausted memory.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include <pthread.h>

#include <functional>

#include "report/script/sc_ibasic.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_icpp.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace {

class HostileScript : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_icppInitialization();
    sc_ibasicInitialization();
    sc_ijsInitialization();
    sc_isysrttiInitialization();
    sc_iclassesrttiInitialization();
    PrepareScript();
  }
  std::string RunIn(const char* Syntax, const std::string& Text) {
    S.SyntaxType = Syntax;
    return Run(Text);
  }
};

// Runs F on a thread with a 1 MB stack, the default of many server thread pools.
void OnSmallStack(std::function<void()> F) {
  pthread_attr_t Attr;
  pthread_attr_init(&Attr);
  pthread_attr_setstacksize(&Attr, 1024 * 1024);
  pthread_t T;
  auto Body = [](void* P) -> void* {
    (*static_cast<std::function<void()>*>(P))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&T, &Attr, Body, &F), 0);
  pthread_join(T, nullptr);
  pthread_attr_destroy(&Attr);
}

const std::string kInvalidRef =
    "raised EInvalidPointer: Invalid object reference: the object was freed or never existed\n";

} // namespace

TEST_F(HostileScript, StaleAndBogusObjectReferencesRaise) {
  struct Case {
    const char* Program;
    std::string Expected;
  } Cases[] = {
      {"var L: TStringList; begin L := TStringList.Create; L.Free; L.Free; end.", kInvalidRef},
      {"var L: TStringList; begin L := TStringList.Create; L.Free; L.Add('x'); end.", kInvalidRef},
      {"var L: TStringList; v: Variant; begin v := 1234567890123; L := v; L.Add('x'); end.", kInvalidRef},
      {"var L: TStringList; v: Variant; begin v := -77; L := v; L.Add('x'); end.", kInvalidRef},
      // A freed object's handle never names the object made after it, even in the same memory.
      {"var A, B: TStringList; begin A := TStringList.Create; A.Free; B := TStringList.Create; "
       "A.Add('x'); end.",
       kInvalidRef},
      {"var L: TStringList; begin L := TStringList.Create; try L.Free; L.Free; except Print('caught ' + "
       "ExceptionClassName); end; end.",
       "caught EInvalidPointer\n"},
      // The live object still works through its handle.
      {"var L: TStringList; begin L := TStringList.Create; L.Add('a'); Print(L.Count); L.Free; end.", "1\n"},
  };
  for (const Case& C : Cases) EXPECT_EQ(RunIn("PascalScript", C.Program), C.Expected) << C.Program;
}

TEST_F(HostileScript, OperatorWithoutOperandIsACompileError) {
  struct Case {
    const char* Syntax;
    const char* Program;
  } Cases[] = {
      {"PascalScript", "var x: Integer; begin x := 1 + 2 - > 3; Print(x); end."},
      {"PascalScript", "var x: Variant; begin x := 1 + 2 - > 3; Print(x); end."},
      {"PascalScript", "var x: Variant; begin x := (1 + ; Print(x); end."},
      {"D++Uderir", "{ Variant x; x = 1 + 2 - > 3; Print(x); }"},
      {"RiravUdevad", "dim x\nx = 1 + 2 - > 3\nPrint(x)\n"},
      {"JScript", "var x; x = 1 + 2 - > 3; Print(x);"},
      {"JScript", "var x = 1 + 2 - ; Print(x);"},
  };
  for (const Case& C : Cases) {
    const std::string R = RunIn(C.Syntax, C.Program);
    EXPECT_EQ(R.rfind("compile error: ", 0), 0u) << C.Syntax << ": " << C.Program << " -> " << R;
  }
  S.SyntaxType = "PascalScript";
  for (const char* E : {"1 + 2 - > 3", "1 +", "(1 + 2", "not", "2 * - > 1"}) {
    rt::Variant R = S.Evaluate(E);
    EXPECT_TRUE(S.EvaluteRiseError) << E << " -> " << rt::VarToStr(R);
  }
}

TEST_F(HostileScript, HugeStringsAndArraysRaiseScriptErrors) {
  const std::string TooLong = "raised EOutOfMemory: String too long (more than " +
                              std::to_string(rt::kMaxStringLength) + " characters)\n";
  struct Case {
    const char* Syntax;
    const char* Program;
    std::string Expected;
  } Cases[] = {
      {"PascalScript", "var s: String; begin SetLength(s, 2000000000); Print(Length(s)); end.", TooLong},
      {"PascalScript", "var s: String; begin s := 'ab'; while True do s := s + s; end.", TooLong},
      {"JScript", "var s = \"ab\"; var k; for (k = 0; k < 100; k++) { s = s + s; }", TooLong},
      {"PascalScript", "var s: String; i: Integer; begin s := Format('%99999d', [1]); for i := 1 to 10 do "
                       "s := Format('%s%s', [s, s]); end.",
       TooLong},
      {"PascalScript", "var s, t: String; begin t := 'x'; SetLength(s, 16777216); Insert(t, s, 1); end.", TooLong},
      {"PascalScript", "var a: Variant; begin a := VarArrayCreate([0, 2000000000], 12); end.",
       "raised EVariantInvalidArgError: Variant array too large\n"},
      // The caught error leaves the script running.
      {"PascalScript", "var s: String; begin try SetLength(s, 2000000000); except Print(ExceptionClassName); end; "
                       "Print('on'); end.",
       "EOutOfMemory\non\n"},
  };
  for (const Case& C : Cases) EXPECT_EQ(RunIn(C.Syntax, C.Program), C.Expected) << C.Program;
}

TEST_F(HostileScript, DeepRecursionOnASmallStackEndsInAScriptError) {
  std::string Deep;
  for (int I = 0; I < 2900; ++I) Deep += "if True then ";
  const struct Case {
    std::string Program;
    std::string Expected;
  } Cases[] = {
      {"procedure P; begin P; end; begin P; end.", "raised EStackOverflow: Stack overflow\n"},
      {"function F(n: Integer): Integer; begin Result := F(n + 1) + 1; end; begin F(0); end.",
       "raised EStackOverflow: Stack overflow\n"},
      {"begin " + Deep + "Print(1); end.", "compile error: Nesting too deep"},
  };
  for (const Case& C : Cases) {
    std::string R;
    OnSmallStack([&] { R = RunIn("PascalScript", C.Program); });
    EXPECT_EQ(R, C.Expected) << C.Program.substr(0, 60);
  }
}

TEST_F(HostileScript, FinallyRunsWholeWhenBreakOrContinueLeavesTheTry) {
  struct Case {
    const char* Program;
    const char* Expected;
  } Cases[] = {
      {"var i: Integer; begin for i := 1 to 3 do try break; finally Print('a'); Print('b'); end; Print('after'); "
       "end.",
       "a\nb\nafter\n"},
      {"var i: Integer; begin for i := 1 to 2 do try continue; finally Print('a'); Print('b'); end; end.",
       "a\nb\na\nb\n"},
      {"var i: Integer; begin i := 0; while i < 5 do begin i := i + 1; try if i = 2 then break; finally "
       "Print(i); Print('f'); end; end; end.",
       "1\nf\n2\nf\n"},
  };
  for (const Case& C : Cases) EXPECT_EQ(RunIn("PascalScript", C.Program), C.Expected) << C.Program;
}
