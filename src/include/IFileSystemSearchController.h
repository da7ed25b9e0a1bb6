#pragma once
// The searcher interfaces the engines implement and the tree builder and tree sink they feed.

#include <chrono>
#include <map>
#include <mutex>

#include "include/IFileNode.h"
#include "include/IProgress.h"
#include "include/SearcherType.h"

class CSearchedPartitionInfo;
class IDirecotryTreeBuilder;
class IRecoveryFilter;
class IStorageDevice;
class TBitmap;

class IFileSystemSearchController {
 public:
  // The searcher hands every node it finds to builder; it does not own it.
  virtual void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) = 0;
  // With out null: the number of partition records held. With capacity below that number: 0 and nothing
  // allocated. Otherwise fills out[0..n-1] with new clones owned by the caller and returns n.
  virtual int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) = 0;

 protected:
  ~IFileSystemSearchController() = default;  // destroyed through the subinterfaces
};

class IQuickFileSystemSearchController : public IFileSystemSearchController {
 public:
  virtual ~IQuickFileSystemSearchController() = default;
  // Reads the volume's surviving metadata and delivers the nodes to the builder; synchronous.
  virtual unsigned long long QuickSearchFiles(IStorageDevice* device, IProgress* progress) = 0;
};

// Driven as: SetDevice, SetBlockSize, SetDirecotryTreeBuilder, SetBitmap, PreparetoSearch (not when a saved
// result is restored), AnalyzeBlock once per block in ascending order, then EndSearch(shouldBuild()).
class ICompleteFileSystemSearchController : public IFileSystemSearchController {
 public:
  virtual ~ICompleteFileSystemSearchController() = default;
  virtual void SetDevice(IStorageDevice* device) = 0;  // the read-ahead cached device
  virtual void SetBlockSize(int sectors) = 0;
  virtual void PreparetoSearch() = 0;
  virtual void EndSearch(int /*buildTree*/) {}
  virtual void AnalyzeBlock(long long firstSector, long long sectorCount) = 0;
  virtual void SetIProgressSink(IProgress* /*progress*/) {}
  // The bitmap shared by all searchers of one scan.
  virtual void SetBitmap(TBitmap* /*bitmap*/) {}
  // Sector -> file type found there, shared by the FAT and signature searchers.
  virtual void SetFileSectorMap(std::map<long long, unsigned int>* /*map*/) {}
  virtual TBitmap* GetBitmap() { return nullptr; }
  // True tells the HFS+ searcher that the device is itself an HFS+ volume.
  virtual bool SetActivePartition(bool active) { return active; }
};

// The tree sink, implemented by the application's scan operation.
class IDrirectoryTree {
 public:
  virtual ~IDrirectoryTree() = default;
  // The sink keeps the node pointers; the array stays the caller's.
  virtual void ShowNodes(IFileNode** nodes, unsigned int count, int flag) = 0;
  // Announces a searcher's root before any of its nodes.
  virtual void ShowFilesystemNode(IFilesystemNode* root) = 0;
  // How long the scan pauses after showing a root, before that root's first batch. A window needs the time to
  // lay the new tree out (its sink returns kWindowRootPause); a sink with no window lets the scan go straight on.
  virtual std::chrono::milliseconds PauseAfterRoot() const { return std::chrono::milliseconds{0}; }
  static constexpr std::chrono::milliseconds kWindowRootPause{1000};
  // The lock under which the tree builder changes nodes it may already have shown (the links and the check
  // sums rolled up through them, runs, sizes, the deleted mark); the sink's own readers of shown nodes hold it
  // too. Null when nothing reads shown nodes while the scan runs. The builder lets go of it while it hands
  // nodes to the sink.
  virtual std::mutex* NodeLock() { return nullptr; }
};

class IDirecotryTreeBuilder {
 public:
  virtual ~IDirecotryTreeBuilder() = default;
  virtual int Initialize(const char* description, IDrirectoryTree* sink, IRecoveryFilter* filter) = 0;
  // Non-zero when the builder took the node (it owns it from then on); a refused node stays the caller's.
  virtual int AddNode(IFileNode* node, _tagSearcherType searcher) = 0;
  // Announces a searcher (or partition) and makes the root of its tree before its first node.
  virtual void AddSearcherInfo(_tagSearcherType searcher, long long rootNodeID) = 0;
  // Builds that searcher's tree and delivers it to the tree sink.
  virtual void FlashBuild(_tagSearcherType searcher) = 0;
  virtual void Release() = 0;
  // Stored for the next build; partition may be null.
  virtual void SetPartitonDevice(CSearchedPartitionInfo* partition, IStorageDevice* device) = 0;
};
