#include "FATLib/CFATFileNode.h"

#include <atomic>
#include <new>

#include "include/IDataRunList.h"
#include "Utility/CatchExeception.h"

namespace {
std::atomic<bool> g_debugTrace{false};
}

CFATFileNode::~CFATFileNode() { delete m_properties; }

const char* CFATFileNode::GetFileName() const { return m_properties != nullptr ? m_properties->GetFileName() : ""; }

long long CFATFileNode::GetFileSize() const { return m_properties != nullptr ? m_properties->GetFileSize() : 0; }

unsigned short CFATFileNode::GetAttribute() const {
  return m_properties != nullptr ? m_properties->GetAttribute() : 0;
}

unsigned long long CFATFileNode::GetCreationTime() const {
  return m_properties != nullptr ? m_properties->GetCreationTime() : 0;
}

unsigned long long CFATFileNode::GetModificationTime() const {
  return m_properties != nullptr ? m_properties->GetModificationTime() : 0;
}

unsigned long long CFATFileNode::GetLastAccessTime() const {
  return m_properties != nullptr ? m_properties->GetLastAccessTime() : 0;
}

int CFATFileNode::IsDirectory() const { return m_properties != nullptr && m_properties->IsDirectory() ? 1 : 0; }

int CFATFileNode::IsDeleted() const { return m_properties != nullptr && m_properties->IsDeleted() ? 1 : 0; }

void CFATFileNode::MarkDeleted() {
  if (m_properties != nullptr) m_properties->SetState(m_properties->GetState() | CFATFileProperties::kStateDeleted);
}

void CFATFileNode::SetFileName(const char* name) {
  if (m_properties != nullptr) m_properties->SetFileName(name);
}

void CFATFileNode::FilterFileNameByDot() {
  if (m_properties != nullptr) m_properties->SetFileName(CFileNode::FilterFileNameByDot(GetFileName()).c_str());
}

IFileNode* CFATFileNode::Clone() {
  auto* copy = new (std::nothrow) CFATFileNode(*this);
  if (copy == nullptr) return nullptr;
  if (m_properties != nullptr) {
    auto* properties = static_cast<CFATFileProperties*>(m_properties->Clone());
    if (properties == nullptr || (GetDataRunList() != nullptr && copy->GetDataRunList() == nullptr)) {
      delete properties;
      copy->Release();
      return nullptr;
    }
    copy->SetFileProperties(properties);
  }
  return copy;
}

void CFATFileNode::SetFileProperties(CFATFileProperties* properties) {
  if (properties != m_properties) delete m_properties;
  m_properties = properties;
  if (properties == nullptr) return;
  SetCurrentNodeID(properties->GetFirstCluster());
  SetParentNodeID(properties->GetParentFirstCluster());
  SetMetaDataSector(properties->GetMetadataSector());
  if (g_debugTrace.load(std::memory_order_relaxed))
    CatchExeception::WriteLog("=====%s====== Current:%llx Parent:%llx\r\n", properties->GetFileName(),
                              static_cast<unsigned long long>(GetCurrentNodeID()),
                              static_cast<unsigned long long>(GetParentNodeID()));
}

void CFATFileNode::AdoptNewerEntry(CFileNode& newer) {
  auto* fatNewer = dynamic_cast<CFATFileNode*>(&newer);
  if (fatNewer == nullptr || fatNewer->m_properties == nullptr || m_properties == nullptr) return;
  *m_properties = *fatNewer->m_properties;
}

void CFATFileNode::SetDebugTrace(bool on) { g_debugTrace.store(on, std::memory_order_relaxed); }

bool CFATFileNode::IsDebugTraceOn() { return g_debugTrace.load(std::memory_order_relaxed); }
