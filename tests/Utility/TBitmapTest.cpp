#include "Utility/TBitmap.h"

#include <gtest/gtest.h>

namespace {

TEST(TBitmap, TenBitsTakeTwoBytesAndSettingStopsAtTheLastBit) {
  TBitmap bitmap;
  EXPECT_EQ(bitmap.GetBitmapData(), nullptr);
  ASSERT_EQ(bitmap.CreateBitmap(10, 8), 1);
  EXPECT_EQ(bitmap.GetBitmapSize(), 2u);
  EXPECT_EQ(bitmap.GetMaxBitIndex(), 9);
  EXPECT_EQ(bitmap.GetUnit(), 8u);

  EXPECT_EQ(bitmap.SetBit(8, 1, 5), 1);
  EXPECT_EQ(bitmap.GetBitmapData()[0], 0x00);
  EXPECT_EQ(bitmap.GetBitmapData()[1], 0x03);  // least significant bit first
  EXPECT_NE(bitmap.GetBit(8), 0);
  EXPECT_NE(bitmap.GetBit(9), 0);
  EXPECT_EQ(bitmap.GetBit(7), 0);

  EXPECT_EQ(bitmap.SetBit(10, 1, 1), 0);
  EXPECT_EQ(bitmap.GetBit(10), 0);
  EXPECT_EQ(bitmap.SetBit(-1, 1, 1), 0);
  EXPECT_EQ(bitmap.GetBit(-1), 0);
  EXPECT_EQ(bitmap.SetBit(3, 1, 0), 1);
  EXPECT_EQ(bitmap.GetBit(3), 0);
}

TEST(TBitmap, GetBitAnswersTheMaskOfTheBit) {
  TBitmap bitmap;
  ASSERT_EQ(bitmap.CreateBitmap(16, 1), 1);
  bitmap.SetBit(5, 1, 1);
  EXPECT_EQ(bitmap.GetBit(5), 0x20);
}

TEST(TBitmap, SetAndClearRangesMatchABitByBitModel) {
  TBitmap bitmap;
  ASSERT_EQ(bitmap.CreateBitmap(203, 1), 1);
  std::vector<bool> model(203, false);
  struct Op {
    long long first;
    int value;
    unsigned count;
  };
  const Op ops[] = {{0, 1, 203}, {3, 0, 1}, {5, 0, 70}, {64, 1, 3}, {100, 0, 500}, {101, 1, 17}, {7, 1, 1}, {8, 0, 8}};
  for (const auto& op : ops) {
    ASSERT_EQ(bitmap.SetBit(op.first, op.value, op.count), 1);
    for (long long i = op.first; i < std::min<long long>(203, op.first + op.count); ++i) model[i] = op.value != 0;
    for (long long i = 0; i < 203; ++i) ASSERT_EQ(bitmap.GetBit(i) != 0, model[i]) << "bit " << i << " after " << op.first;
  }
}

TEST(TBitmap, FailedCreateKeepsTheOldArrayAndDestroyKeepsTheUnit) {
  TBitmap bitmap;
  ASSERT_EQ(bitmap.CreateBitmap(10, 8), 1);
  bitmap.SetBit(2, 1, 1);
  unsigned char* array = bitmap.GetBitmapData();
  EXPECT_EQ(bitmap.CreateBitmap(0, 1), 0);
  EXPECT_EQ(bitmap.CreateBitmap(-5, 1), 0);
  EXPECT_EQ(bitmap.CreateBitmap(1LL << 40, 1), 0);  // would need 128 GiB
  EXPECT_EQ(bitmap.GetBitmapData(), array);
  EXPECT_NE(bitmap.GetBit(2), 0);
  EXPECT_EQ(bitmap.GetUnit(), 8u);

  EXPECT_EQ(bitmap.DestroyBitmap(), 1);
  EXPECT_EQ(bitmap.GetBitmapData(), nullptr);
  EXPECT_EQ(bitmap.GetBitmapSize(), 0u);
  EXPECT_EQ(bitmap.GetMaxBitIndex(), 0);
  EXPECT_EQ(bitmap.GetUnit(), 8u);
  EXPECT_EQ(bitmap.GetBit(0), 0);
}

}  // namespace
