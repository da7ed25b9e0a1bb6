// The NTFS quick search read directly (without the controllers) over mkntfs/ntfs-3g volumes: what it hands the
// tree builder is checked against the volume's manifest and ntfsls's listing, and every way it can fail ends
// with a final state-3 record carrying its code.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "NTFSLib/NTFSPublicFunction.h"
#include "NTFSLib/NtfsImages.h"
#include "NTFSSearch/CNTFSQuickSearch.h"
#include "NTFSSearch/NTFSSearchErrors.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;
namespace codes = quellsy::ntfssearch;

class RecordingProgress : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO* info) override { records.push_back(*info); }
  int Continued() override { return stop ? 0 : 1; }
  int shouldBuild() override { return 1; }

  std::vector<_PROGRESS_INFO> records;
  bool stop = false;
};

struct Scan {
  RecordingTreeBuilder builder;
  RecordingProgress progress;
  unsigned long long result = 1;
};

void RunScan(IStorageDevice* device, Scan& scan) {
  CNTFSQuickSearch searcher;
  searcher.SetDirecotryTreeBuilder(&scan.builder);
  scan.result = searcher.QuickSearchFiles(device, &scan.progress);
}

const NtfsImages& Images() {
  const NtfsImages* images = NtfsImages::Generated();
  EXPECT_TRUE(images->Available()) << images->Why();
  return *images;
}

struct VolumeCase {
  const char* name;
  const char* image;
  unsigned sectorSize;  // the device's, whatever the volume was made for
};

class NtfsQuickSearchVolumes : public testing::TestWithParam<VolumeCase> {
 protected:
  void TearDown() override { NTFSPublicFunction::ResetDeviceSectorSize(); }
};

TEST_P(NtfsQuickSearchVolumes, HandsEveryUserFileToTheBuilderUnderItsFolder) {
  const VolumeCase& c = GetParam();
  const NtfsImages& images = Images();
  ASSERT_TRUE(images.Available());
  const NtfsImage image = images.Image(c.image);
  FileDevice device(image.path, c.sectorSize);
  Scan scan;
  RunScan(&device, scan);
  ASSERT_EQ(scan.result, 0u);
  EXPECT_EQ(NTFSPublicFunction::DeviceSectorSize(), c.sectorSize);
  ASSERT_EQ(scan.builder.searchers().size(), 1u);
  EXPECT_EQ(scan.builder.searchers()[0], std::make_pair(SEARCHER_NTFS, 5LL));
  EXPECT_EQ(scan.builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_NTFS});
  ASSERT_FALSE(scan.progress.records.empty());
  EXPECT_EQ(scan.progress.records.back().status, PROGRESS_STATUS_FINISHED);
  EXPECT_EQ(scan.progress.records.back().result, 0u);

  // Each manifest file under its own MFT number, with its size and state.
  for (const NtfsManifestFile& file : image.files) {
    SCOPED_TRACE(file.path);
    const auto& nodes = scan.builder.nodes();
    const auto found = std::find_if(nodes.begin(), nodes.end(), [&](const RecordingTreeBuilder::Node& node) {
      return node.id == static_cast<long long>(file.mftNumber);
    });
    ASSERT_NE(found, nodes.end());
    EXPECT_EQ(found->name, fs::path(file.path).filename().string());
    EXPECT_EQ(found->size, static_cast<long long>(file.size));
    EXPECT_EQ(found->deleted, file.deleted);
  }
  // Every live node is a name ntfsls lists, in the folder it lists it in; no meta file is among them.
  std::size_t live = 0;
  for (const RecordingTreeBuilder::Node& node : scan.builder.nodes()) {
    SCOPED_TRACE(node.name);
    EXPECT_GE(node.id, 24);
    EXPECT_NE(node.name.front(), '$');
    if (node.deleted) continue;
    ++live;
    const bool listed = std::any_of(image.listing.begin(), image.listing.end(), [&](const NtfsListedName& name) {
      return static_cast<long long>(name.mftNumber) == node.id && name.name == node.name &&
             static_cast<long long>(name.parent) == node.parentId;
    });
    EXPECT_TRUE(listed);
  }
  EXPECT_GT(live, image.files.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsQuickSearchVolumes,
                         testing::Values(VolumeCase{"Sectors512", "ntfs-512.img", 512},
                                         VolumeCase{"FourKn", "ntfs-4k.img", 4096},
                                         VolumeCase{"FourKnReadIn512", "ntfs-4k.img", 512}),
                         [](const auto& param) { return std::string(param.param.name); });

// A copy of an image with byte ranges zeroed.
fs::path DamagedCopy(const TempDir& dir, const fs::path& source, const std::vector<std::pair<std::uint64_t, std::size_t>>& zeroed) {
  const fs::path copy = dir / "damaged.img";
  fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
  std::fstream out(copy, std::ios::in | std::ios::out | std::ios::binary);
  for (const auto& [at, count] : zeroed) {
    const std::vector<char> zeros(count, 0);
    out.seekp(static_cast<std::streamoff>(at));
    out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  return copy;
}

struct Layout {
  std::uint64_t mft = 0;
  std::uint64_t mirror = 0;
  std::size_t record = 0;
};

Layout LayoutOf(const fs::path& image) {
  const NtfsVolume volume(image, 512);
  EXPECT_TRUE(volume.ok);
  const std::uint64_t cluster = volume.geometry.ClusterBytes();
  return {static_cast<std::uint64_t>(volume.boot.GetMFTStartCluster()) * cluster,
          static_cast<std::uint64_t>(volume.boot.GetMFTMirrorStartCluster()) * cluster, volume.geometry.recordSize};
}

TEST(NtfsQuickSearch, ADamagedMftRecordIsReplacedByItsMirror) {
  const NtfsImages& images = Images();
  ASSERT_TRUE(images.Available());
  const fs::path source = images.Image("ntfs-512.img").path;
  Scan intact;
  FileDevice intactDevice(source, 512);
  RunScan(&intactDevice, intact);
  ASSERT_EQ(intact.result, 0u);

  TempDir dir;
  const Layout layout = LayoutOf(source);
  FileDevice damaged(DamagedCopy(dir, source, {{layout.mft, layout.record}}), 512);
  Scan scan;
  RunScan(&damaged, scan);
  EXPECT_EQ(scan.result, 0u);
  ASSERT_EQ(scan.builder.nodes().size(), intact.builder.nodes().size());
  for (std::size_t i = 0; i < intact.builder.nodes().size(); ++i) {
    EXPECT_EQ(scan.builder.nodes()[i].name, intact.builder.nodes()[i].name);
    EXPECT_EQ(scan.builder.nodes()[i].runs.size(), intact.builder.nodes()[i].runs.size());
  }
}

struct FailureCase {
  const char* name;
  unsigned long long code;
  // What is zeroed in a copy of ntfs-512.img: the boot sector, or both copies of the $MFT record.
  bool zeroBoot;
  bool zeroMft;
};

class NtfsQuickSearchFailures : public testing::TestWithParam<FailureCase> {};

TEST_P(NtfsQuickSearchFailures, EndWithTheFinalRecordAndNoTree) {
  const FailureCase& c = GetParam();
  const NtfsImages& images = Images();
  ASSERT_TRUE(images.Available());
  const fs::path source = images.Image("ntfs-512.img").path;
  const Layout layout = LayoutOf(source);
  std::vector<std::pair<std::uint64_t, std::size_t>> zeroed;
  if (c.zeroBoot) zeroed.push_back({0, 512});
  if (c.zeroMft) zeroed.insert(zeroed.end(), {{layout.mft, layout.record}, {layout.mirror, layout.record}});
  TempDir dir;
  FileDevice device(DamagedCopy(dir, source, zeroed), 512);
  Scan scan;
  RunScan(&device, scan);
  EXPECT_EQ(scan.result, c.code);
  EXPECT_TRUE(scan.builder.nodes().empty());
  EXPECT_TRUE(scan.builder.flushes().empty());
  ASSERT_FALSE(scan.progress.records.empty());
  EXPECT_EQ(scan.progress.records.back().status, PROGRESS_STATUS_FINISHED);
  EXPECT_EQ(scan.progress.records.back().result, c.code);
}

INSTANTIATE_TEST_SUITE_P(Damage, NtfsQuickSearchFailures,
                         testing::Values(FailureCase{"NoBootSector", codes::kQuickNoBootSector, true, false},
                                         FailureCase{"NoMftRecord", codes::kQuickNoMFTRecord, false, true}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(NtfsQuickSearch, MissingArgumentsAndTinyDevicesAreRefused) {
  {
    Scan scan;
    RunScan(nullptr, scan);
    EXPECT_EQ(scan.result, codes::kQuickMissingArgument);
    ASSERT_FALSE(scan.progress.records.empty());
    EXPECT_EQ(scan.progress.records.back().result, codes::kQuickMissingArgument);
  }
  // Two sectors, the first a copy of a real boot sector: too small to hold a volume.
  const NtfsImages& images = Images();
  ASSERT_TRUE(images.Available());
  std::vector<std::uint8_t> bytes(1024, 0);
  std::ifstream(images.Image("ntfs-512.img").path, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), 512);
  MemoryDevice tiny(bytes, 512);
  Scan scan;
  RunScan(&tiny, scan);
  EXPECT_EQ(scan.result, codes::kQuickNoBootSector);
  EXPECT_EQ(scan.progress.records.back().status, PROGRESS_STATUS_FINISHED);
}

TEST(NtfsQuickSearch, AStopStillBuildsTheTreeAndSendsTheFinalRecord) {
  const NtfsImages& images = Images();
  ASSERT_TRUE(images.Available());
  FileDevice device(images.Image("ntfs-512.img").path, 512);
  Scan scan;
  scan.progress.stop = true;
  RunScan(&device, scan);
  EXPECT_EQ(scan.result, 0u);
  EXPECT_TRUE(scan.builder.nodes().empty());
  EXPECT_EQ(scan.builder.flushes(), std::vector<_tagSearcherType>{SEARCHER_NTFS});
  EXPECT_EQ(scan.progress.records.back().status, PROGRESS_STATUS_FINISHED);
}

}  // namespace
