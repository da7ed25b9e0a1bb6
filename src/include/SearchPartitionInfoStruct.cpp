#include "include/SearchPartitionInfoStruct.h"

#include <bit>
#include <new>

#include "Utility/ByteReader.h"

namespace {

// Offsets within the stored image; bytes 0-7 carry no meaning.
constexpr std::size_t kPrivateDataAt = 8;
constexpr std::size_t kPartitionIndexAt = 16;
constexpr std::size_t kFileSystemTypeAt = 20;
constexpr std::size_t kSectorsPerClusterAt = 24;
constexpr std::size_t kClusterOriginAt = 32;
constexpr std::size_t kStartSectorAt = 40;
constexpr std::size_t kFirstCounterAt = 48;
constexpr std::size_t kSecondCounterAt = 56;
constexpr std::size_t kBytesPerSectorAt = 64;
constexpr std::size_t kReserved68At = 68;
constexpr std::size_t kTotalSectorsAt = 72;
constexpr std::size_t kFlagAt = 80;
constexpr std::size_t kOrderKeyAt = 88;
constexpr std::size_t kTrailingValueAt = 96;
constexpr std::size_t kReserved100At = 100;

std::uint32_t SaneSectorSize(std::uint32_t bytes) { return bytes == 0 || bytes % 512 != 0 ? 512 : bytes; }

}  // namespace

CSearchedPartitionInfo::CSearchedPartitionInfo(std::uint32_t bytesPerSector)
    : m_bytesPerSector(SaneSectorSize(bytesPerSector)) {}

CSearchedPartitionInfo* CSearchedPartitionInfo::Clone() const { return new (std::nothrow) CSearchedPartitionInfo(*this); }

void CSearchedPartitionInfo::SetBytesPerSector(std::uint32_t bytes) { m_bytesPerSector = SaneSectorSize(bytes); }

bool CSearchedPartitionInfo::WriteStoredImage(std::span<std::uint8_t> out) const {
  if (out.size() < kStoredSize) return false;
  quellsy::FieldWriter writer(out.first(kStoredSize));
  writer.le64(0, 0);
  writer.le64(kPrivateDataAt, m_privateData);
  writer.le16(kPartitionIndexAt, m_partitionIndex);
  writer.le16(kPartitionIndexAt + 2, 0);
  writer.le32(kFileSystemTypeAt, m_fileSystemType);
  writer.le32(kSectorsPerClusterAt, m_sectorsPerCluster);
  writer.le32(kSectorsPerClusterAt + 4, 0);
  writer.le64(kClusterOriginAt, static_cast<std::uint64_t>(m_clusterOrigin));
  writer.le64(kStartSectorAt, static_cast<std::uint64_t>(m_startSector));
  writer.le64(kFirstCounterAt, static_cast<std::uint64_t>(m_firstCounter));
  writer.le64(kSecondCounterAt, static_cast<std::uint64_t>(m_secondCounter));
  writer.le32(kBytesPerSectorAt, m_bytesPerSector);
  writer.le32(kReserved68At, m_reserved68);
  writer.le64(kTotalSectorsAt, m_totalSectors);
  writer.le64(kFlagAt, m_flag);
  writer.le64(kOrderKeyAt, std::bit_cast<std::uint64_t>(m_orderKey));
  writer.le32(kTrailingValueAt, m_trailingValue);
  writer.le32(kReserved100At, m_reserved100);
  return writer.ok();
}

bool CSearchedPartitionInfo::ReadStoredImage(std::span<const std::uint8_t> in) {
  if (in.size() < kStoredSize) return false;
  quellsy::FieldReader reader(in.first(kStoredSize));
  m_privateData = reader.le64(kPrivateDataAt);
  m_partitionIndex = reader.le16(kPartitionIndexAt);
  m_fileSystemType = reader.le32(kFileSystemTypeAt);
  m_sectorsPerCluster = reader.le32(kSectorsPerClusterAt);
  m_clusterOrigin = static_cast<long long>(reader.le64(kClusterOriginAt));
  m_startSector = static_cast<long long>(reader.le64(kStartSectorAt));
  m_firstCounter = static_cast<long long>(reader.le64(kFirstCounterAt));
  m_secondCounter = static_cast<long long>(reader.le64(kSecondCounterAt));
  // A stored zero or odd sector size would later divide or size buffers wrongly.
  m_bytesPerSector = SaneSectorSize(reader.le32(kBytesPerSectorAt));
  m_reserved68 = reader.le32(kReserved68At);
  m_totalSectors = reader.le64(kTotalSectorsAt);
  m_flag = reader.le64(kFlagAt);
  m_orderKey = std::bit_cast<double>(reader.le64(kOrderKeyAt));
  m_trailingValue = reader.le32(kTrailingValueAt);
  m_reserved100 = reader.le32(kReserved100At);
  return reader.ok();
}
