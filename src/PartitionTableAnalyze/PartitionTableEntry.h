#pragma once
// One 16-byte slot of an MBR or EBR, held as two 64-bit words read little-endian.

#include <cstdint>

#include "Utility/ByteReader.h"

class CPartitionTableEntry {
 public:
  static constexpr std::size_t kSize = 16;

  CPartitionTableEntry() = default;
  // Takes the 16 bytes at the start of `slot`; a shorter span leaves the entry all zero.
  explicit CPartitionTableEntry(quellsy::ByteSpan slot) { InitFromBuffer(slot); }
  void InitFromBuffer(quellsy::ByteSpan slot);

  bool IsValidPartitionTableEntry() const { return low_ != 0 || high_ != 0; }
  bool IsEmptyEntry() const { return GetPartitionType() == 0; }
  bool IsExtenedPartition() const { return GetPartitionType() == 0x05 || GetPartitionType() == 0x0F; }
  std::uint8_t GetStatus() const { return static_cast<std::uint8_t>(low_); }
  std::uint8_t GetPartitionType() const { return static_cast<std::uint8_t>(low_ >> 32); }
  std::uint32_t GetLeadSectors() const { return static_cast<std::uint32_t>(high_); }
  std::uint32_t GetTotalSectors() const { return static_cast<std::uint32_t>(high_ >> 32); }
  // The last sector relative to the table; 64-bit, so a full 32-bit span does not wrap.
  std::uint64_t GetEndSector() const { return std::uint64_t{GetLeadSectors()} + GetTotalSectors() - 1; }

 private:
  std::uint64_t low_ = 0;   // bytes 0-7: status, CHS start, type, CHS end
  std::uint64_t high_ = 0;  // bytes 8-15: lead sectors, total sectors
};
