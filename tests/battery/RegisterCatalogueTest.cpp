#include "battery/RegisterCatalogue.h"

#include <gtest/gtest.h>

#include <set>

#include "tests/support/FakeRowControls.h"
#include "tests/support/QtPrinters.h"

namespace {

class RegisterCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override { catalogue.BuildCatalogue(controls); }
  FakeRowControlsSource controls;
  RegisterCatalogue catalogue;
};

TEST_F(RegisterCatalogueTest, CommandCodesRunInRowOrderAndSkipTheThreeUnusedCodes) {
  ASSERT_EQ(catalogue.RowCount(), 33);
  std::set<int> codes;
  for (int row = 0; row < 33; ++row) {
    const int code = catalogue.CommandCode(row);
    EXPECT_EQ(code, row <= 28 ? row : row + 3) << "row " << row;
    codes.insert(code);
  }
  EXPECT_EQ(codes.size(), 33u);
  for (int unused : {0x1D, 0x1E, 0x1F}) EXPECT_EQ(codes.count(unused), 0u);
  EXPECT_EQ(catalogue.RegisterName(28), "SerialNumber");
  EXPECT_EQ(catalogue.CommandCode(28), 0x1C);
  EXPECT_EQ(catalogue.RegisterName(29), "ManufacturerName");
  EXPECT_EQ(catalogue.CommandCode(29), 0x20);
}

TEST_F(RegisterCatalogueTest, TransactionKindFollowsTheUnitLabelCaptionExactly) {
  for (int row = 0; row < 33; ++row) {
    const TransactionKind expected = row >= 29 && row <= 31 ? TransactionKind::String
                                     : row == 32            ? TransactionKind::Block
                                                            : TransactionKind::Word;
    EXPECT_EQ(catalogue.TransactionKindOf(row), expected) << "row " << row;
  }
  EXPECT_EQ(catalogue.TransactionKindOf(7), TransactionKind::Word);  // "T/F"
  // The caption is read at the moment of asking, and compared case-sensitively.
  controls.Row(29).unitCaption = "String";
  EXPECT_EQ(catalogue.TransactionKindOf(29), TransactionKind::Word);
  EXPECT_EQ(catalogue.UnitClass(29), "String");
}

TEST_F(RegisterCatalogueTest, OnlyTheFirstFiveRowsAreWritable) {
  for (int row = 0; row < 33; ++row) EXPECT_EQ(catalogue.IsWritable(row), row < 5) << row;
}

TEST_F(RegisterCatalogueTest, BuildingTicksEveryRowAndKeepsInitialTexts) {
  for (int row = 0; row < 33; ++row) {
    EXPECT_TRUE(catalogue.IsSelected(row));
    EXPECT_TRUE(catalogue.IsEnabled(row));
  }
  EXPECT_EQ(catalogue.DataText(0), "0000");
  EXPECT_EQ(catalogue.DataText(2), "10");
  EXPECT_EQ(catalogue.DataText(5), "");
}

TEST_F(RegisterCatalogueTest, RowTwentySevenShowsManufactureDateBesideItsManufacturerDateStem) {
  EXPECT_EQ(catalogue.RegisterName(27), "ManufactureDate");
  EXPECT_STREQ(RegisterTable()[27].controlStem, "ManufacturerDate");
  catalogue.SetDataText(27, "2B21");
  EXPECT_EQ(controls.rows.at("ManufacturerDate").data, "2B21");
}

TEST_F(RegisterCatalogueTest, SetModeEnablesPerModeAndNeverChangesATick) {
  catalogue.SetSelected(7, false);
  controls.Row(12).unitLabelEnabled = false;
  catalogue.SetMode(ScanMode::Write);
  for (int row = 0; row < 33; ++row) {
    EXPECT_EQ(catalogue.IsEnabled(row), row < 5) << row;
    EXPECT_TRUE(controls.Row(row).unitLabelEnabled) << row;
    EXPECT_EQ(catalogue.IsSelected(row), row != 7) << row;
  }
  catalogue.SetMode(ScanMode::Read);
  for (int row = 0; row < 33; ++row) {
    EXPECT_TRUE(catalogue.IsEnabled(row));
    EXPECT_EQ(catalogue.IsSelected(row), row != 7);
  }
}

TEST_F(RegisterCatalogueTest, SelectAllReachesDisabledRows) {
  catalogue.SetMode(ScanMode::Write);
  catalogue.SelectAll(false);
  for (int row = 0; row < 33; ++row) EXPECT_FALSE(catalogue.IsSelected(row));
  catalogue.SelectAll(true);
  for (int row = 0; row < 33; ++row) EXPECT_TRUE(catalogue.IsSelected(row));
}

TEST_F(RegisterCatalogueTest, NoRowThirtyThree) {
  EXPECT_THROW(catalogue.SetDataText(kNoRow, "x"), std::out_of_range);
  EXPECT_THROW(catalogue.CommandCode(-1), std::out_of_range);
}

TEST(UnitClassTest, ThirteenClassesEachWithItsHint) {
  const std::set<QString> classes = [] {
    std::set<QString> found;
    for (const auto& def : RegisterTable()) found.insert(QString::fromLatin1(def.unitClass));
    return found;
  }();
  EXPECT_EQ(classes.size(), std::size_t{kUnitClassCount});
  for (const QString& unitClass : classes) EXPECT_FALSE(UnitClassHint(unitClass).isEmpty());
  EXPECT_EQ(UnitClassHint("0.1 degK"), "0.1 degrees Kelvin");
  EXPECT_EQ(UnitClassHint("T/F"), "FALSE = 0, TRUE != FALSE");
  EXPECT_EQ(UnitClassHint("#h"), "");
}

TEST(RegisterTableTest, HintsThatUsersSeeLetterForLetter) {
  const auto& table = RegisterTable();
  EXPECT_STREQ(table[4].dataHint,
               "Sets charge or discharge rate for AtRateTimeToFull, AtRateTimeToEmpty, and "
               "AtRateOK functions.  Specified in milliamp if BatteryMode.CAPACITY_MODE bit = 0, "
               "else 10milliwatts.");
  EXPECT_STREQ(table[27].dataHint, "Date the cell pack was manufactured");
  EXPECT_STREQ(table[0].dataHint, table[32].dataHint);
}

}  // namespace
