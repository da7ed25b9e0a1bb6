// Partition tables written by sgdisk, sfdisk, fdisk and parted, and public images made elsewhere.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "PartitionTableAnalyze/BaseGPTAnalyzer.h"
#include "PartitionTableAnalyze/IPartitionTableAnalyze.h"
#include "PartitionTableAnalyze/PartitionImages.h"
#include "support/PublicFixture.h"

namespace quellsy::test {
namespace {

// The scheme and the partitions of the disk image at `path`, checked to read without error.
void ExpectTable(const std::filesystem::path& path, unsigned sectorSize, enumDiskPartitionScheme expectedScheme,
                 const std::vector<LayoutEntry>& expectedLayout) {
  auto disk = OpenImageDisk(path, sectorSize);
  ASSERT_NE(disk, nullptr);
  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  enumDiskPartitionScheme scheme = DISK_PARTITION_SCHEME_NONE;
  ASSERT_EQ(analyzer->GetDiskType(disk.get(), scheme), kResultOk);
  EXPECT_EQ(scheme, expectedScheme);
  std::list<PartitionEntry> entries;
  ASSERT_EQ(analyzer->AnalyzePartitionTable(disk.get(), entries), kResultOk);
  EXPECT_EQ(LayoutOf(entries), expectedLayout);
}

struct ImageCase {
  std::string image;
  unsigned sectorSize;
  enumDiskPartitionScheme scheme;
};

void PrintTo(const ImageCase& c, std::ostream* os) { *os << c.image; }

class PartitionTableImage : public ::testing::TestWithParam<ImageCase> {};

// Every scheme lists what its tool made, in table order, with starts and counts in the disk's sectors.
TEST_P(PartitionTableImage, ListsWhatTheToolMade) {
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());
  ExpectTable(images.Image(GetParam().image), GetParam().sectorSize, GetParam().scheme, images.Layout(GetParam().image));
}

INSTANTIATE_TEST_SUITE_P(Tools, PartitionTableImage,
                         ::testing::Values(ImageCase{"gpt.img", 512, DISK_PARTITION_SCHEME_GPT},
                                           ImageCase{"mbr.img", 512, DISK_PARTITION_SCHEME_MBR},
                                           ImageCase{"mbr4k.img", 4096, DISK_PARTITION_SCHEME_MBR},
                                           ImageCase{"apm.img", 512, DISK_PARTITION_SCHEME_APM}),
                         [](const auto& p) {
                           std::string name = p.param.image;
                           name.resize(name.find('.'));
                           return name;
                         });

TEST(PartitionTableImages, GptEntriesCarryTheirGuids) {
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());
  auto disk = OpenImageDisk(images.Image("gpt.img"));
  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  std::list<PartitionEntry> entries;
  ASSERT_EQ(analyzer->AnalyzePartitionTable(disk.get(), entries), kResultOk);
  ASSERT_FALSE(entries.empty());
  char type[37];
  char unique[37];
  CBaseGPTAnalyzer::GUIDToStr(entries.front().typeGuid, type);
  CBaseGPTAnalyzer::GUIDToStr(entries.front().uniqueGuid, unique);
  EXPECT_STREQ(type, "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7");
  EXPECT_STREQ(unique, "5A1B2C3D-4E5F-4A6B-8C7D-9E0F1A2B3C4D");

  // The 1 MiB boot partition is left out of the list but is still in the array.
  std::list<PartitionEntry> all;
  ASSERT_EQ(CBaseGPTAnalyzer::ReadEntryArray(disk.get(), all), kResultOk);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(LayoutOf(all).front(), (LayoutEntry{1, 2048, 2048}));
}

TEST(PartitionTableImages, ApmEntriesCarryTheirTypes) {
  const auto& images = PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());
  auto disk = OpenImageDisk(images.Image("apm.img"));
  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  std::list<PartitionEntry> entries;
  ASSERT_EQ(analyzer->AnalyzePartitionTable(disk.get(), entries), kResultOk);
  std::vector<std::string> types;
  for (const auto& e : entries) types.emplace_back(e.apmType, strnlen(e.apmType, sizeof e.apmType));
  EXPECT_EQ(types, (std::vector<std::string>{"Apple_partition_map", "Apple_HFS", "Apple_UNIX_SVR2", "Apple_Free",
                                              "Apple_Free"}));
}

struct PublicCase {
  std::string file;
  enumDiskPartitionScheme scheme;
  std::vector<LayoutEntry> layout;
};

void PrintTo(const PublicCase& c, std::ostream* os) { *os << c.file; }

class PublicPartitionImage : public ::testing::TestWithParam<PublicCase> {};

// Tables written by other systems: an MBR with one logical partition in its chain, and a GPT whose two
// partitions are both too small to list.
TEST_P(PublicPartitionImage, ListsItsPartitions) {
  const auto path = PublicFixture(GetParam().file);
  ASSERT_TRUE(std::filesystem::exists(path));
  ExpectTable(path, 512, GetParam().scheme, GetParam().layout);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PublicPartitionImage,
                         ::testing::Values(PublicCase{"dfvfs/mbr.raw", DISK_PARTITION_SCHEME_MBR, {{1, 1, 350}, {5, 352, 2528}}},
                                           PublicCase{"gpt/gpt-disk.img", DISK_PARTITION_SCHEME_GPT, {}}),
                         [](const auto& p) { return p.param.file.substr(0, p.param.file.find('/')); });

}  // namespace
}  // namespace quellsy::test
