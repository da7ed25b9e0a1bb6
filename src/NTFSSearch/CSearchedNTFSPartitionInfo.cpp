#include "NTFSSearch/CSearchedNTFSPartitionInfo.h"

#include <new>

namespace {
constexpr std::int64_t kLogFileSectorsEnough = 10000;
constexpr std::int64_t kAttrDefSectorsEnough = 5;
constexpr std::int64_t kUpCaseSectorsEnough = 256;
constexpr std::uint32_t kMatchScore = 10;
}  // namespace

CSearchedNTFSPartitionInfo::CSearchedNTFSPartitionInfo(std::uint32_t bytesPerSector)
    : CSearchedPartitionInfo(bytesPerSector) {
  SetFileSystemType(FILE_SYSTEM_NTFS);
}

CSearchedPartitionInfo* CSearchedNTFSPartitionInfo::Clone() const {
  return new (std::nothrow) CSearchedNTFSPartitionInfo(*this);
}

std::uint32_t CSearchedNTFSPartitionInfo::ComputeScore() const {
  static constexpr struct {
    std::uint32_t flag;
    std::uint32_t score;
  } kScores[] = {{kBootSector, 30},   {kBackupBootSector, 10}, {kMFTAndMirror, 30},      {kMFTGroup, 10},
                 {kMFTMirrGroup, 10}, {kIndexRecord, 0},       {kFirstRestartPage, 10}, {kSecondRestartPage, 10}};
  std::uint32_t score = 0;
  for (const auto& entry : kScores)
    if ((m_evidence.buildFrom & entry.flag) != 0) score += entry.score;
  if (m_evidence.logFileMatch >= kLogFileSectorsEnough) score += kMatchScore;
  if (m_evidence.attrDefMatch >= kAttrDefSectorsEnough) score += kMatchScore;
  if (m_evidence.upCaseMatch >= kUpCaseSectorsEnough) score += kMatchScore;
  return score;
}
