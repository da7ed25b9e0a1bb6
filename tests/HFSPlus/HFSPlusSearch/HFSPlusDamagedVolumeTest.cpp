// HFS+ volumes the test writer makes, then damages: one catalog leaf with an unreadable sector (reads fail
// wherever they touch it, as over a bad sector) costs only the records of that leaf; a volume header claiming
// far more blocks than the device holds sizes nothing by that claim, and the volume is read as it stands.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../HFSPlusLib/HFSPlusWrittenVolume.h"
#include "HFSPlus/HFSPlusSearch/CHFSPlusCompleteFileSystemSearchController.h"
#include "StorageDevice/StorageDeviceWithCache.h"
#include "Utility/ByteReader.h"
#include "Utility/TBitmap.h"
#include "support/FaultyRawReadBackend.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "tools/EngineCliRun.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kBlockSize = 4096;
constexpr std::uint32_t kBlocks = 1024;  // a 4 MiB volume
constexpr std::uint16_t kRecordsPerNode = 4;
constexpr std::size_t kFiles = 40;

class HFSPlusDamagedVolume : public EveryEngineRegistered, public ::testing::Test {
 protected:
  void SetUp() override {
    HFSPlusWriterOptions options;
    options.blockSize = kBlockSize;
    options.totalBlocks = kBlocks;
    options.maxRecordsPerNode = kRecordsPerNode;  // many leaves under an index level
    volume = WriteVolume(options, [](VolumeContent& content) {
      for (std::size_t i = 0; i < kFiles; ++i) {
        std::u16string name = u"file-00.txt";
        name[5] = static_cast<char16_t>(u'0' + i / 10);
        name[6] = static_cast<char16_t>(u'0' + i % 10);
        content.File(2, name, 300 + 97 * i);
      }
    });
    image = dir / "volume.img";
    volume.image->WriteFile(image);
  }

  // The listed files (paths inside the volume) whose copies hold what was written.
  // expectedExit: 1 when the device has an unreadable range, which the run reports.
  std::vector<std::string> ListedAndCopied(const std::vector<std::string>& args, int expectedExit = 0) {
    const fs::path out = dir / ("out" + std::to_string(runs++));
    fs::create_directories(out);
    std::vector<std::string> all = args;
    all.insert(all.end(), {"--json", "--recover", out.string()});
    const CliRun run = Cli(all);
    EXPECT_EQ(run.exit, expectedExit) << run.err;
    std::vector<std::string> good;
    for (const auto& [path, entry] : ListedByPath(run)) {
      const auto written = volume.files.find(path.substr(path.rfind('/') + 1));
      if (written == volume.files.end()) continue;
      std::vector<fs::path> copies;
      for (const auto& file : fs::recursive_directory_iterator(out))
        if (file.path().filename() == written->first) copies.push_back(file.path());
      EXPECT_EQ(copies.size(), 1u) << path;
      if (copies.size() == 1 && ReadFile(copies.front()) == written->second) good.push_back(written->first);
    }
    return good;
  }

  TempDir dir;
  WrittenVolume volume;
  fs::path image;
  int runs = 0;
};

// The catalog's leaves in key order: from the header record's first leaf along the forward links.
std::vector<std::uint32_t> LeafChain(const SparseImage& image, std::uint64_t catalog, std::uint32_t nodeSize) {
  const std::vector<std::uint8_t> header = image.Read(catalog, nodeSize);
  std::vector<std::uint32_t> leaves;
  for (std::uint32_t node = be32(header, 14 + 10).value_or(0); node != 0 && leaves.size() < 1000;) {
    leaves.push_back(node);
    node = be32(image.Read(catalog + std::uint64_t{node} * nodeSize, nodeSize), 0).value_or(0);
  }
  return leaves;
}

TEST_F(HFSPlusDamagedVolume, AnUnreadableSectorInOneCatalogLeafCostsOnlyThatLeaf) {
  const std::uint64_t catalog =
      std::uint64_t{volume.writer->SpecialFork(hfsplus::kCatalogFileID).extents.at(0).startBlock} * kBlockSize;
  const std::uint32_t nodeSize = volume.writer->options().catalogNodeSize;
  const std::vector<std::uint32_t> leaves = LeafChain(*volume.image, catalog, nodeSize);
  ASSERT_GE(leaves.size(), 10u) << "records of 40 files, 4 to a leaf";
  // A leaf in the middle of the chain, its second sector: its descriptor stays readable.
  const std::uint64_t bad = catalog + std::uint64_t{leaves[leaves.size() / 2]} * nodeSize + 512;
  auto backend = std::make_shared<FaultyRawReadBackend>();
  backend->FailRequestsCovering({static_cast<long long>(bad), static_cast<long long>(bad + 512)});
  ScopedRawReadBackend scoped(backend, std::chrono::seconds(30));

  const std::vector<std::string> copied = ListedAndCopied({"quick", image.string(), "--live"}, 1);
  // At most the leaf's own records are lost, and some were: the leaf held file records.
  EXPECT_GE(copied.size(), kFiles - kRecordsPerNode);
  EXPECT_LT(copied.size(), kFiles);
}

// The header says 2^32 - 1 blocks on a volume of 1024: the volume is read as the device holds it, and the bitmap of
// its blocks the complete scan keeps is no larger than the device.
TEST_F(HFSPlusDamagedVolume, AHeaderClaimingMoreBlocksThanTheDeviceHoldsSizesNothingByIt) {
  std::vector<std::uint8_t> claim{0xFF, 0xFF, 0xFF, 0xFF};
  volume.image->Write(1024 + 44, claim);
  volume.image->WriteFile(image);
  EXPECT_EQ(ListedAndCopied({"quick", image.string(), "--live"}).size(), kFiles);
  EXPECT_EQ(ListedAndCopied({"complete", image.string(), "--searchers", "hfs"}).size(), kFiles);

  SparseDevice device(volume.image, 512);
  CStorageDeviceWithCache cache(&device);
  TBitmap bitmap;
  CHFSPlusCompleteFileSystemSearchController searcher;
  searcher.SetDevice(&cache);
  searcher.SetBlockSize(8192);
  searcher.SetBitmap(&bitmap);
  searcher.PreparetoSearch();
  ASSERT_NE(bitmap.GetBitmapData(), nullptr);
  EXPECT_LE(bitmap.GetMaxBitIndex() + 1, static_cast<long long>(kBlocks)) << "one bit per block the device holds";
  searcher.EndSearch(1);
}

}  // namespace
}  // namespace quellsy::test
