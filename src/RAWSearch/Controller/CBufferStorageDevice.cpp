#include "RAWSearch/Controller/CBufferStorageDevice.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

bool CBufferStorageDevice::Close() {
  slots_.clear();
  held_.clear();
  free_ = 0;
  initialised_ = false;
  sectorsHeld_ = 0;
  return true;
}

bool CBufferStorageDevice::InitBufferDevice(IStorageDevice* source, unsigned long long firstSector,
                                            unsigned sectorSize, unsigned sectorsPerBlock, unsigned blockCount,
                                            unsigned leadBytes, unsigned tailBytes) {
  Close();
  source_ = source;
  sectorSize_ = sectorSize;
  sectorsPerBlock_ = sectorsPerBlock;
  blockCount_ = blockCount;
  firstHeld_ = firstSector > static_cast<unsigned long long>(LLONG_MAX) ? 0 : static_cast<long long>(firstSector);
  const std::uint64_t sectors = std::uint64_t{sectorsPerBlock} * blockCount;
  if (sectorSize == 0 || sectors == 0 || sectors > UINT32_MAX || sectors > kMaxRingBytes / sectorSize) return false;
  const std::uint64_t slotBytes = std::uint64_t{sectorsPerBlock} * sectorSize + leadBytes + tailBytes;
  if (slotBytes * (blockCount + 1ULL) > kMaxRingBytes + slotBytes) return false;
  slots_.resize(blockCount + 1ULL);
  for (auto& slot : slots_) {
    slot.reset(new (std::nothrow) unsigned char[slotBytes]());
    if (!slot) {
      Close();
      return false;
    }
  }
  held_.reserve(blockCount);
  leadBytes_ = leadBytes;
  capacity_ = static_cast<std::uint32_t>(sectors);
  initialised_ = true;
  return true;
}

unsigned char* CBufferStorageDevice::NextBlock() { return initialised_ ? slots_[free_].get() + leadBytes_ : nullptr; }

const unsigned char* CBufferStorageDevice::LastBlock() const {
  return initialised_ && !held_.empty() ? slots_[held_.back()].get() + leadBytes_ : nullptr;
}

void CBufferStorageDevice::CommitBlock() {
  if (!initialised_) return;
  held_.push_back(free_);
  if (held_.size() > blockCount_) {
    free_ = held_.front();
    held_.erase(held_.begin());
    firstHeld_ += sectorsPerBlock_;
  } else {
    // Until the ring is full, slots are taken in order: the next is still unused.
    free_ = static_cast<std::uint32_t>(held_.size());
    sectorsHeld_ += sectorsPerBlock_;
  }
}

void CBufferStorageDevice::AddBlockToBuffer(const char* block) {
  if (!initialised_ || !block) return;
  std::memcpy(NextBlock(), block, std::size_t{sectorsPerBlock_} * sectorSize_);
  CommitBlock();
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

  auto* out = static_cast<unsigned char*>(buffer);
  for (long long at = first - firstHeld_, left = count; left > 0;) {
    const long long block = at / sectorsPerBlock_;
    const long long inside = at % sectorsPerBlock_;
    const long long take = std::min<long long>(left, sectorsPerBlock_ - inside);
    const unsigned char* from = slots_[held_[static_cast<std::size_t>(block)]].get() + leadBytes_;
    std::memcpy(out, from + static_cast<std::size_t>(inside) * sectorSize_, static_cast<std::size_t>(take) * sectorSize_);
    out += static_cast<std::size_t>(take) * sectorSize_;
    at += take;
    left -= take;
  }
  return true;
}
