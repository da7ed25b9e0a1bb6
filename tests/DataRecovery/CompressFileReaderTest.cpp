#include "DataRecovery/CompressFileReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "DataRecovery/Lznt1TestEncoder.h"
#include "DataRecovery/RecoveryTestSupport.h"
#include "support/FixtureScript.h"
#include "support/MemoryDevice.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kCluster = 4096;
constexpr std::size_t kUnit = 16 * kCluster;

Bytes Text(std::size_t size, int seed) {
  Bytes out;
  for (int i = 0; out.size() < size; ++i) {
    const std::string line = "record " + std::to_string(seed) + ":" + std::to_string(i % 97) + " compresses well\n";
    out.insert(out.end(), line.begin(), line.end());
  }
  out.resize(size);
  return out;
}

std::vector<tagCompressDataRun> Regroup(const std::vector<DataRun>& runs) {
  std::list<tagCompressDataRun> out;
  CCompressFileReader::ReGroupCompressDataRunList(runs, out);
  return {out.begin(), out.end()};
}

TEST(CompressRunRegrouping, UnitsAndTheirKinds) {
  struct Case {
    const char* name;
    std::vector<DataRun> runs;
    std::vector<tagCompressDataRun> expected;
  };
  const std::vector<Case> cases = {
      {"StoredUnits", {{100, 40}}, {{100, 16, NONECOMPRESSED_UNIT}, {116, 16, NONECOMPRESSED_UNIT}, {132, 8, NONECOMPRESSED_UNIT}}},
      {"CompressedUnit", {{100, 5}, {-1, 11}}, {{100, 5, COMPRESSED_UNIT}, {-1, 11, COMPRESSED_UNIT}}},
      {"SparseUnits", {{-1, 32}}, {{-1, 16, SPARSE_UNIT}, {-1, 16, SPARSE_UNIT}}},
      {"SplitAcrossRuns", {{100, 3}, {200, 2}, {-1, 11}}, {{100, 3, COMPRESSED_UNIT}, {200, 2, COMPRESSED_UNIT}, {-1, 11, COMPRESSED_UNIT}}},
      {"PartialLastUnit", {{100, 16}, {300, 3}, {-1, 2}}, {{100, 16, NONECOMPRESSED_UNIT}, {300, 3, NONECOMPRESSED_UNIT}, {-1, 2, COMPRESSED_UNIT}}},
      {"SparseThenAllocated", {{-1, 5}, {200, 11}}, {{-1, 5, NONECOMPRESSED_UNIT}, {200, 11, NONECOMPRESSED_UNIT}}},
      {"EmptyRunsIgnored", {{100, 0}, {-1, 16}, {7, -3}}, {{-1, 16, SPARSE_UNIT}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Regroup(c.runs), c.expected) << c.name;
}

// A compressed file on a synthetic volume: a stored unit, a compressed unit, a sparse unit and a compressed last
// unit, 4 KiB clusters from cluster 0 at sector 0.
class SyntheticCompressedFile : public testing::Test {
 protected:
  void SetUp() override {
    const Bytes stored = PatternBytes(kUnit, 11);
    const Bytes text = Text(kUnit, 1);
    const Bytes tail = Text(10000, 2);
    expected = stored;
    expected.insert(expected.end(), text.begin(), text.end());
    expected.insert(expected.end(), kUnit, 0);
    expected.insert(expected.end(), tail.begin(), tail.end());

    device.Put(100 * kCluster, stored);
    const long long first = Place(200, text);
    const long long last = Place(300, tail);
    runs = {{100, 16}, {200, first}, {-1, 16 - first}, {-1, 16}, {300, last}, {-1, 16 - last}};
    node = std::make_unique<RunNode>(static_cast<long long>(expected.size()), runs);
    node->SetCompressed(true);
    ASSERT_EQ(reader.Open(&device, node.get(), &record), 1);
  }

  // Encodes data at cluster lcn; the clusters it takes.
  long long Place(std::size_t lcn, const Bytes& data) {
    const Bytes encoded = Lznt1Encode(data);
    device.Put(lcn * kCluster, encoded);
    return static_cast<long long>((encoded.size() + kCluster - 1) / kCluster);
  }

  MemoryDevice device{400 * 8, 512};
  CSearchedPartitionInfo record = Record(8, 0, FILE_SYSTEM_NTFS);
  std::vector<DataRun> runs;
  std::unique_ptr<RunNode> node;
  CCompressFileReader reader;
  Bytes expected;
  TempDir dir;
};

TEST_F(SyntheticCompressedFile, FileModeWritesTheDecodedFile) {
  bool fallback = true;
  RecordingProgress progress;
  ASSERT_TRUE(reader.Recovery((dir / "out").c_str(), &progress, fallback));
  EXPECT_FALSE(fallback);
  EXPECT_EQ(ReadFile(dir / "out"), expected);
  ASSERT_FALSE(progress.updates.empty());
  EXPECT_EQ(progress.updates.back().current, expected.size());
  EXPECT_FALSE(reader.HadReadFailure());
}

TEST_F(SyntheticCompressedFile, MemoryModeStopsAtItsCapacity) {
  Bytes out(kUnit + 100, 0xEE);
  ASSERT_TRUE(reader.Recovery(reinterpret_cast<char*>(out.data()), static_cast<int>(kUnit), nullptr));
  EXPECT_EQ(reader.GetWrittenCount(), static_cast<int>(kUnit));
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + kUnit, expected.begin()));
  EXPECT_EQ(out[kUnit], 0xEE);
}

TEST_F(SyntheticCompressedFile, ReadDataDeliversDecodedRanges) {
  const std::vector<std::pair<long long, unsigned>> ranges = {
      {0, 100}, {kUnit - 10, 20}, {kUnit + 5000, 70000}, {2 * kUnit + 1, 10}, {3 * kUnit + 9990, 500}};
  IFileReader* clone = reader.Clone();
  for (const auto& [offset, length] : ranges) {
    Bytes out(length, 0xEE);
    const unsigned got = clone->ReadData(offset, reinterpret_cast<char*>(out.data()), length, nullptr);
    const auto want = static_cast<unsigned>(std::min<long long>(length, static_cast<long long>(expected.size()) - offset));
    ASSERT_EQ(got, want) << offset;
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + got, expected.begin() + offset)) << offset;
  }
  clone->Release();
}

TEST_F(SyntheticCompressedFile, DamagedUnitKeepsTheFileInShape) {
  // Junk over the compressed unit: the decoder must stay in bounds and the units after it in place.
  device.Put(200 * kCluster, PatternBytes(2 * kCluster, 99));
  bool fallback = false;
  ASSERT_TRUE(reader.Recovery((dir / "out").c_str(), nullptr, fallback));
  const Bytes out = ReadFile(dir / "out");
  ASSERT_EQ(out.size(), expected.size());
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + kUnit, expected.begin()));
  EXPECT_TRUE(std::equal(out.begin() + 2 * kUnit, out.end(), expected.begin() + 2 * kUnit));
}

TEST_F(SyntheticCompressedFile, FailedReadIsReported) {
  device.FailSectors(200 * 8, 1);
  Bytes out(expected.size());
  EXPECT_EQ(reader.ReadData(0, reinterpret_cast<char*>(out.data()), static_cast<unsigned>(out.size())), 0u);
  EXPECT_TRUE(reader.HadReadFailure());
}

TEST(CompressFileReader, LargeClustersAreReadAsTheyStand) {
  // 8 KiB clusters: no decoding; file mode asks the caller to copy and ReadData reads the clusters plainly.
  MemoryDevice device(PatternBytes(64 * 8192, 8), 512);
  RunNode node(3 * 8192, {{10, 3}});
  node.SetCompressed(true);
  CSearchedPartitionInfo record = Record(16, 0, FILE_SYSTEM_NTFS);
  CCompressFileReader reader;
  ASSERT_EQ(reader.Open(&device, &node, &record), 1);
  EXPECT_FALSE(reader.CanDecode());
  TempDir dir;
  bool fallback = false;
  ASSERT_TRUE(reader.Recovery((dir / "out").c_str(), nullptr, fallback));
  EXPECT_TRUE(fallback);
  Bytes out(3 * 8192);
  ASSERT_EQ(reader.ReadData(0, reinterpret_cast<char*>(out.data()), static_cast<unsigned>(out.size()), nullptr),
            out.size());
  EXPECT_TRUE(std::equal(out.begin(), out.end(), device.bytes().begin() + 10 * 8192));
}

// "LCN LENGTH" lines, LCN -1 for a hole.
std::vector<DataRun> ReadRuns(const std::filesystem::path& list) {
  std::vector<DataRun> runs;
  std::ifstream in(list);
  DataRun run;
  while (in >> run.lcn >> run.length) runs.push_back(run);
  return runs;
}

TEST(CompressFileReader, DecodesAFileThatNtfs3gCompressed) {
  TempDir dir;
  // Text, incompressible bytes (a stored unit), zeros and a short text tail.
  Bytes source = Text(70000, 3);
  const Bytes noise = PatternBytes(kUnit + 3000, 21);
  source.insert(source.end(), noise.begin(), noise.end());
  source.insert(source.end(), kUnit, 0);
  const Bytes tail = Text(5000, 4);
  source.insert(source.end(), tail.begin(), tail.end());
  WriteFile(dir / "source.bin", source);
  QUELLSY_REQUIRE_FIXTURE(RunFixture("tests/DataRecovery/make-ntfs-compressed.sh",
                                     {dir.path().string(), (dir / "source.bin").string()}));

  const std::vector<ManifestLine> manifest = ReadManifestLines(dir / "ntfs.img.manifest");
  ASSERT_EQ(manifest.size(), 1u);
  const std::vector<DataRun> runs = ReadRuns(dir / "ntfs.img.runs");
  ASSERT_FALSE(runs.empty());
  bool anySparse = false;
  for (const DataRun& run : runs) anySparse = anySparse || run.lcn < 0;
  ASSERT_TRUE(anySparse) << "ntfs-3g did not compress the file";

  MemoryDevice device(ReadFile(dir / "ntfs.img"), 512);
  RunNode node(static_cast<long long>(manifest[0].size), runs);
  node.SetCompressed(true);
  node.m_searcher = SEARCHER_NTFS;
  CSearchedPartitionInfo record = Record(8, 0, FILE_SYSTEM_NTFS);
  CCompressFileReader reader;
  ASSERT_EQ(reader.Open(&device, &node, &record), 1);
  bool fallback = true;
  ASSERT_TRUE(reader.Recovery((dir / "out.bin").c_str(), nullptr, fallback));
  EXPECT_FALSE(fallback);
  EXPECT_EQ(Sha256Hex(ReadFile(dir / "out.bin")), manifest[0].sha256);
}

}  // namespace
}  // namespace quellsy::test
