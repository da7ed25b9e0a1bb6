#pragma once
// The restore sink: a recovery controller hands it its tree builder in place of a search, and it delivers the
// saved roots, partition records and nodes of the roots that belong to the device being "scanned". A damaged
// file ends the delivery with the nodes read so far and leaves its error in LastError(); a file whose runs or size
// do not fit its partition and the device (RestoredNodeCheck) is left out and leaves the same error; one log line
// per delivery counts them and names the first.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "RecoveryController/RestoreScanSink.h"
#include "include/SearcherType.h"

class IRSData;

namespace SaveRestoreResult {

class RestoreFileNode;
class RestoredNodeCheck;

// How the device being restored is matched against a saved root.
struct RestoreTarget {
  std::string volumeName;  // empty: no name
  bool wholeDisk = false;  // every root belongs to a whole disk
  bool appleDmg = false;   // and every root to an Apple disk image
  // The very volume the saved scan was of: every root is its, whatever its name (a volume without a label has
  // none, and a label may read differently from the file system's own name).
  bool scannedVolume = false;
};

class ScanResultRestoreSink final : public RestoreScanSink {
 public:
  using TargetOf = std::function<RestoreTarget(IStorageDevice* device)>;

  // archive is read mode and stays open while the sink is used.
  ScanResultRestoreSink(IRSData& archive, TargetOf targetOf);
  ~ScanResultRestoreSink() override = default;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder, IProgress* progress, IStorageDevice* device) override;
  std::vector<CSearchedPartitionInfo*>& GetSearchedPartition(int searcherType, IStorageDevice* device) override;

  // The container error that ended a delivery (0 = none).
  std::uint32_t LastError() const { return lastError_; }
  // Roots taken and nodes handed to a builder, over every delivery.
  std::uint64_t RootsTaken() const { return rootsTaken_; }
  std::uint64_t NodesDelivered() const { return nodesDelivered_; }
  // Files left out because their runs or size did not fit.
  std::uint64_t NodesRefused() const { return nodesRefused_; }

 private:
  struct PartitionList {
    std::vector<std::unique_ptr<CSearchedPartitionInfo>> owned;
    std::vector<CSearchedPartitionInfo*> view;
  };
  void Deliver(IDirecotryTreeBuilder& builder, IProgress& progress, IStorageDevice* device,
               const RestoreTarget& target);
  // True (and logged, and the error kept) when the check refuses node.
  bool Refused(RestoredNodeCheck& check, RestoreFileNode& node);

  IRSData& archive_;
  TargetOf targetOf_;
  // The searcher whose root was announced and whose tree is not built yet: a damaged file still shows it.
  std::optional<_tagSearcherType> unbuilt_;
  // By the device the roots were delivered to, then searcher type.
  std::map<std::pair<IStorageDevice*, int>, PartitionList> partitions_;
  std::uint32_t lastError_ = 0;
  std::uint64_t rootsTaken_ = 0;
  std::uint64_t nodesDelivered_ = 0;
  std::uint64_t nodesRefused_ = 0;
  std::uint64_t refusalsLogged_ = 0;  // of nodesRefused_, those a log line told of
  std::string firstRefusal_;          // the first refused since
};

}  // namespace SaveRestoreResult
