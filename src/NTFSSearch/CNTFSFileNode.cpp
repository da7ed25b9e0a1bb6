#include "NTFSSearch/CNTFSFileNode.h"

#include <new>

#include "DataRecovery/CompressFileReader.h"
#include "include/IDataRunList.h"

CNTFSFileNode::~CNTFSFileNode() { CNTFSFileProperties::Destory(m_properties); }

const char* CNTFSFileNode::GetFileName() const { return m_properties != nullptr ? m_properties->GetFileName() : ""; }

long long CNTFSFileNode::GetFileSize() const { return m_properties != nullptr ? m_properties->GetFileSize() : 0; }

unsigned short CNTFSFileNode::GetAttribute() const {
  return m_properties != nullptr ? m_properties->GetAttribute() : 0;
}

unsigned long long CNTFSFileNode::GetCreationTime() const {
  return m_properties != nullptr ? m_properties->GetCreationTime() : 0;
}

unsigned long long CNTFSFileNode::GetModificationTime() const {
  return m_properties != nullptr ? m_properties->GetModificationTime() : 0;
}

unsigned long long CNTFSFileNode::GetLastAccessTime() const {
  return m_properties != nullptr ? m_properties->GetLastAccessTime() : 0;
}

int CNTFSFileNode::IsDeleted() const {
  return m_properties != nullptr && (m_properties->GetState() & CNTFSFilePropertiesStruct::kStateDeleted) != 0 ? 1
                                                                                                                : 0;
}

void CNTFSFileNode::MarkDeleted() {
  if (m_properties != nullptr) m_properties->SetState(m_properties->GetState() | CNTFSFilePropertiesStruct::kStateDeleted);
}

IFileReader* CNTFSFileNode::CreateCompressFileReader(void* /*unused*/) { return new (std::nothrow) CCompressFileReader(); }

void CNTFSFileNode::SetFileName(const char* name) {
  if (m_properties != nullptr) m_properties->SetFileName(name);
}

void CNTFSFileNode::FilterFileNameByDot() {
  if (m_properties != nullptr) m_properties->SetFileName(CFileNode::FilterFileNameByDot(GetFileName()).c_str());
}

IFileNode* CNTFSFileNode::Clone() {
  auto* copy = new (std::nothrow) CNTFSFileNode();
  if (copy == nullptr) return nullptr;
  if (m_properties != nullptr) {
    auto* properties = static_cast<CNTFSFileProperties*>(m_properties->Clone());
    if (properties == nullptr) {
      copy->Release();
      return nullptr;
    }
    copy->SetFileProperties(properties);
  }
  // The node's own runs may differ from the properties' (a reader may have set them).
  if (GetDataRunList() != nullptr) copy->SetDataRunList(GetDataRunList()->Clone());
  copy->m_private = m_private;
  return copy;
}

void CNTFSFileNode::SetFileProperties(CNTFSFileProperties* properties) {
  if (properties != m_properties) CNTFSFileProperties::Destory(m_properties);
  m_properties = properties;
  SetCurrentNodeID(0);
  SetParentNodeID(kRootFolder);
  if (properties == nullptr) return;
  SetMetaDataSector(properties->GetFileRecordStartSector());
  // A list of the node's own, without leaving an unpacked copy in the properties as well.
  SetDataRunList(properties->NewDataRunList());
}
