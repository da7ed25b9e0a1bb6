#pragma once
// The partition record of an NTFS volume: the common record plus what the search learned of the volume. Its own
// fields can be written into, and read back from, the open frame of a scan-result archive (96 bytes).

#include <cstdint>

#include "include/SearchPartitionInfoStruct.h"

class IRSData;

class CSearchedNTFSPartitionInfo : public CSearchedPartitionInfo {
 public:
  static constexpr std::uint32_t kSavedSize = 96;

  using CSearchedPartitionInfo::CSearchedPartitionInfo;

  int GetType() const override { return 0; }
  CSearchedPartitionInfo* Clone() const override;

  // The own fields in declaration order into archive's open frame; throws CRSException when the write fails.
  void Save(IRSData& archive) const;
  // Reads what Save wrote; throws CRSException (short read) when the frame ends first, and changes nothing then.
  void Restore(IRSData& archive);

  std::int64_t GetSerialNumber() const { return m_serialNumber; }
  void SetSerialNumber(std::int64_t serial) { m_serialNumber = serial; }
  std::uint32_t GetSectorsPerFileRecord() const { return m_sectorsPerFileRecord; }
  void SetSectorsPerFileRecord(std::uint32_t sectors) { m_sectorsPerFileRecord = sectors; }
  std::uint32_t GetPartitionBuildFromFlag() const { return m_buildFromFlags; }
  void AddPartitionBuildFromFlag(std::uint32_t flag) { m_buildFromFlags |= flag; }
  bool HasMFT() const { return m_hasMFT != 0; }
  void SetHasMFT(bool has) { m_hasMFT = has ? 1u : 0u; }
  std::int64_t GetClusterCount() const { return m_clusterCount; }
  void SetClusterCount(std::int64_t count) { m_clusterCount = count; }
  // Sectors found matching $LogFile, $AttrDef and $UpCase contents.
  std::int64_t GetLogFileMatches() const { return m_logFileMatches; }
  void SetLogFileMatches(std::int64_t count) { m_logFileMatches = count; }
  std::int64_t GetAttrDefMatches() const { return m_attrDefMatches; }
  void SetAttrDefMatches(std::int64_t count) { m_attrDefMatches = count; }
  std::int64_t GetUpCaseMatches() const { return m_upCaseMatches; }
  void SetUpCaseMatches(std::int64_t count) { m_upCaseMatches = count; }
  // Sectors of the $MFT, $LogFile, $AttrDef and $UpCase file records.
  std::int64_t GetMFTRecordSector() const { return m_mftRecordSector; }
  void SetMFTRecordSector(std::int64_t sector) { m_mftRecordSector = sector; }
  std::int64_t GetLogFileRecordSector() const { return m_logFileRecordSector; }
  void SetLogFileRecordSector(std::int64_t sector) { m_logFileRecordSector = sector; }
  std::int64_t GetAttrDefRecordSector() const { return m_attrDefRecordSector; }
  void SetAttrDefRecordSector(std::int64_t sector) { m_attrDefRecordSector = sector; }
  std::int64_t GetUpCaseRecordSector() const { return m_upCaseRecordSector; }
  void SetUpCaseRecordSector(std::int64_t sector) { m_upCaseRecordSector = sector; }
  // Sectors per cluster times the bits of $Bitmap.
  std::int64_t GetBitmapSectors() const { return m_bitmapSectors; }
  void SetBitmapSectors(std::int64_t sectors) { m_bitmapSectors = sectors; }

 private:
  std::int64_t m_serialNumber = 0;
  std::uint32_t m_sectorsPerFileRecord = 2;
  std::uint32_t m_buildFromFlags = 0;
  std::uint32_t m_hasMFT = 0;
  std::uint32_t m_spare = 0;
  std::int64_t m_clusterCount = -1;
  std::int64_t m_logFileMatches = -1;
  std::int64_t m_attrDefMatches = -1;
  std::int64_t m_upCaseMatches = -1;
  std::int64_t m_mftRecordSector = -1;
  std::int64_t m_logFileRecordSector = -1;
  std::int64_t m_attrDefRecordSector = -1;
  std::int64_t m_upCaseRecordSector = -1;
  std::int64_t m_bitmapSectors = -1;
};
