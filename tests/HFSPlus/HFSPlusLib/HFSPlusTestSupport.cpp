#include "HFSPlusTestSupport.h"

#include "HFSPlus/HFSPlusLib/CHFSPlusRawfile.h"
#include "Utility/TextConvert.h"

namespace quellsy::test {

std::string Utf8(const std::vector<std::uint16_t>& units) {
  return Utf16LeToUtf8(units, InvalidUtf16::kReplace).value_or("");
}

std::vector<std::uint16_t> Units(const std::u16string& text) { return {text.begin(), text.end()}; }

HFSPlusCatalogKey CatalogKeyOf(std::uint32_t parentID, const std::u16string& name) {
  HFSPlusCatalogKey key;
  key.parentID = parentID;
  key.nodeName = Units(name);
  key.keyLength = static_cast<std::uint16_t>(6 + 2 * name.size());
  return key;
}

quellsy::ResultCode CatalogListing::VisitLeafRecord(const BTKey& key, const BTRecord& record) {
  ++records_;
  const auto& k = std::get<HFSPlusCatalogKey>(key);
  if (const auto* folder = std::get_if<HFSPlusCatalogFolder>(&record)) {
    entries_[folder->folderID] = {folder->folderID, k.parentID, Utf8(k.nodeName), k.nodeName, true, {}, {}};
  } else if (const auto* file = std::get_if<HFSPlusCatalogFile>(&record)) {
    entries_[file->fileID] = {file->fileID, k.parentID, Utf8(k.nodeName), k.nodeName, false, file->dataFork, {}};
  } else {
    ++threads_;
  }
  return kResultOk;
}

std::map<std::uint32_t, CatalogEntry> CatalogListing::Entries() const {
  std::map<std::uint32_t, CatalogEntry> out;
  for (const auto& [id, entry] : entries_) {
    if (id == hfsplus::kRootFolderID) continue;
    CatalogEntry e = entry;
    e.path = e.name;
    std::uint32_t parent = e.parentID;
    for (int depth = 0; parent != hfsplus::kRootFolderID && depth < 64; ++depth) {
      const auto up = entries_.find(parent);
      if (up == entries_.end()) break;
      e.path = up->second.name + "/" + e.path;
      parent = up->second.parentID;
    }
    out[id] = std::move(e);
  }
  return out;
}

std::vector<std::uint8_t> ReadFork(CHFSPlusVolume& volume, std::uint32_t fileID, const HFSPlusForkData& fork) {
  CHFSPlusRawfile file(&volume, fileID, fork);
  std::vector<std::uint8_t> bytes(fork.logicalSize);
  if (fork.logicalSize == 0) return bytes;
  bytes.resize(file.Read(0, bytes.data(), bytes.size()));
  return bytes;
}

}  // namespace quellsy::test
