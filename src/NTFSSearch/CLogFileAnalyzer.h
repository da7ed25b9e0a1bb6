#pragma once
// Log-file evidence of NTFS partitions during a complete scan: restart pages ("RSTR") and the first cluster of a
// $LogFile record found elsewhere fix a partition's origin; the sectors lying in valid record pages ("RCRD")
// later confirm it, counted against the $LogFile's clusters placed in the partition.

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "NTFSLib/CLogFileInfo.h"
#include "Utility/ByteReader.h"

class CNTFSFileRecord;

class CLogFileAnalyzer {
 public:
  static constexpr std::size_t kMaxEntries = 500000;
  // Evidence flags of a proposed partition.
  static constexpr std::uint32_t kFirstRestartPage = 64;
  static constexpr std::uint32_t kSecondRestartPage = 128;

  // Partitions proposed so far: (origin sector, sectors per cluster) to their flags.
  using Proposals = std::map<std::pair<std::int64_t, std::uint32_t>, std::uint32_t>;

  struct LogFileMatch {
    std::int64_t recordSector = -1;
    std::int64_t matchCount = -1;
  };

  explicit CLogFileAnalyzer(std::int64_t deviceTotalSectors) : m_totalSectors(deviceTotalSectors) {}

  // A sector whose window (at least 4096 bytes from it) may hold a restart page.
  void AnalyzeRSTRRecord(std::int64_t sector, quellsy::ByteSpan window);
  // A FILE record at sector; only a "$LogFile" record is taken.
  void AnalyzeLogFileFileRecord(std::int64_t sector, const CNTFSFileRecord& record);
  // A block of count 512-byte sectors from firstSector, scanned for record pages; a page cut by the block's end is
  // kept and completed by the next block when that one follows on.
  void AnalyzeRCRDRecord(quellsy::ByteSpan block, std::int64_t firstSector, std::size_t count);

  // The $LogFile record of the partition at origin (first at the $MFT record's sector + 4, else the first one
  // found inside the partition) and how many of its sectors lie in valid record pages.
  LogFileMatch CalcLogFileMatch(std::int64_t origin, std::uint32_t sectorsPerCluster, std::int64_t totalSectors,
                                std::int64_t mftSector) const;
  // A "$LogFile" record that would no longer be kept.
  bool IsaMetaFileRecordNotNeedtoCount(const CNTFSFileRecord& record) const;
  static bool IsPair(std::int64_t a, std::int64_t b) { return a - 8 == b; }

  const Proposals& GetProposals() const { return m_proposals; }
  const std::vector<std::int64_t>& GetRestartPages() const { return m_restartPages; }
  // Runs of sectors in valid record pages: (first sector, count), in the order met.
  const std::vector<std::pair<std::int64_t, std::int64_t>>& GetRecordPageRanges() const { return m_ranges; }
  std::int64_t GetRecordPageSectors() const;

 private:
  void Propose(const CLogFileInfo& log, std::int64_t pageSector, std::uint32_t flags);
  void Withdraw(std::int64_t pageSector, const CLogFileInfo& log, std::uint32_t flags);
  // Origin for the log's first cluster at pageSector; -1 when it would not lie at least 8 sectors before it.
  static std::int64_t OriginFor(std::int64_t pageSector, const CLogFileInfo& log);
  void AddRecordPage(std::int64_t firstSector);
  bool TestAndAddPage(quellsy::ByteSpan page, std::int64_t firstSector);

  std::int64_t m_totalSectors;
  std::vector<CLogFileInfo> m_logFiles;
  std::vector<std::int64_t> m_restartPages;
  std::vector<std::pair<std::int64_t, std::int64_t>> m_ranges;
  Proposals m_proposals;
  // The start of a record page cut by the previous block's end.
  std::vector<std::uint8_t> m_saved;
  std::int64_t m_savedSector = -1;
};
