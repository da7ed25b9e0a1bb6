#pragma once
// Reads the directory sectors a complete scan meets into file sets: the entries of consecutive directory
// sectors gather into one set until a sector ends the walk or the set fills a cluster. An entry set cut at a
// cluster's end is kept, and joined by its checksum to the piece of a later or earlier cluster that begins
// inside an entry set.

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "ExFat/CEFDTAnalyze.h"
#include "ExFat/CFileSet.h"
#include "Utility/ByteReader.h"

class CFDTPreAnaylze {
 public:
  static constexpr std::size_t kHeadBytes = 576;  // a file entry and up to 17 secondaries

  void PrepareAnayze(std::uint32_t sectorShift, std::uint32_t clusterShift, std::uint64_t totalSectors);
  // Reads the sector whose bytes begin data; data may run on into the following sectors, which an entry set
  // that crosses the sector's end is checked over. True when the current set is to be handed out now.
  bool Analyze(std::int64_t sector, quellsy::ByteSpan data);
  // Hands the current set out when it holds a file or is a root, and starts a new one; null otherwise.
  std::unique_ptr<CFileSet> GetFileSet();
  // The first sector of the set joined after (GetNext) or before (GetLast) the set at firstSector; -1 when none.
  std::int64_t GetNext(std::int64_t firstSector) const;
  std::int64_t GetLast(std::int64_t firstSector) const;
  void FinisAnayze();
  // True while no set is being gathered: a sector that starts no entry then changes nothing.
  bool Idle() const { return !m_current; }

 private:
  CFileSet& Current();
  bool TakeLabel(quellsy::ByteSpan entry);
  bool TakeAllocation(quellsy::ByteSpan entry, bool bitmap);
  void MoveRecords(CEFDTAnalyze& from, CFileSet& to);
  // True when the entry set starting at entry does not end in this sector and was kept for a later join.
  bool CheckAndRecordNotEnd(quellsy::ByteSpan entry, std::size_t entriesLeft, std::int64_t sector);
  void RecordAbrige(std::int64_t sector, quellsy::ByteSpan data);
  // Joins the cut entry set to the head of a continuing piece; the record goes to the current set.
  bool Joint(quellsy::ByteSpan cut, quellsy::ByteSpan head);
  std::int64_t CurrentKey(std::int64_t sector) const;

  std::uint64_t m_totalSectors = 0;
  std::uint32_t m_clusterShift = 25;
  std::uint32_t m_sectorShift = 9;
  CEFDTAnalyze m_scratch;
  std::unique_ptr<CFileSet> m_current;
  std::map<std::int64_t, std::vector<std::uint8_t>> m_notEnd;
  std::map<std::int64_t, std::vector<std::uint8_t>> m_abridged;
  std::map<std::int64_t, std::int64_t> m_links;
};
