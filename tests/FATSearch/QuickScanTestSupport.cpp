#include "FATSearch/QuickScanTestSupport.h"

#include <algorithm>

#include "FATLib/FatNodeImages.h"
#include "support/fixtures/FatImages.h"

namespace quellsy::test {

namespace {

bool IsNodeImage(const std::string& name) { return name.rfind("nodes", 0) == 0; }

}  // namespace

std::filesystem::path FatTestImage(const std::string& name) {
  return IsNodeImage(name) ? FatNodeImages::Get()->Image(name) : FatImages::Get()->Image(name);
}

const FixtureRun& FatTestFixture(const std::string& name) {
  return IsNodeImage(name) ? FatNodeImages::Get()->Fixture() : FatImages::Get()->Fixture();
}

std::vector<ExpectedFile> ExpectedFiles(const std::string& name) {
  std::vector<NodeManifestEntry> entries;
  if (IsNodeImage(name)) {
    entries = FatNodeImages::Get()->Manifest(name);
  } else {
    // These manifests list files only: a folder counts as deleted when everything below it is.
    for (const FatManifestEntry& file : FatImages::Get()->Manifest(name).files) {
      NodeManifestEntry entry;
      entry.path = file.path;
      entry.size = file.size;
      entry.sha256 = file.sha256;
      entry.deleted = file.deleted;
      entries.push_back(entry);
    }
    const std::size_t files = entries.size();
    for (std::size_t i = 0; i < files; ++i) {
      for (std::size_t slash = entries[i].path.find('/', 1); slash != std::string::npos;
           slash = entries[i].path.find('/', slash + 1)) {
        const std::string folder = entries[i].path.substr(0, slash);
        if (std::any_of(entries.begin(), entries.end(), [&](const auto& e) { return e.path == folder; })) continue;
        NodeManifestEntry entry;
        entry.path = folder;
        entry.folder = true;
        entry.deleted = std::all_of(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(files),
                                    [&](const auto& e) { return e.path.rfind(folder + "/", 0) != 0 || e.deleted; });
        entries.push_back(entry);
      }
    }
  }
  std::vector<ExpectedFile> expected;
  for (const NodeManifestEntry& entry : entries) {
    if (entry.folder) continue;
    expected.push_back({entry.path, ShownPath(entries, entry.path), entry.size, entry.sha256, entry.deleted});
  }
  return expected;
}

}  // namespace quellsy::test
