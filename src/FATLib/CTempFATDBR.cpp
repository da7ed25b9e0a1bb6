#include "FATLib/CTempFATDBR.h"

#include <cctype>

namespace {

constexpr std::size_t kBytesPerSector = 11;
constexpr std::size_t kSectorsPerCluster = 13;
constexpr std::size_t kReservedSectors = 14;
constexpr std::size_t kNumberOfFats = 16;
constexpr std::size_t kRootEntries = 17;
constexpr std::size_t kTotalSectors16 = 19;
constexpr std::size_t kSectorsPerFat16 = 22;
constexpr std::size_t kTotalSectors32 = 32;
constexpr std::size_t kSectorsPerFat32 = 36;
constexpr std::size_t kRootCluster = 44;
constexpr std::size_t kFat16TypeText = 54;
constexpr std::size_t kFat32TypeText = 82;
constexpr std::size_t kSignature = 510;

std::uint8_t Byte(quellsy::ByteSpan s, std::size_t off) { return quellsy::u8(s, off).value_or(0); }
std::uint16_t Word(quellsy::ByteSpan s, std::size_t off) { return quellsy::le16(s, off).value_or(0); }
std::uint32_t Dword(quellsy::ByteSpan s, std::size_t off) { return quellsy::le32(s, off).value_or(0); }

bool IsClusterSizeValid(std::uint8_t sectorsPerCluster) {
  return sectorsPerCluster != 0 && (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
}

}  // namespace

CTempFATDBR::CTempFATDBR(quellsy::ByteSpan sector, std::uint32_t sectorSize)
    : m_sector(sector.size() >= kSize ? sector.first(kSize) : quellsy::ByteSpan{}), m_sectorSize(sectorSize) {
  InitFileSystemType();
}

CTempFATDBR::CTempFATDBR(const tagFATPARTITIONDBR& record, std::uint32_t sectorSize)
    : CTempFATDBR(quellsy::ByteSpan(record.bytes), sectorSize) {}

bool CTempFATDBR::SimpleCheck(quellsy::ByteSpan sector) {
  return Byte(sector, 0) != 0 && Byte(sector, kSignature) == 0x55 && Byte(sector, kSignature + 1) == 0xAA;
}

void CTempFATDBR::InitFileSystemType() {
  // FAT12 is deliberately not part of the decision: the probe leaves FAT12 volumes to the other analysers.
  if (IsFullValidFAT16DBR())
    m_type = FILE_SYSTEM_FAT16;
  else if (IsFullValidFAT32DBR())
    m_type = FILE_SYSTEM_FAT32;
  else
    m_type = FILE_SYSTEM_UNKNOWN;
}

bool CTempFATDBR::AdmitFAT12() {
  if (m_type == FILE_SYSTEM_UNKNOWN && IsFullValidFAT12DBR()) m_type = FILE_SYSTEM_FAT12;
  return IsValidDBR();
}

bool CTempFATDBR::HasCommonFields() const {
  const std::uint16_t bytesPerSector = Word(m_sector, kBytesPerSector);
  return Byte(m_sector, kNumberOfFats) == 2 && IsClusterSizeValid(Byte(m_sector, kSectorsPerCluster)) &&
         bytesPerSector != 0 && bytesPerSector == m_sectorSize && Byte(m_sector, kSignature) == 0x55 &&
         Byte(m_sector, kSignature + 1) == 0xAA;
}

bool CTempFATDBR::HasTypeText(std::size_t offset, const char* text) const {
  for (std::size_t i = 0; i < 8; ++i) {
    const auto byte = quellsy::u8(m_sector, offset + i);
    if (!byte || std::toupper(*byte) != text[i]) return false;
  }
  return true;
}

bool CTempFATDBR::IsFullValidFAT12DBR() const {
  const std::uint16_t rootEntries = Word(m_sector, kRootEntries);
  const std::uint16_t sectorsPerFat = Word(m_sector, kSectorsPerFat16);
  return HasCommonFields() && HasTypeText(kFat16TypeText, "FAT12   ") && rootEntries >= 224 && rootEntries <= 2048 &&
         (rootEntries * 32u) % m_sectorSize == 0 && sectorsPerFat >= 1 && sectorsPerFat <= 200;
}

bool CTempFATDBR::IsFullValidFAT16DBR() const {
  const std::uint16_t rootEntries = Word(m_sector, kRootEntries);
  return HasCommonFields() && HasTypeText(kFat16TypeText, "FAT16   ") && rootEntries >= 224 &&
         (rootEntries * 32u) % m_sectorSize == 0 && Word(m_sector, kSectorsPerFat16) != 0;
}

bool CTempFATDBR::IsFullValidFAT32DBR() const {
  return HasCommonFields() && HasTypeText(kFat32TypeText, "FAT32   ") && Dword(m_sector, kSectorsPerFat32) != 0;
}

std::uint32_t CTempFATDBR::GetFatTableStartSector() const { return Word(m_sector, kReservedSectors); }

std::uint16_t CTempFATDBR::GetRootEntries() const { return Word(m_sector, kRootEntries); }

std::uint32_t CTempFATDBR::GetRootDirStartCluster() const {
  return m_type == FILE_SYSTEM_FAT32 ? Dword(m_sector, kRootCluster) : 0;
}

std::uint32_t CTempFATDBR::GetTotalSectors() const {
  switch (m_type) {
    case FILE_SYSTEM_FAT32:
      return Dword(m_sector, kTotalSectors32);
    case FILE_SYSTEM_FAT16: {
      const std::uint16_t small = Word(m_sector, kTotalSectors16);
      return small != 0 ? small : Dword(m_sector, kTotalSectors32);
    }
    case FILE_SYSTEM_FAT12:
      return Word(m_sector, kTotalSectors16);
    default:
      return 0;
  }
}

std::uint8_t CTempFATDBR::GetNumberOfFat() const { return IsKnownType() ? Byte(m_sector, kNumberOfFats) : 0; }

std::uint16_t CTempFATDBR::GetReservedSector() const { return IsKnownType() ? Word(m_sector, kReservedSectors) : 0; }

std::uint8_t CTempFATDBR::GetSectorsperCluster() const {
  return IsKnownType() ? Byte(m_sector, kSectorsPerCluster) : 0;
}

std::uint32_t CTempFATDBR::GetSectorsPerFat() const {
  if (m_type == FILE_SYSTEM_FAT32) return Dword(m_sector, kSectorsPerFat32);
  return IsKnownType() ? Word(m_sector, kSectorsPerFat16) : 0;
}
