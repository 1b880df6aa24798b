#include "hostlib/TMDataSet.h"

#include <gtest/gtest.h>

#include "hostlib/Exceptions.h"

namespace {
struct Goods : ::testing::Test {
  TMDataSet ds;
  int plu, name, price, when;
  void SetUp() override {
    plu = ds.AddField("plu", TMFieldType::Integer);
    name = ds.AddField("nazwa", TMFieldType::Text);
    price = ds.AddField("cena", TMFieldType::Decimal);
    when = ds.AddField("data", TMFieldType::DateTime);
    ds.Open();
  }
};
}  // namespace

TEST_F(Goods, ColumnsAreFoundByNameAndRowsStartWithDefaults) {
  EXPECT_EQ(ds.FieldIndex("nazwa"), 1);
  EXPECT_EQ(ds.FieldIndex("NAZWA"), -1);
  EXPECT_EQ(ds.FieldCount(), 4);
  EXPECT_TRUE(ds.Active());
  int row = ds.Append();
  EXPECT_EQ(row, 0);
  EXPECT_EQ(ds.GetInt(row, plu), 0);
  EXPECT_EQ(ds.GetText(row, name), "");
  EXPECT_DOUBLE_EQ(ds.GetDecimal(row, price), 0.0);
  EXPECT_DOUBLE_EQ(ds.GetDateTime(row, when), 0.0);
}

TEST_F(Goods, RowsKeepInsertionOrderAndInsertShiftsLaterRows) {
  for (int i = 0; i < 3; ++i) ds.SetInt(ds.Append(), plu, 10 + i);
  ds.Insert(1);
  ds.SetInt(1, plu, 99);
  ASSERT_EQ(ds.RecordCount(), 4);
  EXPECT_EQ(ds.GetInt(0, plu), 10);
  EXPECT_EQ(ds.GetInt(1, plu), 99);
  EXPECT_EQ(ds.GetInt(2, plu), 11);
  EXPECT_EQ(ds.GetInt(3, plu), 12);
  ds.Insert(4);
  EXPECT_EQ(ds.RecordCount(), 5);
  ds.DeleteAll();
  EXPECT_EQ(ds.RecordCount(), 0);
}

TEST_F(Goods, UpdatesAreKeptPerCell) {
  int row = ds.Append();
  ds.SetText(row, name, "Masło ekstra");
  ds.SetDecimal(row, price, 6.49);
  ds.SetDateTime(row, when, 46364.5);
  EXPECT_EQ(ds.GetText(row, name), "Masło ekstra");
  EXPECT_DOUBLE_EQ(ds.GetDecimal(row, price), 6.49);
  EXPECT_DOUBLE_EQ(ds.GetDateTime(row, when), 46364.5);
}

TEST_F(Goods, AccessOutsideTheTableOrOfAnotherTypeIsRefused) {
  ds.Append();
  EXPECT_THROW(ds.GetInt(1, plu), Exception);
  EXPECT_THROW(ds.GetInt(-1, plu), Exception);
  EXPECT_THROW(ds.GetInt(0, 7), Exception);
  EXPECT_THROW(ds.GetText(0, plu), Exception);
  EXPECT_THROW(ds.Insert(5), Exception);
  EXPECT_THROW(ds.AddField("x", TMFieldType::Integer), Exception);
}

TEST_F(Goods, ReservedRoomKeepsEveryCellAndMixedColumnsStaySeparate) {
  ds.Reserve(1000);
  for (int i = 0; i < 1000; ++i) {
    const int row = ds.Append();
    ds.SetInt(row, plu, i);
    ds.SetText(row, name, "towar " + std::to_string(i));
    ds.SetDecimal(row, price, i * 0.5);
  }
  ds.Insert(500);
  EXPECT_EQ(ds.RecordCount(), 1001);
  EXPECT_EQ(ds.GetInt(499, plu), 499);
  EXPECT_EQ(ds.GetInt(500, plu), plu);
  EXPECT_EQ(ds.GetText(500, name), "");
  EXPECT_EQ(ds.GetDecimal(500, price), 0.0);
  EXPECT_EQ(ds.GetInt(1000, plu), 999);
  EXPECT_EQ(ds.GetText(1000, name), "towar 999");
  EXPECT_EQ(ds.GetDecimal(1000, price), 499.5);
  ds.DeleteAll();
  EXPECT_EQ(ds.RecordCount(), plu);
  EXPECT_EQ(ds.GetText(ds.Append(), name), "");
}
