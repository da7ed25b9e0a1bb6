#include "NTFSSearch/CSearchedNTFSPartitionInfo.h"

#include <new>

#include "FileArchive/FrameFields.h"
#include "FileArchive/IRSData.h"
#include "Utility/ByteReader.h"

namespace {
constexpr std::size_t kEightByteFieldsAt = 32;
}  // namespace

CSearchedPartitionInfo* CSearchedNTFSPartitionInfo::Clone() const {
  return new (std::nothrow) CSearchedNTFSPartitionInfo(*this);
}

void CSearchedNTFSPartitionInfo::Save(IRSData& archive) const {
  // One buffer, one write: the fields are packed here rather than sent one by one.
  std::uint8_t bytes[kSavedSize] = {};
  quellsy::FieldWriter out({bytes, sizeof bytes});
  out.le64(0, static_cast<std::uint64_t>(m_serialNumber));
  out.le32(8, m_sectorsPerFileRecord);
  out.le32(12, m_buildFromFlags);
  out.le32(16, m_hasMFT);
  out.le32(20, m_spare);
  out.le64(24, static_cast<std::uint64_t>(m_clusterCount));
  const std::int64_t tail[] = {m_logFileMatches,      m_attrDefMatches,      m_upCaseMatches,
                               m_mftRecordSector,     m_logFileRecordSector, m_attrDefRecordSector,
                               m_upCaseRecordSector,  m_bitmapSectors};
  for (std::size_t i = 0; i < 8; ++i) out.le64(kEightByteFieldsAt + 8 * i, static_cast<std::uint64_t>(tail[i]));
  FrameWriter(archive).Bytes(bytes, sizeof bytes);
}

void CSearchedNTFSPartitionInfo::Restore(IRSData& archive) {
  std::uint8_t bytes[kSavedSize];
  FrameReader(archive).Bytes(bytes, sizeof bytes);
  quellsy::FieldReader in({bytes, sizeof bytes});
  m_serialNumber = static_cast<std::int64_t>(in.le64(0));
  m_sectorsPerFileRecord = in.le32(8);
  m_buildFromFlags = in.le32(12);
  m_hasMFT = in.le32(16);
  m_spare = in.le32(20);
  m_clusterCount = static_cast<std::int64_t>(in.le64(24));
  std::int64_t* tail[] = {&m_logFileMatches,     &m_attrDefMatches,      &m_upCaseMatches,
                          &m_mftRecordSector,    &m_logFileRecordSector, &m_attrDefRecordSector,
                          &m_upCaseRecordSector, &m_bitmapSectors};
  for (std::size_t i = 0; i < 8; ++i) *tail[i] = static_cast<std::int64_t>(in.le64(kEightByteFieldsAt + 8 * i));
}
