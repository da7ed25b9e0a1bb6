#pragma once
// The reader of a saved scan result, implemented by the application: when a saved result is opened instead of
// scanned, the controllers hand it their tree builder in place of the searchers, and take the partition records
// for copying files out from it.

#include <vector>

class CSearchedPartitionInfo;
class IDirecotryTreeBuilder;
class IProgress;
class IStorageDevice;

class RestoreScanSink {
 public:
  virtual ~RestoreScanSink() = default;
  // Reads the saved roots, partition records and nodes and delivers them to builder, reporting through progress.
  virtual void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder, IProgress* progress,
                                       IStorageDevice* device) = 0;
  // The records saved for that searcher type and delivered to device (each volume of a disk scanned quickly has
  // its own, even where two volumes share a file system), owned by the sink; an absent pair gives (and keeps) an
  // empty list.
  virtual std::vector<CSearchedPartitionInfo*>& GetSearchedPartition(int searcherType, IStorageDevice* device) = 0;
};
