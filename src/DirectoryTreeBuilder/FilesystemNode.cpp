#include "DirectoryTreeBuilder/FilesystemNode.h"

#include <new>

CFilesystemNode::CFilesystemNode(const char* name, const char* volumeName, _tagSearcherType searcher, long long id)
    : m_searcher(searcher), m_name(name != nullptr ? name : ""), m_volumeName(volumeName != nullptr ? volumeName : "") {
  SetCurrentNodeID(id);
}

IFileNode* CFilesystemNode::Clone() { return new (std::nothrow) CFilesystemNode(*this); }
