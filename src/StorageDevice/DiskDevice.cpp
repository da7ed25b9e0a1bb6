#include "StorageDevice/DiskDevice.h"

#include "StorageDevice/StorageDeviceErrors.h"

using namespace quellsy;

bool CDiskDevice::ReadSector(void* buffer, long long first, long long count) {
  return Read(storage::ReadTarget(buffer), first, count);
}

bool CDiskDevice::ReadSectorInto(RawReadBuffer& buffer, long long first, long long count, std::size_t at) {
  return Read(storage::ReadTarget(buffer, at), first, count);
}

bool CDiskDevice::Read(const storage::ReadTarget& target, long long first, long long count) {
  ClearError();
  const auto result = ReadRaw(target, first, count);
  return result == kResultOk || Fail(result);
}

int CDiskDevice::GetVolumes(std::vector<CCollectedVolumeDeviceInfoStruct>& out) const {
  out = volumes_;
  return static_cast<int>(out.size());
}
