#include "ExFat/CExFatFileNode.h"

#include <new>

#include "include/IDataRunList.h"

IFileNode* CExFatFileNode::Clone() {
  auto* copy = new (std::nothrow) CExFatFileNode();
  if (copy == nullptr) return nullptr;
  copy->m_attributes = m_attributes;
  copy->m_creation = m_creation;
  copy->m_modification = m_modification;
  copy->m_lastAccess = m_lastAccess;
  copy->m_name = m_name;
  copy->m_size = m_size;
  if (GetDataRunList() != nullptr) {
    IDataRunList* runs = GetDataRunList()->Clone();
    if (runs == nullptr) {
      copy->Release();
      return nullptr;
    }
    copy->SetDataRunList(runs);
  }
  return copy;
}

void CExFatFileNode::SetFileName(const char* name) {
  if (name != nullptr) m_name = name;
}

void CExFatFileNode::FilterFileNameByDot() { m_name = CFileNode::FilterFileNameByDot(m_name); }

void CExFatFileNode::SetFileTime(std::uint64_t creation, std::uint64_t modification, std::uint64_t lastAccess) {
  m_creation = creation;
  m_modification = modification;
  m_lastAccess = lastAccess;
}
