#include "DirectoryTreeBuilder/RecycleBinHolding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "DirectoryTreeBuilder/RecycleInfoFile.h"
#include "DirectoryTreeBuilder/RecyclerFilter.h"
#include "include/EngineRegistry.h"
#include "include/FileNode.h"
#include "include/IFileProperties.h"
#include "include/IFileReaderEx.h"
#include "include/SearchPartitionInfoStruct.h"

namespace {

// Larger info files are not the recycle bin's.
constexpr long long kMaxInfoFileSize = 1024;
constexpr std::uint32_t kDefaultSectorsPerCluster = 2;
// "$R" and "$I" names pair up from their third character on.
constexpr std::size_t kNamePrefix = 2;

const char* NameOf(const IFileNode* node) {
  const char* name = node->GetFileName();
  return name != nullptr ? name : "";
}

bool IsDollarName(const char* name, char kind) { return name[0] == '$' && name[1] == kind; }

bool SameAfterPrefix(const char* dataName, const char* infoName) {
  const std::size_t length = std::min(std::strlen(dataName), std::strlen(infoName));
  if (length <= kNamePrefix) return false;
  return std::memcmp(dataName + kNamePrefix, infoName + kNamePrefix, length - kNamePrefix) == 0;
}

std::optional<std::string> ReadOriginalName(IFileNode* info, IStorageDevice* device,
                                            const CSearchedPartitionInfo* partition) {
  auto* infoNode = dynamic_cast<CFileNode*>(info);
  const long long size = info->GetFileSize();
  if (infoNode == nullptr || size <= 0 || size > kMaxInfoFileSize) return std::nullopt;
  std::unique_ptr<IFileReaderEx> reader = quellsy::EngineRegistry::Instance().CreateFileReaderEx();
  if (!reader) return std::nullopt;
  const long long origin = partition != nullptr ? partition->GetClusterOrigin() : 0;
  const std::uint32_t sectorsPerCluster = partition != nullptr && partition->GetSectorsPerCluster() != 0
                                              ? partition->GetSectorsPerCluster()
                                              : kDefaultSectorsPerCluster;
  if (!reader->Open(device, infoNode, origin, static_cast<int>(sectorsPerCluster))) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size), 0);
  int got = 0;
  if (!reader->Read(0, bytes.data(), static_cast<int>(size), got) || got <= 0) return std::nullopt;
  bytes.resize(std::min(bytes.size(), static_cast<std::size_t>(got)));
  return CRecycleInfoFile::OriginalName(bytes);
}

void Rename(IFileNode* node, _tagSearcherType searcher, const std::string& name) {
  if (searcher == SEARCHER_EXFAT) {
    node->SetFileName(name.c_str());
    return;
  }
  if (searcher != SEARCHER_FAT && searcher != SEARCHER_NTFS) return;
  auto* fileNode = dynamic_cast<CFileNode*>(node);
  IFileProperties* properties = fileNode != nullptr ? fileNode->GetFileProperties() : nullptr;
  if (properties != nullptr) properties->SetFileName(name.c_str());
}

// Renames a "$R" node after the first info file that pairs with it; that info file is used up either way.
void RestoreName(IFileNode* node, _tagSearcherType searcher, std::vector<IFileNode*>& infoFiles,
                 std::vector<IFileNode*>& usedInfoFiles, IStorageDevice* device,
                 const CSearchedPartitionInfo* partition) {
  const char* name = NameOf(node);
  if (!IsDollarName(name, 'R') || CRecyclerFilter::IsRecycleBinName(name)) return;
  const auto info = std::find_if(infoFiles.begin(), infoFiles.end(),
                                 [name](IFileNode* candidate) { return SameAfterPrefix(name, NameOf(candidate)); });
  if (info == infoFiles.end()) return;
  IFileNode* infoNode = *info;
  infoFiles.erase(info);
  usedInfoFiles.push_back(infoNode);
  if (const auto original = ReadOriginalName(infoNode, device, partition)) Rename(node, searcher, *original);
}

}  // namespace

bool CRecycleBinHolding::Belongs(IFileNode* node, _tagSearcherType searcher) const {
  auto* fileNode = dynamic_cast<CFileNode*>(node);
  if (fileNode != nullptr ? CRecyclerFilter::IsRecycleBin(fileNode) : CRecyclerFilter::IsRecycleBinFolder(node))
    return true;
  const char* name = NameOf(node);
  if (CRecyclerFilter::IsInfoFileName(name) || CRecyclerFilter::IsDataFileName(name)) return true;
  const auto held = m_held.find(searcher);
  return held != m_held.end() && held->second.folderIDs.count(node->GetParentNodeID()) != 0;
}

void CRecycleBinHolding::Hold(IFileNode* node, _tagSearcherType searcher) {
  Held& held = m_held[searcher];
  if (node->IsDirectory() != 0) {
    held.folders.push_back(node);
    held.folderIDs.insert(node->GetCurrentNodeID());
  } else if (IsDollarName(NameOf(node), 'I')) {
    held.infoFiles.push_back(node);
  } else {
    held.dataFiles.push_back(node);
  }
}

CRecycleBinHolding::Restored CRecycleBinHolding::Take(_tagSearcherType searcher, IStorageDevice* device,
                                                      const CSearchedPartitionInfo* partition) {
  Restored restored;
  const auto found = m_held.find(searcher);
  if (found == m_held.end()) return restored;
  Held held = std::move(found->second);
  m_held.erase(found);

  std::stable_sort(held.folders.begin(), held.folders.end(), [](IFileNode* a, IFileNode* b) {
    return a->GetParentNodeID() < b->GetParentNodeID();
  });
  restored.readd = std::move(held.folders);
  restored.readd.insert(restored.readd.end(), held.dataFiles.begin(), held.dataFiles.end());
  if (device != nullptr)
    for (IFileNode* node : restored.readd)
      RestoreName(node, searcher, held.infoFiles, restored.discard, device, partition);
  restored.discard.insert(restored.discard.end(), held.infoFiles.begin(), held.infoFiles.end());
  return restored;
}
