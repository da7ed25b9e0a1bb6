#pragma once
// Collects the nodes of every searcher of one scan into one tree per searcher type: links each node under
// its parent once the chain of parents reaches the searcher's root, applies the result filter, treats
// trash and recycle-bin folders, and hands the linked nodes to the tree sink in batches, a root first.
// At the end of each searcher (FlashBuild) it gathers what never reached a root under "Other lost files"
// and releases what was never shown. Nodes it accepts are its own; shown ones live as long as it does.

#include <chrono>
#include <functional>
#include <map>
#include <span>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "DirectoryTreeBuilder/FilesystemNode.h"
#include "DirectoryTreeBuilder/NodeIdTable.h"
#include "DirectoryTreeBuilder/NodePointerSet.h"
#include "DirectoryTreeBuilder/PendingNodes.h"
#include "DirectoryTreeBuilder/RecycleBinHolding.h"
#include "DirectoryTreeBuilder/TreeBuilderClock.h"
#include "include/IFileSystemSearchController.h"

class IRecoveryFilter;

// One searcher's tree.
struct _DIRECTORY_TREE_INFO {
  CPendingNodes pending;  // accepted, not yet delivered
  std::vector<IFileNode*> userTrashCandidates;
  CNodeIdTable directories;
  CNodeIdTable files;
  std::vector<IFileNode*> shown;  // every node handed to the sink since the last flush
  std::vector<long long> privateFolderIDs;  // HFS+ only
  std::unique_ptr<CFilesystemNode> root;
  long long rootID = 0;  // the parent ID the searcher gives its top-level nodes
  long long trashFolderID = 0;  // 0 = none found
  unsigned int pendingCount = 0;  // accepted since the last build
  long long shownTotal = 0;
  long long addedTotal = 0;
  std::chrono::milliseconds lastBuild{0};
  bool trashFound = false;
  bool rootShown = false;
};

class CDirectoryTreeBuilder : public IDirecotryTreeBuilder {
 public:
  using UserHomeSource = std::function<std::optional<std::string>()>;

  // A build waits for this many pending nodes or this much time, so that the sink receives batches.
  static constexpr unsigned int kBuildBatch = 1024;
  static constexpr std::chrono::milliseconds kBuildDeferral{3000};

  // restore: a saved scan result is being read back (duplicates are kept, no HFS+ private-folder rule).
  explicit CDirectoryTreeBuilder(bool restore);
  // The clock and the user's home folder are the tests' to choose.
  CDirectoryTreeBuilder(bool restore, ITreeBuilderClock& clock, UserHomeSource userHome);
  ~CDirectoryTreeBuilder() override;
  CDirectoryTreeBuilder(const CDirectoryTreeBuilder&) = delete;
  CDirectoryTreeBuilder& operator=(const CDirectoryTreeBuilder&) = delete;

  // 0 when an argument is null; an empty description becomes "Disk".
  int Initialize(const char* description, IDrirectoryTree* sink, IRecoveryFilter* filter) override;
  // 1 when taken (the builder owns the node from then on), 0 when refused (the caller keeps it).
  int AddNode(IFileNode* node, _tagSearcherType searcher) override;
  // A known searcher only gets the new root ID.
  void AddSearcherInfo(_tagSearcherType searcher, long long rootNodeID) override;
  void FlashBuild(_tagSearcherType searcher) override;
  void Release() override;
  void SetPartitonDevice(CSearchedPartitionInfo* partition, IStorageDevice* device) override;

  // Among several nodes found under one parent ID: an intact folder of node's partition that lies below the
  // folder stopID, else the first folder of node's partition, else the first candidate.
  static IFileNode* GetCorrectParent(long long stopID, std::span<IFileNode* const> candidates, IFileNode* node);

 private:
  class NodeHold;

  _DIRECTORY_TREE_INFO* FindTree(_tagSearcherType searcher);
  // AddNode for a node that is not ours yet, and for the recycle-bin nodes given back at a flush.
  int AcceptNode(IFileNode* node, _tagSearcherType searcher);
  bool IsHfsPrivateFolder(const _DIRECTORY_TREE_INFO& tree, IFileNode* node, _tagSearcherType searcher) const;
  void DropDirectoriesBelow(_DIRECTORY_TREE_INFO& tree, long long folderID);
  // Marks a trash folder; true when node is a trash folder to look at again once its parents are known.
  bool TreatTrashFolder(_DIRECTORY_TREE_INFO& tree, IFileNode* node);
  bool IsUserTrashFolder(const _DIRECTORY_TREE_INFO& tree, IFileNode* node) const;
  bool RecordFileNode(CNodeIdTable& map, IFileNode* node) const;
  IFileNode* ParentOf(const _DIRECTORY_TREE_INFO& tree, IFileNode* node) const;
  // Links node and as many of its parents as are known; true when node itself was linked.
  bool LinkToParents(_DIRECTORY_TREE_INFO& tree, IFileNode* node);
  // After node's branch reached the root: every pending node in it is due.
  void ScheduleBranch(_DIRECTORY_TREE_INFO& tree, IFileNode* node) const;
  bool BuildTree(_DIRECTORY_TREE_INFO& tree, std::vector<IFileNode*>& out, bool forced);
  void BuildAndShowUntilDone(_DIRECTORY_TREE_INFO& tree);
  bool MarkAllDeletedFiles(_DIRECTORY_TREE_INFO& tree) const;
  bool BuildLostNodes(_DIRECTORY_TREE_INFO& tree, std::vector<IFileNode*>& out);
  void ShowNodes(_DIRECTORY_TREE_INFO& tree, std::vector<IFileNode*>& nodes, int flag);
  void RestoreRecycleBin(_tagSearcherType searcher);
  void QueueUnlinkedFiles(_DIRECTORY_TREE_INFO& tree);
  // At the end of a flush: releases the nodes of the ID tables that were never shown, and empties the tables,
  // pending and shown.
  void ReleaseUnshown(_DIRECTORY_TREE_INFO& tree);
  // Unlinks node from its parent and its children, then releases it.
  void ReleaseOwned(IFileNode* node);
  bool IsFileBelow(IFileNode* folder) const;
  const IFileNode* TopOf(const IFileNode* node) const;

  bool m_restore;
  std::vector<std::unique_ptr<_DIRECTORY_TREE_INFO>> m_trees;
  IDrirectoryTree* m_sink = nullptr;
  IRecoveryFilter* m_filter = nullptr;
  std::string m_description = "Disk";
  CRecycleBinHolding m_recycleBin;
  IStorageDevice* m_partitionDevice = nullptr;
  CSearchedPartitionInfo* m_partition = nullptr;
  bool m_flushing = false;
  // The sink's node lock while a call into the builder holds it; ShowNodes lets go of it around the sink.
  std::unique_lock<std::mutex>* m_nodeHold = nullptr;

  ITreeBuilderClock& m_clock;
  UserHomeSource m_userHomeSource;
  std::optional<std::string> m_userHome;  // with a trailing "/"
  // Every node the builder owns except the roots: what its destructor releases.
  CNodePointerSet m_owned;
};

// A new builder, or null when memory runs out.
IDirecotryTreeBuilder* CreateTreeBuilder(bool restore);
