#pragma once
// An NTFS boot sector: the full validity test and the geometry it gives.

#include <array>
#include <cstdint>
#include <optional>

#include "NTFSLib/NTFSStreamReader.h"
#include "Utility/ByteReader.h"

class CNTFSDBR {
 public:
  static constexpr std::size_t kSize = 512;

  CNTFSDBR() = default;

  // Identifier, sector and cluster sizes, zeroed FAT-only fields, signature, and a record size this library
  // can walk (a power of two from 512 to 4096 bytes, not below the sector size).
  static bool IsFullValidDBR(quellsy::ByteSpan sector);
  // Only the identifier "NTFS    ".
  static bool IsValidDBR(quellsy::ByteSpan sector);
  // Bytes per FILE record as byte 0x40 gives it, before any bound; 0 when the span is short.
  static std::uint64_t RecordSizeField(quellsy::ByteSpan sector);

  // Copies the 512 bytes when the full test passes.
  bool InitFromBuffer(quellsy::ByteSpan sector);

  std::uint16_t GetBytesPerSector() const;
  std::uint32_t GetSectorsperCluster() const;
  std::int64_t GetTotalSectors() const;
  std::int64_t GetMFTStartCluster() const;
  std::int64_t GetMFTMirrorStartCluster() const;
  std::uint64_t GetSerialNumber() const;
  // The eight identifier bytes as a little-endian number.
  std::uint64_t GetFileSystemID() const;
  std::uint32_t GetFileRecordSizeByByte() const;
  // The geometry for reading the volume in the device's sectors, cluster 0 at device sector origin: clusters are
  // counted in device sectors, so a volume made for 4 KiB sectors may be read in 512-byte ones. Nullopt when a
  // cluster is not a whole number of device sectors or the device's sector size is unusable.
  std::optional<NTFSVolumeGeometry> GeometryOn(std::uint32_t deviceSectorSize, std::int64_t origin) const;

 private:
  quellsy::ByteSpan Bytes() const { return m_sector; }

  std::array<std::uint8_t, kSize> m_sector{};
};
