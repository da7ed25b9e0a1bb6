#include "RAWSearch/Controller/CBufferStorageDevice.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

bool CBufferStorageDevice::Close() {
  ring_.reset();
  initialised_ = false;
  sectorsHeld_ = 0;
  writeSlot_ = 0;
  return true;
}

bool CBufferStorageDevice::InitBufferDevice(IStorageDevice* source, unsigned long long firstSector,
                                            unsigned sectorSize, unsigned sectorsPerBlock, unsigned blockCount) {
  Close();
  source_ = source;
  sectorSize_ = sectorSize;
  sectorsPerBlock_ = sectorsPerBlock;
  blockCount_ = blockCount;
  firstHeld_ = firstSector > static_cast<unsigned long long>(LLONG_MAX) ? 0 : static_cast<long long>(firstSector);
  const std::uint64_t sectors = std::uint64_t{sectorsPerBlock} * blockCount;
  if (sectorSize == 0 || sectors == 0 || sectors > UINT32_MAX || sectors > kMaxRingBytes / sectorSize) return false;
  ring_.reset(new (std::nothrow) unsigned char[sectors * sectorSize]());
  if (!ring_) return false;
  capacity_ = static_cast<std::uint32_t>(sectors);
  initialised_ = true;
  return true;
}

void CBufferStorageDevice::AddBlockToBuffer(const char* block) {
  if (!initialised_ || !block) return;
  std::memcpy(ring_.get() + std::size_t{writeSlot_} * sectorSize_, block, std::size_t{sectorsPerBlock_} * sectorSize_);
  writeSlot_ = (writeSlot_ + sectorsPerBlock_) % capacity_;
  if (sectorsHeld_ < capacity_)
    sectorsHeld_ += sectorsPerBlock_;
  else
    firstHeld_ += sectorsPerBlock_;
}

int CBufferStorageDevice::IsFullBuffer() const { return initialised_ && sectorsHeld_ == capacity_ ? 1 : 0; }

long long CBufferStorageDevice::GetDeviceEndSector() {
  if (source_) return source_->GetTotalSectors();
  return firstHeld_ + sectorsHeld_;
}

bool CBufferStorageDevice::ReadSector(void* buffer, long long first, long long count) {
  if (!initialised_ || !buffer || first < 0 || count <= 0) return false;
  const bool held = first >= firstHeld_ && count <= sectorsHeld_ && first - firstHeld_ <= sectorsHeld_ - count;
  if (!held) return source_ ? source_->ReadSector(buffer, first, count) : false;

  // Until the ring is full the oldest sector sits at slot 0; afterwards at the write position.
  const std::uint64_t oldestSlot = IsFullBuffer() ? writeSlot_ : 0;
  const std::uint64_t slot = (static_cast<std::uint64_t>(first - firstHeld_) + oldestSlot) % capacity_;
  const std::uint64_t beforeWrap = std::min<std::uint64_t>(static_cast<std::uint64_t>(count), capacity_ - slot);
  auto* out = static_cast<unsigned char*>(buffer);
  std::memcpy(out, ring_.get() + slot * sectorSize_, beforeWrap * sectorSize_);
  std::memcpy(out + beforeWrap * sectorSize_, ring_.get(), (static_cast<std::uint64_t>(count) - beforeWrap) * sectorSize_);
  return true;
}
