#pragma once
// Saving the last scan's results to a scan-result file and opening such a file again. The save walks the scan
// driver's trees; the restore finds the scanned device again and runs an ordinary scan through the scan driver
// whose controller reads the file through a restore sink instead of searching. Both report through the
// progress sink they are given; its finished record carries the result code (0, or a SaveRestoreError).
// Save, restore and scan exclude each other: the facade starts one only while the others are idle.

#include <cstdint>
#include <string>

class IProgress;
class IStorageDevice;
class KDUIRecovery;
class KDUIScan;

namespace SaveRestoreResult {

struct SavedDevice;

enum SaveRestoreError : std::uint32_t {
  kNoArchive = 1,
  kNotOpened = 2,            // the file could not be created or opened
  kBadHeader = 3,            // not a scan-result file, or its header is damaged
  kNoControllerList = 4,     // the controller list is missing or not of this format
  kNoDiskDevice = 5,         // the device record is missing or out of range
  kQimMissing = 6,           // the scanned qim image cannot be found
  kDeviceMissing = 7,        // the scanned device cannot be found
  kWriteFailed = 8,          // the file could not be written completely; nothing of it is kept
  kDamaged = 9,              // a record of the file is damaged or cut short; what came before it is shown
};

struct OperationPara {
  std::string path;
  IProgress* progress = nullptr;
  std::string qimPath;               // restore: where a saved qim image may be now
  KDUIScan* scan = nullptr;          // null: the process-wide scan
  KDUIRecovery* recovery = nullptr;  // null: the process-wide recovery
};

// The bodies the threads run, synchronously; each returns the result code it reports.
std::uint32_t SaveScanResult(const OperationPara& para);
std::uint32_t RestoreScanResult(const OperationPara& para);

// The device a saved record names now: a qim or DMG image reopened (owned by this module until the next
// restore), else the device list's entry at the saved indexes when its capacity matches, else the first entry
// with the saved name, file system and capacity; null when there is none.
IStorageDevice* GetFromDiskVolumeData(const SavedDevice& saved, const char* qimPath, const char* filePath);

// Tests: forgets the reopened image and the restored partition devices.
void ResetForTests();

}  // namespace SaveRestoreResult
