#pragma once
// The common run list behind IDataRunList; the NTFS run lists derive from it.

#include <cstddef>
#include <deque>
#include <memory>

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
  std::size_t GetRunCount() const { return m_count; }

 protected:
  // Appends copies of this list's runs to another list (the subclasses' Clone), leaving the walk as it is.
  void CopyRunsTo(CDataRunList& copy) const;

 private:
  static constexpr std::size_t kPastEnd = static_cast<std::size_t>(-1);

  DataRun* At(std::size_t index) { return index == 0 ? &m_first : &(*m_more)[index - 1]; }
  const DataRun* At(std::size_t index) const { return index == 0 ? &m_first : &(*m_more)[index - 1]; }

  unsigned int m_resident = 0;
  // Most files have one run: it lives in the list itself, and only further runs take memory of their own (a
  // deque keeps handed-out run pointers valid while runs are appended).
  DataRun m_first{};
  std::unique_ptr<std::deque<DataRun>> m_more;
  std::size_t m_count = 0;
  std::size_t m_cursor = kPastEnd;
};
