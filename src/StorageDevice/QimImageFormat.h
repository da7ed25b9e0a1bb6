#pragma once
// The qim image file: "qim\0", the record length (1192), the information record, then the raw
// sectors from the record's data offset to the end of the file. All fields little-endian.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "StorageDevice/ImageRecordCheck.h"
#include "Utility/ByteReader.h"
#include "include/IStorageDeviceData.h"

namespace quellsy {

constexpr std::size_t kQimHeadSize = 8;
constexpr std::size_t kQimRecordSize = 1192;
constexpr std::uint8_t kQimMagic[4] = {'q', 'i', 'm', 0};

// Decodes the 1192-byte record field by field; false when fewer bytes are given. The device name
// and image path always end in a NUL, whatever the bytes held.
bool ReadQimRecord(ByteSpan bytes, CQIMDeviceInfoStruct& out);
// Encodes the record into 1192 bytes; false when `out` is shorter.
bool WriteQimRecord(const CQIMDeviceInfoStruct& record, MutableByteSpan out);

// Where the sectors start in an image of this sector size: the first sector boundary past the head and
// record (1536 for 512-byte sectors, 4096 for 4096-byte ones); 0 for a sector size of 0.
std::uint64_t QimDataOffset(std::uint64_t sectorSize);
// The bytes in front of the sectors: magic, record length, the record, zeros up to its data offset.
std::vector<std::uint8_t> EncodeQimHead(const CQIMDeviceInfoStruct& record);

// The same image: equal geometry, end offset, creation time and source device name (the path may differ).
bool SameQimImage(const CQIMDeviceInfoStruct& a, const CQIMDeviceInfoStruct& b);

// Checks the file's first bytes (head and record) against its size and decodes the record.
ImageRecordCheck ParseQimHead(ByteSpan fileStart, std::uint64_t fileSize, CQIMDeviceInfoStruct& out);

}  // namespace quellsy

// Fills `out` from the qim file at `path` and stores `path` as its image path. 0, or -1 (logged with
// the reason) when the file cannot be read or is not a complete, sane qim image.
int KdFillQimFileInfo(CQIMDeviceInfoStruct* out, const char* path);
