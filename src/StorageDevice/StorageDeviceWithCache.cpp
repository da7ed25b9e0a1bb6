#include "StorageDevice/StorageDeviceWithCache.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "Utility/BadSectorReports.h"
#include "StorageDevice/StorageDeviceErrors.h"

CStorageDeviceWithCache::CStorageDeviceWithCache(IStorageDevice* inner)
    : m_inner(inner), m_sectorSize(inner ? inner->GetSectorSize() : 512) {
  SetBlockSize(kInitialBlockSize);
}

CStorageDeviceWithCache::~CStorageDeviceWithCache() { EndCache(); }

bool CStorageDeviceWithCache::SetBlockSize(unsigned sectors) {
  const unsigned sectorSize = m_inner ? m_inner->GetSectorSize() : 512;
  if (sectors == 0 || sectorSize == 0 || std::uint64_t{sectors} * sectorSize > kMaxBlockBytes) return false;
  if (m_reader.joinable()) return false;
  m_sectorSize = sectorSize;
  m_blockSize = sectors;
  m_lookBack = std::min(kLookBackBytes, std::size_t{sectors} * sectorSize);
  std::lock_guard lock(m_pool->lock);
  m_pool->buffers.clear();
  return true;
}

void CStorageDeviceWithCache::BeginCache() {
  if (!m_inner || m_blockSize == 0) return;
  EndCache();
  std::lock_guard lock(m_queueLock);
  m_nextSector = 0;
  m_endSector = std::max(0LL, m_inner->GetTotalSectors());
  m_stop = false;
  m_unreadable.clear();
  m_reportedRanges = 0;
  m_readAheadError = quellsy::kResultOk;
  m_readerDone = m_endSector == 0;
  if (!m_readerDone) m_reader = std::thread(&CStorageDeviceWithCache::CacheThread, this);
}

void CStorageDeviceWithCache::CacheThread() {
  // Failed blocks are read again here in pieces; only the ranges that still fail are reported.
  const quellsy::ScopedBadSectorReportsByCaller reportedHere;
  const long long blockSize = m_blockSize;
  const std::size_t blockBytes = static_cast<std::size_t>(blockSize) * m_sectorSize;
  const std::size_t lookBack = m_lookBack;
  // The last lookBack bytes read, the look-back of the next block: zeros before sector 0.
  std::vector<unsigned char> seam(lookBack, 0);
  for (;;) {
    long long first = 0;
    long long count = 0;
    {
      std::unique_lock lock(m_queueLock);
      m_blockWanted.wait(lock, [this] { return m_stop || m_queue.size() < kBlocksAhead; });
      if (m_stop) break;
      first = m_nextSector;
      count = std::min(blockSize, m_endSector - first);
      m_nextSector += count;
    }
    // The wrapped device zero-fills what it cannot read, so a recycled buffer never shows an earlier block.
    // It reads into the block's own buffer (a time-out gives the buffer new storage of the same shape).
    quellsy::RawReadBuffer bytes = TakeSpare(blockBytes, lookBack);
    quellsy::ResultCode failure = quellsy::kResultOk;
    if (!ReadInner(quellsy::storage::ReadTarget(bytes), first, count, &failure))
      ReadAgainInPieces(bytes, first, count, failure);
    const std::size_t read = static_cast<std::size_t>(count) * m_sectorSize;
    // A short last block shows zeros after its sectors, never what the buffer held before.
    std::memset(bytes.data() + read, 0, blockBytes - read);
    std::memcpy(bytes.data() - lookBack, seam.data(), lookBack);
    const std::size_t kept = std::min(read, lookBack);
    std::memmove(seam.data(), seam.data() + kept, lookBack - kept);
    std::memcpy(seam.data() + lookBack - kept, bytes.data() + read - kept, kept);
    ReportUnreadable(first + count);
    bool last = false;
    {
      std::lock_guard lock(m_queueLock);
      m_queue.push_back(QueuedBlock{first, count, std::move(bytes)});
      last = m_nextSector >= m_endSector;
      if (last) m_readerDone = true;
    }
    m_blockReady.notify_all();
    if (last) break;
  }
  ReportUnreadable(std::numeric_limits<long long>::max());
  {
    std::lock_guard lock(m_queueLock);
    m_readerDone = true;
  }
  m_blockReady.notify_all();
}

quellsy::RawReadBuffer CStorageDeviceWithCache::TakeSpare(std::size_t blockBytes, std::size_t lookBack) {
  {
    std::lock_guard lock(m_pool->lock);
    while (!m_pool->buffers.empty()) {
      quellsy::RawReadBuffer spare = std::move(m_pool->buffers.back());
      m_pool->buffers.pop_back();
      if (spare.capacity() == blockBytes && spare.before() == lookBack && spare.after() == kZeroTailBytes)
        return spare;
    }
  }
  return quellsy::RawReadBuffer(blockBytes, lookBack, kZeroTailBytes);
}

void CStorageDeviceWithCache::GiveSpare(SparePool& pool, quellsy::RawReadBuffer bytes) {
  std::lock_guard lock(pool.lock);
  pool.buffers.push_back(std::move(bytes));
}

std::shared_ptr<const SharedSectorBlock> CStorageDeviceWithCache::Share(QueuedBlock block) const {
  struct Held : SharedSectorBlock {
    quellsy::RawReadBuffer bytes;
  };
  auto held = std::unique_ptr<Held>(new Held);
  held->first = block.firstSector;
  held->sectors = block.sectors;
  held->bytes = std::move(block.bytes);
  held->data = held->bytes.data();
  held->capacity = held->bytes.capacity();
  held->lookBack = held->bytes.before();
  held->zeroTail = held->bytes.after();
  return std::shared_ptr<Held>(held.release(), [pool = m_pool](Held* done) {
    GiveSpare(*pool, std::move(done->bytes));
    delete done;
  });
}

void CStorageDeviceWithCache::ReadAgainInPieces(quellsy::RawReadBuffer& bytes, long long first, long long count,
                                                quellsy::ResultCode failure) {
  std::vector<BadSectorRange> failed;
  quellsy::ResultCode deviceError = quellsy::kResultOk;
  // Pieces still to read, the next on top: ascending order, so failed sectors arrive sorted.
  std::vector<std::pair<long long, long long>> pending;
  // A piece that failed: halved, or a bad sector; when the device stopped taking reads, nothing more is tried.
  const auto pieceFailed = [&](long long from, long long sectors, quellsy::ResultCode code) {
    if (code == quellsy::storage::kReadersStalled) {
      deviceError = code;
    } else if (sectors > 1) {
      const long long half = sectors / 2;
      pending.emplace_back(from + half, sectors - half);
      pending.emplace_back(from, half);
    } else {
      AddUnreadable(failed, from);
    }
  };
  pieceFailed(first, count, failure);
  while (!pending.empty() && deviceError == quellsy::kResultOk) {
    const auto [from, sectors] = pending.back();
    pending.pop_back();
    // Read again through the pointer each time: a timed-out read gives the buffer new storage.
    unsigned char* at = bytes.data() + static_cast<std::size_t>(from - first) * m_sectorSize;
    if (!ReadInner(quellsy::storage::ReadTarget(at), from, sectors, &failure)) pieceFailed(from, sectors, failure);
  }
  std::lock_guard lock(m_queueLock);
  for (const BadSectorRange& range : failed) {
    if (!m_unreadable.empty() && m_unreadable.back().first + m_unreadable.back().count == range.first)
      m_unreadable.back().count += range.count;
    else
      m_unreadable.push_back(range);
  }
  if (m_readAheadError == quellsy::kResultOk) m_readAheadError = deviceError;
}

void CStorageDeviceWithCache::ReportUnreadable(long long readUpTo) {
  std::vector<BadSectorRange> closed;
  {
    std::lock_guard lock(m_queueLock);
    // A range reaching the end of what was read may go on in the next block: it waits until it is whole.
    for (; m_reportedRanges < m_unreadable.size(); ++m_reportedRanges) {
      const BadSectorRange& range = m_unreadable[m_reportedRanges];
      if (static_cast<long long>(range.first + range.count) >= readUpTo) break;
      closed.push_back(range);
    }
  }
  for (const BadSectorRange& range : closed) {
    const auto payload = EncodeBadSectorRange(range);
    CMessageCenter::Instance().PushEvent(EVENT_BAD_SECTOR, static_cast<int>(payload.size()), payload.data());
  }
}

void CStorageDeviceWithCache::AddUnreadable(std::vector<BadSectorRange>& ranges, long long sector) {
  const auto at = static_cast<std::uint64_t>(sector);
  if (!ranges.empty() && ranges.back().first + ranges.back().count == at)
    ++ranges.back().count;
  else
    ranges.push_back({at, 1});
}

std::vector<BadSectorRange> CStorageDeviceWithCache::GetUnreadableRanges() {
  std::lock_guard lock(m_queueLock);
  return m_unreadable;
}

quellsy::ResultCode CStorageDeviceWithCache::GetReadAheadError() {
  std::lock_guard lock(m_queueLock);
  return m_readAheadError;
}

std::shared_ptr<const SharedSectorBlock> CStorageDeviceWithCache::TakeBlock(long long block) {
  if (!m_inner || m_blockSize == 0 || !IsBlockInValidRange(block)) return nullptr;
  const long long first = block * m_blockSize;
  std::unique_lock lock(m_queueLock);
  for (;;) {
    m_blockReady.wait(lock, [this] { return !m_queue.empty() || m_readerDone || m_stop; });
    // Nothing more will come, or the caller went back to a block already passed.
    if (m_queue.empty() || m_queue.front().firstSector > first) return nullptr;
    QueuedBlock taken = std::move(m_queue.front());
    m_queue.pop_front();
    m_blockWanted.notify_all();
    if (taken.firstSector == first) return Share(std::move(taken));
    GiveSpare(*m_pool, std::move(taken.bytes));
  }
}

void CStorageDeviceWithCache::EndCache() {
  {
    std::lock_guard lock(m_queueLock);
    m_stop = true;
  }
  m_blockWanted.notify_all();
  m_blockReady.notify_all();
  if (m_reader.joinable()) m_reader.join();
  {
    std::lock_guard lock(m_queueLock);
    m_queue.clear();
    m_readerDone = true;
  }
  std::lock_guard lock(m_pool->lock);
  m_pool->buffers.clear();
}

bool CStorageDeviceWithCache::IsNeedCatchBuffer() {
  std::lock_guard lock(m_queueLock);
  return m_queue.empty();
}

bool CStorageDeviceWithCache::IsBlockInValidRange(long long block) {
  if (m_blockSize == 0 || !m_inner || block < 0) return false;
  const long long total = m_inner->GetTotalSectors();
  if (total <= 0) return false;
  const long long blocks = total / m_blockSize + (total % m_blockSize != 0 ? 1 : 0);
  return block < blocks;
}

bool CStorageDeviceWithCache::Open(char*) { return m_inner != nullptr; }

bool CStorageDeviceWithCache::Close() { return m_inner != nullptr; }

unsigned CStorageDeviceWithCache::GetSectorSize() { return m_inner ? m_inner->GetSectorSize() : 512; }

long long CStorageDeviceWithCache::GetTotalSectors() { return m_inner ? m_inner->GetTotalSectors() : 0; }

bool CStorageDeviceWithCache::ReadSector(void* buffer, long long first, long long count) {
  if (!m_inner) return false;
  return ReadInner(quellsy::storage::ReadTarget(buffer), first, count);
}

bool CStorageDeviceWithCache::ReadInner(const quellsy::storage::ReadTarget& target, long long first, long long count,
                                        quellsy::ResultCode* failure) {
  std::lock_guard lock(m_innerLock);
  if (target.ReadFrom(*m_inner, first, count)) return true;
  if (failure) *failure = m_inner->GetLastError();
  return false;
}
