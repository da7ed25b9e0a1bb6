// A file spread over a base record and extension records, on in-memory volumes of several geometries.

#include "NTFSLib/CNTFSMultiFileRecord.h"

#include <gtest/gtest.h>

#include "NTFSLib/NTFSLayout.h"
#include "NtfsRecordBuilder.h"
#include "support/MemoryDevice.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using R = NtfsRecordBuilder;

struct Geometry {
  const char* what;
  unsigned sectorSize;
  unsigned sectorsPerCluster;
  std::vector<std::pair<std::int64_t, std::int64_t>> mftRuns;  // (LCN, clusters), VCNs from 0
};

void PrintTo(const Geometry& g, std::ostream* os) { *os << g.what; }

constexpr std::uint64_t kBase = 16;
constexpr std::int64_t kListCluster = 120;

// Attribute-list entries: (type, MFT number).
Bytes AttributeList(const std::vector<std::pair<std::uint32_t, std::uint64_t>>& entries) {
  Bytes list;
  for (const auto& [type, number] : entries) {
    Bytes entry(0x20, 0);
    R::Put32(entry, 0x00, type);
    R::Put16(entry, 0x04, 0x20);
    entry[0x07] = 0x1A;
    R::Put64(entry, 0x10, number | (std::uint64_t{1} << 48));
    list.insert(list.end(), entry.begin(), entry.end());
  }
  return list;
}

const std::vector<std::pair<std::uint32_t, std::uint64_t>> kEntries{
    {0x10, kBase}, {0x20, kBase}, {0x30, kBase}, {0x30, 17}, {0x30, 17}, {0x30, 18}, {0x80, 19}, {0x80, 9999}};

class MultiRecord : public ::testing::TestWithParam<Geometry> {
 protected:
  void SetUp() override {
    const auto& g = GetParam();
    geometry.sectorSize = g.sectorSize;
    geometry.sectorsPerCluster = g.sectorsPerCluster;
    geometry.origin = 0;
    geometry.recordSize = 1024;
    device = std::make_unique<MemoryDevice>(static_cast<long long>(200 * g.sectorsPerCluster), g.sectorSize);
    std::int64_t vcn = 0;
    for (const auto& [lcn, length] : g.mftRuns) {
      mftRuns.AddDataRun({lcn, vcn, length});
      vcn += length;
    }
  }

  std::uint64_t ClusterBytes() const { return std::uint64_t{geometry.sectorSize} * geometry.sectorsPerCluster; }

  // Byte position of a byte of the $MFT, by the run table.
  std::uint64_t MftByte(std::uint64_t offset) const {
    std::uint64_t vcn = offset / ClusterBytes();
    for (const auto& [lcn, length] : GetParam().mftRuns) {
      if (vcn < static_cast<std::uint64_t>(length)) return (lcn + vcn) * ClusterBytes() + offset % ClusterBytes();
      vcn -= static_cast<std::uint64_t>(length);
    }
    ADD_FAILURE() << "offset " << offset << " outside the $MFT";
    return 0;
  }

  void PlaceRecord(std::uint64_t number, const Bytes& record) {
    for (std::size_t i = 0; i < record.size(); ++i) device->bytes()[MftByte(number * 1024 + i)] = record[i];
  }

  std::int64_t Sector(std::uint64_t number) const {
    return static_cast<std::int64_t>(MftByte(number * 1024) / geometry.sectorSize);
  }

  // Base record 16 with its list (resident, or non-resident at kListCluster), and its extension records.
  Bytes Populate(bool residentList) {
    const Bytes list = AttributeList(kEntries);
    R base;
    base.StandardInformation(0).Number(kBase);
    if (residentList) {
      base.Resident(0x20, list);
    } else {
      std::copy(list.begin(), list.end(), device->bytes().begin() + static_cast<std::ptrdiff_t>(kListCluster * ClusterBytes()));
      base.NonResident(0x20, {0x11, 0x01, static_cast<std::uint8_t>(kListCluster), 0x00}, 0, 0,
                       static_cast<std::int64_t>(list.size()));
    }
    base.FileName(u"base", 5);
    const Bytes baseBytes = base.Build();
    PlaceRecord(kBase, baseBytes);
    PlaceRecord(17, R().Base(kBase | (std::uint64_t{1} << 48)).Number(17).FileName(u"n17a", 5).FileName(u"n17b", 5).Build());
    PlaceRecord(18, R().Base(kBase).Number(18).FileName(u"n18", 5).Build());
    PlaceRecord(19, R().Base(7).Number(19).FileName(u"stranger", 5).Build());
    return baseBytes;
  }

  CNTFSMultiFileRecord Open(const Bytes& base) {
    auto extensions = CNTFSMultiFileRecord::InitExtendFileRecord(base, Sector(kBase), *device, geometry, mftRuns);
    return CNTFSMultiFileRecord(base, Sector(kBase), device.get(), geometry, mftRuns, std::move(extensions));
  }

  void ExpectNamesAcrossRecords(CNTFSMultiFileRecord& record) {
    ASSERT_TRUE(record.IsValid());
    // The base record itself and the unmapped number are left out; 19 is listed but turns out to be a stranger's.
    ASSERT_EQ(record.Extensions().size(), 3u);
    EXPECT_TRUE(record.HasSameExtendFileRecordInfoList(17));
    EXPECT_FALSE(record.HasSameExtendFileRecordInfoList(kBase));
    EXPECT_FALSE(record.HasSameExtendFileRecordInfoList(9999));
    const std::vector<std::pair<std::string, std::uint64_t>> expected{
        {"base", kBase}, {"n17a", 17}, {"n17b", 17}, {"n18", 18}};
    for (unsigned n = 0; n < expected.size(); ++n) {
      const auto found = record.FindAttibute(ntfs::kFileName, n);
      ASSERT_TRUE(found.has_value()) << n;
      EXPECT_EQ(CNTFSFileRecordFileNameAttribute(found->attribute).GetFileName(), expected[n].first);
      EXPECT_EQ(found->recordSector, Sector(expected[n].second)) << n;
      EXPECT_EQ(quellsy::le32(found->attribute.Bytes(), 0).value_or(0), ntfs::kFileName);
    }
    EXPECT_FALSE(record.FindAttibute(ntfs::kFileName, 4).has_value());
    EXPECT_TRUE(record.IsinUse());
    EXPECT_EQ(record.GetMainFileRecordIndex(), kBase);
  }

  NTFSVolumeGeometry geometry;
  CNTFSDataRunList mftRuns;
  std::unique_ptr<MemoryDevice> device;
};

TEST_P(MultiRecord, ResidentAttributeList) {
  const Bytes base = Populate(true);
  auto record = Open(base);
  ExpectNamesAcrossRecords(record);
  EXPECT_EQ(CNTFSMultiFileRecord::GetFileRecordStartSectorfromMFTNumber(18, geometry, mftRuns), Sector(18));
  EXPECT_EQ(CNTFSMultiFileRecord::GetFileRecordStartSectorfromMFTNumber(9999, geometry, mftRuns), -1);
}

TEST_P(MultiRecord, NonResidentAttributeList) {
  const Bytes base = Populate(false);
  auto record = Open(base);
  ExpectNamesAcrossRecords(record);
}

TEST_P(MultiRecord, UnreadableExtensionContributesNothing) {
  const Bytes base = Populate(true);
  if (Sector(17) != Sector(18) && Sector(17) != Sector(kBase)) {
    device->FailSectors(Sector(17), 1);
  } else {
    device->bytes()[MftByte(17 * 1024)] = 'X';  // shares a sector with its neighbours: spoil its magic instead
  }
  auto record = Open(base);
  const auto first = record.FindAttibute(ntfs::kFileName, 1);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(CNTFSFileRecordFileNameAttribute(first->attribute).GetFileName(), "n18");
  EXPECT_FALSE(record.FindAttibute(ntfs::kFileName, 2).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Geometries, MultiRecord,
    ::testing::Values(Geometry{"512-byte sectors, 4 KiB clusters", 512, 8, {{2, 10}}},
                      Geometry{"4 KiB sectors holding four records each", 4096, 1, {{2, 10}}},
                      // 512-byte clusters: record 17 (bytes 17408-18431) is split between clusters 50 and 100.
                      Geometry{"records split across fragments", 512, 1, {{16, 35}, {100, 45}}}));

TEST(CNTFSMultiFileRecord, OversizedOrEmptyAttributeListsAreNotRead) {
  NTFSVolumeGeometry geometry;
  geometry.sectorsPerCluster = 8;
  MemoryDevice device(static_cast<long long>(8 * 200), 512);
  CNTFSDataRunList mftRuns;
  mftRuns.AddDataRun({2, 0, 10});
  // 0x60 clusters of 4 KiB: 384 KiB claimed.
  const Bytes huge = R().NonResident(0x20, {0x11, 0x60, 0x14, 0x00}, 0, 0x5F, 1024).FileName(u"f", 5).Build();
  EXPECT_TRUE(CNTFSMultiFileRecord::InitExtendFileRecord(huge, 48, device, geometry, mftRuns).empty());
  const Bytes uninitialized = R().NonResident(0x20, {0x11, 0x01, 0x14, 0x00}, 0, 0, 0).FileName(u"f", 5).Build();
  EXPECT_TRUE(CNTFSMultiFileRecord::InitExtendFileRecord(uninitialized, 48, device, geometry, mftRuns).empty());
  const Bytes noList = R().FileName(u"f", 5).Build();
  EXPECT_TRUE(CNTFSMultiFileRecord::InitExtendFileRecord(noList, 48, device, geometry, mftRuns).empty());
  CNTFSMultiFileRecord invalid(Bytes(1024, 0), 48, &device, geometry, mftRuns, {});
  EXPECT_FALSE(invalid.IsValid());
  EXPECT_FALSE(invalid.FindAttibute(ntfs::kFileName, 0).has_value());
}

TEST(CNTFSMultiFileRecord, AttributeListEntries) {
  EXPECT_EQ(CNTFSMultiFileRecord::ParseAttributeList(AttributeList(kEntries)),
            (std::vector<std::int64_t>{16, 17, 18, 19, 9999}));
  Bytes cut = AttributeList({{0x30, 17}, {0x30, 18}});
  cut.resize(0x20 + 0x10);  // the second entry lacks its reference
  EXPECT_EQ(CNTFSMultiFileRecord::ParseAttributeList(cut), (std::vector<std::int64_t>{17}));
  Bytes zero = AttributeList({{0x30, 17}, {0, 18}});
  EXPECT_EQ(CNTFSMultiFileRecord::ParseAttributeList(zero), (std::vector<std::int64_t>{17}));
}

}  // namespace
}  // namespace quellsy::test
