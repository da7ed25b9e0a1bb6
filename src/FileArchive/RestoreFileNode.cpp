#include "FileArchive/RestoreFileNode.h"

#include <new>

#include "FileArchive/RestoredVolumes.h"
#include "include/EngineRegistry.h"

namespace SaveRestoreResult {

void RestoreFileNode::SetTimes(unsigned long long created, unsigned long long modified, unsigned long long accessed) {
  created_ = created;
  modified_ = modified;
  accessed_ = accessed;
}

IFileNode* RestoreFileNode::Clone() { return new (std::nothrow) RestoreFileNode(*this); }

IFileReader* RestoreFileNode::CreateCompressFileReader(void* /*unused*/) {
  IFileNode* top = this;
  while (top->GetParent() != nullptr) top = top->GetParent();
  const _tagSearcherType searcher = top->GetSearcheType();
  if (searcher != SEARCHER_HFSPLUS && searcher != SEARCHER_NTFS) return nullptr;
  IStorageDevice* volume = FindRestoredVolume(searcher, GetBelongedPartition());
  if (searcher == SEARCHER_HFSPLUS && volume == nullptr) return nullptr;
  return quellsy::EngineRegistry::Instance().CreateCompressedReader(searcher, *this, volume);
}

IFileNode* RestoreSystemNode::Clone() { return new (std::nothrow) RestoreSystemNode(*this); }

}  // namespace SaveRestoreResult
