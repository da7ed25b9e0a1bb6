#include "NTFSLib/CNTFSDBR.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace quellsy::test {
namespace {

// A boot sector written field by field: 512-byte sectors, 8 sectors per cluster, 1024-byte records (0xF6).
std::vector<std::uint8_t> BootSector() {
  std::vector<std::uint8_t> s(512, 0);
  std::memcpy(s.data() + 3, "NTFS    ", 8);
  s[0x0B] = 0x00;
  s[0x0C] = 0x02;
  s[0x0D] = 8;
  s[0x15] = 0xF8;
  s[0x28] = 0x00;
  s[0x29] = 0x80;  // 32768 sectors
  s[0x30] = 4;     // $MFT at cluster 4
  s[0x38] = 0x00;
  s[0x39] = 0x08;  // $MFTMirr at cluster 2048
  s[0x40] = 0xF6;
  for (int i = 0; i < 8; ++i) s[0x48 + i] = static_cast<std::uint8_t>(0x11 * (i + 1));
  s[0x1FE] = 0x55;
  s[0x1FF] = 0xAA;
  return s;
}

using Writes = std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>>;

struct BootCase {
  const char* what;
  Writes writes;  // bytes written over the sector above
  bool valid;
  std::uint32_t sectorsPerCluster;  // when valid
  std::uint32_t recordSize;         // when valid
};

void PrintTo(const BootCase& c, std::ostream* os) { *os << c.what; }

class BootSectorCases : public ::testing::TestWithParam<BootCase> {};

TEST_P(BootSectorCases, FullTestAndGeometry) {
  const auto& c = GetParam();
  auto sector = BootSector();
  for (const auto& [offset, bytes] : c.writes)
    std::copy(bytes.begin(), bytes.end(), sector.begin() + static_cast<std::ptrdiff_t>(offset));
  EXPECT_EQ(CNTFSDBR::IsFullValidDBR(sector), c.valid);
  CNTFSDBR boot;
  EXPECT_EQ(boot.InitFromBuffer(sector), c.valid);
  if (!c.valid) return;
  EXPECT_EQ(boot.GetSectorsperCluster(), c.sectorsPerCluster);
  EXPECT_EQ(boot.GetFileRecordSizeByByte(), c.recordSize);
}

// Record sizes: 0xF6 is 2^10; a positive byte counts clusters (8 x 512 bytes each here).
INSTANTIATE_TEST_SUITE_P(
    Cases, BootSectorCases,
    ::testing::Values(
        BootCase{"as written", {}, true, 8, 1024},
        BootCase{"128 sectors per cluster (0x80)", {{0x0D, {0x80}}}, true, 128, 1024},
        BootCase{"3 sectors per cluster", {{0x0D, {0x03}}}, false, 0, 0},
        BootCase{"0xFF sectors per cluster", {{0x0D, {0xFF}}}, false, 0, 0},
        BootCase{"0 sectors per cluster", {{0x0D, {0x00}}}, false, 0, 0},
        BootCase{"2 MiB clusters as 4096 sectors (0xF4)", {{0x0D, {0xF4}}}, true, 4096, 1024},
        BootCase{"4 MiB clusters (0xF3)", {{0x0D, {0xF3}}}, false, 0, 0},
        BootCase{"2 MiB clusters of 4096-byte sectors (0xF7)", {{0x0B, {0x00, 0x10}}, {0x0D, {0xF7}}, {0x40, {0xF4}}},
                 true, 512, 4096},
        BootCase{"16 MiB clusters of 4096-byte sectors (0xF4)", {{0x0B, {0x00, 0x10}}, {0x0D, {0xF4}}, {0x40, {0xF4}}},
                 false, 0, 0},
        BootCase{"media descriptor does not matter", {{0x15, {0x00}}}, true, 8, 1024},
        BootCase{"identifier", {{3, {'N', 'T', 'F', 'S', '!'}}}, false, 0, 0},
        BootCase{"bytes per sector 0", {{0x0B, {0x00, 0x00}}}, false, 0, 0},
        BootCase{"bytes per sector 520", {{0x0B, {0x08, 0x02}}}, false, 0, 0},
        BootCase{"reserved sectors", {{0x0E, {0x01}}}, false, 0, 0},
        BootCase{"FAT field at 0x10", {{0x10, {0x02}}}, false, 0, 0},
        BootCase{"sectors per FAT", {{0x17, {0x01}}}, false, 0, 0},
        BootCase{"large sector count", {{0x22, {0x01}}}, false, 0, 0},
        BootCase{"signature", {{0x1FE, {0x55, 0xAB}}}, false, 0, 0},
        BootCase{"4096-byte records (0xF4)", {{0x40, {0xF4}}}, true, 8, 4096},
        BootCase{"512-byte records (0xF7)", {{0x40, {0xF7}}}, true, 8, 512},
        BootCase{"8192-byte records (0xF3)", {{0x40, {0xF3}}}, false, 0, 0},
        BootCase{"2^32-byte records wrap to 1 (0xE0)", {{0x40, {0xE0}}}, false, 0, 0},
        BootCase{"record byte 0 means 1024", {{0x40, {0x00}}}, true, 8, 1024},
        BootCase{"one 4 KiB cluster per record", {{0x40, {0x01}}}, true, 8, 4096},
        BootCase{"two 4 KiB clusters per record", {{0x40, {0x02}}}, false, 0, 0},
        BootCase{"1024-byte records on 4096-byte sectors", {{0x0B, {0x00, 0x10}}}, false, 0, 0},
        BootCase{"4096-byte sectors, clusters and records", {{0x0B, {0x00, 0x10}}, {0x0D, {0x01}}, {0x40, {0x01}}},
                 true, 1, 4096}));

TEST(CNTFSDBR, FieldsAsWritten) {
  CNTFSDBR boot;
  ASSERT_TRUE(boot.InitFromBuffer(BootSector()));
  EXPECT_EQ(boot.GetTotalSectors(), 32768);
  EXPECT_EQ(boot.GetMFTStartCluster(), 4);
  EXPECT_EQ(boot.GetMFTMirrorStartCluster(), 2048);
  EXPECT_EQ(boot.GetSerialNumber(), 0x8877665544332211ull);
  EXPECT_EQ(boot.GetFileSystemID(), 0x202020205346544Eull);  // "NTFS    " read little-endian
  EXPECT_EQ(boot.GetBytesPerSector(), 512);
}

TEST(CNTFSDBR, ShortBuffersAndIdentifierOnly) {
  const auto sector = BootSector();
  EXPECT_FALSE(CNTFSDBR::IsFullValidDBR(quellsy::ByteSpan(sector).first(511)));
  EXPECT_TRUE(CNTFSDBR::IsValidDBR(quellsy::ByteSpan(sector).first(11)));
  EXPECT_FALSE(CNTFSDBR::IsValidDBR(quellsy::ByteSpan(sector).first(10)));
}

}  // namespace
}  // namespace quellsy::test
