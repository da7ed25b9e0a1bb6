#pragma once
// The exFAT boot sector: its plausibility test and the fields the engine reads. Values are little-endian.

#include <array>
#include <cstdint>

#include "Utility/ByteReader.h"
#include "include/FileSystemType.h"

class CExFatDBR {
 public:
  static constexpr std::size_t kSize = 512;

  // Keeps a copy of the first 512 bytes of sector; a shorter span leaves the rest zero (and the sector invalid).
  explicit CExFatDBR(quellsy::ByteSpan sector);

  // Signature, name, zero area, shifts, FAT count and the layout fit inside the volume; the bytes-per-sector
  // shift must give the device's sector size.
  bool IsValid(std::uint32_t sectorSize) const;

  std::uint64_t GetTotalSectors() const { return Le64(72); }
  std::uint32_t GetFatStartSector() const { return Le32(80); }
  std::uint32_t GetSectorsPerFat() const { return Le32(84); }
  std::uint32_t GetDataRegionStartSector() const { return Le32(88); }
  std::uint32_t GetTotalCluster() const { return Le32(92); }
  std::uint32_t GetRootDirStartCluster() const { return Le32(96); }
  std::uint32_t GetActiveFatNumber() const { return Le16(106) & 1u; }
  std::uint32_t GetBytesPerSectorShift() const { return m_bytes[108]; }
  std::uint32_t GetSectorsPerClusterShift() const { return m_bytes[109]; }
  // Meaningful only for a valid sector (the shifts are bounded there).
  std::uint32_t GetBytePerSector() const { return 1u << (GetBytesPerSectorShift() & 31u); }
  std::uint32_t GetSectorsperCluster() const { return 1u << (GetSectorsPerClusterShift() & 31u); }
  std::uint32_t GetNumberOfFat() const { return m_bytes[110]; }
  enumFILE_SYSTEM_TYPE GetFileSystemType() const { return FILE_SYSTEM_EXFAT; }

 private:
  std::uint16_t Le16(std::size_t offset) const { return quellsy::le16(m_bytes, offset).value_or(0); }
  std::uint32_t Le32(std::size_t offset) const { return quellsy::le32(m_bytes, offset).value_or(0); }
  std::uint64_t Le64(std::size_t offset) const { return quellsy::le64(m_bytes, offset).value_or(0); }

  std::array<std::uint8_t, kSize> m_bytes{};
};
