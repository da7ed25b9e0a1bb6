// Whole volumes made by mkntfs and ntfs-3g, and made by Windows: every record, name, label and file's data as
// the library reads them, against what ntfsls lists and what the fixture scripts wrote.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "NTFSLib/CCommonFileRecordInfo.h"
#include "NTFSLib/CMFTInfo.h"
#include "NTFSLib/CMetaFileRecordTypeAnalyzer.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"
#include "NTFSLib/CNTFSMultiFileRecord.h"
#include "NTFSLib/CVolumeFileAnalyzer.h"
#include "NTFSLib/NTFSLayout.h"
#include "NTFSLib/NTFSPublicFunction.h"
#include "NTFSLib/NTFSReferenceTables.h"
#include "NtfsImages.h"
#include "support/MemoryDevice.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

struct VolumeCase {
  bool sample;
  const char* image;
  unsigned sectorSize;
};

void PrintTo(const VolumeCase& c, std::ostream* os) { *os << c.image; }

std::string Name(const ::testing::TestParamInfo<VolumeCase>& info) {
  std::string name = info.param.image;
  name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }),
             name.end());
  return name;
}

class NtfsVolumes : public ::testing::TestWithParam<VolumeCase> {
 protected:
  void SetUp() override {
    const auto* images = GetParam().sample ? NtfsImages::Samples() : NtfsImages::Generated();
    ASSERT_TRUE(images->Available()) << images->Why();
    image = images->Image(GetParam().image);
    volume = std::make_unique<NtfsVolume>(image.path, GetParam().sectorSize);
    ASSERT_TRUE(volume->ok) << "boot sector or $MFT of " << image.path << " not readable";
  }

  CNTFSMultiFileRecord Open(std::uint64_t number) const {
    const auto bytes = volume->Record(number);
    const std::int64_t sector = volume->RecordSector(number);
    auto extensions =
        CNTFSMultiFileRecord::InitExtendFileRecord(bytes, sector, *volume->device, volume->geometry, volume->mftRuns);
    return CNTFSMultiFileRecord(bytes, sector, volume->device.get(), volume->geometry, volume->mftRuns,
                                std::move(extensions));
  }

  // (name, parent) of every file-name attribute over the base record and its extension records.
  std::set<std::pair<std::string, std::uint64_t>> Names(CNTFSMultiFileRecord& record) const {
    std::set<std::pair<std::string, std::uint64_t>> names;
    for (unsigned n = 0;; ++n) {
      const auto found = record.FindAttibute(ntfs::kFileName, n);
      if (!found) break;
      const CNTFSFileRecordFileNameAttribute name(found->attribute);
      names.insert({name.GetFileName(), name.GetParentMftNumber()});
    }
    return names;
  }

  // The unnamed data stream's bytes: resident content, or the runs read up to the real size.
  std::vector<std::uint8_t> Data(std::uint64_t number, bool* sparse = nullptr) const {
    const CNTFSFileRecord record(volume->Record(number));
    const auto data = record.FindAttibute(ntfs::kData, 0);
    if (!data.IsValid()) return {};
    if (!data.IsNonResident()) {
      const auto content = data.GetContent();
      return {content.begin(), content.end()};
    }
    CNTFSDataRunList runs;
    std::int64_t realSize = 0;
    EXPECT_TRUE(CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, true, realSize));
    if (sparse != nullptr)
      *sparse = std::any_of(runs.GetBegin(), runs.GetEnd(), [](const CDataRun& r) { return r.lcn == -1; });
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(realSize));
    EXPECT_TRUE(ntfs::ReadThroughRuns(*volume->device, volume->geometry, runs, 0, bytes));
    return bytes;
  }

  NtfsImage image;
  std::unique_ptr<NtfsVolume> volume;
};

TEST_P(NtfsVolumes, EveryInUseRecordIsValidAndKnowsItsNumber) {
  unsigned inUse = 0;
  for (std::uint64_t n = 0; n < volume->recordCount; ++n) {
    const auto bytes = volume->Record(n);
    if (std::memcmp(bytes.data(), "FILE", 4) != 0 || (bytes[0x16] & 1) == 0) continue;
    ++inUse;
    const CNTFSFileRecord record(bytes);
    ASSERT_TRUE(record.IsValid()) << "record " << n;
    EXPECT_TRUE(record.IsFixedUp()) << "record " << n;
    EXPECT_EQ(record.RecordSize(), volume->geometry.recordSize) << "record " << n;
    if (record.HasXPNumberOfthisMFTRecord()) {
      EXPECT_EQ(record.GetXPNumberOfthisMFTRecord(), n);
    }
  }
  EXPECT_GE(inUse, 16u);
}

TEST_P(NtfsVolumes, EveryListedNameIsInItsRecordUnderItsFolder) {
  ASSERT_FALSE(image.listing.empty());
  std::map<std::uint64_t, std::set<std::pair<std::string, std::uint64_t>>> names;
  for (const auto& listed : image.listing) {
    if (!names.count(listed.mftNumber)) {
      auto record = Open(listed.mftNumber);
      ASSERT_TRUE(record.IsValid()) << listed.folder << "/" << listed.name;
      EXPECT_TRUE(record.IsinUse()) << listed.folder << "/" << listed.name;
      names[listed.mftNumber] = Names(record);
    }
    EXPECT_TRUE(names[listed.mftNumber].count({listed.name, listed.parent}))
        << listed.folder << "/" << listed.name << " (record " << listed.mftNumber << ", folder " << listed.parent << ")";
  }
}

TEST_P(NtfsVolumes, MetaFilesAndLabel) {
  std::size_t count = 0;
  const NTFSMetaFile* metas = CMetaFileRecordTypeAnalyzer::MetaFiles(count);
  for (std::size_t i = 0; i < count; ++i) {
    // $Extend's children ($Quota, $ObjId, $Reparse) live at any number on newer volumes: only 0-11 are fixed.
    if (metas[i].mftNumber > 11) continue;
    const CNTFSFileRecord record(volume->Record(metas[i].mftNumber));
    EXPECT_EQ(CMetaFileRecordTypeAnalyzer::GetMetaFileRecordIndex(record), metas[i].mftNumber);
    if (metas[i].mftNumber != 5) {
      EXPECT_TRUE(CMetaFileRecordTypeAnalyzer::IsValidMetaFileRecord(record));
    }
  }
  const CNTFSFileRecord volumeRecord(volume->Record(3));
  EXPECT_TRUE(CMetaFileRecordTypeAnalyzer::IsVolumeFileRecord(volumeRecord));
  EXPECT_EQ(CVolumeFileAnalyzer::GetLabel(volumeRecord).value_or("<none>"), image.facts["label"]);
  EXPECT_FALSE(CMetaFileRecordTypeAnalyzer::IsVolumeFileRecord(CNTFSFileRecord(volume->Record(4))));
}

TEST_P(NtfsVolumes, StandardAttrDefAndUpCaseEqualTheVolumes) {
  EXPECT_EQ(ntfs::StandardAttrDefFile(), ReadFile(image.Beside(".attrdef")));
  EXPECT_EQ(ntfs::StandardUpCaseFile(), ReadFile(image.Beside(".upcase")));
  EXPECT_EQ(Data(4), ReadFile(image.Beside(".attrdef")));
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsVolumes,
                         ::testing::Values(VolumeCase{false, "ntfs-512.img", 512}, VolumeCase{false, "ntfs-4k.img", 4096},
                                           VolumeCase{true, "ntfs-2m.part", 512},
                                           VolumeCase{true, "ntfs-ramslack.part", 512}),
                         Name);

class NtfsMadeVolumes : public NtfsVolumes {};

TEST_P(NtfsMadeVolumes, GeometryFromTheBootSector) {
  EXPECT_EQ(volume->boot.GetBytesPerSector(), std::stoul(image.facts["sector-size"]));
  EXPECT_EQ(volume->geometry.ClusterBytes(), std::stoul(image.facts["cluster-size"]));
  EXPECT_EQ(volume->geometry.recordSize, std::stoul(image.facts["record-size"]));
}

TEST_P(NtfsMadeVolumes, FilesReadByteForByteThroughTheirRuns) {
  ASSERT_FALSE(image.files.empty());
  for (const auto& file : image.files) {
    bool sparse = false;
    const auto bytes = Data(file.mftNumber, &sparse);
    EXPECT_EQ(bytes.size(), file.size) << file.path;
    EXPECT_EQ(Sha256Hex(bytes), file.sha256) << file.path;
    const CNTFSFileRecord record(volume->Record(file.mftNumber));
    EXPECT_EQ(record.IsinUse(), !file.deleted) << file.path;
    if (file.path == "/sparse.bin") {
      EXPECT_TRUE(sparse) << "no sparse run in " << file.path;
    }
  }
}

TEST_P(NtfsMadeVolumes, FragmentedFileHasManyRuns) {
  if (!image.Fuse()) GTEST_SKIP() << "no usable /dev/fuse: the fragmented file was not made";
  const auto* file = image.File("/docs/deep/fragmented.bin");
  ASSERT_NE(file, nullptr);
  const CNTFSFileRecord record(volume->Record(file->mftNumber));
  CNTFSDataRunList runs;
  std::int64_t realSize = 0;
  ASSERT_TRUE(CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, true, realSize));
  EXPECT_GE(runs.GetRuns().size(), 10u);
}

TEST_P(NtfsMadeVolumes, HardLinksFoundAcrossExtensionRecords) {
  if (!image.Fuse()) GTEST_SKIP() << "no usable /dev/fuse: the hard links were not made";
  const auto* file = image.File("/links.txt");
  ASSERT_NE(file, nullptr);
  auto record = Open(file->mftNumber);
  ASSERT_FALSE(record.Extensions().empty()) << "no attribute list";
  const std::int64_t baseSector = volume->RecordSector(file->mftNumber);
  unsigned names = 0;
  unsigned inExtensions = 0;
  for (;; ++names) {
    const auto found = record.FindAttibute(ntfs::kFileName, names);
    if (!found) break;
    if (found->recordSector != baseSector) ++inExtensions;
  }
  EXPECT_EQ(names, std::stoul(image.facts["links"]));
  EXPECT_GT(inExtensions, 0u);
}

TEST_P(NtfsMadeVolumes, NamedStreamsFoundAcrossExtensionRecords) {
  if (!image.Fuse()) GTEST_SKIP() << "no usable /dev/fuse: the named streams were not made";
  const auto* file = image.File("/streams.bin");
  ASSERT_NE(file, nullptr);
  auto record = Open(file->mftNumber);
  ASSERT_FALSE(record.Extensions().empty()) << "no attribute list";
  std::set<std::string> seen;
  for (unsigned n = 0;; ++n) {
    const auto found = record.FindAttibute(ntfs::kData, n);
    if (!found) break;
    const CNTFSFileRecordDataRunsAttribute stream(found->attribute);
    if (!stream.IsNamed()) continue;
    const auto units = stream.GetNameUnits();
    const std::string name(units.begin(), units.end());
    // setfattr -v "$(content sN 180)": "sN\n" repeated to 180 bytes, the last newline dropped by the shell.
    const std::string tag = "s" + name.substr(name.find('-') + 1) + "\n";
    std::string expected;
    while (expected.size() < 180) expected += tag;
    expected.resize(180);
    while (!expected.empty() && expected.back() == '\n') expected.pop_back();
    CNTFSDataRunList runs;
    std::vector<std::uint8_t> bytes;
    if (stream.IsNonResident()) {
      ASSERT_TRUE(stream.GetDataRunList(runs)) << name;
      bytes.resize(static_cast<std::size_t>(stream.GetRealSize()));
      ASSERT_TRUE(ntfs::ReadThroughRuns(*volume->device, volume->geometry, runs, 0, bytes)) << name;
    } else {
      bytes.assign(stream.GetContent().begin(), stream.GetContent().end());
    }
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected) << name;
    seen.insert(name);
  }
  EXPECT_EQ(seen.size(), std::stoul(image.facts["streams"]));
}

// One unreadable sector inside the $LogFile costs that sector alone: the rest of the cluster read with it, and
// every other page, are read as they are on the disk. The device fails whole reads over the sector, as a disk does.
TEST_P(NtfsMadeVolumes, AnUnreadableSectorOfTheLogFileCostsOnlyThatSector) {
  constexpr std::uint64_t kLogFile = 2;
  const std::vector<std::uint8_t> log = Data(kLogFile);
  const CNTFSFileRecord record(volume->Record(kLogFile));
  CNTFSDataRunList runs;
  std::int64_t realSize = 0;
  ASSERT_TRUE(CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(record, runs, true, realSize));
  const std::uint64_t clusterBytes = volume->geometry.ClusterBytes();
  const unsigned sectorSize = volume->geometry.sectorSize;
  ASSERT_GE(log.size(), 4 * clusterBytes);
  // The middle cluster's first sector; the bytes kept beside it (the rest of its cluster, or the next cluster)
  // are not all zeros, so losing them would show.
  const std::uint64_t vcn = log.size() / clusterBytes / 2;
  const std::int64_t lcn = runs.GetLCN(static_cast<std::int64_t>(vcn));
  ASSERT_GE(lcn, 0);
  const std::size_t at = static_cast<std::size_t>(vcn * clusterBytes);
  ASSERT_TRUE(std::any_of(log.begin() + static_cast<std::ptrdiff_t>(at + sectorSize),
                          log.begin() + static_cast<std::ptrdiff_t>(at + clusterBytes + sectorSize),
                          [](std::uint8_t b) { return b != 0; }));

  MemoryDevice failing(ReadFile(image.path), sectorSize);
  failing.ZeroWholeFailedReads();
  failing.FailSectors(lcn * volume->geometry.sectorsPerCluster + volume->geometry.origin, 1);
  std::vector<std::uint8_t> read(log.size(), 0xA5);
  EXPECT_FALSE(ntfs::ReadThroughRuns(failing, volume->geometry, runs, 0, read)) << "a sector was not read";
  std::vector<std::uint8_t> expected = log;
  std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(at), sectorSize, std::uint8_t{0});
  std::size_t differing = 0;
  for (std::size_t i = 0; i < read.size(); ++i) differing += read[i] != expected[i] ? 1 : 0;
  EXPECT_EQ(differing, 0u) << "bytes other than the unreadable sector's zeros";
}

TEST_P(NtfsMadeVolumes, MftEvidenceFromRecordZero) {
  const auto sectorSize = std::stoul(image.facts["sector-size"]);
  NTFSPublicFunction::SetDeviceSectorSize(static_cast<std::uint32_t>(sectorSize));
  CMFTInfo info;
  ASSERT_TRUE(info.Build(CNTFSFileRecord(volume->Record(0)), volume->RecordSector(0)));
  NTFSPublicFunction::ResetDeviceSectorSize();
  EXPECT_EQ(info.GetSector(), static_cast<std::int64_t>(volume->boot.GetMFTStartCluster() *
                                                        std::stoul(image.facts["cluster-size"]) / sectorSize));
  EXPECT_EQ(info.GetSectorsPerCluster(), std::stoul(image.facts["cluster-size"]) / sectorSize);
  EXPECT_EQ(info.GetSectorsPerFileRecord(), std::stoul(image.facts["record-size"]) / 512);
  EXPECT_EQ(info.GetDataRunList().GetLCN(0), volume->boot.GetMFTStartCluster());
  CMFTInfo back;
  std::size_t consumed = 0;
  const auto stored = info.Save();
  ASSERT_TRUE(back.Restore(stored, consumed));
  EXPECT_EQ(consumed, stored.size());
  EXPECT_EQ(back.GetSector(), info.GetSector());
  EXPECT_EQ(back.GetSectorsPerCluster(), info.GetSectorsPerCluster());
  EXPECT_TRUE(back.GetDataRunList().IsEqual(info.GetDataRunList()));
}

TEST_P(NtfsMadeVolumes, CommonRecordInfoPlacesFilesUnderTheirFolders) {
  for (const auto& file : image.files) {
    if (file.deleted) continue;
    const auto listed = std::find_if(image.listing.begin(), image.listing.end(),
                                     [&](const NtfsListedName& n) { return n.mftNumber == file.mftNumber; });
    ASSERT_NE(listed, image.listing.end()) << file.path;
    CCommonFileRecordInfo info;
    ASSERT_TRUE(info.Build(CNTFSFileRecord(volume->Record(file.mftNumber)), volume->RecordSector(file.mftNumber)));
    EXPECT_FALSE(info.IsDirectory()) << file.path;
    EXPECT_EQ(info.GetOwnMFTNumber(), static_cast<std::int64_t>(file.mftNumber)) << file.path;
    EXPECT_EQ(info.GetParentMFTNumber(), static_cast<std::int64_t>(listed->parent)) << file.path;
  }
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsMadeVolumes,
                         ::testing::Values(VolumeCase{false, "ntfs-512.img", 512}, VolumeCase{false, "ntfs-4k.img", 4096}),
                         Name);

TEST(NtfsSamples, CompressedVolumeMarksItsFilesCompressed) {
  const auto* images = NtfsImages::Samples();
  ASSERT_TRUE(images->Available()) << images->Why();
  const auto image = images->Image("ntfs-ramslack.part");
  NtfsVolume volume(image.path, 512);
  ASSERT_TRUE(volume.ok);
  const auto listed = std::find_if(image.listing.begin(), image.listing.end(),
                                   [](const NtfsListedName& n) { return n.folder == "/" && n.name == "1.txt"; });
  ASSERT_NE(listed, image.listing.end());
  const CNTFSFileRecord record(volume.Record(listed->mftNumber));
  const CNTFSFileRecordDataRunsAttribute data(record.FindAttibute(ntfs::kData, 0));
  ASSERT_TRUE(data.IsValid());
  EXPECT_TRUE(data.IsNonResident());
  EXPECT_TRUE(data.IsCompressed());
  EXPECT_EQ(data.GetCompressionUnit(), 4);
}

TEST(NtfsSamples, TwoMegabyteClusters) {
  const auto* images = NtfsImages::Samples();
  ASSERT_TRUE(images->Available()) << images->Why();
  NtfsVolume volume(images->Image("ntfs-2m.part").path, 512);
  ASSERT_TRUE(volume.ok);
  EXPECT_EQ(volume.geometry.ClusterBytes(), 2u * 1024 * 1024);
  EXPECT_EQ(volume.geometry.recordSize, 1024u);
}

}  // namespace
}  // namespace quellsy::test
