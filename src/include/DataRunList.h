#pragma once
// The common run list behind IDataRunList; the NTFS run lists derive from it.

#include <cstddef>
#include <deque>

#include "include/IDataRunList.h"

class CDataRunList : public IDataRunList {
 public:
  CDataRunList() = default;
  CDataRunList(const CDataRunList&) = delete;
  CDataRunList& operator=(const CDataRunList&) = delete;
  ~CDataRunList() override = default;

  DataRun* GetFirst() override;
  DataRun* GetNext() override;
  int IsDone() override;
  int IsResident() override { return static_cast<int>(m_resident); }
  // A new list with the same runs; the resident flag is not copied. Null when memory is short.
  IDataRunList* Clone() override;
  void AddDataRun(const DataRun* run) override;
  long long GetOffset() override { return 0; }
  int GetDataRunListType() override { return 5; }
  void Release() override;

  void SetResident(bool resident) { m_resident = resident ? 1u : 0u; }
  std::size_t GetRunCount() const { return m_runs.size(); }

 protected:
  // Appends copies of this list's runs to another list (the subclasses' Clone), leaving the walk as it is.
  void CopyRunsTo(CDataRunList& copy) const;

 private:
  static constexpr std::size_t kPastEnd = static_cast<std::size_t>(-1);

  unsigned int m_resident = 0;
  std::deque<DataRun> m_runs;  // a deque keeps handed-out run pointers valid while runs are appended
  std::size_t m_cursor = kPastEnd;
};
