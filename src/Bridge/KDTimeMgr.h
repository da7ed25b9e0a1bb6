#pragma once
// The two by-date result trees: files by the year and month of their creation time (tree 2) and of their
// modification time (tree 3). Each tree has year nodes ("%04d") in ascending order under the top node the
// facade owns, month nodes ("%02d") in ascending order under each year, and the files under each month. A
// month node carries the first day of its month. The trees grow by the files the scan delivered since the last
// pass. Not thread-safe: the result trees and the facade call it under the node lock.

#include <map>
#include <memory>
#include <string>

#include "Bridge/KDUIScan.h"
#include "Bridge/OpNodeData.h"

class KDTimeMgr {
 public:
  // The process-wide manager, made on first use.
  static KDTimeMgr* share();
  // Tests: drops the manager; the next share() makes a new one. Call it before anything takes the manager.
  static void ResetForTests();

  // Places the shown files among fresh, the files the scan delivered since the caller's last pass, in the tree of
  // keyType (2 creation, 3 modification) under top.
  void AddFreshFiles(OpNodeData* top, int keyType, const KDUIScan::NodeList& fresh);
  // Places one file by its time of the tree being built; nothing for a time without a local date.
  void AddFileNode(IFileNode* file, OpNodeData* top);
  std::shared_ptr<OpNodeData> insertYear(int year, OpNodeData* top);
  std::shared_ptr<OpNodeData> insertMonth(int month, int year, OpNodeData* yearNode);
  // Index of the first group whose name sorts after name (numbers by value, other names ignoring case); -1
  // when none does (append).
  static int GetDateInsertIndex(const std::string& name, const OpNodeData::Children& nodes);

  // Before every scan and restore (the facade empties the top nodes itself); both trees need recounting.
  void clear();
  void setSearch(bool) { clear(); }
  // The scan (ResultTrees' generation) the year and month groups made from now on belong to.
  void setScan(std::uint64_t scan) { scan_ = scan; }

  // A check box changed while the scan's view type is shown: flags the date trees not on show.
  void KDSetNeedRefreshTree();
  // The flag of the date tree on show (1 when no date tree is shown).
  int KDGetNeedRefreshTree() const;
  void KDResetNeedRefreshTree();

 private:
  using YearNodes = std::map<int, std::shared_ptr<OpNodeData>>;
  using MonthNodes = std::map<const OpNodeData*, std::map<int, std::shared_ptr<OpNodeData>>>;

  // Places a file of the tree being built unless it is a folder, hidden or without that time.
  void PlaceShown(IFileNode* file, OpNodeData* top);
  // A year or month group of the tree being built, in name order among parent's children when given.
  std::shared_ptr<OpNodeData> MakeGroup(std::string name, bool expandable, OpNodeData* parent) const;
  YearNodes& Years();
  MonthNodes& Months();

  YearNodes createYearTimeDic_;
  YearNodes modifyYearTimeDic_;
  MonthNodes createMonthTimeDic_;
  MonthNodes modifyMonthTimeDic_;
  int keyType_ = NODE_TREE_CREATION_TIME;
  std::uint64_t scan_ = 0;
  int iCreateTimeTreeNeedRefresh_ = 0;
  int iModifyTimeTeeeNeedRefresh_ = 0;
};
