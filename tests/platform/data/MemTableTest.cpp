#include "platform/data/MemTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

using data::TMemFieldType;

// A reader and a table with a text, a short text and two integer fields, as a small stand-in
// for a table of options.
struct MemTableFixture : ::testing::Test {
  data::TFDMemTable Table;
  data::TFDBatchMoveTextReader Reader;
  data::TFDBatchMoveDataSetWriter Writer;
  data::TFDBatchMove Move;

  void SetUp() override {
    Table.AddField("Model", TMemFieldType::ftString, 11);
    Table.AddField("Size4", TMemFieldType::ftLargeint);
    Table.AddField("P1Max", TMemFieldType::ftLargeint);
    Table.AddField("Link", TMemFieldType::ftString, 20);
    Table.AddField("Note", TMemFieldType::ftString, 5);  // not in the file
    Reader.Fields = {{"Model", TMemFieldType::ftString, 11},
                     {"Size4", TMemFieldType::ftLargeint, 1},
                     {"P1Max", TMemFieldType::ftLargeint, 5},
                     {"Link", TMemFieldType::ftString, 20},
                     {"Extra", TMemFieldType::ftString, 3}};  // not in the table
    Writer.DataSet = &Table;
    Move.Reader = &Reader;
    Move.Writer = &Writer;
  }

  std::string WriteFile(const std::string& text) {
    auto path = std::filesystem::temp_directory_path() /
                ("memtable_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".csv");
    std::ofstream(path, std::ios::binary) << text;
    Files.push_back(path);
    return path.string();
  }
  void TearDown() override {
    for (auto& f : Files) std::filesystem::remove(f);
  }
  std::vector<std::filesystem::path> Files;
};

TEST_F(MemTableFixture, ReadsHeaderQuotesAndIntegersIntoTheTable) {
  Reader.FileName = WriteFile(
      "\xEF\xBB\xBF" "\"Model\";\"Size4\";\"P1Max\";\"Link\"\r\n"
      "\"RX-10\";1;300;\"https://x/a?b=1;c\"\r\n"
      "\n"
      "\"Q \"\"7\"\"\"; 0 ;15000;\r\n"
      "ZZ;;-5;plain text\n");
  EXPECT_EQ(Move.Execute(), 3);
  ASSERT_EQ(Table.RecordCount(), 3);
  EXPECT_EQ(Table.RecNo(), 1);
  EXPECT_EQ(Table.FieldByName("Model").AsString(), "RX-10");
  EXPECT_EQ(Table.FieldByName("Model").Size(), 11);
  EXPECT_EQ(Table.FieldByName("size4").AsLargeInt(), 1);
  EXPECT_EQ(Table.FieldByName("Link").AsString(), "https://x/a?b=1;c");
  EXPECT_TRUE(Table.FieldByName("Note").IsNull());
  Table.SetRecNo(2);
  EXPECT_EQ(Table.FieldByName("Model").AsString(), "Q \"7\"");
  EXPECT_EQ(Table.FieldByName("Size4").AsLargeInt(), 0);
  EXPECT_FALSE(Table.FieldByName("Size4").IsNull());
  EXPECT_EQ(Table.FieldByName("P1Max").AsString(), "15000");
  EXPECT_EQ(Table.FieldByName("Link").AsString(), "");
  Table.SetRecNo(3);
  EXPECT_TRUE(Table.FieldByName("Size4").IsNull());
  EXPECT_EQ(Table.FieldByName("Size4").AsLargeInt(), 0);
  EXPECT_EQ(Table.FieldByName("P1Max").AsLargeInt(), -5);
  EXPECT_EQ(Table.FieldByName("Link").AsString(), "plain text");
}

TEST_F(MemTableFixture, HeaderOrderDecidesTheColumns) {
  Reader.FileName = WriteFile("Link;Model;Unknown\nL1;M1;x\n");
  ASSERT_EQ(Move.Execute(), 1);
  EXPECT_EQ(Table.FieldByName("Model").AsString(), "M1");
  EXPECT_EQ(Table.FieldByName("Link").AsString(), "L1");
  EXPECT_TRUE(Table.FieldByName("P1Max").IsNull());
}

TEST_F(MemTableFixture, LocateFindsTheFirstExactMatchAndKeepsTheCursorOtherwise) {
  Reader.FileName = WriteFile("Model;P1Max\nA;1\nB;2\nB;3\n");
  Move.Execute();
  EXPECT_TRUE(Table.Locate("Model", std::string("B")));
  EXPECT_EQ(Table.RecNo(), 2);
  EXPECT_FALSE(Table.Locate("Model", std::string("b")));  // letter case counts
  EXPECT_FALSE(Table.Locate("Model", std::string("C")));
  EXPECT_EQ(Table.RecNo(), 2);
  EXPECT_TRUE(Table.Locate("P1Max", std::string("3")));
  EXPECT_EQ(Table.RecNo(), 3);
  EXPECT_TRUE(Table.Locate("P1Max", std::int64_t{1}));
  EXPECT_EQ(Table.RecNo(), 1);
  EXPECT_FALSE(Table.Locate("P1Max", std::string("x")));
  EXPECT_THROW(Table.Locate("Nope", std::string("A")), data::EDatabaseError);
}

TEST_F(MemTableFixture, BadFilesRaiseAndLeaveTheRowsAsTheyWere) {
  Reader.FileName = WriteFile("Model;P1Max\nKEEP;1\n");
  ASSERT_EQ(Move.Execute(), 1);
  struct Case {
    const char* what;
    const char* text;
  } cases[] = {
      {"text over its size", "Model\n\"ABCDEFGHIJKL\"\n"},
      {"integer too wide", "Model;P1Max\nA;123456\n"},
      {"integer with a fraction", "Model;P1Max\nA;1.5\n"},
      {"integer with text", "Model;Size4\nA;x\n"},
      {"unterminated quote", "Model\n\"A\n"},
      {"text after a closing quote", "Model\n\"A\"B\n"},
      {"no header", ""},
  };
  for (const Case& c : cases) {
    Reader.FileName = WriteFile(c.text);
    EXPECT_THROW(Move.Execute(), data::EDatabaseError) << c.what;
    ASSERT_EQ(Table.RecordCount(), 1) << c.what;
    EXPECT_EQ(Table.FieldByName("Model").AsString(), "KEEP") << c.what;
  }
  Reader.FileName = "/nonexistent/ValidOptions.csv";
  EXPECT_THROW(Move.Execute(), rt::EFOpenError);
  EXPECT_EQ(Table.RecordCount(), 1);
}

TEST(MemTable, EmptyTableHasNoCurrentRecord) {
  data::TFDMemTable t;
  t.AddField("A", TMemFieldType::ftString, 3);
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.FieldByName("A").IsNull());
  EXPECT_EQ(t.FieldByName("A").AsString(), "");
  EXPECT_THROW(t.FieldByName("B"), data::EDatabaseError);
  EXPECT_THROW(t.AddField("a", TMemFieldType::ftLargeint), data::EDatabaseError);
  t.ReplaceRows({{std::string("x")}, {std::string("y")}});
  EXPECT_EQ(t.RecNo(), 1);
  t.Next();
  EXPECT_EQ(t.FieldByName("A").AsString(), "y");
  EXPECT_FALSE(t.Eof());
  t.Next();
  EXPECT_TRUE(t.Eof());
  t.SetRecNo(5);
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_THROW(t.ReplaceRows({{std::int64_t{1}}}), data::EDatabaseError);
  EXPECT_EQ(t.RecordCount(), 2);
}

} // namespace
