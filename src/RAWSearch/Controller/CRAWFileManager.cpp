#include "RAWSearch/Controller/CRAWFileManager.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "RAWSearch/Controller/CRAWFileNode.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "include/IFileSystemSearchController.h"

int CRAWFileManager::g_nID = CRAWFileManager::kFirstFolderNodeID;

CRAWFileManager::CRAWFileManager(int folderParentID, int fileTypeID, IDirecotryTreeBuilder* treeBuilder)
    : m_iFolderParentID(folderParentID), m_iFileTypeID(fileTypeID), m_pTreeBuilder(treeBuilder) {}

int CRAWFileManager::AddRawFileInfo(CRawFileInfo* info) {
  if (!info) return 0;
  return AddNode(info, kFileAttributeArchive, m_iFileTypeID, m_iNextFileNodeID++);
}

int CRAWFileManager::AddNode(CRawFileInfo* info, unsigned int attribute, int parentID, int nodeID) {
  if (!info) return 0;
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  info->GetRawFileTagAndValue(tag, value);
  if (tag != RAW_FILE_TAG_NONE) {
    const int labelled = m_labelTree.InsertNodeToTree(info, m_pTreeBuilder);
    if (labelled != CLABELRAWTreeBuilder::kNotPlaced) return labelled == CLABELRAWTreeBuilder::kFiled ? 1 : 0;
  }
  return AddToTypeTree(info, attribute, parentID, nodeID);
}

int CRAWFileManager::AddToTypeTree(CRawFileInfo* info, unsigned int attribute, int parentID, int nodeID) {
  auto* node = new (std::nothrow) CRAWFileNode();
  if (!node || !m_pTreeBuilder || !node->Initilaize(info, attribute, parentID, nodeID)) {
    delete node;
    return 0;
  }
  int folderID = 0;
  CRAWFileNode* folder = nullptr;
  if (bFindParent(node, folderID)) {
    node->SetParentNodeID(folderID);
  } else if ((folder = CreateParentNode(node)) != nullptr) {
    node->SetParentNodeID(folder->GetCurrentNodeID());
  }
  // The file before its new folder: children reach the builder before their parents.
  if (!m_pTreeBuilder->AddNode(node, SEARCHER_RAW)) {
    node->Release();
    if (folder && !m_pTreeBuilder->AddNode(folder, SEARCHER_RAW)) folder->Release();
    return 0;
  }
  if (folder && !m_pTreeBuilder->AddNode(folder, SEARCHER_RAW)) {
    folder->Release();
    return 0;
  }
  return 1;
}

bool CRAWFileManager::bFindParent(CRAWFileNode* node, int& id) const {
  const auto found = m_folders.find(GetExt(node));
  if (found == m_folders.end()) return false;
  id = found->second;
  return true;
}

CRAWFileNode* CRAWFileManager::CreateParentNode(CRAWFileNode* node) {
  const std::string extension = GetExt(node);
  CRawFileInfo record;
  record.m_llStartSector = -1;
  record.SetRawFileName(extension);
  auto* folder = new (std::nothrow) CRAWFileNode();
  if (!folder || !folder->Initilaize(&record, kFileAttributeDirectory, m_iFolderParentID, g_nID)) {
    delete folder;
    return nullptr;
  }
  m_folders.emplace(extension, g_nID++);
  return folder;
}

std::string CRAWFileManager::GetExt(CRAWFileNode* node) {
  const char* name = node ? node->GetFileName() : nullptr;
  if (!name) return {};
  const std::string text(name);
  const std::size_t dot = text.rfind('.');
  if (dot == std::string::npos) return {};
  std::string extension = text.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}
