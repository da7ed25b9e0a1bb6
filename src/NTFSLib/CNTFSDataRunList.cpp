#include "NTFSLib/CNTFSDataRunList.h"

#include <algorithm>

namespace {
// Whether value lies in [first, first + length), without forming a sum that may overflow.
bool Holds(std::int64_t first, std::int64_t length, std::int64_t value) {
  return length > 0 && value >= first &&
         static_cast<std::uint64_t>(value) - static_cast<std::uint64_t>(first) < static_cast<std::uint64_t>(length);
}
}  // namespace

void CNTFSDataRunList::FormDataRunList(quellsy::ByteSpan bytes, Runs& list) {
  quellsy::ntfs::DecodeMappingPairs(bytes, 0, list);
}

bool CNTFSDataRunList::InitFromBuffer(quellsy::ByteSpan bytes) {
  m_runs.clear();
  return AddDataRunsfromBuffer(bytes, 0);
}

bool CNTFSDataRunList::AddDataRunsfromBuffer(quellsy::ByteSpan bytes, std::int64_t startVcn) {
  if (!IsValid(bytes)) return false;
  quellsy::ntfs::DecodeMappingPairs(bytes, startVcn, m_runs);
  return true;
}

std::int64_t CNTFSDataRunList::GetLCN(std::int64_t vcn) const {
  for (const CDataRun& run : m_runs) {
    if (!Holds(run.vcn, run.length, vcn)) continue;
    if (run.lcn < 0) return -1;
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(run.lcn) + static_cast<std::uint64_t>(vcn - run.vcn));
  }
  return -1;
}

std::int64_t CNTFSDataRunList::GetVCN(std::int64_t lcn) const {
  if (lcn < 0) return -1;
  for (const CDataRun& run : m_runs) {
    if (run.lcn < 0 || !Holds(run.lcn, run.length, lcn)) continue;
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(run.vcn) + static_cast<std::uint64_t>(lcn - run.lcn));
  }
  return -1;
}

std::int64_t CNTFSDataRunList::GetTotalClusters() const {
  std::uint64_t total = 0;
  for (const CDataRun& run : m_runs) total += static_cast<std::uint64_t>(run.length);
  return static_cast<std::int64_t>(total);
}

bool CNTFSDataRunList::IsEqual(const CNTFSDataRunList& other) const {
  return std::equal(m_runs.begin(), m_runs.end(), other.m_runs.begin(), other.m_runs.end(),
                    [](const CDataRun& a, const CDataRun& b) {
                      return a.vcn == b.vcn && a.lcn == b.lcn && a.length == b.length;
                    });
}

void CNTFSDataRunList::Sort() { std::stable_sort(m_runs.begin(), m_runs.end(), CLessThanbyVCN{}); }
