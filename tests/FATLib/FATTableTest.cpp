#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "FATLib/CDoubleFATTable.h"
#include "FATLib/CFAT12Table.h"
#include "FATLib/CFAT16Table.h"
#include "FATLib/CFAT32Table.h"
#include "FATLib/CFATTableAnalyser.h"
#include "FATLib/IFATTableFactory.h"
#include "FatImageHelpers.h"

namespace quellsy::test {
namespace {

constexpr long long kTableStart = 3;  // tables lie a few sectors into the device, so the start sector matters

// A device holding one table at kTableStart; entries not named are 0 (free).
struct SyntheticTable {
  std::uint32_t width;  // 2 or 4
  std::uint32_t sectors;
  std::map<std::uint32_t, std::uint32_t> entries;

  std::unique_ptr<MemoryDevice> Device() const {
    auto device = std::make_unique<MemoryDevice>(kTableStart + 2LL * sectors + 1, 512);
    std::vector<std::uint8_t> table(std::size_t{sectors} * 512, 0);
    FieldWriter w(table);
    if (width == 2) w.le32(0, 0xFFFFFFF8);
    if (width == 4) { w.le32(0, 0x0FFFFFF8); w.le32(4, 0x0FFFFFFF); }
    for (const auto& [index, value] : entries) {
      if (width == 2) w.le16(std::size_t{index} * 2, static_cast<std::uint16_t>(value));
      else w.le32(std::size_t{index} * 4, value);
    }
    device->Put(kTableStart * 512, table);
    return device;
  }
};

std::unique_ptr<IRealFATTable> Make(const SyntheticTable& t, MemoryDevice& device) {
  if (t.width == 2) return std::make_unique<CFAT16Table>(&device, kTableStart, t.sectors);
  return std::make_unique<CFAT32Table>(&device, kTableStart, t.sectors);
}

struct ChainCase {
  const char* name;
  // Fills entries; end and bad are the width's end-of-chain and bad-cluster values; count the entry count.
  std::function<void(std::map<std::uint32_t, std::uint32_t>&, std::uint32_t end, std::uint32_t bad, std::uint32_t count)>
      fill;
  bool valid;
};

class TableValidity : public ::testing::TestWithParam<std::tuple<std::uint32_t, ChainCase>> {};

TEST_P(TableValidity, JudgesChains) {
  const auto [width, c] = GetParam();
  SyntheticTable t{width, width == 2 ? 12u : 256u, {}};
  const std::uint32_t count = t.sectors * 512 / width;
  c.fill(t.entries, width == 2 ? 0xFFFF : 0x0FFFFFFF, width == 2 ? 0xFFF7 : 0x0FFFFFF7, count);
  auto device = t.Device();
  EXPECT_EQ(Make(t, *device)->IsValidFATTable(), c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TableValidity,
    ::testing::Combine(
        ::testing::Values(2u, 4u),
        ::testing::Values(
            ChainCase{"Chains", [](auto& e, auto end, auto bad, auto) { e = {{2, 3}, {3, 4}, {4, end}, {6, end}, {7, bad}}; },
                      true},
            ChainCase{"Empty", [](auto&, auto, auto, auto) {}, true},
            // The head lies above its tail: the tail is walked first and met again from the head.
            ChainCase{"HeadAboveTail", [](auto& e, auto end, auto, auto) { e = {{10, 3}, {3, 4}, {4, end}}; }, true},
            ChainCase{"SelfLoop", [](auto& e, auto end, auto, auto) { e = {{2, end}, {5, 5}}; }, false},
            ChainCase{"Join", [](auto& e, auto end, auto, auto) { e = {{3, 6}, {4, 6}, {6, end}}; }, false},
            ChainCase{"Loop", [](auto& e, auto, auto, auto) { e = {{2, 3}, {3, 2}}; }, false},
            ChainCase{"LoopBehindATail", [](auto& e, auto, auto, auto) { e = {{2, 8}, {8, 9}, {9, 10}, {10, 8}}; },
                      false},
            ChainCase{"ValueOne", [](auto& e, auto, auto, auto) { e = {{4, 1}}; }, false},
            ChainCase{"BeyondTable", [](auto& e, auto, auto, auto count) { e = {{4, count}}; }, false},
            ChainCase{"BadMarkBeyondTable", [](auto& e, auto, auto bad, auto) { e = {{4, bad}}; }, true},
            // Every cluster links to the one below it: one chain over the whole table, walked from its tail.
            ChainCase{"LongReversedChain",
                      [](auto& e, auto end, auto, auto count) {
                        e[2] = end;
                        for (std::uint32_t i = 3; i < count; ++i) e[i] = i - 1;
                      },
                      true},
            ChainCase{"LongReversedLoop",
                      [](auto& e, auto, auto, auto count) {
                        e[2] = count - 1;
                        for (std::uint32_t i = 3; i < count; ++i) e[i] = i - 1;
                      },
                      false})),
    [](const auto& p) {
      return std::string(std::get<1>(p.param).name) + (std::get<0>(p.param) == 2 ? "_Fat16" : "_Fat32");
    });

TEST(FATTable, BrokenHeaderMakesTheCopyInvalid) {
  for (const std::uint32_t width : {2u, 4u}) {
    SyntheticTable t{width, width == 2 ? 12u : 256u, {{2, 0xFFFF}}};
    auto device = t.Device();
    device->bytes()[kTableStart * 512] = 0x00;
    EXPECT_FALSE(Make(t, *device)->IsValidFATTable()) << width;
  }
  // A table said to reach past the device is refused before anything is read or allocated.
  MemoryDevice small(100, 512);
  EXPECT_FALSE(CFAT16Table(&small, 0, 256).HasBuffer());
  EXPECT_FALSE(CFAT32Table(&small, 90, 256).HasBuffer());
  EXPECT_EQ(small.ReadCalls(), 0);
}

// One unreadable sector of a copy costs the entries it holds (they read free), not the copy; with both copies
// found, each fills the other's unreadable sectors, so a different bad sector in each loses nothing. The device
// fails whole reads over a bad sector, as a disk does.
TEST(FATTable, AnUnreadableSectorCostsOnlyItsEntriesAndTheOtherCopyFillsIt) {
  for (const std::uint32_t width : {2u, 4u}) {
    SCOPED_TRACE(width);
    const std::uint32_t perSector = 512 / width;
    const std::uint32_t end = width == 2 ? 0xFFFF : 0x0FFFFFFF;
    // A chain through sectors 0, 2 and 5 of the table.
    SyntheticTable t{width, width == 2 ? 12u : 256u,
                     {{2, 2 * perSector + 1}, {2 * perSector + 1, 5 * perSector + 3}, {5 * perSector + 3, end}}};
    const auto copy = [&](MemoryDevice& device) {
      device.Put((kTableStart + t.sectors) * 512, std::vector<std::uint8_t>(
          device.bytes().begin() + kTableStart * 512, device.bytes().begin() + (kTableStart + t.sectors) * 512));
    };
    const std::uint32_t endRead = width == 2 ? 0x0FFFFFF8 : 0x0FFFFFFF;

    auto one = t.Device();
    one->ZeroWholeFailedReads();
    one->FailSectors(kTableStart + 5, 1);
    const std::unique_ptr<IRealFATTable> alone = Make(t, *one);
    ASSERT_TRUE(alone->IsValidFATTable());
    EXPECT_EQ(alone->GetNextCluster(2), 2 * perSector + 1);
    EXPECT_EQ(alone->GetNextCluster(2 * perSector + 1), 5 * perSector + 3);
    EXPECT_EQ(alone->GetNextCluster(5 * perSector + 3), 0u) << "in the unreadable sector";

    auto both = t.Device();
    copy(*both);
    both->ZeroWholeFailedReads();
    both->FailSectors(kTableStart + 5, 1);
    both->FailSectors(kTableStart + t.sectors + 2, 1);
    const enumFILE_SYSTEM_TYPE type = width == 2 ? FILE_SYSTEM_FAT16 : FILE_SYSTEM_FAT32;
    std::unique_ptr<IFATTable> table(IFATTableFactory::CreateFATTable(both.get(), kTableStart, type, t.sectors, 1, 1));
    EXPECT_EQ(table->GetNextCluster(2), 2 * perSector + 1);
    EXPECT_EQ(table->GetNextCluster(2 * perSector + 1), 5 * perSector + 3);
    EXPECT_EQ(table->GetNextCluster(5 * perSector + 3), endRead);

    // The header sector unreadable: the copy alone is no table, with the other copy it is one.
    auto head = t.Device();
    copy(*head);
    head->FailSectors(kTableStart, 1);
    EXPECT_EQ(IFATTableFactory::CreateRealFATTable(head.get(), type, kTableStart, t.sectors), nullptr);
    const std::unique_ptr<IRealFATTable> filled(
        IFATTableFactory::CreateRealFATTable(head.get(), type, kTableStart, t.sectors, kTableStart + t.sectors));
    ASSERT_NE(filled, nullptr);
    EXPECT_EQ(filled->GetNextCluster(2), 2 * perSector + 1);
  }
}

TEST(FATTable, SectorCountRangesPerWidthAndSectorSize) {
  struct Case {
    const char* name;
    unsigned sectorSize;
    std::function<IRealFATTable*(MemoryDevice*)> make;
    bool built;
  };
  const std::vector<Case> cases = {
      {"Fat12Of12", 512, [](MemoryDevice* d) { return new CFAT12Table(d, 0, 12); }, true},
      {"Fat12Of13", 512, [](MemoryDevice* d) { return new CFAT12Table(d, 0, 13); }, false},
      {"Fat12Of0", 512, [](MemoryDevice* d) { return new CFAT12Table(d, 0, 0); }, false},
      {"Fat16Of11", 512, [](MemoryDevice* d) { return new CFAT16Table(d, 0, 11); }, false},
      {"Fat16Of256", 512, [](MemoryDevice* d) { return new CFAT16Table(d, 0, 256); }, true},
      {"Fat16Of257", 512, [](MemoryDevice* d) { return new CFAT16Table(d, 0, 257); }, false},
      {"Fat16Of1At4096", 4096, [](MemoryDevice* d) { return new CFAT16Table(d, 0, 1); }, true},
      {"Fat16Of33At4096", 4096, [](MemoryDevice* d) { return new CFAT16Table(d, 0, 33); }, false},
      {"Fat32Of255", 512, [](MemoryDevice* d) { return new CFAT32Table(d, 0, 255); }, false},
      {"Fat32Of32At4096", 4096, [](MemoryDevice* d) { return new CFAT32Table(d, 0, 32); }, true},
      {"Fat16At256ByteSectors", 256, [](MemoryDevice* d) { return new CFAT16Table(d, 0, 24); }, false},
  };
  for (const auto& c : cases) {
    MemoryDevice device(300, c.sectorSize);
    std::unique_ptr<IRealFATTable> table(c.make(&device));
    EXPECT_EQ(table->HasBuffer(), c.built) << c.name;
  }
}

TEST(FATTable, Fat12Lookups) {
  MemoryDevice device(2, 512);
  device.Put(0, {0xF8, 0xFF, 0xFF, 0x03, 0x50, 0x00, 0xFF, 0x8F, 0xFF});
  device.Put(510, {0x34, 0x12});
  CFAT12Table table(&device, 0, 1);
  ASSERT_TRUE(table.IsValidFATTable());
  EXPECT_EQ(table.GetNextCluster(3), 5u);            // odd: high 12 bits of the u16 at 4
  EXPECT_EQ(table.GetNextCluster(2), 3u);            // even: low 12 bits of the u16 at 3
  EXPECT_EQ(table.GetNextCluster(4), 0xFFFFFFFFu);   // 0xFFF
  EXPECT_EQ(table.GetNextCluster(5), 0x0FFFFFF8u);   // 0xFF8
  EXPECT_EQ(table.GetNextCluster(340), 0x234u);      // the last entry wholly inside the table
  EXPECT_EQ(table.GetNextCluster(341), 0u);          // would need the byte after the table
  EXPECT_EQ(table.GetNextCluster(0xFFFFFFFF), 0u);
  EXPECT_FALSE(CFAT12Table(&device, 1, 1).IsValidFATTable());  // zero header
}

TEST(FATTable, Fat16AndFat32LookupMarks) {
  SyntheticTable t16{2, 12, {{2, 0xFFF7}, {3, 0xFFF8}, {4, 0xFFFF}, {5, 6}}};
  auto device16 = t16.Device();
  CFAT16Table fat16(device16.get(), kTableStart, 12);
  EXPECT_EQ(fat16.GetNextCluster(2), 0x0FFFFFF7u);
  EXPECT_EQ(fat16.GetNextCluster(3), 0x0FFFFFF8u);
  EXPECT_EQ(fat16.GetNextCluster(4), 0x0FFFFFF8u);
  EXPECT_EQ(fat16.GetNextCluster(5), 6u);
  EXPECT_EQ(fat16.GetNextCluster(3072), 0u);  // entry count = 12 x 512 / 2

  SyntheticTable t32{4, 256, {{2, 0xF0000005}, {3, 0x0FFFFFFF}}};
  auto device32 = t32.Device();
  CFAT32Table fat32(device32.get(), kTableStart, 256);
  EXPECT_EQ(fat32.GetNextCluster(2), 0xF0000005u);  // stored value, top bits kept
  EXPECT_EQ(fat32.GetNextCluster(3), 0x0FFFFFFFu);
  EXPECT_EQ(fat32.GetNextCluster(32768), 0u);
}

TEST(FATTable, FactoryCopiesAndFallback) {
  SyntheticTable t{2, 12, {{2, 3}, {3, 0xFFFF}}};
  auto device = t.Device();
  // Second copy right behind the first, with another chain so that answers show which copy spoke.
  std::vector<std::uint8_t> second(12 * 512, 0);
  FieldWriter w(second);
  w.le32(0, 0xFFFFFFF8);
  w.le16(4, 9);
  w.le16(18, 0xFFFF);
  device->Put((kTableStart + 12) * 512, second);

  auto answer = [&](int firstFound, int secondFound) {
    std::unique_ptr<IFATTable> table(
        IFATTableFactory::CreateFATTable(device.get(), kTableStart, FILE_SYSTEM_FAT16, 12, firstFound, secondFound));
    return table->GetNextCluster(2);
  };
  EXPECT_EQ(answer(1, 1), 3u);
  EXPECT_EQ(answer(0, 0), 3u);
  EXPECT_EQ(answer(1, 0), 3u);
  EXPECT_EQ(answer(0, 1), 9u);  // only the second copy was found

  device->bytes()[kTableStart * 512 + 1] = 0;  // first copy's header broken
  EXPECT_EQ(answer(1, 1), 9u);
  EXPECT_EQ(answer(1, 0), 0u);  // no copy to fall back on: every cluster reads free

  EXPECT_EQ(IFATTableFactory::CreateRealFATTable(device.get(), FILE_SYSTEM_NTFS, kTableStart, 12), nullptr);
  EXPECT_EQ(IFATTableFactory::CreateRealFATTable(device.get(), FILE_SYSTEM_FAT16, kTableStart, 12), nullptr);
  IFATTableFactory::DestroyFATTable(nullptr);
}

TEST(FATTable, AbsurdFat32SizeBuildsNothing) {
  MemoryDevice device(64, 512);
  CFAT32Table table(&device, 0, 0xFFFFFFFF);
  EXPECT_FALSE(table.HasBuffer());
  EXPECT_FALSE(table.IsWindowed());
  EXPECT_FALSE(table.IsValidFATTable());
  EXPECT_EQ(table.GetNextCluster(5), 0u);
}

TEST(CFATTableAnalyser, FirstSectorsAndUsedClusters) {
  struct Case {
    std::vector<std::uint8_t> head;
    bool valid;
    enumFILE_SYSTEM_TYPE type;
  };
  const std::vector<Case> cases = {
      {{0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F}, true, FILE_SYSTEM_FAT32},
      {{0xF8, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}, true, FILE_SYSTEM_FAT16},
      {{0xF8, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00}, false, FILE_SYSTEM_UNKNOWN},  // FAT12 is not reported
      {{0xF8, 0xFF}, false, FILE_SYSTEM_UNKNOWN},
  };
  for (const auto& c : cases) {
    enumFILE_SYSTEM_TYPE type = FILE_SYSTEM_UNKNOWN;
    EXPECT_EQ(CFATTableAnalyser::IsValidFATTableFirstSector(c.head, type), c.valid);
    EXPECT_EQ(type, c.type);
  }
  EXPECT_FALSE(CFATTableAnalyser::IsUsedCluster(1));
  EXPECT_TRUE(CFATTableAnalyser::IsUsedCluster(2));
  EXPECT_TRUE(CFATTableAnalyser::IsUsedCluster(0x0FFFFFEF));
  EXPECT_FALSE(CFATTableAnalyser::IsUsedCluster(0x0FFFFFF0));
}

// Real images from mkfs.fat and mtools.
class FATTableOnImages : public ::testing::Test {
 protected:
  void SetUp() override {
    images_ = FatImages::Get();
    QUELLSY_REQUIRE_FIXTURE(images_->Fixture());
  }
  const FatImages* images_ = nullptr;
};

TEST_F(FATTableOnImages, BothCopiesOfRealTablesAreValidAndChainsMatchTheFiles) {
  struct Case {
    const char* image;
    unsigned sectorSize;
    std::vector<std::string> path;
    std::uint32_t expectedClusters;
    bool contiguous;
  };
  const std::vector<Case> cases = {
      {"fat16.img", 512, {"DOCS       ", "DEEP       ", "NESTED~1BIN"}, 35, true},  // 70000 bytes, 2 KiB clusters
      {"fat16.img", 512, {"FRAG       ", "FRAGME~1BIN"}, 5, false},                  // 9000 bytes through holes
      {"fat16-4k.img", 4096, {"KEEP    TXT"}, 2, true},
      {"fat32.img", 512, {"BIG     BIN"}, 81920, true},
      {"fat32.img", 512, {"HIGH       ", "AFTERB~1TXT"}, 6, true},
  };
  for (const auto& c : cases) {
    auto device = OpenImage(images_->Image(c.image), c.sectorSize);
    const auto boot = BootSectorOf(*device);
    const CTempFATDBR dbr(boot, c.sectorSize);
    ASSERT_TRUE(dbr.IsValidDBR()) << c.image;
    for (const std::uint32_t copy : {0u, 1u}) {
      std::unique_ptr<IRealFATTable> table(IFATTableFactory::CreateRealFATTable(
          device.get(), dbr.GetFileSystemType(), dbr.GetReservedSector() + copy * dbr.GetSectorsPerFat(),
          dbr.GetSectorsPerFat()));
      ASSERT_NE(table, nullptr) << c.image << " copy " << copy;
      const auto found = FindByShortPath(*device, dbr, *table, c.path);
      ASSERT_TRUE(found) << c.image << " " << c.path.back();
      const auto chain = Chain(*table, found->firstCluster);
      EXPECT_EQ(chain.size(), c.expectedClusters) << c.path.back();
      EXPECT_GE(table->GetNextCluster(chain.back()), 0x0FFFFFF8u);
      const bool contiguous = chain.back() - chain.front() + 1 == chain.size();
      EXPECT_EQ(contiguous, c.contiguous) << c.path.back();
      if (std::string(c.image) == "fat32.img") {
        EXPECT_GT(chain.back(), 65536u);
      }
    }
  }
}

TEST_F(FATTableOnImages, Fat12TableOfARealImage) {
  auto device = OpenImage(images_->Image("fat12.img"));
  const auto boot = BootSectorOf(*device);
  const CTempFATDBR dbr(boot, 512);
  ASSERT_TRUE(dbr.IsFullValidFAT12DBR());
  std::unique_ptr<IRealFATTable> table(IFATTableFactory::CreateRealFATTable(
      device.get(), FILE_SYSTEM_FAT12, dbr.GetFatTableStartSector(), boot[22] | (boot[23] << 8)));
  ASSERT_NE(table, nullptr);
  // README.TXT (700 bytes) is the first file: one 2 KiB cluster at cluster 2, ending its chain.
  EXPECT_GE(table->GetNextCluster(2), 0x0FFFFFF8u);
  // The long-named 3000-byte file in /docs follows: two clusters linked.
  EXPECT_EQ(table->GetNextCluster(4), 5u);
  EXPECT_GE(table->GetNextCluster(5), 0x0FFFFFF8u);
}

TEST_F(FATTableOnImages, DamagedFirstCopyFallsBackToTheSecond) {
  auto intact = OpenImage(images_->Image("fat16.img"));
  auto damaged = OpenImage(images_->Image("fat16-badfat1.img"));
  const auto boot = BootSectorOf(*intact);
  const CTempFATDBR dbr(boot, 512);
  std::unique_ptr<IFATTable> reference(IFATTableFactory::CreateFATTable(
      intact.get(), dbr.GetReservedSector(), FILE_SYSTEM_FAT16, dbr.GetSectorsPerFat(), 1, 1));
  std::unique_ptr<CDoubleFATTable> table(static_cast<CDoubleFATTable*>(IFATTableFactory::CreateFATTable(
      damaged.get(), dbr.GetReservedSector(), FILE_SYSTEM_FAT16, dbr.GetSectorsPerFat(), 1, 1)));
  EXPECT_FALSE(table->HasFirstCopy());
  ASSERT_TRUE(table->HasSecondCopy());
  const auto nested = FindByShortPath(*damaged, dbr, *table, {"DOCS       ", "DEEP       ", "NESTED~1BIN"});
  ASSERT_TRUE(nested);
  EXPECT_EQ(Chain(*table, nested->firstCluster).size(), 35u);
  for (std::uint32_t cluster = 0; cluster < dbr.GetSectorsPerFat() * 256; ++cluster)
    ASSERT_EQ(table->GetNextCluster(cluster), reference->GetNextCluster(cluster)) << cluster;
}

TEST_F(FATTableOnImages, WindowedFat32AnswersLikeTheWholeTable) {
  auto device = OpenImage(images_->Image("fat32.img"));
  const auto boot = BootSectorOf(*device);
  const CTempFATDBR dbr(boot, 512);
  const std::uint32_t sectors = dbr.GetSectorsPerFat();
  CFAT32Table whole(device.get(), dbr.GetReservedSector(), sectors);
  CFAT32Table windowed(device.get(), dbr.GetReservedSector(), sectors, /*wholeReadSectorsAt512=*/512);
  ASSERT_TRUE(whole.HasBuffer());
  ASSERT_TRUE(windowed.IsWindowed());
  EXPECT_FALSE(windowed.HasBuffer());
  EXPECT_TRUE(windowed.IsValidFATTable());
  for (std::uint32_t cluster = 0; cluster <= whole.GetEntryCount(); ++cluster)
    ASSERT_EQ(windowed.GetNextCluster(cluster), whole.GetNextCluster(cluster)) << cluster;

  // A self-pointing entry deep in the table is still caught by the streamed body test.
  device->bytes()[std::size_t{dbr.GetReservedSector()} * 512 + 100000 * 4] = 0xA0;
  device->bytes()[std::size_t{dbr.GetReservedSector()} * 512 + 100000 * 4 + 1] = 0x86;
  device->bytes()[std::size_t{dbr.GetReservedSector()} * 512 + 100000 * 4 + 2] = 0x01;
  device->bytes()[std::size_t{dbr.GetReservedSector()} * 512 + 100000 * 4 + 3] = 0x00;
  EXPECT_FALSE(CFAT32Table(device.get(), dbr.GetReservedSector(), sectors, 512).IsValidFATTable());

  // A windowed table that runs past the end of the device cannot be read, so it is not valid.
  MemoryDevice small(std::vector<std::uint8_t>(device->bytes().begin(), device->bytes().begin() + 600 * 512), 512);
  EXPECT_FALSE(CFAT32Table(&small, dbr.GetReservedSector(), sectors, 512).IsValidFATTable());
}

}  // namespace
}  // namespace quellsy::test
