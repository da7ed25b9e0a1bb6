#include "NTFSLib/CCompressedDataRunList.h"

#include <new>

#include "NTFSLib/CNoneResidentNTFSDataRunList.h"
#include "NTFSLib/CResidentNTFSDataRunList.h"
#include "NTFSLib/NTFSMappingPairs.h"
#include "include/IDataRunList.h"

std::unique_ptr<CCompressedDataRunList> CCompressedDataRunList::Compress(IDataRunList* list, bool* exact) {
  auto packed = std::make_unique<CCompressedDataRunList>();
  if (!Compress(list, *packed, exact)) return nullptr;
  return packed;
}

bool CCompressedDataRunList::Compress(IDataRunList* list, CCompressedDataRunList& into, bool* exact) {
  if (exact != nullptr) *exact = false;
  if (list == nullptr) return false;
  const long long offset = list->GetOffset();
  const bool resident = list->GetDataRunListType() == 1;
  if (resident ? (offset <= 0 || offset > 0xFFFF) : offset != 0) return false;
  // Every file of a scan is packed here: the runs go through room kept by the thread, not a fresh allocation.
  thread_local std::vector<quellsy::ntfs::MappingRun> runs;
  thread_local std::vector<std::uint8_t> bytes;
  runs.clear();
  bool same = true;
  for (const DataRun* run = list->GetFirst(); run != nullptr; run = list->GetNext()) {
    same = same && run->lcn >= -1 && run->length >= 0;
    runs.push_back({run->lcn < 0 ? -1 : run->lcn, 0, run->length});
  }
  // A resident list is given back as its first run only.
  same = same && (!resident || runs.size() == 1);
  if (runs.empty()) return false;
  quellsy::ntfs::PackMappingPairs(runs, bytes);
  into.m_bytes.assign(bytes.begin(), bytes.end());
  into.m_offset = static_cast<std::uint16_t>(offset);
  if (exact != nullptr) *exact = same;
  return true;
}

IDataRunList* CCompressedDataRunList::Decompress() const {
  if (m_offset != 0) {
    std::vector<quellsy::ntfs::MappingRun> runs;
    quellsy::ntfs::DecodeMappingPairs(Bytes(), 0, runs);
    if (runs.empty()) return nullptr;
    auto* list = new (std::nothrow) CResidentNTFSDataRunList();
    if (list != nullptr) list->InitList(runs.front().lcn, runs.front().length, m_offset);
    return list;
  }
  auto* list = new (std::nothrow) CNoneResidentNTFSDataRunList();
  if (list != nullptr) list->InitFromBuffer(Bytes());
  return list;
}

std::vector<std::uint8_t> CCompressedDataRunList::Save() const {
  std::vector<std::uint8_t> out(4 + m_bytes.size() + 2);
  quellsy::FieldWriter w(out);
  w.le32(0, static_cast<std::uint32_t>(m_bytes.size()));
  const quellsy::ByteSpan bytes = Bytes();
  std::copy(bytes.begin(), bytes.end(), out.begin() + 4);
  w.le16(4 + m_bytes.size(), m_offset);
  return out;
}

std::unique_ptr<CCompressedDataRunList> CCompressedDataRunList::Restore(quellsy::ByteSpan bytes,
                                                                        std::size_t& consumed) {
  consumed = 0;
  const auto count = quellsy::le32(bytes, 0);
  if (!count || *count == 0 || bytes.size() - 4 < 2 || *count > bytes.size() - 6) return nullptr;
  const quellsy::ByteSpan packed = bytes.subspan(4, *count);
  if (packed.back() != 0) return nullptr;
  auto restored = std::make_unique<CCompressedDataRunList>();
  restored->m_bytes.assign(packed.begin(), packed.end());
  restored->m_offset = quellsy::le16(bytes, 4 + *count).value_or(0);
  consumed = 4 + *count + 2;
  return restored;
}
