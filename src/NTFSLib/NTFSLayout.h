#pragma once
// Attribute types, header offsets and bounds of the NTFS structures this library reads.

#include <cstddef>
#include <cstdint>

namespace quellsy::ntfs {

enum AttributeType : std::uint32_t {
  kStandardInformation = 0x10,
  kAttributeList = 0x20,
  kFileName = 0x30,
  kVolumeName = 0x60,
  kData = 0x80,
  kIndexRoot = 0x90,
  kIndexAllocation = 0xA0,
  kEndOfAttributes = 0xFFFFFFFF,
};

// Fix-ups always protect 512-byte strides, whatever the device's sector size.
constexpr std::size_t kFixupStride = 512;
// FILE records are 1024 bytes, or up to 4096 on volumes with 4 KiB sectors.
constexpr std::size_t kMinRecordSize = 1024;
constexpr std::size_t kMaxRecordSize = 4096;
// An attribute list longer than this is not a real one; it is not read.
constexpr std::size_t kMaxAttributeListBytes = 256 * 1024;

// Resident attributes of the kinds read here keep their content at this offset.
constexpr std::size_t kResidentContent = 0x18;

// The MFT number is the low 48 bits of a file reference.
constexpr std::uint64_t MftNumberOf(std::uint64_t reference) { return reference & 0xFFFFFFFFFFFFull; }

}  // namespace quellsy::ntfs
