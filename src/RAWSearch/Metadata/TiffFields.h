#pragma once
// What the readers of TIFF-structured data (Exif blocks, TIFF headers) share: the size of each field
// format and reads of 16- and 32-bit fields in the structure's byte order.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "Utility/ByteReader.h"

// Bytes per component of each format code 0-12 (0 is not a format).
inline constexpr int kTiffBytesPerFormat[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

inline std::optional<std::uint16_t> TiffRead16(quellsy::ByteSpan bytes, std::uint64_t offset, bool littleEndian) {
  return littleEndian ? quellsy::le16(bytes, offset) : quellsy::be16(bytes, offset);
}

inline std::optional<std::uint32_t> TiffRead32(quellsy::ByteSpan bytes, std::uint64_t offset, bool littleEndian) {
  return littleEndian ? quellsy::le32(bytes, offset) : quellsy::be32(bytes, offset);
}
