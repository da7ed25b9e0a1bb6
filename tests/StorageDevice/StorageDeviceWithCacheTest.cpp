// The read-ahead device: strict block order, the short last block, reads across the block's edges, and stopping.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <tuple>

#include "StorageDevice/HeldBlockDevice.h"
#include "StorageDevice/StorageDeviceErrors.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "StorageDevice/StorageDeviceWithCache.h"
#include "Utility/MessageCenter.h"
#include "support/BadSectorCollector.h"
#include "support/FaultyRawReadBackend.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::MemoryDevice;
using quellsy::test::PatternBytes;

constexpr unsigned kSector = 512;
constexpr unsigned kBlock = 8;  // sectors per block in these tests

struct Read {
  long long first;
  long long count;
  bool readerThread;
};

// A memory device that records every read and the thread it came from.
class RecordingDevice : public MemoryDevice {
 public:
  using MemoryDevice::MemoryDevice;

  bool ReadSector(void* buffer, long long first, long long count) override {
    {
      std::lock_guard lock(m_lock);
      m_reads.push_back({first, count, std::this_thread::get_id() != m_consumer});
    }
    return MemoryDevice::ReadSector(buffer, first, count);
  }

  std::vector<Read> Reads(bool readerThread) {
    std::lock_guard lock(m_lock);
    std::vector<Read> out;
    for (const Read& r : m_reads) {
      if (r.readerThread == readerThread) out.push_back(r);
    }
    return out;
  }
  void ClearReads() {
    std::lock_guard lock(m_lock);
    m_reads.clear();
  }

 private:
  std::mutex m_lock;
  std::vector<Read> m_reads;
  std::thread::id m_consumer = std::this_thread::get_id();
};

std::vector<std::uint8_t> Sectors(const std::vector<std::uint8_t>& bytes, long long first, long long count) {
  return {bytes.begin() + first * kSector, bytes.begin() + (first + count) * kSector};
}

std::vector<std::uint8_t> ReadThrough(IStorageDevice& reader, long long first, long long count, bool* ok) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count) * kSector, 0xAA);
  *ok = reader.ReadSector(buffer.data(), first, count);
  return buffer;
}

// Takes the next block as the scan's block loop does and hands it to a searcher's device; false (and the device
// holds nothing) when the block does not arrive.
bool Take(CStorageDeviceWithCache& cache, CHeldBlockDevice& held, long long block) {
  auto taken = cache.TakeBlock(block);
  const bool arrived = taken != nullptr;
  held.Hold(std::move(taken));
  return arrived;
}

// 2.5 blocks: every block arrives in order with its own bytes, the reader never reads past the end, and the
// block after the last is refused.
TEST(StorageDeviceWithCache, ShortDeviceGivesItsBlocksInOrderThenRefuses) {
  const auto bytes = PatternBytes(20 * kSector, 3);
  RecordingDevice device(bytes, kSector);
  CStorageDeviceWithCache cache(&device);
  EXPECT_EQ(cache.GetType(), STORAGE_DEVICE_CACHE);
  EXPECT_EQ(cache.GetInnerDevice(), &device);
  ASSERT_TRUE(cache.SetBlockSize(kBlock));
  cache.BeginCache();
  CHeldBlockDevice held(&cache);

  for (long long block = 0; block < 3; ++block) {
    ASSERT_TRUE(Take(cache, held, block)) << block;
    const long long first = block * kBlock;
    const long long count = std::min<long long>(kBlock, 20 - first);
    bool ok = false;
    EXPECT_EQ(ReadThrough(held, first, count, &ok), Sectors(bytes, first, count)) << block;
    EXPECT_TRUE(ok);
  }
  EXPECT_TRUE(device.Reads(false).empty()) << "reads inside the block held come from memory";
  EXPECT_FALSE(cache.IsBlockInValidRange(3));
  EXPECT_FALSE(cache.TakeBlock(3));
  cache.EndCache();

  const auto reads = device.Reads(true);
  ASSERT_EQ(reads.size(), 3u);
  long long next = 0;
  for (const Read& r : reads) {
    EXPECT_EQ(r.first, next);
    next += r.count;
  }
  EXPECT_EQ(next, 20);
  EXPECT_TRUE(cache.IsNeedCatchBuffer());
}

// Reads against the block held: inside, straddling its end, past a short last block, before and behind it.
TEST(StorageDeviceWithCache, ReadsAcrossTheHeldBlockEdges) {
  struct Case {
    const char* what;
    long long block;
    long long first;
    long long count;
    std::vector<Read> consumerReads;  // what must reach the wrapped device
    long long servedSectors;          // sectors that must hold the device's bytes
    bool ok;
    bool held;  // the block holds every sector asked for: a view of it is given
  };
  const std::vector<Case> cases = {
      {"inside", 1, 9, 3, {}, 3, true, true},
      {"whole block", 1, 8, 8, {}, 8, true, true},
      {"runs past the block", 1, 14, 4, {{16, 2, false}}, 4, true, false},
      {"before the block", 1, 5, 4, {{5, 4, false}}, 4, true, false},
      {"starts before, ends inside", 1, 6, 4, {{6, 4, false}}, 4, true, false},
      {"behind the block", 1, 17, 1, {{17, 1, false}}, 1, true, false},
      {"inside the short last block", 2, 17, 3, {}, 3, true, true},
      {"tail of the short last block", 2, 18, 4, {{20, 2, false}}, 2, false, false},
      {"past the device", 2, 20, 1, {{20, 1, false}}, 0, false, false},
  };
  const auto bytes = PatternBytes(20 * kSector, 4);
  for (const Case& c : cases) {
    RecordingDevice device(bytes, kSector);
    CStorageDeviceWithCache cache(&device);
    ASSERT_TRUE(cache.SetBlockSize(kBlock));
    cache.BeginCache();
    CHeldBlockDevice reader(&cache);
    for (long long block = 0; block <= c.block; ++block) ASSERT_TRUE(Take(cache, reader, block)) << c.what;
    bool ok = false;
    std::vector<std::uint8_t> got(static_cast<std::size_t>(c.count) * kSector, 0xAA);
    ok = reader.ReadSector(got.data(), c.first, c.count);
    EXPECT_EQ(ok, c.ok) << c.what;
    const auto reads = device.Reads(false);
    ASSERT_EQ(reads.size(), c.consumerReads.size()) << c.what;
    for (std::size_t i = 0; i < reads.size(); ++i) {
      EXPECT_EQ(reads[i].first, c.consumerReads[i].first) << c.what;
      EXPECT_EQ(reads[i].count, c.consumerReads[i].count) << c.what;
    }
    const std::vector<std::uint8_t> served(got.begin(), got.begin() + c.servedSectors * kSector);
    EXPECT_EQ(served, Sectors(bytes, c.first, c.servedSectors)) << c.what;
    // What the device could not give stays the caller's: never an earlier block's bytes from a reused buffer.
    const std::vector<std::uint8_t> rest(got.begin() + c.servedSectors * kSector, got.end());
    EXPECT_EQ(rest, std::vector<std::uint8_t>(rest.size(), 0xAA)) << c.what;
    // The same sectors as a view of the block held, without a read, only when the block holds them all.
    const unsigned char* view = reader.HeldSectors(c.first, c.count);
    EXPECT_EQ(view != nullptr, c.held) << c.what;
    if (view) {
      EXPECT_EQ(std::vector<std::uint8_t>(view, view + c.count * kSector), Sectors(bytes, c.first, c.count)) << c.what;
    }
    EXPECT_EQ(device.Reads(false).size(), c.consumerReads.size()) << c.what;
  }
}

// Two searchers' devices on different blocks at once: each serves its own block from memory and reads the other's
// sectors from the device; a block taken is shared whole, and its buffer stays its own while a device holds it.
TEST(StorageDeviceWithCache, HeldBlockDevicesServeOnlyTheirOwnBlock) {
  const auto bytes = PatternBytes(40 * kSector, 6);
  RecordingDevice device(bytes, kSector);
  CStorageDeviceWithCache cache(&device);
  ASSERT_TRUE(cache.SetBlockSize(kBlock));
  cache.BeginCache();
  CHeldBlockDevice behind(&cache);
  CHeldBlockDevice ahead(&cache);
  EXPECT_EQ(ahead.GetInnerDevice(), &device);
  EXPECT_EQ(ahead.GetTotalSectors(), 40);
  behind.Hold(cache.TakeBlock(0));
  for (long long block = 1; block < 5; ++block) {
    ahead.Hold(cache.TakeBlock(block));
    const long long first = block * kBlock;
    ASSERT_NE(ahead.ShareHeldBlock(first, kBlock), nullptr) << block;
    EXPECT_EQ(ahead.ShareHeldBlock(first, kBlock - 1), nullptr) << block;
    EXPECT_EQ(behind.HeldSectors(first, 1), nullptr) << block;
    const unsigned char* own = ahead.HeldSectors(first + 2, 3);
    ASSERT_NE(own, nullptr) << block;
    EXPECT_EQ(std::vector<std::uint8_t>(own, own + 3 * kSector), Sectors(bytes, first + 2, 3)) << block;
    std::vector<std::uint8_t> got(kBlock * kSector);
    ASSERT_TRUE(behind.ReadSector(got.data(), 0, kBlock));
    EXPECT_EQ(got, Sectors(bytes, 0, kBlock)) << "the block held behind keeps its bytes";
    ASSERT_TRUE(behind.ReadSector(got.data(), first, kBlock));
    EXPECT_EQ(got, Sectors(bytes, first, kBlock)) << block;
  }
  const auto reads = device.Reads(false);
  ASSERT_EQ(reads.size(), 4u) << "only the reads outside a device's own block reach the device";
  for (std::size_t i = 0; i < reads.size(); ++i) EXPECT_EQ(reads[i].first, static_cast<long long>(i + 1) * kBlock);
  behind.Hold(nullptr);
  EXPECT_EQ(behind.HeldSectors(0, 1), nullptr);
  cache.EndCache();
}

// A searcher asks the device it reads through whether the scanned device stopped answering (a card pulled out):
// the block it holds does not hide the answer.
TEST(StorageDeviceWithCache, ASearchersDeviceTellsWhenTheScannedDeviceStoppedAnswering) {
  MemoryDevice device(PatternBytes(16 * kSector, 2), kSector);
  CStorageDeviceWithCache cache(&device);
  ASSERT_TRUE(cache.SetBlockSize(kBlock));
  cache.BeginCache();
  CHeldBlockDevice held(&cache);
  ASSERT_TRUE(Take(cache, held, 0));
  EXPECT_FALSE(held.StoppedAnswering());
  device.StopAnswering();
  EXPECT_TRUE(held.StoppedAnswering());
  cache.EndCache();
}

// Going back is refused without stale data; skipping forward drops the blocks in between.
TEST(StorageDeviceWithCache, OutOfOrderBlocksNeverServeAnotherBlocksBytes) {
  const auto bytes = PatternBytes(40 * kSector, 5);
  RecordingDevice device(bytes, kSector);
  CStorageDeviceWithCache cache(&device);
  ASSERT_TRUE(cache.SetBlockSize(kBlock));
  cache.BeginCache();
  CHeldBlockDevice held(&cache);
  ASSERT_TRUE(Take(cache, held, 0));
  ASSERT_TRUE(Take(cache, held, 2));
  bool ok = false;
  EXPECT_EQ(ReadThrough(held, 16, 8, &ok), Sectors(bytes, 16, 8));
  EXPECT_TRUE(device.Reads(false).empty());

  EXPECT_FALSE(Take(cache, held, 1));
  EXPECT_EQ(ReadThrough(held, 8, 8, &ok), Sectors(bytes, 8, 8));
  EXPECT_TRUE(ok);
  ASSERT_EQ(device.Reads(false).size(), 1u) << "without a block held the device is read";
}

// A failed read during read-ahead leaves zeros in the queued block, the rest of the block is the device's.
TEST(StorageDeviceWithCache, FailedReadAheadGivesZerosOnlyWhereTheDeviceFailed) {
  const auto bytes = PatternBytes(24 * kSector, 6);
  RecordingDevice device(bytes, kSector);
  device.FailSectors(10, 2);
  CStorageDeviceWithCache cache(&device);
  ASSERT_TRUE(cache.SetBlockSize(kBlock));
  cache.BeginCache();
  CHeldBlockDevice held(&cache);
  ASSERT_TRUE(Take(cache, held, 0));
  ASSERT_TRUE(Take(cache, held, 1));
  bool ok = false;
  auto expected = Sectors(bytes, 8, 8);
  std::fill(expected.begin() + 2 * kSector, expected.begin() + 4 * kSector, 0);
  EXPECT_EQ(ReadThrough(held, 8, 8, &ok), expected);
}

// Over a volume image the reader fills its blocks in place; a block whose read stalls past the time-out arrives as
// zeros, and the stalled read's late write never reaches it, even while a searcher holds it.
TEST(StorageDeviceWithCache, StalledReadAheadOfAFileGivesZerosThatStayZeros) {
  quellsy::test::TempDir dir;
  const auto bytes = PatternBytes(20 * kSector, 9);
  quellsy::test::WriteFile(dir / "volume", bytes);
  const std::unique_ptr<IStorageDevice> volume(CreateVolumeDevice((dir / "volume").c_str()));
  ASSERT_TRUE(volume->Open(nullptr));
  auto backend = std::make_shared<quellsy::test::FaultyRawReadBackend>();
  backend->StallRequestsStartingIn({kBlock * kSector, kBlock * kSector + 1});
  quellsy::test::ScopedRawReadBackend scoped(backend, std::chrono::milliseconds(100));

  CStorageDeviceWithCache cache(volume.get());
  ASSERT_TRUE(cache.SetBlockSize(kBlock));
  cache.BeginCache();
  CHeldBlockDevice held(&cache);
  bool ok = false;
  ASSERT_TRUE(Take(cache, held, 0));
  EXPECT_EQ(ReadThrough(held, 0, kBlock, &ok), Sectors(bytes, 0, kBlock));
  ASSERT_TRUE(Take(cache, held, 1));
  backend->ReleaseStalled();
  ASSERT_TRUE(quellsy::WaitForAbandonedRawReads(std::chrono::seconds(10)));
  // The block is read again in pieces: only the stalled sector stays zeros, the rest arrives.
  auto expected = Sectors(bytes, kBlock, kBlock);
  std::fill(expected.begin(), expected.begin() + kSector, 0);
  EXPECT_EQ(ReadThrough(held, kBlock, kBlock, &ok), expected);
  EXPECT_EQ(cache.GetUnreadableRanges(), (std::vector<BadSectorRange>{{kBlock, 1}}));
  ASSERT_TRUE(Take(cache, held, 2));
  EXPECT_EQ(ReadThrough(held, 2 * kBlock, 4, &ok), Sectors(bytes, 2 * kBlock, 4));
  EXPECT_TRUE(ok);
}

// Reading ahead into stalls: the pieces time out one by one until every raw-read worker is stuck; what is read
// after that never reached the device, which the cache keeps as its device error instead of calling it bad.
TEST(StorageDeviceWithCache, ReadAheadIntoStalledWorkersEndsAsADeviceError) {
  quellsy::test::TempDir dir;
  const auto bytes = PatternBytes(40 * kSector, 11);
  quellsy::test::WriteFile(dir / "volume", bytes);
  const std::unique_ptr<IStorageDevice> volume(CreateVolumeDevice((dir / "volume").c_str()));
  ASSERT_TRUE(volume->Open(nullptr));
  auto backend = std::make_shared<quellsy::test::FaultyRawReadBackend>();
  backend->StallRequestsStartingIn({kBlock * kSector, 2 * kBlock * kSector});
  quellsy::test::ScopedRawReadBackend scoped(backend, std::chrono::milliseconds(30));

  CStorageDeviceWithCache cache(volume.get());
  ASSERT_TRUE(cache.SetBlockSize(kBlock));
  cache.BeginCache();
  ASSERT_TRUE(cache.TakeBlock(0));
  ASSERT_TRUE(cache.TakeBlock(1));
  cache.EndCache();
  // Block 1, then its halves from the front: [8, 4), [8, 2), sector 8 and sector 9 time out; [10, 2) is refused.
  EXPECT_EQ(cache.GetReadAheadError(), quellsy::storage::kReadersStalled);
  EXPECT_EQ(cache.GetUnreadableRanges(), (std::vector<BadSectorRange>{{kBlock, 2}}));
  backend->ReleaseStalled();
  ASSERT_TRUE(quellsy::WaitForAbandonedRawReads(std::chrono::seconds(10)));
}

// Block sizes: 4 MiB of 4096-byte sectors is 1024 sectors; absurd sizes and changes while reading are refused.
TEST(StorageDeviceWithCache, BlockSizeIsCheckedBeforeItSizesAnything) {
  MemoryDevice big(2048, 4096);
  CStorageDeviceWithCache cache(&big);
  EXPECT_EQ(cache.GetBlockSize(), CStorageDeviceWithCache::kInitialBlockSize);
  EXPECT_EQ(cache.GetSectorSize(), 4096u);
  EXPECT_TRUE(cache.SetBlockSize(1024));
  EXPECT_FALSE(cache.SetBlockSize(0));
  EXPECT_FALSE(cache.SetBlockSize(8192 * 4));  // 128 MiB of 4096-byte sectors
  EXPECT_EQ(cache.GetBlockSize(), 1024u);
  cache.BeginCache();
  EXPECT_FALSE(cache.SetBlockSize(16)) << "not while the reader runs";
  ASSERT_TRUE(cache.TakeBlock(0));
  EXPECT_TRUE(cache.TakeBlock(1));
  EXPECT_FALSE(cache.TakeBlock(2));
  cache.EndCache();
  EXPECT_TRUE(cache.SetBlockSize(16));

  CStorageDeviceWithCache empty(nullptr);
  EXPECT_FALSE(empty.Open(nullptr));
  EXPECT_EQ(empty.GetSectorSize(), 512u);
  EXPECT_EQ(empty.GetTotalSectors(), 0);
  empty.BeginCache();
  EXPECT_FALSE(empty.TakeBlock(0));
  EXPECT_FALSE(empty.IsBlockInValidRange(0));
}

// A block taken is the block as read, with the device's bytes just before it in front (zeros before
// sector 0), zeros after the sectors of the short last block and a zero tail; a holder keeps it intact however
// far the device moves on, while the blocks nobody holds are read into again.
TEST(StorageDeviceWithCache, SharedBlocksKeepTheirBytesAndTheBytesAroundThem) {
  constexpr long long kSectors = 40 * kBlock + 3;
  const auto bytes = PatternBytes(kSectors * kSector, 11);
  RecordingDevice device(bytes, kSector);
  CStorageDeviceWithCache cache(&device);
  ASSERT_TRUE(cache.SetBlockSize(kBlock));
  cache.BeginCache();
  const std::size_t capacity = kBlock * kSector;
  const std::size_t lookBack = std::min(CStorageDeviceWithCache::kLookBackBytes, capacity);
  std::vector<std::shared_ptr<const SharedSectorBlock>> kept;
  CHeldBlockDevice searcher(&cache);
  for (long long block = 0; block * kBlock < kSectors; ++block) {
    ASSERT_TRUE(Take(cache, searcher, block)) << block;
    const long long first = block * kBlock;
    const long long count = std::min<long long>(kBlock, kSectors - first);
    EXPECT_EQ(searcher.ShareHeldBlock(first + 1, count - 1), nullptr) << "not the block's start";
    EXPECT_EQ(searcher.ShareHeldBlock(first, count - 1), nullptr) << "not the whole block";
    auto shared = searcher.ShareHeldBlock(first, count);
    ASSERT_NE(shared, nullptr) << block;
    EXPECT_EQ(shared->first, first);
    EXPECT_EQ(shared->sectors, count);
    ASSERT_EQ(shared->capacity, capacity);
    ASSERT_EQ(shared->lookBack, lookBack);
    ASSERT_EQ(shared->zeroTail, CStorageDeviceWithCache::kZeroTailBytes);
    std::vector<std::uint8_t> before(lookBack, 0);
    if (block > 0) before = {bytes.begin() + first * kSector - lookBack, bytes.begin() + first * kSector};
    EXPECT_EQ(std::vector<std::uint8_t>(shared->data - lookBack, shared->data), before) << block;
    auto expected = Sectors(bytes, first, count);
    expected.resize(capacity + shared->zeroTail, 0);
    EXPECT_EQ(std::vector<std::uint8_t>(shared->data, shared->data + expected.size()), expected) << block;
    // Every fourth block is kept; the others go back to the reader, let go of on another thread as a searcher
    // would while the reader goes on.
    if (block % 4 == 0)
      kept.push_back(shared);
    else
      std::thread([held = std::move(shared)]() mutable { held.reset(); }).join();
  }
  cache.EndCache();
  for (const auto& held : kept) {
    const auto expected = Sectors(bytes, held->first, held->sectors);
    EXPECT_EQ(std::vector<std::uint8_t>(held->data, held->data + expected.size()), expected) << held->first;
  }
}

// A consumer waiting for a block the finished reader will never bring returns; EndCache stops a waiting reader.
TEST(StorageDeviceWithCache, NoWaitOutlivesTheReader) {
  RecordingDevice device(PatternBytes(16 * kSector, 7), kSector);
  CStorageDeviceWithCache cache(&device);
  ASSERT_TRUE(cache.SetBlockSize(kBlock));
  cache.BeginCache();
  ASSERT_TRUE(cache.TakeBlock(0));
  ASSERT_TRUE(cache.TakeBlock(1));     // the reader has queued its last block and ended
  device.bytes().resize(40 * kSector);  // the device now claims more blocks than were read
  EXPECT_TRUE(cache.IsBlockInValidRange(3));
  EXPECT_FALSE(cache.TakeBlock(2));

  RecordingDevice large(400LL * kBlock, kSector);
  CStorageDeviceWithCache waiting(&large);
  ASSERT_TRUE(waiting.SetBlockSize(kBlock));
  waiting.BeginCache();
  waiting.EndCache();  // the reader is waiting for a free slot
  waiting.EndCache();
  EXPECT_LE(large.Reads(true).size(), CStorageDeviceWithCache::kBlocksAhead + 1);
}

// Many short runs of every shape, stopped at random points: no hang, no race (run under the tsan preset).
TEST(StorageDeviceWithCacheStress, ThousandShortRunsEndCleanly) {
  std::mt19937 random(12345);
  const auto bytes = PatternBytes(40 * 4 * kSector, 8);
  for (int run = 0; run < 1000; ++run) {
    const long long sectors = 1 + static_cast<long long>(random() % 160);
    MemoryDevice device(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + sectors * kSector), kSector);
    CStorageDeviceWithCache cache(&device);
    ASSERT_TRUE(cache.SetBlockSize(4));
    cache.BeginCache();
    CHeldBlockDevice held(&cache);
    const long long blocks = (sectors + 3) / 4;
    const long long taken = static_cast<long long>(random() % static_cast<unsigned>(blocks + 1));
    for (long long block = 0; block < taken; ++block) {
      ASSERT_TRUE(Take(cache, held, block)) << run << " " << block;
      std::uint8_t sector[kSector];
      ASSERT_TRUE(held.ReadSector(sector, block * 4, 1));
      ASSERT_EQ(sector[7], bytes[block * 4 * kSector + 7]) << run;
    }
    if (run % 2 == 0) cache.EndCache();  // otherwise the destructor stops the reader
  }
}

struct BadSectorCase {
  const char* name;
  std::vector<BadSectorRange> bad;  // as the disk has them
};

// With each 4 MiB piece read whole, and read as four parts at once of which only some fail.
class ReadAheadRetry : public ::testing::TestWithParam<std::tuple<BadSectorCase, long long>> {
 protected:
  quellsy::test::BadSectorCollector m_events;
};

// Blocks of 4 MiB (8192 sectors of 512 bytes) over a volume image file whose reads fail wherever they touch a bad
// sector. Every other sector still reaches the reader through the cache with its own bytes; each bad run is one
// range, reported once, however many reads failed over it.
TEST_P(ReadAheadRetry, EveryReadableSectorArrivesAndEachBadRunIsReportedOnce) {
  const BadSectorCase& disk = std::get<0>(GetParam());
  constexpr long long kBlockSectors = 8192;
  constexpr long long kTotal = 2 * kBlockSectors + 300;  // a short last block
  quellsy::test::TempDir dir;
  auto bytes = PatternBytes(static_cast<std::size_t>(kTotal) * kSector, 21);
  quellsy::test::WriteFile(dir / "volume", bytes);
  auto backend = std::make_shared<quellsy::test::FaultyRawReadBackend>();
  for (const BadSectorRange& range : disk.bad) {
    backend->FailRequestsCovering({static_cast<long long>(range.first * kSector),
                                   static_cast<long long>((range.first + range.count) * kSector)});
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(range.first * kSector),
              bytes.begin() + static_cast<std::ptrdiff_t>((range.first + range.count) * kSector), 0);
  }
  quellsy::test::ScopedRawReadBackend scoped(backend, std::chrono::seconds(30));
  quellsy::SetRawReadPartsAtOnce(std::get<1>(GetParam()));
  const std::unique_ptr<IStorageDevice> volume(CreateVolumeDevice((dir / "volume").c_str()));
  ASSERT_TRUE(volume->Open(nullptr));

  CStorageDeviceWithCache cache(volume.get());
  ASSERT_TRUE(cache.SetBlockSize(kBlockSectors));
  cache.BeginCache();
  CHeldBlockDevice held(&cache);
  for (long long block = 0; block * kBlockSectors < kTotal; ++block) {
    ASSERT_TRUE(Take(cache, held, block));
    const long long first = block * kBlockSectors;
    const long long count = std::min(kBlockSectors, kTotal - first);
    bool ok = false;
    // Bad sectors read as zeros; everything else as written.
    EXPECT_EQ(ReadThrough(held, first, count, &ok), Sectors(bytes, first, count)) << block;
    EXPECT_TRUE(ok);
  }
  cache.EndCache();
  EXPECT_EQ(cache.GetUnreadableRanges(), disk.bad);
  EXPECT_EQ(cache.GetReadAheadError(), quellsy::kResultOk);
  EXPECT_EQ(m_events.RangesBeforeMarker(), disk.bad);
}

INSTANTIATE_TEST_SUITE_P(
    Disks, ReadAheadRetry,
    ::testing::Combine(
        ::testing::Values(BadSectorCase{"OneBadSectorInAFourMebibyteBlock", {{8192 + 1234, 1}}},
                          BadSectorCase{"ARunAcrossTwoBlocks", {{8190, 5}}},
                          BadSectorCase{"TwoRunsAndTheLastSector", {{3, 1}, {4000, 17}, {2 * 8192 + 299, 1}}},
                          BadSectorCase{"NoBadSector", {}}),
        ::testing::Values(1LL, 4LL)),
    [](const auto& p) {
      return std::string(std::get<0>(p.param).name) + "_" + std::to_string(std::get<1>(p.param)) + "Parts";
    });

}  // namespace
