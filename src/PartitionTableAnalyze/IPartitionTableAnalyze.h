#pragma once
// Reads the partition table of a whole disk (GPT, Apple partition map, MBR with its extended chain).
// Nothing is ever written.

#include <list>

#include "PartitionTableAnalyze/PartitionEntry.h"
#include "Utility/ResultCode.h"
#include "include/IStorageDevice.h"
#include "include/IStorageDeviceData.h"

class IPartitionTableAnalyze {
 public:
  virtual ~IPartitionTableAnalyze() = default;

  // Clears `out`, checks that `disk` is a physical whole disk with its record, then reads the table of
  // the scheme GetDiskType finds. A disk without a known table gives 0 and an empty list.
  virtual quellsy::ResultCode AnalyzePartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) = 0;
  // The scheme from sector 0: GPT (protective MBR over a primary or backup table that passes its checks),
  // APM ("ER"), MBR (0x55 0xAA), else none. A protective MBR over a table failing every check is none.
  virtual quellsy::ResultCode GetDiskType(IStorageDevice* disk, enumDiskPartitionScheme& scheme) = 0;
  // The disk's record through its disk holder.
  virtual quellsy::ResultCode GetDiskInfo(IStorageDevice* disk, CCollectDiskDeviceInfoStruct*& info) = 0;

  // One scheme each, without the whole-disk checks; each clears `out` first. Partitions reaching past
  // the disk's end are cut at it, and those starting at or past it are dropped. GPT without a sound
  // table is error 6 with an empty list.
  virtual quellsy::ResultCode AnalyzeGPTPartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) = 0;
  virtual quellsy::ResultCode AnalyzeAPMPartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) = 0;
  virtual quellsy::ResultCode AnalyzeMBRPartitionTable(IStorageDevice* disk, std::list<PartitionEntry>& out) = 0;
};

// A new analyser (null when memory is short), freed through its virtual destructor.
IPartitionTableAnalyze* CreatePartitionTableAnalyze();
