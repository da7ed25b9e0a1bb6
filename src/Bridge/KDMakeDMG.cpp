#include "Bridge/KDMakeDMG.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <string_view>

#include "Bridge/KDUIDeviceData.h"
#include "Platform/BlockDevice.h"
#include "Platform/WriteAll.h"
#include "StorageDevice/FixedText.h"
#include "StorageDevice/ImageRecordCheck.h"
#include "StorageDevice/QimImageFormat.h"
#include "Utility/CatchExeception.h"
#include "Utility/RawRead.h"

namespace {

using quellsy::platform::WriteAll;
using quellsy::platform::WriteAllAt;

std::unique_ptr<KDMakeDMG>& Shared() {
  static std::unique_ptr<KDMakeDMG> shared;
  return shared;
}

// Where the image goes must be a new file or a regular file other than the source: truncating a device node
// or the source itself would destroy what is being imaged.
bool IsSafeImageTarget(const char* path, int sourceFd) {
  struct stat target {};
  if (lstat(path, &target) != 0) return errno == ENOENT;
  struct stat source {};
  if (fstat(sourceFd, &source) != 0) return false;
  return S_ISREG(target.st_mode) && !(target.st_dev == source.st_dev && target.st_ino == source.st_ino);
}

template <class Holder>
auto* RecordOf(IStorageDevice* storage) {
  auto* holder = dynamic_cast<Holder*>(storage->GetPrivateData());
  return holder ? holder->GetRecord() : nullptr;
}

}  // namespace

KDMakeDMG::KDMakeDMG() = default;

KDMakeDMG::~KDMakeDMG() {
  KDSetState(kStop);
  KDWaitForCopy();
  KDCloseDevice();
}

KDMakeDMG* KDMakeDMG::KDShareInstance() {
  auto& shared = Shared();
  if (!shared) shared = std::make_unique<KDMakeDMG>();
  return shared.get();
}

void KDMakeDMG::ResetForTesting() { Shared().reset(); }

int KDMakeDMG::KDStart(const char* devicePath, const char* imagePath, int disk, int volume, int raw) {
  if (!devicePath || !imagePath) return kBadArgument;
  return KDStartWithStorage(KDUIDeviceData::instance()->GetStorageByDiskVolumeIndex(disk, volume), devicePath,
                            imagePath, raw);
}

int KDMakeDMG::KDStartWithStorage(IStorageDevice* storage, const char* devicePath, const char* imagePath, int raw) {
  if (!devicePath || !imagePath || !storage) return kBadArgument;
  // The record keeps the path zero-terminated: a longer one could not be stored whole.
  if (std::strlen(imagePath) >= sizeof info_.imagePath) return kBadArgument;
  {
    std::lock_guard guard(lock_);
    if (running_) return kBusy;
  }
  KDWaitForCopy();
  if (KDGetQimInfo(storage) != 0) return kNoDeviceInfo;
  quellsy::StoreText(info_.imagePath, imagePath);
  info_.dataOffset = raw == 1 ? 0 : quellsy::QimDataOffset(info_.sectorSize);
  info_.endOffset = 0;
  if (const int code = KDOpenDevice(devicePath); code != 0) return code;
  KDSetState(kRun);
  return KDMakeQimImp(imagePath, raw);
}

int KDMakeDMG::KDGetQimInfo(IStorageDevice* storage) {
  if (!storage) return -1;
  info_ = {};
  info_.creationTime = static_cast<std::uint64_t>(std::time(nullptr));
  if (auto* disk = RecordOf<IDiskDeviceData>(storage)) {
    info_.sectorSize = disk->sectorSize;
    info_.sectorCount = disk->totalSectors;
    quellsy::StoreText(info_.deviceName, std::string_view(disk->name, strnlen(disk->name, sizeof disk->name)));
  } else if (auto* volume = RecordOf<IVolumeDeviceData>(storage)) {
    info_.sectorSize = volume->sectorSize;
    info_.sectorCount = volume->totalSectors;
    quellsy::StoreText(info_.deviceName,
                       std::string_view(volume->volumeName, strnlen(volume->volumeName, sizeof volume->volumeName)));
  } else {
    return -1;
  }
  // The sector size sizes the chunk buffer; the reader opens only these sizes anyway.
  if (!quellsy::IsSupportedImageSectorSize(info_.sectorSize)) return -1;
  return 0;
}

int KDMakeDMG::KDOpenDevice(const char* path) {
  if (!path) return kBadArgument;
  KDCloseDevice();
  deviceFd_ = quellsy::platform::OpenReadOnly(path);
  if (deviceFd_ < 0) return kSourceNotOpened;
  buffer_.reset(new (std::nothrow) std::uint8_t[info_.sectorSize * kChunkSectors]);
  if (!buffer_) {
    KDCloseDevice();
    return kNoBuffer;
  }
  return 0;
}

void KDMakeDMG::KDCloseDevice() {
  if (deviceFd_ >= 0) close(deviceFd_);
  deviceFd_ = -1;
  buffer_.reset();
}

int KDMakeDMG::KDMakeQimImp(const char* imagePath, int raw) {
  if (!imagePath || deviceFd_ < 0 || !IsSafeImageTarget(imagePath, deviceFd_)) {
    KDCloseDevice();
    return kImageNotCreated;
  }
  imageFd_ = open(imagePath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (imageFd_ < 0) {
    KDCloseDevice();
    return kImageNotCreated;
  }
  {
    std::lock_guard guard(lock_);
    running_ = true;
    badRanges_.clear();
    badSectors_ = 0;
  }
  copier_ = std::thread([this, raw] { Copy(raw); });
  return 0;
}

int KDMakeDMG::KDWriteDMgHEader2(int fd) {
  if (fd < 0) return kBadArgument;
  const auto head = quellsy::EncodeQimHead(info_);
  return WriteAll(fd, head.data(), head.size()) ? 0 : kWriteFailed;
}

int KDMakeDMG::KDWriteDMGHeader(std::FILE* stream) {
  if (!stream) return kBadArgument;
  const auto head = quellsy::EncodeQimHead(info_);
  return std::fwrite(head.data(), 1, head.size(), stream) == head.size() ? 0 : kWriteFailed;
}

int KDMakeDMG::KDSetState(int state) {
  {
    std::lock_guard guard(lock_);
    state_ = state;
  }
  stateChanged_.notify_all();
  return 0;
}

void KDMakeDMG::KDUpdatePrgoress(std::int64_t doneSectors, int code) {
  KDQimProgress progress;
  IKDMakeDMGDelegate* delegate = nullptr;
  {
    std::lock_guard guard(lock_);
    delegate = delegate_;
    progress.totalSectors = static_cast<std::int64_t>(info_.sectorCount);
    progress.badSectors = badSectors_;
  }
  progress.doneSectors = doneSectors;
  progress.code = code;
  if (delegate) delegate->KDGetPrecent(progress);
}

IKDMakeDMGDelegate* KDMakeDMG::KDDelegate() const {
  std::lock_guard guard(lock_);
  return delegate_;
}

void KDMakeDMG::setKDDelegate(IKDMakeDMGDelegate* delegate) {
  std::lock_guard guard(lock_);
  delegate_ = delegate;
}

void KDMakeDMG::KDWaitForCopy() {
  if (copier_.joinable()) copier_.join();
}

CQIMDeviceInfoStruct KDMakeDMG::Info() const {
  std::lock_guard guard(lock_);
  return info_;
}

std::vector<KDMakeDMG::BadRange> KDMakeDMG::BadRanges() const {
  std::lock_guard guard(lock_);
  return badRanges_;
}

void KDMakeDMG::Copy(int raw) {
  const auto total = static_cast<std::int64_t>(info_.sectorCount);
  const auto sectorSize = static_cast<std::int64_t>(info_.sectorSize);
  int code = raw == 1 ? 0 : KDWriteDMgHEader2(imageFd_);
  const bool headWritten = code == 0;
  for (std::int64_t first = 0; code == 0 && first < total; first += kChunkSectors) {
    {
      std::unique_lock guard(lock_);
      stateChanged_.wait(guard, [this] { return state_ != kPause; });
      if (state_ == kStop) {
        code = kStopped;
        break;
      }
    }
    // The last chunk reads only what is left, so the image ends exactly after the source's last sector.
    const std::int64_t count = std::min(kChunkSectors, total - first);
    ReadChunk(first, count);
    if (!WriteAll(imageFd_, buffer_.get(), static_cast<std::size_t>(count * sectorSize))) code = kWriteFailed;
    KDUpdatePrgoress(first + count, code);
  }
  {
    std::lock_guard guard(lock_);
    if (!badRanges_.empty()) LogBadRange(badRanges_.back());
  }
  code = Finish(code, raw);
  KDUpdatePrgoress(headWritten ? total : 0, code);
  {
    std::lock_guard guard(lock_);
    running_ = false;
  }
}

void KDMakeDMG::ReadChunk(std::int64_t first, std::int64_t count) {
  const auto sectorSize = static_cast<long long>(info_.sectorSize);
  const long long length = count * sectorSize;
  if (KDReadAsyncData(buffer_.get(), deviceFd_, first * sectorSize, length) == length) return;
  // The raw read zero-filled whole pieces: read again sector by sector to keep every sector that can be read.
  for (std::int64_t i = 0; i < count; ++i) {
    std::uint8_t* sector = buffer_.get() + i * sectorSize;
    quellsy::ClearLastRawReadError();
    if (KDReadAsyncData(sector, deviceFd_, (first + i) * sectorSize, sectorSize) != sectorSize) {
      std::memset(sector, 0, static_cast<std::size_t>(sectorSize));
      NoteBadSector(first + i, quellsy::LastRawReadError());
    }
  }
}

void KDMakeDMG::NoteBadSector(std::int64_t sector, int error) {
  std::lock_guard guard(lock_);
  ++badSectors_;
  if (!badRanges_.empty() && badRanges_.back().first + badRanges_.back().count == sector) {
    ++badRanges_.back().count;
    return;
  }
  if (!badRanges_.empty()) LogBadRange(badRanges_.back());
  badRanges_.push_back({sector, 1, error});
}

void KDMakeDMG::LogBadRange(const BadRange& range) const {
  const std::string reason = range.error != 0 ? std::strerror(range.error) : "the read failed";
  CatchExeception::WriteLog("qim image: sectors %lld-%lld unreadable, written as zeros: %s\r\n",
                            static_cast<long long>(range.first), static_cast<long long>(range.first + range.count - 1),
                            reason.c_str());
}

int KDMakeDMG::Finish(int code, int raw) {
  KDCloseDevice();
  if (code == 0 && raw != 1) {
    const off_t end = lseek(imageFd_, 0, SEEK_CUR);
    std::vector<std::uint8_t> record(quellsy::kQimRecordSize);
    {
      std::lock_guard guard(lock_);
      info_.endOffset = end < 0 ? 0 : static_cast<std::uint64_t>(end);
      quellsy::WriteQimRecord(info_, record);
    }
    if (end < 0 || !WriteAllAt(imageFd_, record.data(), record.size(), quellsy::kQimHeadSize)) code = kWriteFailed;
  }
  if (close(imageFd_) != 0 && code == 0) code = kWriteFailed;
  imageFd_ = -1;
  if (code != 0) unlink(info_.imagePath);
  return code;
}
