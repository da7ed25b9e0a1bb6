#pragma once
// A disk or volume opened through its block-device node, or an image file standing in for one.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "StorageDevice/ReadTarget.h"
#include "StorageDevice/StorageDeviceBase.h"
#include "StorageDevice/StorageDeviceErrors.h"

class CRawDevice : public CStorageDeviceBase {
 public:
  // Called between re-open attempts; tests replace the real sleep.
  using Pause = std::function<void(std::chrono::milliseconds)>;
  static constexpr int kReOpenAttempts = 3;
  static constexpr std::chrono::milliseconds kReOpenPause{1000};

  explicit CRawDevice(const char* path);
  ~CRawDevice() override;

  // Read-only. A refusal for lack of rights (EACCES or EPERM) also clears IsPermitted.
  bool Open(char* path) override;
  bool Close() override;
  unsigned GetSectorSize() override { return sectorSize_; }
  long long GetTotalSectors() override { return totalSectors_; }
  bool IsPermitted() override { return permitted_; }
  // Asks the system again: the block-device node gone, the size no longer known, or fewer bytes than at Open. An
  // image file is held open, so its name going away changes nothing; only its size counts.
  bool StoppedAnswering() override;
  bool FileExtent(long long first, long long count, int& fd, long long& byteOffset) override;

  // Closes, then tries the stored path up to three times, pausing a second after each failure.
  bool ReOpen();
  void SetReOpenPause(Pause pause);

  const std::string& GetPath() const { return path_; }

 protected:
  // Reads through the raw-read routine: 0, or the failure (the target then holds zeros where data was missing).
  // A lent buffer too small for the sectors is refused as a null one is.
  quellsy::ResultCode ReadRaw(const quellsy::storage::ReadTarget& target, long long first, long long count);
  // Sector size and total sectors of the attached disk or volume record.
  template <class Data>
  quellsy::ResultCode TakeGeometryFrom() {
    const auto* record = AttachedRecord<Data>();
    if (!record) return quellsy::storage::kNoPrivateData;
    sectorSize_ = static_cast<unsigned>(record->sectorSize);  // stored 64-bit, used as 32
    totalSectors_ = static_cast<long long>(record->totalSectors);
    return quellsy::kResultOk;
  }

 private:
  std::string path_;
  int fd_ = -1;
  unsigned sectorSize_ = 512;
  long long totalSectors_ = 0;
  bool permitted_ = true;
  bool regularFile_ = false;
  std::optional<std::uint64_t> openedBytes_;
  Pause pause_;
};
