#include "PartitionTableAnalyze/BaseGPTAnalyzer.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "PartitionTableAnalyze/DiskSectors.h"
#include "Utility/ByteReader.h"

using namespace quellsy;

namespace {

PartitionGuid GuidAt(ByteSpan entry, std::size_t offset) {
  PartitionGuid guid{};
  const ByteSpan bytes = entry.subspan(offset, guid.size());
  std::copy(bytes.begin(), bytes.end(), guid.begin());
  return guid;
}

}  // namespace

ResultCode CBaseGPTAnalyzer::ReadEntryArray(IStorageDevice* disk, std::list<PartitionEntry>& out) {
  out.clear();
  std::vector<std::uint8_t> array;
  if (const auto result = partition_table::ReadSectors(disk, kArrayFirstSector, kArraySectors, array); result != kResultOk)
    return result;
  const auto diskSectors = static_cast<std::uint64_t>(std::max(disk->GetTotalSectors(), 0LL));
  const ByteSpan bytes(array);
  for (std::size_t i = 0; i < kEntries; ++i) {
    const ByteSpan entry = bytes.subspan(i * kEntrySize, kEntrySize);
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
