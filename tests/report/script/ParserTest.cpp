#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include <unistd.h>

#include "report/script/sc_iconst.h"
#include "tests/report/script/ScriptFrontEnd.h"

namespace {

using scfront::Parse;

std::string RaisedBy(const std::function<void()>& F) {
  try {
    F();
  } catch (const rt::Exception& E) {
    return E.Message();
  }
  return "";
}

// A grammar document around the given rules, with three error texts.
std::string Grammar(const std::string& Name, const std::string& Rules, const std::string& Options = "") {
  return "<?xml version=\"1.0\"?>\n<language text=\"" + Name + "\">\n<parser>" + Options +
         "<keywords><begin/></keywords>"
         "<errors><err1 text=\"First\"/><err2 text=\"Second\"/><err3 text=\"Third\"/></errors>"
         "</parser>\n<types><t type=\"x\"/></types>\n<empty/>\n" +
         Rules + "\n</language>\n";
}

class ParserTest : public ::testing::Test {
protected:
  void SetUp() override { scfront::RegisterLanguages(); }
};

// ---- Language registry and messages ----

TEST_F(ParserTest, LanguagesAreFoundIgnoringCase) {
  const std::string G = FindScriptLanguage("pascalscript");
  EXPECT_EQ(G.compare(0, 21, "<?xml version=\"1.0\"?>"), 0);
  EXPECT_NE(G.find("<language text=\"PascalScript\">"), std::string::npos);
  for (const char* Name : {"D++Uderir", "RiravUdevad", "JScript"})
    EXPECT_NE(FindScriptLanguage(Name).find(std::string("text=\"") + Name + "\""), std::string::npos);

  AddScriptLanguage("TestTwice", "first");
  AddScriptLanguage("TESTTWICE", "second");
  EXPECT_EQ(FindScriptLanguage("testtwice"), "second");

  EXPECT_EQ(RaisedBy([] { FindScriptLanguage("Cobble"); }), "Language 'Cobble' not found");
  TscCustomILParser P;
  EXPECT_EQ(RaisedBy([&] { P.SelectLanguage("Cobble"); }), "Language 'Cobble' not found");
}

TEST_F(ParserTest, TheSeventeenMessages) {
  const std::map<std::string, std::string> Messages = {
      {SLangNotFound, "Language '%s' not found"},
      {SInvalidLanguage, "Invalid language definition"},
      {SIdRedeclared, "Identifier redeclared: "},
      {SUnknownType, "Unknown type: "},
      {SIncompatibleTypes, "Incompatible types"},
      {SIdUndeclared, "Undeclared identifier: "},
      {SClassRequired, "Class type required"},
      {SIndexRequired, "Index required"},
      {SStringError, "Strings doesn't have properties or methods"},
      {SClassError, "Class %s does not have a default property"},
      {SArrayRequired, "Array type required"},
      {SVarRequired, "Variable required"},
      {SNotEnoughParams, "Not enough actual parameters"},
      {STooManyParams, "Too many actual parameters"},
      {SLeftCantAssigned, "Left side cannot be assigned to"},
      {SForError, "For loop variable must be numeric variable"},
      {SEventError, "Event handler must be a procedure"},
  };
  EXPECT_EQ(Messages.size(), 17u);
  for (const auto& [Actual, Expected] : Messages) EXPECT_EQ(Actual, Expected);
  EXPECT_EQ(scFormatMessage(SClassError, "TFoo"), "Class TFoo does not have a default property");
}

TEST_F(ParserTest, AMissingRuleFailsOnlyWhenReached) {
  AddScriptLanguage("TestMissing",
                    Grammar("TestMissing", "<program><switch><char text=\";\"/><nosuchrule/></switch></program>"));
  EXPECT_TRUE(Parse("TestMissing", ";").Ok);
  EXPECT_EQ(RaisedBy([] { Parse("TestMissing", "x"); }), "Invalid language definition");

  AddScriptLanguage("TestNoProgram", Grammar("TestNoProgram", "<start/>"));
  EXPECT_EQ(RaisedBy([] { Parse("TestNoProgram", "x"); }), "Invalid language definition");

  AddScriptLanguage("TestBroken", "<language/>");
  EXPECT_EQ(RaisedBy([] { Parse("TestBroken", "x"); }), "Invalid file format");
}

// ---- The matcher ----

TEST_F(ParserTest, TheExactIntermediateProgramOfAnAssignment) {
  const auto R = Parse("PascalScript", "begin x := 1 end.");
  ASSERT_TRUE(R.Ok) << R.Msg;
  EXPECT_EQ(R.Xml,
            "<program>"
            "<compoundstmt pos=\"1:1\">"
            "<assignstmt pos=\"1:7\">"
            "<dsgn pos=\"1:7\"><node text=\"x\" pos=\"1:8\"/></dsgn>"
            "<expr pos=\"1:12\" pos1=\"1:13\"><number text=\"1\" pos=\"1:13\"/></expr>"
            "</assignstmt>"
            "</compoundstmt>"
            "<types/>"
            "</program>");
}

TEST_F(ParserTest, LoopsSeparatorsAndTermErrors) {
  AddScriptLanguage("TestLoop", Grammar("TestLoop",
                                        "<program><loop text=\",\"><ident add=\"i\" err=\"err1\" term=\"1\"/></loop>"
                                        "<char text=\";\" err=\"err2\"/></program>"));
  struct Case {
    const char* Text;
    bool Ok;
    const char* Result;  // shape, or message and position
  };
  const Case Cases[] = {
      {"a, b ,c;", true, "i:a i:b i:c"},
      {"a;", true, "i:a"},
      {"a, ;", true, "i:a"},           // the error of a later repetition only ends the loop
      {"1;", false, "First 1:1"},      // in the first repetition it stays
      {"a b;", false, "Second 1:3"},
      {"  begin;", false, "First 1:3"},  // keywords are no identifiers
      {"a;  trailing text (", true, "i:a"},
  };
  for (const auto& C : Cases) {
    const auto R = Parse("TestLoop", C.Text);
    EXPECT_EQ(R.Ok, C.Ok) << C.Text;
    EXPECT_EQ(R.Ok ? R.Shape : R.Msg + " " + R.Pos, C.Result) << C.Text;
  }
}

TEST_F(ParserTest, ALoopWithSkipDropsOnlyErrorsOfItsLastRepetition) {
  AddScriptLanguage("TestSkip", Grammar("TestSkip",
                                        "<program><optional><ident/><char text=\"!\" err=\"err1\"/></optional>"
                                        "<optional><ident/></optional>"
                                        "<loop text=\",\" skip=\"1\"><number add=\"n\"/><char text=\"=\" err=\"err3\"/></loop>"
                                        "</program>"));
  EXPECT_EQ(Parse("TestSkip", "1=, 2= ,3").Shape, "n:1 n:2 n:3");  // the failed repetition keeps its lines
  EXPECT_EQ(Parse("TestSkip", "1 2").Msg, "Third");
  // An error recorded before the loop is not the loop's to drop.
  const auto R = Parse("TestSkip", "x 1=, 2");
  EXPECT_FALSE(R.Ok);
  EXPECT_EQ(R.Msg + " " + R.Pos, "First 1:3");
}

TEST_F(ParserTest, NodesWrapWhatTheirRuleEmitsAndFailedRulesLeaveNothing) {
  AddScriptLanguage("TestNodes", Grammar("TestNodes",
                                         "<program><optionalloop><item/></optionalloop></program>"
                                         "<item node=\"it\"><switch>"
                                         "<sequence><ident add=\"a\"/><char text=\"!\"/></sequence>"
                                         "<number add=\"n\" addtext=\"num\"/>"
                                         "<keyword text=\"BEGIN\" node=\"b\"/>"
                                         "</switch></item>"));
  const auto R = Parse("TestNodes", "x!\n  5 begin y");
  ASSERT_TRUE(R.Ok);
  EXPECT_EQ(R.Shape, "it(a:x) it(n:num) it(b)");
  EXPECT_EQ(R.Xml,
            "<program><it pos=\"1:1\"><a text=\"x\" pos=\"1:2\"/></it>"
            "<it pos=\"2:3\"><n text=\"num\" pos=\"2:4\"/></it>"
            "<it pos=\"2:5\"><b pos=\"2:5\"/></it>"
            "<types><t type=\"x\"/></types></program>");
}

TEST_F(ParserTest, OptionalsAndSwitchesGoBackWhenTheyFail) {
  AddScriptLanguage("TestOptional",
                    Grammar("TestOptional",
                            "<program><optional><ident add=\"a\"/><char text=\"=\"/></optional>"
                            "<switch err=\"err2\"><sequence><ident/><char text=\"+\"/></sequence>"
                            "<ident add=\"b\"/></switch>"
                            "<optionalswitch><char text=\";\" add=\"semi\"/><char text=\".\" add=\"dot\"/></optionalswitch>"
                            "</program>"));
  EXPECT_EQ(Parse("TestOptional", "x = y;").Shape, "a:x b:y semi:;");
  // What a failed element emitted goes with it: its tokens are read again by the next try.
  EXPECT_EQ(Parse("TestOptional", "x + y").Shape, "");
  EXPECT_EQ(Parse("TestOptional", "y.").Shape, "b:y dot:.");
  const auto R = Parse("TestOptional", "x = 1");
  EXPECT_EQ(R.Msg + " " + R.Pos, "Second 1:5");
}

TEST_F(ParserTest, StringsAndTokensAreEscapedInTheProgram) {
  const auto R = Parse("PascalScript", "begin s := 'a<\"b\">'#13#10 end.");
  ASSERT_TRUE(R.Ok);
  EXPECT_NE(R.Xml.find("<string text=\"'a&#60;&#34;b&#34;&#62;&#13;&#10;'\""), std::string::npos) << R.Xml;
  EXPECT_NE(R.Shape.find("string:'a<\"b\">\r\n'"), std::string::npos) << R.Shape;
}

TEST_F(ParserTest, ReportExpressionsBecomeCallsOfGet) {
  const auto R = Parse("PascalScript", "begin x := <Data.\"Name\"> + 1 end.");
  ASSERT_TRUE(R.Ok) << R.Msg;
  EXPECT_EQ(R.Shape,
            "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:Get expr(string:'Data.\"Name\"')) op:+ number:1)))");
  EXPECT_NE(R.Xml.find("<dsgn pos=\"1:24\"><node text=\"Get\" pos=\"1:24\"/><expr pos=\"1:24\">"
                       "<string text=\"'Data.&#34;Name&#34;'\" pos=\"1:24\"/></expr></dsgn>"),
            std::string::npos)
      << R.Xml;
  EXPECT_EQ(Parse("PascalScript", "begin x := <Data end.").Msg, "'>' expected");
}

TEST_F(ParserTest, TheFirstLineMayNameTheLanguage) {
  const auto R = Parse("PascalScript", "#language JScript\nvar x = 1; x += 2");
  ASSERT_TRUE(R.Ok) << R.Msg;
  EXPECT_EQ(R.Shape, "compoundstmt(var(ident:x init(expr(number:1))) assignstmt(dsgn(node:x) modificator:+ expr(number:2)))");
  EXPECT_EQ(Parse("PascalScript", "#LANGUAGE  RiravUdevad  \nx = 1\n").Shape,
            "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))");
  EXPECT_EQ(RaisedBy([] { Parse("PascalScript", "#language Cobble\nx"); }), "Language 'Cobble' not found");
  // Any other first word is no directive: the text is parsed as it stands.
  const auto Define = Parse("D++Uderir", "#define N 1\n{}");
  EXPECT_TRUE(Define.Ok);
  EXPECT_EQ(Define.Shape, "const(ident:N expr(number:1)) compoundstmt");
}

TEST_F(ParserTest, ATextThatIsNoProgramGivesNoMessage) {
  const auto Basic = Parse("RiravUdevad", "end\nx = 1\n");
  EXPECT_FALSE(Basic.Ok);
  EXPECT_EQ(Basic.Msg, "");
  const auto Js = Parse("JScript", "} x = 1");
  EXPECT_TRUE(Js.Ok);
  EXPECT_EQ(Js.Shape, "compoundstmt");
}

TEST_F(ParserTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  std::string Moderate = "begin x := ";
  for (int I = 0; I < 60; ++I) Moderate += "(";
  Moderate += "1";
  for (int I = 0; I < 60; ++I) Moderate += ")";
  EXPECT_TRUE(Parse("PascalScript", Moderate + " end.").Ok);

  std::string Deep = "begin x := ";
  for (int I = 0; I < 100000; ++I) Deep += "(";
  Deep += "1";
  for (int I = 0; I < 100000; ++I) Deep += ")";
  const auto R = Parse("PascalScript", Deep + " end.");
  EXPECT_FALSE(R.Ok);
  EXPECT_EQ(R.Msg, "Nesting too deep");
}

// ---- Included units ----

class UnitTest : public ParserTest {
protected:
  bool Make(TscCustomILParser& P, const std::string& Text) {
    P.SelectLanguage("PascalScript");
    P.OnGetUnit = [this](const std::string& Name, std::string& UnitText) {
      Asked.push_back(Name);
      auto It = Units.find(Name);
      if (It != Units.end()) UnitText = It->second;
    };
    return P.MakeILScript(scfront::Crlf(Text));
  }
  std::map<std::string, std::string> Units;
  std::vector<std::string> Asked;
};

TEST_F(UnitTest, UnitsAreIncludedOnceInReverseOrder) {
  Units["u1"] = "procedure P1; begin end;\nbegin end.";
  Units["u2"] = "uses 'u1';\nbegin end.";
  TscCustomILParser P;
  ASSERT_TRUE(Make(P, "uses 'u1', 'u2', 'u1';\nbegin end.")) << P.ErrorMsg;
  // The last u1 is taken first; u2's own use of u1 finds it included already.
  EXPECT_EQ(scfront::Shape(P.ILScript().Root()),
            "uses:u1(program(procedure(name:P1 compoundstmt) compoundstmt)) "
            "uses:u2(program(compoundstmt)) compoundstmt");
  EXPECT_EQ(Asked, (std::vector<std::string>{"u1", "u2"}));
  EXPECT_EQ(P.UsesList(), (std::vector<std::string>{"u1", "u2"}));
}

TEST_F(UnitTest, AnErrorInAUnitNamesTheUnit) {
  Units["bad"] = "begin x := end.";
  Units["mid"] = "uses 'bad';\nbegin end.";
  Units["empty"] = "";
  {
    TscCustomILParser P;
    EXPECT_FALSE(Make(P, "uses 'bad'; begin end."));
    EXPECT_EQ(P.ErrorMsg + " " + P.ErrorPos + " " + P.ErrorUnit, "Expression expected 1:12 bad");
  }
  {
    TscCustomILParser P;
    EXPECT_FALSE(Make(P, "uses 'mid'; begin end."));
    EXPECT_EQ(P.ErrorUnit, "bad");  // the innermost unit
  }
  {
    // A unit without text leaves an empty include.
    TscCustomILParser P;
    EXPECT_TRUE(Make(P, "uses 'empty'; begin end."));
    EXPECT_EQ(scfront::Shape(P.ILScript().Root()), "uses:empty compoundstmt");
  }
}

TEST_F(UnitTest, UnitFilesAreSearchedAlongTheIncludePath) {
  const std::filesystem::path Dir = std::filesystem::temp_directory_path() / ("scunits" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir / "lib");
  std::ofstream(Dir / "lib" / "inc.pas") << "procedure Q;\nbegin end;\nbegin end.\n";
  TscCustomILParser P;
  P.SelectLanguage("PascalScript");
  P.IncludePath = {(Dir / "none").string(), (Dir / "lib").string() + "/"};
  ASSERT_TRUE(P.MakeILScript("uses 'inc.pas'; begin end.")) << P.ErrorMsg;
  EXPECT_EQ(scfront::Shape(P.ILScript().Root()), "uses:inc.pas(program(procedure(name:Q compoundstmt) compoundstmt)) compoundstmt");

  TscCustomILParser Missing;
  Missing.SelectLanguage("PascalScript");
  Missing.IncludePath = {Dir.string()};
  EXPECT_THROW(Missing.MakeILScript("uses 'inc.pas'; begin end."), rt::EFOpenError);
  std::filesystem::remove_all(Dir);
}

}  // namespace
