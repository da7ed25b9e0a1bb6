#include "NTFSLib/CNTFSDBR.h"

#include <cstring>

#include "NTFSLib/NTFSLayout.h"

using quellsy::ByteSpan;

namespace {
constexpr char kIdentifier[] = "NTFS    ";

constexpr std::uint64_t kMaxClusterBytes = 2 * 1024 * 1024;

// 1 to 128 are stored as they are; larger clusters (256 to 4096 sectors) as the negated power of two,
// 0xF8 to 0xF4. Any other value gives 0.
std::uint32_t SectorsPerClusterOf(std::uint8_t field) {
  if (field >= 0xF4 && field <= 0xF8) return std::uint32_t{1} << (256 - field);
  if (field == 0 || field > 0x80 || (field & (field - 1)) != 0) return 0;
  return field;
}

bool IsPowerOfTwo(std::uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }
}  // namespace

bool CNTFSDBR::IsValidDBR(ByteSpan sector) {
  return sector.size() >= 11 && std::memcmp(sector.data() + 3, kIdentifier, 8) == 0;
}

std::uint64_t CNTFSDBR::RecordSizeField(ByteSpan sector) {
  quellsy::FieldReader r(sector);
  const std::uint8_t c = r.u8(0x40);
  const std::uint64_t bytesPerSector = r.le16(0x0B);
  const std::uint64_t sectorsPerCluster = SectorsPerClusterOf(r.u8(0x0D));
  if (!r.ok()) return 0;
  if (c & 0x80) {
    const unsigned shift = static_cast<unsigned>(-static_cast<std::int8_t>(c)) % 32;
    return std::uint64_t{1} << shift;
  }
  if (c == 0) return quellsy::ntfs::kMinRecordSize;
  return c * sectorsPerCluster * bytesPerSector;
}

bool CNTFSDBR::IsFullValidDBR(ByteSpan sector) {
  if (sector.size() < kSize || !IsValidDBR(sector)) return false;
  quellsy::FieldReader r(sector);
  const std::uint16_t bytesPerSector = r.le16(0x0B);
  if (bytesPerSector == 0 || bytesPerSector % 512 != 0) return false;
  const std::uint32_t spc = SectorsPerClusterOf(r.u8(0x0D));
  if (spc == 0 || std::uint64_t{spc} * bytesPerSector > kMaxClusterBytes) return false;
  if (r.le16(0x0E) != 0) return false;
  for (const std::size_t off : {0x10, 0x11, 0x12, 0x13, 0x14, 0x16, 0x17, 0x20, 0x21, 0x22, 0x23})
    if (r.u8(off) != 0) return false;
  if (r.u8(0x1FE) != 0x55 || r.u8(0x1FF) != 0xAA) return false;
  // Every later read of a record is sized from this value: only sizes the record walk handles are accepted.
  const std::uint64_t recordSize = RecordSizeField(sector);
  return IsPowerOfTwo(recordSize) && recordSize >= 512 && recordSize <= quellsy::ntfs::kMaxRecordSize &&
         recordSize >= bytesPerSector && r.ok();
}

bool CNTFSDBR::InitFromBuffer(ByteSpan sector) {
  if (!IsFullValidDBR(sector)) return false;
  std::memcpy(m_sector.data(), sector.data(), kSize);
  return true;
}

std::uint16_t CNTFSDBR::GetBytesPerSector() const { return quellsy::le16(Bytes(), 0x0B).value_or(0); }
std::uint32_t CNTFSDBR::GetSectorsperCluster() const { return SectorsPerClusterOf(m_sector[0x0D]); }
std::int64_t CNTFSDBR::GetTotalSectors() const {
  return static_cast<std::int64_t>(quellsy::le64(Bytes(), 0x28).value_or(0));
}
std::int64_t CNTFSDBR::GetMFTStartCluster() const {
  return static_cast<std::int64_t>(quellsy::le64(Bytes(), 0x30).value_or(0));
}
std::int64_t CNTFSDBR::GetMFTMirrorStartCluster() const {
  return static_cast<std::int64_t>(quellsy::le64(Bytes(), 0x38).value_or(0));
}
std::uint64_t CNTFSDBR::GetSerialNumber() const { return quellsy::le64(Bytes(), 0x48).value_or(0); }
std::uint64_t CNTFSDBR::GetFileSystemID() const { return quellsy::le64(Bytes(), 0x03).value_or(0); }
std::uint32_t CNTFSDBR::GetFileRecordSizeByByte() const {
  return static_cast<std::uint32_t>(RecordSizeField(Bytes()));
}

std::optional<NTFSVolumeGeometry> CNTFSDBR::GeometryOn(std::uint32_t deviceSectorSize, std::int64_t origin) const {
  const std::uint64_t clusterBytes = std::uint64_t{GetBytesPerSector()} * GetSectorsperCluster();
  if (deviceSectorSize == 0 || clusterBytes < deviceSectorSize || clusterBytes % deviceSectorSize != 0)
    return std::nullopt;
  NTFSVolumeGeometry geometry;
  geometry.sectorSize = deviceSectorSize;
  geometry.sectorsPerCluster = static_cast<std::uint32_t>(clusterBytes / deviceSectorSize);
  geometry.origin = origin;
  geometry.recordSize = GetFileRecordSizeByByte();
  if (!geometry.IsUsable()) return std::nullopt;
  return geometry;
}
