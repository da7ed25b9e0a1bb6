#pragma once
// One node of the result outlines (path, file type, creation and modification date) as the windows see it:
// either a wrapper of a found IFileNode, borrowed from the scan's result trees, or a group of its own (a file
// type, an extension, a year, a month) with its own name, check state and children. Clicking a check box keeps
// groups and found nodes consistent: a checked or unchecked group pushes its state down to every file below
// it, a changed child rolls up into the groups above it, and the half state is never pushed down.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Bridge/NodeTreeType.h"
#include "Bridge/TreeNodeData.h"
#include "include/IFileNode.h"

class OpNodeData {
 public:
  // A child is another wrapper or group, or a found file listed directly (the files of an extension or month).
  using Child = std::variant<std::shared_ptr<OpNodeData>, IFileNode*>;
  using Children = std::vector<Child>;

  // Icon kinds, as nodeType() answers them.
  static constexpr int kIconFileSystem = 0;
  static constexpr int kIconNode = 1;
  static constexpr int kIconDocument = 2;
  static constexpr int kIconPicture = 3;
  static constexpr int kIconMovie = 4;
  static constexpr int kIconMusic = 5;
  static constexpr int kIconArchives = 6;
  static constexpr int kIconEmail = 7;
  static constexpr int kIconOther = 8;
  static constexpr int kIconYear = 9;
  static constexpr int kIconMonth = 10;
  static constexpr int kIconUnknown = 11;

  // An empty wrapper.
  OpNodeData();
  // A path-tree wrapper of node (null gives an empty wrapper).
  explicit OpNodeData(IFileNode* node);
  // Takes the node and the file-system-root flag of the record; its directory and deleted flags are not used.
  explicit OpNodeData(const __TreeNodeData__& data);

  // Drops the children as free() does, without a nested destructor per level of a deep tree.
  ~OpNodeData();
  OpNodeData(const OpNodeData&) = delete;
  OpNodeData& operator=(const OpNodeData&) = delete;

  // Children. The parent of an OpNodeData child becomes this node.
  void setSubNode(Children children);
  void addChildObject(Child child);
  // At index (appends past the end).
  void insertChildObject(std::size_t index, Child child);
  // Drops every child (and, through them, their own children).
  void free();

  // Stored values.
  IFileNode* fileNode() const { return fileNode_; }
  bool isFileSystem() const { return isFileSystem_ != 0; }
  int type() const { return type_; }
  OpNodeData* parent() const { return parent_; }
  // The scan generation (ResultTrees) of the results the node belongs to; 0 for a group that lives as long as
  // the process (a type group) and is good in every scan. The facade acts on no node of an earlier scan.
  std::uint64_t scan() const { return scan_; }
  const Children& children() const { return children_; }
  bool isExpandAble() const { return isExpandAble_ != 0; }
  bool isExpand() const { return isExpand_ != 0; }
  std::time_t createtime() const { return createTime_; }
  std::time_t modifytime() const { return modifyTime_; }

  void setType(int type) { type_ = type; }
  void setScan(std::uint64_t scan) { scan_ = scan; }
  // Not owned: a node's parent outlives it.
  void setParent(OpNodeData* parent) { parent_ = parent; }
  void setFadeName(std::string name) { fadeName_ = std::move(name); }
  void setExpandAble(bool expandable) { isExpandAble_ = expandable ? 1 : 0; }
  void setExpand(bool expanded) { isExpand_ = expanded ? 1 : 0; }
  void setCreateTime(std::time_t seconds) { createTime_ = seconds; }
  void setModifyTime(std::time_t seconds) { modifyTime_ = seconds; }
  // A group's or empty wrapper's own mark, nothing above or below it touched.
  void setState(int state) { state_ = state; }

  // Answers that depend on what the node is (a group, an empty wrapper, a wrapper of a found node).
  // A group: a node of a type, date or access tree that wraps no found node.
  bool isFadeNode() const;
  bool isDirect() const;
  std::uint64_t size() const;
  std::string name() const;
  std::string path() const;
  std::string createTime() const;
  std::string modifyTime() const;
  std::string lastAccessTime() const;
  std::uint64_t createTimeValue() const;
  std::uint64_t modifyTimeValue() const;
  bool isDeleted() const;
  // 0 unchecked, 1 partly checked, 2 checked.
  int state() const;
  bool IsShow() const;
  void SetShow(int show);
  bool isHasFolderChildren() const;
  int nodeType() const;

  // A click on the node's box: the node (and the found node it wraps) takes s, the groups above it are
  // recounted and, unless s is 1, everything below takes s.
  void setNodeState(int s);
  // Stores s and recounts the groups above.
  void setParentNodeState(int s);
  // Stores s (or hands it to the wrapped node when the parent is a group) and, unless s is 1, pushes it down.
  void SetChildrenNodeState(int s);

  // Questions about a found node; null is none.
  static bool isFileNodeDirect(IFileNode* node);
  static bool isFileNodeDeleted(IFileNode* node);
  static int fileNodeState(IFileNode* node);
  // Only the states 0 to 2 are set; anything else and null change nothing.
  static void setFileNode(IFileNode* node, int state);
  static std::string fileNodeName(IFileNode* node);

 private:
  bool IsEmptyWrapper() const { return !fileNode_ && !isFadeNode(); }
  // The state a child adds to its parent's sum: a found file listed directly counts by its own check mark.
  static int ChildState(const Child& child);
  void Adopt(const Child& child);

  std::int32_t isFileSystem_ = 0;
  IFileNode* fileNode_ = nullptr;
  std::int32_t state_ = 0;
  std::int32_t isExpandAble_ = 0;
  std::int32_t isExpand_ = 0;
  std::time_t createTime_ = 0;
  std::time_t modifyTime_ = 0;
  OpNodeData* parent_ = nullptr;
  Children children_;
  std::optional<std::string> fadeName_;
  std::int32_t type_ = NODE_TREE_PATH;
  std::uint64_t scan_ = 0;
};
