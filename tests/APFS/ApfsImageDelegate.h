#pragma once
// The owner a container parser needs, over an image file: reads 4096-byte blocks from the container's start
// sector with pread, keeps the nodes handed over in order, and can rebuild each node's path and contents.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "APFS/APFSContainerParser.h"

namespace quellsy::test {

class ApfsImageDelegate : public APFSDelegate {
 public:
  explicit ApfsImageDelegate(const std::filesystem::path& image, unsigned sectorSize = 512);
  ~ApfsImageDelegate() override;
  ApfsImageDelegate(const ApfsImageDelegate&) = delete;
  ApfsImageDelegate& operator=(const ApfsImageDelegate&) = delete;

  bool IsContinue() override { return true; }
  void AddFileNode(APFSFileNode* node) override { handed.push_back(node); }
  int ReadBlocks(APFSContainerParser& container, std::uint64_t block, std::uint32_t bytes,
                 std::uint8_t* buffer) override;
  std::uint64_t DeviceBlocks(APFSContainerParser& container) override;

  bool IsOpen() const { return fd_ >= 0; }
  // "a/b/c" through the search-time parent links, stopping below the volume's root folder (key 2).
  static std::string PathOf(const APFSFileNode& node);
  // The node's data: its data runs (sectors from the container's start) cut to the node's size.
  std::vector<std::uint8_t> Contents(const APFSContainerParser& container, const APFSFileNode& node) const;

  std::vector<APFSFileNode*> handed;

 private:
  int fd_ = -1;
  unsigned sectorSize_;
  std::uint64_t bytes_ = 0;
};

}  // namespace quellsy::test
