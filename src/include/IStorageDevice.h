#pragma once
// A read-only, sector-addressed view of a disk, partition, volume or image: every byte the engine
// scans comes through this interface.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Utility/RawRead.h"
#include "include/IStorageDeviceData.h"

// A block of sectors that a read-ahead device read, shared read-only by everyone who still reads it; its memory
// goes back to the device once the last holder lets go. `data` holds `sectors` sectors from `first` in `capacity`
// bytes, zeros after the sectors of a short last block. The `lookBack` bytes in front of `data` are the device's
// bytes just before `first` (zeros before sector 0), and `zeroTail` zero bytes follow the capacity.
struct SharedSectorBlock {
  long long first = 0;
  long long sectors = 0;
  const unsigned char* data = nullptr;
  std::size_t capacity = 0;
  std::size_t lookBack = 0;
  std::size_t zeroTail = 0;
};

enum StorageDeviceType : int {
  STORAGE_DEVICE_DISK = 0,
  STORAGE_DEVICE_PARTITION = 1,
  STORAGE_DEVICE_VOLUME = 2,  // also a partition without a mounted volume
  STORAGE_DEVICE_CACHE = 3,   // the read-ahead device and the signature search's buffer device
  STORAGE_DEVICE_QIM = 4,
  STORAGE_DEVICE_DMG = 5,
};

class IStorageDevice {
 public:
  virtual ~IStorageDevice() = default;

  // Opens the device; a null path keeps the stored one.
  virtual bool Open(char* path) = 0;
  virtual bool Close() = 0;
  // Reads `count` sectors from sector `first` into buffer (count x sector size bytes). What could not
  // be read is zeros; false when any sector failed.
  virtual bool ReadSector(void* buffer, long long first, long long count) = 0;
  // As ReadSector, into storage the caller owns and lends for the read, from `at` bytes into it. Devices that
  // read a file fill it in place with no copy; when such a read times out the storage stays with the stalled
  // read and `buffer` gets fresh storage of the same capacity. A buffer too small for the sectors is refused
  // as a null buffer is.
  virtual bool ReadSectorInto(quellsy::RawReadBuffer& buffer, long long first, long long count, std::size_t at) {
    return ReadSector(buffer.data() && buffer.Holds(count, GetSectorSize(), at) ? buffer.data() + at : nullptr, first,
                      count);
  }
  // Where sectors [first, first + count) lie in a regular file this device reads in place, so that a copy-out can
  // move them inside the kernel: the file's descriptor (open read-only) and the byte offset of sector `first`.
  // False for anything else: a disk, a cached, compressed or partial image, a range past the end.
  virtual bool FileExtent(long long /*first*/, long long /*count*/, int& /*fd*/, long long& /*byteOffset*/) {
    return false;
  }
  // The sectors as they already stand in the device's memory, read-only, when it holds all of them (a
  // read-ahead device's current block): valid until the device moves on. Null otherwise; then ReadSector.
  virtual const unsigned char* HeldSectors(long long /*first*/, long long /*count*/) { return nullptr; }
  // The block the device holds when it starts at `first` and holds `count` sectors, to keep as long as it is
  // needed. Null otherwise.
  virtual std::shared_ptr<const SharedSectorBlock> ShareHeldBlock(long long /*first*/, long long /*count*/) {
    return nullptr;
  }
  virtual unsigned GetSectorSize() = 0;
  virtual long long GetTotalSectors() = 0;
  virtual bool IOCtl(unsigned long long code, void* arg) = 0;
  // The record enumeration collected for the device, or null.
  virtual IStorageDeviceData* GetPrivateData() = 0;
  // Takes ownership of the holder (freeing the previous one) and reads the device's geometry from it.
  virtual void SetPrivateData(IStorageDeviceData* data) = 0;
  virtual int GetType() = 0;
  // Result code of the last operation; 0 = success.
  virtual unsigned long long GetLastError() = 0;
  // False when opening the raw device was refused for lack of permission.
  virtual bool IsPermitted() { return true; }
  // True when the device no longer answers as it did when it was opened: its node is gone, or it now holds fewer
  // bytes (a card pulled from its reader, a medium that shrank). Unreadable sectors alone never make it so.
  virtual bool StoppedAnswering() { return false; }
  virtual void SetApfsDevicePath(char*) {}
  virtual long long GetStartSector() { return 0; }
  // The device a read-ahead device reads through, so that a searcher can ask what is being scanned; null for a
  // device that reads for itself.
  virtual IStorageDevice* GetInnerDevice() const { return nullptr; }
  // Replaces `out` with copies of the volume records enumeration found on a disk; returns their count (none for
  // anything but a disk).
  virtual int GetVolumes(std::vector<CCollectedVolumeDeviceInfoStruct>& out) const {
    out.clear();
    return 0;
  }
};
