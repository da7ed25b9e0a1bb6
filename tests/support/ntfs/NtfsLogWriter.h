#pragma once
// Writes NTFS log files for the tests, in the published layout: restart pages ("RSTR", the restart area and one
// client named "NTFS"), and record pages ("RCRD", 4096 bytes) holding log records (a 48-byte header and client
// data) from byte 64 on, 8-byte aligned, a record that does not fit continuing after the next page's header.
// Every page is in its on-disk form: each 512-byte stride's last word moved into the update-sequence array and
// replaced by the sequence number.

#include <cstdint>
#include <filesystem>
#include <vector>

#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/NTFSStreamReader.h"

namespace quellsy::test {

// NTFS's client record: what it changes (an MFT record by cluster and 512-byte block, an attribute by its offset
// in that record and a byte offset inside it), and the redo and undo data.
struct NtfsLogClientRecord {
  std::uint16_t redoOperation = 0;
  std::uint16_t undoOperation = 0;
  std::vector<std::uint8_t> redo;
  std::vector<std::uint8_t> undo;
  std::uint16_t targetAttribute = 0;
  std::uint16_t recordOffset = 0;
  std::uint16_t attributeOffset = 0;
  std::uint16_t clusterBlockOffset = 0;
  std::int64_t targetVcn = 0;
  std::int64_t lcn = 0;
};

// Operation codes used by the tests.
inline constexpr std::uint16_t kLogNoop = 0x00;
inline constexpr std::uint16_t kLogInitializeFileRecordSegment = 0x02;
inline constexpr std::uint16_t kLogDeallocateFileRecordSegment = 0x03;
inline constexpr std::uint16_t kLogUpdateMappingPairs = 0x09;
inline constexpr std::uint16_t kLogSetNewAttributeSizes = 0x0B;

// The client data: the 40-byte header (one cluster number), the redo data at 40, the undo data after it on an
// 8-byte boundary, the whole padded to 8 bytes.
std::vector<std::uint8_t> NtfsLogClientData(const NtfsLogClientRecord& record);

// A restart page with restart-area flags and current LSN, in on-disk form.
std::vector<std::uint8_t> NtfsRestartPage(std::uint16_t flags, std::uint64_t currentLsn,
                                          std::uint16_t sequenceNumber = 1);

class NtfsLogWriter {
 public:
  static constexpr std::size_t kPageSize = 4096;
  static constexpr std::size_t kFirstRecordPage = 4;

  // A log of that many pages; pages 0 and 1 are restart pages, 2 and 3 stay empty.
  explicit NtfsLogWriter(std::size_t pages);

  // Appends a log record with that client data; its LSN.
  std::uint64_t Add(const std::vector<std::uint8_t>& clientData);
  // The next record begins on a new page.
  void EndPage();
  // The page index and offset the next record would get.
  std::size_t CurrentPage() const { return m_page; }
  std::size_t CurrentOffset() const { return m_offset; }

  std::vector<std::uint8_t> Build() const;

 private:
  struct Page {
    std::vector<std::uint8_t> bytes;
    std::uint64_t lastLsn = 0;
    std::uint64_t lastEndLsn = 0;
    std::uint16_t nextRecordOffset = 0;
    bool used = false;
  };
  void NextPage();

  std::vector<Page> m_pages;
  std::size_t m_page = kFirstRecordPage;
  std::size_t m_offset = 0x40;
  std::uint64_t m_nextLsn = 0x100000;
};

// Writes bytes into an image file through a stream's runs (the $LogFile's, say), clipped to the runs' clusters.
// False when a write fails.
bool WriteThroughRuns(const std::filesystem::path& image, const NTFSVolumeGeometry& geometry,
                      const CNTFSDataRunList& runs, const std::vector<std::uint8_t>& bytes);

}  // namespace quellsy::test
