#pragma once
// The four trees of found files the results window shows (by path, by file type, by creation and by
// modification month), owned here rather than by the window. The scan's operation thread and the search thread
// build them under the bridge's node lock (NodeLock.h), the one the tree builder changes shown nodes under; the
// window's thread only reads, under the same lock, what was appended since it last looked. The path tree is
// built here; the type and date trees are built by group trees handed in. Each scan's results carry a number of
// their own (the scan generation): a node of an earlier scan is never acted on.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "Bridge/IGroupTree.h"
#include "Bridge/NodeTreeType.h"
#include "include/IFileNode.h"

class KDUIScan;

namespace quellsy::bridge {

// One folder of the path tree: a file-system root or a folder below one. Ids are positions in the tree: a
// parent always has a smaller id than its children.
struct PathTreeEntry {
  static constexpr std::size_t kNoParent = std::numeric_limits<std::size_t>::max();

  std::size_t id = 0;
  std::size_t parent = kNoParent;
  IFileNode* node = nullptr;
  int directory = 0;
  int deleted = 0;
  int root = 0;

  bool operator==(const PathTreeEntry&) const = default;
};

// What the path tree gained since a view's last look. A view holding another generation starts over: the tree
// was emptied in between (a new scan or a search). scan names the scan the nodes belong to.
struct PathTreeTail {
  std::uint64_t generation = 0;
  std::uint64_t scan = 0;
  std::vector<PathTreeEntry> entries;
};

class ResultTrees {
 public:
  static constexpr const char* kSearchFinishedNotification = "DoSearchFinished";
  // A forced pass retries nodes waiting for their parent folder at most this often.
  static constexpr int kMaxDeferredPasses = 100;
  static constexpr std::int64_t kPostInterval = 2;

  static ResultTrees& Instance();
  // Tests: ends any search, empties the process-wide trees and forgets their group trees.
  static void ResetForTests();

  ResultTrees();
  ~ResultTrees();
  ResultTrees(const ResultTrees&) = delete;
  ResultTrees& operator=(const ResultTrees&) = delete;

  // Not owned; null for none. kind is the file-type or a date tree.
  void SetGroupTree(NODE_TREE_TYPE kind, IGroupTree* tree);

  // Empties every tree and the nodes waiting for their parents; the next unforced update is due at once.
  void Reset();
  // A scan or restore is about to replace the results: the scan generation moves on (nodes the windows hold from
  // now on name the new one) and every tree, the group trees too, is emptied. Once it returns, no reader under
  // the node lock acts on the old nodes any more, so they may be freed.
  void NewScan();
  // The number of the scan whose results the trees hold; moves on at every NewScan. Read with or without the
  // lock.
  std::uint64_t ScanGeneration() const { return scanGeneration_; }
  // The group trees forget everything (a scan starts).
  void ClearGroups();
  // The group trees work their check marks out again.
  void RefreshGroupMarks();
  // One building pass over what scan delivered since the last: the group trees, then the path tree. force 0
  // leaves nodes whose parent folder is not in the tree yet for the next pass; otherwise they are retried
  // until placed (at most kMaxDeferredPasses times); 2 takes every folder of the scan again.
  void BuildPass(KDUIScan& scan, int force);
  // While held, building passes add nothing; what the scan delivers meanwhile waits for the first pass after.
  void SetHoldBack(bool hold) { holdBack_ = hold; }
  bool HoldsBack() const { return holdBack_; }
  // Empties the path and group trees and builds them again from everything the scan delivered (after a
  // search, the whole results come back); with clearRoots each file-system root is shown and unchecked first.
  // Releases a hold.
  void RebuildAll(KDUIScan& scan, bool clearRoots);
  // Whether an update notification is due at second now: always when forced, else when kPostInterval seconds
  // passed since the last unforced one (which now becomes the last).
  bool TakeUpdateTurn(int force, std::int64_t now);

  PathTreeTail PathTail(std::size_t from) const;
  std::size_t PathSize() const;
  // The shown files directly inside folder id, in delivery order; empty for an unknown id.
  std::vector<IFileNode*> ChildFiles(std::size_t id) const;
  // The count shown beside folder id: the folders its sub-folders hold.
  std::size_t ChildrenCount(std::size_t id) const;
  // Folders and files still waiting for their parent folder.
  std::size_t DeferredCount() const;
  // Runs reader under the trees' lock: what the group trees hold is read only this way (or copied in it).
  template <typename Reader>
  auto Read(Reader&& reader) const {
    const std::lock_guard<std::mutex> hold(lock_);
    return reader();
  }

  // Starts a search for key on a thread of its own, unless the last search thread still runs: sets the scan's
  // searching flag and key; on the thread calls before (when given), builds the shown tree (scan's view type),
  // posts name, builds the others, posts kSearchFinishedNotification and calls finished (when given) last.
  bool StartSearch(KDUIScan& scan, const std::string& key, const std::string& name,
                   std::function<void()> before = nullptr, std::function<void()> finished = nullptr);
  // Waits for the search thread to end and joins it.
  void WaitForSearch();
  // Whether the last search thread still runs.
  bool SearchRunning() const { return !searchDone_; }

  // The shown files of scan that are checked, in delivery order; their sizes are added to size. Takes the node
  // lock.
  static std::vector<IFileNode*> SelectedFiles(KDUIScan& scan, std::uint64_t& size);

 private:
  struct Folder {
    PathTreeEntry entry;
    std::vector<std::size_t> children;
    std::vector<IFileNode*> files;
  };

  void ResetLocked();
  void ClearGroupsLocked();
  IGroupTree* Group(NODE_TREE_TYPE kind) const;
  void BuildKind(KDUIScan& scan, int kind, int force);
  void BuildPathLocked(KDUIScan& scan, int force);
  // Places every node whose parent folder is in the tree (roots at the top); returns those still waiting.
  std::vector<IFileNode*> PlaceFolders(const std::vector<IFileNode*>& nodes);
  std::vector<IFileNode*> PlaceFiles(const std::vector<IFileNode*>& files);
  std::size_t AddFolder(IFileNode* node, std::size_t parent);
  // The folder of node with every ancestor it lacks, climbing at most KDUIPublic::kMaxClimb parents; false
  // when the chain is longer.
  bool AddFolderChain(IFileNode* node, std::size_t& id);
  void BuildSearchPath(const std::vector<IFileNode*>& hits);
  void RunSearch(KDUIScan& scan, const std::string& name);

  // The bridge's node lock.
  std::mutex& lock_;
  std::vector<Folder> folders_;
  std::unordered_map<IFileNode*, std::size_t> folderIds_;
  std::vector<IFileNode*> deferredFolders_;
  std::vector<IFileNode*> deferredFiles_;
  std::size_t filesRead_ = 0;
  std::uint64_t generation_ = 0;
  std::atomic<std::uint64_t> scanGeneration_{1};
  std::int64_t lastPost_ = 0;
  IGroupTree* typeTree_ = nullptr;
  IGroupTree* createTree_ = nullptr;
  IGroupTree* modifyTree_ = nullptr;

  std::mutex searchLock_;
  std::thread searchThread_;
  std::atomic<bool> searchDone_{true};
  std::atomic<bool> holdBack_{false};
};

}  // namespace quellsy::bridge
