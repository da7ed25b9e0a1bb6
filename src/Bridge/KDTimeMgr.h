#pragma once
// The two by-date result trees: files by the year and month of their creation time (tree 2) and of their
// modification time (tree 3). Each tree has year nodes ("%04d") in ascending order under the top node the
// facade owns, month nodes ("%02d") in ascending order under each year, and the files under each month. A
// month node carries the first day of its month. The trees grow from the scan's month maps at each refresh,
// each month starting where the last refresh stopped. Not thread-safe: the facade calls it under its tree lock.

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

  // Adds the files found since the last call to the tree of keyType (2 creation, 3 modification) under top.
  void refreshTimeTree(OpNodeData* top, int keyType);
  // The same from a given copy of the scan's month map for that tree.
  void refreshTimeTree(OpNodeData* top, int keyType, const KDUIScan::MonthMap& months);
  // Places the shown files among fresh, the files the scan delivered since the caller's last pass.
  void AddFreshFiles(OpNodeData* top, int keyType, const KDUIScan::NodeList& fresh);
  // Places one file by its time of the tree being built; nothing for a time without a local date.
  void AddFileNode(IFileNode* file, OpNodeData* top);
  std::shared_ptr<OpNodeData> insertYear(int year, OpNodeData* top);
  std::shared_ptr<OpNodeData> insertMonth(int month, int year, OpNodeData* yearNode);
  // Index of the first group whose name sorts after name (numbers by value, other names ignoring case); -1
  // when none does (append).
  static int GetDateInsertIndex(const std::string& name, const OpNodeData::Children& nodes);

  // Where the next refresh of that month of tree type starts (0 when none).
  std::size_t getIndex(int year, int month, int type) const;
  void setIndex(std::size_t index, int year, int month, int type);
  void initMap();
  // Before every scan and restore (the facade empties the top nodes itself); both trees need recounting.
  void clear();
  void setSearch(bool) { clear(); }

  // A check box changed while the scan's view type is shown: flags the date trees not on show.
  void KDSetNeedRefreshTree();
  // The flag of the date tree on show (1 when no date tree is shown).
  int KDGetNeedRefreshTree() const;
  void KDResetNeedRefreshTree();

 private:
  using YearNodes = std::map<int, std::shared_ptr<OpNodeData>>;
  using MonthNodes = std::map<const OpNodeData*, std::map<int, std::shared_ptr<OpNodeData>>>;
  using IndexMap = std::map<int, std::size_t>;

  // Places a file of the tree being built unless it is a folder, hidden or without that time.
  void PlaceShown(IFileNode* file, OpNodeData* top);
  // A year or month group of the tree being built, in name order among parent's children when given.
  std::shared_ptr<OpNodeData> MakeGroup(std::string name, bool expandable, OpNodeData* parent) const;
  YearNodes& Years();
  MonthNodes& Months();
  IndexMap* Indexes(int type);
  const IndexMap* Indexes(int type) const;

  YearNodes createYearTimeDic_;
  YearNodes modifyYearTimeDic_;
  MonthNodes createMonthTimeDic_;
  MonthNodes modifyMonthTimeDic_;
  IndexMap createTimeMap_;
  IndexMap modifyTimeMap_;
  int keyType_ = NODE_TREE_CREATION_TIME;
  int iCreateTimeTreeNeedRefresh_ = 0;
  int iModifyTimeTeeeNeedRefresh_ = 0;
};
