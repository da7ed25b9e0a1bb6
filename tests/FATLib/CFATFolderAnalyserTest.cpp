#include "FATLib/CFATFolderAnalyser.h"

#include <gtest/gtest.h>

#include <functional>

#include "FATLib/CFatFolderAnalyzeCB.h"
#include "FATLib/CTempFATDirEntry.h"
#include "FatImageHelpers.h"
#include "FatTestBytes.h"

namespace quellsy::test {
namespace {

const auto kDot = MakeEntry({".          ", 0x10, 40});
const auto kDotDot = MakeEntry({"..         ", 0x10, 7});
std::array<std::uint8_t, 32> File(const char* name, std::uint32_t cluster, std::uint32_t size = 100) {
  return MakeEntry({name, 0x20, cluster, size});
}
std::array<std::uint8_t, 32> Garbage() {
  std::array<std::uint8_t, 32> bytes;
  bytes.fill(0xC7);
  return bytes;
}

struct SectorCase {
  const char* name;
  std::vector<std::array<std::uint8_t, 32>> entries;  // from offset 0; the rest of the sector is zero
  std::uint32_t kind;
  std::uint32_t count;
  std::uint32_t own;
  std::uint32_t parent;
  std::uint32_t highest;
};

class SectorKinds : public ::testing::TestWithParam<SectorCase> {};

TEST_P(SectorKinds, Verdict) {
  const auto& c = GetParam();
  std::vector<std::uint8_t> sector(512, 0);
  for (std::size_t i = 0; i < c.entries.size(); ++i) PutEntry(sector, i, c.entries[i]);
  CFATFolderAnalyser analyser(512);
  EXPECT_EQ(analyser.AnalyseSector(sector), c.kind != 0);
  EXPECT_EQ(analyser.GetKind(), c.kind);
  EXPECT_EQ(analyser.GetEntryCount(), c.count);
  EXPECT_EQ(analyser.GetCurrentCluster(), c.own);
  EXPECT_EQ(analyser.GetParentCluster(), c.parent);
  EXPECT_EQ(analyser.GetHighestCluster(), c.highest);
  EXPECT_EQ(analyser.GetBytesToAnalyse(), 512u);
}

const auto kLongPiece = MakeLongNameEntry(0x41, u"a long name");

INSTANTIATE_TEST_SUITE_P(
    Cases, SectorKinds,
    ::testing::Values(
        SectorCase{"DotsThenGarbage", {kDot, kDotDot, File("A       TXT", 50), Garbage()}, 2, 1, 40, 7, 50},
        SectorCase{"EntriesThenEnd", {File("A       TXT", 5), kLongPiece, File("B       TXT", 9)}, 1, 2, 0, 0, 9},
        SectorCase{"EntriesThenGarbage", {File("A       TXT", 5), File("B       TXT", 9), Garbage()}, 0, 0, 0, 0, 0},
        SectorCase{"OnlyEnd", {}, 0, 0, 0, 0, 0},
        SectorCase{"OnlyLongNamePieces", {kLongPiece, kLongPiece}, 0, 0, 0, 0, 0},
        // Two live empty files in a row share first cluster 0: not a directory sector.
        SectorCase{"TwoEmptyFiles", {File("A       TXT", 0, 0), File("B       TXT", 0, 0)}, 0, 0, 0, 0, 0},
        SectorCase{"ErasedBetweenSameClusters",
                   {File("A       TXT", 5), File("\xE5" "B      TXT", 5), File("C       TXT", 6)}, 1, 3, 0, 0, 6},
        SectorCase{"DuplicateAfterDotsStillFirstSector",
                   {kDot, kDotDot, File("A       TXT", 0, 0), File("B       TXT", 0, 0)}, 2, 1, 40, 7, 40},
        // "." only counts at index 0.
        SectorCase{"DotNotFirst", {File("A       TXT", 5), kDot}, 1, 2, 0, 0, 40},
        SectorCase{"VolumeLabelCounts", {MakeEntry({"MY DISK    ", 0x08}), File("A       TXT", 5)}, 1, 2, 0, 0, 5}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CFATFolderAnalyser, ZeroBytesAndShortSpans) {
  std::vector<std::uint8_t> sector(512, 0);
  PutEntry(sector, 0, File("A       TXT", 5));
  CFATFolderAnalyser none(0);
  EXPECT_FALSE(none.AnalyseSector(sector));
  // The span bounds the walk even when the analyser was told of more bytes.
  CFATFolderAnalyser analyser(4096);
  EXPECT_TRUE(analyser.AnalyseSector(MutableByteSpan(sector).first(40)));
  EXPECT_EQ(analyser.GetEntryCount(), 1u);
  EXPECT_FALSE(analyser.AnalyseSector(MutableByteSpan(sector).first(31)));
}

TEST(CFATFolderAnalyser, ObserverSeesCountedShortEntries) {
  struct Recorder : CFatFolderAnalyzeCB {
    std::vector<std::pair<std::uint32_t, std::uint16_t>> calls;
    void OnDirEntry(const CFATFolderAnalyser&, const CTempFATDirEntry& entry, std::uint32_t marker, std::uint32_t index,
                    std::uint16_t bothDots, void* context) override {
      EXPECT_EQ(marker, 0xFFFFFFFFu);
      EXPECT_FALSE(entry.IsLongFileNameEntry());
      EXPECT_EQ(context, this);
      calls.emplace_back(index, bothDots);
    }
  } recorder;
  std::vector<std::uint8_t> sector(512, 0);
  PutEntry(sector, 0, kDot);
  PutEntry(sector, 1, kDotDot);
  PutEntry(sector, 2, kLongPiece);
  PutEntry(sector, 3, File("A       TXT", 5));
  CFATFolderAnalyser analyser(512);
  EXPECT_TRUE(analyser.AnalyseSector(sector, &recorder, &recorder));
  EXPECT_EQ(recorder.calls, (std::vector<std::pair<std::uint32_t, std::uint16_t>>{{3, 1}}));
}

TEST(CFATFolderAnalyser, DotNameHelpers) {
  auto dot = kDot;
  auto dotDot = kDotDot;
  auto dotFile = MakeEntry({".          ", 0x20});
  EXPECT_TRUE(CFATFolderAnalyser::IsCurDirFileName(dot));
  EXPECT_FALSE(CFATFolderAnalyser::IsCurDirFileName(dotDot));
  EXPECT_TRUE(CFATFolderAnalyser::IsParentDirFileName(dotDot));
  EXPECT_FALSE(CFATFolderAnalyser::IsCurDirFileName(dotFile));  // must be a directory
  std::array<std::uint8_t, 32> blank{};
  EXPECT_TRUE(CFATFolderAnalyser::IsBlankFATDirEntry(blank));
  blank[31] = 1;
  EXPECT_FALSE(CFATFolderAnalyser::IsBlankFATDirEntry(blank));
}

TEST(CFATFolderAnalyser, RealDirectorySectors) {
  const auto* images = FatImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  auto device = OpenImage(images->Image("fat16.img"));
  const auto boot = BootSectorOf(*device);
  const CTempFATDBR dbr(boot, 512);
  const std::uint64_t rootStart = dbr.GetReservedSector() + 2ull * dbr.GetSectorsPerFat();
  const std::uint64_t dataStart = rootStart + dbr.GetRootEntries() * 32 / 512;
  CFATFolderAnalyser analyser(512);

  // The root: label, README.TXT, docs, a deleted file, a deleted folder, frag, then the end.
  auto root = ReadSectors(*device, rootStart, 1);
  EXPECT_TRUE(analyser.AnalyseSector(root));
  EXPECT_EQ(analyser.GetKind(), 1u);
  EXPECT_EQ(analyser.GetEntryCount(), 6u);

  auto clusterOf = [&](const char* name11) {
    for (std::size_t off = 0; off + 32 <= root.size(); off += 32) {
      const CTempFATDirEntry entry(MutableByteSpan(root).subspan(off, 32));
      if (entry.IsFilenameEqual(std::string_view(name11, 8), std::string_view(name11 + 8, 3)))
        return static_cast<std::uint32_t>(entry.GetFirstClusterNO());
    }
    return 0u;
  };
  auto clusterSector = [&](std::uint32_t cluster) { return dataStart + (cluster - 2) * 4ull; };

  // /docs starts with "." (itself) and ".." (the root, cluster 0).
  const std::uint32_t docsCluster = clusterOf("DOCS       ");
  ASSERT_GE(docsCluster, 2u);
  auto docs = ReadSectors(*device, clusterSector(docsCluster), 1);
  EXPECT_TRUE(analyser.AnalyseSector(docs));
  EXPECT_EQ(analyser.GetKind(), 2u);
  EXPECT_EQ(analyser.GetCurrentCluster(), docsCluster);
  EXPECT_EQ(analyser.GetParentCluster(), 0u);

  // File data is not a directory sector.
  const std::uint32_t readmeCluster = clusterOf("README  TXT");
  ASSERT_GE(readmeCluster, 2u);
  auto data = ReadSectors(*device, clusterSector(readmeCluster), 1);
  EXPECT_FALSE(analyser.AnalyseSector(data));
  EXPECT_EQ(analyser.GetKind(), 0u);
}

}  // namespace
}  // namespace quellsy::test
