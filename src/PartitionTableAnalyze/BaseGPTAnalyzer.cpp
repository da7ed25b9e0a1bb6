#include "PartitionTableAnalyze/BaseGPTAnalyzer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "PartitionTableAnalyze/DiskSectors.h"
#include "PartitionTableAnalyze/PartitionTableErrors.h"
#include "Utility/ByteReader.h"

using namespace quellsy;

namespace {

constexpr char kSignature[] = "EFI PART";
constexpr std::size_t kSignatureSize = 8;
constexpr std::size_t kHeaderSizeOffset = 12;
constexpr std::size_t kHeaderCrcOffset = 16;
constexpr std::size_t kMyLbaOffset = 24;
constexpr std::size_t kArrayLbaOffset = 72;
constexpr std::size_t kEntryCountOffset = 80;
constexpr std::size_t kEntrySizeOffset = 84;
constexpr std::size_t kArrayCrcOffset = 88;
// Table reads go in pieces the sector reader accepts.
constexpr std::uint64_t kSectorsPerRead = 64;

std::uint32_t Crc32(ByteSpan bytes) {
  return static_cast<std::uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

PartitionGuid GuidAt(ByteSpan entry, std::size_t offset) {
  PartitionGuid guid{};
  const ByteSpan bytes = entry.subspan(offset, guid.size());
  std::copy(bytes.begin(), bytes.end(), guid.begin());
  return guid;
}

std::uint64_t DiskSectorsOf(IStorageDevice* disk) { return static_cast<std::uint64_t>(std::max(disk->GetTotalSectors(), 0LL)); }

// 128 bytes times a power of two, as the format allows.
bool ValidEntrySize(std::uint32_t size) {
  return size >= CBaseGPTAnalyzer::kMinEntrySize && size % CBaseGPTAnalyzer::kMinEntrySize == 0 &&
         ((size / CBaseGPTAnalyzer::kMinEntrySize) & (size / CBaseGPTAnalyzer::kMinEntrySize - 1)) == 0;
}

}  // namespace

std::optional<CBaseGPTAnalyzer::Header> CBaseGPTAnalyzer::ReadHeader(IStorageDevice* disk, std::uint64_t sector) {
  std::vector<std::uint8_t> bytes;
  if (partition_table::ReadSectors(disk, sector, 1, bytes) != kResultOk) return std::nullopt;
  if (std::memcmp(bytes.data(), kSignature, kSignatureSize) != 0) return std::nullopt;
  FieldReader fields(bytes);
  const std::uint32_t headerSize = fields.le32(kHeaderSizeOffset);
  if (headerSize < kMinHeaderSize || headerSize > bytes.size()) return std::nullopt;
  const std::uint32_t storedCrc = fields.le32(kHeaderCrcOffset);
  FieldWriter(bytes).le32(kHeaderCrcOffset, 0);
  if (Crc32(ByteSpan(bytes).first(headerSize)) != storedCrc) return std::nullopt;
  // A header copied to another place (an image of part of a disk) does not describe this one.
  if (fields.le64(kMyLbaOffset) != sector) return std::nullopt;

  Header header;
  header.arrayFirstSector = fields.le64(kArrayLbaOffset);
  header.entries = fields.le32(kEntryCountOffset);
  header.entrySize = fields.le32(kEntrySizeOffset);
  header.arrayCrc = fields.le32(kArrayCrcOffset);
  if (!fields.ok() || !ValidEntrySize(header.entrySize) || header.entries == 0) return std::nullopt;
  if (static_cast<std::uint64_t>(header.entries) * header.entrySize > kMaxArrayBytes) return std::nullopt;
  return header;
}

std::optional<std::vector<std::uint8_t>> CBaseGPTAnalyzer::ReadArray(IStorageDevice* disk, const Header& header) {
  const std::uint64_t sectorSize = disk->GetSectorSize();
  const std::uint64_t arrayBytes = static_cast<std::uint64_t>(header.entries) * header.entrySize;
  const std::uint64_t sectors = (arrayBytes + sectorSize - 1) / sectorSize;
  const std::uint64_t diskSectors = DiskSectorsOf(disk);
  if (header.arrayFirstSector < 1 || header.arrayFirstSector >= diskSectors ||
      sectors > diskSectors - header.arrayFirstSector)
    return std::nullopt;
  std::vector<std::uint8_t> array;
  array.reserve(static_cast<std::size_t>(sectors * sectorSize));
  std::vector<std::uint8_t> piece;
  for (std::uint64_t done = 0; done < sectors; done += kSectorsPerRead) {
    const std::uint64_t count = std::min(kSectorsPerRead, sectors - done);
    if (partition_table::ReadSectors(disk, header.arrayFirstSector + done, count, piece) != kResultOk)
      return std::nullopt;
    array.insert(array.end(), piece.begin(), piece.end());
  }
  array.resize(static_cast<std::size_t>(arrayBytes));
  if (Crc32(array) != header.arrayCrc) return std::nullopt;
  return array;
}

ResultCode CBaseGPTAnalyzer::FindTable(IStorageDevice* disk, Header& header, std::vector<std::uint8_t>& array) {
  if (const auto check = partition_table::CheckSectorSize(disk->GetSectorSize()); check != kResultOk) return check;
  const std::uint64_t diskSectors = DiskSectorsOf(disk);
  const std::uint64_t backupSector = diskSectors > 0 ? diskSectors - 1 : 0;
  for (const std::uint64_t sector : {kPrimaryHeaderSector, backupSector}) {
    if (sector < kPrimaryHeaderSector || sector >= diskSectors) continue;
    const auto found = ReadHeader(disk, sector);
    if (!found) continue;
    auto entries = ReadArray(disk, *found);
    if (!entries) continue;
    header = *found;
    array = std::move(*entries);
    return kResultOk;
  }
  return partition_table::kGptNoValidTable;
}

bool CBaseGPTAnalyzer::HasValidTable(IStorageDevice* disk) {
  Header header;
  std::vector<std::uint8_t> array;
  return FindTable(disk, header, array) == kResultOk;
}

ResultCode CBaseGPTAnalyzer::ReadEntryArray(IStorageDevice* disk, std::list<PartitionEntry>& out) {
  out.clear();
  Header header;
  std::vector<std::uint8_t> array;
  if (const auto result = FindTable(disk, header, array); result != kResultOk) return result;
  const std::uint64_t diskSectors = DiskSectorsOf(disk);
  const ByteSpan bytes(array);
  for (std::size_t i = 0; i < header.entries; ++i) {
    const ByteSpan entry = bytes.subspan(i * header.entrySize, header.entrySize);
    const PartitionGuid type = GuidAt(entry, 0);
    if (type == PartitionGuid{}) continue;
    FieldReader fields(entry);
    const std::uint64_t first = fields.le64(32);
    const std::uint64_t last = fields.le64(40);
    const std::uint64_t stated = last >= first ? last - first + 1 : 0;
    const auto count = CountOnDisk(first, stated, diskSectors);
    if (!count) continue;
    PartitionEntry found;
    found.index = static_cast<std::int32_t>(i + 1);
    found.startSector = first;
    found.sectorCount = *count;
    found.typeGuid = type;
    found.uniqueGuid = GuidAt(entry, 16);
    out.push_back(found);
  }
  return kResultOk;
}

ResultCode CBaseGPTAnalyzer::AnalyzeBaseGPT(IStorageDevice* disk, std::list<PartitionEntry>& out) {
  if (const auto result = ReadEntryArray(disk, out); result != kResultOk) return result;
  // Measured in the disk's own sectors: with 4 KiB sectors a 20 MiB partition is 5120 sectors, not 10 MiB.
  const std::uint64_t sectorSize = disk->GetSectorSize();
  out.remove_if([sectorSize](const PartitionEntry& entry) {
    return entry.sectorCount <= kMinPartitionBytes / sectorSize;
  });
  return kResultOk;
}

void CBaseGPTAnalyzer::GUIDToStr(const PartitionGuid& guid, char* out) {
  const ByteSpan bytes(guid);
  std::snprintf(out, 37, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", le32(bytes, 0).value_or(0),
                le16(bytes, 4).value_or(0), le16(bytes, 6).value_or(0), guid[8], guid[9], guid[10], guid[11], guid[12],
                guid[13], guid[14], guid[15]);
}
