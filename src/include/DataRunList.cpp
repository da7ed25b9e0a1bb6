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
  CopyRunsTo(*copy);
  return copy;
}

void CDataRunList::CopyRunsTo(CDataRunList& copy) const {
  for (const DataRun& run : m_runs) copy.AddDataRun(&run);
}

void CDataRunList::AddDataRun(const DataRun* run) {
  if (run == nullptr) return;
  if (!m_runs.empty()) {
    DataRun& last = m_runs.back();
    // Adjacent runs merge; a sparse run (negative cluster) never does.
    // Runs decoded from a damaged disk may hold any value: the sums are checked, not assumed to fit.
    long long end = 0;
    long long merged = 0;
    if (last.lcn >= 0 && !__builtin_add_overflow(last.lcn, last.length, &end) && end == run->lcn &&
        !__builtin_add_overflow(last.length, run->length, &merged)) {
      last.length = merged;
      return;
    }
  }
  m_runs.push_back(*run);
}

void CDataRunList::Release() { delete this; }
