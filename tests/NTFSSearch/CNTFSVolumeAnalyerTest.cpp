// The NTFS probe's label over volumes labelled by mkntfs and ntfslabel, the oracle being what ntfslabel reads back
// (and the label given to the tool); then volumes whose $Volume record or $MFT was damaged by hand.

#include "NTFSSearch/CNTFSVolumeAnalyer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "NTFSLib/NtfsImages.h"
#include "Utility/ByteReader.h"
#include "support/FixtureScript.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

// The fixture script's volumes and what ntfslabel read from each.
struct LabelledVolumes {
  TempDir dir;
  std::map<std::string, std::string> facts;
  std::map<std::string, std::string> labels;
  FixtureRun run;

  LabelledVolumes() {
    run = RunFixture("tests/NTFSSearch/make-ntfs-labelled-volumes.sh", {dir.path().string()});
    if (!run.Made()) return;
    ReadFixtureManifest(dir / "labels.manifest", facts, [&](const std::vector<std::string>& f) {
      ASSERT_EQ(f.size(), 4u);
      labels[f[0]] = f[1];
    });
  }
};

std::string LabelOf(IVolumeAnalyze& analyser, int size = 1024) {
  std::string buffer(1024, '\x7F');
  analyser.GetLabel(buffer.data(), size);
  return std::string(buffer.c_str());
}

struct LabelCase {
  const char* image;
  unsigned sectorSize;  // the device's, whatever the volume was made for
  const char* given;    // the label handed to mkntfs or ntfslabel
};

void PrintTo(const LabelCase& c, std::ostream* os) { *os << c.image << " read in " << c.sectorSize << "-byte sectors"; }

class NtfsLabels : public ::testing::TestWithParam<LabelCase> {};

TEST_P(NtfsLabels, AsNtfslabelReadsIt) {
  const LabelCase& c = GetParam();
  LabelledVolumes volumes;
  QUELLSY_REQUIRE_FIXTURE(volumes.run);
  ASSERT_TRUE(volumes.labels.count(c.image)) << c.image << " not in the manifest";
  const fs::path path = volumes.dir / c.image;
  FileDevice device(path, c.sectorSize);
  std::unique_ptr<IVolumeAnalyze> analyser(CreateNTFSVolumeAnalyze(&device, 0));
  ASSERT_NE(analyser, nullptr);
  EXPECT_EQ(analyser->GetFileSystemType(), FILE_SYSTEM_NTFS);
  EXPECT_EQ(LabelOf(*analyser), volumes.labels[c.image]);
  EXPECT_EQ(LabelOf(*analyser), c.given);
}

const std::string kLongest = [] {
  std::string text;
  for (int i = 0; i < 128; ++i) text += "ä";
  return text;
}();

INSTANTIATE_TEST_SUITE_P(Volumes, NtfsLabels,
                         ::testing::Values(LabelCase{"office.img", 512, "OFFICE"},
                                           LabelCase{"buero.img", 4096, "Büro Ärchiv"},
                                           LabelCase{"buero.img", 512, "Büro Ärchiv"},
                                           LabelCase{"relabelled.img", 512, "📁 Akten 日本"},
                                           LabelCase{"longest.img", 512, kLongest.c_str()},
                                           LabelCase{"unlabelled.img", 512, ""}));

TEST(NtfsLabel, VolumeInsideAPartitionedDisk) {
  LabelledVolumes volumes;
  QUELLSY_REQUIRE_FIXTURE(volumes.run);
  FileDevice device(volumes.dir / "disk.img", 512);
  const auto start = std::stoull(volumes.facts.at("ntfs-start"));
  std::unique_ptr<IVolumeAnalyze> analyser(CreateNTFSVolumeAnalyze(&device, start));
  ASSERT_NE(analyser, nullptr);
  EXPECT_EQ(LabelOf(*analyser), volumes.labels.at("disk.img"));
  EXPECT_EQ(LabelOf(*analyser), "OFFICE");
  EXPECT_EQ(CreateNTFSVolumeAnalyze(&device, std::stoull(volumes.facts.at("fat-start"))), nullptr);
}

// The caller's buffer: zero-terminated, never a UTF-8 sequence cut in two, nothing written when it has no room.
TEST(NtfsLabel, CutToTheCallersBuffer) {
  LabelledVolumes volumes;
  QUELLSY_REQUIRE_FIXTURE(volumes.run);
  FileDevice device(volumes.dir / "longest.img", 512);
  std::unique_ptr<IVolumeAnalyze> analyser(CreateNTFSVolumeAnalyze(&device, 0));
  ASSERT_NE(analyser, nullptr);
  // 99 bytes hold 49 two-byte characters; the 50th would be cut.
  EXPECT_EQ(LabelOf(*analyser, 100), kLongest.substr(0, 98));
  EXPECT_EQ(LabelOf(*analyser, 2), "");
  EXPECT_EQ(LabelOf(*analyser, 1), "");
  char untouched[2] = {'\x7F', '\x7F'};
  analyser->GetLabel(untouched, 0);
  analyser->GetLabel(nullptr, 10);
  EXPECT_EQ(untouched[0], '\x7F');
}

// Where office.img's records lie, worked out from its boot sector: 4 KiB clusters, 1 KiB records.
struct Layout {
  std::size_t mftRecord0 = 0;
  std::size_t volumeRecord = 0;
  std::size_t volumeName = 0;  // the $VOLUME_NAME attribute's header
};

Layout LayoutOf(const std::vector<std::uint8_t>& image) {
  const ByteSpan bytes(image);
  const std::uint64_t clusterBytes = le16(bytes, 0x0B).value_or(0) * std::uint64_t{bytes[0x0D]};
  Layout layout;
  layout.mftRecord0 = static_cast<std::size_t>(le64(bytes, 0x30).value_or(0) * clusterBytes);
  layout.volumeRecord = layout.mftRecord0 + 3 * 1024;
  std::size_t at = layout.volumeRecord + le16(bytes, layout.volumeRecord + 0x14).value_or(0);
  while (at < layout.volumeRecord + 1024) {
    const std::uint32_t type = le32(bytes, at).value_or(0xFFFFFFFF);
    if (type == 0xFFFFFFFF) break;
    if (type == 0x60) {
      layout.volumeName = at;
      break;
    }
    const std::uint32_t length = le32(bytes, at + 4).value_or(0);
    if (length == 0) break;
    at += length;
  }
  return layout;
}

struct Damage {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&, const Layout&)> apply;
  const char* label;
};

// A patched byte must not be one the update sequence keeps elsewhere (the last two of each sector).
void Put32(std::vector<std::uint8_t>& image, std::size_t at, std::uint32_t value) {
  ASSERT_LT(at % 512, 506u) << "offset " << at << " reaches a sector's last two bytes";
  FieldWriter(image).le32(at, value);
}

TEST(NtfsLabel, DamagedVolumeNameOrRecordsLeaveTheLabelEmpty) {
  LabelledVolumes volumes;
  QUELLSY_REQUIRE_FIXTURE(volumes.run);
  const std::vector<std::uint8_t> original = ReadFile(volumes.dir / "office.img");
  const Layout layout = LayoutOf(original);
  ASSERT_NE(layout.volumeName, 0u) << "no $VOLUME_NAME attribute in record 3";
  ASSERT_EQ(std::memcmp(original.data() + layout.volumeRecord, "FILE", 4), 0);

  const Damage damages[] = {
      {"intact", [](auto&, const Layout&) {}, "OFFICE"},
      {"absurd value length", [](auto& image, const Layout& l) { Put32(image, l.volumeName + 0x10, 0x7FFFFFF0); }, ""},
      {"value length past the attribute",
       [](auto& image, const Layout& l) { Put32(image, l.volumeName + 0x10, 2 * 200); }, ""},
      {"odd value length", [](auto& image, const Layout& l) { Put32(image, l.volumeName + 0x10, 11); }, ""},
      {"name attribute gone (end marker in its place)",
       [](auto& image, const Layout& l) { Put32(image, l.volumeName, 0xFFFFFFFF); }, ""},
      {"name marked non-resident",
       [](auto& image, const Layout& l) { image[l.volumeName + 8] = 1; }, ""},
      {"$Volume record's magic broken",
       [](auto& image, const Layout& l) { std::memcpy(image.data() + l.volumeRecord, "BAAD", 4); }, ""},
      // The $MFT's own record is damaged: its copy in the $MFTMirr still places record 3.
      {"$MFT record broken", [](auto& image, const Layout& l) { std::memcpy(image.data() + l.mftRecord0, "BAAD", 4); },
       "OFFICE"},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    std::vector<std::uint8_t> image = original;
    damage.apply(image, layout);
    MemoryDevice device(std::move(image), 512);
    std::unique_ptr<IVolumeAnalyze> analyser(CreateNTFSVolumeAnalyze(&device, 0));
    ASSERT_NE(analyser, nullptr);
    EXPECT_EQ(analyser->GetFileSystemType(), FILE_SYSTEM_NTFS);
    EXPECT_EQ(analyser->GetTotalSector(), original.size() / 512 - 1);
    EXPECT_EQ(LabelOf(*analyser), damage.label);
  }

  // The $MFT cannot be read at all.
  MemoryDevice unreadable(std::vector<std::uint8_t>(original), 512);
  unreadable.FailSectors(static_cast<long long>(layout.mftRecord0 / 512), 64);
  std::unique_ptr<IVolumeAnalyze> analyser(CreateNTFSVolumeAnalyze(&unreadable, 0));
  ASSERT_NE(analyser, nullptr);
  EXPECT_EQ(LabelOf(*analyser), "");
}

}  // namespace
}  // namespace quellsy::test
