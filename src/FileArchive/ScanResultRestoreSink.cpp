#include "FileArchive/ScanResultRestoreSink.h"

#include <new>

#include "FileArchive/RestoreFileNode.h"
#include "FileArchive/RestoredNodeCheck.h"
#include "FileArchive/RestoredVolumes.h"
#include "FileArchive/ScanResultFrames.h"
#include "FileArchive/ScanResultProgress.h"
#include "FileArchive/ScanResultRecords.h"
#include "include/FrameFields.h"
#include "include/IFileSystemSearchController.h"
#include "include/IProgress.h"
#include "include/IRSData.h"
#include "include/SearchPartitionInfoStruct.h"
#include "Utility/CatchExeception.h"

namespace SaveRestoreResult {

ScanResultRestoreSink::ScanResultRestoreSink(IRSData& archive, TargetOf targetOf)
    : archive_(archive), targetOf_(std::move(targetOf)) {}

std::vector<CSearchedPartitionInfo*>& ScanResultRestoreSink::GetSearchedPartition(int searcherType,
                                                                                IStorageDevice* device) {
  return partitions_[{device, searcherType}].view;
}

void ScanResultRestoreSink::SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder, IProgress* progress,
                                                   IStorageDevice* device) {
  if (builder == nullptr || progress == nullptr) return;
  const RestoreTarget target = targetOf_ ? targetOf_(device) : RestoreTarget{};
  // A named volume takes the roots saved under its name; without a name only a whole disk or the scanned volume
  // takes anything.
  if (target.volumeName.empty() && !target.wholeDisk && !target.scannedVolume) return;
  try {
    Deliver(*builder, *progress, device, target);
  } catch (const CRSException& error) {
    lastError_ = error.GetErrorcode();
  } catch (const std::bad_alloc&) {
    lastError_ = CRSException::kBadRecord;
  }
  if (unbuilt_) builder->FlashBuild(*unbuilt_);
  unbuilt_.reset();
  archive_.CloseFrame();
  if (nodesRefused_ > refusalsLogged_)
    CatchExeception::WriteLog("restore: saved files refused for runs or a size that do not fit: %llu; the first: "
                              "%s\r\n",
                              static_cast<unsigned long long>(nodesRefused_ - refusalsLogged_), firstRefusal_.c_str());
  refusalsLogged_ = nodesRefused_;
}

bool ScanResultRestoreSink::Refused(RestoredNodeCheck& check, RestoreFileNode& node) {
  const std::string why = check.Refusal(node);
  if (why.empty()) return false;
  // One line for the delivery, naming the first: a damaged file may hold millions.
  if (nodesRefused_++ == refusalsLogged_)
    firstRefusal_ = std::string(node.GetFileName()) + " (" + std::to_string(node.GetFileSize()) + " bytes): " + why;
  lastError_ = CRSException::kBadRecord;
  return true;
}

void ScanResultRestoreSink::Deliver(IDirecotryTreeBuilder& builder, IProgress& progress, IStorageDevice* device,
                                    const RestoreTarget& target) {
  archive_.OpenFrame(_frFileSystemNode);
  ScanResultProgress steps(&progress);
  FrameReader in(archive_);
  const std::uint64_t roots = in.U64();
  steps.Step();
  for (std::uint64_t i = 0; i < roots && progress.Continued() != 0; ++i) {
    if (in.U32() != kRootMarker) return;
    std::unique_ptr<RestoreSystemNode> root = ReadSystemNode(in);
    const _tagSearcherType searcher = root->GetSearcheType();
    const bool taken =
        target.wholeDisk || target.appleDmg || target.scannedVolume || target.volumeName == root->GetVolumeName();
    if (taken) {
      builder.AddSearcherInfo(searcher, root->GetCurrentNodeID());
      unbuilt_ = searcher;
      ++rootsTaken_;
      steps.Step();
    }
    root.reset();

    const std::uint32_t count = in.U32();
    if (count > kMaxPartitions) return;
    PartitionList& list = partitions_[{device, searcher}];
    for (std::uint32_t p = 0; p < count; ++p) {
      std::unique_ptr<CSearchedPartitionInfo> partition = ReadPartition(in);
      if (!partition) break;
      if (!taken) continue;
      if (searcher == SEARCHER_HFSPLUS) KeepRestoredVolume(searcher, *partition, device);
      list.view.push_back(partition.get());
      list.owned.push_back(std::move(partition));
    }

    RestoredNodeCheck check(list.view, device);
    while (in.U32() == kNodeMarker && progress.Continued() != 0) {
      auto node = std::make_unique<RestoreFileNode>();
      ReadFileNode(in, *node);
      if (taken && Refused(check, *node)) continue;
      if (taken && builder.AddNode(node.get(), searcher) != 0) {
        node.release();
        ++nodesDelivered_;
      }
      steps.Step();
    }
    if (taken) builder.FlashBuild(searcher);
    unbuilt_.reset();
  }
}

}  // namespace SaveRestoreResult
