// The runtime base classes as scripts use them: string lists, lists, streams, components,
// collections, through PascalScript programs compiled and run.
#include <gtest/gtest.h>

#include "tests/report/script/PrintingScript.h"

#include <cstdio>
#include <filesystem>

#include "platform/rt/Collections.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_iilparser.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

using rt::Variant;

namespace {

class ClassesRtti : public PrintingScriptTest {
protected:
  void SetUp() override {
    sc_ipascalInitialization();
    sc_isysrttiInitialization();
    sc_iclassesrttiInitialization();
    PrepareScript();
  }

};

} // namespace

TEST_F(ClassesRtti, ModuleComesAfterTheBuiltInLibraryOnce) {
  sc_iclassesrttiInitialization();
  auto* L = ScriptModuleList();
  EXPECT_EQ(std::count(L->begin(), L->end(), &scModuleClass<sc_iclassesrtti::TFunctions>), 1);
  EXPECT_EQ(L->front(), &scModuleClass<TscSysFunctions>);
}

TEST_F(ClassesRtti, ConstantsAndEnumerations) {
  struct Case {
    const char* Expr;
    int Value;
  } Cases[] = {{"fmCreate", 65280}, {"fmOpenRead", 0},    {"fmOpenWrite", 1},      {"fmOpenReadWrite", 2},
               {"fmShareExclusive", 16}, {"fmShareDenyWrite", 32}, {"fmShareDenyNone", 64},
               {"soFromBeginning", 0}, {"soFromCurrent", 1}, {"soFromEnd", 2},
               {"dupIgnore", 0}, {"dupAccept", 1}, {"dupError", 2}, {"poPortrait", 0}, {"poLandscape", 1}};
  for (const Case& C : Cases) {
    Variant R = S.Evaluate(C.Expr);
    EXPECT_FALSE(S.EvaluteRiseError) << C.Expr;
    EXPECT_EQ(R.ToInteger(), C.Value) << C.Expr;
  }
}

TEST_F(ClassesRtti, StringListThroughTheStringsEntries) {
  EXPECT_EQ(Run("var L: TStringList;\n"
                "begin\n"
                "  L := TStringList.Create;\n"
                "  Print(L.ClassName);\n"
                "  Print(L.Add('pear'));\n"
                "  L.Add('apple');\n"
                "  Print(L.IndexOf('APPLE'));\n"
                "  Print(L.IndexOf('none'));\n"
                "  Print(L.Count);\n"
                "  Print(L.CommaText);\n"
                "  L.Text := 'a=1' + #13#10 + 'b=2';\n"
                "  Print(L.Values['b']);\n"
                "  L.Values['c'] := '3';\n"
                "  Print(L.Names[2]);\n"
                "  Print(L[2]);\n"
                "  L.Strings[0] := 'x=9';\n"
                "  Print(L.IndexOfName('x'));\n"
                "  L.Insert(0, 'first');\n"
                "  L.Move(0, 3);\n"
                "  Print(L.CommaText);\n"
                "  L.Delete(3);\n"
                "  Print(L.Count);\n"
                "  L.Free;\n"
                "end."),
            "TStringList\n0\n1\n-1\n2\npear,apple\n2\nc\nc=3\n0\nx=9,b=2,c=3,first\n3\n");
}

TEST_F(ClassesRtti, SortedListFindSortAndDuplicates) {
  EXPECT_EQ(Run("var L: TStringList; I: Integer; F: Boolean;\n"
                "begin\n"
                "  L := TStringList.Create;\n"
                "  L.Add('c'); L.Add('a');\n"
                "  L.Sort;\n"
                "  Print(L.CommaText);\n"
                "  L.Sorted := True;\n"
                "  Print(L.Sorted);\n"
                "  F := L.Find('b', I);\n"
                "  Print(F); Print(I);\n"
                "  F := L.Find('c', I);\n"
                "  Print(F); Print(I);\n"
                "  L.Add('a');\n"
                "  Print(L.Count);\n"
                "  L.Duplicates := dupAccept;\n"
                "  Print(L.Duplicates);\n"
                "  L.Add('a');\n"
                "  L.Add('b');\n"
                "  Print(L.CommaText);\n"
                "  L.Duplicates := dupError;\n"
                "  try\n"
                "    L.Add('a');\n"
                "  finally\n"
                "    L.Free;\n"
                "  end;\n"
                "end."),
            "a,c\nTrue\nFalse\n1\nTrue\n1\n2\n1\na,a,b,c\nraised EListError: String list does not allow duplicates\n");
}

TEST_F(ClassesRtti, ObjectsAndAssign) {
  EXPECT_EQ(Run("var A, B: TStringList; O: TObject; C: TComponent;\n"
                "begin\n"
                "  A := TStringList.Create; B := TStringList.Create; O := TObject.Create;\n"
                "  A.AddObject('one', O);\n"
                "  A.Add('two');\n"
                "  Print(A.IndexOfObject(O));\n"
                "  Print(A.Objects[0] = O);\n"
                "  A.Objects[1] := O;\n"
                "  Print(A.IndexOfObject(O));\n"
                "  A.InsertObject(0, 'zero', O);\n"
                "  B.Assign(A);\n"
                "  Print(B.CommaText);\n"
                "  Print(B.Objects[0] = O);\n"
                "  B.Assign(nil);\n"
                "  Print(B.Count);\n"
                "  C := TComponent.Create(nil);\n"
                "  try\n"
                "    B.Assign(C);\n"
                "  finally\n"
                "    A.Free; B.Free; O.Free; C.Free;\n"
                "  end;\n"
                "end."),
            "0\nTrue\n0\nzero,one,two\nTrue\n0\nraised EConvertError: Cannot assign a TComponent to a TStringList\n");
}

TEST_F(ClassesRtti, ListErrorsRaiseAsScriptErrors) {
  struct Case {
    const char* Statement;
    const char* Expected;
  } Cases[] = {
      {"L.Delete(5)", "raised EListError: List index out of bounds (5)\n"},
      {"Print(L[3])", "raised EListError: List index out of bounds (3)\n"},
      {"L.Strings[-1] := 'x'", "raised EListError: List index out of bounds (-1)\n"},
      {"L.LoadFromFile('/nonexistent/dir/file.txt')", nullptr},
  };
  for (const Case& C : Cases) {
    std::string R = Run(std::string("var L: TStringList;\nbegin\n  L := TStringList.Create;\n  L.Add('a');\n  try\n    ") +
                        C.Statement + ";\n  finally\n    L.Free;\n  end;\nend.");
    if (C.Expected) EXPECT_EQ(R, C.Expected) << C.Statement;
    else EXPECT_EQ(R.rfind("raised E", 0), 0u) << C.Statement << ": " << R;
  }
}

TEST_F(ClassesRtti, UnknownMembersAreCompileErrors) {
  for (const char* Stmt : {"L.NoSuchMethod", "L.Bogus := 1", "Print(L.Nope)"}) {
    std::string R = Run(std::string("var L: TStringList;\nbegin\n  L := TStringList.Create;\n  ") + Stmt + ";\nend.");
    EXPECT_EQ(R.rfind("compile error", 0), 0u) << Stmt << ": " << R;
  }
}

TEST_F(ClassesRtti, UnknownNameReachingTheHandlerGivesZero) {
  rt::TStringList L;
  EXPECT_EQ(sc_iclassesrtti::TFunctions::CallMethod(&L, rt::TStrings::ClassInfo(), "NOPE", nullptr).ToInteger(), 0);
  EXPECT_EQ(sc_iclassesrtti::TFunctions::GetProp(&L, rt::TStringList::ClassInfo(), "NOPE").ToInteger(), 0);
  EXPECT_EQ(sc_iclassesrtti::TFunctions::CallMethod(&L, nullptr, "ADD", nullptr).ToInteger(), 0);
  EXPECT_EQ(L.Count(), 0);
}

TEST_F(ClassesRtti, ListAddRemoveAndItems) {
  EXPECT_EQ(Run("var L: TList; A, B, C: TObject;\n"
                "begin\n"
                "  L := TList.Create; A := TObject.Create; B := TObject.Create; C := TObject.Create;\n"
                "  Print(L.Add(A)); Print(L.Add(B)); Print(L.Add(C));\n"
                "  Print(L.Remove(B)); Print(L.Remove(B));\n"
                "  Print(L.IndexOf(C));\n"
                "  L.Insert(0, B);\n"
                "  Print(L[0] = B);\n"
                "  L[1] := C;\n"
                "  Print(L.IndexOf(A));\n"
                "  L.Delete(0);\n"
                "  Print(L.Count);\n"
                "  L.Clear;\n"
                "  Print(L.Count);\n"
                "  A.Free; B.Free; C.Free; L.Free;\n"
                "end."),
            "0\n1\n2\n1\n-1\n1\nTrue\n-1\n2\n0\n");
}

TEST_F(ClassesRtti, MemoryStreamWriteSeekRead) {
  EXPECT_EQ(Run("var M: TMemoryStream; S: String; N: Integer;\n"
                "begin\n"
                "  M := TMemoryStream.Create;\n"
                "  Print(M.Write('hello world', 11));\n"
                "  Print(M.Size); Print(M.Position);\n"
                "  Print(M.Seek(6, soFromBeginning));\n"
                "  N := M.Read(S, 100);\n"
                "  Print(N); Print(S);\n"
                "  M.Position := 0;\n"
                "  N := M.Read(S, 5);\n"
                "  Print(S);\n"
                "  Print(M.Seek(-2, soFromEnd));\n"
                "  Print(M.Write('abc', 2));\n"
                "  Print(M.Write('xy', 50));\n"
                "  M.Position := 0;\n"
                "  M.Read(S, 20);\n"
                "  Print(S);\n"
                "  M.Clear;\n"
                "  Print(M.Size);\n"
                "  M.Free;\n"
                "end."),
            "11\n11\n11\n6\n5\nworld\nhello\n9\n2\n2\nhello worabxy\n0\n");
}

TEST_F(ClassesRtti, StreamsBetweenListsFilesAndEachOther) {
  std::string Path = (std::filesystem::temp_directory_path() / "classes_rtti_stream.txt").string();
  std::remove(Path.c_str());
  EXPECT_EQ(Run("var F: TFileStream; M, M2: TMemoryStream; L: TStringList; S: String;\n"
                "begin\n"
                "  L := TStringList.Create;\n"
                "  L.CommaText := 'a,b';\n"
                "  F := TFileStream.Create('" + Path + "', fmCreate);\n"
                "  Print(F.ClassName);\n"
                "  L.SaveToStream(F);\n"
                "  Print(F.Size);\n"
                "  F.Free;\n"
                "  M := TMemoryStream.Create;\n"
                "  M.LoadFromFile('" + Path + "');\n"
                "  Print(M.Size);\n"
                "  M2 := TMemoryStream.Create;\n"
                "  M.Position := 3;\n"
                "  Print(M2.CopyFrom(M, 3));\n"
                "  M2.Position := 0;\n"
                "  M2.Read(S, 3);\n"
                "  Print(S = 'b' + #13#10);\n"
                "  M.Position := 0;\n"
                "  L.Clear;\n"
                "  L.LoadFromStream(M);\n"
                "  Print(L.CommaText);\n"
                "  F := TFileStream.Create('" + Path + "', fmOpenRead);\n"
                "  Print(F.Read(S, 1)); Print(S);\n"
                "  F.Free; M.Free; M2.Free; L.Free;\n"
                "  F := TFileStream.Create('/nonexistent/dir/x', fmOpenRead);\n"
                "end."),
            "TFileStream\n6\n6\n3\nTrue\na,b\n1\na\nraised EFOpenError: Cannot open file \"/nonexistent/dir/x\". "
            "No such file or directory\n");
  std::remove(Path.c_str());
}

TEST_F(ClassesRtti, SeekWithABadOriginRaises) {
  EXPECT_EQ(Run("var M: TMemoryStream;\nbegin\n  M := TMemoryStream.Create;\n  try\n    M.Seek(0, 7);\n  finally\n    M.Free;\n  end;\nend."),
            "raised EStreamError: Invalid seek origin (7)\n");
}

TEST_F(ClassesRtti, ComponentsBelongToTheirOwner) {
  EXPECT_EQ(Run("var O, C: TComponent;\n"
                "begin\n"
                "  O := TComponent.Create(nil);\n"
                "  C := TComponent.Create(O);\n"
                "  Print(C.Owner = O);\n"
                "  Print(O.Owner);\n"
                "  Print(C is TPersistent);\n"
                "  O.Free;\n"
                "end."),
            "True\n0\nTrue\n");
}

TEST_F(ClassesRtti, CollectionCountItemsClear) {
  rt::TCollection Coll([](rt::TCollection* C) { return new rt::TCollectionItem(C); });
  Coll.Add();
  Coll.Add();
  S.AddedBy = &Out;
  S.AddObject("Coll", &Coll);
  S.AddedBy = nullptr;
  EXPECT_EQ(Run("begin\n"
                "  Print(Coll.Count);\n"
                "  Print(Coll[1].ClassName);\n"
                "  Coll.Clear;\n"
                "  Print(Coll.Count);\n"
                "  Print(Coll[0]);\n"
                "end."),
            "2\nTCollectionItem\n0\nraised EListError: List index out of bounds (0)\n");
}

TEST_F(ClassesRtti, StringsCreateGivesAUsableList) {
  EXPECT_EQ(Run("var L: TStrings;\nbegin\n  L := TStrings.Create;\n  L.Add('z');\n  Print(L.Text);\n  L.Free;\nend."),
            "z\r\n\n");
}

TEST_F(ClassesRtti, XmlTreeBuiltSavedAndLoaded) {
  EXPECT_EQ(Run("var D, D2: TscXMLDocument; R, X: TscXMLItem; M: TMemoryStream;\n"
                "begin\n"
                "  D := TscXMLDocument.Create;\n"
                "  R := D.Root;\n"
                "  R.Name := 'grammar';\n"
                "  X := R.Add;\n"
                "  X.Name := 'rule';\n"
                "  X.Prop['id'] := 'a<b';\n"
                "  X.Data := 42;\n"
                "  R.FindItem('other');\n"
                "  Print(R.Count);\n"
                "  Print(R.Find('OTHER'));\n"
                "  Print(R[0].Prop['id']);\n"
                "  Print(X.Data);\n"
                "  Print(X.Parent = R);\n"
                "  Print(X.Root = R);\n"
                "  M := TMemoryStream.Create;\n"
                "  D.SaveToStream(M);\n"
                "  M.Position := 0;\n"
                "  D2 := TscXMLDocument.Create;\n"
                "  D2.LoadFromStream(M);\n"
                "  Print(D2.Root.Name);\n"
                "  Print(D2.Root[0].Text);\n"
                "  X := TscXMLItem.Create;\n"
                "  X.Name := 'moved';\n"
                "  D2.Root.InsertItem(0, X);\n"
                "  Print(D2.Root[0].Name);\n"
                "  D2.Root.Clear;\n"
                "  Print(D2.Root.Count);\n"
                "  D.Free; D2.Free; M.Free;\n"
                "end."),
            "2\n1\na<b\n42\nTrue\nTrue\ngrammar\nid=\"a&#60;b\"\nmoved\n0\n");
}
