#pragma once
// gzip helpers shared by the gzip analysers: the header test and the CRC-32 of the format.

#include <cstdint>

class CGzSearch {
 public:
  // The fixed part of a gzip member header: 1F 8B, deflate, known flag bits, a known operating system.
  // Reads 10 bytes; false when fewer are given.
  static bool IsValidGzHeader(const unsigned char* header, int length);
  // The CRC-32 of gzip (zlib's); a length below 1 leaves the crc as it was.
  static std::uint32_t GetCRC(const unsigned char* data, int length);
  // Continues a finished CRC-32 over more data.
  static std::uint32_t UpdateCRC(std::uint32_t crc, const unsigned char* data, int length);
};
