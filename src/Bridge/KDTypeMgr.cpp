#include "Bridge/KDTypeMgr.h"

#include <mutex>
#include <utility>

#include "Bridge/KDCPPPublic.h"

namespace {

constexpr _FILTER_TYPE kGroups[] = {FILTER_TYPE_DOCUMENT, FILTER_TYPE_PICTURE,  FILTER_TYPE_MOVIE, FILTER_TYPE_MUSIC,
                                    FILTER_TYPE_ARCHIVES, FILTER_TYPE_EMAIL, FILTER_TYPE_OTHER};

std::mutex instanceLock;
std::unique_ptr<KDTypeMgr> instanceObject;

// A group root or extension node: an unchecked, expandable folder of the type tree.
std::shared_ptr<OpNodeData> TypeGroup(std::string name) {
  __TreeNodeData__ data;
  data.isDirect = 1;
  auto node = std::make_shared<OpNodeData>(data);
  node->setExpandAble(true);
  node->setFadeName(std::move(name));
  node->setType(NODE_TREE_FILE_TYPE);
  return node;
}

}  // namespace

KDTypeMgr* KDTypeMgr::share() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  if (!instanceObject)
    instanceObject = std::make_unique<KDTypeMgr>(FileTypeCatalogue::FromFile(FileTypeCatalogue::InstalledPath()));
  return instanceObject.get();
}

void KDTypeMgr::ResetForTests() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  instanceObject.reset();
}

void KDTypeMgr::ResetForTests(const std::filesystem::path& catalogue) {
  const std::lock_guard<std::mutex> hold(instanceLock);
  instanceObject = std::make_unique<KDTypeMgr>(FileTypeCatalogue::FromFile(catalogue));
}

KDTypeMgr::KDTypeMgr(FileTypeCatalogue catalogue) : catalogue_(std::move(catalogue)) {
  initRootNode();
}

std::string KDTypeMgr::getTypeString(_FILTER_TYPE group) const { return catalogue_.JoinedExtensions(group); }

std::vector<std::shared_ptr<OpNodeData>> KDTypeMgr::getRootNode() const {
  std::vector<std::shared_ptr<OpNodeData>> roots;
  for (const _FILTER_TYPE group : kGroups) roots.push_back(rootNode(group));
  return roots;
}

std::shared_ptr<OpNodeData> KDTypeMgr::rootNode(_FILTER_TYPE group) const {
  const auto found = rootNode_.find(group);
  return found != rootNode_.end() ? found->second : nullptr;
}

bool KDTypeMgr::isOtherNode(const OpNodeData* node) const {
  return node && node == rootNode(FILTER_TYPE_OTHER).get();
}

std::shared_ptr<OpNodeData> KDTypeMgr::subNode(const std::string& extension) const {
  const auto found = subNodeDict_.find(extension);
  return found != subNodeDict_.end() ? found->second : nullptr;
}

void KDTypeMgr::AddFreshFiles(const KDUIScan::NodeList& fresh) {
  for (IFileNode* file : fresh)
    if (file && file->IsNodeShow() && insertFileNodeMap_.count(file) == 0) PlaceFile(file);
}

void KDTypeMgr::PlaceFile(IFileNode* file) {
  insertFileNodeMap_[file] = 1;
  // The catalogue decides where a file goes, not the group the scan filed it under.
  const std::string extension = KDUIScan::GetNodeExt(file);
  if (!catalogue_.Knows(extension)) {
    rootNode(FILTER_TYPE_OTHER)->addChildObject(file);
    return;
  }
  std::shared_ptr<OpNodeData> node = subNode(extension);
  if (!node) node = insertSubNodeToTree(extension);
  node->addChildObject(file);
}

std::shared_ptr<OpNodeData> KDTypeMgr::insertSubNodeToTree(const std::string& extension) {
  auto node = TypeGroup(extension);
  node->setScan(scan_);
  rootNode(catalogue_.GroupOf(extension))->addChildObject(node);
  subNodeDict_[extension] = node;
  return node;
}

void KDTypeMgr::setNodeState(OpNodeData* node) const {
  if (!node) return;
  std::size_t checked = 0;
  for (const OpNodeData::Child& child : node->children()) {
    IFileNode* const* file = std::get_if<IFileNode*>(&child);
    if (file && *file && (*file)->GetCheckedStatus() == CHECKED_STATUS_CHECKED) ++checked;
  }
  const std::size_t count = node->children().size();
  const int state = checked == 0 ? CHECKED_STATUS_UNCHECKED
                    : checked == count ? CHECKED_STATUS_CHECKED
                                       : CHECKED_STATUS_PARTIAL;
  node->setParentNodeState(state);
}

void KDTypeMgr::refreshTypeTreeState() {
  if (needRefreshTree_ != 1) return;
  needRefreshTree_ = 0;
  for (const _FILTER_TYPE group : kGroups) {
    const std::shared_ptr<OpNodeData> root = rootNode(group);
    if (group == FILTER_TYPE_OTHER) {
      if (!root->children().empty()) setNodeState(root.get());
      continue;
    }
    for (const OpNodeData::Child& child : root->children())
      if (const auto* node = std::get_if<std::shared_ptr<OpNodeData>>(&child)) setNodeState(node->get());
  }
}

void KDTypeMgr::setSearch(bool search) {
  insertFileNodeMap_.clear();
  clearData();
  search_ = search;
}

void KDTypeMgr::clearData() {
  for (const _FILTER_TYPE group : kGroups) {
    const std::shared_ptr<OpNodeData> root = rootNode(group);
    root->setState(CHECKED_STATUS_UNCHECKED);
    for (const OpNodeData::Child& child : root->children())
      if (const auto* node = std::get_if<std::shared_ptr<OpNodeData>>(&child)) {
        subNodeDict_.erase((*node)->name());
        (*node)->free();
      }
    root->free();
  }
  needRefreshTree_ = 1;
}

void KDTypeMgr::clear() {
  subNodeDict_.clear();
  for (const _FILTER_TYPE group : kGroups) rootNode(group)->free();
  search_ = false;
  insertFileNodeMap_.clear();
}

void KDTypeMgr::initRootNode() {
  for (const _FILTER_TYPE group : kGroups) rootNode_[group] = createRootNode(group);
}

std::shared_ptr<OpNodeData> KDTypeMgr::createRootNode(_FILTER_TYPE group) const {
  return TypeGroup(KDCPPPublic::instance()->FilterTypeToString(group));
}
