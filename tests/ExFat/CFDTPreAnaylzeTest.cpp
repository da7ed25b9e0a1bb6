// The complete search's reading of directory sectors into file sets: sets that cross a sector's end, sets
// joined across clusters by their checksum, root sets, and the cluster-size bounds a set implies.

#include "ExFat/CFDTPreAnaylze.h"

#include <gtest/gtest.h>

#include "ExFat/ExFatTestBytes.h"

namespace quellsy::test {
namespace {

using namespace exfatbytes;

constexpr std::uint32_t kSectorShift = 9;
constexpr std::uint64_t kTotalSectors = 1 << 20;

// The entry-set checksum as the format describes it: a 16-bit rotate-right-and-add over every byte of the
// set except the checksum field itself (bytes 2 and 3 of the file entry).
Bytes WithChecksum(Bytes set) {
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < set.size(); ++i) {
    if (i == 2 || i == 3) continue;
    sum = static_cast<std::uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + set[i]);
  }
  set[2] = static_cast<std::uint8_t>(sum & 0xFF);
  set[3] = static_cast<std::uint8_t>(sum >> 8);
  return set;
}

// Sectors of 512 bytes: `fill` entries of small sets first, then what follows.
Bytes Padded(Bytes bytes, std::size_t sectors) {
  bytes.resize(sectors * 512, 0);
  return bytes;
}

// Small filler sets of 3 entries each, named f0, f1, ... with first clusters from `cluster` on.
Bytes Fillers(int count, std::uint32_t cluster) {
  Bytes out;
  for (int i = 0; i < count; ++i) {
    const std::u16string name = u"f" + std::u16string(1, static_cast<char16_t>(u'a' + i));
    const Bytes set = WithChecksum(EntrySet(name, {.firstCluster = cluster + static_cast<std::uint32_t>(i)}));
    out.insert(out.end(), set.begin(), set.end());
  }
  return out;
}

class PreAnalyzeTest : public testing::Test {
 protected:
  void SetUp() override { m_pre.PrepareAnayze(kSectorShift, 25, kTotalSectors); }

  // Analyses each sector of bytes (from sector first on) and collects the sets handed out.
  void Feed(const Bytes& bytes, std::int64_t first) {
    const std::size_t sectors = bytes.size() / 512;
    for (std::size_t i = 0; i < sectors; ++i) {
      const ByteSpan rest = ByteSpan(bytes).subspan(i * 512);
      if (m_pre.Analyze(first + static_cast<std::int64_t>(i), rest)) HandOut();
    }
  }
  void HandOut() {
    if (auto set = m_pre.GetFileSet()) m_sets.push_back(std::move(set));
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& set : m_sets) {
      for (const auto& r : set->m_files) names.push_back(r.name);
      for (const auto& r : set->m_deleted) names.push_back(r.name);
    }
    return names;
  }

  CFDTPreAnaylze m_pre;
  std::vector<std::unique_ptr<CFileSet>> m_sets;
};

TEST_F(PreAnalyzeTest, SetStraddlingTwoSectorsGivesOneRecord) {
  // 15 entries of fillers, then a set of 3 whose last two entries lie in the next sector, then the end.
  const Bytes straddling = WithChecksum(EntrySet(u"straddler", {.firstCluster = 40, .length = 3000}));
  Bytes bytes = Join({Fillers(5, 10), straddling});
  ASSERT_EQ(bytes.size(), 18u * 32);
  Feed(Padded(bytes, 3), 100);
  HandOut();
  ASSERT_EQ(m_sets.size(), 1u);
  const std::vector<std::string> names = Names();
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names.back(), "straddler");
  EXPECT_EQ(m_sets[0]->m_firstSector, 100);
  EXPECT_EQ(m_sets[0]->m_sectorCount, 2u);
  EXPECT_FALSE(m_sets[0]->Has(CFileSet::kNotEnd));
}

TEST_F(PreAnalyzeTest, SetCutAtClusterEndIsJoinedToItsContinuationInANonAdjacentCluster) {
  // A folder of 2-sector clusters (its length bounds the cluster size): its first cluster ends inside the set
  // "continued", whose name entries lie at the start of a cluster further on.
  const Bytes folder = WithChecksum(EntrySet(u"dir", {.flags = 0x01, .firstCluster = 9, .length = 1024},
                                             {.attributes = 0x10}));
  const Bytes cut = WithChecksum(EntrySet(u"continued, two entries", {.firstCluster = 77, .length = 5000}));
  ASSERT_EQ(cut.size(), 4u * 32);
  // 30 entries: folder (3) + 9 fillers (27), then the cut set's first two entries end the cluster.
  Bytes first = Join({folder, Fillers(9, 20)});
  first.insert(first.end(), cut.begin(), cut.begin() + 64);
  ASSERT_EQ(first.size(), 1024u);
  Bytes later(cut.begin() + 64, cut.end());
  later = Padded(Join({later, Fillers(1, 60)}), 2);

  Feed(first, 200);
  Feed(Bytes(512, 0), 202);  // a zero sector between them hands the set out
  Feed(later, 900);
  HandOut();
  ASSERT_EQ(m_sets.size(), 2u);
  EXPECT_TRUE(m_sets[0]->Has(CFileSet::kNotEnd));
  EXPECT_TRUE(m_sets[1]->Has(CFileSet::kAbridged));
  EXPECT_EQ(m_pre.GetNext(200), 900);
  EXPECT_EQ(m_pre.GetLast(900), 200);
  const std::vector<std::string> names = Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), "continued, two entries"), 1);
}

TEST_F(PreAnalyzeTest, WrongChecksumLeavesTheCutSetUnjoined) {
  const Bytes folder = WithChecksum(EntrySet(u"dir", {.flags = 0x01, .firstCluster = 9, .length = 1024},
                                             {.attributes = 0x10}));
  Bytes cut = WithChecksum(EntrySet(u"continued, two entries", {.firstCluster = 77, .length = 5000}));
  cut[2] ^= 0x5A;
  Bytes first = Join({folder, Fillers(9, 20)});
  first.insert(first.end(), cut.begin(), cut.begin() + 64);
  Feed(first, 200);
  Feed(Bytes(512, 0), 202);
  Feed(Padded(Bytes(cut.begin() + 64, cut.end()), 2), 900);
  HandOut();
  EXPECT_EQ(m_pre.GetNext(200), -1);
  const std::vector<std::string> names = Names();
  EXPECT_EQ(std::count(names.begin(), names.end(), "continued, two entries"), 0);
}

Bytes Allocation(std::uint8_t type, std::uint32_t cluster, std::uint64_t length) {
  Bytes e(32, 0);
  FieldWriter w(e);
  w.u8(0, type);
  w.le32(20, cluster);
  w.le64(24, length);
  return e;
}

Bytes Label(const std::u16string& label) {
  Bytes e(32, 0);
  FieldWriter w(e);
  w.u8(0, 0x83);
  w.u8(1, static_cast<std::uint8_t>(label.size()));
  for (std::size_t i = 0; i < label.size(); ++i) w.le16(2 + 2 * i, label[i]);
  return e;
}

TEST_F(PreAnalyzeTest, LabelBitmapAndUpcaseAloneMakeARootSet) {
  Feed(Padded(Join({Label(u"VOL"), Allocation(0x81, 2, 1000), Allocation(0x82, 3, 5836)}), 1), 50);
  HandOut();
  ASSERT_EQ(m_sets.size(), 1u);
  const CFileSet& root = *m_sets[0];
  EXPECT_TRUE(root.IsRoot());
  EXPECT_FALSE(root.HasFiles());
  EXPECT_EQ(root.m_label, "VOL");
  EXPECT_EQ(root.m_clusterCount, 8000u);
  EXPECT_EQ(root.m_upcaseCluster, 3u);
  EXPECT_EQ(root.m_rootEstimate, 4u);
}

TEST_F(PreAnalyzeTest, IncompleteRootEvidenceWithoutFilesIsNotHandedOut) {
  Feed(Padded(Join({Label(u"VOL"), Allocation(0x81, 2, 1000)}), 1), 50);
  HandOut();
  EXPECT_TRUE(m_sets.empty());
}

struct BoundsCase {
  const char* name;
  Bytes entries;
  std::uint64_t least;     // sectors
  std::uint64_t greatest;  // sectors
};

class ClusterBoundsTest : public PreAnalyzeTest, public testing::WithParamInterface<BoundsCase> {};

TEST_P(ClusterBoundsTest, BoundsFollowFoldersAndContiguousFiles) {
  Feed(Padded(GetParam().entries, 1), 10);
  HandOut();
  ASSERT_EQ(m_sets.size(), 1u);
  EXPECT_EQ(m_sets[0]->m_leastCluster, GetParam().least);
  EXPECT_EQ(m_sets[0]->m_greatestCluster, GetParam().greatest);
}

// Worked out by hand: a folder of 12288 bytes (lowest set bit 4096) allows clusters of at most 8 sectors; a
// contiguous file of 20000 bytes followed 3 clusters later by another file needs clusters of at least
// ceil(20000 / 3) = 6667 bytes, 8192 rounded up, 16 sectors; a FAT-chained one says nothing.
INSTANTIATE_TEST_SUITE_P(
    Cases, ClusterBoundsTest,
    testing::Values(
        BoundsCase{"nothingKnown", WithChecksum(EntrySet(u"a", {.firstCluster = 5})), 1, 0x2000000 / 512},
        BoundsCase{"folderLength",
                   WithChecksum(EntrySet(u"d", {.flags = 0x01, .firstCluster = 5, .length = 12288}, {.attributes = 0x10})),
                   1, 8},
        BoundsCase{"contiguousFileBeforeAnother",
                   Join({WithChecksum(EntrySet(u"a", {.flags = 0x03, .firstCluster = 5, .length = 20000})),
                         WithChecksum(EntrySet(u"b", {.firstCluster = 8}))}),
                   16, 0x2000000 / 512},
        BoundsCase{"chainedFileBeforeAnother",
                   Join({WithChecksum(EntrySet(u"a", {.flags = 0x01, .firstCluster = 5, .length = 20000})),
                         WithChecksum(EntrySet(u"b", {.firstCluster = 8}))}),
                   1, 0x2000000 / 512}),
    [](const testing::TestParamInfo<BoundsCase>& param) { return std::string(param.param.name); });

TEST_F(PreAnalyzeTest, SecondLabelInASectorEndsTheWalk) {
  Feed(Padded(Join({Label(u"ONE"), Label(u"TWO"), WithChecksum(EntrySet(u"after", {.firstCluster = 7}))}), 1), 10);
  HandOut();
  EXPECT_TRUE(Names().empty());
}

}  // namespace
}  // namespace quellsy::test
