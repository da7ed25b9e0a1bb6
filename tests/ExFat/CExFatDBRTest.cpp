// The boot-sector test: hand-built sectors varied one field at a time, and the sectors mkfs.exfat writes.

#include "ExFat/CExFatDBR.h"

#include <gtest/gtest.h>

#include <functional>

#include "ExFatTestBytes.h"
#include "support/MemoryDevice.h"
#include "support/fixtures/ExFatImages.h"

namespace quellsy::test {
namespace {

using namespace exfatbytes;

struct BootCase {
  const char* name;
  std::function<void(BootFields&, Bytes&)> change;
  std::uint32_t sectorSize;
  bool valid;
};

void Fields(BootFields&, Bytes&) {}

void PrintTo(const BootCase& c, std::ostream* os) { *os << c.name; }

class ExFatBootSectorCases : public testing::TestWithParam<BootCase> {};

TEST_P(ExFatBootSectorCases, IsValidAnswersAsWorkedOut) {
  const BootCase& c = GetParam();
  BootFields fields;
  Bytes scratch;
  c.change(fields, scratch);
  Bytes sector = BootSector(fields);
  // A second pass lets a case damage the bytes themselves.
  c.change(fields, sector);
  EXPECT_EQ(CExFatDBR(sector).IsValid(c.sectorSize), c.valid);
}

// cluster count 10, cluster shift 3, heap 100: the last cluster ends at sector 100 + 9 x 8 + 8 - 8 = 172.
void TenClusters(BootFields& f, std::uint64_t volume) {
  f.clusterCount = 10;
  f.clusterShift = 3;
  f.heapOffset = 100;
  f.fatOffset = 24;
  f.fatLength = 8;
  f.volumeSectors = volume;
}

// 4 KiB sectors, a few clusters of 2^shift sectors that fit the volume.
void LargeClusters(BootFields& f, std::uint8_t shift) {
  f.sectorShift = 12;
  f.clusterShift = shift;
  f.clusterCount = 4;
  f.volumeSectors = 64 + (std::uint64_t{4} << shift);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ExFatBootSectorCases,
    testing::Values(
        BootCase{"Plain", Fields, 512, true},
        BootCase{"Shift9On4096Device", Fields, 4096, false},
        BootCase{"Shift12On4096Device", [](BootFields& f, Bytes&) { f.sectorShift = 12; }, 4096, true},
        BootCase{"Shift12On512Device", [](BootFields& f, Bytes&) { f.sectorShift = 12; }, 512, false},
        BootCase{"Shift8", [](BootFields& f, Bytes&) { f.sectorShift = 8; }, 256, false},
        BootCase{"Shifts12And13", [](BootFields& f, Bytes&) { LargeClusters(f, 13); }, 4096, true},
        BootCase{"Shifts12And14", [](BootFields& f, Bytes&) { LargeClusters(f, 14); }, 4096, false},
        BootCase{"NoFats", [](BootFields& f, Bytes&) { f.fats = 0; }, 512, false},
        BootCase{"TwoFats", [](BootFields& f, Bytes&) { f.fats = 2; }, 512, true},
        BootCase{"ThreeFats", [](BootFields& f, Bytes&) { f.fats = 3; }, 512, false},
        BootCase{"RootCluster1", [](BootFields& f, Bytes&) { f.rootCluster = 1; }, 512, false},
        BootCase{"NoClusters", [](BootFields& f, Bytes&) { f.clusterCount = 0; }, 512, false},
        BootCase{"FatLength0", [](BootFields& f, Bytes&) { f.fatLength = 0; }, 512, false},
        BootCase{"FatOffset0", [](BootFields& f, Bytes&) { f.fatOffset = 0; }, 512, false},
        BootCase{"FatRunsIntoHeap", [](BootFields& f, Bytes&) { f.fatLength = 41; }, 512, false},
        BootCase{"FatEndsAtHeap", [](BootFields& f, Bytes&) { f.fatLength = 40; }, 512, true},
        BootCase{"TenClustersFit172", [](BootFields& f, Bytes&) { TenClusters(f, 172); }, 512, true},
        BootCase{"TenClustersMiss171", [](BootFields& f, Bytes&) { TenClusters(f, 171); }, 512, false},
        BootCase{"HeapPastVolume", [](BootFields& f, Bytes&) { f.volumeSectors = 63; }, 512, false},
        BootCase{"NonZeroInZeroArea", [](BootFields&, Bytes& b) { if (!b.empty()) b[40] = 1; }, 512, false},
        BootCase{"WrongName", [](BootFields&, Bytes& b) { if (!b.empty()) b[3] = 'e'; }, 512, false},
        BootCase{"NoSignature", [](BootFields&, Bytes& b) { if (!b.empty()) b[511] = 0; }, 512, false}),
    [](const testing::TestParamInfo<BootCase>& param) { return std::string(param.param.name); });

TEST(ExFatBootSector, AShortSpanIsNeverValid) {
  const Bytes sector = BootSector({});
  EXPECT_FALSE(CExFatDBR(std::span(sector).first(300)).IsValid(512));
}

TEST(ExFatBootSector, FieldsOfTheSectorsMkfsWrites) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  for (const char* name : {"exfat.img", "sectors4k.img", "smallclusters.img"}) {
    SCOPED_TRACE(name);
    const ExFatManifest manifest = images->Manifest(name);
    const std::uint32_t sectorSize = std::stoul(manifest.facts.at("sector-size"));
    const std::uint32_t clusterBytes = std::stoul(manifest.facts.at("cluster-bytes"));
    const Bytes bytes = ReadFile(images->Image(name));
    const CExFatDBR dbr(bytes);
    EXPECT_TRUE(dbr.IsValid(sectorSize));
    EXPECT_FALSE(dbr.IsValid(sectorSize == 512 ? 4096 : 512));
    EXPECT_EQ(dbr.GetBytePerSector(), sectorSize);
    EXPECT_EQ(dbr.GetBytePerSector() * dbr.GetSectorsperCluster(), clusterBytes);
    EXPECT_EQ(dbr.GetTotalSectors() * sectorSize, bytes.size());
    EXPECT_EQ(dbr.GetFileSystemType(), FILE_SYSTEM_EXFAT);
    EXPECT_EQ(dbr.GetNumberOfFat(), 1u);
  }
}

}  // namespace
}  // namespace quellsy::test
