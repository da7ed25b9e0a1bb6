#include "StorageDevice/ImageFileDevice.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Platform/BlockDevice.h"
#include "StorageDevice/SectorRange.h"
#include "Utility/CatchExeception.h"

using namespace quellsy;

CImageFileDevice::CImageFileDevice(const char* path) : path_(path ? path : "") {}

CImageFileDevice::~CImageFileDevice() { Close(); }

bool CImageFileDevice::Open(char* path) {
  ClearError();
  if (path) path_ = path;
  if (fd_ >= 0) close(fd_);
  fd_ = platform::OpenReadOnly(path_.c_str());
  if (fd_ < 0) {
    if (errno != ENOENT) std::printf("open failed:%d\n", errno);
    return Fail(storage::kImageOpenFailed);
  }
  sectorSize_ = platform::kDefaultSectorSize;
  if (GetPrivateData()) {
    if (const auto result = ApplyRecord(); result != kResultOk) {
      Close();
      return Fail(result);
    }
  }
  return true;
}

bool CImageFileDevice::Close() {
  ClearError();
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  return true;
}

bool CImageFileDevice::ReadSector(void* buffer, long long first, long long count) {
  return Read(storage::ReadTarget(buffer), first, count);
}

bool CImageFileDevice::ReadSectorInto(RawReadBuffer& buffer, long long first, long long count, std::size_t at) {
  return Read(storage::ReadTarget(buffer, at), first, count);
}

bool CImageFileDevice::Read(const storage::ReadTarget& target, long long first, long long count) {
  ClearError();
  const auto bytes = storage::SectorBytes(dataOffset_, first, count, sectorSize_);
  if (!target.data() || !bytes || !target.Holds(count, sectorSize_)) return Fail(storage::kImageReadArgument);
  return storage::ReadFileRange(fd_, target, *bytes) ||
         Fail(LastRawReadRefused() ? storage::kReadersStalled : storage::kImageReadFailed);
}

bool CImageFileDevice::Acceptable(std::uint64_t sectorSize, std::uint64_t sectorCount,
                                  std::uint64_t dataOffset) const {
  // Before the file is open only the sector size can be judged; Open checks the rest.
  const auto fileSize = platform::QuerySizeInBytes(fd_);
  const auto check = fileSize ? CheckImageGeometry(sectorSize, sectorCount, dataOffset, *fileSize)
                     : IsSupportedImageSectorSize(sectorSize) ? ImageRecordCheck::kOk
                                                               : ImageRecordCheck::kBadSectorSize;
  if (check == ImageRecordCheck::kOk) return true;
  CatchExeception::WriteLog("image %s refused: %s\r\n", path_.c_str(), DescribeImageRecordCheck(check));
  return false;
}
