#include "NTFSSearch/CNTFSVolumeAnalyer.h"

#include <new>
#include <vector>

#include "NTFSLib/CNTFSDBR.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CVolumeFileAnalyzer.h"
#include "NTFSLib/NTFSStreamReader.h"
#include "NTFSSearch/CNTFSQuickSearch.h"
#include "include/IStorageDevice.h"

namespace {
constexpr std::size_t kBufferBytes = 4096;
constexpr std::uint64_t kVolumeRecord = 3;

// The label from the $Volume record, found through the $MFT's runs (or its mirror's); empty when any step fails.
std::string ReadLabel(IStorageDevice& device, const CNTFSDBR& boot, std::uint64_t sector) {
  const auto geometry = boot.GeometryOn(device.GetSectorSize(), static_cast<std::int64_t>(sector));
  if (!geometry) return {};
  CNTFSDataRunList runs;
  bool unreadable = false;
  if (!CNTFSQuickSearch::ReadMFTRuns(device, *geometry, boot.GetMFTStartCluster(), runs, unreadable) &&
      !CNTFSQuickSearch::ReadMFTRuns(device, *geometry, boot.GetMFTMirrorStartCluster(), runs, unreadable))
    return {};
  std::vector<std::uint8_t> bytes;
  if (!quellsy::ntfs::ReadFileRecord(device, *geometry, runs, kVolumeRecord, bytes)) return {};
  return CVolumeFileAnalyzer::GetLabel(CNTFSFileRecord(bytes)).value_or(std::string());
}
}  // namespace

void CNTFSVolumeAnalyer::GetLabel(char* buffer, int size) {
  if (size < 1) return;
  CVolumeFileAnalyzer::CopyLabel(m_label, buffer, static_cast<std::size_t>(size));
}

IVolumeAnalyze* CreateNTFSVolumeAnalyze(IStorageDevice* device, std::uint64_t sector) {
  if (device == nullptr || device->GetSectorSize() > kBufferBytes) return nullptr;
  std::vector<std::uint8_t> buffer(kBufferBytes, 0);
  if (!device->ReadSector(buffer.data(), static_cast<long long>(sector), 1)) return nullptr;
  CNTFSDBR boot;
  if (!boot.InitFromBuffer(buffer)) return nullptr;
  return new (std::nothrow)
      CNTFSVolumeAnalyer(static_cast<std::uint64_t>(boot.GetTotalSectors()), ReadLabel(*device, boot, sector));
}
