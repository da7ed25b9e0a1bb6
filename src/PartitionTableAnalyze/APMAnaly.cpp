#include "PartitionTableAnalyze/APMAnaly.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "PartitionTableAnalyze/DiskSectors.h"
#include "Utility/ByteReader.h"
#include "PartitionTableAnalyze/PartitionTableErrors.h"

using namespace quellsy;
using namespace quellsy::partition_table;

namespace {

constexpr std::size_t kTypeOffset = 48;
constexpr std::size_t kTypeSize = 32;

// The map's blocks are addressed in bytes, so a block smaller than the sector (512-byte blocks on a
// 2048-byte-sector disk) still steps through the map instead of re-reading one sector.
class MapReader {
 public:
  MapReader(IStorageDevice* disk, std::uint64_t blockSize) : disk_(disk), blockSize_(blockSize) {}

  // The 512 bytes of map block `block`, or the failure of the read.
  ResultCode Read(std::uint64_t block, ByteSpan& entry) {
    const std::uint64_t sectorSize = disk_->GetSectorSize();
    const std::uint64_t offset = block * blockSize_;
    if (const auto result = ReadSectors(disk_, offset / sectorSize, 1, sector_); result != kResultOk) return result;
    entry = ByteSpan(sector_).subspan(static_cast<std::size_t>(offset % sectorSize), CAPMAnaly::kEntrySize);
    return kResultOk;
  }

  // A count of map blocks in the disk's sectors, or nullopt when it overflows.
  std::optional<std::uint64_t> ToSectors(std::uint64_t blocks) const {
    std::uint64_t bytes = 0;
    if (__builtin_mul_overflow(blocks, blockSize_, &bytes)) return std::nullopt;
    return bytes / disk_->GetSectorSize();
  }

 private:
  IStorageDevice* disk_;
  std::uint64_t blockSize_;
  std::vector<std::uint8_t> sector_;
};

bool IsMapEntry(ByteSpan entry) { return be16(entry, 0) == 0x504D || be16(entry, 0) == 0x5453; }  // "PM", "TS"

}  // namespace

ResultCode CAPMAnaly::Analyze(IStorageDevice* disk, std::list<PartitionEntry>& out) {
  out.clear();
  if (!disk) return kNullDevice;
  const unsigned sectorSize = disk->GetSectorSize();
  if (sectorSize == 0 || sectorSize % 512 != 0) return kApmSectorSize;

  std::vector<std::uint8_t> head;
  if (const auto result = ReadSectors(disk, 0, 1, head); result != kResultOk) return result;
  if (head[0] != 'E' || head[1] != 'R') return kApmNoDriverMap;
  // Each entry must lie whole inside one sector.
  const std::uint16_t blockSize = be16(head, 2).value_or(0);
  if (blockSize == 0 || blockSize % kEntrySize != 0) return kApmBadBlockSize;

  MapReader map(disk, blockSize);
  ByteSpan first;
  if (const auto result = map.Read(1, first); result != kResultOk) return result;
  if (!IsMapEntry(first)) return kApmBadMapSignature;
  const std::uint32_t entries = be32(first, 4).value_or(0);
  if (entries > kMaxEntries) return kApmTooManyEntries;

  const auto diskSectors = static_cast<std::uint64_t>(std::max(disk->GetTotalSectors(), 0LL));
  for (std::uint32_t i = 1; i <= entries; ++i) {
    ByteSpan entry;
    if (const auto result = map.Read(i, entry); result != kResultOk) return result;
    if (!IsMapEntry(entry)) continue;
    const auto start = map.ToSectors(be32(entry, 8).value_or(0));
    const auto stated = map.ToSectors(be32(entry, 12).value_or(0));
    // A damaged map must not reach past the disk; an empty entry stays empty.
    if (!start || !stated || *start >= diskSectors) continue;
    const std::uint64_t count = std::min(*stated, diskSectors - *start);
    PartitionEntry found;
    found.index = static_cast<std::int32_t>(i);
    found.startSector = *start;
    found.sectorCount = count;
    const ByteSpan type = entry.subspan(kTypeOffset, kTypeSize);
    std::memcpy(found.apmType, type.data(), strnlen(reinterpret_cast<const char*>(type.data()), kTypeSize));
    out.push_back(found);
  }
  return kResultOk;
}
