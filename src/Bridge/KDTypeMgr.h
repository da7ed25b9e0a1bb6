#pragma once
// The file-type catalogue and the by-type result tree: seven group nodes (document, picture, movie, music,
// archives, e-mail, other), under each group one node per extension made when its first file arrives, under
// each extension the found files. Files with an extension no list names hang directly under "other". The tree
// grows by the files the scan delivered since the last pass, and recounts its check marks on request. Not
// thread-safe: the result trees and the facade call it under the node lock.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Bridge/FileTypeCatalogue.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/OpNodeData.h"

class KDTypeMgr {
 public:
  // The process-wide manager over the installed catalogue, made on first use.
  static KDTypeMgr* share();
  // Tests: drops the manager; the next share() makes a new one from the installed catalogue, or from the given
  // file. Call it before anything takes the manager or its nodes.
  static void ResetForTests();
  static void ResetForTests(const std::filesystem::path& catalogue);

  explicit KDTypeMgr(FileTypeCatalogue catalogue);

  const FileTypeCatalogue& catalogue() const { return catalogue_; }
  // The group's extensions joined with ";" (what the engine's file-type table is filled with); "" for 64.
  std::string getTypeString(_FILTER_TYPE group) const;

  // The seven group roots in the order 1, 2, 4, 8, 16, 32, 64.
  std::vector<std::shared_ptr<OpNodeData>> getRootNode() const;
  std::shared_ptr<OpNodeData> rootNode(_FILTER_TYPE group) const;
  bool isOtherNode(const OpNodeData* node) const;
  // The node of an extension once a file of it was placed; null before.
  std::shared_ptr<OpNodeData> subNode(const std::string& extension) const;

  // Places the shown files among fresh, the files the scan delivered since the caller's last pass.
  void AddFreshFiles(const KDUIScan::NodeList& fresh);

  // Recounts one extension node's (or the other group's) mark from its files: 2 when all of at least one
  // are checked, 1 when some are, else 0; its group takes what its extensions add up to.
  void setNodeState(OpNodeData* node) const;
  // Recounts every mark when flagged.
  void refreshTypeTreeState();
  void KDSetNeedRefreshTree() { needRefreshTree_ = 1; }
  int KDNeedRefreshTree() const { return needRefreshTree_; }

  // Empties the tree; the next refresh rebuilds it from the start with the files shown then.
  void setSearch(bool search);
  bool isSearch() const { return search_; }
  // Every root unchecked and emptied, the extension nodes dropped; the placed files kept.
  void clearData();
  // Before every scan and restore: the tree emptied, the placed files forgotten.
  void clear();
  // The scan (ResultTrees' generation) the extension groups made from now on belong to; the roots belong to none.
  void setScan(std::uint64_t scan) { scan_ = scan; }

 private:
  void initRootNode();
  std::shared_ptr<OpNodeData> createRootNode(_FILTER_TYPE group) const;
  std::shared_ptr<OpNodeData> insertSubNodeToTree(const std::string& extension);
  void PlaceFile(IFileNode* file);

  FileTypeCatalogue catalogue_;
  std::map<_FILTER_TYPE, std::shared_ptr<OpNodeData>> rootNode_;
  std::map<std::string, std::shared_ptr<OpNodeData>> subNodeDict_;
  std::map<IFileNode*, int> insertFileNodeMap_;
  bool search_ = false;
  std::uint64_t scan_ = 0;
  int needRefreshTree_ = 0;
};
