#pragma once
// The stored form of a DMG image's information record (2088 bytes, little-endian): sector size,
// sector count, data offset and file size (u64 at 0, 8, 16, 24), the file name (1024 bytes at 32)
// and the image path (1032 bytes at 1056).

#include <cstddef>

#include "Utility/ByteReader.h"
#include "include/IStorageDeviceData.h"

namespace quellsy {

constexpr std::size_t kDmgRecordSize = 2088;

// Decodes at most 2088 bytes; what a shorter record lacks reads as zeros. Both texts always end in a NUL.
void ReadDmgRecord(ByteSpan bytes, CDMGDeviceInfoStruct& out);
// Encodes the record into 2088 bytes; false when `out` is shorter.
bool WriteDmgRecord(const CDMGDeviceInfoStruct& record, MutableByteSpan out);

}  // namespace quellsy
