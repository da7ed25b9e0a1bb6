// The volume's quick search: deleted nodes from the journal first, then the live catalog.

#include <memory>
#include <new>
#include <variant>

#include "HFSPlus/HFSPlusLib/CHFSPlusFileNode.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusJournal.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusQuickFileSystemSearchProgress.h"
#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusErrors.h"
#include "include/IFileSystemSearchController.h"

using namespace quellsy;
using namespace quellsy::hfsplus;

namespace {

// Makes a node of one catalog record and hands it to the builder; thread records (and anything else without
// an ID) make none.
class NodeHandout {
 public:
  NodeHandout(CHFSPlusVolume& volume, IDirecotryTreeBuilder* builder, CHFSPlusQuickFileSystemSearchProgress* progress)
      : volume_(volume), owner_(volume.weak_from_this().lock()), builder_(builder), progress_(progress) {}

  void HandOut(const BTKey& key, const BTRecord& record, int deleted) {
    // Half of a catalog's records are threads, which only point back to their entries: no node is made for one.
    if (std::holds_alternative<HFSPlusCatalogThread>(record)) return;
    auto* node = new (std::nothrow) CHFSPlusFileNode(&volume_, &key, &record, deleted);
    if (node == nullptr) return;
    if (node->GetCurrentNodeID() == -1) {
      node->Release();
      return;
    }
    node->ShareVolume(owner_);
    if (builder_ == nullptr) {
      node->Release();
      return;
    }
    if (progress_ != nullptr) progress_->UpdateProgress();
    if (builder_->AddNode(node, SEARCHER_HFSPLUS) == 0) node->Release();
  }

 private:
  CHFSPlusVolume& volume_;
  std::shared_ptr<CHFSPlusVolume> owner_;
  IDirecotryTreeBuilder* builder_;
  CHFSPlusQuickFileSystemSearchProgress* progress_;
};

class LiveCatalogVisitor : public IHFSPlusLeafVisitor {
 public:
  explicit LiveCatalogVisitor(NodeHandout& handout) : handout_(handout) {}
  ResultCode VisitLeafRecord(const BTKey& key, const BTRecord& record) override {
    handout_.HandOut(key, record, 0);
    return kResultOk;
  }
  bool WantsThreads() const override { return false; }

 private:
  NodeHandout& handout_;
};

}  // namespace

ResultCode CHFSPlusVolume::QuickSearchFiles(IDirecotryTreeBuilder* builder,
                                            CHFSPlusQuickFileSystemSearchProgress* progress) {
  if (!journal_) return Fail(HFS_FAILURE(hfserror::kMissing));
  const std::uint64_t counted = header_ ? std::uint64_t{header_->fileCount} + header_->folderCount + 1 : 1;
  if (progress != nullptr) progress->SetTotal(deletedCatalog_.size() + counted);
  journal_->GetDeleteRecord(progress);
  bool go = true;
  if (progress != nullptr) {
    // The walk counted its finds; the total counts the nodes, each of which is counted again when handed
    // over, so the count starts afresh and ends at the total.
    progress->SetTotal(deletedCatalog_.size() + counted);
    progress->RestartCount();
    go = progress->IsContinued();
  }
  NodeHandout handout(*this, builder, progress);
  for (auto& [key, record] : deletedCatalog_) {
    if (!go) break;
    go = progress == nullptr || progress->IsContinued();
    // The pair in hand is finished even when the answer was to stop.
    handout.HandOut(BTKey{std::move(key)}, record, 1);
  }
  deletedCatalog_.clear();
  // The catalog walk asks its progress before every node; without an adapter it goes on to the end.
  CHFSPlusQuickFileSystemSearchProgress always(nullptr, true);
  LiveCatalogVisitor visitor(handout);
  return Traverse(static_cast<int>(kCatalogFileID), &visitor, progress != nullptr ? progress : &always);
}
