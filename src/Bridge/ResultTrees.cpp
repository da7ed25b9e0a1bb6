#include "Bridge/ResultTrees.h"

#include <cstdio>
#include <system_error>

#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/NodeLock.h"

namespace quellsy::bridge {

ResultTrees& ResultTrees::Instance() {
  static ResultTrees trees;
  return trees;
}

void ResultTrees::ResetForTests() {
  ResultTrees& trees = Instance();
  trees.WaitForSearch();
  const std::lock_guard<std::mutex> hold(trees.lock_);
  trees.ResetLocked();
  trees.holdBack_ = false;
  trees.typeTree_ = trees.createTree_ = trees.modifyTree_ = nullptr;
}

ResultTrees::ResultTrees() : lock_(NodeLock()) {}

ResultTrees::~ResultTrees() { WaitForSearch(); }

void ResultTrees::SetGroupTree(NODE_TREE_TYPE kind, IGroupTree* tree) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (kind == NODE_TREE_FILE_TYPE) typeTree_ = tree;
  if (kind == NODE_TREE_CREATION_TIME) createTree_ = tree;
  if (kind == NODE_TREE_MODIFICATION_TIME) modifyTree_ = tree;
}

IGroupTree* ResultTrees::Group(NODE_TREE_TYPE kind) const {
  if (kind == NODE_TREE_FILE_TYPE) return typeTree_;
  if (kind == NODE_TREE_CREATION_TIME) return createTree_;
  if (kind == NODE_TREE_MODIFICATION_TIME) return modifyTree_;
  return nullptr;
}

void ResultTrees::Reset() {
  const std::lock_guard<std::mutex> hold(lock_);
  ResetLocked();
}

void ResultTrees::ResetLocked() {
  folders_.clear();
  folderIds_.clear();
  deferredFolders_.clear();
  deferredFiles_.clear();
  filesRead_ = 0;
  lastPost_ = 0;
  ++generation_;
}

void ResultTrees::NewScan() {
  const std::lock_guard<std::mutex> hold(lock_);
  ++scanGeneration_;
  ResetLocked();
  ClearGroupsLocked();
}

void ResultTrees::ClearGroups() {
  const std::lock_guard<std::mutex> hold(lock_);
  ClearGroupsLocked();
}

void ResultTrees::ClearGroupsLocked() {
  for (IGroupTree* tree : {typeTree_, createTree_, modifyTree_}) {
    if (!tree) continue;
    tree->SetSearch(false);
    tree->Clear(scanGeneration_);
  }
}

void ResultTrees::RefreshGroupMarks() {
  const std::lock_guard<std::mutex> hold(lock_);
  for (IGroupTree* tree : {typeTree_, createTree_, modifyTree_})
    if (tree) tree->SetNeedRefresh();
}

bool ResultTrees::TakeUpdateTurn(int force, std::int64_t now) {
  if (force) return true;
  const std::lock_guard<std::mutex> hold(lock_);
  if (now - lastPost_ < kPostInterval) return false;
  lastPost_ = now;
  return true;
}

void ResultTrees::BuildPass(KDUIScan& scan, int force) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (holdBack_) return;
  BuildKind(scan, NODE_TREE_FILE_TYPE, force);
  BuildKind(scan, NODE_TREE_CREATION_TIME, force);
  BuildKind(scan, NODE_TREE_MODIFICATION_TIME, force);
  BuildKind(scan, NODE_TREE_PATH, force);
}

void ResultTrees::RebuildAll(KDUIScan& scan, bool clearRoots) {
  const std::lock_guard<std::mutex> hold(lock_);
  holdBack_ = false;
  if (clearRoots) {
    for (IFileNode* root : scan.GetFileSystemNode()) {
      root->ShowNode(1);
      root->SetCheck(CHECKED_STATUS_UNCHECKED);
    }
  }
  ClearGroupsLocked();
  ResetLocked();
  BuildKind(scan, NODE_TREE_FILE_TYPE, 2);
  BuildKind(scan, NODE_TREE_CREATION_TIME, 2);
  BuildKind(scan, NODE_TREE_MODIFICATION_TIME, 2);
  BuildKind(scan, NODE_TREE_PATH, 2);
}

void ResultTrees::BuildKind(KDUIScan& scan, int kind, int force) {
  if (kind == NODE_TREE_PATH) {
    BuildPathLocked(scan, force);
  } else if (IGroupTree* tree = Group(static_cast<NODE_TREE_TYPE>(kind))) {
    tree->Refresh(scan);
  }
}

void ResultTrees::BuildPathLocked(KDUIScan& scan, int force) {
  // The status poll and the update notification skip their work while the tree is half built.
  scan.SetOpTreeFinished(0);
  const KDUIScan::NodeList fresh = force == 2 ? scan.KDGetAllPathNode() : scan.KDGetNewPathNode();
  std::vector<IFileNode*> waiting = PlaceFolders(fresh);
  deferredFolders_.insert(deferredFolders_.end(), waiting.begin(), waiting.end());
  deferredFolders_ = PlaceFolders(deferredFolders_);
  for (int pass = 0; force && !deferredFolders_.empty() && pass < kMaxDeferredPasses; ++pass) {
    const std::size_t before = deferredFolders_.size();
    deferredFolders_ = PlaceFolders(deferredFolders_);
    if (deferredFolders_.size() == before) break;  // no parent appeared: more passes place nothing
  }
  const KDUIScan::NodeList files = scan.KDGetFileNodesSince(filesRead_);
  filesRead_ += files.size();
  deferredFiles_.insert(deferredFiles_.end(), files.begin(), files.end());
  deferredFiles_ = PlaceFiles(deferredFiles_);
  if (force && (!deferredFolders_.empty() || !deferredFiles_.empty()))
    std::printf("qwmark: lost filenode:%lu\n", static_cast<unsigned long>(deferredFolders_.size() + deferredFiles_.size()));
  scan.SetOpTreeFinished(1);
}

std::vector<IFileNode*> ResultTrees::PlaceFolders(const std::vector<IFileNode*>& nodes) {
  std::vector<IFileNode*> waiting;
  for (IFileNode* node : nodes) {
    if (!node || folderIds_.count(node)) continue;
    IFileNode* parent = node->GetParent();
    if (!parent) {
      AddFolder(node, PathTreeEntry::kNoParent);
      continue;
    }
    const auto found = folderIds_.find(parent);
    if (found == folderIds_.end())
      waiting.push_back(node);
    else
      AddFolder(node, found->second);
  }
  return waiting;
}

std::vector<IFileNode*> ResultTrees::PlaceFiles(const std::vector<IFileNode*>& files) {
  std::vector<IFileNode*> waiting;
  for (IFileNode* file : files) {
    IFileNode* parent = file ? file->GetParent() : nullptr;
    if (!parent) continue;  // a file outside every tree has no place in the path view
    const auto found = folderIds_.find(parent);
    if (found == folderIds_.end())
      waiting.push_back(file);
    else
      folders_[found->second].files.push_back(file);
  }
  return waiting;
}

std::size_t ResultTrees::AddFolder(IFileNode* node, std::size_t parent) {
  const std::size_t id = folders_.size();
  Folder folder;
  folder.entry.id = id;
  folder.entry.parent = parent;
  folder.entry.node = node;
  folder.entry.directory = node->IsDirectory();
  folder.entry.deleted = node->IsDeleted();
  folder.entry.root = parent == PathTreeEntry::kNoParent ? 1 : 0;
  folders_.push_back(std::move(folder));
  folderIds_[node] = id;
  if (parent != PathTreeEntry::kNoParent) folders_[parent].children.push_back(id);
  return id;
}

bool ResultTrees::AddFolderChain(IFileNode* node, std::size_t& id) {
  std::vector<IFileNode*> missing;
  IFileNode* known = node;
  while (known && !folderIds_.count(known)) {
    if (static_cast<int>(missing.size()) >= KDUIPublic::kMaxClimb) return false;
    missing.push_back(known);
    known = known->GetParent();
  }
  std::size_t parent = known ? folderIds_[known] : PathTreeEntry::kNoParent;
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) parent = AddFolder(*it, parent);
  id = parent;
  return true;
}

void ResultTrees::BuildSearchPath(const std::vector<IFileNode*>& hits) {
  for (IFileNode* hit : hits) {
    IFileNode* parent = hit ? hit->GetParent() : nullptr;
    std::size_t id = 0;
    if (parent && AddFolderChain(parent, id)) folders_[id].files.push_back(hit);
  }
}

PathTreeTail ResultTrees::PathTail(std::size_t from) const {
  const std::lock_guard<std::mutex> hold(lock_);
  PathTreeTail tail;
  tail.generation = generation_;
  tail.scan = scanGeneration_;
  for (std::size_t id = from; id < folders_.size(); ++id) tail.entries.push_back(folders_[id].entry);
  return tail;
}

std::size_t ResultTrees::PathSize() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return folders_.size();
}

std::vector<IFileNode*> ResultTrees::ChildFiles(std::size_t id) const {
  const std::lock_guard<std::mutex> hold(lock_);
  std::vector<IFileNode*> shown;
  if (id >= folders_.size()) return shown;
  for (IFileNode* file : folders_[id].files)
    if (file->IsNodeShow()) shown.push_back(file);
  return shown;
}

std::size_t ResultTrees::ChildrenCount(std::size_t id) const {
  const std::lock_guard<std::mutex> hold(lock_);
  if (id >= folders_.size()) return 0;
  std::size_t count = 0;
  for (std::size_t child : folders_[id].children) count += folders_[child].children.size();
  return count;
}

std::size_t ResultTrees::DeferredCount() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return deferredFolders_.size() + deferredFiles_.size();
}

bool ResultTrees::StartSearch(KDUIScan& scan, const std::string& key, const std::string& name,
                              std::function<void()> before, std::function<void()> finished) {
  const std::lock_guard<std::mutex> hold(searchLock_);
  if (!searchDone_) {
    std::printf("++++++++++skip search key:%s++++++++\n", key.c_str());
    return false;
  }
  if (searchThread_.joinable()) searchThread_.join();
  scan.SetSearching(1);
  scan.SetSearchKey(key.c_str());
  searchDone_ = false;
  try {
    searchThread_ = std::thread([this, &scan, name, before = std::move(before), finished = std::move(finished)] {
      if (before) before();
      RunSearch(scan, name);
      searchDone_ = true;
      if (finished) finished();
    });
  } catch (const std::system_error&) {
    searchDone_ = true;
    return false;
  }
  return true;
}

void ResultTrees::WaitForSearch() {
  const std::lock_guard<std::mutex> hold(searchLock_);
  if (searchThread_.joinable()) searchThread_.join();
}

void ResultTrees::RunSearch(KDUIScan& scan, const std::string& name) {
  static constexpr int kBuildOrder[4][4] = {
      {NODE_TREE_PATH, NODE_TREE_FILE_TYPE, NODE_TREE_CREATION_TIME, NODE_TREE_MODIFICATION_TIME},
      {NODE_TREE_FILE_TYPE, NODE_TREE_CREATION_TIME, NODE_TREE_MODIFICATION_TIME, NODE_TREE_PATH},
      {NODE_TREE_CREATION_TIME, NODE_TREE_FILE_TYPE, NODE_TREE_MODIFICATION_TIME, NODE_TREE_PATH},
      {NODE_TREE_MODIFICATION_TIME, NODE_TREE_FILE_TYPE, NODE_TREE_CREATION_TIME, NODE_TREE_PATH},
  };
  const int view = scan.GetScanType();
  const bool shown = view >= NODE_TREE_PATH && view <= NODE_TREE_MODIFICATION_TIME;
  KDUIScan::NodeList hits;
  // The shown tree first, and the windows told, before the others: each step under the lock, the telling not.
  const auto build = [&](int step) {
    const int kind = kBuildOrder[view][step];
    if (kind == NODE_TREE_PATH)
      BuildSearchPath(hits);
    else
      BuildKind(scan, kind, 1);
  };
  {
    const std::lock_guard<std::mutex> hold(lock_);
    for (IGroupTree* tree : {typeTree_, createTree_, modifyTree_}) {
      if (!tree) continue;
      tree->Clear(scanGeneration_);
      tree->SetSearch(true);
    }
    ResetLocked();
    scan.DoSearch(hits);
    // The scan's delivered files are all accounted for by the search: later passes read only newer ones.
    filesRead_ = scan.KDGetFileNodeCount();
    if (shown) build(0);
  }
  if (shown) {
    KDUIPublic::NotifyMainThread(name);
    const std::lock_guard<std::mutex> hold(lock_);
    for (int step = 1; step < 4; ++step) build(step);
  }
  KDUIPublic::NotifyMainThread(kSearchFinishedNotification);
  scan.SetNeedUIUpdate(0);
}

std::vector<IFileNode*> ResultTrees::SelectedFiles(KDUIScan& scan, std::uint64_t& size) {
  std::vector<IFileNode*> checked;
  const std::lock_guard<std::mutex> hold(NodeLock());
  for (IFileNode* node : scan.KDGetFileNodesSince(0)) {
    if (!node->IsNodeShow() || node->GetCheckedStatus() != CHECKED_STATUS_CHECKED) continue;
    checked.push_back(node);
    if (node->GetFileSize() > 0) size += static_cast<std::uint64_t>(node->GetFileSize());
  }
  return checked;
}

}  // namespace quellsy::bridge
