// Growable float arrays and the float-keyed object list: growth, moves, sorting, bad indexes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "report/engine/repStorage.h"

namespace {

std::vector<double> Values(TrepExtArrayBase& A) {
  std::vector<double> R;
  for (int I = 0; I < A.Count(); ++I) R.push_back(A.Items(I));
  return R;
}

// An object that counts its own destruction.
struct TCounted : rt::TObject {
  explicit TCounted(int& Deaths) : FDeaths(Deaths) {}
  ~TCounted() override { ++FDeaths; }
  int& FDeaths;
};

int CompareDoubles(const void* A, const void* B) {
  double X, Y;
  std::memcpy(&X, A, sizeof X);
  std::memcpy(&Y, B, sizeof Y);
  return X < Y ? -1 : X > Y ? 1 : 0;
}

void ExpectIndexError(const std::function<void()>& F, const char* What) {
  try {
    F();
    ADD_FAILURE() << What << ": no error";
  } catch (const rt::Exception& E) {
    EXPECT_EQ(E.ClassName(), "EAssertionFailed") << What;
    EXPECT_EQ(E.Message(), "Index out of bounds") << What;
  }
}

} // namespace

TEST(ValueArrays, CapacityGrowsByFourThenSixteenThenAQuarter) {
  struct Case {
    int Appends, Capacity;
  } Cases[] = {{0, 0}, {1, 4}, {4, 4}, {5, 8}, {9, 12}, {13, 28}, {29, 44}, {61, 76}, {77, 95}, {96, 118}};
  for (const Case& C : Cases) {
    TrepExtArray A;
    for (int I = 0; I < C.Appends; ++I) A.Append(I);
    EXPECT_EQ(A.Capacity(), C.Capacity) << C.Appends << " appends";
    EXPECT_EQ(A.Count(), C.Appends);
    if (C.Appends) {
      EXPECT_EQ(A.Items(C.Appends - 1), C.Appends - 1);
    }
  }
}

TEST(ValueArrays, SettingCountFillsNewStorageAsZeroSays) {
  for (bool Zero : {true, false}) {
    TrepExtArray A;
    A.SetZero(Zero);
    A.Append(7);
    A.SetCount(3);
    EXPECT_EQ(A.Capacity(), 4) << "the count fits the capacity, so it stays";
    A.SetCount(6);
    EXPECT_EQ(A.Capacity(), 6);
    EXPECT_EQ(A.Items(0), 7);
    for (int I = 1; I < 6; ++I) {
      double V = A.Items(I);
      unsigned char Bytes[sizeof V];
      std::memcpy(Bytes, &V, sizeof V);
      for (unsigned char B : Bytes) EXPECT_EQ(B, Zero ? 0 : 255) << "item " << I;
    }
  }
  TrepExtArray A;
  EXPECT_THROW(A.SetCount(-1), rt::EListError);
}

TEST(ValueArrays, InsertDeleteAndExchangeMoveItems) {
  TrepExtArray A;
  for (double V : {1.0, 2.0, 3.0, 4.0}) A.Append(V);
  A.Insert(0, 0.5);
  A.Insert(2, 1.5);
  EXPECT_EQ(Values(A), (std::vector<double>{0.5, 1, 1.5, 2, 3, 4}));
  EXPECT_EQ(A.Capacity(), 8);
  A.Delete(0);
  A.Delete(4);  // the last: only the count changes
  EXPECT_EQ(Values(A), (std::vector<double>{1, 1.5, 2, 3}));
  A.Exchange(0, 3);
  EXPECT_EQ(Values(A), (std::vector<double>{3, 1.5, 2, 1}));
  A.Clear();
  EXPECT_EQ(A.Count(), 0);
  EXPECT_EQ(A.Capacity(), 0);
}

TEST(ValueArrays, BadIndexesAreAssertionErrors) {
  TrepExtArray A;
  ExpectIndexError([&] { A.Insert(0, 1); }, "insert into an empty array");
  A.Append(1);
  A.Append(2);
  ExpectIndexError([&] { A.Insert(2, 1); }, "insert at the end");
  ExpectIndexError([&] { A.Insert(-1, 1); }, "insert at -1");
  ExpectIndexError([&] { A.Delete(2); }, "delete past the end");
  ExpectIndexError([&] { A.Delete(-1); }, "delete -1");
  ExpectIndexError([&] { A.Items(2); }, "read past the end");
  ExpectIndexError([&] { A.SetItems(-1, 0); }, "write -1");
  ExpectIndexError([&] { A.Exchange(0, 2); }, "exchange past the end");
  ExpectIndexError([&] { A.Sort(CompareDoubles, 0, 2); }, "sort past the end");
  EXPECT_EQ(Values(A), (std::vector<double>{1, 2})) << "failed calls change nothing";
  EXPECT_EQ(A.Capacity(), 4);
}

TEST(ValueArrays, SortOrdersTheGivenRangeOnly) {
  struct Case {
    std::vector<double> In;
    int Min, Max;
    std::vector<double> Out;
  } Cases[] = {
      {{}, 0, -1, {}},
      {{5}, 0, 0, {5}},
      {{3, 1, 2}, 0, 2, {1, 2, 3}},
      {{9, 4, 3, 2, 1, 0}, 1, 4, {9, 1, 2, 3, 4, 0}},
      {{2, 1}, 1, 0, {2, 1}},
      {{1, 1, 1, 1}, 0, 3, {1, 1, 1, 1}},
      {{-1, 5, -7, 5, 0}, 0, 4, {-7, -1, 0, 5, 5}},
  };
  for (const Case& C : Cases) {
    TrepExtArray A;
    for (double V : C.In) A.Append(V);
    A.Sort(CompareDoubles, C.Min, C.Max);
    EXPECT_EQ(Values(A), C.Out) << C.In.size() << " items, " << C.Min << ".." << C.Max;
  }
  // Many shapes against the standard sort: runs, duplicates, reversed and random input.
  std::mt19937 Rng(7);
  for (int N = 0; N < 300; N += 7) {
    for (int Shape = 0; Shape < 4; ++Shape) {
      std::vector<double> In(N);
      for (int I = 0; I < N; ++I)
        In[I] = Shape == 0 ? I : Shape == 1 ? N - I : Shape == 2 ? static_cast<double>(Rng() % 5)
                                                                  : static_cast<double>(Rng() % 1000);
      TrepExtArray A;
      for (double V : In) A.Append(V);
      A.Sort(CompareDoubles, 0, N - 1);
      std::sort(In.begin(), In.end());
      ASSERT_EQ(Values(A), In) << N << " items, shape " << Shape;
    }
  }
}

TEST(ValueArrays, ObjectListKeepsObjectsWithTheirValues) {
  rt::TObject O1, O2, O3, O4;
  TrepExtendedObjectList L;
  L.InsertObject(5, &O1, 1.0);  // an empty list appends, whatever the index
  L.AppendObject(&O2, 2.0);
  L.InsertObject(0, &O3, 0.5);
  EXPECT_EQ(Values(L), (std::vector<double>{0.5, 1, 2}));
  EXPECT_EQ(L.GetObject(0), &O3);
  EXPECT_EQ(L.GetObject(1), &O1);
  EXPECT_EQ(L.GetObject(2), &O2);
  L.Exchange(0, 2);
  EXPECT_EQ(Values(L), (std::vector<double>{2, 1, 0.5}));
  EXPECT_EQ(L.GetObject(0), &O2);
  EXPECT_EQ(L.GetObject(2), &O3);
  L.Delete(0);
  EXPECT_EQ(Values(L), (std::vector<double>{1, 0.5}));
  EXPECT_EQ(L.GetObject(0), &O1);
  EXPECT_EQ(L.GetObject(1), &O3);
  L.SetObject(1, &O4);
  EXPECT_EQ(L.GetObject(1), &O4);
  ExpectIndexError([&] { L.GetObject(2); }, "object past the end");
  ExpectIndexError([&] { L.InsertObject(2, &O1, 0); }, "insert object at the end");
}

TEST(ValueArrays, SortListComparesHundredths) {
  rt::TObject A, B, C, D;
  TrepExtendedObjectList L;
  L.AppendObject(&A, 2.001);
  L.AppendObject(&B, 1.5);
  L.AppendObject(&C, 2.0);
  L.SortList();
  // 2.0 and 2.001 compare as equal; the partition's exchanges leave them as below.
  EXPECT_EQ(Values(L), (std::vector<double>{1.5, 2.0, 2.001}));
  EXPECT_EQ(L.GetObject(0), &B);
  EXPECT_EQ(L.GetObject(1), &C);
  EXPECT_EQ(L.GetObject(2), &A);

  // Values a hundredth or more apart keep their order, whatever their magnitude.
  TrepExtendedObjectList M;
  std::vector<double> In{300.0, -1e30, 12.34, 12.35, 1e30, 0.0, -0.02, 12.33};
  for (double V : In) M.AppendObject(&D, V);
  M.SortList();
  std::sort(In.begin(), In.end());
  EXPECT_EQ(Values(M), In);
}

TEST(ValueArrays, ObjectListFreesEachOfItsObjectsOnce) {
  int Deaths = 0;
  {
    TrepExtendedObjectList L;
    L.FFreeObjects = true;
    for (int I = 0; I < 5; ++I) L.AppendObject(new TCounted(Deaths), I);
    rt::TObject* Removed = L.GetObject(1);
    L.Delete(1);  // the caller keeps what it deletes
    delete Removed;
    EXPECT_EQ(Deaths, 1);
    L.Clear();
    EXPECT_EQ(Deaths, 5);
    EXPECT_EQ(L.Count(), 0);
    auto* Twice = new TCounted(Deaths);
    L.AppendObject(Twice, 1);
    L.AppendObject(Twice, 2);
    L.AppendObject(nullptr, 3);
  }
  EXPECT_EQ(Deaths, 6) << "the destructor clears; an object listed twice is freed once";

  Deaths = 0;
  TCounted Kept(Deaths);
  {
    TrepExtendedObjectList L;
    L.AppendObject(&Kept, 1);
  }
  EXPECT_EQ(Deaths, 0) << "without FFreeObjects the list owns nothing";
}
