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

namespace {
constexpr std::size_t kStoredRun = 24;
}

std::vector<std::uint8_t> CNTFSDataRunList::Save() const {
  std::vector<std::uint8_t> out(8 + kStoredRun * m_runs.size());
  quellsy::FieldWriter w(out);
  w.le64(0, m_runs.size());
  std::size_t at = 8;
  for (const CDataRun& run : m_runs) {
    w.le64(at, static_cast<std::uint64_t>(run.lcn));
    w.le64(at + 8, static_cast<std::uint64_t>(run.length));
    w.le64(at + 16, static_cast<std::uint64_t>(run.vcn));
    at += kStoredRun;
  }
  return out;
}

bool CNTFSDataRunList::Restore(quellsy::ByteSpan bytes, std::size_t& consumed) {
  m_runs.clear();
  consumed = 0;
  const auto count = quellsy::le64(bytes, 0);
  // The count is checked against the bytes present before it sizes anything.
  if (!count || *count > (bytes.size() - 8) / kStoredRun) return false;
  quellsy::FieldReader r(bytes);
  m_runs.reserve(static_cast<std::size_t>(*count));
  for (std::size_t i = 0, at = 8; i < *count; ++i, at += kStoredRun) {
    CDataRun run;
    run.lcn = static_cast<std::int64_t>(r.le64(at));
    run.length = static_cast<std::int64_t>(r.le64(at + 8));
    run.vcn = static_cast<std::int64_t>(r.le64(at + 16));
    m_runs.push_back(run);
  }
  consumed = 8 + kStoredRun * static_cast<std::size_t>(*count);
  return true;
}
