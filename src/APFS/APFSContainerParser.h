#pragma once
// Everything the APFS engine knows about one container (or one volume found without its container) while a
// scan runs: the walk from the container superblock through the object maps to every volume and file-system
// tree node, the loose nodes the block-by-block search hands in, and the joining of their inode,
// directory-record and extent records into nodes. Reads and hand-overs go through the owner.

#include <array>
#include <cstdint>
#include <memory>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "APFS/APFSFileNode.h"
#include "APFS/ApfsFormat.h"
#include "Utility/TBitmap.h"

class APFSContainerParser;

class APFSDelegate {
 public:
  virtual ~APFSDelegate() = default;
  // False when the scan is to stop.
  virtual bool IsContinue() = 0;
  // Hands a node to the tree builder; the parser keeps owning it.
  virtual void AddFileNode(APFSFileNode* node) = 0;
  // Reads `bytes` bytes from 4096-byte block `block` of the container; non-zero on success.
  virtual int ReadBlocks(APFSContainerParser& container, std::uint64_t block, std::uint32_t bytes,
                         std::uint8_t* buffer) = 0;
  // How many 4096-byte blocks the device holds from the container's start: no walk reaches past them.
  virtual std::uint64_t DeviceBlocks(APFSContainerParser& container) = 0;
};

class APFSContainerParser {
 public:
  APFSContainerParser(APFSDelegate& owner, std::uint32_t containerIndex, std::int64_t startSector);
  APFSContainerParser(const APFSContainerParser&) = delete;
  APFSContainerParser& operator=(const APFSContainerParser&) = delete;
  ~APFSContainerParser();

  // Values below 512 are ignored.
  void SetSectorSize(int sectorSize);
  // 0 when done, -1 when block 0 cannot be read, -2 when it fails the header tests.
  int WalkContainer();
  // Walks one volume whose superblock lies at `block`; same results.
  int WalkVolume(std::uint64_t block);
  // One loose 4096-byte block at device sector `sector`, device block `block`.
  void AnalyzeNode(std::int64_t sector, std::uint64_t block, quellsy::ByteSpan data);
  // Applies the records of one file-system-tree node found at `foundBlock`.
  void ApplyNodeRecords(quellsy::ByteSpan node, std::uint64_t foundBlock);
  // Places and hands over what it can; `block` is the last block searched, all ones for the final pass. Between
  // final passes only the nodes touched since the last flush and those whose parent folder has since appeared
  // are looked at: no other pending node can have become placeable.
  void FlushPending(std::uint64_t block);
  // A volume found without its container, its superblock at `block`: spans `sectors`, and its walk stands for
  // the container's (what is met later counts as deleted). Results as WalkVolume.
  int WalkLoneVolume(std::uint64_t block, std::uint64_t sectors);

  std::int64_t StartSector() const { return m_startSector; }
  std::uint32_t SectorSize() const { return m_sectorSize; }
  std::uint32_t BlockSize() const { return m_blockSize; }
  std::uint64_t BlockCount() const { return m_blockCount; }
  std::uint32_t ContainerIndex() const { return m_index; }
  const std::string& ContainerName() const { return m_name; }
  bool Walked() const { return m_walked; }
  // The container's length in sectors (0 until its superblock was read).
  std::uint64_t Span() const { return m_span; }
  using Uuid = std::array<std::uint8_t, 16>;
  const Uuid& ContainerUuid() const { return m_uuid; }
  // Every node made so far and still owned, in the order made.
  std::vector<APFSFileNode*> Nodes() const;
  // The tree builder took the node for good: the parser no longer frees it (nor uses it once the search ended).
  void Disown(APFSFileNode& node);

 private:
  using Registry = std::multimap<std::uint64_t, APFSFileNode*>;
  struct Choice {
    APFSFileNode* exact = nullptr;
    APFSFileNode* best = nullptr;
    APFSFileNode* last = nullptr;
  };
  struct Made {
    bool directory = false;
    std::uint64_t key = 0;
    std::uint64_t parentKey = 0;
    std::string name;  // as stored
    bool extent = false;
  };

  bool Read(std::uint64_t block, std::vector<std::uint8_t>& into);
  bool Visit(std::uint64_t block);
  void EnsureVisited();
  void WalkVolumeInBuffer();
  void WalkObjectMapNode(quellsy::ByteSpan node, std::vector<std::uint64_t>& work);
  std::uint64_t KeyOf(std::uint64_t id) const { return id | (std::uint64_t{m_index} << 32); }
  Choice Choose(const Registry& registry, std::uint64_t key, std::uint64_t parentKey, const std::string* name,
                std::uint64_t recordTime, bool extent) const;
  APFSFileNode* MakeNode(const Made& made, const Choice& choice);
  APFSFileNode* NearestDirectory(std::uint64_t key, std::uint64_t block) const;
  void PlaceUnder(APFSFileNode& node, std::uint64_t parentKey);
  APFSFileNode* TakeOrMake(const Made& made, const Choice& choice);
  void HandOver(APFSFileNode& node);
  void Hand(APFSFileNode& node);
  void Remember(APFSFileNode& node);
  void FlushOne(std::size_t index, std::uint64_t block, bool final);
  std::set<std::size_t> TouchedSinceFlush();
  void ApplyInode(quellsy::ByteSpan value);
  void ApplyDirectory(std::uint64_t owner, quellsy::ByteSpan key, quellsy::ByteSpan value);
  void ApplyExtent(std::uint64_t owner, quellsy::ByteSpan key, quellsy::ByteSpan value);

  APFSDelegate& m_owner;
  std::uint32_t m_blockSize = quellsy::apfs::kBlockSize;
  std::uint32_t m_sectorSize = 512;
  std::uint32_t m_index = 0;
  std::int64_t m_startSector = 0;
  std::uint64_t m_firstBlock = 0;
  std::uint64_t m_blockCount = 0;
  std::uint64_t m_span = 0;
  Uuid m_uuid{};
  std::string m_name;
  bool m_walked = false;
  std::vector<std::uint8_t> m_buffer;
  TBitmap m_visited;
  std::uint64_t m_visitedLimit = 0;
  std::uint64_t m_currentBlock = 0;
  std::vector<std::unique_ptr<APFSFileNode>> m_nodes;
  std::map<const APFSFileNode*, std::size_t> m_order;
  Registry m_files;
  Registry m_directories;
  std::set<std::size_t> m_pending;
  // Pending nodes waiting for a folder with this key to appear (entries may be stale: checked when used).
  std::multimap<std::uint64_t, std::size_t> m_waiting;
  // Pending nodes touched, and folder keys made, since the last flush.
  std::set<std::size_t> m_touched;
  std::set<std::uint64_t> m_newFolders;
};
