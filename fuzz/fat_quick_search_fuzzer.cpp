// The FAT quick scan over arbitrary volume bytes: boot sector and backup checks, the FAT table, the geometry
// taken from the boot sector, and the breadth-first walk of every folder. The input's last byte says what the
// volume record claims (odd: FAT32, even: FAT16); the bytes before it, cut to whole sectors, are the volume.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FATSearch/CFATQuickSearcher.h"
#include "FuzzBytesDevice.h"
#include "FuzzFinishingProgress.h"
#include "FuzzKeepingBuilder.h"
#include "StorageDevice/DeviceDataHolder.h"

namespace {

class VolumeBytesDevice : public FuzzBytesDevice {
 public:
  VolumeBytesDevice(std::vector<std::uint8_t> bytes, enumFILE_SYSTEM_TYPE type)
      : FuzzBytesDevice(std::move(bytes), 512), m_data(new CCollectedVolumeDeviceInfoStruct) {
    m_data.GetRecord()->fileSystemType = type;
  }
  IStorageDeviceData* GetPrivateData() override { return &m_data; }

 private:
  CVolumeDeviceData m_data;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 513 || size > (1u << 20)) return 0;
  VolumeBytesDevice device(std::vector<std::uint8_t>(data, data + size - 1),
                           (data[size - 1] & 1) != 0 ? FILE_SYSTEM_FAT32 : FILE_SYSTEM_FAT16);
  FuzzKeepingBuilder builder;
  FuzzFinishingProgress progress;
  CFATQuickSearcher searcher;
  searcher.SetDirecotryTreeBuilder(&builder);
  searcher.QuickSearchFiles(&device, &progress);
  // Every outcome ends with the final record.
  if (!progress.finished) std::abort();
  return 0;
}
