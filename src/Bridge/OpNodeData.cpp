#include "Bridge/OpNodeData.h"

#include <utility>

#include "Bridge/KDCPPPublic.h"
#include "Bridge/KDUIPublic.h"
#include "Utility/FileUtil.h"

namespace {

constexpr const char* kUnknownName = "Unknown";

std::time_t Now() { return std::time(nullptr); }

bool IsCheckState(int state) { return state >= CHECKED_STATUS_UNCHECKED && state <= CHECKED_STATUS_CHECKED; }

int IconOfGroup(_FILTER_TYPE group) {
  switch (group) {
    case FILTER_TYPE_DOCUMENT: return OpNodeData::kIconDocument;
    case FILTER_TYPE_PICTURE: return OpNodeData::kIconPicture;
    case FILTER_TYPE_MOVIE: return OpNodeData::kIconMovie;
    case FILTER_TYPE_MUSIC: return OpNodeData::kIconMusic;
    case FILTER_TYPE_ARCHIVES: return OpNodeData::kIconArchives;
    case FILTER_TYPE_EMAIL: return OpNodeData::kIconEmail;
    case FILTER_TYPE_OTHER: return OpNodeData::kIconOther;
    default: return OpNodeData::kIconUnknown;
  }
}

}  // namespace

OpNodeData::OpNodeData() : createTime_(Now()), modifyTime_(createTime_) {}

OpNodeData::OpNodeData(IFileNode* node) : OpNodeData() { fileNode_ = node; }

OpNodeData::OpNodeData(const __TreeNodeData__& data) : OpNodeData(data.fileNode) {
  isFileSystem_ = data.isFileSystem;
}

OpNodeData::~OpNodeData() { free(); }

void OpNodeData::Adopt(const Child& child) {
  if (const auto* node = std::get_if<std::shared_ptr<OpNodeData>>(&child); node && *node) (*node)->parent_ = this;
}

void OpNodeData::setSubNode(Children children) {
  children_ = std::move(children);
  for (const Child& child : children_) Adopt(child);
}

void OpNodeData::addChildObject(Child child) {
  Adopt(child);
  children_.push_back(std::move(child));
}

void OpNodeData::insertChildObject(std::size_t index, Child child) {
  Adopt(child);
  children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(std::min(index, children_.size())),
                   std::move(child));
}

void OpNodeData::free() {
  // Iteratively, so that a deep tree cannot exhaust the stack through nested destructors.
  std::vector<std::shared_ptr<OpNodeData>> pending;
  const auto take = [&pending](Children& children) {
    for (Child& child : children)
      if (auto* node = std::get_if<std::shared_ptr<OpNodeData>>(&child); node && *node) pending.push_back(std::move(*node));
    children.clear();
  };
  take(children_);
  while (!pending.empty()) {
    std::shared_ptr<OpNodeData> node = std::move(pending.back());
    pending.pop_back();
    if (node.use_count() == 1) take(node->children_);
  }
}

bool OpNodeData::isFadeNode() const { return type_ != NODE_TREE_PATH && !fileNode_; }

bool OpNodeData::isDirect() const {
  if (isFadeNode()) return true;
  return fileNode_ && fileNode_->IsDirectory();
}

std::uint64_t OpNodeData::size() const {
  if (!fileNode_ || fileNode_->IsDirectory()) return 0;
  return static_cast<std::uint64_t>(fileNode_->GetFileSize());
}

std::string OpNodeData::name() const {
  if (isFadeNode()) return fadeName_.value_or(kUnknownName);
  if (!fileNode_) return {};
  const char* text = fileNode_->GetFileName();
  return isValidString(text) ? std::string(text) : std::string(kUnknownName);
}

std::string OpNodeData::path() const { return isFadeNode() ? std::string() : KDUIPublic::GetPathByFileNode(fileNode_); }

std::string OpNodeData::createTime() const {
  const std::uint64_t time = createTimeValue();
  return time == 0 ? std::string() : KDUIPublic::FormatFileTimeToString(time);
}

std::string OpNodeData::modifyTime() const {
  return fileNode_ ? KDUIPublic::FormatFileTimeToString(fileNode_->GetModificationTime()) : std::string();
}

std::string OpNodeData::lastAccessTime() const {
  return fileNode_ ? KDUIPublic::FormatFileTimeToString(fileNode_->GetLastAccessTime()) : std::string();
}

std::uint64_t OpNodeData::createTimeValue() const { return fileNode_ ? fileNode_->GetCreationTime() : 0; }

std::uint64_t OpNodeData::modifyTimeValue() const { return fileNode_ ? fileNode_->GetModificationTime() : 0; }

bool OpNodeData::isDeleted() const { return fileNode_ && fileNode_->IsDeleted(); }

int OpNodeData::state() const { return fileNode_ ? fileNode_->GetCheckedStatus() : state_; }

bool OpNodeData::IsShow() const {
  if (isFadeNode()) return true;
  return fileNode_ && fileNode_->IsNodeShow();
}

void OpNodeData::SetShow(int show) {
  if (fileNode_) fileNode_->ShowNode(show);
}

bool OpNodeData::isHasFolderChildren() const {
  if (isFadeNode()) return isExpandAble();
  if (!fileNode_) return false;
  for (IFileNode* child = fileNode_->GetFirstChild(); child; child = child->GetNextNode())
    if (child->IsDirectory()) return true;
  return false;
}

int OpNodeData::nodeType() const {
  if (!isFadeNode()) return isFileSystem() ? kIconFileSystem : kIconNode;
  switch (type_) {
    case NODE_TREE_FILE_TYPE: {
      const std::string title = name();
      const KDCPPPublic* utilities = KDCPPPublic::instance();
      const _FILTER_TYPE group = utilities->StringToFilterType(title.c_str());
      // No match also answers "other": only the other group's own title is its icon.
      return utilities->IsTypeString(title.c_str(), group) ? IconOfGroup(group) : kIconUnknown;
    }
    case NODE_TREE_CREATION_TIME:
    case NODE_TREE_MODIFICATION_TIME:
      // Months hang under years, years under the tree's top node; the top shows as a year too.
      return parent_ && parent_->parent_ ? kIconMonth : kIconYear;
    default:
      return kIconUnknown;
  }
}

int OpNodeData::ChildState(const Child& child) {
  if (const auto* node = std::get_if<std::shared_ptr<OpNodeData>>(&child)) return *node ? (*node)->state() : 0;
  IFileNode* file = std::get<IFileNode*>(child);
  return file ? file->GetCheckedStatus() : 0;
}

void OpNodeData::setNodeState(int s) {
  if (fileNode_)
    setFileNode(fileNode_, s);
  else
    state_ = s;
  if (parent_ && parent_->isFadeNode()) setParentNodeState(s);
  SetChildrenNodeState(s);
}

void OpNodeData::setParentNodeState(int s) {
  // Upwards while the parents are groups; each takes the state its children add up to.
  OpNodeData* node = this;
  while (node) {
    node->state_ = s;
    OpNodeData* parent = node->parent_;
    if (!parent || !parent->isFadeNode()) return;
    if (s != CHECKED_STATUS_PARTIAL) {
      int sum = 0;
      for (const Child& child : parent->children_) sum += ChildState(child);
      const int full = 2 * static_cast<int>(parent->children_.size());
      s = sum == 0 ? CHECKED_STATUS_UNCHECKED : sum == full ? CHECKED_STATUS_CHECKED : CHECKED_STATUS_PARTIAL;
    }
    node = parent;
  }
}

void OpNodeData::SetChildrenNodeState(int s) {
  std::vector<OpNodeData*> pending{this};
  while (!pending.empty()) {
    OpNodeData* node = pending.back();
    pending.pop_back();
    if (node->fileNode_) {
      // A found node carries its state to its own subtree; only a group hands it one.
      if (node->parent_ && node->parent_->isFadeNode()) setFileNode(node->fileNode_, s);
      continue;
    }
    node->state_ = s;
    // The half state says nothing about which children are checked.
    if (s == CHECKED_STATUS_PARTIAL) continue;
    for (const Child& child : node->children_) {
      if (const auto* group = std::get_if<std::shared_ptr<OpNodeData>>(&child)) {
        if (*group) pending.push_back(group->get());
      } else {
        setFileNode(std::get<IFileNode*>(child), s);
      }
    }
  }
}

bool OpNodeData::isFileNodeDirect(IFileNode* node) { return node && node->IsDirectory(); }

bool OpNodeData::isFileNodeDeleted(IFileNode* node) { return node && node->IsDeleted(); }

int OpNodeData::fileNodeState(IFileNode* node) { return node ? node->GetCheckedStatus() : 0; }

void OpNodeData::setFileNode(IFileNode* node, int state) {
  if (node && IsCheckState(state)) node->SetCheck(static_cast<_tagCheckedStatus>(state));
}

std::string OpNodeData::fileNodeName(IFileNode* node) {
  const char* text = node ? node->GetFileName() : nullptr;
  return text ? std::string(text) : std::string();
}
