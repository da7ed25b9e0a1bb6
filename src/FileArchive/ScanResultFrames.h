#pragma once
// The three frames of a scan-result file and the limits of the records inside them.

#include <cstdint>

#include "include/IRSData.h"

namespace SaveRestoreResult {

// Recovery-controller type and deep flag, behind a byte count that is always 8.
inline constexpr tagGUIDSIGN _frFileSystemSearchControllerList{
    {0x94, 0x63, 0x9B, 0x40, 0x81, 0xF6, 0x88, 0x4E, 0xA2, 0x0F, 0x5D, 0x63, 0x57, 0x82, 0xED, 0x75}};
// The scanned device's list entry.
inline constexpr tagGUIDSIGN _frDiskDevice{
    {0x76, 0xA6, 0x72, 0xB0, 0x48, 0x05, 0x8B, 0x46, 0xBA, 0x9E, 0x91, 0x09, 0x3A, 0x63, 0xB5, 0x17}};
// The roots, their partition records and their nodes.
inline constexpr tagGUIDSIGN _frFileSystemNode{
    {0x6C, 0xF2, 0x08, 0xD2, 0x8C, 0x07, 0x34, 0x4E, 0x9D, 0x71, 0xD9, 0x1F, 0x53, 0x5F, 0x7B, 0x57}};

inline constexpr std::uint32_t kControllerListBytes = 8;
inline constexpr std::uint32_t kRootMarker = 1;
inline constexpr std::uint32_t kNodeMarker = 0;
inline constexpr std::uint32_t kEndMarker = 0xFFFFFFFF;
inline constexpr std::uint32_t kMaxPartitions = 512;
inline constexpr std::uint32_t kMaxPartitionType = 4;
inline constexpr std::uint32_t kMaxVolumeName = 511;
inline constexpr std::uint32_t kMaxNodeName = 65535;
inline constexpr std::uint32_t kMaxDeviceName = 4095;
inline constexpr std::uint32_t kNoImageRecord = 0xFFFFFFFF;

}  // namespace SaveRestoreResult
