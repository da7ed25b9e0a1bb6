// Volumes made by macOS and by the Linux hfsplus driver, walked and compared with what The Sleuth Kit lists and
// reads on the same images, and with the manifest of the Linux-made one.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlusPublicImages.h"
#include "HFSPlusTestSupport.h"
#include "support/FixtureScript.h"
#include "support/MemoryDevice.h"
#include "support/PublicFixture.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using PublicImages = PublicHFSPlusImages;

struct FlsEntry {
  bool folder = false;
  std::string path;
};

// "r/r 19:\tpath" lines; the file system's own files (IDs below 16) and deleted entries are left out.
std::map<std::uint32_t, FlsEntry> ReadFls(const std::filesystem::path& path) {
  std::map<std::uint32_t, FlsEntry> entries;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    const auto colon = line.find(':');
    const auto tab = line.find('\t');
    if (colon == std::string::npos || tab == std::string::npos || line.find('*') < colon) continue;
    const auto id = static_cast<std::uint32_t>(std::stoul(line.substr(4, colon - 4)));
    if (id < hfsplus::kFirstUserCatalogNodeID) continue;
    entries[id] = {line[0] == 'd', line.substr(tab + 1)};
  }
  return entries;
}

// fls shows control characters in names as '^'.
std::string AsFlsShows(std::string path) {
  for (char& c : path) {
    if (static_cast<unsigned char>(c) < 0x20) c = '^';
  }
  return path;
}

struct OpenedImage {
  std::unique_ptr<MemoryDevice> device;
  std::unique_ptr<CHFSPlusVolume> volume;
  std::map<std::uint32_t, CatalogEntry> entries;
};

OpenedImage OpenAndWalk(const std::filesystem::path& image) {
  OpenedImage opened;
  opened.device = std::make_unique<MemoryDevice>(ReadFile(image), 512);
  opened.volume = std::make_unique<CHFSPlusVolume>(opened.device.get(), false);
  EXPECT_EQ(opened.volume->GetLastError(), kResultOk);
  CatalogListing listing;
  CountingProgress progress;
  EXPECT_EQ(opened.volume->Traverse(4, &listing, &progress), kResultOk);
  opened.entries = listing.Entries();
  return opened;
}

class PublicVolume : public ::testing::TestWithParam<const char*> {};

TEST_P(PublicVolume, WalkListsWhatTheSleuthKitListsAndReadsTheSameBytes) {
  auto& images = PublicImages::Get();
  if (!images.ok()) FAIL() << images.why();
  const std::string name = GetParam();
  const auto header = ReadFile(images / (name + ".img"));
  ASSERT_GE(header.size(), 1536u);
  EXPECT_TRUE(CHFSPlusVolume::IsValidVolumeHeader(ByteSpan(header).subspan(1024, 512)));

  auto opened = OpenAndWalk(images / (name + ".img"));
  const auto fls = ReadFls(images / (name + ".fls"));
  ASSERT_FALSE(fls.empty());
  EXPECT_EQ(opened.entries.size(), fls.size());
  for (const auto& [id, expected] : fls) {
    const auto found = opened.entries.find(id);
    ASSERT_NE(found, opened.entries.end()) << expected.path;
    EXPECT_EQ(AsFlsShows(found->second.path), expected.path);
    EXPECT_EQ(found->second.folder, expected.folder) << expected.path;

    HFSPlusSearchResult result;
    std::optional<BTRecord> record;
    HFSPlusCatalogKey key;
    key.parentID = found->second.parentID;
    key.nodeName = found->second.units;
    key.keyLength = static_cast<std::uint16_t>(6 + 2 * key.nodeName.size());
    ASSERT_EQ(opened.volume->Search(4, BTKey{key}, result, &record), kResultOk) << expected.path;
    EXPECT_EQ(result.found, 1) << expected.path;

    const auto icat = images / (name + ".files") / std::to_string(id);
    if (std::filesystem::exists(icat)) {
      EXPECT_EQ(ReadFork(*opened.volume, id, found->second.dataFork), ReadFile(icat)) << expected.path;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Images, PublicVolume, ::testing::Values("dfvfs", "forensic-volume", "forensic-nested", "linux"));

TEST(PublicVolumeAttributes, InlineAttributeAsTheSleuthKitReadsIt) {
  auto& images = PublicImages::Get();
  if (!images.ok()) FAIL() << images.why();
  auto opened = OpenAndWalk(images / "dfvfs.img");
  std::uint32_t id = 0;
  for (const auto& [entryID, entry] : opened.entries) {
    if (entry.path == "a_directory/a_file") id = entryID;
  }
  ASSERT_NE(id, 0u);
  std::vector<std::uint8_t> value;
  const auto expected = ReadFile(images / "dfvfs.myxattr");
  EXPECT_EQ(opened.volume->getAttribute(id, "myxattr", &value), expected.size());
  EXPECT_EQ(value, expected);
}

TEST(PublicVolumeManifest, EveryLiveFileOfTheLinuxImageWithItsBytes) {
  auto& images = PublicImages::Get();
  if (!images.ok()) FAIL() << images.why();
  auto opened = OpenAndWalk(images / "linux.img");
  std::map<std::string, const CatalogEntry*> byPath;
  std::size_t files = 0;
  for (const auto& [id, entry] : opened.entries) {
    byPath[entry.path] = &entry;
    if (!entry.folder) ++files;
  }
  std::size_t live = 0;
  std::ifstream manifest(images / "linux.manifest");
  std::string line;
  std::getline(manifest, line);  // column names
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    std::string path, size, sha, state;
    std::getline(fields, path, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, sha, '\t');
    std::getline(fields, state, '\t');
    if (state != "allocated" && state != "fragmented") continue;
    ++live;
    const auto found = byPath.find(path);
    ASSERT_NE(found, byPath.end()) << path;
    const CatalogEntry& entry = *found->second;
    EXPECT_EQ(entry.dataFork.logicalSize, std::stoull(size)) << path;
    EXPECT_EQ(Sha256Hex(ReadFork(*opened.volume, entry.id, entry.dataFork)), sha) << path;
    if (state == "fragmented") {
      const auto pieces = std::count_if(entry.dataFork.extents.begin(), entry.dataFork.extents.end(),
                                        [](const HFSPlusExtentDescriptor& e) { return e.blockCount != 0; });
      EXPECT_GT(pieces, 1) << path;
    }
  }
  EXPECT_EQ(live, 66u);
  EXPECT_EQ(files, live);
}

TEST(PublicVolumeHeader, MacOSHeaderPassesTheTest) {
  const auto path = PublicFixture("hfsplus-forensic/hfs_plus_header.bin");
  const auto bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), 2048u);
  EXPECT_TRUE(CHFSPlusVolume::IsValidVolumeHeader(ByteSpan(bytes).subspan(1024)));
}

}  // namespace
}  // namespace quellsy::test
