#pragma once
// The engine's own list of extents decoded from mapping pairs, with VCN-to-LCN lookups: what the searchers use
// to find $MFT records, index records and log pages.

#include <cstdint>
#include <vector>

#include "NTFSLib/NTFSMappingPairs.h"
#include "Utility/ByteReader.h"

using CDataRun = quellsy::ntfs::MappingRun;

class CNTFSDataRunList {
 public:
  using Runs = std::vector<CDataRun>;

  static bool IsValid(quellsy::ByteSpan bytes) { return quellsy::ntfs::IsValidMappingPairs(bytes); }
  // Decodes mapping pairs into list (appending); an empty span adds nothing.
  static void FormDataRunList(quellsy::ByteSpan bytes, Runs& list);
  static std::int64_t GetTotalClusters(quellsy::ByteSpan bytes) {
    return quellsy::ntfs::SumMappingPairLengths(bytes);
  }

  // Empties the list, then decodes; false (and empty) when the mapping pairs fail the test.
  bool InitFromBuffer(quellsy::ByteSpan bytes);
  // Appends the runs with their VCNs moved by startVcn; adds nothing when the test fails.
  bool AddDataRunsfromBuffer(quellsy::ByteSpan bytes, std::int64_t startVcn);
  void AddDataRun(const CDataRun& run) { m_runs.push_back(run); }

  // LCN of a virtual cluster, -1 when no run holds it or it lies in a sparse run.
  std::int64_t GetLCN(std::int64_t vcn) const;
  // VCN of a cluster, -1 when no run holds it.
  std::int64_t GetVCN(std::int64_t lcn) const;
  bool IsLCNContained(std::int64_t lcn) const { return GetVCN(lcn) != -1; }

  std::int64_t GetTotalClusters() const;
  bool IsEmpty() const { return m_runs.empty(); }
  void ClearDataRunList() { m_runs.clear(); }
  Runs::const_iterator GetBegin() const { return m_runs.begin(); }
  Runs::const_iterator GetEnd() const { return m_runs.end(); }
  const Runs& GetRuns() const { return m_runs; }
  // Appends copies of the runs.
  void GetDataRunList(Runs& list) const { list.insert(list.end(), m_runs.begin(), m_runs.end()); }
  // Same count and, pairwise in order, same VCN, LCN and length.
  bool IsEqual(const CNTFSDataRunList& other) const;
  void Sort();

  // The stored form: the run count (u64), then each run's LCN, length and VCN (i64), little-endian.
  std::vector<std::uint8_t> Save() const;
  // Replaces the list with a stored form read from the start of bytes; consumed gets its length. False (and the
  // list empty) when it is cut short.
  bool Restore(quellsy::ByteSpan bytes, std::size_t& consumed);

 private:
  Runs m_runs;
};

struct CLessThanbyVCN {
  bool operator()(const CDataRun& a, const CDataRun& b) const { return a.vcn < b.vcn; }
};
