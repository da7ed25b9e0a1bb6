#pragma once
// A small deterministic HFS+/HFSX writer for tests (no HFS+ formatter exists on Debian): folders, files with
// data forks in any number of pieces (past eight through the extents overflow tree), inline and fork
// extended attributes, and the catalog, extents and attributes trees with index levels.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HFSPlus/HFSPlusLib/HFSPlusFormat.h"
#include "support/ImageBuilder.h"
#include "support/hfsplus/HFSPlusJournalWriter.h"
#include "support/hfsplus/SparseImage.h"

namespace quellsy::test {

struct HFSPlusWriterOptions {
  bool hfsx = false;
  std::uint8_t keyCompareType = 0xCF;  // what an HFSX catalog is sorted by: 0xCF folds case, 0xBC binary
  std::uint32_t blockSize = 4096;
  std::uint32_t totalBlocks = 1024;
  std::uint16_t catalogNodeSize = 4096;
  std::uint16_t extentsNodeSize = 4096;
  std::uint16_t attributesNodeSize = 4096;
  std::uint16_t maxRecordsPerNode = 0;  // 0: full nodes; small numbers force index levels
  std::uint32_t catalogPieces = 1;      // fragments of the catalog file (past eight: overflow records)
  std::uint32_t extentsPieces = 1;      // fragments of the extents file (it has no overflow of its own)
  std::uint64_t catalogMinBytes = 0;    // a larger catalog file; its extra nodes are free
  std::uint32_t allocationStart = 0;    // first block given out after the reserved ones (0: right after)
  std::u16string volumeName = u"QuellsyHFS";
  HFSPlusJournalOptions journal;
};

// One B-tree node a transaction logged: the records of some entries as they were before a later change.
struct HFSPlusLoggedNode {
  std::uint32_t tree = hfsplus::kCatalogFileID;  // 4 catalog (records and threads), 3 extents, 8 attributes
  std::vector<std::uint32_t> ids;                 // whose records the node holds
  bool index = false;                             // an index node over those keys instead of a leaf
  std::uint32_t accessDate = 0;                   // another access date in the logged records (0: as written)
};

struct HFSPlusWrittenFork {
  std::uint64_t logicalSize = 0;
  std::uint32_t totalBlocks = 0;
  std::vector<HFSPlusExtentDescriptor> extents;
};

class HFSPlusWriter {
 public:
  explicit HFSPlusWriter(HFSPlusWriterOptions options = {});

  // Each returns the new catalog node ID.
  std::uint32_t AddFolder(std::uint32_t parentID, const std::u16string& name);
  std::uint32_t AddFile(std::uint32_t parentID, const std::u16string& name, std::vector<std::uint8_t> data,
                        std::uint32_t pieces = 1);
  // A file compressed as the system does (type 3 or 7 inline, 4 or 8 in a resource fork of `pieces`
  // fragments, at most eight): no data fork, the compressed owner flag, and its "com.apple.decmpfs" attribute. stored keeps
  // the blocks as they are behind the marker byte. The manifest holds the uncompressed data.
  std::uint32_t AddCompressedFile(std::uint32_t parentID, const std::u16string& name, std::vector<std::uint8_t> data,
                                  std::uint32_t type, std::uint32_t pieces = 1, bool stored = false);
  void AddInlineAttribute(std::uint32_t fileID, const std::string& name, std::vector<std::uint8_t> value);
  void AddForkAttribute(std::uint32_t fileID, const std::string& name, std::vector<std::uint8_t> value);
  // The entry was deleted after its records were logged: its catalog, extents and attributes records stay
  // out of the live trees and its blocks are free, but its content is still in them. Unless transactions
  // are logged explicitly, one transaction logs every deleted entry's records (needs a journal).
  void Delete(std::uint32_t id);
  // A transaction of these nodes, in the order given; transactions follow each other in the order logged.
  void LogTransaction(std::vector<HFSPlusLoggedNode> nodes);

  // Lays the volume out and writes it; call once.
  std::shared_ptr<SparseImage> Build();

  // After Build: where things went.
  const HFSPlusWrittenFork& SpecialFork(std::uint32_t fileID) const { return special_.at(fileID); }
  const HFSPlusWrittenFork& DataFork(std::uint32_t fileID) const { return entries_.at(fileID).fork; }
  const HFSPlusWrittenFork& ResourceFork(std::uint32_t fileID) const { return entries_.at(fileID).resourceFork; }
  std::uint16_t CatalogDepth() const { return catalogDepth_; }
  std::uint32_t CatalogLeafRecords() const { return catalogLeafRecords_; }
  // Every file and folder: path (UTF-8, "/"-separated, no leading "/"), data size and SHA-256 (files).
  std::vector<ImageManifestEntry> Manifest() const;
  // The same for the deleted files.
  std::vector<ImageManifestEntry> DeletedManifest() const;
  std::uint64_t JournalOffset() const { return journalOffset_; }
  const HFSPlusJournalImage& Journal() const { return journal_; }
  const HFSPlusWriterOptions& options() const { return options_; }

 private:
  struct Attribute {
    std::string name;
    std::vector<std::uint8_t> value;
    bool inlineData = true;
    HFSPlusWrittenFork fork;
  };
  struct Entry {
    std::uint32_t parentID = 0;
    std::u16string name;
    bool folder = false;
    std::vector<std::uint8_t> data;
    std::uint32_t pieces = 1;
    HFSPlusWrittenFork fork;
    bool compressed = false;
    std::vector<std::uint8_t> resource;
    HFSPlusWrittenFork resourceFork;
    std::vector<Attribute> attributes;
    bool deleted = false;
  };
  struct CatalogRecord {
    std::uint32_t parentID;
    std::vector<std::uint16_t> name;
    std::vector<std::uint8_t> data;
  };
  struct TreeRecords {
    std::vector<CatalogRecord> catalog;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::vector<std::uint8_t>> overflow;  // (file, first block)
    std::vector<std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>>> attributes;  // key, data
  };

  HFSPlusWrittenFork Allocate(std::uint64_t bytes, std::uint32_t pieces);
  std::string PathOf(std::uint32_t id) const;
  std::vector<ImageManifestEntry> ManifestOf(bool deleted) const;
  // The records of one entry in each tree (catalog: its record and its thread).
  void RecordsOf(std::uint32_t id, std::uint32_t accessDate, TreeRecords& out);
  void SortCatalog(std::vector<CatalogRecord>& records) const;
  HFSPlusLoggedBlock LoggedNode(const HFSPlusLoggedNode& logged);

  HFSPlusWriterOptions options_;
  std::map<std::uint32_t, Entry> entries_;
  std::map<std::uint32_t, HFSPlusWrittenFork> special_;
  std::vector<bool> used_;
  std::uint32_t cursor_ = 0;
  std::uint32_t nextID_ = hfsplus::kFirstUserCatalogNodeID;
  std::uint16_t catalogDepth_ = 0;
  std::uint32_t catalogLeafRecords_ = 0;
  std::map<std::uint32_t, std::uint32_t> valence_;
  std::map<std::uint32_t, std::uint32_t> subfolders_;
  std::vector<std::vector<HFSPlusLoggedNode>> transactions_;
  std::uint64_t journalOffset_ = 0;
  HFSPlusJournalImage journal_;
};

}  // namespace quellsy::test
