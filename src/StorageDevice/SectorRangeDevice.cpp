#include "StorageDevice/SectorRangeDevice.h"

#include <cstring>

#include "StorageDevice/SectorRange.h"
#include "StorageDevice/StorageDeviceErrors.h"

using namespace quellsy;

CSectorRangeDevice::CSectorRangeDevice(IStorageDevice* parent, long long start, long long total, unsigned sectorSize)
    : parent_(parent), startSector_(start), totalSectors_(total), sectorSize_(sectorSize) {}

bool CSectorRangeDevice::Open(char*) {
  ClearError();
  if (!parent_) return Fail(storage::kRangeNoParent);
  auto* holder = dynamic_cast<IDiskDeviceData*>(parent_->GetPrivateData());
  const auto* disk = holder ? holder->GetDiskInfo() : nullptr;
  if (!disk) {
    const auto result = OpenWithoutDiskRecord();
    return result == kResultOk || Fail(result);
  }
  sectorSize_ = static_cast<unsigned>(disk->sectorSize);
  // An attached record describes the range better than the disk does.
  if (GetPrivateData()) ApplyRecord();
  return true;
}

ResultCode CSectorRangeDevice::OpenWithoutDiskRecord() { return storage::kRangeOpenNoDiskRecord; }

bool CSectorRangeDevice::Close() {
  ClearError();
  return true;
}

bool CSectorRangeDevice::ReadSector(void* buffer, long long first, long long count) {
  return Read(storage::ReadTarget(buffer), first, count);
}

bool CSectorRangeDevice::ReadSectorInto(RawReadBuffer& buffer, long long first, long long count, std::size_t at) {
  return Read(storage::ReadTarget(buffer, at), first, count);
}

bool CSectorRangeDevice::Read(const storage::ReadTarget& target, long long first, long long count) {
  ClearError();
  if (!parent_) return Fail(storage::kRangeNoParent);
  if (!target.data() || !target.Holds(count, sectorSize_) || first < 0 || first >= totalSectors_ || count <= 0 ||
      count > totalSectors_)
    return Fail(storage::kRangeReadArgument);

  // The range's sectors are whole multiples of the parent's; its start counts parent sectors.
  const unsigned parentSectorSize = parent_->GetSectorSize();
  if (parentSectorSize == 0 || sectorSize_ == 0 || sectorSize_ % parentSectorSize != 0)
    return Fail(storage::kRangeSectorSizeMismatch);
  const long long perSector = sectorSize_ / parentSectorSize;
  const long long inside = count < totalSectors_ - first ? count : totalSectors_ - first;
  const auto wanted = storage::SectorBytes(0, first, count, sectorSize_);
  long long parentFirst = 0;
  if (!wanted || __builtin_mul_overflow(first, perSector, &parentFirst) ||
      __builtin_add_overflow(parentFirst, startSector_, &parentFirst))
    return Fail(storage::kRangeReadArgument);

  const bool read = target.ReadFrom(*parent_, parentFirst, inside * perSector);
  // Past the range's end the caller gets zeros, never what the buffer held before; set after the read, which
  // may have given a lent buffer new storage.
  const long long insideBytes = inside * sectorSize_;
  std::memset(target.data() + insideBytes, 0, static_cast<size_t>(wanted->length - insideBytes));
  return read || Fail(parent_->GetLastError());
}

void CSectorRangeDevice::SetGeometry(unsigned sectorSize, long long totalSectors) {
  sectorSize_ = sectorSize;
  totalSectors_ = totalSectors;
}
