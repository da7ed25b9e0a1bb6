#include "include/DataRunList.h"

#include <new>

IDataRunList* CreateDataRunList() { return new (std::nothrow) CDataRunList(); }

DataRun* CDataRunList::GetFirst() {
  if (m_count == 0) return nullptr;
  m_cursor = 0;
  return At(0);
}

DataRun* CDataRunList::GetNext() {
  if (IsDone()) return nullptr;
  ++m_cursor;
  return IsDone() ? nullptr : At(m_cursor);
}

int CDataRunList::IsDone() { return m_cursor >= m_count ? 1 : 0; }

IDataRunList* CDataRunList::Clone() {
  auto* copy = new (std::nothrow) CDataRunList();
  if (copy == nullptr) return nullptr;
  CopyRunsTo(*copy);
  return copy;
}

void CDataRunList::CopyRunsTo(CDataRunList& copy) const {
  for (std::size_t i = 0; i < m_count; ++i) copy.AddDataRun(At(i));
}

void CDataRunList::AddDataRun(const DataRun* run) {
  if (run == nullptr) return;
  if (m_count != 0) {
    DataRun& last = *At(m_count - 1);
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
  if (m_count == 0) {
    m_first = *run;
  } else {
    if (!m_more) m_more = std::make_unique<std::deque<DataRun>>();
    m_more->push_back(*run);
  }
  ++m_count;
}

void CDataRunList::Release() { delete this; }
