#include "NTFSSearch/CNTFSFileProperties.h"

#include <new>

#include "include/IDataRunList.h"

void CNTFSFileProperties::ListDeleter::operator()(IDataRunList* list) const {
  if (list != nullptr) list->Release();
}

CNTFSFileProperties* CNTFSFileProperties::Create() { return new (std::nothrow) CNTFSFileProperties(); }

void CNTFSFileProperties::Init(CNTFSFilePropertiesStruct record) { Init(std::move(record), nullptr); }

void CNTFSFileProperties::Init(CNTFSFilePropertiesStruct record, IDataRunList* unpacked) {
  m_record = std::move(record);
  m_unpacked.reset(unpacked);
}

void CNTFSFileProperties::SetFileName(const char* name) {
  if (name != nullptr) m_record.name = name;
}

IDataRunList* CNTFSFileProperties::GetDataRunList() {
  if (!m_unpacked && !m_record.runs.IsEmpty()) m_unpacked.reset(m_record.runs.Decompress());
  return m_unpacked.get();
}

IDataRunList* CNTFSFileProperties::NewDataRunList() {
  if (m_unpacked) return m_unpacked.release();
  return m_record.runs.IsEmpty() ? nullptr : m_record.runs.Decompress();
}

void CNTFSFileProperties::SetDataRunList(IDataRunList* list) {
  if (list == nullptr) return;
  if (!CCompressedDataRunList::Compress(list, m_record.runs)) m_record.runs = CCompressedDataRunList();
  m_unpacked.reset();
}

IFileProperties* CNTFSFileProperties::Clone() {
  CNTFSFileProperties* copy = Create();
  if (copy == nullptr) return nullptr;
  CNTFSFilePropertiesStruct record;
  record.name = m_record.name;
  record.fileSize = m_record.fileSize;
  record.attributes = m_record.attributes;
  record.creationTime = m_record.creationTime;
  record.modificationTime = m_record.modificationTime;
  record.lastAccessTime = m_record.lastAccessTime;
  record.state = m_record.state;
  record.recordSector = m_record.recordSector;
  record.runs = m_record.runs;
  record.extensions = m_record.extensions;
  record.fileRecordIndex = m_record.fileRecordIndex;
  copy->Init(std::move(record));
  return copy;
}

CNTFSFileProperties* CreateNTFSFileSystemFileProperties(const char* label) {
  CNTFSFileProperties* properties = CNTFSFileProperties::Create();
  if (properties == nullptr) return nullptr;
  CNTFSFilePropertiesStruct record;
  record.name = label != nullptr && *label != '\0' ? label : "NTFS";
  record.attributes = CNTFSFilePropertiesStruct::kDirectory;
  properties->Init(std::move(record));
  return properties;
}
