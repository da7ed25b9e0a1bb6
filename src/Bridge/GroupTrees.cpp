#include "Bridge/GroupTrees.h"

#include "Bridge/BridgeServices.h"
#include "Bridge/KDTimeMgr.h"
#include "Bridge/KDTypeMgr.h"
#include "Bridge/KDUIScan.h"

namespace quellsy::bridge {

std::vector<IFileNode*> FreshFiles::Take(KDUIScan& scan) {
  std::vector<IFileNode*> fresh = scan.KDGetFileNodesSince(read_);
  read_ += fresh.size();
  return fresh;
}

void TypeGroupTree::Clear(std::uint64_t scan) {
  KDTypeMgr::share()->clear();
  KDTypeMgr::share()->setScan(scan);
  fresh_.Restart();
}

void TypeGroupTree::SetSearch(bool searching) {
  KDTypeMgr::share()->setSearch(searching);
  fresh_.Restart();
}

void TypeGroupTree::Refresh(KDUIScan& scan) { KDTypeMgr::share()->AddFreshFiles(fresh_.Take(scan)); }

void TypeGroupTree::SetNeedRefresh() { KDTypeMgr::share()->KDSetNeedRefreshTree(); }

std::vector<std::shared_ptr<OpNodeData>> TypeGroupTree::Roots() const { return KDTypeMgr::share()->getRootNode(); }

DateGroupTree::DateGroupTree(NODE_TREE_TYPE kind) : kind_(kind), top_(MakeTop()) {}

std::shared_ptr<OpNodeData> DateGroupTree::MakeTop() const {
  __TreeNodeData__ data;
  data.isDirect = 1;
  data.isDeleted = 1;
  auto top = std::make_shared<OpNodeData>(data);
  top->setFadeName(Translator().Translate(
      kind_ == NODE_TREE_CREATION_TIME ? "CREATE_TIME_ROOT_NAME" : "MODIFY_TIME_ROOT_NAME", ""));
  top->setExpandAble(true);
  top->setType(kind_);
  top->setScan(scan_);
  return top;
}

void DateGroupTree::Clear(std::uint64_t scan) {
  scan_ = scan;
  KDTimeMgr::share()->clear();
  KDTimeMgr::share()->setScan(scan);
  // A new top rather than an emptied one: nodes the windows still hold from the last scan stay as they were.
  top_ = MakeTop();
  fresh_.Restart();
}

void DateGroupTree::SetSearch(bool searching) {
  KDTimeMgr::share()->setSearch(searching);
  top_ = MakeTop();
  fresh_.Restart();
}

void DateGroupTree::Refresh(KDUIScan& scan) { KDTimeMgr::share()->AddFreshFiles(top_.get(), kind_, fresh_.Take(scan)); }

void DateGroupTree::SetNeedRefresh() { KDTimeMgr::share()->KDSetNeedRefreshTree(); }

}  // namespace quellsy::bridge
