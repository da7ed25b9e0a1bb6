#pragma once
// Made-up scan results for the scripted backend: file-system roots with folders and files of every kind
// (thousands when asked), with sizes, creation and modification times, deleted marks and check states on real
// engine nodes, delivered a part at a time as a scan would; and the four result trees the windows read: the
// path tree by position, the type tree (seven groups, extensions, files) and the two date trees (top, years,
// months, files). A search shows only the files whose name holds the key, and builds the trees anew.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Bridge/ResultTrees.h"
#include "include/IFileNode.h"

class CFileNode;
class OpNodeData;

namespace quellsy::ui {

struct ScriptedResultShape {
  std::vector<std::string> volumes{"System disk"};
  int topFolders = 4;
  int depth = 2;             // levels of folders below the top ones
  int foldersPerFolder = 2;  // below each folder above the last level
  int filesPerFolder = 12;
  int deletedEvery = 3;      // every n-th file is a deleted one (0: none)
  std::uint32_t seed = 7;    // sizes and times follow from it
};

class ScriptedResults {
 public:
  ScriptedResults();
  ~ScriptedResults();
  ScriptedResults(const ScriptedResults&) = delete;
  ScriptedResults& operator=(const ScriptedResults&) = delete;

  // Makes the nodes of shape; none is delivered yet.
  void Make(const ScriptedResultShape& shape);
  // Delivers nodes (folders before the files in them) up to fraction (0 to 1) of all; the trees grow.
  void DeliverUpTo(double fraction);
  void Clear();

  std::size_t FileCount() const { return files_.size(); }
  std::size_t FolderCount() const;
  std::size_t DeliveredFiles() const;
  std::uint64_t DeliveredSize() const;
  std::vector<IFileNode*> AllFiles() const;
  // The checked, shown files and their total size.
  std::vector<IFileNode*> CheckedFiles(std::uint64_t& size) const;

  // Shows only the delivered files whose name holds key (all for an empty key) and builds the trees anew.
  void Search(const std::string& key);
  // Builds every tree again from what was delivered; with clearRoots each root is shown and unchecked.
  void Rebuild(bool clearRoots);
  void UncheckAll();

  bridge::PathTreeTail PathTail(std::size_t from) const;
  std::vector<IFileNode*> PathChildFiles(std::size_t folder) const;
  std::size_t PathChildrenCount(std::size_t folder) const;
  std::vector<std::shared_ptr<OpNodeData>> TopNodes(int kind) const;

 private:
  struct Folder {
    bridge::PathTreeEntry entry;
    std::vector<std::size_t> children;
    std::vector<IFileNode*> files;
  };
  void BuildTrees();
  // A folder into the path tree, a file into its folder and the group trees.
  void Deliver(IFileNode* node);
  void PlaceFolder(IFileNode* node);
  void AddToGroups(IFileNode* file);

  std::vector<std::unique_ptr<CFileNode>> nodes_;
  std::vector<IFileNode*> order_;  // delivery order: each folder before what it holds
  std::vector<IFileNode*> files_;
  std::size_t delivered_ = 0;
  std::uint64_t generation_ = 0;
  std::vector<Folder> folders_;
  std::unordered_map<IFileNode*, std::size_t> folderIds_;
  std::vector<std::shared_ptr<OpNodeData>> typeGroups_;
  std::shared_ptr<OpNodeData> createTop_;
  std::shared_ptr<OpNodeData> modifyTop_;
};

}  // namespace quellsy::ui
