#pragma once
// Holds the recycle-bin nodes of each searcher until its trees are flushed, then gives the folders and data
// files back, named again after the paths their "$I" files keep, for the tree builder to add once more.
// Only the lists live here; the tree builder owns the nodes.

#include <map>
#include <set>
#include <vector>

#include "include/SearcherType.h"

class CSearchedPartitionInfo;
class IFileNode;
class IStorageDevice;

class CRecycleBinHolding {
 public:
  struct Restored {
    std::vector<IFileNode*> readd;    // folders by ascending parent ID, then data files
    std::vector<IFileNode*> discard;  // the "$I" files, read or not
  };

  // A bin folder or a node below one, a "$I"/"#I" or "$R"/"#R" name, or a parent held as a bin folder of the
  // same searcher (node IDs of different file systems have nothing in common).
  bool Belongs(IFileNode* node, _tagSearcherType searcher) const;
  void Hold(IFileNode* node, _tagSearcherType searcher);
  // Empties the searcher's lists. With a device, "$R" names are restored from the matching "$I" files, read
  // through the engine's file reader at the partition's cluster origin (origin 0 and 2 sectors per cluster
  // without a record).
  Restored Take(_tagSearcherType searcher, IStorageDevice* device, const CSearchedPartitionInfo* partition);

 private:
  struct Held {
    std::vector<IFileNode*> folders;
    std::vector<IFileNode*> dataFiles;
    std::vector<IFileNode*> infoFiles;
    std::set<long long> folderIDs;
  };

  std::map<_tagSearcherType, Held> m_held;
};
