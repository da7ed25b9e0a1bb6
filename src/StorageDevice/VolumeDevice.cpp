#include "StorageDevice/VolumeDevice.h"

#include <cstring>

#include "Utility/BadSectorReports.h"
#include "StorageDevice/StorageDeviceErrors.h"

using namespace quellsy;

CVolumeDevice::CVolumeDevice(const char* path) : CRawDevice(path), messageCenter_(&CMessageCenter::Instance()) {}

CVolumeDevice::~CVolumeDevice() { messageCenter_->UnregisterNotifyCenter(kBadSectorReceiverId); }

bool CVolumeDevice::ReadSector(void* buffer, long long first, long long count) {
  return Read(storage::ReadTarget(buffer), first, count);
}

bool CVolumeDevice::ReadSectorInto(RawReadBuffer& buffer, long long first, long long count, std::size_t at) {
  return Read(storage::ReadTarget(buffer, at), first, count);
}

bool CVolumeDevice::Read(const storage::ReadTarget& target, long long first, long long count) {
  ClearError();
  if (first >= GetTotalSectors()) return Fail(storage::kVolumeReadPastEnd);
  const auto result = ReadRaw(target, first, count);
  if (result == storage::kReadFailed && !BadSectorsReportedByCaller()) {
    const auto range = EncodeBadSectorRange({static_cast<std::uint64_t>(first), static_cast<std::uint64_t>(count)});
    messageCenter_->PushEvent(EVENT_BAD_SECTOR, static_cast<int>(range.size()), range.data());
  }
  return result == kResultOk || Fail(result);
}

void CVolumeDevice::SetApfsDevicePath(char* path) {
  apfsDevicePath_ = path ? std::string(path, strnlen(path, kApfsPathLimit)) : std::string();
}
