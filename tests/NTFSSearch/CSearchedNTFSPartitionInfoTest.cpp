#include "NTFSSearch/CSearchedNTFSPartitionInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FileArchive/CRSData.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

constexpr tagGUIDSIGN kFrame{{0x11, 0x22}};

CSearchedNTFSPartitionInfo Filled() {
  CSearchedNTFSPartitionInfo record(512);
  CSearchedNTFSPartitionInfo::Evidence& e = record.GetEvidence();
  e.serialNumber = 0x0102030405060708;
  e.sectorsPerFileRecord = 2;
  e.buildFrom = 1 | 64;
  e.hasMFT = 1;
  e.clusterCount = 4095;
  e.logFileMatch = 11;
  e.attrDefMatch = 12;
  e.upCaseMatch = 13;
  e.mftSector = 100;
  e.logFileSector = 104;
  e.attrDefSector = 108;
  e.upCaseSector = 120;
  e.bitmapSectors = 32760;
  return record;
}

std::string SaveToFile(const TempDir& dir, const CSearchedNTFSPartitionInfo& record) {
  const std::string path = dir / "ntfs.rsf";
  CRSData archive(RS_MODE_WRITE);
  EXPECT_TRUE(archive.StartRS(path.c_str(), 1));
  EXPECT_TRUE(archive.WriteFileHeader(FILEHEADER{}));
  archive.OpenFrame(kFrame);
  record.Save(archive);
  archive.CloseFrame();
  return path;
}

TEST(CSearchedNTFSPartitionInfoTest, OwnFieldsAreSavedInDeclarationOrderAndComeBack) {
  TempDir dir;
  const std::string path = SaveToFile(dir, Filled());
  const std::vector<std::uint8_t> bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), 132u + 36 + 96);
  const std::uint8_t* payload = bytes.data() + 132 + 36;
  auto le64 = [&](std::size_t at) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | payload[at + i];
    return value;
  };
  EXPECT_EQ(le64(0), 0x0102030405060708u);
  EXPECT_EQ(payload[8], 2);       // sectors per file record
  EXPECT_EQ(payload[12], 65);     // build-from flags 1 | 64
  EXPECT_EQ(payload[16], 1);      // has $MFT
  EXPECT_EQ(le64(24), 4095u);     // clusters
  EXPECT_EQ(le64(32), 11u);       // $LogFile matches, the first of the eight 8-byte fields
  EXPECT_EQ(le64(56), 100u);      // $MFT record sector
  EXPECT_EQ(le64(88), 32760u);    // sectors covered by $Bitmap, the last

  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  archive.OpenFrame(kFrame);
  CSearchedNTFSPartitionInfo back(512);
  back.Restore(archive);
  const CSearchedNTFSPartitionInfo saved = Filled();
  const auto& got = back.GetEvidence();
  EXPECT_EQ(got.serialNumber, saved.GetEvidence().serialNumber);
  EXPECT_EQ(got.buildFrom, 65u);
  EXPECT_EQ(got.hasMFT, 1u);
  EXPECT_EQ(got.clusterCount, 4095);
  EXPECT_EQ(got.upCaseMatch, 13);
  EXPECT_EQ(got.upCaseSector, 120);
  EXPECT_EQ(got.bitmapSectors, 32760);
}

TEST(CSearchedNTFSPartitionInfoTest, AFrameCutShortChangesNothing) {
  TempDir dir;
  const std::string path = SaveToFile(dir, Filled());
  std::vector<std::uint8_t> bytes = ReadFile(path);
  bytes.resize(bytes.size() - 10);
  WriteFile(path, bytes);
  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  archive.OpenFrame(kFrame);
  CSearchedNTFSPartitionInfo back(512);
  try {
    back.Restore(archive);
    FAIL() << "a cut record was read";
  } catch (const CRSException& error) {
    EXPECT_EQ(error.GetErrorcode(), CRSException::kShortRead);
  }
  EXPECT_EQ(back.GetEvidence().serialNumber, 0);
  EXPECT_EQ(back.GetEvidence().clusterCount, -1);
  EXPECT_EQ(back.GetEvidence().bitmapSectors, -1);
}

}  // namespace
}  // namespace quellsy::test
