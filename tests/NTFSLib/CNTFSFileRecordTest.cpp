// FILE records written by hand: the header bounds, the fix-up, the attribute walk and its tests.

#include "NTFSLib/CNTFSFileRecord.h"

#include <gtest/gtest.h>

#include <functional>

#include "NTFSLib/CFolderFileRecordAnalyzer.h"
#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"
#include "NTFSLib/CResidentNTFSDataRunList.h"
#include "NTFSLib/CVolumeFileAnalyzer.h"
#include "NTFSLib/NTFSLayout.h"
#include "NTFSLib/NTFSPublicFunction.h"
#include "NtfsRecordBuilder.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using R = NtfsRecordBuilder;

Bytes Plain() { return R().StandardInformation(0).FileName(u"plain.txt", 5).Build(); }

struct HeaderCase {
  const char* what;
  std::function<void(Bytes&)> change;
  bool valid;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.what; }

class HeaderCases : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderCases, RecordTest) {
  Bytes bytes = Plain();
  GetParam().change(bytes);
  EXPECT_EQ(CNTFSFileRecord::IsValid(bytes), GetParam().valid);
  EXPECT_EQ(CNTFSFileRecord(bytes).IsValid(), GetParam().valid);
  // Borrowed, the buffer is fixed up in place and tested there: refused or not, it ends as it was on disk.
  Bytes borrowed = bytes;
  {
    const CNTFSFileRecord record(borrowed.data(), borrowed.size(), false);
    EXPECT_EQ(record.IsValid(), GetParam().valid);
  }
  EXPECT_EQ(borrowed, bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderCases,
    ::testing::Values(
        HeaderCase{"as written", [](Bytes&) {}, true},
        HeaderCase{"magic", [](Bytes& b) { b[0] = 'B'; }, false},
        HeaderCase{"update-sequence count 17", [](Bytes& b) { R::Put16(b, 0x06, 17); }, false},
        HeaderCase{"update-sequence count 0", [](Bytes& b) { R::Put16(b, 0x06, 0); }, false},
        HeaderCase{"update-sequence count 1 (nothing to fix)", [](Bytes& b) { R::Put16(b, 0x06, 1); }, true},
        HeaderCase{"allocated size 1536", [](Bytes& b) { R::Put32(b, 0x1C, 1536); }, false},
        HeaderCase{"allocated size 0", [](Bytes& b) { R::Put32(b, 0x1C, 0); }, false},
        HeaderCase{"allocated size beyond the buffer", [](Bytes& b) { R::Put32(b, 0x1C, 2048); }, false},
        HeaderCase{"update-sequence offset 40", [](Bytes& b) { R::Put16(b, 0x04, 40); }, false},
        HeaderCase{"update-sequence offset 258", [](Bytes& b) { R::Put16(b, 0x04, 258); }, false},
        // POSIX names (ntfs-3g writes them) may hold characters Windows refuses.
        HeaderCase{"file name with a question mark", [](Bytes& b) { R::Put16(b, 0x38 + 0x60 + 0x5A + 2, u'?'); }, true},
        HeaderCase{"first attribute beyond 1015 (no attributes)", [](Bytes& b) { R::Put16(b, 0x14, 1016); }, true},
        HeaderCase{"attribute longer than the record", [](Bytes& b) { R::Put32(b, 0x38 + 4, 2000); }, false},
        HeaderCase{"resident content beyond the attribute", [](Bytes& b) { R::Put32(b, 0x38 + 0x10, 0x49); }, false}));

TEST(CNTFSFileRecord, ShortAndOddBuffers) {
  const Bytes bytes = Plain();
  EXPECT_FALSE(CNTFSFileRecord::IsValid(ByteSpan(bytes).first(512)));
  Bytes longer = bytes;
  longer.resize(1100);
  EXPECT_FALSE(CNTFSFileRecord::IsValid(longer));
  longer.resize(1536);
  EXPECT_TRUE(CNTFSFileRecord::IsValid(longer));
  EXPECT_FALSE(CNTFSFileRecord(nullptr, 1024, true).IsValid());
}

TEST(CNTFSFileRecord, FixupPutsBackTheProtectedWords) {
  // Content over the end of the first stride: bytes 510-511 of the record are stored in the array on disk.
  Bytes content(0x1F0);
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 7 + 1);
  const Bytes bytes = R().FileName(u"x", 5).Resident(0x80, content).Build();
  const CNTFSFileRecord record(bytes);
  ASSERT_TRUE(record.IsValid());
  EXPECT_TRUE(record.IsFixedUp());
  const auto data = record.FindAttibute(0x80, 0);
  ASSERT_TRUE(data.IsValid());
  const auto got = data.GetContent();
  EXPECT_EQ(Bytes(got.begin(), got.end()), content);
}

TEST(CNTFSFileRecord, FourKilobyteRecordsAreFixedUpAndWalkedWhole) {
  // Eight strides, with data crossing the ends of several of them and attributes past the first kilobyte.
  Bytes content(0x900);
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>(i * 13 + 5);
  const Bytes bytes = R(4096).FileName(u"big", 5).Resident(0x80, content).FileName(u"second", 5).Build();
  ASSERT_TRUE(CNTFSFileRecord::IsValid(bytes));
  const CNTFSFileRecord record(bytes);
  ASSERT_TRUE(record.IsValid());
  EXPECT_TRUE(record.IsFixedUp());
  EXPECT_EQ(record.RecordSize(), 4096u);
  const auto got = record.FindAttibute(0x80, 0).GetContent();
  EXPECT_EQ(Bytes(got.begin(), got.end()), content);
  EXPECT_EQ(record.GetAttibuteCountofSpecifiedType(0x30), 2u);
  EXPECT_GT(record.GetAttributeOffset(0x30, 1), 1024u);
  EXPECT_EQ(CNTFSFileRecordFileNameAttribute(record.FindAttibute(0x30, 1)).GetFileName(), "second");
}

TEST(CNTFSFileRecord, UnmatchedSecondStrideLeavesTheRecordUnfixed) {
  Bytes bytes = Plain();
  R::Put16(bytes, 1022, 0x1234);
  ASSERT_TRUE(CNTFSFileRecord::IsValid(bytes));
  EXPECT_FALSE(CNTFSFileRecord::IsValidUpdateSequence(bytes));
  const CNTFSFileRecord record(bytes);
  EXPECT_TRUE(record.IsValid());
  EXPECT_FALSE(record.IsFixedUp());
  EXPECT_EQ(quellsy::le16(record.Bytes(), 1022).value_or(0), 0x1234);
}

TEST(CNTFSFileRecord, BorrowedBufferGetsItsOnDiskFormBack) {
  const Bytes onDisk = Plain();
  Bytes buffer = onDisk;
  {
    const CNTFSFileRecord record(buffer.data(), buffer.size(), false);
    ASSERT_TRUE(record.IsFixedUp());
    EXPECT_NE(buffer, onDisk);  // fixed up in place while the record lives
  }
  EXPECT_EQ(buffer, onDisk);

  Bytes fixed = onDisk;
  ASSERT_TRUE(CNTFSFileRecord::UnfixupFileRecord(fixed));
  EXPECT_EQ(quellsy::le16(fixed, 510).value_or(0), 0);
  ASSERT_TRUE(CNTFSFileRecord::FixupFileRecord(fixed));
  EXPECT_EQ(fixed, onDisk);
}

TEST(CNTFSFileRecord, WalkEndsAtOffset1016WithoutAnEndMarker) {
  // One attribute filling the record up to byte 1016: the walk stops there without reading a marker.
  Bytes content(1016 - 0x38 - 0x18);
  Bytes bytes = R().Resident(0x80, content).Build();
  ASSERT_EQ(quellsy::le32(bytes, 0x38 + 4).value_or(0), 1016u - 0x38);
  R::Put32(bytes, 1016, 0x12345678);  // whatever lies after is not looked at
  EXPECT_TRUE(CNTFSFileRecord::IsValid(bytes));
  EXPECT_EQ(CNTFSFileRecord(bytes).AttributeOffsets().size(), 1u);
}

TEST(CNTFSFileRecord, DataMappingPairsAreTested) {
  const Bytes good{0x11, 0x04, 0x20, 0x00};
  const Bytes bad{0x11, 0x04, 0x20};  // no terminator inside the attribute
  const Bytes wide{0x91, 0x04, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x00};
  EXPECT_TRUE(CNTFSFileRecord::IsValid(R().NonResident(0x80, good, 0, 3, 16384).Build()));
  EXPECT_FALSE(CNTFSFileRecord::IsValid(R().NonResident(0x80, wide, 0, 3, 16384).Build()));
  EXPECT_FALSE(CNTFSFileRecord::IsValid(R().NonResident(0x80, wide, 0, 3, 16384, u"stream").Build()));
  // Only data attributes have their pairs tested.
  EXPECT_TRUE(CNTFSFileRecord::IsValid(R().NonResident(0xA0, wide, 0, 3, 16384).Build()));
  // The pairs run to the attribute's end: 8-byte alignment leaves zeros after three bytes, which terminate them.
  EXPECT_TRUE(CNTFSFileRecord::IsValid(R().NonResident(0x80, bad, 0, 3, 16384).Build()));
}

TEST(CNTFSFileRecord, HeaderFields) {
  const Bytes bytes = R(1024, 3).FileName(u"dir", 5, 0x10000000).Base(0x0002000000000010ull).Number(77).Build();
  const CNTFSFileRecord record(bytes);
  ASSERT_TRUE(record.IsValid());
  EXPECT_TRUE(record.IsFolder());
  EXPECT_TRUE(record.IsinUse());
  EXPECT_TRUE(record.IsExtendFileRecord());
  EXPECT_EQ(record.GetBaseFileRecordNumber(), 16u);
  EXPECT_TRUE(record.HasXPNumberOfthisMFTRecord());
  EXPECT_EQ(record.GetXPNumberOfthisMFTRecord(), 77u);
  EXPECT_FALSE(record.HasAttributeList());
  const CNTFSFileRecordFileNameAttribute name(record.FindAttibute(0x30, 0));
  EXPECT_TRUE(name.IsDirectory());
  EXPECT_EQ(name.GetParentMftNumber(), 5u);
  EXPECT_FALSE(record.FindAttibute(0x30, 1).IsValid());
  EXPECT_EQ(record.GetAttributeOffset(0x10, 0), 0xFFFFFFFFu);
}

// Windows refuses these characters in names, but POSIX names (which ntfs-3g writes) hold all but "/", and a
// damaged or foreign volume may hold any: the record stays a record, and its file is found.
TEST(CNTFSFileRecord, FileNamesOfEveryCharacterKeepTheRecord) {
  for (const std::u16string name : {u"plain name.txt", u"", u"a?b", u"a*b", u"a/b", u"a:b", u"a<b", u"a>b",
                                    u"a\\b", u"a|b", u"a\"b", u"ünï €"}) {
    const Bytes bytes = R().FileName(name, 5).Build();
    EXPECT_TRUE(CNTFSFileRecord::IsValid(bytes));
    const CNTFSFileRecord record(bytes);
    const CNTFSFileRecordFileNameAttribute attribute(record.FindAttibute(0x30, 0));
    EXPECT_EQ(attribute.GetFileNameUnits(), std::vector<std::uint16_t>(name.begin(), name.end()));
  }
}

TEST(CNTFSFileRecord, MetaFilesByNameAndPermissions) {
  const Bytes mft = R().StandardInformation(0x6).FileName(u"$MFT", 5).Build();
  const Bytes notHidden = R().StandardInformation(0x4).FileName(u"$MFT", 5).Build();
  const Bytes ordinary = R().StandardInformation(0x6).FileName(u"$MFT2", 5).Build();
  const Bytes quota = R().StandardInformation(0x6).FileName(u"$Quota", 11).Build();
  const Bytes extension = R().StandardInformation(0x6).FileName(u"$MFT", 5).Base(3).Build();
  EXPECT_EQ(CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(CNTFSFileRecord(mft)), 0u);
  EXPECT_TRUE(CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(CNTFSFileRecord(mft)));
  EXPECT_TRUE(CMetaFileRecordTypeAnalyzer::IsMFTFileRecord(CNTFSFileRecord(mft)));
  EXPECT_FALSE(CMetaFileRecordTypeAnalyzer::IsMFTMirrFileRecord(CNTFSFileRecord(mft)));
  EXPECT_EQ(CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(CNTFSFileRecord(notHidden)), 0u);
  EXPECT_FALSE(CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(CNTFSFileRecord(notHidden)));
  EXPECT_EQ(CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(CNTFSFileRecord(ordinary)), 0xFFFFFFFFu);
  EXPECT_EQ(CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(CNTFSFileRecord(quota)), 32u);
  EXPECT_EQ(CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(CNTFSFileRecord(extension)), 0xFFFFFFFFu);
  EXPECT_TRUE(CIsMetaFileRecord::IsMetaFileRecord(mft));
  EXPECT_FALSE(CIsMetaFileRecord::IsMetaFileRecord(ByteSpan(mft).first(1000)));
}

TEST(CVolumeFileAnalyzer, LabelInUtf8) {
  const std::u16string label = u"Données 日本";
  Bytes content;
  for (const char16_t unit : label) {
    content.push_back(static_cast<std::uint8_t>(unit));
    content.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  const Bytes volume = R().StandardInformation(0x6).FileName(u"$Volume", 5).Resident(0x60, content).Build();
  const CNTFSFileRecord record(volume);
  EXPECT_EQ(CVolumeFileAnalyzer::GetLabel(record).value_or("<none>"), "Données 日本");
  char small[10];
  ASSERT_TRUE(CVolumeFileAnalyzer::GetLabel(record, small, sizeof small));
  EXPECT_STREQ(small, "Données ");  // 9 bytes: the next character (3 bytes) would not fit whole
  const Bytes noLabel = R().StandardInformation(0x6).FileName(u"$Volume", 5).Resident(0x60, {}).Build();
  EXPECT_EQ(CVolumeFileAnalyzer::GetLabel(CNTFSFileRecord(noLabel)).value_or("<none>"), "");
  const Bytes notVolume = R().StandardInformation(0x6).FileName(u"$Boot", 5).Resident(0x60, content).Build();
  EXPECT_FALSE(CVolumeFileAnalyzer::GetLabel(CNTFSFileRecord(notVolume)).has_value());
}

// A volume holds at most 128 UTF-16 units of name; a longer or odd-length one is damage, not a label.
TEST(CVolumeFileAnalyzer, NameLengthBounds) {
  struct Case {
    std::size_t bytes;
    bool label;
  };
  for (const Case c : {Case{256, true}, Case{258, false}, Case{600, false}, Case{9, false}, Case{1, false}}) {
    SCOPED_TRACE(c.bytes);
    Bytes content;
    for (std::size_t i = 0; i < c.bytes; ++i) content.push_back(i % 2 == 0 ? 'x' : 0);
    const Bytes volume = R().StandardInformation(0x6).FileName(u"$Volume", 5).Resident(0x60, content).Build();
    const CNTFSFileRecord record(volume);
    ASSERT_TRUE(record.IsValid());
    const auto label = CVolumeFileAnalyzer::GetLabel(record);
    EXPECT_EQ(label.has_value(), c.label);
    if (c.label) {
      EXPECT_EQ(*label, std::string(c.bytes / 2, 'x'));
    }
  }
}

// An index root's content: node header, then entries naming parents, then the last entry.
Bytes IndexRoot(const std::vector<std::uint64_t>& parents, std::uint16_t firstFlags = 0) {
  Bytes content(0x20, 0);
  const std::size_t entrySize = 0x68;
  for (std::size_t i = 0; i < parents.size(); ++i) {
    Bytes entry(entrySize, 0);
    R::Put16(entry, 0x08, static_cast<std::uint16_t>(entrySize));
    R::Put16(entry, 0x0A, 0x52);
    R::Put16(entry, 0x0C, i == 0 ? firstFlags : 0);
    R::Put64(entry, 0x10, parents[i]);
    R::Put64(entry, 0x38, 4096);
    R::Put64(entry, 0x40, 100);
    entry[0x50] = 1;
    R::Put16(entry, 0x52, u'a');
    content.insert(content.end(), entry.begin(), entry.end());
  }
  Bytes last(0x10, 0);
  R::Put16(last, 0x08, 0x10);
  R::Put16(last, 0x0C, 2);
  content.insert(content.end(), last.begin(), last.end());
  R::Put32(content, 0x10, 0x10);
  R::Put32(content, 0x14, static_cast<std::uint32_t>(content.size() - 0x10));
  R::Put32(content, 0x18, static_cast<std::uint32_t>(content.size() - 0x10));
  return content;
}

TEST(CNTFSFileRecordIndexRootAttribute, OwnerFromTheEntries) {
  const auto owner = [](const Bytes& root) {
    const CNTFSFileRecord record(R(1024, 3).FileName(u"dir", 5).Resident(0x90, root, u"$I30").Build());
    const CNTFSFileRecordIndexRootAttribute index(record.FindAttibute(0x90, 0));
    EXPECT_TRUE(index.IsValidIndexRoot());
    return index.GetMFTFileRecordNumberfrom0x90();
  };
  EXPECT_EQ(owner(IndexRoot({0x0003000000000040ull, 0x0003000000000040ull})), 0x40);
  EXPECT_EQ(owner(IndexRoot({0x40, 0x41})), -1);
  EXPECT_EQ(owner(IndexRoot({})), -1);
  // A bare sub-node link is not held to the name and size tests, but its parent still counts.
  EXPECT_EQ(owner(IndexRoot({0x40, 0x40}, 1)), 0x40);
  Bytes tooBig = IndexRoot({0x40});
  R::Put32(tooBig, 0x14, 0x1000);
  const CNTFSFileRecord record(R(1024, 3).Resident(0x90, tooBig, u"$I30").Build());
  EXPECT_FALSE(CNTFSFileRecordIndexRootAttribute(record.FindAttibute(0x90, 0)).IsValidIndexRoot());
}

TEST(CFolderFileRecordAnalyzer, FolderWithIndexAllocation) {
  const Bytes pairs{0x11, 0x01, 0x30, 0x00};
  const Bytes folder = R(1024, 3).FileName(u"dir", 5).NonResident(0xA0, pairs, 0, 0, 4096, u"$I30").Build();
  const Bytes file = R(1024, 1).FileName(u"f", 5).NonResident(0xA0, pairs, 0, 0, 4096, u"$I30").Build();
  const Bytes small = R(1024, 3).FileName(u"dir", 5).Resident(0xA0, {1, 2, 3}).Build();
  EXPECT_TRUE(CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(CNTFSFileRecord(folder)));
  EXPECT_FALSE(CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(CNTFSFileRecord(file)));
  EXPECT_FALSE(CFolderFileRecordAnalyzer::IsValidFolderFileRecordHavingIndexAllocation(CNTFSFileRecord(small)));
}

TEST(CNTFSFileRecordAnalyzer, RunsOfTheUnnamedDataAttributes) {
  // Two pieces of one stream (VCN 0-7 at cluster 0x20, VCN 8-11 at 0x60), a named stream between them.
  const Bytes first{0x11, 0x08, 0x20, 0x00};
  const Bytes second{0x11, 0x04, 0x60, 0x00};
  const Bytes record = R()
                           .FileName(u"f", 5)
                           .NonResident(0x80, first, 0, 7, 49152)
                           .NonResident(0x80, {0x11, 0x01, 0x70, 0x00}, 0, 0, 10, u"ads")
                           .NonResident(0x80, second, 8, 11, 0)
                           .Build();
  CNTFSDataRunList runs;
  std::int64_t realSize = 0;
  ASSERT_TRUE(CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(CNTFSFileRecord(record), runs, true, realSize));
  EXPECT_EQ(realSize, 49152);
  EXPECT_EQ(runs.GetLCN(7), 0x27);
  EXPECT_EQ(runs.GetLCN(8), 0x60);
  EXPECT_EQ(runs.GetTotalClusters(), 12);
  // 49152 bytes over 12 clusters of 512-byte sectors: 8 sectors per cluster.
  NTFSPublicFunction::ResetDeviceSectorSize();
  EXPECT_EQ(CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(CNTFSFileRecord(record)), 8u);
  NTFSPublicFunction::SetDeviceSectorSize(4096);
  EXPECT_EQ(CNTFSFileRecordAnalyzer::GetSectorsPerClusterfrom0x80(CNTFSFileRecord(record)), 1u);
  NTFSPublicFunction::ResetDeviceSectorSize();

  // With the check, a piece whose pairs do not cover its VCN range ends the walk.
  const Bytes mismatched = R().NonResident(0x80, first, 0, 9, 4096).Build();
  CNTFSDataRunList none;
  EXPECT_FALSE(CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(CNTFSFileRecord(mismatched), none, true, realSize));
  EXPECT_TRUE(CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(CNTFSFileRecord(mismatched), none, false, realSize));
  // A resident data attribute ends it at once.
  const Bytes resident = R().Resident(0x80, {1, 2, 3}).Build();
  EXPECT_FALSE(CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(CNTFSFileRecord(resident), none, true, realSize));
}

TEST(SectorsPerClusterFromSize, RoundsUpToPowersOfTwo) {
  NTFSPublicFunction::ResetDeviceSectorSize();
  const std::vector<std::tuple<std::int64_t, std::int64_t, std::uint32_t>> cases{
      {4096, 1, 8},  {4000, 1, 8}, {1, 1, 1},         {3 * 512, 1, 4}, {65536, 1, 128},
      {65537, 1, 0}, {0, 1, 0},    {4096, 0, 0},      {-5, 1, 0},      {40960, 10, 8}};
  for (const auto& [size, clusters, expected] : cases)
    EXPECT_EQ(SectorsPerClusterFromSize(size, clusters), expected) << size << "/" << clusters;
  NTFSPublicFunction::SetDeviceSectorSize(1000);  // not a multiple of 512: taken as 512
  EXPECT_EQ(SectorsPerClusterFromSize(4096, 1), 8u);
  NTFSPublicFunction::ResetDeviceSectorSize();
}

TEST(CResidentNTFSDataRunList, FromAResidentAttribute) {
  const Bytes bytes = R().FileName(u"f", 5).Resident(0x80, {1, 2, 3, 4, 5}).Build();
  const CNTFSFileRecord record(bytes);
  const std::uint32_t offset = record.GetAttributeOffset(0x80, 0);
  std::int64_t size = 0;
  CResidentNTFSDataRunList* list = GetDataRunListfromResidentAttributeBuffer(record.FindAttibute(0x80, 0), 4242, offset, size);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(size, 5);
  EXPECT_EQ(list->GetOffset(), offset + 0x18);
  EXPECT_EQ(bytes[static_cast<std::size_t>(list->GetOffset())], 1);
  EXPECT_EQ(list->GetFirst()->lcn, 4242);
  EXPECT_TRUE(list->IsResident());
  list->Release();
}

TEST(NTFSPublicFunction, IsClusterNOMatch) {
  const std::vector<std::tuple<std::int64_t, std::int64_t, std::int64_t, std::uint32_t, bool>> cases{
      {2048 + 80, 10, 2048, 8, true}, {2048 + 81, 10, 2048, 8, false}, {2048 + 80, 11, 2048, 8, false},
      {5, 5, 0, 1, true},             {100, 1, 2048, 8, false},        {2048 + 24, 8, 2048, 3, false}};
  for (const auto& [sector, cluster, origin, spc, match] : cases)
    EXPECT_EQ(NTFSPublicFunction::IsClusterNOMatch(sector, cluster, origin, spc), match) << sector << " " << cluster;
}

}  // namespace
}  // namespace quellsy::test
