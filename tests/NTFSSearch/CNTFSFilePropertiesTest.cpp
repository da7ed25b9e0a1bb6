// File properties and nodes built from hand-made FILE records: which name, size, attributes and extents a file
// gets, and copies that stay independent of their source.

#include <gtest/gtest.h>

#include <memory>

#include "NTFSLib/CNTFSMultiFileRecord.h"
#include "NTFSLib/NtfsRecordBuilder.h"
#include "NTFSSearch/CNTFSFileNode.h"
#include "NTFSSearch/CNTFSFilePropertiesBuilder.h"
#include "include/IDataRunList.h"
#include "include/IFileReader.h"

namespace {

using quellsy::test::FileNameContent;
using quellsy::test::NtfsRecordBuilder;

constexpr std::int64_t kRecordSector = 4242;
constexpr std::uint32_t kBytesPerCluster = 4096;

std::unique_ptr<CNTFSFileProperties> Build(const NtfsRecordBuilder& builder, std::int64_t* parent = nullptr) {
  const std::vector<std::uint8_t> bytes = builder.Build();
  NTFSVolumeGeometry geometry;
  geometry.sectorsPerCluster = 8;
  CNTFSMultiFileRecord multi(bytes, kRecordSector, nullptr, geometry, CNTFSDataRunList(), {});
  std::int64_t found = -1;
  std::unique_ptr<CNTFSFileProperties> properties(
      CNTFSFilePropertiesBuilder::BuildFileProperties(kRecordSector, multi, kBytesPerCluster, found));
  if (parent != nullptr) *parent = found;
  return properties;
}

std::vector<std::uint8_t> NameWithNamespace(const std::u16string& name, std::uint64_t parent, std::uint8_t space) {
  std::vector<std::uint8_t> content = FileNameContent(name, parent);
  content[0x41] = space;
  return content;
}

TEST(CNTFSFilePropertiesBuilder, TheLongNameInTheSecondFileNameWins) {
  NtfsRecordBuilder record;
  record.StandardInformation(0).Resident(0x30, NameWithNamespace(u"LONGNA~1.TXT", 77, 2)).FileName(u"long name.txt", 77);
  std::int64_t parent = -1;
  const auto properties = Build(record, &parent);
  ASSERT_TRUE(properties);
  EXPECT_STREQ(properties->GetFileName(), "long name.txt");
  EXPECT_EQ(properties->GetFileNameLength(), 13);
  EXPECT_EQ(parent, 77);
}

TEST(CNTFSFilePropertiesBuilder, FilesWithoutAUsableNameGiveNoProperties) {
  NtfsRecordBuilder empty;
  empty.StandardInformation(0).FileName(u"", 5);
  EXPECT_FALSE(Build(empty));
  NtfsRecordBuilder nameless;
  nameless.StandardInformation(0).Resident(0x80, {1, 2, 3});
  EXPECT_FALSE(Build(nameless));
}

TEST(CNTFSFilePropertiesBuilder, ResidentDataPointsIntoItsRecord) {
  const std::vector<std::uint8_t> data = {'r', 'e', 's', 'i', 'd', 'e', 'n', 't', '!', '\n'};
  NtfsRecordBuilder record;
  record.StandardInformation(0).FileName(u"r.txt", 5).Resident(0x80, data);
  const auto properties = Build(record);
  ASSERT_TRUE(properties);
  EXPECT_EQ(properties->GetFileSize(), 10);
  IDataRunList* runs = properties->GetDataRunList();
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(runs->GetDataRunListType(), 1);
  ASSERT_NE(runs->GetFirst(), nullptr);
  EXPECT_EQ(runs->GetFirst()->lcn, kRecordSector);
  // The offset finds the value in the record's bytes.
  const std::vector<std::uint8_t> bytes = record.Build();
  const auto offset = static_cast<std::size_t>(runs->GetOffset());
  ASSERT_LE(offset + data.size(), bytes.size());
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + offset, bytes.begin() + offset + data.size()), data);
}

struct AttributeCase {
  const char* name;
  std::uint16_t dataFlags;
  std::uint32_t dosPermissions;
  std::uint16_t expected;
};

class DataFlags : public testing::TestWithParam<AttributeCase> {};

TEST_P(DataFlags, BecomeAttributes) {
  const AttributeCase& c = GetParam();
  NtfsRecordBuilder record;
  record.StandardInformation(c.dosPermissions)
      .FileName(u"f.bin", 5)
      .NonResident(0x80, {0x11, 0x10, 0x20, 0x00}, 0, 15, 60000, {}, c.dataFlags);
  const auto properties = Build(record);
  ASSERT_TRUE(properties);
  EXPECT_EQ(properties->GetAttribute(), c.expected);
}

// Data flags: 0x0001 compressed, 0x4000 encrypted. DOS permissions keep read-only, hidden, system and archive.
INSTANTIATE_TEST_SUITE_P(Cases, DataFlags,
                         testing::Values(AttributeCase{"Plain", 0, 0, 0},
                                         AttributeCase{"Compressed", 0x0001, 0, 0x800},
                                         AttributeCase{"Encrypted", 0x4000, 0, 0x40},
                                         AttributeCase{"CompressedAndEncrypted", 0x4001, 0, 0x40},
                                         AttributeCase{"DosBits", 0, 0x0100 | 0x27, 0x27}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(CNTFSFilePropertiesBuilder, ASizeOfZeroBecomesTheClustersBytes) {
  NtfsRecordBuilder record;
  record.StandardInformation(0).FileName(u"z.bin", 5).NonResident(0x80, {0x11, 0x02, 0x10, 0x00}, 0, 1, 0);
  const auto properties = Build(record);
  ASSERT_TRUE(properties);
  EXPECT_EQ(properties->GetFileSize(), 2 * 4096);
}

TEST(CNTFSFilePropertiesBuilder, TheDataAttributesSizeWinsOverAStaleNameSize) {
  std::vector<std::uint8_t> name = FileNameContent(u"shrunk.bin", 5);
  NtfsRecordBuilder::Put64(name, 0x30, 9000);  // the name's stale real size
  NtfsRecordBuilder record;
  record.StandardInformation(0).Resident(0x30, name).NonResident(0x80, {0x11, 0x02, 0x10, 0x00}, 0, 1, 600);
  const auto properties = Build(record);
  ASSERT_TRUE(properties);
  EXPECT_EQ(properties->GetFileSize(), 600);
}

TEST(CNTFSFileNode, DeletedFoldersAndTheirIds) {
  NtfsRecordBuilder record(1024, 0x2);  // a folder not in use
  record.StandardInformation(0).FileName(u"gone", 9, 0x10000000);
  auto properties = Build(record);
  ASSERT_TRUE(properties);
  EXPECT_EQ(properties->GetState() & 1, 1);
  CNTFSFileNode node;
  node.SetFileProperties(properties.release());
  EXPECT_EQ(node.GetCurrentNodeID(), 0);
  EXPECT_EQ(node.GetParentNodeID(), 5);
  EXPECT_EQ(node.GetMetadataStartPosition(), kRecordSector);
  EXPECT_EQ(node.IsDeleted(), 1);
  EXPECT_EQ(node.IsDirectory(), 1);
  EXPECT_EQ(node.IsCompressed(), 0);
  EXPECT_EQ(node.GetSearcheType(), SEARCHER_NTFS);
}

TEST(CNTFSFileNode, ALiveFileMarkedDeletedBecomesDeleted) {
  NtfsRecordBuilder record;
  record.StandardInformation(0).FileName(u"x", 5).NonResident(0x80, {0x11, 0x10, 0x20, 0x00}, 0, 15, 100, {}, 1);
  CNTFSFileNode node;
  node.SetFileProperties(Build(record).release());
  EXPECT_EQ(node.IsDeleted(), 0);
  EXPECT_EQ(node.IsCompressed(), 1);
  node.MarkDeleted();
  EXPECT_EQ(node.IsDeleted(), 1);
  IFileReader* reader = node.CreateCompressFileReader(nullptr);
  ASSERT_NE(reader, nullptr);
  reader->Release();
}

TEST(CNTFSFileNode, ClonesOutliveTheirSource) {
  NtfsRecordBuilder record;
  record.StandardInformation(0).FileName(u"keep.bin", 5).NonResident(0x80, {0x11, 0x03, 0x20, 0x21, 0x02, 0x40, 0x00, 0x00},
                                                                     0, 4, 5000);
  auto* node = new CNTFSFileNode();
  node->SetFileProperties(Build(record).release());
  node->SetCurrentNodeID(70);
  std::unique_ptr<IFileProperties> properties(node->GetFileProperties()->Clone());
  IFileNode* copy = node->Clone();
  ASSERT_NE(copy, nullptr);
  node->Release();
  EXPECT_STREQ(copy->GetFileName(), "keep.bin");
  EXPECT_STREQ(properties->GetFileName(), "keep.bin");
  EXPECT_EQ(copy->GetFileSize(), 5000);
  EXPECT_EQ(copy->GetCurrentNodeID(), 0);
  EXPECT_EQ(copy->GetParentNodeID(), 5);
  // Runs 3 clusters at 0x20, then 2 at 0x20 + 0x40 (mapping-pair offsets are relative).
  for (IDataRunList* runs : {copy->GetDataRunList(), properties->GetDataRunList()}) {
    ASSERT_NE(runs, nullptr);
    const DataRun* first = runs->GetFirst();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->lcn, 0x20);
    EXPECT_EQ(first->length, 3);
    const DataRun* second = runs->GetNext();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->lcn, 0x60);
    EXPECT_EQ(second->length, 2);
  }
  copy->Release();
}

TEST(CNTFSFileProperties, FileSystemRootsAreFoldersNamedByTheirLabel) {
  for (const auto& [label, name] : {std::pair<const char*, const char*>{"DATA", "DATA"}, {"", "NTFS"}, {nullptr, "NTFS"}}) {
    const std::unique_ptr<CNTFSFileProperties> root(CreateNTFSFileSystemFileProperties(label));
    ASSERT_TRUE(root);
    EXPECT_STREQ(root->GetFileName(), name);
    EXPECT_EQ(root->GetAttribute(), 0x10);
    EXPECT_EQ(root->GetDataRunList(), nullptr);
  }
}

}  // namespace
