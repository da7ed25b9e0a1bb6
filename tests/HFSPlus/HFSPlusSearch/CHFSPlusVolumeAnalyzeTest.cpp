// The HFS+ volume probe on headers placed at the offsets each sector size puts them.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "HFSPlus/HFSPlusSearch/CHFSPlusVolumeAnalyze.h"
#include "Utility/ByteReader.h"
#include "support/MemoryDevice.h"
#include "support/hfsplus/SparseImage.h"

namespace quellsy::test {
namespace {

// A header that passes the test: signature, block size, a catalog of 10 blocks of exactly 10 x blockSize bytes.
std::vector<std::uint8_t> Header(std::uint16_t signature, std::uint32_t blockSize, std::uint32_t totalBlocks) {
  std::vector<std::uint8_t> h(512, 0);
  FieldWriter w(h);
  w.be16(0, signature);
  w.be16(2, 4);
  w.be32(40, blockSize);
  w.be32(44, totalBlocks);
  w.be32(48, totalBlocks / 2);
  w.be64(272, std::uint64_t{10} * blockSize);
  w.be32(272 + 12, 10);
  return h;
}

struct ProbeCase {
  const char* name;
  unsigned deviceSectorSize;  // as the device reports it (0: unknown, read as 512)
  std::uint64_t startSector;
  std::uint16_t signature;
  std::uint32_t blockSize;
  std::uint32_t totalBlocks;
  enumFILE_SYSTEM_TYPE type;
  unsigned long long totalSectors;
};

class HFSPlusVolumeProbe : public ::testing::TestWithParam<ProbeCase> {};

TEST_P(HFSPlusVolumeProbe, RecognisesTheHeaderAndItsSize) {
  const ProbeCase& c = GetParam();
  const unsigned sector = c.deviceSectorSize == 0 ? 512 : c.deviceSectorSize;
  auto image = std::make_shared<SparseImage>(c.startSector * sector + 16384);
  image->Write(c.startSector * sector + 1024, Header(c.signature, c.blockSize, c.totalBlocks));
  SparseDevice device(image, c.deviceSectorSize);
  std::unique_ptr<IVolumeAnalyze> probe(CreateHFSPlusVolumeAnalyze(&device, c.startSector));
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe->GetFileSystemType(), c.type);
  EXPECT_EQ(probe->GetTotalSector(), c.totalSectors);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HFSPlusVolumeProbe,
    ::testing::Values(
        // 1 000 000 blocks of 4096 bytes are 8 000 000 sectors of 512 and 1 000 000 of 4096.
        ProbeCase{"HFSPlusOn512", 512, 0, 0x482B, 4096, 1000000, FILE_SYSTEM_HFSPLUS, 8000000},
        ProbeCase{"HFSPlusOn4096", 4096, 0, 0x482B, 4096, 1000000, FILE_SYSTEM_HFSPLUS, 1000000},
        ProbeCase{"HFSXAtSector63", 512, 63, 0x4858, 4096, 1000000, FILE_SYSTEM_HFSPLUS, 8000000},
        ProbeCase{"SectorSizeReportedAsZero", 0, 8, 0x482B, 8192, 1000, FILE_SYSTEM_HFSPLUS, 16000},
        ProbeCase{"TwoKiBSectors", 2048, 1, 0x482B, 4096, 256, FILE_SYSTEM_HFSPLUS, 512},
        ProbeCase{"OtherSignature", 512, 0, 0x4244, 4096, 1000, FILE_SYSTEM_UNKNOWN, 0},
        ProbeCase{"BlockSizeNotAPowerOfTwo", 512, 0, 0x482B, 1536, 1000, FILE_SYSTEM_UNKNOWN, 0}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(HFSPlusVolumeProbe, NullDeviceAndUnreadableSectorAreNotRecognised) {
  std::unique_ptr<IVolumeAnalyze> none(CreateHFSPlusVolumeAnalyze(nullptr, 0));
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->GetFileSystemType(), FILE_SYSTEM_UNKNOWN);
  MemoryDevice tiny(std::vector<std::uint8_t>(1024, 0), 512);
  std::unique_ptr<IVolumeAnalyze> past(CreateHFSPlusVolumeAnalyze(&tiny, 0));
  EXPECT_EQ(past->GetFileSystemType(), FILE_SYSTEM_UNKNOWN);
  EXPECT_EQ(past->GetTotalSector(), 0u);
}

TEST(HFSPlusVolumeProbe, LabelIsAlwaysEmpty) {
  std::unique_ptr<IVolumeAnalyze> probe(CreateHFSPlusVolumeAnalyze(nullptr, 0));
  std::vector<char> buffer(300, 'x');
  probe->GetLabel(buffer.data(), 0);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 'x'), 300);
  probe->GetLabel(buffer.data(), 7);
  EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + 7, '\0'), 7);
  EXPECT_EQ(buffer[7], 'x');
  probe->GetLabel(buffer.data(), 200);
  EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + 100, '\0'), 100);
  EXPECT_EQ(buffer[100], 'x');
}

}  // namespace
}  // namespace quellsy::test
