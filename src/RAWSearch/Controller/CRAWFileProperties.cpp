#include "RAWSearch/Controller/CRAWFileProperties.h"

#include <limits>
#include <new>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "include/IDataRunList.h"

namespace {

constexpr std::uint64_t kRunUnitBytes = 512;

}  // namespace

CRAWFileProperties* CRAWFileProperties::Create() { return new (std::nothrow) CRAWFileProperties(); }

void CRAWFileProperties::Destory(CRAWFileProperties* properties) { delete properties; }

CRAWFileProperties::CRAWFileProperties(const CRAWFileProperties& other)
    : IFileProperties(other),
      m_strName(other.m_strName),
      m_ullSize(other.m_ullSize),
      m_wAttribute(other.m_wAttribute),
      m_cCheckState(other.m_cCheckState),
      m_cMatchState(other.m_cMatchState),
      m_cState(other.m_cState),
      m_strTime(other.m_strTime),
      m_bIncomplete(other.m_bIncomplete) {}

CRAWFileProperties::~CRAWFileProperties() {
  if (m_pDataRuns) m_pDataRuns->Release();
}

unsigned short CRAWFileProperties::GetFileNameLength() {
  // Length with the terminator; names are generated far below this bound.
  const std::size_t length = m_strName.size() + 1;
  return length > std::numeric_limits<unsigned short>::max() ? std::numeric_limits<unsigned short>::max()
                                                              : static_cast<unsigned short>(length);
}

IFileProperties* CRAWFileProperties::Clone() {
  auto* copy = new (std::nothrow) CRAWFileProperties(*this);
  if (!copy || !m_pDataRuns) return copy;
  copy->m_pDataRuns = m_pDataRuns->Clone();
  if (!copy->m_pDataRuns) {
    delete copy;
    return nullptr;
  }
  return copy;
}

int CRAWFileProperties::InitRawFileProperties(CRawFileInfo& info) {
  m_ullSize = info.m_ullSize;
  m_strTime = info.GetRawFileTime();
  m_bIncomplete = info.m_bIncomplete;
  IDataRunList* runs = CreateDataRunList();
  if (!runs) return 0;
  if (m_ullSize != 0) {
    const DataRun run{info.m_llStartSector, static_cast<long long>(m_ullSize / kRunUnitBytes +
                                                                   (m_ullSize % kRunUnitBytes != 0 ? 1 : 0))};
    runs->AddDataRun(&run);
  }
  if (m_pDataRuns) m_pDataRuns->Release();
  m_pDataRuns = runs;
  return 1;
}

void CRAWFileProperties::SetRawFileName(const char* name) {
  if (name) m_strName = name;
}
