#pragma once
// The partition record of an NTFS volume, with the evidence a complete scan gathered for it and the score that
// evidence earns. The evidence can be written into, and read back from, the open frame of a scan-result archive
// (96 bytes).

#include <cstdint>

#include "include/SearchPartitionInfoStruct.h"

class IRSData;

class CSearchedNTFSPartitionInfo : public CSearchedPartitionInfo {
 public:
  static constexpr std::uint32_t kSavedSize = 96;

  // What a proposal was built from (the build-from flags).
  enum BuildFrom : std::uint32_t {
    kBootSector = 1,
    kBackupBootSector = 2,
    kMFTAndMirror = 4,
    kMFTGroup = 8,
    kMFTMirrGroup = 16,
    kIndexRecord = 32,
    kFirstRestartPage = 64,
    kSecondRestartPage = 128,
  };
  static constexpr std::uint32_t kBootFlags = kBootSector | kBackupBootSector;
  static constexpr std::uint32_t kMFTFlags = kMFTAndMirror | kMFTGroup | kMFTMirrGroup;

  // What the complete scan learned of the volume; the sectors and counts are -1 until known.
  struct Evidence {
    std::int64_t serialNumber = 0;
    std::uint32_t sectorsPerFileRecord = 2;
    std::uint32_t buildFrom = 0;
    std::uint32_t hasMFT = 0;
    std::int64_t clusterCount = -1;
    std::int64_t logFileMatch = -1;
    std::int64_t attrDefMatch = -1;
    std::int64_t upCaseMatch = -1;
    std::int64_t mftSector = -1;
    std::int64_t logFileSector = -1;
    std::int64_t attrDefSector = -1;
    std::int64_t upCaseSector = -1;
    std::int64_t bitmapSectors = -1;
  };

  explicit CSearchedNTFSPartitionInfo(std::uint32_t bytesPerSector = 512);

  int GetType() const override { return 0; }
  // A copy that keeps the evidence.
  CSearchedPartitionInfo* Clone() const override;

  Evidence& GetEvidence() { return m_evidence; }
  const Evidence& GetEvidence() const { return m_evidence; }
  // The flags' scores, plus 10 each for a $LogFile, $AttrDef or $UpCase whose sectors matched enough.
  std::uint32_t ComputeScore() const;

  // The evidence in its saved order into archive's open frame; throws CRSException when the write fails.
  void Save(IRSData& archive) const;
  // Reads what Save wrote; throws CRSException (short read) when the frame ends first, and changes nothing then.
  void Restore(IRSData& archive);

 private:
  Evidence m_evidence;
};
