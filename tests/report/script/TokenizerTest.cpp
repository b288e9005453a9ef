#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "tests/report/script/ScriptFrontEnd.h"

namespace {

// A tokenizer set up with the options of a registered language.
class Tokenizer {
public:
  Tokenizer(const std::string& Language, const std::string& Text) {
    scfront::RegisterLanguages();
    FParser = std::make_unique<TscCustomILParser>();
    FParser->SelectLanguage(Language);
    P().SetText(Text);
  }
  TscParser& P() { return FParser->Parser(); }

private:
  std::unique_ptr<TscCustomILParser> FParser;
};

struct TokenCase {
  const char* Language;
  const char* Text;
  const char* Token;  // what the reading gives
  int After;          // position after it
};

TEST(TokenizerTest, Numbers) {
  const TokenCase Cases[] = {
      {"PascalScript", "42", "42", 3},
      {"PascalScript", "  $FF;", "$FF", 6},
      {"D++Uderir", "0xFF;", "$FF", 5},
      {"D++Uderir", "0x1f", "$1f", 5},
      {"D++Uderir", "0;", "0", 2},
      {"PascalScript", "1.5e3", "1.5e3", 6},
      {"PascalScript", "1.5E-2+", "1.5E-2", 7},
      {"PascalScript", "2.25", "2.25", 5},
      {"PascalScript", "1.e3", "1", 2},   // the real form needs digits after the point
      {"PascalScript", "3e", "3", 2},
      {"PascalScript", "1e3", "1", 2},    // and an exponent only follows a fraction
      {"PascalScript", "1.5e+", "1.5", 4},
      {"PascalScript", "1..5", "1", 2},   // a range, not a real
      {"PascalScript", "12abc", "12", 3},
      {"PascalScript", "$", "", 1},
      {"PascalScript", "  abc", "", 3},   // blanks skipped, nothing read
      {"RiravUdevad", "0x10", "$10", 5},
  };
  for (const auto& C : Cases) {
    Tokenizer T(C.Language, C.Text);
    EXPECT_EQ(T.P().GetNumber(), C.Token) << C.Language << " " << C.Text;
    EXPECT_EQ(T.P().Position(), C.After) << C.Language << " " << C.Text;
  }
}

TEST(TokenizerTest, Strings) {
  const TokenCase Cases[] = {
      {"PascalScript", "'abc'", "'abc'", 6},
      {"PascalScript", "'it''s'", "'it's'", 8},
      {"PascalScript", "''", "''", 3},
      {"PascalScript", "'a'#13#10'b'", "'a\r\nb'", 13},
      {"PascalScript", "#65#$42", "'AB'", 8},
      {"PascalScript", "'x'#233", "'x\xC3\xA9'", 8},
      {"PascalScript", "'a' #13", "'a'", 4},        // a blank ends the run
      {"PascalScript", "'a'#", "'a'", 4},
      {"PascalScript", "'unterminated", "", 1},
      {"PascalScript", "'line\r\nbreak'", "", 1},   // control characters end a string
      {"PascalScript", "'tab\there'", "'tab\there'", 11},
      {"PascalScript", "'a\\nb'", "'a\\nb'", 7},    // no escapes in this language
      {"PascalScript", "\"a\"", "", 1},
      {"D++Uderir", "\"a\\nb\"", "'a\nb'", 7},
      {"D++Uderir", "\"a\\r\\N\"", "'a\r\n'", 8},
      {"D++Uderir", "\"\\t\"", "'t'", 5},           // only n, r and x are escapes
      {"D++Uderir", "\"\\x41\\x\"", "'A'", 9},       // \x without digits is dropped
      {"D++Uderir", "\"q\\\"q\"", "'q\"q'", 7},
      {"D++Uderir", "\"a\"\"b\"", "'ab'", 7},        // two parts in a row
      {"D++Uderir", "#0x41", "'A'", 6},
      {"D++Uderir", "'a'", "", 1},
      {"RiravUdevad", "\"say \"\"hi\"\"\"", "'say \"hi\"'", 13},
  };
  for (const auto& C : Cases) {
    Tokenizer T(C.Language, C.Text);
    EXPECT_EQ(T.P().GetString(), C.Token) << C.Language << " " << C.Text;
    EXPECT_EQ(T.P().Position(), C.After) << C.Language << " " << C.Text;
  }
}

TEST(TokenizerTest, IdentifiersAndKeywords) {
  {
    Tokenizer T("PascalScript", "  Begin x1 _y 9z Gr\xC3\xB6\xC3\x9F" "e;");
    EXPECT_EQ(T.P().GetIdent(), "");  // a keyword, whatever its case
    EXPECT_EQ(T.P().Position(), 3);   // left where the blank skip ended
    EXPECT_EQ(T.P().GetWord(), "Begin");
    EXPECT_EQ(T.P().GetIdent(), "x1");
    EXPECT_EQ(T.P().GetIdent(), "_y");
    EXPECT_EQ(T.P().GetIdent(), "");  // may not begin with a digit
    EXPECT_EQ(T.P().GetNumber(), "9");
    EXPECT_EQ(T.P().GetIdent(), "z");
    EXPECT_EQ(T.P().GetIdent(), "Gr\xC3\xB6\xC3\x9F" "e");  // any character above 127
    EXPECT_EQ(T.P().GetChar(), ";");
  }
  {
    Tokenizer T("D++Uderir", "If if");
    EXPECT_EQ(T.P().GetIdent(), "If");  // keywords are compared with case here
    EXPECT_EQ(T.P().GetIdent(), "");
    EXPECT_EQ(T.P().GetWord(), "if");
  }
  Tokenizer T("PascalScript", "");
  EXPECT_TRUE(T.P().IsKeyWord("WHILE"));
  EXPECT_FALSE(T.P().IsKeyWord("whilst"));
}

TEST(TokenizerTest, CharactersArePunctuationOnly) {
  Tokenizer T("PascalScript", ":=a ;");
  EXPECT_EQ(T.P().GetChar(), ":");
  EXPECT_EQ(T.P().GetChar(), "=");
  EXPECT_EQ(T.P().GetChar(), "");  // a letter
  EXPECT_EQ(T.P().Position(), 3);
  T.P().SetPosition(4);
  EXPECT_EQ(T.P().GetChar(), "");  // no blank skip of its own
  T.P().SkipSpaces();
  EXPECT_EQ(T.P().GetChar(), ";");
  EXPECT_EQ(T.P().GetChar(), "");  // end of text
}

struct SkipCase {
  const char* Language;
  const char* Text;
  const char* Word;  // the first word after blanks and comments
};

TEST(TokenizerTest, CommentsAreSkipped) {
  const SkipCase Cases[] = {
      {"PascalScript", "{ a } b", "b"},
      {"PascalScript", "(* a *) b", "b"},
      {"PascalScript", "// a\r\n b", "b"},
      {"PascalScript", "{a}(*b*)//c\r\n{d} e", "e"},
      {"PascalScript", "{ (* } x", "x"},  // comments do not nest
      {"PascalScript", "{ never closed", ""},
      {"D++Uderir", "/* a */ b", "b"},
      {"D++Uderir", "// a\r\nb", "b"},
      {"JScript", "/* a\r\n */ b", "b"},
      {"RiravUdevad", "' a\r\nb", "b"},
      {"RiravUdevad", "rem a\r\nb", "b"},
      {"RiravUdevad", "remark = 1\r\nb", "b"},  // the opener is a plain prefix
      {"RiravUdevad", "REM a", "REM"},          // compared with case
      {"RiravUdevad", "/\\ a /\\ b", "b"},
  };
  for (const auto& C : Cases) {
    Tokenizer T(C.Language, C.Text);
    EXPECT_EQ(T.P().GetWord(), C.Word) << C.Language << " " << C.Text;
  }
}

TEST(TokenizerTest, LineEndsAreTokensWhenNotSkipped) {
  {
    // A comment after a statement leaves the line end to be seen.
    Tokenizer T("RiravUdevad", "x ' note\r\ny");
    EXPECT_EQ(T.P().GetWord(), "x");
    EXPECT_TRUE(T.P().GetEOL());
    EXPECT_EQ(T.P().GetWord(), "y");
  }
  {
    // A line holding only a comment vanishes with its line end.
    Tokenizer T("RiravUdevad", "' note\r\n' more\r\ny");
    EXPECT_FALSE(T.P().GetEOL());
    EXPECT_EQ(T.P().GetWord(), "y");
  }
  {
    // An indented comment does not start its line: its line end stays (an empty line).
    Tokenizer T("RiravUdevad", "  ' note\r\ny");
    EXPECT_TRUE(T.P().GetEOL());
  }
  {
    // Several line ends in a row are one token.
    Tokenizer T("RiravUdevad", "x\r\n\r\n\r\ny");
    EXPECT_EQ(T.P().GetWord(), "x");
    EXPECT_TRUE(T.P().GetEOL());
    EXPECT_EQ(T.P().GetWord(), "y");
  }
  {
    Tokenizer T("PascalScript", "x\r\ny");  // line ends skipped as blanks
    EXPECT_EQ(T.P().GetWord(), "x");
    EXPECT_FALSE(T.P().GetEOL());
    EXPECT_EQ(T.P().GetWord(), "y");
  }
}

TEST(TokenizerTest, TheContinuationCharacterIsSkippedWhereATokenStarts) {
  {
    Tokenizer T("RiravUdevad", "a + _\r\n  b");
    EXPECT_EQ(T.P().GetWord(), "a");
    T.P().SkipSpaces();
    EXPECT_EQ(T.P().GetChar(), "+");
    EXPECT_FALSE(T.P().GetEOL());
    EXPECT_EQ(T.P().GetWord(), "b");
  }
  {
    Tokenizer T("RiravUdevad", "_name");  // read without its leading '_'
    EXPECT_EQ(T.P().GetWord(), "name");
  }
  {
    Tokenizer T("RiravUdevad", "x _ ' note\r\ny");
    EXPECT_EQ(T.P().GetWord(), "x");
    EXPECT_EQ(T.P().GetWord(), "y");
  }
}

TEST(TokenizerTest, ReportExpressionText) {
  struct Case {
    const char* Text;  // after the opening '<'
    const char* Read;
  };
  const Case Cases[] = {
      {"Data.\"Field\">", "Data.\"Field\""},
      {"a<b>c>", "a<b>c"},
      {"x[1]>", "x[1]"},
      {"'>'\">\">", "'>'\">\""},
      {"open", "open"},
      {">", ""},
  };
  for (const auto& C : Cases) {
    Tokenizer T("PascalScript", C.Text);
    EXPECT_EQ(T.P().GetFRString(), C.Read) << C.Text;
  }
}

TEST(TokenizerTest, PositionTexts) {
  Tokenizer T("PascalScript", "ab\r\n\xC3\xA9t\xC3\xA9 x\r\n\r\nlast");
  struct Case {
    int Position;
    const char* Text;
  };
  const Case Cases[] = {
      {1, "1:1"}, {3, "1:3"}, {4, "1:4"},  // the line feed belongs to the line it ends
      {5, "2:1"}, {7, "2:2"},              // columns count characters, not bytes
      {11, "2:5"}, {14, "3:1"}, {16, "4:1"}, {20, "4:5"},
  };
  for (const auto& C : Cases) {
    T.P().SetPosition(C.Position);
    EXPECT_EQ(T.P().GetXYPosition(), C.Text) << C.Position;
    int X = 0, Y = 0;
    sscanf(C.Text, "%d:%d", &Y, &X);
    EXPECT_EQ(T.P().GetPlainPosition(X, Y), C.Position) << C.Text;
  }
  EXPECT_EQ(T.P().GetPlainPosition(1, 5), -1);
  EXPECT_EQ(T.P().GetPlainPosition(1, 0), -1);

  // The same without the line-feed list.
  T.P().UseY = false;
  T.P().SetText("ab\r\ncd");
  T.P().SetPosition(5);
  EXPECT_EQ(T.P().GetXYPosition(), "2:1");
  EXPECT_EQ(T.P().GetPlainPosition(2, 2), 6);
}

}  // namespace
