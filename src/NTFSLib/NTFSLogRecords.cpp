#include "NTFSLib/NTFSLogRecords.h"

#include <algorithm>

#include "NTFSLib/CRCRDRecord.h"

namespace quellsy::ntfs {

namespace {

constexpr std::size_t kPageLastLsn = 0x08;
constexpr std::size_t kRecordClientLength = 0x18;

// Log records are laid out on 8-byte boundaries.
std::size_t Align8(std::size_t offset) { return (offset + 7) & ~std::size_t{7}; }

std::uint16_t Client16(ByteSpan client, std::size_t off) { return le16(client, off).value_or(0); }

}  // namespace

ByteSpan LogRecord::Undo() const {
  const ByteSpan client = ClientData();
  if (undoOffset > client.size() || client.size() - undoOffset < undoLength) return {};
  return client.subspan(undoOffset, undoLength);
}

void LogRecordWalker::Emit(ByteSpan bytes) {
  LogRecord record;
  record.lsn = le64(bytes, 0).value_or(0);
  record.clientDataLength = le32(bytes, kRecordClientLength).value_or(0);
  record.bytes = bytes;
  const ByteSpan client = record.ClientData();
  record.redoOperation = Client16(client, 0x00);
  record.undoOperation = Client16(client, 0x02);
  record.redoOffset = Client16(client, 0x04);
  record.redoLength = Client16(client, 0x06);
  record.undoOffset = Client16(client, 0x08);
  record.undoLength = Client16(client, 0x0A);
  record.recordOffset = Client16(client, 0x10);
  record.attributeOffset = Client16(client, 0x12);
  record.clusterBlockOffset = Client16(client, 0x14);
  record.targetVcn = static_cast<std::int64_t>(le64(client, 0x18).value_or(0));
  m_sink(record);
}

std::size_t LogRecordWalker::Continue(ByteSpan page) {
  const std::size_t room = kLogPageSize - kLogPageHeaderSize;
  const std::size_t take = std::min(m_pendingTotal - m_pending.size(), room);
  const ByteSpan part = page.subspan(kLogPageHeaderSize, take);
  m_pending.insert(m_pending.end(), part.begin(), part.end());
  if (m_pending.size() < m_pendingTotal) return 0;
  Emit(m_pending);
  m_pending.clear();
  return Align8(kLogPageHeaderSize + take);
}

void LogRecordWalker::Feed(std::size_t pageIndex, MutableByteSpan page) {
  const bool follows = pageIndex == m_lastPage + 1;
  m_lastPage = pageIndex;
  if (!follows) m_pending.clear();
  if (pageIndex < kFirstLogRecordPage || page.size() < kLogPageSize || !CRCRDRecord::Unfixup(page)) {
    m_pending.clear();
    return;
  }
  const ByteSpan bytes = ByteSpan(page).first(kLogPageSize);
  std::size_t at = kLogPageHeaderSize;
  if (!m_pending.empty()) {
    at = Continue(bytes);
    if (at == 0) return;
  }
  const std::uint64_t lastLsn = le64(bytes, kPageLastLsn).value_or(0);
  while (at + kLogRecordHeaderSize <= kLogPageSize) {
    const std::uint64_t lsn = le64(bytes, at).value_or(0);
    const std::uint32_t clientLength = le32(bytes, at + kRecordClientLength).value_or(0);
    if (lsn == 0 || clientLength > kMaxLogRecordBytes - kLogRecordHeaderSize) return;
    const std::size_t total = kLogRecordHeaderSize + clientLength;
    if (total > kLogPageSize - at) {
      m_pending.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
      m_pendingTotal = total;
      return;
    }
    Emit(bytes.subspan(at, total));
    if (lsn == lastLsn) return;
    at = Align8(at + total);
  }
}

}  // namespace quellsy::ntfs
