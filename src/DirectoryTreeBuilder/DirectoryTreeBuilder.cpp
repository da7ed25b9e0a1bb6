#include "DirectoryTreeBuilder/DirectoryTreeBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <unordered_set>

#include "DirectoryTreeBuilder/UserHome.h"
#include "include/IDataRunList.h"
#include "include/IRecoveryFilter.h"

namespace {

constexpr const char* kPrivateFolderName = "HFS+ Private Data";
constexpr const char* kLostFilesName = "Other lost files";
constexpr const char* kLostFilesVolume = "LostFiles";
constexpr long long kLostFilesID = -1;
// Linked trees are loop-free (AddChild refuses a loop); the bound is a second guard for the scan thread.
constexpr int kMaxClimb = 1 << 16;

const char* RootSuffix(_tagSearcherType searcher) {
  switch (searcher) {
    case SEARCHER_HFSPLUS: return "(HFS+)";
    case SEARCHER_FAT: return "(FAT/FAT32)";
    case SEARCHER_EXFAT: return "(ExFat)";
    case SEARCHER_RAW: return "(RAW Files)";
    case SEARCHER_NTFS: return "(NTFS)";
    case SEARCHER_LABEL: return "(Label RAW Files)";
    case SEARCHER_APFS: return "(APFS)";
    default: return "";
  }
}

const char* NameOf(const IFileNode* node) {
  const char* name = node->GetFileName();
  return name != nullptr ? name : "";
}

bool IsTrashName(const char* name) { return std::strcmp(name, ".Trashes") == 0 || std::strcmp(name, ".Trash") == 0; }

template <class Nodes>
void Erase(Nodes& nodes, const IFileNode* node) {
  nodes.erase(std::remove(nodes.begin(), nodes.end(), node), nodes.end());
}

}  // namespace

// Holds the sink's node lock over one call into the builder: the nodes it links, unlinks or amends may already
// be in the windows' hands.
class CDirectoryTreeBuilder::NodeHold {
 public:
  explicit NodeHold(CDirectoryTreeBuilder& builder) : builder_(builder) {
    std::mutex* lock = builder.m_sink != nullptr ? builder.m_sink->NodeLock() : nullptr;
    if (lock != nullptr) hold_ = std::unique_lock<std::mutex>(*lock);
    builder.m_nodeHold = &hold_;
  }
  ~NodeHold() { builder_.m_nodeHold = nullptr; }
  NodeHold(const NodeHold&) = delete;
  NodeHold& operator=(const NodeHold&) = delete;

 private:
  CDirectoryTreeBuilder& builder_;
  std::unique_lock<std::mutex> hold_;
};

CDirectoryTreeBuilder::CDirectoryTreeBuilder(bool restore)
    : CDirectoryTreeBuilder(restore, CSteadyTreeBuilderClock::Instance(), UserHomeFolder) {}

CDirectoryTreeBuilder::CDirectoryTreeBuilder(bool restore, ITreeBuilderClock& clock, UserHomeSource userHome)
    : m_restore(restore), m_clock(clock), m_userHomeSource(std::move(userHome)) {}

CDirectoryTreeBuilder::~CDirectoryTreeBuilder() {
  // Node destructors do not follow links, so any order is right; in address order the allocator gives the memory
  // back in long runs instead of in scattered pieces.
  std::vector<IFileNode*> owned = m_owned.Take();
  std::sort(owned.begin(), owned.end(), std::less<>());
  for (IFileNode* node : owned) node->Release();
}

void CDirectoryTreeBuilder::Release() { delete this; }

int CDirectoryTreeBuilder::Initialize(const char* description, IDrirectoryTree* sink, IRecoveryFilter* filter) {
  if (description == nullptr || sink == nullptr || filter == nullptr) return 0;
  m_description = description[0] != '\0' ? description : "Disk";
  m_sink = sink;
  m_filter = filter;
  m_flushing = false;
  m_userHome = m_userHomeSource ? m_userHomeSource() : std::nullopt;
  if (m_userHome && (m_userHome->empty() || m_userHome->back() != '/')) m_userHome->push_back('/');
  return 1;
}

void CDirectoryTreeBuilder::SetPartitonDevice(CSearchedPartitionInfo* partition, IStorageDevice* device) {
  m_partition = partition;
  m_partitionDevice = device;
}

_DIRECTORY_TREE_INFO* CDirectoryTreeBuilder::FindTree(_tagSearcherType searcher) {
  for (const auto& tree : m_trees)
    if (tree->root->GetSearcheType() == searcher) return tree.get();
  return nullptr;
}

void CDirectoryTreeBuilder::AddSearcherInfo(_tagSearcherType searcher, long long rootNodeID) {
  if (_DIRECTORY_TREE_INFO* tree = FindTree(searcher)) {
    tree->rootID = rootNodeID;
    tree->pending.VisitAllNext();  // every node's parent may be another now
    return;
  }
  auto tree = std::make_unique<_DIRECTORY_TREE_INFO>();
  const std::string rootName = m_description + RootSuffix(searcher);
  tree->root = std::make_unique<CFilesystemNode>(rootName.c_str(), m_description.c_str(), searcher, rootNodeID);
  tree->rootID = rootNodeID;
  tree->lastBuild = m_clock.Now();
  m_trees.push_back(std::move(tree));
}

int CDirectoryTreeBuilder::AddNode(IFileNode* node, _tagSearcherType searcher) {
  const NodeHold hold(*this);
  // A node handed in twice is already ours; refusing it would have the caller release it under us.
  if (m_owned.Contains(node)) return 1;
  return AcceptNode(node, searcher);
}

int CDirectoryTreeBuilder::AcceptNode(IFileNode* node, _tagSearcherType searcher) {
  if (node == nullptr || m_filter == nullptr || m_filter->IsFileNodeValid(node) == 0) return 0;
  if (node->GetCurrentNodeID() == node->GetParentNodeID()) return 0;
  _DIRECTORY_TREE_INFO* tree = FindTree(searcher);
  if (tree == nullptr) return 0;
  if (!m_flushing && searcher != SEARCHER_APFS && m_recycleBin.Belongs(node, searcher)) {
    node->MarkDeleted();
    m_recycleBin.Hold(node, searcher);
    m_owned.Insert(node);
    return 1;
  }

  ++tree->pendingCount;
  ++tree->addedTotal;
  if (IsHfsPrivateFolder(*tree, node, searcher)) {
    tree->privateFolderIDs.push_back(node->GetCurrentNodeID());
    DropDirectoriesBelow(*tree, node->GetCurrentNodeID());
    return 0;
  }
  const bool userTrashCandidate = TreatTrashFolder(*tree, node);
  // A file cannot be called "." or "..": such a name is damage, and would hide the file as a dot file.
  if (node->IsDirectory() == 0 && (std::strcmp(NameOf(node), ".") == 0 || std::strcmp(NameOf(node), "..") == 0))
    node->SetFileName("_");
  const bool hidden = NameOf(node)[0] == '.';
  if (node->IsDirectory() != 0) {
    const auto& privateIDs = tree->privateFolderIDs;
    if (std::find(privateIDs.begin(), privateIDs.end(), node->GetParentNodeID()) != privateIDs.end()) return 0;
    if (hidden) {
      node->FilterFileNameByDot();
      if (NameOf(node)[0] == '\0') return 0;  // "." and ".." are links, not folders
    }
    if (!RecordFileNode(tree->directories, node)) return 0;
    tree->pending.Wake(node->GetCurrentNodeID());
    if (userTrashCandidate) tree->userTrashCandidates.push_back(node);
  } else {
    if (hidden) return 0;
    if (!RecordFileNode(tree->files, node)) return 0;
  }

  m_owned.Insert(node);
  tree->pending.Add(node);
  std::vector<IFileNode*> batch;
  if (BuildTree(*tree, batch, false)) ShowNodes(*tree, batch, 0);
  return 1;
}

bool CDirectoryTreeBuilder::IsHfsPrivateFolder(const _DIRECTORY_TREE_INFO& tree, IFileNode* node,
                                               _tagSearcherType searcher) const {
  return !m_restore && searcher == SEARCHER_HFSPLUS && tree.privateFolderIDs.empty() &&
         std::strcmp(NameOf(node), kPrivateFolderName) == 0 && node->GetParentNodeID() == tree.rootID;
}

void CDirectoryTreeBuilder::DropDirectoriesBelow(_DIRECTORY_TREE_INFO& tree, long long folderID) {
  std::vector<IFileNode*>& pending = tree.pending.All();
  std::vector<IFileNode*> kept;
  for (IFileNode* node : pending) {
    if (node->IsDirectory() == 0 || node->GetParentNodeID() != folderID) {
      kept.push_back(node);
      continue;
    }
    tree.directories.Remove(node->GetCurrentNodeID(), node);
    Erase(tree.userTrashCandidates, node);
    ReleaseOwned(node);
  }
  pending.swap(kept);
}

bool CDirectoryTreeBuilder::TreatTrashFolder(_DIRECTORY_TREE_INFO& tree, IFileNode* node) {
  if (tree.trashFound || node->IsDirectory() == 0 || !IsTrashName(NameOf(node))) return false;
  if (node->GetParentNodeID() != tree.rootID) {
    if (!IsUserTrashFolder(tree, node)) return true;
    node->SetParentNodeID(tree.rootID);
  }
  tree.trashFolderID = node->GetCurrentNodeID();
  node->MarkDeleted();
  return false;
}

bool CDirectoryTreeBuilder::IsUserTrashFolder(const _DIRECTORY_TREE_INFO& tree, IFileNode* node) const {
  if (!m_userHome) return false;
  std::string path;
  std::unordered_set<long long> visited;  // corrupt metadata can make parent IDs go round
  IFileNode* current = node;
  for (;;) {
    const long long parentID = current->GetParentNodeID();
    if (parentID == tree.rootID) return "/" + path == *m_userHome;
    if (!visited.insert(parentID).second || path.size() > m_userHome->size()) return false;
    const std::span<IFileNode* const> candidates = tree.directories.Find(parentID);
    if (candidates.empty()) return false;
    IFileNode* parent = GetCorrectParent(tree.trashFolderID, candidates, current);
    if (parent == nullptr) return false;
    path = std::string(NameOf(parent)) + "/" + path;
    current = parent;
  }
}

bool CDirectoryTreeBuilder::RecordFileNode(CNodeIdTable& map, IFileNode* node) const {
  const std::span<IFileNode* const> nodes = map.Find(node->GetCurrentNodeID());
  if (!m_restore) {
    auto* fresh = dynamic_cast<CFileNode*>(node);
    for (IFileNode* recordedNode : nodes) {
      auto* recorded = dynamic_cast<CFileNode*>(recordedNode);
      if (fresh == nullptr || recorded == nullptr || !(*recorded == *fresh)) continue;
      if (node->GetFileSize() == 0) return false;
      if (recorded->GetModificationTime() <= node->GetModificationTime()) return false;
      // The recorded entry is newer; the older duplicate's runs and size are the ones to keep. The duplicate
      // goes back to its searcher, so the recorded node gets its own copy of the runs.
      IDataRunList* runs = node->GetDataRunList();
      recorded->SetDataRunList(runs != nullptr ? runs->Clone() : nullptr);
      recorded->UpdateFileSize(node->GetFileSize());
      return false;
    }
  }
  map.Add(node->GetCurrentNodeID(), node);
  return true;
}

IFileNode* CDirectoryTreeBuilder::GetCorrectParent(long long stopID, std::span<IFileNode* const> candidates,
                                                   IFileNode* node) {
  if (candidates.empty() || node == nullptr) return nullptr;
  if (candidates.size() == 1) return candidates.front();
  const auto* fileNode = dynamic_cast<const CFileNode*>(node);
  const auto samePartition = [fileNode](const IFileNode* candidate, bool bothRequired) {
    const auto* other = dynamic_cast<const CFileNode*>(candidate);
    if (other == nullptr || fileNode == nullptr) return !bothRequired;
    return other->GetBelongedPartition() == fileNode->GetBelongedPartition();
  };
  for (IFileNode* candidate : candidates) {
    if (candidate->IsDirectory() == 0 || !samePartition(candidate, false) || candidate->IsDeleted() != 0) continue;
    int steps = 0;
    for (const IFileNode* above = candidate; above != nullptr && steps < kMaxClimb; above = above->GetParent(), ++steps)
      if (above->GetCurrentNodeID() == stopID) return candidate;
  }
  for (IFileNode* candidate : candidates)
    if (candidate->IsDirectory() != 0 && samePartition(candidate, true)) return candidate;
  return candidates.front();
}

IFileNode* CDirectoryTreeBuilder::ParentOf(const _DIRECTORY_TREE_INFO& tree, IFileNode* node) const {
  const long long parentID = node->GetParentNodeID();
  if (parentID == tree.rootID) return tree.root.get();
  return GetCorrectParent(tree.trashFolderID, tree.directories.Find(parentID), node);
}

bool CDirectoryTreeBuilder::IsFileBelow(IFileNode* folder) const {
  std::vector<IFileNode*> chains;
  if (IFileNode* child = folder->GetFirstChild()) chains.push_back(child);
  while (!chains.empty()) {
    IFileNode* node = chains.back();
    chains.pop_back();
    for (; node != nullptr; node = node->GetNextNode()) {
      if (node->IsDirectory() == 0) return true;
      if (IFileNode* child = node->GetFirstChild()) chains.push_back(child);
    }
  }
  return false;
}

const IFileNode* CDirectoryTreeBuilder::TopOf(const IFileNode* node) const {
  int steps = 0;
  while (node->GetParent() != nullptr && steps++ < kMaxClimb) node = node->GetParent();
  return node;
}

bool CDirectoryTreeBuilder::LinkToParents(_DIRECTORY_TREE_INFO& tree, IFileNode* node) {
  const bool keepEmptyFolders = tree.root->GetSearcheType() == SEARCHER_APFS;
  bool fileBelow = node->IsDirectory() == 0;
  bool linked = false;
  IFileNode* current = node;
  // Every step links a node that had no parent, and AddChild refuses a loop; the bound is a second guard.
  for (int step = 0; step < kMaxClimb; ++step) {
    IFileNode* parent = ParentOf(tree, current);
    if (parent == nullptr) break;
    if (parent->IsDeleted() != 0 && current->IsDeleted() == 0) {
      current->MarkDeleted();
      tree.pending.Wake(current->GetCurrentNodeID());  // what waits under it may be deleted now too
    }
    if (!keepEmptyFolders) {
      if (current->IsDirectory() != 0) {
        if (!fileBelow && !IsFileBelow(current)) break;
        fileBelow = true;
      } else if (current->IsDeleted() == 0 && m_filter->ShowNormalFiles() == 0) {
        break;
      }
    }
    const bool parentWasLinked = parent->GetParent() != nullptr;
    if (parent->AddChild(current) == 0) break;
    linked = linked || current == node;
    if (parentWasLinked || parent == tree.root.get()) {
      if (tree.pending.Tracking() && (parent == tree.root.get() || TopOf(parent) == tree.root.get()))
        ScheduleBranch(tree, current);
      break;
    }
    current = parent;
  }
  return linked;
}

bool CDirectoryTreeBuilder::BuildTree(_DIRECTORY_TREE_INFO& tree, std::vector<IFileNode*>& out, bool forced) {
  if (!forced) {
    if (tree.pendingCount < kBuildBatch && m_clock.Now() - tree.lastBuild < kBuildDeferral) return false;
    if (tree.root->GetSearcheType() == SEARCHER_HFSPLUS && tree.privateFolderIDs.empty()) return false;
  }
  tree.pendingCount = 0;
  tree.lastBuild = m_clock.Now();
  // A forced pass (at the flush, where nothing follows but more of them) looks at every node; otherwise only
  // at those whose visit can link or deliver something, in the same order, so that the batches are those a
  // visit of every node would give.
  if (forced) tree.pending.VisitAllNext();
  tree.pending.BeginPass(!forced);
  while (IFileNode* node = tree.pending.Next()) {
    const bool linked = node->GetParent() != nullptr || LinkToParents(tree, node);
    if (linked && TopOf(node) == tree.root.get()) {
      out.push_back(node);
      tree.pending.Delivered();
    } else if (linked) {
      tree.pending.Kept();  // due once its branch reaches the root (ScheduleBranch)
    } else if (tree.pending.Tracking()) {
      const long long parentID = node->GetParentNodeID();
      tree.pending.Wait(node, parentID, parentID != tree.rootID && tree.directories.Find(parentID).size() > 1);
    }
  }
  tree.pending.EndPass();
  return true;
}

void CDirectoryTreeBuilder::ScheduleBranch(_DIRECTORY_TREE_INFO& tree, IFileNode* node) const {
  // The branch did not reach the root before, so nothing in it was delivered: each node is walked once a scan.
  tree.pending.Schedule(node);
  std::vector<IFileNode*> chains;
  if (IFileNode* child = node->GetFirstChild()) chains.push_back(child);
  while (!chains.empty()) {
    IFileNode* next = chains.back();
    chains.pop_back();
    for (; next != nullptr; next = next->GetNextNode()) {
      tree.pending.Schedule(next);
      if (IFileNode* child = next->GetFirstChild()) chains.push_back(child);
    }
  }
}

void CDirectoryTreeBuilder::ShowNodes(_DIRECTORY_TREE_INFO& tree, std::vector<IFileNode*>& nodes, int flag) {
  if (m_sink == nullptr || nodes.empty()) return;
  // The sink files what it is handed and may read the nodes under the lock itself: the builder lets go meanwhile.
  struct LetGo {
    std::unique_lock<std::mutex>* hold;
    explicit LetGo(std::unique_lock<std::mutex>* held) : hold(held != nullptr && held->owns_lock() ? held : nullptr) {
      if (hold != nullptr) hold->unlock();
    }
    ~LetGo() {
      if (hold != nullptr) hold->lock();
    }
  } letGo(m_nodeHold);
  if (!tree.rootShown) {
    m_sink->ShowFilesystemNode(tree.root.get());
    tree.rootShown = true;
    if (const auto pause = m_sink->PauseAfterRoot(); pause.count() > 0) m_clock.Wait(pause);
  }
  tree.shown.insert(tree.shown.end(), nodes.begin(), nodes.end());
  tree.shownTotal += static_cast<long long>(nodes.size());
  m_sink->ShowNodes(nodes.data(), static_cast<unsigned int>(nodes.size()), flag);
}

void CDirectoryTreeBuilder::BuildAndShowUntilDone(_DIRECTORY_TREE_INFO& tree) {
  for (;;) {
    std::vector<IFileNode*> batch;
    BuildTree(tree, batch, true);
    if (batch.empty()) return;
    ShowNodes(tree, batch, 0);
  }
}

void CDirectoryTreeBuilder::RestoreRecycleBin(_tagSearcherType searcher) {
  CRecycleBinHolding::Restored restored = m_recycleBin.Take(searcher, m_partitionDevice, m_partition);
  for (IFileNode* node : restored.readd)
    if (AcceptNode(node, searcher) == 0) ReleaseOwned(node);
  for (IFileNode* info : restored.discard) ReleaseOwned(info);
}

void CDirectoryTreeBuilder::QueueUnlinkedFiles(_DIRECTORY_TREE_INFO& tree) {
  std::unordered_set<long long> pendingIDs;
  std::vector<IFileNode*>& pending = tree.pending.All();
  for (const IFileNode* node : pending) pendingIDs.insert(node->GetCurrentNodeID());
  std::vector<std::pair<long long, IFileNode*>> unlinked;
  tree.files.ForEach([&](long long id, std::span<IFileNode* const> nodes) {
    IFileNode* first = nodes.front();
    if (first->GetParent() == nullptr && pendingIDs.count(id) == 0) unlinked.emplace_back(id, first);
  });
  // In the order of their IDs (each ID is there once), whatever the map's order.
  std::sort(unlinked.begin(), unlinked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [id, first] : unlinked) pending.push_back(first);
}

bool CDirectoryTreeBuilder::MarkAllDeletedFiles(_DIRECTORY_TREE_INFO& tree) const {
  bool changed = false;
  for (IFileNode* node : tree.pending.All()) {
    if (node->IsDeleted() != 0) continue;
    const IFileNode* parent = ParentOf(tree, node);
    if (parent == nullptr || parent->IsDeleted() == 0) continue;
    node->MarkDeleted();
    // A node class that cannot be marked must not keep the caller's loop going.
    changed = changed || node->IsDeleted() != 0;
  }
  return changed;
}

bool CDirectoryTreeBuilder::BuildLostNodes(_DIRECTORY_TREE_INFO& tree, std::vector<IFileNode*>& out) {
  std::puts("CDirectoryTreeBuilder::BuildLostNodes entry");
  auto lostFiles =
      std::make_unique<CFilesystemNode>(kLostFilesName, kLostFilesVolume, tree.root->GetSearcheType(), kLostFilesID);
  // Empty files first, so that a folder holding nothing else counts as empty below and is never shown with
  // children that are released.
  const std::vector<IFileNode*>& pending = tree.pending.All();
  for (IFileNode* node : pending) {
    auto* file = dynamic_cast<CFileNode*>(node);
    if (file == nullptr || file->IsDirectory() != 0 || file->GetFileSize() != 0 || file->GetParent() == nullptr)
      continue;
    file->GetParent()->RemoveChild(file);
  }
  for (IFileNode* node : pending) {
    if (node->GetParent() != nullptr) continue;
    if (node->IsDirectory() != 0) {
      if (!IsFileBelow(node)) continue;
    } else if (node->GetFileSize() == 0 || (node->IsDeleted() == 0 && m_filter->ShowNormalFiles() == 0)) {
      continue;
    }
    lostFiles->AddChild(node);
  }
  // Whatever hangs below the lost-files folder now goes, and nothing else: the rest stays unshown.
  for (IFileNode* node : pending)
    if (TopOf(node) == lostFiles.get()) out.push_back(node);
  std::printf("CDirectoryTreeBuilder BuildLostNodes nodsNotify.size() = %ld.\n", static_cast<long>(out.size()));
  if (out.empty()) return false;
  CFilesystemNode* folder = lostFiles.release();
  m_owned.Insert(folder);
  tree.root->AddChild(folder);
  out.push_back(folder);
  return true;
}

void CDirectoryTreeBuilder::ReleaseOwned(IFileNode* node) {
  if (auto* fileNode = dynamic_cast<CFileNode*>(node)) {
    if (CFileNode* parent = fileNode->GetParent()) parent->RemoveChild(fileNode);
    while (CFileNode* child = fileNode->GetFirstChild())
      if (fileNode->RemoveChild(child) == 0) break;
  }
  m_owned.Erase(node);
  node->Release();
}

void CDirectoryTreeBuilder::ReleaseUnshown(_DIRECTORY_TREE_INFO& tree) {
  // A node of the ID tables leaves pending only for the sink, or for release together with its entry: so the
  // pending nodes that were not shown are all the tables hold unshown, and the many shown ones need no look-up.
  std::vector<IFileNode*> unshown;
  unshown.swap(tree.pending.All());
  std::sort(unshown.begin(), unshown.end(), std::less<>());
  unshown.erase(std::unique(unshown.begin(), unshown.end()), unshown.end());
  std::vector<bool> shown(unshown.size());
  for (const IFileNode* node : tree.shown) {
    const auto at = std::lower_bound(unshown.begin(), unshown.end(), node, std::less<>());
    if (at != unshown.end() && *at == node) shown[static_cast<std::size_t>(at - unshown.begin())] = true;
  }
  for (std::size_t i = 0; i < unshown.size(); ++i)
    if (!shown[i]) ReleaseOwned(unshown[i]);
  // What was shown stays until the builder goes; no node of a later flush can be among it.
  std::vector<IFileNode*>().swap(tree.shown);
  tree.files.Clear();
  tree.directories.Clear();
}

void CDirectoryTreeBuilder::FlashBuild(_tagSearcherType searcher) {
  _DIRECTORY_TREE_INFO* tree = FindTree(searcher);
  if (tree == nullptr) return;
  const NodeHold hold(*this);
  m_flushing = true;
  RestoreRecycleBin(searcher);
  BuildAndShowUntilDone(*tree);

  if (!tree->trashFound) {
    for (IFileNode* candidate : tree->userTrashCandidates) {
      if (!IsUserTrashFolder(*tree, candidate)) continue;
      candidate->MarkDeleted();
      tree->trashFolderID = candidate->GetCurrentNodeID();
      tree->trashFound = true;
      break;
    }
  }
  QueueUnlinkedFiles(*tree);
  // Each round marks at least one more node; the bound only guards against a node class that lies.
  for (std::size_t round = 0, rounds = tree->pending.All().size(); round <= rounds && MarkAllDeletedFiles(*tree); ++round) {
  }
  BuildAndShowUntilDone(*tree);

  std::vector<IFileNode*> lost;
  if (BuildLostNodes(*tree, lost)) ShowNodes(*tree, lost, 1);

  tree->userTrashCandidates.clear();
  ReleaseUnshown(*tree);
  std::printf("CDirectoryTreeBuilder::FlashBuild  searcherType : %d, total files: %lld\n", static_cast<int>(searcher),
              tree->shownTotal);
  std::printf("CDirectoryTreeBuilder::FlashBuild  searcherType : %d, total added files: %lld\n",
              static_cast<int>(searcher), tree->addedTotal);
  m_flushing = false;
}

IDirecotryTreeBuilder* CreateTreeBuilder(bool restore) { return new (std::nothrow) CDirectoryTreeBuilder(restore); }
