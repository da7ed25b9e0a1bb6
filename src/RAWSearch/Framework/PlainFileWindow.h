#pragma once
// Reads a found file by byte offset from its first sector, through the read window, for the plain
// analysers' measurements. Every value is checked against the bytes the window actually holds, so a
// field past the device's end reads as missing rather than as stale or foreign memory.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "RAWSearch/Framework/RawFileBuffer.h"
#include "Utility/ByteReader.h"

class IStorageDevice;

class PlainFileWindow {
 public:
  PlainFileWindow(IStorageDevice* device, long long startSector);

  IStorageDevice* Device() const { return m_pDevice; }
  // The device's sector size; 0 without a device.
  unsigned SectorSize() const { return m_uSectorSize; }
  long long StartSector() const { return m_llStartSector; }

  // The bytes from `offset` to the end of what the window holds: at least one sector unless the
  // device ends first. Empty when the read fails or the search was cancelled. Valid only until the
  // next request, which may load another window into the same memory.
  quellsy::ByteSpan At(std::uint64_t offset);
  bool Readable(std::uint64_t offset) { return !At(offset).empty(); }
  // Exactly `length` bytes at `offset` (at most one sector), or empty when fewer are held.
  quellsy::ByteSpan Bytes(std::uint64_t offset, std::size_t length);

  std::optional<std::uint8_t> U8(std::uint64_t offset) { return quellsy::u8(At(offset), 0); }
  std::optional<std::uint16_t> Le16(std::uint64_t offset) { return quellsy::le16(At(offset), 0); }
  std::optional<std::uint32_t> Le32(std::uint64_t offset) { return quellsy::le32(At(offset), 0); }
  std::optional<std::uint64_t> Le64(std::uint64_t offset) { return quellsy::le64(At(offset), 0); }
  std::optional<std::uint16_t> Be16(std::uint64_t offset) { return quellsy::be16(At(offset), 0); }
  std::optional<std::uint32_t> Be32(std::uint64_t offset) { return quellsy::be32(At(offset), 0); }
  // True when `text` stands at `offset`; ASCII letters compared without case when asked.
  bool HasText(std::uint64_t offset, std::string_view text, bool ignoreCase = false);

 private:
  IStorageDevice* m_pDevice;
  long long m_llStartSector;
  unsigned m_uSectorSize;
  RawFileBuffer m_buffer;
};
