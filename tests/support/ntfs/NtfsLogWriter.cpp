#include "support/ntfs/NtfsLogWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "Utility/ByteReader.h"

namespace quellsy::test {

namespace {

constexpr std::size_t kStride = 512;
constexpr std::size_t kStrides = NtfsLogWriter::kPageSize / kStride;
constexpr std::size_t kRecordHeader = 48;
constexpr std::size_t kClientHeader = 40;
constexpr std::size_t kPageHeader = 0x40;

std::size_t Align8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) { FieldWriter(b).le16(at, v); }
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) { FieldWriter(b).le32(at, v); }
void Put64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) { FieldWriter(b).le64(at, v); }

// Header fields of the update sequence, then each stride's last word into the array.
void Protect(std::vector<std::uint8_t>& page, std::size_t sequenceOffset, std::uint16_t number) {
  Put16(page, 0x04, static_cast<std::uint16_t>(sequenceOffset));
  Put16(page, 0x06, static_cast<std::uint16_t>(kStrides + 1));
  Put16(page, sequenceOffset, number);
  for (std::size_t i = 0; i < kStrides; ++i) {
    const std::size_t last = (i + 1) * kStride - 2;
    page[sequenceOffset + 2 + 2 * i] = page[last];
    page[sequenceOffset + 3 + 2 * i] = page[last + 1];
    Put16(page, last, number);
  }
}

}  // namespace

std::vector<std::uint8_t> NtfsLogClientData(const NtfsLogClientRecord& r) {
  const std::size_t undoAt = Align8(kClientHeader + r.redo.size());
  std::vector<std::uint8_t> b(Align8(undoAt + r.undo.size()), 0);
  Put16(b, 0x00, r.redoOperation);
  Put16(b, 0x02, r.undoOperation);
  Put16(b, 0x04, static_cast<std::uint16_t>(kClientHeader));
  Put16(b, 0x06, static_cast<std::uint16_t>(r.redo.size()));
  Put16(b, 0x08, static_cast<std::uint16_t>(undoAt));
  Put16(b, 0x0A, static_cast<std::uint16_t>(r.undo.size()));
  Put16(b, 0x0C, r.targetAttribute);
  Put16(b, 0x0E, 1);
  Put16(b, 0x10, r.recordOffset);
  Put16(b, 0x12, r.attributeOffset);
  Put16(b, 0x14, r.clusterBlockOffset);
  Put64(b, 0x18, static_cast<std::uint64_t>(r.targetVcn));
  Put64(b, 0x20, static_cast<std::uint64_t>(r.lcn));
  std::copy(r.redo.begin(), r.redo.end(), b.begin() + kClientHeader);
  std::copy(r.undo.begin(), r.undo.end(), b.begin() + static_cast<std::ptrdiff_t>(undoAt));
  return b;
}

std::vector<std::uint8_t> NtfsRestartPage(std::uint16_t flags, std::uint64_t currentLsn, std::uint16_t sequenceNumber) {
  std::vector<std::uint8_t> page(NtfsLogWriter::kPageSize, 0);
  std::copy_n("RSTR", 4, page.begin());
  Put32(page, 0x10, NtfsLogWriter::kPageSize);  // system page size
  Put32(page, 0x14, NtfsLogWriter::kPageSize);  // log page size
  Put16(page, 0x18, 0x30);                      // restart area
  Put16(page, 0x1A, 1);                         // minor version
  Put16(page, 0x1C, 1);                         // major version
  // The restart area.
  Put64(page, 0x30, currentLsn);
  Put16(page, 0x38, 1);       // log clients
  Put16(page, 0x3A, 0xFFFF);  // free list: none
  Put16(page, 0x3C, 0);       // in-use list: client 0
  Put16(page, 0x3E, flags);
  Put32(page, 0x40, 44);      // sequence number bits
  Put16(page, 0x44, 0xD0);    // restart area length
  Put16(page, 0x46, 0x40);    // client array, from the restart area
  Put16(page, 0x54, kRecordHeader);
  Put16(page, 0x56, kPageHeader);
  // Client 0, named "NTFS".
  Put16(page, 0x80, 0xFFFF);
  Put16(page, 0x82, 0xFFFF);
  Put32(page, 0x8C, 8);
  const char16_t name[] = u"NTFS";
  for (std::size_t i = 0; i < 4; ++i) Put16(page, 0x90 + 2 * i, static_cast<std::uint16_t>(name[i]));
  Protect(page, 0x1E, sequenceNumber);
  return page;
}

NtfsLogWriter::NtfsLogWriter(std::size_t pages) : m_pages(std::max(pages, kFirstRecordPage + 1)) {}

void NtfsLogWriter::NextPage() {
  ++m_page;
  m_offset = kPageHeader;
}

void NtfsLogWriter::EndPage() {
  if (m_offset != kPageHeader) NextPage();
}

std::uint64_t NtfsLogWriter::Add(const std::vector<std::uint8_t>& clientData) {
  if (kPageSize - m_offset < kRecordHeader) NextPage();
  const std::uint64_t lsn = m_nextLsn++;
  std::vector<std::uint8_t> record(kRecordHeader, 0);
  Put64(record, 0x00, lsn);
  Put32(record, 0x18, static_cast<std::uint32_t>(clientData.size()));
  Put32(record, 0x20, 1);  // client record
  Put16(record, 0x28, kPageSize - m_offset < kRecordHeader + clientData.size() ? 1 : 0);  // crosses pages
  record.insert(record.end(), clientData.begin(), clientData.end());
  m_pages.at(m_page).lastLsn = lsn;
  for (std::size_t done = 0; done < record.size();) {
    if (m_offset == kPageSize) NextPage();
    Page& page = m_pages.at(m_page);
    if (page.bytes.empty()) page.bytes.assign(kPageSize, 0);
    page.used = true;
    const std::size_t n = std::min(record.size() - done, kPageSize - m_offset);
    std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(done), n,
                page.bytes.begin() + static_cast<std::ptrdiff_t>(m_offset));
    done += n;
    m_offset += n;
  }
  Page& last = m_pages.at(m_page);
  last.lastEndLsn = lsn;
  m_offset = std::min(Align8(m_offset), kPageSize);
  last.nextRecordOffset = static_cast<std::uint16_t>(m_offset);
  return lsn;
}

std::vector<std::uint8_t> NtfsLogWriter::Build() const {
  std::vector<std::uint8_t> log(m_pages.size() * kPageSize, 0);
  const auto place = [&](std::size_t index, const std::vector<std::uint8_t>& page) {
    std::copy(page.begin(), page.end(), log.begin() + static_cast<std::ptrdiff_t>(index * kPageSize));
  };
  place(0, NtfsRestartPage(0, m_nextLsn - 1));
  place(1, NtfsRestartPage(0, m_nextLsn - 1));
  for (std::size_t i = kFirstRecordPage; i < m_pages.size(); ++i) {
    const Page& page = m_pages[i];
    if (!page.used) continue;
    std::vector<std::uint8_t> bytes = page.bytes;
    std::copy_n("RCRD", 4, bytes.begin());
    Put64(bytes, 0x08, page.lastLsn);
    Put32(bytes, 0x10, page.lastEndLsn != 0 ? 1 : 0);
    Put16(bytes, 0x14, 1);
    Put16(bytes, 0x16, 1);
    Put16(bytes, 0x18, page.nextRecordOffset);
    Put64(bytes, 0x20, page.lastEndLsn);
    Protect(bytes, 0x28, static_cast<std::uint16_t>(i + 1));
    place(i, bytes);
  }
  return log;
}

bool WriteThroughRuns(const std::filesystem::path& image, const NTFSVolumeGeometry& geometry,
                      const CNTFSDataRunList& runs, const std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(image.c_str(), O_WRONLY);
  if (fd < 0) return false;
  bool ok = true;
  const std::uint64_t clusterBytes = geometry.ClusterBytes();
  for (const CDataRun& run : runs.GetRuns()) {
    const std::uint64_t from = static_cast<std::uint64_t>(run.vcn) * clusterBytes;
    if (run.lcn < 0 || from >= bytes.size()) continue;
    const std::size_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(run.length) * clusterBytes, bytes.size() - from);
    const auto at = static_cast<off_t>(static_cast<std::uint64_t>(run.lcn) * clusterBytes +
                                       static_cast<std::uint64_t>(geometry.origin) * geometry.sectorSize);
    ok = ok && ::pwrite(fd, bytes.data() + from, n, at) == static_cast<ssize_t>(n);
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace quellsy::test
