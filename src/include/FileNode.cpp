#include "include/FileNode.h"

#include <cstring>
#include <vector>

#include "include/IDataRunList.h"

namespace {

constexpr std::uint64_t kStatusMask = 0xF;
constexpr std::uint64_t kShownMask = 0xF0;
constexpr std::uint64_t kPartitionMask = 0xFFFF00;
constexpr std::uint64_t kLowFieldsMask = 0xFFFFFF;

int SignedNibble(std::uint64_t value) {
  const int nibble = static_cast<int>(value & 0xF);
  return (nibble & 0x8) != 0 ? nibble - 16 : nibble;
}

int DeriveStatus(unsigned int checkSum, unsigned int shownChildren) {
  if (checkSum == 0) return CHECKED_STATUS_UNCHECKED;
  if (static_cast<unsigned long long>(checkSum) == 2ull * shownChildren) return CHECKED_STATUS_CHECKED;
  return CHECKED_STATUS_PARTIAL;
}

IDataRunList* CloneRuns(IDataRunList* runs) { return runs != nullptr ? runs->Clone() : nullptr; }

}  // namespace

CFileNode::CFileNode() = default;

CFileNode::CFileNode(const CFileNode& other)
    : IFilesystemNode(other),
      m_dataRuns(CloneRuns(other.m_dataRuns)),
      m_nodeID(other.m_nodeID),
      m_parentNodeID(other.m_parentNodeID),
      m_packed(other.m_packed),
      m_compressed(other.m_compressed) {}

CFileNode& CFileNode::operator=(const CFileNode& other) {
  if (this == &other) return *this;
  const bool wasShown = ShownField() != 0;
  const int oldStatus = StatusField();
  IDataRunList* runs = CloneRuns(other.m_dataRuns);
  if (m_dataRuns != nullptr) m_dataRuns->Release();
  m_dataRuns = runs;
  m_nodeID = other.m_nodeID;
  m_parentNodeID = other.m_parentNodeID;
  m_packed = other.m_packed;
  m_compressed = other.m_compressed;
  if (m_parent != nullptr) m_parent->ChildChanged(wasShown, oldStatus, ShownField() != 0, StatusField());
  return *this;
}

CFileNode::~CFileNode() {
  m_parent = nullptr;
  m_next = nullptr;
  m_firstChild = nullptr;
  if (m_dataRuns != nullptr) m_dataRuns->Release();
}

int CFileNode::StatusField() const { return SignedNibble(m_packed); }
int CFileNode::ShownField() const { return SignedNibble(m_packed >> 4); }

void CFileNode::SetStatusField(int status) {
  m_packed = (m_packed & ~kStatusMask) | (static_cast<std::uint64_t>(status) & kStatusMask);
}

void CFileNode::SetShownField(int shown) {
  m_packed = (m_packed & ~kShownMask) | ((static_cast<std::uint64_t>(shown) << 4) & kShownMask);
}

int CFileNode::IsNodeShow() const { return ShownField(); }

_tagCheckedStatus CFileNode::GetCheckedStatus() const { return static_cast<_tagCheckedStatus>(StatusField()); }

void CFileNode::SetBelongedPartition(std::uint16_t index) {
  m_packed = (m_packed & ~kPartitionMask) | (static_cast<std::uint64_t>(index) << 8);
}

std::uint16_t CFileNode::GetBelongedPartition() const { return static_cast<std::uint16_t>(m_packed >> 8); }

void CFileNode::SetMetaDataSector(long long sector) {
  m_packed = (m_packed & kLowFieldsMask) | (static_cast<std::uint64_t>(sector) << 24);
}

long long CFileNode::GetMetadataStartPosition() const { return static_cast<long long>(m_packed) >> 24; }

void CFileNode::SetDataRunList(IDataRunList* runs) {
  if (runs == m_dataRuns) return;
  if (m_dataRuns != nullptr) m_dataRuns->Release();
  m_dataRuns = runs;
}

void CFileNode::Release() { delete this; }

IFileReader* CFileNode::CreateCompressFileReader(void* /*unused*/) { return nullptr; }

std::string CFileNode::FilterFileNameByDot(const std::string& name) {
  const std::size_t first = name.find_first_not_of(" .");
  return first == std::string::npos ? std::string() : name.substr(first);
}

void CFileNode::ChildChanged(bool wasShown, int oldStatus, bool isShown, int newStatus) {
  // Iterative: corrupt metadata makes deep chains and the scan thread has a small stack.
  for (CFileNode* node = this; node != nullptr; node = node->m_parent) {
    const long long countDelta = static_cast<long long>(isShown) - static_cast<long long>(wasShown);
    const long long sumDelta = (isShown ? newStatus : 0) - (wasShown ? oldStatus : 0);
    if (countDelta == 0 && sumDelta == 0) return;
    const bool nodeWasShown = node->ShownField() != 0;
    const int nodeOldStatus = node->StatusField();
    node->m_shownChildren = static_cast<unsigned int>(node->m_shownChildren + countDelta);
    node->m_childrenCheckSum = static_cast<unsigned int>(node->m_childrenCheckSum + sumDelta);
    node->SetStatusField(DeriveStatus(node->m_childrenCheckSum, node->m_shownChildren));
    // A folder is shown exactly while at least one of its children is.
    if (countDelta != 0) node->SetShownField(node->m_shownChildren != 0 ? 1 : 0);
    wasShown = nodeWasShown;
    oldStatus = nodeOldStatus;
    isShown = node->ShownField() != 0;
    newStatus = node->StatusField();
  }
}

void CFileNode::ShowNode(int show) {
  const bool wasShown = ShownField() != 0;
  SetShownField(show);
  const bool isShown = ShownField() != 0;
  if (m_parent != nullptr) m_parent->ChildChanged(wasShown, StatusField(), isShown, StatusField());
}

void CFileNode::SetSubtreeStatus(int status) {
  std::vector<CFileNode*> chains;
  if (m_firstChild != nullptr) chains.push_back(m_firstChild);
  while (!chains.empty()) {
    CFileNode* node = chains.back();
    chains.pop_back();
    for (; node != nullptr; node = node->m_next) {
      if (node->ShownField() == 0) continue;
      node->SetStatusField(status);
      node->m_childrenCheckSum = node->m_shownChildren * static_cast<unsigned int>(status);
      if (node->m_firstChild != nullptr) chains.push_back(node->m_firstChild);
    }
  }
}

void CFileNode::SetCheck(_tagCheckedStatus status) {
  // The partial state is only ever derived from the children; anything but 0 or 2 is ignored.
  if (status != CHECKED_STATUS_UNCHECKED && status != CHECKED_STATUS_CHECKED) return;
  if (ShownField() == 0) return;
  const int oldStatus = StatusField();
  SetSubtreeStatus(status);
  SetStatusField(status);
  m_childrenCheckSum = m_shownChildren * static_cast<unsigned int>(status);
  if (m_parent != nullptr) m_parent->ChildChanged(true, oldStatus, true, status);
}

int CFileNode::IsLoopedToSelf(IFileNode* parent, IFileNode* child) {
  if (parent == nullptr || child == nullptr) return 0;
  for (IFileNode* node = parent; node != nullptr; node = node->GetParent())
    if (node == child) return 1;
  return 0;
}

int CFileNode::AddChild(IFileNode* child) {
  auto* node = dynamic_cast<CFileNode*>(child);
  if (node == nullptr) return 0;
  if (node->m_parent != nullptr || node->m_hasPredecessor || node->m_next != nullptr) return 0;
  if (IsLoopedToSelf(this, node)) return 0;
  node->m_next = m_firstChild;
  node->m_parent = this;
  node->m_hasPredecessor = true;
  m_firstChild = node;
  if (node->ShownField() != 0) ChildChanged(false, 0, true, node->StatusField());
  return 1;
}

int CFileNode::AddNext(IFileNode* next) {
  auto* head = dynamic_cast<CFileNode*>(next);
  if (head == nullptr || head == this) return 0;
  if (head->m_parent != nullptr || head->m_hasPredecessor) return 0;
  // The inserted chain must not lead back here: neither this node nor its topmost ancestor may be in it.
  const CFileNode* top = this;
  while (top->m_parent != nullptr) top = top->m_parent;
  CFileNode* tail = head;
  for (CFileNode* node = head; node != nullptr; node = node->m_next) {
    if (node == this || node == top) return 0;
    tail = node;
  }
  CFileNode* oldNext = m_next;
  tail->m_next = oldNext;
  m_next = head;
  head->m_hasPredecessor = true;
  for (CFileNode* node = head; node != oldNext; node = node->m_next) {
    node->m_parent = m_parent;
    if (m_parent != nullptr && node->ShownField() != 0) m_parent->ChildChanged(false, 0, true, node->StatusField());
  }
  return 1;
}

int CFileNode::RemoveChild(CFileNode* child) {
  if (child == nullptr || m_firstChild == nullptr) return 0;
  CFileNode* previous = nullptr;
  CFileNode* node = m_firstChild;
  while (node != nullptr && node != child) {
    previous = node;
    node = node->m_next;
  }
  if (node == nullptr) return 0;
  if (previous != nullptr)
    previous->m_next = child->m_next;
  else
    m_firstChild = child->m_next;
  child->m_next = nullptr;
  child->m_parent = nullptr;
  child->m_hasPredecessor = false;
  if (child->ShownField() != 0) ChildChanged(true, child->StatusField(), false, 0);
  return 1;
}

bool CFileNode::operator==(CFileNode& other) {
  if (m_nodeID != other.m_nodeID || m_parentNodeID != other.m_parentNodeID) return false;
  if ((IsDirectory() != 0) != (other.IsDirectory() != 0)) return false;
  const char* name = GetFileName();
  const char* otherName = other.GetFileName();
  if (std::strcmp(name != nullptr ? name : "", otherName != nullptr ? otherName : "") == 0) {
    if (other.IsDirectory() != 0) return true;
    if (GetSearcheType() == SEARCHER_HFSPLUS && GetCreationTime() == other.GetCreationTime() &&
        GetFileSize() == other.GetFileSize())
      return true;
    return GetBelongedPartition() == other.GetBelongedPartition();
  }
  // Same entry under another name: the newer FAT directory entry wins.
  if (GetSearcheType() == SEARCHER_FAT && other.IsDirectory() != 0 &&
      other.GetCreationTime() >= GetCreationTime())
    AdoptNewerEntry(other);
  return false;
}
