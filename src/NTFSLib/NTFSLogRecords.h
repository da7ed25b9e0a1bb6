#pragma once
// Log records of the $LogFile's record pages: each page ("RCRD", 4096 bytes, fixed up) holds log records from
// byte 64 on; a record is a 48-byte header followed by its client data, and one that does not fit its page
// continues after the next page's header. The client data of NTFS's own records begins with a header naming the
// redo and undo data and the MFT record (cluster and 512-byte block) and attribute they change.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy::ntfs {

constexpr std::size_t kLogPageSize = 4096;
constexpr std::size_t kLogPageHeaderSize = 0x40;
constexpr std::size_t kLogRecordHeaderSize = 48;
// The client header with its one cluster number; the redo data of a record usually follows it.
constexpr std::size_t kLogClientHeaderSize = 40;
// Pages 0 and 1 are the restart pages, 2 and 3 copies of the log's tail: records are read from page 4 on.
constexpr std::size_t kFirstLogRecordPage = 4;
// Real records stay far below this; a longer one is taken for damage and ends its page.
constexpr std::size_t kMaxLogRecordBytes = 64 * 1024;

struct LogRecord {
  std::uint64_t lsn = 0;
  std::uint32_t clientDataLength = 0;
  std::uint16_t redoOperation = 0;
  std::uint16_t undoOperation = 0;
  std::uint16_t redoOffset = 0;
  std::uint16_t redoLength = 0;
  std::uint16_t undoOffset = 0;
  std::uint16_t undoLength = 0;
  std::uint16_t recordOffset = 0;
  std::uint16_t attributeOffset = 0;
  std::uint16_t clusterBlockOffset = 0;
  std::int64_t targetVcn = 0;
  // Header and client data, joined when the record crossed pages.
  ByteSpan bytes;

  ByteSpan ClientData() const { return bytes.subspan(kLogRecordHeaderSize); }
  // The undo data, empty when it does not lie inside the client data.
  ByteSpan Undo() const;
};

// Walks the records of pages fed in log order; each complete record goes to the sink once. A page that fails
// the record-page test (or is not the next page) drops a record waiting for its continuation.
class LogRecordWalker {
 public:
  using Sink = std::function<void(const LogRecord&)>;
  explicit LogRecordWalker(Sink sink) : m_sink(std::move(sink)) {}

  // The page with that index in the log; it is fixed up in place. Pages before kFirstLogRecordPage are ignored.
  void Feed(std::size_t pageIndex, MutableByteSpan page);

 private:
  void Emit(ByteSpan bytes);
  // Continues a waiting record with the page's data; the offset where the page's own records begin, or 0 when
  // the whole page was continuation.
  std::size_t Continue(ByteSpan page);

  Sink m_sink;
  std::vector<std::uint8_t> m_pending;
  std::size_t m_pendingTotal = 0;
  std::size_t m_lastPage = 0;
};

}  // namespace quellsy::ntfs
