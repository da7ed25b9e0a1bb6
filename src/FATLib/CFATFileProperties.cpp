#include "FATLib/CFATFileProperties.h"

#include <new>

#include "Utility/DosDateTime.h"
#include "include/IDataRunList.h"

CFATFileProperties* CFATFileProperties::Create() { return new (std::nothrow) CFATFileProperties(); }

void CFATFileProperties::Destory(CFATFileProperties* properties) { delete properties; }

CFATFileProperties::~CFATFileProperties() {
  if (m_dataRuns != nullptr) m_dataRuns->Release();
}

CFATFileProperties& CFATFileProperties::operator=(const CFATFileProperties& other) {
  if (this == &other) return *this;
  m_name = other.m_name;
  m_nameLength = other.m_nameLength;
  m_state = other.m_state;
  m_attribute = other.m_attribute;
  m_firstCluster = other.m_firstCluster;
  m_parentFirstCluster = other.m_parentFirstCluster;
  m_creationTime = other.m_creationTime;
  m_modificationTime = other.m_modificationTime;
  m_lastAccessTime = other.m_lastAccessTime;
  m_size = other.m_size;
  return *this;
}

void CFATFileProperties::SetFileName(const char* name) {
  m_name = name != nullptr ? name : "";
  m_nameLength = static_cast<unsigned short>(m_name.size());
}

IFileProperties* CFATFileProperties::Clone() {
  auto* copy = Create();
  if (copy == nullptr) return nullptr;
  *copy = *this;
  copy->m_metadataSector = m_metadataSector;
  // A run list has one owner: sharing it would release it twice.
  if (m_dataRuns != nullptr) {
    copy->m_dataRuns = m_dataRuns->Clone();
    if (copy->m_dataRuns == nullptr) {
      delete copy;
      return nullptr;
    }
  }
  return copy;
}

void CFATFileProperties::SetCreationTime(std::uint16_t dosDate, std::uint16_t dosTime) {
  m_creationTime = quellsy::DosDateTimeToFileTime(dosDate, dosTime);
}

void CFATFileProperties::SetModificationTime(std::uint16_t dosDate, std::uint16_t dosTime) {
  m_modificationTime = quellsy::DosDateTimeToFileTime(dosDate, dosTime);
}

void CFATFileProperties::SetLastAccessTime(std::uint16_t dosDate, std::uint16_t dosTime) {
  m_lastAccessTime = quellsy::DosDateTimeToFileTime(dosDate, dosTime);
}

void CFATFileProperties::SetDataRunList(IDataRunList* runs) {
  if (m_dataRuns == runs) return;
  if (m_dataRuns != nullptr) m_dataRuns->Release();
  m_dataRuns = runs;
}
