#include "FileArchive/ScanResultFile.h"

#include <deque>

#include "FileArchive/ScanResultFrames.h"
#include "FileArchive/ScanResultProgress.h"
#include "FileArchive/ScanResultRecords.h"
#include "include/FrameFields.h"
#include "include/IFileNode.h"
#include "include/IRSData.h"

namespace SaveRestoreResult {
namespace {

// The records of the device list: a DMG record is 2088 bytes, a qim record 1192.
constexpr std::uint32_t kMaxImageRecord = 4096;

void WriteImageRecord(FrameWriter& out, std::int32_t flag, const std::optional<std::vector<std::uint8_t>>& record) {
  const bool present = flag != 0 && record.has_value();
  if (present && record->size() > kMaxImageRecord) throw CRSException(CRSException::kBadRecord);
  out.U32(present ? 1u : static_cast<std::uint32_t>(flag));
  if (!present) {
    out.U32(kNoImageRecord);
    return;
  }
  out.U32(static_cast<std::uint32_t>(record->size()));
  out.Bytes(record->data(), static_cast<std::uint32_t>(record->size()));
}

void ReadImageRecord(FrameReader& in, std::int32_t& flag, std::optional<std::vector<std::uint8_t>>& record) {
  flag = static_cast<std::int32_t>(in.U32());
  const std::uint32_t length = in.U32();
  if (length == kNoImageRecord) return;
  if (length > kMaxImageRecord) throw CRSException(CRSException::kBadRecord);
  std::vector<std::uint8_t> bytes(length);
  in.Bytes(bytes.data(), length);
  if (flag != 0) record = std::move(bytes);
}

void WriteRoot(FrameWriter& out, const RootToSave& root, ScanResultProgress& progress,
               const std::function<bool()>& keepGoing) {
  if (root.partitions.size() > kMaxPartitions) throw CRSException(CRSException::kBadRecord);
  out.U32(kRootMarker);
  WriteSystemNode(out, *root.root);
  progress.Step();
  out.U32(static_cast<std::uint32_t>(root.partitions.size()));
  for (const CSearchedPartitionInfo* partition : root.partitions) WritePartition(out, *partition);
  if (!root.partitions.empty()) {
    std::deque<IFileNode*> folders{root.root};
    while (!folders.empty() && keepGoing()) {
      IFileNode* folder = folders.front();
      folders.pop_front();
      for (IFileNode* child = folder->GetFirstChild(); child != nullptr; child = child->GetNextNode()) {
        if (child->IsDirectory() != 0) folders.push_back(child);
        out.U32(kNodeMarker);
        WriteFileNode(out, *child);
        progress.Step();
      }
    }
  }
  out.U32(kEndMarker);
  progress.Step();
}

}  // namespace

void WriteControllerList(IRSData& archive, const SavedController& controller) {
  archive.OpenFrame(_frFileSystemSearchControllerList);
  FrameWriter out(archive);
  out.U32(kControllerListBytes);
  out.U32(controller.controllerType);
  out.U32(controller.deep);
  archive.CloseFrame();
}

std::optional<SavedController> ReadControllerList(IRSData& archive) {
  archive.OpenFrame(_frFileSystemSearchControllerList);
  FrameReader in(archive);
  if (in.U32() != kControllerListBytes) {
    archive.CloseFrame();
    return std::nullopt;
  }
  SavedController controller;
  controller.controllerType = in.U32();
  controller.deep = in.U32();
  archive.CloseFrame();
  return controller;
}

void WriteDiskDevice(IRSData& archive, const SavedDevice& device) {
  if (device.name.size() > kMaxDeviceName) throw CRSException(CRSException::kBadRecord);
  archive.OpenFrame(_frDiskDevice);
  FrameWriter out(archive);
  out.U64(static_cast<std::uint64_t>(device.capacity));
  out.U32(static_cast<std::uint32_t>(device.diskIndex));
  out.U32(static_cast<std::uint32_t>(device.volumeIndex));
  out.U32(static_cast<std::uint32_t>(device.fileSystem));
  out.U32(static_cast<std::uint32_t>(device.name.size()));
  out.Bytes(device.name.data(), static_cast<std::uint32_t>(device.name.size()));
  WriteImageRecord(out, device.isAppleDmg, device.dmgRecord);
  WriteImageRecord(out, device.isQim, device.qimRecord);
  archive.CloseFrame();
}

SavedDevice ReadDiskDevice(IRSData& archive) {
  archive.OpenFrame(_frDiskDevice);
  FrameReader in(archive);
  SavedDevice device;
  device.capacity = static_cast<std::int64_t>(in.U64());
  device.diskIndex = static_cast<std::int32_t>(in.U32());
  device.volumeIndex = static_cast<std::int32_t>(in.U32());
  device.fileSystem = static_cast<std::int32_t>(in.U32());
  const std::uint32_t nameLength = in.U32();
  if (nameLength > kMaxDeviceName) throw CRSException(CRSException::kBadRecord);
  device.name = in.Text(nameLength);
  ReadImageRecord(in, device.isAppleDmg, device.dmgRecord);
  ReadImageRecord(in, device.isQim, device.qimRecord);
  archive.CloseFrame();
  return device;
}

void WriteRoots(IRSData& archive, const std::vector<RootToSave>& roots, ScanResultProgress& progress,
                const std::function<bool()>& keepGoing) {
  archive.OpenFrame(_frFileSystemNode);
  FrameWriter out(archive);
  std::uint64_t count = 0;
  for (const RootToSave& root : roots)
    if (root.root != nullptr) ++count;
  out.U64(count);
  for (const RootToSave& root : roots) {
    if (root.root == nullptr) continue;
    if (!keepGoing()) break;
    WriteRoot(out, root, progress, keepGoing);
  }
  archive.CloseFrame();
}

}  // namespace SaveRestoreResult
