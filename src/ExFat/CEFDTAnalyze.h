#pragma once
// Reads the entries of a directory, cluster after cluster, into file base information records. Each entry is
// tested for plausibility on its own; an implausible one ends the directory. A set may span clusters: the
// record under construction survives from one call to the next.

#include <cstdint>
#include <string>
#include <vector>

#include "ExFat/ExFatFileBaseInfo.h"
#include "Utility/ByteReader.h"

class CEFDTAnalyze {
 public:
  // Stores the volume's shifts and size (entries are tested against them) and clears the record.
  void PrepareAnayze(std::uint32_t sectorShift, std::uint32_t clusterShift, std::uint64_t totalSectors);
  // Drops the record under construction.
  void Reset();
  // A file entry was read and its set is not complete yet.
  bool HasOpenRecord() const { return m_state != kNone; }
  // Reads the whole entries of buffer, whose first byte lies at that sector. False at the first implausible
  // entry or the end of the directory: nothing after it in this directory is to be read.
  bool Analyze(quellsy::ByteSpan buffer, std::int64_t sector);

  // The per-type steps; false for an implausible entry.
  bool SetBaseData(quellsy::ByteSpan entry, std::int64_t sector);
  bool SetStreamData(quellsy::ByteSpan entry);
  bool SetNameData(quellsy::ByteSpan entry);
  bool SetVloumeLabel(quellsy::ByteSpan entry);
  // The first allocation-bitmap entry met since preparation: its first cluster and length in bytes (0 and 0
  // when none was met).
  std::uint32_t GetBitmapCluster() const { return m_bitmapCluster; }
  std::uint64_t GetBitmapLength() const { return m_bitmapLength; }
  // Never filled: the label is tested, not kept.
  const std::u16string& GetVolumeLabel() const { return m_label; }

  // The records completed so far, in directory order.
  const std::vector<_tagFileBaseInfo>& Records() const { return m_records; }
  // Hands the completed records over and forgets them.
  std::vector<_tagFileBaseInfo> TakeRecords();

 private:
  enum State : std::uint32_t { kNone = 0, kFileRead = 1, kStreamRead = 2 };

  void ClearRecord();
  void CompleteRecord();

  std::uint32_t m_state = kNone;
  std::uint8_t m_remaining = 0;
  std::uint8_t m_inUse = 0;
  std::uint8_t m_nameLength = 0;
  std::uint64_t m_examined = 0;
  _tagFileBaseInfo m_info;
  std::vector<std::uint16_t> m_nameUnits;
  std::vector<_tagFileBaseInfo> m_records;
  std::u16string m_label;
  void KeepBitmap(quellsy::ByteSpan entry);

  std::uint32_t m_bitmapCluster = 0;
  std::uint64_t m_bitmapLength = 0;
  std::uint64_t m_totalSectors = 0;
  std::uint32_t m_clusterShift = 9;
  std::uint32_t m_sectorShift = 9;
};
