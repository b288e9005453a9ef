#include <gtest/gtest.h>

#include "webapp/UserSessionUnit.h"

namespace {

// The shipped table of valid options loads into the session's memory table through the batch
// move, with the file's rows in order and the table's field sizes.
TEST(ValidOptionsTable, LoadsTheShippedFile) {
  const std::string saved = ContentFolder();
  SetContentFolder(ZENTOR_WWWROOT);
  TIWUserSession s;
  SetContentFolder(saved);
  EXPECT_EQ(s.FDBatchMoveTextReader1.FileName, std::string(ZENTOR_WWWROOT) + "/files/ValidOptions.csv");
  EXPECT_EQ(s.FDMemTable1.RecordCount(), 0);  // empty until something needs it

  EXPECT_EQ(s.FDBatchMove1.Execute(), 7);
  ASSERT_EQ(s.FDMemTable1.FieldCount(), 17);
  EXPECT_EQ(s.FDMemTable1.FieldByName("Model").Size(), 11);
  EXPECT_EQ(s.FDMemTable1.FieldByName("Link").Size(), 77);
  s.FDMemTable1.SetRecNo(3);
  EXPECT_EQ(s.FDMemTable1.FieldByName("Division").AsString(), "V");
  EXPECT_EQ(s.FDMemTable1.FieldByName("Model").AsString(), "ZR-240HP");
  EXPECT_EQ(s.FDMemTable1.FieldByName("P1Max").AsLargeInt(), 6000);
  EXPECT_EQ(s.FDMemTable1.FieldByName("Size32").AsLargeInt(), 1);
  EXPECT_EQ(s.FDMemTable1.FieldByName("Link").AsString(),
            "https://example.com/datasheets/zr-240hp.pdf");

  // Loading again replaces the rows instead of adding to them.
  EXPECT_EQ(s.FDBatchMove1.Execute(), 7);
  EXPECT_EQ(s.FDMemTable1.RecordCount(), 7);
}

TEST(ValidOptionsTable, MissingFileRaisesAndLeavesTheTableEmpty) {
  const std::string saved = ContentFolder();
  SetContentFolder("/nonexistent-content-folder");
  TIWUserSession s;
  SetContentFolder(saved);
  EXPECT_THROW(s.FDBatchMove1.Execute(), rt::EFOpenError);
  EXPECT_EQ(s.FDMemTable1.RecordCount(), 0);
}

} // namespace
