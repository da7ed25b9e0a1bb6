#pragma once
// The device a complete scan hands to its searchers: it reads the scanned device ahead in blocks on a thread of
// its own while the searchers work on the blocks taken before. Blocks must be taken in ascending order, one after
// another; a searcher reads through a CHeldBlockDevice holding the block it works on, and every read through this
// device goes to the wrapped device.
// A block that fails to read is read again in halves, down to single sectors, so that every readable sector
// still reaches the searchers; the sectors that stay unreadable are kept as ranges and reported once each.
// Blocks are shared, not copied: a searcher may keep a block after the device moves on, and its memory is read
// into again only once every holder has let it go. Each block carries the bytes just
// before it and a zero tail, so that a searcher can look a little across its edges without a copy.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "StorageDevice/ReadTarget.h"
#include "Utility/MessageCenter.h"
#include "Utility/RawRead.h"
#include "Utility/ResultCode.h"
#include "include/IStorageDevice.h"

class CStorageDeviceWithCache final : public IStorageDevice {
 public:
  static constexpr unsigned kInitialBlockSize = 1000;
  // Two blocks keep the device busy while the searchers work on the blocks they hold (a complete scan's lanes hold
  // a few more); each one more is memory that a new block is read into cold, which slows the copy out of the page
  // cache.
  static constexpr std::size_t kBlocksAhead = 2;
  // A block larger than this is refused rather than allocated (a broken sector size would ask for gigabytes).
  static constexpr std::uint64_t kMaxBlockBytes = 64ULL * 1024 * 1024;
  // Bytes of the device before each block kept in front of it (at most one block's worth), and zeros after it.
  static constexpr std::size_t kLookBackBytes = 64 * 1024;
  static constexpr std::size_t kZeroTailBytes = 4096;

  // inner is not owned and must outlive the cache.
  explicit CStorageDeviceWithCache(IStorageDevice* inner);
  ~CStorageDeviceWithCache() override;
  CStorageDeviceWithCache(const CStorageDeviceWithCache&) = delete;
  CStorageDeviceWithCache& operator=(const CStorageDeviceWithCache&) = delete;

  // Sets blocks of `sectors` sectors. False
  // (and nothing changes) for 0 sectors, a sector size of 0, a block above kMaxBlockBytes, or while reading ahead.
  bool SetBlockSize(unsigned sectors);
  unsigned GetBlockSize() const { return m_blockSize; }
  // Starts reading ahead from sector 0: at most kBlocksAhead blocks are queued, never past the device's end.
  void BeginCache();
  // The next block read ahead, shared: null without a wrapped device, for a block size of 0, for a block past the
  // device's end, and when the block never arrives (a block already passed, or the reader ended). Reads through
  // this device never come from it; a CHeldBlockDevice serves them.
  std::shared_ptr<const SharedSectorBlock> TakeBlock(long long block);
  // Stops and joins the reader and frees the queue. Safe to call twice.
  void EndCache();
  // True when no block is queued.
  bool IsNeedCatchBuffer();
  // block < ceil(total sectors / block size); false for a block size of 0.
  bool IsBlockInValidRange(long long block);
  // The device the cache reads; searchers that must know what is being scanned look through the cache with it.
  IStorageDevice* GetInnerDevice() const override { return m_inner; }
  bool StoppedAnswering() override { return m_inner && m_inner->StoppedAnswering(); }
  // The sectors read ahead so far that could not be read, in ascending order, neighbours merged. Each range
  // was also pushed once as a bad-sector event.
  std::vector<BadSectorRange> GetUnreadableRanges();
  // A failure of the device itself met while reading ahead (every raw-read worker stalled), 0 when none: what
  // it left unread is zeros but no bad sector.
  quellsy::ResultCode GetReadAheadError();

  // True when a wrapped device is set; nothing is opened or closed.
  bool Open(char* path) override;
  bool Close() override;
  bool ReadSector(void* buffer, long long first, long long count) override;
  // The wrapped device's (512 without one).
  unsigned GetSectorSize() override;
  long long GetTotalSectors() override;
  bool IOCtl(unsigned long long, void*) override { return false; }
  // Kept, not owned and not read: the cache only passes it back.
  IStorageDeviceData* GetPrivateData() override { return m_data; }
  void SetPrivateData(IStorageDeviceData* data) override { m_data = data; }
  int GetType() override { return STORAGE_DEVICE_CACHE; }
  unsigned long long GetLastError() override { return 0; }

 private:
  struct QueuedBlock {
    long long firstSector = 0;
    long long sectors = 0;
    quellsy::RawReadBuffer bytes;  // read in place by the wrapped device
  };
  // Buffers of blocks every holder let go of, for the reader to fill again. Shared with the blocks handed out,
  // which may outlive the device.
  struct SparePool {
    std::mutex lock;
    std::vector<quellsy::RawReadBuffer> buffers;
  };

  // A buffer for the next block: a spare one of the right shape, or a new one.
  quellsy::RawReadBuffer TakeSpare(std::size_t blockBytes, std::size_t lookBack);
  static void GiveSpare(SparePool& pool, quellsy::RawReadBuffer bytes);
  // Wraps a block taken from the queue so that its buffer returns to the pool when the last holder lets go.
  std::shared_ptr<const SharedSectorBlock> Share(QueuedBlock block) const;

  void CacheThread();
  // After `bytes` failed as a whole: reads its halves again, and theirs, down to single sectors.
  // `failure` is the wrapped device's code for the whole block.
  void ReadAgainInPieces(quellsy::RawReadBuffer& bytes, long long first, long long count, quellsy::ResultCode failure);
  // Pushes a bad-sector event for each range not yet reported that ends before `readUpTo`.
  void ReportUnreadable(long long readUpTo);
  // Adds an unreadable sector, merged into the last range when they touch.
  static void AddUnreadable(std::vector<BadSectorRange>& ranges, long long sector);
  // One read of the wrapped device; reads of both threads are serialised so the device sees one caller at a time.
  // On failure the device's code goes to `failure` when one is given.
  bool ReadInner(const quellsy::storage::ReadTarget& target, long long first, long long count,
                 quellsy::ResultCode* failure = nullptr);

  IStorageDevice* m_inner;
  IStorageDeviceData* m_data = nullptr;
  unsigned m_sectorSize;
  unsigned m_blockSize = 0;
  std::size_t m_lookBack = 0;  // bytes before each block: kLookBackBytes, or one block when blocks are smaller
  std::shared_ptr<SparePool> m_pool = std::make_shared<SparePool>();

  std::mutex m_queueLock;  // guards everything below
  std::condition_variable m_blockReady;   // the reader queued a block or ended
  std::condition_variable m_blockWanted;  // a slot came free, or the reader is to stop
  std::deque<QueuedBlock> m_queue;
  long long m_nextSector = 0;
  long long m_endSector = 0;
  bool m_stop = false;
  bool m_readerDone = true;
  std::vector<BadSectorRange> m_unreadable;
  std::size_t m_reportedRanges = 0;  // m_unreadable[0, this) were pushed as events
  quellsy::ResultCode m_readAheadError = quellsy::kResultOk;
  std::thread m_reader;

  std::mutex m_innerLock;
};
