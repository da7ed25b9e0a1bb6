#include "DataRecovery/DataRecovery.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <cstdlib>
#include <thread>

#include "DataRecovery/CompressFileReader.h"
#include "DataRecovery/Lznt1TestEncoder.h"
#include "DataRecovery/RecoveryTestSupport.h"
#include "include/EngineRegistry.h"
#include "include/IFileReader.h"
#include "support/FixtureScript.h"
#include "support/MemoryDevice.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "Utility/CatchExeception.h"
#include "Utility/TimeUtil.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kMiB = 1u << 20;
constexpr std::size_t kCluster = 4096;

struct RecoveryDeleter {
  void operator()(CDataRecovery* recovery) const { recovery->Release(); }
};
using RecoveryPtr = std::unique_ptr<CDataRecovery, RecoveryDeleter>;

// A volume of 4 KiB clusters (cluster 0 at sector 0) with one partition record, and a data-recovery object on it.
class Recovery : public testing::Test {
 protected:
  void SetUp() override {
    searcher.records.push_back(Record(8, 0, FILE_SYSTEM_FAT32));
    ASSERT_EQ(recovery->Initialize(&searcher, &device), kResultOk);
  }

  // A file of size bytes from pattern bytes, laid out in three runs in reverse order on the device.
  std::unique_ptr<RunNode> PlaceFile(std::size_t size, std::uint32_t seed, long long firstCluster = 10) {
    const Bytes data = PatternBytes(size, seed);
    const long long clusters = static_cast<long long>((size + kCluster - 1) / kCluster);
    const long long third = std::max(1LL, clusters / 3);
    std::vector<DataRun> runs;
    long long placed = 0;
    long long next = firstCluster + clusters + 4;
    while (placed < clusters) {
      const long long length = std::min(third, clusters - placed);
      next -= length + 1;
      runs.push_back({next, length});
      const std::size_t from = static_cast<std::size_t>(placed) * kCluster;
      const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(length) * kCluster, size - from);
      device.Put(static_cast<std::size_t>(next) * kCluster, Bytes(data.begin() + static_cast<long>(from),
                                                                  data.begin() + static_cast<long>(from + count)));
      placed += length;
    }
    contents[seed] = data;
    return std::make_unique<RunNode>(static_cast<long long>(size), runs);
  }

  MemoryDevice device{static_cast<long long>(40 * kMiB / 512), 512};
  FakeSearcher searcher;
  RecoveryPtr recovery{CreateDataRecoveryObj()};
  TempDir dir;
  std::map<std::uint32_t, Bytes> contents;
};

TEST_F(Recovery, CopiesMultiRunFilesByteForByte) {
  struct Case {
    std::size_t size;
    int byteLimit;
    std::size_t chunks;
  };
  const std::vector<Case> cases = {
      {4 * kMiB, 0, 1}, {4 * kMiB + 1, 0, 2}, {10000, 0, 1}, {3 * kMiB + 17, 1000, 1}, {5 * kMiB, 999999999, 2}};
  std::uint32_t seed = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const std::unique_ptr<RunNode> node = PlaceFile(c.size, ++seed);
    IFileReader* copy = recovery->SetRecoverNode(node.get());
    ASSERT_NE(copy, nullptr);
    copy->Release();
    RecordingProgress progress;
    ASSERT_EQ(recovery->RecoverTo((dir / "out").c_str(), &progress, c.byteLimit), kResultOk);
    const Bytes& data = contents[seed];
    const std::size_t want = c.byteLimit > 0 ? std::min<std::size_t>(static_cast<std::size_t>(c.byteLimit), c.size) : c.size;
    EXPECT_EQ(Sha256Hex(ReadFile(dir / "out")), Sha256Hex(std::span(data).first(want)));
    // The opening record, then one per chunk.
    ASSERT_EQ(progress.updates.size(), 1 + c.chunks);
    EXPECT_EQ(progress.updates.back().current, want);
    EXPECT_EQ(progress.updates.back().total, want);
  }
}

TEST_F(Recovery, ReadFailureGivesAPartialFileWithZerosInTheGap) {
  // Failures in the first and in the last chunk: both gaps are zeros and the file keeps its full size.
  const std::unique_ptr<RunNode> node = PlaceFile(4 * kMiB + 5000, 7, 10);
  const Bytes& data = contents[7];
  IFileReader* copy = recovery->SetRecoverNode(node.get());
  ASSERT_NE(copy, nullptr);
  copy->Release();
  // The last run holds the file's start; fail a sector there and one in the run holding the tail.
  const DataRun first = [&] {
    IDataRunList* runs = node->GetDataRunList();
    return *runs->GetFirst();
  }();
  device.FailSectors(first.lcn * 8, 1);
  DataRun last{};
  for (DataRun* run = node->GetDataRunList()->GetFirst(); run != nullptr; run = node->GetDataRunList()->GetNext())
    last = *run;
  device.FailSectors((last.lcn + last.length - 1) * 8, 1);
  ASSERT_EQ(recovery->RecoverTo((dir / "out").c_str(), nullptr, 0), CDataRecovery::kRecoverPartial);
  const Bytes out = ReadFile(dir / "out");
  ASSERT_EQ(out.size(), data.size());
  const auto firstChunk = std::span(out).first(4 * kMiB);
  const auto lastChunk = std::span(out).subspan(4 * kMiB);
  EXPECT_TRUE(std::all_of(firstChunk.begin(), firstChunk.end(), [](std::uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(lastChunk.begin(), lastChunk.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(Recovery, ReadFailureAfterTheChunksFirstBytesWereWrittenStillCostsTheWholeChunk) {
  // The chunk is copied in pieces: a sector failing 3 MiB into the file comes after pieces already written, and
  // they are taken back; the next chunk is whole.
  const std::unique_ptr<RunNode> node = PlaceFile(5 * kMiB, 11);
  const Bytes& data = contents[11];
  const long long failingCluster = 3 * kMiB / kCluster;
  long long fileCluster = 0;
  for (DataRun* run = node->GetDataRunList()->GetFirst(); run != nullptr; run = node->GetDataRunList()->GetNext()) {
    if (failingCluster < fileCluster + run->length) {
      device.FailSectors((run->lcn + failingCluster - fileCluster) * 8, 1);
      break;
    }
    fileCluster += run->length;
  }
  EXPECT_EQ(recovery->RecoverNodeTo(node.get(), (dir / "out").c_str(), nullptr, 0), CDataRecovery::kRecoverPartial);
  const Bytes out = ReadFile(dir / "out");
  ASSERT_EQ(out.size(), data.size());
  EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 4 * kMiB, [](std::uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::equal(out.begin() + 4 * kMiB, out.end(), data.begin() + 4 * kMiB));
}

// The log says once per unreadable range of chunks where it lies, never per read, and never gives an
// earlier call's error as the reason.
TEST_F(Recovery, EachUnreadableRangeIsLoggedOnceWithItsOwnReason) {
  const std::unique_ptr<RunNode> node = PlaceFile(13 * kMiB, 14);
  // Sectors failing in chunks 0, 1 and 3 of 0-4, 4-8, 8-12 and 12-13 MiB: two ranges.
  for (const std::size_t fileByte : {kMiB, 5 * kMiB, 6 * kMiB, 12 * kMiB + 5000}) {
    long long fileCluster = 0;
    const auto cluster = static_cast<long long>(fileByte / kCluster);
    for (DataRun* run = node->GetDataRunList()->GetFirst(); run != nullptr; run = node->GetDataRunList()->GetNext()) {
      if (cluster < fileCluster + run->length) {
        device.FailSectors((run->lcn + cluster - fileCluster) * 8, 1);
        break;
      }
      fileCluster += run->length;
    }
  }
  TempDir logs;
  CatchExeception::SetWorkPathForTesting(logs.path().string());
  errno = EEXIST;  // left over from an earlier call
  const ResultCode result = recovery->RecoverNodeTo(node.get(), (dir / "out").c_str(), nullptr, 0);
  CatchExeception::SetWorkPathForTesting("");
  EXPECT_EQ(result, CDataRecovery::kRecoverPartial);
  std::ifstream log(logs / "sQuellsy.log");
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u) << testing::PrintToString(lines);
  EXPECT_NE(lines[0].find("file bytes 0-8388608 unreadable"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("file bytes 12582912-13631488 unreadable"), std::string::npos) << lines[1];
  for (const std::string& line : lines) EXPECT_EQ(line.find(std::strerror(EEXIST)), std::string::npos) << line;
  // The written file: zeros exactly where the two ranges are.
  const Bytes out = ReadFile(dir / "out");
  const Bytes& data = contents[14];
  ASSERT_EQ(out.size(), data.size());
  EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 8 * kMiB, [](std::uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::equal(out.begin() + 8 * kMiB, out.begin() + 12 * kMiB, data.begin() + 8 * kMiB));
  EXPECT_TRUE(std::all_of(out.begin() + 12 * kMiB, out.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(Recovery, RunsEndingEarlyLeaveZerosNotAnEarlierFilesBytes) {
  // The first copy fills the chunk buffer; the second file's runs cover one cluster of its two.
  const std::unique_ptr<RunNode> earlier = PlaceFile(3 * kMiB, 12);
  ASSERT_EQ(recovery->RecoverNodeTo(earlier.get(), (dir / "earlier").c_str(), nullptr, 0), kResultOk);
  const std::unique_ptr<RunNode> full = PlaceFile(kCluster, 13, 2000);
  RunNode shortRuns(2 * kCluster, {*full->GetDataRunList()->GetFirst()});
  EXPECT_EQ(recovery->RecoverNodeTo(&shortRuns, (dir / "out").c_str(), nullptr, 0), CDataRecovery::kRecoverPartial);
  Bytes expected = contents[13];
  expected.resize(2 * kCluster, 0);
  EXPECT_EQ(ReadFile(dir / "out"), expected);
}

TEST_F(Recovery, CancelStopsAfterTheCurrentChunk) {
  const std::unique_ptr<RunNode> node = PlaceFile(9 * kMiB, 8);
  node->m_created = UnixSecondsToFileTime(1'500'000'000);
  IFileReader* copy = recovery->SetRecoverNode(node.get());
  ASSERT_NE(copy, nullptr);
  copy->Release();
  RecordingProgress progress;
  progress.keepGoing = [](const RecordingProgress& p) { return p.updates.size() < 2; };
  // A stopped copy is not reported as a whole file.
  EXPECT_EQ(recovery->RecoverTo((dir / "out").c_str(), &progress, 0), CDataRecovery::kRecoverStopped);
  const Bytes out = ReadFile(dir / "out");
  ASSERT_EQ(out.size(), 4 * kMiB);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), contents[8].begin()));
  EXPECT_EQ(ModificationTime(dir / "out").tv_sec, 1'500'000'000);
}

TEST_F(Recovery, ShortWriteIsReportedAndLeavesNoDuplicatedBytes) {
  const std::unique_ptr<RunNode> node = PlaceFile(10 * kMiB, 9);
  IFileReader* copy = recovery->SetRecoverNode(node.get());
  ASSERT_NE(copy, nullptr);
  copy->Release();
  // A file-size limit makes the kernel cut the second chunk short, for root as well.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 5 * kMiB;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  RecordingProgress progress;
  const ResultCode result = recovery->RecoverTo((dir / "out").c_str(), &progress, 0);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(result, CDataRecovery::kRecoverShortWrite);
  const bool reported = std::any_of(progress.updates.begin(), progress.updates.end(), [](const _PROGRESS_INFO& info) {
    return info.result == 0x010D015F00000D03ULL;
  });
  EXPECT_TRUE(reported);
  const Bytes out = ReadFile(dir / "out");
  ASSERT_EQ(out.size(), 4 * kMiB) << "the file ends at the last chunk that was written whole";
  EXPECT_TRUE(std::equal(out.begin(), out.end(), contents[9].begin()));
}

TEST_F(Recovery, RefusedNodesGiveAnEmptyFileOrNoFile) {
  TestFileNode folder("dir", true);
  const std::unique_ptr<RunNode> node = PlaceFile(1000, 3);
  const struct {
    const char* name;
    IFileNode* node;
  } cases[] = {{"null", nullptr}, {"folder", &folder}};
  for (const auto& c : cases) {
    RecoveryPtr fresh{CreateDataRecoveryObj()};
    ASSERT_EQ(fresh->Initialize(&searcher, &device), kResultOk);
    EXPECT_EQ(fresh->SetRecoverNode(c.node), nullptr) << c.name;
    EXPECT_EQ(fresh->RecoverTo((dir / c.name).c_str(), nullptr, 0), CDataRecovery::kRecoverNoReader) << c.name;
    EXPECT_TRUE(std::filesystem::exists(dir / c.name));
    EXPECT_EQ(std::filesystem::file_size(dir / c.name), 0u);
    EXPECT_EQ(fresh->RecoverTo((dir / "missing" / "x").c_str(), nullptr, 0), CDataRecovery::kRecoverNoReaderNoOutput);
    EXPECT_EQ(fresh->RecoverTo(nullptr, nullptr, 0), CDataRecovery::kRecoverNullPath);
  }
  // An object without partitions refuses every node.
  std::vector<CSearchedPartitionInfo*> none;
  RecoveryPtr empty{CreateDataRecoveryObj()};
  ASSERT_EQ(empty->Initialize(none, &device), kResultOk);
  EXPECT_EQ(empty->SetRecoverNode(node.get()), nullptr);
  // Selecting and copying in one step never writes a refused node with the previous node's data.
  ASSERT_EQ(recovery->RecoverNodeTo(node.get(), (dir / "first").c_str(), nullptr, 0), kResultOk);
  EXPECT_EQ(recovery->RecoverNodeTo(&folder, (dir / "second").c_str(), nullptr, 0), CDataRecovery::kRecoverNoReader);
  EXPECT_EQ(std::filesystem::file_size(dir / "second"), 0u);
}

TEST(RecoveryInitialize, ResultCodes) {
  MemoryDevice device(64, 512);
  FakeSearcher none;
  FakeSearcher refusing;
  refusing.records.push_back(Record(8));
  refusing.emptyOnSecondQuery = true;
  std::vector<CSearchedPartitionInfo*> list;
  RecoveryPtr recovery{CreateDataRecoveryObj()};
  EXPECT_EQ(recovery->Initialize(nullptr, &device), 0x010D004500000005ULL);
  EXPECT_EQ(recovery->Initialize(&none, nullptr), 0x010D004500000005ULL);
  EXPECT_EQ(recovery->Initialize(&none, &device), 0x010D004B00000D01ULL);
  EXPECT_EQ(recovery->Initialize(&refusing, &device), 0x010D005200000D01ULL);
  EXPECT_EQ(recovery->Initialize(list, nullptr), 0x010D006E00000005ULL);
}

TEST(RecoveryInitialize, TakesEveryRecordOfABigSearcherSortedByKey) {
  MemoryDevice device(64, 512);
  FakeSearcher searcher;
  for (int i = 0; i < 300; ++i) {
    CSearchedPartitionInfo record = Record(8);
    record.SetOrderKey(i % 7);
    record.SetPartitionIndex(static_cast<std::uint16_t>(i));
    searcher.records.push_back(record);
  }
  RecoveryPtr recovery{CreateDataRecoveryObj()};
  ASSERT_EQ(recovery->Initialize(&searcher, &device), kResultOk);
  const auto& records = recovery->GetSearchedPartition();
  ASSERT_EQ(records.size(), 300u);
  for (std::size_t i = 1; i < records.size(); ++i) EXPECT_GE(records[i - 1]->GetOrderKey(), records[i]->GetOrderKey());

  // The list form keeps the order and makes plain copies.
  std::vector<CSearchedPartitionInfo> owned = {Record(8), Record(16)};
  owned[0].SetOrderKey(1);
  owned[1].SetOrderKey(5);
  std::vector<CSearchedPartitionInfo*> list = {&owned[0], &owned[1]};
  RecoveryPtr restored{CreateDataRecoveryObj()};
  ASSERT_EQ(restored->Initialize(list, &device), kResultOk);
  ASSERT_EQ(restored->GetSearchedPartition().size(), 2u);
  EXPECT_EQ(restored->GetSearchedPartition()[0]->GetSectorsPerCluster(), 8u);
  EXPECT_NE(restored->GetSearchedPartition()[0], &owned[0]);
}

TEST(RecoveryPartition, ChoosesTheRecordANodeBelongsTo) {
  MemoryDevice device(64, 512);
  // Two partitions: sectors [2048, 2048 + 100000) with 8 sectors a cluster whose cluster 0 lies at sector 2048 + 500,
  // and [200000, 300000) with 16 sectors a cluster.
  std::vector<CSearchedPartitionInfo> owned = {Record(8, 2048 + 500), Record(16, 200000)};
  owned[0].SetStartSector(2048);
  owned[0].SetTotalSectors(100000);
  owned[0].SetPartitionIndex(0);
  owned[1].SetStartSector(200000);
  owned[1].SetTotalSectors(100000);
  owned[1].SetPartitionIndex(1);
  std::vector<CSearchedPartitionInfo*> list = {&owned[0], &owned[1]};
  RecoveryPtr recovery{CreateDataRecoveryObj()};
  ASSERT_EQ(recovery->Initialize(list, &device), kResultOk);
  const auto& records = recovery->GetSearchedPartition();

  // By partition index.
  RunNode indexed(1000, {{1, 1}});
  indexed.SetBelongedPartition(1);
  EXPECT_EQ(recovery->GetNodePartition(&indexed), records[1]);

  // By range: 1 MiB in 128 clusters of 8 KiB at cluster 100 of the second partition.
  RunNode second(1 << 20, {{100, 128}});
  second.SetMetaDataSector(200010);
  EXPECT_EQ(recovery->GetNodePartition(&second), records[1]);

  // A run that lies inside the first partition only when its origin is counted: cluster 12400 x 8 + 2548 is
  // 101748, past 2048 + 100000 - 1; cluster 12000 is inside.
  RunNode outside(1 << 20, {{12400, 256}});
  outside.SetMetaDataSector(3000);
  EXPECT_FALSE(CDataRecovery::IsDataRunListInRange(records[0], &outside));
  RunNode inside(1 << 20, {{12000, 256}});
  EXPECT_TRUE(CDataRecovery::IsDataRunListInRange(records[0], &inside));
  // No record passes: the first.
  EXPECT_EQ(recovery->GetNodePartition(&outside), records[0]);
  EXPECT_EQ(recovery->GetNodePartition(nullptr), nullptr);
}

TEST(RecoveryPartition, ClusterSizeEstimate) {
  struct Case {
    long long size;
    long long clusters;
    unsigned sectorsPerCluster;
    bool suits;
  };
  const std::vector<Case> cases = {
      {1 << 20, 256, 8, true},  {1 << 20, 256, 16, false}, {1 << 20, 256, 4, false}, {1 << 20, 256, 7, false},
      {1 << 20, 1, 64, true},   {5000, 2, 8, true},        {5000, 2, 4, false},      {1 << 20, 256, 1, false},
  };
  for (const Case& c : cases) {
    RunNode node(c.size, {{10, c.clusters}});
    EXPECT_EQ(CDataRecovery::IsClusterSuit(c.sectorsPerCluster, &node), c.suits)
        << c.size << " / " << c.clusters << " with " << c.sectorsPerCluster;
  }
}

TEST_F(Recovery, TimesGoOnTheFileAndOnAncestorFoldersInsideTheDestination) {
  const std::unique_ptr<RunNode> node = PlaceFile(5000, 4);
  TestFileNode root("root", true);
  TestFileNode parent("docs", true);
  TestFileNode untimed("untimed", true);
  root.m_created = UnixSecondsToFileTime(1'000'000'000);
  parent.m_created = UnixSecondsToFileTime(1'100'000'000) + 1234567;
  ASSERT_EQ(root.AddChild(&untimed), 1);
  ASSERT_EQ(untimed.AddChild(&parent), 1);
  ASSERT_EQ(parent.AddChild(node.get()), 1);
  node->m_created = UnixSecondsToFileTime(1'200'000'000) + 5000000;

  // destination/untimed/docs/file; "root" would be the destination's own folder, which must keep its time.
  const std::filesystem::path destination = dir / "dest";
  std::filesystem::create_directories(destination / "untimed" / "docs");
  const timespec before = ModificationTime(destination);
  const timespec untimedBefore = ModificationTime(destination / "untimed");
  recovery->SetDestinationFolder(destination.c_str());
  ASSERT_EQ(recovery->RecoverNodeTo(node.get(), (destination / "untimed" / "docs" / "file").c_str(), nullptr, 0),
            kResultOk);
  const timespec file = ModificationTime(destination / "untimed" / "docs" / "file");
  EXPECT_EQ(file.tv_sec, 1'200'000'000);
  EXPECT_EQ(file.tv_nsec, 500'000'000);
  const timespec docs = ModificationTime(destination / "untimed" / "docs");
  EXPECT_EQ(docs.tv_sec, 1'100'000'000);
  EXPECT_EQ(docs.tv_nsec, 123'456'700);
  EXPECT_EQ(ModificationTime(destination / "untimed").tv_sec, untimedBefore.tv_sec) << "a zero time is not set";
  EXPECT_EQ(ModificationTime(destination).tv_sec, before.tv_sec);

  // A node without a time leaves the file's own.
  const std::unique_ptr<RunNode> plain = PlaceFile(100, 5, 300);
  ASSERT_EQ(recovery->RecoverNodeTo(plain.get(), (dir / "plain").c_str(), nullptr, 0), kResultOk);
  EXPECT_GT(ModificationTime(dir / "plain").tv_sec, 1'600'000'000);
  root.RemoveChild(&untimed);
  untimed.RemoveChild(&parent);
  parent.RemoveChild(node.get());
}

TEST_F(Recovery, OutputBelongsToTheUserWhoRanUsThroughPkexec) {
  if (geteuid() != 0) GTEST_SKIP() << "handing a file to another user needs root";
  const std::unique_ptr<RunNode> node = PlaceFile(100, 6);
  setenv("PKEXEC_UID", "65534", 1);
  const ResultCode result = recovery->RecoverNodeTo(node.get(), (dir / "owned").c_str(), nullptr, 0);
  unsetenv("PKEXEC_UID");
  ASSERT_EQ(result, kResultOk);
  struct stat info {};
  ASSERT_EQ(stat((dir / "owned").c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, 65534u);
}

TEST_F(Recovery, ThreadsSharingTheObjectEachGetTheirOwnFile) {
  std::vector<std::unique_ptr<RunNode>> nodes;
  for (std::uint32_t i = 0; i < 4; ++i) nodes.push_back(PlaceFile(300000, 20 + i, 10 + 200 * i));
  std::vector<std::thread> threads;
  for (std::uint32_t i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      for (int round = 0; round < 5; ++round)
        recovery->RecoverNodeTo(nodes[i].get(), (dir / ("t" + std::to_string(i))).c_str(), nullptr, 0);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (std::uint32_t i = 0; i < 4; ++i) EXPECT_EQ(ReadFile(dir / ("t" + std::to_string(i))), contents[20 + i]) << i;
}

TEST_F(Recovery, SmallJpegInsideTheFirst64KiB) {
  auto jpeg = [](std::size_t at, std::size_t length) {
    Bytes data(100000, 0x11);
    data[at] = 0xFF;
    data[at + 1] = 0xD8;
    data[at + 2] = 0xFF;
    data[at + length - 4] = 0xFF;
    data[at + length - 3] = 0xD9;
    return data;
  };
  struct Case {
    const char* name;
    Bytes data;
    unsigned capacity;
    unsigned expected;
    std::size_t start;
  };
  Bytes skipped = jpeg(100, 3000);
  skipped[600] = 0xFF, skipped[601] = 0xD8, skipped[602] = 0xFF;  // inside the first 2000 bytes: not a new start
  const std::vector<Case> cases = {
      {"Found", jpeg(100, 3000), 65536, 3000, 100},
      {"AtStartNotFound", jpeg(2, 3000), 65536, 0, 0},
      {"SmallCapacity", jpeg(100, 3000), 65535, 0, 0},
      {"SecondStartSkipped", skipped, 65536, 3000, 100},
      {"NoEnd", Bytes(100000, 0x22), 65536, 0, 0},
      {"SmallFile", Bytes(60000, 0x22), 65536, 0, 0},
  };
  std::uint32_t seed = 40;
  for (const Case& c : cases) {
    const long long clusters = static_cast<long long>((c.data.size() + kCluster - 1) / kCluster);
    device.Put(static_cast<std::size_t>(seed) * 100 * kCluster, c.data);
    RunNode node(static_cast<long long>(c.data.size()), {{seed * 100, clusters}});
    ++seed;
    IFileReader* copy = recovery->SetRecoverNode(&node);
    ASSERT_NE(copy, nullptr) << c.name;
    copy->Release();
    Bytes out(65536);
    EXPECT_EQ(recovery->ReadSmallJPG(reinterpret_cast<char*>(out.data()), c.capacity), c.expected) << c.name;
    if (c.expected != 0) {
      EXPECT_TRUE(std::equal(out.begin(), out.begin() + c.expected, c.data.begin() + static_cast<long>(c.start)));
    }
  }
}

TEST(RecoveryCompressed, NtfsCompressedFileIsDecodedWithItsTime) {
  // One compressed unit of text at cluster 20 of a volume with 4 KiB clusters.
  Bytes text;
  for (int i = 0; text.size() < 50000; ++i) {
    const std::string line = "line " + std::to_string(i) + " of a compressed file\n";
    text.insert(text.end(), line.begin(), line.end());
  }
  text.resize(50000);
  const Bytes encoded = Lznt1Encode(text);
  const long long used = static_cast<long long>((encoded.size() + kCluster - 1) / kCluster);
  MemoryDevice device(64 * 8, 512);
  device.Put(20 * kCluster, encoded);
  FakeSearcher searcher;
  searcher.records.push_back(Record(8, 0, FILE_SYSTEM_NTFS));
  RecoveryPtr recovery{CreateDataRecoveryObj()};
  ASSERT_EQ(recovery->Initialize(&searcher, &device), kResultOk);
  RunNode node(50000, {{20, used}, {-1, 16 - used}});
  node.SetCompressed(true);
  node.m_created = UnixSecondsToFileTime(1'300'000'000);
  IFileReader* copy = recovery->SetRecoverNode(&node);
  ASSERT_NE(copy, nullptr);
  Bytes viaCopy(50000);
  EXPECT_EQ(copy->ReadData(0, reinterpret_cast<char*>(viaCopy.data()), 50000, nullptr), 50000u);
  EXPECT_EQ(viaCopy, text) << "a reader copy delivers the decoded contents";
  copy->Release();

  TempDir dir;
  EXPECT_EQ(recovery->RecoverTo((dir / "limited").c_str(), nullptr, 1000), 0x010D01150000000FULL);
  EXPECT_FALSE(std::filesystem::exists(dir / "limited"));
  ASSERT_EQ(recovery->RecoverTo((dir / "whole").c_str(), nullptr, 0), kResultOk);
  EXPECT_EQ(ReadFile(dir / "whole"), text);
  EXPECT_EQ(ModificationTime(dir / "whole").tv_sec, 1'300'000'000);
}

TEST(RecoveryCompressed, AStopBetweenUnitsIsReportedAsStoppedWithTheDecodedStart) {
  // Two compressed units of text, at clusters 20 and 40 of a volume with 4 KiB clusters.
  const std::size_t unit = 16 * kCluster;
  Bytes text;
  for (int i = 0; text.size() < 2 * unit; ++i) {
    const std::string line = "line " + std::to_string(i) + " of two units\n";
    text.insert(text.end(), line.begin(), line.end());
  }
  text.resize(2 * unit);
  const Bytes first = Lznt1Encode(Bytes(text.begin(), text.begin() + static_cast<long>(unit)));
  const Bytes second = Lznt1Encode(Bytes(text.begin() + static_cast<long>(unit), text.end()));
  const long long used1 = static_cast<long long>((first.size() + kCluster - 1) / kCluster);
  const long long used2 = static_cast<long long>((second.size() + kCluster - 1) / kCluster);
  ASSERT_LT(used1, 16);
  ASSERT_LT(used2, 16);
  MemoryDevice device(64 * 8, 512);
  device.Put(20 * kCluster, first);
  device.Put(40 * kCluster, second);
  FakeSearcher searcher;
  searcher.records.push_back(Record(8, 0, FILE_SYSTEM_NTFS));
  RecoveryPtr recovery{CreateDataRecoveryObj()};
  ASSERT_EQ(recovery->Initialize(&searcher, &device), kResultOk);
  RunNode node(static_cast<long long>(text.size()), {{20, used1}, {-1, 16 - used1}, {40, used2}, {-1, 16 - used2}});
  node.SetCompressed(true);
  IFileReader* copy = recovery->SetRecoverNode(&node);
  ASSERT_NE(copy, nullptr);
  copy->Release();

  TempDir dir;
  RecordingProgress progress;
  // The start's record, then the first unit's: the user stops there.
  progress.keepGoing = [](const RecordingProgress& seen) { return seen.updates.size() < 2; };
  const ResultCode result = recovery->RecoverTo((dir / "cut").c_str(), &progress, 0);
  EXPECT_EQ(quellsy::ErrorOf(result), quellsy::error::kIncomplete) << std::hex << result;
  EXPECT_EQ(ReadFile(dir / "cut"), Bytes(text.begin(), text.begin() + static_cast<long>(unit)));
}

// Runs of a file on a FAT16 image, derived from its directory entry and the FAT.
struct FatFile {
  std::uint64_t size = 0;
  std::vector<DataRun> runs;
};

struct FatVolume {
  std::uint32_t sectorsPerCluster = 0;
  long long clusterOrigin = 0;  // sector of cluster 0
  std::map<std::string, FatFile> files;
};

FatVolume ReadFat16(const Bytes& image) {
  auto u16 = [&](std::size_t at) { return static_cast<std::uint32_t>(image.at(at) | (image.at(at + 1) << 8)); };
  auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
  FatVolume volume;
  const std::uint32_t bytesPerSector = u16(11);
  volume.sectorsPerCluster = image.at(13);
  const std::uint32_t reserved = u16(14);
  const std::uint32_t fats = image.at(16);
  const std::uint32_t rootEntries = u16(17);
  const std::uint32_t fatSectors = u16(22);
  const std::size_t fat = std::size_t{reserved} * bytesPerSector;
  const std::uint32_t root = reserved + fats * fatSectors;
  const std::uint32_t data = root + (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
  volume.clusterOrigin = data - 2LL * volume.sectorsPerCluster;
  for (std::uint32_t i = 0; i < rootEntries; ++i) {
    const std::size_t entry = std::size_t{root} * bytesPerSector + i * 32;
    if (image.at(entry) == 0) break;
    if (image.at(entry) == 0xE5 || image.at(entry + 11) == 0x0F || (image.at(entry + 11) & 0x18) != 0) continue;
    std::string name(image.begin() + static_cast<long>(entry), image.begin() + static_cast<long>(entry + 8));
    name.erase(name.find_last_not_of(' ') + 1);
    std::string extension(image.begin() + static_cast<long>(entry + 8), image.begin() + static_cast<long>(entry + 11));
    extension.erase(extension.find_last_not_of(' ') + 1);
    FatFile file;
    file.size = u32(entry + 28);
    for (std::uint32_t cluster = u16(entry + 26), steps = 0; cluster >= 2 && cluster < 0xFFF8 && steps < 70000;
         cluster = u16(fat + cluster * 2), ++steps) {
      if (!file.runs.empty() && file.runs.back().lcn + file.runs.back().length == cluster)
        ++file.runs.back().length;
      else
        file.runs.push_back({cluster, 1});
    }
    volume.files["/" + name + "." + extension] = file;
  }
  return volume;
}

// The image's bytes from memory, and the image file itself as the device's file: reads come from memory, kernel
// copies from the file.
class FileBackedDevice final : public MemoryDevice {
 public:
  FileBackedDevice(const Bytes& bytes, const std::filesystem::path& file)
      : MemoryDevice(bytes, 512), m_fd(open(file.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~FileBackedDevice() override {
    if (m_fd >= 0) close(m_fd);
  }
  FileBackedDevice(const FileBackedDevice&) = delete;
  FileBackedDevice& operator=(const FileBackedDevice&) = delete;

  bool FileExtent(long long first, long long count, int& fd, long long& byteOffset) override {
    if (m_fd < 0 || first < 0 || count <= 0 || first + count > GetTotalSectors()) return false;
    fd = m_fd;
    byteOffset = first * 512;
    return true;
  }

 private:
  int m_fd;
};

// Copies every file of the make-recovery-fat.sh image out through device and checks it against the manifest.
void ExpectFilesComeBackIdentical(IStorageDevice& device, const Bytes& image, const TempDir& dir) {
  const FatVolume volume = ReadFat16(image);
  FakeSearcher searcher;
  searcher.records.push_back(Record(volume.sectorsPerCluster, volume.clusterOrigin, FILE_SYSTEM_FAT16));
  RecoveryPtr recovery{CreateDataRecoveryObj()};
  ASSERT_EQ(recovery->Initialize(&searcher, &device), kResultOk);

  const std::vector<ManifestLine> manifest = ReadManifestLines(dir / "recovery.img.manifest");
  ASSERT_EQ(manifest.size(), 9u);
  for (const ManifestLine& line : manifest) {
    SCOPED_TRACE(line.path);
    ASSERT_EQ(volume.files.count(line.path), 1u);
    const FatFile& file = volume.files.at(line.path);
    ASSERT_EQ(file.size, line.size);
    if (line.path == "/OVER4M.BIN") {
      EXPECT_GT(file.runs.size(), 2u) << "the big file should be fragmented";
    }
    RunNode node(static_cast<long long>(file.size), file.runs);
    ASSERT_EQ(recovery->RecoverNodeTo(&node, (dir / "out").c_str(), nullptr, 0), kResultOk);
    EXPECT_EQ(Sha256Hex(ReadFile(dir / "out")), line.sha256);
  }
}

TEST(RecoveryFatImage, FilesMadeByMtoolsComeBackIdentical) {
  TempDir dir;
  QUELLSY_REQUIRE_FIXTURE(RunFixture("tests/DataRecovery/make-recovery-fat.sh", {dir.path().string()}));
  const Bytes image = ReadFile(dir / "recovery.img");
  MemoryDevice device(image, 512);
  ExpectFilesComeBackIdentical(device, image, dir);
}

TEST(RecoveryFatImage, FilesOfAnImageFileAreCopiedInsideTheKernelAndComeBackIdentical) {
  TempDir dir;
  QUELLSY_REQUIRE_FIXTURE(RunFixture("tests/DataRecovery/make-recovery-fat.sh", {dir.path().string()}));
  const Bytes image = ReadFile(dir / "recovery.img");
  FileBackedDevice device(image, dir / "recovery.img");
  ExpectFilesComeBackIdentical(device, image, dir);
  EXPECT_EQ(device.ReadCalls(), 0) << "every run lay in the file: nothing was read through the device";
}

TEST_F(Recovery, FromAnImageFileRunsEndingEarlyStillLeaveZeros) {
  // The kernel copies the one cluster the runs hold; the reads after it find no run, as they did before.
  const std::unique_ptr<RunNode> full = PlaceFile(kCluster, 13, 2000);
  WriteFile(dir / "image", device.bytes());
  FileBackedDevice fileDevice(device.bytes(), dir / "image");
  RecoveryPtr fromFile{CreateDataRecoveryObj()};
  ASSERT_EQ(fromFile->Initialize(&searcher, &fileDevice), kResultOk);
  RunNode shortRuns(2 * kCluster, {*full->GetDataRunList()->GetFirst()});
  EXPECT_EQ(fromFile->RecoverNodeTo(&shortRuns, (dir / "out").c_str(), nullptr, 0), CDataRecovery::kRecoverPartial);
  Bytes expected = contents[13];
  expected.resize(2 * kCluster, 0);
  EXPECT_EQ(ReadFile(dir / "out"), expected);
  EXPECT_EQ(fileDevice.ReadCalls(), 0);
}

}  // namespace
}  // namespace quellsy::test
