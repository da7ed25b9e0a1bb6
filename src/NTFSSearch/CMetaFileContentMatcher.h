#pragma once
// Evidence from the contents NTFS formatting always writes: sectors equal to the standard $AttrDef or $UpCase
// file are gathered into ranges, and at the end a partition's $AttrDef or $UpCase record, placed in it, counts
// how many of its file's sectors lie in those ranges.

#include <cstdint>
#include <utility>
#include <vector>

#include "NTFSLib/CNTFSDataRunList.h"
#include "Utility/ByteReader.h"

class CNTFSFileRecord;

class CMetaFileContentMatcher {
 public:
  enum class Kind { kAttrDef, kUpCase };
  static constexpr std::size_t kMaxEntries = 500000;

  struct Match {
    std::int64_t recordSector = -1;
    std::int64_t matchCount = -1;
  };

  explicit CMetaFileContentMatcher(Kind kind) : m_kind(kind) {}

  // Keeps the file's record when it is this kind's meta record.
  void AnalyzeFileRecord(std::int64_t sector, const CNTFSFileRecord& record);
  // Compares the sector's first 512 bytes with the standard content.
  void AnalyzeSector(std::int64_t sector, quellsy::ByteSpan data);
  // The record at preferredSector, else the first one inside the partition, and its sectors that matched.
  Match CalcMatch(std::int64_t origin, std::uint32_t sectorsPerCluster, std::int64_t totalSectors,
                  std::int64_t preferredSector) const;

  const std::vector<std::pair<std::int64_t, std::int64_t>>& Ranges() const { return m_ranges; }

 private:
  struct Record {
    std::int64_t sector;
    CNTFSDataRunList runs;
  };
  bool Matches(quellsy::ByteSpan data) const;
  void AddSector(std::int64_t sector);

  Kind m_kind;
  std::vector<Record> m_records;
  std::vector<std::pair<std::int64_t, std::int64_t>> m_ranges;  // first sector, count
};
