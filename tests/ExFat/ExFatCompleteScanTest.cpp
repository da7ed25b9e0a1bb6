// The exFAT complete scan end to end through engine-cli (real controller, tree builder and data recovery) with
// only the exFAT searcher: a disk whose partition table and main boot sector are gone, volumes without a
// partition table, and a volume formatted again over its old folders. Listings are checked against the
// images' manifests, copies byte for byte, deleted files against The Sleuth Kit.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>

#include "Engines/BuiltInEngines.h"
#include "ExFat/ExFatSleuthKit.h"
#include "include/EngineRegistry.h"
#include "support/fixtures/ExFatImages.h"
#include "tools/EngineCliRun.h"
#include "Utility/ByteReader.h"
#include "Utility/TextConvert.h"

namespace quellsy::test {
namespace {

class ExFatCompleteScanTest : public testing::Test {
 protected:
  // engine-cli leaves only the chosen searchers registered: every test starts and ends with all of them.
  void SetUp() override { RegisterAll(); }
  void TearDown() override { RegisterAll(); }
  static void RegisterAll() {
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }

  CliRun Complete(const fs::path& image) {
    fs::create_directories(m_dir / "out");
    return Cli({"complete", image.string(), "--searchers", "exfat", "--json", "--recover", (m_dir / "out").string()});
  }
  fs::path Recovered(const std::string& path) const { return RecoveredRoot(m_dir / "out") / fs::path(path.substr(1)); }

  TempDir m_dir;
};

struct ImageCase {
  const char* name;
  const char* image;
};

class ExFatCompleteScanImageTest : public ExFatCompleteScanTest, public testing::WithParamInterface<ImageCase> {};

TEST_P(ExFatCompleteScanImageTest, EveryManifestFileFoundAtItsPathAndCopiedOutByteForByte) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  const CliRun run = Complete(images->Image(GetParam().image));
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  const std::vector<ExFatManifestEntry> files = images->Manifest(GetParam().image).files;
  ASSERT_FALSE(files.empty());
  for (const ExFatManifestEntry& file : files) {
    SCOPED_TRACE(file.path);
    const auto found = listed.find(file.path);
    ASSERT_NE(found, listed.end());
    EXPECT_EQ(found->second.size, std::to_string(file.size));
    EXPECT_EQ(found->second.deleted, file.deleted ? "true" : "false");
    if (file.intact && file.size > 0) {
      EXPECT_EQ(HashOf(Recovered(file.path)), file.sha256);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Images, ExFatCompleteScanImageTest,
                         testing::Values(ImageCase{"diskWithoutTableOrMainBootSector", "lost-partition.img"},
                                         ImageCase{"volumeAlone", "exfat.img"},
                                         ImageCase{"smallClusters", "smallclusters.img"}),
                         [](const testing::TestParamInfo<ImageCase>& param) { return std::string(param.param.name); });

// The exFAT volume at the start of an image as its boot sector describes it.
struct VolumeLayout {
  std::uint64_t rootOffset = 0;  // bytes into the image
  std::uint64_t clusterBytes = 0;
  std::uint32_t clusterCount = 0;
};

std::optional<VolumeLayout> ReadLayout(const std::vector<std::uint8_t>& image) {
  const ByteSpan boot(image.data(), std::min<std::size_t>(image.size(), 512));
  const auto heap = le32(boot, 88);
  const auto clusters = le32(boot, 92);
  const auto root = le32(boot, 96);
  const auto sectorShift = u8(boot, 108);
  const auto clusterShift = u8(boot, 109);
  if (!heap || !clusters || !root || !sectorShift || !clusterShift || *root < 2 || *sectorShift > 12 ||
      *clusterShift > 16)
    return std::nullopt;
  const std::uint64_t sector = 1ull << *sectorShift;
  const std::uint64_t cluster = sector << *clusterShift;
  return VolumeLayout{*heap * sector + (*root - 2) * cluster, cluster, *clusters};
}

// Byte offset in the image of each entry set in the root folder's first cluster, by name.
std::map<std::string, std::uint64_t> RootEntrySets(const std::vector<std::uint8_t>& image, const VolumeLayout& volume) {
  std::map<std::string, std::uint64_t> sets;
  const ByteSpan folder = ByteSpan(image).subspan(volume.rootOffset, volume.clusterBytes);
  for (std::size_t at = 0; at + 32 <= folder.size(); at += 32) {
    if (folder[at] != 0x85) continue;
    std::vector<std::uint16_t> units;
    for (std::size_t entry = 1; entry <= folder[at + 1]; ++entry) {
      const std::size_t from = at + entry * 32;
      if (u8(folder, from) != 0xC1) continue;
      for (std::size_t unit = 2; unit < 32; unit += 2)
        if (const auto c = le16(folder, from + unit); c && *c != 0) units.push_back(*c);
    }
    sets[Utf16LeToUtf8(units, InvalidUtf16::kReplace).value_or("")] = volume.rootOffset + at;
  }
  return sets;
}

// The test image the damage tests start from: its bytes, its volume's layout and its root's entry sets.
class ExFatDamageTest : public ExFatCompleteScanTest {
 protected:
  void SetUp() override {
    ExFatCompleteScanTest::SetUp();
    images_ = ExFatImages::Get();
    if (!images_->MissingCapability().empty()) GTEST_SKIP() << images_->MissingCapability();
    ASSERT_TRUE(images_->Made()) << images_->Why();
    bytes_ = ReadFile(images_->Image("exfat.img"));
    const std::optional<VolumeLayout> volume = ReadLayout(bytes_);
    ASSERT_TRUE(volume);
    volume_ = *volume;
    entries_ = RootEntrySets(bytes_, volume_);
  }

  const ExFatImages* images_ = nullptr;
  std::vector<std::uint8_t> bytes_;
  VolumeLayout volume_;
  std::map<std::string, std::uint64_t> entries_;
};

struct DamageCase {
  const char* name;
  // Bytes from the root folder's start overwritten with zeros (0: none).
  std::uint64_t zeroed;
  // A top folder whose entry is made to point at a free cluster (empty: none).
  const char* repointed;
};

class ExFatDamagedRootTest : public ExFatDamageTest, public testing::WithParamInterface<DamageCase> {};

// A live file whose folder the root no longer reaches still lies in its own clusters of the volume its boot
// sector describes: it is copied from there byte for byte (under a placeholder folder), not from a geometry
// guessed from its folder alone. What the damage left reachable stays at its path, not deleted.
TEST_P(ExFatDamagedRootTest, FilesOfUnreachableFoldersAreCopiedFromTheirOwnClusters) {
  const DamageCase& damage = GetParam();
  ASSERT_LE(damage.zeroed, volume_.clusterBytes);
  std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(volume_.rootOffset), damage.zeroed, std::uint8_t{0});
  const std::string repointed = damage.repointed;
  if (!repointed.empty()) {
    ASSERT_TRUE(entries_.count(repointed)) << repointed << " is not in the root folder";
    // The stream extension follows the file entry; its first cluster field lies 20 bytes_ into it.
    const std::uint64_t field = entries_.at(repointed) + 32 + 20;
    ASSERT_EQ(bytes_[field - 20], 0xC0);
    const std::uint32_t lastCluster = volume_.clusterCount + 1;
    for (int i = 0; i < 4; ++i) bytes_[field + i] = static_cast<std::uint8_t>(lastCluster >> (8 * i));
  }
  const fs::path image = m_dir / "damaged.img";
  WriteFile(image, bytes_);
  // An entry in the root is gone with the bytes_ that held it.
  const auto lostEntry = [&](const std::string& name) {
    return !entries_.count(name) || entries_.at(name) < volume_.rootOffset + damage.zeroed || name == repointed;
  };

  const CliRun run = Complete(image);
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  int underPlaceholders = 0;
  int inPlace = 0;
  for (const ExFatManifestEntry& file : images_->Manifest("exfat.img").files) {
    if (file.deleted || !file.intact || file.size == 0) continue;
    SCOPED_TRACE(file.path);
    const std::size_t slash = file.path.find('/', 1);
    const std::string top = file.path.substr(1, slash == std::string::npos ? std::string::npos : slash - 1);
    if (!lostEntry(top)) {
      ASSERT_TRUE(listed.count(file.path));
      EXPECT_EQ(listed.at(file.path).deleted, "false");
      EXPECT_EQ(listed.at(file.path).size, std::to_string(file.size));
      EXPECT_EQ(HashOf(Recovered(file.path)), file.sha256);
      ++inPlace;
      continue;
    }
    // A file whose own entry lay in the root is gone with it.
    if (slash == std::string::npos) continue;
    const std::string below = file.path.substr(slash);
    std::vector<std::string> shown;
    for (const auto& [path, entry] : listed) {
      const std::size_t cut = path.find('/', 1);
      if (path.rfind("/DIR", 0) == 0 && cut != std::string::npos && path.substr(cut) == below) shown.push_back(path);
    }
    ASSERT_EQ(shown.size(), 1u) << testing::PrintToString(shown);
    EXPECT_EQ(listed.at(shown[0]).size, std::to_string(file.size));
    EXPECT_EQ(HashOf(Recovered(shown[0])), file.sha256);
    ++underPlaceholders;
  }
  EXPECT_GT(underPlaceholders, 0);
  if (damage.zeroed < volume_.clusterBytes) {
    EXPECT_GT(inPlace, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Damage, ExFatDamagedRootTest,
    testing::Values(DamageCase{"rootClusterOverwritten", 4096, ""},
                    // The root's later sectors (fragmented.bin's entry among them) are read as a piece of no folder.
                    DamageCase{"rootsFirstFourSectorsOverwritten", 2048, ""},
                    // A folder of contiguous files that grew before they were written.
                    DamageCase{"folderEntryPointsElsewhere", 0, "contiguous"}),
    [](const testing::TestParamInfo<DamageCase>& param) { return std::string(param.param.name); });

// Gives the file of the entry set at `at` another first cluster and makes the set's checksum right again, so
// that the set stays valid and only its data's place changes.
void SetFirstCluster(std::vector<std::uint8_t>& image, std::uint64_t at, std::uint32_t cluster) {
  const MutableByteSpan set = MutableByteSpan(image).subspan(at, (std::size_t{image.at(at + 1)} + 1) * 32);
  FieldWriter writer(set);
  writer.le32(32 + 20, cluster);
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < set.size(); ++i)
    if (i != 2 && i != 3) sum = static_cast<std::uint16_t>((sum & 1 ? 0x8000 : 0) + (sum >> 1) + set[i]);
  writer.le16(2, sum);
  ASSERT_TRUE(writer.ok());
}

struct PlaceCase {
  const char* name;
  bool pastTheVolume;  // else no cluster at all
};

class ExFatUnknownPlaceTest : public ExFatDamageTest, public testing::WithParamInterface<PlaceCase> {};

// A live file whose entry no longer says where its data lies (no first cluster, or one past the volume) is never
// copied out as its whole length of zeros and counted as copied: it is left out, or kept as incomplete and the run
// says so; the files around it still come back byte for byte.
TEST_P(ExFatUnknownPlaceTest, AFileWhoseDataCannotBeFoundIsNeverCopiedAsZeros) {
  const std::vector<ExFatManifestEntry> files = images_->Manifest("exfat.img").files;
  // The largest intact file whose entry lies in the root's first cluster.
  const ExFatManifestEntry* damaged = nullptr;
  for (const ExFatManifestEntry& file : files)
    if (!file.deleted && file.intact && file.path.find('/', 1) == std::string::npos &&
        entries_.count(file.path.substr(1)) && (damaged == nullptr || file.size > damaged->size))
      damaged = &file;
  ASSERT_NE(damaged, nullptr);
  ASSERT_GT(damaged->size, 0u);
  const std::uint32_t firstCluster = GetParam().pastTheVolume ? volume_.clusterCount + 2 : 0;
  SetFirstCluster(bytes_, entries_.at(damaged->path.substr(1)), firstCluster);
  const fs::path image = m_dir / "damaged.img";
  WriteFile(image, bytes_);

  const CliRun run = Complete(image);
  const std::map<std::string, Listed> listed = ListedByPath(run);
  SCOPED_TRACE(damaged->path);
  EXPECT_FALSE(fs::exists(Recovered(damaged->path)));
  if (listed.count(damaged->path)) {
    EXPECT_EQ(run.exit, 1) << run.err;
    EXPECT_NE(run.err.find("not everything was recovered whole"), std::string::npos) << run.err;
  }
  int whole = 0;
  for (const ExFatManifestEntry& file : files) {
    if (&file == damaged || file.deleted || !file.intact || file.size == 0 || !listed.count(file.path)) continue;
    EXPECT_EQ(HashOf(Recovered(file.path)), file.sha256) << file.path;
    ++whole;
  }
  EXPECT_GT(whole, 100);
}

INSTANTIATE_TEST_SUITE_P(Place, ExFatUnknownPlaceTest,
                         testing::Values(PlaceCase{"noFirstCluster", false}, PlaceCase{"pastTheVolume", true}),
                         [](const testing::TestParamInfo<PlaceCase>& param) { return std::string(param.param.name); });

TEST_F(ExFatCompleteScanTest, ReformattedVolumeShowsItsOldFoldersUnderPlaceholders) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  const CliRun run = Complete(images->Image("reformatted.img"));
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  std::map<std::string, std::string> placeholderOf;  // old top folder -> its placeholder
  int old = 0;
  for (const ExFatManifestEntry& file : images->Manifest("reformatted.img").files) {
    SCOPED_TRACE(file.path);
    if (!file.deleted) {
      ASSERT_TRUE(listed.count(file.path));
      EXPECT_EQ(listed.at(file.path).deleted, "false");
      EXPECT_EQ(HashOf(Recovered(file.path)), file.sha256);
      continue;
    }
    // The old root's entries are gone with it: its files are not expected.
    const std::size_t slash = file.path.find('/', 1);
    if (slash == std::string::npos) continue;
    const std::string top = file.path.substr(0, slash);
    const std::string below = file.path.substr(slash);
    std::string shown;
    for (const auto& [path, entry] : listed) {
      const std::size_t cut = path.find('/', 1);
      if (path.rfind("/DIR", 0) != 0 || cut == std::string::npos || path.substr(cut) != below) continue;
      EXPECT_EQ(placeholderOf.emplace(top, path.substr(0, cut)).first->second, path.substr(0, cut));
      shown = path;
    }
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(listed.at(shown).deleted, "true");
    EXPECT_EQ(HashOf(Recovered(shown)), file.sha256);
    ++old;
  }
  // /old-a (with its sub-folder /old-a/old-sub kept by name) and /old-b.
  EXPECT_EQ(old, 12 + 1 + 5);
  EXPECT_EQ(placeholderOf.size(), 2u);
  EXPECT_NE(placeholderOf["/old-a"], placeholderOf["/old-b"]);
}

TEST_F(ExFatCompleteScanTest, EveryDeletedFileTheSleuthKitListsIsListedAndCopiedAsWell) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  const fs::path image = images->Image("exfat.img");
  const CliRun run = Complete(image);
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  SleuthKitRecover(image, m_dir / "tsk");
  int deleted = 0;
  for (const auto& [path, isDeleted] : SleuthKitFiles(image)) {
    if (!isDeleted) continue;
    SCOPED_TRACE(path);
    ++deleted;
    ASSERT_EQ(listed.count(path), 1u);
    EXPECT_EQ(listed.at(path).deleted, "true");
    const std::string theirs = HashOf(m_dir / "tsk" / fs::path(path.substr(1)));
    if (!theirs.empty()) {
      EXPECT_EQ(HashOf(Recovered(path)), theirs);
    }
  }
  EXPECT_GT(deleted, 0);
}

}  // namespace
}  // namespace quellsy::test
