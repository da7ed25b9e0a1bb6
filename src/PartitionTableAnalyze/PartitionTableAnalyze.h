#pragma once
// The partition-table analyser: picks the scheme of a disk and hands the reading to its reader.
// It keeps no state.

#include "PartitionTableAnalyze/IPartitionTableAnalyze.h"

class CPartitionTableAnalyze final : public IPartitionTableAnalyze {
 public:
  quellsy::ResultCode AnalyzePartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) override;
  quellsy::ResultCode GetDiskType(IStorageDevice* disk, enumDiskPartitionScheme& scheme) override;
  quellsy::ResultCode GetDiskInfo(IStorageDevice* disk, CCollectDiskDeviceInfoStruct*& info) override;

  // Both refuse a dynamic disk (a slot of type 0x42) with error 3 and an empty list.
  quellsy::ResultCode AnalyzeGPTPartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) override;
  quellsy::ResultCode AnalyzeMBRPartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) override;
  quellsy::ResultCode AnalyzeAPMPartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) override;

 private:
  static quellsy::ResultCode RefuseDynamicDisk(IStorageDevice* disk);
};
