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
  };

  HFSPlusWrittenFork Allocate(std::uint64_t bytes, std::uint32_t pieces);
  std::string PathOf(std::uint32_t id) const;

  HFSPlusWriterOptions options_;
  std::map<std::uint32_t, Entry> entries_;
  std::map<std::uint32_t, HFSPlusWrittenFork> special_;
  std::vector<bool> used_;
  std::uint32_t cursor_ = 0;
  std::uint32_t nextID_ = hfsplus::kFirstUserCatalogNodeID;
  std::uint16_t catalogDepth_ = 0;
  std::uint32_t catalogLeafRecords_ = 0;
};

}  // namespace quellsy::test
