#pragma once
// Copies a disk or volume into a qim image (head, record, then the sectors) or into a plain raw copy, on a
// thread of its own with pause, stop and progress. A piece of the source that cannot be read is written as
// zeros and counted, and the copy goes on, so a disk with bad sectors can still be imaged. A stopped or
// failed copy deletes its partial file; a finished qim image carries its end offset, which the engine's
// reader requires to equal the file's size.

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"

// What the delegate is told: sectors of the source, sectors copied so far, the copy's code (0 or one of
// KDMakeDMG's negative codes) and the sectors that could not be read and were written as zeros.
struct KDQimProgress {
  std::int64_t totalSectors = 0;
  std::int64_t doneSectors = 0;
  std::int32_t code = 0;
  std::int64_t badSectors = 0;
};

class IKDMakeDMGDelegate {
 public:
  virtual ~IKDMakeDMGDelegate() = default;
  // Called from the copy's thread, one call at a time; the last call carries the final code.
  virtual void KDGetPrecent(const KDQimProgress& progress) = 0;
};

class KDMakeDMG {
 public:
  enum State { kRun = 0, kPause = 1, kStop = 2 };

  static constexpr int kBadArgument = -2;
  static constexpr int kNoBuffer = -3;
  static constexpr int kStopped = -4;
  static constexpr int kSourceNotOpened = -100;
  static constexpr int kReadFailed = -101;
  static constexpr int kImageNotCreated = -102;
  static constexpr int kWriteFailed = -103;
  static constexpr int kNoDeviceInfo = -104;
  // A copy is still running: the one information record belongs to it.
  static constexpr int kBusy = -105;
  // Sectors read per chunk.
  static constexpr std::int64_t kChunkSectors = 8192;

  // One sector range written as zeros because it could not be read.
  struct BadRange {
    std::int64_t first = 0;
    std::int64_t count = 0;
    int error = 0;  // the system's reason its first sector's read failed; 0 when it gave none
  };

  KDMakeDMG();
  ~KDMakeDMG();
  KDMakeDMG(const KDMakeDMG&) = delete;
  KDMakeDMG& operator=(const KDMakeDMG&) = delete;

  // The process-wide writer, made on first call.
  static KDMakeDMG* KDShareInstance();
  // Stops and joins any copy of the process-wide writer and drops it (tests).
  static void ResetForTesting();

  // Images the device list's disk (volume -1) or volume, read through devicePath; raw 1 writes no head.
  // Returns 0 once the copy has started on its thread, else a negative code.
  int KDStart(const char* devicePath, const char* imagePath, int disk, int volume, int raw);
  // The same for a storage the caller already holds.
  int KDStartWithStorage(IStorageDevice* storage, const char* devicePath, const char* imagePath, int raw);

  // Geometry and name from the storage's disk or volume record, the creation time now: 0, or -1.
  int KDGetQimInfo(IStorageDevice* storage);
  // Opens the source read-only and makes the chunk buffer: 0 or a negative code.
  int KDOpenDevice(const char* path);
  void KDCloseDevice();
  // Creates the image file empty and starts the copy.
  int KDMakeQimImp(const char* imagePath, int raw);
  // The head and record, then zeros up to the data offset, through a descriptor or a C stream.
  int KDWriteDMgHEader2(int fd);
  int KDWriteDMGHeader(std::FILE* stream);

  int KDSetState(int state);
  void KDUpdatePrgoress(std::int64_t doneSectors, int code);
  IKDMakeDMGDelegate* KDDelegate() const;
  // Not owned; must outlive the copy.
  void setKDDelegate(IKDMakeDMGDelegate* delegate);
  int KDGetRsfInfo(void*) { return 0; }
  int KDCheckRsfInfo(void*) { return 0; }

  // Returns when no copy runs (joins its thread).
  void KDWaitForCopy();
  // The record of the latest image.
  CQIMDeviceInfoStruct Info() const;
  // The ranges of the latest copy that were written as zeros.
  std::vector<BadRange> BadRanges() const;

 private:
  void Copy(int raw);
  // Reads sectors [first, first + count) into the buffer; sectors that fail stay zero and are counted.
  void ReadChunk(std::int64_t first, std::int64_t count);
  void NoteBadSector(std::int64_t sector, int error);
  // One log line for the latest range, once it can grow no more.
  void LogBadRange(const BadRange& range) const;
  // Closes both files; deletes the image on a non-zero code, else completes its record.
  int Finish(int code, int raw);

  mutable std::mutex lock_;
  std::condition_variable stateChanged_;
  int state_ = kRun;
  bool running_ = false;
  std::thread copier_;
  IKDMakeDMGDelegate* delegate_ = nullptr;

  int deviceFd_ = -1;
  int imageFd_ = -1;
  std::unique_ptr<std::uint8_t[]> buffer_;
  CQIMDeviceInfoStruct info_;
  std::vector<BadRange> badRanges_;
  std::int64_t badSectors_ = 0;
};
