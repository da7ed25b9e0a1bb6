#pragma once
// Files the sized hits of one kind of file (documents, pictures, ...): labelled hits go to the label
// tree, the others become numbered nodes under a folder per extension in the type tree (searcher 34).

#include <map>
#include <string>

#include "RAWSearch/Controller/CLABELRAWTreeBuilder.h"

class CRAWFileNode;
class CRawFileInfo;
class IDirecotryTreeBuilder;

class CRAWFileManager {
 public:
  static constexpr int kFirstFileNodeID = 10000;
  static constexpr int kFirstFolderNodeID = 10;

  // Next ID of an extension folder, shared by every manager; reset for every search.
  static int g_nID;

  // folderParentID: the type tree's root ID; fileTypeID: the FILE_TYPE_ID served.
  CRAWFileManager(int folderParentID, int fileTypeID, IDirecotryTreeBuilder* treeBuilder);
  CRAWFileManager(const CRAWFileManager&) = delete;
  CRAWFileManager& operator=(const CRAWFileManager&) = delete;

  // 1 when the hit was delivered. The caller keeps (and deletes) the record.
  int AddRawFileInfo(CRawFileInfo* info);
  // A labelled hit goes to the label tree; one the label tree cannot place, and every other hit,
  // to the type tree. 1 when delivered.
  int AddNode(CRawFileInfo* info, unsigned int attribute, int parentID, int nodeID);

  int GetFileTypeID() const { return m_iFileTypeID; }

 private:
  bool bFindParent(CRAWFileNode* node, int& id) const;
  // The extension folder for the node, entered in the folder map; null when memory is short.
  CRAWFileNode* CreateParentNode(CRAWFileNode* node);
  // The text after the name's last dot, in lower case.
  static std::string GetExt(CRAWFileNode* node);
  int AddToTypeTree(CRawFileInfo* info, unsigned int attribute, int parentID, int nodeID);

  int m_iNextFileNodeID = kFirstFileNodeID;
  int m_iFolderParentID;
  int m_iFileTypeID;
  IDirecotryTreeBuilder* m_pTreeBuilder;  // not owned
  std::map<std::string, int> m_folders;
  CLABELRAWTreeBuilder m_labelTree;
};
