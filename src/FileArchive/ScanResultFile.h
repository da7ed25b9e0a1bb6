#pragma once
// The frames of a scan-result file as the save writes them and the restore reads them back: the controller list,
// the scanned device's list entry and the roots with their partition records and nodes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CSearchedPartitionInfo;
class IFileNode;
class IRSData;

namespace SaveRestoreResult {

class ScanResultProgress;

struct SavedController {
  std::uint32_t controllerType = 0;
  std::uint32_t deep = 0;
};

// The scanned device's list entry; an image record is kept only when its flag is set.
struct SavedDevice {
  std::int64_t capacity = 0;
  std::int32_t diskIndex = -1;
  std::int32_t volumeIndex = -1;
  std::int32_t fileSystem = -1;
  std::string name;
  std::int32_t isAppleDmg = 0;
  std::optional<std::vector<std::uint8_t>> dmgRecord;
  std::int32_t isQim = 0;
  std::optional<std::vector<std::uint8_t>> qimRecord;
};

struct RootToSave {
  IFileNode* root = nullptr;
  std::vector<CSearchedPartitionInfo*> partitions;  // borrowed
};

void WriteControllerList(IRSData& archive, const SavedController& controller);
// Nothing when the frame does not start with the byte count 8.
std::optional<SavedController> ReadControllerList(IRSData& archive);

void WriteDiskDevice(IRSData& archive, const SavedDevice& device);
// Throws CRSException (bad record) for a name or image record out of range.
SavedDevice ReadDiskDevice(IRSData& archive);

// Writes the roots frame: each root, its partition records and (when it has any) its nodes breadth first. The
// walk stops early when keepGoing answers false; the frame then holds the roots written so far.
void WriteRoots(IRSData& archive, const std::vector<RootToSave>& roots, ScanResultProgress& progress,
                const std::function<bool()>& keepGoing);

}  // namespace SaveRestoreResult
