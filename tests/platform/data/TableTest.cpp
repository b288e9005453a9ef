#include "platform/data/Table.h"

#include <gtest/gtest.h>

#include "platform/data/DBClient.h"

namespace {

TEST(TableFromCsv, ReadsTypedFieldsQuotedTextAndUtf8) {
  auto t = data::TTable::FromCsv("Units",
      "LABEL:string:30,FMF:float,SHLABEL:string:15\n"
      "\"Normal cubic centimeters per m\",0.002118,\"Ncm³/min\"\r\n"
      "\"Alcohol, Ethyl\",1e-5,\"say \"\"hi\"\"\"\n"
      "\n"
      "plain,-2.5,\n");
  ASSERT_EQ(t->FieldCount(), 3);
  EXPECT_EQ(t->FieldDef(0).DataType, data::TFieldType::ftString);
  EXPECT_EQ(t->FieldDef(0).Size, 30);
  EXPECT_EQ(t->FieldDef(1).DataType, data::TFieldType::ftFloat);
  ASSERT_EQ(t->RowCount(), 3);
  EXPECT_EQ(t->String(0, 0), "Normal cubic centimeters per m");
  EXPECT_EQ(t->String(0, 2), "Ncm³/min");
  EXPECT_EQ(t->String(1, 0), "Alcohol, Ethyl");
  EXPECT_EQ(t->String(1, 2), "say \"hi\"");
  EXPECT_DOUBLE_EQ(t->Float(1, 1), 1e-5);
  EXPECT_DOUBLE_EQ(t->Float(2, 1), -2.5);
  EXPECT_EQ(t->String(2, 2), "");
  EXPECT_EQ(t->FindField("shlabel"), 2);
  EXPECT_EQ(t->FindField("NONE"), -1);
}

TEST(TableFromCsv, RejectsBadTablesWhenLoaded) {
  struct Case {
    const char* what;
    const char* csv;
  } cases[] = {
      {"no header", ""},
      {"unknown type", "A:int\n1\n"},
      {"string without size", "A:string\nx\n"},
      {"duplicate field", "A:float,a:float\n1,2\n"},
      {"missing cell", "A:float,B:float\n1\n"},
      {"extra cell", "A:float\n1,2\n"},
      {"text in a float", "A:float\nabc\n"},
      {"number with trailing text", "A:float\n1.5x\n"},
      {"empty float", "A:float,B:float\n,1\n"},
      {"string over its size", "A:string:3\n\"abcd\"\n"},
      {"unterminated quote", "A:string:9\n\"abc\n"},
      {"text after closing quote", "A:string:9\n\"ab\"c\n"},
  };
  for (const Case& c : cases)
    EXPECT_THROW(data::TTable::FromCsv("T", c.csv), data::EDatabaseError) << c.what;
}

TEST(TableFromCsv, SizeCountsCharactersNotBytes) {
  // "M³" is two characters in three bytes.
  EXPECT_NO_THROW(data::TTable::FromCsv("T", "A:string:2\nM³\n"));
  EXPECT_THROW(data::TTable::FromCsv("T", "A:string:1\nM³\n"), data::EDatabaseError);
  EXPECT_EQ(data::Utf8Length("Act cm³/min"), 11u);
}

} // namespace
