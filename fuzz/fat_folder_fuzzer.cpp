// FAT folder walks over arbitrary bytes: sector 0 picks the geometry, sector 1 is the allocation table
// (128 little-endian words), the data area starts at sector 2. The root and every folder found are walked
// breadth first, with the FAT32 repair on, as a quick scan would.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <map>
#include <vector>

#include "FATLib/CFATBuildChildren.h"
#include "FATLib/CFATFileNode.h"
#include "FATLib/IFATTable.h"
#include "FuzzBytesDevice.h"
#include "FuzzKeepingBuilder.h"
#include "Utility/ByteReader.h"
#include "include/IFileSystemSearchController.h"

namespace {

class WordTable : public IFATTable {
 public:
  explicit WordTable(quellsy::ByteSpan words) : m_words(words) {}
  std::uint32_t GetNextCluster(std::uint32_t cluster) override {
    return quellsy::le32(m_words, std::size_t{cluster} * 4).value_or(0);
  }

 private:
  quellsy::ByteSpan m_words;
};

// Every node has a name.
class KeepingBuilder : public FuzzKeepingBuilder {
 protected:
  void Check(IFileNode& node) override {
    if (node.GetFileName() == nullptr) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1024 || size > (1u << 20)) return 0;
  FuzzBytesDevice device(std::vector<std::uint8_t>(data, data + size), 512);
  const std::vector<std::uint8_t> table(data + 512, data + 1024);
  WordTable fat(table);

  FATBuildGeometry geometry;
  geometry.type = (data[0] & 1) != 0 ? FILE_SYSTEM_FAT16 : FILE_SYSTEM_FAT32;
  geometry.sectorsPerCluster = 1u << (data[1] % 8);
  geometry.rootCluster = 2 + data[2] % 8;
  geometry.rootStartSector = 2;
  geometry.rootSectorCount = 1 + data[3] % 4;
  geometry.firstDataSector = 2;
  geometry.totalSectors = static_cast<std::uint64_t>(device.GetTotalSectors());

  KeepingBuilder builder;
  CFATClusterSet readClusters;
  std::map<std::uint64_t, CFATFileNode*> folderMap;
  CFATBuildChildren children(&builder, nullptr, &device, readClusters, folderMap, &fat, geometry, "/nonexistent");
  CFATBuildChildren::FolderList folders;
  children.BuildRoot(folders, 1, 1);
  // Each folder's clusters are read once, so the walk ends; the bound only guards the target itself.
  for (int steps = 0; !folders.empty() && steps < 100000; ++steps) {
    CFATFileNode* folder = folders.front();
    folders.pop_front();
    children.BuildChildren(folder, static_cast<std::uint32_t>(folder->GetFATFileProperties()->GetFirstCluster()),
                           folders, 0, 1);
  }
  std::vector<std::uint8_t> entries(device.bytes().begin() + 1024, device.bytes().end());
  children.BuildChildrenFromBuffer(entries, nullptr, folders, data[4] & 1, 1);
  return 0;
}
