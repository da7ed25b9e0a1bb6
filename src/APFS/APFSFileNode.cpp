#include "APFS/APFSFileNode.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "APFS/ApfsFormat.h"

namespace {

constexpr std::uint64_t kRounding = 4096;

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

const std::string kDsStore(".DS_Store\0", 10);
const std::string kTrashes("Trashes\0", 8);

}  // namespace

unsigned long long APFSFileNode::GetCreationTime() const {
  return m_created != 0 ? quellsy::apfs::ToFileTime(m_created) : 0;
}
unsigned long long APFSFileNode::GetModificationTime() const {
  return m_modified != 0 ? quellsy::apfs::ToFileTime(m_modified) : 0;
}
unsigned long long APFSFileNode::GetLastAccessTime() const {
  return m_accessed != 0 ? quellsy::apfs::ToFileTime(m_accessed) : 0;
}

void APFSFileNode::SetParentNodeID(long long id) {
  if (Has(kHanded)) return;
  SetFlag(kParentSet);
  if ((static_cast<std::uint64_t>(id) & 0xFFFFFFFFull) == 1)
    id = static_cast<long long>((std::uint64_t{GetBelongedPartition()} << 32) | 2);
  CFileNode::SetParentNodeID(id);
}

IFileNode* APFSFileNode::Clone() {
  auto* copy = new APFSFileNode();
  copy->m_freeOnRelease = true;
  copy->SetCurrentNodeID(GetCurrentNodeID());
  copy->CFileNode::SetParentNodeID(GetParentNodeID());
  copy->SetBelongedPartition(GetBelongedPartition());
  if (GetDataRunList() != nullptr) copy->SetDataRunList(GetDataRunList()->Clone());
  copy->m_name = m_name;
  copy->m_size = m_size;
  copy->m_created = m_created;
  copy->m_modified = m_modified;
  copy->m_accessed = m_accessed;
  copy->m_foundBlock = m_foundBlock;
  copy->m_key = m_key;
  copy->m_parentKey = m_parentKey;
  copy->m_flags = static_cast<std::uint8_t>(m_flags & ~kHanded);
  copy->m_extents = m_extents;
  copy->m_searchParent = std::exchange(m_searchParent, nullptr);
  copy->m_searchChild = std::exchange(m_searchChild, nullptr);
  copy->m_searchNext = std::exchange(m_searchNext, nullptr);
  copy->m_duplicate = std::exchange(m_duplicate, nullptr);
  return copy;
}

void APFSFileNode::SetNodeType(bool directory) {
  if (Has(kTypeSet)) return;
  SetFlag(kTypeSet);
  if (directory) SetFlag(kDirectory);
}

std::string APFSFileNode::FixName(const std::string& name) {
  if (EqualsIgnoringCase(name, kDsStore)) return {};
  if (name.size() >= 2 && name[0] == '.') return name.substr(1);
  return name;
}

void APFSFileNode::SetNodeName(const std::string& name) {
  m_name = FixName(name);
  if (EqualsIgnoringCase(m_name, kTrashes)) m_flags |= kDirectory | kDeleted | kTypeSet;
}

bool APFSFileNode::IsNameAccepted(const std::string& name) { return !EqualsIgnoringCase(name, kDsStore); }

void APFSFileNode::SetSize(std::uint64_t size) {
  if (m_size != 0 && !Has(kDeleted)) return;
  m_size = size;
  m_flags = static_cast<std::uint8_t>(m_flags & ~kCovered);
}

void APFSFileNode::SetTimes(std::uint64_t created, std::uint64_t modified, std::uint64_t accessed) {
  m_created = created;
  m_modified = modified;
  m_accessed = accessed;
}

std::uint64_t APFSFileNode::CoveredTotal(std::uint32_t sectorSize) const {
  std::uint64_t sectors = 0;
  for (const auto& [offset, run] : m_extents) sectors += static_cast<std::uint64_t>(run.length);
  return sectors * sectorSize;
}

bool APFSFileNode::RecomputeCovered(std::uint32_t sectorSize) {
  const std::uint64_t total = CoveredTotal(sectorSize);
  const std::uint64_t rounded = (m_size + kRounding - 1) / kRounding * kRounding;
  if (total > rounded) m_size = total;
  if (total >= m_size)
    SetFlag(kCovered);
  else
    m_flags = static_cast<std::uint8_t>(m_flags & ~kCovered);
  return Has(kCovered);
}

bool APFSFileNode::AddExtent(std::uint64_t startSector, std::uint64_t sectors, std::uint32_t sectorSize,
                             std::uint64_t logicalOffset) {
  if (m_size != 0 && RecomputeCovered(sectorSize)) return false;
  if (logicalOffset == 0) m_extents.clear();
  const DataRun run{static_cast<long long>(startSector), static_cast<long long>(sectors)};
  const auto found = m_extents.find(logicalOffset);
  bool changed = true;
  if (found == m_extents.end())
    m_extents.emplace(logicalOffset, run);
  else if (found->second.lcn == run.lcn && found->second.length < run.length)
    found->second.length = run.length;
  else
    changed = false;
  if (changed) RebuildRuns();
  if (m_size == 0) return false;
  return RecomputeCovered(sectorSize);
}

void APFSFileNode::RebuildRuns() {
  auto* runs = new CDataRunList();
  for (const auto& [offset, run] : m_extents) runs->AddDataRun(&run);
  SetDataRunList(runs);
}

void APFSFileNode::CopyRunsFrom(const IFileNode& other) {
  if (other.GetDataRunList() != nullptr) SetDataRunList(other.GetDataRunList()->Clone());
}

void APFSFileNode::AttachToParent(APFSFileNode* directory, APFSFileNode* node) {
  if (directory == nullptr || node == nullptr) return;
  if (directory->Has(kMerged) && directory->m_duplicate != nullptr) directory = directory->m_duplicate;
  if (directory == node) return;
  node->m_searchParent = directory;
  node->SetParentNodeID(directory->GetCurrentNodeID());
  if (node->IsDirectory()) {
    for (APFSFileNode* child = directory->m_searchChild; child != nullptr; child = child->m_searchNext) {
      if (child != node && child->IsDirectory() && child->m_name == node->m_name) {
        node->m_duplicate = child;
        node->SetFlag(kMerged);
        return;
      }
    }
  }
  node->m_searchNext = directory->m_searchChild;
  directory->m_searchChild = node;
}

bool APFSFileNode::IsReadyToAdd(bool final) {
  if (Has(kHanded) || Has(kMerged) || m_name.empty() || (!IsDirectory() && m_created == 0)) return false;
  if (final) {
    if (GetParentNodeID() == -1)
      SetParentNodeID(static_cast<long long>((std::uint64_t{GetBelongedPartition()} << 32) | 3));
    return true;
  }
  const long long parent = GetParentNodeID();
  return parent == 1 || parent == 2 || m_searchParent != nullptr;
}
