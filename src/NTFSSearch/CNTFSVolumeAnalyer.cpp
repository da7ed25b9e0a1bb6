#include "NTFSSearch/CNTFSVolumeAnalyer.h"

#include <cstring>
#include <new>
#include <vector>

#include "NTFSLib/CNTFSDBR.h"
#include "include/IStorageDevice.h"

namespace {
constexpr std::size_t kBufferBytes = 4096;
constexpr std::size_t kEmptyWideString = 4;
}  // namespace

void CNTFSVolumeAnalyer::GetLabel(char* buffer, int size) {
  if (buffer == nullptr || size <= 1) return;
  std::memset(buffer, 0, std::min<std::size_t>(kEmptyWideString, static_cast<std::size_t>(size)));
}

IVolumeAnalyze* CreateNTFSVolumeAnalyze(IStorageDevice* device, std::uint64_t sector) {
  if (device == nullptr || device->GetSectorSize() > kBufferBytes) return nullptr;
  std::vector<std::uint8_t> buffer(kBufferBytes, 0);
  if (!device->ReadSector(buffer.data(), static_cast<long long>(sector), 1)) return nullptr;
  CNTFSDBR boot;
  if (!boot.InitFromBuffer(buffer)) return nullptr;
  return new (std::nothrow) CNTFSVolumeAnalyer(static_cast<std::uint64_t>(boot.GetTotalSectors()));
}
