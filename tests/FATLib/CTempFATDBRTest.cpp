#include "FATLib/CTempFATDBR.h"

#include <gtest/gtest.h>

#include <functional>

#include "FATLib/CFATDBR.h"
#include "FatTestBytes.h"

namespace quellsy::test {
namespace {

struct TypeCase {
  const char* name;
  std::function<void(BootSectorFields&)> change;
  std::uint32_t deviceSectorSize;
  enumFILE_SYSTEM_TYPE expected;
};

class TypeDecision : public ::testing::TestWithParam<TypeCase> {};

TEST_P(TypeDecision, DecidesTheType) {
  BootSectorFields fields;
  GetParam().change(fields);
  const auto sector = MakeBootSector(fields);
  const CTempFATDBR dbr(sector, GetParam().deviceSectorSize);
  EXPECT_EQ(dbr.GetFileSystemType(), GetParam().expected);
  EXPECT_EQ(dbr.IsValidDBR(), GetParam().expected != FILE_SYSTEM_UNKNOWN);
}

const auto kKeep = [](BootSectorFields&) {};
const auto kFat32 = [](BootSectorFields& f) { f = Fat32Fields(); };

INSTANTIATE_TEST_SUITE_P(
    Cases, TypeDecision,
    ::testing::Values(
        TypeCase{"Fat16", kKeep, 512, FILE_SYSTEM_FAT16},
        TypeCase{"Fat16OnLargerDeviceSectors", kKeep, 2048, FILE_SYSTEM_UNKNOWN},
        TypeCase{"ClusterSize3", [](BootSectorFields& f) { f.sectorsPerCluster = 3; }, 512, FILE_SYSTEM_UNKNOWN},
        TypeCase{"ClusterSize0", [](BootSectorFields& f) { f.sectorsPerCluster = 0; }, 512, FILE_SYSTEM_UNKNOWN},
        TypeCase{"ClusterSize128", [](BootSectorFields& f) { f.sectorsPerCluster = 128; }, 512, FILE_SYSTEM_FAT16},
        TypeCase{"ClusterSize255", [](BootSectorFields& f) { f.sectorsPerCluster = 255; }, 512, FILE_SYSTEM_UNKNOWN},
        TypeCase{"OneFat", [](BootSectorFields& f) { f.numberOfFats = 1; }, 512, FILE_SYSTEM_UNKNOWN},
        TypeCase{"NoSignature", [](BootSectorFields& f) { f.signature = false; }, 512, FILE_SYSTEM_UNKNOWN},
        TypeCase{"Fat16RootTooSmall", [](BootSectorFields& f) { f.rootEntries = 223; }, 512, FILE_SYSTEM_UNKNOWN},
        TypeCase{"Fat16RootNotWholeSectors", [](BootSectorFields& f) { f.rootEntries = 230; }, 512,
                 FILE_SYSTEM_UNKNOWN},
        TypeCase{"Fat16NoFatSize", [](BootSectorFields& f) { f.sectorsPerFat16 = 0; }, 512, FILE_SYSTEM_UNKNOWN},
        TypeCase{"Fat12Text", [](BootSectorFields& f) { f.fat16Text = "FAT12   "; }, 512, FILE_SYSTEM_UNKNOWN},
        TypeCase{"Fat16TextLowerCase", [](BootSectorFields& f) { f.fat16Text = "fat16   "; }, 512, FILE_SYSTEM_FAT16},
        TypeCase{"Fat16TextWithoutBlanks", [](BootSectorFields& f) { f.fat16Text = "FAT16\0\0\0"; }, 512,
                 FILE_SYSTEM_UNKNOWN},
        TypeCase{"BothTextsFat16First", [](BootSectorFields& f) { f.fat32Text = "FAT32   "; f.sectorsPerFat32 = 9; },
                 512, FILE_SYSTEM_FAT16},
        TypeCase{"Fat32", kFat32, 512, FILE_SYSTEM_FAT32},
        TypeCase{"Fat32LowerCase", [](BootSectorFields& f) { f = Fat32Fields(); f.fat32Text = "fAt32   "; }, 512,
                 FILE_SYSTEM_FAT32},
        TypeCase{"Fat32NoFatSize", [](BootSectorFields& f) { f = Fat32Fields(); f.sectorsPerFat32 = 0; }, 512,
                 FILE_SYSTEM_UNKNOWN},
        TypeCase{"Sectors4096", [](BootSectorFields& f) { f.bytesPerSector = 4096; }, 4096, FILE_SYSTEM_FAT16},
        TypeCase{"Sectors4096RootNotWholeSectors", [](BootSectorFields& f) { f.bytesPerSector = 4096; f.rootEntries = 224; },
                 4096, FILE_SYSTEM_UNKNOWN},
        TypeCase{"ZeroSectorSizeEverywhere", [](BootSectorFields& f) { f.bytesPerSector = 0; }, 0, FILE_SYSTEM_UNKNOWN}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CTempFATDBR, Fat12SectorPassesItsOwnTestButIsNotDecided) {
  BootSectorFields fields;
  fields.fat16Text = "FAT12   ";
  fields.sectorsPerFat16 = 12;
  const auto sector = MakeBootSector(fields);
  const CTempFATDBR dbr(sector, 512);
  EXPECT_TRUE(dbr.IsFullValidFAT12DBR());
  EXPECT_EQ(dbr.GetFileSystemType(), FILE_SYSTEM_UNKNOWN);
  fields.sectorsPerFat16 = 201;
  EXPECT_FALSE(CTempFATDBR(MakeBootSector(fields), 512).IsFullValidFAT12DBR());
}

TEST(CTempFATDBR, GeometryByType) {
  BootSectorFields fat16;
  fat16.totalSectors16 = 0;
  fat16.totalSectors32 = 1000000;
  fat16.rootCluster = 77;  // not a FAT16 field
  const auto sector16 = MakeBootSector(fat16);
  const CTempFATDBR dbr16(sector16, 512);
  EXPECT_EQ(dbr16.GetTotalSectors(), 1000000u);
  EXPECT_EQ(dbr16.GetRootDirStartCluster(), 0u);
  EXPECT_EQ(dbr16.GetSectorsPerFat(), 32u);
  EXPECT_EQ(dbr16.GetRootEntries(), 512);
  EXPECT_EQ(dbr16.GetNumberOfFat(), 2);
  EXPECT_EQ(dbr16.GetSectorsperCluster(), 4);
  EXPECT_EQ(dbr16.GetFatTableStartSector(), 1u);

  fat16.totalSectors16 = 40000;
  EXPECT_EQ(CTempFATDBR(MakeBootSector(fat16), 512).GetTotalSectors(), 40000u);

  BootSectorFields fat32 = Fat32Fields();
  fat32.totalSectors16 = 1234;  // ignored for FAT32
  fat32.rootCluster = 5;
  const auto sector32 = MakeBootSector(fat32);
  const CTempFATDBR dbr32(sector32, 512);
  EXPECT_EQ(dbr32.GetTotalSectors(), 131072u);
  EXPECT_EQ(dbr32.GetSectorsPerFat(), 1009u);
  EXPECT_EQ(dbr32.GetRootDirStartCluster(), 5u);
  EXPECT_EQ(dbr32.GetReservedSector(), 32);

  fat32.signature = false;
  const auto unknown = MakeBootSector(fat32);
  const CTempFATDBR dbrUnknown(unknown, 512);
  EXPECT_EQ(dbrUnknown.GetTotalSectors(), 0u);
  EXPECT_EQ(dbrUnknown.GetSectorsPerFat(), 0u);
  EXPECT_EQ(dbrUnknown.GetSectorsperCluster(), 0);
  EXPECT_EQ(dbrUnknown.GetReservedSector(), 0);
  EXPECT_EQ(dbrUnknown.GetFatTableStartSector(), 32u);  // read for any type
}

TEST(CTempFATDBR, ShortBuffersAndSimpleCheck) {
  const auto sector = MakeBootSector(BootSectorFields{});
  EXPECT_EQ(CTempFATDBR(ByteSpan(sector).first(511), 512).GetFileSystemType(), FILE_SYSTEM_UNKNOWN);
  EXPECT_EQ(CTempFATDBR(ByteSpan{}, 512).GetTotalSectors(), 0u);
  EXPECT_TRUE(CTempFATDBR::SimpleCheck(sector));
  auto noJump = sector;
  noJump[0] = 0;
  EXPECT_FALSE(CTempFATDBR::SimpleCheck(noJump));
  EXPECT_FALSE(CTempFATDBR::SimpleCheck(ByteSpan(sector).first(511)));
}

TEST(CFATDBR, OwnsItsCopyAndRedecidesForAnotherSectorSize) {
  auto sector = MakeBootSector(BootSectorFields{});
  const CFATDBR owned(sector, 512);
  std::fill(sector.begin(), sector.end(), 0xCC);  // the caller's buffer changes; the copy does not
  EXPECT_EQ(owned.GetFileSystemType(), FILE_SYSTEM_FAT16);
  EXPECT_EQ(owned.GetSectorsPerFat(), 32u);

  const CFATDBR copy(owned);
  EXPECT_EQ(copy.GetFileSystemType(), FILE_SYSTEM_FAT16);
  EXPECT_NE(copy.Bytes().data(), owned.Bytes().data());
  EXPECT_EQ(CFATDBR(owned, 4096).GetFileSystemType(), FILE_SYSTEM_UNKNOWN);

  CFATDBR assigned(ByteSpan{}, 512);
  EXPECT_EQ(assigned.GetFileSystemType(), FILE_SYSTEM_UNKNOWN);
  assigned = owned;
  EXPECT_EQ(assigned.GetFileSystemType(), FILE_SYSTEM_FAT16);
  EXPECT_NE(assigned.Bytes().data(), owned.Bytes().data());

  tagFATPARTITIONDBR record;
  std::copy_n(MakeBootSector(Fat32Fields()).begin(), 512, record.bytes.begin());
  EXPECT_EQ(CTempFATDBR(record, 512).GetFileSystemType(), FILE_SYSTEM_FAT32);
}

}  // namespace
}  // namespace quellsy::test
