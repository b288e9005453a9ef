#include "platform/rt/Classes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

std::vector<std::string> Items(const rt::TStrings& L) { return {L.begin(), L.end()}; }

void Fill(rt::TStrings& L, const std::vector<std::string>& V) {
  L.Clear();
  for (const auto& S : V) L.Add(S);
}

// Runs F and returns "ClassName: message" of the runtime exception it raises ("" when none).
std::string RaisedBy(const std::function<void()>& F) {
  try {
    F();
  } catch (const rt::Exception& E) {
    return E.ClassName() + ": " + E.Message();
  }
  return "";
}

class TempDir : public ::testing::Test {
protected:
  void SetUp() override {
    std::string Tmpl = (std::filesystem::temp_directory_path() / "rtXXXXXX").string();
    ASSERT_NE(mkdtemp(Tmpl.data()), nullptr);
    Dir = Tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::string Path(const std::string& Name) const { return (Dir / Name).string(); }
  static std::string ReadAll(const std::string& P) {
    std::ifstream F(P, std::ios::binary);
    std::stringstream SS;
    SS << F.rdbuf();
    return SS.str();
  }
  std::filesystem::path Dir;
};

struct Thing : rt::TObject {};

} // namespace

TEST(TStringList, IndexOutOfRangeRaisesListErrorNamingTheIndex) {
  rt::TStringList L;
  Fill(L, {"a", "b"});
  struct Case {
    const char* What;
    std::function<void()> Op;
    int Index;
  } Cases[] = {
      {"read -1", [&] { (void)L.Strings(-1); }, -1},
      {"read Count", [&] { std::string S = L[2]; }, 2},
      {"write", [&] { L.SetStrings(5, "x"); }, 5},
      {"object", [&] { (void)L.Objects(2); }, 2},
      {"set object", [&] { L.SetObjects(-3, nullptr); }, -3},
      {"delete", [&] { L.Delete(2); }, 2},
      {"insert past end", [&] { L.Insert(3, "x"); }, 3},
      {"insert -1", [&] { L.Insert(-1, "x"); }, -1},
      {"exchange", [&] { L.Exchange(0, 7); }, 7},
      {"move from", [&] { L.Move(4, 0); }, 4},
      {"move to", [&] { L.Move(0, 2); }, 2},
      {"names", [&] { (void)L.Names(9); }, 9},
      {"value from index", [&] { (void)L.ValueFromIndex(-1); }, -1},
  };
  for (const auto& C : Cases) {
    EXPECT_EQ(RaisedBy(C.Op),
              "EListError: List index out of bounds (" + std::to_string(C.Index) + ")")
        << C.What;
    EXPECT_THAT(Items(L), ElementsAre("a", "b")) << C.What << " must leave the list unchanged";
  }
  L.Insert(2, "c");  // inserting at Count appends
  EXPECT_THAT(Items(L), ElementsAre("a", "b", "c"));
}

TEST(TStringList, SortedListWithEachDuplicatesRule) {
  struct Case {
    rt::TDuplicates Dup;
    bool CaseSensitive;
    std::vector<std::string> Expected;
    std::string Error;
  } Cases[] = {
      {rt::dupIgnore, false, {"apple", "Banana", "cherry"}, ""},
      {rt::dupAccept, false, {"APPLE", "apple", "Banana", "cherry"}, ""},  // goes before its equal
      {rt::dupError, false, {"apple", "Banana", "cherry"},
       "EListError: String list does not allow duplicates"},
      {rt::dupIgnore, true, {"APPLE", "Banana", "apple", "cherry"}, ""},
      {rt::dupError, true, {"APPLE", "Banana", "apple", "cherry"}, ""},
  };
  for (const auto& C : Cases) {
    rt::TStringList L;
    L.Duplicates = C.Dup;
    L.SetCaseSensitive(C.CaseSensitive);
    L.SetSorted(true);
    L.Add("cherry");
    L.Add("apple");
    L.Add("Banana");
    std::string Err = RaisedBy([&] { L.Add("APPLE"); });
    EXPECT_EQ(Err, C.Error) << C.Dup << C.CaseSensitive;
    EXPECT_EQ(Items(L), C.Expected) << C.Dup << C.CaseSensitive;
  }
}

TEST(TStringList, AddOnIgnoringSortedListReturnsIndexOfExistingItem) {
  rt::TStringList L;
  L.SetSorted(true);
  L.Add("b");
  L.Add("d");
  EXPECT_EQ(L.Add("c"), 1);
  EXPECT_EQ(L.Add("D"), 2);
  EXPECT_EQ(L.Count(), 3);
}

TEST(TStringList, UnsortedListKeepsDuplicatesWhateverTheRule) {
  rt::TStringList L;
  L.Duplicates = rt::dupError;
  L.Add("x");
  EXPECT_EQ(L.Add("x"), 1);
  EXPECT_EQ(L.Count(), 2);
}

TEST(TStringList, SortedListRefusesPositionalChangesAndLosesNothing) {
  rt::TStringList L;
  Fill(L, {"c", "a", "b"});
  L.SetSorted(true);
  ASSERT_THAT(Items(L), ElementsAre("a", "b", "c"));
  const std::string Refused = "EListError: Operation not allowed on sorted list";
  EXPECT_EQ(RaisedBy([&] { L.Insert(0, "z"); }), Refused);
  EXPECT_EQ(RaisedBy([&] { L.SetStrings(0, "z"); }), Refused);
  EXPECT_EQ(RaisedBy([&] { L[1] = "z"; }), Refused);
  EXPECT_EQ(RaisedBy([&] { L.Move(0, 2); }), Refused);
  EXPECT_THAT(Items(L), ElementsAre("a", "b", "c"));
  L.Add("B2");
  EXPECT_THAT(Items(L), ElementsAre("a", "b", "B2", "c"));
  L.SetSorted(false);
  L.Insert(0, "z");
  EXPECT_EQ(L[0], "z");
}

TEST(TStringList, SwitchingCaseSensitivityResortsASortedList) {
  rt::TStringList L;
  L.Duplicates = rt::dupAccept;
  L.SetSorted(true);
  for (const char* S : {"b", "B", "a", "A"}) L.Add(S);
  EXPECT_THAT(Items(L), ElementsAre("A", "a", "B", "b"));  // a newcomer goes before its equals
  L.SetCaseSensitive(true);
  EXPECT_THAT(Items(L), ElementsAre("A", "B", "a", "b"));
  EXPECT_EQ(L.IndexOf("b"), 3);
  EXPECT_EQ(L.IndexOf("c"), -1);
}

TEST(TStringList, FindReturnsMatchOrInsertionPlace) {
  rt::TStringList L;
  L.Duplicates = rt::dupAccept;
  L.SetSorted(true);
  for (const char* S : {"delta", "bravo", "bravo", "alpha", "bravo", "echo"}) L.Add(S);
  ASSERT_THAT(Items(L), ElementsAre("alpha", "bravo", "bravo", "bravo", "delta", "echo"));
  struct Case {
    const char* S;
    bool Found;
    int Index;
  } Cases[] = {
      {"alpha", true, 0}, {"BRAVO", true, 1},   {"delta", true, 4},  {"echo", true, 5},
      {"aaa", false, 0},  {"charlie", false, 4}, {"zulu", false, 6}, {"", false, 0},
  };
  for (const auto& C : Cases) {
    int Index = -99;
    EXPECT_EQ(L.Find(C.S, Index), C.Found) << C.S;
    EXPECT_EQ(Index, C.Index) << C.S;
  }
  rt::TStringList Empty;
  int Index = -99;
  EXPECT_FALSE(Empty.Find("x", Index));
  EXPECT_EQ(Index, 0);
}

TEST(TStringList, SortIsCaseBlindAndStableAndCustomSortUsesIndexes) {
  rt::TStringList L;
  Fill(L, {"pear", "Apple", "fig", "apple", "kiwi"});
  L.Sort();
  EXPECT_THAT(Items(L), ElementsAre("Apple", "apple", "fig", "kiwi", "pear"));

  Thing T1, T2;
  Fill(L, {"ccc", "a", "bb", "dd"});
  L.SetObjects(0, &T1);
  L.SetObjects(3, &T2);
  L.CustomSort([](rt::TStringList& List, int I1, int I2) {
    return static_cast<int>(List.Strings(I1).size()) - static_cast<int>(List.Strings(I2).size());
  });
  EXPECT_THAT(Items(L), ElementsAre("a", "bb", "dd", "ccc"));
  EXPECT_EQ(L.Objects(2), &T2);  // objects travel with their strings
  EXPECT_EQ(L.Objects(3), &T1);
}

TEST(TStringList, NamesAndValues) {
  rt::TStringList L;
  Fill(L, {"a=1", "Key=2=3", "noseparator", "=empty name", "b="});
  EXPECT_THAT(std::vector<std::string>({L.Names(0), L.Names(1), L.Names(2), L.Names(3), L.Names(4)}),
              ElementsAre("a", "Key", "", "", "b"));
  EXPECT_THAT(std::vector<std::string>({L.ValueFromIndex(0), L.ValueFromIndex(1),
                                        L.ValueFromIndex(2), L.ValueFromIndex(3),
                                        L.ValueFromIndex(4)}),
              ElementsAre("1", "2=3", "", "empty name", ""));
  EXPECT_EQ(L.Values("KEY"), "2=3");  // names compare case-blind
  EXPECT_EQ(L.Values("missing"), "");
  EXPECT_EQ(L.IndexOfName("b"), 4);
  EXPECT_EQ(L.IndexOfName("noseparator"), -1);

  L.SetValues("key", "9");
  EXPECT_EQ(L[1], "key=9");  // replaced in place
  L.SetValues("new", "x");
  EXPECT_EQ(L[L.Count() - 1], "new=x");
  L.SetValues("a", "");
  EXPECT_EQ(L.IndexOfName("a"), -1);
  EXPECT_EQ(L.Count(), 5);

  L.NameValueSeparator = ':';
  Fill(L, {"host:example", "port:80"});
  EXPECT_EQ(L.Values("port"), "80");
}

TEST(TStringList, NewValueOnSortedListGoesInOrder) {
  rt::TStringList L;
  L.SetSorted(true);
  L.Add("m=1");
  L.SetValues("c", "2");
  L.SetValues("x", "3");
  EXPECT_THAT(Items(L), ElementsAre("c=2", "m=1", "x=3"));
}

TEST(TStringList, TextJoinsWithCrLfAndSplitsAtAnyLineBreak) {
  struct Case {
    std::string In;
    std::vector<std::string> Lines;
  } Cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"x\n\r", {"x", ""}},
  };
  for (const auto& C : Cases) {
    rt::TStringList L;
    L.Add("old");
    L.SetText(C.In);
    EXPECT_THAT(Items(L), ElementsAreArray(C.Lines)) << ::testing::PrintToString(C.In);
  }
  rt::TStringList L;
  Fill(L, {"one", "", "three"});
  EXPECT_EQ(L.Text(), "one\r\n\r\nthree\r\n");
  rt::TStringList Back;
  Back.SetText(L.Text());
  EXPECT_TRUE(Back.Equals(L));
}

TEST(TStringList, SetDelimitedTextSplitsWithQuotesAndBlanks) {
  struct Case {
    char Delim;
    bool Strict;
    std::string In;
    std::vector<std::string> Out;
  } Cases[] = {
      {',', false, "", {}},
      {',', false, "a,b,c", {"a", "b", "c"}},
      {',', false, "  a , b  ", {"a", "b"}},
      {',', false, "a b,c", {"a", "b", "c"}},  // a blank also separates
      {',', false, "\"a b\",c", {"a b", "c"}},
      {',', false, "\"a\"\"b\",c", {"a\"b", "c"}},
      {',', false, "a,,b", {"a", "", "b"}},
      {',', false, "a,", {"a", ""}},
      {',', false, ",", {"", ""}},
      {',', false, "\"\"", {""}},
      {',', false, "\"open", {"open"}},
      {',', false, "\"ab\"cd,e", {"ab", "cd", "e"}},
      {',', false, "Water,Liquid,60,F,0.25,3200,1,1,1",
       {"Water", "Liquid", "60", "F", "0.25", "3200", "1", "1", "1"}},
      {';', false, "x;y z;\"p;q\"", {"x", "y", "z", "p;q"}},
      {',', true, "a b,c", {"a b", "c"}},
      {',', true, " a , b", {" a ", " b"}},
      {',', true, "a,", {"a", ""}},
      {',', true, "\"q,r\",s", {"q,r", "s"}},
      {';', true, "1;;3;", {"1", "", "3", ""}},
  };
  for (const auto& C : Cases) {
    rt::TStringList L;
    L.Add("old");
    L.Delimiter = C.Delim;
    L.StrictDelimiter = C.Strict;
    L.SetDelimitedText(C.In);
    EXPECT_THAT(Items(L), ElementsAreArray(C.Out)) << C.In << " strict=" << C.Strict;
  }
}

TEST(TStringList, DelimitedTextQuotesWhereNeededAndReadsBack) {
  struct Case {
    bool Strict;
    std::vector<std::string> Items;
    std::string Out;
  } Cases[] = {
      {false, {}, ""},
      {false, {"a", "b"}, "a,b"},
      {false, {"a b", "c"}, "\"a b\",c"},
      {true, {"a b", "c"}, "a b,c"},
      {false, {"a,b"}, "\"a,b\""},
      {true, {"a,b"}, "\"a,b\""},
      {false, {"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {false, {""}, "\"\""},
      {false, {"a", ""}, "a,"},
      {false, {"", "a"}, ",a"},
      {false, {"tab\there"}, "\"tab\there\""},
      {false, {"µm", "°F"}, "µm,°F"},
  };
  for (const auto& C : Cases) {
    rt::TStringList L;
    L.StrictDelimiter = C.Strict;
    Fill(L, C.Items);
    EXPECT_EQ(L.DelimitedText(), C.Out);
    rt::TStringList Back;
    Back.StrictDelimiter = C.Strict;
    Back.SetDelimitedText(L.DelimitedText());
    EXPECT_THAT(Items(Back), ElementsAreArray(C.Items)) << C.Out;
  }
}

TEST(TStringList, CommaTextIgnoresTheListsDelimiterSettings) {
  rt::TStringList L;
  L.Delimiter = ';';
  L.QuoteChar = '\'';
  L.StrictDelimiter = true;
  L.SetCommaText("a b,'c',\"d,e\"");
  EXPECT_THAT(Items(L), ElementsAre("a", "b", "'c'", "d,e"));
  EXPECT_EQ(L.CommaText(), "a,b,'c',\"d,e\"");
  EXPECT_EQ(L.DelimitedText(), "a;b;'''c''';d,e");
}

TEST(TStringList, AssignAddStringsAndEquals) {
  Thing T;
  rt::TStringList Src;
  Src.Delimiter = ';';
  Src.Duplicates = rt::dupAccept;
  Src.SetCaseSensitive(true);
  Src.SetSorted(true);
  Src.AddObject("b", &T);
  Src.Add("a");
  Src.Add("a");

  rt::TStringList Dst;
  Fill(Dst, {"old"});
  Dst.Assign(Src);
  EXPECT_THAT(Items(Dst), ElementsAre("a", "a", "b"));
  EXPECT_EQ(Dst.Objects(2), &T);
  EXPECT_EQ(Dst.Delimiter, ';');
  EXPECT_TRUE(Dst.Sorted());
  EXPECT_TRUE(Dst.CaseSensitive());
  EXPECT_EQ(Dst.Duplicates, rt::dupAccept);
  EXPECT_TRUE(Dst.Equals(Src));

  Dst.Assign(Dst);
  EXPECT_THAT(Items(Dst), ElementsAre("a", "a", "b"));

  rt::TStringList Plain;
  Fill(Plain, {"x", "y"});
  Plain.AddStrings(Plain);
  EXPECT_THAT(Items(Plain), ElementsAre("x", "y", "x", "y"));

  rt::TStringList Upper;
  Fill(Upper, {"X", "y", "x", "y"});
  EXPECT_FALSE(Upper.Equals(Plain));  // exact comparison
  Upper.SetStrings(0, "x");
  EXPECT_TRUE(Upper.Equals(Plain));
  Upper.Delete(3);
  EXPECT_FALSE(Upper.Equals(Plain));
}

TEST(TStringList, ExchangeMoveAndObjects) {
  Thing A, C;
  rt::TStringList L;
  L.AddObject("a", &A);
  L.Add("b");
  L.AddObject("c", &C);
  L.Add("d");
  L.Move(0, 2);
  EXPECT_THAT(Items(L), ElementsAre("b", "c", "a", "d"));
  L.Move(3, 0);
  EXPECT_THAT(Items(L), ElementsAre("d", "b", "c", "a"));
  EXPECT_EQ(L.IndexOfObject(&A), 3);
  L.Exchange(1, 2);
  EXPECT_THAT(Items(L), ElementsAre("d", "c", "b", "a"));
  EXPECT_EQ(L.Objects(1), &C);
  EXPECT_EQ(L.IndexOfObject(nullptr), 0);
  EXPECT_EQ(L.IndexOf("B"), 2);
  L.InsertObject(1, "new", &A);
  EXPECT_EQ(L.IndexOfObject(&A), 1);
  L.Clear();
  EXPECT_EQ(L.Count(), 0);
  EXPECT_EQ(L.IndexOfObject(&A), -1);
}

TEST(TStringList, ItemAccessThroughSubscript) {
  rt::TStringList L;
  Fill(L, {"a", "b"});
  L[0] = "x";
  L[1] = L[0];
  std::string S = L[1];
  EXPECT_EQ(S, "x");
  EXPECT_EQ(L[0] + "y", "xy");
  EXPECT_EQ("y" + L[0], "yx");
  const rt::TStrings& C = L;
  EXPECT_EQ(C[1], "x");
}

TEST(TStringList, UpdateCountPairs) {
  rt::TStringList L;
  L.BeginUpdate();
  L.BeginUpdate();
  EXPECT_EQ(L.UpdateCount(), 2);
  L.EndUpdate();
  L.EndUpdate();
  L.EndUpdate();
  EXPECT_EQ(L.UpdateCount(), 0);
  L.SetText("a\nb");  // internal updates leave the count balanced
  EXPECT_EQ(L.UpdateCount(), 0);
}

using TStringListFiles = TempDir;

TEST_F(TStringListFiles, SaveAndLoadUtf8TextDroppingByteOrderMark) {
  rt::TStringList L;
  Fill(L, {"Water @ 60 °F", "", "µ=1"});
  L.SaveToFile(Path("list.txt"));
  EXPECT_EQ(ReadAll(Path("list.txt")), "Water @ 60 °F\r\n\r\nµ=1\r\n");

  rt::TStringList Back;
  Back.LoadFromFile(Path("list.txt"));
  EXPECT_TRUE(Back.Equals(L));

  std::ofstream(Path("bom.txt"), std::ios::binary) << "\xEF\xBB\xBFone\ntwo";
  Back.LoadFromFile(Path("bom.txt"));
  EXPECT_THAT(Items(Back), ElementsAre("one", "two"));

  rt::TStringStream S("skip|a\r\nb");
  S.SetPosition(5);
  Back.LoadFromStream(S);
  EXPECT_THAT(Items(Back), ElementsAre("a", "b"));
  rt::TStringStream Out;
  Back.SaveToStream(Out);
  EXPECT_EQ(Out.DataString(), "a\r\nb\r\n");
}

TEST_F(TStringListFiles, MissingFileRaisesOpenErrorAndKeepsTheList) {
  rt::TStringList L;
  L.Add("kept");
  const std::string Missing = Path("none.txt");
  try {
    L.LoadFromFile(Missing);
    FAIL() << "no exception";
  } catch (const rt::EFOpenError& E) {
    EXPECT_EQ(E.ClassName(), "EFOpenError");
    EXPECT_THAT(E.Message(), StartsWith("Cannot open file \"" + Missing + "\". "));
    EXPECT_THAT(E.Message(), HasSubstr("No such file"));
  }
  EXPECT_THAT(Items(L), ElementsAre("kept"));
}
