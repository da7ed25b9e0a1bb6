#pragma once
// The owner an APFS container parser needs, over a fuzz input's bytes (4096-byte blocks from byte 0).

#include <cstdint>
#include <cstring>
#include <vector>

#include "APFS/APFSContainerParser.h"

class FuzzApfsDelegate : public APFSDelegate {
 public:
  explicit FuzzApfsDelegate(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  bool IsContinue() override { return true; }
  void AddFileNode(APFSFileNode* node) override {
    // Touch what the tree builder would read.
    (void)node->GetFileName();
    (void)node->GetFileSize();
    ++handed;
  }
  int ReadBlocks(APFSContainerParser&, std::uint64_t block, std::uint32_t bytes, std::uint8_t* buffer) override {
    const std::uint64_t blocks = bytes_.size() / 4096;
    if (block >= blocks || bytes > (blocks - block) * 4096) return 0;
    std::memcpy(buffer, bytes_.data() + block * 4096, bytes);
    return 1;
  }
  std::uint64_t DeviceBlocks(APFSContainerParser&) override { return bytes_.size() / 4096; }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t handed = 0;

 private:
  std::vector<std::uint8_t> bytes_;
};
