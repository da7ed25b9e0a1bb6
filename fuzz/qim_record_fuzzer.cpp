// The qim image reader over arbitrary file contents: the head check, the record decoder and the
// DMG record decoder must never read out of bounds, and what they accept must be safe to use.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "StorageDevice/DmgRecordFormat.h"
#include "StorageDevice/QimImageFormat.h"
#include "StorageDevice/StorageDeviceFactory.h"

namespace {

using namespace quellsy;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

template <std::size_t N>
void RequireTerminated(const char (&text)[N]) {
  Require(memchr(text, 0, N) != nullptr);
}

// An accepted image opens as a device whose first and last sectors are the file's bytes.
void OpenAsDevice(const std::uint8_t* data, std::size_t size, const CQIMDeviceInfoStruct& record) {
  const int fd = memfd_create("qim", 0);
  if (fd < 0) return;
  if (write(fd, data, size) == static_cast<ssize_t>(size)) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    std::unique_ptr<IStorageDevice> device(CreateQimDevice(path.c_str()));
    Require(device != nullptr);
    if (record.sectorCount > 0) {
      std::vector<std::uint8_t> sector(record.sectorSize);
      for (const std::uint64_t index : {std::uint64_t{0}, record.sectorCount - 1}) {
        Require(device->ReadSector(sector.data(), static_cast<long long>(index), 1));
        Require(std::memcmp(sector.data(), data + record.dataOffset + index * record.sectorSize, sector.size()) == 0);
      }
    }
  }
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteSpan bytes(data, size);

  CQIMDeviceInfoStruct record;
  if (ParseQimHead(bytes, size, record) == ImageRecordCheck::kOk) {
    Require(IsSupportedImageSectorSize(record.sectorSize));
    Require(record.dataOffset <= size && record.endOffset == size);
    Require(record.sectorCount <= (size - record.dataOffset) / record.sectorSize);
    RequireTerminated(record.deviceName);
    RequireTerminated(record.imagePath);
    OpenAsDevice(data, size, record);
  }

  // The record alone, as a scan-result file stores it: decoding what was encoded changes nothing.
  if (ReadQimRecord(bytes, record)) {
    RequireTerminated(record.deviceName);
    RequireTerminated(record.imagePath);
    std::uint8_t encoded[kQimRecordSize];
    Require(WriteQimRecord(record, encoded));
    CQIMDeviceInfoStruct again;
    Require(ReadQimRecord(encoded, again));
    Require(again.sectorSize == record.sectorSize && again.sectorCount == record.sectorCount &&
            again.dataOffset == record.dataOffset && again.endOffset == record.endOffset &&
            again.creationTime == record.creationTime && std::strcmp(again.deviceName, record.deviceName) == 0 &&
            std::strcmp(again.imagePath, record.imagePath) == 0);
  }

  CDMGDeviceInfoStruct dmg;
  ReadDmgRecord(bytes, dmg);
  RequireTerminated(dmg.name);
  RequireTerminated(dmg.imagePath);
  return 0;
}
