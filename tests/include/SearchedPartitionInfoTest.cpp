#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "include/SearchPartitionInfoStruct.h"

namespace {

TEST(SearchedPartitionInfo, SectorSizeRuleAndDefaults) {
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {
      {0, 512}, {1000, 512}, {256, 512}, {512, 512}, {1024, 1024}, {4096, 4096}, {4097, 512}};
  for (const auto& [given, kept] : cases) {
    EXPECT_EQ(CSearchedPartitionInfo(given).GetBytesPerSector(), kept) << given;
    CSearchedPartitionInfo info;
    info.SetBytesPerSector(given);
    EXPECT_EQ(info.GetBytesPerSector(), kept) << given;
  }
  const CSearchedPartitionInfo info(4096);
  EXPECT_EQ(info.GetType(), 4);
  EXPECT_EQ(info.GetPartitionIndex(), 0xFFFF);
  EXPECT_EQ(info.GetFileSystemType(), FILE_SYSTEM_UNKNOWN);
  EXPECT_EQ(info.GetFlag(), 1u);
  EXPECT_EQ(info.GetTotalSectors(), 0u);
  EXPECT_EQ(info.GetOrderKey(), 0.0);

  // The same defaults as the scan-result file stores them, laid out by hand (96-99 are never set, so skipped).
  std::array<std::uint8_t, CSearchedPartitionInfo::kStoredSize> image;
  image.fill(0xEE);
  ASSERT_TRUE(info.WriteStoredImage(image));
  std::array<std::uint8_t, 104> expected{};
  expected[16] = 0xFF;  // partition index 0xFFFF
  expected[17] = 0xFF;
  expected[20] = 10;  // file-system type unknown
  expected[65] = 0x10;  // 4096 bytes per sector
  expected[80] = 1;  // flag word
  for (std::size_t offset = 8; offset < 104; ++offset) {
    if (offset < 96 || offset >= 100) {
      EXPECT_EQ(image[offset], expected[offset]) << "byte " << offset;
    }
  }
}

CSearchedPartitionInfo Filled() {
  CSearchedPartitionInfo info(4096);
  info.SetPrivateData(0x0102030405060708ull);
  info.SetPartitionIndex(0x1122);
  info.SetFileSystemType(FILE_SYSTEM_HFSPLUS);
  info.SetSectorsPerCluster(64);
  info.SetClusterOrigin(-3);
  info.SetStartSector(0x7766554433221100ll);
  info.SetFirstCounter(17);
  info.SetSecondCounter(-18);
  info.SetTotalSectors(0xA0B0C0D0E0F00010ull);
  info.SetFlag(0xFEDCBA9876543210ull);
  info.SetOrderKey(1.0);
  info.SetTrailingValue(0xCAFEBABE);
  return info;
}

TEST(SearchedPartitionInfo, StoredImageIsLittleEndianAtFixedOffsets) {
  std::array<std::uint8_t, CSearchedPartitionInfo::kStoredSize> image;
  ASSERT_EQ(image.size(), 104u) << "the scan-result file stores 104 bytes a record";
  image.fill(0xEE);
  ASSERT_TRUE(Filled().WriteStoredImage(image));
  const std::array<std::uint8_t, CSearchedPartitionInfo::kStoredSize> expected = {
      0, 0, 0, 0, 0, 0, 0, 0,                                  // no meaning
      0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,          // 8 searcher value
      0x22, 0x11, 0, 0,                                        // 16 partition index
      8, 0, 0, 0,                                              // 20 file-system type
      64, 0, 0, 0, 0, 0, 0, 0,                                 // 24 sectors per cluster
      0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,          // 32 origin -3
      0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,          // 40 first sector
      17, 0, 0, 0, 0, 0, 0, 0,                                 // 48
      0xEE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,          // 56 -18
      0x00, 0x10, 0, 0,                                        // 64 bytes per sector
      0, 0, 0, 0,                                              // 68
      0x10, 0x00, 0xF0, 0xE0, 0xD0, 0xC0, 0xB0, 0xA0,          // 72 sectors
      0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,          // 80 flag
      0, 0, 0, 0, 0, 0, 0xF0, 0x3F,                            // 88 1.0
      0xBE, 0xBA, 0xFE, 0xCA,                                  // 96
      0, 0, 0, 0,                                              // 100
  };
  EXPECT_EQ(image, expected);

  // Read back into a fresh record and written again: the same bytes.
  CSearchedPartitionInfo restored;
  ASSERT_TRUE(restored.ReadStoredImage(image));
  std::array<std::uint8_t, CSearchedPartitionInfo::kStoredSize> again{};
  ASSERT_TRUE(restored.WriteStoredImage(again));
  EXPECT_EQ(again, image);
  EXPECT_EQ(restored.GetStartSector(), 0x7766554433221100ll);
  EXPECT_EQ(restored.GetOrderKey(), 1.0);

  std::unique_ptr<CSearchedPartitionInfo> clone(restored.Clone());
  ASSERT_NE(clone, nullptr);
  std::array<std::uint8_t, CSearchedPartitionInfo::kStoredSize> cloned{};
  ASSERT_TRUE(clone->WriteStoredImage(cloned));
  EXPECT_EQ(cloned, image);
}

TEST(SearchedPartitionInfo, ShortOrInsaneImages) {
  std::array<std::uint8_t, CSearchedPartitionInfo::kStoredSize> image{};
  ASSERT_TRUE(Filled().WriteStoredImage(image));
  CSearchedPartitionInfo info(1024);
  EXPECT_FALSE(info.ReadStoredImage(std::span<const std::uint8_t>(image).first(103)));
  EXPECT_EQ(info.GetBytesPerSector(), 1024u) << "a short image changes nothing";
  std::array<std::uint8_t, 103> small{};
  EXPECT_FALSE(info.WriteStoredImage(small));

  image[64] = 0;
  image[65] = 0;  // bytes per sector 0
  ASSERT_TRUE(info.ReadStoredImage(image));
  EXPECT_EQ(info.GetBytesPerSector(), 512u);
  EXPECT_EQ(info.GetPartitionIndex(), 0x1122);
}

}  // namespace
