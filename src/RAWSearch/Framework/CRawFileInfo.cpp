#include "RAWSearch/Framework/CRawFileInfo.h"

#include "RAWSearch/Framework/RawSearchApi.h"

bool CRawFileInfo::WhetherImplementGuess() { return false; }

void CRawFileInfo::WillBeRemove(unsigned char*, long long) {}

int CRawFileInfo::CalcRawSize(unsigned char*, int, long long, SearchContext&) { return 2; }

std::string CRawFileInfo::GetRawFileName() {
  m_strName = ApiStrFilterBadFileName(m_strName);
  return m_strName;
}

void CRawFileInfo::SetRawFileName(std::string name) { m_strName = ApiStrFilterBadFileName(std::move(name)); }

void CRawFileInfo::SetRawFileTagAndValue(RAW_FILE_TAG tag, std::string value) {
  m_uTag = tag;
  m_strTagValue = ApiStrFilterBadFileName(std::move(value));
}

void CRawFileInfo::GetRawFileTagAndValue(RAW_FILE_TAG& tag, std::string& value) const {
  tag = m_uTag;
  value = ApiStrFilterBadFileName(m_strTagValue);
}
