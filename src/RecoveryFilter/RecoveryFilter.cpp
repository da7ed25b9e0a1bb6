#include "RecoveryFilter/RecoveryFilter.h"

#include <array>
#include <cstring>
#include <utility>

#include "include/IFileNode.h"

namespace {

constexpr std::array<std::pair<_FILTER_TYPE, FILE_TYPE_ID>, 7> kKinds = {{
    {FILTER_TYPE_DOCUMENT, FILE_TYPE_DOCUMENT},
    {FILTER_TYPE_PICTURE, FILE_TYPE_PICTURE},
    {FILTER_TYPE_MOVIE, FILE_TYPE_MOVIE},
    {FILTER_TYPE_MUSIC, FILE_TYPE_MUSIC},
    {FILTER_TYPE_ARCHIVES, FILE_TYPE_ARCHIVE},
    {FILTER_TYPE_EMAIL, FILE_TYPE_EMAIL},
    {FILTER_TYPE_OTHER, FILE_TYPE_OTHER},
}};

}  // namespace

CRecoveryFilter::CRecoveryFilter() { m_fileTypes.Initialize(); }

void CRecoveryFilter::Reset() {
  m_scanType = SCAN_TYPE_QUICK;
  m_filterMask = 0;
  m_accepted.clear();
  m_fileTypes.Initialize();
}

int CRecoveryFilter::ShowNormalFiles() const { return m_scanType != SCAN_TYPE_QUICK ? 1 : 0; }

void CRecoveryFilter::SetScanType(_SCAN_TYPE type) { m_scanType = type; }

void CRecoveryFilter::SetFilterTypes(unsigned int mask) {
  m_filterMask = mask;
  m_accepted.clear();
  if (mask == FILTER_TYPE_ALL) return;
  for (const auto& [bit, id] : kKinds)
    if ((mask & bit) != 0) m_accepted.insert(id);
}

FILE_TYPE_ID CRecoveryFilter::GetFileTypeID(IFileNode* node) const {
  if (node == nullptr) return FILE_TYPE_OTHER;
  const char* name = node->GetFileName();
  if (name == nullptr) return FILE_TYPE_OTHER;
  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr) return FILE_TYPE_OTHER;
  return m_fileTypes.GetFileTypeID(dot + 1);
}

int CRecoveryFilter::IsFileNodeValid(IFileNode* node) {
  if (node == nullptr) return 0;
  if (m_accepted.empty() || node->IsDirectory() != 0) return 1;
  return m_accepted.count(GetFileTypeID(node)) != 0 ? 1 : 0;
}

_FILTER_TYPE CRecoveryFilter::GetNodeFileType(IFileNode* node) {
  const FILE_TYPE_ID id = GetFileTypeID(node);
  for (const auto& [bit, kind] : kKinds)
    if (kind == id) return bit;
  return FILTER_TYPE_OTHER;
}

IRecoveryFilter* CreateFilter() {
  static CRecoveryFilter filter;
  return &filter;
}
