#include "support/MemoryDevice.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "Utility/ResultCode.h"

namespace quellsy::test {

MemoryDevice::MemoryDevice(std::vector<std::uint8_t> bytes, unsigned sectorSize, int type)
    : bytes_(std::move(bytes)), sectorSize_(sectorSize), type_(type) {
  if (sectorSize_ == 0) throw std::invalid_argument("sector size 0");
  bytes_.resize((bytes_.size() + sectorSize_ - 1) / sectorSize_ * sectorSize_);
}

MemoryDevice::MemoryDevice(long long sectors, unsigned sectorSize, int type)
    : MemoryDevice(std::vector<std::uint8_t>(static_cast<std::size_t>(sectors) * sectorSize), sectorSize, type) {}

MemoryDevice::~MemoryDevice() = default;

void MemoryDevice::SetPrivateData(IStorageDeviceData* data) { data_ = data; }

bool MemoryDevice::ReadSector(void* buffer, long long first, long long count) {
  ++readCalls_;
  lastError_ = 0;
  if (!buffer || first < 0 || count <= 0 || first > GetTotalSectors() || count > GetTotalSectors() - first) {
    lastError_ = MakeFailure(module::kStorageDevice, __LINE__, error::kBadArgument);
    return false;
  }
  auto* out = static_cast<std::uint8_t*>(buffer);
  if (stoppedAnswering_) {
    lastError_ = MakeFailure(module::kStorageDevice, __LINE__, error::kFailure);
    std::memset(out, 0, static_cast<std::size_t>(count) * sectorSize_);
    return false;
  }
  sectorsRead_ += count;
  std::memcpy(out, bytes_.data() + first * sectorSize_, static_cast<std::size_t>(count) * sectorSize_);
  bool ok = true;
  for (const auto& [failFirst, failCount] : failures_) {
    const long long from = std::max(first, failFirst);
    const long long to = std::min(first + count, failFirst + failCount);
    if (from >= to) continue;
    std::memset(out + (from - first) * sectorSize_, 0, static_cast<std::size_t>(to - from) * sectorSize_);
    ok = false;
  }
  if (!ok) {
    lastError_ = MakeFailure(module::kStorageDevice, __LINE__, error::kFailure);
    if (zeroWholeFailedReads_) std::memset(out, 0, static_cast<std::size_t>(count) * sectorSize_);
  }
  return ok;
}

void MemoryDevice::FailSectors(long long first, long long count) { failures_.emplace_back(first, count); }

void MemoryDevice::Put(std::size_t offset, const std::vector<std::uint8_t>& blob) {
  if (offset > bytes_.size() || blob.size() > bytes_.size() - offset) throw std::out_of_range("blob past the device");
  std::memcpy(bytes_.data() + offset, blob.data(), blob.size());
}

}  // namespace quellsy::test
