#include "webapp/StringVar.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

using ::testing::ElementsAre;

namespace {

StringList Of(std::initializer_list<const char*> Items) {
  StringList L;
  for (const char* S : Items) L.Add(S);
  return L;
}

std::string B(bool V) { return V ? "true" : "false"; }

} // namespace

// Each case runs a small scenario and reports what it saw as text.
TEST(StringList, ValueSemanticsAndLookups) {
  struct Case {
    const char* What;
    std::function<std::string()> Run;
    std::string Expected;
  } Cases[] = {
      {"a fresh list counts 0", [] { StringList A; return std::to_string(A.Count()); }, "0"},
      {"a copy made before first use gets a list of its own",
       [] {
         StringList A;
         StringList B = A;
         A.Add("x");
         return std::to_string(A.Count()) + "/" + std::to_string(B.Count());
       },
       "1/0"},
      {"after B := A, B.Append changes A",
       [] {
         StringList A = Of({"x"});
         StringList B;
         B.Add("own");
         B = A;
         B.Append("y");
         return std::to_string(A.Count()) + " " + A[1];
       },
       "2 y"},
      {"writes through any copy are seen by all",
       [] {
         StringList A = Of({"x"});
         StringList B(A);
         B[0] = "changed";
         B.SetStrings(0, B[0] + "!");
         return A.Strings(0);
       },
       "changed!"},
      {"Findfirst gives the last equal string", [] { return std::to_string(Of({"x", "y", "x"}).Findfirst("x")); },
       "2"},
      {"Findfirst compares with case", [] { return std::to_string(Of({"x", "y", "x"}).Findfirst("X")); },
       "-1"},
      {"Findfirst on an empty list", [] { return std::to_string(StringList().Findfirst("x")); }, "-1"},
      {"same strings in another order are unequal",
       [] {
         StringList A = Of({"x", "y"}), C = Of({"y", "x"});
         return B(A == C) + " " + B(A != C);
       },
       "false true"},
      {"equality is exact and position by position",
       [] {
         StringList A = Of({"x", "y"}), C = Of({"x", "Y"}), D = Of({"x", "y"});
         return B(A == C) + " " + B(A == D) + " " + B(A == Of({"x"}));
       },
       "false true false"},
      {"equality with a runtime list, both ways round",
       [] {
         StringList A = Of({"p", "q"});
         rt::TStringList T;
         T.Add("p");
         T.Add("q");
         std::string R = B(A == T) + " " + B(T == A);
         T.Add("r");
         return R + " " + B(A != T) + " " + B(T != A);
       },
       "true true true true"},
      {"two empty lists are equal", [] { return B(StringList() == StringList()); }, "true"},
      {"conversion to string is the text",
       [] { return static_cast<std::string>(Of({"a", "b"})); }, "a\r\nb\r\n"},
      {"the runtime list behind it is the shared one",
       [] {
         StringList A = Of({"a"});
         StringList C = A;
         rt::TStrings& T = A;
         rt::TStrings* P = C;
         T.Add("b");
         return std::to_string(P->Count()) + " " + B(&T == P);
       },
       "2 true"},
      {"the list outlives the copy it was made by",
       [] {
         auto* A = new StringList(Of({"kept"}));
         StringList C = *A;
         delete A;
         return C.Strings(0);
       },
       "kept"},
      {"delimited text with a set delimiter",
       [] {
         StringList A;
         A.SetDelimiter('~');
         A.SetDelimitedText("Water~1.0~~60");
         return std::to_string(A.Count()) + " " + A[3];
       },
       "4 60"},
      {"names and values",
       [] {
         StringList A = Of({"UserFluid1=a,b", "x"});
         return A.Names(0) + "|" + A.ValueFromIndex(0) + "|" + std::to_string(A.IndexOfName("userfluid1"));
       },
       "UserFluid1|a,b|0"},
  };
  for (const auto& C : Cases) EXPECT_EQ(C.Run(), C.Expected) << C.What;
}

TEST(StringList, DelegatesListOperations) {
  StringList A;
  A.SetText("c\nb\na");
  A.Sort();
  EXPECT_EQ(A.Text(), "a\r\nb\r\nc\r\n");
  A.Insert(0, "z");
  A.Move(0, 3);
  A.Exchange(0, 1);
  A.Delete(2);
  EXPECT_EQ(std::vector<std::string>(A.begin(), A.end()), (std::vector<std::string>{"b", "a", "z"}));
  int Index = -1;
  A->SetSorted(true);
  EXPECT_TRUE(A.Find("b", Index));
  EXPECT_EQ(Index, 1);
  EXPECT_EQ(A.IndexOf("Z"), 2);

  StringList C;
  C.Assign(A);
  C.AddStrings(A);
  EXPECT_EQ(C.Count(), 3);  // sorted copy ignores the duplicates
  EXPECT_TRUE(C.Equals(A));
  C->SetSorted(false);
  C.CustomSort([](rt::TStringList& L, int I1, int I2) { return rt::CompareStr(L.Strings(I2), L.Strings(I1)); });
  EXPECT_EQ(static_cast<std::string>(C), "z\r\nb\r\na\r\n");
  C.Clear();
  EXPECT_EQ(C.Count(), 0);
  EXPECT_EQ(A.Count(), 3);
  EXPECT_THROW(C.Delete(0), rt::EListError);
}

TEST(StringList, CopiesReleasedOnManyThreads) {
  StringList A = Of({"shared"});
  std::vector<std::thread> Threads;
  for (int T = 0; T < 4; ++T)
    Threads.emplace_back([A] {
      for (int I = 0; I < 20000; ++I) {
        StringList C = A;
        StringList D;
        D = C;
      }
    });
  for (auto& T : Threads) T.join();
  EXPECT_EQ(A.Count(), 1);
  EXPECT_EQ(A[0], "shared");
}
