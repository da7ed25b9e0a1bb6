#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

struct HeaderCase {
  const char* name;
  std::uint16_t signature = 0x482B;
  std::uint16_t version = 4;
  std::uint32_t blockSize = 4096;
  std::uint32_t totalBlocks = 1000;
  std::uint32_t freeBlocks = 900;
  std::uint32_t journalInfoBlock = 0;
  std::uint32_t catalogBlocks = 10;
  std::uint64_t catalogLogicalSize = 40960;
  std::size_t bufferSize = 512;
  bool valid = true;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::uint8_t> HeaderBytes(const HeaderCase& c) {
  std::vector<std::uint8_t> bytes(c.bufferSize, 0);
  FieldWriter w(bytes);
  w.be16(0, c.signature);
  w.be16(2, c.version);
  w.be32(12, c.journalInfoBlock);
  w.be32(40, c.blockSize);
  w.be32(44, c.totalBlocks);
  w.be32(48, c.freeBlocks);
  w.be64(272, c.catalogLogicalSize);
  w.be32(284, c.catalogBlocks);
  return bytes;
}

class HeaderRules : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderRules, Validity) {
  EXPECT_EQ(CHFSPlusVolume::IsValidVolumeHeader(HeaderBytes(GetParam())), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderRules,
    ::testing::Values(HeaderCase{.name = "plain"}, HeaderCase{.name = "hfsx", .signature = 0x4858, .version = 5},
                      HeaderCase{.name = "hfs", .signature = 0x4244, .valid = false},
                      HeaderCase{.name = "version16", .version = 16},
                      HeaderCase{.name = "version17", .version = 17, .valid = false},
                      HeaderCase{.name = "block0", .blockSize = 0, .catalogLogicalSize = 0, .valid = false},
                      HeaderCase{.name = "block256", .blockSize = 256, .catalogLogicalSize = 2560, .valid = false},
                      HeaderCase{.name = "block1536", .blockSize = 1536, .catalogLogicalSize = 15360, .valid = false},
                      HeaderCase{.name = "block512", .blockSize = 512, .catalogLogicalSize = 5120},
                      HeaderCase{.name = "block65536", .blockSize = 65536, .catalogLogicalSize = 655360},
                      HeaderCase{.name = "tooManyFree", .freeBlocks = 1001, .valid = false},
                      HeaderCase{.name = "allFree", .freeBlocks = 1000},
                      HeaderCase{.name = "journalPastEnd", .journalInfoBlock = 1001, .valid = false},
                      HeaderCase{.name = "catalogShort", .catalogLogicalSize = 40959, .valid = false},
                      HeaderCase{.name = "catalogLong", .catalogLogicalSize = 40961, .valid = false},
                      HeaderCase{.name = "shortBuffer", .bufferSize = 511, .valid = false}),
    [](const auto& test) { return std::string(test.param.name); });

struct GeometryCase {
  std::uint32_t blockSize;
  std::uint32_t sectorSize;
  std::optional<std::uint32_t> sectorsPerBlock;
};

void PrintTo(const GeometryCase& c, std::ostream* os) { *os << c.blockSize << " on " << c.sectorSize; }

class BlockGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(BlockGeometry, NeverZeroSectorsPerBlock) {
  const auto& c = GetParam();
  EXPECT_EQ(CHFSPlusVolume::SectorsPerBlock(c.blockSize, c.sectorSize), c.sectorsPerBlock);
}

INSTANTIATE_TEST_SUITE_P(Cases, BlockGeometry,
                         ::testing::Values(GeometryCase{4096, 512, 8}, GeometryCase{512, 512, 1},
                                           GeometryCase{4096, 4096, 1}, GeometryCase{8192, 4096, 2},
                                           GeometryCase{512, 4096, std::nullopt},
                                           GeometryCase{2048, 4096, std::nullopt},
                                           GeometryCase{4096, 0, std::nullopt}));

}  // namespace
}  // namespace quellsy::test
