#pragma once
// A table-driven CRC-16, most significant bit first, initial value 0, no reflection and no final XOR. With the
// polynomial 0x8005 it is CRC-16/UMTS, the scan-result header's checksum.

#include <cstddef>
#include <cstdint>

class CCRC {
 public:
  static std::uint16_t RunCRC16(const void* data, std::size_t length, std::uint16_t polynomial);
};
