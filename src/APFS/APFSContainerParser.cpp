#include "APFS/APFSContainerParser.h"

#include <algorithm>
#include <deque>

#include "Utility/CatchExeception.h"

using namespace quellsy;
using namespace quellsy::apfs;

namespace {

constexpr std::uint32_t kMaxSuperblockPasses = 32;
constexpr std::uint64_t kStartWindow = 4096;
constexpr std::uint64_t kWindowMargin = 256;
constexpr std::uint64_t kMappedBlockValue = 0x0000100000000000ull;
constexpr std::uint64_t kUniqueIdBase = 0x4000000000000000ull;
constexpr std::size_t kMaxDerivedName = 1999;
// The first container's root folder, where later containers' roots are shown.
constexpr long long kRootId = 2;

std::uint64_t Distance(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : b - a; }

std::string StripNul(const std::string& name) {
  const auto nul = name.find('\0');
  return nul == std::string::npos ? name : name.substr(0, nul);
}

// "0x<digits>-dead" (the digits read as a decimal number): the name a file gets while it is being deleted.
bool ReadsAsDead(const std::string& name, long long* number) {
  const std::string text = StripNul(name);
  if (text.size() < 8 || text.compare(0, 2, "0x") != 0) return false;
  std::size_t end = 2;
  while (end < text.size() && end < 22 && text[end] >= '0' && text[end] <= '9') ++end;
  if (end == 2 || text.compare(end, std::string::npos, "-dead") != 0) return false;
  *number = std::stoll(text.substr(2, end - 2));
  return true;
}

std::uint64_t ChooseCreation(const InodeRecord& inode) {
  if (IsPlausibleTime(inode.created)) return inode.created;
  if (IsPlausibleTime(inode.modified)) return inode.modified;
  if (IsPlausibleTime(inode.changed)) return inode.changed;
  return 0;
}

}  // namespace

APFSContainerParser::APFSContainerParser(APFSDelegate& owner, std::uint32_t containerIndex,
                                         std::int64_t startSector)
    : m_owner(owner), m_index(containerIndex), m_startSector(startSector), m_buffer(kBlockSize, 0) {
  m_firstBlock = static_cast<std::uint64_t>(startSector) * m_sectorSize / m_blockSize;
}

APFSContainerParser::~APFSContainerParser() = default;

void APFSContainerParser::SetSectorSize(int sectorSize) {
  if (sectorSize < 512) return;
  m_sectorSize = static_cast<std::uint32_t>(sectorSize);
  m_firstBlock = static_cast<std::uint64_t>(m_startSector) * m_sectorSize / m_blockSize;
}

std::vector<APFSFileNode*> APFSContainerParser::Nodes() const {
  std::vector<APFSFileNode*> nodes;
  nodes.reserve(m_nodes.size());
  for (const auto& node : m_nodes)
    if (node) nodes.push_back(node.get());
  return nodes;
}

void APFSContainerParser::Disown(APFSFileNode& node) {
  const auto found = m_order.find(&node);
  if (found == m_order.end() || m_nodes[found->second].get() != &node) return;
  m_nodes[found->second].release()->FreeOnRelease();
}

bool APFSContainerParser::Read(std::uint64_t block, std::vector<std::uint8_t>& into) {
  into.assign(kBlockSize, 0);
  return m_owner.ReadBlocks(*this, block, kBlockSize, into.data()) != 0;
}

void APFSContainerParser::EnsureVisited() {
  if (m_visited.GetBitmapData() != nullptr) return;
  const std::uint64_t device = m_owner.DeviceBlocks(*this);
  m_visitedLimit = m_blockCount != 0 ? std::min(m_blockCount, device) : device;
  if (m_visitedLimit == 0 || m_visited.CreateBitmap(static_cast<long long>(m_visitedLimit), 1) == 0)
    m_visitedLimit = 0;
}

// True the first time a block inside the container is met; false for a repeat or a block past the end.
bool APFSContainerParser::Visit(std::uint64_t block) {
  EnsureVisited();
  if (block >= m_visitedLimit || m_visited.GetBit(static_cast<long long>(block)) != 0) return false;
  m_visited.SetBit(static_cast<long long>(block), 1, 1);
  return true;
}

int APFSContainerParser::WalkContainer() {
  if (!Read(0, m_buffer)) return -1;
  FieldReader sb(m_buffer);
  const std::uint32_t blockSize = sb.le32(36);
  if (blockSize < kBlockSize || !IsObjectValid(m_buffer)) return -2;
  m_blockCount = sb.le64(40);
  m_blockSize = blockSize;
  m_firstBlock = static_cast<std::uint64_t>(m_startSector) * m_sectorSize / m_blockSize;
  std::uint64_t bytes = 0;
  m_span = __builtin_mul_overflow(m_blockCount, std::uint64_t{m_blockSize}, &bytes) ? kNoKey / m_sectorSize
                                                                                     : bytes / m_sectorSize;
  std::copy_n(m_buffer.begin() + kContainerUuidOffset, m_uuid.size(), m_uuid.begin());

  std::vector<std::uint64_t> maps;
  std::set<std::uint64_t> seen{0};
  for (std::uint32_t pass = 0; pass < kMaxSuperblockPasses; ++pass) {
    FieldReader current(m_buffer);
    maps.push_back(current.le64(160));
    const std::uint64_t next = current.le32(136);
    if (!seen.insert(next).second) break;
    Read(next, m_buffer);
  }

  std::vector<std::uint8_t> root;
  for (const std::uint64_t map : maps) {
    if (map >= m_blockCount || !Read(map, m_buffer)) continue;
    const std::uint64_t rootBlock = FieldReader(m_buffer).le64(48);
    if (rootBlock >= m_blockCount || !Read(rootBlock, root)) continue;
    const auto rootHeader = ReadObjectHeader(root);
    const auto node = ReadNodeHeader(root);
    if (!rootHeader || !node || rootHeader->subtype != kSubtypeObjectMap || node->keyCount == 0) continue;
    const std::uint32_t entries = std::min(node->keyCount, kMaxEntries);
    for (std::uint32_t i = 0; i < entries; ++i) {
      const auto valueOffset = le16(root, kNodeHeaderSize + std::size_t{i} * 4 + 2);
      if (!valueOffset || static_cast<std::uint32_t>(m_blockSize - 41u - *valueOffset) > 4094u) break;
      const std::size_t p = kBlockSize - std::min<std::size_t>(*valueOffset, kBlockSize);
      const auto volume = p >= 32 ? le64(root, p - 32) : std::nullopt;
      if (!volume || *volume == 0 || *volume >= m_blockCount) continue;
      if (Read(*volume, m_buffer) && IsObjectValid(m_buffer)) WalkVolumeInBuffer();
    }
    m_walked = true;
  }
  return 0;
}

int APFSContainerParser::WalkLoneVolume(std::uint64_t block, std::uint64_t sectors) {
  m_span = sectors;
  const int result = WalkVolume(block);
  m_walked = true;
  return result;
}

int APFSContainerParser::WalkVolume(std::uint64_t block) {
  if (!Read(block, m_buffer)) return -1;
  if (!IsObjectValid(m_buffer)) return -2;
  WalkVolumeInBuffer();
  return 0;
}

void APFSContainerParser::WalkVolumeInBuffer() {
  if (m_name.empty()) {
    const auto field = ByteSpan(m_buffer).subspan(kVolumeNameOffset);
    const auto nul = std::find(field.begin(), field.end(), std::uint8_t{0});
    m_name = std::string(field.begin(), nul) + "_" + std::to_string(m_index);
  }
  const std::uint64_t map = FieldReader(m_buffer).le64(128);
  std::vector<std::uint8_t> block;
  if (!Read(map, block)) return;
  std::deque<std::uint64_t> work{FieldReader(block).le64(48)};
  std::vector<std::uint64_t> found;
  while (!work.empty()) {
    if (!m_owner.IsContinue()) return;
    const std::uint64_t next = work.front();
    work.pop_front();
    if (!Visit(next) || !Read(next, block) || !IsObjectValid(block)) continue;
    const auto header = ReadObjectHeader(block);
    const auto node = ReadNodeHeader(block);
    if (!header || !node) continue;
    if (header->subtype == kSubtypeFsTree && node->keyCount < kMaxEntries) {
      ApplyNodeRecords(block, next);
    } else if (header->subtype == kSubtypeObjectMap) {
      found.clear();
      WalkObjectMapNode(block, found);
      work.insert(work.end(), found.begin(), found.end());
    }
  }
}

void APFSContainerParser::WalkObjectMapNode(ByteSpan block, std::vector<std::uint64_t>& work) {
  const auto node = ReadNodeHeader(block);
  if (!node) return;
  const std::uint32_t entries = std::min(node->keyCount, kMaxEntries);
  switch (node->flags) {
    case 4:
    case 5:
      for (std::uint32_t i = 0; i < entries; ++i) {
        const auto entry = FixedEntry(block, *node, i, node->flags == 5 ? kTreeInfoSize : 0);
        if (const auto child = entry ? le64(block, entry->valuePos) : std::nullopt) work.push_back(*child);
      }
      break;
    case 6: {
      const auto firstKey = le16(block, kNodeHeaderSize);
      const std::size_t keyArea = kNodeHeaderSize + node->tableLength + firstKey.value_or(0);
      for (std::size_t slot = block.size() - 16; slot > keyArea; slot -= 16) {
        if (le64(block, slot) == kMappedBlockValue) work.push_back(*le64(block, slot + 8));
        if (slot < 16) break;
      }
      break;
    }
    case 7:
      for (std::uint32_t i = 0; i < entries; ++i) {
        const auto valueOffset = le16(block, kNodeHeaderSize + std::size_t{i} * 4 + 2);
        if (!valueOffset) break;
        const std::size_t p = block.size() - std::min<std::size_t>(*valueOffset, block.size());
        if (p < 41 || p > 4135) break;
        if (const auto child = le64(block, p - 32)) work.push_back(*child);
      }
      break;
    default:
      CatchExeception::WriteLog("APFS object-map node with flags %u left alone", unsigned{node->flags});
      break;
  }
}

void APFSContainerParser::AnalyzeNode(std::int64_t sector, std::uint64_t block, ByteSpan data) {
  const auto header = ReadObjectHeader(data);
  const auto node = ReadNodeHeader(data);
  if (!header || !node) return;
  if (m_index != 0) {
    if (static_cast<std::uint64_t>(sector - m_startSector) > m_span || header->oid > m_blockCount) return;
  }
  const std::uint64_t relative = block - m_firstBlock;
  if (header->typeFlags == kPhysicalFlags && header->oid != relative) return;
  if (header->oid >= m_blockCount || header->oid == 0) return;
  if (header->type != kTypeNode || header->subtype != kSubtypeFsTree) return;
  EnsureVisited();
  if (relative < m_visitedLimit && m_visited.GetBit(static_cast<long long>(relative)) != 0) return;
  if (node->keyCount >= kMaxEntries) return;
  ApplyNodeRecords(data, block);
}

void APFSContainerParser::ApplyNodeRecords(ByteSpan node, std::uint64_t foundBlock) {
  const auto header = ReadNodeHeader(node);
  if (!header) return;
  m_currentBlock = foundBlock;
  const std::uint32_t adjust = header->flags == 1 || header->flags == 3 ? kTreeInfoSize : 0;
  const std::uint32_t entries = std::min(header->keyCount, kMaxEntries);
  for (std::uint32_t i = 0; i < entries; ++i) {
    if (!m_owner.IsContinue()) return;
    const auto entry = VariableEntry(node, *header, i, adjust);
    if (!entry) continue;
    const ByteSpan key = node.subspan(entry->keyPos, entry->keyLength);
    const ByteSpan value = node.subspan(entry->valuePos, entry->valueLength);
    std::uint64_t owner = 0;
    switch (KindOf(key, &owner)) {
      case RecordKind::kInode: ApplyInode(value); break;
      case RecordKind::kDirectory: ApplyDirectory(owner, key, value); break;
      case RecordKind::kExtent: ApplyExtent(owner, key, value); break;
      case RecordKind::kOther: break;
    }
  }
}

APFSContainerParser::Choice APFSContainerParser::Choose(const Registry& registry, std::uint64_t key,
                                                        std::uint64_t parentKey, const std::string* name,
                                                        std::uint64_t recordTime, bool extent) const {
  Choice choice;
  std::uint64_t window = kStartWindow;
  const auto [first, last] = registry.equal_range(key);
  for (auto it = first; it != last; ++it) {
    APFSFileNode* candidate = it->second;
    choice.last = candidate;
    const std::uint64_t id = candidate->Key() & ~(std::uint64_t{m_index} << 32);
    const bool parentMatches = extent ? candidate->ParentKey() == kNoKey : candidate->ParentKey() == parentKey;
    const bool nameMatches = name != nullptr && name->find(candidate->Name()) != std::string::npos;
    if (parentMatches && (id < 5 || nameMatches)) {
      choice.exact = candidate;
      return choice;
    }
    const std::uint64_t blocks = candidate->Size() / kBlockSize;
    if (window > kWindowMargin && window - kWindowMargin < blocks) window = blocks + kWindowMargin;
    const std::uint64_t distance = Distance(m_currentBlock, candidate->FoundBlock());
    if (distance < window || (!extent && recordTime != 0 && candidate->Created() == recordTime)) {
      choice.best = candidate;
      window = distance;
    }
  }
  return choice;
}

APFSFileNode* APFSContainerParser::MakeNode(const Made& made, const Choice& choice) {
  std::string name = made.name;
  long long number = 0;
  if (choice.best != nullptr && ReadsAsDead(name, &number)) {
    name = StripNul(choice.best->Name()) + "-" + std::to_string(number);
    if (name.size() > kMaxDerivedName) name.resize(kMaxDerivedName);
    name.push_back('\0');
  }
  auto owned = std::make_unique<APFSFileNode>();
  APFSFileNode* node = owned.get();
  Registry& registry = made.directory ? m_directories : m_files;
  node->SetNodeType(made.directory);
  const bool known = registry.count(made.key) != 0 || (made.directory ? m_files : m_directories).count(made.key);
  node->SetNodeID(known ? kUniqueIdBase + m_nodes.size() : made.key);
  node->SetParentNodeID(made.extent ? -1 : static_cast<long long>(made.parentKey));
  node->SetFoundBlock(m_currentBlock);
  node->SetKey(made.key);
  node->SetParentKey(made.extent ? kNoKey : made.parentKey);
  node->SetBelongedPartition(static_cast<std::uint16_t>(m_index));
  node->SetNodeName(name);
  if (m_index != 0 || m_walked) node->MarkDeleted();
  if (choice.last != nullptr && choice.last->GetDataRunList() != nullptr) node->CopyRunsFrom(*choice.last);
  registry.emplace(made.key, node);
  if (made.directory) m_newFolders.insert(made.key);
  m_order.emplace(node, m_nodes.size());
  m_nodes.push_back(std::move(owned));
  return node;
}

APFSFileNode* APFSContainerParser::NearestDirectory(std::uint64_t key, std::uint64_t block) const {
  APFSFileNode* nearest = nullptr;
  std::uint64_t best = 0;
  const auto [first, last] = m_directories.equal_range(key);
  for (auto it = first; it != last; ++it) {
    const std::uint64_t distance = Distance(block, it->second->FoundBlock());
    if (nearest == nullptr || distance < best) {
      nearest = it->second;
      best = distance;
    }
  }
  return nearest;
}

void APFSContainerParser::PlaceUnder(APFSFileNode& node, std::uint64_t parentKey) {
  if (node.Has(APFSFileNode::kHanded) || node.SearchParent() != nullptr || parentKey == kNoKey) return;
  APFSFileNode* directory = NearestDirectory(parentKey, m_currentBlock);
  node.SetParentKey(parentKey);
  if (directory == nullptr)
    node.SetParentNodeID(static_cast<long long>(parentKey));
  else
    APFSFileNode::AttachToParent(directory, &node);
}

APFSFileNode* APFSContainerParser::TakeOrMake(const Made& made, const Choice& choice) {
  APFSFileNode* node = choice.exact;
  if (node == nullptr && !made.directory && choice.best != nullptr && choice.best->ParentKey() == kNoKey) {
    node = choice.best;
    if (made.parentKey != kNoKey) {
      node->SetParentKey(made.parentKey);
      node->SetParentNodeID(static_cast<long long>(made.parentKey));
    }
  }
  if (node == nullptr) return MakeNode(made, choice);
  node->SetFoundBlock(m_currentBlock);
  return node;
}

void APFSContainerParser::Hand(APFSFileNode& node) {
  node.SetFlag(APFSFileNode::kHanded);
  const std::size_t index = m_order.at(&node);
  m_pending.erase(index);
  m_touched.erase(index);
  m_owner.AddFileNode(&node);
}

void APFSContainerParser::HandOver(APFSFileNode& node) {
  if (node.Has(APFSFileNode::kHanded)) return;
  if (node.IsReadyToAdd(false)) {
    Hand(node);
    return;
  }
  const std::size_t index = m_order.at(&node);
  m_pending.insert(index);
  m_touched.insert(index);
}

// A pending node without a parent link can only be placed once a folder with its parent ID appears.
void APFSContainerParser::Remember(APFSFileNode& node) {
  const long long parent = node.GetParentNodeID();
  if (!node.Has(APFSFileNode::kHanded) && node.SearchParent() == nullptr && parent != -1)
    m_waiting.emplace(static_cast<std::uint64_t>(parent), m_order.at(&node));
}

std::set<std::size_t> APFSContainerParser::TouchedSinceFlush() {
  std::set<std::size_t> work;
  work.swap(m_touched);
  for (const std::uint64_t folder : m_newFolders) {
    const auto [first, last] = m_waiting.equal_range(folder);
    for (auto it = first; it != last; ++it) {
      if (m_pending.count(it->second) != 0 &&
          static_cast<std::uint64_t>(m_nodes[it->second]->GetParentNodeID()) == folder)
        work.insert(it->second);
    }
    m_waiting.erase(first, last);
  }
  m_newFolders.clear();
  return work;
}

void APFSContainerParser::ApplyInode(ByteSpan value) {
  const auto inode = ParseInode(value);
  if (!inode) return;
  const std::string fixed = APFSFileNode::FixName(inode->name);
  if (fixed.empty() || !APFSFileNode::IsNameAccepted(fixed)) return;
  // A later container's root folder ("root" on disk, and no directory record names it) shows as its container.
  const bool laterRoot = m_index != 0 && inode->privateId == 2 && !m_name.empty();
  const std::string name = laterRoot ? m_name + std::string(1, '\0') : inode->name;
  Made made{inode->directory, KeyOf(inode->privateId), KeyOf(inode->parent), name, false};
  Registry& registry = made.directory ? m_directories : m_files;
  const Choice choice = Choose(registry, made.key, made.parentKey, &fixed, inode->created, false);
  APFSFileNode* node = TakeOrMake(made, choice);
  // Files met after the live walk keep their parent ID until the flush places them.
  if (made.directory || !m_walked) PlaceUnder(*node, made.parentKey);
  if (laterRoot) node->SetParentNodeID(kRootId);
  if (inode->size != 0 &&
      (node->Size() == 0 || (node->Name() == fixed && node->Created() == inode->created && node->Size() < inode->size)))
    node->SetSize(inode->size);
  if (node->Name().empty()) node->SetNodeName(name);
  if (node->Created() == 0) node->SetTimes(ChooseCreation(*inode), inode->changed, inode->accessed);
  HandOver(*node);
}

void APFSContainerParser::ApplyDirectory(std::uint64_t owner, ByteSpan key, ByteSpan value) {
  const auto record = ParseDirectory(key, value);
  if (!record || !APFSFileNode::IsNameAccepted(record->name)) return;
  const std::string fixed = APFSFileNode::FixName(record->name);
  Made made{record->directory, KeyOf(record->fileId), KeyOf(owner & 0xFFFFFFFFull), record->name, false};
  Registry& registry = made.directory ? m_directories : m_files;
  const Choice choice = Choose(registry, made.key, made.parentKey, &fixed, record->dateAdded, false);
  APFSFileNode* node = TakeOrMake(made, choice);
  if (made.directory) PlaceUnder(*node, made.parentKey);
  if (m_index == 0 || record->fileId != 2) {
    if (node->Name().empty()) {
      node->SetNodeType(made.directory);
      node->SetNodeName(record->name);
      node->SetTimes(record->dateAdded, record->dateAdded, 0);
    }
  } else {
    node->SetParentNodeID(kRootId);
    if (!m_name.empty()) node->SetNodeName(m_name + std::string(1, '\0'));
  }
  HandOver(*node);
}

void APFSContainerParser::ApplyExtent(std::uint64_t owner, ByteSpan key, ByteSpan value) {
  const auto extent = ParseExtent(key, value);
  if (!extent) return;
  const Made made{false, KeyOf(owner), kNoKey, {}, true};
  const Choice choice = Choose(m_files, made.key, kNoKey, nullptr, 0, true);
  APFSFileNode* node = choice.exact != nullptr ? choice.exact : choice.best;
  if (node != nullptr)
    node->SetFoundBlock(m_currentBlock);
  else
    node = MakeNode(made, choice);
  const std::uint64_t length = extent->lengthAndFlags;
  const std::uint64_t sectors = length / m_sectorSize + (length % m_sectorSize != 0 ? 1 : 0);
  const std::uint64_t start = extent->physicalBlock * (m_blockSize / m_sectorSize);
  node->AddExtent(start, sectors, m_sectorSize, extent->logicalOffset);
  HandOver(*node);
}

void APFSContainerParser::FlushPending(std::uint64_t block) {
  const bool final = block == kNoKey;
  m_currentBlock = block;
  if (final) {
    m_touched.clear();
    m_newFolders.clear();
    m_waiting.clear();
    for (const std::size_t index : std::set<std::size_t>(m_pending)) FlushOne(index, block, true);
    return;
  }
  for (const std::size_t index : TouchedSinceFlush()) {
    FlushOne(index, block, false);
    if (m_pending.count(index) != 0) Remember(*m_nodes[index]);
  }
}

void APFSContainerParser::FlushOne(std::size_t index, std::uint64_t block, bool final) {
  APFSFileNode& node = *m_nodes[index];
  const long long parent = node.GetParentNodeID();
  if (!node.Has(APFSFileNode::kHanded) && node.SearchParent() == nullptr && parent != -1) {
    APFSFileNode* directory = NearestDirectory(static_cast<std::uint64_t>(parent), block);
    node.SetParentKey(static_cast<std::uint64_t>(parent));
    if (directory == nullptr)
      node.SetParentNodeID(parent);
    else
      APFSFileNode::AttachToParent(directory, &node);
  }
  if (!node.IsReadyToAdd(final)) return;
  if (!node.IsDirectory() && node.GetDataRunList() == nullptr) {
    const auto [first, last] = m_files.equal_range(node.Key());
    for (auto it = first; it != last; ++it) {
      if (it->second != &node && it->second->GetDataRunList() != nullptr && it->second->Created() == node.Created()) {
        node.CopyRunsFrom(*it->second);
        break;
      }
    }
  }
  Hand(node);
}
