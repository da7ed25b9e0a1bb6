#include "include/DataRunList.h"

#include <new>

IDataRunList* CreateDataRunList() { return new (std::nothrow) CDataRunList(); }

DataRun* CDataRunList::GetFirst() {
  if (m_runs.empty()) return nullptr;
  m_cursor = 0;
  return &m_runs.front();
}

DataRun* CDataRunList::GetNext() {
  if (IsDone()) return nullptr;
  ++m_cursor;
  return IsDone() ? nullptr : &m_runs[m_cursor];
}

int CDataRunList::IsDone() { return m_cursor >= m_runs.size() ? 1 : 0; }

IDataRunList* CDataRunList::Clone() {
  auto* copy = new (std::nothrow) CDataRunList();
  if (copy == nullptr) return nullptr;
  for (const DataRun& run : m_runs) copy->AddDataRun(&run);
  return copy;
}

void CDataRunList::AddDataRun(const DataRun* run) {
  if (run == nullptr) return;
  if (!m_runs.empty()) {
    DataRun& last = m_runs.back();
    // Adjacent runs merge; a sparse run (negative cluster) never does.
    if (last.lcn >= 0 && last.lcn + last.length == run->lcn) {
      last.length += run->length;
      return;
    }
  }
  m_runs.push_back(*run);
}

void CDataRunList::Release() { delete this; }
