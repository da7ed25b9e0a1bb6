#include "DataRecovery/FileReader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "DataRecovery/RecoveryTestSupport.h"
#include "include/EngineRegistry.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kSectorsPerCluster = 8;
constexpr std::size_t kCluster = 4096;
constexpr long long kOrigin = 3;

// A device of 64 clusters after the origin, every byte different, and a file of three runs with a hole.
struct MultiRunFile {
  MemoryDevice device{PatternBytes((kOrigin * 512) + 64 * kCluster, 5), 512};
  std::vector<DataRun> runs{{10, 2}, {-1, 1}, {40, 3}};
  long long size = 5 * kCluster + 123;
  RunNode node{size, runs};
  CSearchedPartitionInfo record = Record(kSectorsPerCluster, kOrigin);

  // What the file holds: each run's clusters in order, zeros for the hole.
  Bytes Expected() {
    Bytes out;
    for (const DataRun& run : runs) {
      for (long long c = 0; c < run.length; ++c) {
        if (run.lcn < 0) {
          out.insert(out.end(), kCluster, 0);
        } else {
          const auto at = static_cast<std::size_t>(kOrigin * 512 + (run.lcn + c) * static_cast<long long>(kCluster));
          out.insert(out.end(), device.bytes().begin() + static_cast<long>(at),
                     device.bytes().begin() + static_cast<long>(at + kCluster));
        }
      }
    }
    out.resize(static_cast<std::size_t>(size));
    return out;
  }
};

struct ReadCase {
  long long offset;
  int length;
};

class FileReaderRead : public testing::TestWithParam<ReadCase> {};

TEST_P(FileReaderRead, CopiesExactlyTheAskedBytes) {
  MultiRunFile file;
  CFileReader reader;
  ASSERT_EQ(reader.Open(&file.device, &file.node, &file.record), 1);
  const Bytes expected = file.Expected();
  const auto [offset, length] = GetParam();
  Bytes buffer(static_cast<std::size_t>(length) + 64, 0xEE);
  int got = -1;
  ASSERT_EQ(reader.Read(offset, buffer.data(), length, got, nullptr), 1);
  const long long want = std::min<long long>(length, file.size - offset);
  ASSERT_EQ(got, want);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + got, expected.begin() + offset));
  for (std::size_t i = static_cast<std::size_t>(got); i < buffer.size(); ++i)
    ASSERT_EQ(buffer[i], 0xEE) << "byte " << i << " written past what was delivered";
}

INSTANTIATE_TEST_SUITE_P(Ranges, FileReaderRead,
                         testing::Values(ReadCase{0, 20000}, ReadCase{0, 1}, ReadCase{1, 511}, ReadCase{4608, 100},
                                         ReadCase{4095, 2}, ReadCase{7000, 5000}, ReadCase{8192, 4096},
                                         ReadCase{12287, 3}, ReadCase{5 * 4096 + 100, 1000}, ReadCase{333, 4096 * 4}));

TEST(FileReader, MidRunOffsetStartsAtTheRightSector) {
  // 8 sectors a cluster, a run at cluster 10: byte 4608 of the file is sector 10 x 8 + 9 + origin.
  MemoryDevice device(PatternBytes(200 * 512, 2), 512);
  RunNode node(8 * 4096, {{10, 8}});
  CSearchedPartitionInfo record = Record(8, kOrigin);
  CFileReader reader;
  ASSERT_EQ(reader.Open(&device, &node, &record), 1);
  Bytes out(512);
  int got = 0;
  ASSERT_EQ(reader.Read(4608, out.data(), 512, got, nullptr), 1);
  const auto sector = static_cast<std::size_t>(10 * 8 + 9 + kOrigin);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), device.bytes().begin() + static_cast<long>(sector * 512)));
}

TEST(FileReader, RefusesWhatItCannotRead) {
  MultiRunFile file;
  CFileReader reader;
  RunNode empty(0, {{10, 1}});
  TestFileNode noRuns;
  noRuns.m_size = 100;
  CSearchedPartitionInfo zeroCluster = Record(0);
  EXPECT_EQ(reader.Open(nullptr, &file.node, &file.record), 0);
  EXPECT_EQ(reader.Open(&file.device, nullptr, &file.record), 0);
  EXPECT_EQ(reader.Open(&file.device, &file.node, nullptr), 0);
  EXPECT_EQ(reader.Open(&file.device, &file.node, &zeroCluster), 0);
  EXPECT_EQ(reader.Open(&file.device, &empty, &file.record), 0);
  EXPECT_EQ(reader.Open(&file.device, &noRuns, &file.record), 0);

  ASSERT_EQ(reader.Open(&file.device, &file.node, &file.record), 1);
  Bytes buffer(16);
  int got = 0;
  EXPECT_EQ(reader.Read(file.size, buffer.data(), 16, got, nullptr), 0);
  EXPECT_EQ(reader.Read(-1, buffer.data(), 16, got, nullptr), 0);
}

TEST(FileReader, FailedDeviceReadReportsTheError) {
  MultiRunFile file;
  file.device.FailSectors(kOrigin + 40 * 8 + 2, 1);
  CFileReader reader;
  ASSERT_EQ(reader.Open(&file.device, &file.node, &file.record), 1);
  Bytes buffer(6 * kCluster);
  int got = 0;
  int error = 0;
  EXPECT_EQ(reader.ReadData(0, reinterpret_cast<char*>(buffer.data()), 6 * kCluster, &error), 0u);
  EXPECT_EQ(error, -1);
  EXPECT_EQ(reader.Read(0, buffer.data(), 2 * kCluster, got, nullptr), 1) << "the failed sector lies beyond";
}

TEST(FileReader, CloneReadsTheSameBytes) {
  MultiRunFile file;
  CFileReader reader;
  ASSERT_EQ(reader.Open(&file.device, &file.node, &file.record), 1);
  IFileReader* clone = reader.Clone();
  ASSERT_NE(clone, nullptr);
  Bytes out(static_cast<std::size_t>(file.size));
  EXPECT_EQ(clone->ReadData(0, reinterpret_cast<char*>(out.data()), static_cast<unsigned>(out.size()), nullptr),
            out.size());
  EXPECT_EQ(out, file.Expected());
  EXPECT_EQ(clone->GetDataSize(), file.size);
  clone->Release();
}

class ResidentData : public testing::Test {
 protected:
  void SetUp() override {
    EngineRegistry::Instance().Reset();
    EngineRegistry::Instance().RegisterResidentStream(
        [this](CFileNode&, IStorageDevice&, long long* length, unsigned char* out, unsigned int capacity) {
          ++byNode;
          return Give(length, out, capacity);
        },
        [this](unsigned long long position, IStorageDevice&, long long* length, unsigned char* out,
               unsigned int capacity) {
          recordPosition = position;
          return Give(length, out, capacity);
        });
  }
  void TearDown() override { EngineRegistry::Instance().Reset(); }

  int Give(long long* length, unsigned char* out, unsigned int capacity) {
    *length = static_cast<long long>(value.size());
    std::memcpy(out, value.data(), std::min<std::size_t>(capacity, value.size()));
    return 1;
  }

  Bytes value = PatternBytes(700, 4);
  int byNode = 0;
  unsigned long long recordPosition = 0;
  MemoryDevice device{64, 512};
  CSearchedPartitionInfo record = Record(8, 0, FILE_SYSTEM_NTFS);
};

TEST_F(ResidentData, NtfsNodeReadsItsValueFromOffset) {
  RunNode node(700, {{0, 1}}, true);
  node.m_searcher = SEARCHER_NTFS;
  CFileReader reader;
  ASSERT_EQ(reader.Open(&device, &node, &record), 1);
  Bytes out(1000, 0xEE);
  int got = 0;
  ASSERT_EQ(reader.Read(100, out.data(), 1000, got, nullptr), 1);
  EXPECT_EQ(got, 600);
  EXPECT_TRUE(std::equal(value.begin() + 100, value.end(), out.begin()));
  EXPECT_EQ(out[600], 0xEE);
  EXPECT_EQ(byNode, 1);
}

TEST_F(ResidentData, OtherNodeAsksByTheRecordInItsFirstRun) {
  RunNode node(700, {{123456, 1}}, true);
  CFileReader reader;
  ASSERT_EQ(reader.Open(&device, &node, &record), 1);
  Bytes out(700);
  int got = 0;
  ASSERT_EQ(reader.Read(0, out.data(), 700, got, nullptr), 1);
  EXPECT_EQ(out, value);
  EXPECT_EQ(recordPosition, 123456u);
  EXPECT_EQ(byNode, 0);
}

}  // namespace
}  // namespace quellsy::test
