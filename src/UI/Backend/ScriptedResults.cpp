#include "UI/Backend/ScriptedResults.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <functional>

#include "Bridge/BridgeServices.h"
#include "Bridge/KDCPPPublic.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/OpNodeData.h"
#include "DirectoryTreeBuilder/FilesystemNode.h"
#include "include/FileNode.h"
#include "include/IRecoveryFilter.h"

namespace quellsy::ui {
namespace {

constexpr std::uint64_t kFileTimeEpochShift = 11644473600ULL;
constexpr std::uint64_t kFileTimeUnits = 10000000ULL;

class ScriptedNode final : public CFileNode {
 public:
  ScriptedNode(std::string name, bool directory, bool deleted, long long size, std::uint64_t created,
               std::uint64_t modified)
      : name_(std::move(name)), directory_(directory), deleted_(deleted), size_(size), created_(created),
        modified_(modified) {}

  const char* GetFileName() const override { return name_.c_str(); }
  long long GetFileSize() const override { return directory_ ? 0 : size_; }
  unsigned short GetAttribute() const override { return directory_ ? kFileAttributeDirectory : kFileAttributeArchive; }
  unsigned long long GetCreationTime() const override { return created_; }
  unsigned long long GetModificationTime() const override { return modified_; }
  unsigned long long GetLastAccessTime() const override { return modified_; }
  int IsDirectory() const override { return directory_ ? 1 : 0; }
  int IsDeleted() const override { return deleted_ ? 1 : 0; }
  IFileNode* Clone() override { return new ScriptedNode(*this); }
  void MarkDeleted() override { deleted_ = true; }
  void FilterFileNameByDot() override {}

 private:
  std::string name_;
  bool directory_;
  bool deleted_;
  long long size_;
  std::uint64_t created_;
  std::uint64_t modified_;
};

struct Kind {
  _FILTER_TYPE group;
  const char* stem;
  std::array<const char*, 4> extensions;
  long long typicalSize;
};

constexpr std::array<Kind, 7> kKinds{{
    {FILTER_TYPE_DOCUMENT, "Report", {"pdf", "docx", "txt", "xlsx"}, 180000},
    {FILTER_TYPE_PICTURE, "Photo", {"jpg", "png", "heic", "cr2"}, 2400000},
    {FILTER_TYPE_MOVIE, "Clip", {"mov", "mp4", "avi", "mkv"}, 48000000},
    {FILTER_TYPE_MUSIC, "Track", {"mp3", "m4a", "wav", "flac"}, 5200000},
    {FILTER_TYPE_ARCHIVES, "Backup", {"zip", "rar", "7z", "gz"}, 9000000},
    {FILTER_TYPE_EMAIL, "Message", {"eml", "mbox", "emlx", "msg"}, 60000},
    {FILTER_TYPE_OTHER, "Data", {"dat", "bin", "log", "db"}, 400000},
}};
constexpr std::array<const char*, 6> kTopFolders{"Documents", "Pictures", "Projects", "Music", "Archive", "Mail"};

std::uint64_t FileTimeOf(std::time_t seconds) {
  return (static_cast<std::uint64_t>(seconds) + kFileTimeEpochShift) * kFileTimeUnits;
}

// A small generator of its own, so a shape gives the same results on every machine.
struct Lcg {
  std::uint32_t state;
  std::uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
};

std::shared_ptr<OpNodeData> Group(int kind, std::string name) {
  __TreeNodeData__ data;
  data.isDirect = 1;
  auto group = std::make_shared<OpNodeData>(data);
  group->setType(kind);
  group->setFadeName(std::move(name));
  group->setExpandAble(true);
  return group;
}

std::shared_ptr<OpNodeData> ChildGroup(OpNodeData& parent, const std::string& name) {
  for (const OpNodeData::Child& child : parent.children())
    if (const auto* group = std::get_if<std::shared_ptr<OpNodeData>>(&child); group && (*group)->name() == name)
      return *group;
  auto group = Group(parent.type(), name);
  parent.addChildObject(group);
  return group;
}

// "%04d" of a year, "%02d" of a month, as the date trees name them.
std::string Digits(int value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
  return text;
}

void AddToDateTree(OpNodeData& top, IFileNode* file, std::uint64_t fileTime, bool creation) {
  int year = 0;
  int month = 0;
  if (!KDUIPublic::GetYearAndMonthByFileTime(&year, &month, fileTime)) return;
  const std::shared_ptr<OpNodeData> yearNode = ChildGroup(top, Digits(year, 4));
  const std::shared_ptr<OpNodeData> monthNode = ChildGroup(*yearNode, Digits(month, 2));
  std::tm first{};
  first.tm_year = year - 1900;
  first.tm_mon = month - 1;
  first.tm_mday = 1;
  first.tm_isdst = -1;
  const std::time_t when = std::mktime(&first);
  for (OpNodeData* node : {yearNode.get(), monthNode.get()}) {
    if (creation)
      node->setCreateTime(when);
    else
      node->setModifyTime(when);
  }
  monthNode->addChildObject(file);
}

}  // namespace

ScriptedResults::ScriptedResults() { Clear(); }
ScriptedResults::~ScriptedResults() = default;

void ScriptedResults::Clear() {
  folders_.clear();
  typeGroups_.clear();
  createTop_.reset();
  modifyTop_.reset();
  order_.clear();
  files_.clear();
  nodes_.clear();
  delivered_ = 0;
  ++generation_;
  BuildTrees();
}

void ScriptedResults::Make(const ScriptedResultShape& shape) {
  Clear();
  Lcg random{shape.seed};
  int fileNumber = 0;
  // Times between 2019 and the end of 2024.
  const std::time_t from = 1546300800;
  const std::time_t span = 6 * 365 * 86400;
  const auto makeFiles = [&](CFileNode* folder) {
    for (int i = 0; i < shape.filesPerFolder; ++i, ++fileNumber) {
      const Kind& kind = kKinds[static_cast<std::size_t>(fileNumber) % kKinds.size()];
      const char* extension = kind.extensions[random.Next() % kind.extensions.size()];
      const std::string name = std::string(kind.stem) + " " + std::to_string(fileNumber + 1) + "." + extension;
      const std::time_t created = from + static_cast<std::time_t>(random.Next() % span);
      const std::time_t modified = created + static_cast<std::time_t>(random.Next() % (90 * 86400));
      const long long size = kind.typicalSize / 4 + static_cast<long long>(random.Next() % kind.typicalSize);
      const bool deleted = shape.deletedEvery > 0 && fileNumber % shape.deletedEvery == 0;
      auto file = std::make_unique<ScriptedNode>(name, false, deleted, size, FileTimeOf(created), FileTimeOf(modified));
      folder->AddChild(file.get());
      order_.push_back(file.get());
      files_.push_back(file.get());
      nodes_.push_back(std::move(file));
    }
  };
  // Pre-order: each folder, then its files, then its sub-folders.
  std::function<void(CFileNode*, const std::string&, int)> makeFolder = [&](CFileNode* parent, const std::string& name,
                                                                            int level) {
    auto folder = std::make_unique<ScriptedNode>(name, true, false, 0, FileTimeOf(from), FileTimeOf(from));
    CFileNode* own = folder.get();
    parent->AddChild(own);
    order_.push_back(own);
    nodes_.push_back(std::move(folder));
    makeFiles(own);
    if (level >= shape.depth) return;
    for (int i = 0; i < shape.foldersPerFolder; ++i) makeFolder(own, name + " " + std::to_string(i + 1), level + 1);
  };
  long long rootId = 1;
  for (const std::string& volume : shape.volumes) {
    auto root = std::make_unique<CFilesystemNode>(volume.c_str(), volume.c_str(), SEARCHER_HFSPLUS, rootId++);
    CFileNode* own = root.get();
    order_.push_back(own);
    nodes_.push_back(std::move(root));
    for (int i = 0; i < shape.topFolders; ++i)
      makeFolder(own, kTopFolders[static_cast<std::size_t>(i) % kTopFolders.size()] +
                          (i >= static_cast<int>(kTopFolders.size()) ? " " + std::to_string(i) : std::string()),
                 0);
  }
}

std::size_t ScriptedResults::FolderCount() const { return order_.size() - files_.size(); }

std::size_t ScriptedResults::DeliveredFiles() const {
  std::size_t count = 0;
  for (std::size_t i = 0; i < delivered_; ++i) count += order_[i]->IsDirectory() ? 0 : 1;
  return count;
}

std::uint64_t ScriptedResults::DeliveredSize() const {
  std::uint64_t size = 0;
  for (std::size_t i = 0; i < delivered_; ++i) size += static_cast<std::uint64_t>(order_[i]->GetFileSize());
  return size;
}

std::vector<IFileNode*> ScriptedResults::AllFiles() const { return files_; }

std::vector<IFileNode*> ScriptedResults::CheckedFiles(std::uint64_t& size) const {
  std::vector<IFileNode*> checked;
  for (std::size_t i = 0; i < delivered_; ++i) {
    IFileNode* node = order_[i];
    if (node->IsDirectory() || !node->IsNodeShow() || node->GetCheckedStatus() != CHECKED_STATUS_CHECKED) continue;
    checked.push_back(node);
    size += static_cast<std::uint64_t>(node->GetFileSize());
  }
  return checked;
}

void ScriptedResults::DeliverUpTo(double fraction) {
  fraction = std::clamp(fraction, 0.0, 1.0);
  const auto target = static_cast<std::size_t>(fraction * static_cast<double>(order_.size()) + 0.5);
  for (; delivered_ < target; ++delivered_) Deliver(order_[delivered_]);
}

void ScriptedResults::Deliver(IFileNode* node) {
  if (node->IsDirectory())
    PlaceFolder(node);
  else
    AddToGroups(node);
}

void ScriptedResults::PlaceFolder(IFileNode* node) {
  Folder folder;
  folder.entry.id = folders_.size();
  folder.entry.node = node;
  folder.entry.directory = 1;
  folder.entry.deleted = node->IsDeleted();
  IFileNode* parent = node->GetParent();
  folder.entry.root = parent ? 0 : 1;
  if (const auto found = folderIds_.find(parent); parent && found != folderIds_.end()) {
    folder.entry.parent = found->second;
    folders_[found->second].children.push_back(folder.entry.id);
  }
  folderIds_[node] = folder.entry.id;
  folders_.push_back(std::move(folder));
}

void ScriptedResults::AddToGroups(IFileNode* file) {
  if (!file->IsNodeShow()) return;
  if (const auto found = folderIds_.find(file->GetParent()); found != folderIds_.end())
    folders_[found->second].files.push_back(file);
  const std::string name = file->GetFileName();
  const std::string extension = name.substr(name.rfind('.') + 1);
  for (std::size_t i = 0; i < kKinds.size(); ++i) {
    for (const char* known : kKinds[i].extensions) {
      if (extension != known) continue;
      OpNodeData& group = *typeGroups_[i];
      if (kKinds[i].group == FILTER_TYPE_OTHER)
        group.addChildObject(file);
      else
        ChildGroup(group, extension)->addChildObject(file);
    }
  }
  AddToDateTree(*createTop_, file, file->GetCreationTime(), true);
  AddToDateTree(*modifyTop_, file, file->GetModificationTime(), false);
}

void ScriptedResults::BuildTrees() {
  folders_.clear();
  folderIds_.clear();
  typeGroups_.clear();
  for (const Kind& kind : kKinds)
    typeGroups_.push_back(Group(NODE_TREE_FILE_TYPE, KDCPPPublic::instance()->FilterTypeToString(kind.group)));
  createTop_ = Group(NODE_TREE_CREATION_TIME, bridge::Translator().Translate("CREATE_TIME_ROOT_NAME", ""));
  modifyTop_ = Group(NODE_TREE_MODIFICATION_TIME, bridge::Translator().Translate("MODIFY_TIME_ROOT_NAME", ""));
  ++generation_;
}

void ScriptedResults::Rebuild(bool clearRoots) {
  BuildTrees();
  const std::size_t delivered = delivered_;
  delivered_ = 0;
  if (clearRoots) {
    for (IFileNode* node : order_) {
      if (node->GetParent()) continue;
      node->ShowNode(1);
      node->SetCheck(CHECKED_STATUS_UNCHECKED);
    }
  }
  for (; delivered_ < delivered; ++delivered_) Deliver(order_[delivered_]);
}

void ScriptedResults::Search(const std::string& key) {
  for (IFileNode* file : files_) file->ShowNode(KDUIPublic::IsStringInString(key.c_str(), file->GetFileName()) ? 1 : 0);
  Rebuild(false);
}

void ScriptedResults::UncheckAll() {
  for (IFileNode* node : order_)
    if (!node->GetParent()) node->SetCheck(CHECKED_STATUS_UNCHECKED);
}

bridge::PathTreeTail ScriptedResults::PathTail(std::size_t from) const {
  bridge::PathTreeTail tail;
  tail.generation = generation_;
  for (std::size_t id = from; id < folders_.size(); ++id) tail.entries.push_back(folders_[id].entry);
  return tail;
}

std::vector<IFileNode*> ScriptedResults::PathChildFiles(std::size_t folder) const {
  std::vector<IFileNode*> shown;
  if (folder >= folders_.size()) return shown;
  for (IFileNode* file : folders_[folder].files)
    if (file->IsNodeShow()) shown.push_back(file);
  return shown;
}

std::size_t ScriptedResults::PathChildrenCount(std::size_t folder) const {
  if (folder >= folders_.size()) return 0;
  std::size_t count = 0;
  for (std::size_t child : folders_[folder].children) count += folders_[child].children.size();
  return count;
}

std::vector<std::shared_ptr<OpNodeData>> ScriptedResults::TopNodes(int kind) const {
  if (kind == NODE_TREE_FILE_TYPE) return typeGroups_;
  if (kind == NODE_TREE_CREATION_TIME) return {createTop_};
  if (kind == NODE_TREE_MODIFICATION_TIME) return {modifyTop_};
  return {};
}

}  // namespace quellsy::ui
