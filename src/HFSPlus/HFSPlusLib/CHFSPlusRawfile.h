#pragma once
// One special file of the volume (extents, attributes or catalog) read by byte offset through its extents.

#include <cstdint>
#include <vector>

#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "Utility/ResultCode.h"

class CHFSPlusVolume;

class CHFSPlusRawfile {
 public:
  // Chains the fork's extents, looking up the overflow tree past the eighth; a failure stays in GetLastError.
  CHFSPlusRawfile(CHFSPlusVolume* volume, std::uint32_t fileID, const HFSPlusForkData& fork);
  virtual ~CHFSPlusRawfile() = default;
  CHFSPlusRawfile(const CHFSPlusRawfile&) = delete;
  CHFSPlusRawfile& operator=(const CHFSPlusRawfile&) = delete;

  // Bytes copied; fewer when the chain ends or the device fails before length.
  virtual std::uint64_t Read(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length);

  quellsy::ResultCode GetLastError() const { return lastError_; }
  std::uint32_t FileID() const { return fileID_; }
  const std::vector<HFSPlusExtentDescriptor>& Extents() const { return chain_; }
  // Bytes the chain covers.
  std::uint64_t ChainBytes() const;

 protected:
  std::uint64_t ReadThroughChain(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length);

  CHFSPlusVolume* volume_;
  std::uint32_t fileID_;
  quellsy::ResultCode lastError_ = quellsy::kResultOk;
  std::vector<HFSPlusExtentDescriptor> chain_;
};
