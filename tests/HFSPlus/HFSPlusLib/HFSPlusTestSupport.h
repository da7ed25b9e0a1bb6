#pragma once
// Shared by the HFS+ library tests: a progress sink that stops when told, a catalog walk that keeps every
// folder and file with its path, and a fork read back through the volume.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/IHFSPlusBTreeOption.h"
#include "include/IProgress.h"

namespace quellsy::test {

// Answers true to the first `allowed` questions (all of them when negative), then false.
class CountingProgress : public IProgress {
 public:
  explicit CountingProgress(int allowed = -1) : allowed_(allowed) {}
  void UpdateProgress(_PROGRESS_INFO*) override {}
  int Continued() override {
    ++asked_;
    return allowed_ < 0 || asked_ <= allowed_ ? 1 : 0;
  }
  int shouldBuild() override { return 1; }
  int asked() const { return asked_; }

 private:
  int allowed_;
  int asked_ = 0;
};

// One folder or file of the catalog, as the walk met it.
struct CatalogEntry {
  std::uint32_t id = 0;
  std::uint32_t parentID = 0;
  std::string name;  // UTF-8 as stored (no normalisation)
  std::vector<std::uint16_t> units;  // the name as stored
  bool folder = false;
  HFSPlusForkData dataFork;
  std::string path;  // from the root folder, "/"-separated, no leading "/"
};

class CatalogListing : public IHFSPlusLeafVisitor {
 public:
  quellsy::ResultCode VisitLeafRecord(const BTKey& key, const BTRecord& record) override;
  // Works the paths out once the walk is done; the root folder itself is left out.
  std::map<std::uint32_t, CatalogEntry> Entries() const;
  int records() const { return records_; }
  int threads() const { return threads_; }

 private:
  std::map<std::uint32_t, CatalogEntry> entries_;
  int records_ = 0;
  int threads_ = 0;
};

std::string Utf8(const std::vector<std::uint16_t>& units);
std::vector<std::uint16_t> Units(const std::u16string& text);
HFSPlusCatalogKey CatalogKeyOf(std::uint32_t parentID, const std::u16string& name);

// The fork's logical bytes read through its extents (overflow included).
std::vector<std::uint8_t> ReadFork(CHFSPlusVolume& volume, std::uint32_t fileID, const HFSPlusForkData& fork);

}  // namespace quellsy::test
