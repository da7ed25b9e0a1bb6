#include "PartitionTableAnalyze/PartitionTableAnalyze.h"

#include <new>
#include <vector>

#include "PartitionTableAnalyze/APMAnaly.h"
#include "PartitionTableAnalyze/BaseGPTAnalyzer.h"
#include "PartitionTableAnalyze/DiskSectors.h"
#include "PartitionTableAnalyze/PartitionTableChainAnalyzer.h"
#include "PartitionTableAnalyze/PartitionTableEntry.h"
#include "PartitionTableAnalyze/PartitionTableErrors.h"

using namespace quellsy;
using namespace quellsy::partition_table;

namespace {

constexpr std::size_t kSlotsOffset = 446;
constexpr std::size_t kSignatureOffset = 510;
constexpr std::uint8_t kProtectiveType = 0xEE;
constexpr std::uint8_t kDynamicDiskType = 0x42;

bool HasBootSignature(ByteSpan sector) { return u8(sector, kSignatureOffset) == 0x55 && u8(sector, kSignatureOffset + 1) == 0xAA; }

std::uint8_t SlotType(ByteSpan sector, int slot) {
  return CPartitionTableEntry(sector.subspan(kSlotsOffset + CPartitionTableEntry::kSize * slot)).GetPartitionType();
}

}  // namespace

ResultCode CPartitionTableAnalyze::AnalyzePartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) {
  out.clear();
  if (!disk) return kNullDevice;
  if (disk->GetType() != STORAGE_DEVICE_DISK) return kNotWholeDisk;
  CCollectDiskDeviceInfoStruct* info = nullptr;
  if (const auto result = GetDiskInfo(disk, info); result != kResultOk) return result;
  if (info->diskKind != 0) return kNotPhysicalDisk;

  enumDiskPartitionScheme scheme = DISK_PARTITION_SCHEME_NONE;
  if (const auto result = GetDiskType(disk, scheme); result != kResultOk) return result;
  switch (scheme) {
    case DISK_PARTITION_SCHEME_GPT: return AnalyzeGPTPartitionTable(disk, out);
    case DISK_PARTITION_SCHEME_APM: return AnalyzeAPMPartitionTable(disk, out);
    case DISK_PARTITION_SCHEME_MBR: return AnalyzeMBRPartitionTable(disk, out);
    case DISK_PARTITION_SCHEME_NONE: break;
  }
  return kResultOk;
}

ResultCode CPartitionTableAnalyze::GetDiskType(IStorageDevice* disk, enumDiskPartitionScheme& scheme) {
  scheme = DISK_PARTITION_SCHEME_NONE;
  if (!disk) return kNullDevice;
  // Every scheme test reads sector 0 and needs its first 512 bytes.
  std::vector<std::uint8_t> sector;
  if (const auto result = ReadSectors(disk, 0, 1, sector); result != kResultOk) return result;
  if (HasBootSignature(sector) && SlotType(sector, 0) == kProtectiveType) {
    // A protective MBR over a table that fails every check protects nothing: the disk has no table.
    if (CBaseGPTAnalyzer::HasValidTable(disk)) scheme = DISK_PARTITION_SCHEME_GPT;
  } else if (sector[0] == 'E' && sector[1] == 'R')
    scheme = DISK_PARTITION_SCHEME_APM;
  else if (HasBootSignature(sector))
    scheme = DISK_PARTITION_SCHEME_MBR;
  return kResultOk;
}

ResultCode CPartitionTableAnalyze::GetDiskInfo(IStorageDevice* disk, CCollectDiskDeviceInfoStruct*& info) {
  info = nullptr;
  if (!disk) return kNullDevice;
  auto* holder = dynamic_cast<IDiskDeviceData*>(disk->GetPrivateData());
  if (!holder || !holder->GetDiskInfo()) return kNoDiskRecord;
  info = holder->GetDiskInfo();
  return kResultOk;
}

ResultCode CPartitionTableAnalyze::RefuseDynamicDisk(IStorageDevice* disk) {
  std::vector<std::uint8_t> sector;
  if (const auto result = ReadSectors(disk, 0, 1, sector); result != kResultOk) return result;
  for (int slot = 0; slot < 4; ++slot)
    if (SlotType(sector, slot) == kDynamicDiskType) return kDynamicDisk;
  return kResultOk;
}

ResultCode CPartitionTableAnalyze::AnalyzeGPTPartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) {
  out.clear();
  if (!disk) return kNullDevice;
  if (const auto result = RefuseDynamicDisk(disk); result != kResultOk) return result;
  return CBaseGPTAnalyzer::AnalyzeBaseGPT(disk, out);
}

ResultCode CPartitionTableAnalyze::AnalyzeMBRPartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) {
  out.clear();
  if (!disk) return kNullDevice;
  if (const auto result = RefuseDynamicDisk(disk); result != kResultOk) return result;
  return CPartitionTableChainAnalyzer().Analyze(disk, out);
}

ResultCode CPartitionTableAnalyze::AnalyzeAPMPartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) {
  out.clear();
  return CAPMAnaly::Analyze(disk, out);
}

IPartitionTableAnalyze* CreatePartitionTableAnalyze() { return new (std::nothrow) CPartitionTableAnalyze; }
