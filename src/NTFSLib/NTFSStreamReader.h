#pragma once
// Reading bytes of a non-resident stream (the $MFT, an attribute list) through its runs, by byte offset: records
// and lists need not be sector- or cluster-aligned, and a cluster smaller than a record may split it.

#include <cstdint>
#include <vector>

#include "Utility/ByteReader.h"

class CNTFSDataRunList;
class CNTFSFileRecordDataRunsAttribute;
class IStorageDevice;

struct NTFSVolumeGeometry {
  std::uint32_t sectorSize = 512;     // the device's bytes per sector
  std::uint32_t sectorsPerCluster = 0;
  std::int64_t origin = 0;            // device sector of cluster 0
  std::uint32_t recordSize = 1024;    // bytes per FILE record

  std::uint64_t ClusterBytes() const { return std::uint64_t{sectorsPerCluster} * sectorSize; }
  bool IsUsable() const;
};

namespace quellsy::ntfs {

// Fills out with the stream's bytes from offset on; sparse runs read as zeros. False when a byte lies outside
// the runs or a device read fails (out then holds what could be read, zeros elsewhere).
bool ReadThroughRuns(IStorageDevice& device, const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& runs,
                     std::uint64_t offset, MutableByteSpan out);

// Byte position on the device of a FILE record's first byte, -1 when the $MFT's runs do not map it.
std::int64_t FileRecordPosition(const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& mftRuns,
                                std::uint64_t mftNumber);

// Reads one FILE record by its number through the $MFT's runs (recordSize bytes).
bool ReadFileRecord(IStorageDevice& device, const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& mftRuns,
                    std::uint64_t mftNumber, std::vector<std::uint8_t>& out);

// A non-resident attribute's allocated bytes (its initialized bytes read, zeros after them), refused when its allocated size exceeds maxBytes, its initialized
// size is 0 or above the allocated size, or its mapping pairs are empty or invalid.
bool ReadNonResidentAttribute(IStorageDevice& device, const NTFSVolumeGeometry& geometry,
                              const CNTFSFileRecordDataRunsAttribute& attribute, std::size_t maxBytes,
                              std::vector<std::uint8_t>& out);

}  // namespace quellsy::ntfs
