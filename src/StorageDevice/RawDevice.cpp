#include "StorageDevice/RawDevice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "Platform/BlockDevice.h"
#include "StorageDevice/ImageSectorSize.h"
#include "StorageDevice/SectorRange.h"

using namespace quellsy;

CRawDevice::CRawDevice(const char* path)
    : path_(path ? path : ""), pause_([](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }) {}

CRawDevice::~CRawDevice() { Close(); }

bool CRawDevice::Open(char* path) {
  ClearError();
  if (path) path_ = path;
  if (fd_ >= 0) close(fd_);
  fd_ = platform::OpenReadOnly(path_.c_str());
  if (fd_ < 0) {
    const int error = errno;
    std::printf("open failed:%d,%s\n", error, std::strerror(error));
    if (platform::IsPermissionError(error)) permitted_ = false;
    return Fail(storage::kOpenFailed);
  }
  permitted_ = true;
  struct stat status {};
  regularFile_ = fstat(fd_, &status) == 0 && S_ISREG(status.st_mode);
  openedBytes_ = platform::QuerySizeInBytes(fd_);
  const auto geometry = platform::QueryBlockGeometry(fd_);
  sectorSize_ = geometry.sectorSize;
  totalSectors_ = geometry.totalSectors;
  // An image file of a drive with larger sectors is scanned as that drive.
  if (!geometry.blockDevice) {
    if (const auto declared = storage::DeclaredSectorSize(fd_); declared && *declared != sectorSize_) {
      totalSectors_ = totalSectors_ * sectorSize_ / *declared;
      sectorSize_ = *declared;
    }
  }
  // An attached record describes the device better than the node's answers.
  if (GetPrivateData()) ApplyRecord();
  return true;
}

bool CRawDevice::Close() {
  ClearError();
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  regularFile_ = false;
  openedBytes_.reset();
  return true;
}

bool CRawDevice::StoppedAnswering() {
  if (fd_ < 0 || !openedBytes_) return false;
  struct stat node {};
  if (!regularFile_ && stat(path_.c_str(), &node) != 0 && (errno == ENOENT || errno == ENXIO || errno == ENODEV))
    return true;
  const auto bytes = platform::QuerySizeInBytes(fd_);
  return !bytes || *bytes < *openedBytes_;
}

bool CRawDevice::FileExtent(long long first, long long count, int& fd, long long& byteOffset) {
  const auto bytes = storage::SectorBytes(0, first, count, sectorSize_);
  if (!regularFile_ || fd_ < 0 || !bytes || first + count > totalSectors_) return false;
  fd = fd_;
  byteOffset = static_cast<long long>(bytes->offset);
  return true;
}

bool CRawDevice::ReOpen() {
  Close();
  for (int attempt = 0; attempt < kReOpenAttempts; ++attempt) {
    if (Open(nullptr)) return true;
    pause_(kReOpenPause);
  }
  return false;
}

void CRawDevice::SetReOpenPause(Pause pause) { pause_ = std::move(pause); }

ResultCode CRawDevice::ReadRaw(const storage::ReadTarget& target, long long first, long long count) {
  const auto bytes = storage::SectorBytes(0, first, count, sectorSize_);
  if (!target.data() || !bytes || !target.Holds(count, sectorSize_)) return storage::kReadArgument;
  if (storage::ReadFileRange(fd_, target, *bytes)) return kResultOk;
  return LastRawReadRefused() ? storage::kReadersStalled : storage::kReadFailed;
}
