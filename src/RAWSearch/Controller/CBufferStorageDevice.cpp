#include "RAWSearch/Controller/CBufferStorageDevice.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "include/SalvagingRead.h"

bool CBufferStorageDevice::Close() {
  held_.clear();
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
  leadBytes_ = leadBytes;
  tailBytes_ = tailBytes;
  capacity_ = static_cast<std::uint32_t>(sectors);
  initialised_ = true;
  return true;
}

CBufferStorageDevice::MadeBlock CBufferStorageDevice::MakeBlock(long long first, long long sectors) const {
  struct Made : SharedSectorBlock {
    std::unique_ptr<unsigned char[]> storage;
  };
  if (!initialised_) return {};
  const std::size_t capacity = std::size_t{sectorsPerBlock_} * sectorSize_;
  auto made = std::make_shared<Made>();
  made->storage.reset(new (std::nothrow) unsigned char[leadBytes_ + capacity + tailBytes_]());
  if (!made->storage) return {};
  unsigned char* bytes = made->storage.get() + leadBytes_;
  made->first = first;
  made->sectors = std::clamp<long long>(sectors, 0, sectorsPerBlock_);
  made->data = bytes;
  made->capacity = capacity;
  made->lookBack = leadBytes_;
  made->zeroTail = tailBytes_;
  return {std::move(made), bytes};
}

const SharedSectorBlock* CBufferStorageDevice::LastBlock() const {
  return initialised_ && !held_.empty() ? held_.back().get() : nullptr;
}

void CBufferStorageDevice::AppendBlock(std::shared_ptr<const SharedSectorBlock> block) {
  if (!initialised_ || !block) return;
  held_.push_back(std::move(block));
  if (held_.size() > blockCount_) {
    held_.pop_front();
    firstHeld_ += sectorsPerBlock_;
  } else {
    sectorsHeld_ += sectorsPerBlock_;
  }
}

void CBufferStorageDevice::AddBlockToBuffer(const char* block) {
  if (!initialised_ || !block) return;
  const MadeBlock made = MakeBlock(firstHeld_ + sectorsHeld_, sectorsPerBlock_);
  if (!made.block) return;
  std::memcpy(made.bytes, block, std::size_t{sectorsPerBlock_} * sectorSize_);
  AppendBlock(made.block);
}

void CBufferStorageDevice::ReleaseBefore(long long sector) {
  if (!initialised_ || sectorsPerBlock_ == 0) return;
  for (std::size_t k = 0; k + 1 < held_.size(); ++k) {
    if (firstHeld_ + static_cast<long long>(k + 1) * sectorsPerBlock_ > sector) break;
    held_[k].reset();
  }
}

bool CBufferStorageDevice::ReadPassedSectors(unsigned char* buffer, long long first, long long count) {
  // The read-ahead reported these sectors' unreadable ranges when it read them: they are not reported again.
  return !quellsy::ReadSectorsSalvaging(*source_, buffer, first, count, quellsy::UnreadableRanges::kReportedBefore)
              .refused;
}

bool CBufferStorageDevice::HasData(long long first, long long count) const {
  const auto from = static_cast<std::size_t>((first - firstHeld_) / sectorsPerBlock_);
  const auto to = static_cast<std::size_t>((first + count - 1 - firstHeld_) / sectorsPerBlock_);
  for (std::size_t k = from; k <= to && k < held_.size(); ++k)
    if (!held_[k]) return false;
  return true;
}

int CBufferStorageDevice::IsFullBuffer() const { return initialised_ && sectorsHeld_ == capacity_ ? 1 : 0; }

long long CBufferStorageDevice::GetDeviceEndSector() {
  if (source_) return source_->GetTotalSectors();
  return firstHeld_ + sectorsHeld_;
}

bool CBufferStorageDevice::ReadSector(void* buffer, long long first, long long count) {
  if (!initialised_ || !buffer || first < 0 || count <= 0) return false;
  const bool counted = first >= firstHeld_ && count <= sectorsHeld_ && first - firstHeld_ <= sectorsHeld_ - count;
  if (!counted) return source_ ? source_->ReadSector(buffer, first, count) : false;
  if (!HasData(first, count))
    return source_ ? ReadPassedSectors(static_cast<unsigned char*>(buffer), first, count) : false;

  auto* out = static_cast<unsigned char*>(buffer);
  for (long long at = first - firstHeld_, left = count; left > 0;) {
    const long long block = at / sectorsPerBlock_;
    const long long inside = at % sectorsPerBlock_;
    const long long take = std::min<long long>(left, sectorsPerBlock_ - inside);
    const unsigned char* from = held_[static_cast<std::size_t>(block)]->data;
    std::memcpy(out, from + static_cast<std::size_t>(inside) * sectorSize_, static_cast<std::size_t>(take) * sectorSize_);
    out += static_cast<std::size_t>(take) * sectorSize_;
    at += take;
    left -= take;
  }
  return true;
}
