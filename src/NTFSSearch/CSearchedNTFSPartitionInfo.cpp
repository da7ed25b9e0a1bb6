#include "NTFSSearch/CSearchedNTFSPartitionInfo.h"

#include <new>

#include "Utility/ByteReader.h"
#include "include/FrameFields.h"
#include "include/IRSData.h"

namespace {
constexpr std::int64_t kLogFileSectorsEnough = 10000;
constexpr std::int64_t kAttrDefSectorsEnough = 5;
constexpr std::int64_t kUpCaseSectorsEnough = 256;
constexpr std::uint32_t kMatchScore = 10;
constexpr std::size_t kEightByteFieldsAt = 32;
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

void CSearchedNTFSPartitionInfo::Save(IRSData& archive) const {
  // One buffer, one write: the fields are packed here rather than sent one by one.
  std::uint8_t bytes[kSavedSize] = {};
  quellsy::FieldWriter out({bytes, sizeof bytes});
  const Evidence& e = m_evidence;
  out.le64(0, static_cast<std::uint64_t>(e.serialNumber));
  out.le32(8, e.sectorsPerFileRecord);
  out.le32(12, e.buildFrom);
  out.le32(16, e.hasMFT);
  out.le64(24, static_cast<std::uint64_t>(e.clusterCount));
  const std::int64_t tail[] = {e.logFileMatch,  e.attrDefMatch,  e.upCaseMatch,  e.mftSector,
                               e.logFileSector, e.attrDefSector, e.upCaseSector, e.bitmapSectors};
  for (std::size_t i = 0; i < 8; ++i) out.le64(kEightByteFieldsAt + 8 * i, static_cast<std::uint64_t>(tail[i]));
  FrameWriter(archive).Bytes(bytes, sizeof bytes);
}

void CSearchedNTFSPartitionInfo::Restore(IRSData& archive) {
  std::uint8_t bytes[kSavedSize];
  FrameReader(archive).Bytes(bytes, sizeof bytes);
  quellsy::FieldReader in({bytes, sizeof bytes});
  Evidence& e = m_evidence;
  e.serialNumber = static_cast<std::int64_t>(in.le64(0));
  e.sectorsPerFileRecord = in.le32(8);
  e.buildFrom = in.le32(12);
  e.hasMFT = in.le32(16);
  e.clusterCount = static_cast<std::int64_t>(in.le64(24));
  std::int64_t* tail[] = {&e.logFileMatch,  &e.attrDefMatch,  &e.upCaseMatch,  &e.mftSector,
                          &e.logFileSector, &e.attrDefSector, &e.upCaseSector, &e.bitmapSectors};
  for (std::size_t i = 0; i < 8; ++i) *tail[i] = static_cast<std::int64_t>(in.le64(kEightByteFieldsAt + 8 * i));
}
