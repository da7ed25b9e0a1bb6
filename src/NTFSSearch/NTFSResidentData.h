#pragma once
// The resident value of a found file's unnamed data stream, for the core's file readers.

#include <cstdint>

class CNTFSFileNode;
class IStorageDevice;

// Copies the value (when it fits in size) into buffer and its length into *length; 1 on success, 0 otherwise
// (also for a folder, a node without properties or a value that does not fit).
int GetResidentDataRunsStream(CNTFSFileNode& node, IStorageDevice& device, std::int64_t* length, std::uint8_t* buffer,
                              std::uint32_t size);
// The same for the record whose first sector is recordSector, without its extension records.
int GetResidentDataRunsStream(std::uint64_t recordSector, IStorageDevice& device, std::int64_t* length,
                              std::uint8_t* buffer, std::uint32_t size);
