#include "Bridge/KDTimeMgr.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <utility>

#include "Bridge/KDCPPPublic.h"

namespace {

std::mutex instanceLock;
std::unique_ptr<KDTimeMgr> instanceObject;

bool IsDateTree(int type) { return type == NODE_TREE_CREATION_TIME || type == NODE_TREE_MODIFICATION_TIME; }

std::string YearName(int year) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d", year);
  return text;
}

std::string MonthName(int month) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", month);
  return text;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// Whether left sorts after right: numbers (years past 9999 have more digits) by value, other names by their
// letters regardless of case.
bool SortsAfter(const std::string& left, const std::string& right) {
  if (AllDigits(left) && AllDigits(right) && left.size() != right.size()) return left.size() > right.size();
  for (std::size_t i = 0; i < left.size() && i < right.size(); ++i) {
    const int l = std::tolower(static_cast<unsigned char>(left[i]));
    const int r = std::tolower(static_cast<unsigned char>(right[i]));
    if (l != r) return l > r;
  }
  return left.size() > right.size();
}

// The first day of that month at the current local time of day: a month node's time stays inside its month.
std::time_t FirstDayOfMonth(int year, int month) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = 1;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

}  // namespace

KDTimeMgr* KDTimeMgr::share() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  if (!instanceObject) instanceObject = std::make_unique<KDTimeMgr>();
  return instanceObject.get();
}

void KDTimeMgr::ResetForTests() {
  const std::lock_guard<std::mutex> hold(instanceLock);
  instanceObject.reset();
}

void KDTimeMgr::AddFreshFiles(OpNodeData* top, int keyType, const KDUIScan::NodeList& fresh) {
  keyType_ = keyType;
  if (!top || !IsDateTree(keyType)) return;
  for (IFileNode* file : fresh) PlaceShown(file, top);
}

void KDTimeMgr::PlaceShown(IFileNode* file, OpNodeData* top) {
  if (!file || file->IsDirectory()) return;
  const std::uint64_t time =
      keyType_ == NODE_TREE_CREATION_TIME ? file->GetCreationTime() : file->GetModificationTime();
  if (time != 0 && file->IsNodeShow()) AddFileNode(file, top);
}

void KDTimeMgr::AddFileNode(IFileNode* file, OpNodeData* top) {
  if (!file || !top || !IsDateTree(keyType_)) return;
  int year = 0;
  int month = 0;
  KDCPPPublic::instance()->GetYearMonthByFileTime(
      &year, &month, keyType_ == NODE_TREE_CREATION_TIME ? file->GetCreationTime() : file->GetModificationTime());
  if (year < 1 || month < 1) return;
  std::shared_ptr<OpNodeData> monthNode;
  const auto knownYear = Years().find(year);
  if (knownYear != Years().end()) {
    auto& months = Months()[knownYear->second.get()];
    const auto knownMonth = months.find(month);
    monthNode = knownMonth != months.end() ? knownMonth->second : insertMonth(month, year, knownYear->second.get());
  } else {
    const std::shared_ptr<OpNodeData> yearNode = insertYear(year, top);
    monthNode = insertMonth(month, year, yearNode.get());
  }
  monthNode->addChildObject(file);
}

std::shared_ptr<OpNodeData> KDTimeMgr::MakeGroup(std::string name, bool expandable, OpNodeData* parent) const {
  __TreeNodeData__ data;
  data.isDirect = 1;
  data.isDeleted = 1;
  auto node = std::make_shared<OpNodeData>(data);
  node->setType(keyType_);
  node->setScan(scan_);
  node->setFadeName(std::move(name));
  node->setExpandAble(expandable);
  if (parent) {
    const int at = GetDateInsertIndex(node->name(), parent->children());
    if (at < 0)
      parent->addChildObject(node);
    else
      parent->insertChildObject(static_cast<std::size_t>(at), node);
  }
  return node;
}

std::shared_ptr<OpNodeData> KDTimeMgr::insertYear(int year, OpNodeData* top) {
  auto node = MakeGroup(YearName(year), true, top);
  Years()[year] = node;
  return node;
}

std::shared_ptr<OpNodeData> KDTimeMgr::insertMonth(int month, int year, OpNodeData* yearNode) {
  auto node = MakeGroup(MonthName(month), false, yearNode);
  const std::time_t time = FirstDayOfMonth(year, month);
  if (keyType_ == NODE_TREE_MODIFICATION_TIME) {
    node->setModifyTime(time);
    if (yearNode) yearNode->setModifyTime(time);
  } else {
    node->setCreateTime(time);
    if (yearNode) yearNode->setCreateTime(time);
  }
  Months()[yearNode][month] = node;
  return node;
}

int KDTimeMgr::GetDateInsertIndex(const std::string& name, const OpNodeData::Children& nodes) {
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    const auto* node = std::get_if<std::shared_ptr<OpNodeData>>(&nodes[i]);
    if (node && *node && SortsAfter((*node)->name(), name)) return static_cast<int>(i);
  }
  return -1;
}

void KDTimeMgr::clear() {
  createYearTimeDic_.clear();
  modifyYearTimeDic_.clear();
  createMonthTimeDic_.clear();
  modifyMonthTimeDic_.clear();
  iCreateTimeTreeNeedRefresh_ = 1;
  iModifyTimeTeeeNeedRefresh_ = 1;
}

void KDTimeMgr::KDSetNeedRefreshTree() {
  switch (KDUIScan::instance()->GetScanType()) {
    case NODE_TREE_PATH:
    case NODE_TREE_FILE_TYPE:
      iCreateTimeTreeNeedRefresh_ = 1;
      iModifyTimeTeeeNeedRefresh_ = 1;
      break;
    case NODE_TREE_CREATION_TIME:
      iModifyTimeTeeeNeedRefresh_ = 1;
      break;
    case NODE_TREE_MODIFICATION_TIME:
      iCreateTimeTreeNeedRefresh_ = 1;
      break;
    default:
      break;
  }
}

int KDTimeMgr::KDGetNeedRefreshTree() const {
  switch (KDUIScan::instance()->GetScanType()) {
    case NODE_TREE_CREATION_TIME: return iCreateTimeTreeNeedRefresh_;
    case NODE_TREE_MODIFICATION_TIME: return iModifyTimeTeeeNeedRefresh_;
    default: return 1;
  }
}

void KDTimeMgr::KDResetNeedRefreshTree() {
  switch (KDUIScan::instance()->GetScanType()) {
    case NODE_TREE_CREATION_TIME: iCreateTimeTreeNeedRefresh_ = 0; break;
    case NODE_TREE_MODIFICATION_TIME: iModifyTimeTeeeNeedRefresh_ = 0; break;
    default: break;
  }
}

KDTimeMgr::YearNodes& KDTimeMgr::Years() {
  return keyType_ == NODE_TREE_MODIFICATION_TIME ? modifyYearTimeDic_ : createYearTimeDic_;
}

KDTimeMgr::MonthNodes& KDTimeMgr::Months() {
  return keyType_ == NODE_TREE_MODIFICATION_TIME ? modifyMonthTimeDic_ : createMonthTimeDic_;
}

