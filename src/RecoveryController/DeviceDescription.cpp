#include "RecoveryController/DeviceDescription.h"

#include <cstring>

#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"

namespace {

template <std::size_t N>
std::string Bounded(const char (&text)[N]) {
  return std::string(text, strnlen(text, N));
}

}  // namespace

std::string GetDeviceDescription(IStorageDevice* device) {
  if (!device || !device->GetPrivateData()) return {};
  IStorageDeviceData* data = device->GetPrivateData();
  switch (device->GetType()) {
    case STORAGE_DEVICE_VOLUME: {
      auto* volume = dynamic_cast<IVolumeDeviceData*>(data);
      const auto* record = volume ? volume->GetVolumeInfo() : nullptr;
      return record && record->diskKind == 0 ? Bounded(record->volumeName) : std::string();
    }
    case STORAGE_DEVICE_QIM: {
      auto* qim = dynamic_cast<IQIMDeviceData*>(data);
      const auto* record = qim ? qim->GetQIMInfo() : nullptr;
      return record ? Bounded(record->deviceName) : std::string();
    }
    default:
      return {};
  }
}
