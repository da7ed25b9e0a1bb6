#pragma once
// A view over a FAT boot sector: decides the FAT type from the fields the engine trusts and reads the
// geometry. The caller keeps the 512 bytes alive.

#include <array>
#include <cstdint>

#include "Utility/ByteReader.h"
#include "include/FileSystemType.h"

// The 512 bytes of a FAT boot sector, as stored.
struct tagFATPARTITIONDBR {
  std::array<std::uint8_t, 512> bytes{};
};

class CTempFATDBR {
 public:
  static constexpr std::size_t kSize = 512;

  // `sector` should hold the 512 boot-sector bytes; a shorter span leaves the type unknown.
  // `sectorSize` is the device's sector size, which the stored bytes per sector must equal.
  CTempFATDBR(quellsy::ByteSpan sector, std::uint32_t sectorSize);
  CTempFATDBR(const tagFATPARTITIONDBR& record, std::uint32_t sectorSize);

  // First byte non-zero and the 0x55 0xAA signature at 510.
  static bool SimpleCheck(quellsy::ByteSpan sector);

  bool IsFullValidFAT12DBR() const;
  bool IsFullValidFAT16DBR() const;
  bool IsFullValidFAT32DBR() const;
  bool IsValidDBR() const { return m_type != FILE_SYSTEM_UNKNOWN; }
  // The complete search also rebuilds floppies and tiny cards: when neither FAT16 nor FAT32 holds, a fully
  // valid FAT12 boot sector is taken as FAT12. True when the type is known afterwards.
  bool AdmitFAT12();
  enumFILE_SYSTEM_TYPE GetFileSystemType() const { return m_type; }
  std::uint32_t GetSectorSize() const { return m_sectorSize; }

  std::uint32_t GetFatTableStartSector() const;
  std::uint16_t GetRootEntries() const;
  std::uint32_t GetRootDirStartCluster() const;
  std::uint32_t GetTotalSectors() const;
  std::uint8_t GetNumberOfFat() const;
  std::uint16_t GetReservedSector() const;
  std::uint8_t GetSectorsperCluster() const;
  std::uint32_t GetSectorsPerFat() const;

  quellsy::ByteSpan Bytes() const { return m_sector; }

 private:
  void InitFileSystemType();
  bool HasCommonFields() const;
  bool HasTypeText(std::size_t offset, const char* text) const;
  bool IsKnownType() const { return m_type <= FILE_SYSTEM_FAT32; }

  quellsy::ByteSpan m_sector;
  std::uint32_t m_sectorSize;
  enumFILE_SYSTEM_TYPE m_type = FILE_SYSTEM_UNKNOWN;
};
